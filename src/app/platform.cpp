#include "app/platform.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <utime.h>

#ifndef _WIN32
#include <unistd.h>
#endif
#if defined(__GLIBC__)
#include <malloc.h>
#include <sys/mman.h>
#endif

namespace fs = std::filesystem;

namespace vorlix::platform {

// ---- Paths --------------------------------------------------------------------------------

char Separator() {
#ifdef _WIN32
  return '\\';
#else
  return '/';
#endif
}

namespace {
bool Is_Separator(char c) {
  return c == '/' || c == '\\';
}
}  // namespace

std::string Join(const std::string& a, const std::string& b) {
  if (a.empty()) {
    return b;
  }
  if (b.empty()) {
    return a;
  }
  std::string result = a;
  while (result.size() > 1 && Is_Separator(result.back())) {
    result.pop_back();
  }
  std::size_t start = 0;
  while (start < b.size() && Is_Separator(b[start])) {
    ++start;
  }
  if (!Is_Separator(result.back())) {
    result += Separator();
  }
  result.append(b, start, std::string::npos);
  return result;
}

std::string Join(std::initializer_list<std::string> pieces) {
  std::string result;
  for (const auto& piece : pieces) {
    result = Join(result, piece);
  }
  return result;
}

std::string Native(const std::string& path) {
  std::string result = path;
  for (char& c : result) {
    if (Is_Separator(c)) {
      c = Separator();
    }
  }
  return result;
}

std::string Without_Trailing_Separator(const std::string& path) {
  std::string result = path;
  while (result.size() > 1 && Is_Separator(result.back())) {
    result.pop_back();
  }
  return result;
}

std::string Parent(const std::string& path) {
  const std::string p = Without_Trailing_Separator(path);
  const auto pos = p.find_last_of("/\\");
  if (pos == std::string::npos) {
    return "";
  }
  if (pos == 0) {
    return p.substr(0, 1);
  }
  return p.substr(0, pos);
}

std::string File_Name(const std::string& path) {
  const std::string p = Without_Trailing_Separator(path);
  const auto pos = p.find_last_of("/\\");
  return pos == std::string::npos ? p : p.substr(pos + 1);
}

// ---- Letter case ----------------------------------------------------------------------------

std::string Upper(std::string text) {
  for (char& c : text) {
    if (c >= 'a' && c <= 'z') {
      c = static_cast<char>(c - 'a' + 'A');
    }
  }
  return text;
}

std::string Lower(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') {
      c = static_cast<char>(c - 'A' + 'a');
    }
  }
  return text;
}

namespace {
char Upper_Char(char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}
}  // namespace

bool Equal_Ignore_Case(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) {
    return false;
  }
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (Upper_Char(a[i]) != Upper_Char(b[i])) {
      return false;
    }
  }
  return true;
}

bool Starts_With_Ignore_Case(const std::string& text, const std::string& prefix) {
  return text.size() >= prefix.size() && Equal_Ignore_Case(text.substr(0, prefix.size()), prefix);
}

// ---- Directory listing ------------------------------------------------------------------------

bool Listing_Less(const std::string& a, const std::string& b) {
  const std::size_t n = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < n; ++i) {
    const auto ca = static_cast<unsigned char>(Upper_Char(a[i]));
    const auto cb = static_cast<unsigned char>(Upper_Char(b[i]));
    if (ca != cb) {
      return ca < cb;
    }
  }
  if (a.size() != b.size()) {
    return a.size() < b.size();
  }
  return a < b;
}

void Sort_Listing(std::vector<std::string>& names) {
  std::sort(names.begin(), names.end(), Listing_Less);
}

