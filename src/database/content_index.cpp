#include "database/content_index.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <functional>
#include <limits>
#include <unordered_set>

#include "content/bsp_references.h"
#include "content/shader_script.h"
#include "core/case_lookup.h"
#include "core/fs_routines.h"
#include "core/letter_case.h"
#include "core/listing.h"
#include "core/paths.h"
#include "database/game_index.h"
#include "database/member_index.h"
#include "database/stream.h"
#include "database/zip_archive.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

namespace vorlix {

namespace {

constexpr char Index_Magic[] = "VXCI";
constexpr std::int32_t Index_Version = 2;
// A shader script larger than this is not read (the engine's own are well below a megabyte).
constexpr std::uint64_t Max_Script_Size = std::uint64_t{16} << 20;
// The engine reads at most this many shader scripts.
constexpr std::size_t Max_Scripts = 4096;

bool Is_Map_Member(const std::string& name) {
  const std::string lower = platform::Lower(name);
  return lower.rfind("maps/", 0) == 0 && lower.size() > 9 &&
         lower.compare(lower.size() - 4, 4, ".bsp") == 0;
}

// A member the engine lists as a shader script: directly below "scripts", ending in ".shader",
// both ignoring letter case.
bool Is_Script_Member(const std::string& name) {
  const std::string lower = platform::Lower(name);
  return lower.rfind("scripts/", 0) == 0 && lower.find('/', 8) == std::string::npos &&
         lower.size() > 15 && lower.compare(lower.size() - 7, 7, ".shader") == 0;
}

// Whether the game loads an entity's file: the second model of a mover (func_door, func_static,
// ...), the sound of a target_speaker; a "model" naming a file is a misc_model's, which the
// compiler builds into the map and the game removes, or one the game never loads (on a
// target_position, say); the game compares class names as written.
bool Loaded_By_Game(const TEntity_Reference& reference) {
  if (reference.Name.empty()) {
    return false;
  }
  if (platform::Equal_Ignore_Case(reference.Key, "model2")) {
    return reference.Class_Name.rfind("func_", 0) == 0;
  }
  if (platform::Equal_Ignore_Case(reference.Key, "noise")) {
    return reference.Class_Name == "target_speaker";
  }
  return platform::Equal_Ignore_Case(reference.Key, "music");
}

}  // namespace

TMap_Content Read_Map_Content(const std::string& member, std::string_view bytes,
                              std::uint64_t file_size, TContent_Index& index) {
  TMap_Content map;
  map.Map_File = member;
  // Names read from lumps that lie over one another or past the file are no names.
  const TBSP_Layout layout = Read_BSP_Layout(bytes.substr(0, BSP_Header_Size), file_size);
  if (!layout.Is_BSP || !layout.Error.empty()) {
    map.Problem = layout.Error;
    return map;
  }
  const TBSP_References references = Read_BSP_References(bytes, file_size);
  map.Problem = references.Error;
  std::unordered_set<std::uint32_t> shaders;
  const auto add_shader = [&](const std::string& name) {
    const std::string key = Shader_Lookup_Key(name);
    if (key.empty()) {
      return;
    }
    const std::uint32_t id = index.Intern(key);
    if (shaders.insert(id).second) {
      map.Shaders.push_back(id);
    }
  };
  for (const std::string& shader : references.Surface_Shaders) {
    add_shader(shader);
  }
  for (const std::string& fog : references.Fog_Shaders) {
    add_shader(fog);
  }
  for (const TEntity_Reference& key : references.Shader_Keys) {
    // The renderer swaps these only for vertex lighting (r_vertexLight 1), not by default.
    if (key.Key.rfind("vertexremapshader", 0) != 0) {
      add_shader(key.Name);
    }
  }
  std::unordered_set<std::uint64_t> files;
  for (const TEntity_Reference& file : references.Files) {
    if (!Loaded_By_Game(file)) {
      continue;
    }
    TFile_Kind kind = TFile_Kind::Sound;
    if (platform::Equal_Ignore_Case(file.Key, "music")) {
      kind = TFile_Kind::Music;
    } else if (platform::Equal_Ignore_Case(file.Key, "model2")) {
      kind = TFile_Kind::Model;
    }
    const std::uint32_t id = index.Intern(file.Name);
    if (files.insert((std::uint64_t{static_cast<std::uint8_t>(kind)} << 32U) | id).second) {
      map.Files.emplace_back(kind, id);
    }
  }
  return map;
}

namespace {

TScript_Content Script_Content_Of(const std::string& name, std::uint32_t position,
                                  std::string_view text, TContent_Index& index) {
  TScript_Content script;
  script.Script = name;
  script.Member_Position = position;
  const TShader_Script read = Read_Shader_Script(text);
  script.Ignored = read.Ignored_By_Engine;
  script.Problem = read.Error;
  script.Definitions.reserve(read.Definitions.size());
  for (const TShader_Definition& definition : read.Definitions) {
    TShader_Content shader;
    shader.Name = index.Intern(definition.Name);
    shader.Faulty = !definition.Fault.empty();
    shader.Images.reserve(definition.Images.size());
    for (const std::string& image : definition.Images) {
      shader.Images.push_back(index.Intern(image));
    }
    script.Definitions.push_back(std::move(shader));
  }
  return script;
}

std::string Read_Member(const TZip_Archive& zip, int member, std::uint64_t count) {
  const TZip_Entry& entry = zip.Entry(member);
  // A read to the member's end goes the checked way; a part of it is inflated straight.
  const auto reader =
      count >= entry.Size64 ? zip.Open_Member(member) : zip.Open_Member_Prefix(member);
  std::string bytes(static_cast<std::size_t>(std::min(count, entry.Size64)), '\0');
  bytes.resize(reader->Read(bytes.data(), bytes.size()));
  return bytes;
}

// ---- content.dat

void Write_Archive_Fields(TByte_Writer& record, const TContent_Archive& archive,
                          const std::function<void(std::uint32_t)>& name) {
  record.Write_String(archive.MOD_Directory);
  record.Write_String(archive.PK3_Filename);
  record.Write_Cardinal(archive.Size);
  record.Write_Integer(archive.Date);
  record.Write_String(archive.Problem);
  record.Write_Cardinal(static_cast<std::uint32_t>(archive.Maps.size()));
  for (const TMap_Content& map : archive.Maps) {
    record.Write_String(map.Map_File);
    record.Write_String(map.Problem);
    record.Write_Cardinal(static_cast<std::uint32_t>(map.Shaders.size()));
    std::for_each(map.Shaders.begin(), map.Shaders.end(), name);
    record.Write_Cardinal(static_cast<std::uint32_t>(map.Files.size()));
    for (const auto& [kind, file] : map.Files) {
      record.Write_Byte(static_cast<std::uint8_t>(kind));
      name(file);
    }
  }
  record.Write_Cardinal(static_cast<std::uint32_t>(archive.Scripts.size()));
  for (const TScript_Content& script : archive.Scripts) {
    record.Write_String(script.Script);
    record.Write_Cardinal(script.Member_Position);
    record.Write_Bool(script.Ignored);
    record.Write_String(script.Problem);
    record.Write_Cardinal(static_cast<std::uint32_t>(script.Definitions.size()));
    for (const TShader_Content& shader : script.Definitions) {
      name(shader.Name);
      record.Write_Bool(shader.Faulty);
      record.Write_Cardinal(static_cast<std::uint32_t>(shader.Images.size()));
      std::for_each(shader.Images.begin(), shader.Images.end(), name);
    }
  }
}

// Every name an archive's record holds, in no particular order.
void Visit_Names(const TContent_Archive& archive, const std::function<void(std::uint32_t)>& visit) {
  for (const TMap_Content& map : archive.Maps) {
    std::for_each(map.Shaders.begin(), map.Shaders.end(), visit);
    for (const auto& file : map.Files) {
      visit(file.second);
    }
  }
  for (const TScript_Content& script : archive.Scripts) {
    for (const TShader_Content& shader : script.Definitions) {
      visit(shader.Name);
      std::for_each(shader.Images.begin(), shader.Images.end(), visit);
    }
  }
}

// A count read from the file, no larger than the bytes left could hold.
std::uint32_t Read_Count(TByte_Reader& in, std::size_t least_bytes_each) {
  const std::uint32_t count = in.Read_Cardinal();
  if (count > in.Remaining() / least_bytes_each) {
    throw TStream_Error("impossible count");
  }
  return count;
}

// A name's number in a stored record, of the `names` the file holds.
std::uint32_t Read_Name_Number(TByte_Reader& record, std::size_t names) {
  const std::uint32_t id = record.Read_Cardinal();
  if (id >= names) {
    throw TStream_Error("impossible name");
  }
  return id;
}

// An archive's fields; `name` reads one name and gives its number in the index being filled.
TContent_Archive Read_Archive_Fields(TByte_Reader& in, const std::function<std::uint32_t()>& name,
                                     std::size_t least_name_bytes, bool keep_lists = true) {
  TContent_Archive archive;
  archive.MOD_Directory = in.Read_String();
  archive.PK3_Filename = in.Read_String();
  archive.Size = in.Read_Cardinal();
  archive.Date = in.Read_Integer();
  archive.Problem = in.Read_String();
  if (archive.PK3_Filename.empty()) {
    throw TStream_Error("impossible record");
  }
  archive.Maps.resize(Read_Count(in, 12));
  for (TMap_Content& map : archive.Maps) {
    map.Map_File = in.Read_String();
    map.Problem = in.Read_String();
    const std::size_t shaders = Read_Count(in, least_name_bytes);
    if (keep_lists) {
      map.Shaders.resize(shaders);
      std::generate(map.Shaders.begin(), map.Shaders.end(), name);
    } else {
      for (std::size_t n = 0; n < shaders; ++n) {
        name();
      }
    }
    const std::size_t files = Read_Count(in, 1 + least_name_bytes);
    if (keep_lists) {
      map.Files.resize(files);
    }
    for (std::size_t f = 0; f < files; ++f) {
      const std::uint8_t stored = in.Read_Byte();
      if (stored > static_cast<std::uint8_t>(TFile_Kind::Music)) {
        throw TStream_Error("impossible kind");
      }
      const std::uint32_t file = name();
      if (keep_lists) {
        map.Files[f] = {static_cast<TFile_Kind>(stored), file};
      }
    }
  }
  archive.Scripts.resize(Read_Count(in, 13));
  for (TScript_Content& script : archive.Scripts) {
    script.Script = in.Read_String();
    script.Member_Position = in.Read_Cardinal();
    script.Ignored = in.Read_Bool();
    script.Problem = in.Read_String();
    script.Definitions.resize(Read_Count(in, 5 + least_name_bytes));
    for (TShader_Content& shader : script.Definitions) {
      shader.Name = name();
      shader.Faulty = in.Read_Bool();
      shader.Images.resize(Read_Count(in, least_name_bytes));
      std::generate(shader.Images.begin(), shader.Images.end(), name);
    }
  }
  return archive;
}

// The shader scripts among the loose files of the directory `dir` (its "scripts" folder, ignoring
// letter case), each a regular file, not a link.
void Add_Loose_Scripts(const std::string& dir, TContent_Index& index, TContent_Archive& loose) {
  const std::optional<std::string> folder = platform::Find_Ignore_Case(dir, "scripts");
  if (!folder) {
    return;
  }
  const auto entries = platform::List_Directory(platform::Join(dir, *folder));
  if (!entries) {
    return;
  }
  std::uint32_t position = 0;
  for (const platform::TDir_Entry& entry : *entries) {
    const std::string name = "scripts/" + entry.Name;
    if (entry.Is_Directory || entry.Is_Symlink || !Is_Script_Member(name) ||
        loose.Scripts.size() >= Max_Scripts) {
      continue;
    }
    const std::string path = platform::Join({dir, *folder, entry.Name});
    try {
      loose.Scripts.push_back(
          Script_Content_Of(name, position++, Read_Whole_File(path, Max_Script_Size), index));
    } catch (const TStream_Error& error) {
      TScript_Content script;
      script.Script = name;
      script.Member_Position = position - 1;
      script.Problem = error.what();
      loose.Scripts.push_back(std::move(script));
    }
  }
}

}  // namespace

namespace {

std::uint64_t Name_Hash(std::string_view name) {
  std::uint64_t hash = 14695981039346656037ULL;
  for (const char c : name) {
    hash ^= static_cast<unsigned char>(c);
    hash *= 1099511628211ULL;
  }
  return hash;
}

}  // namespace

namespace {

void Put_Length(std::string& bytes, std::size_t length) {
  for (; length >= 0x80; length >>= 7U) {
    bytes.push_back(static_cast<char>((length & 0x7FU) | 0x80U));
  }
  bytes.push_back(static_cast<char>(length));
}

std::size_t Take_Length(const std::string& bytes, std::size_t& at) {
  std::size_t length = 0;
  for (unsigned shift = 0;; shift += 7) {
    const auto byte = static_cast<unsigned char>(bytes[at++]);
    length |= static_cast<std::size_t>(byte & 0x7FU) << shift;
    if ((byte & 0x80U) == 0) {
      return length;
    }
  }
}

}  // namespace

std::uint32_t TContent_Index::Add_Name(std::string_view name) {
  if (Name_Bytes_.size() + name.size() + 20 > std::numeric_limits<std::uint32_t>::max() ||
      Names_ == std::numeric_limits<std::uint32_t>::max()) {
    throw TStream_Error("too many names");
  }
  if (Names_ % Names_Per_Block == 0) {
    Block_Starts_.push_back(static_cast<std::uint32_t>(Name_Bytes_.size()));
    Put_Length(Name_Bytes_, name.size());
    Name_Bytes_.append(name);
  } else {
    const std::size_t most = std::min(name.size(), Last_Name_.size());
    std::size_t shared = 0;
    while (shared < most && name[shared] == Last_Name_[shared]) {
      ++shared;
    }
    Put_Length(Name_Bytes_, shared);
    Put_Length(Name_Bytes_, name.size() - shared);
    Name_Bytes_.append(name.substr(shared));
  }
  Last_Name_.assign(name);
  return Names_++;
}

void TContent_Index::Decode_Name(std::size_t& at, std::string& name, bool first) const {
  const std::size_t shared = first ? 0 : Take_Length(Name_Bytes_, at);
  const std::size_t rest = Take_Length(Name_Bytes_, at);
  name.resize(shared);
  name.append(Name_Bytes_, at, rest);
  at += rest;
}

std::string TContent_Index::Name(std::uint32_t id) const {
  std::string name;
  std::size_t at = Block_Starts_[id / Names_Per_Block];
  for (std::uint32_t n = id - id % Names_Per_Block;; ++n) {
    Decode_Name(at, name, n == id - id % Names_Per_Block);
    if (n == id) {
      return name;
    }
  }
}

std::uint32_t TContent_Index::Intern(std::string_view name) {
  if (Ids_.empty()) {
    Ids_.reserve(Name_Count());
    std::string known;
    std::size_t at = 0;
    for (std::uint32_t id = 0; id < Name_Count(); ++id) {
      Decode_Name(at, known, id % Names_Per_Block == 0);
      for (std::uint64_t hash = Name_Hash(known); !Ids_.emplace(hash, id).second; ++hash) {
      }
    }
  }
  // Two names of one hash: the later one goes to the next free hash.
  for (std::uint64_t hash = Name_Hash(name);; ++hash) {
    const auto it = Ids_.find(hash);
    if (it == Ids_.end()) {
      const std::uint32_t id = Add_Name(name);
      Ids_.emplace(hash, id);
      return id;
    }
    if (Name(it->second) == name) {
      return it->second;
    }
  }
}

namespace {

// An open file read from its start in pieces, with the CRC-32 of the bytes read since Start_Sum.
class TFile_Pieces {
 public:
  TFile_Pieces(int fd, std::uint64_t size) : Fd_(fd), Size_(size) {}
  // The regular file open at `fd`, read past its header of this magic and version; nullptr
  // (and `fd` closed) when it is none or another file.
  static std::unique_ptr<TFile_Pieces> Open(int fd, std::string_view magic, std::int32_t version) {
    struct stat st {};
    if (fd < 0 || ::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
      if (fd >= 0) {
        ::close(fd);
      }
      return nullptr;
    }
    auto pieces = std::make_unique<TFile_Pieces>(fd, static_cast<std::uint64_t>(st.st_size));
    try {
      std::string header(magic.size() + 4, '\0');
      pieces->Read(header.data(), header.size());
      if (TByte_Reader(header).Read_Header(magic, version)) {
        return pieces;
      }
    } catch (const TStream_Error&) {
      // shorter than a header
    }
    return nullptr;
  }
  ~TFile_Pieces() { ::close(Fd_); }
  TFile_Pieces(const TFile_Pieces&) = delete;
  TFile_Pieces& operator=(const TFile_Pieces&) = delete;

