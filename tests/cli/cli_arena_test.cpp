// vorlix-cli end to end: the arena-file commands on a tree file written by the test.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "cli_runner.h"

namespace vorlix {
namespace {

namespace fs = std::filesystem;
using testing::Cli;
using testing::Run_Result;
using testing::Write_File;

void Put_Int(std::string& data, std::int32_t value) {
  for (int i = 0; i < 4; ++i) {
    data += static_cast<char>((static_cast<std::uint32_t>(value) >> (8 * i)) & 0xFFu);
  }
}

// A group record of mapstree.dat: version 1, kind 1, child count, name.
std::string Group(const std::string& name, std::int32_t children) {
  std::string data;
  Put_Int(data, 1);
  data += '\1';
  Put_Int(data, children);
  Put_Int(data, static_cast<std::int32_t>(name.size()) + 1);
  data += name;
  data += '\0';
  return data;
}

// A map entry record: version 1, kind 0, map ID, pk3 ID.
std::string Entry(std::int32_t map_id, std::int32_t pk3_id) {
  std::string data;
  Put_Int(data, 1);
  data += '\0';
  Put_Int(data, map_id);
  Put_Int(data, pk3_id);
  return data;
}

class Cli_Arena : public Cli {
 protected:
  void SetUp() override {
    ASSERT_EQ(Run_With_Dirs({"sync"}).Status, 0);
    // q3dm1 has the IDs 0/0 (the first archive of the first MOD directory).
    ASSERT_NE(Run({"--data-dir", Data_.Path(), "launch", "0", "0", "--dry-run"}).Out.find("Q3DM1"),
              std::string::npos);
    Write_File(Data_ / "mapstree.dat",
               Group("Arenas", 2) + Group("Empty", 0) + Group("Duel maps", 1) + Entry(0, 0));
  }

  Run_Result Cli_Run(std::vector<std::string> words) {
    words.insert(words.begin(), {"--data-dir", Data_.Path()});
    return Run(words);
  }

