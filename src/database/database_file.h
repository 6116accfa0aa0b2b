#pragma once
// The database file mapsdb.dat: every pk3 record in list order, each followed by its maps, with
// no header and no trailer. Numbers are little-endian, strings are counted and zero-terminated.

#include <string>

#include "core/result.h"

namespace vorlix {

class TPK3_Record_Store;

// How far a load of the database file got.
enum class TDatabase_Load_Status {
  Complete,               // every record read; a missing file is an empty database
  Incompatible_Archives,  // an archive record of another format: the records before it are kept
  Incompatible_Maps,      // a map record of another format
  Damaged,                // cut short, impossible counts or lengths, or no regular file of a
                          // sane size: the records are incomplete
};

// What a load of the database file found. Every load that did not complete leaves the stored
// files to be kept as they are; a damaged file or a map record of another format ends the run.
struct TDatabase_Load_Result {
  TDatabase_Load_Status Status = TDatabase_Load_Status::Complete;
  // The file's bytes are kept beside it as path + ".bak".
  bool Backup_Kept = false;
  // The error to show the user (with Cancel), empty when there is none.
  std::string Message;

  bool Complete() const { return Status == TDatabase_Load_Status::Complete; }
  bool Damaged() const { return Status == TDatabase_Load_Status::Damaged; }
  // Nothing may be saved over the stored files after this load.
  bool Keep_Stored_Files() const { return !Complete(); }
  // The program ends once the start-up is over.
  bool Ends_Run() const { return Status == TDatabase_Load_Status::Incompatible_Maps || Damaged(); }
};

class TDatabase_File {
 public:
  // Writes every record of `database`; the previous file stays untouched when that fails, and
  // the failure's message names the file and the system's reason.
  static TResult<void> Save_Database(const TPK3_Record_Store& database, const std::string& path);
  // Replaces the records of `database` with the file's content. A damaged file marks the records
  // Load_Damaged; whatever did not load completely is kept beside the file as path + ".bak".
  static TDatabase_Load_Result Load_Database(TPK3_Record_Store& database, const std::string& path);
};

// The message of a database file that could not be read completely: where the file and the
// copy kept of it (`backup_kept`: path + ".bak") are, how to start afresh and, when it is known,
// why nothing could be read (a FIFO, a device or a directory at the name, a file too large).
std::string Damaged_Database_Message(const std::string& path, bool backup_kept,
                                     const std::string& reason = {});

}  // namespace vorlix
