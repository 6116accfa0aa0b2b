#include "arena/arena_files.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <map>
#include <string_view>
#include <system_error>
#include <unordered_set>

#include <unistd.h>

#include "arena/arena_script.h"
#include "arena/arena_vorrang.h"
#include "arena/game_index.h"
#include "core/case_lookup.h"
#include "core/fs_routines.h"
#include "core/interaction.h"
#include "core/letter_case.h"
#include "core/listing.h"
#include "core/paths.h"
#include "core/text.h"
#include "database/pk3_rename.h"
#include "database/records.h"
#include "database/zip_archive.h"

namespace vorlix {

namespace {

// The game reads arena scripts only when they are shorter than this.
constexpr std::size_t Game_Script_Limit = 8192;

// TEMP/scripts, created when missing (its new components in lower case).
std::string Prepare_Scripts_Folder(const std::string& temp_dir) {
  // The TEMP folder keeps the name the caller gives it (created components would otherwise come
  // out in lower case and the path given would not exist).
  std::string scripts = platform::Join(temp_dir, "scripts");
  std::error_code ec;
  std::filesystem::create_directories(scripts, ec);
  if (!std::filesystem::is_directory(scripts, ec)) {
    throw TFile_Error("Couldn't create the folder " + scripts + ".");
  }
  return scripts;
}

bool Delete_File(const std::string& path) {
  return ::unlink(path.c_str()) == 0;
}

// The path of a name in a directory as it exists on disk, or nullopt.
std::optional<std::string> Existing(const std::string& directory, const std::string& name) {
  const auto found = platform::Find_Ignore_Case(directory, name);
  if (!found) {
    return std::nullopt;
  }
  return platform::Join(directory, *found);
}

// Among names in listing order, the one that Existing finds for `name`: the first equal to it
// ignoring case.
std::optional<std::string> Named_Among(const std::vector<std::string>& names,
                                       const std::string& name) {
  const auto it = std::find_if(names.begin(), names.end(), [&](const std::string& candidate) {
    return platform::Equal_Ignore_Case(candidate, name);
  });
  return it == names.end() ? std::nullopt : std::optional<std::string>(*it);
}

// The name under which the deactivation renames an active file: its prefix, in
// whatever letter case, replaced by the inactive one.
std::string Inactive_Name_Of(const std::string& active_name) {
  return Erzeuge_inaktiven_generischen_Arena_File_Namen() +
         active_name.substr(Erzeuge_aktiven_generischen_Arena_File_Namen().size());
}

}  // namespace

// ---- Script entry inside an arena archive
// ------------------------------------------------------

bool Arena_Script_Eintrag_angleichen(const std::string& archive_path, bool active, bool* renamed) {
  try {
    Zip_Archive zip;
    zip.Set_ZipFilename(archive_path);
    int usual = -1;
    int inactive = -1;
    for (int i = 0; i < zip.Count(); ++i) {
      const std::string& name = zip.Entry(i).FileName;
      if (usual < 0 && platform::Equal_Ignore_Case(name, Arena_Script_Eintrag)) {
        usual = i;
      } else if (inactive < 0 && platform::Equal_Ignore_Case(name, Arena_Script_Eintrag_inaktiv)) {
        inactive = i;
      }
    }
    if (active && inactive >= 0 && usual < 0) {
      if (renamed != nullptr) {
        *renamed = true;
      }
      zip.Rename_Entry(inactive, Arena_Script_Eintrag);
    } else if (!active && usual >= 0 && inactive < 0) {
      if (renamed != nullptr) {
        *renamed = true;
      }
      zip.Rename_Entry(usual, Arena_Script_Eintrag_inaktiv);
    } else if (!active && usual >= 0) {
      return false;  // both names present: the archive cannot be made inactive
                     // without loss
    }
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

// ---- Activation and deactivation
// ---------------------------------------------------------------

void Alle_Arena_Files_deaktivieren_in(const std::string& directory) {
  const auto active_files =
      Suche_Arena_Muster(directory, Erzeuge_aktiven_generischen_Arena_File_Namen(), true);
  for (const auto& name : active_files) {
    const std::string target = platform::Join(directory, Inactive_Name_Of(name));
    if (Umbenennen_ohne_Ersetzen(platform::Join(directory, name), target)) {
      Arena_Script_Eintrag_angleichen(target, false);
    }
  }
}

void Arena_File_aktivieren(const std::string& directory, const std::string& file_name,
                           TInteraction& ui) {
  Alle_Arena_Files_deaktivieren_in(directory);
  const std::string arena_name = Extrahiere_Arena_Namen_aus_Arena_File_Namen(file_name);
  if (arena_name.empty()) {
    if (Entferne_Dateiendung(file_name) != Arena_Disabler_Name) {
      ui.Message(
          Message_Kind::Error,
          Format_Message("Fatal error: %s isn't a Vorlix PK3. Please report to author.", file_name),
          Button_Set::OK);
    }
    return;
  }
  std::string name = file_name;
  auto source = Existing(directory, name);
  if (!source) {
    if (!Existiert_Arena_File(directory, arena_name)) {
      ui.Message(Message_Kind::Error,
                 Format_Message(
                     "Fatal error: Arena File %s doesn't exist. Please report to author.", name),
                 Button_Set::OK);
      return;
    }
    name = Ist_Arena_File_aktiv(name) ? Erzeuge_inaktiven_Arena_File_Namen(arena_name)
                                      : Erzeuge_aktiven_Arena_File_Namen(arena_name);
    source = Existing(directory, name);
  }
  const std::string target =
      platform::Join(directory, Erzeuge_aktiven_Arena_File_Namen(arena_name));
  if (!source || !Umbenennen_ohne_Ersetzen(*source, target)) {
    ui.Message(Message_Kind::Error,
               Format_Message(
                   "Fatal error: Couldn't activate Arena File %s. Please report to author.", name),
               Button_Set::OK);
    return;
  }
  Arena_Script_Eintrag_angleichen(target, true);
}

// ---- Disabler archives
// ---------------------------------------------------------------------------

namespace {

// True when the archive holds an empty entry "scripts/" + name for every one of `names`.
bool Holds_Empty_Entries(const std::string& archive_path, const std::vector<std::string>& names) {
  try {
    Zip_Archive zip;
    zip.Set_ZipFilename(archive_path);
    std::unordered_set<std::string> empty;
    for (int i = 0; i < zip.Count(); ++i) {
      if (zip.Entry(i).Size64 == 0) {
        empty.insert(zip.Entry(i).FileName);
      }
    }
    return std::all_of(names.begin(), names.end(), [&empty](const std::string& name) {
      return empty.count("scripts/" + name) > 0;
    });
  } catch (const std::exception&) {
    return false;
  }
}

}  // namespace

void Arena_Disable_File_erzeugen(const TArena_Umgebung& env, const std::string& mod_dir,
                                 TInteraction& ui) {
  // Whatever an earlier, interrupted command left there must not go into the disabler (an arena
  // script among its entries would make it an arena file itself).
  Loesche_Verzeichnisbaum(platform::Join(env.Temp_Dir, "scripts"));
  const std::string scripts = Prepare_Scripts_Folder(env.Temp_Dir);
  if (env.Database == nullptr || env.Database->Count() == 0) {
    Loesche_Verzeichnisbaum(env.Temp_Dir);
    return;
  }
  // One entry per map record; a map name is a bare file name, anything that would leave the
  // folder is not written.
  std::vector<std::string> files;
  for (int p = 0; p < env.Database->Count(); ++p) {
    const TPK3_Datei_Eintrag* pk3 = env.Database->Items(p);
    if (!pk3->Maps) {
      continue;
    }
    for (int m = 0; m < pk3->Maps->Count(); ++m) {
      const std::string stem =
          platform::Lower(Entferne_Dateiendung(pk3->Maps->Items(m)->MAP_Filename));
      if (!stem.empty() && stem.find_first_of("/\\") == std::string::npos && stem != "." &&
          stem != "..") {
        files.push_back(stem + ".arena");
      } else {
        ui.Message(Message_Kind::Error,
                   "Fatal error: Couldn't create Disable-Files. Please report to author.",
                   Button_Set::OK);
      }
    }
  }
  const auto existing = platform::Find_Ignore_Case(mod_dir, Arena_Disabler_Dateiname());
  const std::string path =
      platform::Join(mod_dir, existing ? *existing : Arena_Disabler_Dateiname());
  // A disabler that already holds every entry stays as it is (adding them would rewrite it).
  if (existing && Holds_Empty_Entries(path, files)) {
    Loesche_Verzeichnisbaum(env.Temp_Dir);
    return;
  }
  for (const auto& file_name : files) {
    std::ofstream file(platform::Join(scripts, file_name), std::ios::binary | std::ios::trunc);
    if (!file) {
      ui.Message(Message_Kind::Error,
                 "Fatal error: Couldn't create Disable-Files. Please report to author.",
                 Button_Set::OK);
    }
  }
  Zip_Archive zip;
  zip.Set_ZipFilename(path);
  zip.Add(Zip_Archive::Files_Matching(env.Temp_Dir, "scripts/*.*"));
  Loesche_Verzeichnisbaum(env.Temp_Dir);
}

void Arena_Disabler_Files_erzeugen(const TArena_Umgebung& env, TInteraction& ui) {
  const std::vector<std::string> dirs = Arena_MOD_Verzeichnisse(env.Game_Dir, env.MODs);
  // What the game finds in the archives, read once when a directory needs it.
  std::shared_ptr<const TGame_Index> index;
  for (std::size_t i = 0; i < env.MODs.size(); ++i) {
    const std::string& dir = dirs[i];
    // One listing per MOD answers both questions: the disabler's name matches the pattern too.
    const auto names = Suche_Arena_Muster(dir, Erzeuge_generischen_Arena_File_Namen(), false);
    if (!Erstes_Arena_File_aus(names).empty()) {
      // A directory that cannot be written is reported; the other MODs still
      // get theirs.
      try {
        Arena_Disable_File_erzeugen(env, dir, ui);
      } catch (const std::exception& error) {
        ui.Message(Message_Kind::Error, error.what(), Button_Set::OK);
      }
      try {
        if (!index && env.Game_Index) {
          index = env.Game_Index();
        }
        if (!index && env.Database != nullptr) {
          index = std::make_shared<const TGame_Index>(Game_Index_Of(*env.Database));
        }
        Arena_Vorrang_File_erzeugen(env.Game_Dir, env.Temp_Dir, env.MODs[i], dir, index.get(), ui);
      } catch (const std::exception& error) {
        ui.Message(Message_Kind::Error, error.what(), Button_Set::OK);
      }
    } else {
      if (const auto disabler = Named_Among(names, Arena_Disabler_Dateiname())) {
        Delete_File(platform::Join(dir, *disabler));
      }
      for (const auto& name : Arena_Vorrang_File_loeschen(dir)) {
        ui.Message(Message_Kind::Warning,
                   Format_Message("%s in %s was not written by Vorlix and is left as it is.", name,
                                  env.MODs[i]),
                   Button_Set::OK);
      }
    }
  }
}

// ---- Start-up pass
// -------------------------------------------------------------------------------

namespace {

bool Is_Interrupted_Arena_Write(std::string_view name) {
  // The archive writer builds an archive as its name + "." + six letters or digits beside it and
  // renames it when complete; the game loads only names ending in ".pk3".
  constexpr std::string_view suffix = ".pk3.";
  constexpr std::size_t letters = 6;
  const std::string prefix = Erzeuge_generischen_Arena_File_Namen();
  if (name.size() < prefix.size() + suffix.size() + letters ||
      name.substr(0, prefix.size()) != prefix) {
    return false;
  }
  const std::size_t dot = name.size() - letters - suffix.size();
  if (!platform::Equal_Ignore_Case(std::string(name.substr(dot, suffix.size())),
                                   std::string(suffix))) {
    return false;
  }
  for (const char c : name.substr(name.size() - letters)) {
    if (std::isalnum(static_cast<unsigned char>(c)) == 0) {
      return false;
    }
  }
  return true;
}

}  // namespace

bool Pruefe_Arena_Files_beim_Start(const std::string& game_dir, const std::string& directory_name,
                                   TInteraction& ui, const std::string& temp_dir) {
  const std::string dir = platform::Join(game_dir, directory_name);
  // What a crash left of an arena archive being written goes first.
  if (const auto litter = platform::List_Names(dir, Is_Interrupted_Arena_Write)) {
    for (const auto& name : *litter) {
      Delete_File(platform::Join(dir, name));
    }
  }
  const auto names = Ermittle_Liste_aller_Arena_Files_in(dir);
  if (names.empty()) {
    return false;
  }
  bool wrote = false;
  int active = 0;
  for (const auto& name : names) {
    if (platform::Find_Ignore_Case(dir, Erzeuge_aktiven_Arena_File_Namen(name))) {
      ++active;
    }
  }
  if (active != 1) {
    const std::string first = Erstes_Arena_File_in_Verzeichnis(dir);
    if (!first.empty()) {
      wrote = true;
      Arena_File_aktivieren(dir, first, ui);
    }
  }
  for (const auto& name : Suche_Arena_Muster(dir, Erzeuge_generischen_Arena_File_Namen(), true)) {
    if (Ist_Arena_File_aktiv(name)) {
      Arena_Script_Eintrag_angleichen(platform::Join(dir, name), true, &wrote);
    } else if (Ist_Arena_File_inaktiv(name)) {
      Arena_Script_Eintrag_angleichen(platform::Join(dir, name), false, &wrote);
    }
  }
  if (!temp_dir.empty()) {
    try {
      // What is in the archive's place is told by the disabler step of the same start.
      static_cast<void>(Arena_Vorrang_Script_angleichen(temp_dir, dir));
    } catch (const std::exception& error) {
      ui.Message(Message_Kind::Error, error.what(), Button_Set::OK);
    }
  }
  return wrote;
}

// ---- Creation
// ------------------------------------------------------------------------------------

std::size_t Erzeuge_Arena_File(const TArena_Umgebung& env, const std::string& mod,
                               const std::string& mod_dir, const std::string& file_name,
                               const TArena_Zweig& branch, TInteraction& ui) {
  const std::string scripts = Prepare_Scripts_Folder(env.Temp_Dir);
  const std::string script = Erzeuge_Arena_Script(branch.Maps, mod);
  const std::string script_path = platform::Join(scripts, "arenas.txt");
  {
    std::ofstream file(script_path, std::ios::binary | std::ios::trunc);
    file.write(script.data(), static_cast<std::streamsize>(script.size()));
    file.close();
    if (!file) {
      throw TFile_Error("Couldn't write file " + script_path + ".");
    }
  }
  Zip_Archive zip;
  zip.Set_ZipFilename(platform::Join(mod_dir, file_name));
  zip.Add(Zip_Archive::Files_Matching(env.Temp_Dir, Arena_Script_Eintrag));
  ui.Message(Message_Kind::Information, Format_Message("Arena File has been created in %s.", mod),
             Button_Set::OK);
  if (script.size() >= Game_Script_Limit) {
    ui.Message(
        Message_Kind::Warning,
        Format_Message(
            "The Arena File in %s lists too many maps: the game ignores arena scripts of 8192 bytes or more.",
            mod),
        Button_Set::OK);
  }
  Loesche_Verzeichnisbaum(env.Temp_Dir);
  return script.size();
}

namespace {

// The creation work for one chosen MOD (a MOD whose dialog is cancelled or
// whose existing arena is kept is skipped).
void Create_For_MOD(const TArena_Umgebung& env, const TArena_Zweig& branch,
                    const std::string& listed_mod, bool first, TInteraction& ui) {
  const std::string mod = platform::Upper(listed_mod);
  std::optional<std::string> preset;
  if (first) {
    preset = std::string();
  }
  std::string arena_name;
  while (true) {
    const auto typed = ui.Specify_Arena_Name(mod, preset);
    if (!typed) {
      return;
    }
    preset.reset();
    const auto problem = Pruefe_Arena_Namen(*typed);
    if (!problem) {
      arena_name = *typed;
      break;
    }
    ui.Message(Message_Kind::Error, *problem, Button_Set::OK);
  }

  const std::string dir = Arena_MOD_Verzeichnis(env.Game_Dir, mod);
  const auto active = Existing(dir, Erzeuge_aktiven_Arena_File_Namen(arena_name));
  const auto inactive = Existing(dir, Erzeuge_inaktiven_Arena_File_Namen(arena_name));
  if (active || inactive) {
    if (ui.Message(
            Message_Kind::Confirmation,
            Format_Message(
                "Vorlix has already created this Arena File in %s. Do you want to overwrite it?",
                mod),
            Button_Set::Yes_No) != Answer::Yes) {
      return;
    }
    const bool deleted = (active && Delete_File(*active)) || (inactive && Delete_File(*inactive));
    if (!deleted) {
      ui.Message(Message_Kind::Confirmation,
                 Format_Message("Couldn't delete existing Arena File within %s.", mod),
                 Button_Set::OK);
      return;
    }
  }
  Alle_Arena_Files_deaktivieren_in(dir);
  Erzeuge_Arena_File(env, mod, dir, Erzeuge_aktiven_Arena_File_Namen(arena_name), branch, ui);
  Arena_Disabler_Files_erzeugen(env, ui);
}

void Activate_In_MOD(const TArena_Umgebung& env, const std::string& dir, TInteraction& ui) {
  Selection_Request request;
  request.Dialog = Selection_Dialog::Arena_File;
  request.Description = "Select an Arena File to activate.";
  request.Confirm_Caption = "Activate";
  request.Multi_Select = false;
  for (const auto& name : Ermittle_Liste_aller_Arena_Files_in(dir)) {
    if (!platform::Find_Ignore_Case(dir, Erzeuge_aktiven_Arena_File_Namen(name))) {
      request.Items.push_back(name);
    }
  }
  const auto chosen = ui.Select_Items(request);
  if (!chosen || chosen->empty()) {
    return;
  }
  const std::string& arena_name = request.Items.at(static_cast<std::size_t>(chosen->front()));
  const std::string active = Erzeuge_aktiven_Arena_File_Namen(arena_name);
  const std::string file = platform::Find_Ignore_Case(dir, active)
                               ? active
                               : Erzeuge_inaktiven_Arena_File_Namen(arena_name);
  Arena_File_aktivieren(dir, file, ui);
  // The set of archives is unchanged: the outranking archive needs only the new script.
  if (const auto problem = Arena_Vorrang_Script_angleichen(env.Temp_Dir, dir)) {
    ui.Message(Message_Kind::Error, *problem, Button_Set::OK);
  }
}

void Remove_In_MOD(const TArena_Umgebung& env, const std::string& dir, TInteraction& ui) {
  Selection_Request request;
  request.Dialog = Selection_Dialog::Arena_File;
  request.Description = "Select an Arena File to delete.";
  request.Confirm_Caption = "Delete";
  request.Multi_Select = true;
  request.Items = Ermittle_Liste_aller_Arena_Files_in(dir);
  const auto chosen = ui.Select_Items(request);
  if (!chosen) {
    return;
  }
  for (const int index : *chosen) {
    const std::string& arena_name = request.Items.at(static_cast<std::size_t>(index));
    const std::string active = Erzeuge_aktiven_Arena_File_Namen(arena_name);
    const std::string file = platform::Find_Ignore_Case(dir, active)
                                 ? active
                                 : Erzeuge_inaktiven_Arena_File_Namen(arena_name);
    if (ui.Message(Message_Kind::Confirmation,
                   Format_Message("Do you really want to delete the Arena File %s?",
                                  Extrahiere_Arena_Namen_aus_Arena_File_Namen(file)),
                   Button_Set::Yes_No) != Answer::Yes) {
      continue;
    }
    const auto path = Existing(dir, file);
    if (path && Delete_File(*path)) {
      ui.Message(Message_Kind::Information, "File successfully deleted.", Button_Set::OK);
    } else {
      ui.Message(Message_Kind::Error, "Couldn't delete file.", Button_Set::OK);
    }
    if (path) {
      const std::string first = Erstes_Arena_File_in_Verzeichnis(dir);
      if (!first.empty()) {
        Arena_File_aktivieren(dir, first, ui);
      }
    }
  }
  Arena_Disabler_Files_erzeugen(env, ui);
}

}  // namespace

TArena_Verfuegbarkeit Process_Arena_File(Arena_Modus mode, const TArena_Umgebung& env,
                                         const TArena_Zweig& branch, TInteraction& ui) {
  try {
    Selection_Request request;
    request.Dialog = Selection_Dialog::MOD;
    request.Items = env.MODs;
    if (request.Items.empty()) {
      ui.Message(Message_Kind::Error, "Fatal error: no MODs available. Please report to author.",
                 Button_Set::OK);
    } else {
      if (mode != Arena_Modus::Erzeugen) {
        std::vector<std::string> with_files;
        const std::vector<std::string> dirs = Arena_MOD_Verzeichnisse(env.Game_Dir, request.Items);
        for (std::size_t i = 0; i < dirs.size(); ++i) {
          if (!Suche_Arena_Muster(dirs[i], Erzeuge_generischen_Arena_File_Namen(), false).empty()) {
            with_files.push_back(request.Items[i]);
          }
        }
        request.Items = std::move(with_files);
      }
      switch (mode) {
        case Arena_Modus::Erzeugen:
          request.Description = "Select the modification to create a Arena File for.";
          request.Multi_Select = true;
          break;
        case Arena_Modus::Aktivieren:
          request.Description = "Select the modification to activate an Arena File from.";
          break;
        case Arena_Modus::Entfernen:
          request.Description = "Select the modification to remove a Arena File from.";
          break;
      }
      if (const auto chosen = ui.Select_Items(request)) {
        bool first = true;
        for (const int index : *chosen) {
          const std::string& mod = request.Items.at(static_cast<std::size_t>(index));
          if (mode == Arena_Modus::Erzeugen) {
            Create_For_MOD(env, branch, mod, first, ui);
            first = false;
            continue;
          }
          const std::string dir = Arena_MOD_Verzeichnis(env.Game_Dir, mod);
          if (mode == Arena_Modus::Aktivieren) {
            Activate_In_MOD(env, dir, ui);
          } else {
            Remove_In_MOD(env, dir, ui);
          }
          break;  // activation and removal handle one MOD
        }
      }
    }
  } catch (const std::exception& error) {
    ui.Message(Message_Kind::Error, error.what(), Button_Set::OK);
  }
  return Ermittle_Arena_Verfuegbarkeit(env.Game_Dir, env.MODs);
}

}  // namespace vorlix
