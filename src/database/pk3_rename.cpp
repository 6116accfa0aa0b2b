#include "database/pk3_rename.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "core/case_lookup.h"
#include "core/fs_routines.h"
#include "core/interaction.h"
#include "core/letter_case.h"
#include "core/listing.h"
#include "core/paths.h"
#include "core/text.h"
#include "database/folder_cache.h"
#include "database/play_history.h"
#include "database/records.h"
#include "database/scan.h"
#include "database/stream.h"

namespace vorlix {

namespace {

bool Is_Safe_Relative(const std::string& relative) {
  std::string part;
  for (const char c : relative + "/") {
    if (c == '/' || c == '\\') {
      if (part == "..") {
        return false;
      }
      part.clear();
    } else {
      part += c;
    }
  }
  return true;
}

// A path below a base as it is on disk (letter case resolved), or the joined path when it does
// not exist.
std::string On_Disk(const std::string& base, const std::string& relative) {
  if (relative.empty()) {
    return base;
  }
  if (const auto found = platform::Resolve_Ignore_Case(base, relative)) {
    return *found;
  }
  return platform::Join(base, relative);
}

bool Exists(const std::string& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0;
}

// Moves one of the archive's folders (LEVELSHOTS or BOTINFO) to its new place; false when it
// cannot. `moved_to` receives the new path on success.
bool Move_Folder(const std::string& given_base, const std::string& old_dir,
                 const std::string& old_file, const std::string& new_dir,
                 const std::string& new_file, std::string& moved_from, std::string& moved_to) {
  const std::string base = platform::Resolve_Path_Ignore_Case(given_base).value_or(given_base);
  const auto source = platform::Resolve_Ignore_Case(base, platform::Join(old_dir, old_file));
  if (!source) {
    return false;
  }
  auto parent = new_dir.empty() ? std::optional<std::string>(base)
                                : platform::Resolve_Ignore_Case(base, new_dir);
  if (!parent) {
    try {
      Create_Directory_Path(platform::Join(base, platform::Lower(new_dir)));
    } catch (const std::exception&) {
      return false;
    }
    parent = platform::Resolve_Ignore_Case(base, new_dir);
    if (!parent) {
      return false;
    }
  }
  const std::string target = platform::Join(*parent, platform::Lower(new_file));
  if (!Rename_Without_Replacing(*source, target)) {
    return false;
  }
  moved_from = *source;
  moved_to = target;
  return true;
}

// Whether the path the user gave names a directory: it ends in a separator, "." or "..", or
// names one that exists (`normal`: the path made absolute and normal).
bool Names_Directory(const std::string& given, const std::string& normal) {
  if (given.empty() || given.back() == '/' || given.back() == '\\') {
    return true;
  }
  const auto cut = given.find_last_of("/\\");
  const std::string last = cut == std::string::npos ? given : given.substr(cut + 1);
  if (last == "." || last == "..") {
    return true;
  }
  const std::string on_disk = platform::Resolve_Path_Ignore_Case(normal).value_or(normal);
  struct stat st {};
  return ::stat(on_disk.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// Why an archive at `dir`/`file` of the game directory would not be found by the game and the
// synchronisation (which look only at archives named *.pk3 directly inside a MOD directory,
// leaving out the program's own ones), or "" when it would.
std::string Archive_Place_Problem(const std::string& game, const std::string& dir,
                                  const std::string& file) {
  const auto found = dir.empty() || dir.front() == '.' || !platform::Is_Plain_Name(dir)
                         ? std::nullopt
                         : platform::Resolve_Ignore_Case(game, dir);
  struct stat st {};
  if (!found || ::stat(found->c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
    return "A pk3-file must stay directly inside a MOD directory of the Quake 3 Arena directory "
           "(such as baseq3), where the game looks for it.";
  }
  const std::string extension = ".pk3";
  if (!platform::Is_Plain_Name(file) || file.size() <= extension.size() ||
      !platform::Equal_Ignore_Case(file.substr(file.size() - extension.size()), extension) ||
      Is_Arena_File(file)) {
    return "The game loads only files named *.pk3, and the names of Vorlix's own arena archives "
           "are taken.";
  }
  return {};
}

// One rename of the journal: the archive's ID and its names before and after.
struct TRename_Intent {
  std::int32_t PK3_ID = 0;
  std::string Old_Dir, Old_File, New_Dir, New_File;
};

constexpr const char* Journal_Name = "pk3rename.dat";

// The journal's renames; an unreadable or damaged journal gives those read before the damage.
// `problem` receives why a journal that is there could not be read at all (no regular file).
std::vector<TRename_Intent> Read_Journal(const std::string& program_dir,
                                         std::string* problem = nullptr) {
  std::vector<TRename_Intent> intents;
  const std::string path = Rename_Journal_Path(program_dir);
  if (!Exists(path)) {
    return intents;
  }
  try {
    std::string bytes;
    try {
      bytes = Read_Whole_File(path);
    } catch (const TStream_Error& error) {
      if (problem != nullptr) {
        *problem = error.what();
      }
      throw;
    }
    TByte_Reader in(std::move(bytes));
    while (!in.At_End()) {
      if (in.Read_Integer() != Record_Version) {
        break;
      }
      TRename_Intent intent;
      intent.PK3_ID = in.Read_Integer();
      intent.Old_Dir = in.Read_String();
      intent.Old_File = in.Read_String();
      intent.New_Dir = in.Read_String();
      intent.New_File = in.Read_String();
      intents.push_back(std::move(intent));
    }
  } catch (const TStream_Error&) {
    // what was read counts
  }
  return intents;
}

// Writes the journal in one piece (removes it when empty); false when it could not be written.
bool Write_Journal(const std::string& program_dir, const std::vector<TRename_Intent>& intents) {
  const std::string path = Rename_Journal_Path(program_dir);
  if (intents.empty()) {
    return ::unlink(path.c_str()) == 0 || errno == ENOENT;
  }
  TByte_Writer out;
  for (const auto& intent : intents) {
    out.Write_Integer(Record_Version);
    out.Write_Integer(intent.PK3_ID);
    out.Write_String(intent.Old_Dir);
    out.Write_String(intent.Old_File);
    out.Write_String(intent.New_Dir);
    out.Write_String(intent.New_File);
  }
  try {
    Write_File_Atomically(path, out.Data());
    return true;
  } catch (const TStream_Error&) {
    return false;
  }
}

void Notify(const TPK3_Step_Observer& observer, int step) {
  if (observer) {
    observer(step);
  }
}

}  // namespace

std::string Rename_Journal_Path(const std::string& program_dir) {
  return platform::Join(program_dir, Journal_Name);
}

void Forget_Finished_Renames(const std::string& program_dir) {
  ::unlink(Rename_Journal_Path(program_dir).c_str());
}

std::vector<std::string> Finish_Interrupted_Renames(TPK3_Record_Store& database) {
  const TDatabase_Paths& paths = database.Paths();
  std::string problem;
  const std::vector<TRename_Intent> intents = Read_Journal(paths.Program_Dir, &problem);
  std::vector<std::string> warnings;
  if (!problem.empty()) {
    warnings.push_back("The rename journal cannot be read: " + problem +
                       ". A rename that was interrupted cannot be finished.");
  }
  for (const TRename_Intent& intent : intents) {
    const int index = database.Index_Of_ID(intent.PK3_ID);
    if (index < 0 || !platform::Is_Plain_Name(intent.Old_File) ||
        !platform::Is_Plain_Name(intent.New_File) || !Is_Safe_Relative(intent.Old_Dir) ||
        !Is_Safe_Relative(intent.New_Dir)) {
      continue;
    }
    const bool at_old =
        Exists(On_Disk(paths.Game_Dir, platform::Join(intent.Old_Dir, intent.Old_File)));
    const bool at_new =
        Exists(On_Disk(paths.Game_Dir, platform::Join(intent.New_Dir, intent.New_File)));
    if (at_old == at_new) {
      continue;  // nothing tells which way it went
    }
    // The way the archive went, the folders follow.
    const std::string& from_dir = at_new ? intent.Old_Dir : intent.New_Dir;
    const std::string& from_file = at_new ? intent.Old_File : intent.New_File;
    const std::string& to_dir = at_new ? intent.New_Dir : intent.Old_Dir;
    const std::string& to_file = at_new ? intent.New_File : intent.Old_File;
    for (const std::string* base : {&paths.Levelshots_Dir, &paths.Botinfo_Dir}) {
      const std::string folder = *base;
      if (!platform::Resolve_Ignore_Case(folder, platform::Join(to_dir, to_file))) {
        std::string moved_from;
        std::string moved_to;
        if (Move_Folder(folder, from_dir, from_file, to_dir, to_file, moved_from, moved_to)) {
          database.Note_Folder_Write();
        }
      }
    }
    TPK3_Record& record = *database.Items(index);
    record.MOD_Directory = to_dir;
    record.PK3_Filename = to_file;
  }
  return warnings;
}

bool Rename_Without_Replacing(const std::string& from, const std::string& to) {
  if (from == to) {
    return true;
  }
  std::error_code ec;
  if (const auto listing = platform::List_Directory(platform::Parent(to))) {
    const std::string name = platform::File_Name(to);
    for (const auto& entry : *listing) {
      if (platform::Equal_Ignore_Case(entry.Name, name) &&
          !std::filesystem::equivalent(platform::Join(platform::Parent(to), entry.Name), from,
                                       ec)) {
        return false;
      }
    }
  }
  if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) {
    return true;
  }
  if (errno == EINVAL || errno == ENOSYS) {
    // A file system without the no-replace rename: test first, then rename.
    return !Exists(to) && std::rename(from.c_str(), to.c_str()) == 0;
  }
  return false;
}

TPK3_Action_Result Rename_PK3_File(const TDatabase_Paths& paths, TPK3_Record& pk3,
                                   std::int32_t map_id, TInteraction& ui) {
  TFile_Request request;
  request.Save = true;
  request.Title = "Rename to...";
  request.Filter = "PK3-files (*.pk3)";
  request.Initial_Dir = On_Disk(paths.Game_Dir, pk3.MOD_Directory);
  request.Initial_Name = pk3.PK3_Filename;
  const auto chosen = ui.Choose_File(request);
  if (!chosen) {
    return {};
  }
  return Rename_PK3_File_To(paths, pk3, map_id, *chosen, ui);
}

namespace {

// Where a rename moves an archive: the path chosen, resolved below the game directory.
struct TRename_Plan {
  std::string Old_Path;    // the archive as it is on disk
  std::string Target;      // its new path
  std::string New_Dir;     // the target's folder below the game directory ("" for the directory)
  std::string New_File;    // the target's file name
  std::string Problem;     // why it cannot move there, as told to the user; "" when it can
  bool Unchanged = false;  // the target is the archive itself: nothing to do
};

// Resolves the path chosen for the archive: a path naming a directory moves the archive into it
// under its present name, a name without a dot gets ".pk3"; only a place where the game and the
// synchronisation find the archive again is taken.
TRename_Plan Plan_Rename(const std::string& game_dir, const TPK3_Record& pk3,
                         const std::string& new_path) {
  TRename_Plan plan;
  const std::string game = platform::Normal_Path(game_dir);
  const std::string old_relative = platform::Join(pk3.MOD_Directory, pk3.PK3_Filename);
  plan.Old_Path = platform::Normal_Path(On_Disk(game, old_relative));
  const std::string chosen = platform::Normal_Path(new_path);
  const bool into_directory = Names_Directory(new_path, chosen);
  std::string folder = into_directory ? chosen : platform::Parent(chosen);
  std::string file = into_directory ? pk3.PK3_Filename : platform::File_Name(chosen);
  if (const auto resolved = platform::Resolve_Path_Ignore_Case(folder)) {
    folder = *resolved;
  }
  const bool inside = platform::Equal_Ignore_Case(folder, game) ||
                      platform::Starts_With_Ignore_Case(folder, game == "/" ? game : game + "/");
  if (!inside || file.empty()) {
    plan.Problem = "The pk3-file cannot be moved out of the Quake 3 Arena directory.";
    return plan;
  }
  if (file.find('.') == std::string::npos) {
    file += ".pk3";
  }
  plan.Target = platform::Join(folder, file);
  if (platform::Equal_Ignore_Case(plan.Target, plan.Old_Path) ||
      platform::Equal_Ignore_Case(plan.Target,
                                  platform::Normal_Path(platform::Join(game, old_relative)))) {
    plan.Unchanged = true;
    return plan;
  }
  plan.New_Dir = folder.size() > game.size() ? folder.substr(game.size()) : std::string();
  while (!plan.New_Dir.empty() && (plan.New_Dir.front() == '/' || plan.New_Dir.front() == '\\')) {
    plan.New_Dir.erase(0, 1);
  }
  plan.New_File = file;
  // Anywhere else the game and the synchronisation would never find the archive again, and its
  // maps would be lost: nothing moves.
  if (const std::string problem = Archive_Place_Problem(game, plan.New_Dir, plan.New_File);
      !problem.empty()) {
    plan.Problem =
        Format_Message("Couldn't rename pk3-file %s to %s.", plan.Old_Path, plan.Target) + " " +
        problem;
  }
  return plan;
}

// Moves the levelshot and then the bot-info folder of the archive `old_dir`/`old_file` along;
// when the bot-info folder cannot follow, the levelshots go back. Returns the message for the user
// ("" when both moved or had nothing to move).
std::string Move_Folders_Along(const TDatabase_Paths& paths, const std::string& old_dir,
                               const std::string& old_file, const TRename_Plan& plan,
                               const TPK3_Step_Observer& observer) {
  std::string shots_from;
  std::string shots_to;
  if (!Move_Folder(paths.Levelshots_Dir, old_dir, old_file, plan.New_Dir, plan.New_File, shots_from,
                   shots_to)) {
    return Format_Message(
        "Fatal error! Please report to author! Couldn't move levelshots: %s to %s.",
        platform::Join({paths.Levelshots_Dir, old_dir, old_file}),
        platform::Join({paths.Levelshots_Dir, plan.New_Dir, plan.New_File}));
  }
  std::string bots_from;
  std::string bots_to;
  Notify(observer, 3);
  if (!Move_Folder(paths.Botinfo_Dir, old_dir, old_file, plan.New_Dir, plan.New_File, bots_from,
                   bots_to)) {
    Rename_Without_Replacing(shots_to, shots_from);
    return Format_Message("Fatal error! Please report to author! Couldn't move bot-info: %s to %s.",
                          platform::Join({paths.Botinfo_Dir, old_dir, old_file}),
                          platform::Join({paths.Botinfo_Dir, plan.New_Dir, plan.New_File}));
  }
  return {};
}

// Moves the archive to the plan's target and its folders along, the intent written to the journal
// before the first file moves. When something cannot move, what moved goes back (so that the
// record, the file and both folders keep agreeing) and the intent goes again. Returns the message
// for the user ("" when all moved).
std::string Move_Archive_With_Folders(const TDatabase_Paths& paths, const TPK3_Record& pk3,
                                      const TRename_Plan& plan,
                                      const TPK3_Step_Observer& observer) {
  const auto cannot = [&plan] {
    return Format_Message("Couldn't rename pk3-file %s to %s.", plan.Old_Path, plan.Target);
  };
  std::vector<TRename_Intent> journal = Read_Journal(paths.Program_Dir);
  journal.push_back({pk3.ID, pk3.MOD_Directory, pk3.PK3_Filename, plan.New_Dir, plan.New_File});
  const bool safe =
      platform::Is_Plain_Name(pk3.PK3_Filename) && Is_Safe_Relative(pk3.MOD_Directory);
  if (!safe || !Write_Journal(paths.Program_Dir, journal)) {
    return cannot();
  }
  Notify(observer, 1);
  std::string problem;
  if (!Rename_Without_Replacing(plan.Old_Path, plan.Target)) {
    problem = cannot();
  } else {
    Notify(observer, 2);
    problem = Move_Folders_Along(paths, pk3.MOD_Directory, pk3.PK3_Filename, plan, observer);
    if (!problem.empty()) {
      Rename_Without_Replacing(plan.Target, plan.Old_Path);
    }
  }
  if (!problem.empty()) {
    // Nothing moved after all: the intent goes again.
    journal.pop_back();
    Write_Journal(paths.Program_Dir, journal);
  }
  return problem;
}

}  // namespace

TPK3_Action_Result Rename_PK3_File_To(const TDatabase_Paths& paths, TPK3_Record& pk3,
                                      std::int32_t map_id, const std::string& new_path,
                                      TInteraction& ui, const TPK3_Step_Observer& observer) {
  const TRename_Plan plan = Plan_Rename(paths.Game_Dir, pk3, new_path);
  if (plan.Unchanged) {
    return {};
  }
  const std::string problem =
      plan.Problem.empty() ? Move_Archive_With_Folders(paths, pk3, plan, observer) : plan.Problem;
  if (!problem.empty()) {
    ui.Message(TMessage_Kind::Error, problem, TAnswer_Set::OK);
    return {};
  }
  Notify(observer, 4);
  const std::string old_file = pk3.PK3_Filename;
  pk3.MOD_Directory = plan.New_Dir;
  pk3.PK3_Filename = plan.New_File;
  ui.Message(TMessage_Kind::Information,
             Format_Message("Renamed %s to %s successfully.", old_file, plan.New_File),
             TAnswer_Set::OK);
  return {TPK3_Action::Renamed, pk3.ID, map_id};
}

TPK3_Action_Result Delete_PK3_File(const TDatabase_Paths& paths, TPK3_Record& pk3,
                                   std::int32_t map_id, THistory_Keeper& history, TInteraction& ui,
                                   const TPK3_Step_Observer& observer) {
  if (ui.Message(TMessage_Kind::Confirmation,
                 Format_Message("Do you really want to delete %s and all maps inside of it?",
                                pk3.PK3_Filename),
                 TAnswer_Set::Yes_No) != TAnswer::Yes) {
    return {};
  }
  const std::string relative = platform::Join(pk3.MOD_Directory, pk3.PK3_Filename);
  const std::string archive = On_Disk(paths.Game_Dir, relative);
  const bool safe =
      platform::Is_Plain_Name(pk3.PK3_Filename) && Is_Safe_Relative(pk3.MOD_Directory);
  if (!safe || ::unlink(archive.c_str()) != 0) {
    // The system's reason follows the path; a stored name that is no plain name never reaches
    // the file system.
    const char* reason = std::strerror(safe ? errno : EINVAL);
    ui.Message(TMessage_Kind::Error,
               Format_Message("Couldn't delete %s", platform::Join(paths.Game_Dir, relative)) +
                   ": " + reason,
               TAnswer_Set::OK);
    return {};
  }
  Notify(observer, 1);
  const std::string shots = On_Disk(paths.Levelshots_Dir, relative);
  const std::string bots = On_Disk(paths.Botinfo_Dir, relative);
  std::string text;
  TMessage_Kind kind = TMessage_Kind::Error;
  const bool shots_removed = Delete_Directory_Tree(shots);
  Notify(observer, 2);
  if (!shots_removed) {
    text = Format_Message(
        "Couldn't delete levelshots (%s). You should remove this directory manually. Otherwise Vorlix might not work correctly.",
        shots);
  } else if (!Delete_Directory_Tree(bots)) {
    text = Format_Message(
        "Couldn't delete botinfo (%s). You should remove this directory manually. Otherwise Vorlix might not work correctly.",
        bots);
  } else {
    Notify(observer, 3);
    text = Format_Message("%s was successfully deleted.", pk3.PK3_Filename);
    kind = TMessage_Kind::Information;
  }
  ui.Message(kind, text, TAnswer_Set::OK);
  // The archive's maps are gone for good: what the history knows of them goes too.
  if (!paths.Read_Only) {
    const THistory_Change forgot = Forget_Archive_In_History(history, pk3.ID);
    for (const std::string* text : {&forgot.Warning, &forgot.Problem}) {
      if (!text->empty()) {
        ui.Message(TMessage_Kind::Warning, *text, TAnswer_Set::OK);
      }
    }
  }
  return {TPK3_Action::Deleted, pk3.ID, map_id};
}

}  // namespace vorlix
