#include "database/play_history.h"

#include <algorithm>
#include <cerrno>
#include <utility>

#include <sys/stat.h>
#include <QDateTime>
#include <QLocale>

#include "core/paths.h"
#include "database/records.h"
#include "database/stream.h"

namespace vorlix {

namespace {

constexpr std::string_view History_Magic = "VXHIST";
// Each record holds at least this many bytes: a count the rest of the file cannot hold is damage.
constexpr std::size_t Min_Map_Record = 21;
constexpr std::size_t Min_Launch_Record = 28;
constexpr std::size_t Min_Queue_Record = 8;
constexpr std::uint64_t Max_History_Size = 64ULL << 20;

void Write_Time(TByte_Writer& out, std::int64_t time) {
  const auto bits = static_cast<std::uint64_t>(time);
  out.Write_Cardinal(static_cast<std::uint32_t>(bits & 0xFFFFFFFFU));
  out.Write_Cardinal(static_cast<std::uint32_t>(bits >> 32U));
}

std::int64_t Read_Time(TByte_Reader& in) {
  const std::uint64_t low = in.Read_Cardinal();
  const std::uint64_t high = in.Read_Cardinal();
  return static_cast<std::int64_t>(low | (high << 32U));
}

TMap_Key Read_Key(TByte_Reader& in) {
  const std::int32_t pk3 = in.Read_Integer();
  return {pk3, in.Read_Integer()};
}

std::size_t Read_Count(TByte_Reader& in, std::size_t record_size) {
  const std::int32_t count = in.Read_Integer();
  if (count < 0 || static_cast<std::size_t>(count) > in.Remaining() / record_size) {
    throw TStream_Error("a count the file cannot hold");
  }
  return static_cast<std::size_t>(count);
}

}  // namespace

void TPlay_History::Record_Launch(const TLaunch_Record& launch) {
  TMap_Play& play = Maps_[launch.Map];
  ++play.Count;
  play.Last = std::max(play.Last, launch.Time);
  Launches_.push_back(launch);
  if (Launches_.size() > Recent_Launches_Kept) {
    Launches_.erase(
        Launches_.begin(),
        Launches_.begin() + static_cast<std::ptrdiff_t>(Launches_.size() - Recent_Launches_Kept));
  }
}

TMap_Play TPlay_History::Of(const TMap_Key& map) const {
  const auto found = Maps_.find(map);
  return found == Maps_.end() ? TMap_Play{} : found->second;
}

TMap_Play TPlay_History::Of(const TMap_Record& map) const {
  return map.PK3 != nullptr ? Of(TMap_Key{map.PK3->ID, map.ID}) : TMap_Play{};
}

std::vector<TLaunch_Record> TPlay_History::Recent(std::size_t limit) const {
  std::vector<TLaunch_Record> recent;
  for (auto it = Launches_.rbegin(); it != Launches_.rend() && recent.size() < limit; ++it) {
    recent.push_back(*it);
  }
  return recent;
}

void TPlay_History::Set_Favourite(const TMap_Key& map, bool favourite) {
  if (favourite) {
    Maps_[map].Favourite = true;
    return;
  }
  const auto found = Maps_.find(map);
  if (found == Maps_.end()) {
    return;
  }
  found->second.Favourite = false;
  if (found->second == TMap_Play{}) {
    Maps_.erase(found);  // nothing left to keep of it
  }
}

bool TPlay_History::Queue(const TMap_Key& map) {
  if (Is_Queued(map)) {
    return false;
  }
  Queue_.push_back(map);
  return true;
}

bool TPlay_History::Is_Queued(const TMap_Key& map) const {
  return std::find(Queue_.begin(), Queue_.end(), map) != Queue_.end();
}

bool TPlay_History::Unqueue(const TMap_Key& map) {
  return std::erase(Queue_, map) > 0;
}

bool TPlay_History::Move_In_Queue(const TMap_Key& map, std::size_t position) {
  const auto found = std::find(Queue_.begin(), Queue_.end(), map);
  if (found == Queue_.end()) {
    return false;
  }
  const auto from = static_cast<std::size_t>(found - Queue_.begin());
  const std::size_t to = std::min(position, Queue_.size() - 1);
  if (from == to) {
    return false;
  }
  Queue_.erase(found);
  Queue_.insert(Queue_.begin() + static_cast<std::ptrdiff_t>(to), map);
  return true;
}

void TPlay_History::Forget_Archive(std::int32_t pk3_id) {
  std::erase_if(Maps_, [pk3_id](const auto& entry) { return entry.first.first == pk3_id; });
  std::erase_if(Launches_,
                [pk3_id](const TLaunch_Record& launch) { return launch.Map.first == pk3_id; });
  std::erase_if(Queue_, [pk3_id](const TMap_Key& map) { return map.first == pk3_id; });
}

std::string TPlay_History::Serialize() const {
  TByte_Writer out;
  out.Write_Buffer(History_Magic.data(), History_Magic.size());
  out.Write_Integer(History_Version);
  out.Write_Integer(static_cast<std::int32_t>(Maps_.size()));
  for (const auto& [key, play] : Maps_) {
    out.Write_Integer(key.first);
    out.Write_Integer(key.second);
    out.Write_Integer(play.Count);
    Write_Time(out, play.Last);
    out.Write_Bool(play.Favourite);
  }
  out.Write_Integer(static_cast<std::int32_t>(Launches_.size()));
  for (const auto& launch : Launches_) {
    out.Write_Integer(launch.Map.first);
    out.Write_Integer(launch.Map.second);
    Write_Time(out, launch.Time);
    out.Write_Integer(launch.Game_Type);
    out.Write_String(launch.MOD);
    out.Write_String(launch.Engine);
  }
  out.Write_Integer(static_cast<std::int32_t>(Queue_.size()));
  for (const auto& key : Queue_) {
    out.Write_Integer(key.first);
    out.Write_Integer(key.second);
  }
  return out.Data();
}

TPlay_History TPlay_History::Parse(const std::string& bytes) {
  TByte_Reader in(bytes);
  std::string magic(History_Magic.size(), '\0');
  in.Read_Buffer(magic.data(), magic.size());
  if (magic != History_Magic) {
    throw TStream_Error("not a history file");
  }
  if (in.Read_Integer() != History_Version) {
    throw TStream_Error("a history file of another version");
  }
  TPlay_History history;
  for (std::size_t i = Read_Count(in, Min_Map_Record); i > 0; --i) {
    const TMap_Key key = Read_Key(in);
    TMap_Play play;
    play.Count = in.Read_Integer();
    play.Last = Read_Time(in);
    play.Favourite = in.Read_Bool();
    history.Maps_[key] = play;
  }
  for (std::size_t i = Read_Count(in, Min_Launch_Record); i > 0; --i) {
    TLaunch_Record launch;
    launch.Map = Read_Key(in);
    launch.Time = Read_Time(in);
    launch.Game_Type = in.Read_Integer();
    launch.MOD = in.Read_String();
    launch.Engine = in.Read_String();
    history.Launches_.push_back(std::move(launch));
  }
  if (history.Launches_.size() > Recent_Launches_Kept) {
    throw TStream_Error("more launches than are kept");
  }
  for (std::size_t i = Read_Count(in, Min_Queue_Record); i > 0; --i) {
    history.Queue(Read_Key(in));
  }
  if (!in.At_End()) {
    throw TStream_Error("bytes after the history");
  }
  return history;
}

THistory_Load Load_Play_History(const std::string& program_dir) {
  THistory_Load load;
  const std::string path = platform::Join(program_dir, History_File_Name);
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0 && errno == ENOENT) {
    return load;
  }
  std::string bytes;
  try {
    bytes = Read_Whole_File(path, Max_History_Size);
    load.History = TPlay_History::Parse(bytes);
  } catch (const TStream_Error& error) {
    load.History = {};
    std::string kept = " It is kept as " + path + ".bak.";
    try {
      if (!bytes.empty()) {
        Write_File_Atomically(path + ".bak", bytes);
      } else {
        kept = " The file stays as it is.";
        load.Writable = false;
      }
    } catch (const TStream_Error&) {
      kept = " The file stays as it is.";
      load.Writable = false;
    }
    load.Warning = "The history of played maps " + path + " cannot be read (" + error.what() +
                   "); it starts empty." + kept;
  }
  return load;
}

