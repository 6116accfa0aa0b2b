#include "database/database_startup.h"

#include "app/platform.h"

namespace vorlix {

std::string Database_File_Path(const std::string& program_dir) {
  if (const auto existing = platform::Resolve_Ignore_Case(program_dir, "mapsdb.dat")) {
    return *existing;
  }
  return platform::Join(program_dir, "mapsdb.dat");
}

std::unique_ptr<TPK3_Dateien_Verwaltung> Lade_PK3_Datenbank(const TDatabase_Paths& paths,
                                                            TInteraction* interaction) {
  auto database = std::make_unique<TPK3_Dateien_Verwaltung>(paths, interaction);
  database->Load_Database(Database_File_Path(paths.Program_Dir));
  database->Sync_With_Disk();
  return database;
}

bool Speichere_PK3_Datenbank(const TPK3_Dateien_Verwaltung& database) {
  return database.Save_Database(Database_File_Path(database.Paths().Program_Dir));
}

}  // namespace vorlix
