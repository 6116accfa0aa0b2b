#pragma once
// What the maps of the installation ask for and what its shader scripts define, read once per
// archive: for each map (maps/*.bsp) the shaders of its shader and fog lumps and of its entities'
// shader keys, and the model, sound and music files its entities name; for each shader script
// (scripts/*.shader) the shaders it defines and the images each definition loads. Kept in
// content.dat in the program's data folder; an archive whose size and date the game index records
// as before keeps its stored record and is not opened again. The loose shader scripts below the
// MOD and base directories are read at every build (they are few and small).
//
// Names are kept once for the whole index (Name, Intern): 100,000 maps of a collection share
// most of their textures. In memory they are front-coded.
//
// The file (numbers little-endian, 32-bit): "VXCI", the version (2), the names (their number, the
// bytes they take, each as a string) and the CRC-32 of their bytes, the number of archives, then
// per archive the length of its record, the record and the CRC-32 of the record's bytes. A
// record: MOD directory, file name, size, date, problem, its maps (member name, problem, shaders,
// files as kind and name) and its scripts (member name, place among the members, ignored,
// problem, definitions as name, fault and images), each name by its number. It is read a record
// at a time.

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "database/archive_facts.h"
#include "database/scan.h"

namespace vorlix {

class TGame_Index;
class TRecord_File;
class TZip_Archive;

// What kind of file an entity names.
enum class TFile_Kind : std::uint8_t { Model = 0, Sound = 1, Music = 2 };

struct TMap_Content {
  std::string Map_File;  // the member as stored, e.g. "maps/q3dm17.bsp"
  // The shaders its drawn surfaces, fogs and entity keys use, as the engine looks them up
  // (Shader_Lookup_Key), each once, in the map's order.
  std::vector<std::uint32_t> Shaders;
  // The model, sound and music files its entities name, as named, each once.
  std::vector<std::pair<TFile_Kind, std::uint32_t>> Files;
  std::string Problem;  // "" or what was wrong with the map file
};

struct TShader_Content {
  std::uint32_t Name = 0;             // Shader_Key of the definition's name
  std::vector<std::uint32_t> Images;  // the image files it loads, as written
  bool Faulty = false;                // the engine gives the definition up and draws the default
};

struct TScript_Content {
  std::string Script;                 // the member (or loose file) as stored
  std::uint32_t Member_Position = 0;  // its place among the archive's members (directory order)
  bool Ignored = false;               // the engine ignores the whole file
  std::string Problem;
  std::vector<TShader_Content> Definitions;
};

struct TContent_Archive {
  std::string MOD_Directory;
  std::string PK3_Filename;  // empty: the loose files of MOD_Directory
  std::uint32_t Size = 0;    // as the game index records them
  std::int32_t Date = 0;
  std::string Problem;  // why the archive could not be read ("" when it was)
  std::vector<TMap_Content> Maps;
  std::vector<TScript_Content> Scripts;
  // Set by a load that leaves the maps' lists in content.dat (their Shaders and Files are then
  // empty here; TContent_Index::Maps_With_Lists reads them again): the archive's record.
  std::shared_ptr<const TRecord_File> File;
  std::uint64_t Record_Offset = 0;
  std::uint32_t Record_Length = 0;
  bool Loose() const { return PK3_Filename.empty(); }
  bool Lists_In_File() const { return File != nullptr; }
};

class TContent_Index {
 public:
  TContent_Index() = default;
  // The name table views its own names: an index moves, it is not copied.
  TContent_Index(const TContent_Index&) = delete;
  TContent_Index& operator=(const TContent_Index&) = delete;
  TContent_Index(TContent_Index&&) = default;
  TContent_Index& operator=(TContent_Index&&) = default;
  ~TContent_Index() = default;

  const std::vector<TContent_Archive>& Archives() const { return Archives_; }
  std::vector<TContent_Archive>& Archives() { return Archives_; }
  std::string Name(std::uint32_t id) const;
  std::size_t Name_Count() const { return Names_; }
  // The number of a name, added when new.
  std::uint32_t Intern(std::string_view name);

  // Reads content.dat; false (and an empty index) when it is missing, damaged or of another
  // version. Left_In_File: each map's shaders and files stay in the file (a large collection's
  // lists take more memory than the rest of the index), read again an archive at a time.
  enum class TMap_Lists { Read, Left_In_File };
  bool Load(const std::string& path, TMap_Lists lists = TMap_Lists::Read);
  // The maps of one of its archives with their lists: its own, else read again from its record
  // into `read` (any number of threads at once). Throws TStream_Error when the record cannot be
  // read again.
  const std::vector<TMap_Content>& Maps_With_Lists(const TContent_Archive& archive,
                                                   std::vector<TMap_Content>& read) const;
  // Writes its archives (not the loose files) atomically; the reason when it could not be
  // written, else "".
  std::string Save(const std::string& path) const;

