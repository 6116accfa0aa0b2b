#include "core/paths.h"

#include <filesystem>
#include <system_error>

namespace vorlix::platform {

char Separator() {
#ifdef _WIN32
  return '\\';
#else
  return '/';
#endif
}

bool Is_Separator(char c) {
  return c == '/' || c == '\\';
}

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

std::string Normal_Path(const std::string& path) {
  std::error_code ec;
  std::filesystem::path p = std::filesystem::absolute(std::filesystem::path(path), ec);
  if (ec) {
    p = std::filesystem::path(path);
  }
  return Without_Trailing_Separator(p.lexically_normal().string());
}

std::string Parent(const std::string& path) {
  const std::string p = Without_Trailing_Separator(path);
  const auto position = p.find_last_of("/\\");
  if (position == std::string::npos) {
    return "";
  }
  if (position == 0) {
    return p.substr(0, 1);
  }
  return p.substr(0, position);
}

std::string File_Name(const std::string& path) {
  const std::string p = Without_Trailing_Separator(path);
  const auto position = p.find_last_of("/\\");
  return position == std::string::npos ? p : p.substr(position + 1);
}

std::vector<std::string> Split_Path_Components(std::string_view path) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  while (start <= path.size()) {
    std::size_t end = start;
    while (end < path.size() && !Is_Separator(path[end])) {
      ++end;
    }
    if (end > start) {
      parts.emplace_back(path.substr(start, end - start));
    }
    start = end + 1;
  }
  return parts;
}

bool Is_Plain_Name(const std::string& name) {
  return !name.empty() && name != "." && name != ".." &&
         name.find_first_of(std::string("/\\\0", 3)) == std::string::npos;
}

void Make_Archive_Key(std::string& key, const std::string& directory, const std::string& filename) {
  key.clear();
  key.reserve(directory.size() + 1 + filename.size());
  key.append(directory).append(1, '\\').append(filename);
  for (char& c : key) {
    if (c >= 'A' && c <= 'Z') {
      c = static_cast<char>(c - 'A' + 'a');
    }
  }
}

std::string Archive_Key(const std::string& directory, const std::string& filename) {
  std::string key;
  Make_Archive_Key(key, directory, filename);
  return key;
}

std::string Executable_Directory() {
  std::error_code ec;
  const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec) {
    return Without_Trailing_Separator(std::filesystem::current_path(ec).string());
  }
  return Without_Trailing_Separator(exe.parent_path().string());
}

}  // namespace vorlix::platform
