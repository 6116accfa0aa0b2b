#include "browser/unsorted_list.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <unordered_map>
#include <unordered_set>

#include "content/mod_list.h"
#include "core/fs_routines.h"
#include "core/interaction.h"
#include "core/letter_case.h"
#include "core/paths.h"
#include "database/records.h"

namespace vorlix {

std::string_view TUnsorted_Maps_List::Column(const TUnsorted_Item& item, int column) const {
  switch (column) {
    case 0:
      return std::string_view(Texts_).substr(item.Texts, item.Caption_Size);
    case 1:
      return std::string_view(Texts_).substr(item.Texts + item.Caption_Size, item.Filename_Size);
    default:
      return Archive_Texts_.at(item.Archive);
  }
}

namespace {

std::string In_PK3_Text_Of(const TMap_Record& map) {
  return map.PK3 != nullptr ? TUnsorted_Maps_List::In_PK3_Text(*map.PK3) : std::string();
}

}  // namespace

TMap_Texts TUnsorted_Maps_List::Texts_Of(const TMap_Record& map) {
  return {map.Map_Longname, Remove_Extension(map.MAP_Filename), In_PK3_Text_Of(map)};
}

std::uint32_t TUnsorted_Maps_List::Add_Archive_Text(std::string in_pk3) {
  // Maps moved to the list one by one mostly come archive by archive.
  if (Archive_Texts_.empty() || Archive_Texts_.back() != in_pk3) {
    Archive_Texts_.push_back(std::move(in_pk3));
  }
  return static_cast<std::uint32_t>(Archive_Texts_.size() - 1);
}

TUnsorted_Item TUnsorted_Maps_List::Make_Item(TMap_Record* map, std::uint32_t archive) {
  const std::string_view filename(map->MAP_Filename);
  TUnsorted_Item item;
  item.Map = map;
  item.Texts = static_cast<std::uint32_t>(Texts_.size());
  item.Caption_Size = static_cast<std::uint32_t>(map->Map_Longname.size());
  item.Filename_Size = static_cast<std::uint32_t>(Length_Without_Extension(filename));
  item.Archive = archive;
  Texts_ += map->Map_Longname;
  Texts_ += filename.substr(0, item.Filename_Size);
  return item;
}

std::string TUnsorted_Maps_List::In_PK3_Text(const TPK3_Record& pk3) {
  return platform::Join(pk3.MOD_Directory, Remove_Extension(pk3.PK3_Filename));
}

int TUnsorted_Maps_List::Index_Of(const TMap_Record* map) const {
  for (std::size_t i = 0; i < Items_.size(); ++i) {
    if (Items_[i].Map == map) {
      return static_cast<int>(i);
    }
  }
  return -1;
}

void TUnsorted_Maps_List::Take_Contents(TUnsorted_Maps_List& other) {
  if (Observer != nullptr) {
    Observer->Before_Reset();
  }
  Items_ = std::move(other.Items_);
  Pending_.clear();
  Append_Depth_ = 0;
  Texts_ = std::move(other.Texts_);
  Archive_Texts_ = std::move(other.Archive_Texts_);
  Sort_Column = other.Sort_Column;
  other.Items_.clear();
  other.Pending_.clear();
  other.Append_Depth_ = 0;
  other.Texts_.clear();
  other.Archive_Texts_.clear();
  if (Observer != nullptr) {
    Observer->After_Reset();
  }
}

void TUnsorted_Maps_List::Clear() {
  if (Observer != nullptr) {
    Observer->Before_Reset();
  }
  Items_.clear();
  Pending_.clear();
  Texts_.clear();
  Archive_Texts_.clear();
  if (Observer != nullptr) {
    Observer->After_Reset();
  }
}

void TUnsorted_Maps_List::Reserve(std::size_t items) {
  // An empty list takes the collected items' buffer as it is (End_Append): one buffer, not two.
  if (!Items_.empty()) {
    Items_.reserve(Items_.size() + items);
  }
  Pending_.reserve(items);
  // About what a map's caption and file name take.
  Texts_.reserve(Texts_.size() + (items * 32));
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
  if (Items_.empty()) {
    Items_.swap(Pending_);
    Pending_ = {};
  } else {
    Items_.insert(Items_.end(), std::make_move_iterator(Pending_.begin()),
                  std::make_move_iterator(Pending_.end()));
    Pending_.clear();
  }
  if (Observer != nullptr) {
    Observer->After_Append();
  }
}

void TUnsorted_Maps_List::Add_Map_Item(TMap_Record* map) {
  if (map == nullptr) {
    return;
  }
  Append_Map(map, Add_Archive_Text(In_PK3_Text_Of(*map)));
}

void TUnsorted_Maps_List::Append_Map(TMap_Record* map, std::uint32_t archive) {
  Begin_Append();
  Pending_.push_back(Make_Item(map, archive));
  End_Append();
}

void TUnsorted_Maps_List::Remove_Maps(const TMap_Set& maps) {
  if (maps.Empty()) {
    return;
  }
  if (Observer != nullptr) {
    Observer->Before_Reset();
  }
  std::erase_if(Items_, [&maps](const TUnsorted_Item& item) { return maps.Contains(item.Map); });
  if (Observer != nullptr) {
    Observer->After_Reset();
  }
}

namespace {

// The first sixteen bytes of a text as two numbers that compare as the bytes do (a shorter text
// as if followed by zero bytes): most comparisons of a sort end there, without a look at the
// items themselves.
struct TSort_Key {
  std::uint64_t High = 0;
  std::uint64_t Low = 0;
  std::uint32_t Index = 0;
};

TSort_Key Sort_Key_Of(std::string_view text, std::uint32_t index) {
  TSort_Key key;
  key.Index = index;
  for (std::size_t i = 0; i < 16 && i < text.size(); ++i) {
    const auto byte = static_cast<std::uint64_t>(static_cast<unsigned char>(text[i]));
    if (i < 8) {
      key.High |= byte << (8U * (7 - i));
    } else {
      key.Low |= byte << (8U * (15 - i));
    }
  }
  return key;
}

}  // namespace

void TUnsorted_Maps_List::Sort() {
  if (Observer != nullptr) {
    Observer->Before_Reorder();
  }
  if (Sort_Column >= Last_Played_Column && Sort_Number) {
    Sort_By_Number();
    if (Observer != nullptr) {
      Observer->After_Reorder();
    }
    return;
  }
  // The positions are sorted by keys made once, and the items then taken in that order.
  const int column = Sort_Column >= Last_Played_Column ? 1 : std::clamp(Sort_Column, 0, 2);
  std::vector<TSort_Key> keys;
  keys.reserve(Items_.size());
  for (std::uint32_t i = 0; i < Items_.size(); ++i) {
    keys.push_back(Sort_Key_Of(Column(Items_[i], column), i));
  }
  // Equal texts keep their order (the position decides): a stable sort.
  std::sort(keys.begin(), keys.end(), [this, column](const TSort_Key& a, const TSort_Key& b) {
    if (a.High != b.High) {
      return a.High < b.High;
    }
    if (a.Low != b.Low) {
      return a.Low < b.Low;
    }
    const int order = Column(Items_[a.Index], column).compare(Column(Items_[b.Index], column));
    return order != 0 ? order < 0 : a.Index < b.Index;
  });
  std::vector<TUnsorted_Item> sorted;
  sorted.reserve(keys.size());
  for (const TSort_Key& key : keys) {
    sorted.push_back(Items_[key.Index]);
  }
  Items_.swap(sorted);
  if (Observer != nullptr) {
    Observer->After_Reorder();
  }
}

void TUnsorted_Maps_List::Sort_By_Number() {
  std::vector<std::pair<std::int64_t, std::uint32_t>> keys;
  keys.reserve(Items_.size());
  for (std::uint32_t i = 0; i < Items_.size(); ++i) {
    keys.emplace_back(Items_[i].Map != nullptr ? Sort_Number(*Items_[i].Map, Sort_Column) : 0, i);
  }
  std::sort(keys.begin(), keys.end(), [](const auto& a, const auto& b) {
    return a.first != b.first ? a.first > b.first : a.second < b.second;
  });
  std::vector<TUnsorted_Item> sorted;
  sorted.reserve(keys.size());
  for (const auto& key : keys) {
    sorted.push_back(Items_[key.second]);
  }
  Items_.swap(sorted);
}

void TUnsorted_Maps_List::Sort_By_Column(int column) {
  Sort_Column = std::clamp(column, 0, Played_Column);
  Sort();
}

std::string Vanished_MOD_Message(const std::string& mod, const std::string& long_name) {
  return "The modification " + platform::Upper(mod) +
         " doesn't exist anymore and will be removed from " + long_name +
         "'s \"Useable MODs\" list.";
}

namespace {

// The maps already listed, by MOD directory and map file name ignoring case. An open-addressing
// table of the maps themselves: no key is copied or lower-cased, so a fill of a hundred thousand
// maps makes no allocation per map.
class TListed_Maps {
 public:
  explicit TListed_Maps(std::size_t maps) {
    std::size_t size = 16;
    while (size < 2 * maps) {
      size *= 2;
    }
    Slots_.assign(size, TSlot{});
  }
  // The key of a map in a directory: its file name ignoring case.
  static std::uint64_t Hash(std::uint32_t directory, const TMap_Record* map) {
    std::uint64_t hash = 1469598103934665603ULL ^ directory;
    for (const char c : map->MAP_Filename) {
      hash = (hash ^ static_cast<unsigned char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c)) *
             1099511628211ULL;
    }
    return hash;
  }
  // Asks for the slot a key starts at from memory ahead of its Insert: in a table of a hundred
  // thousand maps nearly every first look at a slot is a trip to memory.
  void Prefetch(std::uint64_t hash) const {
    __builtin_prefetch(&Slots_[hash & (Slots_.size() - 1)]);
  }
  // Enters the map (`hash` its Hash); false when a map of the same name in the same directory is
  // there already.
  bool Insert(std::uint64_t hash, std::uint32_t directory, const TMap_Record* map) {
    const std::string& name = map->MAP_Filename;
    // The upper half of the hash stays with the slot: only a map whose name may be equal is
    // looked at (each look at another map's record is a trip to memory).
    const auto check = static_cast<std::uint32_t>(hash >> 32U);
    for (std::size_t at = hash & (Slots_.size() - 1);; at = (at + 1) & (Slots_.size() - 1)) {
      TSlot& slot = Slots_[at];
      if (slot.Map == nullptr) {
        slot = {directory, check, map};
        return true;
      }
      if (slot.Directory == directory && slot.Check == check &&
          platform::Equal_Ignore_Case(slot.Map->MAP_Filename, name)) {
        return false;
      }
    }
  }

