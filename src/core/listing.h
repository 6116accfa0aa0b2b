#pragma once
// Directory listings in the order users see.

#include <algorithm>
#include <cstdint>
#include <ctime>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/letter_case.h"

namespace vorlix::platform {

struct TDir_Entry {
  std::string Name;
  bool Is_Directory = false;  // a link to a directory counts as a directory
  bool Is_Symlink = false;
  bool Is_Hidden = false;  // the name begins with "."
  std::uint64_t Size = 0;
  std::time_t Modified = 0;  // last-write time
};

// The order of the ASCII upper-cased forms of two names, byte-wise (a prefix first): below,
// equal to or above 0. Names equal ignoring case compare equal.
int Compare_Upper_Cased(std::string_view a, std::string_view b);
// The listing order users see: names compared by their ASCII upper-cased form byte-wise,
// ties broken by the raw name.
bool Listing_Less(const std::string& a, const std::string& b);
void Sort_Listing(std::vector<std::string>& names);

// Sorts `items` into the listing order of their names (`name_of(item)`). Each name is upper-cased
// once, not at every comparison: folders of thousands of archives are listed at every start.
template <typename T, typename Name_Of>
void Sort_In_Listing_Order(std::vector<T>& items, Name_Of name_of) {
  struct TKeyed_Entry {
    std::string Key;
    std::size_t Index;
  };
  std::vector<TKeyed_Entry> keyed;
  keyed.reserve(items.size());
  for (std::size_t i = 0; i < items.size(); ++i) {
    keyed.push_back({Upper(name_of(items[i])), i});
  }
  std::sort(keyed.begin(), keyed.end(), [&](const TKeyed_Entry& a, const TKeyed_Entry& b) {
    if (const int order = a.Key.compare(b.Key); order != 0) {
      return order < 0;
    }
    return name_of(items[a.Index]) < name_of(items[b.Index]);
  });
  std::vector<T> sorted;
  sorted.reserve(items.size());
  for (const TKeyed_Entry& k : keyed) {
    sorted.push_back(std::move(items[k.Index]));
  }
  items.swap(sorted);
}

// Lists a directory in listing order, without "." and "..". Hidden entries are included; the
// caller filters. Returns nullopt when the directory cannot be listed.
std::optional<std::vector<TDir_Entry>> List_Directory(const std::string& dir);

// The names of a directory's entries that `keep` accepts (all when it is empty), in listing
// order, without "." and "..". Nothing but the names is read, so listing a folder of thousands of
// archives for a few of them stays cheap. nullopt when the directory cannot be listed.
std::optional<std::vector<std::string>> List_Names(
    const std::string& dir, const std::function<bool(std::string_view name)>& keep = {});

}  // namespace vorlix::platform
