#include "arena/map_arena_blocks.h"

#include <algorithm>
#include <map>

#include "arena/arena_import.h"
#include "arena/arena_names.h"
#include "arena/arena_outranking.h"
#include "arena/arena_script.h"
#include "core/letter_case.h"
#include "core/text.h"
#include "database/game_index.h"
#include "database/records.h"
#include "database/stream.h"

namespace vorlix {

namespace {}  // namespace

const TMap_Arena_Block* TMap_Arena_Blocks::Read_Now() const {
  if (!Active_Arena_File.empty()) {
    return Active ? &*Active : nullptr;
  }
  return Archives ? &*Archives : nullptr;
}

TMap_Arena_Finder::TMap_Arena_Finder(const TGame_Index& index, std::string game_dir)
    : Index_(index), Game_Dir_(std::move(game_dir)) {}

const TMap_Arena_Finder::TDirectory& TMap_Arena_Finder::Directory_Of(const std::string& mod) {
  const std::string key = platform::Lower(mod);
  if (const auto found = Directories_.find(key); found != Directories_.end()) {
    return found->second;
  }
  TDirectory& directory = Directories_[key];
  // The first block of a map name is the one the game takes.
  for (const auto& [archive, info] : Index_.Arenas_Read(key, Base_Directories())) {
    directory.Archives.emplace(platform::Upper(info->Value("map")), TIndexed_Block{archive, info});
  }
  if (Game_Dir_.empty()) {
    return directory;
  }
  const std::string mod_dir = Arena_MOD_Directory(Game_Dir_, platform::Upper(key));
  if (auto active = Active_Arena_Script(mod_dir)) {
    directory.Active_Arena_File = key + "/" + active->File_Name;
    for (auto& info : Parse_Arena_Blocks(active->Script, Arena_Script_Entry)) {
      std::string key = platform::Upper(info.Value("map"));
      std::string source = directory.Active_Arena_File + ": " + info.Script;
      directory.Active.emplace(std::move(key),
                               TMap_Arena_Block{std::move(source), std::move(info)});
    }
  }
  return directory;
}

TMap_Arena_Blocks TMap_Arena_Finder::Blocks_Of(const TMap_Record& map) {
  TMap_Arena_Blocks blocks;
  if (map.PK3 == nullptr) {
    return blocks;
  }
  const TDirectory& directory = Directory_Of(map.PK3->MOD_Directory);
  const std::string key = platform::Map_Stem(map.MAP_Filename);
  if (const auto found = directory.Archives.find(key); found != directory.Archives.end()) {
    const auto& [archive, info] = found->second;
    blocks.Archives = TMap_Arena_Block{
        archive->MOD_Directory + "/" + archive->PK3_Filename + ": " + info->Script, *info};
  }
  blocks.Active_Arena_File = directory.Active_Arena_File;
  if (const auto found = directory.Active.find(key); found != directory.Active.end()) {
    blocks.Active = found->second;
  }
  return blocks;
}

int Take_Arena_Settings_Of_New_Maps(const TArenas_Walk& walk, const std::string& game_dir,
                                    const std::vector<TMap_Record*>& maps) {
  // On a first start every map of a collection is new: the maps are sorted by name within their
  // MOD directory, and each block the game reads there finds its maps among them, so that no
  // table of every block is held.
  struct TWanted {
    std::string Key;
    TMap_Record* Map;
    bool Decided;
  };
  std::map<std::string, std::vector<TWanted>> by_directory;  // by lower-cased MOD directory
  for (TMap_Record* map : maps) {
    if (map != nullptr && map->PK3 != nullptr) {
      by_directory[platform::Lower(map->PK3->MOD_Directory)].push_back(
          {platform::Map_Stem(map->MAP_Filename), map, false});
    }
  }
  int changed = 0;
  // The first block naming a map decides for it, whether it counts or not.
  const auto take = [&changed](std::vector<TWanted>& wanted, const TArena_Info& block) {
    const std::string key = platform::Upper(block.Value("map"));
    auto it = std::lower_bound(wanted.begin(), wanted.end(), key,
                               [](const TWanted& w, const std::string& k) { return w.Key < k; });
    for (; it != wanted.end() && it->Key == key; ++it) {
      if (!it->Decided) {
        it->Decided = true;
        changed += Take_Arena_Info_Settings(*it->Map, block) ? 1 : 0;
      }
    }
  };
  std::vector<std::string> directories;
  for (auto& [directory, wanted] : by_directory) {
    directories.push_back(directory);
    std::sort(wanted.begin(), wanted.end(),
              [](const TWanted& a, const TWanted& b) { return a.Key < b.Key; });
    // An active arena file's block comes first; a map it does not name takes its archives'.
    if (!game_dir.empty()) {
      const std::string mod_dir = Arena_MOD_Directory(game_dir, platform::Upper(directory));
      if (const auto active = Active_Arena_Script(mod_dir)) {
        for (const TArena_Info& info : Parse_Arena_Blocks(active->Script, Arena_Script_Entry)) {
          take(wanted, info);
        }
      }
    }
  }
  if (!walk(directories, Base_Directories(),
            [&](const std::string& directory, const TArchive_Facts&, const TArena_Info& block) {
              take(by_directory[directory], block);
            })) {
    return -1;
  }
  return changed;
}

int Take_Arena_Settings_Of_New_Maps(const TGame_Index& index, const std::string& game_dir,
                                    const std::vector<TMap_Record*>& maps) {
  return Take_Arena_Settings_Of_New_Maps(
      [&index](const std::vector<std::string>& directories, const std::vector<std::string>& bases,
               const TGame_Index::TArena_Visit& visit) {
        for (const std::string& directory : directories) {
          for (const auto& [archive, info] : index.Arenas_Read(directory, bases)) {
            visit(directory, *archive, *info);
          }
        }
        return true;
      },
      game_dir, maps);
}

}  // namespace vorlix
