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

#include "core/game_types.h"

namespace vorlix {

class TPK3_Record;
class TPK3_Record_Store;

// The ID after `id`, as 32-bit integers count: after the largest comes the smallest (a damaged or
// crafted file may hold any ID).
inline std::int32_t Following_ID(std::int32_t id) {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(id) + 1U);
}

// Width in characters of the status texts of the scan.
inline constexpr int Status_Width = 46;

class TMap_Record {
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
  TPK3_Record* PK3 = nullptr;  // back reference, not owned, not stored
};

// An ordered list of map records, owned, plus the archive record the list belongs to.
class TMap_Records {
 public:
  explicit TMap_Records(TPK3_Record* pk3 = nullptr) : PK3_(pk3) {}
  virtual ~TMap_Records() = default;
  TMap_Records(const TMap_Records&) = delete;
  TMap_Records& operator=(const TMap_Records&) = delete;

  TMap_Record* Items(int index) const { return List_.at(static_cast<std::size_t>(index)).get(); }
  // Puts a record into a slot; returns the record that was there (the caller decides its fate).
  std::unique_ptr<TMap_Record> Put(int index, std::unique_ptr<TMap_Record> record);
  int Count() const { return static_cast<int>(List_.size()); }
  // Asks for the list's slots from memory ahead of a walk over many archives' lists.
  void Prefetch_Slots() const {
    if (!List_.empty()) {
      __builtin_prefetch(List_.data());
    }
  }
  // Appends a record with every default and the next free ID; returns its index.
  int Add_Record();
  // Takes a record built elsewhere into the list under the next free ID; returns its index.
  int Adopt_Record(std::unique_ptr<TMap_Record> record);
  int Index_Of_ID(std::int32_t id) const;
  void Clear() { List_.clear(); }

  TPK3_Record* PK3() const { return PK3_; }

 protected:
  TPK3_Record* PK3_;
  std::vector<std::unique_ptr<TMap_Record>> List_;
};

// The map manager of one archive.
class TMap_Record_Store : public TMap_Records {
 public:
  explicit TMap_Record_Store(TPK3_Record* pk3) : TMap_Records(pk3) {}

  // A new record with every field of `map` copied; PK3 copied too.
  static std::unique_ptr<TMap_Record> Clone_Map(const TMap_Record& map);
};

class TPK3_Record {
 public:
  std::int32_t ID = 0;
  bool Present = true;
  std::string MOD_Directory;  // lower case, as the scan stores it
  std::string PK3_Filename;   // letter case as found on disk
  std::uint32_t PK3_Filesize = 0;
  std::int32_t PK3_Filedate = 0;  // packed DOS date-time
  std::unique_ptr<TMap_Record_Store> Maps;
  TPK3_Record_Store* Owner = nullptr;  // back reference, not owned, not stored
};

class TPK3_Records {
 public:
  TPK3_Records() = default;
  virtual ~TPK3_Records() = default;
  TPK3_Records(const TPK3_Records&) = delete;
  TPK3_Records& operator=(const TPK3_Records&) = delete;

  TPK3_Record* Items(int index) const { return List_.at(static_cast<std::size_t>(index)).get(); }
  std::unique_ptr<TPK3_Record> Put(int index, std::unique_ptr<TPK3_Record> record);
  int Count() const { return static_cast<int>(List_.size()); }
  int Add_Record();
  int Adopt_Record(std::unique_ptr<TPK3_Record> record);
  // Appends a record as it is, its ID kept; returns its index.
  int Append_Record(std::unique_ptr<TPK3_Record> record);
  int Index_Of_ID(std::int32_t id) const;
  void Delete_Record(int index);
  void Clear() { List_.clear(); }

 protected:
  virtual TPK3_Record_Store* As_Manager() { return nullptr; }
  std::vector<std::unique_ptr<TPK3_Record>> List_;
};

// Directories the pk3 manager works with.
struct TDatabase_Paths {
  std::string Program_Dir;
  std::string Temp_Dir;
  std::string Levelshots_Dir;
  std::string Botinfo_Dir;
  std::string Game_Dir;
  // Nothing is written below the program directory: no folder of LEVELSHOTS or BOTINFO is made,
  // filled or removed (a data folder the user goes on with read-only).
  bool Read_Only = false;
};

class TPK3_Record_Store : public TPK3_Records {
 public:
  explicit TPK3_Record_Store(TDatabase_Paths paths);

  // Index of the first record whose MOD_Directory and PK3_Filename equal the given names
  // ignoring case, or -1.
  int Find_PK3(const std::string& directory, const std::string& filename) const;
  // The map with the pair of IDs, or nullptr when either is unknown.
  TMap_Record* Find_Map(std::int32_t pk3_id, std::int32_t map_id) const;
  // Stable sort of the records by PK3_Filename, byte-wise.
  void Sort_By_Filename();
  // A fresh map manager for a record of this manager.
  std::unique_ptr<TMap_Record_Store> New_Map_Manager(TPK3_Record* record) const;

  // True after a load that met a damaged file (cut short, impossible counts or lengths): the
  // records are incomplete, so nothing may be built on them or saved over the file.
  bool Load_Damaged() const { return Load_Damaged_; }
  void Set_Load_Damaged(bool damaged) { Load_Damaged_ = damaged; }

  const TDatabase_Paths& Paths() const { return Paths_; }
  // The folder the database file is saved into from now on (another data folder the user chose
  // when the first could not be written).
  void Set_Program_Dir(const std::string& program_dir) { Paths_.Program_Dir = program_dir; }
  // How often the program has written below LEVELSHOTS or BOTINFO for these records: archive
  // folders created, removed or extracted into. 0 while their content is as it was when the
  // manager was made.
  int Folder_Writes() const { return Folder_Writes_; }
  // Counts changes below LEVELSHOTS or BOTINFO.
  void Note_Folder_Write(int count = 1) { Folder_Writes_ += count; }
  // Full path of a record's archive, formed from its names (the directory and file looked up
  // ignoring case); empty when a name is not a plain name.
  std::string Archive_Path(const TPK3_Record& record) const;

 protected:
  TPK3_Record_Store* As_Manager() override { return this; }

 private:
  TDatabase_Paths Paths_;
  int Folder_Writes_ = 0;
  bool Load_Damaged_ = false;
};

// The archive date a record carries while its archive could not be scanned: no file's date is
// ever this value (a packed DOS date has a month and a day), so the next synchronisation sees a
// changed archive and scans it again. The database file keeps its format.
inline constexpr std::int32_t Date_Not_Scanned = 0;

}  // namespace vorlix
