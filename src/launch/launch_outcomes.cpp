#include "launch/launch_outcomes.h"

#include <algorithm>
#include <cerrno>
#include <ctime>
#include <map>
#include <optional>
#include <set>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "core/letter_case.h"
#include "core/listing.h"
#include "core/paths.h"
#include "database/play_history.h"
#include "database/records.h"
#include "launch/engine_log.h"
#include "launch/server_rotation.h"

namespace vorlix {

namespace {

constexpr std::string_view Log_Prefix = "launch-";
constexpr std::string_view Log_Suffix = ".log";

bool Is_Log_Name(std::string_view name) {
  return name.size() > Log_Prefix.size() + Log_Suffix.size() && name.starts_with(Log_Prefix) &&
         name.ends_with(Log_Suffix) && name.find('/') == std::string_view::npos;
}

// The logs folder of the data folder, made when missing; "" when it is not a folder of its own
// (a link planted there is not followed).
std::string Logs_Folder(const std::string& program_dir, bool make) {
  if (program_dir.empty()) {
    return {};
  }
  std::string folder = platform::Join(program_dir, Launch_Logs_Folder);
  if (make) {
    ::mkdir(folder.c_str(), 0700);
  }
  struct stat st {};
  if (::lstat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
    return {};
  }
  return folder;
}

enum class TLog_State { Missing, Running, Ended };

// How much of a log is read: nothing, its first bytes (a client's launch loads its map at the
// start), or its last ones (a server's rotation: what it played last).
enum class TLog_Part { None, Head, Tail };

struct TLog_Read {
  TLog_State State = TLog_State::Missing;
  std::uint64_t Size = 0;
  std::string Text;
};

// The log's state (running while someone holds its lock) and, when `part` asks for it and the
// engine has ended or `while_running`, up to Launch_Log_Read_Limit of its text.
TLog_Read Read_Log(const std::string& path, TLog_Part part, bool while_running = false) {
  TLog_Read log;
  const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) {
    return log;
  }
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return log;
  }
  log.Size = static_cast<std::uint64_t>(st.st_size);
  log.State = ::flock(fd, LOCK_SH | LOCK_NB) != 0 ? TLog_State::Running : TLog_State::Ended;
  if (part != TLog_Part::None && (log.State == TLog_State::Ended || while_running)) {
    const std::uint64_t size = std::min(log.Size, Launch_Log_Read_Limit);
    const auto from = static_cast<off_t>(part == TLog_Part::Tail ? log.Size - size : 0);
    log.Text.resize(static_cast<std::size_t>(size));
    std::size_t got = 0;
    while (got < size) {
      const ssize_t n =
          ::pread(fd, log.Text.data() + got, size - got, from + static_cast<off_t>(got));
      if (n < 0 && errno == EINTR) {
        continue;
      }
      if (n <= 0) {
        break;
      }
      got += static_cast<std::size_t>(n);
    }
    log.Text.resize(got);
  }
  ::close(fd);
  return log;
}

// What the engine said of a launched map, as the history keeps it; nothing when it never
// reached the map.
std::optional<TMap_Load> Load_Of(const TMap_Load_Outcome& outcome, const std::string& engine,
                                 std::int64_t time) {
  if (outcome.Verdict == TLoad_Verdict::Unknown) {
    return std::nullopt;
  }
  return TMap_Load{
      engine, outcome.Verdict == TLoad_Verdict::Failed ? TLoad_State::Failed : TLoad_State::Loaded,
      time, outcome.Error_Line, outcome.Missing_Images};
}

// Whether the history already says this of the map (its time aside).
bool Already_Known(const TPlay_History& played, const TMap_Key& map, const TMap_Load& load) {
  for (TMap_Load known : played.Loads_Of(map)) {
    if (known.Engine == load.Engine) {
      known.Time = load.Time;
      return known == load;
    }
  }
  return false;
}

}  // namespace

std::string New_Launch_Log(const std::string& program_dir) {
  const std::string folder = Logs_Folder(program_dir, true);
  if (folder.empty()) {
    return {};
  }
  const std::string stamp = std::to_string(static_cast<std::int64_t>(std::time(nullptr)));
  for (int n = 1; n < 1000; ++n) {
    std::string path = platform::Join(folder, std::string(Log_Prefix) + stamp + "-" +
                                                  std::to_string(n) + std::string(Log_Suffix));
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 && errno == ENOENT) {
      return path;
    }
  }
  return {};
}

