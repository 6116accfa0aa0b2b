#pragma once
// The unsorted maps list: every playable map of the database that is not placed in the maps tree,
// with the columns "Mapname", "Filename" and "in PK3". Items refer to map records without owning
// them; a map has at most one item.

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "browser/map_set.h"

namespace vorlix {

class TInteraction;
class TMap_Record;
class TPK3_Record;
class TMOD_List;
class TPK3_Record_Store;

// The texts a map shows in the list's columns.
struct TMap_Texts {
  std::string Caption;   // Mapname: the map's long name
  std::string Filename;  // the map's file name without extension
  std::string In_PK3;    // MOD directory / archive name without extension
};

// A map's entry in the list. Its texts are kept by the list (TUnsorted_Maps_List::Column): a
// list of a hundred thousand maps makes no allocation per map.
struct TUnsorted_Item {
  TMap_Record* Map = nullptr;
  std::uint32_t Texts = 0;         // where the caption and the file name start in the list's texts
  std::uint32_t Caption_Size = 0;  // the file name follows the caption
  std::uint32_t Filename_Size = 0;
  std::uint32_t Archive = 0;  // which of the list's "in PK3" texts
};

// Told about changes of the list, so that a view can follow.
class TUnsorted_List_Observer {
 public:
  virtual ~TUnsorted_List_Observer() = default;
  virtual void Before_Append(int /*first*/, int /*last*/) {}
  virtual void After_Append() {}
  virtual void Before_Reset() {}
  virtual void After_Reset() {}
  virtual void Before_Reorder() {}
  virtual void After_Reorder() {}
};

class TUnsorted_Maps_List {
 public:
  inline static const std::array<const char*, 3> Captions = {"Mapname", "Filename", "in PK3"};
  inline static const std::array<int, 3> Initial_Widths = {180, 114, 180};

  // The columns of what was played, shown when the user asks for them: 3 and 4.
  inline static const std::array<const char*, 2> History_Captions = {"Last played", "Played"};
  static constexpr int Last_Played_Column = 3;
  static constexpr int Played_Column = 4;

  TUnsorted_List_Observer* Observer = nullptr;
  // The column the list is sorted by (0, 1 or 2 ascending; 3 or 4 by Sort_Number).
  int Sort_Column = 1;
  // The number a map is sorted by in the columns 3 and 4 (the last launch's time, the count): the
  // largest first, equal numbers keeping their order. Without it those columns sort as column 1.
  std::function<std::int64_t(const TMap_Record& map, int column)> Sort_Number;

  int Count() const { return static_cast<int>(Items_.size()); }
  const TUnsorted_Item& Item(int index) const { return Items_.at(static_cast<std::size_t>(index)); }
  const std::vector<TUnsorted_Item>& Items() const { return Items_; }
  // An item's text in a column (0 Mapname, 1 Filename, 2 in PK3); valid until the list changes.
  std::string_view Column(const TUnsorted_Item& item, int column) const;
  // The same for the item at a position.
  std::string_view Text(int index, int column) const { return Column(Item(index), column); }
  // Position of the map's item, or -1.
  int Index_Of(const TMap_Record* map) const;

  void Clear();
  // Replaces the items, texts and sort column with another list's (filled elsewhere, without an
  // observer), which is left empty; this list's observer and sort numbers stay.
  void Take_Contents(TUnsorted_Maps_List& other);
  // Appends an item for the map (Add_Map_Item); the caller sorts afterwards.
  // Between Begin_Append and End_Append the items are collected and appended in one step.
  void Add_Map_Item(TMap_Record* map);
  void Begin_Append();
  void End_Append();
  // Makes room for this many more items.
  void Reserve(std::size_t items);
  // Removes the items of the given maps in one pass.
  void Remove_Maps(const TMap_Set& maps);

  // Stable ascending sort by the sort column: byte-wise, case-sensitive.
  void Sort();
  // A click on a column header: sort column := column (0 to 4); re-sort.
  void Sort_By_Column(int column);

  // The texts a map's item shows.
  static TMap_Texts Texts_Of(const TMap_Record& map);
  // The "in PK3" text of an archive's maps: MOD directory / archive name without extension.
  static std::string In_PK3_Text(const TPK3_Record& pk3);
  // Keeps an "in PK3" text for the items appended with it (Append_Map); returns its number (the
  // last one kept when it is the same text).
  std::uint32_t Add_Archive_Text(std::string in_pk3);
  // Appends an item for a map whose archive's text was kept already, as
  // Add_Map_Item does.
  void Append_Map(TMap_Record* map, std::uint32_t archive);

 private:
  TUnsorted_Item Make_Item(TMap_Record* map, std::uint32_t archive);
  void Sort_By_Number();

  std::vector<TUnsorted_Item> Items_;
  std::vector<TUnsorted_Item> Pending_;
  int Append_Depth_ = 0;
  // The captions and file names of the items, one after the other; removed items leave theirs
  // until the list is cleared.
  std::string Texts_;
  std::vector<std::string> Archive_Texts_;
};

// The start-up fill: every present map of every present archive, archives visited from the last
// to the first; of maps with the same file name in one MOD directory only the first visited.
// Usable MODs that no longer exist are reported and taken out of the map's record. Sorted by the
// "Filename" column afterwards.
void Load_Maps_List(TUnsorted_Maps_List& list, const TPK3_Record_Store& database,
                    const TMOD_List& mods, TInteraction& interaction);
// The same, each report handed to `report` (the text of a box with an OK button).
void Load_Maps_List(TUnsorted_Maps_List& list, const TPK3_Record_Store& database,
                    const TMOD_List& mods, const std::function<void(const std::string&)>& report);

// The text of the box about a usable MOD that no longer exists.
std::string Vanished_MOD_Message(const std::string& mod, const std::string& long_name);

// Column widths for a list of the given width: (width - 16) times 0.38, 0.24 and 0.38, truncated
// (16 pixels stay free for the vertical scroll bar).
std::array<int, 3> Maps_List_Column_Widths(int list_width);

}  // namespace vorlix
