#include "database/member_index.h"

#include <algorithm>
#include <deque>
#include <limits>
#include <unordered_map>

#include "core/case_lookup.h"
#include "core/letter_case.h"
#include "core/listing.h"
#include "core/paths.h"
#include "database/game_index.h"
#include "database/stream.h"
#include "database/zip_archive.h"

#include <sys/stat.h>
#include <unistd.h>

namespace vorlix {

namespace {

constexpr char Index_Magic[] = "VXMI";
constexpr std::int32_t Index_Version = 2;
// Folders below a directory deeper than this are not walked for loose files.
constexpr int Max_Folder_Depth = 32;
// The fewest bytes a stored member takes: name length, size, CRC-32, method.
constexpr std::size_t Least_Member_Bytes = 2 + 8 + 4 + 2;

char Lookup_Char(char c) {
  if (c >= 'A' && c <= 'Z') {
    return static_cast<char>(c - 'A' + 'a');
  }
  return c == '\\' || c == ':' ? '/' : c;
}

// The length of a name up to its first zero byte, which ends it for the engine.
std::size_t Engine_Length(std::string_view name) {
  const std::size_t zero = name.find('\0');
  return zero == std::string_view::npos ? name.size() : zero;
}

constexpr std::uint64_t Hash_Start = 14695981039346656037ULL;

bool Same_Lookup_Form(std::string_view a, std::string_view b) {
  const std::size_t length = Engine_Length(a);
  if (length != Engine_Length(b)) {
    return false;
  }
  for (std::size_t i = 0; i < length; ++i) {
    if (Lookup_Char(a[i]) != Lookup_Char(b[i])) {
      return false;
    }
  }
  return true;
}

// A stored record: its fields before the members, then each member to `member`.
template <typename TVisit>
void Read_Record(TByte_Reader& in, TMember_Source& source, std::string& name, TVisit member) {
  source.MOD_Directory = in.Read_String();
  source.PK3_Filename = in.Read_String();
  source.Size = in.Read_Cardinal();
  source.Date = in.Read_Integer();
  source.Problem = in.Read_String();
  const std::uint32_t count = in.Read_Cardinal();
  if (source.PK3_Filename.empty() || count > in.Remaining() / Least_Member_Bytes) {
    throw TStream_Error("impossible record");
  }
  for (std::uint32_t m = 0; m < count; ++m) {
    const std::uint8_t low = in.Read_Byte();
    name.resize(static_cast<std::size_t>(low | (in.Read_Byte() << 8U)));
    in.Read_Buffer(name.data(), name.size());
    const std::uint64_t size_low = in.Read_Cardinal();
    const std::uint64_t size = size_low | (std::uint64_t{in.Read_Cardinal()} << 32U);
    const std::uint32_t crc = in.Read_Cardinal();
    const std::uint8_t method_low = in.Read_Byte();
    member(m, name, size, crc, static_cast<std::uint16_t>(method_low | (in.Read_Byte() << 8U)));
  }
  if (!in.At_End()) {
    throw TStream_Error("a record longer than its members");
  }
}

void Write_16(TByte_Writer& out, std::uint16_t value) {
  out.Write_Byte(static_cast<std::uint8_t>(value & 0xFFU));
  out.Write_Byte(static_cast<std::uint8_t>(value >> 8U));
}

// A record's length, bytes and CRC-32.
void Write_Framed(TByte_Writer& out, const std::string& bytes) {
  out.Write_Cardinal(static_cast<std::uint32_t>(bytes.size()));
  out.Write_Buffer(bytes.data(), bytes.size());
  out.Write_Cardinal(CRC32_Of(bytes.data(), bytes.size()));
}

bool Is_Folder_Entry(std::string_view name) {
  return !name.empty() && name.back() == '/';
}

// The loose files below `dir` (relative names with '/'), the archives at its top left out.
bool Add_Loose_Files(TMember_Index& index, const std::string& dir, const std::string& relative,
                     int depth) {
  const auto entries =
      platform::List_Directory(relative.empty() ? dir : platform::Join(dir, relative));
  if (!entries) {
    return true;
  }
  for (const platform::TDir_Entry& entry : *entries) {
    const std::string name = relative.empty() ? entry.Name : relative + "/" + entry.Name;
    if (entry.Is_Directory) {
      // A link to a folder could lead back up: the engine's own folders are real ones.
      if (!entry.Is_Symlink && depth < Max_Folder_Depth &&
          !Add_Loose_Files(index, dir, name, depth + 1)) {
        return false;
      }
      continue;
    }
    if (relative.empty() && platform::Ends_With_Ignore_Case(entry.Name, ".pk3")) {
      continue;
    }
    if (!index.Add_Member(name, entry.Size, 0, 0)) {
      return false;
    }
  }
  return true;
}

// The directories the game searches for a MOD directory, in its order.
std::vector<std::string> Searched_Directories(const std::string& mod,
                                              const std::vector<std::string>& bases,
                                              const std::string& base_in_use) {
  std::vector<std::string> dirs{mod};
  for (const auto& base : bases) {
    const bool in_use = base_in_use.empty() || platform::Equal_Ignore_Case(base, base_in_use);
    if (in_use && !platform::Equal_Ignore_Case(base, mod)) {
      dirs.push_back(base);
    }
  }
  return dirs;
}

}  // namespace

std::uint64_t Member_Lookup_Hash(std::uint64_t hash, std::string_view more) {
  // FNV-1a over the lookup form.
  const std::size_t length = Engine_Length(more);
  for (std::size_t i = 0; i < length; ++i) {
    hash ^= static_cast<unsigned char>(Lookup_Char(more[i]));
    hash *= 1099511628211ULL;
  }
  return hash;
}

std::uint64_t Member_Lookup_Hash(std::string_view name) {
  return Member_Lookup_Hash(Hash_Start, name);
}

std::string Member_Lookup_Form(std::string_view name) {
  std::string form(name.substr(0, Engine_Length(name)));
  std::transform(form.begin(), form.end(), form.begin(), Lookup_Char);
  return form;
}

constexpr std::uint32_t No_Details = 0xFFFFFFFFU;
// The lookup table's directory: 65,536 places (256 KiB, which stays in the caches), each leading
// to the few dozen entries of a large installation that share a hash's first 16 bits.
constexpr unsigned Bucket_Bits = 16;
// A bit per value of a hash's leading Filter_Bits bits, set when an entry has it: 2 MiB, which
// the caches keep, answer most lookups of a name no member has without reading the table.
constexpr unsigned Filter_Bits = 24;

struct TMember_Index::THeld {
  std::deque<TMember_Details> Details;  // a deque: what was handed out stays where it is
  std::deque<std::string> Blocks;       // the names' bytes; a block never grows past its room
  TMember_Details None;
  std::size_t Bytes = 0;

