// vorlix-cli end to end: the arena-file commands on a tree file written by the test.

#include "cli_runner.h"
#include "database/zip_archive.h"

namespace vorlix::testing {
namespace {

class Cli_Arena : public Cli {
 protected:
  void SetUp() override {
    ASSERT_EQ(Run_With_Dirs({"sync"}).Status, 0);
    // q3dm1 has the IDs 0/0 (the first archive of the first MOD directory).
    ASSERT_NE(Run_Data({"launch", "0", "0", "--dry-run"}).Out.find("Q3DM1"), std::string::npos);
    Write_File(Data_ / "mapstree.dat", Tree_Group("Arenas", 2) + Tree_Group("Empty", 0) +
                                           Tree_Group("Duel maps", 1) + Tree_Entry(0, 0));
  }

  bool In_Baseq3(const std::string& name) { return fs::exists(Game_ / ("baseq3/" + name)); }
};

// The commands' own part: groups and arenas named on the command line, exit statuses and --yes;
// what the arena files become is the arena suite's.
TEST_F(Cli_Arena, Start_Up_Pass_Activate_Remove_And_Refused_Names) {
  // Two active arena files: the start-up pass leaves only "one" active.
  for (const char* name : {"z_Arenas_active_one.pk3", "z_Arenas_active_two.pk3"}) {
    Write_Pk3(Game_ / ("baseq3/" + std::string(name)),
              {{"scripts/arenas.txt", "{\nmap \"q3dm1\"\n}\n"}});
  }
  // Unknown and empty groups are refused.
  const auto create = [&](const std::string& group) {
    return Run_Data({"arena", "create", "--group", group, "--mod", "baseq3", "--name", "three"});
  };
  TRun_Result result = create("Arenas/Nowhere");
  EXPECT_EQ(result.Status, 1);
  EXPECT_NE(result.Err.find("error: There is no group \"Arenas/Nowhere\""), std::string::npos);
  EXPECT_EQ(create("Arenas/Empty").Status, 1);
  EXPECT_FALSE(In_Baseq3("z_Arenas_active_three.pk3"));

  // Activation offers the inactive arenas only; a name it does not offer fails the command.
  result = Run_Data({"arena", "activate", "--mod", "BASEQ3", "--name", "two"});
  ASSERT_EQ(result.Status, 0) << result.Err;
  EXPECT_TRUE(In_Baseq3("z_Arenas_active_two.pk3"));
  EXPECT_EQ(Run_Data({"arena", "activate", "--mod", "baseq3", "--name", "four"}).Status, 1);

  result =
      Run_Data({"--yes", "arena", "remove", "--mod", "baseq3", "--name", "one", "--name", "two"});
  ASSERT_EQ(result.Status, 0) << result.Err;
  for (const char* name :
       {"z_Arenas_Inactive_one.pk3", "z_Arenas_active_two.pk3", "z_Arenas_Disabler.pk3"}) {
    EXPECT_FALSE(In_Baseq3(name)) << name;
  }
}

TEST_F(Cli_Arena, Import_Takes_An_Arena_Script_Into_The_Maps) {
  Write_Pk3(Game_ / "baseq3/someone.pk3",
            {{"scripts/arenas.txt",
              "{\nmap \"q3dm1\"\nbots \"Sarge Major\"\nfraglimit 15\ntype \"tourney\"\n}\n"}});
  TRun_Result result = Run_Data({"arena", "import", Game_ / "baseq3/someone.pk3"});
  ASSERT_EQ(result.Status, 0) << result.Err;
  EXPECT_EQ(result.Out,
            "changed 1 map of baseq3 (game types of 1, bots of 1, frag limit of 1): q3dm1\n");
  // Saved with the database: the next launch takes the imported game type.
  result = Run_Data({"launch", "0", "0", "--dry-run"});
  EXPECT_NE(result.Out.find("+seta g_gametype 1 "), std::string::npos) << result.Out;

  // An archive outside the MOD directories is refused.
  Write_Pk3(Output_ / "elsewhere.pk3", {{"scripts/arenas.txt", "{\nmap \"q3dm1\"\n}\n"}});
  result = Run_Data({"arena", "import", Output_ / "elsewhere.pk3"});
  EXPECT_EQ(result.Status, 1);
  EXPECT_NE(result.Err.find("error: "), std::string::npos) << result.Err;
}

// A map recorded for the first time starts with the game types, bots and limits of the block the
// game reads for it, and an arena file made of it lists it under those game types; a map known
// before keeps its own. While that arena file is active the game reads its block.
TEST_F(Cli_Arena, New_Maps_Start_With_The_Block_The_Game_Reads) {
  Write_Pk3(Game_ / "baseq3/flags.pk3",
            {{"maps/ctfmap.bsp", Make_Bsp(Entity_Text("Flags"))},
             {"maps/ctfmap.aas", "aas"},
             {"scripts/flags.arena",
              "{ map ctfmap type \"ctf team\" bots Sarge fraglimit 0 capturelimit 5 }\n"
              "{ map q3dm1 type ctf }\n"}});
  // The new archive gets the next ID, 3.
  Write_File(Data_ / "mapstree.dat",
             Tree_Group("Arenas", 1) + Tree_Group("Flags", 1) + Tree_Entry(0, 3));
  TRun_Result result = Run_Data({"launch", "3", "0", "--dry-run"});
  ASSERT_EQ(result.Status, 0) << result.Err;
  // Team Deathmatch is the first of its game types the launch offers.
  EXPECT_NE(result.Out.find("+seta g_gametype 3 +map CTFMAP"), std::string::npos) << result.Out;
  EXPECT_NE(result.Out.find("+fraglimit 0 +capturelimit 5 +addbot Sarge"), std::string::npos)
      << result.Out;
  EXPECT_NE(Run_Data({"launch", "0", "0", "--dry-run"}).Out.find(Q3dm1_Arguments),
            std::string::npos);

  result = Run_Data(
      {"arena", "create", "--group", "Arenas/Flags", "--mod", "baseq3", "--name", "flags"});
  ASSERT_EQ(result.Status, 0) << result.Err;
  TZip_Archive archive;
  archive.Set_Zip_Filename(Game_ / "baseq3/z_Arenas_active_flags.pk3");
  ASSERT_EQ(archive.Count(), 1);
  std::string script(4096, '\0');
  script.resize(archive.Open_Member(0)->Read(script.data(), script.size()));
  EXPECT_NE(script.find("\"team ctf\""), std::string::npos) << script;

  result = Run_Data({"info", "3", "0"});
  EXPECT_NE(result.Out.find("active arena file\tbaseq3/z_Arenas_active_flags.pk3\n"
                            "game reads\tbaseq3/z_Arenas_active_flags.pk3: scripts/arenas.txt\n"
                            "script\tbaseq3/flags.pk3: scripts/flags.arena\n"),
            std::string::npos)
      << result.Out;
  // The active arena file does not name q3dm1: the game reads no block for it.
  EXPECT_NE(Run_Data({"info", "0", "0"}).Out.find("game reads\tnone\nscript\t"), std::string::npos);
}

TEST_F(Cli_Arena, A_Folder_In_The_Outranking_Archives_Place_Fails_Sync_Once_With_The_Reason) {
  Write_Pk3(Game_ / "baseq3/z_Arenas_active_one.pk3", {{"scripts/arenas.txt", "{ map q3dm1 }"}});
  fs::create_directory(Game_ / "baseq3/~~~~Vorlix_Arenas.pk3");
  const TRun_Result result = Run_Data({"sync"});
  EXPECT_EQ(result.Status, 1);
  const std::string reason = "~~~~Vorlix_Arenas.pk3: a folder of that name is in its place";
  const auto first = result.Err.find(reason);
  ASSERT_NE(first, std::string::npos) << result.Err;
  EXPECT_EQ(result.Err.find(reason, first + 1), std::string::npos) << result.Err;
  EXPECT_TRUE(fs::is_directory(Game_ / "baseq3/~~~~Vorlix_Arenas.pk3"));
}

}  // namespace
}  // namespace vorlix::testing
