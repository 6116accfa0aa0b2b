#pragma once
// The synchronisation of the database with the archives on disk: new and changed archives are
// scanned (ahead of the walk, on worker threads) and their levelshots and bot files extracted
// into the per-archive folders below LEVELSHOTS and BOTINFO; vanished ones are marked. It reports
// what the user sees, and the facts of every archive it lists, through a TSync_Sink.

#include <cstdint>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

#include "database/archive_facts.h"
#include "database/scan.h"

namespace vorlix {

class TFolder_Cache;
class TInteraction;
class TMap_Record;
class TMap_Records;
class TPK3_Record;
class TPK3_Record_Store;

// Where the synchronisation reports to: the texts of the scan and extraction (status lines and
// error messages), and the facts of each archive it listed.
class TSync_Sink : public TScan_Sink {
 public:
  // The facts of an archive listed by the synchronisation (scanned, or listed to refill its
  // folders), with the names, size and date of its record; Readable false when its scan failed.
  virtual void Archive_Listed(TArchive_Facts facts) = 0;
};

// Passes the texts on to the user at once and the facts to `listed` (dropped when it is empty);
// keeps the archives that cannot be read, for the caller to report once the views are filled.
class TLive_Sync_Sink : public TSync_Sink {
 public:
  using TListed_Handler = std::function<void(const TArchive_Facts&)>;
  explicit TLive_Sync_Sink(TInteraction* interaction, TListed_Handler listed = nullptr)
      : Live_(interaction), Listed_(std::move(listed)) {}
  void Status(int line, const std::string& text) override { Live_.Status(line, text); }
  void Error(const std::string& text) override { Live_.Error(text); }
  void Unreadable_Archive(const std::string& path, const std::string& reason) override {
    Unreadable.push_back({path, reason});
  }
  void Archive_Listed(TArchive_Facts facts) override {
    if (Listed_) {
      Listed_(facts);
    }
  }

  std::vector<TUnreadable_Archive> Unreadable;

 private:
  TLive_Scan_Sink Live_;
  TListed_Handler Listed_;
};

class TDatabase_Sync {
 public:
  // `database` and `sink` must outlive the synchroniser.
  TDatabase_Sync(TPK3_Record_Store& database, TSync_Sink& sink);
  ~TDatabase_Sync();
  TDatabase_Sync(const TDatabase_Sync&) = delete;
  TDatabase_Sync& operator=(const TDatabase_Sync&) = delete;

  // Brings the records in line with the archives under the game directory, as `walk` found them
  // (walked here when not given).
  void Sync_With_Disk();
  void Sync_With_Disk(const TGame_Directory_Walk& walk);
  // The folders below LEVELSHOTS and BOTINFO as listed just before (TFolder_Cache::List_Below):
  // the next synchronisation starts with these listings instead of listing the folders itself.
  // Whoever lists them vouches that nothing changed them since.
  void Use_Folder_Listings(std::unique_ptr<TFolder_Cache> listed);
  // Records, scans and extracts an archive that has no record.
  void Add_New_PK3(const std::string& directory, const std::string& filename, std::uint32_t size,
                   std::int32_t date);
  // Refreshes the record at `index`: a full rescan and merge, or only the extraction.
  void Update_PK3(int index, const std::string& directory, const std::string& filename,
                  std::uint32_t size, std::int32_t date, bool extraction_only);
  // Lists the archive of `record` into Open_Archive (which keeps it open for the extraction that
  // follows) and appends one map per .bsp member to `maps` with its companion flags; reports the
  // archive's facts. A map that cannot be read is reported and left out. False (reported) when
  // the archive could not be listed or its scan failed as a whole; the maps recorded so far stay.
  bool Scan_PK3(TPK3_Record& record, TMap_Records& maps);
  // Copies the levelshots and bot files of the open archive into the record's folders and
  // closes the archive.
  void Extract_Levelshots_And_Botinfo(TPK3_Record& record);
  // Full path of a record's archive: where the running synchronisation's walk found it, else as
  // the database forms it.
  std::string Archive_Path(const TPK3_Record& record) const;
  // The maps that got a record of their own in this synchroniser's runs (the maps of a new
  // archive, and those a changed archive holds and its record did not), in the order they were
  // recorded. Their properties are the defaults the scan gave them.
  const std::vector<TMap_Record*>& New_Maps() const { return New_Maps_; }

  // The archive open during a scan (at most one).
  std::unique_ptr<TZip_Archive> Open_Archive;
  // Worker threads that scan new and changed archives ahead of the synchronisation's walk;
  // 0 scans every archive on the calling thread when its turn comes. The records, files and
  // texts are the same either way.
  int Scan_Threads = 2;

 private:
  // Adds the folder changes made since the last call to the database's count of folder writes.
  void Count_Folder_Changes();
  // Reports an extraction that failed: a folder of the program that cannot be written once per
  // folder and reason, any other failure once per text.
  void Report_Extraction_Failure(const std::string& folder, const std::string& what);

  TPK3_Record_Store& Db_;
  TSync_Sink& Sink_;
  // The per-archive folders of LEVELSHOTS and BOTINFO, listed once per synchronisation.
  std::unique_ptr<TFolder_Cache> Folders_;
  int Folder_Changes_Counted_ = 0;
  // Paths of the archives found by the walk of the running synchronisation (held by the walk),
  // by the lower-cased directory + "\" + file name; the first of each such name only.
  std::unordered_map<std::string, const std::string*> Walk_Paths_;
  // Set by Use_Folder_Listings until the next synchronisation starts.
  bool Folders_Listed_ = false;
  // Set while Sync_With_Disk runs: the folder cache is valid only within one synchronisation.
  bool Syncing_ = false;
  // The extraction failures reported by this synchroniser (folder + reason, or the text).
  std::set<std::string> Reported_Failures_;
  // Scans running ahead of the walk of the running synchronisation, if any.
  std::unique_ptr<TScan_Prefetch> Prefetch_;
  std::vector<TMap_Record*> New_Maps_;
};

}  // namespace vorlix
