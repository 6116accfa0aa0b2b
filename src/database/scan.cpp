#include "database/scan.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <system_error>

#include <sys/stat.h>

#include "content/bsp_references.h"
#include "core/dos_time.h"
#include "core/fs_routines.h"
#include "core/letter_case.h"
#include "core/listing.h"
#include "core/paths.h"
#include "core/text.h"
#include "database/archive_facts.h"
#include "database/content_index.h"
#include "database/folder_cache.h"
#include "database/records.h"
#include "database/stream.h"
#include "database/zip_archive.h"

namespace vorlix {

namespace {

constexpr std::size_t Entity_Window = 1024;
constexpr std::size_t Header_Size = 12;

std::int32_t Get_Int32(const char* bytes) {
  std::uint32_t value = 0;
  for (int i = 3; i >= 0; --i) {
    value = (value << 8) | static_cast<std::uint8_t>(bytes[i]);
  }
  return static_cast<std::int32_t>(value);
}

// The extension of a name: from its last "." on, unless a "\" or ":" follows that dot.
std::string Extension(const std::string& name) {
  const auto position = name.find_last_of(".\\:");
  if (position == std::string::npos || name[position] != '.') {
    return {};
  }
  return name.substr(position);
}

// The part of a name after its last "\" or ":".
std::string After_Drive_And_Backslash(const std::string& name) {
  const auto position = name.find_last_of("\\:");
  return position == std::string::npos ? name : name.substr(position + 1);
}

// The bytes of the entity window of a map, read from a stream that delivers the map front to
// back; `header` holds its first 12 bytes.
template <typename Read_Fn, typename Skip_Fn>
std::string Entity_Window_Of(const char* header, Read_Fn&& read, Skip_Fn&& skip) {
  const std::int32_t offset = Get_Int32(header + 8);
  if (offset < 0) {
    return {};  // no such position in any file
  }
  std::string window;
  const auto at = static_cast<std::uint64_t>(offset);
  if (at < Header_Size) {
    window.assign(header + at, Header_Size - at);
  } else if (skip(at - Header_Size) < at - Header_Size) {
    return {};
  }
  const std::size_t have = window.size();
  window.resize(Entity_Window);
  const std::size_t n = read(window.data() + have, Entity_Window - have);
  window.resize(have + n);
  return window;
}

bool Valid_UTF8(const char* text, std::size_t size) {
  std::size_t i = 0;
  while (i < size) {
    const auto c = static_cast<unsigned char>(text[i]);
    std::size_t follow = 0;
    if (c < 0x80) {
      follow = 0;
    } else if (c >= 0xC2 && c <= 0xDF) {
      follow = 1;
    } else if (c >= 0xE0 && c <= 0xEF) {
      follow = 2;
    } else if (c >= 0xF0 && c <= 0xF4) {
      follow = 3;
    } else {
      return false;
    }
    if (size - i <= follow) {
      return false;
    }
    for (std::size_t k = 1; k <= follow; ++k) {
      if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) {
        return false;
      }
    }
    i += follow + 1;
  }
  return true;
}

std::uint16_t Get_U16(const std::string& data, std::size_t at) {
  return static_cast<std::uint16_t>(static_cast<std::uint8_t>(data[at]) |
                                    static_cast<std::uint8_t>(data[at + 1]) << 8);
}

// Clears the "name is UTF-8" flag of every central directory entry whose name is not UTF-8, so
// that such a name is read as the bytes it is (libzip refuses the whole archive otherwise).
// False when nothing was changed or the directory cannot be followed.
bool Clear_False_UTF8_Flags(std::string& data) {
  constexpr std::size_t End_Record = 22;
  if (data.size() < End_Record) {
    return false;
  }
  const std::size_t lowest =
      data.size() > End_Record + 0xFFFF ? data.size() - End_Record - 0xFFFF : 0;
  std::size_t end = std::string::npos;
  for (std::size_t at = data.size() - End_Record + 1; at-- > lowest;) {
    if (data.compare(at, 4, "PK\5\6") == 0) {
      end = at;
      break;
    }
  }
  if (end == std::string::npos) {
    return false;
  }
  const std::size_t entries = Get_U16(data, end + 10);
  std::size_t at = static_cast<std::uint32_t>(Get_Int32(data.data() + end + 16));
  bool changed = false;
  for (std::size_t i = 0; i < entries; ++i) {
    if (at + 46 > end || data.compare(at, 4, "PK\1\2") != 0) {
      return false;
    }
    const std::size_t name_size = Get_U16(data, at + 28);
    const std::size_t size = 46 + name_size + Get_U16(data, at + 30) + Get_U16(data, at + 32);
    if (at + size > end) {
      return false;
    }
    if ((data[at + 9] & 0x08) != 0 && !Valid_UTF8(data.data() + at + 46, name_size)) {
      data[at + 9] = static_cast<char>(data[at + 9] & ~0x08);
      changed = true;
    }
    at += size;
  }
  return changed;
}

// Archives read into memory to be mended are at most this large.
constexpr std::uint64_t Max_Mended_Archive = std::uint64_t{256} << 20;

}  // namespace

