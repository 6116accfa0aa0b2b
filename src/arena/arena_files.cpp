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

#include "arena/arena_outranking.h"
#include "arena/arena_script.h"
#include "core/case_lookup.h"
#include "core/fs_routines.h"
#include "core/interaction.h"
#include "core/letter_case.h"
#include "core/listing.h"
#include "core/paths.h"
#include "core/text.h"
#include "database/game_index.h"
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
  return Make_Inactive_Generic_Arena_File_Name() +
         active_name.substr(Make_Active_Generic_Arena_File_Name().size());
}

}  // namespace

// ---- Script entry inside an arena archive
// ------------------------------------------------------

bool Align_Arena_Script_Entry(const std::string& archive_path, bool active, bool* renamed) {
  try {
    TZip_Archive zip;
    zip.Set_Zip_Filename(archive_path);
    int usual = -1;
    int inactive = -1;
    for (int i = 0; i < zip.Count(); ++i) {
      const std::string& name = zip.Entry(i).Name;
      if (usual < 0 && platform::Equal_Ignore_Case(name, Arena_Script_Entry)) {
        usual = i;
      } else if (inactive < 0 && platform::Equal_Ignore_Case(name, Arena_Script_Entry_Inactive)) {
        inactive = i;
      }
    }
    if (active && inactive >= 0 && usual < 0) {
      if (renamed != nullptr) {
        *renamed = true;
      }
      zip.Rename_Entry(inactive, Arena_Script_Entry);
    } else if (!active && usual >= 0 && inactive < 0) {
      if (renamed != nullptr) {
        *renamed = true;
      }
      zip.Rename_Entry(usual, Arena_Script_Entry_Inactive);
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

void Deactivate_All_Arena_Files_In(const std::string& directory) {
  const auto active_files =
      Find_Arena_Pattern(directory, Make_Active_Generic_Arena_File_Name(), true);
  for (const auto& name : active_files) {
    const std::string target = platform::Join(directory, Inactive_Name_Of(name));
    if (Rename_Without_Replacing(platform::Join(directory, name), target)) {
      Align_Arena_Script_Entry(target, false);
    }
  }
}

void Make_Arena_File_Active(const std::string& directory, const std::string& file_name,
                            TInteraction& ui) {
  Deactivate_All_Arena_Files_In(directory);
  const std::string arena_name = Arena_Name_From_Arena_File_Name(file_name);
  if (arena_name.empty()) {
    if (Remove_Extension(file_name) != Arena_Disabler_Name) {
      ui.Message(
          TMessage_Kind::Error,
          Format_Message("Fatal error: %s isn't a Vorlix PK3. Please report to author.", file_name),
          TAnswer_Set::OK);
    }
    return;
  }
  std::string name = file_name;
  auto source = Existing(directory, name);
  if (!source) {
    if (!Arena_File_Exists(directory, arena_name)) {
      ui.Message(TMessage_Kind::Error,
                 Format_Message(
                     "Fatal error: Arena File %s doesn't exist. Please report to author.", name),
                 TAnswer_Set::OK);
      return;
    }
    name = Is_Arena_File_Active(name) ? Make_Inactive_Arena_File_Name(arena_name)
                                      : Make_Active_Arena_File_Name(arena_name);
    source = Existing(directory, name);
  }
  const std::string target = platform::Join(directory, Make_Active_Arena_File_Name(arena_name));
  if (!source || !Rename_Without_Replacing(*source, target)) {
    ui.Message(TMessage_Kind::Error,
               Format_Message(
                   "Fatal error: Couldn't activate Arena File %s. Please report to author.", name),
               TAnswer_Set::OK);
    return;
  }
  Align_Arena_Script_Entry(target, true);
}

// ---- Disabler archives
// ---------------------------------------------------------------------------

namespace {

// True when the archive holds an empty entry "scripts/" + name for every one of `names`. Only
// the central directory is read: a disabler holds an entry per map of the collection, and an
// archive opened through libzip has each member's time converted, which makes the C library look
// at the time zone file once per member.
bool Holds_Empty_Entries(const std::string& archive_path, const std::vector<std::string>& names) {
  try {
    std::unordered_set<std::string> empty;
    Walk_Zip_Directory(archive_path, Largest_Walked_Directory,
                       [&empty](const TZip_Directory_Entry& entry) {
                         if (entry.Uncompressed_Size == 0) {
                           empty.emplace(entry.Name);
                         }
                       });
    return std::all_of(names.begin(), names.end(), [&empty](const std::string& name) {
      return empty.count("scripts/" + name) > 0;
    });
  } catch (const std::exception&) {
    return false;
  }
}

}  // namespace

void Create_Arena_Disable_File(const TArena_Environment& env, const std::string& mod_dir,
                               TInteraction& ui) {
  // Whatever an earlier, interrupted command left there must not go into the disabler (an arena
  // script among its entries would make it an arena file itself).
  Delete_Directory_Tree(platform::Join(env.Temp_Dir, "scripts"));
  const std::string scripts = Prepare_Scripts_Folder(env.Temp_Dir);
  if (env.Database == nullptr || env.Database->Count() == 0) {
    Delete_Directory_Tree(env.Temp_Dir);
    return;
  }
  // One entry per map record; a map name is a bare file name, anything that would leave the
  // folder is not written.
  std::vector<std::string> files;
  for (int p = 0; p < env.Database->Count(); ++p) {
    const TPK3_Record* pk3 = env.Database->Items(p);
    if (!pk3->Maps) {
      continue;
    }
    for (int m = 0; m < pk3->Maps->Count(); ++m) {
      const std::string stem = platform::Lower(Remove_Extension(pk3->Maps->Items(m)->MAP_Filename));
      if (platform::Is_Plain_Name(stem)) {
        files.push_back(stem + ".arena");
      } else {
        ui.Message(TMessage_Kind::Error,
                   "Fatal error: Couldn't create Disable-Files. Please report to author.",
                   TAnswer_Set::OK);
      }
    }
  }
  const auto existing = platform::Find_Ignore_Case(mod_dir, Arena_Disabler_File_Name());
  const std::string path =
      platform::Join(mod_dir, existing ? *existing : Arena_Disabler_File_Name());
  // A disabler that already holds every entry stays as it is (adding them would rewrite it).
  if (existing && Holds_Empty_Entries(path, files)) {
    Delete_Directory_Tree(env.Temp_Dir);
    return;
  }
  for (const auto& file_name : files) {
    std::ofstream file(platform::Join(scripts, file_name), std::ios::binary | std::ios::trunc);
    if (!file) {
      ui.Message(TMessage_Kind::Error,
                 "Fatal error: Couldn't create Disable-Files. Please report to author.",
                 TAnswer_Set::OK);
    }
  }
  TZip_Archive zip;
  zip.Set_Zip_Filename(path);
  zip.Add(TZip_Archive::Files_Matching(env.Temp_Dir, "scripts/*.*"));
  Delete_Directory_Tree(env.Temp_Dir);
}

void Create_Arena_Disabler_Files(const TArena_Environment& env, TInteraction& ui) {
  Create_Arena_Disabler_Files(env, Arena_MOD_Directories(env.Game_Dir, env.MODs), ui);
}

void Create_Arena_Disabler_Files(const TArena_Environment& env,
                                 const std::vector<std::string>& dirs, TInteraction& ui) {
  // What the game finds in the archives, read once when a directory needs it.
  std::shared_ptr<const TGame_Index> index;
  for (std::size_t i = 0; i < env.MODs.size(); ++i) {
    const std::string& dir = dirs[i];
    // One listing per MOD answers both questions: the disabler's name matches the pattern too.
    const auto names = Find_Arena_Pattern(dir, Make_Generic_Arena_File_Name(), false);
    if (!First_Arena_File_Of(names).empty()) {
      // A directory that cannot be written is reported; the other MODs still
      // get theirs.
      try {
        Create_Arena_Disable_File(env, dir, ui);
      } catch (const std::exception& error) {
        ui.Message(TMessage_Kind::Error, error.what(), TAnswer_Set::OK);
      }
      try {
        if (!index && env.Game_Index) {
          index = env.Game_Index();
        }
        if (!index && env.Database != nullptr) {
          index = std::make_shared<const TGame_Index>(Game_Index_Of(*env.Database));
        }
        Create_Arena_Outranking_File(env.Game_Dir, env.Temp_Dir, env.MODs[i], dir, index.get(), ui);
      } catch (const std::exception& error) {
        ui.Message(TMessage_Kind::Error, error.what(), TAnswer_Set::OK);
      }
    } else {
      if (const auto disabler = Named_Among(names, Arena_Disabler_File_Name())) {
        Delete_File(platform::Join(dir, *disabler));
      }
      for (const auto& name : Delete_Arena_Outranking_File(dir)) {
        ui.Message(TMessage_Kind::Warning,
                   Format_Message("%s in %s was not written by Vorlix and is left as it is.", name,
                                  env.MODs[i]),
                   TAnswer_Set::OK);
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
  const std::string prefix = Make_Generic_Arena_File_Name();
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

bool Check_Arena_Files_At_Start(const std::string& game_dir, const std::string& directory_name,
                                TInteraction& ui, const std::string& temp_dir) {
  const std::string dir = platform::Join(game_dir, directory_name);
  // What a crash left of an arena archive being written goes first.
  if (const auto litter = platform::List_Names(dir, Is_Interrupted_Arena_Write)) {
    for (const auto& name : *litter) {
      Delete_File(platform::Join(dir, name));
    }
  }
  const auto names = List_All_Arena_Files_In(dir);
  if (names.empty()) {
    return false;
  }
  bool wrote = false;
  int active = 0;
  for (const auto& name : names) {
    if (platform::Find_Ignore_Case(dir, Make_Active_Arena_File_Name(name))) {
      ++active;
    }
  }
  if (active != 1) {
    const std::string first = First_Arena_File_In_Directory(dir);
    if (!first.empty()) {
      wrote = true;
      Make_Arena_File_Active(dir, first, ui);
    }
  }
  for (const auto& name : Find_Arena_Pattern(dir, Make_Generic_Arena_File_Name(), true)) {
    if (Is_Arena_File_Active(name)) {
      Align_Arena_Script_Entry(platform::Join(dir, name), true, &wrote);
    } else if (Is_Arena_File_Inactive(name)) {
      Align_Arena_Script_Entry(platform::Join(dir, name), false, &wrote);
    }
  }
  if (!temp_dir.empty()) {
    try {
      // What is in the archive's place is told by the disabler step of the same start.
      static_cast<void>(Align_Arena_Outranking_Script(temp_dir, dir));
    } catch (const std::exception& error) {
      ui.Message(TMessage_Kind::Error, error.what(), TAnswer_Set::OK);
    }
  }
  return wrote;
}

// ---- Creation
// ------------------------------------------------------------------------------------

std::size_t Make_Arena_File(const TArena_Environment& env, const std::string& mod,
                            const std::string& mod_dir, const std::string& file_name,
                            const TArena_Branch& branch, TInteraction& ui) {
  const std::string scripts = Prepare_Scripts_Folder(env.Temp_Dir);
  const std::string script = Make_Arena_Script(branch.Maps, mod);
  const std::string script_path = platform::Join(scripts, "arenas.txt");
  {
    std::ofstream file(script_path, std::ios::binary | std::ios::trunc);
    file.write(script.data(), static_cast<std::streamsize>(script.size()));
    file.close();
    if (!file) {
      throw TFile_Error("Couldn't write file " + script_path + ".");
    }
  }
  TZip_Archive zip;
  zip.Set_Zip_Filename(platform::Join(mod_dir, file_name));
  zip.Add(TZip_Archive::Files_Matching(env.Temp_Dir, Arena_Script_Entry));
  ui.Message(TMessage_Kind::Information, Format_Message("Arena File has been created in %s.", mod),
             TAnswer_Set::OK);
  if (script.size() >= Game_Script_Limit) {
    ui.Message(
        TMessage_Kind::Warning,
        Format_Message(
            "The Arena File in %s lists too many maps: the game ignores arena scripts of 8192 bytes or more.",
            mod),
        TAnswer_Set::OK);
  }
  Delete_Directory_Tree(env.Temp_Dir);
  return script.size();
}

namespace {

// The creation work for one chosen MOD in its directory `dir` (a MOD whose dialog is cancelled or
// whose existing arena is kept is skipped). True when the arena file was written; the disablers
// are the caller's, once for all chosen MODs.
bool Create_For_MOD(const TArena_Environment& env, const TArena_Branch& branch,
                    const std::string& listed_mod, const std::string& dir, bool first,
                    TInteraction& ui) {
  const std::string mod = platform::Upper(listed_mod);
  std::optional<std::string> preset;
  if (first) {
    preset = std::string();
  }
  std::string arena_name;
  while (true) {
    const auto typed = ui.Specify_Arena_Name(mod, preset);
    if (!typed) {
      return false;
    }
    preset.reset();
    const auto problem = Check_Arena_Name(*typed);
    if (!problem) {
      arena_name = *typed;
      break;
    }
    ui.Message(TMessage_Kind::Error, *problem, TAnswer_Set::OK);
  }

  const auto active = Existing(dir, Make_Active_Arena_File_Name(arena_name));
  const auto inactive = Existing(dir, Make_Inactive_Arena_File_Name(arena_name));
  if (active || inactive) {
    if (ui.Message(
            TMessage_Kind::Confirmation,
            Format_Message(
                "Vorlix has already created this Arena File in %s. Do you want to overwrite it?",
                mod),
            TAnswer_Set::Yes_No) != TAnswer::Yes) {
      return false;
    }
    const bool deleted = (active && Delete_File(*active)) || (inactive && Delete_File(*inactive));
    if (!deleted) {
      ui.Message(TMessage_Kind::Confirmation,
                 Format_Message("Couldn't delete existing Arena File within %s.", mod),
                 TAnswer_Set::OK);
      return false;
    }
  }
  Deactivate_All_Arena_Files_In(dir);
  Make_Arena_File(env, mod, dir, Make_Active_Arena_File_Name(arena_name), branch, ui);
  return true;
}

void Activate_In_MOD(const TArena_Environment& env, const std::string& dir, TInteraction& ui) {
  TSelection_Request request;
  request.Dialog = TSelection_Dialog::Arena_File;
  request.Description = "Select an Arena File to activate.";
  request.Confirm_Caption = "Activate";
  request.Multi_Select = false;
  for (const auto& name : List_All_Arena_Files_In(dir)) {
    if (!platform::Find_Ignore_Case(dir, Make_Active_Arena_File_Name(name))) {
      request.Items.push_back(name);
    }
  }
  const auto chosen = ui.Select_Items(request);
  if (!chosen || chosen->empty()) {
    return;
  }
  const std::string& arena_name = request.Items.at(static_cast<std::size_t>(chosen->front()));
  const std::string active = Make_Active_Arena_File_Name(arena_name);
  const std::string file =
      platform::Find_Ignore_Case(dir, active) ? active : Make_Inactive_Arena_File_Name(arena_name);
  Make_Arena_File_Active(dir, file, ui);
  // The set of archives is unchanged: the outranking archive needs only the new script.
  if (const auto problem = Align_Arena_Outranking_Script(env.Temp_Dir, dir)) {
    ui.Message(TMessage_Kind::Error, *problem, TAnswer_Set::OK);
  }
}

void Remove_In_MOD(const TArena_Environment& env, const std::string& dir,
                   const std::vector<std::string>& mod_dirs, TInteraction& ui) {
  TSelection_Request request;
  request.Dialog = TSelection_Dialog::Arena_File;
  request.Description = "Select an Arena File to delete.";
  request.Confirm_Caption = "Delete";
  request.Multi_Select = true;
  request.Items = List_All_Arena_Files_In(dir);
  const auto chosen = ui.Select_Items(request);
  if (!chosen) {
    return;
  }
  for (const int index : *chosen) {
    const std::string& arena_name = request.Items.at(static_cast<std::size_t>(index));
    const std::string active = Make_Active_Arena_File_Name(arena_name);
    const std::string file = platform::Find_Ignore_Case(dir, active)
                                 ? active
                                 : Make_Inactive_Arena_File_Name(arena_name);
    if (ui.Message(TMessage_Kind::Confirmation,
                   Format_Message("Do you really want to delete the Arena File %s?",
                                  Arena_Name_From_Arena_File_Name(file)),
                   TAnswer_Set::Yes_No) != TAnswer::Yes) {
      continue;
    }
    const auto path = Existing(dir, file);
    if (path && Delete_File(*path)) {
      ui.Message(TMessage_Kind::Information, "File successfully deleted.", TAnswer_Set::OK);
    } else {
      ui.Message(TMessage_Kind::Error, "Couldn't delete file.", TAnswer_Set::OK);
    }
    if (path) {
      const std::string first = First_Arena_File_In_Directory(dir);
      if (!first.empty()) {
        Make_Arena_File_Active(dir, first, ui);
      }
    }
  }
  Create_Arena_Disabler_Files(env, mod_dirs, ui);
}

}  // namespace

TArena_Availability Process_Arena_File(TArena_Mode mode, const TArena_Environment& env,
                                       const TArena_Branch& branch, TInteraction& ui) {
  // The MOD directories as they are on disk, found once for every step of the command.
  const std::vector<std::string> mod_dirs = Arena_MOD_Directories(env.Game_Dir, env.MODs);
  bool created = false;
  try {
    TSelection_Request request;
    request.Dialog = TSelection_Dialog::MOD;
    request.Items = env.MODs;
    std::vector<std::string> item_dirs = mod_dirs;
    if (request.Items.empty()) {
      ui.Message(TMessage_Kind::Error, "Fatal error: no MODs available. Please report to author.",
                 TAnswer_Set::OK);
    } else {
      if (mode != TArena_Mode::Create) {
        request.Items.clear();
        item_dirs.clear();
        for (std::size_t i = 0; i < mod_dirs.size(); ++i) {
          if (!Find_Arena_Pattern(mod_dirs[i], Make_Generic_Arena_File_Name(), false).empty()) {
            request.Items.push_back(env.MODs[i]);
            item_dirs.push_back(mod_dirs[i]);
          }
        }
      }
      switch (mode) {
        case TArena_Mode::Create:
          request.Description = "Select the modification to create a Arena File for.";
          request.Multi_Select = true;
          break;
        case TArena_Mode::Activate:
          request.Description = "Select the modification to activate an Arena File from.";
          break;
        case TArena_Mode::Remove:
          request.Description = "Select the modification to remove a Arena File from.";
          break;
      }
      // Activation and removal work in one MOD: when only one holds arena files, it is the one.
      request.Take_Only_Item = mode != TArena_Mode::Create;
      if (const auto chosen = ui.Select_Items(request)) {
        bool first = true;
        for (const int index : *chosen) {
          const std::string& mod = request.Items.at(static_cast<std::size_t>(index));
          const std::string& dir = item_dirs.at(static_cast<std::size_t>(index));
          if (mode == TArena_Mode::Create) {
            created = Create_For_MOD(env, branch, mod, dir, first, ui) || created;
            first = false;
            continue;
          }
          if (mode == TArena_Mode::Activate) {
            Activate_In_MOD(env, dir, ui);
          } else {
            Remove_In_MOD(env, dir, mod_dirs, ui);
          }
          break;  // activation and removal handle one MOD
        }
      }
    }
  } catch (const std::exception& error) {
    ui.Message(TMessage_Kind::Error, error.what(), TAnswer_Set::OK);
  }
  // The disablers follow the arena files created, once for all of them.
  if (created) {
    try {
      Create_Arena_Disabler_Files(env, mod_dirs, ui);
    } catch (const std::exception& error) {
      ui.Message(TMessage_Kind::Error, error.what(), TAnswer_Set::OK);
    }
  }
  return Arena_Availability_In(mod_dirs);
}

}  // namespace vorlix
