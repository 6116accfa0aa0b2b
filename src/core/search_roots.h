#pragma once
// Where the search for a game installation looks.

#include <string>
#include <vector>

namespace vorlix::platform {

// The roots the search walks, in order: the home directory, then "/".
std::vector<std::string> Default_Search_Roots();
// Directories the search never enters (virtual file systems).
bool Is_Excluded_From_Search(const std::string& path);

}  // namespace vorlix::platform