void Open_Archive_Listing(TZip_Archive& zip, const std::string& path) {
  try {
    zip.Set_Zip_Filename(path);
  } catch (const TZip_Error&) {
    // An archive that lists names as UTF-8 which are not is read with those names as bytes.
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode) ||
        static_cast<std::uint64_t>(st.st_size) > Max_Mended_Archive) {
      throw;
    }
    std::string data;
    try {
      data = Read_Whole_File(path);
    } catch (const TStream_Error&) {
      throw TZip_Error("cannot read " + path);
    }
    if (!Clear_False_UTF8_Flags(data)) {
      throw;
    }
    zip.Set_Zip_Data(std::move(data), path);
  }
}

bool Is_Arena_File(const std::string& file_name) {
  return file_name.rfind("z_Arenas", 0) == 0 ||
         platform::Equal_Ignore_Case(file_name, Arena_Outranking_File_Name);
}

TGame_Directory_Walk Walk_Game_Directory(const std::string& game_dir) {
  TGame_Directory_Walk walk;
  const auto directories = platform::List_Directory(game_dir);
  if (!directories) {
    return walk;
  }
  walk.Game_Dir_Listed = true;
  for (const auto& directory : *directories) {
    if (!directory.Is_Directory || directory.Is_Hidden ||
        !platform::Is_Plain_Name(directory.Name)) {
      continue;
    }
    const std::string dir_path = platform::Join(game_dir, directory.Name);
    const auto files = platform::List_Directory(dir_path);
    if (!files) {
      walk.Unlisted_Directories.insert(platform::Lower(directory.Name));
      continue;
    }
    for (const auto& file : *files) {
      if (file.Is_Directory || !platform::Is_Plain_Name(file.Name) || Is_Arena_File(file.Name) ||
          !platform::Equal_Ignore_Case(Extension(file.Name), ".pk3")) {
        continue;
      }
      TArchive_On_Disk archive;
      archive.Directory = directory.Name;
      archive.Filename = file.Name;
      archive.Path = platform::Join(dir_path, file.Name);
      archive.Size = file.Size;
      archive.Date = platform::To_DOS_Date_Time(file.Modified);
      walk.Archives.push_back(std::move(archive));
    }
  }
  return walk;
}

std::string Longname_From_Entity_Bytes(const char* bytes, std::size_t count) {
  const std::size_t n = std::min(count, Entity_Window);
  static const char key[] = "\n\"message\"";
  std::size_t p = 0;
  bool found = false;
  for (; p <= 1014 && p + 9 < n; ++p) {
    if (std::memcmp(bytes + p, key, 10) == 0) {
      found = true;
      break;
    }
  }
  if (!found) {
    return {};
  }
  std::size_t q = p + 10;
  while (q < n && bytes[q] != '"') {
    ++q;
  }
  if (q + 1 >= n) {
    return {};  // no quote, or the quote is the last byte read
  }
  const std::size_t start = q + 1;
  std::size_t end = start;
  while (end < n && bytes[end] != '"') {
    ++end;
  }
  return std::string(bytes + start, end - start);
}

std::string Read_Longname(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    throw TStream_Error("cannot open " + path);
  }
  char header[Header_Size];
  in.read(header, Header_Size);
  if (in.gcount() != static_cast<std::streamsize>(Header_Size)) {
    throw TStream_Error("map file shorter than its header: " + path);
  }
  const std::string window = Entity_Window_Of(
      header,
      [&](char* buffer, std::size_t count) {
        in.read(buffer, static_cast<std::streamsize>(count));
        return static_cast<std::size_t>(in.gcount());
      },
      [&](std::uint64_t count) -> std::uint64_t {
        in.seekg(static_cast<std::streamoff>(count), std::ios::cur);
        return in ? count : 0;
      });
  return Longname_From_Entity_Bytes(window.data(), window.size());
}

void TLive_Scan_Sink::Status(int line, const std::string& text) {
  if (Interaction_ != nullptr) {
    Interaction_->Status_Line(line, text);
  }
}

void TLive_Scan_Sink::Error(const std::string& text) {
  if (Interaction_ != nullptr) {
    Interaction_->Message(TMessage_Kind::Error, text, TAnswer_Set::OK);
  }
}

