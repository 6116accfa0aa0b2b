#include "database/database_startup.h"

#include <future>
#include <system_error>

#include "core/case_lookup.h"
#include "core/paths.h"
#include "database/scan.h"

namespace vorlix {

std::string Database_File_Path(const std::string& program_dir) {
  if (const auto existing = platform::Resolve_Ignore_Case(program_dir, "mapsdb.dat")) {
    return *existing;
  }
  return platform::Join(program_dir, "mapsdb.dat");
}

std::unique_ptr<TPK3_Dateien_Verwaltung> Lade_PK3_Datenbank(
    const TDatabase_Paths& paths, TInteraction* interaction,
    std::optional<TGame_Directory_Walk> walked) {
  auto database = std::make_unique<TPK3_Dateien_Verwaltung>(paths, interaction);
  if (walked) {
    database->Load_Database(Database_File_Path(paths.Program_Dir));
    database->Sync_With_Disk(*walked);
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
  database->Load_Database(Database_File_Path(paths.Program_Dir));
  database->Sync_With_Disk(walk.valid() ? walk.get() : Walk_Game_Directory(paths.Game_Dir));
  return database;
}

bool Speichere_PK3_Datenbank(const TPK3_Dateien_Verwaltung& database) {
  return database.Save_Database(Database_File_Path(database.Paths().Program_Dir));
}

}  // namespace vorlix
