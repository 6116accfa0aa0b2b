#pragma once
// What the game itself knows of the installation's archives: for each archive its map, bot-file
// and arena-script members, the arena blocks of its scripts, read as the engine reads them, and
// the checksum the engine names it by. Kept in gameindex.dat in the program directory (versioned,
// each archive's record followed by its CRC-32, written atomically, rebuilt from the archives
// when it is missing, damaged - a checksum that does not match included - or of another version)
// and never needed to keep the user's data: mapsdb.dat and mapstree.dat know nothing of it.
//
// The file (numbers 32-bit little-endian; a string is its length with the terminating zero, its
// bytes and the zero; a list of strings is their number and the strings):
//   "VXGI", the version (3), the number of archives, then for each archive its record and the
//   CRC-32 of the record's bytes. A record: MOD directory, file name, size, packed DOS
//   date-time, readable (one byte, 1 or 0), the engine's checksum, the maps, the bot files, the
//   arena scripts, the number of arena blocks and each block's script, number of keys, and keys
//   and values.
// Version 2 had no engine's checksum; its files, like those of any other version, are rebuilt.
//
// The engine's rules it answers by:
// - a MOD directory's archives are searched before those of the base directory of the engine in
//   use (baseq3 or baseoa, Engine_Base_Directory); within a directory the archive whose name
//   sorts last (bytes compared after upper-casing ASCII letters) comes first;
// - a map's bot file (maps/NAME.aas) and its .bsp are taken from the first archive holding them
//   in any letter case;
// - scripts/arenas.txt is read from the first archive holding it, every .arena script the engine
//   lists (Arena_Script_Path) once, from the first archive holding its path.

#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "database/archive_facts.h"

namespace vorlix {

class TPK3_Record_Store;

class TGame_Index {
 public:
  // Reads gameindex.dat; false (and an empty index) when it is missing, damaged or of another
  // version.
  bool Load(const std::string& path);
  // The same for the bytes of such a file.
  bool Load_Bytes(std::string bytes);
  // Reads of each archive of gameindex.dat its directory, name, size, date and readability alone
  // (its maps, bot files, scripts and arena blocks left out), a record at a time: for what needs
  // no more of it (the collection's indexes). False as Load. Such an index is never saved.
  bool Load_Archives(const std::string& path);
  // Writes it atomically; false when it could not be written (or when it holds only the
  // archives' names).
  bool Save(const std::string& path) const;

  // Brings the index in line with the present archives of the database: the facts `scanned` by
  // the synchronisation of the database stand for their archives, an archive whose size and date
  // are known keeps its facts, any other one is read (`read` gives the facts of a path;
  // Read_Archive_Facts when empty). Returns the number of archives whose facts changed.
  using TReader = TArchive_Facts (*)(const std::string& path);
  int Refresh(const TPK3_Record_Store& database, TReader read = nullptr,
              std::vector<TArchive_Facts> scanned = {});

  // The base directory of the engine in use (Engine_Base_Directory); the search order takes it
  // alone of the base directories it is given. Empty (the default): all of them.
  void Set_Base_Directory(std::string base) { Base_Directory_ = std::move(base); }
  const std::string& Base_Directory() const { return Base_Directory_; }
  // The base directories the search order takes: the one in use, else all known ones.
  std::vector<std::string> Bases() const;

  const std::vector<TArchive_Facts>& Archives() const { return Archives_; }
  void Set_Archives(std::vector<TArchive_Facts> archives) { Archives_ = std::move(archives); }

  // The archives of a MOD directory followed by those of the base directories (of these, the
  // one in use only), in the engine's search order (names compared case-insensitively).
  std::vector<const TArchive_Facts*> Search_Order(const std::string& mod,
                                                  const std::vector<std::string>& bases) const;

  // The first archive of the search order holding maps/NAME.aas (NAME: a map file name with
  // or without ".bsp"), or nullptr.
  const TArchive_Facts* Bot_File(const std::string& map_file, const std::string& mod,
                                 const std::vector<std::string>& bases) const;
  // The first archive of the search order holding maps/NAME.bsp, or nullptr.
  const TArchive_Facts* Loaded_From(const std::string& map_file, const std::string& mod,
                                    const std::vector<std::string>& bases) const;
  // Every block of the scripts the game reads for a MOD directory, with its archive, in the
  // order the game reads them: each script name once, from the first archive of the search order
  // holding it.
  std::vector<std::pair<const TArchive_Facts*, const TArena_Info*>> Arenas_Read(
      const std::string& mod, const std::vector<std::string>& bases) const;
  // What Arenas_Read gives for each of the MOD directories `mods`, handed to `visit` block by
  // block, from the index file at `path` read one archive's record at a time: a first start of a
  // large collection never holds the whole index for it. `base_directory` as Set_Base_Directory.
  // False when the file is missing, damaged or of another version; blocks may have been visited
  // before damage further on was met.
  using TArena_Visit = std::function<void(const std::string& mod, const TArchive_Facts& archive,
                                          const TArena_Info& block)>;
  static bool Walk_Arenas_Read_In_File(const std::string& path, std::string base_directory,
                                       const std::vector<std::string>& mods,
                                       const std::vector<std::string>& bases,
                                       const TArena_Visit& visit);
  // The block that names the map in the script the game would use, with its archive; nullopt
  // when no script of the search order names it.
  std::optional<std::pair<const TArchive_Facts*, TArena_Info>> Arena_Of(
      const std::string& map_file, const std::string& mod,
      const std::vector<std::string>& bases) const;

