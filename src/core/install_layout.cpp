#include "core/install_layout.h"

#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <system_error>

#include <unistd.h>

#include "core/case_lookup.h"
#include "core/paths.h"

namespace fs = std::filesystem;

namespace vorlix {

namespace {

std::string Environment(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? std::string(value) : std::string();
}

bool Is_Directory(const std::string& path) {
  std::error_code ec;
  return fs::is_directory(fs::path(path), ec);
}

}  // namespace

std::string User_Data_Home(const std::string& xdg_data_home, const std::string& home) {
  // Relative values of XDG_DATA_HOME are invalid and ignored.
  if (!xdg_data_home.empty() && xdg_data_home.front() == '/') {
    return platform::Without_Trailing_Separator(xdg_data_home);
  }
  if (!home.empty()) {
    return platform::Join({platform::Without_Trailing_Separator(home), ".local", "share"});
  }
  return platform::Join(".local", "share");
}

std::string User_Data_Directory() {
  return platform::Join(User_Data_Home(Environment("XDG_DATA_HOME"), Environment("HOME")),
                        Data_Folder_Name);
}

std::string Shared_Data_Directory(const std::string& executable_dir) {
  return platform::Join({platform::Parent(platform::Without_Trailing_Separator(executable_dir)),
                         "share", Data_Folder_Name});
}

bool Is_Installed_Layout(const std::string& executable_dir) {
  const std::string dir = platform::Without_Trailing_Separator(executable_dir);
  return platform::File_Name(dir) == "bin" && Is_Directory(Shared_Data_Directory(dir));
}

bool Is_Writable_Directory(const std::string& dir) {
  return Is_Directory(dir) && ::access(dir.c_str(), W_OK | X_OK) == 0;
}

std::string Choose_Program_Directory(const std::string& executable_dir, bool installed_layout,
                                     bool executable_dir_writable,
                                     const std::string& user_data_dir) {
  // An installed program never writes into <prefix>/bin, not even when run by root.
  if (installed_layout || !executable_dir_writable) {
    return platform::Without_Trailing_Separator(user_data_dir);
  }
  return platform::Without_Trailing_Separator(executable_dir);
}

std::string Default_Program_Directory() {
  const std::string executable_dir = platform::Executable_Directory();
  std::string chosen =
      Choose_Program_Directory(executable_dir, Is_Installed_Layout(executable_dir),
                               Is_Writable_Directory(executable_dir), User_Data_Directory());
  if (chosen != platform::Without_Trailing_Separator(executable_dir) && !Is_Directory(chosen)) {
    std::error_code ec;
    // A folder that cannot be made is the start-up's to report.
    fs::create_directories(fs::path(chosen), ec);
  }
  return chosen;
}

std::vector<std::string> GFX_Search_Directories(const std::string& program_dir,
                                                const std::string& executable_dir) {
  std::vector<std::string> dirs;
  const auto add = [&dirs](const std::string& dir) {
    const std::string clean = platform::Without_Trailing_Separator(dir);
    if (clean.empty()) {
      return;
    }
    for (const auto& known : dirs) {
      if (known == clean) {
        return;
      }
    }
    dirs.push_back(clean);
  };
  add(program_dir);
  add(executable_dir);
  if (!executable_dir.empty()) {
    add(Shared_Data_Directory(executable_dir));
  }
  return dirs;
}

std::string Find_GFX_Directory(const std::string& program_dir, const std::string& executable_dir) {
  for (const auto& dir : GFX_Search_Directories(program_dir, executable_dir)) {
    if (auto found = platform::Resolve_Ignore_Case(dir, "GFX"); found && Is_Directory(*found)) {
      return *found;
    }
  }
  return platform::Join(platform::Without_Trailing_Separator(program_dir), "GFX");
}

}  // namespace vorlix
