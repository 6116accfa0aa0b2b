#include "database/member_index.h"

#include <algorithm>
#include <limits>
#include <unordered_map>

#include "core/case_lookup.h"
#include "core/letter_case.h"
#include "core/listing.h"
#include "core/paths.h"
#include "database/game_index.h"
#include "database/stream.h"
#include "database/zip_archive.h"

namespace vorlix {

namespace {

constexpr char Index_Magic[] = "VXMI";
constexpr std::int32_t Index_Version = 1;
// The largest central directory read: about three million members of 40-byte names.
constexpr std::uint64_t Max_Directory_Size = std::uint64_t{256} << 20;
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

// FNV-1a over the lookup form of a name.
std::uint64_t Lookup_Hash(std::string_view name) {
  std::uint64_t hash = 14695981039346656037ULL;
  const std::size_t length = Engine_Length(name);
  for (std::size_t i = 0; i < length; ++i) {
    hash ^= static_cast<unsigned char>(Lookup_Char(name[i]));
    hash *= 1099511628211ULL;
  }
  return hash;
}

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

void Write_Archive_Record(TByte_Writer& out, const TMember_Index& index,
                          const TMember_Source& source) {
  TByte_Writer record;
  record.Write_String(source.MOD_Directory);
  record.Write_String(source.PK3_Filename);
  record.Write_Cardinal(source.Size);
  record.Write_Integer(source.Date);
  record.Write_String(source.Problem);
  record.Write_Cardinal(source.Count);
  for (std::uint32_t m = source.First; m < source.First + source.Count; ++m) {
    const TMember& member = index.Members()[m];
    const std::string_view name = index.Name(member);
    record.Write_Byte(static_cast<std::uint8_t>(member.Name_Length & 0xFFU));
    record.Write_Byte(static_cast<std::uint8_t>(member.Name_Length >> 8U));
    record.Write_Buffer(name.data(), name.size());
    record.Write_Cardinal(static_cast<std::uint32_t>(member.Size & 0xFFFFFFFFU));
    record.Write_Cardinal(static_cast<std::uint32_t>(member.Size >> 32U));
    record.Write_Cardinal(member.CRC32);
    record.Write_Byte(static_cast<std::uint8_t>(member.Method & 0xFFU));
    record.Write_Byte(static_cast<std::uint8_t>(member.Method >> 8U));
  }
  const std::string& bytes = record.Data();
  out.Write_Buffer(bytes.data(), bytes.size());
  out.Write_Cardinal(CRC32_Of(bytes.data(), bytes.size()));
}

std::uint16_t Read_16(TByte_Reader& in) {
  const std::uint8_t low = in.Read_Byte();
  return static_cast<std::uint16_t>(low | (in.Read_Byte() << 8U));
}

// One archive's record into the index; throws TStream_Error when it is damaged.
void Read_Archive_Record(TByte_Reader& in, TMember_Index& index, std::string& name) {
  const std::size_t start = in.Position();
  TMember_Source source;
  source.MOD_Directory = in.Read_String();
  source.PK3_Filename = in.Read_String();
  source.Size = in.Read_Cardinal();
  source.Date = in.Read_Integer();
  source.Problem = in.Read_String();
  const std::uint32_t count = in.Read_Cardinal();
  if (source.PK3_Filename.empty() || count > in.Remaining() / Least_Member_Bytes) {
    throw TStream_Error("impossible record");
  }
  index.Add_Source(std::move(source));
  for (std::uint32_t m = 0; m < count; ++m) {
    name.resize(Read_16(in));
    in.Read_Buffer(name.data(), name.size());
    const std::uint64_t low = in.Read_Cardinal();
    const std::uint64_t size = low | (std::uint64_t{in.Read_Cardinal()} << 32U);
    const std::uint32_t crc = in.Read_Cardinal();
    if (!index.Add_Member(name, size, crc, Read_16(in))) {
      throw TStream_Error("too many member names");
    }
  }
  const std::size_t length = in.Position() - start;
  if (in.Read_Cardinal() != CRC32_Of(in.Data().data() + start, length)) {
    throw TStream_Error("checksum mismatch");
  }
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

std::string Member_Lookup_Form(std::string_view name) {
  std::string form(name.substr(0, Engine_Length(name)));
  std::transform(form.begin(), form.end(), form.begin(), Lookup_Char);
  return form;
}

std::size_t TMember_Index::Memory_Bytes() const {
  std::size_t bytes = sizeof(*this) + Names_.capacity() + Members_.capacity() * sizeof(TMember) +
                      Lookup_.capacity() * sizeof(Lookup_[0]) +
                      Sources_.capacity() * sizeof(TMember_Source);
  for (const auto& source : Sources_) {
    bytes += source.MOD_Directory.capacity() + source.PK3_Filename.capacity() +
             source.Problem.capacity();
  }
  return bytes;
}

void TMember_Index::Add_Source(TMember_Source source) {
  source.First = static_cast<std::uint32_t>(Members_.size());
  source.Count = 0;
  Sources_.push_back(std::move(source));
}

bool TMember_Index::Add_Member(std::string_view name, std::uint64_t size, std::uint32_t crc,
                               std::uint16_t method) {
  if (Sources_.empty() || name.size() > std::numeric_limits<std::uint16_t>::max() ||
      Names_.size() + name.size() > std::numeric_limits<std::uint32_t>::max() ||
      Members_.size() >= std::numeric_limits<std::uint32_t>::max()) {
    return false;
  }
  TMember member;
  member.Size = size;
  member.Name_Offset = static_cast<std::uint32_t>(Names_.size());
  member.Name_Length = static_cast<std::uint16_t>(name.size());
  member.Source = static_cast<std::uint32_t>(Sources_.size() - 1);
  member.CRC32 = crc;
  member.Method = method;
  Names_.append(name);
  Members_.push_back(member);
  ++Sources_.back().Count;
  return true;
}

void TMember_Index::Drop_Members_Of_Last_Source(std::string problem) {
  TMember_Source& source = Sources_.back();
  source.Problem = std::move(problem);
  if (source.Count > 0) {
    Names_.resize(Members_[source.First].Name_Offset);
    Members_.resize(source.First);
    source.Count = 0;
  }
}

void TMember_Index::Finish(std::string base_directory) {
  Base_Directory_ = std::move(base_directory);
  Names_.shrink_to_fit();
  Members_.shrink_to_fit();
  Lookup_.clear();
  Lookup_.reserve(Members_.size());
  for (std::size_t m = 0; m < Members_.size(); ++m) {
    Lookup_.emplace_back(Lookup_Hash(Name(Members_[m])), static_cast<std::uint32_t>(m));
  }
  std::sort(Lookup_.begin(), Lookup_.end());
}

std::vector<std::uint32_t> TMember_Index::Members_Named(const std::string& name) const {
  std::vector<std::uint32_t> found;
  const auto range = std::equal_range(
      Lookup_.begin(), Lookup_.end(), std::make_pair(Lookup_Hash(name), std::uint32_t{0}),
      [](const auto& a, const auto& b) { return a.first < b.first; });
  for (auto it = range.first; it != range.second; ++it) {
    if (Same_Lookup_Form(Name(Members_[it->second]), name)) {
      found.push_back(it->second);
    }
  }
  return found;
}

void TMember_Index::Visit_Name_Groups(
    const std::function<void(const std::vector<std::uint32_t>&)>& visit) const {
  std::vector<std::uint32_t> group;
  std::vector<std::uint32_t> rest;
  for (std::size_t begin = 0; begin < Lookup_.size();) {
    std::size_t end = begin + 1;
    while (end < Lookup_.size() && Lookup_[end].first == Lookup_[begin].first) {
      ++end;
    }
    rest.clear();
    for (std::size_t i = begin; i < end; ++i) {
      rest.push_back(Lookup_[i].second);
    }
    // Names of one hash are nearly always of one form; a collision splits them.
    while (!rest.empty()) {
      group.clear();
      const std::string_view first = Name(Members_[rest.front()]);
      std::erase_if(rest, [&](std::uint32_t m) {
        if (!Same_Lookup_Form(Name(Members_[m]), first)) {
          return false;
        }
        group.push_back(m);
        return true;
      });
      visit(group);
    }
    begin = end;
  }
}

bool TMember_Index::Load(const std::string& path) {
  *this = TMember_Index();
  try {
    TByte_Reader in(Read_Whole_File(path));
    if (!in.Read_Header(Index_Magic, Index_Version)) {
      return false;
    }
    const std::uint32_t count = in.Read_Cardinal();
    if (count > in.Remaining() / 30) {
      return false;
    }
    std::string name;
    for (std::uint32_t a = 0; a < count; ++a) {
      Read_Archive_Record(in, *this, name);
    }
    if (!in.At_End()) {
      *this = TMember_Index();
      return false;
    }
    Finish({});
    return true;
  } catch (const TStream_Error&) {
    *this = TMember_Index();
    return false;
  }
}

std::string TMember_Index::Save(const std::string& path) const {
  const auto produce = [this](TByte_Writer& out) {
    std::uint32_t archives = 0;
    for (const auto& source : Sources_) {
      archives += source.Loose() ? 0 : 1;
    }
    out.Write_Buffer(Index_Magic, 4);
    out.Write_Integer(Index_Version);
    out.Write_Cardinal(archives);
    for (const auto& source : Sources_) {
      if (!source.Loose()) {
        Write_Archive_Record(out, *this, source);
      }
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
  TMember_Index& index = build.Index;
  const std::string path = platform::Join(data_dir, Member_Index_File);
  TMember_Index old;
  old.Load(path);
  std::unordered_map<std::string, const TMember_Source*> known;
  // The game index keeps MOD directories in lower case.
  platform::TFolder_Names folders(game_dir);
  for (const auto& source : old.Sources()) {
    known.emplace(platform::Archive_Key(source.MOD_Directory, source.PK3_Filename), &source);
  }
  for (const TArchive_Facts& facts : games.Archives()) {
    TMember_Source source;
    source.MOD_Directory = facts.MOD_Directory;
    source.PK3_Filename = facts.PK3_Filename;
    source.Size = facts.Size;
    source.Date = facts.Date;
    const auto it = known.find(platform::Archive_Key(facts.MOD_Directory, facts.PK3_Filename));
    if (it != known.end() && it->second->Problem.empty() && it->second->Size == facts.Size &&
        it->second->Date == facts.Date) {
      index.Add_Source(std::move(source));
      const TMember_Source& stored = *it->second;
      for (std::uint32_t m = stored.First; m < stored.First + stored.Count; ++m) {
        const TMember& member = old.Members()[m];
        index.Add_Member(old.Name(member), member.Size, member.CRC32, member.Method);
      }
      ++build.Archives_Reused;
      continue;
    }
    index.Add_Source(std::move(source));
    ++build.Archives_Read;
    const std::string archive =
        platform::Join(folders.Path_Of(facts.MOD_Directory), facts.PK3_Filename);
    std::string problem;
    try {
      bool fits = true;
      Walk_Zip_Directory(archive, Max_Directory_Size, [&](const TZip_Directory_Entry& entry) {
        fits = fits &&
               index.Add_Member(entry.Name, entry.Uncompressed_Size, entry.CRC32, entry.Method);
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
  for (const auto& [dir, path] : Searched_Folders(game_dir, games)) {
    TMember_Source loose;
    loose.MOD_Directory = dir;
    index.Add_Source(std::move(loose));
    if (!Add_Loose_Files(index, path, {}, 0)) {
      build.Problems.push_back("The loose files of " + dir + " are too many to index.");
    }
  }
  index.Finish(games.Base_Directory());
  build.Save_Problem = index.Save(path);
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
  std::vector<std::pair<std::uint32_t, TMember_Copy>> ranked;
  for (const std::uint32_t m : index.Members_Named(name)) {
    const TMember& member = index.Members()[m];
    const TMember_Source& source = index.Sources()[member.Source];
    const std::uint32_t rank = member.Source < path.Rank.size() ? path.Rank[member.Source] : 0;
    if (rank == 0 || (source.Loose() && !Same_Loose_Name(index.Name(member), name))) {
      continue;
    }
    ranked.push_back({rank, {&source, &member}});
  }
  // Within an archive the member stored last is the one the engine finds: its table of names
  // puts each member before the ones stored earlier.
  std::sort(ranked.begin(), ranked.end(), [](const auto& a, const auto& b) {
    return a.first != b.first ? a.first < b.first : a.second.Member > b.second.Member;
  });
  std::vector<TMember_Copy> copies;
  copies.reserve(ranked.size());
  for (const auto& [rank, copy] : ranked) {
    copies.push_back(copy);
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
