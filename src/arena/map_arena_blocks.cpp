#include "arena/map_arena_blocks.h"

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

namespace {

std::string Map_Key(const std::string& map_file) {
  std::string stem = platform::Upper(map_file);
  if (stem.size() > 4 && stem.compare(stem.size() - 4, 4, ".BSP") == 0) {
    stem.resize(stem.size() - 4);
  }
  return stem;
}

}  // namespace

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
    directory.Archives.emplace(
        platform::Upper(info->Value("map")),
        TMap_Arena_Block{archive->MOD_Directory + "/" + archive->PK3_Filename + ": " + info->Script,
                         *info});
  }
  if (Game_Dir_.empty()) {
    return directory;
  }
  const std::string mod_dir = Arena_MOD_Directory(Game_Dir_, platform::Upper(key));
  if (auto active = Active_Arena_Script(mod_dir)) {
    directory.Active_Arena_File = key + "/" + active->File_Name;
    for (auto& info : Parse_Arena_Infos(active->Script, Arena_Script_Entry)) {
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
  const std::string key = Map_Key(map.MAP_Filename);
  if (const auto found = directory.Archives.find(key); found != directory.Archives.end()) {
    blocks.Archives = found->second;
  }
  blocks.Active_Arena_File = directory.Active_Arena_File;
  if (const auto found = directory.Active.find(key); found != directory.Active.end()) {
    blocks.Active = found->second;
  }
  return blocks;
}

int Take_Arena_Settings_Of_New_Maps(const TGame_Index& index, const std::string& game_dir,
                                    const std::vector<TMap_Record*>& maps) {
  TMap_Arena_Finder finder(index, game_dir);
  int changed = 0;
  for (TMap_Record* map : maps) {
    if (map == nullptr) {
      continue;
    }
    const TMap_Arena_Blocks blocks = finder.Blocks_Of(*map);
    const TMap_Arena_Block* block = blocks.Active     ? &*blocks.Active
                                    : blocks.Archives ? &*blocks.Archives
                                                      : nullptr;
    if (block != nullptr && Take_Arena_Info_Settings(*map, block->Block)) {
      ++changed;
    }
  }
  return changed;
}

}  // namespace vorlix
