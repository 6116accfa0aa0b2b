#include "core/search_roots.h"

#include <cstdlib>

#include "core/paths.h"

namespace vorlix::platform {

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

}  // namespace vorlix::platform
