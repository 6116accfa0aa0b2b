#include "launch/launch_outcomes.h"

#include <cerrno>
#include <ctime>
#include <optional>
#include <set>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "core/listing.h"
#include "core/paths.h"
#include "database/play_history.h"
#include "launch/engine_log.h"

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

struct TLog_Read {
  TLog_State State = TLog_State::Missing;
  std::string Text;
};

// The log, when its engine has ended (no one holds its lock): its first bytes up to the limit.
TLog_Read Read_Ended_Log(const std::string& path, bool read) {
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
  if (::flock(fd, LOCK_SH | LOCK_NB) != 0) {
    ::close(fd);
    log.State = TLog_State::Running;
    return log;
  }
  log.State = TLog_State::Ended;
  if (read) {
    const auto size =
        static_cast<std::size_t>(std::min<std::uint64_t>(st.st_size, Launch_Log_Read_Limit));
    log.Text.resize(size);
    std::size_t got = 0;
    while (got < size) {
      const ssize_t n = ::read(fd, log.Text.data() + got, size - got);
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

bool Launch_Log_In_Use(const std::string& path) {
  return Read_Ended_Log(path, false).State == TLog_State::Running;
}

TOutcome_Collection Collect_Launch_Outcomes(THistory_Keeper& history) {
  TOutcome_Collection collection;
  const std::string folder = Logs_Folder(history.Program_Dir(), false);
  if (folder.empty()) {
    return collection;
  }
  struct TEnded {
    TWaiting_Load Launch;
    std::optional<TMap_Load_Outcome> Outcome;  // nothing: the log is gone
  };
  std::vector<TEnded> ended;
  std::set<std::string> kept;
  for (const TWaiting_Load& waiting : history.History().Waiting()) {
    TLog_Read log{};
    if (Is_Log_Name(waiting.Log)) {
      log = Read_Ended_Log(platform::Join(folder, waiting.Log), true);
    }
    if (log.State == TLog_State::Running) {
      ++collection.Running;
      kept.insert(waiting.Log);
      continue;
    }
    TEnded one{waiting, std::nullopt};
    if (log.State == TLog_State::Ended) {
      one.Outcome = Read_Map_Load_Outcome(log.Text, waiting.Map_Name);
      ++collection.Read;
    }
    ended.push_back(std::move(one));
  }
  if (!ended.empty()) {
    const THistory_Change change = history.Change([&ended](TPlay_History& played) {
      for (TEnded& one : ended) {
        played.Remove_Waiting(one.Launch.Log);
        if (!one.Outcome || one.Outcome->Verdict == TLoad_Verdict::Unknown) {
          continue;  // the engine never reached the map: what was known stays
        }
        TMap_Load load;
        load.Engine = one.Launch.Engine;
        load.State = one.Outcome->Verdict == TLoad_Verdict::Failed ? TLoad_State::Failed
                                                                   : TLoad_State::Loaded;
        load.Time = one.Launch.Time;
        load.Error_Line = std::move(one.Outcome->Error_Line);
        load.Missing_Images = std::move(one.Outcome->Missing_Images);
        played.Record_Load(one.Launch.Map, std::move(load));
      }
      return true;
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
