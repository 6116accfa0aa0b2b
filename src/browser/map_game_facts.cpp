#include "browser/map_game_facts.h"

#include <algorithm>

#include "browser/map_search.h"
#include "core/game_types.h"
#include "core/letter_case.h"
#include "database/game_index.h"
#include "database/records.h"

namespace vorlix {

TMap_Game_Facts::TMap_Game_Facts(const TGame_Index& index,
                                 const std::vector<const TMap_Record*>& maps) {
  // What each MOD directory's search path gives: the bot files and the game types of each map's
  // first block, by upper-cased map name.
  struct TDirectory {
    std::unordered_map<std::string, bool> Bot_Files;
    std::unordered_map<std::string, std::uint8_t> Types;
  };
  std::unordered_map<std::string, TDirectory> directories;
  const auto directory_of = [&](const std::string& mod) -> const TDirectory& {
    const std::string key = platform::Lower(mod);
    const auto found = directories.find(key);
    if (found != directories.end()) {
      return found->second;
    }
    TDirectory& directory = directories[key];
    for (const TArchive_Facts* archive : index.Search_Order(key, Base_Directories())) {
      for (const auto& stem : archive->Bot_Files) {
        directory.Bot_Files.emplace(stem, true);
      }
    }
    for (const auto& [archive, info] : index.Arenas_Read(key, Base_Directories())) {
      directory.Types.emplace(platform::Upper(info->Value("map")),
                              Read_Game_Type_Words(info->Value("type")));
    }
    return directory;
  };
  Maps_ = maps;
  Facts_.resize(maps.size());
  Position_.reserve(maps.size());
  for (std::size_t i = 0; i < maps.size(); ++i) {
    const TMap_Record* map = maps[i];
    if (map == nullptr || map->PK3 == nullptr) {
      continue;
    }
    const TDirectory& directory = directory_of(map->PK3->MOD_Directory);
    const std::string stem = platform::Map_Stem(map->MAP_Filename);
    const auto types = directory.Types.find(stem);
    Facts_[i].Types = types != directory.Types.end() ? types->second : 0;
    Facts_[i].Bot_File = directory.Bot_Files.count(stem) != 0;
    Position_.emplace(map, i);
  }
}

const TMap_Game_Facts::TFacts* TMap_Game_Facts::Find(const TMap_Record& map,
                                                     std::size_t position) const {
  if (position < Maps_.size() && Maps_[position] == &map) {
    return &Facts_[position];
  }
  const auto found = Position_.find(&map);
  return found != Position_.end() ? &Facts_[found->second] : nullptr;
}

std::uint8_t TMap_Game_Facts::Script_Types(const TMap_Record& map, std::size_t position) const {
  const TFacts* facts = Find(map, position);
  return facts != nullptr ? facts->Types : 0;
}

bool TMap_Game_Facts::Bot_File(const TMap_Record& map, std::size_t position) const {
  const TFacts* facts = Find(map, position);
  return facts != nullptr && facts->Bot_File;
}

std::uint8_t Map_Game_Types(const TMap_Record& map, const TMap_Game_Facts* game,
                            std::size_t position) {
  return static_cast<std::uint8_t>(map.Game_Types |
                                   (game != nullptr ? game->Script_Types(map, position) : 0));
}

bool Made_For_Game_Type(const TMap_Record& map, std::uint8_t type_bit, const TMap_Game_Facts* game,
                        std::size_t position) {
  return (Map_Game_Types(map, game, position) & type_bit) != 0;
}

bool Bots_Possible(const TMap_Record& map, const TMap_Game_Facts* game, std::size_t position) {
  return map.Has_AAS || (game != nullptr && game->Bot_File(map, position));
}

}  // namespace vorlix