namespace {

// The listing; `with_status` fills the fields that need a look at each entry (everything but
// the name). The case-insensitive lookups need names only.
std::optional<std::vector<Dir_Entry>> List_Entries(const std::string& dir, bool with_status) {
  DIR* stream = ::opendir(dir.empty() ? "." : dir.c_str());
  if (stream == nullptr) {
    return std::nullopt;
  }
  // Entries are looked at relative to the open directory: one name to resolve each, not the
  // whole path (listings of folders with thousands of archives stay cheap).
  const int fd = ::dirfd(stream);
  std::vector<Dir_Entry> entries;
  while (const dirent* found = ::readdir(stream)) {
    Dir_Entry entry;
    entry.Name = found->d_name;
    if (entry.Name == "." || entry.Name == "..") {
      continue;
    }
    entry.Is_Hidden = entry.Name[0] == '.';
    if (!with_status) {
      entries.push_back(std::move(entry));
      continue;
    }
    if (found->d_type == DT_UNKNOWN) {
      struct stat own {};
      entry.Is_Symlink =
          ::fstatat(fd, found->d_name, &own, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(own.st_mode);
    } else {
      entry.Is_Symlink = found->d_type == DT_LNK;
    }
    struct stat st {};
    if (::fstatat(fd, found->d_name, &st, 0) == 0) {
      entry.Is_Directory = S_ISDIR(st.st_mode);
      entry.Size = S_ISDIR(st.st_mode) ? 0 : static_cast<std::uint64_t>(st.st_size);
      entry.Modified = st.st_mtime;
    }
    entries.push_back(std::move(entry));
  }
  ::closedir(stream);
  std::sort(entries.begin(), entries.end(),
            [](const Dir_Entry& a, const Dir_Entry& b) { return Listing_Less(a.Name, b.Name); });
  return entries;
}

}  // namespace

std::optional<std::vector<Dir_Entry>> List_Directory(const std::string& dir) {
  return List_Entries(dir, true);
}

std::optional<std::vector<std::string>> List_Names(
    const std::string& dir, const std::function<bool(std::string_view name)>& keep) {
  DIR* stream = ::opendir(dir.empty() ? "." : dir.c_str());
  if (stream == nullptr) {
    return std::nullopt;
  }
  std::vector<std::string> names;
  while (const dirent* found = ::readdir(stream)) {
    const std::string_view name(found->d_name);
    if (name == "." || name == "..") {
      continue;
    }
    if (!keep || keep(name)) {
      names.emplace_back(name);
    }
  }
  ::closedir(stream);
  Sort_Listing(names);
  return names;
}

// ---- Case-insensitive lookup ------------------------------------------------------------------

namespace {

std::vector<std::string> Split_Components(const std::string& relative) {
  std::vector<std::string> parts;
  std::string current;
  for (char c : relative) {
    if (Is_Separator(c)) {
      if (!current.empty()) {
        parts.push_back(current);
      }
      current.clear();
    } else {
      current += c;
    }
  }
  if (!current.empty()) {
    parts.push_back(current);
  }
  return parts;
}

// Walks the components of `relative` below `base`; `find(dir, part)` gives the on-disk name of
// the first entry of `dir` equal to `part` ignoring case, or nullopt.
template <typename Finder>
std::optional<std::string> Resolve_With(const std::string& base, const std::string& relative,
                                        Finder&& find) {
  std::string current = base;
  for (const auto& part : Split_Components(relative)) {
    if (part == ".") {
      continue;
    }
    if (part == "..") {
      current = Parent(current);
      continue;
    }
    const std::optional<std::string> hit = find(current, part);
    if (!hit) {
      return std::nullopt;
    }
    current = Join(current, *hit);
  }
  return current;
}

}  // namespace

std::optional<std::string> Resolve_Ignore_Case(const std::string& base,
                                               const std::string& relative) {
  return Resolve_With(
      base, relative,
      [](const std::string& dir, const std::string& part) -> std::optional<std::string> {
        const auto listing = List_Entries(dir, false);
        if (!listing) {
          return std::nullopt;
        }
        const auto hit = std::find_if(listing->begin(), listing->end(), [&](const Dir_Entry& e) {
          return Equal_Ignore_Case(e.Name, part);
        });
        if (hit == listing->end()) {
          return std::nullopt;
        }
        return hit->Name;
      });
}

std::optional<std::string> Find_Ignore_Case_At(int dir_fd, const std::string& dir,
                                               const std::string& name) {
  const int fd = ::openat(dir_fd, dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) {
    return std::nullopt;
  }
  DIR* stream = ::fdopendir(fd);
  if (stream == nullptr) {
    ::close(fd);
    return std::nullopt;
  }
  // The first in listing order of the names that differ from `name` in case only.
  std::optional<std::string> first;
  while (const dirent* found = ::readdir(stream)) {
    const std::string_view entry(found->d_name);
    if (entry == "." || entry == ".." || entry.size() != name.size() ||
        !Equal_Ignore_Case(std::string(entry), name)) {
      continue;
    }
    if (!first || Listing_Less(std::string(entry), *first)) {
      first = std::string(entry);
    }
  }
  ::closedir(stream);
  return first;
}

std::optional<std::string> Resolve_Path_Ignore_Case(const std::string& path) {
  // Keep the longest leading part that exists as written, resolve the rest.
  std::string head = Without_Trailing_Separator(path);
  std::vector<std::string> tail;
  std::error_code ec;
  while (!head.empty() && !fs::exists(fs::path(head), ec)) {
    const std::string parent = Parent(head);
    tail.insert(tail.begin(), File_Name(head));
    if (parent == head) {
      break;
    }
    head = parent;
  }
  std::string relative;
  for (const auto& part : tail) {
    if (!relative.empty()) {
      relative += '/';
    }
    relative += part;
  }
  if (head.empty()) {
    head = ".";
  }
  return relative.empty() ? std::optional<std::string>(head) : Resolve_Ignore_Case(head, relative);
}

const TCase_Resolver::TListing& TCase_Resolver::Listing(const std::string& dir) {
  auto it = Listings_.find(dir);
  if (it == Listings_.end()) {
    TListing listing;
    if (const auto entries = List_Entries(dir, false)) {
      listing.Listed = true;
      listing.First_By_Upper.reserve(entries->size());
      // In listing order, so the first of several names that differ only in case is kept.
      for (const auto& entry : *entries) {
        listing.First_By_Upper.try_emplace(Upper(entry.Name), entry.Name);
      }
    }
    it = Listings_.emplace(dir, std::move(listing)).first;
  }
  return it->second;
}

std::optional<std::string> TCase_Resolver::Resolve(const std::string& base,
                                                   const std::string& relative) {
  return Resolve_With(
      base, relative,
      [this](const std::string& dir, const std::string& part) -> std::optional<std::string> {
        const TListing& listing = Listing(dir);
        if (!listing.Listed) {
          return std::nullopt;
        }
        const auto hit = listing.First_By_Upper.find(Upper(part));
        if (hit == listing.First_By_Upper.end()) {
          return std::nullopt;
        }
        return hit->second;
      });
}

// ---- Packed DOS date-times ----------------------------------------------------------------------

std::int32_t To_DOS_Date_Time(std::time_t time) {
  std::tm local{};
  localtime_r(&time, &local);
  int year = local.tm_year + 1900;
  if (year < 1980) {
    // The format cannot hold earlier dates; the earliest one it can stands in.
    return static_cast<std::int32_t>((1u << 5 | 1u) << 16);
  }
  const std::uint32_t date = (static_cast<std::uint32_t>(year - 1980) << 9) |
                             (static_cast<std::uint32_t>(local.tm_mon + 1) << 5) |
                             static_cast<std::uint32_t>(local.tm_mday);
  const std::uint32_t tod = (static_cast<std::uint32_t>(local.tm_hour) << 11) |
                            (static_cast<std::uint32_t>(local.tm_min) << 5) |
                            static_cast<std::uint32_t>(local.tm_sec / 2);
  return static_cast<std::int32_t>((date << 16) | tod);
}

std::time_t From_DOS_Date_Time(std::int32_t dos) {
  const auto value = static_cast<std::uint32_t>(dos);
  const std::uint32_t date = value >> 16;
  const std::uint32_t tod = value & 0xFFFFu;
  std::tm local{};
  local.tm_year = static_cast<int>((date >> 9) & 0x7F) + 80;
  local.tm_mon = static_cast<int>((date >> 5) & 0x0F) - 1;
  local.tm_mday = static_cast<int>(date & 0x1F);
  local.tm_hour = static_cast<int>((tod >> 11) & 0x1F);
  local.tm_min = static_cast<int>((tod >> 5) & 0x3F);
  local.tm_sec = static_cast<int>((tod & 0x1F) * 2);
  local.tm_isdst = -1;
  return std::mktime(&local);
}

std::optional<std::int32_t> File_DOS_Date_Time(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) {
    return std::nullopt;
  }
  return To_DOS_Date_Time(st.st_mtime);
}

