#include "database/game_index.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <unordered_map>
#include <unordered_set>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "core/case_lookup.h"
#include "core/fs_routines.h"
#include "core/letter_case.h"
#include "core/paths.h"
#include "database/records.h"
#include "database/stream.h"

namespace vorlix {

namespace {

constexpr char Index_Magic[] = "VXGI";
// Version 2: every archive's facts are followed by their CRC-32. Version 3: the engine's checksum
// of each archive.
constexpr std::int32_t Index_Version = 3;

bool Contains(const std::vector<std::string>& list, const std::string& value) {
  return std::find(list.begin(), list.end(), value) != list.end();
}

// ---- The index file ---------------------------------------------------------------------------

void Write_Facts_Body(TByte_Writer& out, const TArchive_Facts& facts) {
  out.Write_String(facts.MOD_Directory);
  out.Write_String(facts.PK3_Filename);
  out.Write_Cardinal(facts.Size);
  out.Write_Integer(facts.Date);
  out.Write_Bool(facts.Readable);
  out.Write_Integer(facts.Checksum);
  out.Write_Strings(facts.Maps);
  out.Write_Strings(facts.Bot_Files);
  out.Write_Strings(facts.Arena_Scripts);
  out.Write_Integer(static_cast<std::int32_t>(facts.Arenas.size()));
  for (const auto& info : facts.Arenas) {
    out.Write_String(info.Script);
    out.Write_Integer(static_cast<std::int32_t>(info.Keys.size()));
    for (const auto& [key, value] : info.Keys) {
      out.Write_String(key);
      out.Write_String(value);
    }
  }
}

// One archive's record: its facts and their checksum, so that a damaged record is never taken
// for facts.
void Write_Facts(TByte_Writer& out, const TArchive_Facts& facts) {
  TByte_Writer record;
  Write_Facts_Body(record, facts);
  const std::string& bytes = record.Data();
  out.Write_Buffer(bytes.data(), bytes.size());
  out.Write_Cardinal(CRC32_Of(bytes.data(), bytes.size()));
}

// A count that the rest of the file can hold (every element takes at least `least` bytes).
std::size_t Read_Count(TByte_Reader& in, std::size_t least) {
  const std::int32_t count = in.Read_Integer();
  if (count < 0 || static_cast<std::size_t>(count) > in.Remaining() / least) {
    throw TStream_Error("impossible count");
  }
  return static_cast<std::size_t>(count);
}

TArchive_Facts Read_Facts(TByte_Reader& in) {
  const std::size_t start = in.Position();
  TArchive_Facts facts;
  facts.MOD_Directory = in.Read_String();
  facts.PK3_Filename = in.Read_String();
  facts.Size = in.Read_Cardinal();
  facts.Date = in.Read_Integer();
  facts.Readable = in.Read_Bool();
  facts.Checksum = in.Read_Integer();
  in.Read_Strings(facts.Maps);
  in.Read_Strings(facts.Bot_Files);
  in.Read_Strings(facts.Arena_Scripts);
  const std::size_t blocks = Read_Count(in, 8);
  for (std::size_t b = 0; b < blocks; ++b) {
    TArena_Info info;
    info.Script = in.Read_String();
    const std::size_t keys = Read_Count(in, 10);
    for (std::size_t k = 0; k < keys; ++k) {
      std::string key = in.Read_String();
      info.Keys.emplace_back(std::move(key), in.Read_String());
    }
    facts.Arenas.push_back(std::move(info));
  }
  const std::size_t length = in.Position() - start;
  if (in.Read_Cardinal() != CRC32_Of(in.Data().data() + start, length)) {
    throw TStream_Error("checksum mismatch");
  }
  return facts;
}

// The facts of a record's archive read now (`read`, else Read_Archive_Facts), named as the
// record names it.
TArchive_Facts Read_Record_Facts(const TPK3_Record_Store& database, const TPK3_Record& record,
                                 TGame_Index::TReader read) {
  TArchive_Facts facts =
      (read != nullptr ? read : Read_Archive_Facts)(database.Archive_Path(record));
  facts.MOD_Directory = record.MOD_Directory;
  facts.PK3_Filename = record.PK3_Filename;
  facts.Size = record.PK3_Filesize;
  facts.Date = record.PK3_Filedate;
  return facts;
}

// The blocks the game reads, archive by archive of the search order (`next` gives them, nullptr
// at the end): each script name once, from the first archive holding it.
template <class TNext, class TVisit>
void Visit_Arenas_In_Order(TNext next, TVisit visit) {
  std::unordered_set<std::string> seen;
  while (const TArchive_Facts* facts = next()) {
    for (const auto& script : facts->Arena_Scripts) {
      // Member names the game opens as one path are one script.
      const std::string path = Arena_Script_Path(script);
      if (path.empty() || !seen.insert(path).second) {
        continue;
      }
      for (const auto& info : facts->Arenas) {
        if (info.Script == script) {
          visit(*facts, info);
        }
      }
    }
  }
}

// The index file read a piece at a time: its records are found by reading them through a window
// of the file that moves on, and read again one by one where they lie.
class TIndex_File {
 public:
  struct TRecord {
    std::uint64_t Offset;
    std::size_t Length;
  };