 private:
  struct TSlot {
    std::uint32_t Directory = 0;
    std::uint32_t Check = 0;
    const TMap_Record* Map = nullptr;
  };
  std::vector<TSlot> Slots_;
};

}  // namespace

void Load_Maps_List(TUnsorted_Maps_List& list, const TPK3_Record_Store& database,
                    const TMOD_List& mods, TInteraction& interaction) {
  Load_Maps_List(list, database, mods, [&interaction](const std::string& text) {
    interaction.Message(TMessage_Kind::Confirmation, text, TAnswer_Set::OK);
  });
}

void Load_Maps_List(TUnsorted_Maps_List& list, const TPK3_Record_Store& database,
                    const TMOD_List& mods, const std::function<void(const std::string&)>& report) {
  list.Clear();
  std::size_t maps = 0;
  for (int p = 0; p < database.Count(); ++p) {
    const TPK3_Record* pk3 = database.Items(p);
    maps += pk3->Maps ? static_cast<std::size_t>(pk3->Maps->Count()) : 0;
  }
  TListed_Maps listed(maps);
  // MOD directories (lower case) by number, for the table above.
  std::unordered_map<std::string, std::uint32_t> directories;
  list.Reserve(maps);
  // The MOD list's names (upper case) looked up by hash: a MOD list of thousands of folders
  // would otherwise be walked for every map.
  const std::unordered_set<std::string> mod_names(mods.Names().begin(), mods.Names().end());
  list.Begin_Append();
  std::vector<std::uint64_t> hashes;
  for (int p = database.Count() - 1; p >= 0; --p) {
    const TPK3_Record* pk3 = database.Items(p);
    // The records lie all over the heap: what the next archives' maps are reached through is
    // asked for from memory while this one's are listed, each step from what the one before
    // brought (the archive's record, its map list, the list's slots, the map records, their
    // file names and usable MODs).
    if (p >= 5) {
      __builtin_prefetch(database.Items(p - 5));
    }
    if (p >= 4) {
      __builtin_prefetch(database.Items(p - 4)->Maps.get());
    }
    if (p >= 3) {
      if (const TPK3_Record* later = database.Items(p - 3); later->Maps) {
        later->Maps->Prefetch_Slots();
      }
    }
    if (p >= 2) {
      if (const TPK3_Record* later = database.Items(p - 2); later->Maps) {
        for (int m = 0; m < later->Maps->Count(); ++m) {
          const TMap_Record* map = later->Maps->Items(m);
          __builtin_prefetch(map);
          __builtin_prefetch(&map->Useable_MODs);
        }
      }
    }
    if (p >= 1) {
      if (const TPK3_Record* next = database.Items(p - 1); next->Maps) {
        for (int m = 0; m < next->Maps->Count(); ++m) {
          const TMap_Record* map = next->Maps->Items(m);
          __builtin_prefetch(map->MAP_Filename.data());
          __builtin_prefetch(map->Useable_MODs.data());
        }
      }
    }
    if (!pk3->Present || !pk3->Maps || pk3->Maps->Count() == 0) {
      continue;
    }
    const std::uint32_t directory = directories
                                        .try_emplace(platform::Lower(pk3->MOD_Directory),
                                                     static_cast<std::uint32_t>(directories.size()))
                                        .first->second;
    const std::uint32_t in_pk3 = list.Add_Archive_Text(TUnsorted_Maps_List::In_PK3_Text(*pk3));
    // The archive's keys first, their slots asked for together.
    hashes.clear();
    for (int m = 0; m < pk3->Maps->Count(); ++m) {
      hashes.push_back(TListed_Maps::Hash(directory, pk3->Maps->Items(m)));
      listed.Prefetch(hashes.back());
    }
    for (int m = 0; m < pk3->Maps->Count(); ++m) {
      TMap_Record* map = pk3->Maps->Items(m);
      if (!map->Present || !listed.Insert(hashes[static_cast<std::size_t>(m)], directory, map)) {
        continue;
      }
      auto& usable = map->Useable_MODs;
      for (std::size_t i = 0; i < usable.size();) {
        if (mod_names.count(platform::Upper(usable[i])) != 0) {
          ++i;
          continue;
        }
        report(Vanished_MOD_Message(usable[i], map->Map_Longname));
        usable.erase(usable.begin() + static_cast<std::ptrdiff_t>(i));
      }
      list.Append_Map(map, in_pk3);
    }
  }
  list.End_Append();
  list.Sort_Column = 1;
  list.Sort();
}

std::array<int, 3> Maps_List_Column_Widths(int list_width) {
  const int usable = std::max(0, list_width - 16);
  const auto part = [usable](double fraction) {
    return static_cast<int>(std::trunc(static_cast<double>(usable) * fraction));
  };
  return {part(0.38), part(0.24), part(0.38)};
}

}  // namespace vorlix
