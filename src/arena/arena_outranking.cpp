#include "arena/arena_outranking.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <system_error>

#include <sys/stat.h>
#include <unistd.h>

#include "arena/arena_names.h"
#include "core/case_lookup.h"
#include "core/fs_routines.h"
#include "core/interaction.h"
#include "core/letter_case.h"
#include "core/listing.h"
#include "core/paths.h"
#include "core/text.h"
#include "database/game_index.h"
#include "database/scan.h"
#include "database/zip_archive.h"

namespace vorlix {

namespace {

// The name the archive is built under before it replaces the old one: the game loads only names
// ending in ".pk3".
const std::string Build_Suffix = ".new";
// The longest name after "scripts/" the game takes for a .arena script: OpenArena's game module
// builds "scripts/" + the name in 128 bytes and ends the process when it does not fit.
constexpr std::size_t Max_Listed_Arena_Name = 119;
// An arena file's script is read whole; a larger one is no script of the program's.
constexpr std::uint64_t Max_Script_Size = std::uint64_t{64} << 20;

bool Is_Arena_Entry(const std::string& name) {
  return platform::Starts_With_Ignore_Case(name, "scripts/") &&
         platform::Ends_With_Ignore_Case(name, ".arena");
}

std::string Read_Member(const TZip_Archive& zip, int index) {
  const TZip_Entry& entry = zip.Entry(index);
  if (entry.Size64 > Max_Script_Size) {
    throw TZip_Error(entry.Name + ": too large");
  }
  const auto reader = zip.Open_Member(index);
  std::string text(static_cast<std::size_t>(entry.Size64), '\0');
  text.resize(reader->Read(text.data(), text.size()));
  return text;
}

// The name the archive writer gives its scratch file beside the build: the build's name, "."
// and six letters or digits.
bool Is_Scratch_Name(const std::string& name) {
  const std::string build = std::string(Arena_Outranking_File_Name) + Build_Suffix;
  if (platform::Equal_Ignore_Case(name, build)) {
    return true;
  }
  constexpr std::size_t letters = 6;
  if (name.size() != build.size() + 1 + letters ||
      !platform::Equal_Ignore_Case(name.substr(0, build.size() + 1), build + ".")) {
    return false;
  }
  return std::all_of(name.end() - letters, name.end(),
                     [](char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0; });
}

// The directory's entries named as the archive (in any letter case) or as a scratch file of it.
std::vector<std::string> Archive_And_Scratch_Names(const std::string& mod_dir) {
  const auto names = platform::List_Names(mod_dir, [](std::string_view name) {
    const std::string text(name);
    return platform::Equal_Ignore_Case(text, Arena_Outranking_File_Name) || Is_Scratch_Name(text);
  });
  return names ? *names : std::vector<std::string>{};
}

// What an archive at `path` holds when it is one as the program writes it: scripts/arenas.txt
// and empty .arena entries, nothing else.
std::optional<TArena_Outranking_Content> Read_Content(const std::string& path) {
  try {
    TZip_Archive zip;
    zip.Set_Zip_Filename(path);
    TArena_Outranking_Content content;
    for (int i = 0; i < zip.Count(); ++i) {
      const std::string& name = zip.Entry(i).Name;
      if (platform::Equal_Ignore_Case(name, Arena_Script_Entry)) {
        content.Script = Read_Member(zip, i);
      } else if (Is_Arena_Entry(name) && zip.Entry(i).Size64 == 0) {
        content.Hidden.push_back(platform::Lower(name));
      } else {
        return std::nullopt;  // not as the program writes it
      }
    }
    std::sort(content.Hidden.begin(), content.Hidden.end());
    return content;
  } catch (const TZip_Error&) {
    return std::nullopt;
  }
}

// Why the entry at `path` is not an outranking archive the program wrote (and so is neither
// replaced nor removed); nullopt when it is one.
std::optional<std::string> Not_Own_Reason(const std::string& path) {
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0) {
    return std::string("it cannot be looked at");
  }
  if (S_ISDIR(st.st_mode)) {
    return std::string("a folder of that name is in its place");
  }
  if (!S_ISREG(st.st_mode)) {
    return std::string("something that is not a file is in its place");
  }
  if (!Read_Content(path)) {
    return std::string("a file of that name that Vorlix did not write is in its place");
  }
  return std::nullopt;
}

// Removes the scratch files and the copies the program wrote among `names`, except the exact
// name when `keep_exact`; returns the copies left alone because the program did not write them.
std::vector<std::string> Remove_Own(const std::string& mod_dir,
                                    const std::vector<std::string>& names, bool keep_exact) {
  std::vector<std::string> foreign;
  for (const auto& name : names) {
    const std::string path = platform::Join(mod_dir, name);
    const bool scratch = Is_Scratch_Name(name);
    if (!scratch && Not_Own_Reason(path)) {
      foreign.push_back(name);
    } else if (scratch || !keep_exact || name != Arena_Outranking_File_Name) {
      // A copy of another letter case would still be loaded.
      ::unlink(path.c_str());
    }
  }
  return foreign;
}

void Write_Text(const std::string& path, const std::string& text) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file.write(text.data(), static_cast<std::streamsize>(text.size()));
  file.close();
  if (!file) {
    throw TFile_Error("Couldn't write file " + path + ".");
  }
}