  explicit TIndex_File(const std::string& path) : Fd_(Open_For_Reading(path)) {
    struct stat st {};
    if (Fd_ < 0 || ::fstat(Fd_, &st) != 0 || !S_ISREG(st.st_mode)) {
      Close();
      throw TStream_Error(path + " cannot be read");
    }
    Size_ = static_cast<std::uint64_t>(st.st_size);
  }
  ~TIndex_File() { Close(); }
  TIndex_File(const TIndex_File&) = delete;
  TIndex_File& operator=(const TIndex_File&) = delete;

  // Hands every record's facts and place to `found`, in file order; false when the file is not
  // an index of this version or does not end after its last record. Throws TStream_Error when a
  // record is damaged.
  template <class TFound>
  bool List_Records(TFound found) const {
    TByte_Reader head(Read_At(0, std::min<std::uint64_t>(Size_, 12)));
    char magic[4];
    head.Read_Buffer(magic, 4);
    if (std::string(magic, 4) != std::string(Index_Magic, 4) ||
        head.Read_Integer() != Index_Version) {
      return false;
    }
    const std::int32_t count = head.Read_Integer();
    if (count < 0 || static_cast<std::uint64_t>(count) > (Size_ - 12) / 40) {
      return false;
    }
    std::uint64_t offset = 12;
    std::size_t window = Window;
    for (std::int32_t i = 0; i < count;) {
      const std::uint64_t left = Size_ - offset;
      TByte_Reader in(
          Read_At(offset, static_cast<std::size_t>(std::min<std::uint64_t>(left, window))));
      const bool whole_rest = in.Remaining() == left;
      std::size_t taken = 0;
      try {
        for (; i < count; ++i) {
          const TArchive_Facts facts = Read_Facts(in);
          found(facts, TRecord{offset + taken, in.Position() - taken});
          taken = in.Position();
        }
      } catch (const TStream_Error&) {
        if (whole_rest) {
          throw;  // the file ends inside a record or holds a damaged one
        }
        // A record reaching past the window: the next window starts with it, larger when the
        // record alone did not fit.
        window = taken == 0 ? window * 2 : Window;
      }
      offset += taken;
    }
    return offset == Size_;
  }

  // The facts of one record found by List_Records, checked again against its checksum.
  TArchive_Facts Read_Record(TRecord record) const {
    TByte_Reader in(Read_At(record.Offset, record.Length));
    return Read_Facts(in);
  }

 private:
  static constexpr std::size_t Window = std::size_t{1} << 20;

