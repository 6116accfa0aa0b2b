#include "core/case_lookup.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include <dirent.h>

#include "core/letter_case.h"
#include "core/listing.h"
#include "core/paths.h"

namespace vorlix::platform {

namespace {

// Walks the components of `relative` below `base`; `find(dir, part)` gives the on-disk name of
// the first entry of `dir` equal to `part` ignoring case, or nullopt.
template <typename Finder>
std::optional<std::string> Resolve_With(const std::string& base, const std::string& relative,
                                        Finder&& find) {
  std::string current = base;
  for (const auto& part : Split_Path_Components(relative)) {
    if (part == ".") {
      continue;
    }
    if (part == "..") {
      current = Parent(current);
      continue;
    }
    const std::optional<std::string> hit = find(current, part);
    if (!hit) {
      return std::nullopt;
    }
    current = Join(current, *hit);
  }
  return current;
}

}  // namespace

std::optional<std::string> Resolve_Ignore_Case(const std::string& base,
                                               const std::string& relative) {
  return Resolve_With(
      base, relative,
      [](const std::string& dir, const std::string& part) -> std::optional<std::string> {
        const auto listing = List_Names(dir);
        if (!listing) {
          return std::nullopt;
        }
        const auto hit =
            std::find_if(listing->begin(), listing->end(),
                         [&](const std::string& name) { return Equal_Ignore_Case(name, part); });
        if (hit == listing->end()) {
          return std::nullopt;
        }
        return *hit;
      });
}

std::optional<std::string> Find_Ignore_Case(const std::string& dir, const std::string& name) {
  DIR* stream = ::opendir(dir.c_str());
  if (stream == nullptr) {
    return std::nullopt;
  }
  // The first in listing order of the names that differ from `name` in case only.
  std::optional<std::string> first;
  while (const dirent* found = ::readdir(stream)) {
    const std::string_view entry(found->d_name);
    if (entry == "." || entry == ".." || entry.size() != name.size() ||
        !Equal_Ignore_Case(std::string(entry), name)) {
      continue;
    }
    if (!first || Listing_Less(std::string(entry), *first)) {
      first = std::string(entry);
    }
  }
  ::closedir(stream);
  return first;
}

std::optional<std::string> Resolve_Path_Ignore_Case(const std::string& path) {
  // Keep the longest leading part that exists as written, resolve the rest.
  std::string head = Without_Trailing_Separator(path);
  std::vector<std::string> tail;
  std::error_code ec;
  while (!head.empty() && !std::filesystem::exists(std::filesystem::path(head), ec)) {
    const std::string parent = Parent(head);
    tail.insert(tail.begin(), File_Name(head));
    if (parent == head) {
      break;
    }
    head = parent;
  }
  std::string relative;
  for (const auto& part : tail) {
    if (!relative.empty()) {
      relative += '/';
    }
    relative += part;
  }
  if (head.empty()) {
    head = ".";
  }
  return relative.empty() ? std::optional<std::string>(head) : Resolve_Ignore_Case(head, relative);
}

const TCase_Resolver::TListing& TCase_Resolver::Listing(const std::string& dir) {
  auto it = Listings_.find(dir);
  if (it == Listings_.end()) {
    TListing listing;
    if (auto entries = List_Names(dir)) {
      listing.Listed = true;
      listing.Names = std::move(*entries);
    }
    it = Listings_.emplace(dir, std::move(listing)).first;
  }
  return it->second;
}

std::optional<std::string> TCase_Resolver::Resolve(const std::string& base,
                                                   const std::string& relative) {
  return Resolve_With(
      base, relative,
      [this](const std::string& dir, const std::string& part) -> std::optional<std::string> {
        const TListing& listing = Listing(dir);
        if (!listing.Listed) {
          return std::nullopt;
        }
        // The names sort by their upper-cased form first: the first name not before `part` in
        // that order is the first one equal to it ignoring case, if any.
        const auto hit = std::lower_bound(listing.Names.begin(), listing.Names.end(), part,
                                          [](const std::string& name, const std::string& key) {
                                            return Compare_Upper_Cased(name, key) < 0;
                                          });
        if (hit == listing.Names.end() || !Equal_Ignore_Case(*hit, part)) {
          return std::nullopt;
        }
        return *hit;
      });
}

const std::string& TFolder_Names::Path_Of(const std::string& name) {
  const std::string key = Lower(name);
  auto it = Paths_.find(key);
  if (it == Paths_.end()) {
    const std::optional<std::string> found = Find_Ignore_Case(Base_, name);
    it = Paths_.emplace(key, Join(Base_, found ? *found : name)).first;
  }
  return it->second;
}

}  // namespace vorlix::platform