  std::string_view Keep(std::string_view name) {
    constexpr std::size_t Block_Size = std::size_t{1} << 20;
    if (Blocks.empty() || Blocks.back().capacity() - Blocks.back().size() < name.size()) {
      Blocks.emplace_back().reserve(std::max(Block_Size, name.size()));
      Bytes += Blocks.back().capacity();
    }
    std::string& block = Blocks.back();
    const std::size_t at = block.size();
    block.append(name);
    return {block.data() + at, name.size()};
  }
};

TMember_Index::TMember_Index() : Held_(std::make_unique<THeld>()) {}
TMember_Index::~TMember_Index() = default;
TMember_Index::TMember_Index(TMember_Index&&) noexcept = default;
TMember_Index& TMember_Index::operator=(TMember_Index&&) noexcept = default;

std::size_t TMember_Index::Memory_Bytes() const {
  std::size_t bytes =
      sizeof(*this) + Details_Of_.capacity() * sizeof(std::uint32_t) +
      Firsts_.capacity() * sizeof(std::uint32_t) + Filter_.capacity() * sizeof(std::uint64_t) +
      Lookup_.capacity() * sizeof(Lookup_[0]) + Buckets_.capacity() * sizeof(std::uint32_t) +
      Sources_.capacity() * sizeof(TMember_Source) + Held_->Bytes +
      Held_->Details.size() * sizeof(TMember_Details);
  for (const auto& source : Sources_) {
    bytes += source.MOD_Directory.capacity() + source.PK3_Filename.capacity() +
             source.Problem.capacity();
  }
  return bytes;
}

std::uint32_t TMember_Index::Hold_Details(std::string_view name, std::uint64_t size,
                                          std::uint32_t crc, std::uint16_t method) const {
  Held_->Details.push_back({Held_->Keep(name), size, crc, method});
  return static_cast<std::uint32_t>(Held_->Details.size() - 1);
}

void TMember_Index::Add_Source(TMember_Source source) {
  source.First = static_cast<std::uint32_t>(Details_Of_.size());
  source.Count = 0;
  source.File.reset();
  source.Record_Offset = 0;
  source.Record_Length = 0;
  Firsts_.push_back(source.First);
  Sources_.push_back(std::move(source));
}

bool TMember_Index::Add_Member(std::string_view name, std::uint64_t size, std::uint32_t crc,
                               std::uint16_t method) {
  if (Sources_.empty() || name.size() > std::numeric_limits<std::uint16_t>::max() ||
      Held_->Bytes + name.size() > std::numeric_limits<std::uint32_t>::max() ||
      Details_Of_.size() >= std::numeric_limits<std::uint32_t>::max() - 1) {
    return false;
  }
  const auto number = static_cast<std::uint32_t>(Details_Of_.size());
  Details_Of_.push_back(Hold_Details(name, size, crc, method));
  if (!Is_Folder_Entry(name)) {
    Lookup_.push_back(
        {Member_Lookup_Hash(name), number, static_cast<std::uint32_t>(Sources_.size() - 1)});
  }
  ++Sources_.back().Count;
  return true;
}

void TMember_Index::Drop_Members_Of_Last_Source(std::string problem) {
  TMember_Source& source = Sources_.back();
  source.Problem = std::move(problem);
  if (source.Count > 0) {
    Details_Of_.resize(source.First);
    while (!Lookup_.empty() && Lookup_.back().Member >= source.First) {
      Lookup_.pop_back();  // its entries were added last
    }
    source.Count = 0;
  }
}

std::uint32_t TMember_Index::Source_Of(std::uint32_t member) const {
  // The last source starting at or before the member (an empty one shares its start).
  const auto after = std::upper_bound(Firsts_.begin(), Firsts_.end(), member);
  return after == Firsts_.begin() ? 0 : static_cast<std::uint32_t>(after - Firsts_.begin() - 1);
}

bool TMember_Index::Holds_Details(std::uint32_t member) const {
  return member < Details_Of_.size() && Details_Of_[member] != No_Details;
}

const TMember_Details& TMember_Index::Details(std::uint32_t member) const {
  if (member >= Details_Of_.size()) {
    return Held_->None;
  }
  if (Details_Of_[member] == No_Details) {
    Read_Details_Of(Source_Of(member), nullptr);
  }
  const std::uint32_t details = Details_Of_[member];
  return details == No_Details ? Held_->None : Held_->Details[details];
}

// Reads the details of a source's members from its stored record: every one, or those `wanted`
// marks (by member number).
void TMember_Index::Read_Details_Of(std::uint32_t s, const std::vector<char>* wanted) const {
  const TMember_Source& source = Sources_[s];
  if (!source.File || source.Record_Length == 0) {
    return;
  }
  std::string bytes;
  if (!source.File->Read(source.Record_Offset, source.Record_Length, bytes)) {
    return;
  }
  try {
    TByte_Reader in(std::move(bytes));
    TMember_Source stored;
    std::string name;
    auto& members = Details_Of_;
    Read_Record(in, stored, name,
                [&](std::uint32_t m, const std::string& member_name, std::uint64_t size,
                    std::uint32_t crc, std::uint16_t method) {
                  const std::uint32_t number = source.First + m;
                  if (m < source.Count && members[number] == No_Details &&
                      (wanted == nullptr || (*wanted)[number] != 0)) {
                    members[number] = Hold_Details(member_name, size, crc, method);
                  }
                });
  } catch (const TStream_Error&) {
    // The file changed since it was read: the details stay unknown.
  }
}

void TMember_Index::Finish(std::string base_directory) {
  Base_Directory_ = std::move(base_directory);
  // A table grown step by step gives its spare room back; one made with room to spare keeps it.
  if (Lookup_.capacity() > Lookup_.size() + Lookup_.size() / 4 + 4096) {
    Details_Of_.shrink_to_fit();
    Lookup_.shrink_to_fit();
  }
  std::sort(Lookup_.begin(), Lookup_.end(), [](const TMember_Entry& a, const TMember_Entry& b) {
    return a.Hash != b.Hash ? a.Hash < b.Hash : a.Member < b.Member;
  });
  Filter_.assign((std::size_t{1} << Filter_Bits) / 64, 0);
  for (const TMember_Entry& entry : Lookup_) {
    const std::uint64_t bit = entry.Hash >> (64U - Filter_Bits);
    Filter_[bit / 64] |= std::uint64_t{1} << (bit % 64);
  }
  Buckets_.assign((std::size_t{1} << Bucket_Bits) + 1, 0);
  for (std::size_t e = 0, b = 0; b < Buckets_.size(); ++b) {
    while (e < Lookup_.size() && (Lookup_[e].Hash >> (64U - Bucket_Bits)) < b) {
      ++e;
    }
    Buckets_[b] = static_cast<std::uint32_t>(e);
  }
  // The members whose form lies in more than one place are held with their details: the answers
  // name them.
  std::vector<char> wanted;
  std::vector<char> sources_wanted;
  for (std::size_t begin = 0; begin < Lookup_.size();) {
    std::size_t end = begin + 1;
    bool places = false;
    while (end < Lookup_.size() && Lookup_[end].Hash == Lookup_[begin].Hash) {
      places = places || Lookup_[end].Source != Lookup_[begin].Source;
      ++end;
    }
    for (std::size_t i = begin; places && i < end; ++i) {
      if (Details_Of_[Lookup_[i].Member] == No_Details) {
        if (wanted.empty()) {
          wanted.resize(Details_Of_.size(), 0);
          sources_wanted.resize(Sources_.size(), 0);
        }
        wanted[Lookup_[i].Member] = 1;
        sources_wanted[Lookup_[i].Source] = 1;
      }
    }
    begin = end;
  }
  for (std::uint32_t s = 0; s < sources_wanted.size(); ++s) {
    if (sources_wanted[s] != 0) {
      Read_Details_Of(s, &wanted);
    }
  }
}

std::span<const TMember_Entry> TMember_Index::Members_Hashed(std::uint64_t hash) const {
  if (Buckets_.empty()) {
    return {};  // not finished
  }
  const std::uint64_t bit = hash >> (64U - Filter_Bits);
  if ((Filter_[bit / 64] & (std::uint64_t{1} << (bit % 64))) == 0) {
    return {};
  }
  const std::uint64_t bucket = hash >> (64U - Bucket_Bits);
  const auto begin = Lookup_.begin() + Buckets_[bucket];
  const auto end = Lookup_.begin() + Buckets_[bucket + 1];
  const auto first = std::lower_bound(
      begin, end, hash,
      [](const TMember_Entry& entry, std::uint64_t value) { return entry.Hash < value; });
  auto last = first;
  while (last != end && last->Hash == hash) {
    ++last;
  }
  return {first, last};
}

std::vector<std::uint32_t> TMember_Index::Members_Named(std::string_view name) const {
  std::vector<std::uint32_t> found;
  for (const TMember_Entry& entry : Members_Hashed(Member_Lookup_Hash(name))) {
    // A member without held details lies in one place: its hash stands for its name.
    const std::uint32_t details = Details_Of_[entry.Member];
    if (details == No_Details || Same_Lookup_Form(Held_->Details[details].Name, name)) {
      found.push_back(entry.Member);
    }
  }
  return found;
}

void TMember_Index::Visit_Name_Groups(
    const std::function<void(std::span<const TMember_Entry>)>& visit) const {
  std::vector<TMember_Entry> group;
  std::vector<TMember_Entry> rest;
  for (std::size_t begin = 0; begin < Lookup_.size();) {
    std::size_t end = begin + 1;
    bool named = Details_Of_[Lookup_[begin].Member] != No_Details;
    while (end < Lookup_.size() && Lookup_[end].Hash == Lookup_[begin].Hash) {
      named = named || Details_Of_[Lookup_[end].Member] != No_Details;
      ++end;
    }
    const std::span<const TMember_Entry> hashed(Lookup_.data() + begin, end - begin);
    begin = end;
    if (!named || hashed.size() == 1) {
      // Members whose details are not held lie in one place under one name.
      visit(hashed);
      continue;
    }
    // Names of one hash are nearly always of one form; a collision splits them.
    rest.assign(hashed.begin(), hashed.end());
    while (!rest.empty()) {
      group.clear();
      const std::string_view first = Name(rest.front().Member);
      std::erase_if(rest, [&](const TMember_Entry& entry) {
        if (!group.empty() && !Same_Lookup_Form(Name(entry.Member), first)) {
          return false;
        }
        group.push_back(entry);
        return true;
      });
      visit(group);
    }
  }
}

bool TMember_Index::Read_Stored(const std::string& path) {
  const int fd = Open_For_Reading(path);
  if (fd < 0) {
    return false;
  }
  const auto file = std::make_shared<const TRecord_File>(fd);
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size < 16) {
    return false;
  }
  const auto file_size = static_cast<std::uint64_t>(st.st_size);
  std::string head(16, '\0');
  if (!Read_At_Offset(fd, 0, head.data(), head.size())) {
    return false;
  }
  TByte_Reader header(head);
  if (!header.Read_Header(Index_Magic, Index_Version)) {
    return false;
  }
  const std::uint32_t count = header.Read_Cardinal();
  const std::uint32_t members = header.Read_Cardinal();
  if (count > file_size / 30 || members > file_size / Least_Member_Bytes) {
    return false;
  }
  // Room for every member at once: the tables of a large installation take tens of megabytes,
  // which growing them step by step would leave behind in the heap.
  // (and for the loose files listed after)
  const std::size_t room = std::size_t{members} + members / 16 + 4096;
  Details_Of_.reserve(room);
  Lookup_.reserve(room);
  Sources_.reserve(count);
  Firsts_.reserve(count);
  std::uint64_t offset = 16;
  std::string name;
  std::string bytes;
  for (std::uint32_t a = 0; a < count; ++a) {
    char length_bytes[4];
    if (offset + 8 > file_size || !Read_At_Offset(fd, offset, length_bytes, 4)) {
      return false;
    }
    const std::uint32_t length = Little_Endian_32(length_bytes);
    offset += 4;
    if (length > file_size - offset - 4 || !file->Read(offset, length, bytes)) {
      return false;
    }
    TByte_Reader in(std::move(bytes));
    TMember_Source source;
    const auto index = static_cast<std::uint32_t>(Sources_.size());
    const auto first = static_cast<std::uint32_t>(Details_Of_.size());
    Read_Record(in, source, name,
                [&](std::uint32_t m, const std::string& member_name, std::uint64_t, std::uint32_t,
                    std::uint16_t) {
                  Details_Of_.push_back(No_Details);
                  if (!Is_Folder_Entry(member_name)) {
                    Lookup_.push_back({Member_Lookup_Hash(member_name), first + m, index});
                  }
                });
    source.First = first;
    source.Count = static_cast<std::uint32_t>(Details_Of_.size()) - first;
    source.File = file;
    source.Record_Offset = offset;
    source.Record_Length = length;
    Firsts_.push_back(first);
    Sources_.push_back(std::move(source));
    bytes = std::string();
    offset += std::uint64_t{length} + 4;
  }
  return offset == file_size;
}