  std::string Read_At(std::uint64_t offset, std::size_t count) const {
    std::string bytes(count, '\0');
    if (!Read_At_Offset(Fd_, offset, bytes.data(), count)) {
      throw TStream_Error(errno == 0 ? "unexpected end of file" : std::strerror(errno));
    }
    return bytes;
  }
  void Close() {
    if (Fd_ >= 0) {
      ::close(Fd_);
      Fd_ = -1;
    }
  }

  int Fd_;
  std::uint64_t Size_ = 0;
};

}  // namespace

bool TGame_Index::Load(const std::string& path) {
  Archives_Only_ = false;
  try {
    return Load_Bytes(Read_Whole_File(path));
  } catch (const TStream_Error&) {
    Archives_.clear();
    return false;
  }
}

bool TGame_Index::Load_Bytes(std::string bytes) {
  Archives_.clear();
  Archives_Only_ = false;
  try {
    TByte_Reader in(std::move(bytes));
    char magic[4];
    in.Read_Buffer(magic, 4);
    if (std::string(magic, 4) != std::string(Index_Magic, 4) ||
        in.Read_Integer() != Index_Version) {
      return false;
    }
    const std::size_t count = Read_Count(in, 40);
    std::vector<TArchive_Facts> archives;
    archives.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
      archives.push_back(Read_Facts(in));
    }
    if (!in.At_End()) {
      return false;
    }
    Archives_ = std::move(archives);
    return true;
  } catch (const TStream_Error&) {
    return false;
  }
}

bool TGame_Index::Load_Archives(const std::string& path) {
  Archives_.clear();
  Archives_Only_ = true;
  try {
    std::vector<TArchive_Facts> archives;
    const bool whole = TIndex_File(path).List_Records(
        [&archives](const TArchive_Facts& facts, TIndex_File::TRecord) {
          TArchive_Facts& kept = archives.emplace_back();
          kept.MOD_Directory = facts.MOD_Directory;
          kept.PK3_Filename = facts.PK3_Filename;
          kept.Size = facts.Size;
          kept.Date = facts.Date;
          kept.Readable = facts.Readable;
          kept.Checksum = facts.Checksum;
        });
    if (whole) {
      Archives_ = std::move(archives);
    }
    return whole;
  } catch (const TStream_Error&) {
    return false;
  }
}

bool TGame_Index::Save(const std::string& path) const {
  if (Archives_Only_) {
    return false;
  }
  // Written in pieces: the file of a large installation is never held whole.
  const auto produce = [this](TByte_Writer& out) {
    out.Write_Buffer(Index_Magic, 4);
    out.Write_Integer(Index_Version);
    out.Write_Integer(static_cast<std::int32_t>(Archives_.size()));
    for (const auto& facts : Archives_) {
      Write_Facts(out, facts);
    }
  };
  try {
    Write_File_Atomically(path, produce);
    return true;
  } catch (const TStream_Error&) {
    return false;
  }
}

int TGame_Index::Refresh(const TPK3_Record_Store& database, TReader read,
                         std::vector<TArchive_Facts> scanned) {
  std::unordered_map<std::string, TArchive_Facts*> known;
  for (auto& facts : Archives_) {
    known.emplace(platform::Archive_Key(facts.MOD_Directory, facts.PK3_Filename), &facts);
  }
  // What the synchronisation read of an archive stands for it even when unreadable: the archive
  // is scanned again at the next start anyway.
  std::unordered_map<std::string, TArchive_Facts*> taken;
  for (auto& facts : scanned) {
    taken[platform::Archive_Key(facts.MOD_Directory, facts.PK3_Filename)] = &facts;
  }
  std::vector<TArchive_Facts> fresh;
  fresh.reserve(static_cast<std::size_t>(database.Count()));
  int changed = 0;
  for (int p = 0; p < database.Count(); ++p) {
    const TPK3_Record& record = *database.Items(p);
    if (!record.Present) {
      continue;
    }
    const std::string key = platform::Archive_Key(record.MOD_Directory, record.PK3_Filename);
    const auto it = known.find(key);
    const bool was_known = it != known.end();
    if (const auto scan = taken.find(key); scan != taken.end() &&
                                           scan->second->Size == record.PK3_Filesize &&
                                           scan->second->Date == record.PK3_Filedate) {
      changed += was_known && *it->second == *scan->second ? 0 : 1;
      fresh.push_back(std::move(*scan->second));
      taken.erase(scan);
      if (was_known) {
        known.erase(it);
      }
      continue;
    }
    if (was_known && it->second->Readable && it->second->Size == record.PK3_Filesize &&
        it->second->Date == record.PK3_Filedate) {
      fresh.push_back(std::move(*it->second));
      known.erase(it);
      continue;
    }
    TArchive_Facts facts = Read_Record_Facts(database, record, read);
    fresh.push_back(std::move(facts));
    ++changed;
  }
  Archives_ = std::move(fresh);
  return changed;
}

