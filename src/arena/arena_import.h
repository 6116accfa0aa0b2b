#pragma once
// "Import Arena File": takes the bots, frag limit and game types that any pk3 archive's arena
// script gives for its maps into the map records of the archive's MOD directory. The changes stay
// in memory and are written with the database when the program closes.

#include <cstdint>
#include <string>
#include <vector>

#include "arena/arena_script.h"

namespace vorlix {

class TInteraction;
class TMap_Record;
class TPK3_Record_Store;

// What one block gives a map: its bots, frag limit and game types. Throws TConversion_Error when
// the frag limit is not an integer.
struct TArena_Settings {
  std::vector<std::string> Bots;
  int Fraglimit = 0;
  std::uint8_t Game_Types = 0;
  bool operator==(const TArena_Settings&) const = default;
};
TArena_Settings Arena_Settings_Of(const TArena_Block& block);

// The map values an import sets, as a map holds them.
TArena_Settings Arena_Settings_Of(const TMap_Record& map);
void Set_Arena_Settings(TMap_Record& map, const TArena_Settings& settings);

// Gives a map what a block of the game's scripts says of it, as "Use these settings" of its
// properties does: the game types, bots and frag limit (Arena_Settings_Of), and the time and
// capture limits where the block gives a number. Only a block naming a game type whose frag limit
// is a number (or empty) counts; false when there is none or it changed nothing.
bool Take_Arena_Info_Settings(TMap_Record& map, const TArena_Info& info);

// One map an import changes: its values before and after.
struct TArena_Import_Change {
  TMap_Record* Map = nullptr;
  TArena_Settings Before;
  TArena_Settings After;
};
using TArena_Import_Changes = std::vector<TArena_Import_Change>;

// The map a block names in the present archives of a MOD (upper case compared): the first map of
// that name in the last such archive in database order; nullptr when none holds one.
TMap_Record* Arena_Block_Target(const TPK3_Record_Store& database, const std::string& mod,
                                const std::string& map_name);

// What the blocks change in the maps of a MOD, each block applying as a whole to its target and a
// later block of the same map winning; maps whose values stay as they are left out. In the
// order the maps are first named. Throws TConversion_Error when a frag limit is not an integer.
TArena_Import_Changes Arena_Import_Changes(const TPK3_Record_Store& database,
                                           const std::string& mod,
                                           const std::vector<TArena_Block>& blocks);
// Gives every changed map its values after the import, or (`undo`) before it.
void Apply_Arena_Import(const TArena_Import_Changes& changes, bool undo = false);
// What the changes are, for the user: "3 maps of baseq3 (game types of 2, bots of 1, frag limit of
// 3): q3dm1, q3dm7, q3dm17", the map names in that order, cut after ten.
std::string Describe_Arena_Import(const TArena_Import_Changes& changes, const std::string& mod);

// Whether the import asks before it changes the maps (the window) or applies them at once (the
// command line, which prints what changed).
enum class TImport_Question { Ask, None };

// The whole command: the file dialog ("Import Arena File from..."), then the import. The changes
// applied (none when the dialog, the question or the import ended it).
TArena_Import_Changes Run_Arena_Import(const std::string& game_dir, const std::string& temp_dir,
                                       TPK3_Record_Store& database, TInteraction& ui,
                                       TImport_Question question = TImport_Question::Ask);

// The import of a chosen pk3 file (absolute, or relative to the current directory). The archive
// must lie directly in a MOD directory of the game directory. Reads the script entry
// "scripts/arenas.txt", or "scripts/arenas.txt.inactive" of an inactive arena file, ignoring case.
// Everything is read and worked out before the first map changes: a script the import cannot
// take changes nothing. With TImport_Question::Ask the user is told how many maps change and how,
// and may say no. Returns the changes applied.
TArena_Import_Changes Import_Arena_File_From(const std::string& pk3_file,
                                             const std::string& game_dir,
                                             const std::string& temp_dir,
                                             TPK3_Record_Store& database, TInteraction& ui,
                                             TImport_Question question = TImport_Question::Ask);

}  // namespace vorlix