  std::uint64_t Remaining() const { return Size_ - Done_; }
  std::uint64_t Position() const { return Done_; }
  // Another descriptor of the file, for reading records again after this one is closed.
  int Duplicate() const { return ::fcntl(Fd_, F_DUPFD_CLOEXEC, 0); }
  void Read(char* bytes, std::size_t count) {
    if (count > Remaining()) {
      throw TStream_Error("unexpected end of file");
    }
    while (count > 0) {
      if (At_ == Piece_.size()) {
        Piece_.resize(
            static_cast<std::size_t>(std::min<std::uint64_t>(Piece_Size, Size_ - File_Offset_)));
        if (!Read_At_Offset(Fd_, File_Offset_, Piece_.data(), Piece_.size())) {
          throw TStream_Error("cannot be read");
        }
        File_Offset_ += Piece_.size();
        At_ = 0;
      }
      const std::size_t take = std::min(count, Piece_.size() - At_);
      std::memcpy(bytes, Piece_.data() + At_, take);
      if (Summing_) {
        Sum_ = static_cast<std::uint32_t>(
            crc32(Sum_, reinterpret_cast<const Bytef*>(bytes), static_cast<uInt>(take)));
      }
      At_ += take;
      Done_ += take;
      bytes += take;
      count -= take;
    }
  }
  std::uint32_t Read_Cardinal() {
    char bytes[4];
    Read(bytes, sizeof bytes);
    return Little_Endian_32(bytes);
  }
  void Start_Sum() {
    Summing_ = true;
    Sum_ = static_cast<std::uint32_t>(crc32(0L, Z_NULL, 0));
  }
  std::uint32_t End_Sum() {
    Summing_ = false;
    return Sum_;
  }

