#include "content/mod_list.h"

#include <exception>
#include <numeric>
#include <optional>
#include <stdexcept>
#include <system_error>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "content/bots_txt.h"
#include "core/case_lookup.h"
#include "core/interaction.h"
#include "core/letter_case.h"
#include "core/listing.h"
#include "core/paths.h"
#include "database/folder_cache.h"
#include "database/records.h"
#include "database/stream.h"

namespace vorlix {

namespace {

std::string Kuerze(const std::string& text) {
  return text.size() > Bot_Feld_Laenge ? text.substr(0, Bot_Feld_Laenge) : text;
}

// SCRIPTS/BOTS.TXT of an archive's extracted folder `name`, given relative to the open folder
// `at` (AT_FDCWD for a whole path); `folder` is its whole path. Most archives' folders hold no
// sub-folder (a link count of 2 counts "." and the entry in the parent only) and need no
// listing; file systems that do not count sub-folders (link count 1) are listed.
TBot_Datei Suche_Bot_Datei(int at, const std::string& name, const std::string& folder) {
  TBot_Datei file;
  struct stat st {};
  if (::fstatat(at, name.c_str(), &st, 0) != 0 || !S_ISDIR(st.st_mode) || st.st_nlink == 2) {
    return file;
  }
  const std::optional<std::string> scripts = platform::Find_Ignore_Case_At(at, name, "SCRIPTS");
  if (!scripts) {
    return file;
  }
  const std::string scripts_dir = platform::Join(name, *scripts);
  const std::optional<std::string> bots =
      platform::Find_Ignore_Case_At(at, scripts_dir, "BOTS.TXT");
  struct stat bots_st {};
  if (!bots || ::fstatat(at, platform::Join(scripts_dir, *bots).c_str(), &bots_st, 0) != 0 ||
      !S_ISREG(bots_st.st_mode)) {
    return file;
  }
  file.Path = platform::Join(platform::Join(folder, *scripts), *bots);
  try {
    file.Text = Read_Whole_File(*file.Path);
  } catch (const std::exception&) {
    // read again when its turn comes, which reports the error as a plain read does
  }
  return file;
}

TBot_Datei Suche_Bot_Datei(const std::string& folder) {
  return Suche_Bot_Datei(AT_FDCWD, folder, folder);
}

// Reads the folders' bot files on two threads: the work is the file system's, one archive
// folder at a time, and most collections have thousands of them.
std::vector<TBot_Datei> Suche_Bot_Dateien(const std::vector<std::string>& folders) {
  std::vector<TBot_Datei> files(folders.size());
  std::vector<std::size_t> unread(folders.size());
  std::iota(unread.begin(), unread.end(), std::size_t{0});
  const auto work = [&](std::size_t first) {
    for (std::size_t k = first; k < unread.size(); k += 2) {
      files[unread[k]] = Suche_Bot_Datei(folders[unread[k]]);
    }
  };
  if (unread.size() < 2) {
    work(0);
    work(1);
    return files;
  }
  std::thread helper;
  try {
    helper = std::thread(work, 1);
  } catch (const std::system_error&) {
    work(1);  // no thread to be had: the same work here
  }
  work(0);
  if (helper.joinable()) {
    helper.join();
  }
  return files;
}

}  // namespace

// ---- TBot_Files_Prefetch -------------------------------------------------------------------

TBot_Files_Prefetch::TBot_Files_Prefetch(std::string program_dir, int folder_writes)
    : Program_Dir_(std::move(program_dir)), Folder_Writes_(folder_writes) {
  try {
    Read_All();
    Complete_ = true;
  } catch (const std::exception&) {
    Mods_.clear();  // whatever went wrong, the bot step reads the folders itself
  }
}

const TBot_Datei* TBot_Files_Prefetch::Find(const std::string& mod_directory,
                                            const std::string& pk3_filename) const {
  const auto mod = Mods_.find(platform::Upper(mod_directory));
  if (mod == Mods_.end() || !mod->second.Is_Directory) {
    return nullptr;
  }
  const auto archive = mod->second.Archives.find(platform::Upper(pk3_filename));
  return archive == mod->second.Archives.end() ? nullptr : &archive->second;
}

void TBot_Files_Prefetch::Read_All() {
  // The folders as the bot step finds them: BOTINFO, then each MOD folder and archive folder,
  // every one found ignoring case, the first in listing order of the names that differ only in
  // case. Only the archive folders that hold a bots file are kept.
  const std::optional<std::string> botinfo = platform::Resolve_Ignore_Case(Program_Dir_, "BOTINFO");
  if (!botinfo) {
    return;
  }
  TBy_Upper<TMod_Folder> by_upper;
  const auto mods = platform::List_Directory(*botinfo);
  for (const auto& mod : mods ? *mods : std::vector<platform::Dir_Entry>{}) {
    // Every entry counts for the choice, folders or not.
    const auto [entry, first] = by_upper.try_emplace(platform::Upper(mod.Name));
    if (!first || !mod.Is_Directory) {
      continue;
    }
    entry->second.Is_Directory = true;
    const std::string mod_dir = platform::Join(*botinfo, mod.Name);
    const auto archives = platform::List_Names(mod_dir, {});
    // The archive folders are looked at relative to their MOD folder: one name each to resolve.
    const int mod_fd = ::open(mod_dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (!archives || mod_fd < 0) {
      if (mod_fd >= 0) {
        ::close(mod_fd);
      }
      continue;
    }
    // Names that differ only in case stand next to each other in listing order.
    std::string previous;
    for (const auto& archive : *archives) {
      std::string upper = platform::Upper(archive);
      if (!previous.empty() && upper == previous) {
        continue;
      }
      TBot_Datei file = Suche_Bot_Datei(mod_fd, archive, platform::Join(mod_dir, archive));
      if (file.Path) {
        entry->second.Archives.emplace(upper, std::move(file));
      }
      previous = std::move(upper);
    }
    ::close(mod_fd);
  }
  Mods_ = std::move(by_upper);
}

// ---- TBot_Liste ----------------------------------------------------------------------------

void TBot_Liste::Fuege_Bot_hinzu(const std::string& name, const std::string& model,
                                 const std::string& pk3) {
  Bots_.push_back(TBot_Eintrag{Kuerze(name), Kuerze(model), Kuerze(pk3)});
  if (!Index_Stale_) {
    Index_.try_emplace(Bots_.back().Bot_Name, Count() - 1);
  }
}

void TBot_Liste::Setze_Bot(int index, const TBot_Eintrag& bot) {
  if (index < 0 || index >= Count()) {
    throw std::out_of_range("bot index out of range");
  }
  Bots_[static_cast<std::size_t>(index)] =
      TBot_Eintrag{Kuerze(bot.Bot_Name), Kuerze(bot.Bot_Model), Kuerze(bot.Bot_PK3)};
  Index_Stale_ = true;
}

TBot_Eintrag TBot_Liste::Hole_Bot(int index) const {
  if (index < 0 || index >= Count()) {
    throw std::out_of_range("bot index out of range");
  }
  return Bots_[static_cast<std::size_t>(index)];
}

int TBot_Liste::Finde_Bot(const std::string& name) const {
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

void TBot_Liste::Clear() {
  Bots_.clear();
  Index_.clear();
  Index_Stale_ = false;
}

// ---- TMOD_Liste ----------------------------------------------------------------------------

int TMOD_Liste::Baue_Liste(const std::string& game_dir, const TMOD_Liste_Hooks& hooks) {
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
      if (hooks.MOD_angefuegt) {
        hooks.MOD_angefuegt(name, platform::Join(game_dir, entry.Name));
      }
    }
  }
  return hooks.Zaehle_MODs_mit_Arena_Files ? hooks.Zaehle_MODs_mit_Arena_Files(*this) : 0;
}

int TMOD_Liste::IndexOf(const std::string& name) const {
  for (int i = 0; i < Count(); ++i) {
    if (platform::Equal_Ignore_Case(Names_[static_cast<std::size_t>(i)], name)) {
      return i;
    }
  }
  return -1;
}

void TMOD_Liste::Append(const std::string& name, const std::string& directory_name) {
  Names_.push_back(platform::Upper(name));
  Directory_Names_.push_back(directory_name.empty() ? name : directory_name);
  Bots_.emplace_back();
}

void TMOD_Liste::Attach_Bots(int index, std::unique_ptr<TBot_Liste> bots) {
  Bots_.at(static_cast<std::size_t>(index)) = std::move(bots);
}

void TMOD_Liste::Clear() {
  Names_.clear();
  Directory_Names_.clear();
  Bots_.clear();
}

void TMOD_Liste::Ermittle_BotInformationen(const std::string& program_dir,
                                           const TPK3_Dateien_Verwaltung& pk3_db,
                                           const TBot_Files_Prefetch* ahead) {
  // What was read ahead holds while nothing was extracted or removed since.
  if (ahead != nullptr && (!ahead->Complete() || ahead->Program_Dir() != program_dir ||
                           pk3_db.Folder_Writes() != ahead->Folder_Writes())) {
    ahead = nullptr;
  }
  // The extraction stores names in the archive's letter case, so every component below the
  // program directory is looked up ignoring case; the listings are kept for the whole walk.
  platform::TCase_Resolver resolver;
  const std::optional<std::string> botinfo = resolver.Resolve(program_dir, "BOTINFO");
  // The archives' folders in walk order, MOD by MOD; their files are looked at ahead, together.
  std::vector<std::vector<std::string>> folders_by_mod(static_cast<std::size_t>(Count()));
  std::vector<std::string> folders;
  // The present records by MOD, in database order: one pass over the database, not one per MOD.
  std::unordered_map<std::string, std::vector<const TPK3_Datei_Eintrag*>> records_by_mod;
  for (int r = 0; r < pk3_db.Count() && botinfo; ++r) {
    const TPK3_Datei_Eintrag* record = pk3_db.Items(r);
    if (record != nullptr && record->Present && platform::Is_Plain_Name(record->MOD_Directory) &&
        platform::Is_Plain_Name(record->PK3_Filename)) {
      records_by_mod[platform::Upper(record->MOD_Directory)].push_back(record);
    }
  }
  // Folders read ahead are found by the records' names, without a path formed for each.
  std::vector<const TBot_Datei*> read_ahead;
  for (int m = 0; m < Count() && botinfo; ++m) {
    const auto records = records_by_mod.find(platform::Upper(Name(m)));
    if (records == records_by_mod.end()) {
      continue;
    }
    for (const TPK3_Datei_Eintrag* record : records->second) {
      if (ahead != nullptr) {
        if (const TBot_Datei* file = ahead->Find(record->MOD_Directory, record->PK3_Filename)) {
          folders_by_mod[static_cast<std::size_t>(m)].push_back(record->PK3_Filename);
          read_ahead.push_back(file);
        }
      } else if (const std::optional<std::string> folder = resolver.Resolve(
                     *botinfo, record->MOD_Directory + "/" + record->PK3_Filename)) {
        folders_by_mod[static_cast<std::size_t>(m)].push_back(record->PK3_Filename);
        folders.push_back(*folder);
      }
    }
  }
  std::vector<TBot_Datei> read_here = Suche_Bot_Dateien(folders);
  const auto file_at = [&](std::size_t i) -> const TBot_Datei& {
    return ahead != nullptr ? *read_ahead[i] : read_here[i];
  };
  std::size_t next = 0;
  for (int m = 0; m < Count(); ++m) {
    auto bots = std::make_unique<TBot_Liste>(Name(m));
    for (const std::string& pk3_filename : folders_by_mod[static_cast<std::size_t>(m)]) {
      const TBot_Datei& file = file_at(next++);
      if (!file.Path) {
        continue;
      }
      bots->Clear();
      bots->Has_Own_Bots = true;
      try {
        if (file.Text) {
          Lies_BOTS_TXT_aus_Text(*bots, *file.Text, pk3_filename);
        } else {
          Lies_BOTS_TXT(*bots, *file.Path, pk3_filename);
        }
      } catch (const std::exception&) {
        if (pk3_db.Interaction() != nullptr) {
          pk3_db.Interaction()->Message(Message_Kind::Error, Bot_Info_Fehlertext, Button_Set::OK);
        }
      }
    }
    Attach_Bots(m, std::move(bots));
  }
}

}  // namespace vorlix
