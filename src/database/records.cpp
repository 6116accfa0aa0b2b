#include "database/records.h"

#include <algorithm>

#include "core/case_lookup.h"
#include "core/letter_case.h"
#include "core/paths.h"

namespace vorlix {

namespace {

template <typename Record>
std::int32_t Next_ID(const std::vector<std::unique_ptr<Record>>& list) {
  std::int32_t largest = -1;
  for (const auto& record : list) {
    largest = std::max(largest, record->ID);
  }
  return Following_ID(largest);
}

template <typename Record>
int Index_Of(const std::vector<std::unique_ptr<Record>>& list, std::int32_t id) {
  for (std::size_t i = 0; i < list.size(); ++i) {
    if (list[i]->ID == id) {
      return static_cast<int>(i);
    }
  }
  return -1;
}

}  // namespace

// ---- maps ------------------------------------------------------------------------------------

std::unique_ptr<TMAP_Datei_Eintrag> TMAP_Dateien::Put(int index,
                                                      std::unique_ptr<TMAP_Datei_Eintrag> record) {
  auto& slot = List_.at(static_cast<std::size_t>(index));
  std::swap(slot, record);
  return record;
}

int TMAP_Dateien::Add_Record() {
  auto record = std::make_unique<TMAP_Datei_Eintrag>();
  record->ID = Next_ID(List_);
  record->PK3 = PK3_;
  List_.push_back(std::move(record));
  return Count() - 1;
}

int TMAP_Dateien::Adopt_Record(std::unique_ptr<TMAP_Datei_Eintrag> record) {
  const int index = Add_Record();
  const std::int32_t id = Items(index)->ID;
  record->ID = id;
  Put(index, std::move(record));
  return index;
}

int TMAP_Dateien::IndexOfID(std::int32_t id) const {
  return Index_Of(List_, id);
}

TMAP_Dateien_Verwaltung::TMAP_Dateien_Verwaltung(std::string program_dir, std::string temp_dir,
                                                 TPK3_Datei_Eintrag* pk3, TInteraction* interaction)
    : TMAP_Dateien(pk3),
      Program_Dir_(std::move(program_dir)),
      Temp_Dir_(std::move(temp_dir)),
      Interaction_(interaction) {}

std::unique_ptr<TMAP_Datei_Eintrag> TMAP_Dateien_Verwaltung::Clone_Map(
    const TMAP_Datei_Eintrag& map) {
  return std::make_unique<TMAP_Datei_Eintrag>(map);
}

// ---- archives --------------------------------------------------------------------------------

std::unique_ptr<TPK3_Datei_Eintrag> TPK3_Dateien::Put(int index,
                                                      std::unique_ptr<TPK3_Datei_Eintrag> record) {
  auto& slot = List_.at(static_cast<std::size_t>(index));
  std::swap(slot, record);
  return record;
}

int TPK3_Dateien::Add_Record() {
  auto record = std::make_unique<TPK3_Datei_Eintrag>();
  record->ID = Next_ID(List_);
  record->Owner = As_Manager();
  List_.push_back(std::move(record));
  return Count() - 1;
}

int TPK3_Dateien::Adopt_Record(std::unique_ptr<TPK3_Datei_Eintrag> record) {
  const int index = Add_Record();
  record->ID = Items(index)->ID;
  record->Owner = As_Manager();
  Put(index, std::move(record));
  return index;
}

int TPK3_Dateien::Append_Record(std::unique_ptr<TPK3_Datei_Eintrag> record) {
  record->Owner = As_Manager();
  List_.push_back(std::move(record));
  return Count() - 1;
}

int TPK3_Dateien::IndexOfID(std::int32_t id) const {
  return Index_Of(List_, id);
}

void TPK3_Dateien::Delete_Record(int index) {
  List_.erase(List_.begin() + index);
}

TPK3_Dateien_Verwaltung::TPK3_Dateien_Verwaltung(TDatabase_Paths paths, TInteraction* interaction)
    : Paths_(std::move(paths)), Interaction_(interaction) {}

std::string TPK3_Dateien_Verwaltung::Archive_Path(const TPK3_Datei_Eintrag& record) const {
  if (!platform::Is_Plain_Name(record.MOD_Directory) ||
      !platform::Is_Plain_Name(record.PK3_Filename)) {
    return {};
  }
  const auto found = platform::Resolve_Ignore_Case(
      Paths_.Game_Dir, record.MOD_Directory + "/" + record.PK3_Filename);
  return found ? *found
               : platform::Join({Paths_.Game_Dir, record.MOD_Directory, record.PK3_Filename});
}

int TPK3_Dateien_Verwaltung::Find_PK3(const std::string& directory,
                                      const std::string& filename) const {
  for (std::size_t i = 0; i < List_.size(); ++i) {
    if (platform::Equal_Ignore_Case(List_[i]->MOD_Directory, directory) &&
        platform::Equal_Ignore_Case(List_[i]->PK3_Filename, filename)) {
      return static_cast<int>(i);
    }
  }
  return -1;
}

TMAP_Datei_Eintrag* TPK3_Dateien_Verwaltung::Find_Map(std::int32_t pk3_id,
                                                      std::int32_t map_id) const {
  const int pk3_index = IndexOfID(pk3_id);
  if (pk3_index < 0) {
    return nullptr;
  }
  const TPK3_Datei_Eintrag* pk3 = Items(pk3_index);
  if (!pk3->Maps) {
    return nullptr;
  }
  const int map_index = pk3->Maps->IndexOfID(map_id);
  return map_index < 0 ? nullptr : pk3->Maps->Items(map_index);
}

void TPK3_Dateien_Verwaltung::Sort_By_Filename() {
  const auto less = [](const auto& a, const auto& b) { return a->PK3_Filename < b->PK3_Filename; };
  // The file is saved in this order: after a start that found nothing new it is sorted already.
  if (!std::is_sorted(List_.begin(), List_.end(), less)) {
    std::stable_sort(List_.begin(), List_.end(), less);
  }
}

std::unique_ptr<TMAP_Dateien_Verwaltung> TPK3_Dateien_Verwaltung::New_Map_Manager(
    TPK3_Datei_Eintrag* record) const {
  return std::make_unique<TMAP_Dateien_Verwaltung>(Paths_.Program_Dir, Paths_.Temp_Dir, record,
                                                   Interaction_);
}

}  // namespace vorlix
