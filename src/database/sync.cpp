#include "database/sync.h"

#include <filesystem>
#include <string>
#include <system_error>
#include <unordered_map>
#include <utility>
#include <vector>

#include "core/case_lookup.h"
#include "core/fs_routines.h"
#include "core/interaction.h"
#include "core/letter_case.h"
#include "core/paths.h"
#include "core/text.h"
#include "database/folder_cache.h"
#include "database/records.h"
#include "database/zip_archive.h"

namespace vorlix {

namespace {

// A freshly scanned map and a stored one are the same map when these four fields are equal.
bool Same_Map(const TMap_Record& a, const TMap_Record& b) {
  return a.MAP_Filename == b.MAP_Filename && a.Map_Longname == b.Map_Longname &&
         a.MAP_Filesize == b.MAP_Filesize && a.MAP_Filedate == b.MAP_Filedate;
}

// The last map of `list` that is the same map as `map`, or nullptr.
TMap_Record* Last_Same(const TMap_Records& list, const TMap_Record& map) {
  for (int i = list.Count() - 1; i >= 0; --i) {
    if (Same_Map(*list.Items(i), map)) {
      return list.Items(i);
    }
  }
  return nullptr;
}

void Copy_Companion_Flags(TMap_Record& to, const TMap_Record& from) {
  to.Has_AAS = from.Has_AAS;
  to.Has_Levelshot_TGA = from.Has_Levelshot_TGA;
  to.Has_Levelshot_JPG = from.Has_Levelshot_JPG;
}

}  // namespace

// ---- scanning and extraction -----------------------------------------------------------------

TDatabase_Sync::TDatabase_Sync(TPK3_Record_Store& database, TSync_Sink& sink)
    : Db_(database), Sink_(sink), Folders_(std::make_unique<TFolder_Cache>()) {}

TDatabase_Sync::~TDatabase_Sync() = default;

void TDatabase_Sync::Count_Folder_Changes() {
  Db_.Note_Folder_Write(Folders_->Changes() - Folder_Changes_Counted_);
  Folder_Changes_Counted_ = Folders_->Changes();
}

bool TDatabase_Sync::Scan_PK3(TPK3_Record& record, TMap_Records& maps) {
  Open_Archive = std::make_unique<TZip_Archive>();
  const std::string path = Archive_Path(record);
  TArchive_Facts facts;
  bool listed = false;
  if (!Prefetch_ || maps.Count() != 0 ||
      !Prefetch_->Take(path, record, maps, Open_Archive, Sink_, listed, &facts)) {
    listed = Scan_Archive(*Open_Archive, path, record, maps, Sink_, &facts);
  }
  facts.MOD_Directory = record.MOD_Directory;
  facts.PK3_Filename = record.PK3_Filename;
  facts.Size = record.PK3_Filesize;
  // A failed scan leaves the record's date for a scan at the next start.
  facts.Date = listed ? record.PK3_Filedate : Date_Not_Scanned;
  facts.Readable = listed;
  Sink_.Archive_Listed(std::move(facts));
  return listed;
}

std::string TDatabase_Sync::Archive_Path(const TPK3_Record& record) const {
  const auto it =
      Walk_Paths_.find(platform::Archive_Key(record.MOD_Directory, record.PK3_Filename));
  return it != Walk_Paths_.end() ? *it->second : Db_.Archive_Path(record);
}

namespace {
// An extraction that skipped a member fails as a whole.
void Extract_Completely(TZip_Archive& zip, const std::vector<std::string>& specs,
                        const std::string& base, bool with_dirs) {
  const TZip_Extraction result = zip.Extract(specs, base, with_dirs);
  if (!result.Skipped.empty()) {
    throw TZip_Error(result.Failure_Text(zip.Zip_Filename()));
  }
}
}  // namespace

void TDatabase_Sync::Report_Extraction_Failure(const std::string& folder, const std::string& what) {
  // The nearest folder that exists is the one that refused the write.
  std::string refusing = folder;
  std::error_code ec;
  while (!refusing.empty() && !std::filesystem::is_directory(std::filesystem::path(refusing), ec) &&
         platform::Parent(refusing) != refusing) {
    refusing = platform::Parent(refusing);
  }
  const std::string problem = refusing.empty() ? std::string() : Folder_Write_Problem(refusing);
  if (!problem.empty()) {
    // One cause, one message: every further archive would fail the same way.
    if (Reported_Failures_.insert(refusing + '\n' + problem).second) {
      Sink_.Error(Format_Message(
          "Levelshots and bot information cannot be extracted into %s: %s.\r\n\r\nThe maps "
          "are listed without them until the folder can be written.",
          refusing, problem));
    }
    return;
  }
  if (Reported_Failures_.insert(what).second) {
    Sink_.Error("Levelshots and bot information could not be extracted. " + what);
  }
}

void TDatabase_Sync::Extract_Levelshots_And_Botinfo(TPK3_Record& record) {
  const TDatabase_Paths& paths = Db_.Paths();
  if (paths.Read_Only) {
    // Nothing is written into a data folder the user goes on with read-only.
    Open_Archive.reset();
    return;
  }
  auto status = [this](const std::string& text) { Sink_.Status(2, text); };
  status("extracting new levelshots...");
  Db_.Note_Folder_Write();
  if (!Syncing_) {
    Folders_->Clear();  // the folders may have changed since the last use
  }
  TZip_Archive* zip = Open_Archive.get();
  std::string folder;  // the program's folder being written
  try {
    if (zip != nullptr) {
      if (zip->Count() > 0) {
        folder = platform::Join({paths.Levelshots_Dir, record.MOD_Directory, record.PK3_Filename});
        Folders_->Remove(paths.Levelshots_Dir, record.MOD_Directory, record.PK3_Filename);
        const std::string levelshots =
            Folders_->Create(paths.Levelshots_Dir, record.MOD_Directory, record.PK3_Filename);
        Extract_Completely(*zip, {"LEVELSHOTS/*.*"}, levelshots, false);
        folder = platform::Join({paths.Botinfo_Dir, record.MOD_Directory, record.PK3_Filename});
        Folders_->Remove(paths.Botinfo_Dir, record.MOD_Directory, record.PK3_Filename);
        const std::string botinfo =
            Folders_->Create(paths.Botinfo_Dir, record.MOD_Directory, record.PK3_Filename);
        status("extracting new bot information...");
        std::vector<std::string> specs;
        // Player folders are known only from the archive's own directory members.
        for (const auto& entry : zip->Entries()) {
          if (entry.Uncompressed_Size != 0) {
            continue;
          }
          const std::string name = platform::Upper(entry.Name);
          if (name.size() > 15 && name.rfind("MODELS/PLAYERS/", 0) == 0 && name.back() == '/') {
            specs.emplace_back("MODELS/PLAYERS/" + name.substr(15) + "icon_*.*");
            specs.emplace_back("SOUND/PLAYER/ANNOUNCE/*.WAV");
          }
        }
        specs.emplace_back("SCRIPTS/BOTS.TXT");
        specs.emplace_back("SCRIPTS/*.BOT");
        Extract_Completely(*zip, specs, botinfo, true);
      }
    }
  } catch (const std::exception& error) {
    Report_Extraction_Failure(folder, error.what());
  }
  Open_Archive.reset();
  Count_Folder_Changes();
  status("");
}

// ---- synchronisation -------------------------------------------------------------------------

void TDatabase_Sync::Add_New_PK3(const std::string& directory, const std::string& filename,
                                 std::uint32_t size, std::int32_t date) {
  auto record = std::make_unique<TPK3_Record>();
  record->Owner = &Db_;
  Sink_.Status(1, Shorten_Path(directory + "\\" + filename, Status_Width));
  record->MOD_Directory = directory;
  record->PK3_Filename = filename;
  record->PK3_Filesize = size;
  record->PK3_Filedate = date;
  record->Maps = Db_.New_Map_Manager(record.get());
  if (!Scan_PK3(*record, *record->Maps)) {
    // Scanned again at the next start, however the file looks then.
    record->PK3_Filedate = Date_Not_Scanned;
  }
  TPK3_Record& taken = *record;
  for (int i = 0; i < taken.Maps->Count(); ++i) {
    New_Maps_.push_back(taken.Maps->Items(i));
  }
  Db_.Adopt_Record(std::move(record));
  Extract_Levelshots_And_Botinfo(taken);
}

void TDatabase_Sync::Update_PK3(int index, const std::string& directory,
                                const std::string& filename, std::uint32_t size, std::int32_t date,
                                bool extraction_only) {
  TPK3_Record& record = *Db_.Items(index);
  Sink_.Status(1, Shorten_Path(directory + "\\" + filename, Status_Width));
  record.MOD_Directory = platform::Lower(directory);
  record.PK3_Filename = filename;
  record.PK3_Filesize = size;
  record.PK3_Filedate = date;
  record.Owner = &Db_;
  if (!record.Maps) {
    record.Maps = Db_.New_Map_Manager(&record);
  }
  const auto fresh = Db_.New_Map_Manager(&record);
  if (extraction_only) {
    Open_Archive = std::make_unique<TZip_Archive>();
    try {
      Open_Archive_Listing(*Open_Archive, Archive_Path(record));
      TArchive_Facts facts;
      Collect_Archive_Facts(*Open_Archive, facts);
      facts.MOD_Directory = record.MOD_Directory;
      facts.PK3_Filename = record.PK3_Filename;
      facts.Size = size;
      facts.Date = date;
      Sink_.Archive_Listed(std::move(facts));
    } catch (const TZip_Error&) {
      // An archive that cannot be listed leaves its folders as they are.
    }
  } else {
    if (!Scan_PK3(record, *fresh)) {
      record.PK3_Filedate = Date_Not_Scanned;
    }
    TMap_Records& stored = *record.Maps;
    for (int i = 0; i < stored.Count(); ++i) {
      TMap_Record& map = *stored.Items(i);
      if (const TMap_Record* found = Last_Same(*fresh, map)) {
        Copy_Companion_Flags(map, *found);
      } else {
        map.Present = false;
      }
    }
    for (int i = 0; i < fresh->Count(); ++i) {
      const TMap_Record& map = *fresh->Items(i);
      if (TMap_Record* found = Last_Same(stored, map)) {
        found->Present = true;
        Copy_Companion_Flags(*found, map);
      } else {
        // A new map: the next ID of the stored list, every property as the scan left it.
        auto clone = TMap_Record_Store::Clone_Map(map);
        New_Maps_.push_back(clone.get());
        stored.Adopt_Record(std::move(clone));
      }
    }
  }
  Extract_Levelshots_And_Botinfo(record);
}

void TDatabase_Sync::Sync_With_Disk() {
  Sync_With_Disk(Walk_Game_Directory(Db_.Paths().Game_Dir));
}

void TDatabase_Sync::Use_Folder_Listings(std::unique_ptr<TFolder_Cache> listed) {
  if (!listed) {
    return;
  }
  Count_Folder_Changes();
  Folders_ = std::move(listed);
  Folder_Changes_Counted_ = Folders_->Changes();
  Folders_Listed_ = true;
}

void TDatabase_Sync::Sync_With_Disk(const TGame_Directory_Walk& walk) {
  if (!Folders_Listed_) {
    Folders_->Clear();
  }
  Folders_Listed_ = false;
  Syncing_ = true;
  // Whatever way the synchronisation ends, its caches end with it.
  struct Reset {
    TDatabase_Sync& Sync;
    ~Reset() {
      Sync.Prefetch_.reset();
      Sync.Folders_->Clear();
      Sync.Count_Folder_Changes();
      Sync.Walk_Paths_.clear();
      Sync.Syncing_ = false;
    }
  } reset{*this};
  TPK3_Record_Store& db = Db_;
  const TDatabase_Paths& paths = db.Paths();
  Walk_Paths_.clear();
  // The first record of each pair of names, ignoring case, as Find_PK3 gives it. Records taken
  // in below are never found again in this walk: their names are in the found list already.
  // (A walk's names are plain, so the key of a record can equal a walk's key only when the
  // record's names are equal to the walk's ignoring case.)
  std::unordered_map<std::string, int> first_record;
  first_record.reserve(static_cast<std::size_t>(db.Count()));
  for (int i = db.Count() - 1; i >= 0; --i) {
    first_record[platform::Archive_Key(db.Items(i)->MOD_Directory, db.Items(i)->PK3_Filename)] = i;
  }
  // The archives of the walk, the first of each pair of names ignoring case (two names that
  // differ only in case would share one record and its folders: the first in listing order is
  // the archive), each with its record; and those whose maps will be scanned: new and changed
  // ones, in walk order.
  struct TFound {
    const TArchive_On_Disk* Archive;
    int Index;
  };
  std::vector<TFound> found;
  found.reserve(walk.Archives.size());
  Walk_Paths_.reserve(walk.Archives.size());
  {
    std::vector<TScan_Job> jobs;
    for (const auto& archive : walk.Archives) {
      std::string key = platform::Archive_Key(archive.Directory, archive.Filename);
      const auto record = first_record.find(key);
      const int index = record == first_record.end() ? -1 : record->second;
      if (!Walk_Paths_.emplace(std::move(key), &archive.Path).second) {
        continue;
      }
      found.push_back({&archive, index});
      if ((index < 0 || db.Items(index)->PK3_Filesize != static_cast<std::uint32_t>(archive.Size) ||
           db.Items(index)->PK3_Filedate != archive.Date) &&
          !archive.Path.empty() && archive.Path.front() == '/') {
        jobs.push_back({archive.Path, platform::Lower(archive.Directory), archive.Filename});
      }
    }
    if (Scan_Threads > 0 && jobs.size() > 1) {
      Prefetch_ = std::make_unique<TScan_Prefetch>(std::move(jobs), Scan_Threads);
    }
  }
  for (const TFound& entry : found) {
    const TArchive_On_Disk& archive = *entry.Archive;
    // Sizes are recorded in 32 bits, as the database file holds them.
    const auto size = static_cast<std::uint32_t>(archive.Size);
    const int index = entry.Index;
    if (index < 0) {
      Add_New_PK3(platform::Lower(archive.Directory), archive.Filename, size, archive.Date);
    } else if (db.Items(index)->PK3_Filesize == size &&
               db.Items(index)->PK3_Filedate == archive.Date) {
      // A read-only data folder gets no folders: nothing to refill.
      if (!paths.Read_Only &&
          (!Folders_->Exists(paths.Levelshots_Dir, archive.Directory, archive.Filename) ||
           !Folders_->Exists(paths.Botinfo_Dir, archive.Directory, archive.Filename))) {
        Update_PK3(index, platform::Lower(archive.Directory), archive.Filename, size, archive.Date,
                   true);
      }
    } else {
      Update_PK3(index, platform::Lower(archive.Directory), archive.Filename, size, archive.Date,
                 false);
    }
  }
  db.Sort_By_Filename();
  std::string key;
  for (int i = 0; i < db.Count(); ++i) {
    TPK3_Record& record = *db.Items(i);
    platform::Make_Archive_Key(key, record.MOD_Directory, record.PK3_Filename);
    if (Walk_Paths_.find(key) != Walk_Paths_.end()) {
      record.Present = true;
      continue;
    }
    // A directory that is there but could not be read says nothing about its archives.
    if (!walk.Game_Dir_Listed ||
        walk.Unlisted_Directories.count(platform::Lower(record.MOD_Directory)) != 0) {
      continue;
    }
    record.Present = false;
    if (paths.Read_Only) {
      continue;
    }
    // The folder cache never removes anything for a name that is not a plain name.
    Folders_->Remove(paths.Levelshots_Dir, record.MOD_Directory, record.PK3_Filename);
    Folders_->Remove(paths.Botinfo_Dir, record.MOD_Directory, record.PK3_Filename);
  }
}

}  // namespace vorlix
