#include "core/fs_routines.h"

#include <cerrno>
#include <climits>
#include <cstring>
#include <filesystem>
#include <system_error>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "core/case_lookup.h"
#include "core/letter_case.h"
#include "core/listing.h"
#include "core/paths.h"

namespace fs = std::filesystem;

namespace vorlix {

namespace {

bool Is_Separator(char c) {
  return c == '/' || c == '\\';
}

bool Is_Directory_No_Follow(const std::string& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool Exists_No_Follow(const std::string& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0;
}

// The directory as it is on disk: the path as written when it exists, else the first entry
// that matches ignoring case. Empty when there is none.
std::string Existing_Directory(const std::string& path) {
  std::error_code ec;
  if (fs::is_directory(fs::path(path), ec)) {
    return path;
  }
  if (auto resolved = platform::Resolve_Path_Ignore_Case(path)) {
    if (fs::is_directory(fs::path(*resolved), ec)) {
      return *resolved;
    }
  }
  return {};
}

// Creates `path` (parents first) and returns the path of the new directory as it is on disk.
std::string Create_Path(const std::string& given) {
  std::string path = platform::Native(given);
  if (path.size() > 1 && Is_Separator(path.back())) {
    path.pop_back();
  }
  if (path.empty()) {
    throw TFile_Error("Cannot create a directory without a name.");
  }
  const auto cut = path.find_last_of('/');
  std::string parent;
  std::string name = path;
  if (cut != std::string::npos) {
    parent = cut == 0 ? std::string("/") : path.substr(0, cut);
    name = path.substr(cut + 1);
  }
  std::string real_parent;
  if (!parent.empty()) {
    real_parent = Existing_Directory(parent);
    if (real_parent.empty()) {
      real_parent = Create_Path(parent);
    }
  }
  if (name.empty() || name == "." || name == "..") {
    throw TFile_Error("Cannot create directory " + given + ".");
  }
  if (!real_parent.empty()) {
    // An entry that differs only in case counts as the directory itself.
    if (platform::Resolve_Ignore_Case(real_parent, name)) {
      throw TFile_Error("Cannot create directory " + given + ": it exists already.");
    }
  }
  std::string target = platform::Join(real_parent, New_Directory_Name(name));
  if (::mkdir(target.c_str(), 0777) != 0) {
    throw TFile_Error("Cannot create directory " + target + ": " + std::strerror(errno) + ".");
  }
  return target;
}

bool Delete_Tree(const std::string& path) {
  // The owner may need to write into a folder that a crashed run left read-only.
  ::chmod(path.c_str(), S_IRWXU);
  bool result = true;
  const auto entries = platform::List_Directory(path);
  if (entries) {
    for (const auto& entry : *entries) {
      const std::string child = platform::Join(path, entry.Name);
      if (entry.Is_Symlink) {
        // A link goes itself; what it points to stays untouched.
        if (::unlink(child.c_str()) != 0) {
          return false;
        }
      } else if (entry.Is_Directory) {
        result = Delete_Tree(child);
      } else {
        struct stat st {};
        if (::lstat(child.c_str(), &st) == 0) {
          ::chmod(child.c_str(), (st.st_mode & 07777) | S_IWUSR);
        }
        if (::unlink(child.c_str()) != 0) {
          return false;
        }
      }
    }
  }
  if (::rmdir(path.c_str()) != 0) {
    result = false;
  }
  return result;
}

}  // namespace

void Create_Directory_Path(const std::string& path) {
  Create_Path(path);
}

std::string New_Directory_Name(const std::string& name) {
  return platform::Lower(name);
}

std::string Program_Subdirectory(const std::string& base, const std::string& name) {
  if (auto found = platform::Resolve_Ignore_Case(base, name)) {
    return *found;
  }
  return platform::Join(base, New_Directory_Name(name));
}

bool Delete_Directory_Tree(const std::string& given) {
  std::string path = platform::Native(given);
  if (path.size() > 1 && Is_Separator(path.back())) {
    path.pop_back();
  }
  if (!Exists_No_Follow(path)) {
    return true;
  }
  struct stat st {};
  ::lstat(path.c_str(), &st);
  if (S_ISLNK(st.st_mode)) {
    // A link in place of the directory: the link goes, its target is never entered.
    return ::unlink(path.c_str()) == 0;
  }
  if (!Is_Directory_No_Follow(path)) {
    return false;
  }
  return Delete_Tree(path);
}

int Create_Scratch_File(const std::string& path) {
  // Another process may put something at the name between the removal and the creation: the
  // exclusive creation then fails, and one more removal settles it.
  for (int attempt = 0;; ++attempt) {
    if (::unlink(path.c_str()) != 0 && errno != ENOENT && errno != EISDIR && errno != EPERM) {
      throw TFile_Error("cannot create " + path + ": " + std::strerror(errno));
    }
    const int fd =
        ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY, 0644);
    if (fd >= 0) {
      return fd;
    }
    if (errno != EEXIST || attempt > 0) {
      int error = errno;
      struct stat st {};
      if (::lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
        error = EISDIR;  // a directory is never removed to make room
      }
      throw TFile_Error("cannot create " + path + ": " + std::strerror(error));
    }
  }
}

std::string Remove_Quotes(const std::string& text) {
  std::string result;
  result.reserve(text.size());
  for (char c : text) {
    if (c != '"') {
      result += c;
    }
  }
  return result;
}

std::string Remove_Prefix(const std::string& text, const std::string& prefix) {
  if (!platform::Starts_With_Ignore_Case(text, prefix)) {
    return text;
  }
  return text.substr(prefix.size(), 255);
}

std::size_t Length_Without_Extension(std::string_view name) {
  const auto dot = name.find_last_of('.');
  if (dot == std::string_view::npos || name.find_first_of("/\\:", dot) != std::string_view::npos) {
    return name.size();
  }
  return dot;
}

std::string Remove_Extension(const std::string& name) {
  return name.substr(0, Length_Without_Extension(name));
}

std::string Shorten_Path(const std::string& path, int maximum) {
  if (maximum <= 3 || path.size() <= static_cast<std::size_t>(maximum)) {
    return path;
  }
  const auto max = static_cast<std::size_t>(maximum);
  const auto sep = path.find_first_of("/\\");
  const std::size_t p = sep == std::string::npos ? 0 : sep + 1;  // position counted from 1
  std::size_t head = p + 4 <= max ? p : 3;
  if (head + 3 > max) {
    head = max - 3;  // never longer than the maximum
  }
  const std::size_t tail = max - (head + 3);
  return path.substr(0, head) + "..." + path.substr(path.size() - tail);
}

int Text_To_Number(const std::string& text) {
  bool blank = true;
  for (char c : text) {
    if (static_cast<unsigned char>(c) > ' ') {
      blank = false;
      break;
    }
  }
  if (blank) {
    return 0;
  }
  const auto fail = [&]() -> TConversion_Error {
    return TConversion_Error("'" + text + "' is not a valid integer value");
  };
  std::size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) {
    ++i;
  }
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  if (i >= text.size()) {
    throw fail();
  }
  long long value = 0;
  for (; i < text.size(); ++i) {
    const char c = text[i];
    if (c < '0' || c > '9') {
      throw fail();
    }
    value = value * 10 + (c - '0');
    if (value > static_cast<long long>(INT_MAX) + 1) {
      throw fail();
    }
  }
  if (negative) {
    value = -value;
  }
  if (value > INT_MAX || value < INT_MIN) {
    throw fail();
  }
  return static_cast<int>(value);
}

}  // namespace vorlix

namespace vorlix {

std::string Folder_Write_Problem(const std::string& dir) {
  const std::string probe = platform::Join(dir, ".vorlix-write-check");
  for (int attempt = 0; attempt < 2; ++attempt) {
    const int fd =
        ::open(probe.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd >= 0) {
      ::close(fd);
      ::unlink(probe.c_str());
      return {};
    }
    // A probe an earlier run left behind is removed once.
    if (errno != EEXIST || ::unlink(probe.c_str()) != 0) {
      break;
    }
  }
  return std::strerror(errno);
}

}  // namespace vorlix
