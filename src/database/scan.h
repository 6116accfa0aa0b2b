#pragma once
// Scanning of pk3 archives: the walk over the game directory, the map title of a .bsp, and the
// scan of one archive's maps with their companion files.
//
// The scan of one archive (Scan_Archive) touches nothing but the archive object and the map list
// it fills, and reports what the user sees through a TScan_Sink. It can therefore run for several
// archives at once, each with a recording sink, as long as the results (the recorded texts and the
// maps) are then applied one archive after the other in walk order.

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "core/interaction.h"

namespace vorlix {

class TMap_Records;
class TPK3_Record;
struct TArchive_Facts;
class TZip_Archive;

// The program's archive that outranks every other archive of its directory in the game's order
// (a leading "~" sorts after every letter, digit and "_" once letters are upper-cased).
inline constexpr const char* Arena_Outranking_File_Name = "~~~~Vorlix_Arenas.pk3";

// True for the program's own arena archives, whose names begin with "z_Arenas" (case as written),
// and for its outranking archive (any case).
bool Is_Arena_File(const std::string& file_name);

// One archive found by the walk of the game directory.
struct TArchive_On_Disk {
  std::string Directory;  // as listed
  std::string Filename;   // as listed
  std::string Path;       // full path
  std::uint64_t Size = 0;
  std::int32_t Date = 0;  // last-write time, packed DOS date-time
};

struct TGame_Directory_Walk {
  std::vector<TArchive_On_Disk> Archives;  // in walk order
  bool Game_Dir_Listed = false;
  // Lower-cased names of directories that exist but could not be listed.
  std::set<std::string> Unlisted_Directories;
};

// The directories of the game directory that are not hidden (listing order), and in each the
// "*.pk3" files (ignoring case; hidden ones included) that are not arena archives. Names that
// could not be a single path component are left out.
TGame_Directory_Walk Walk_Game_Directory(const std::string& game_dir);

// The map title in up to 1024 bytes read at a map's entity offset: the value of the first
// "message" key that begins a line; empty when there is none.
std::string Longname_From_Entity_Bytes(const char* bytes, std::size_t count);
// The map title of a .bsp file. Throws TStream_Error when the file cannot be read or is shorter
// than its 12-byte header.
std::string Read_Longname(const std::string& path);

// Where the scan of one archive reports to.
class TScan_Sink {
 public:
  virtual ~TScan_Sink() = default;
  virtual void Status(int line, const std::string& text) = 0;
  virtual void Error(const std::string& text) = 0;
  // An archive that cannot be read at all (not a ZIP archive, cut short, unreadable file): by
  // default an error naming it and the reason (Unreadable_Archive_Message).
  virtual void Unreadable_Archive(const std::string& path, const std::string& reason);
};

// The message for archives that cannot be read: their paths and reasons, and that their maps are
// left out.
struct TUnreadable_Archive {
  std::string Path;
  std::string Reason;
};
std::string Unreadable_Archive_Message(const std::vector<TUnreadable_Archive>& archives);

// Passes everything on to the user at once.
class TLive_Scan_Sink : public TScan_Sink {
 public:
  explicit TLive_Scan_Sink(TInteraction* interaction) : Interaction_(interaction) {}
  void Status(int line, const std::string& text) override;
  void Error(const std::string& text) override;

 private:
  TInteraction* Interaction_;
};

// Keeps everything, in order, to be passed on later.
class TRecorded_Scan_Sink : public TScan_Sink {
 public:
  void Status(int line, const std::string& text) override { Events_.push_back({line, text, {}}); }
  void Error(const std::string& text) override { Events_.push_back({0, text, {}}); }
  void Unreadable_Archive(const std::string& path, const std::string& reason) override {
    Events_.push_back({-1, path, reason});
  }
  void Replay(TScan_Sink& target) const;

 private:
  struct TEvent {
    int Line;  // 0 for an error message, -1 for an unreadable archive (Text its path)
    std::string Text;
    std::string Reason;
  };
  std::vector<TEvent> Events_;
};

// Steps of the map scan of one archive after the archive object exists: shows the opening text,
// lists `archive_path` into `zip`, appends one map per .bsp member to `maps` (reading each map's
// header and entity text straight from the archive) and sets the companion flags. The maps get
// `record` as their archive and its MOD_Directory as usable MOD. A map that cannot be read is
// reported through the sink and left out; the other maps count. False (reported) when the archive
// could not be listed at all or the scan failed as a whole; the maps recorded so far stay.
// `facts`, when given, receives the archive's member facts from the same listing.
bool Scan_Archive(TZip_Archive& zip, const std::string& archive_path, TPK3_Record& record,
                  TMap_Records& maps, TScan_Sink& sink, TArchive_Facts* facts = nullptr);

// Lists the archive at `path` into `zip`, as Set_Zip_Filename does; an archive that libzip refuses
// only because names flagged as UTF-8 are not UTF-8 is read into memory and listed with those
// names as the bytes they are. Throws TZip_Error as Set_Zip_Filename does.
void Open_Archive_Listing(TZip_Archive& zip, const std::string& path);

// One archive whose maps the synchronisation will scan: its full path (absolute) and the names
// its record will carry during the scan (MOD_Directory in lower case, PK3_Filename as listed).
struct TScan_Job {
  std::string Path;
  std::string MOD_Directory;
  std::string PK3_Filename;
};

// Runs Scan_Archive for a list of archives, in list order, on worker threads ahead of the caller,
// keeping at most a few finished scans (each with its archive open) waiting. The caller takes the
// results one by one in the same order; every result is what Scan_Archive run at that moment
// would give, and its texts are replayed in their order, so the caller's output does not change.
class TScan_Prefetch {
 public:
  // Starts up to `threads` workers with `start` (std::thread's constructor when empty). A worker
  // that cannot be started is left out; without any, Take refuses every job and the caller
  // scans on its own thread.
  using TThread_Starter = std::function<std::thread(std::function<void()>)>;
  TScan_Prefetch(std::vector<TScan_Job> jobs, int threads, const TThread_Starter& start = {});
  ~TScan_Prefetch();  // stops the workers; scans not taken are dropped
  TScan_Prefetch(const TScan_Prefetch&) = delete;
  TScan_Prefetch& operator=(const TScan_Prefetch&) = delete;

  // The scan of the job with this path and these names (the next one in line, or a later one:
  // the jobs in between are dropped), waited for: its archive goes to `open_archive`, its maps
  // are appended to `maps` with `record` as their archive, and its texts go to `sink`. False when
  // no such job is waiting or its scan could not run: the caller then scans itself. `listed`
  // receives the result of Scan_Archive, `facts` (when given) the archive's member facts.
  bool Take(const std::string& path, TPK3_Record& record, TMap_Records& maps,
            std::unique_ptr<TZip_Archive>& open_archive, TScan_Sink& sink, bool& listed,
            TArchive_Facts* facts = nullptr);

 private:
  struct Result;
  void Work();

  std::vector<TScan_Job> Jobs_;
  std::vector<std::unique_ptr<Result>> Results_;
  std::mutex Mutex_;
  std::condition_variable Changed_;
  std::size_t Next_ = 0;   // the next job a worker starts
  std::size_t Taken_ = 0;  // jobs before this one are taken or dropped
  std::size_t Window_ = 0;
  bool Stop_ = false;
  std::vector<std::thread> Workers_;
};

}  // namespace vorlix
