#include "arena/arena_import.h"

#include <filesystem>
#include <system_error>

#include "arena/arena_names.h"
#include "core/fs_routines.h"
#include "core/interaction.h"
#include "core/letter_case.h"
#include "core/paths.h"
#include "core/text.h"
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

bool Apply_Arena_Block(TPK3_Record_Store& database, const std::string& mod,
                       const TArena_Block& block) {
  const std::string upper_mod = platform::Upper(mod);
  const std::string upper_map = platform::Upper(block.Map);
  TMap_Record* target = nullptr;
  for (int p = database.Count() - 1; p >= 0 && target == nullptr; --p) {
    const TPK3_Record* pk3 = database.Items(p);
    if (!pk3->Present || platform::Upper(pk3->MOD_Directory) != upper_mod || !pk3->Maps) {
      continue;
    }
    for (int m = 0; m < pk3->Maps->Count(); ++m) {
      TMap_Record* map = pk3->Maps->Items(m);
      if (platform::Upper(Remove_Extension(map->MAP_Filename)) == upper_map) {
        target = map;
        break;
      }
    }
  }
  if (target == nullptr) {
    return false;
  }
  // Everything is worked out before anything is assigned: a block applies as a whole.
  TArena_Settings settings = Arena_Settings_Of(block);
  target->Assigned_Bots = std::move(settings.Bots);
  target->Limits_Frags = settings.Fraglimit;
  target->Game_Types = settings.Game_Types;
  return true;
}

void Import_Arena_File_From(const std::string& chosen_file, const std::string& game_dir,
                            const std::string& temp_dir, TPK3_Record_Store& database,
                            TInteraction& ui) {
  const std::string pk3_file = platform::Normal_Path(chosen_file);
  const auto mod = MOD_Of(pk3_file, game_dir);
  if (!mod) {
    ui.Message(TMessage_Kind::Error, "You must select a pk3-file within a Q3A mod directory.",
               TAnswer_Set::OK);
    return;
  }
  const auto notice = ui.Notice("Please wait...", Format_Message("Opening pk3-file %s", pk3_file));
  try {
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
      return;
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
    for (const auto& block : Read_Arena_Blocks(text)) {
      Apply_Arena_Block(database, *mod, block);
    }
    ui.Message(TMessage_Kind::Information, Format_Message("Arena File imported from %s.", pk3_file),
               TAnswer_Set::OK);
  } catch (const std::exception&) {
    ui.Message(TMessage_Kind::Error, Format_Message("Error opening pk3-file %s.", pk3_file),
               TAnswer_Set::OK);
  }
}

void Run_Arena_Import(const std::string& game_dir, const std::string& temp_dir,
                      TPK3_Record_Store& database, TInteraction& ui) {
  TFile_Request request;
  request.Save = false;
  request.Title = "Import Arena File from...";
  request.Filter = "PK3-files (*.pk3)";
  request.Initial_Dir = game_dir;
  request.Initial_Name = "";
  const auto chosen = ui.Choose_File(request);
  if (!chosen) {
    return;
  }
  Import_Arena_File_From(*chosen, game_dir, temp_dir, database, ui);
}

}  // namespace vorlix
