#pragma once
// The database step of the start-up and of the close: build the pk3 manager, load mapsdb.dat from
// the program directory and bring it in line with the disk; write mapsdb.dat back.

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "database/archive_facts.h"
#include "database/database_file.h"
#include "database/records.h"
#include "database/scan.h"
#include "database/sync.h"

namespace vorlix {

class TInteraction;

// The database file in the program directory: "mapsdb.dat", or the name it has on disk when it
// exists in another letter case.
std::string Database_File_Path(const std::string& program_dir);

// A pk3 manager built at the start, with what the load of its database file found.
struct TLoaded_Database {
  std::unique_ptr<TPK3_Record_Store> Database;
  TDatabase_Load_Result Load;
  // Archives the synchronisation could not read, not reported yet (the caller tells them once
  // the views are filled, see Archives_To_Report).
  std::vector<TUnreadable_Archive> Unreadable;
  // The maps the synchronisation recorded for the first time (TDatabase_Sync::New_Maps).
  std::vector<TMap_Record*> New_Maps = {};
};

// Builds a new pk3 manager on `paths`, loads the database file of the program directory (an error
// of the load is shown at once through `interaction`) and synchronises it with the disk, showing
// progress on the status lines of `interaction`. The game directory is walked meanwhile, unless
// the caller walks it already: then `walk_ahead` hands over that walk once the file is loaded
// (waiting for it), and a nullopt from it has the directory walked then. A database file that could
// not be read completely is reported and not synchronised (Load.Damaged() of the result): the
// start-up ends there. `listed`, when given, is handed the facts of every archive the
// synchronisation listed, one at a time, on the calling thread.
TLoaded_Database Load_PK3_Database(
    const TDatabase_Paths& paths, TInteraction* interaction,
    const std::function<std::optional<TGame_Directory_Walk>()>& walk_ahead = nullptr,
    const TLive_Sync_Sink::TListed_Handler& listed = nullptr);

// Writes the database file of the program directory; when that fails, the previous file is
// untouched and the result carries the message.
TResult<void> Save_PK3_Database(const TPK3_Record_Store& database);

}  // namespace vorlix
