#pragma once
// The game's arena script (scripts/arenas.txt): the writer used for the program's arena files
// and the values of its blocks that the import takes, read as the engine reads them.
//
// Written format, one block per map, lines ended by CR LF:
//   {
//   map            "q3dm17"
//   bots           "sarge grunt"
//   longname       "The Longest Yard"
//   special        "Training"          (q3dm0 "Introduction" and q3tourney6 only)
//   fraglimit      "20"
//   type           "ffa tourney"
//   }
//   (empty line)
// Keys are padded with blanks to 15 characters; values are written unescaped between quotes.

#include <cstdint>
#include <string>
#include <vector>

#include "core/game_types.h"

namespace vorlix {

class TMap_Record;

// True when a map of the branch goes into the arena script of a MOD (upper case): its archive
// lies in that MOD's directory or in BASEQ3, the MOD is among its useable MODs, and the map
// allows inclusion. A map without archive record never qualifies.
bool Map_Belongs_In_Arena_Script(const TMap_Record& map, const std::string& mod);

// The block of one map, CR LF line ends, the empty line after it included.
std::string Make_Arena_Block(const TMap_Record& map);

// The whole script for a MOD: the blocks of the qualifying maps in the order given.
std::string Make_Arena_Script(const std::vector<TMap_Record*>& maps, const std::string& mod);

// ---- Reading
// -------------------------------------------------------------------------------------

struct TArena_Info;

// The values of one block that the import uses (longname, special and unknown keys are dropped).
struct TArena_Block {
  std::string Map;
  std::string Bots;
  std::string Fraglimit;
  std::string Type;
  bool operator==(const TArena_Block&) const = default;
};

// The values the import uses of a block as the engine parses it.
TArena_Block Arena_Block_Of(const TArena_Info& info);

// The blocks of a script as the engine parses them (Parse_Arena_Blocks), in file order: those that
// name a map and a type (values not only blanks).
std::vector<TArena_Block> Read_Arena_Blocks(const std::string& text);

// The bot names of a bots value: the value trimmed, cut at each single blank; empty pieces are
// left out, letter case kept.
std::vector<std::string> Determine_Bots(const std::string& bots_value);

}  // namespace vorlix
