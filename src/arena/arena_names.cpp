#include "arena/arena_names.h"

#include <algorithm>
#include <filesystem>
#include <string_view>
#include <system_error>
#include <unordered_map>
#include <unordered_set>

#include <sys/stat.h>

#include "core/case_lookup.h"
#include "core/fs_routines.h"
#include "core/letter_case.h"
#include "core/listing.h"
#include "core/paths.h"

namespace vorlix {

namespace {

const char* const Generic_Prefix = "z_Arenas_";
const char* const Active_Word = "active";
const char* const Inactive_Word = "Inactive";
const char* const Pk3_Extension = ".pk3";

// The longest file name the file systems in use accept, in bytes.
constexpr std::size_t Max_File_Name = 255;

bool Ends_With_Ignore_Case(const std::string& text, const std::string& suffix) {
  return text.size() >= suffix.size() &&
         platform::Equal_Ignore_Case(text.substr(text.size() - suffix.size()), suffix);
}

// The disabler as the queries recognise it: exact letter case.
bool Ist_Disabler_Stamm(const std::string& file_name) {
  return Entferne_Dateiendung(file_name) == Arena_Disabler_Name;
}

// A directory or a link to one.
bool Ist_Verzeichnis(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace

std::string Erzeuge_generischen_Arena_File_Namen() {
  return Generic_Prefix;
}

std::string Erzeuge_aktiven_generischen_Arena_File_Namen() {
  return std::string(Generic_Prefix) + Active_Word + "_";
}

std::string Erzeuge_inaktiven_generischen_Arena_File_Namen() {
  return std::string(Generic_Prefix) + Inactive_Word + "_";
}

std::string Erzeuge_aktiven_Arena_File_Namen(const std::string& arena_name) {
  return Erzeuge_aktiven_generischen_Arena_File_Namen() + arena_name + Pk3_Extension;
}

std::string Erzeuge_inaktiven_Arena_File_Namen(const std::string& arena_name) {
  return Erzeuge_inaktiven_generischen_Arena_File_Namen() + arena_name + Pk3_Extension;
}

std::string Arena_Disabler_Dateiname() {
  return std::string(Arena_Disabler_Name) + Pk3_Extension;
}

bool Ist_Arena_File_aktiv(const std::string& file_name) {
  return platform::Starts_With_Ignore_Case(file_name,
                                           Erzeuge_aktiven_generischen_Arena_File_Namen());
}

bool Ist_Arena_File_inaktiv(const std::string& file_name) {
  return platform::Starts_With_Ignore_Case(file_name,
                                           Erzeuge_inaktiven_generischen_Arena_File_Namen());
}

std::string Extrahiere_Arena_Namen_aus_Arena_File_Namen(const std::string& file_name) {
  if (!platform::Starts_With_Ignore_Case(file_name, Generic_Prefix)) {
    return "";
  }
  std::size_t prefix_length = 0;
  if (Ist_Arena_File_aktiv(file_name)) {
    prefix_length = Erzeuge_aktiven_generischen_Arena_File_Namen().size();
  } else if (Ist_Arena_File_inaktiv(file_name)) {
    prefix_length = Erzeuge_inaktiven_generischen_Arena_File_Namen().size();
  } else {
    return "";
  }
  return Entferne_Dateiendung(file_name.substr(prefix_length));
}

std::optional<std::string> Pruefe_Arena_Namen(const std::string& arena_name) {
  if (arena_name.empty()) {
    return std::string("Please specify a name for the Arena File.");
  }
  const bool bad_character = std::any_of(arena_name.begin(), arena_name.end(), [](char c) {
    const auto byte = static_cast<unsigned char>(c);
    return c == '/' || c == '\\' || byte < 0x20 || byte == 0x7F;
  });
  const std::size_t longest = Max_File_Name - Erzeuge_inaktiven_Arena_File_Namen("").size();
  if (bad_character || arena_name.find("..") != std::string::npos || arena_name.size() > longest) {
    return "\"" + arena_name +
           "\" cannot be used as the name of an Arena File: the name must not contain \"/\", \"\\\", \"..\" or control characters and must not be longer than " +
           std::to_string(longest) + " characters.";
  }
  return std::nullopt;
}

// ---- Directory queries ----------------------------------------------------------------------

std::string Arena_MOD_Verzeichnis(const std::string& game_dir, const std::string& mod) {
  const auto found = platform::Find_Ignore_Case(game_dir, mod);
  return platform::Join(game_dir, found ? *found : mod);
}

std::vector<std::string> Arena_MOD_Verzeichnisse(const std::string& game_dir,
                                                 const std::vector<std::string>& mods) {
  // The lookup of Arena_MOD_Verzeichnis with the game directory listed once.
  platform::TCase_Resolver resolver;
  std::vector<std::string> dirs;
  dirs.reserve(mods.size());
  for (const auto& mod : mods) {
    const auto found = platform::Is_Plain_Name(mod) ? resolver.Resolve(game_dir, mod)
                                                    : std::optional<std::string>();
    dirs.push_back(found ? *found : platform::Join(game_dir, mod));
  }
  return dirs;
}

std::vector<std::string> Suche_Arena_Muster(const std::string& directory, const std::string& prefix,
                                            bool files_only) {
  std::vector<std::string> names;
  // The names are matched first; only the few matches are looked at (a MOD directory holds
  // thousands of archives).
  auto listing = platform::List_Names(directory, [&](std::string_view entry) {
    return entry.size() >= prefix.size() + 4 &&
           platform::Equal_Ignore_Case(std::string(entry.substr(0, prefix.size())), prefix) &&
           Ends_With_Ignore_Case(std::string(entry), Pk3_Extension);
  });
  if (!listing) {
    return names;
  }
  for (auto& name : *listing) {
    if (files_only && Ist_Verzeichnis(platform::Join(directory, name))) {
      continue;
    }
    names.push_back(std::move(name));
  }
  return names;
}

bool Existiert_Arena_File(const std::string& directory, const std::string& arena_name) {
  return platform::Find_Ignore_Case(directory, Erzeuge_aktiven_Arena_File_Namen(arena_name))
             .has_value() ||
         platform::Find_Ignore_Case(directory, Erzeuge_inaktiven_Arena_File_Namen(arena_name))
             .has_value();
}

std::string Erstes_Arena_File_in_Verzeichnis(const std::string& directory) {
  return Erstes_Arena_File_aus(Suche_Arena_Muster(directory, Generic_Prefix, false));
}

std::string Erstes_Arena_File_aus(const std::vector<std::string>& names) {
  if (names.empty()) {
    return "";
  }
  const std::string disabler = Arena_Disabler_Name;
  if (names.front().compare(0, disabler.size(), disabler) == 0) {
    return names.size() > 1 ? names[1] : "";
  }
  return names.front();
}

std::vector<std::string> Ermittle_Liste_aller_Arena_Files_in(const std::string& directory) {
  std::vector<std::string> arena_names;
  for (const auto& name : Suche_Arena_Muster(directory, Generic_Prefix, true)) {
    if (!Ist_Disabler_Stamm(name)) {
      arena_names.push_back(Extrahiere_Arena_Namen_aus_Arena_File_Namen(name));
    }
  }
  return arena_names;
}

int Anzahl_Arena_Files_in(const std::string& directory) {
  const auto active =
      Suche_Arena_Muster(directory, Erzeuge_aktiven_generischen_Arena_File_Namen(), false);
  const auto inactive =
      Suche_Arena_Muster(directory, Erzeuge_inaktiven_generischen_Arena_File_Namen(), false);
  return static_cast<int>(active.size() + inactive.size());
}

int Maximale_Anzahl_Arena_Files_in_allen_Verzeichnissen(const std::string& game_dir,
                                                        const std::vector<std::string>& mods) {
  int maximum = 0;
  for (const auto& dir : Arena_MOD_Verzeichnisse(game_dir, mods)) {
    maximum = std::max(maximum, Anzahl_Arena_Files_in(dir));
  }
  return maximum;
}

int Ermittle_Anzahl_MODs_mit_Vorlix_Arena_File(const std::string& game_dir,
                                               const std::vector<std::string>& mods) {
  int count = 0;
  for (const auto& dir : Arena_MOD_Verzeichnisse(game_dir, mods)) {
    count += static_cast<int>(Suche_Arena_Muster(dir, Generic_Prefix, false).size());
  }
  return count;
}

TArena_Verfuegbarkeit Ermittle_Arena_Verfuegbarkeit(const std::string& game_dir,
                                                    const std::vector<std::string>& mods) {
  TArena_Verfuegbarkeit result;
  result.Remove_Arena_File = Ermittle_Anzahl_MODs_mit_Vorlix_Arena_File(game_dir, mods) != 0;
  result.Activate_Arena_File =
      Maximale_Anzahl_Arena_Files_in_allen_Verzeichnissen(game_dir, mods) >= 2;
  return result;
}

}  // namespace vorlix
