#pragma once
// The launch dialog's choices, as the launch takes them.

#include <optional>
#include <string>

#include "launch/command_line.h"

namespace vorlix {

class TMap_Properties_Model;
class TMap_Record;
struct TLaunch_Record;
struct TProperties_Context;

// The choices that the launch dialog holds now (the model in launch mode). Empty MOD when no
// "MOD to use" is selected.
TLaunch_Choices Launch_Choices_From(const TMap_Properties_Model& model,
                                    const std::string& game_dir);

// Chooses in the launch dialog (the model in launch mode) what an earlier launch chose: its game
// type (the dialog's radio index) and its MOD, each only when the map still offers it.
void Choose_As_Before(TMap_Properties_Model& model, int game_type, const std::string& mod);

// The choices the launch dialog starts with for the map (its properties, in launch mode), with
// the game type and MOD of an earlier launch when one is given (Choose_As_Before). Nullopt when the
// map offers no MOD to launch with.
std::optional<TLaunch_Choices> Initial_Launch_Choices(const TProperties_Context& context,
                                                      TMap_Record* map,
                                                      const TLaunch_Record* before = nullptr);

}  // namespace vorlix
