#pragma once
// Which arena block the game reads for a map, and which one the map's archives hold. The game
// reads a map's block from the scripts of its search path (Arena_Of of the game index); while an
// arena file of the program is active in the map's MOD directory, its outranking archive hides
// every other script there, so the game reads the active arena file's script, and a map it does
// not name has no block at all.

#include <functional>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "database/archive_facts.h"
#include "database/game_index.h"

namespace vorlix {

class TMap_Record;

struct TMap_Arena_Block {
  std::string Source;  // "MOD directory/archive: script member"
  TArena_Info Block;   // keys and values in file order
};

struct TMap_Arena_Blocks {
  // The first block naming the map in the scripts of its archives' search path.
  std::optional<TMap_Arena_Block> Archives;
  // The active arena file of the map's MOD directory ("MOD directory/file"); "" without one.
  std::string Active_Arena_File;
  // That file's block naming the map.
  std::optional<TMap_Arena_Block> Active;
  // The block the game reads now: the active arena file's while one is active (nullptr when it
  // does not name the map), else the archives'.
  const TMap_Arena_Block* Read_Now() const;
};

// Finds the blocks of maps, reading the scripts of each MOD directory once.
class TMap_Arena_Finder {
 public:
  TMap_Arena_Finder(const TGame_Index& index, std::string game_dir);
  TMap_Arena_Blocks Blocks_Of(const TMap_Record& map);

 private:
  // A block of the index's scripts, kept as where it lies in the index: a collection's every map
  // has one, so copies of them all would cost more than the index itself.
  struct TIndexed_Block {
    const TArchive_Facts* Archive;
    const TArena_Info* Info;
  };
  struct TDirectory {
    std::unordered_map<std::string, TIndexed_Block> Archives;  // by upper-cased map name
    std::string Active_Arena_File;
    std::unordered_map<std::string, TMap_Arena_Block> Active;
  };
  const TDirectory& Directory_Of(const std::string& mod);

  const TGame_Index& Index_;
  std::string Game_Dir_;
  std::unordered_map<std::string, TDirectory> Directories_;  // by lower-cased MOD directory
};

// Gives each map the game types, bots and limits (frag limit; time and capture limits where the
// block gives a number) of the block the game reads for it, or, when an active arena file does
// not name it, of its archives' block; only a block naming a game type and a frag limit that is a
// number counts. For maps the database records for the first time. Returns how many it changed.
int Take_Arena_Settings_Of_New_Maps(const TGame_Index& index, const std::string& game_dir,
                                    const std::vector<TMap_Record*>& maps);
// The same with the blocks of the MOD directories given by `walk` (in the game's order for each
// directory, as TGame_Index::Arenas_Read or Walk_Arenas_Read_In_File give them); -1 when the walk
// fails, and then maps may have taken blocks met before the failure.
using TArenas_Walk =
    std::function<bool(const std::vector<std::string>& directories,
                       const std::vector<std::string>& bases, const TGame_Index::TArena_Visit&)>;
int Take_Arena_Settings_Of_New_Maps(const TArenas_Walk& walk, const std::string& game_dir,
                                    const std::vector<TMap_Record*>& maps);

}  // namespace vorlix
