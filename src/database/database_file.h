#pragma once
// The database file mapsdb.dat: every pk3 record in list order, each followed by its maps, with
// no header and no trailer. Numbers are little-endian, strings are counted and zero-terminated.

#include <string>

namespace vorlix {

class TPK3_Record_Store;

class TDatabase_File {
 public:
  // Writes every record of `database` (true when the file was written completely; the previous
  // file stays untouched otherwise).
  static bool Save_Database(const TPK3_Record_Store& database, const std::string& path);
  // Replaces the records of `database` with the file's content (true when the whole file was
  // read; a missing file is an empty database). A damaged file (cut short, impossible counts or
  // lengths, or no regular file of a sane size) marks the records Load_Damaged and is kept beside
  // itself as path + ".bak".
  static bool Load_Database(TPK3_Record_Store& database, const std::string& path);
};
// Failures of both are reported to the user through the database's interaction.

// The message of a database file that could not be read completely: where the file and the
// copy kept of it (`backup_kept`: path + ".bak") are, how to start afresh and, when it is known,
// why nothing could be read (a FIFO, a device or a directory at the name, a file too large).
std::string Damaged_Database_Message(const std::string& path, bool backup_kept,
                                     const std::string& reason = {});

}  // namespace vorlix
