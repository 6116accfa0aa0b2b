#include "database/database_startup.h"

#include <future>
#include <system_error>

#include "core/case_lookup.h"
#include "core/paths.h"
#include "database/database_file.h"
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

std::unique_ptr<TPK3_Dateien_Verwaltung> Lade_PK3_Datenbank(
    const TDatabase_Paths& paths, TInteraction* interaction,
    std::optional<TGame_Directory_Walk> walked, const TLive_Sync_Sink::Listed_Handler& listed) {
  auto database = std::make_unique<TPK3_Dateien_Verwaltung>(paths, interaction);
  TLive_Sync_Sink sink(interaction, listed);
  const auto synchronise = [&](const TGame_Directory_Walk& walk) {
    // A rename that a crash interrupted is finished or undone before the archives are compared.
    Finish_Interrupted_Renames(*database);
    TDatabase_Sync(*database, sink).Sync_With_Disk(walk);
  };
  if (walked) {
    TDatabase_File::Load_Database(*database, Database_File_Path(paths.Program_Dir));
    if (!database->Load_Damaged()) {
      synchronise(*walked);
    }
    return database;
  }
  // The game directory is walked while mapsdb.dat is read: the one is the file system's work,
  // the other the processor's.
  std::future<TGame_Directory_Walk> walk;
  try {
    walk = std::async(std::launch::async, Walk_Game_Directory, paths.Game_Dir);
  } catch (const std::system_error&) {
    // no thread to be had: walked after the load instead
  }
  TDatabase_File::Load_Database(*database, Database_File_Path(paths.Program_Dir));
  TGame_Directory_Walk found = walk.valid() ? walk.get() : Walk_Game_Directory(paths.Game_Dir);
  // A database read in part is not synchronised: the start-up stops with it.
  if (!database->Load_Damaged()) {
    synchronise(found);
  }
  return database;
}

bool Speichere_PK3_Datenbank(const TPK3_Dateien_Verwaltung& database) {
  if (!TDatabase_File::Save_Database(database, Database_File_Path(database.Paths().Program_Dir))) {
    return false;
  }
  // The file holds every rename now.
  Forget_Finished_Renames(database.Paths().Program_Dir);
  return true;
}

}  // namespace vorlix