void TScan_Sink::Unreadable_Archive(const std::string& path, const std::string& reason) {
  Error(Unreadable_Archive_Message({{path, reason}}));
}

std::string Unreadable_Archive_Message(const std::vector<TUnreadable_Archive>& archives) {
  if (archives.size() == 1) {
    return Format_Message(
        "The archive %s cannot be read: %s.\r\n\r\nIt may be damaged or only partly "
        "downloaded; its maps are left out. Vorlix says this again only when the file changes.",
        archives.front().Path, archives.front().Reason);
  }
  std::string text =
      "These archives cannot be read; they may be damaged or only partly downloaded, and their "
      "maps are left out. Vorlix names each again only when its file changes.\r\n";
  for (const auto& archive : archives) {
    text += "\r\n" + archive.Path + ": " + archive.Reason;
  }
  return text;
}

void TRecorded_Scan_Sink::Replay(TScan_Sink& target) const {
  for (const auto& event : Events_) {
    if (event.Line < 0) {
      target.Unreadable_Archive(event.Text, event.Reason);
    } else if (event.Line == 0) {
      target.Error(event.Text);
    } else {
      target.Status(event.Line, event.Text);
    }
  }
}

namespace {

// The specs of the archive's .bsp members below MAPS/, subfolders included, exact and in upper
// case.
std::vector<std::string> Map_Member_Specs(const TZip_Archive& zip) {
  std::vector<std::string> specs;
  for (const auto& entry : zip.Entries()) {
    const std::string name = platform::Upper(entry.Name);
    if (name.rfind("MAPS/", 0) == 0) {
      const std::string rest = name.substr(5, 255);
      if (Extension(rest) == ".BSP") {
        specs.push_back("MAPS/" + rest);
      }
    }
  }
  return specs;
}

// The title in the entity text of the map member `index`, read straight from the archive ("" when
// it has none). A title window that ends before the map does is inflated straight from the
// archive; a read that reaches the map's end goes the checked way, which verifies its CRC there.
// With `content` the same read reaches the end of the lumps naming what the map needs (the entity
// lump lies near the end anyway), and the map's content is added. Throws when the member cannot
// be read.
std::string Read_Map_Title(TZip_Archive& zip, int index, TContent_Index* content_names,
                           TContent_Archive* content) {
  const TZip_Entry& entry = zip.Entry(index);
  auto reader = zip.Open_Member_Prefix(index);
  char header[Header_Size];
  if (reader->Read(header, Header_Size) < Header_Size) {
    throw TStream_Error("shorter than its header");
  }
  const std::int32_t offset = Get_Int32(header + 8);
  if (content != nullptr) {
    std::string bytes(header, Header_Size);
    const auto read_up_to = [&](std::uint64_t end) {
      end = std::min(end, entry.Size64);
      if (end <= bytes.size()) {
        return;
      }
      const std::size_t have = bytes.size();
      bytes.resize(static_cast<std::size_t>(end));
      bytes.resize(have + reader->Read(bytes.data() + have, bytes.size() - have));
    };
    std::uint64_t needed = BSP_Header_Size;
    if (offset >= 0) {
      needed = std::max(needed, static_cast<std::uint64_t>(offset) + Entity_Window);
    }
    read_up_to(BSP_Header_Size);
    const TBSP_Layout layout =
        Read_BSP_Layout(std::string_view(bytes).substr(0, BSP_Header_Size), entry.Size64);
    if (layout.Is_BSP) {
      needed = std::max(needed, BSP_Reference_Bytes(layout));
    }
    if (needed >= entry.Size64) {
      reader = zip.Open_Member(index);
      reader->Skip(Header_Size);
      bytes.resize(Header_Size);
    }
    read_up_to(needed);
    content->Maps.push_back(Read_Map_Content(entry.Name, bytes, entry.Size64, *content_names));
    if (offset < 0 || static_cast<std::uint64_t>(offset) >= bytes.size()) {
      return {};
    }
    return Longname_From_Entity_Bytes(bytes.data() + offset,
                                      std::min<std::size_t>(Entity_Window, bytes.size() - offset));
  }
  if (offset >= 0 && static_cast<std::uint64_t>(offset) + Entity_Window >= entry.Size64) {
    reader = zip.Open_Member(index);
    reader->Skip(Header_Size);
  }
  const std::string window = Entity_Window_Of(
      header, [&](char* buffer, std::size_t count) { return reader->Read(buffer, count); },
      [&](std::uint64_t count) { return reader->Skip(count); });
  return Longname_From_Entity_Bytes(window.data(), window.size());
}

// Appends a map record per .bsp member of the archive. Each map's header and entity text come
// straight from the archive: nothing of a map is written to disk, and only the bytes up to the
// end of its title window (with `content`: of the lumps it needs) are decompressed. A map that
// cannot be read is reported and left out.
void Record_Maps(TZip_Archive& zip, TPK3_Record& record, TMap_Records& maps, TScan_Sink& sink,
                 TContent_Index* content_names, TContent_Archive* content) {
  for (const int index : zip.Select(Map_Member_Specs(zip))) {
    const TZip_Entry& entry = zip.Entry(index);
    const std::string bare = entry.Name.substr(entry.Name.rfind('/') + 1);
    sink.Status(2, "extracting longname for " +
                       Shorten_Path(platform::Lower(bare), Status_Width - 29) + " ...");
    std::string title;
    try {
      title = Read_Map_Title(zip, index, content_names, content);
    } catch (const std::exception&) {
      // One map that cannot be read is left out; the archive's other maps count.
      sink.Error("Error during map scan: " + entry.Name + " in " + record.MOD_Directory + "\\" +
                 record.PK3_Filename + " cannot be read. The map is left out.");
      continue;
    }
    TMap_Record& map = *maps.Items(maps.Add_Record());
    map.Useable_MODs.push_back(record.MOD_Directory);
    map.MAP_Filename = platform::Upper(bare);
    map.Map_Longname = title.empty() ? Remove_Extension(map.MAP_Filename) : title;
    map.MAP_Filesize = entry.Uncompressed_Size;
    map.MAP_Filedate = entry.DOS_Date_Time;
    map.PK3 = &record;
  }
}

// Sets every map's companion flags: a bot file MAPS/<map>.AAS and a levelshot
// LEVELSHOTS/<map>.TGA or .JPG among the archive's members (names compared in upper case).
void Set_Companion_Flags(const TZip_Archive& zip, TMap_Records& maps) {
  std::vector<std::string> names;
  names.reserve(zip.Entries().size());
  for (const auto& entry : zip.Entries()) {
    names.push_back(platform::Upper(After_Drive_And_Backslash(entry.Name)));
  }
  for (int i = 0; i < maps.Count(); ++i) {
    TMap_Record& map = *maps.Items(i);
    map.Has_AAS = false;
    map.Has_Levelshot_TGA = false;
    map.Has_Levelshot_JPG = false;
    const std::string base = Remove_Extension(map.MAP_Filename);
    const std::string aas = platform::Upper("MAPS/" + base + ".AAS");
    const std::string tga = platform::Upper("LEVELSHOTS/" + base + ".TGA");
    const std::string jpg = platform::Upper("LEVELSHOTS/" + base + ".JPG");
    for (const auto& name : names) {
      if (name == aas) {
        map.Has_AAS = true;
      }
      if (name == tga) {
        map.Has_Levelshot_TGA = true;
      }
      if (name == jpg) {
        map.Has_Levelshot_JPG = true;
      }
      if (map.Has_AAS && (map.Has_Levelshot_TGA || map.Has_Levelshot_JPG)) {
        break;
      }
    }
  }
}

}  // namespace

