#pragma once
// The start-up and save steps of the logic, the same for every front end: the MOD list with the
// arena-file check of each MOD directory, the map database with its synchronisation, the bot
// information, the disabler archives and the database save. A front end adds the steps of its
// own views (the unsorted list, the maps tree) and may wrap these with work of its own.

#include <functional>
#include <memory>

#include "app/startup.h"
#include "arena/arena_files.h"
#include "properties/map_properties_model.h"

namespace vorlix {

class TGame_Index;
class TInteraction;
class TRelayed_Interaction;

// Fills Build_MOD_List, Load_And_Sync_Database, Read_Bots, Write_Disablers and Save_Database.
// `ui` must outlive the steps.
void Set_Program_Steps(TStartup_Steps& steps, TInteraction& ui);

// Hands work to another thread that may do it (the window program's main thread, which waits for
// the first steps meanwhile), or drops it.
using TWork_Offer = std::function<void(std::function<void()>)>;

// Fills the unsorted list, reads the bot information and writes the arena disablers ahead of
// their steps (TStartup_Steps::Prepare_Views): a window program's first steps run it on their
// thread, offering the bots and the disablers to `offer`: whichever thread comes to them first
// does them while the list is filled. What the disablers tell the user is kept for their step,
// which shows it in its place.
void Prepare_Views_Ahead(TMain_State& state, const TWork_Offer& offer = {});
// Prepare_Views_Ahead for first steps that talk through `relay`, offering its work to the relay's
// owning thread.
std::function<void(TMain_State&)> Views_Ahead_Offered_To(TRelayed_Interaction& relay);

// What the arena-file commands work with, from the program state.
TArena_Environment Arena_Environment_Of(const TMain_State& state);
// The tree file as read ahead by the database step, or none (the tree step then reads it).
std::unique_ptr<TTree_File_Reading> Take_Tree_Read_Ahead(TMain_State& state);

// What the game itself knows of the state's archives, as the database step left it (null before
// a database is loaded, or when the index could not be built).
std::shared_ptr<const TGame_Index> Loaded_Game_Index(const TMain_State& state);
// The same with the archives' names, sizes and dates alone when the index is not loaded yet
// (TGame_Index::Load_Archives; not kept in the state): what the collection's indexes need, for
// a fraction of the memory.
std::shared_ptr<const TGame_Index> Archives_Of_Game_Index(const TMain_State& state);

// What the properties and launch dialogs work with, from the program state.
TProperties_Context Properties_Context_Of(const TMain_State& state, TInteraction& ui,
                                          const QLocale& locale);

}  // namespace vorlix