std::string Save_Play_History(const std::string& program_dir, const TPlay_History& history) {
  const std::string path = platform::Join(program_dir, History_File_Name);
  try {
    Write_File_Atomically(path, history.Serialize());
  } catch (const TStream_Error& error) {
    return "Cannot write the history of played maps " + path + ": " + error.what();
  }
  return {};
}

void THistory_Keeper::Load() {
  if (Loaded_) {
    return;
  }
  Loaded_ = true;
  if (Program_Dir_.empty()) {
    Writable_ = false;
    return;
  }
  THistory_Load load = Load_Play_History(Program_Dir_);
  History_ = std::move(load.History);
  Warning_ = std::move(load.Warning);
  Writable_ = load.Writable;
  Unsaved_ = !Warning_.empty();
}

void THistory_Keeper::Set_Program_Dir(const std::string& program_dir) {
  if (program_dir == Program_Dir_) {
    return;
  }
  Program_Dir_ = program_dir;
  Writable_ = true;
  if (!Unsaved_) {
    Loaded_ = false;
    History_ = {};
    Warning_.clear();
  }
}

const TPlay_History& THistory_Keeper::History() {
  Load();
  return History_;
}

std::string THistory_Keeper::Take_Warning() {
  Load();
  return std::exchange(Warning_, std::string());
}

