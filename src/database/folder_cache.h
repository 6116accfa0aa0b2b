#pragma once
// The per-archive folders below LEVELSHOTS and BOTINFO (<base>/<mod>/<pk3>), looked up ignoring
// letter case. Each directory is listed at most once while the cache lives; what the program
// creates or removes through the cache is entered into it, so a whole synchronisation over
// thousands of archives lists every folder once.

#include <map>
#include <string>
#include <vector>

namespace vorlix {

class TFolder_Cache {
 public:
  // Whether <base>/<mod>/<pk3> exists as a folder, ignoring case.
  bool Exists(const std::string& base, const std::string& mod, const std::string& pk3);
  // Removes every folder <base>/<mod>/<pk3> that matches ignoring case, with its contents.
  // Returns false when one could not be removed completely.
  bool Remove(const std::string& base, const std::string& mod, const std::string& pk3);
  // Creates <base>/<mod>/<pk3> (new components in lower case) unless it exists; returns its path
  // as it is on disk. Throws TFile_Error when it cannot be created.
  std::string Create(const std::string& base, const std::string& mod, const std::string& pk3);
  // Lists `base` and every folder in it (its MOD folders) ahead of the questions: a start-up
  // does this beside the reading of the database, so the synchronisation finds them listed.
  void List_Below(const std::string& base);
  // How many folders the cache has created or removed (or tried to remove) so far.
  int Changes() const { return Changes_; }
  // Forgets every listing.
  void Clear() {
    Listings_.clear();
    Bases_.clear();
    Mod_Memo_.clear();
  }

 private:
  using TListing = std::multimap<std::string, std::string>;
  // The base folder as it is on disk (found ignoring case when it is not there as written).
  const std::string& Real_Base(const std::string& base);
  // The listings of the folders <base>/<m> for every m equal to `mod` ignoring case; kept for
  // the last few pairs asked for (Exists is asked for every archive, MOD after MOD).
  const std::vector<TListing*>& Mod_Folders(const std::string& base, const std::string& mod);
  // Names of the folders in `dir`, keyed by their upper-cased form; listed on first use.
  std::multimap<std::string, std::string>& Folders(const std::string& dir);
  std::vector<std::string> Matches(const std::string& dir, const std::string& name);

  std::map<std::string, TListing> Listings_;
  std::map<std::string, std::string> Bases_;
  struct TMod_Memo {
    std::string Base;
    std::string Mod;
    std::vector<TListing*> Folders;
  };
  std::vector<TMod_Memo> Mod_Memo_;
  std::string Key_;  // scratch for upper-cased names
  int Changes_ = 0;
};

}  // namespace vorlix