bool Scan_Archive(TZip_Archive& zip, const std::string& archive_path, TPK3_Record& record,
                  TMap_Records& maps, TScan_Sink& sink, TArchive_Facts* facts) {
  sink.Status(
      2, "opening " +
             Shorten_Path(record.MOD_Directory + "\\" + record.PK3_Filename, Status_Width - 12) +
             " ...");
  try {
    Open_Archive_Listing(zip, archive_path);
  } catch (const std::exception& error) {
    // A damaged download is the archive's fault, not the program's: named with the reason.
    std::string reason = error.what();
    if (reason.rfind(archive_path + ": ", 0) == 0) {
      reason.erase(0, archive_path.size() + 2);
    }
    sink.Unreadable_Archive(archive_path, reason);
    return false;
  }
  try {
    TContent_Index content_names;
    TContent_Archive content;
    content.MOD_Directory = record.MOD_Directory;
    content.PK3_Filename = record.PK3_Filename;
    if (facts != nullptr) {
      Collect_Archive_Facts(zip, *facts);
      Read_Archive_Scripts(zip, content_names, content);
    }
    if (zip.Count() > 0) {
      Record_Maps(zip, record, maps, sink, facts != nullptr ? &content_names : nullptr,
                  facts != nullptr ? &content : nullptr);
      sink.Status(2, "scanning for aas and levelshot...");
      Set_Companion_Flags(zip, maps);
    }
    if (facts != nullptr) {
      facts->Content_Record = Content_Record(content_names, content);
    }
    sink.Status(2, "");
  } catch (const std::exception&) {
    sink.Error("Error during map scan. Please report to author.");
    return false;
  }
  return true;
}

}  // namespace vorlix