bool TMember_Index::Load(const std::string& path) {
  *this = TMember_Index();
  try {
    if (!Read_Stored(path)) {
      *this = TMember_Index();
      return false;
    }
  } catch (const TStream_Error&) {
    *this = TMember_Index();
    return false;
  }
  Finish({});
  return true;
}

std::string TMember_Index::Save(const std::string& path) const {
  const auto produce = [this](TByte_Writer& out) {
    std::uint32_t archives = 0;
    std::uint32_t members = 0;
    for (const auto& source : Sources_) {
      archives += source.Loose() ? 0 : 1;
      members += source.Loose() ? 0 : source.Count;
    }
    out.Write_Buffer(Index_Magic, 4);
    out.Write_Integer(Index_Version);
    out.Write_Cardinal(archives);
    out.Write_Cardinal(members);
    std::string bytes;
    for (const auto& source : Sources_) {
      if (source.Loose()) {
        continue;
      }
      if (source.File && source.Record_Length > 0) {
        // Details left in the stored record: the record goes over as it is.
        if (!source.File->Read(source.Record_Offset, source.Record_Length, bytes)) {
          throw TStream_Error("members.dat changed while it was read");
        }
        Write_Framed(out, bytes);
        continue;
      }
      TByte_Writer record;
      record.Write_String(source.MOD_Directory);
      record.Write_String(source.PK3_Filename);
      record.Write_Cardinal(source.Size);
      record.Write_Integer(source.Date);
      record.Write_String(source.Problem);
      record.Write_Cardinal(source.Count);
      for (std::uint32_t m = source.First; m < source.First + source.Count; ++m) {
        const TMember_Details& member = Details(m);
        record.Write_Byte(static_cast<std::uint8_t>(member.Name.size() & 0xFFU));
        record.Write_Byte(static_cast<std::uint8_t>(member.Name.size() >> 8U));
        record.Write_Buffer(member.Name.data(), member.Name.size());
        record.Write_Cardinal(static_cast<std::uint32_t>(member.Size & 0xFFFFFFFFU));
        record.Write_Cardinal(static_cast<std::uint32_t>(member.Size >> 32U));
        record.Write_Cardinal(member.CRC32);
        Write_16(record, member.Method);
      }
      Write_Framed(out, record.Data());
    }
  };
  try {
    Write_File_Atomically(path, produce);
    return {};
  } catch (const TStream_Error& error) {
    return error.what();
  }
}