TGame_Index Game_Index_Of(const TPK3_Record_Store& database, std::vector<TArchive_Facts> scanned,
                          TGame_Index::TReader read) {
  const std::string path = platform::Join(database.Paths().Program_Dir, Game_Index_File);
  TGame_Index index;
  index.Set_Base_Directory(Engine_Base_Directory(database.Paths().Game_Dir, {}));
  const bool loaded = index.Load(path);
  const std::size_t known = index.Archives().size();
  if (index.Refresh(database, read, std::move(scanned)) > 0 || !loaded ||
      index.Archives().size() != known) {
    index.Save(path);
  }
  return index;
}

TGame_Index_Writer::TGame_Index_Writer(const std::string& program_dir)
    : Path_(platform::Join(program_dir, Game_Index_File)), Scratch_Path_(Path_ + ".scan") {}

TGame_Index_Writer::~TGame_Index_Writer() {
  if (Scratch_ != nullptr) {
    std::fclose(Scratch_);
    std::remove(Scratch_Path_.c_str());
  }
}

void TGame_Index_Writer::Add(const TArchive_Facts& facts) {
  ++Added_;
  if (Scratch_ == nullptr && !Failed_) {
    Scratch_ = Open_Scratch_Stream(Scratch_Path_, Problem_);
    Failed_ = Scratch_ == nullptr;
  }
  if (Failed_) {
    return;
  }
  TByte_Writer out;
  Write_Facts(out, facts);
  const std::string& bytes = out.Data();
  if (std::fseek(Scratch_, static_cast<long>(Scratch_End_), SEEK_SET) != 0 ||
      std::fwrite(bytes.data(), 1, bytes.size(), Scratch_) != bytes.size()) {
    Problem_ = "cannot write " + Scratch_Path_ + ": " + std::strerror(errno);
    Failed_ = true;
    return;
  }
  TPlace& place = Scanned_[platform::Archive_Key(facts.MOD_Directory, facts.PK3_Filename)];
  place = {Scratch_End_, bytes.size(), facts.Size, facts.Date, facts.Readable};
  Scratch_End_ += bytes.size();
}

