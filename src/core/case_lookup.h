#pragma once
// The one case-insensitive lookup of names on disk: of several names that differ only in case,
// the first in listing order wins.

#include <map>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace vorlix::platform {

// Resolves every component of `relative` (separated by "/" or "\") below `base`, ignoring case.
// Returns the path as it is on disk, or nullopt when a component does not exist.
std::optional<std::string> Resolve_Ignore_Case(const std::string& base,
                                               const std::string& relative);
// The same for a whole path: the first component that exists as written is kept, the rest resolved.
std::optional<std::string> Resolve_Path_Ignore_Case(const std::string& path);
// One name in the directory `dir` (a whole path): the entry's name on disk, or nullopt.
std::optional<std::string> Find_Ignore_Case(const std::string& dir, const std::string& name);

// The same lookup with the listings of the directories it visits kept, for many lookups in a row
// (the synchronisation checks two folders for every archive). The cache holds until cleared.
class TCase_Resolver {
 public:
  std::optional<std::string> Resolve(const std::string& base, const std::string& relative);
  void Clear() { Listings_.clear(); }

 private:
  // A listed directory: its names in listing order, which sorts them by their upper-cased form
  // first, so the first name of several that differ only in case is found by a binary search.
  struct TListing {
    bool Listed = false;
    std::vector<std::string> Names;
  };
  const TListing& Listing(const std::string& dir);
  std::map<std::string, TListing> Listings_;
};

// The folders right below one base folder as they are named on disk, each looked up once
// ignoring case (Find_Ignore_Case).
class TFolder_Names {
 public:
  explicit TFolder_Names(std::string base) : Base_(std::move(base)) {}
  // The path of base/name as on disk; as written when no folder has that name.
  const std::string& Path_Of(const std::string& name);

 private:
  std::string Base_;
  std::unordered_map<std::string, std::string> Paths_;
};

}  // namespace vorlix::platform