std::vector<std::pair<std::string, std::string>> Searched_Folders(const std::string& game_dir,
                                                                  const TGame_Index& games) {
  std::vector<std::pair<std::string, std::string>> folders;
  const auto add = [&](const std::string& dir) {
    if (std::any_of(folders.begin(), folders.end(), [&dir](const auto& known) {
          return platform::Equal_Ignore_Case(known.first, dir);
        })) {
      return;
    }
    if (const std::optional<std::string> found = platform::Find_Ignore_Case(game_dir, dir)) {
      folders.emplace_back(dir, platform::Join(game_dir, *found));
    }
  };
  for (const TArchive_Facts& facts : games.Archives()) {
    add(facts.MOD_Directory);
  }
  for (const std::string& base : games.Bases()) {
    add(base);
  }
  return folders;
}

TMember_Index_Build Build_Member_Index(const std::string& game_dir, const TGame_Index& games,
                                       const std::string& data_dir) {
  TMember_Index_Build build;
  const std::string path = platform::Join(data_dir, Member_Index_File);
  TMember_Index old;
  try {
    if (!old.Read_Stored(path)) {
      old = TMember_Index();
    }
  } catch (const TStream_Error&) {
    old = TMember_Index();
  }
  std::unordered_map<std::string, std::uint32_t> known;
  for (std::uint32_t s = 0; s < old.Sources().size(); ++s) {
    const TMember_Source& source = old.Sources()[s];
    known.emplace(platform::Archive_Key(source.MOD_Directory, source.PK3_Filename), s);
  }
  // Per archive of the game index: its stored source when it is unchanged.
  std::vector<std::optional<std::uint32_t>> stored;
  stored.reserve(games.Archives().size());
  for (const TArchive_Facts& facts : games.Archives()) {
    const auto it = known.find(platform::Archive_Key(facts.MOD_Directory, facts.PK3_Filename));
    const TMember_Source* source = it == known.end() ? nullptr : &old.Sources()[it->second];
    if (source != nullptr && source->Problem.empty() && source->Size == facts.Size &&
        source->Date == facts.Date) {
      stored.emplace_back(it->second);
      known.erase(it);  // an archive listed twice is read again
      ++build.Archives_Reused;
    } else {
      stored.emplace_back(std::nullopt);
    }
  }
  const bool unchanged = build.Archives_Reused == games.Archives().size() && known.empty();
  TMember_Index& index = build.Index;
  if (unchanged) {
    // The stored index is the new one, its details left in the file.
    index = std::move(old);
  } else {
    // The game index keeps MOD directories in lower case.
    platform::TFolder_Names folders(game_dir);
    for (std::size_t a = 0; a < games.Archives().size(); ++a) {
      const TArchive_Facts& facts = games.Archives()[a];
      TMember_Source source;
      source.MOD_Directory = facts.MOD_Directory;
      source.PK3_Filename = facts.PK3_Filename;
      source.Size = facts.Size;
      source.Date = facts.Date;
      index.Add_Source(std::move(source));
      if (stored[a]) {
        const TMember_Source& from = old.Sources()[*stored[a]];
        for (std::uint32_t m = from.First; m < from.First + from.Count; ++m) {
          const TMember_Details& member = old.Details(m);
          index.Add_Member(member.Name, member.Size, member.CRC32, member.Method);
        }
        continue;
      }
      ++build.Archives_Read;
      const std::string archive =
          platform::Join(folders.Path_Of(facts.MOD_Directory), facts.PK3_Filename);
      std::string problem;
      try {
        bool fits = true;
        Walk_Zip_Directory(archive, Largest_Walked_Directory,
                           [&](const TZip_Directory_Entry& entry) {
                             fits = fits && index.Add_Member(entry.Name, entry.Uncompressed_Size,
                                                             entry.CRC32, entry.Method);
                           });
        if (!fits) {
          problem = "too many members to index";
        }
      } catch (const TZip_Error& error) {
        // The reason without the path, which the report and the stored record name otherwise.
        problem = error.what();
        if (problem.compare(0, archive.size() + 2, archive + ": ") == 0) {
          problem.erase(0, archive.size() + 2);
        }
      }
      if (!problem.empty()) {
        build.Unreadable.push_back({archive, problem});
        index.Drop_Members_Of_Last_Source(std::move(problem));
      }
    }
    old = TMember_Index();
    build.Save_Problem = index.Save(path);
  }
  for (const auto& [dir, folder] : Searched_Folders(game_dir, games)) {
    TMember_Source loose;
    loose.MOD_Directory = dir;
    index.Add_Source(std::move(loose));
    if (!Add_Loose_Files(index, folder, {}, 0)) {
      build.Problems.push_back("The loose files of " + dir + " are too many to index.");
    }
  }
  index.Finish(games.Base_Directory());
  return build;
}

