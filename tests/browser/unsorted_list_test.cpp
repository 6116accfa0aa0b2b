#include "browser/unsorted_list.h"

#include <map>
#include <set>

#include <gtest/gtest.h>

#include "content/mod_list.h"
#include "core/letter_case.h"
#include "test_database.h"

namespace vorlix {
namespace {

using testing::TTest_Database;

class Unsorted_List_Test : public ::testing::Test {
 protected:
  Unsorted_List_Test() {
    Mods.Append("BASEQ3");
    Mods.Append("CPMA");
  }
  TTest_Database Db;
  TMOD_List Mods;
  TUnsorted_Maps_List List;
};

TEST_F(Unsorted_List_Test, Absent_Archives_And_Maps_Are_Not_Listed) {
  TPK3_Record* gone = Db.Add_PK3("baseq3", "gone.pk3", /*present=*/false);
  TPK3_Record* here = Db.Add_PK3("baseq3", "here.pk3");
  Db.Add_PK3("baseq3", "empty.pk3");
  TTest_Database::Add_Map(gone, "GONE.BSP");
  TTest_Database::Add_Map(here, "OLD.BSP", "", /*present=*/false);
  TTest_Database::Add_Map(here, "NEW.BSP", "The New Map");
  Load_Maps_List(List, Db.Database, Mods, Db.Interaction);
  ASSERT_EQ(List.Count(), 1);
  EXPECT_EQ(List.Text(0, 0), "The New Map");
  EXPECT_EQ(List.Text(0, 1), "NEW");
  EXPECT_EQ(List.Text(0, 2), "baseq3/here");

  // Maps appended one by one, archive after archive and back, keep their own texts.
  TPK3_Record* other = Db.Add_PK3("cpma", "other.pk3");
  TMap_Record* first = TTest_Database::Add_Map(other, "A.BSP", "Map A");
  TMap_Record* second = TTest_Database::Add_Map(other, "B.BSP", "Map B");
  for (TMap_Record* map : {first, second, here->Maps->Items(1), first}) {
    List.Add_Map_Item(map);
  }
  ASSERT_EQ(List.Count(), 5);
  const std::vector<std::string> archives{"baseq3/here", "cpma/other", "cpma/other", "baseq3/here",
                                          "cpma/other"};
  for (int i = 0; i < List.Count(); ++i) {
    EXPECT_EQ(List.Text(i, 2), archives[static_cast<std::size_t>(i)]) << i;
  }
  EXPECT_EQ(List.Text(2, 0), "Map B");
}

// A view follows the list through its observer: every change is announced before and after, in
// pairs that never nest, appends with the rows they add.
class TPaired_Observer : public TUnsorted_List_Observer {
 public:
  explicit TPaired_Observer(const TUnsorted_Maps_List& list) : List_(list) {}
  void Before_Append(int first, int last) override {
    Open('a');
    EXPECT_EQ(first, List_.Count());
    Expected_Count_ = last + 1;
  }
  void After_Append() override {
    Close('a');
    EXPECT_EQ(List_.Count(), Expected_Count_);
  }
  void Before_Reset() override { Open('r'); }
  void After_Reset() override { Close('r'); }
  void Before_Reorder() override { Open('o'); }
  void After_Reorder() override { Close('o'); }
  std::string Log;  // the kinds of the closed pairs, in order