// Where the archive goes: its path, when the place holds nothing or an archive the program
// wrote; else TFile_Error naming the reason.
std::string Target_Path(const std::string& mod_dir) {
  std::string target = platform::Join(mod_dir, Arena_Outranking_File_Name);
  struct stat st {};
  if (::lstat(target.c_str(), &st) == 0) {
    if (const auto reason = Not_Own_Reason(target)) {
      throw TFile_Error("Couldn't write file " + target + ": " + *reason + ", left as it is.");
    }
  }
  return target;
}

// Writes the archive beside the old one and puts it in its place in one rename.
void Write_Archive(const std::string& temp_dir, const std::string& mod_dir,
                   const TArena_Outranking_Content& content) {
  const std::vector<std::string> old = Archive_And_Scratch_Names(mod_dir);
  if (!content.Script && content.Hidden.empty()) {
    Remove_Own(mod_dir, old, false);
    return;
  }
  const std::string target = Target_Path(mod_dir);
  const std::string build = target + Build_Suffix;
  ::unlink(build.c_str());  // an archive is added to, so nothing may be left of an earlier try

  const std::string scripts = platform::Join(temp_dir, "scripts");
  Delete_Directory_Tree(scripts);
  std::error_code ec;
  std::filesystem::create_directories(scripts, ec);
  std::vector<TZip_Addition> files;
  if (content.Script) {
    const std::string path = platform::Join(scripts, "arenas.txt");
    Write_Text(path, *content.Script);
    files.push_back({path, Arena_Script_Entry});
  }
  if (!content.Hidden.empty()) {
    // One empty file stands for every hidden entry.
    const std::string empty = platform::Join(scripts, "empty");
    Write_Text(empty, {});
    for (const auto& name : content.Hidden) {
      files.push_back({empty, name});
    }
  }
  {
    TZip_Archive zip;
    zip.Set_Zip_Filename(build);
    zip.Add(files);
  }
  Delete_Directory_Tree(temp_dir);
  std::filesystem::rename(build, target, ec);
  if (ec) {
    ::unlink(build.c_str());
    throw TFile_Error("Couldn't write file " + target + ": " + ec.message() + ".");
  }
  Remove_Own(mod_dir, old, true);
}

// The scratch files and copies of other letter cases the program wrote: present ones mean the
// directory is not in order yet.
bool Has_Leftovers(const std::string& mod_dir) {
  for (const auto& name : Archive_And_Scratch_Names(mod_dir)) {
    if (name != Arena_Outranking_File_Name &&
        (Is_Scratch_Name(name) || !Not_Own_Reason(platform::Join(mod_dir, name)))) {
      return true;
    }
  }
  return false;
}

}  // namespace

std::optional<TArena_Outranking_Content> Read_Arena_Outranking(const std::string& mod_dir) {
  const std::string path = platform::Join(mod_dir, Arena_Outranking_File_Name);
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
    return std::nullopt;
  }
  return Read_Content(path);
}

std::optional<TActive_Arena_Script> Active_Arena_Script(const std::string& mod_dir) {
  const auto active = Find_Arena_Pattern(mod_dir, Make_Active_Generic_Arena_File_Name(), true);
  if (active.empty()) {
    return std::nullopt;
  }
  try {
    TZip_Archive zip;
    zip.Set_Zip_Filename(platform::Join(mod_dir, active.front()));
    for (int i = 0; i < zip.Count(); ++i) {
      if (platform::Equal_Ignore_Case(zip.Entry(i).Name, Arena_Script_Entry)) {
        return TActive_Arena_Script{active.front(), Read_Member(zip, i)};
      }
    }
  } catch (const TZip_Error&) {
    // an arena file that cannot be read gives the game nothing either
  }
  return std::nullopt;
}

std::optional<std::string> Script_Of_Active_Arena_File(const std::string& mod_dir) {
  auto active = Active_Arena_Script(mod_dir);
  if (!active) {
    return std::nullopt;
  }
  return std::move(active->Script);
}

