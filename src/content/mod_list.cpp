#include "content/mod_list.h"

#include <exception>
#include <optional>
#include <stdexcept>
#include <vector>

#include <sys/stat.h>

#include "content/bots_txt.h"
#include "core/case_lookup.h"
#include "core/letter_case.h"
#include "core/listing.h"
#include "core/paths.h"
#include "database/records.h"

namespace vorlix {

namespace {

std::string Shorten(const std::string& text) {
  return text.size() > Bot_Field_Length ? text.substr(0, Bot_Field_Length) : text;
}

// SCRIPTS/BOTS.TXT (found ignoring case) of an archive's extracted folder, when it is a file. Most
// archives' folders hold no sub-folder (a link count of 2 counts "." and the entry in the parent
// only) and need no listing; file systems that do not count sub-folders (link count 1) are listed.
std::optional<std::string> Find_Bot_File(const std::string& folder) {
  struct stat st {};
  if (::stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_nlink == 2) {
    return std::nullopt;
  }
  const std::optional<std::string> scripts = platform::Find_Ignore_Case(folder, "SCRIPTS");
  if (!scripts) {
    return std::nullopt;
  }
  const std::string scripts_dir = platform::Join(folder, *scripts);
  const std::optional<std::string> bots = platform::Find_Ignore_Case(scripts_dir, "BOTS.TXT");
  if (!bots) {
    return std::nullopt;
  }
  std::string path = platform::Join(scripts_dir, *bots);
  struct stat bots_st {};
  if (::stat(path.c_str(), &bots_st) != 0 || !S_ISREG(bots_st.st_mode)) {
    return std::nullopt;
  }
  return path;
}

}  // namespace

// ---- TBot_List ----------------------------------------------------------------------------

void TBot_List::Add_Bot(const std::string& name, const std::string& model, const std::string& pk3) {
  Bots_.push_back(TBot_Entry{Shorten(name), Shorten(model), Shorten(pk3)});
  if (!Index_Stale_) {
    Index_.try_emplace(Bots_.back().Bot_Name, Count() - 1);
  }
}

void TBot_List::Set_Bot(int index, const TBot_Entry& bot) {
  if (index < 0 || index >= Count()) {
    throw std::out_of_range("bot index out of range");
  }
  Bots_[static_cast<std::size_t>(index)] =
      TBot_Entry{Shorten(bot.Bot_Name), Shorten(bot.Bot_Model), Shorten(bot.Bot_PK3)};
  Index_Stale_ = true;
}

TBot_Entry TBot_List::Bot_At(int index) const {
  if (index < 0 || index >= Count()) {
    throw std::out_of_range("bot index out of range");
  }
  return Bots_[static_cast<std::size_t>(index)];
}

int TBot_List::Find_Bot(const std::string& name) const {
  if (Index_Stale_) {
    Index_.clear();
    for (int i = 0; i < Count(); ++i) {
      Index_.try_emplace(Bots_[static_cast<std::size_t>(i)].Bot_Name, i);
    }
    Index_Stale_ = false;
  }
  const auto it = Index_.find(name);
  return it == Index_.end() ? -1 : it->second;
}

void TBot_List::Clear() {
  Bots_.clear();
  Index_.clear();
  Index_Stale_ = false;
}

// ---- TMOD_List ----------------------------------------------------------------------------

int TMOD_List::Build_List(const std::string& game_dir, const TMOD_List_Hooks& hooks) {
  Clear();
  const auto entries = platform::List_Directory(game_dir);
  if (entries) {
    for (const auto& entry : *entries) {
      if (!entry.Is_Directory || entry.Is_Hidden) {
        continue;
      }
      const std::string name = platform::Upper(entry.Name);
      if (name == "EXTRAS" || name == "." || name == "..") {
        continue;
      }
      Append(name, entry.Name);
      if (hooks.MOD_Added) {
        hooks.MOD_Added(name, platform::Join(game_dir, entry.Name));
      }
    }
  }
  return hooks.Count_MODs_With_Arena_Files ? hooks.Count_MODs_With_Arena_Files(*this) : 0;
}

int TMOD_List::Index_Of(const std::string& name) const {
  for (int i = 0; i < Count(); ++i) {
    if (platform::Equal_Ignore_Case(Names_[static_cast<std::size_t>(i)], name)) {
      return i;
    }
  }
  return -1;
}

void TMOD_List::Append(const std::string& name, const std::string& directory_name) {
  Names_.push_back(platform::Upper(name));
  Directory_Names_.push_back(directory_name.empty() ? name : directory_name);
  Bots_.emplace_back();
}

void TMOD_List::Attach_Bots(int index, std::unique_ptr<TBot_List> bots) {
  Bots_.at(static_cast<std::size_t>(index)) = std::move(bots);
}

void TMOD_List::Clear() {
  Names_.clear();
  Directory_Names_.clear();
  Bots_.clear();
}

std::vector<std::string> TMOD_List::Determine_Bot_Information(const std::string& program_dir,
                                                              const TPK3_Record_Store& pk3_db) {
  // The extraction stores names in the archive's letter case, so every component below the
  // program directory is looked up ignoring case; the listings are kept for the whole walk.
  platform::TCase_Resolver resolver;
  const std::optional<std::string> botinfo = resolver.Resolve(program_dir, "BOTINFO");
  // Every bots file empties its MOD's list before it is read, so a MOD's bots are those of the
  // last archive that has one: the records are walked once from the last one back, each MOD's
  // archive folders looked at until its file is found, and the earlier files are never read.
  std::vector<std::unique_ptr<TBot_List>> lists;
  std::vector<std::string> errors;
  // The MODs still looking for their file: upper-case name -> its entries (a name may stand twice).
  std::unordered_map<std::string, std::vector<std::size_t>> open_mods;
  lists.reserve(static_cast<std::size_t>(Count()));
  for (int m = 0; m < Count(); ++m) {
    lists.push_back(std::make_unique<TBot_List>(Name(m)));
    open_mods[Name(m)].push_back(lists.size() - 1);
  }
  for (int r = pk3_db.Count() - 1; r >= 0 && botinfo && !open_mods.empty(); --r) {
    const TPK3_Record* record = pk3_db.Items(r);
    if (record == nullptr || !record->Present) {
      continue;
    }
    const auto mod = open_mods.find(platform::Upper(record->MOD_Directory));
    if (mod == open_mods.end() || !platform::Is_Plain_Name(record->MOD_Directory) ||
        !platform::Is_Plain_Name(record->PK3_Filename)) {
      continue;
    }
    const std::optional<std::string> folder =
        resolver.Resolve(*botinfo, record->MOD_Directory + "/" + record->PK3_Filename);
    const std::optional<std::string> file = folder ? Find_Bot_File(*folder) : std::nullopt;
    if (!file) {
      continue;
    }
    for (const std::size_t entry : mod->second) {
      TBot_List& bots = *lists[entry];
      bots.Has_Own_Bots = true;
      try {
        Read_BOTS_TXT(bots, *file, record->PK3_Filename);
      } catch (const std::exception&) {
        errors.emplace_back(Bot_Info_Error_Text);
      }
    }
    open_mods.erase(mod);
  }
  for (int m = 0; m < Count(); ++m) {
    Attach_Bots(m, std::move(lists[static_cast<std::size_t>(m)]));
  }
  return errors;
}

}  // namespace vorlix
