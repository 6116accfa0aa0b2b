#include "arena/arena_vorrang.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <system_error>

#include <unistd.h>

#include "arena/arena_names.h"
#include "arena/game_index.h"
#include "core/case_lookup.h"
#include "core/fs_routines.h"
#include "core/interaction.h"
#include "core/letter_case.h"
#include "core/listing.h"
#include "core/paths.h"
#include "core/text.h"
#include "database/scan.h"
#include "database/zip_archive.h"

namespace vorlix {

namespace {

// The name the archive is built under before it replaces the old one: the game loads only names
// ending in ".pk3".
const std::string Build_Suffix = ".new";
// An arena file's script is read whole; a larger one is no script of the program's.
constexpr std::uint64_t Max_Script_Size = std::uint64_t{64} << 20;

bool Ends_With_Ignore_Case(const std::string& text, const std::string& tail) {
  return text.size() > tail.size() &&
         platform::Equal_Ignore_Case(text.substr(text.size() - tail.size()), tail);
}

bool Is_Arena_Entry(const std::string& name) {
  return platform::Starts_With_Ignore_Case(name, "scripts/") &&
         Ends_With_Ignore_Case(name, ".arena");
}

std::string Read_Member(const Zip_Archive& zip, int index) {
  const Zip_Entry& entry = zip.Entry(index);
  if (entry.Size64 > Max_Script_Size) {
    throw TZip_Error(entry.FileName + ": too large");
  }
  const auto reader = zip.Open_Member(index);
  std::string text(static_cast<std::size_t>(entry.Size64), '\0');
  text.resize(reader->Read(text.data(), text.size()));
  return text;
}

// The names in a directory that belong to the outranking archive or to an unfinished build of it.
std::vector<std::string> Own_Names(const std::string& mod_dir) {
  const std::string own = Arena_Vorrang_Dateiname;
  const auto names = platform::List_Names(mod_dir, [&own](std::string_view name) {
    return platform::Starts_With_Ignore_Case(std::string(name), own);
  });
  return names ? *names : std::vector<std::string>{};
}

void Remove_Names(const std::string& mod_dir, const std::vector<std::string>& names) {
  for (const auto& name : names) {
    ::unlink(platform::Join(mod_dir, name).c_str());
  }
}

void Write_Text(const std::string& path, const std::string& text) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file.write(text.data(), static_cast<std::streamsize>(text.size()));
  file.close();
  if (!file) {
    throw TFile_Error("Couldn't write file " + path + ".");
  }
}

// Writes the archive beside the old one and puts it in its place in one rename.
void Write_Archive(const std::string& temp_dir, const std::string& mod_dir,
                   const TArena_Vorrang_Inhalt& content) {
  const std::vector<std::string> old = Own_Names(mod_dir);
  if (!content.Script && content.Verborgen.empty()) {
    Remove_Names(mod_dir, old);
    return;
  }
  const std::string target = platform::Join(mod_dir, Arena_Vorrang_Dateiname);
  const std::string build = target + Build_Suffix;
  ::unlink(build.c_str());  // an archive is added to, so nothing may be left of an earlier try

  const std::string scripts = platform::Join(temp_dir, "scripts");
  Loesche_Verzeichnisbaum(scripts);
  std::error_code ec;
  std::filesystem::create_directories(scripts, ec);
  std::vector<Zip_Addition> files;
  if (content.Script) {
    const std::string path = platform::Join(scripts, "arenas.txt");
    Write_Text(path, *content.Script);
    files.push_back({path, Arena_Script_Eintrag});
  }
  if (!content.Verborgen.empty()) {
    // One empty file stands for every hidden entry.
    const std::string empty = platform::Join(scripts, "empty");
    Write_Text(empty, {});
    for (const auto& name : content.Verborgen) {
      files.push_back({empty, name});
    }
  }
  {
    Zip_Archive zip;
    zip.Set_ZipFilename(build);
    zip.Add(files);
  }
  Loesche_Verzeichnisbaum(temp_dir);
  std::filesystem::rename(build, target, ec);
  if (ec) {
    ::unlink(build.c_str());
    throw TFile_Error("Couldn't write file " + target + ".");
  }
  // A copy of another letter case would still be loaded.
  for (const auto& name : old) {
    if (name != Arena_Vorrang_Dateiname) {
      ::unlink(platform::Join(mod_dir, name).c_str());
    }
  }
}

}  // namespace

std::optional<TArena_Vorrang_Inhalt> Lies_Arena_Vorrang(const std::string& mod_dir) {
  const auto found = platform::Find_Ignore_Case(mod_dir, Arena_Vorrang_Dateiname);
  if (!found) {
    return std::nullopt;
  }
  try {
    Zip_Archive zip;
    zip.Set_ZipFilename(platform::Join(mod_dir, *found));
    TArena_Vorrang_Inhalt content;
    for (int i = 0; i < zip.Count(); ++i) {
      const std::string& name = zip.Entry(i).FileName;
      if (platform::Equal_Ignore_Case(name, Arena_Script_Eintrag)) {
        content.Script = Read_Member(zip, i);
      } else if (Is_Arena_Entry(name) && zip.Entry(i).Size64 == 0) {
        content.Verborgen.push_back(platform::Lower(name));
      } else {
        return std::nullopt;  // not as the program writes it
      }
    }
    std::sort(content.Verborgen.begin(), content.Verborgen.end());
    return content;
  } catch (const TZip_Error&) {
    return std::nullopt;
  }
}

