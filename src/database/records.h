#pragma once
// The records of the database: pk3 archives and the maps inside them, with the collections that
// own them. A map is addressed from outside by the pair (archive ID, map ID); records are never
// deleted by the synchronisation, vanished ones keep Present false.

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace vorlix {

class TFolder_Cache;
struct TGame_Directory_Walk;
class TInteraction;
class TScan_Prefetch;
class TScan_Sink;
class TPK3_Datei_Eintrag;
class TPK3_Dateien_Verwaltung;
class Zip_Archive;

// Bits of Game_Types; the database stores the byte unchanged.
enum Game_Type_Bit : std::uint8_t {
  GT_Single_Player = 1,
  GT_Free_For_All = 2,
  GT_Team_Deathmatch = 4,
  GT_Tournament = 8,
  GT_Capture_The_Flag = 16,
  GT_Other = 32,
};

// The ID after `id`, as 32-bit integers count: after the largest comes the smallest (a damaged or
// crafted file may hold any ID).
inline std::int32_t Following_ID(std::int32_t id) {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(id) + 1U);
}

// Width in characters of the status texts of the scan.
inline constexpr int Status_Width = 46;

class TMAP_Datei_Eintrag {
 public:
  std::int32_t ID = 0;
  bool Present = true;
  std::string MAP_Filename;  // upper case, no directory: Q3DM1.BSP
  std::string Map_Longname;
  std::uint32_t MAP_Filesize = 0;
  std::int32_t MAP_Filedate = 0;  // packed DOS date-time
  bool Has_AAS = false;
  bool Has_Levelshot_TGA = false;
  bool Has_Levelshot_JPG = false;
  std::int32_t Min_Recomm_Players = 2;
  std::int32_t Max_Recomm_Players = 32;
  std::int32_t Rating = 0;
  bool Allow_Include_In_Arena_File = true;
  std::string Comment;
  std::uint8_t Game_Types = GT_Free_For_All;
  std::int32_t Limits_Frags = 20;
  std::int32_t Limits_Captures = 8;
  std::int32_t Limits_Time = 0;
  std::int32_t Limits_Players = 8;
  std::int32_t Bot_Skill = 3;
  std::vector<std::string> Useable_MODs;
  std::vector<std::string> Assigned_Bots;
  TPK3_Datei_Eintrag* PK3 = nullptr;  // back reference, not owned, not stored
};

// An ordered list of map records, owned, plus the archive record the list belongs to.
class TMAP_Dateien {
 public:
  explicit TMAP_Dateien(TPK3_Datei_Eintrag* pk3 = nullptr) : PK3_(pk3) {}
  virtual ~TMAP_Dateien() = default;
  TMAP_Dateien(const TMAP_Dateien&) = delete;
  TMAP_Dateien& operator=(const TMAP_Dateien&) = delete;

  TMAP_Datei_Eintrag* Items(int index) const {
    return List_.at(static_cast<std::size_t>(index)).get();
  }
  // Puts a record into a slot; returns the record that was there (the caller decides its fate).
  std::unique_ptr<TMAP_Datei_Eintrag> Put(int index, std::unique_ptr<TMAP_Datei_Eintrag> record);
  int Count() const { return static_cast<int>(List_.size()); }
  // Appends a record with every default and the next free ID; returns its index.
  int Add_Record();
  // Takes a record built elsewhere into the list under the next free ID; returns its index.
  int Adopt_Record(std::unique_ptr<TMAP_Datei_Eintrag> record);
  int IndexOfID(std::int32_t id) const;
  void Clear() { List_.clear(); }

  TPK3_Datei_Eintrag* PK3() const { return PK3_; }

 protected:
  TPK3_Datei_Eintrag* PK3_;
  std::vector<std::unique_ptr<TMAP_Datei_Eintrag>> List_;
};

// The map manager of one archive: adds what scanning needs.
class TMAP_Dateien_Verwaltung : public TMAP_Dateien {
 public:
  TMAP_Dateien_Verwaltung(std::string program_dir, std::string temp_dir, TPK3_Datei_Eintrag* pk3,
                          TInteraction* interaction);