 private:
  void Open(char kind) {
    EXPECT_EQ(Open_, 0) << "nested in " << Open_;
    Open_ = kind;
  }
  void Close(char kind) {
    EXPECT_EQ(Open_, kind);
    Open_ = 0;
    Log += kind;
  }
  const TUnsorted_Maps_List& List_;
  char Open_ = 0;
  int Expected_Count_ = 0;
};

TEST_F(Unsorted_List_Test, Every_Change_Is_Announced_In_Pairs) {
  TPK3_Record* pak = Db.Add_PK3("baseq3", "pak.pk3");
  TMap_Record* first = TTest_Database::Add_Map(pak, "B.BSP");
  TMap_Record* second = TTest_Database::Add_Map(pak, "A.BSP");
  TPaired_Observer observer(List);
  List.Observer = &observer;
  List.Begin_Append();
  List.Add_Map_Item(first);
  List.Add_Map_Item(second);
  List.End_Append();
  List.Sort_By_Column(1);
  TMap_Set gone;
  List.Remove_Maps(gone);  // nothing to remove: nothing announced
  gone.Insert(first);
  List.Remove_Maps(gone);
  EXPECT_EQ(List.Count(), 1);
  List.Clear();
  EXPECT_EQ(observer.Log, "aorr");
  EXPECT_EQ(List.Count(), 0);
}

TEST_F(Unsorted_List_Test, The_Played_Columns_Sort_The_Largest_First_Keeping_Ties_In_Order) {
  TPK3_Record* pak = Db.Add_PK3("baseq3", "pak.pk3");
  const char* const names[] = {"e.bsp", "d.bsp", "c.bsp", "b.bsp", "a.bsp"};
  const std::int64_t last[] = {50, 0, 90, 0, 50};  // by file: e d c b a
  std::map<const TMap_Record*, std::int64_t> numbers;
  for (int i = 0; i < 5; ++i) {
    numbers[TTest_Database::Add_Map(pak, names[i])] = last[i];
  }
  Load_Maps_List(List, Db.Database, Mods, Db.Interaction);
  const auto order = [this] {
    std::string files;
    for (int i = 0; i < List.Count(); ++i) {
      files += List.Text(i, 1);
    }
    return files;
  };
  ASSERT_EQ(order(), "abcde");
  // Without the numbers, the history's columns sort as Filename.
  List.Sort_By_Column(TUnsorted_Maps_List::Played_Column);
  EXPECT_EQ(order(), "abcde");
  int asked_column = -1;
  List.Sort_Number = [&](const TMap_Record& map, int column) {
    asked_column = column;
    return numbers.at(&map);
  };
  List.Sort_By_Column(TUnsorted_Maps_List::Last_Played_Column);
  EXPECT_EQ(asked_column, TUnsorted_Maps_List::Last_Played_Column);
  EXPECT_EQ(order(), "caebd");
  // A column past the last is the last.
  List.Sort_By_Column(7);
  EXPECT_EQ(List.Sort_Column, TUnsorted_Maps_List::Played_Column);
  EXPECT_EQ(asked_column, TUnsorted_Maps_List::Played_Column);
  List.Sort_By_Column(1);
  EXPECT_EQ(order(), "abcde");
}

TEST_F(Unsorted_List_Test, Vanished_Mods_Are_Reported_And_Removed_One_After_The_Other) {
  TPK3_Record* pk3 = Db.Add_PK3("baseq3", "pak.pk3");
  TMap_Record* map = TTest_Database::Add_Map(pk3, "DM.BSP", "Deathmatch");
  map->Useable_MODs = {"baseq3", "osp", "Defrag", "cpma"};
  // A duplicate that is skipped is not checked.
  TPK3_Record* earlier = Db.Add_PK3("baseq3", "aaa.pk3");
  TTest_Database::Add_Map(earlier, "DM.BSP")->Useable_MODs = {"gone"};
  Db.Database.Sort_By_Filename();
  Load_Maps_List(List, Db.Database, Mods, Db.Interaction);
  ASSERT_EQ(Db.Interaction.Messages.size(), 2u);
  EXPECT_EQ(Db.Interaction.Messages[0].Text,
            "The modification OSP doesn't exist anymore and will be removed from Deathmatch's "
            "\"Useable MODs\" list.");
  EXPECT_EQ(Db.Interaction.Messages[0].Kind, TMessage_Kind::Confirmation);
  EXPECT_EQ(Db.Interaction.Messages[0].Buttons, TAnswer_Set::OK);
  EXPECT_EQ(map->Useable_MODs, (std::vector<std::string>{"baseq3", "cpma"}));
}

// A list filled elsewhere (a start-up thread, its reports kept for later) and taken by the
// view's list gives what filling the view's list gives: the same rows in the same order, the
// same reports, the same records changed; the view is told of one reset.
TEST_F(Unsorted_List_Test, A_List_Filled_Elsewhere_And_Taken_Is_The_List_Filled_Here) {
  const auto fill_records = [](TTest_Database& db) {
    TPK3_Record* pak = db.Add_PK3("baseq3", "pak.pk3");
    TTest_Database::Add_Map(pak, "DM.BSP", "Deathmatch")->Useable_MODs = {"baseq3", "osp"};
    TTest_Database::Add_Map(pak, "CTF.BSP", "Flags");
    TPK3_Record* other = db.Add_PK3("cpma", "other.pk3");
    TTest_Database::Add_Map(other, "B.BSP", "Map B")->Useable_MODs = {"gone", "cpma"};
    TTest_Database::Add_Map(other, "A.BSP", "Map A");
  };
  fill_records(Db);
  Load_Maps_List(List, Db.Database, Mods, Db.Interaction);

  TTest_Database elsewhere_db;
  fill_records(elsewhere_db);
  TUnsorted_Maps_List elsewhere;
  std::vector<std::string> reports;
  Load_Maps_List(elsewhere, elsewhere_db.Database, Mods,
                 [&reports](const std::string& text) { reports.push_back(text); });
  TUnsorted_Maps_List view;
  TPaired_Observer observer(view);
  view.Observer = &observer;
  view.Sort_Column = 0;
  view.Take_Contents(elsewhere);
  EXPECT_EQ(observer.Log, "r");
  EXPECT_EQ(elsewhere.Count(), 0);
  EXPECT_EQ(view.Sort_Column, List.Sort_Column);
  ASSERT_EQ(view.Count(), List.Count());
  for (int i = 0; i < List.Count(); ++i) {
    for (int column = 0; column < 3; ++column) {
      EXPECT_EQ(view.Text(i, column), List.Text(i, column)) << i << ' ' << column;
    }
  }
  EXPECT_EQ(reports, Db.Interaction.Message_Texts());
  EXPECT_EQ(reports.size(), 2U);
  EXPECT_EQ(elsewhere_db.Database.Items(0)->Maps->Items(0)->Useable_MODs,
            Db.Database.Items(0)->Maps->Items(0)->Useable_MODs);
  // The taken list goes on as any other: appended to, sorted, emptied.
  view.Add_Map_Item(elsewhere_db.Database.Items(0)->Maps->Items(1));
  view.Sort_By_Column(0);
  EXPECT_EQ(view.Text(0, 0), "Deathmatch");
  EXPECT_EQ(view.Count(), List.Count() + 1);
  view.Clear();
  EXPECT_EQ(view.Count(), 0);
}

TEST_F(Unsorted_List_Test, Many_Maps_List_And_Sort_As_The_Plain_Rules_Say) {
  // Thousands of maps in MOD directories of several letter cases, with names that repeat across
  // archives in every letter case, titles alike in their first sixteen bytes and more; every
  // seventh map absent.
  const char* const dirs[] = {"baseq3", "CPMA", "cpma", "Baseq3"};
  std::vector<TMap_Record*> maps;
  for (int a = 0; a < 600; ++a) {
    TPK3_Record* pk3 = Db.Add_PK3(dirs[a % 4], "p" + std::to_string(a % 97) + ".pk3");
    for (int m = 0; m < 5; ++m) {
      const int n = (a * 5 + m) * 7 % 1300;
      maps.push_back(TTest_Database::Add_Map(
          pk3, (n % 2 ? "m" : "M") + std::to_string(n) + ".bsp",
          "A title longer than sixteen bytes " + std::to_string(n % 50), (a + m) % 7 != 0));
    }
  }
  Load_Maps_List(List, Db.Database, Mods, Db.Interaction);
  // The plain rules: archives from the last, the first map of a name per directory.
  std::set<std::pair<std::string, std::string>> seen;
  std::vector<TMap_Record*> expected;
  for (int a = 599; a >= 0; --a) {
    for (int m = 0; m < 5; ++m) {
      TMap_Record* map = maps[(static_cast<std::size_t>(a) * 5) + static_cast<std::size_t>(m)];
      if (map->Present &&
          seen.insert({platform::Lower(dirs[a % 4]), platform::Lower(map->MAP_Filename)}).second) {
        expected.push_back(map);
      }
    }
  }
  for (int column : {1, 0, 2}) {
    List.Sort_By_Column(column);
    std::vector<std::pair<TMap_Texts, TMap_Record*>> plain;
    plain.reserve(expected.size());
    for (TMap_Record* map : expected) {
      plain.emplace_back(TUnsorted_Maps_List::Texts_Of(*map), map);
    }
    const auto text = [column](const TMap_Texts& texts) -> const std::string& {
      return column == 0 ? texts.Caption : column == 1 ? texts.Filename : texts.In_PK3;
    };
    std::stable_sort(plain.begin(), plain.end(),
                     [&](const auto& x, const auto& y) { return text(x.first) < text(y.first); });
    ASSERT_EQ(List.Count(), static_cast<int>(plain.size()));
    for (std::size_t i = 0; i < plain.size(); ++i) {
      ASSERT_EQ(List.Item(static_cast<int>(i)).Map, plain[i].second) << column << " " << i;
      ASSERT_EQ(List.Text(static_cast<int>(i), column), text(plain[i].first));
    }
    // Each later sort starts from the previous order: the stable sort has to keep it.
    expected.clear();
    for (const auto& item : List.Items()) {
      expected.push_back(item.Map);
    }
  }
  // Every third map placed elsewhere (as a tree load does): exactly those leave, the order stays.
  TMap_Set placed;
  std::vector<TMap_Record*> kept;
  for (std::size_t i = 0; i < expected.size(); ++i) {
    if (i % 3 == 0) {
      EXPECT_TRUE(placed.Insert(expected[i]));
      EXPECT_FALSE(placed.Insert(expected[i]));
    } else {
      kept.push_back(expected[i]);
    }
  }
  EXPECT_FALSE(placed.Insert(nullptr));
  EXPECT_EQ(placed.Size(), expected.size() - kept.size());
  List.Remove_Maps(placed);
  ASSERT_EQ(List.Count(), static_cast<int>(kept.size()));
  for (std::size_t i = 0; i < kept.size(); ++i) {
    ASSERT_EQ(List.Item(static_cast<int>(i)).Map, kept[i]) << i;
  }
}

}  // namespace
}  // namespace vorlix
