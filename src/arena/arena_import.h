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
class TPK3_Record_Store;

// The whole command: the file dialog ("Import Arena File from..."), then the import.
void Run_Arena_Import(const std::string& game_dir, const std::string& temp_dir,
                      TPK3_Record_Store& database, TInteraction& ui);

// The import of a chosen pk3 file (absolute, or relative to the current directory). The archive
// must lie directly in a MOD directory of the game directory. Reads the script entry
// "scripts/arenas.txt", or "scripts/arenas.txt.inactive" of an inactive arena file, ignoring case.
void Import_Arena_File_From(const std::string& pk3_file, const std::string& game_dir,
                            const std::string& temp_dir, TPK3_Record_Store& database,
                            TInteraction& ui);

// What one block gives a map: its bots, frag limit and game types. Throws TConversion_Error when
// the frag limit is not an integer.
struct TArena_Settings {
  std::vector<std::string> Bots;
  int Fraglimit = 0;
  std::uint8_t Game_Types = 0;
};
TArena_Settings Arena_Settings_Of(const TArena_Block& block);

// Applies one block to the present archives of a MOD (upper case compared): the map of the last
// such archive in database order holding a map of that name gets the block's bots, frag limit and
// game types, all three or none. Throws TConversion_Error when the frag limit is not an integer
// (nothing is changed then). True when a map was changed.
bool Apply_Arena_Block(TPK3_Record_Store& database, const std::string& mod,
                       const TArena_Block& block);

}  // namespace vorlix
