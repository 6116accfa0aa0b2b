#include "database/database_startup.h"

#include <future>
#include <system_error>

#include "core/case_lookup.h"
#include "core/interaction.h"
#include "core/paths.h"
#include "database/database_file.h"
#include "database/folder_cache.h"
#include "database/pk3_rename.h"
#include "database/scan.h"
#include "database/sync.h"

namespace vorlix {

std::string Database_File_Path(const std::string& program_dir) {
  if (const auto existing = platform::Resolve_Ignore_Case(program_dir, "mapsdb.dat")) {
    return *existing;
  }
  return platform::Join(program_dir, "mapsdb.dat");
}

TLoaded_Database Load_PK3_Database(
    const TDatabase_Paths& paths, TInteraction* interaction,
    const std::function<std::optional<TGame_Directory_Walk>()>& walk_ahead,
    const TLive_Sync_Sink::TListed_Handler& listed) {
  auto database = std::make_unique<TPK3_Record_Store>(paths);
  // While mapsdb.dat is read (the processor's work), the game directory is walked, unless that
  // was done before, and the folders below LEVELSHOTS and BOTINFO are listed (the file system's
  // work, each on a thread of its own): the synchronisation asks for two of those folders for
  // every archive.
  const auto list_folders = [&paths] {
    auto folders = std::make_unique<TFolder_Cache>();
    folders->List_Below(paths.Levelshots_Dir);
    folders->List_Below(paths.Botinfo_Dir);
    return folders;
  };
  std::future<TGame_Directory_Walk> walk_here;
  std::future<std::unique_ptr<TFolder_Cache>> folders_ahead;
  try {
    if (!walk_ahead) {
      walk_here = std::async(std::launch::async, Walk_Game_Directory, paths.Game_Dir);
    }
    folders_ahead = std::async(std::launch::async, list_folders);
  } catch (const std::system_error&) {
    // no thread to be had: walked after the load instead, the folders listed when asked for
  }
  TDatabase_Load_Result load =
      TDatabase_File::Load_Database(*database, Database_File_Path(paths.Program_Dir));
  if (!load.Message.empty() && interaction != nullptr) {
    interaction->Message(TMessage_Kind::Error, load.Message, TAnswer_Set::Cancel);
  }
  std::optional<TGame_Directory_Walk> walked;
  if (walk_ahead) {
    walked = walk_ahead();
  }
  if (!walked) {
    walked = walk_here.valid() ? walk_here.get() : Walk_Game_Directory(paths.Game_Dir);
  }
  std::unique_ptr<TFolder_Cache> folders = folders_ahead.valid() ? folders_ahead.get() : nullptr;
  // A database read in part is not synchronised: the start-up stops with it.
  if (load.Damaged()) {
    return {std::move(database), std::move(load), {}};
  }
  TLive_Sync_Sink sink(interaction, listed);
  // A rename that a crash interrupted is finished or undone before the archives are compared;
  // a folder it moved makes the listings of before stale.
  const int writes = database->Folder_Writes();
  for (const std::string& warning : Finish_Interrupted_Renames(*database)) {
    if (interaction != nullptr) {
      interaction->Message(TMessage_Kind::Warning, warning, TAnswer_Set::OK);
    }
  }
  TDatabase_Sync sync(*database, sink);
  if (database->Folder_Writes() == writes) {
    sync.Use_Folder_Listings(std::move(folders));
  }
  sync.Sync_With_Disk(*walked);
  return {std::move(database), std::move(load), std::move(sink.Unreadable), sync.New_Maps()};
}

TResult<void> Save_PK3_Database(const TPK3_Record_Store& database) {
  TResult<void> saved =
      TDatabase_File::Save_Database(database, Database_File_Path(database.Paths().Program_Dir));
  if (saved) {
    // The file holds every rename now.
    Forget_Finished_Renames(database.Paths().Program_Dir);
  }
  return saved;
}

}  // namespace vorlix