 private:
  // Appends a name without looking for it.
  std::uint32_t Add_Name(std::string_view name);
  // The name at `at` of Name_Bytes_ into `name`, which holds the one before it unless `first`
  // (of its block); `at` moves past it.
  void Decode_Name(std::size_t& at, std::string& name, bool first) const;

  std::vector<TContent_Archive> Archives_;
  // The names front-coded in blocks of Names_Per_Block: a block's first name whole (its length
  // and its bytes), each other one as the length of the start it shares with the name before
  // it, the length of the rest and the rest (lengths in 7-bit groups, the lowest first). The
  // names of one texture pack share most of their bytes: this takes about 40 % of the names.
  static constexpr std::uint32_t Names_Per_Block = 16;
  std::string Name_Bytes_;
  std::vector<std::uint32_t> Block_Starts_;
  std::uint32_t Names_ = 0;
  std::string Last_Name_;  // the name added last
  // The numbers of the names by a hash of their bytes (made when first needed: a loaded index
  // holds each name once).
  std::unordered_map<std::uint64_t, std::uint32_t> Ids_;
};

// The content of the archive listed into `zip` (its maps and shader scripts) into `archive`,
// names interned in `index`; a map or script that cannot be read gets its problem, the others
// count. Throws TZip_Error when the archive cannot be read at all.
void Read_Archive_Content(TZip_Archive& zip, TContent_Index& index, TContent_Archive& archive);
// Its shader scripts alone.
void Read_Archive_Scripts(const TZip_Archive& zip, TContent_Index& index,
                          TContent_Archive& archive);
// One map's content from its first bytes (at least BSP_Reference_Bytes of them, or the whole
// file).
TMap_Content Read_Map_Content(const std::string& member, std::string_view bytes,
                              std::uint64_t file_size, TContent_Index& index);

// An archive's content as bytes that name every name (for handing a scan's findings over), and
// back into an index; false when the bytes are damaged.
std::string Content_Record(const TContent_Index& index, const TContent_Archive& archive);
bool Add_Content_Record(const std::string& bytes, TContent_Index& index);

// Takes what the synchronisation's scans read of each archive (TArchive_Facts::Content_Record)
// so that no map is read twice, without holding it: each record goes to a scratch file as it
// comes (Add, on one thread), and Write puts them with those of the archives scanned before into
// content-scans.dat, which the next Build_Content_Index takes into content.dat (the names of a
// large collection are made one table there, not during the start-up).
//
// content-scans.dat (numbers little-endian, 32-bit): "VXCS", the version (1), then per archive
// the length of its entry, the entry (MOD directory, file name, size, date, the record) and the
// CRC-32 of the entry's bytes. Reading stops at the first damaged entry: the archives after it
// are read again.
class TContent_Index_Writer {
 public:
  explicit TContent_Index_Writer(const std::string& data_dir);
  ~TContent_Index_Writer();
  TContent_Index_Writer(const TContent_Index_Writer&) = delete;
  TContent_Index_Writer& operator=(const TContent_Index_Writer&) = delete;
  void Add(const TArchive_Facts& facts);
  // Writes content-scans.dat when anything was added; the reason when it could not be written.
  std::string Write();

 private:
  std::string Path_;
  std::string Scratch_Path_;
  std::FILE* Scratch_ = nullptr;
  std::string Problem_;
  // The hashes of the archives added (one of an earlier run sharing a hash is scanned again).
  std::unordered_set<std::size_t> Keys_;
};

// The index of the installation at `game_dir` for the archives of `games` and the loose shader
// scripts of their MOD directories and the base directories, with content.dat of `data_dir` read
// first and written after.
struct TContent_Index_Build {
  TContent_Index Index;
  std::vector<TUnreadable_Archive> Unreadable;
  std::size_t Archives_Read = 0;
  std::size_t Archives_Reused = 0;
  std::string Save_Problem;
};
TContent_Index_Build Build_Content_Index(const std::string& game_dir, const TGame_Index& games,
                                         const std::string& data_dir);
inline constexpr const char* Content_Index_File = "content.dat";
inline constexpr const char* Content_Scans_File = "content-scans.dat";

}  // namespace vorlix
