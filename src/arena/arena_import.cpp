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

std::string Normal_Path(const std::string& path) {
  std::error_code ec;
  std::filesystem::path p = std::filesystem::absolute(std::filesystem::path(path), ec);
  if (ec) {
    p = std::filesystem::path(path);
  }
  return platform::Without_Trailing_Separator(p.lexically_normal().string());
}

// The MOD directory the archive lies in directly, or nullopt when it does not lie directly in a
// sub-directory of the game directory.
std::optional<std::string> MOD_Of(const std::string& pk3_file, const std::string& game_dir) {
  const std::string folder = platform::Parent(Normal_Path(pk3_file));
  const std::string game = Normal_Path(game_dir);
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
  settings.Fraglimit = Text_zu_Zahl(block.Fraglimit);
  settings.Bots = Ermittle_Bots(block.Bots);
  settings.Game_Types = Ermittle_Spieltypen(block.Type);
  return settings;
}

bool Wende_Arena_Block_an(TPK3_Dateien_Verwaltung& database, const std::string& mod,
                          const TArena_Block& block) {
  const std::string upper_mod = platform::Upper(mod);
  const std::string upper_map = platform::Upper(block.Map);
  TMAP_Datei_Eintrag* target = nullptr;
  for (int p = database.Count() - 1; p >= 0 && target == nullptr; --p) {
    const TPK3_Datei_Eintrag* pk3 = database.Items(p);
    if (!pk3->Present || platform::Upper(pk3->MOD_Directory) != upper_mod || !pk3->Maps) {
      continue;
    }
    for (int m = 0; m < pk3->Maps->Count(); ++m) {
      TMAP_Datei_Eintrag* map = pk3->Maps->Items(m);
      if (platform::Upper(Entferne_Dateiendung(map->MAP_Filename)) == upper_map) {
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

void Importiere_Arena_File_aus(const std::string& chosen_file, const std::string& game_dir,
                               const std::string& temp_dir, TPK3_Dateien_Verwaltung& database,
                               TInteraction& ui) {
  const std::string pk3_file = Normal_Path(chosen_file);
  const auto mod = MOD_Of(pk3_file, game_dir);
  if (!mod) {
    ui.Message(Message_Kind::Error, "You must select a pk3-file within a Q3A mod directory.",
               Button_Set::OK);
    return;
  }
  const auto notice = ui.Notice("Please wait...", Format_Message("Opening pk3-file %s", pk3_file));
  try {
    Zip_Archive zip;
    zip.Set_ZipFilename(pk3_file);
    int script = -1;
    for (int i = 0; i < zip.Count() && script < 0; ++i) {
      if (platform::Equal_Ignore_Case(zip.Entry(i).FileName, Arena_Script_Eintrag)) {
        script = i;
      }
    }
    for (int i = 0; i < zip.Count() && script < 0; ++i) {
      if (platform::Equal_Ignore_Case(zip.Entry(i).FileName, Arena_Script_Eintrag_inaktiv)) {
        script = i;
      }
    }
    if (script < 0) {
      ui.Message(Message_Kind::Error, Format_Message("There is no Arena File within %s.", pk3_file),
                 Button_Set::OK);
      return;
    }
    const std::string stored = zip.Entry(script).FileName;
    std::error_code ec;
    if (std::filesystem::exists(temp_dir, ec)) {
      Loesche_Verzeichnisbaum(temp_dir);
    }
    std::filesystem::create_directories(temp_dir, ec);  // under the name the caller gives
    if (!std::filesystem::is_directory(temp_dir, ec)) {
      throw TFile_Error("Couldn't create the folder " + temp_dir + ".");
    }
    const Zip_Extraction extraction = zip.Extract({stored}, temp_dir, false);
    if (!extraction.Skipped.empty()) {
      throw TZip_Error(extraction.Failure_Text(pk3_file));
    }
    const std::string text =
        Read_Whole_File(platform::Join(temp_dir, stored.substr(stored.rfind('/') + 1)));
    for (const auto& block : Lese_Arena_Bloecke(text)) {
      Wende_Arena_Block_an(database, *mod, block);
    }
    ui.Message(Message_Kind::Information, Format_Message("Arena File imported from %s.", pk3_file),
               Button_Set::OK);
  } catch (const std::exception&) {
    ui.Message(Message_Kind::Error, Format_Message("Error opening pk3-file %s.", pk3_file),
               Button_Set::OK);
  }
}

void Importiere_Arena_File(const std::string& game_dir, const std::string& temp_dir,
                           TPK3_Dateien_Verwaltung& database, TInteraction& ui) {
  File_Request request;
  request.Save = false;
  request.Title = "Import Arena File from...";
  request.Filter = "PK3-files (*.pk3)";
  request.Initial_Dir = game_dir;
  request.Initial_Name = "";
  const auto chosen = ui.Choose_File(request);
  if (!chosen) {
    return;
  }
  Importiere_Arena_File_aus(*chosen, game_dir, temp_dir, database, ui);
}

}  // namespace vorlix