namespace vorlix {

struct TScan_Prefetch::Result {
  bool Done = false;
  bool Failed = false;
  bool Listed = false;
  std::unique_ptr<TZip_Archive> Zip;
  std::unique_ptr<TPK3_Record> Record;
  std::unique_ptr<TMap_Records> Maps;
  TRecorded_Scan_Sink Sink;
  TArchive_Facts Facts;
};

TScan_Prefetch::TScan_Prefetch(std::vector<TScan_Job> jobs, int threads,
                               const TThread_Starter& start)
    : Jobs_(std::move(jobs)) {
  Results_.resize(Jobs_.size());
  const auto count = static_cast<std::size_t>(std::max(threads, 1));
  // Enough finished scans to keep every worker busy while the caller extracts, few enough to
  // bound the open archives and the memory.
  Window_ = 2 * count + 2;
  for (std::size_t i = 0; i < count && i < Jobs_.size(); ++i) {
    try {
      Workers_.push_back(start ? start([this] { Work(); }) : std::thread([this] { Work(); }));
    } catch (const std::system_error&) {
      break;  // the workers started so far do the jobs
    }
  }
}

TScan_Prefetch::~TScan_Prefetch() {
  {
    const std::lock_guard lock(Mutex_);
    Stop_ = true;
  }
  Changed_.notify_all();
  for (auto& worker : Workers_) {
    worker.join();
  }
}

void TScan_Prefetch::Work() {
  for (;;) {
    std::size_t index = 0;
    {
      std::unique_lock lock(Mutex_);
      Changed_.wait(lock,
                    [this] { return Stop_ || Next_ >= Jobs_.size() || Next_ < Taken_ + Window_; });
      Next_ = std::max(Next_, Taken_);  // dropped jobs are not started
      if (Stop_ || Next_ >= Jobs_.size()) {
        return;
      }
      index = Next_++;
    }
    auto result = std::make_unique<Result>();
    const TScan_Job& job = Jobs_[index];
    try {
      result->Zip = std::make_unique<TZip_Archive>();
      result->Record = std::make_unique<TPK3_Record>();
      result->Record->MOD_Directory = job.MOD_Directory;
      result->Record->PK3_Filename = job.PK3_Filename;
      result->Maps = std::make_unique<TMap_Records>(result->Record.get());
      result->Listed = Scan_Archive(*result->Zip, job.Path, *result->Record, *result->Maps,
                                    result->Sink, &result->Facts);
    } catch (...) {
      result->Failed = true;  // the caller scans this one itself
    }
    {
      const std::lock_guard lock(Mutex_);
      result->Done = true;
      if (index >= Taken_) {
        Results_[index] = std::move(result);
      }
    }
    Changed_.notify_all();
  }
}

bool TScan_Prefetch::Take(const std::string& path, TPK3_Record& record, TMap_Records& maps,
                          std::unique_ptr<TZip_Archive>& open_archive, TScan_Sink& sink,
                          bool& listed, TArchive_Facts* facts) {
  std::unique_ptr<Result> result;
  {
    std::unique_lock lock(Mutex_);
    std::size_t index = Taken_;
    while (index < Jobs_.size() &&
           (Jobs_[index].Path != path || Jobs_[index].MOD_Directory != record.MOD_Directory ||
            Jobs_[index].PK3_Filename != record.PK3_Filename)) {
      ++index;
    }
    if (index >= Jobs_.size() || Workers_.empty()) {
      return false;
    }
    // Jobs in front of this one are never taken now: drop them, so that the workers move on.
    for (; Taken_ < index; ++Taken_) {
      Results_[Taken_].reset();
    }
    Changed_.notify_all();
    Changed_.wait(lock, [&] { return Results_[index] && Results_[index]->Done; });
    result = std::move(Results_[index]);
    Taken_ = index + 1;
  }
  Changed_.notify_all();
  if (result->Failed) {
    return false;
  }
  open_archive = std::move(result->Zip);
  for (int i = 0; i < result->Maps->Count(); ++i) {
    auto map = std::make_unique<TMap_Record>(*result->Maps->Items(i));
    map->PK3 = &record;
    maps.Adopt_Record(std::move(map));
  }
  result->Sink.Replay(sink);
  listed = result->Listed;
  if (facts != nullptr) {
    *facts = std::move(result->Facts);
  }
  return true;
}

}  // namespace vorlix
