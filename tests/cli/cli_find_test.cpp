// vorlix-cli end to end: find and random over the list and a tree file written by the test.

#include <chrono>

#include "cli_runner.h"

namespace vorlix::testing {
namespace {

// The lines of the three maps.
const std::string Extra_Line = "Extra One\tEXTRA1\tbaseq3/zz_extra\t1\t0\t\n";
const std::string MOD_Line = "Mod Map\tMM1\tmymod/mymod\t2\t0\t\n";
const std::string Q3DM1_Line = "Arena Gate\tQ3DM1\tbaseq3/pak0\t0\t0\tArenas/Duel maps\n";

class Cli_Find : public Cli {
 protected:
  void SetUp() override {
    ASSERT_EQ(Run_With_Dirs({"sync"}).Status, 0);
    // Q3DM1 (IDs 0/0) in "Arenas/Duel maps", the other two in the list.
    Write_File(Data_ / "mapstree.dat",
               Tree_Group("Arenas", 1) + Tree_Group("Duel maps", 1) + Tree_Entry(0, 0));
  }
};

TEST_F(Cli_Find, Find_Prints_The_Matching_Maps_By_Filename) {
  const std::vector<std::pair<std::vector<std::string>, std::string>> rows = {
      {{"find"}, Extra_Line + MOD_Line + Q3DM1_Line},
      {{"find", "ARENA", "gate"}, Q3DM1_Line},
      {{"find", "--", "zz_extra"}, Extra_Line},
      {{"find", "--type", "ffa", "--players=8", "--min-rating", "0", "--mod", "BASEQ3"},
       Extra_Line + Q3DM1_Line},
      {{"find", "--added-within", "100000", "a"}, Extra_Line + MOD_Line + Q3DM1_Line},
      {{"find", "--added-within", "30"}, MOD_Line + Q3DM1_Line},
  };
  // An archive of long ago (the next start-up takes its date).
  fs::last_write_time(
      Game_ / "baseq3/zz_extra.pk3",
      fs::last_write_time(Game_ / "baseq3/zz_extra.pk3") - std::chrono::hours(24 * 400));
  for (const auto& [words, out] : rows) {
    const TRun_Result result = Run_Data(words);
    EXPECT_EQ(result.Status, 0) << words[1] << result.Err;
    EXPECT_EQ(result.Out, out) << words[1];
  }
}

// The game's own files count for the game type and bots filters: an arena block of another
// archive of the search path names MM1 a CTF map, and another base archive holds EXTRA1's bot file.
TEST_F(Cli_Find, Type_And_Bots_Take_The_Game_Facts_Of_Other_Archives) {
  Write_Pk3(Game_ / "baseq3/zz_scripts.pk3",
            {{"maps/extra1.aas", "bot file"},
             {"scripts/more.arena", "{ map \"mm1\" type \"ctf team\" }\n"}});
  EXPECT_EQ(Run_Data({"find", "--type", "ctf"}).Out, MOD_Line);
  EXPECT_EQ(Run_Data({"find", "--bots"}).Out, Extra_Line + Q3DM1_Line);
  // What the game knows of one map, by its IDs.
  EXPECT_EQ(Run_Data({"info", "2", "0"}).Out,
            "map\tMM1.BSP\narchive\tmymod/mymod.pk3\nloaded from\tmymod/mymod.pk3\n"
            "bot file\tnone\nscript\tbaseq3/zz_scripts.pk3: scripts/more.arena\nmap\tmm1\n"
            "type\tctf team\n");
  EXPECT_EQ(Run_Data({"info", "2", "7"}).Err,
            "error: There is no map with the pk3 ID 2 and the map ID 7.\n");
}

// A map is made for a game type by one rule in find and serve: an arena block naming EXTRA1 a CTF
// map puts it in both answers, and Q3DM1 in neither.
TEST_F(Cli_Find, Find_And_Serve_Agree_On_The_Game_Type) {
  Write_Pk3(Game_ / "baseq3/zz_scripts.pk3",
            {{"scripts/more.arena", "{ map \"extra1\" type \"ctf\" }\n"}});
  Write_File(Data_ / "mapstree.dat",
             Tree_Group("Arenas", 1) + Tree_Group("Both", 2) + Tree_Entry(0, 1) + Tree_Entry(0, 0));
  EXPECT_EQ(Run_Data({"find", "--type", "ctf"}).Out,
            "Extra One\tEXTRA1\tbaseq3/zz_extra\t1\t0\tArenas/Both\n");
  const TRun_Result served = Run_Data(
      {"serve", "--group", "Arenas/Both", "--mod", "baseq3", "--type", "ctf", "--dry-run"});
  ASSERT_EQ(served.Status, 0) << served.Err;  // a rotation of no map would fail
  EXPECT_NE(served.Err.find("Left out of the rotation: q3dm1, not made for Capture The Flag."),
            std::string::npos)
      << served.Err;
  // EXTRA1 is the rotation.
  EXPECT_EQ(served.Err.find("extra1"), std::string::npos) << served.Err;
}

TEST_F(Cli_Find, Random_Picks_In_The_Group_And_Launches) {
  TRun_Result result = Run_Data({"random", "--group", "Arenas/Duel maps", "--launch", "--dry-run"});
  ASSERT_EQ(result.Status, 0) << result.Err;
  EXPECT_EQ(result.Out, Q3DM1_Line + Game_.Path() + "/QUAKE3.EXE" + Q3dm1_Arguments + "\n");
  result = Run_Data({"random", "mymod"});
  EXPECT_EQ(result.Status, 2);  // no words: the filters only
  result = Run_Data({"random", "--type", "single"});
  EXPECT_EQ(result.Status, 1);
  EXPECT_EQ(result.Err, "error: No map matches.\n");
}

TEST_F(Cli_Find, Bad_Input_Is_Wrong_Usage_And_Saves_Nothing) {
  // A vanished archive would be saved as gone by any command that runs its close.
  const std::string database = Read_File(Data_ / "mapsdb.dat");
  fs::remove(Game_ / "baseq3/zz_extra.pk3");
  const std::vector<std::vector<std::string>> rows = {
      {"find", "--type", "deathmatch"},
      {"find", "--players", "-1"},
      {"find", "--min-rating", "10"},
      {"find", "--unknown"},
      {"random", "--group", "Arenas/Nope"},
      {"random", "--dry-run"},
      {"find", "--mod", ""},
  };
  for (const auto& words : rows) {
    const TRun_Result result = Run_Data(words);
    EXPECT_EQ(result.Status, 2) << words[1] << " " << words.back();
    EXPECT_NE(result.Err.find("error: "), std::string::npos) << result.Err;
    EXPECT_EQ(Read_File(Data_ / "mapsdb.dat"), database) << words[1] << " " << words.back();
  }
}

}  // namespace
}  // namespace vorlix::testing
