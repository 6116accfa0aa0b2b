#include "core/listing.h"

#include <algorithm>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include "core/letter_case.h"

namespace vorlix::platform {

int Compare_Upper_Cased(std::string_view a, std::string_view b) {
  const std::size_t n = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < n; ++i) {
    const auto ca = static_cast<unsigned char>(Upper_Char(a[i]));
    const auto cb = static_cast<unsigned char>(Upper_Char(b[i]));
    if (ca != cb) {
      return ca < cb ? -1 : 1;
    }
  }
  return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

bool Listing_Less(const std::string& a, const std::string& b) {
  const int order = Compare_Upper_Cased(a, b);
  return order != 0 ? order < 0 : a < b;
}

void Sort_Listing(std::vector<std::string>& names) {
  Sort_In_Listing_Order(names, [](const std::string& name) -> const std::string& { return name; });
}

namespace {

// The listing; `with_status` fills the fields that need a look at each entry (everything but
// the name). The case-insensitive lookups need names only.
std::optional<std::vector<TDir_Entry>> List_Entries(const std::string& dir, bool with_status) {
  DIR* stream = ::opendir(dir.empty() ? "." : dir.c_str());
  if (stream == nullptr) {
    return std::nullopt;
  }
  // Entries are looked at relative to the open directory: one name to resolve each, not the
  // whole path (listings of folders with thousands of archives stay cheap).
  const int fd = ::dirfd(stream);
  std::vector<TDir_Entry> entries;
  while (const dirent* found = ::readdir(stream)) {
    TDir_Entry entry;
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
  Sort_In_Listing_Order(entries,
                        [](const TDir_Entry& entry) -> const std::string& { return entry.Name; });
  return entries;
}

}  // namespace

std::optional<std::vector<TDir_Entry>> List_Directory(const std::string& dir) {
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

}  // namespace vorlix::platform
