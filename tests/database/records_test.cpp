#include "database/records.h"

#include <gtest/gtest.h>

namespace vorlix::testing {
namespace {

TDatabase_Paths No_Paths() {
  return {"/prog", "/prog/TEMP", "/prog/LEVELSHOTS", "/prog/BOTINFO", "/game"};
}

TEST(Records, Next_ID_Follows_The_Largest_And_Index_Of_ID_Takes_The_First) {
  TPK3_Record_Store db(No_Paths());
  EXPECT_EQ(db.Items(db.Add_Record())->ID, 0);
  db.Items(0)->ID = 5;
  db.Items(db.Add_Record())->ID = 2;
  const int index = db.Add_Record();
  EXPECT_EQ(db.Items(index)->ID, 6);
  EXPECT_EQ(db.Items(index)->Owner, &db);
  db.Items(2)->ID = 2;
  EXPECT_EQ(db.Index_Of_ID(2), 1);
  EXPECT_EQ(db.Index_Of_ID(99), -1);

  TPK3_Record& pk3 = *db.Items(0);
  pk3.Maps = db.New_Map_Manager(&pk3);
  const int m = pk3.Maps->Add_Record();
  EXPECT_EQ(pk3.Maps->Items(m)->PK3, &pk3);
  EXPECT_EQ(db.Find_Map(5, 0), pk3.Maps->Items(m));
  EXPECT_EQ(db.Find_Map(5, 1), nullptr);
  EXPECT_EQ(db.Find_Map(1, 0), nullptr);
  // Taking a record built elsewhere: the next ID, the list's back reference.
  auto other = std::make_unique<TMap_Record>();
  other->ID = 77;
  other->Rating = 4;
  const int taken = pk3.Maps->Adopt_Record(std::move(other));
  EXPECT_EQ(pk3.Maps->Items(taken)->ID, 1);
  EXPECT_EQ(pk3.Maps->Items(taken)->Rating, 4);
}

// A record's names come from mapsdb.dat: a directory that leaves the game directory gives no path
// at all, so nothing is opened through it (the scans take the other records' paths).
TEST(Records, Archive_Path_Of_A_Directory_Leaving_The_Game_Directory_Is_None) {
  TPK3_Record_Store db(No_Paths());
  TPK3_Record& pk3 = *db.Items(db.Add_Record());
  pk3.MOD_Directory = "..";
  pk3.PK3_Filename = "pak9.pk3";
  EXPECT_EQ(db.Archive_Path(pk3), "");
}

TEST(Records, Find_Ignores_Case_And_Sort_Is_Byte_Wise_And_Stable) {
  TPK3_Record_Store db(No_Paths());
  const std::vector<std::pair<std::string, std::string>> records = {
      {"baseq3", "pak0.pk3"}, {"osp", "b.pk3"}, {"baseq3", "B.pk3"}, {"cpma", "b.pk3"}};
  for (const auto& [mod, file] : records) {
    TPK3_Record& r = *db.Items(db.Add_Record());
    r.MOD_Directory = mod;
    r.PK3_Filename = file;
  }
  EXPECT_EQ(db.Find_PK3("BASEQ3", "PAK0.PK3"), 0);
  EXPECT_EQ(db.Find_PK3("Cpma", "B.PK3"), 3);
  EXPECT_EQ(db.Find_PK3("baseq3", "c.pk3"), -1);
  db.Sort_By_Filename();
  // "B.pk3" < "b.pk3" < "pak0.pk3"; the two "b.pk3" keep their order.
  EXPECT_EQ((std::vector<std::int32_t>{db.Items(0)->ID, db.Items(1)->ID, db.Items(2)->ID,
                                       db.Items(3)->ID}),
            (std::vector<std::int32_t>{2, 1, 3, 0}));
}

}  // namespace
}  // namespace vorlix::testing