std::string Record_Server_Start(THistory_Keeper& history, const std::vector<TMap_Record*>& maps,
                                const std::vector<std::string>& rotation, const std::string& engine,
                                const std::string& log) {
  if (log.empty()) {
    return {};
  }
  const auto now = static_cast<std::int64_t>(std::time(nullptr));
  std::vector<TWaiting_Load> waiting;
  for (const std::string& name : rotation) {
    // The first of the maps by that name stands for it (the rotation names each map once).
    const auto found = std::find_if(maps.begin(), maps.end(), [&name](const TMap_Record* map) {
      return map != nullptr && map->PK3 != nullptr && Game_Map_Name(*map) == name;
    });
    if (found != maps.end()) {
      waiting.push_back({{(*found)->PK3->ID, (*found)->ID},
                         engine,
                         name,
                         platform::File_Name(log),
                         now,
                         /*Server=*/true});
    }
  }
  const THistory_Change change = history.Change([&waiting](TPlay_History& played) {
    for (TWaiting_Load& one : waiting) {
      played.Add_Waiting(std::move(one));
    }
    return !waiting.empty();
  });
  return !change.Problem.empty() ? change.Problem : change.Warning;
}

bool Launch_Log_In_Use(const std::string& path) {
  return Read_Log(path, TLog_Part::None).State == TLog_State::Running;
}

TOutcome_Collection Collect_Launch_Outcomes(THistory_Keeper& history, TLog_Sizes* sizes_read) {
  TOutcome_Collection collection;
  const std::string folder = Logs_Folder(history.Program_Dir(), false);
  if (folder.empty()) {
    return collection;
  }
  // The waiting launches by their log (a server's maps share one).
  std::map<std::string, std::vector<TWaiting_Load>> by_log;
  for (const TWaiting_Load& waiting : history.History().Waiting()) {
    by_log[waiting.Log].push_back(waiting);
  }
  std::vector<std::pair<TMap_Key, TMap_Load>> loads;
  std::vector<std::string> ended;  // logs whose launches are done with
  std::set<std::string> kept;
  const auto now = static_cast<std::int64_t>(std::time(nullptr));
  for (const auto& [name, launches] : by_log) {
    const bool server = launches.front().Server;
    const std::string path = platform::Join(folder, name);
    TLog_Read log;
    if (Is_Log_Name(name)) {
      log = Read_Log(path, TLog_Part::None);
      // A running server's log is read as it grows; any other once its engine has ended.
      const bool grown = sizes_read == nullptr || (*sizes_read)[name] != log.Size;
      if (log.State == TLog_State::Ended || (server && grown)) {
        log = Read_Log(path, server ? TLog_Part::Tail : TLog_Part::Head, server);
        if (sizes_read != nullptr) {
          (*sizes_read)[name] = log.Size;
        }
      }
    }
    if (log.State == TLog_State::Running) {
      ++collection.Running;
      kept.insert(name);
    } else {
      ended.push_back(name);
      if (sizes_read != nullptr) {
        sizes_read->erase(name);
      }
    }
    if (log.Text.empty()) {
      continue;
    }
    ++collection.Read;
    const std::map<std::string, TMap_Load_Outcome> outcomes = Read_Map_Load_Outcomes(log.Text);
    for (const TWaiting_Load& launch : launches) {
      const auto found = outcomes.find(platform::Lower(launch.Map_Name));
      if (found == outcomes.end()) {
        continue;
      }
      // A server's maps are played when it gets to them: their time is when that was read.
      if (std::optional<TMap_Load> load =
              Load_Of(found->second, launch.Engine, server ? now : launch.Time)) {
        loads.emplace_back(launch.Map, std::move(*load));
      }
    }
  }
  if (!ended.empty() || !loads.empty()) {
    const THistory_Change change = history.Change([&](TPlay_History& played) {
      bool changed = false;
      for (const std::string& name : ended) {
        changed = played.Remove_Waiting(name) || changed;
      }
      for (auto& [map, load] : loads) {
        if (!Already_Known(played, map, load)) {
          played.Record_Load(map, std::move(load));
          changed = true;
        }
      }
      return changed;
    });
    collection.Problem = !change.Problem.empty() ? change.Problem : change.Warning;
  }
  // What was read, and any log left behind (a launch the history forgot, a history that could not
  // be written), goes unless an engine still writes it.
  if (const auto names = platform::List_Names(folder, Is_Log_Name)) {
    for (const std::string& name : *names) {
      const std::string path = platform::Join(folder, name);
      if (kept.count(name) == 0 && !Launch_Log_In_Use(path)) {
        ::unlink(path.c_str());
      }
    }
  }
  return collection;
}

}  // namespace vorlix
