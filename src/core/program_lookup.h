#pragma once
// Where a program named without a folder is found: as a shell finds it (the folders of PATH, in
// order), then in the folders where distributions put games and their servers, which not every
// user's PATH holds. Used by every start of the game or a server and by the stored engines.

#include <cerrno>
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace vorlix::platform {

// The folders of the game packages, searched after PATH.
inline constexpr const char* Game_Program_Folders[] = {"/usr/games", "/usr/local/games"};

// The folders a bare program name is looked up in: the absolute entries of `path_variable` in
// order (an empty or relative entry would depend on where the program happens to run, and is
// left out), then Game_Program_Folders, each once.
std::vector<std::string> Program_Search_Folders(const std::string& path_variable);
// The same for this process's PATH; without one, the system's default path.
std::vector<std::string> Program_Search_Folders();

struct TProgram_Lookup {
  std::string Path;  // the file to start; "" when none
  int Error = 0;     // 0 when found; ENOENT when there is no such file, EACCES when not executable
};

// The file `program` stands for: a name holding a "/" as written (a relative one against
// `working_dir` when given), a bare name the first executable file of that name in `folders`.
TProgram_Lookup Find_Program(const std::string& program, const std::string& working_dir,
                             const std::vector<std::string>& folders);
TProgram_Lookup Find_Program(const std::string& program, const std::string& working_dir = "");

// The message for a program that cannot be started, naming it and where it was looked for.
std::string Program_Not_Found_Text(const std::string& program, int error);

// How many files a program started from here may open (this process's soft limit, which a
// started program inherits); nullopt when there is no limit or it cannot be told.
std::optional<std::size_t> Open_File_Limit();

}  // namespace vorlix::platform