bool TGame_Index_Writer::Write(const TPK3_Record_Store& database, TGame_Index::TReader read) {
  if (Failed_) {
    // The facts reported are gone: the old file stays, and the index read when first wanted
    // reads the archives it does not know.
    return false;
  }
  // Where the old file holds the facts of each archive it knows.
  std::optional<TByte_Reader> old_file;
  std::unordered_map<std::string, TPlace> known;
  try {
    std::string bytes;
    try {
      bytes = Read_Whole_File(Path_);
    } catch (const TStream_Error& error) {
      // A file that is missing is simply made; anything else at the name is damage to report.
      struct stat st {};
      if (::lstat(Path_.c_str(), &st) == 0) {
        Problem_ = error.what();
      }
      throw;
    }
    TByte_Reader& in = old_file.emplace(std::move(bytes));
    const std::string& old = in.Data();
    char magic[4];
    in.Read_Buffer(magic, 4);
    if (std::string(magic, 4) == std::string(Index_Magic, 4) &&
        in.Read_Integer() == Index_Version) {
      const std::size_t count = Read_Count(in, 40);
      for (std::size_t i = 0; i < count; ++i) {
        const std::size_t start = old.size() - in.Remaining();
        const TArchive_Facts facts = Read_Facts(in);
        known[platform::Archive_Key(facts.MOD_Directory, facts.PK3_Filename)] = {
            start, old.size() - in.Remaining() - start, facts.Size, facts.Date, facts.Readable};
      }
      if (!in.At_End()) {
        known.clear();
      }
    }
  } catch (const TStream_Error&) {
    known.clear();
  }
  // Each present archive's facts: scanned, else known with its size and date, else read now
  // (into the scratch file, so that the file is made of copies only).
  struct TSource {
    const std::string* Bytes = nullptr;  // the old file; nullptr: the scratch file
    TPlace Place;
  };
  const std::string* old = old_file ? &old_file->Data() : nullptr;
  std::vector<TSource> sources;
  for (int p = 0; p < database.Count(); ++p) {
    const TPK3_Record& record = *database.Items(p);
    if (!record.Present) {
      continue;
    }
    const std::string key = platform::Archive_Key(record.MOD_Directory, record.PK3_Filename);
    if (const auto scan = Scanned_.find(key); scan != Scanned_.end() &&
                                              scan->second.Size == record.PK3_Filesize &&
                                              scan->second.Date == record.PK3_Filedate) {
      sources.push_back({nullptr, scan->second});
      continue;
    }
    if (const auto it = known.find(key); it != known.end() && it->second.Readable &&
                                         it->second.Size == record.PK3_Filesize &&
                                         it->second.Date == record.PK3_Filedate) {
      sources.push_back({old, it->second});
      continue;
    }
    TArchive_Facts facts = Read_Record_Facts(database, record, read);
    Add(facts);
    if (Failed_) {
      return false;
    }
    sources.push_back({nullptr, Scanned_[key]});
  }
  if (Scratch_ != nullptr && std::fflush(Scratch_) != 0) {
    return false;
  }
  const auto produce = [&](TByte_Writer& out) {
    out.Write_Buffer(Index_Magic, 4);
    out.Write_Integer(Index_Version);
    out.Write_Integer(static_cast<std::int32_t>(sources.size()));
    std::string piece;
    for (const TSource& source : sources) {
      if (source.Bytes != nullptr) {
        out.Write_Buffer(source.Bytes->data() + source.Place.Offset, source.Place.Length);
        continue;
      }
      piece.resize(source.Place.Length);
      if (std::fseek(Scratch_, static_cast<long>(source.Place.Offset), SEEK_SET) != 0 ||
          std::fread(piece.data(), 1, piece.size(), Scratch_) != piece.size()) {
        throw TStream_Error("cannot read " + Scratch_Path_);
      }
      out.Write_Buffer(piece.data(), piece.size());
    }
  };
  try {
    Write_File_Atomically(Path_, produce);
    return true;
  } catch (const TStream_Error& error) {
    Problem_ = error.what();
  }
  // The facts read so far serve the rest of this run, so that nothing is read twice.
  try {
    TByte_Writer whole;
    produce(whole);
    auto index = std::make_shared<TGame_Index>();
    if (index->Load_Bytes(whole.Data())) {
      Unsaved_ = std::move(index);
    }
  } catch (const TStream_Error&) {
    // the index is then read when first wanted
  }
  return false;
}

std::string Game_Index_Problem_Message(const std::string& reason) {
  return "The game index could not be used: " + reason +
         ". What the game reads from the archives is read from them instead.";
}

