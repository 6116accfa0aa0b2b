#include "arena/arena_import.h"

#include <filesystem>
#include <system_error>
#include <unordered_map>

#include "arena/arena_names.h"
#include "core/fs_routines.h"
#include "core/interaction.h"
#include "core/letter_case.h"
#include "core/paths.h"
#include "core/text.h"
#include "database/archive_facts.h"
#include "database/records.h"
#include "database/stream.h"
#include "database/zip_archive.h"

namespace vorlix {

namespace {

// The MOD directory the archive lies in directly, or nullopt when it does not lie directly in a
// sub-directory of the game directory.
std::optional<std::string> MOD_Of(const std::string& pk3_file, const std::string& game_dir) {
  const std::string folder = platform::Parent(platform::Normal_Path(pk3_file));
  const std::string game = platform::Normal_Path(game_dir);
  if (folder.size() < game.size() + 2 || !platform::Starts_With_Ignore_Case(folder, game)) {
    return std::nullopt;
  }
  std::string rest = folder.substr(game.size());
  if (rest.front() != '/' && rest.front() != '\\' && game != "/") {
    return std::nullopt;
  }
  while (!rest.empty() && (rest.front() == '/' || rest.front() == '\\')) {
    rest.erase(0, 1);
  }
  if (rest.empty() || rest.find_first_of("/\\") != std::string::npos) {
    return std::nullopt;
  }
  return rest;
}

}  // namespace

TArena_Settings Arena_Settings_Of(const TArena_Block& block) {
  TArena_Settings settings;
  settings.Fraglimit = Text_To_Number(block.Fraglimit);
  settings.Bots = Determine_Bots(block.Bots);
  settings.Game_Types = Read_Game_Type_Words(block.Type);
  return settings;
}

TArena_Settings Arena_Settings_Of(const TMap_Record& map) {
  return {map.Assigned_Bots, map.Limits_Frags, map.Game_Types};
}

void Set_Arena_Settings(TMap_Record& map, const TArena_Settings& settings) {
  map.Assigned_Bots = settings.Bots;
  map.Limits_Frags = settings.Fraglimit;
  map.Game_Types = settings.Game_Types;
}

bool Take_Arena_Info_Settings(TMap_Record& map, const TArena_Info& info) {
  const TArena_Block block = Arena_Block_Of(info);
  if (Trim(block.Type).empty()) {
    return false;
  }
  TArena_Settings settings;
  try {
    settings = Arena_Settings_Of(block);
  } catch (const TConversion_Error&) {
    return false;
  }
  bool changed = Arena_Settings_Of(map) != settings;
  Set_Arena_Settings(map, settings);
  for (const auto& [key, field] :
       {std::pair<const char*, std::int32_t TMap_Record::*>{"timelimit", &TMap_Record::Limits_Time},
        {"capturelimit", &TMap_Record::Limits_Captures}}) {
    try {
      const std::string value = info.Value(key);
      if (const int number = Text_To_Number(value); !Trim(value).empty() && number >= 0) {
        changed = changed || map.*field != number;
        map.*field = number;
      }
    } catch (const TConversion_Error&) {
      // a value that is no number leaves the limit as it is
    }
  }
  return changed;
}

TMap_Record* Arena_Block_Target(const TPK3_Record_Store& database, const std::string& mod,
                                const std::string& map_name) {
  const std::string upper_mod = platform::Upper(mod);
  const std::string upper_map = platform::Upper(map_name);
  for (int p = database.Count() - 1; p >= 0; --p) {
    const TPK3_Record* pk3 = database.Items(p);
    if (!pk3->Present || platform::Upper(pk3->MOD_Directory) != upper_mod || !pk3->Maps) {
      continue;
    }
    for (int m = 0; m < pk3->Maps->Count(); ++m) {
      TMap_Record* map = pk3->Maps->Items(m);
      if (platform::Upper(Remove_Extension(map->MAP_Filename)) == upper_map) {
        return map;
      }
    }
  }
  return nullptr;
}

TArena_Import_Changes Arena_Import_Changes(const TPK3_Record_Store& database,
                                           const std::string& mod,
                                           const std::vector<TArena_Block>& blocks) {
  TArena_Import_Changes changes;
  std::unordered_map<TMap_Record*, std::size_t> position;
  for (const auto& block : blocks) {
    TMap_Record* target = Arena_Block_Target(database, mod, block.Map);
    if (target == nullptr) {
      continue;
    }
    TArena_Settings after = Arena_Settings_Of(block);
    const auto [place, added] = position.emplace(target, changes.size());
    if (added) {
      changes.push_back({target, Arena_Settings_Of(*target), std::move(after)});
    } else {
      changes[place->second].After = std::move(after);
    }
  }
  std::erase_if(changes,
                [](const TArena_Import_Change& change) { return change.Before == change.After; });
  return changes;
}

void Apply_Arena_Import(const TArena_Import_Changes& changes, bool undo) {
  for (const auto& change : changes) {
    Set_Arena_Settings(*change.Map, undo ? change.Before : change.After);
  }
}

std::string Describe_Arena_Import(const TArena_Import_Changes& changes, const std::string& mod) {
  const auto maps = [](std::size_t count) {
    return std::to_string(count) + (count == 1 ? " map" : " maps");
  };
  std::size_t types = 0;
  std::size_t bots = 0;
  std::size_t frags = 0;
  for (const auto& change : changes) {
    types += change.Before.Game_Types != change.After.Game_Types ? 1 : 0;
    bots += change.Before.Bots != change.After.Bots ? 1 : 0;
    frags += change.Before.Fraglimit != change.After.Fraglimit ? 1 : 0;
  }
  std::string what;
  for (const auto& [count, name] : {std::pair<std::size_t, const char*>{types, "game types"},
                                    {bots, "bots"},
                                    {frags, "frag limit"}}) {
    if (count != 0) {
      what += (what.empty() ? "" : ", ") + std::string(name) + " of " + std::to_string(count);
    }
  }
  std::string text = maps(changes.size()) + " of " + mod + " (" + what + ")";
  std::vector<std::string> names;
  names.reserve(changes.size());
  for (const auto& change : changes) {
    names.push_back(platform::Lower(Remove_Extension(change.Map->MAP_Filename)));
  }
  return names.empty() ? text : text + ": " + Some_Of(names);
}

TArena_Import_Changes Import_Arena_File_From(const std::string& chosen_file,
                                             const std::string& game_dir,
                                             const std::string& temp_dir,
                                             TPK3_Record_Store& database, TInteraction& ui,
                                             TImport_Question question) {
  const std::string pk3_file = platform::Normal_Path(chosen_file);
  const auto mod = MOD_Of(pk3_file, game_dir);
  if (!mod) {
    ui.Message(TMessage_Kind::Error, "You must select a pk3-file within a Q3A mod directory.",
               TAnswer_Set::OK);
    return {};
  }
  TArena_Import_Changes changes;
  try {
    const auto notice =
        ui.Notice("Please wait...", Format_Message("Opening pk3-file %s", pk3_file));
    TZip_Archive zip;
    zip.Set_Zip_Filename(pk3_file);
    int script = -1;
    for (int i = 0; i < zip.Count() && script < 0; ++i) {
      if (platform::Equal_Ignore_Case(zip.Entry(i).Name, Arena_Script_Entry)) {
        script = i;
      }
    }
    for (int i = 0; i < zip.Count() && script < 0; ++i) {
      if (platform::Equal_Ignore_Case(zip.Entry(i).Name, Arena_Script_Entry_Inactive)) {
        script = i;
      }
    }
    if (script < 0) {
      ui.Message(TMessage_Kind::Error,
                 Format_Message("There is no Arena File within %s.", pk3_file), TAnswer_Set::OK);
      return {};
    }
    const std::string stored = zip.Entry(script).Name;
    std::error_code ec;
    if (std::filesystem::exists(temp_dir, ec)) {
      Delete_Directory_Tree(temp_dir);
    }
    std::filesystem::create_directories(temp_dir, ec);  // under the name the caller gives
    if (!std::filesystem::is_directory(temp_dir, ec)) {
      throw TFile_Error("Couldn't create the folder " + temp_dir + ".");
    }
    const TZip_Extraction extraction = zip.Extract({stored}, temp_dir, false);
    if (!extraction.Skipped.empty()) {
      throw TZip_Error(extraction.Failure_Text(pk3_file));
    }
    const std::string text =
        Read_Whole_File(platform::Join(temp_dir, stored.substr(stored.rfind('/') + 1)));
    changes = Arena_Import_Changes(database, *mod, Read_Arena_Blocks(text));
  } catch (const std::exception&) {
    ui.Message(TMessage_Kind::Error, Format_Message("Error opening pk3-file %s.", pk3_file),
               TAnswer_Set::OK);
    return {};
  }
  if (changes.empty()) {
    ui.Message(TMessage_Kind::Information,
               "The Arena File " + pk3_file + " changes no map of " + *mod + ".", TAnswer_Set::OK);
    return {};
  }
  if (question == TImport_Question::Ask &&
      ui.Message(TMessage_Kind::Confirmation,
                 "Importing the Arena File " + pk3_file + " changes " +
                     Describe_Arena_Import(changes, *mod) +
                     ".\n\nImport it? Edit > Undo takes it back.",
                 TAnswer_Set::Yes_No) != TAnswer::Yes) {
    return {};
  }
  Apply_Arena_Import(changes);
  ui.Message(TMessage_Kind::Information, Format_Message("Arena File imported from %s.", pk3_file),
             TAnswer_Set::OK);
  return changes;
}

TArena_Import_Changes Run_Arena_Import(const std::string& game_dir, const std::string& temp_dir,
                                       TPK3_Record_Store& database, TInteraction& ui,
                                       TImport_Question question) {
  TFile_Request request;
  request.Save = false;
  request.Title = "Import Arena File from...";
  request.Filter = "PK3-files (*.pk3)";
  request.Initial_Dir = game_dir;
  request.Initial_Name = "";
  const auto chosen = ui.Choose_File(request);
  if (!chosen) {
    return {};
  }
  return Import_Arena_File_From(*chosen, game_dir, temp_dir, database, ui, question);
}

}  // namespace vorlix
