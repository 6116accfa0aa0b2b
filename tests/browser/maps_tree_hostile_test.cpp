// The tree file (mapstree.dat) against damaged and hostile bytes: another version at any depth,
// every truncation, counts the file cannot hold, and the fuzz corpus with its regressions.

#include <gtest/gtest.h>

#include "browser/maps_tree.h"
#include "core/session.h"
#include "hostile_inputs.h"
#include "test_database.h"

namespace vorlix::testing {
namespace {

const char* const Incompatible = "Error loading map information. Incompatible file format.";

TEST(Maps_Tree_Hostile, Damaged_Files_Stop_With_One_Incompatible_Box_And_Save_Nothing) {
  TTest_Database db;
  TPK3_Datei_Eintrag* pak0 = db.Add_PK3("baseq3", "pak0.pk3");
  const TMAP_Datei_Eintrag* map = TTest_Database::Add_Map(pak0, "Q3DM1.BSP");
  const TMAP_Datei_Eintrag* other = TTest_Database::Add_Map(pak0, "Q3DM2.BSP");
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
    Session_Flags() = {};
    TScripted_Interaction user;
    TMaps_Tree tree;
    EXPECT_FALSE(tree.Load_From_Bytes(bytes, db.Database, user));
    ASSERT_FALSE(user.Messages.empty());
    EXPECT_EQ(user.Messages.back(),
              (Recorded_Message{Message_Kind::Error, Incompatible, Button_Set::Cancel}));
    EXPECT_TRUE(Session_Flags().Suppress_Saving);
    EXPECT_EQ(Tree_Input_Fault(bytes), "");
  }
  Session_Flags() = {};
  TMaps_Tree tree;
  EXPECT_TRUE(tree.Load_From_Bytes(valid, db.Database, db.Interaction));
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
