#include "arena/arena_names.h"

#include <algorithm>
#include <filesystem>
#include <string_view>
#include <system_error>
#include <unordered_map>
#include <unordered_set>

#include <sys/stat.h>

#include "content/mod_list.h"
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

// The disabler as the queries recognise it: exact letter case.
bool Is_Disabler_Stem(const std::string& file_name) {
  return Remove_Extension(file_name) == Arena_Disabler_Name;
}

// A directory or a link to one.
bool Is_Directory_Path(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace

std::string Make_Generic_Arena_File_Name() {
  return Generic_Prefix;
}

std::string Make_Active_Generic_Arena_File_Name() {
  return std::string(Generic_Prefix) + Active_Word + "_";
}

std::string Make_Inactive_Generic_Arena_File_Name() {
  return std::string(Generic_Prefix) + Inactive_Word + "_";
}

std::string Make_Active_Arena_File_Name(const std::string& arena_name) {
  return Make_Active_Generic_Arena_File_Name() + arena_name + Pk3_Extension;
}

std::string Make_Inactive_Arena_File_Name(const std::string& arena_name) {
  return Make_Inactive_Generic_Arena_File_Name() + arena_name + Pk3_Extension;
}

std::string Arena_Disabler_File_Name() {
  return std::string(Arena_Disabler_Name) + Pk3_Extension;
}

bool Is_Arena_File_Active(const std::string& file_name) {
  return platform::Starts_With_Ignore_Case(file_name, Make_Active_Generic_Arena_File_Name());
}

bool Is_Arena_File_Inactive(const std::string& file_name) {
  return platform::Starts_With_Ignore_Case(file_name, Make_Inactive_Generic_Arena_File_Name());
}

std::string Arena_Name_From_Arena_File_Name(const std::string& file_name) {
  if (!platform::Starts_With_Ignore_Case(file_name, Generic_Prefix)) {
    return "";
  }
  std::size_t prefix_length = 0;
  if (Is_Arena_File_Active(file_name)) {
    prefix_length = Make_Active_Generic_Arena_File_Name().size();
  } else if (Is_Arena_File_Inactive(file_name)) {
    prefix_length = Make_Inactive_Generic_Arena_File_Name().size();
  } else {
    return "";
  }
  return Remove_Extension(file_name.substr(prefix_length));
}

std::optional<std::string> Check_Arena_Name(const std::string& arena_name) {
  if (arena_name.empty()) {
    return std::string("Please specify a name for the Arena File.");
  }
  const bool bad_character = std::any_of(arena_name.begin(), arena_name.end(), [](char c) {
    const auto byte = static_cast<unsigned char>(c);
    return c == '/' || c == '\\' || byte < 0x20 || byte == 0x7F;
  });
  const std::size_t longest = Max_File_Name - Make_Inactive_Arena_File_Name("").size();
  if (bad_character || arena_name.find("..") != std::string::npos || arena_name.size() > longest) {
    return "\"" + arena_name +
           "\" cannot be used as the name of an Arena File: the name must not contain \"/\", \"\\\", \"..\" or control characters and must not be longer than " +
           std::to_string(longest) + " characters.";
  }
  return std::nullopt;
}

// ---- Directory queries ----------------------------------------------------------------------

std::string Arena_MOD_Directory(const std::string& game_dir, const std::string& mod) {
  const auto found = platform::Find_Ignore_Case(game_dir, mod);
  return platform::Join(game_dir, found ? *found : mod);
}

std::vector<std::string> Arena_MOD_Directories(const std::string& game_dir,
                                               const std::vector<std::string>& mods) {
  // The lookup of Arena_MOD_Directory with the game directory listed once.
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

std::vector<std::string> Find_Arena_Pattern(const std::string& directory, const std::string& prefix,
                                            bool files_only) {
  std::vector<std::string> names;
  // The names are matched first; only the few matches are looked at (a MOD directory holds
  // thousands of archives).
  auto listing = platform::List_Names(directory, [&](std::string_view entry) {
    return entry.size() >= prefix.size() + 4 &&
           platform::Equal_Ignore_Case(std::string(entry.substr(0, prefix.size())), prefix) &&
           platform::Ends_With_Ignore_Case(std::string(entry), Pk3_Extension);
  });
  if (!listing) {
    return names;
  }
  for (auto& name : *listing) {
    if (files_only && Is_Directory_Path(platform::Join(directory, name))) {
      continue;
    }
    names.push_back(std::move(name));
  }
  return names;
}

bool Arena_File_Exists(const std::string& directory, const std::string& arena_name) {
  return platform::Find_Ignore_Case(directory, Make_Active_Arena_File_Name(arena_name))
             .has_value() ||
         platform::Find_Ignore_Case(directory, Make_Inactive_Arena_File_Name(arena_name))
             .has_value();
}

std::string First_Arena_File_In_Directory(const std::string& directory) {
  return First_Arena_File_Of(Find_Arena_Pattern(directory, Generic_Prefix, false));
}

std::string First_Arena_File_Of(const std::vector<std::string>& names) {
  if (names.empty()) {
    return "";
  }
  const std::string disabler = Arena_Disabler_Name;
  if (names.front().compare(0, disabler.size(), disabler) == 0) {
    return names.size() > 1 ? names[1] : "";
  }
  return names.front();
}

std::vector<std::string> List_All_Arena_Files_In(const std::string& directory) {
  std::vector<std::string> arena_names;
  for (const auto& name : Find_Arena_Pattern(directory, Generic_Prefix, true)) {
    if (!Is_Disabler_Stem(name)) {
      arena_names.push_back(Arena_Name_From_Arena_File_Name(name));
    }
  }
  return arena_names;
}

namespace {

// What one listing of a directory says of its arena files.
struct TArena_Directory_Counts {
  int Program_Files = 0;  // entries matching "z_Arenas_*.pk3", the disabler included
  int Arena_Files = 0;    // active plus inactive arena files
};

// One listing of a directory: what it says of the arena files, and with `active`, the name of
// the active arena file (files only, the first in listing order).
TArena_Directory_Counts Count_In_Directory(const std::string& directory,
                                           std::optional<std::string>* active = nullptr) {
  TArena_Directory_Counts counts;
  const auto matches_prefix = [](const std::string& name, const std::string& prefix) {
    return name.size() >= prefix.size() + 4 && platform::Starts_With_Ignore_Case(name, prefix);
  };
  const std::string active_prefix = Make_Active_Generic_Arena_File_Name();
  const std::string inactive_prefix = Make_Inactive_Generic_Arena_File_Name();
  for (const auto& name : Find_Arena_Pattern(directory, Generic_Prefix, false)) {
    ++counts.Program_Files;
    const bool is_active = matches_prefix(name, active_prefix);
    if (is_active || matches_prefix(name, inactive_prefix)) {
      ++counts.Arena_Files;
    }
    if (active != nullptr && is_active && !*active &&
        !Is_Directory_Path(platform::Join(directory, name))) {
      *active = Arena_Name_From_Arena_File_Name(name);
    }
  }
  return counts;
}

}  // namespace

int Count_Arena_Files_In(const std::string& directory) {
  return Count_In_Directory(directory).Arena_Files;
}

std::vector<std::string> MOD_Directories_Of(const std::string& game_dir, const TMOD_List& mods) {
  std::vector<std::string> dirs;
  dirs.reserve(static_cast<std::size_t>(mods.Count()));
  for (int index = 0; index < mods.Count(); ++index) {
    dirs.push_back(platform::Join(game_dir, mods.Directory_Name(index)));
  }
  return dirs;
}

TArena_Overview Arena_Overview(const std::vector<std::string>& mod_dirs,
                               const std::vector<std::string>& mods) {
  TArena_Overview overview;
  for (std::size_t i = 0; i < mod_dirs.size(); ++i) {
    std::optional<std::string> active;
    const TArena_Directory_Counts counts =
        Count_In_Directory(mod_dirs[i], i < mods.size() ? &active : nullptr);
    overview.Counts.Program_Files += counts.Program_Files;
    overview.Counts.Most_In_One_Directory =
        std::max(overview.Counts.Most_In_One_Directory, counts.Arena_Files);
    if (active) {
      overview.Active.push_back({mods[i], *active});
    }
  }
  return overview;
}

TArena_Counts Count_Arena_Files(const std::vector<std::string>& mod_dirs) {
  // Without MOD names no active file is looked for.
  return Arena_Overview(mod_dirs, {}).Counts;
}

TArena_Availability Arena_Availability_In(const std::vector<std::string>& mod_dirs) {
  const TArena_Counts counts = Count_Arena_Files(mod_dirs);
  return {counts.Program_Files > 0, counts.Most_In_One_Directory >= 2};
}

}  // namespace vorlix