TMember_Search_Path Member_Search_Path(const TMember_Index& index, const std::string& mod,
                                       const std::vector<std::string>& bases) {
  // The archives' order is the game index's own.
  TGame_Index names;
  std::vector<TArchive_Facts> archives;
  std::vector<std::uint32_t> source_of;
  const auto& sources = index.Sources();
  for (std::uint32_t s = 0; s < sources.size(); ++s) {
    if (!sources[s].Loose()) {
      TArchive_Facts facts;
      facts.MOD_Directory = sources[s].MOD_Directory;
      facts.PK3_Filename = sources[s].PK3_Filename;
      archives.push_back(std::move(facts));
      source_of.push_back(s);
    }
  }
  names.Set_Archives(std::move(archives));
  names.Set_Base_Directory(index.Base_Directory());
  const std::vector<const TArchive_Facts*> order = names.Search_Order(mod, bases);
  TMember_Search_Path path;
  path.Rank.assign(sources.size(), 0);
  const auto add = [&path](std::uint32_t source) {
    path.Order.push_back(source);
    path.Rank[source] = static_cast<std::uint32_t>(path.Order.size());
  };
  for (const std::string& dir : Searched_Directories(mod, bases, index.Base_Directory())) {
    for (std::uint32_t s = 0; s < sources.size(); ++s) {
      if (sources[s].Loose() && platform::Equal_Ignore_Case(sources[s].MOD_Directory, dir)) {
        add(s);
      }
    }
    for (const TArchive_Facts* facts : order) {
      if (platform::Equal_Ignore_Case(facts->MOD_Directory, dir)) {
        add(source_of[static_cast<std::size_t>(facts - names.Archives().data())]);
      }
    }
  }
  return path;
}

