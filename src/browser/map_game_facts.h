#pragma once
// What the game's own files say of maps, and the one rule of whether a map is made for a game
// type, which the search's filter and a hosted server's rotation both follow.

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace vorlix {

class TGame_Index;
class TMap_Record;

// What the game's own files say of maps: the game types named by the `type` of each map's own
// arena block (the block the game reads for it) and whether any archive the game searches for the
// map (its MOD directory's, then the base directory's) holds its bot file. Made once for a set of
// maps; asking for a map it was not made for gives nothing.
class TMap_Game_Facts {
 public:
  TMap_Game_Facts(const TGame_Index& index, const std::vector<const TMap_Record*>& maps);
  // Game_Types bits of the `type` words of the map's own arena block; 0 without one. `position`
  // may name the map's place in the list the facts were made for (asked first, then the table).
  std::uint8_t Script_Types(const TMap_Record& map, std::size_t position = npos) const;
  // Whether an archive of the map's search path holds maps/NAME.aas.
  bool Bot_File(const TMap_Record& map, std::size_t position = npos) const;

  static constexpr std::size_t npos = static_cast<std::size_t>(-1);

 private:
  struct TFacts {
    std::uint8_t Types = 0;
    bool Bot_File = false;
  };
  const TFacts* Find(const TMap_Record& map, std::size_t position) const;

  std::vector<const TMap_Record*> Maps_;
  std::vector<TFacts> Facts_;  // by position in Maps_
  std::unordered_map<const TMap_Record*, std::size_t> Position_;
};

// The game types a map is made for, as Game_Types bits: its own, and with the game's facts those
// of its arena block.
std::uint8_t Map_Game_Types(const TMap_Record& map, const TMap_Game_Facts* game = nullptr,
                            std::size_t position = TMap_Game_Facts::npos);
// Whether the map is made for the game type (one Game_Types bit), by Map_Game_Types: the rule of
// the search's game-type filter and of a hosted server's rotation alike.
bool Made_For_Game_Type(const TMap_Record& map, std::uint8_t type_bit,
                        const TMap_Game_Facts* game = nullptr,
                        std::size_t position = TMap_Game_Facts::npos);
// Whether bots can play the map: it has a bot file (with the game's facts: in any archive the game
// searches for it).
bool Bots_Possible(const TMap_Record& map, const TMap_Game_Facts* game = nullptr,
                   std::size_t position = TMap_Game_Facts::npos);

}  // namespace vorlix
