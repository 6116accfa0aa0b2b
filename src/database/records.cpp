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

std::unique_ptr<TMap_Record> TMap_Records::Put(int index, std::unique_ptr<TMap_Record> record) {
  auto& slot = List_.at(static_cast<std::size_t>(index));
  std::swap(slot, record);
  return record;
}

int TMap_Records::Add_Record() {
  auto record = std::make_unique<TMap_Record>();
  record->ID = Next_ID(List_);
  record->PK3 = PK3_;
  List_.push_back(std::move(record));
  return Count() - 1;
}

int TMap_Records::Adopt_Record(std::unique_ptr<TMap_Record> record) {
  const int index = Add_Record();
  const std::int32_t id = Items(index)->ID;
  record->ID = id;
  Put(index, std::move(record));
  return index;
}

int TMap_Records::Index_Of_ID(std::int32_t id) const {
  return Index_Of(List_, id);
}

std::unique_ptr<TMap_Record> TMap_Record_Store::Clone_Map(const TMap_Record& map) {
  return std::make_unique<TMap_Record>(map);
}

// ---- archives --------------------------------------------------------------------------------

std::unique_ptr<TPK3_Record> TPK3_Records::Put(int index, std::unique_ptr<TPK3_Record> record) {
  auto& slot = List_.at(static_cast<std::size_t>(index));
  std::swap(slot, record);
  return record;
}

int TPK3_Records::Add_Record() {
  auto record = std::make_unique<TPK3_Record>();
  record->ID = Next_ID(List_);
  record->Owner = As_Manager();
  List_.push_back(std::move(record));
  return Count() - 1;
}

int TPK3_Records::Adopt_Record(std::unique_ptr<TPK3_Record> record) {
  const int index = Add_Record();
  record->ID = Items(index)->ID;
  record->Owner = As_Manager();
  Put(index, std::move(record));
  return index;
}

int TPK3_Records::Append_Record(std::unique_ptr<TPK3_Record> record) {
  record->Owner = As_Manager();
  List_.push_back(std::move(record));
  return Count() - 1;
}

int TPK3_Records::Index_Of_ID(std::int32_t id) const {
  return Index_Of(List_, id);
}

void TPK3_Records::Delete_Record(int index) {
  List_.erase(List_.begin() + index);
}

TPK3_Record_Store::TPK3_Record_Store(TDatabase_Paths paths) : Paths_(std::move(paths)) {}

std::string TPK3_Record_Store::Archive_Path(const TPK3_Record& record) const {
  if (!platform::Is_Plain_Name(record.MOD_Directory) ||
      !platform::Is_Plain_Name(record.PK3_Filename)) {
    return {};
  }
  const auto found = platform::Resolve_Ignore_Case(
      Paths_.Game_Dir, record.MOD_Directory + "/" + record.PK3_Filename);
  return found ? *found
               : platform::Join({Paths_.Game_Dir, record.MOD_Directory, record.PK3_Filename});
}

int TPK3_Record_Store::Find_PK3(const std::string& directory, const std::string& filename) const {
  for (std::size_t i = 0; i < List_.size(); ++i) {
    if (platform::Equal_Ignore_Case(List_[i]->MOD_Directory, directory) &&
        platform::Equal_Ignore_Case(List_[i]->PK3_Filename, filename)) {
      return static_cast<int>(i);
    }
  }
  return -1;
}

TMap_Record* TPK3_Record_Store::Find_Map(std::int32_t pk3_id, std::int32_t map_id) const {
  const int pk3_index = Index_Of_ID(pk3_id);
  if (pk3_index < 0) {
    return nullptr;
  }
  const TPK3_Record* pk3 = Items(pk3_index);
  if (!pk3->Maps) {
    return nullptr;
  }
  const int map_index = pk3->Maps->Index_Of_ID(map_id);
  return map_index < 0 ? nullptr : pk3->Maps->Items(map_index);
}

void TPK3_Record_Store::Sort_By_Filename() {
  const auto less = [](const auto& a, const auto& b) { return a->PK3_Filename < b->PK3_Filename; };
  // The file is saved in this order: after a start that found nothing new it is sorted already.
  if (!std::is_sorted(List_.begin(), List_.end(), less)) {
    std::stable_sort(List_.begin(), List_.end(), less);
  }
}

std::unique_ptr<TMap_Record_Store> TPK3_Record_Store::New_Map_Manager(TPK3_Record* record) const {
  return std::make_unique<TMap_Record_Store>(record);
}

}  // namespace vorlix