THistory_Change THistory_Keeper::Change(const std::function<bool(TPlay_History&)>& change) {
  Load();
  THistory_Change outcome{Take_Warning(), {}};
  if (!change(History_) && !Unsaved_) {
    return outcome;
  }
  ++Changes_;
  if (Changed) {
    Changed();
  }
  if (Program_Dir_.empty()) {
    Unsaved_ = true;  // for a folder chosen later
    return outcome;
  }
  std::string problem = Writable_ ? Save_Play_History(Program_Dir_, History_)
                                  : "The history of played maps " +
                                        platform::Join(Program_Dir_, History_File_Name) +
                                        " is left as it is, since it could not be put aside.";
  Unsaved_ = !problem.empty();
  if (Unsaved_ && !Told_) {
    Told_ = true;
    outcome.Problem =
        Lives_On_ ? problem + " Until Vorlix ends, the history is kept in memory." : problem;
  }
  return outcome;
}

THistory_Change Change_Play_History(const std::string& program_dir,
                                    const std::function<bool(TPlay_History&)>& change) {
  THistory_Keeper keeper(program_dir, false);
  return keeper.Change(change);
}

std::string Launch_Time_Text(std::int64_t time, const QLocale& locale) {
  return locale.toString(QDateTime::fromSecsSinceEpoch(time), QLocale::ShortFormat).toStdString();
}

std::string Played_Text(const TMap_Play& play, const QLocale& locale) {
  if (play.Count == 0) {
    return "never";
  }
  return (play.Count == 1 ? std::string("once") : std::to_string(play.Count) + " launches") +
         ", the last on " + Launch_Time_Text(play.Last, locale);
}

THistory_Change Forget_Archive_In_History(THistory_Keeper& keeper, std::int32_t pk3_id) {
  return keeper.Change([pk3_id](TPlay_History& history) {
    const TPlay_History before = history;
    history.Forget_Archive(pk3_id);
    return !(history == before);  // nothing known of it: no file is written
  });
}

}  // namespace vorlix
