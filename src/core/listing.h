#pragma once
// Directory listings in the order users see.

#include <cstdint>
#include <ctime>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vorlix::platform {

struct Dir_Entry {
  std::string Name;
  bool Is_Directory = false;  // a link to a directory counts as a directory
  bool Is_Symlink = false;
  bool Is_Hidden = false;  // the name begins with "."
  std::uint64_t Size = 0;
  std::time_t Modified = 0;  // last-write time
};

// The listing order users see: names compared by their ASCII upper-cased form byte-wise,
// ties broken by the raw name.
bool Listing_Less(const std::string& a, const std::string& b);
void Sort_Listing(std::vector<std::string>& names);

// Lists a directory in listing order, without "." and "..". Hidden entries are included; the
// caller filters. Returns nullopt when the directory cannot be listed.
std::optional<std::vector<Dir_Entry>> List_Directory(const std::string& dir);

// The names of a directory's entries that `keep` accepts (all when it is empty), in listing
// order, without "." and "..". Nothing but the names is read, so listing a folder of thousands of
// archives for a few of them stays cheap. nullopt when the directory cannot be listed.
std::optional<std::vector<std::string>> List_Names(
    const std::string& dir, const std::function<bool(std::string_view name)>& keep = {});

}  // namespace vorlix::platform