bool Game_Index_File_Is_Current(const std::string& program_dir) {
  // Only a regular file counts; a FIFO or a device at the name is never waited on.
  const int fd = Open_For_Reading(platform::Join(program_dir, Game_Index_File));
  if (fd < 0) {
    return false;
  }
  std::string header(8, '\0');
  struct stat st {};
  const bool read = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) &&
                    ::read(fd, header.data(), header.size()) == static_cast<ssize_t>(header.size());
  ::close(fd);
  if (!read) {
    return false;
  }
  TByte_Reader in(std::move(header));
  char magic[4];
  in.Read_Buffer(magic, 4);
  return std::string(magic, 4) == std::string(Index_Magic, 4) && in.Read_Integer() == Index_Version;
}

const TArchive_Facts* Overriding_Archive(const TGame_Index& index, const std::string& map_file,
                                         const std::string& mod, const std::string& pk3_file) {
  const TArchive_Facts* loaded = index.Loaded_From(map_file, mod, Base_Directories());
  if (loaded == nullptr || (platform::Equal_Ignore_Case(loaded->MOD_Directory, mod) &&
                            platform::Equal_Ignore_Case(loaded->PK3_Filename, pk3_file))) {
    return nullptr;
  }
  return loaded;
}

std::string Override_Note(const TGame_Index& index, const std::string& map_file,
                          const std::string& mod, const std::string& pk3_file) {
  const TArchive_Facts* other = Overriding_Archive(index, map_file, mod, pk3_file);
  if (other == nullptr) {
    return {};
  }
  const bool same_directory = platform::Equal_Ignore_Case(other->MOD_Directory, mod);
  return "overridden by " + (same_directory ? std::string() : other->MOD_Directory + "/") +
         other->PK3_Filename;
}

bool Searched_Before(const std::string& a, const std::string& b) {
  // The engine compares (signed) chars after upper-casing ASCII letters; the name that sorts
  // last is searched first.
  const std::size_t n = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < n; ++i) {
    const auto ca = static_cast<signed char>(platform::Upper_Char(a[i]));
    const auto cb = static_cast<signed char>(platform::Upper_Char(b[i]));
    if (ca != cb) {
      return ca > cb;
    }
  }
  return a.size() > b.size();
}

const std::vector<std::string>& Base_Directories() {
  static const std::vector<std::string> bases = {"baseq3", "baseoa"};
  return bases;
}

std::string Engine_Base_Directory(const std::string& game_dir, const std::string& engine) {
  const std::string& quake = Base_Directories()[0];
  const std::string& open_arena = Base_Directories()[1];
  if (platform::Lower(platform::File_Name(engine)).find("openarena") != std::string::npos) {
    return open_arena;
  }
  if (!platform::Find_Ignore_Case(game_dir, quake) &&
      platform::Find_Ignore_Case(game_dir, open_arena)) {
    return open_arena;
  }
  return quake;
}

std::vector<std::string> TGame_Index::Bases() const {
  return Base_Directory_.empty() ? Base_Directories() : std::vector<std::string>{Base_Directory_};
}

std::vector<const TArchive_Facts*> TGame_Index::Search_Order(
    const std::string& mod, const std::vector<std::string>& bases) const {
  std::vector<const TArchive_Facts*> order;
  auto add_directory = [&](const std::string& dir) {
    const std::size_t first = order.size();
    for (const auto& facts : Archives_) {
      if (platform::Equal_Ignore_Case(facts.MOD_Directory, dir)) {
        order.push_back(&facts);
      }
    }
    std::stable_sort(order.begin() + static_cast<std::ptrdiff_t>(first), order.end(),
                     [](const TArchive_Facts* a, const TArchive_Facts* b) {
                       return Searched_Before(a->PK3_Filename, b->PK3_Filename);
                     });
  };
  add_directory(mod);
  for (const auto& base : bases) {
    // The engine in use searches its own base directory only.
    const bool in_use =
        Base_Directory_.empty() || platform::Equal_Ignore_Case(base, Base_Directory_);
    if (in_use && !platform::Equal_Ignore_Case(base, mod)) {
      add_directory(base);
    }
  }
  return order;
}