 private:
  std::vector<TArchive_Facts> Archives_;
  std::string Base_Directory_;
  bool Archives_Only_ = false;  // read by Load_Archives
};

// The archive the game loads a map from when it is not the map's own (MOD directory and file name
// compared ignoring case), or nullptr: the own one is loaded, or no archive known holds the map.
const TArchive_Facts* Overriding_Archive(const TGame_Index& index, const std::string& map_file,
                                         const std::string& mod, const std::string& pk3_file);
// The note a map gets for it: "overridden by X.pk3" (the directory put before the name when the
// archive lies in another one), or "" when nothing overrides the map's own archive.
std::string Override_Note(const TGame_Index& index, const std::string& map_file,
                          const std::string& mod, const std::string& pk3_file);

// The index of the database's archives: gameindex.dat of its program directory, brought up to
// date with the facts the synchronisation `scanned` and written back when anything changed (a
// failed or damaged file only costs the next start a listing of the archives it lacks).
TGame_Index Game_Index_Of(const TPK3_Record_Store& database,
                          std::vector<TArchive_Facts> scanned = {},
                          TGame_Index::TReader read = nullptr);
// gameindex.dat written at start-up without holding the facts of every archive at once: what
// the synchronisation reports goes to a scratch file beside it one archive at a time (Add, on
// one thread), and Write then makes the file from those facts, from the old file's facts of the
// archives whose size and date it knows, and from the archives neither holds, piece by piece.
// The result is the file Game_Index_Of would write.
class TGame_Index_Writer {
 public:
  explicit TGame_Index_Writer(const std::string& program_dir);
  ~TGame_Index_Writer();
  TGame_Index_Writer(const TGame_Index_Writer&) = delete;
  TGame_Index_Writer& operator=(const TGame_Index_Writer&) = delete;

  void Add(const TArchive_Facts& facts);
  std::size_t Added() const { return Added_; }
  // Writes gameindex.dat for the present archives of the database (`read` as for Refresh); false
  // when it could not be written (the next start tries again).
  bool Write(const TPK3_Record_Store& database, TGame_Index::TReader read = nullptr);
  // Why the file or the scratch file could not be read or written (empty when nothing failed
  // but damage of the file's content, which is simply rebuilt).
  const std::string& Problem() const { return Problem_; }
  // After a Write that read the archives but could not write the file: the index it would have
  // written, for the rest of the run (nullptr otherwise).
  std::shared_ptr<const TGame_Index> Unsaved_Index() const { return Unsaved_; }

 private:
  struct TPlace {
    std::uint64_t Offset = 0;
    std::uint64_t Length = 0;
    std::uint32_t Size = 0;
    std::int32_t Date = 0;
    bool Readable = true;
  };
  std::string Path_;
  std::string Scratch_Path_;
  std::FILE* Scratch_ = nullptr;
  std::uint64_t Scratch_End_ = 0;
  std::size_t Added_ = 0;
  bool Failed_ = false;
  std::string Problem_;
  std::shared_ptr<const TGame_Index> Unsaved_;
  std::unordered_map<std::string, TPlace> Scanned_;
};

// The warning about a game index file that could not be read or written, with the reason.
std::string Game_Index_Problem_Message(const std::string& reason);

// True when gameindex.dat of `program_dir` exists and is of this version (its header only).
bool Game_Index_File_Is_Current(const std::string& program_dir);
inline constexpr const char* Game_Index_File = "gameindex.dat";

// The base directories of the engines Vorlix knows: Quake III Arena's and OpenArena's.
const std::vector<std::string>& Base_Directories();
// The base directory of the engine in use: OpenArena's (baseoa) for an engine whose file name
// names OpenArena, or for a game directory holding baseoa and no baseq3; Quake III Arena's
// (baseq3) otherwise. `engine` is the program a launch starts ("" for the game directory's own).
std::string Engine_Base_Directory(const std::string& game_dir, const std::string& engine);

// The order in which the engine searches the archives of one directory: the name that sorts last
// (ASCII letters upper-cased, bytes compared) first.
bool Searched_Before(const std::string& a, const std::string& b);

}  // namespace vorlix