  // A new record with every field of `map` copied; PK3 copied too.
  static std::unique_ptr<TMAP_Datei_Eintrag> Clone_Map(const TMAP_Datei_Eintrag& map);

  // Lists the archive of this manager's record into `open_archive` (which keeps it open for the
  // extraction that follows) and records one map per .bsp member with its companion flags.
  // A map that cannot be read is reported and left out. False (reported) when the archive could
  // not be listed or its scan failed as a whole; the maps recorded so far stay.
  bool Scan_PK3(std::unique_ptr<Zip_Archive>& open_archive);

  const std::string& Program_Dir() const { return Program_Dir_; }
  const std::string& Temp_Dir() const { return Temp_Dir_; }
  TInteraction* Interaction() const { return Interaction_; }

  // Name of the file last reported by an extraction (scan state).
  std::string Last_Reported_File;

 private:
  std::string Program_Dir_;
  std::string Temp_Dir_;
  TInteraction* Interaction_;
};

class TPK3_Datei_Eintrag {
 public:
  std::int32_t ID = 0;
  bool Present = true;
  std::string MOD_Directory;  // lower case, as the scan stores it
  std::string PK3_Filename;   // letter case as found on disk
  std::uint32_t PK3_Filesize = 0;
  std::int32_t PK3_Filedate = 0;  // packed DOS date-time
  std::unique_ptr<TMAP_Dateien_Verwaltung> Maps;
  TPK3_Dateien_Verwaltung* Owner = nullptr;  // back reference, not owned, not stored
};

class TPK3_Dateien {
 public:
  TPK3_Dateien() = default;
  virtual ~TPK3_Dateien() = default;
  TPK3_Dateien(const TPK3_Dateien&) = delete;
  TPK3_Dateien& operator=(const TPK3_Dateien&) = delete;

  TPK3_Datei_Eintrag* Items(int index) const {
    return List_.at(static_cast<std::size_t>(index)).get();
  }
  std::unique_ptr<TPK3_Datei_Eintrag> Put(int index, std::unique_ptr<TPK3_Datei_Eintrag> record);
  int Count() const { return static_cast<int>(List_.size()); }
  int Add_Record();
  int Adopt_Record(std::unique_ptr<TPK3_Datei_Eintrag> record);
  int IndexOfID(std::int32_t id) const;
  void Delete_Record(int index);
  void Clear() { List_.clear(); }

 protected:
  virtual TPK3_Dateien_Verwaltung* As_Manager() { return nullptr; }
  std::vector<std::unique_ptr<TPK3_Datei_Eintrag>> List_;
};

// Directories and services the pk3 manager works with.
struct TDatabase_Paths {
  std::string Program_Dir;
  std::string Temp_Dir;
  std::string Levelshots_Dir;
  std::string Botinfo_Dir;
  std::string Game_Dir;
};

class TPK3_Dateien_Verwaltung : public TPK3_Dateien {
 public:
  TPK3_Dateien_Verwaltung(TDatabase_Paths paths, TInteraction* interaction);
  ~TPK3_Dateien_Verwaltung() override;

  // Index of the first record whose MOD_Directory and PK3_Filename equal the given names
  // ignoring case, or -1.
  int Find_PK3(const std::string& directory, const std::string& filename) const;
  // The map with the pair of IDs, or nullptr when either is unknown.
  TMAP_Datei_Eintrag* Find_Map(std::int32_t pk3_id, std::int32_t map_id) const;
  // Stable sort of the records by PK3_Filename, byte-wise.
  void Sort_By_Filename();
  // A fresh map manager for a record of this manager.
  std::unique_ptr<TMAP_Dateien_Verwaltung> New_Map_Manager(TPK3_Datei_Eintrag* record) const;