bool Same_Loose_Name(std::string_view stored, std::string_view asked) {
  if (stored.size() != asked.size()) {
    return false;
  }
  for (std::size_t i = 0; i < stored.size(); ++i) {
    if (stored[i] != (asked[i] == '\\' ? '/' : asked[i])) {
      return false;
    }
  }
  return true;
}

std::vector<TMember_Copy> Copies_Of(const TMember_Index& index, const std::string& name,
                                    const TMember_Search_Path& path) {
  std::vector<std::pair<std::uint32_t, std::uint32_t>> ranked;  // rank, member
  for (const std::uint32_t m : index.Members_Named(name)) {
    const std::uint32_t s = index.Source_Of(m);
    const TMember_Source& source = index.Sources()[s];
    const std::uint32_t rank = s < path.Rank.size() ? path.Rank[s] : 0;
    if (rank == 0 || (source.Loose() && !Same_Loose_Name(index.Name(m), name))) {
      continue;
    }
    ranked.emplace_back(rank, m);
  }
  // Within an archive the member stored last is the one the engine finds: its table of names
  // puts each member before the ones stored earlier.
  std::sort(ranked.begin(), ranked.end(), [](const auto& a, const auto& b) {
    return a.first != b.first ? a.first < b.first : a.second > b.second;
  });
  std::vector<TMember_Copy> copies;
  copies.reserve(ranked.size());
  for (const auto& [rank, m] : ranked) {
    copies.push_back({&index.Sources()[index.Source_Of(m)], m, &index.Details(m)});
  }
  return copies;
}

std::vector<TMember_Copy> Copies_Of(const TMember_Index& index, const std::string& name,
                                    const std::string& mod, const std::vector<std::string>& bases) {
  return Copies_Of(index, name, Member_Search_Path(index, mod, bases));
}

std::optional<TMember_Copy> Winning_Copy(const TMember_Index& index, const std::string& name,
                                         const std::string& mod,
                                         const std::vector<std::string>& bases) {
  std::vector<TMember_Copy> copies = Copies_Of(index, name, mod, bases);
  if (copies.empty()) {
    return std::nullopt;
  }
  return copies.front();
}

}  // namespace vorlix
