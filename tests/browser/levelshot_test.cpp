#include "browser/levelshot.h"

#include <gtest/gtest.h>

#include "builders.h"
#include "test_database.h"

namespace vorlix {
namespace {

using testing::TTemp_Dir;
using testing::TTest_Database;

using TShown = std::pair<std::string, std::string>;  // file below the test folder, label

class Levelshot_Test : public ::testing::Test {
 protected:
  void Put(const std::string& relative) { testing::Write_File(Dir / relative, "picture"); }
  TShown Choose(const TMap_Record& map) {
    const TLevelshot_Choice c = Choose_Levelshot(Db.Database, map, Dir / "levelshots", Dir / "gfx");
    const std::string prefix = Dir.Path() + "/";
    if (!c.Path) {
      return {"", c.Label};
    }
    return {c.Path->rfind(prefix, 0) == 0 ? c.Path->substr(prefix.size()) : *c.Path, c.Label};
  }

  TTemp_Dir Dir;
  TTest_Database Db;
};

TEST_F(Levelshot_Test, Later_Archive_Of_The_Same_Mod_Supplies_Its_Jpg) {
  TPK3_Record* a = Db.Add_PK3("baseq3", "a.pk3");
  TPK3_Record* b = Db.Add_PK3("baseq3", "b.pk3");
  TPK3_Record* other = Db.Add_PK3("cpma", "z.pk3");
  TMap_Record* plain = TTest_Database::Add_Map(a, "Q3DM1.BSP", "Plain");
  TMap_Record* with_shot = TTest_Database::Add_Map(b, "q3dm1.bsp", "With Shot");
  with_shot->Has_Levelshot_JPG = true;
  TTest_Database::Add_Map(other, "Q3DM1.BSP", "Elsewhere")->Has_Levelshot_JPG = true;
  Put("levelshots/baseq3/b.pk3/q3dm1.jpg");
  EXPECT_EQ(Choose_Levelshot(Db.Database, *plain, Dir / "levelshots", Dir / "gfx").Used_Map,
            with_shot);
  EXPECT_EQ(Choose(*plain), (TShown{"levelshots/baseq3/b.pk3/q3dm1.jpg", "of With Shot"}));
}

TEST_F(Levelshot_Test, Jpg_Wins_Over_Tga_And_Folders_Are_Found_Ignoring_Case) {
  TPK3_Record* pk3 = Db.Add_PK3("baseq3", "Maps.pk3");
  TMap_Record* map = TTest_Database::Add_Map(pk3, "Q3DM7.BSP", "Temple");
  map->Has_Levelshot_TGA = true;
  map->Has_Levelshot_JPG = true;
  Put("levelshots/baseq3/Maps.pk3/Q3DM7.tga");
  Put("levelshots/baseq3/Maps.pk3/Q3DM7.JPG");
  EXPECT_EQ(Choose(*map), (TShown{"levelshots/baseq3/Maps.pk3/Q3DM7.JPG", "of Temple"}));
  map->Has_Levelshot_JPG = false;
  EXPECT_EQ(Choose(*map), (TShown{"levelshots/baseq3/Maps.pk3/Q3DM7.tga", "of Temple"}));
}

// The placeholder and a levelshot announced but missing are the browser view test's to check.
TEST_F(Levelshot_Test, Without_A_Placeholder_File_The_Area_Is_White) {
  TPK3_Record* pk3 = Db.Add_PK3("baseq3", "pak.pk3");
  TMap_Record* bare = TTest_Database::Add_Map(pk3, "BARE.BSP", "Bare");
  EXPECT_EQ(Choose(*bare), (TShown{"", ""}));
}

}  // namespace
}  // namespace vorlix