  bool In_Baseq3(const std::string& name) { return fs::exists(Game_ / ("baseq3/" + name)); }
};

TEST_F(Cli_Arena, The_Tree_File_Places_Maps_In_Groups) {
  Run_Result result = Cli_Run({"tree"});
  ASSERT_EQ(result.Status, 0) << result.Err;
  EXPECT_EQ(result.Out, "Arenas\n  Duel maps\n    Q3DM1\t0\t0\n  Empty\n");
  result = Cli_Run({"list"});
  EXPECT_EQ(result.Out.find("Q3DM1"), std::string::npos) << result.Out;
}

TEST_F(Cli_Arena, Activate_And_Remove_Arena_Files) {
  const std::string script = "{\nmap \"q3dm1\"\n}\n";
  testing::Write_Pk3(Game_ / "baseq3/z_Arenas_active_one.pk3", {{"scripts/arenas.txt", script}});
  testing::Write_Pk3(Game_ / "baseq3/z_Arenas_Inactive_two.pk3",
                     {{"scripts/arenas.txt.inactive", script}});

  Run_Result result = Cli_Run({"arena", "activate", "--mod", "baseq3", "--name", "two"});
  ASSERT_EQ(result.Status, 0) << result.Err;
  EXPECT_TRUE(In_Baseq3("z_Arenas_Inactive_one.pk3"));
  EXPECT_TRUE(In_Baseq3("z_Arenas_active_two.pk3"));
  EXPECT_TRUE(In_Baseq3("z_Arenas_Disabler.pk3"));

  // An arena the dialog does not offer is reported; nothing changes.
  result = Cli_Run({"arena", "activate", "--mod", "baseq3", "--name", "three"});
  EXPECT_EQ(result.Status, 1);
  EXPECT_TRUE(In_Baseq3("z_Arenas_active_two.pk3"));

  result =
      Cli_Run({"--yes", "arena", "remove", "--mod", "baseq3", "--name", "one", "--name", "two"});
  ASSERT_EQ(result.Status, 0) << result.Err;
  EXPECT_FALSE(In_Baseq3("z_Arenas_Inactive_one.pk3"));
  EXPECT_FALSE(In_Baseq3("z_Arenas_active_two.pk3"));
  EXPECT_FALSE(In_Baseq3("z_Arenas_Disabler.pk3"));
}

TEST_F(Cli_Arena, Create_Activate_And_Remove_Arena_Files) {
  Run_Result result = Cli_Run(
      {"arena", "create", "--group", "Arenas/Duel maps", "--mod", "baseq3", "--name", "one"});
  ASSERT_EQ(result.Status, 0) << result.Err;
  EXPECT_TRUE(In_Baseq3("z_Arenas_active_one.pk3"));
  EXPECT_TRUE(In_Baseq3("z_Arenas_Disabler.pk3"));

  result = Cli_Run(
      {"arena", "create", "--group", "Arenas/Duel maps", "--mod", "BASEQ3", "--name", "two"});
  ASSERT_EQ(result.Status, 0) << result.Err;
  EXPECT_TRUE(In_Baseq3("z_Arenas_Inactive_one.pk3"));
  EXPECT_TRUE(In_Baseq3("z_Arenas_active_two.pk3"));

  result = Cli_Run({"arena", "activate", "--mod", "baseq3", "--name", "one"});
  ASSERT_EQ(result.Status, 0) << result.Err;
  EXPECT_TRUE(In_Baseq3("z_Arenas_active_one.pk3"));
  EXPECT_TRUE(In_Baseq3("z_Arenas_Inactive_two.pk3"));

  result =
      Cli_Run({"--yes", "arena", "remove", "--mod", "baseq3", "--name", "one", "--name", "two"});
  ASSERT_EQ(result.Status, 0) << result.Err;
  EXPECT_FALSE(In_Baseq3("z_Arenas_active_one.pk3"));
  EXPECT_FALSE(In_Baseq3("z_Arenas_Inactive_two.pk3"));
  EXPECT_FALSE(In_Baseq3("z_Arenas_Disabler.pk3"));
  // The scratch folder is gone after every command.
  EXPECT_FALSE(fs::exists(Data_ / "temp"));
  EXPECT_FALSE(fs::exists(Data_ / "TEMP"));
}

TEST_F(Cli_Arena, Import_Takes_An_Arena_Script_Into_The_Maps) {
  const std::string launch_before = Cli_Run({"launch", "0", "0", "--dry-run"}).Out;
  testing::Write_Pk3(
      Game_ / "baseq3/someone.pk3",
      {{"scripts/arenas.txt",
        "{\nmap \"q3dm1\"\nbots \"Sarge Major\"\nfraglimit 15\ntype \"tourney\"\n}\n"}});
  Run_Result result = Cli_Run({"arena", "import", Game_ / "baseq3/someone.pk3"});
  ASSERT_EQ(result.Status, 0) << result.Err;
  // Saved with the database: the next launch takes the imported settings.
  result = Cli_Run({"launch", "0", "0", "--dry-run"});
  EXPECT_NE(result.Out, launch_before);
  EXPECT_NE(result.Out.find("+seta g_gametype 1 "), std::string::npos) << result.Out;
  EXPECT_NE(result.Out.find("+fraglimit 15"), std::string::npos) << result.Out;
  EXPECT_NE(result.Out.find("+addbot Sarge"), std::string::npos) << result.Out;

  // An archive outside the MOD directories is refused.
  testing::Write_Pk3(Output_ / "elsewhere.pk3", {{"scripts/arenas.txt", "{\nmap \"q3dm1\"\n}\n"}});
  result = Cli_Run({"arena", "import", Output_ / "elsewhere.pk3"});
  EXPECT_EQ(result.Status, 1);
  EXPECT_NE(result.Err.find("error: "), std::string::npos) << result.Err;
}

TEST_F(Cli_Arena, Refuses_Unknown_Groups_Mods_And_Empty_Groups) {
  Run_Result result =
      Cli_Run({"arena", "create", "--group", "Arenas/Nowhere", "--mod", "baseq3", "--name", "x"});
  EXPECT_EQ(result.Status, 1);
  EXPECT_NE(result.Err.find("error: There is no group \"Arenas/Nowhere\""), std::string::npos)
      << result.Err;
  result =
      Cli_Run({"arena", "create", "--group", "Arenas/Empty", "--mod", "baseq3", "--name", "x"});
  EXPECT_EQ(result.Status, 1);
  result =
      Cli_Run({"arena", "create", "--group", "Arenas/Duel maps", "--mod", "nomod", "--name", "x"});
  EXPECT_EQ(result.Status, 1);
  EXPECT_NE(result.Err.find("error: nomod cannot be chosen here."), std::string::npos)
      << result.Err;
  EXPECT_FALSE(In_Baseq3("z_Arenas_active_x.pk3"));

  EXPECT_EQ(Cli_Run({"arena", "create", "--mod", "baseq3", "--name", "x"}).Status, 2);
  EXPECT_EQ(Cli_Run({"arena", "create", "--group", "Arenas", "--name", "x"}).Status, 2);
  EXPECT_EQ(Cli_Run({"arena", "remove", "--mod", "baseq3"}).Status, 2);
  EXPECT_EQ(Cli_Run({"arena"}).Status, 2);
}

}  // namespace
}  // namespace vorlix
