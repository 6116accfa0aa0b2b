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
constexpr std::size_t Min_Load_Record = 29;
constexpr std::size_t Min_Waiting_Record = 28;
// The first version: no loads and no waiting launches after the queue.
constexpr std::int32_t History_Version_Without_Loads = 1;
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

void TPlay_History::Record_Load(const TMap_Key& map, TMap_Load load) {
  if (load.Missing_Images.size() > Missing_Images_Kept) {
    load.Missing_Images.resize(Missing_Images_Kept);
  }
  std::string engine = load.Engine;
  Loads_[{map, std::move(engine)}] = std::move(load);
}

std::vector<TMap_Load> TPlay_History::Loads_Of(const TMap_Key& map) const {
  std::vector<TMap_Load> loads;
  for (auto it = Loads_.lower_bound({map, std::string()});
       it != Loads_.end() && it->first.first == map; ++it) {
    loads.push_back(it->second);
  }
  std::stable_sort(loads.begin(), loads.end(),
                   [](const TMap_Load& a, const TMap_Load& b) { return a.Time > b.Time; });
  return loads;
}

std::vector<TMap_Load> TPlay_History::Loads_Of(const TMap_Record& map) const {
  return map.PK3 != nullptr ? Loads_Of(TMap_Key{map.PK3->ID, map.ID}) : std::vector<TMap_Load>();
}

const TMap_Load* TPlay_History::Failure_Of(const TMap_Key& map) const {
  const TMap_Load* newest = nullptr;
  for (auto it = Loads_.lower_bound({map, std::string()});
       it != Loads_.end() && it->first.first == map; ++it) {
    if (it->second.State == TLoad_State::Failed &&
        (newest == nullptr || it->second.Time > newest->Time)) {
      newest = &it->second;
    }
  }
  return newest;
}

const TMap_Load* TPlay_History::Failure_With(const TMap_Key& map, const std::string& engine) const {
  const auto found = Loads_.find({map, engine});
  return found != Loads_.end() && found->second.State == TLoad_State::Failed ? &found->second
                                                                             : nullptr;
}

void TPlay_History::Add_Waiting(TWaiting_Load waiting) {
  Waiting_.push_back(std::move(waiting));
}

bool TPlay_History::Remove_Waiting(const std::string& log) {
  return std::erase_if(Waiting_, [&log](const TWaiting_Load& w) { return w.Log == log; }) > 0;
}

void TPlay_History::Forget_Archive(std::int32_t pk3_id) {
  std::erase_if(Maps_, [pk3_id](const auto& entry) { return entry.first.first == pk3_id; });
  std::erase_if(Launches_,
                [pk3_id](const TLaunch_Record& launch) { return launch.Map.first == pk3_id; });
  std::erase_if(Queue_, [pk3_id](const TMap_Key& map) { return map.first == pk3_id; });
  std::erase_if(Loads_, [pk3_id](const auto& entry) { return entry.first.first.first == pk3_id; });
  // A launch still running keeps its log; it is read and dropped when its engine has ended.
  std::erase_if(Waiting_, [pk3_id](const TWaiting_Load& w) { return w.Map.first == pk3_id; });
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
  out.Write_Integer(static_cast<std::int32_t>(Loads_.size()));
  for (const auto& [key, load] : Loads_) {
    out.Write_Integer(key.first.first);
    out.Write_Integer(key.first.second);
    out.Write_String(load.Engine);
    out.Write_Byte(static_cast<std::uint8_t>(load.State));
    Write_Time(out, load.Time);
    out.Write_String(load.Error_Line);
    out.Write_Strings(load.Missing_Images);
  }
  out.Write_Integer(static_cast<std::int32_t>(Waiting_.size()));
  for (const auto& waiting : Waiting_) {
    out.Write_Integer(waiting.Map.first);
    out.Write_Integer(waiting.Map.second);
    out.Write_String(waiting.Engine);
    out.Write_String(waiting.Map_Name);
    out.Write_String(waiting.Log);
    Write_Time(out, waiting.Time);
    out.Write_Bool(waiting.Server);
  }
  return out.Data();
}

void TPlay_History::Read_Loads(TByte_Reader& in, TPlay_History& history) {
  for (std::size_t i = Read_Count(in, Min_Load_Record); i > 0; --i) {
    const TMap_Key key = Read_Key(in);
    TMap_Load load;
    load.Engine = in.Read_String();
    const std::uint8_t state = in.Read_Byte();
    if (state != static_cast<std::uint8_t>(TLoad_State::Loaded) &&
        state != static_cast<std::uint8_t>(TLoad_State::Failed)) {
      throw TStream_Error("a load that is neither loaded nor failed");
    }
    load.State = static_cast<TLoad_State>(state);
    load.Time = Read_Time(in);
    load.Error_Line = in.Read_String();
    in.Read_Strings(load.Missing_Images);
    history.Record_Load(key, std::move(load));
  }
  for (std::size_t i = Read_Count(in, Min_Waiting_Record); i > 0; --i) {
    TWaiting_Load waiting;
    waiting.Map = Read_Key(in);
    waiting.Engine = in.Read_String();
    waiting.Map_Name = in.Read_String();
    waiting.Log = in.Read_String();
    waiting.Time = Read_Time(in);
    waiting.Server = in.Read_Bool();
    history.Add_Waiting(std::move(waiting));
  }
}

TPlay_History TPlay_History::Parse(const std::string& bytes) {
  TByte_Reader in(bytes);
  std::string magic(History_Magic.size(), '\0');
  in.Read_Buffer(magic.data(), magic.size());
  if (magic != History_Magic) {
    throw TStream_Error("not a history file");
  }
  const std::int32_t version = in.Read_Integer();
  if (version != History_Version && version != History_Version_Without_Loads) {
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
  if (version != History_Version_Without_Loads) {
    Read_Loads(in, history);
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

std::string Load_Text(const std::vector<TMap_Load>& loads, const QLocale& locale) {
  if (loads.empty()) {
    return "not known";
  }
  std::string text;
  for (const TMap_Load& load : loads) {
    if (!text.empty()) {
      text += '\n';
    }
    const std::string with =
        " with " + platform::File_Name(load.Engine) + " on " + Launch_Time_Text(load.Time, locale);
    if (load.State == TLoad_State::Failed) {
      text += "failed" + with + ": " + load.Error_Line;
      continue;
    }
    text += "loaded" + with;
    if (!load.Missing_Images.empty()) {
      constexpr std::size_t Named = 5;
      text += "; " + std::to_string(load.Missing_Images.size()) +
              (load.Missing_Images.size() == 1 ? " image" : " images") + " not found: ";
      for (std::size_t i = 0; i < load.Missing_Images.size() && i < Named; ++i) {
        text += (i > 0 ? ", " : "") + load.Missing_Images[i];
      }
      if (load.Missing_Images.size() > Named) {
        text += ", ...";
      }
    }
  }
  return text;
}

THistory_Change Forget_Archive_In_History(THistory_Keeper& keeper, std::int32_t pk3_id) {
  return keeper.Change([pk3_id](TPlay_History& history) {
    const TPlay_History before = history;
    history.Forget_Archive(pk3_id);
    return !(history == before);  // nothing known of it: no file is written
  });
}

}  // namespace vorlix
