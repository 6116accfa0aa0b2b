#include "database/folder_cache.h"

#include <algorithm>
#include <optional>

#include <dirent.h>
#include <sys/stat.h>

#include "core/case_lookup.h"
#include "core/fs_routines.h"
#include "core/letter_case.h"
#include "core/listing.h"
#include "core/paths.h"

namespace vorlix {

const std::string& TFolder_Cache::Real_Base(const std::string& base) {
  if (const auto it = Bases_.find(base); it != Bases_.end()) {
    return it->second;
  }
  struct stat st {};
  std::optional<std::string> real;
  if (::stat(base.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
    real = base;
  } else {
    real = platform::Resolve_Path_Ignore_Case(base);
  }
  if (!real) {
    return base;  // not there yet; looked up again next time
  }
  return Bases_.emplace(base, *real).first->second;
}

namespace {

// The names of the folders and links in `dir`, in listing order. The entry types come with the
// listing, so the thousands of archive folders below LEVELSHOTS and BOTINFO are not looked at
// one by one.
std::vector<std::string> Folder_Names(const std::string& dir) {
  std::vector<std::string> names;
  DIR* stream = ::opendir(dir.c_str());
  if (stream == nullptr) {
    return names;
  }
  while (const dirent* entry = ::readdir(stream)) {
    const std::string name = entry->d_name;
    if (name == "." || name == "..") {
      continue;
    }
    bool wanted = entry->d_type == DT_DIR || entry->d_type == DT_LNK;
    if (entry->d_type == DT_UNKNOWN) {
      struct stat st {};
      wanted = ::lstat(platform::Join(dir, name).c_str(), &st) == 0 &&
               (S_ISDIR(st.st_mode) || S_ISLNK(st.st_mode));
    }
    if (wanted) {
      names.push_back(name);
    }
  }
  ::closedir(stream);
  platform::Sort_Listing(names);
  return names;
}

}  // namespace

std::multimap<std::string, std::string>& TFolder_Cache::Folders(const std::string& dir) {
  auto it = Listings_.find(dir);
  if (it == Listings_.end()) {
    std::multimap<std::string, std::string> folders;
    // In key order already (the listing order sorts by the upper-cased form first): each goes
    // to the end, names of one key in listing order.
    for (auto& name : Folder_Names(dir)) {
      std::string key = platform::Upper(name);
      folders.emplace_hint(folders.end(), std::move(key), std::move(name));
    }
    it = Listings_.emplace(dir, std::move(folders)).first;
  }
  return it->second;
}

void TFolder_Cache::List_Below(const std::string& given_base) {
  const std::string base = Real_Base(given_base);
  std::vector<std::string> mods;
  for (const auto& entry : Folders(base)) {
    mods.push_back(platform::Join(base, entry.second));
  }
  for (const std::string& mod : mods) {
    Folders(mod);
  }
}

std::vector<std::string> TFolder_Cache::Matches(const std::string& dir, const std::string& name) {
  std::vector<std::string> result;
  auto& folders = Folders(dir);
  const auto range = folders.equal_range(platform::Upper(name));
  for (auto it = range.first; it != range.second; ++it) {
    result.push_back(it->second);
  }
  return result;
}

const std::vector<TFolder_Cache::TListing*>& TFolder_Cache::Mod_Folders(const std::string& base,
                                                                        const std::string& mod) {
  for (const auto& memo : Mod_Memo_) {
    if (memo.Mod == mod && memo.Base == base) {
      return memo.Folders;
    }
  }
  TMod_Memo memo{base, mod, {}};
  auto& mods = Folders(base);
  const auto range = mods.equal_range(platform::Upper(mod));
  for (auto it = range.first; it != range.second; ++it) {
    memo.Folders.push_back(&Folders(platform::Join(base, it->second)));
  }
  if (Mod_Memo_.size() >= 4) {
    Mod_Memo_.erase(Mod_Memo_.begin());
  }
  Mod_Memo_.push_back(std::move(memo));
  return Mod_Memo_.back().Folders;
}

bool TFolder_Cache::Exists(const std::string& given_base, const std::string& mod,
                           const std::string& pk3) {
  if (!platform::Is_Plain_Name(mod) || !platform::Is_Plain_Name(pk3)) {
    return false;
  }
  // Asked twice for every archive of a synchronisation: looked up without copies.
  const std::string& base = Real_Base(given_base);
  const auto& folders = Mod_Folders(base, mod);
  if (folders.empty()) {
    return false;
  }
  Key_.assign(pk3);
  for (char& c : Key_) {
    if (c >= 'a' && c <= 'z') {
      c = static_cast<char>(c - 'a' + 'A');
    }
  }
  for (const TListing* listing : folders) {
    if (listing->find(Key_) != listing->end()) {
      return true;
    }
  }
  return false;
}

bool TFolder_Cache::Remove(const std::string& given_base, const std::string& mod,
                           const std::string& pk3) {
  const std::string base = Real_Base(given_base);
  // A record whose names are not plain would aim at the base folder or beyond it.
  if (!platform::Is_Plain_Name(mod) || !platform::Is_Plain_Name(pk3)) {
    return true;
  }
  bool removed = true;
  for (const auto& m : Matches(base, mod)) {
    const std::string mod_dir = platform::Join(base, m);
    auto& folders = Folders(mod_dir);
    const auto range = folders.equal_range(platform::Upper(pk3));
    for (auto it = range.first; it != range.second;) {
      ++Changes_;
      if (Delete_Directory_Tree(platform::Join(mod_dir, it->second))) {
        it = folders.erase(it);
      } else {
        removed = false;
        ++it;
      }
    }
  }
  return removed;
}

std::string TFolder_Cache::Create(const std::string& given_base, const std::string& mod,
                                  const std::string& pk3) {
  Mod_Memo_.clear();  // what follows may add MOD folders or forget listings
  const std::string base = Real_Base(given_base);
  if (!platform::Is_Plain_Name(mod) || !platform::Is_Plain_Name(pk3)) {
    throw TFile_Error("Not a plain folder name: " + mod + "\\" + pk3);
  }
  const auto mods = Matches(base, mod);
  for (const auto& m : mods) {
    const std::string mod_dir = platform::Join(base, m);
    const auto existing = Matches(mod_dir, pk3);
    if (!existing.empty()) {
      return platform::Join(mod_dir, existing.front());
    }
  }
  // The folder routine keeps a component that exists (as written, else the first match in
  // listing order) and creates the others in lower case.
  std::string mod_name = platform::Lower(mod);
  if (!mods.empty()) {
    mod_name = std::find(mods.begin(), mods.end(), mod) != mods.end() ? mod : mods.front();
  }
  const std::string mod_dir = platform::Join(base, mod_name);
  bool mod_listed = Listings_.count(mod_dir) != 0;
  const std::string pk3_name = platform::Lower(pk3);
  std::string path = platform::Join(mod_dir, pk3_name);
  ++Changes_;
  if (mod_listed && Bases_.count(given_base) != 0) {
    // The MOD folder's listing is known and holds no such folder: make it directly, as the
    // folder routine would, without listing the MOD folder again for every new archive.
    if (::mkdir(path.c_str(), 0777) == 0) {
      Folders(mod_dir).emplace(platform::Upper(pk3_name), pk3_name);
      return path;
    }
    Listings_.erase(mod_dir);  // changed behind our back: let the folder routine decide
    mod_listed = false;
  }
  Create_Directory_Path(platform::Join({base, mod, pk3}));
  if (Bases_.count(given_base) == 0) {
    // The base folder itself was made just now, in lower case.
    Listings_.erase(base);
    Real_Base(given_base);
    if (Bases_.count(given_base) == 0) {
      throw TFile_Error("Cannot find the new folder " + base);
    }
    return Create(given_base, mod, pk3);
  }
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
    Listings_.clear();
    throw TFile_Error("Cannot find the new folder " + path);
  }
  if (mods.empty()) {
    Folders(base).emplace(platform::Upper(mod_name), mod_name);
  }
  if (mod_listed) {
    Folders(mod_dir).emplace(platform::Upper(pk3_name), pk3_name);
  }
  return path;
}

}  // namespace vorlix