 private:
  static constexpr std::size_t Piece_Size = std::size_t{1} << 20;
  int Fd_;
  std::uint64_t Size_;
  std::uint64_t Done_ = 0;
  std::uint64_t File_Offset_ = 0;
  std::string Piece_;
  std::size_t At_ = 0;
  bool Summing_ = false;
  std::uint32_t Sum_ = 0;
};

}  // namespace

bool TContent_Index::Load(const std::string& path, TMap_Lists lists) {
  *this = TContent_Index();
  // Read in pieces, a record at a time: the file of a large collection is a hundred megabytes.
  const std::unique_ptr<TFile_Pieces> pieces =
      TFile_Pieces::Open(Open_For_Reading(path), Index_Magic, Index_Version);
  if (!pieces) {
    return false;
  }
  TFile_Pieces& in = *pieces;
  try {
    // The names, then the archives naming them by number.
    in.Start_Sum();
    const std::uint32_t names = in.Read_Cardinal();
    const std::uint32_t name_bytes = in.Read_Cardinal();
    if (names > in.Remaining() / 4 || name_bytes > in.Remaining()) {
      throw TStream_Error("impossible names");
    }
    Block_Starts_.reserve(names / Names_Per_Block + 1);
    // Front-coded, the names take about half their bytes (shrunk to size below).
    Name_Bytes_.reserve(name_bytes / 2);
    std::string name;
    std::uint64_t read = 0;
    for (std::uint32_t n = 0; n < names; ++n) {
      const std::uint32_t length = in.Read_Cardinal();
      read += length;
      if (read > name_bytes) {
        throw TStream_Error("impossible name");
      }
      name.resize(length);
      in.Read(name.data(), name.size());
      Add_Name(std::string_view(name.data(), std::min<std::size_t>(name.find('\0'), length)));
    }
    if (in.End_Sum() != in.Read_Cardinal()) {
      throw TStream_Error("checksum mismatch");
    }
    Name_Bytes_.shrink_to_fit();
    const std::uint32_t count = in.Read_Cardinal();
    if (count > in.Remaining() / 30) {
      throw TStream_Error("impossible count");
    }
    Archives_.reserve(count);
    std::shared_ptr<const TRecord_File> file;
    if (lists == TMap_Lists::Left_In_File) {
      const int again = in.Duplicate();
      if (again < 0) {
        throw TStream_Error("cannot be read");
      }
      file = std::make_shared<const TRecord_File>(again);
    }
    std::string bytes;
    for (std::uint32_t a = 0; a < count; ++a) {
      const std::uint32_t length = in.Read_Cardinal();
      if (length > in.Remaining()) {
        throw TStream_Error("impossible record");
      }
      const std::uint64_t offset = in.Position();
      bytes.resize(length);
      in.Read(bytes.data(), bytes.size());
      if (in.Read_Cardinal() != CRC32_Of(bytes.data(), bytes.size())) {
        throw TStream_Error("checksum mismatch");
      }
      TByte_Reader record(std::move(bytes));
      TContent_Archive& archive = Archives_.emplace_back(Read_Archive_Fields(
          record, [&] { return Read_Name_Number(record, names); }, 4, file == nullptr));
      if (!record.At_End()) {
        throw TStream_Error("a record longer than its fields");
      }
      if (file != nullptr) {
        archive.File = file;
        archive.Record_Offset = offset;
        archive.Record_Length = length;
      }
      bytes = std::string();
    }
    if (in.Remaining() != 0) {
      *this = TContent_Index();
      return false;
    }
    return true;
  } catch (const TStream_Error&) {
    *this = TContent_Index();
    return false;
  }
}

const std::vector<TMap_Content>& TContent_Index::Maps_With_Lists(
    const TContent_Archive& archive, std::vector<TMap_Content>& read) const {
  if (!archive.Lists_In_File()) {
    return archive.Maps;
  }
  std::string bytes;
  if (!archive.File->Read(archive.Record_Offset, archive.Record_Length, bytes)) {
    throw TStream_Error("the content index changed since it was read");
  }
  TByte_Reader record(std::move(bytes));
  const std::size_t names = Name_Count();
  read = Read_Archive_Fields(
             record, [&] { return Read_Name_Number(record, names); }, 4)
             .Maps;
  if (read.size() != archive.Maps.size()) {
    throw TStream_Error("the content index changed since it was read");
  }
  return read;
}

std::string TContent_Index::Save(const std::string& path) const {
  // Only the names the archives use: those of loose files' scripts are left out.
  std::vector<std::uint32_t> number(Name_Count(), 0);
  std::vector<std::uint32_t> used;
  const auto use = [&](std::uint32_t id) {
    if (number[id] == 0) {
      used.push_back(id);
      number[id] = static_cast<std::uint32_t>(used.size());
    }
  };
  // An archive whose maps' lists stay in the file is taken with them, read again.
  const auto with_lists = [this](const TContent_Archive& archive, const auto& take) {
    if (!archive.Lists_In_File()) {
      take(archive);
      return;
    }
    TContent_Archive whole = archive;
    Maps_With_Lists(archive, whole.Maps);
    whole.File.reset();
    take(whole);
  };
  std::uint32_t archives = 0;
  const auto produce = [&](TByte_Writer& out) {
    out.Write_Buffer(Index_Magic, 4);
    out.Write_Integer(Index_Version);
    TByte_Writer names;
    std::size_t name_bytes = 0;
    for (const std::uint32_t id : used) {
      name_bytes += Name(id).size() + 1;
    }
    names.Write_Cardinal(static_cast<std::uint32_t>(used.size()));
    names.Write_Cardinal(static_cast<std::uint32_t>(name_bytes));
    for (const std::uint32_t id : used) {
      names.Write_String(std::string(Name(id)));
    }
    out.Write_Buffer(names.Data().data(), names.Data().size());
    out.Write_Cardinal(CRC32_Of(names.Data().data(), names.Data().size()));
    out.Write_Cardinal(archives);
    for (const auto& archive : Archives_) {
      if (archive.Loose()) {
        continue;
      }
      TByte_Writer record;
      with_lists(archive, [&](const TContent_Archive& whole) {
        Write_Archive_Fields(record, whole,
                             [&](std::uint32_t id) { record.Write_Cardinal(number[id] - 1); });
      });
      out.Write_Cardinal(static_cast<std::uint32_t>(record.Data().size()));
      out.Write_Buffer(record.Data().data(), record.Data().size());
      out.Write_Cardinal(CRC32_Of(record.Data().data(), record.Data().size()));
    }
  };
  try {
    for (const auto& archive : Archives_) {
      if (!archive.Loose()) {
        ++archives;
        with_lists(archive, [&](const TContent_Archive& whole) { Visit_Names(whole, use); });
      }
    }
    Write_File_Atomically(path, produce);
    return {};
  } catch (const TStream_Error& error) {
    return error.what();
  }
}

std::string Content_Record(const TContent_Index& index, const TContent_Archive& archive) {
  TByte_Writer record;
  Write_Archive_Fields(record, archive,
                       [&](std::uint32_t id) { record.Write_String(std::string(index.Name(id))); });
  return record.Data();
}

bool Add_Content_Record(const std::string& bytes, TContent_Index& index) {
  try {
    TByte_Reader in(bytes);
    TContent_Archive archive = Read_Archive_Fields(
        in, [&] { return index.Intern(in.Read_String()); }, 4);
    if (!in.At_End()) {
      return false;
    }
    index.Archives().push_back(std::move(archive));
    return true;
  } catch (const TStream_Error&) {
    return false;
  }
}

void Read_Archive_Scripts(const TZip_Archive& zip, TContent_Index& index,
                          TContent_Archive& archive) {
  for (int m = 0; m < zip.Count(); ++m) {
    const TZip_Entry& entry = zip.Entry(m);
    if (!Is_Script_Member(entry.Name) || archive.Scripts.size() >= Max_Scripts) {
      continue;
    }
    TScript_Content script;
    try {
      if (entry.Size64 > Max_Script_Size) {
        script.Script = entry.Name;
        script.Problem = "larger than 16 MB, not read";
      } else {
        script = Script_Content_Of(entry.Name, static_cast<std::uint32_t>(m),
                                   Read_Member(zip, m, entry.Size64), index);
      }
    } catch (const std::exception& error) {
      script.Script = entry.Name;
      script.Problem = std::string("cannot be read: ") + error.what();
    }
    script.Member_Position = static_cast<std::uint32_t>(m);
    archive.Scripts.push_back(std::move(script));
  }
}

void Read_Archive_Content(TZip_Archive& zip, TContent_Index& index, TContent_Archive& archive) {
  for (int m = 0; m < zip.Count(); ++m) {
    const TZip_Entry& entry = zip.Entry(m);
    if (!Is_Map_Member(entry.Name)) {
      continue;
    }
    try {
      const std::string header = Read_Member(zip, m, BSP_Header_Size);
      const TBSP_Layout layout = Read_BSP_Layout(header, entry.Size64);
      const std::string bytes =
          layout.Is_BSP ? Read_Member(zip, m, BSP_Reference_Bytes(layout)) : header;
      archive.Maps.push_back(Read_Map_Content(entry.Name, bytes, entry.Size64, index));
    } catch (const std::exception& error) {
      TMap_Content map;
      map.Map_File = entry.Name;
      map.Problem = std::string("cannot be read: ") + error.what();
      archive.Maps.push_back(std::move(map));
    }
  }
  Read_Archive_Scripts(zip, index, archive);
}

namespace {

constexpr char Scans_Magic[] = "VXCS";
constexpr std::int32_t Scans_Version = 1;

// What a scan read of one archive, as content-scans.dat keeps it.
struct TScanned_Content {
  std::string MOD_Directory;
  std::string PK3_Filename;
  std::uint32_t Size = 0;
  std::int32_t Date = 0;
  std::string Record;  // Content_Record
};

std::string Scanned_Entry(const TScanned_Content& scanned) {
  TByte_Writer entry;
  entry.Write_String(scanned.MOD_Directory);
  entry.Write_String(scanned.PK3_Filename);
  entry.Write_Cardinal(scanned.Size);
  entry.Write_Integer(scanned.Date);
  // The record's bytes as they are (it holds zeros).
  entry.Write_Cardinal(static_cast<std::uint32_t>(scanned.Record.size()));
  entry.Write_Buffer(scanned.Record.data(), scanned.Record.size());
  return entry.Data();
}

TScanned_Content Read_Scanned_Entry(const std::string& bytes) {
  TByte_Reader in(bytes);
  TScanned_Content scanned;
  scanned.MOD_Directory = in.Read_String();
  scanned.PK3_Filename = in.Read_String();
  scanned.Size = in.Read_Cardinal();
  scanned.Date = in.Read_Integer();
  const std::uint32_t length = in.Read_Cardinal();
  if (length != in.Remaining()) {
    throw TStream_Error("an entry whose record has another length");
  }
  scanned.Record.resize(length);
  in.Read_Buffer(scanned.Record.data(), length);
  if (!in.At_End()) {
    throw TStream_Error("an entry longer than its fields");
  }
  return scanned;
}

// Hands the bytes of each entry of the scans file at `fd` to `visit`, in file order, up to the
// end or the first damaged entry; false when the file is not one of this version. Closes `fd`.
template <class TVisit>
bool Visit_Scanned_Entries(int fd, TVisit visit) {
  const std::unique_ptr<TFile_Pieces> pieces = TFile_Pieces::Open(fd, Scans_Magic, Scans_Version);
  if (!pieces) {
    return false;
  }
  TFile_Pieces& in = *pieces;
  try {
    std::string bytes;
    while (in.Remaining() > 0) {
      const std::uint32_t length = in.Read_Cardinal();
      if (length > in.Remaining()) {
        break;
      }
      bytes.resize(length);
      in.Read(bytes.data(), bytes.size());
      if (in.Read_Cardinal() != CRC32_Of(bytes.data(), bytes.size())) {
        break;
      }
      visit(bytes);
    }
  } catch (const TStream_Error&) {
    // what follows the damage is read again from the archives
  }
  return true;
}

void Write_Scanned_Entry(TByte_Writer& out, const std::string& bytes) {
  out.Write_Cardinal(static_cast<std::uint32_t>(bytes.size()));
  out.Write_Buffer(bytes.data(), bytes.size());
  out.Write_Cardinal(CRC32_Of(bytes.data(), bytes.size()));
}

}  // namespace

TContent_Index_Writer::TContent_Index_Writer(const std::string& data_dir)
    : Path_(platform::Join(data_dir, Content_Scans_File)), Scratch_Path_(Path_ + ".part") {}

TContent_Index_Writer::~TContent_Index_Writer() {
  if (Scratch_ != nullptr) {
    std::fclose(Scratch_);
    std::remove(Scratch_Path_.c_str());
  }
}

void TContent_Index_Writer::Add(const TArchive_Facts& facts) {
  if (!facts.Readable || facts.Content_Record.empty() || !Problem_.empty()) {
    return;
  }
  if (Scratch_ == nullptr) {
    Scratch_ = Open_Scratch_Stream(Scratch_Path_, Problem_);
    if (Scratch_ == nullptr) {
      return;
    }
    // With the header of the file it may become.
    TByte_Writer header;
    header.Write_Buffer(Scans_Magic, 4);
    header.Write_Integer(Scans_Version);
    if (std::fwrite(header.Data().data(), 1, header.Data().size(), Scratch_) !=
        header.Data().size()) {
      Problem_ = std::strerror(errno);
      return;
    }
  }
  // Named, sized and dated as the game index names it.
  TByte_Writer entry;
  Write_Scanned_Entry(entry, Scanned_Entry({facts.MOD_Directory, facts.PK3_Filename, facts.Size,
                                            facts.Date, facts.Content_Record}));
  if (std::fwrite(entry.Data().data(), 1, entry.Data().size(), Scratch_) != entry.Data().size()) {
    Problem_ = std::strerror(errno);
    return;
  }
  Keys_.insert(
      std::hash<std::string>{}(platform::Archive_Key(facts.MOD_Directory, facts.PK3_Filename)));
}

std::string TContent_Index_Writer::Write() {
  if (!Problem_.empty() || Keys_.empty()) {
    return Problem_;
  }
  if (std::fflush(Scratch_) != 0) {
    return std::strerror(errno);
  }
  // Nothing scanned before: the scratch file, on disk in full, becomes the file.
  struct stat st {};
  if (::lstat(Path_.c_str(), &st) != 0 && errno == ENOENT) {
    if (::fsync(::fileno(Scratch_)) != 0 || ::rename(Scratch_Path_.c_str(), Path_.c_str()) != 0) {
      return std::strerror(errno);
    }
    std::fclose(Scratch_);
    Scratch_ = nullptr;
    return {};
  }
  // The entries of the archives scanned before and not now, then those of this run.
  const auto produce = [this](TByte_Writer& out) {
    out.Write_Buffer(Scans_Magic, 4);
    out.Write_Integer(Scans_Version);
    Visit_Scanned_Entries(Open_For_Reading(Path_), [&](const std::string& bytes) {
      try {
        const TScanned_Content old = Read_Scanned_Entry(bytes);
        if (Keys_.count(std::hash<std::string>{}(
                platform::Archive_Key(old.MOD_Directory, old.PK3_Filename))) == 0) {
          Write_Scanned_Entry(out, bytes);
        }
      } catch (const TStream_Error&) {
        // an entry of no use is left out
      }
    });
    Visit_Scanned_Entries(::fcntl(::fileno(Scratch_), F_DUPFD_CLOEXEC, 0),
                          [&](const std::string& bytes) { Write_Scanned_Entry(out, bytes); });
  };
  try {
    Write_File_Atomically(Path_, produce);
    return {};
  } catch (const TStream_Error& error) {
    return error.what();
  }
}

TContent_Index_Build Build_Content_Index(const std::string& game_dir, const TGame_Index& games,
                                         const std::string& data_dir) {
  TContent_Index_Build build;
  TContent_Index& index = build.Index;
  const std::string path = platform::Join(data_dir, Content_Index_File);
  // The stored index becomes the new one: its unchanged archives stay where they are with the
  // names they use (the names of archives gone stay in the table until the next start), and
  // the archives read now add theirs.
  index.Load(path, TContent_Index::TMap_Lists::Left_In_File);
  std::vector<TContent_Archive> stored = std::move(index.Archives());
  index.Archives().clear();
  std::unordered_map<std::string, std::size_t> known;
  // The game index keeps MOD directories in lower case.
  platform::TFolder_Names folders(game_dir);
  for (std::size_t a = 0; a < stored.size(); ++a) {
    known.emplace(platform::Archive_Key(stored[a].MOD_Directory, stored[a].PK3_Filename), a);
  }
  const auto holds = [&](const std::string& key, std::uint32_t size, std::int32_t date) {
    const auto it = known.find(key);
    return it != known.end() && stored[it->second].Problem.empty() &&
           stored[it->second].Size == size && stored[it->second].Date == date;
  };
  index.Archives().reserve(games.Archives().size());
  // What the synchronisations scanned since the last build stands for the archives it names at
  // their size and date, unless content.dat holds them so.
  std::unordered_map<std::string, const TArchive_Facts*> present;
  for (const TArchive_Facts& facts : games.Archives()) {
    present.emplace(platform::Archive_Key(facts.MOD_Directory, facts.PK3_Filename), &facts);
  }
  const std::string scans_path = platform::Join(data_dir, Content_Scans_File);
  struct stat scans_file {};
  const bool scans = ::lstat(scans_path.c_str(), &scans_file) == 0;
  std::unordered_set<std::string> scanned;
  Visit_Scanned_Entries(Open_For_Reading(scans_path), [&](const std::string& bytes) {
    try {
      TScanned_Content entry = Read_Scanned_Entry(bytes);
      std::string key = platform::Archive_Key(entry.MOD_Directory, entry.PK3_Filename);
      const auto it = present.find(key);
      if (it == present.end() || it->second->Size != entry.Size || it->second->Date != entry.Date ||
          holds(key, entry.Size, entry.Date) || scanned.count(key) != 0 ||
          !Add_Content_Record(entry.Record, index)) {
        return;
      }
      TContent_Archive& archive = index.Archives().back();
      archive.MOD_Directory = it->second->MOD_Directory;
      archive.PK3_Filename = it->second->PK3_Filename;
      archive.Size = entry.Size;
      archive.Date = entry.Date;
      scanned.insert(std::move(key));
    } catch (const TStream_Error&) {
      // an entry of no use: its archive is read
    }
  });
  for (const TArchive_Facts& facts : games.Archives()) {
    const std::string key = platform::Archive_Key(facts.MOD_Directory, facts.PK3_Filename);
    if (scanned.count(key) != 0) {
      ++build.Archives_Reused;
      continue;
    }
    const auto it = known.find(key);
    if (holds(key, facts.Size, facts.Date)) {
      index.Archives().push_back(std::move(stored[it->second]));
      known.erase(it);  // an archive listed twice is read again
      ++build.Archives_Reused;
      continue;
    }
    TContent_Archive archive;
    archive.MOD_Directory = facts.MOD_Directory;
    archive.PK3_Filename = facts.PK3_Filename;
    archive.Size = facts.Size;
    archive.Date = facts.Date;
    ++build.Archives_Read;
    const std::string file =
        platform::Join(folders.Path_Of(facts.MOD_Directory), facts.PK3_Filename);
    try {
      TZip_Archive zip;
      Open_Archive_Listing(zip, file);
      Read_Archive_Content(zip, index, archive);
    } catch (const std::exception& error) {
      archive.Problem = error.what();
      if (archive.Problem.compare(0, file.size() + 2, file + ": ") == 0) {
        archive.Problem.erase(0, file.size() + 2);
      }
      build.Unreadable.push_back({file, archive.Problem});
      archive.Maps.clear();
      archive.Scripts.clear();
    }
    index.Archives().push_back(std::move(archive));
  }
  // Written again only when an archive was read or scanned or one of the file is gone.
  if (build.Archives_Read > 0 || !scanned.empty() ||
      build.Archives_Reused != stored.size() + scanned.size()) {
    build.Save_Problem = index.Save(path);
  }
  // The scans are in content.dat now. A file the start-up of another run wrote meanwhile stays.
  struct stat now {};
  if (scans && build.Save_Problem.empty() && ::lstat(scans_path.c_str(), &now) == 0 &&
      now.st_ino == scans_file.st_ino && now.st_dev == scans_file.st_dev &&
      now.st_size == scans_file.st_size && now.st_mtim.tv_sec == scans_file.st_mtim.tv_sec &&
      now.st_mtim.tv_nsec == scans_file.st_mtim.tv_nsec) {
    std::remove(scans_path.c_str());
  }
  // The loose scripts of every directory an archive lies in and of the base directories.
  for (const auto& [dir, folder] : Searched_Folders(game_dir, games)) {
    TContent_Archive loose;
    loose.MOD_Directory = dir;
    Add_Loose_Scripts(folder, index, loose);
    if (!loose.Scripts.empty()) {
      index.Archives().push_back(std::move(loose));
    }
  }
  return build;
}

}  // namespace vorlix