namespace {

// The first archive of the search order whose list (maps or bot files) holds the map's stem.
const TArchive_Facts* First_Holding(const std::vector<const TArchive_Facts*>& order,
                                    std::vector<std::string> TArchive_Facts::*list,
                                    const std::string& map_file) {
  const std::string stem = platform::Map_Stem(map_file);
  for (const TArchive_Facts* facts : order) {
    if (Contains(facts->*list, stem)) {
      return facts;
    }
  }
  return nullptr;
}

}  // namespace

const TArchive_Facts* TGame_Index::Bot_File(const std::string& map_file, const std::string& mod,
                                            const std::vector<std::string>& bases) const {
  return First_Holding(Search_Order(mod, bases), &TArchive_Facts::Bot_Files, map_file);
}

const TArchive_Facts* TGame_Index::Loaded_From(const std::string& map_file, const std::string& mod,
                                               const std::vector<std::string>& bases) const {
  return First_Holding(Search_Order(mod, bases), &TArchive_Facts::Maps, map_file);
}

std::vector<std::pair<const TArchive_Facts*, const TArena_Info*>> TGame_Index::Arenas_Read(
    const std::string& mod, const std::vector<std::string>& bases) const {
  std::vector<std::pair<const TArchive_Facts*, const TArena_Info*>> blocks;
  const std::vector<const TArchive_Facts*> order = Search_Order(mod, bases);
  std::size_t next = 0;
  Visit_Arenas_In_Order([&]() { return next < order.size() ? order[next++] : nullptr; },
                        [&blocks](const TArchive_Facts& facts, const TArena_Info& info) {
                          blocks.emplace_back(&facts, &info);
                        });
  return blocks;
}

bool TGame_Index::Walk_Arenas_Read_In_File(const std::string& path, std::string base_directory,
                                           const std::vector<std::string>& mods,
                                           const std::vector<std::string>& bases,
                                           const TArena_Visit& visit) {
  try {
    const TIndex_File file(path);
    // Where each archive's record lies; the archives themselves only by name.
    std::vector<TIndex_File::TRecord> records;
    std::vector<TArchive_Facts> names;
    if (!file.List_Records([&](const TArchive_Facts& facts, TIndex_File::TRecord record) {
          TArchive_Facts name;
          name.MOD_Directory = facts.MOD_Directory;
          name.PK3_Filename = facts.PK3_Filename;
          names.push_back(std::move(name));
          records.push_back(record);
        })) {
      return false;
    }
    TGame_Index named;
    named.Set_Archives(std::move(names));
    named.Set_Base_Directory(std::move(base_directory));
    const TArchive_Facts* first = named.Archives().data();
    for (const std::string& mod : mods) {
      const std::vector<const TArchive_Facts*> order = named.Search_Order(mod, bases);
      std::size_t next = 0;
      TArchive_Facts current;
      Visit_Arenas_In_Order(
          [&]() -> const TArchive_Facts* {
            if (next == order.size()) {
              return nullptr;
            }
            current = file.Read_Record(records[static_cast<std::size_t>(order[next++] - first)]);
            return &current;
          },
          [&](const TArchive_Facts& facts, const TArena_Info& info) { visit(mod, facts, info); });
    }
    return true;
  } catch (const TStream_Error&) {
    return false;
  }
}

std::optional<std::pair<const TArchive_Facts*, TArena_Info>> TGame_Index::Arena_Of(
    const std::string& map_file, const std::string& mod,
    const std::vector<std::string>& bases) const {
  const std::string stem = platform::Map_Stem(map_file);
  for (const auto& [facts, info] : Arenas_Read(mod, bases)) {
    if (platform::Upper(info->Value("map")) == stem) {
      return std::make_pair(facts, *info);
    }
  }
  return std::nullopt;
}

}  // namespace vorlix