bool Set_File_DOS_Date_Time(const std::string& path, std::int32_t dos) {
  struct utimbuf times {};
  times.actime = From_DOS_Date_Time(dos);
  times.modtime = times.actime;
  return ::utime(path.c_str(), &times) == 0;
}

// ---- Installation search roots
// -------------------------------------------------------------------

std::vector<std::string> Default_Search_Roots() {
  std::vector<std::string> roots;
  if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') {
    roots.emplace_back(Without_Trailing_Separator(home));
  }
  roots.emplace_back("/");
  return roots;
}

bool Is_Excluded_From_Search(const std::string& path) {
  const std::string p = Without_Trailing_Separator(path);
  return p == "/proc" || p == "/sys" || p == "/dev" || p == "/run";
}

// ---- Program directory -------------------------------------------------------------------------

std::string Executable_Directory() {
  std::error_code ec;
  const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
  if (ec) {
    return Without_Trailing_Separator(fs::current_path(ec).string());
  }
  return Without_Trailing_Separator(exe.parent_path().string());
}

// ---- Memory
// ---------------------------------------------------------------------------------------

void Prepare_Heap_For_Startup() {
#if defined(__GLIBC__)
  static bool prepared = false;
  if (prepared) {
    return;
  }
  prepared = true;
  constexpr auto step = static_cast<int>(Heap_Step);
  if (mallopt(M_TOP_PAD, step) == 0 || mallopt(M_MMAP_THRESHOLD, step) == 0) {
    return;
  }
  // One allocation that the heap's free room cannot hold makes the heap grow by a whole step
  // now; the new room is offered huge pages (whole huge pages inside it only).
  auto* const before = static_cast<char*>(sbrk(0));
  void* const block = std::malloc(std::size_t{256} << 10);
  auto* const after = static_cast<char*>(sbrk(0));
  std::free(block);
#if defined(MADV_HUGEPAGE)
  constexpr std::uintptr_t huge = std::uintptr_t{2} << 20;
  if (block != nullptr && reinterpret_cast<std::intptr_t>(before) != -1 && after > before) {
    char* const first = before + (huge - reinterpret_cast<std::uintptr_t>(before) % huge) % huge;
    char* const last = after - reinterpret_cast<std::uintptr_t>(after) % huge;
    if (last > first) {
      // Advice only: where it is refused the heap works with small pages as before.
      (void)madvise(first, static_cast<std::size_t>(last - first), MADV_HUGEPAGE);
    }
  }
#endif
#endif
}

}  // namespace vorlix::platform
