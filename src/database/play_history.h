#pragma once
// What the user played and marked: a count and the last time of each map launched, the last
// launches in order, favourite marks and the "play later" queue. A map is known by its pair of
// IDs, which a rename of its archive keeps.
//
// history.dat in the data folder, written whole and atomically after each change:
//   "VXHIST" (6 bytes), version (32-bit, History_Version)
//   map count (32-bit); per map: pk3 ID, map ID, launch count (32-bit each), last launch (two
//     32-bit halves of the time in seconds since 1970, low first), favourite (1 byte)
//   launch count (32-bit); per launch, oldest first: pk3 ID, map ID (32-bit each), time (two
//     halves), game type (32-bit: the launch dialog's index), MOD, engine (strings)
//   queue count (32-bit); per map in queue order: pk3 ID, map ID
//   load count (32-bit); per map and engine: pk3 ID, map ID (32-bit each), engine (string), state
//     (1 byte: 1 loaded, 2 failed), time (two halves), error line (string), image count
//     (32-bit), images (strings)
//   waiting count (32-bit); per launch whose console is still to be read: pk3 ID, map ID,
//     engine, map name, log file name (strings after the IDs), time (two halves), server (1 byte:
//     1 for a map of a hosted server's rotation, whose log is read while it runs)
// Version 1 ended after the queue; it is read as a history without loads.
// A map launched a thousand times costs one record; the launches kept are the last
// Recent_Launches_Kept.

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

class QLocale;

namespace vorlix {

class TByte_Reader;
class TMap_Record;

inline constexpr const char* History_File_Name = "history.dat";
inline constexpr std::int32_t History_Version = 2;
inline constexpr std::size_t Recent_Launches_Kept = 50;

using TMap_Key = std::pair<std::int32_t, std::int32_t>;  // pk3 ID, map ID

struct TMap_Play {
  std::int32_t Count = 0;
  std::int64_t Last = 0;  // seconds since 1970; 0: never
  bool Favourite = false;
  bool operator==(const TMap_Play&) const = default;
};

struct TLaunch_Record {
  TMap_Key Map;
  std::int64_t Time = 0;
  std::int32_t Game_Type = 0;
  std::string MOD;
  std::string Engine;
  bool operator==(const TLaunch_Record&) const = default;
};

// What an engine said of the last launch of a map: loaded, or failed with its error line; and
// the images its renderer could not find.
enum class TLoad_State : std::uint8_t { Loaded = 1, Failed = 2 };

struct TMap_Load {
  std::string Engine;  // the program that ran, as the launch record names it
  TLoad_State State = TLoad_State::Loaded;
  std::int64_t Time = 0;  // of the launch, seconds since 1970
  std::string Error_Line;
  std::vector<std::string> Missing_Images;
  bool operator==(const TMap_Load&) const = default;
};

// A launch whose engine's console is captured into a log of the data folder, read when the
// engine has ended.
struct TWaiting_Load {
  TMap_Key Map;
  std::string Engine;
  std::string Map_Name;  // as handed to +map
  std::string Log;       // file name in the logs folder (Launch_Logs_Folder)
  std::int64_t Time = 0;
  // A map of a hosted server's rotation: the maps of one server share its log, which is read
  // while the server runs, as it plays them.
  bool Server = false;
  bool operator==(const TWaiting_Load&) const = default;
};

// The most images kept for one map's load.
inline constexpr std::size_t Missing_Images_Kept = 200;

class TPlay_History {
 public:
  // Counts a launch of the map and keeps it among the last launches.
  void Record_Launch(const TLaunch_Record& launch);
  // What is known of a map (a record with count 0 for one never launched nor marked).
  TMap_Play Of(const TMap_Key& map) const;
  // The same for a map of the database (nothing for a map without its archive).
  TMap_Play Of(const TMap_Record& map) const;
  // The last launches, newest first, at most `limit`.
  std::vector<TLaunch_Record> Recent(std::size_t limit = Recent_Launches_Kept) const;

  void Set_Favourite(const TMap_Key& map, bool favourite);
  // The play-later queue: added at the end (a map already queued stays where it is); removed
  // wherever it stands. False when nothing changed.
  bool Queue(const TMap_Key& map);
  bool Unqueue(const TMap_Key& map);
  // Moves a queued map to the position (0 first; past the end: last). False when it is not
  // queued or stands there already.
  bool Move_In_Queue(const TMap_Key& map, std::size_t position);
  const std::vector<TMap_Key>& Queued() const { return Queue_; }
  bool Is_Queued(const TMap_Key& map) const;

  // Keeps what the engine said of the map's launch, in place of what it said before (an outcome
  // of the same engine).
  void Record_Load(const TMap_Key& map, TMap_Load load);
  // What each engine said of the map the last time, newest first.
  std::vector<TMap_Load> Loads_Of(const TMap_Key& map) const;
  std::vector<TMap_Load> Loads_Of(const TMap_Record& map) const;
  // The newest failure among them for a map whose last launch with that engine failed.
  const TMap_Load* Failure_Of(const TMap_Key& map) const;
  // The failure of the map's last launch with the engine, or nullptr.
  const TMap_Load* Failure_With(const TMap_Key& map, const std::string& engine) const;

