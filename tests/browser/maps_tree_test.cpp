// The tree of groups and maps: building, moving, the list of maps outside it, the tree file
// (mapstree.dat), and that file against damaged and hostile bytes: another version at any depth,
// every truncation, counts the file cannot hold, and the fuzz corpus with its regressions.

#include "browser/maps_tree.h"

#include <gtest/gtest.h>

#include "browser/unsorted_list.h"
#include "builders.h"
#include "content/mod_list.h"
#include "database/stream.h"
#include "hostile_inputs.h"
#include "test_database.h"

namespace vorlix::testing {
namespace {

using Texts = std::vector<std::string>;

// Filename column of every list item, in list order.
Texts Filenames(const TUnsorted_Maps_List& list) {
  Texts names;
  for (const auto& item : list.Items()) {
    names.emplace_back(list.Column(item, 1));
  }
  return names;
}

class Maps_Tree_Test : public ::testing::Test {
 protected:
  void SetUp() override {
    Pak0 = Db.Add_PK3("baseq3", "pak0.pk3");
    for (const char* name : {"Q3DM1.BSP", "Q3DM2.BSP", "Q3DM3.BSP", "Q3DM4.BSP", "Q3DM5.BSP"}) {
      Maps.push_back(TTest_Database::Add_Map(Pak0, name));
    }
    Mods.Append("BASEQ3");
    Tree.List = &List;
    Load_Maps_List(List, Db.Database, Mods, Db.Interaction);
    Tree.Make_Group(Root_Group_Name);
  }

  TMaps_Tree_Node* Add_Group(TMaps_Tree_Node* parent, const std::string& name) {
    Tree.Select(parent);
    return Tree.Make_Group(name);
  }