std::optional<std::string> Script_des_aktiven_Arena_Files(const std::string& mod_dir) {
  const auto active =
      Suche_Arena_Muster(mod_dir, Erzeuge_aktiven_generischen_Arena_File_Namen(), true);
  if (active.empty()) {
    return std::nullopt;
  }
  try {
    Zip_Archive zip;
    zip.Set_ZipFilename(platform::Join(mod_dir, active.front()));
    for (int i = 0; i < zip.Count(); ++i) {
      if (platform::Equal_Ignore_Case(zip.Entry(i).FileName, Arena_Script_Eintrag)) {
        return Read_Member(zip, i);
      }
    }
  } catch (const TZip_Error&) {
    // an arena file that cannot be read gives the game nothing either
  }
  return std::nullopt;
}

std::vector<std::string> Zu_verbergende_Arena_Scripts(const TGame_Index& index,
                                                      const std::string& game_dir,
                                                      const std::string& mod_dir) {
  const std::string directory = platform::File_Name(mod_dir);
  std::vector<std::string> names;
  for (const TArchive_Facts* facts : index.Search_Order(directory, Base_Directories())) {
    for (const auto& script : facts->Arena_Scripts) {
      if (Is_Arena_Entry(script)) {
        names.push_back(platform::Lower(script));
      }
    }
  }
  for (const auto& base : Base_Directories()) {
    if (platform::Equal_Ignore_Case(base, directory)) {
      continue;
    }
    const std::string base_dir = Arena_MOD_Verzeichnis(game_dir, platform::Upper(base));
    const auto scripts = platform::Find_Ignore_Case(base_dir, "scripts");
    if (!scripts) {
      continue;
    }
    if (const auto loose = platform::List_Directory(platform::Join(base_dir, *scripts))) {
      for (const auto& entry : *loose) {
        if (!entry.Is_Directory && Ends_With_Ignore_Case(entry.Name, ".arena")) {
          names.push_back("scripts/" + platform::Lower(entry.Name));
        }
      }
    }
  }
  // Names an archive of the internet brings are written only when they stay inside scripts/.
  names.erase(std::remove_if(names.begin(), names.end(),
                             [](const std::string& name) { return !Is_Safe_Member_Name(name); }),
              names.end());
  std::sort(names.begin(), names.end());
  names.erase(std::unique(names.begin(), names.end()), names.end());
  return names;
}

std::vector<std::string> Arena_Vorrang_Ueberholer(const TGame_Index* index,
                                                  const std::string& mod_dir) {
  const std::string directory = platform::File_Name(mod_dir);
  std::vector<std::string> found;
  if (index != nullptr) {
    for (const TArchive_Facts* facts : index->Search_Order(directory, {})) {
      if (!Searched_Before(facts->PK3_Filename, Arena_Vorrang_Dateiname)) {
        break;
      }
      const bool script = std::any_of(
          facts->Arena_Scripts.begin(), facts->Arena_Scripts.end(), [](const std::string& name) {
            return platform::Equal_Ignore_Case(name, Arena_Script_Eintrag);
          });
      if (script || !facts->Arenas.empty()) {
        found.push_back(facts->PK3_Filename);
      }
    }
  }
  const auto scripts = platform::Find_Ignore_Case(mod_dir, "scripts");
  if (const auto loose =
          scripts ? platform::List_Directory(platform::Join(mod_dir, *scripts)) : std::nullopt) {
    for (const auto& entry : *loose) {
      if (!entry.Is_Directory &&
          (platform::Equal_Ignore_Case(entry.Name, "arenas.txt") ||
           (entry.Size > 0 && Ends_With_Ignore_Case(entry.Name, ".arena")))) {
        found.push_back(*scripts + "/" + entry.Name);
      }
    }
  }
  return found;
}

void Arena_Vorrang_File_erzeugen(const std::string& game_dir, const std::string& temp_dir,
                                 const std::string& mod, const std::string& mod_dir,
                                 const TGame_Index* index, TInteraction& ui) {
  const auto present = Lies_Arena_Vorrang(mod_dir);
  TArena_Vorrang_Inhalt wanted;
  wanted.Script = Script_des_aktiven_Arena_Files(mod_dir);
  if (index != nullptr) {
    wanted.Verborgen = Zu_verbergende_Arena_Scripts(*index, game_dir, mod_dir);
  } else if (present) {
    wanted.Verborgen = present->Verborgen;
  }
  if (!present || *present != wanted || Own_Names(mod_dir).size() != 1) {
    Write_Archive(temp_dir, mod_dir, wanted);
  }
  for (const auto& place : Arena_Vorrang_Ueberholer(index, mod_dir)) {
    ui.Message(Message_Kind::Warning,
               Format_Message("The game may list maps of %s besides those of the active Arena "
                              "File in %s.",
                              place, mod),
               Button_Set::OK);
  }
}

void Arena_Vorrang_Script_angleichen(const std::string& temp_dir, const std::string& mod_dir) {
  const auto present = Lies_Arena_Vorrang(mod_dir);
  TArena_Vorrang_Inhalt wanted = present.value_or(TArena_Vorrang_Inhalt{});
  wanted.Script = Script_des_aktiven_Arena_Files(mod_dir);
  if (!present || *present != wanted) {
    Write_Archive(temp_dir, mod_dir, wanted);
  }
}

void Arena_Vorrang_File_loeschen(const std::string& mod_dir) {
  Remove_Names(mod_dir, Own_Names(mod_dir));
}

}  // namespace vorlix