  void Add_Waiting(TWaiting_Load waiting);
  const std::vector<TWaiting_Load>& Waiting() const { return Waiting_; }
  // Takes the launch of that log out of the waiting ones; false when it was not there.
  bool Remove_Waiting(const std::string& log);

  // Forgets everything about the maps of an archive the user deleted.
  void Forget_Archive(std::int32_t pk3_id);

  std::string Serialize() const;
  // Throws TStream_Error for bytes that are no history of this version.
  static TPlay_History Parse(const std::string& bytes);

  bool operator==(const TPlay_History&) const = default;

 private:
  static void Read_Loads(TByte_Reader& in, TPlay_History& history);

  std::map<TMap_Key, TMap_Play> Maps_;
  std::vector<TLaunch_Record> Launches_;  // oldest first
  std::vector<TMap_Key> Queue_;
  std::map<std::pair<TMap_Key, std::string>, TMap_Load> Loads_;  // by map and engine
  std::vector<TWaiting_Load> Waiting_;                           // oldest first
};

struct THistory_Load {
  TPlay_History History;
  // Set when a file was there but could not be read: it was put aside as history.dat.bak (when
  // that could be written) and the history starts empty.
  std::string Warning;
  // False when such a file could not be put aside: it must not be written over.
  bool Writable = true;
};

// The history of the data folder (empty without a file).
THistory_Load Load_Play_History(const std::string& program_dir);
// Writes it; "" or the reason it could not be written.
std::string Save_Play_History(const std::string& program_dir, const TPlay_History& history);

// What a change of the history file came to, for the user.
struct THistory_Change {
  std::string Warning;  // the file that was there could not be read (see THistory_Load)
  std::string Problem;  // why nothing was written; "" when the change was written or not needed
};

// The history as a running program keeps it: read from the data folder at the first use and
// then held, since no other program uses the data folder meanwhile (its lock). A change is made
// in memory and written; when it cannot be written, the history stays in memory until the
// program ends and the user is told once.
class THistory_Keeper {
 public:
  // `program_dir` "": a program that saves nothing; the history lives in memory only.
  // `lives_on`: the keeper serves the program until it ends (a window), so an unwritten history
  // is still there for the next change; else it serves one command.
  explicit THistory_Keeper(std::string program_dir, bool lives_on = true)
      : Program_Dir_(std::move(program_dir)), Lives_On_(lives_on) {}

  // The data folder changed (the user chose another one to save into): the history is read from
  // there at the next use, unless it holds changes not written yet, which the next change writes
  // there.
  void Set_Program_Dir(const std::string& program_dir);
  const std::string& Program_Dir() const { return Program_Dir_; }

  const TPlay_History& History();
  // The reading's warning about a damaged file, handed out once (then "").
  std::string Take_Warning();
  // Hands the history to `change`; writes it unless `change` says it changed nothing (returns
  // false) and the file was sound. The Problem is told only the first time the history cannot be
  // written; each change after that is tried again.
  THistory_Change Change(const std::function<bool(TPlay_History&)>& change);
  // Counts the changes, so that a view can tell that what it shows is old.
  std::uint64_t Changes() const { return Changes_; }
  // Called after each change (a view redraws).
  std::function<void()> Changed;

 private:
  void Load();

  std::string Program_Dir_;
  bool Lives_On_;
  TPlay_History History_;
  std::string Warning_;
  bool Loaded_ = false;
  bool Writable_ = true;
  bool Unsaved_ = false;  // the file was damaged, or a change could not be written
  bool Told_ = false;
  std::uint64_t Changes_ = 0;
};

// Reads the data folder's history, hands it to `change` and writes it back (a keeper used once).
THistory_Change Change_Play_History(const std::string& program_dir,
                                    const std::function<bool(TPlay_History&)>& change);

// A time of the history in the locale's short format, for the window.
std::string Launch_Time_Text(std::int64_t time, const QLocale& locale);
// How often and when last a map was launched, for the window: "never", "once, the last on TIME",
// "N launches, the last on TIME".
std::string Played_Text(const TMap_Play& play, const QLocale& locale);

// What the engines said of a map's last launches, one line each, for the window: "loaded with
// ENGINE on TIME", with "; N images not found: A, B" when some were, or "failed with ENGINE on
// TIME: LINE" (ENGINE the program's file name); "not known" when no launch was read.
std::string Load_Text(const std::vector<TMap_Load>& loads, const QLocale& locale);

// Forgets the maps of a deleted archive in the history.
THistory_Change Forget_Archive_In_History(THistory_Keeper& history, std::int32_t pk3_id);

}  // namespace vorlix
