#pragma once
// Renaming and deleting a pk3 archive from the map properties dialog, together with the
// LEVELSHOTS and BOTINFO folders extracted from it.
//
// A rename keeps the archive's record (only MOD_Directory and PK3_Filename change), so after the
// caller's save and reload the synchronisation finds the archive unchanged and every map keeps its
// ID and properties. When a folder cannot be moved, the archive and any folder already moved are
// put back, so that file, record and folders always agree.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace vorlix {

class THistory_Keeper;
class TInteraction;
class TPK3_Record;
class TPK3_Record_Store;
struct TDatabase_Paths;

// Called after each step on disk of a rename or a delete, with the step's number from 1 on: the
// points at which a crash may stop the work (tests stop a child process there).
using TPK3_Step_Observer = std::function<void(int step)>;

enum class TPK3_Action {
  Nothing,  // cancelled, refused or failed: the dialog stays open
  Renamed,  // renamed: save, reload, select the map by the pair of IDs, reopen the dialog
  Deleted,  // archive file deleted: the dialog closes with OK, then save and reload
};

struct TPK3_Action_Result {
  TPK3_Action Action = TPK3_Action::Nothing;
  // The map the dialog showed, to be found again after the reload.
  std::int32_t PK3_ID = 0;
  std::int32_t MAP_ID = 0;
  bool Reload_Needed() const { return Action != TPK3_Action::Nothing; }
};

// "&Rename PK3": asks for the new name with the file dialog ("Rename to...") and renames.
TPK3_Action_Result Rename_PK3_File(const TDatabase_Paths& paths, TPK3_Record& pk3,
                                   std::int32_t map_id, TInteraction& ui);
// The rename to a path already chosen (absolute, or relative to the current directory).
//
// Before the first file is moved, the intent (archive ID, old and new names) is added to the
// rename journal of the program directory, written in one piece; the next save of the database,
// which holds the new names, clears it. A start that finds the journal finishes or rolls back
// each rename first (Finish_Interrupted_Renames), so that a crash at any moment leaves the
// archive with its ID, its maps' IDs and properties, and its maps tree entries.
TPK3_Action_Result Rename_PK3_File_To(const TDatabase_Paths& paths, TPK3_Record& pk3,
                                      std::int32_t map_id, const std::string& new_path,
                                      TInteraction& ui, const TPK3_Step_Observer& observer = {});

// "&Delete PK3": asks, deletes the archive file and both folders, and makes `history` forget
// the archive's maps (the program's own keeper, so that what it holds forgets them too). The
// records stay in memory until the caller's save and reload, whose synchronisation marks the
// archive absent (and removes folders a crash left behind).
TPK3_Action_Result Delete_PK3_File(const TDatabase_Paths& paths, TPK3_Record& pk3,
                                   std::int32_t map_id, THistory_Keeper& history, TInteraction& ui,
                                   const TPK3_Step_Observer& observer = {});

// The rename journal of a program directory.
std::string Rename_Journal_Path(const std::string& program_dir);
// For each rename in the journal, in order: when the archive is under its new name only, the
// folders still under the old name follow it and the record takes the new names; when it is
// under its old name only, folders already moved go back and the record keeps the old names.
// The journal stays until the database is saved (Forget_Finished_Renames). Returns the warnings
// for the user, in order (a journal that cannot be read).
std::vector<std::string> Finish_Interrupted_Renames(TPK3_Record_Store& database);
// After the database was saved with every rename in it: removes the journal.
void Forget_Finished_Renames(const std::string& program_dir);

// Renames a file or directory without ever replacing another one: fails when the target exists
// (also under a name differing only in letter case) unless it is the source itself. Succeeds
// without doing anything when source and target are the same path.
bool Rename_Without_Replacing(const std::string& from, const std::string& to);

}  // namespace vorlix
