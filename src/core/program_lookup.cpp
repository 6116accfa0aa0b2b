#include "core/program_lookup.h"

#include <algorithm>
#include <cstdlib>

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include "core/paths.h"

namespace vorlix::platform {

namespace {

int Program_Error(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) {
    return ENOENT;
  }
  return S_ISREG(st.st_mode) && ::access(path.c_str(), X_OK) == 0 ? 0 : EACCES;
}

}  // namespace

std::vector<std::string> Program_Search_Folders(const std::string& path_variable) {
  std::vector<std::string> folders;
  const auto add = [&folders](std::string folder) {
    folder = Without_Trailing_Separator(folder);
    if (!folder.empty() && folder.front() == '/' &&
        std::find(folders.begin(), folders.end(), folder) == folders.end()) {
      folders.push_back(std::move(folder));
    }
  };
  std::size_t start = 0;
  while (start <= path_variable.size()) {
    const std::size_t end = std::min(path_variable.find(':', start), path_variable.size());
    add(path_variable.substr(start, end - start));
    start = end + 1;
  }
  for (const char* folder : Game_Program_Folders) {
    add(folder);
  }
  return folders;
}

std::vector<std::string> Program_Search_Folders() {
  if (const char* path = std::getenv("PATH"); path != nullptr) {
    return Program_Search_Folders(path);
  }
  std::string default_path(::confstr(_CS_PATH, nullptr, 0), '\0');
  if (!default_path.empty()) {
    ::confstr(_CS_PATH, default_path.data(), default_path.size());
    default_path.pop_back();  // the terminating zero
  }
  return Program_Search_Folders(default_path);
}

TProgram_Lookup Find_Program(const std::string& program, const std::string& working_dir,
                             const std::vector<std::string>& folders) {
  TProgram_Lookup lookup;
  lookup.Error = ENOENT;
  if (program.empty()) {
    return lookup;
  }
  if (program.find('/') != std::string::npos) {
    const std::string path =
        program.front() == '/' || working_dir.empty() ? program : Join(working_dir, program);
    lookup.Error = Program_Error(path);
    lookup.Path = lookup.Error == 0 ? path : std::string();
    return lookup;
  }
  // As a shell does: the first executable file wins; a file that cannot be run is passed over
  // and only reported when nothing else is found.
  for (const auto& folder : folders) {
    const std::string path = Join(folder, program);
    const int error = Program_Error(path);
    if (error == 0) {
      return {path, 0};
    }
    if (error == EACCES) {
      lookup.Error = EACCES;
    }
  }
  return lookup;
}

TProgram_Lookup Find_Program(const std::string& program, const std::string& working_dir) {
  return Find_Program(program, working_dir, Program_Search_Folders());
}

std::string Program_Not_Found_Text(const std::string& program, int error) {
  std::string where;
  if (program.find('/') == std::string::npos) {
    where = " in the folders of PATH, ";
    where += Game_Program_Folders[0];
    where += " or ";
    where += Game_Program_Folders[1];
  }
  if (error == EACCES) {
    return "The program \"" + program + "\" was found" + where + " but cannot be run.";
  }
  return "The program \"" + program + "\" was not found" + where + ".";
}

std::optional<std::size_t> Open_File_Limit() {
  rlimit limit{};
  if (getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) {
    return std::nullopt;
  }
  return static_cast<std::size_t>(limit.rlim_cur);
}

}  // namespace vorlix::platform