  // The database file: writes every record (true when the file was written completely; the
  // previous file stays untouched otherwise), and replaces the records with a file's content
  // (true when the whole file was read). Failures are reported to the user.
  bool Save_Database(const std::string& path) const;
  bool Load_Database(const std::string& path);
  // True after a load that met a damaged file (cut short, impossible counts or lengths): the
  // records are incomplete, so nothing may be built on them or saved over the file.
  bool Load_Damaged() const { return Load_Damaged_; }

  // Brings the records in line with the archives under the game directory, as `walk` found them
  // (walked here when not given).
  void Sync_With_Disk();
  void Sync_With_Disk(const TGame_Directory_Walk& walk);
  // Records, scans and extracts an archive that has no record.
  void Add_New_PK3(const std::string& directory, const std::string& filename, std::uint32_t size,
                   std::int32_t date);
  // Refreshes the record at `index`: a full rescan and merge, or only the extraction.
  void Update_PK3(int index, const std::string& directory, const std::string& filename,
                  std::uint32_t size, std::int32_t date, bool extraction_only);
  // Copies the levelshots and bot files of the open archive into the record's folders and
  // closes the archive.
  void Extract_Levelshots_And_Botinfo(TPK3_Datei_Eintrag& record);

  const TDatabase_Paths& Paths() const { return Paths_; }
  // How often this manager has written below LEVELSHOTS or BOTINFO: archive folders created,
  // removed or extracted into. 0 while their content is as it was when the manager was made.
  int Folder_Writes() const;
  // Counts a change below LEVELSHOTS or BOTINFO made outside the manager.
  void Note_Folder_Write() { ++Extractions_; }
  TInteraction* Interaction() const { return Interaction_; }
  // Full path of a record's archive: where the last walk found it, else formed from its names
  // (the directory looked up ignoring case).
  std::string Archive_Path(const TPK3_Datei_Eintrag& record) const;

  // The archive open during a scan (at most one).
  std::unique_ptr<Zip_Archive> Open_Archive;
  // Worker threads that scan new and changed archives ahead of the synchronisation's walk;
  // 0 scans every archive on the calling thread when its turn comes. The records, files and
  // texts are the same either way.
  int Scan_Threads = 2;
  // The scan of the archive at `path` for `record` when the synchronisation has it ready:
  // appended to `maps`, its archive in `open_archive`, its texts given to `sink`, the result of
  // its scan in `listed`.
  bool Take_Prefetched_Scan(const std::string& path, TPK3_Datei_Eintrag& record, TMAP_Dateien& maps,
                            std::unique_ptr<Zip_Archive>& open_archive, TScan_Sink& sink,
                            bool& listed);

 protected:
  TPK3_Dateien_Verwaltung* As_Manager() override { return this; }

 private:
  TDatabase_Paths Paths_;
  TInteraction* Interaction_;
  // The per-archive folders of LEVELSHOTS and BOTINFO, listed once per synchronisation.
  std::unique_ptr<TFolder_Cache> Folders_;
  // Paths of the archives found by the walk of the running synchronisation (held by the walk),
  // by the lower-cased directory + "\" + file name; the first of each such name only.
  std::unordered_map<std::string, const std::string*> Walk_Paths_;
  // Extractions so far (the folder cache counts its own creations and removals).
  int Extractions_ = 0;
  // Set while Sync_With_Disk runs: the folder cache is valid only within one synchronisation.
  bool Syncing_ = false;
  // Scans running ahead of the walk of the running synchronisation, if any.
  std::unique_ptr<TScan_Prefetch> Prefetch_;
  bool Load_Damaged_ = false;
};

// The archive date a record carries while its archive could not be scanned: no file's date is
// ever this value (a packed DOS date has a month and a day), so the next synchronisation sees a
// changed archive and scans it again. The database file keeps its format.
inline constexpr std::int32_t Date_Not_Scanned = 0;

// The message of a database file that could not be read completely: where the file and the
// copy kept of it (`backup_kept`: path + ".bak") are, and how to start afresh.
std::string Damaged_Database_Message(const std::string& path, bool backup_kept);

}  // namespace vorlix
