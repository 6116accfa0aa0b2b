#include "core/case_lookup.h"
#include "core/dos_time.h"
#include "core/letter_case.h"
#include "core/listing.h"
#include "core/paths.h"
#include "core/program_lookup.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include <gtest/gtest.h>

#include "builders.h"

namespace vorlix::platform {
namespace {

using testing::Write_File;

TEST(Listing_Order, Sorts_By_Upper_Cased_Name_Then_Raw_Name) {
  std::vector<std::string> names{"baseq3", "Extras", "MissionPack", "a_mod", "BASEQ3", "_x"};
  Sort_Listing(names);
  // '_' (0x5F) sorts after the upper-case letters, as the upper-cased comparison gives.
  EXPECT_EQ(names,
            (std::vector<std::string>{"a_mod", "BASEQ3", "baseq3", "Extras", "MissionPack", "_x"}));
  // The sort upper-cases each name once: the order is the comparison's own, for names that
  // tie in every way but one.
  std::vector<std::string> many;
  for (const char* stem : {"map", "MAP", "Map", "map_", "MAP1", "map1", "m", "M", "[x]", "~"}) {
    for (const char* tail : {"", "a", "A", ".pk3", ".PK3", "_"}) {
      many.push_back(std::string(stem) + tail);
    }
  }
  std::reverse(many.begin(), many.end());
  std::vector<std::string> expected = many;
  std::sort(expected.begin(), expected.end(), Listing_Less);
  Sort_Listing(many);
  EXPECT_EQ(many, expected);
}

// A tree whose names differ only in letter case at several levels.
class Case_Lookup : public ::testing::Test {
 protected:
  Case_Lookup() {
    for (const char* file : {"Maps/A.txt", "Maps/a.txt", "MAPS/b.txt", "maps/Sub/c.txt", "x.txt",
                             "Maps/a.tx", "Maps/A.TXTX", "Maps/[a].txt", "Maps/z"}) {
      Write_File(Dir_ / file, "x");
    }
    std::filesystem::create_directory_symlink(Dir_ / "maps/Sub", Dir_ / "Linked");
  }
  testing::TTemp_Dir Dir_;
};

TEST_F(Case_Lookup, The_Kept_Listings_Find_What_A_Fresh_Lookup_Finds) {
  TCase_Resolver resolver;
  for (int round = 0; round < 2; ++round) {  // the second round answers from the kept listings
    for (const char* relative : {"maps/a.txt", "MAPS/A.TXT", "maps/B.TXT", "mAps/sub/C.txt",
                                 "Maps/../X.TXT", "./maps/./a.txt", "linked/C.TXT", "x.txt/y",
                                 "nothing/a.txt", "maps/none.txt", "", "maps\\A.txt", "Maps/A.TX",
                                 "Maps/a.txtx", "Maps/[A].TXT", "Maps/a.t", "Maps/Z", "Maps/zz"}) {
      SCOPED_TRACE(relative);
      EXPECT_EQ(resolver.Resolve(Dir_.Path(), relative),
                Resolve_Ignore_Case(Dir_.Path(), relative));
    }
  }
  // "MAPS" sorts before "Maps" and "maps": its entries win, and "a.txt" is not among them.
  EXPECT_EQ(resolver.Resolve(Dir_.Path(), "maps/b.txt"), Join(Dir_.Path(), "MAPS/b.txt"));
  EXPECT_EQ(resolver.Resolve(Dir_.Path(), "maps/a.txt"), std::nullopt);
  EXPECT_EQ(resolver.Resolve(Dir_ / "missing", "a"), std::nullopt);
}

TEST_F(Case_Lookup, Names_Only_Listing_Matches_The_Full_Listing) {
  for (const std::string& dir : {Dir_.Path(), Dir_ / "Maps"}) {
    const auto full = List_Directory(dir);
    const auto names = List_Names(dir);
    ASSERT_TRUE(full && names);
    std::vector<std::string> expected;
    for (const auto& entry : *full) {
      expected.push_back(entry.Name);
    }
    EXPECT_EQ(*names, expected);
  }
  // Filtered: the kept names in listing order.
  EXPECT_EQ(List_Names(Dir_.Path(), [](std::string_view name) { return name.size() == 4; }),
            (std::vector<std::string>{"MAPS", "Maps", "maps"}));
  EXPECT_EQ(List_Names(Dir_ / "missing"), std::nullopt);
}

TEST(Dos_Date_Time, Round_Trips_At_Two_Second_Resolution) {
  std::tm local{};
  local.tm_year = 2001 - 1900;
  local.tm_mon = 11;
  local.tm_mday = 24;
  local.tm_hour = 13;
  local.tm_min = 45;
  local.tm_sec = 31;
  local.tm_isdst = -1;
  const std::time_t t = std::mktime(&local);
  const std::int32_t dos = To_DOS_Date_Time(t);
  EXPECT_EQ(static_cast<std::uint32_t>(dos) >> 16, (21u << 9) | (12u << 5) | 24u);
  EXPECT_EQ(static_cast<std::uint32_t>(dos) & 0xFFFFu, (13u << 11) | (45u << 5) | 15u);
  EXPECT_EQ(From_DOS_Date_Time(dos), t - 1);
  // Times before 1980 are the earliest the format holds: 1 January 1980, midnight.
  local = {};
  local.tm_year = 80;
  local.tm_mday = 1;
  local.tm_isdst = -1;
  EXPECT_EQ(From_DOS_Date_Time(To_DOS_Date_Time(0)), std::mktime(&local));
}

// ---- Paths ---------------------------------------------------------------------------------

TEST(Paths, Components_Trailing_Separators_And_Plain_Names) {
  EXPECT_EQ(Split_Path_Components("scripts\\arenas.txt"),
            (std::vector<std::string>{"scripts", "arenas.txt"}));
  EXPECT_EQ(Split_Path_Components("/a//b\\c/"), (std::vector<std::string>{"a", "b", "c"}));
  EXPECT_TRUE(Split_Path_Components("//").empty());
  EXPECT_EQ(Without_Trailing_Separator("/game//"), "/game");
  EXPECT_EQ(Without_Trailing_Separator("game\\/"), "game");
  EXPECT_EQ(Without_Trailing_Separator("//"), "/");
  for (const char* name : {"map.pk3", "..x", "a b"}) {
    EXPECT_TRUE(Is_Plain_Name(name)) << name;
  }
  for (const std::string& name :
       std::vector<std::string>{"", ".", "..", "a/b", "a\\b", std::string("a\0b", 3)}) {
    EXPECT_FALSE(Is_Plain_Name(name)) << name;
  }
  EXPECT_EQ(Normal_Path("/game/./baseq3/../mod//"), "/game/mod");
  // A relative path is taken from the working directory.
  EXPECT_EQ(Normal_Path("game/../mod/"), (std::filesystem::current_path() / "mod").string());
  // The database and the game index find an archive under one key, whatever the letter case.
  EXPECT_EQ(Archive_Key("BaseQ3", "Map-1.PK3"), Archive_Key("baseq3", "map-1.pk3"));
  EXPECT_EQ(Archive_Key("AZ", "A-Z.PK3"), Archive_Key("az", "a-z.pk3"));
  EXPECT_NE(Archive_Key("baseq3", "@[.pk3"), Archive_Key("baseq3", "`{.pk3"));  // no letters
  EXPECT_NE(Archive_Key("baseq3", "x.pk3"), Archive_Key("baseq3x", ".pk3"));
}

TEST(Letter_Case, Ends_With_Counts_The_Whole_Name_As_Its_Own_End) {
  // The engines list a file named ".arena" among the .arena scripts.
  EXPECT_TRUE(Ends_With_Ignore_Case(".ARENA", ".arena"));
  EXPECT_TRUE(Ends_With_Ignore_Case("x.Arena", ".arena"));
  EXPECT_FALSE(Ends_With_Ignore_Case("arena", ".arena"));
  EXPECT_FALSE(Ends_With_Ignore_Case("x.arenas", ".arena"));
}

// A bare program name is looked up as a shell does, then in the game folders that not every PATH
// holds; a file that cannot be run is passed over and named only when nothing else is found.
TEST(Program_Lookup, PATH_Then_The_Game_Folders_First_Executable_Wins) {
  EXPECT_EQ(Program_Search_Folders("/usr/bin::relative/bin:/opt/x/:/usr/games"),
            (std::vector<std::string>{"/usr/bin", "/opt/x", "/usr/games", "/usr/local/games"}));
  EXPECT_EQ(Program_Search_Folders(""),
            (std::vector<std::string>{"/usr/games", "/usr/local/games"}));

  testing::TTemp_Dir dir;
  Write_File(dir / "a/server", "data");
  Write_File(dir / "b/server", "#!/bin/sh\n");
  std::filesystem::permissions(dir / "b/server", std::filesystem::perms::owner_all);
  std::filesystem::create_directories(dir / "c/tool");  // a folder of the name is no program
  const std::vector<std::string> folders{dir / "a", dir / "b", dir / "c"};
  const TProgram_Lookup found = Find_Program("server", "", folders);
  EXPECT_EQ(found.Path, dir / "b/server");
  EXPECT_EQ(found.Error, 0);
  EXPECT_EQ(Find_Program("server", "", {dir / "a"}).Error, EACCES);
  EXPECT_EQ(Find_Program("tool", "", folders).Error, EACCES);
  EXPECT_EQ(Find_Program("missing", "", folders).Error, ENOENT);
  EXPECT_EQ(Find_Program("missing", "", folders).Path, "");
  // A name with a separator is taken as written, against the working directory.
  EXPECT_EQ(Find_Program("b/server", dir.Path(), {}).Path, dir / "b/server");
  EXPECT_EQ(Find_Program("a/server", dir.Path(), folders).Error, EACCES);
  EXPECT_EQ(Find_Program(dir / "b/server", "/nowhere", {}).Path, dir / "b/server");

  EXPECT_EQ(Program_Not_Found_Text("openarena-server", ENOENT),
            "The program \"openarena-server\" was not found in the folders of PATH, /usr/games "
            "or /usr/local/games.");
  EXPECT_EQ(Program_Not_Found_Text("/opt/q3/q3ded", EACCES),
            "The program \"/opt/q3/q3ded\" was found but cannot be run.");
}

}  // namespace
}  // namespace vorlix::platform
