#include "browser/unsorted_list.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numeric>

#include "content/mod_list.h"
#include "core/fs_routines.h"
#include "core/interaction.h"
#include "core/letter_case.h"
#include "core/paths.h"
#include "database/records.h"

namespace vorlix {

const std::string& TUnsorted_Item::Column(int column) const {
  switch (column) {
    case 0:
      return Caption;
    case 1:
      return Filename;
    default:
      return In_PK3;
  }
}

TUnsorted_Item TUnsorted_Maps_List::Make_Item(TMAP_Datei_Eintrag* map) {
  return Make_Item(map, map->PK3 != nullptr ? In_PK3_Text(*map->PK3) : std::string());
}

TUnsorted_Item TUnsorted_Maps_List::Make_Item(TMAP_Datei_Eintrag* map, std::string in_pk3) {
  TUnsorted_Item item;
  item.Map = map;
  item.Caption = map->Map_Longname;
  item.Filename = Entferne_Dateiendung(map->MAP_Filename);
  item.In_PK3 = std::move(in_pk3);
  return item;
}

std::string TUnsorted_Maps_List::In_PK3_Text(const TPK3_Datei_Eintrag& pk3) {
  return platform::Join(pk3.MOD_Directory, Entferne_Dateiendung(pk3.PK3_Filename));
}

int TUnsorted_Maps_List::Index_Of(const TMAP_Datei_Eintrag* map) const {
  for (std::size_t i = 0; i < Items_.size(); ++i) {
    if (Items_[i].Map == map) {
      return static_cast<int>(i);
    }
  }
  return -1;
}

void TUnsorted_Maps_List::Clear() {
  if (Observer != nullptr) {
    Observer->Before_Reset();
  }
  Items_.clear();
  Pending_.clear();
  if (Observer != nullptr) {
    Observer->After_Reset();
  }
}

void TUnsorted_Maps_List::Reserve(std::size_t items) {
  Items_.reserve(Items_.size() + items);
  Pending_.reserve(items);
}

void TUnsorted_Maps_List::Begin_Append() {
  ++Append_Depth_;
}

void TUnsorted_Maps_List::End_Append() {
  if (Append_Depth_ > 0 && --Append_Depth_ > 0) {
    return;
  }
  if (Pending_.empty()) {
    return;
  }
  const int first = Count();
  const int last = first + static_cast<int>(Pending_.size()) - 1;
  if (Observer != nullptr) {
    Observer->Before_Append(first, last);
  }
  Items_.insert(Items_.end(), std::make_move_iterator(Pending_.begin()),
                std::make_move_iterator(Pending_.end()));
  Pending_.clear();
  if (Observer != nullptr) {
    Observer->After_Append();
  }
}

void TUnsorted_Maps_List::ListView_Maps_Eintrag_hinzufuegen(TMAP_Datei_Eintrag* map) {
  if (map == nullptr) {
    return;
  }
  Begin_Append();
  Pending_.push_back(Make_Item(map));
  End_Append();
}

void TUnsorted_Maps_List::Append_Item(TUnsorted_Item item) {
  Begin_Append();
  Pending_.push_back(std::move(item));
  End_Append();
}

void TUnsorted_Maps_List::Remove_Maps(const std::unordered_set<const TMAP_Datei_Eintrag*>& maps) {
  if (maps.empty()) {
    return;
  }
  if (Observer != nullptr) {
    Observer->Before_Reset();
  }
  std::erase_if(Items_, [&maps](const TUnsorted_Item& item) { return maps.count(item.Map) != 0; });
  if (Observer != nullptr) {
    Observer->After_Reset();
  }
}

bool TUnsorted_Maps_List::Item_Less(const TUnsorted_Item& a, const TUnsorted_Item& b) const {
  const int column = std::clamp(Sort_Column, 0, 2);
  return a.Column(column) < b.Column(column);
}

void TUnsorted_Maps_List::Sort() {
  if (Observer != nullptr) {
    Observer->Before_Reorder();
  }
  // The positions are sorted and every item is moved once, instead of moving the items (three
  // strings each) at every step of the sort.
  std::vector<std::uint32_t> order(Items_.size());
  std::iota(order.begin(), order.end(), 0U);
  std::stable_sort(order.begin(), order.end(), [this](std::uint32_t a, std::uint32_t b) {
    return Item_Less(Items_[a], Items_[b]);
  });
  std::vector<TUnsorted_Item> sorted;
  sorted.reserve(Items_.size());
  for (const std::uint32_t i : order) {
    sorted.push_back(std::move(Items_[i]));
  }
  Items_ = std::move(sorted);
  if (Observer != nullptr) {
    Observer->After_Reorder();
  }
}

void TUnsorted_Maps_List::ListView_MapsColumnClick(int column) {
  Sort_Column = std::clamp(column, 0, 2);
  Sort();
}

std::string Vanished_MOD_Message(const std::string& mod, const std::string& long_name) {
  return "The modification " + platform::Upper(mod) +
         " doesn't exist anymore and will be removed from " + long_name +
         "'s \"Useable MODs\" list.";
}

void Lade_ListView_Maps(TUnsorted_Maps_List& list, const TPK3_Dateien_Verwaltung& database,
                        const TMOD_Liste& mods, TInteraction& interaction) {
  list.Clear();
  // (MOD directory, file name) in lower case of every listed map.
  std::unordered_set<std::string> listed;
  std::size_t maps = 0;
  for (int p = 0; p < database.Count(); ++p) {
    const TPK3_Datei_Eintrag* pk3 = database.Items(p);
    maps += pk3->Maps ? static_cast<std::size_t>(pk3->Maps->Count()) : 0;
  }
  listed.reserve(maps);
  list.Reserve(maps);
  // The MOD list's names (upper case) looked up by hash: a MOD list of thousands of folders
  // would otherwise be walked for every map.
  const std::unordered_set<std::string> mod_names(mods.Names().begin(), mods.Names().end());
  list.Begin_Append();
  for (int p = database.Count() - 1; p >= 0; --p) {
    const TPK3_Datei_Eintrag* pk3 = database.Items(p);
    if (!pk3->Present || !pk3->Maps || pk3->Maps->Count() == 0) {
      continue;
    }
    const std::string directory = platform::Lower(pk3->MOD_Directory);
    const std::string in_pk3 = TUnsorted_Maps_List::In_PK3_Text(*pk3);
    for (int m = 0; m < pk3->Maps->Count(); ++m) {
      TMAP_Datei_Eintrag* map = pk3->Maps->Items(m);
      if (!map->Present) {
        continue;
      }
      std::string key = directory;
      key.push_back('\0');
      key += platform::Lower(map->MAP_Filename);
      if (!listed.insert(std::move(key)).second) {
        continue;
      }
      auto& usable = map->Useable_MODs;
      for (std::size_t i = 0; i < usable.size();) {
        if (mod_names.count(platform::Upper(usable[i])) != 0) {
          ++i;
          continue;
        }
        interaction.Message(Message_Kind::Confirmation,
                            Vanished_MOD_Message(usable[i], map->Map_Longname), Button_Set::OK);
        usable.erase(usable.begin() + static_cast<std::ptrdiff_t>(i));
      }
      list.Append_Item(TUnsorted_Maps_List::Make_Item(map, in_pk3));
    }
  }
  list.End_Append();
  list.Sort_Column = 1;
  list.Sort();
}

std::array<int, 3> ListView_Maps_Column_Widths(int list_width) {
  const int usable = std::max(0, list_width - 16);
  const auto part = [usable](double fraction) {
    return static_cast<int>(std::trunc(static_cast<double>(usable) * fraction));
  };
  return {part(0.38), part(0.24), part(0.38)};
}

}  // namespace vorlix