TArena_Scripts_To_Hide Arena_Scripts_To_Hide(const TGame_Index& index, const std::string& game_dir,
                                             const std::string& mod_dir) {
  const std::string directory = platform::File_Name(mod_dir);
  TArena_Scripts_To_Hide result;
  std::vector<std::string>& names = result.Names;
  const auto take = [&result](const std::string& path, const std::string& place,
                              const std::string& member) {
    if (path.empty() || path == Arena_Script_Entry) {
      return;
    }
    if (path.size() - std::string("scripts/").size() > Max_Listed_Arena_Name) {
      result.Too_Long.emplace_back(place, member);
    } else {
      result.Names.push_back(path);
    }
  };
  for (const TArchive_Facts* facts : index.Search_Order(directory, index.Bases())) {
    for (const auto& script : facts->Arena_Scripts) {
      take(Arena_Script_Path(script), facts->MOD_Directory + "/" + facts->PK3_Filename, script);
    }
  }
  for (const auto& base : index.Bases()) {
    if (platform::Equal_Ignore_Case(base, directory)) {
      continue;
    }
    const std::string base_dir = Arena_MOD_Directory(game_dir, platform::Upper(base));
    const auto scripts = platform::Find_Ignore_Case(base_dir, "scripts");
    if (!scripts) {
      continue;
    }
    if (const auto loose = platform::List_Directory(platform::Join(base_dir, *scripts))) {
      for (const auto& entry : *loose) {
        if (!entry.Is_Directory && platform::Ends_With_Ignore_Case(entry.Name, ".arena")) {
          take("scripts/" + platform::Lower(entry.Name),
               platform::File_Name(base_dir) + "/" + *scripts, entry.Name);
        }
      }
    }
  }
  std::sort(names.begin(), names.end());
  names.erase(std::unique(names.begin(), names.end()), names.end());
  return result;
}

std::vector<std::string> Arena_Outranking_Overtakers(const TGame_Index* index,
                                                     const std::string& mod_dir) {
  const std::string directory = platform::File_Name(mod_dir);
  std::vector<std::string> found;
  if (index != nullptr) {
    for (const TArchive_Facts* facts : index->Search_Order(directory, {})) {
      if (!Searched_Before(facts->PK3_Filename, Arena_Outranking_File_Name)) {
        break;
      }
      const bool script = std::any_of(
          facts->Arena_Scripts.begin(), facts->Arena_Scripts.end(),
          [](const std::string& name) { return Arena_Script_Path(name) == Arena_Script_Entry; });
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
           (entry.Size > 0 && platform::Ends_With_Ignore_Case(entry.Name, ".arena")))) {
        found.push_back(*scripts + "/" + entry.Name);
      }
    }
  }
  return found;
}

void Create_Arena_Outranking_File(const std::string& game_dir, const std::string& temp_dir,
                                  const std::string& mod, const std::string& mod_dir,
                                  const TGame_Index* index, TInteraction& ui) {
  const auto present = Read_Arena_Outranking(mod_dir);
  TArena_Outranking_Content wanted;
  wanted.Script = Script_Of_Active_Arena_File(mod_dir);
  if (index != nullptr) {
    TArena_Scripts_To_Hide hidden = Arena_Scripts_To_Hide(*index, game_dir, mod_dir);
    wanted.Hidden = std::move(hidden.Names);
    for (const auto& [place, member] : hidden.Too_Long) {
      ui.Message(TMessage_Kind::Warning,
                 Format_Message("The game cannot take the arena script %s of %s: its name is "
                                "longer than " +
                                    std::to_string(Max_Listed_Arena_Name) +
                                    " characters after \"scripts/\" (OpenArena's game ends at "
                                    "it). Please remove or rename it.",
                                member, place),
                 TAnswer_Set::OK);
    }
  } else if (present) {
    // The names kept must still be names the game takes.
    for (const auto& name : present->Hidden) {
      if (name.size() - std::string("scripts/").size() <= Max_Listed_Arena_Name) {
        wanted.Hidden.push_back(name);
      }
    }
  }
  if (!present || *present != wanted || Has_Leftovers(mod_dir)) {
    Write_Archive(temp_dir, mod_dir, wanted);
  }
  for (const auto& place : Arena_Outranking_Overtakers(index, mod_dir)) {
    ui.Message(TMessage_Kind::Warning,
               Format_Message("The game may list maps of %s besides those of the active Arena "
                              "File in %s.",
                              place, mod),
               TAnswer_Set::OK);
  }
}

std::optional<std::string> Align_Arena_Outranking_Script(const std::string& temp_dir,
                                                         const std::string& mod_dir) {
  const auto present = Read_Arena_Outranking(mod_dir);
  TArena_Outranking_Content wanted = present.value_or(TArena_Outranking_Content{});
  wanted.Script = Script_Of_Active_Arena_File(mod_dir);
  if (present && *present == wanted) {
    return std::nullopt;
  }
  try {
    Target_Path(mod_dir);
  } catch (const TFile_Error& error) {
    return std::string(error.what());
  }
  Write_Archive(temp_dir, mod_dir, wanted);
  return std::nullopt;
}

std::vector<std::string> Delete_Arena_Outranking_File(const std::string& mod_dir) {
  return Remove_Own(mod_dir, Archive_And_Scratch_Names(mod_dir), false);
}

}  // namespace vorlix