  TTest_Database Db;
  TPK3_Record* Pak0 = nullptr;
  std::vector<TMap_Record*> Maps;
  TMOD_List Mods;
  TUnsorted_Maps_List List;
  TMaps_Tree Tree;
};

// ---- the file ----

TEST_F(Maps_Tree_Test,
       Fresh_Tree_Is_Written_As_Twenty_Bytes_And_Read_Back_A_Failed_Save_Is_Reported) {
  TTemp_Dir dir;
  TMaps_Tree fresh;
  ASSERT_TRUE(Initialise_Maps_Tree(fresh, dir.Path(), Db.Database).Ok());
  ASSERT_TRUE(fresh.Save_Tree_File(Tree_File_Path(dir.Path())));
  EXPECT_EQ(Read_File(dir / "mapstree.dat"),
            std::string("\x01\0\0\0\x01\0\0\0\0\x07\0\0\0Arenas\0", 20));

  TMaps_Tree again;
  const TTree_Load_Report report = Initialise_Maps_Tree(again, dir.Path(), Db.Database);
  ASSERT_TRUE(report.Ok());
  EXPECT_EQ(Child_Texts(again.Top()), Texts{"Arenas"});
  EXPECT_EQ(again.Selected(), again.Root());
  EXPECT_TRUE(report.Notes.empty());

  const TResult<void> saved = Tree.Save_Tree_File(dir / "no-such-folder/mapstree.dat");
  ASSERT_FALSE(saved);
  EXPECT_EQ(saved.Message().rfind("Error saving map information: ", 0), 0U);
}

TEST_F(Maps_Tree_Test, Children_Are_Written_Last_To_First_And_Come_Back_In_Displayed_Order) {
  // Entries C, A, B displayed in this order (dropped in this order), plus two groups.
  Tree.Drop_List_Items(Tree.Root(), {Maps[2], Maps[0], Maps[1]});
  TMaps_Tree_Node* zeta = Add_Group(Tree.Root(), "Zeta");
  Add_Group(Tree.Root(), "Alpha");
  Tree.Drop_List_Items(zeta, {Maps[4]});
  const Texts displayed{"Alpha", "Zeta", "Q3DM3", "Q3DM1", "Q3DM2"};
  ASSERT_EQ(Child_Texts(Tree.Root()), displayed);

  TByte_Writer expected;
  Write_Group(expected, 5, "Arenas");
  Write_Entry(expected, Maps[1]->ID, Pak0->ID);  // Q3DM2, the last child, first
  Write_Entry(expected, Maps[0]->ID, Pak0->ID);
  Write_Entry(expected, Maps[2]->ID, Pak0->ID);
  Write_Group(expected, 1, "Zeta");
  Write_Entry(expected, Maps[4]->ID, Pak0->ID);
  Write_Group(expected, 0, "Alpha");
  EXPECT_EQ(Tree.Serialize(), expected.Data());

  // A fresh start: the list holds every map again, the load takes the tree's maps out of it.
  TUnsorted_Maps_List list;
  Load_Maps_List(list, Db.Database, Mods, Db.Interaction);
  TMaps_Tree loaded;
  loaded.List = &list;
  ASSERT_TRUE(loaded.Load_From_Bytes(expected.Data(), Db.Database).Ok());
  EXPECT_EQ(Child_Texts(loaded.Root()), displayed);
  EXPECT_EQ(Filenames(list), Texts{"Q3DM4"});
  EXPECT_EQ(loaded.Serialize(), expected.Data());
}

TEST_F(Maps_Tree_Test, Unknown_And_Vanished_Maps_Are_Reported_And_Left_Out) {
  TPK3_Record* gone = Db.Add_PK3("baseq3", "zz-gone.pk3", /*present=*/false);
  TMap_Record* gone_map = TTest_Database::Add_Map(gone, "OLDMAP.BSP");
  TMap_Record* vanished_map = Maps[3];
  vanished_map->Present = false;
  Load_Maps_List(List, Db.Database, Mods, Db.Interaction);

  TByte_Writer file;
  Write_Group(file, 5, "Arenas");
  Write_Entry(file, Maps[0]->ID, 77);         // archive unknown
  Write_Entry(file, 55, Pak0->ID);            // archive known, map unknown
  Write_Entry(file, gone_map->ID, gone->ID);  // archive no longer present
  Write_Entry(file, vanished_map->ID, Pak0->ID);
  Write_Entry(file, Maps[1]->ID, Pak0->ID);
  TScripted_Interaction interaction;
  ASSERT_TRUE(Show_Tree_Load_Report(Tree.Load_From_Bytes(file.Data(), Db.Database), interaction));
  EXPECT_EQ(
      interaction.Message_Texts(),
      (Texts{"Map with index -1 / -1 not found in database. Map will be removed from Maps Tree.",
             "Map with index 0 / -1 not found in database. Map will be removed from Maps Tree.",
             "Couldn't find a corresponding bsp-file for OLDMAP. Map will be removed from Maps "
             "Tree.",
             "Couldn't find a corresponding bsp-file for Q3DM4. Map will be removed from Maps "
             "Tree."}));
  for (const auto& message : interaction.Messages) {
    EXPECT_EQ(message.Kind, TMessage_Kind::Information);
    EXPECT_EQ(message.Buttons, TAnswer_Set::OK);
  }
  EXPECT_EQ(Child_Texts(Tree.Root()), Texts{"Q3DM2"});
  // The vanished maps were never listed; the list lost only the map placed in the tree.
  EXPECT_EQ(Filenames(List), (Texts{"Q3DM1", "Q3DM3", "Q3DM5"}));
  EXPECT_EQ(List.Index_Of(gone_map), -1);
}

TEST_F(Maps_Tree_Test, Tree_Nested_Very_Deep_Loads_Saves_And_Is_Released_Without_Recursion) {
  constexpr int depth = 100000;
  TByte_Writer file;
  for (int i = 0; i < depth; ++i) {
    Write_Group(file, 1, i == 0 ? "Arenas" : "G");
  }
  Write_Entry(file, Maps[0]->ID, Pak0->ID);
  {
    TMaps_Tree tree;
    ASSERT_TRUE(tree.Load_From_Bytes(file.Data(), Db.Database).Ok());
    EXPECT_EQ(tree.Serialize(), file.Data());
    int deepest = 0;
    tree.For_Each([&](const TMaps_Tree_Node&, int level) { deepest = std::max(deepest, level); });
    EXPECT_EQ(deepest, depth);
    EXPECT_TRUE(TMaps_Tree::Group_Is_Not_Empty(tree.Root()));
  }
}

// ---- operations ----

TEST_F(Maps_Tree_Test, Groups_Come_First_In_Byte_Wise_Order_And_Land_Below_The_Selection) {
  Tree.Drop_List_Items(Tree.Root(), {Maps[4], Maps[0]});
  for (const char* name : {"b", "B", "Arenas"}) {
    Add_Group(Tree.Root(), name);
  }
  TMaps_Tree_Node* renamed = Add_Group(Tree.Root(), "New Group");
  EXPECT_EQ(Child_Texts(Tree.Root()), (Texts{"Arenas", "B", "New Group", "b", "Q3DM5", "Q3DM1"}));
  ASSERT_TRUE(Tree.Rename(renamed, "a"));
  EXPECT_EQ(Child_Texts(Tree.Root()), (Texts{"Arenas", "B", "a", "b", "Q3DM5", "Q3DM1"}));
  // The root group itself cannot be renamed, map entries neither.
  EXPECT_FALSE(Tree.Rename(Tree.Root(), "Other"));
  EXPECT_FALSE(Tree.Can_Edit(Tree.Root()->Child(4)));
  EXPECT_EQ(Tree.Root()->Text, "Arenas");

  // Nothing selected: below the root; a map entry selected: beside it, in its group.
  Tree.Select(nullptr);
  EXPECT_EQ(Tree.Make_Group(New_Group_Name)->Parent(), Tree.Root());
  EXPECT_EQ(Tree.Top()->Child_Count(), 1);
  TMaps_Tree_Node* sub = Add_Group(Tree.Root(), "Sub");
  Tree.Select(Tree.Drop_List_Items(sub, {Maps[1]})[0]);
  EXPECT_EQ(Tree.Make_Group(New_Group_Name)->Parent(), sub);
  EXPECT_EQ(Tree.Selected(), sub);
}

TEST_F(Maps_Tree_Test, Moves_Up_And_Down_Between_Entries) {
  auto entries = Tree.Drop_List_Items(Tree.Root(), {Maps[0], Maps[1], Maps[2], Maps[3]});
  const struct {
    int Dragged, Target;
    Texts After;
  } moves[] = {
      {3, 1, {"Q3DM1", "Q3DM4", "Q3DM2", "Q3DM3"}},  // upward: placed before the target
      {0, 1, {"Q3DM4", "Q3DM2", "Q3DM1", "Q3DM3"}},  // downward: placed after it
      {3, 2, {"Q3DM2", "Q3DM1", "Q3DM3", "Q3DM4"}},  // downward onto the last: to the end
  };
  for (const auto& move : moves) {
    ASSERT_TRUE(Tree.Drop_Tree_Node(entries[static_cast<std::size_t>(move.Dragged)],
                                    entries[static_cast<std::size_t>(move.Target)]));
    EXPECT_EQ(Child_Texts(Tree.Root()), move.After);
  }
  // Onto a group: its last child; and out again onto an entry of another parent.
  TMaps_Tree_Node* group = Add_Group(Tree.Root(), "Group");
  ASSERT_TRUE(Tree.Drop_Tree_Node(entries[1], group));
  EXPECT_EQ(Child_Texts(group), Texts{"Q3DM2"});
  ASSERT_TRUE(Tree.Drop_Tree_Node(entries[1], entries[3]));
  EXPECT_EQ(Child_Texts(Tree.Root()), (Texts{"Group", "Q3DM1", "Q3DM3", "Q3DM4", "Q3DM2"}));
}

TEST_F(Maps_Tree_Test, Refused_Drags_Change_Nothing) {
  TMaps_Tree_Node* outer = Add_Group(Tree.Root(), "Outer");
  TMaps_Tree_Node* inner = Add_Group(outer, "Inner");
  auto entries = Tree.Drop_List_Items(inner, {Maps[0]});
  const std::string before = Tree.Serialize();
  EXPECT_FALSE(TMaps_Tree::Accepts_Tree_Drop(outer, inner));
  EXPECT_FALSE(Tree.Drop_Tree_Node(outer, inner));
  EXPECT_FALSE(Tree.Drop_Tree_Node(outer, entries[0]));
  EXPECT_FALSE(Tree.Drop_Tree_Node(Tree.Root(), outer));  // the root goes nowhere
  EXPECT_TRUE(TMaps_Tree::Accepts_Tree_Drop(outer, outer));
  EXPECT_TRUE(Tree.Drop_Tree_Node(outer, outer));
  EXPECT_TRUE(Tree.Drop_Tree_Node(entries[0], entries[0]));
  EXPECT_EQ(Tree.Serialize(), before);
  // A group may not be dropped onto the list; a map entry may, and is listed again.
  EXPECT_FALSE(TMaps_Tree::Accepts_Drop_On_List(outer));
  EXPECT_FALSE(Tree.Drop_On_List(outer));
  EXPECT_EQ(Tree.Serialize(), before);
  ASSERT_TRUE(Tree.Drop_On_List(entries[0]));
  EXPECT_EQ(inner->Child_Count(), 0);
  EXPECT_EQ(Filenames(List), (Texts{"Q3DM1", "Q3DM2", "Q3DM3", "Q3DM4", "Q3DM5"}));
}

TEST_F(Maps_Tree_Test, Deleting_A_Group_Lists_The_Maps_Of_Every_Depth_And_Predicates_Look_There) {
  TMaps_Tree_Node* outer = Add_Group(Tree.Root(), "Outer");
  TMaps_Tree_Node* inner = Add_Group(outer, "Inner");
  TMaps_Tree_Node* deepest = Add_Group(inner, "Deepest");
  EXPECT_FALSE(TMaps_Tree::Group_Is_Not_Empty(outer));
  Maps[2]->Allow_Include_In_Arena_File = false;
  Tree.Drop_List_Items(deepest, {Maps[2]});
  EXPECT_TRUE(TMaps_Tree::Group_Is_Not_Empty(outer));
  EXPECT_FALSE(TMaps_Tree::Group_Has_Maps_For_Arena_File(outer));
  Tree.Drop_List_Items(deepest, {Maps[3]});
  EXPECT_TRUE(TMaps_Tree::Group_Has_Maps_For_Arena_File(outer));

  Tree.Drop_List_Items(outer, {Maps[0]});
  Tree.Drop_List_Items(inner, {Maps[1]});
  Tree.Drop_List_Items(Tree.Root(), {Maps[4]});
  EXPECT_EQ(List.Count(), 0);
  Tree.Select(deepest);
  EXPECT_FALSE(Tree.Delete_Node(Tree.Root()));
  EXPECT_FALSE(Tree.Delete_Node(nullptr));  // nothing selected
  ASSERT_TRUE(Tree.Delete_Node(outer));
  EXPECT_EQ(Tree.Selected(), nullptr);
  EXPECT_EQ(Child_Texts(Tree.Root()), Texts{"Q3DM5"});
  // Appended in displayed order; the caller sorts.
  EXPECT_EQ(Filenames(List), (Texts{"Q3DM3", "Q3DM4", "Q3DM2", "Q3DM1"}));
}

// A group made of a list of maps takes them from the list; a map sorted already keeps its place,
// since a map stands in the tree once.
TEST_F(Maps_Tree_Test, A_Group_Of_Maps_Takes_Unsorted_Maps_And_Leaves_The_Sorting) {
  TMaps_Tree_Node* sorted = Add_Group(Tree.Root(), "Sorted");
  Tree.Drop_List_Items(sorted, {Maps[0]});
  Tree.Select(sorted);
  const TGroup_Of_Maps made =
      Tree.Make_Group_Of_Maps("Imported", {Maps[3], Maps[0], Maps[3], Maps[1]});
  ASSERT_NE(made.Group, nullptr);
  EXPECT_EQ(made.Sorted_Elsewhere, std::vector<TMap_Record*>{Maps[0]});
  EXPECT_EQ(Tree.Selected(), sorted);
  EXPECT_EQ(made.Group->Parent(), Tree.Root());
  EXPECT_EQ(Child_Texts(made.Group), (Texts{"Q3DM4", "Q3DM2"}));
  EXPECT_EQ(Child_Texts(sorted), Texts{"Q3DM1"});
  EXPECT_EQ(Filenames(List), (Texts{"Q3DM3", "Q3DM5"}));

  const TGroup_Of_Maps none = Tree.Make_Group_Of_Maps("None", {Maps[0], Maps[1]});
  EXPECT_EQ(none.Group, nullptr);
  EXPECT_EQ(none.Sorted_Elsewhere.size(), 2u);
  EXPECT_EQ(Child_Texts(Tree.Root()), (Texts{"Imported", "Sorted"}));
  TMaps_Tree empty;
  EXPECT_EQ(empty.Make_Group_Of_Maps("Imported", Maps).Group, nullptr);
}

// ---- damaged and hostile files ----

const char* const Incompatible = "Error loading map information. Incompatible file format.";

TEST(Maps_Tree_Hostile, Damaged_Files_Stop_With_One_Incompatible_Box_And_Save_Nothing) {
  TTest_Database db;
  TPK3_Record* pak0 = db.Add_PK3("baseq3", "pak0.pk3");
  const TMap_Record* map = TTest_Database::Add_Map(pak0, "Q3DM1.BSP");
  const TMap_Record* other = TTest_Database::Add_Map(pak0, "Q3DM2.BSP");
  const std::string valid = Tree_Group("Arenas", 2) + Tree_Group("Sub", 1) +
                            Tree_Entry(map->ID, pak0->ID) + Tree_Entry(other->ID, pak0->ID);
  std::vector<std::string> damaged = {
      Tree_Group("Arenas", 0, 2),
      // The damaged record deep inside; the entries after it would give boxes if read.
      Tree_Group("Arenas", 3) + Tree_Group("Outer", 1) + Tree_Group("Inner", 2) +
          Tree_Entry(map->ID, pak0->ID, 2) + Tree_Entry(999, 999) + Tree_Entry(998, 998),
      Tree_Group("Arenas", -1), Tree_Group("Arenas", -1) + Tree_Group("Sub", 0),
      Tree_Group("Arenas", 0x7FFFFFFF) + Tree_Group("Sub", 0),  // a short file, never an allocation
      Tree_Group("Arenas", 1) + Tree_Group("Sub", -5),
      Tree_Group("Arenas", 0) + Tree_Group("Sub", 0),  // bytes after the root
  };
  for (std::size_t cut = 0; cut < valid.size(); ++cut) {
    damaged.push_back(valid.substr(0, cut));
  }
  for (const std::string& bytes : damaged) {
    SCOPED_TRACE(::testing::PrintToString(bytes));
    TScripted_Interaction user;
    TMaps_Tree tree;
    EXPECT_FALSE(Show_Tree_Load_Report(tree.Load_From_Bytes(bytes, db.Database), user));
    ASSERT_FALSE(user.Messages.empty());
    EXPECT_EQ(user.Messages.back(),
              (TRecorded_Message{TMessage_Kind::Error, Incompatible, TAnswer_Set::Cancel}));
    EXPECT_EQ(Tree_Input_Fault(bytes), "");
  }
  TMaps_Tree tree;
  EXPECT_TRUE(tree.Load_From_Bytes(valid, db.Database).Ok());
}

TEST(Maps_Tree_Hostile, Fuzz_Corpus_And_Regressions_Keep_The_Rules) {
  const auto inputs = Fuzz_Inputs(VORLIX_FUZZ_DIR, "maps_tree");
  ASSERT_FALSE(inputs.empty());
  for (const auto& [name, bytes] : inputs) {
    EXPECT_EQ(Tree_Input_Fault(bytes), "") << name;
  }
}

}  // namespace
}  // namespace vorlix::testing
