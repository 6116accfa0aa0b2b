// vorlix-cli end to end with the database: sync, the listings, launch and the pk3 commands.

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "cli_runner.h"

namespace vorlix {
namespace {

namespace fs = std::filesystem;
using testing::Cli;
using testing::Read_File;
using testing::Run_Result;

std::string Without_Line_End(std::string text) {
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) {
    text.pop_back();
  }
  return text;
}

TEST_F(Cli, Sync_Writes_The_Database_And_A_Second_Sync_Keeps_It) {
  Run_Result result = Run_With_Dirs({"sync"});
  ASSERT_EQ(result.Status, 0) << result.Err;
  EXPECT_EQ(result.Out, "");
  ASSERT_TRUE(fs::exists(Data_ / "mapsdb.dat"));
  EXPECT_TRUE(fs::exists(Data_ / "mapstree.dat"));
  EXPECT_FALSE(fs::exists(Data_ / "TEMP"));
  EXPECT_FALSE(fs::exists(Data_ / "temp"));
  const std::string first = Read_File(Data_ / "mapsdb.dat");

  result = Run({"--data-dir", Data_.Path(), "sync"});
  ASSERT_EQ(result.Status, 0) << result.Err;
  EXPECT_EQ(Read_File(Data_ / "mapsdb.dat"), first);

  // --no-save leaves the stored file as it was, even when the disk changed.
  fs::remove(Game_ / "baseq3/zz_extra.pk3");
  result = Run({"--data-dir", Data_.Path(), "--no-save", "sync"});
  ASSERT_EQ(result.Status, 0) << result.Err;
  EXPECT_EQ(Read_File(Data_ / "mapsdb.dat"), first);
}

TEST_F(Cli, List_And_Tree_Show_What_The_Main_Window_Would) {
  Run_Result result = Run_With_Dirs({"list"});
  ASSERT_EQ(result.Status, 0) << result.Err;
  // Sorted by the Filename column.
  EXPECT_EQ(result.Out,
            "Extra One\tEXTRA1\tbaseq3/zz_extra\n"
            "Mod Map\tMM1\tmymod/mymod\n"
            "Arena Gate\tQ3DM1\tbaseq3/pak0\n");
  result = Run({"--data-dir", Data_.Path(), "tree"});
  ASSERT_EQ(result.Status, 0) << result.Err;
  EXPECT_EQ(result.Out, "Arenas\n");
}

TEST_F(Cli, Launch_Prints_The_Command_Line_Of_The_Launch_Dialog) {
  ASSERT_EQ(Run_With_Dirs({"sync"}).Status, 0);
  // The IDs of q3dm1: find them through a dry run over the first archive's first map.
  Run_Result result = Run({"--data-dir", Data_.Path(), "launch", "0", "0", "--dry-run"});
  ASSERT_EQ(result.Status, 0) << result.Err;
  EXPECT_EQ(result.Out, Game_.Path() +
                            "/QUAKE3.EXE +set fs_game baseq3 +seta g_gametype 0 +map Q3DM1 "
                            "+sv_maxclients 8 +timelimit 0 +fraglimit 20 +capturelimit 8\n");

  result = Run({"--data-dir", Data_.Path(), "launch", "0", "77", "--dry-run"});
  EXPECT_EQ(result.Status, 1);
  EXPECT_EQ(result.Err, "error: There is no map with the pk3 ID 0 and the map ID 77.\n");
  EXPECT_EQ(Run({"--data-dir", Data_.Path(), "launch", "x", "0"}).Status, 2);
}

TEST_F(Cli, Launch_Starts_The_Configured_Program_In_The_Game_Directory) {
  // A stand-in for the game that records its arguments and working directory.
  const std::string recorder = Output_ / "recorder.sh";
  testing::Write_File(recorder,
                      "#!/bin/sh\npwd > \"$0.cwd\"\nprintf '%s\\n' \"$@\" > \"$0.tmp\"\n"
                      "mv \"$0.tmp\" \"$0.args\"\n");
  fs::permissions(recorder, fs::perms::owner_all);
  testing::Write_File(Config_ / "Tolmarine/Vorlix.conf", "[Settings]\nQ3A_EXE=" + recorder + "\n");

  const Run_Result result = Run_With_Dirs({"launch", "0", "0"});
  ASSERT_EQ(result.Status, 0) << result.Err;
  EXPECT_NE(result.Out.find(" +map Q3DM1 "), std::string::npos) << result.Out;
  // The game is not waited for.
  for (int i = 0; i < 100 && !fs::exists(recorder + ".args"); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  ASSERT_TRUE(fs::exists(recorder + ".args"));
  EXPECT_EQ(Read_File(recorder + ".args"),
            "+set\nfs_game\nbaseq3\n+seta\ng_gametype\n0\n+map\nQ3DM1\n+sv_maxclients\n8\n"
            "+timelimit\n0\n+fraglimit\n20\n+capturelimit\n8\n");
  EXPECT_EQ(fs::canonical(Without_Line_End(Read_File(recorder + ".cwd"))),
            fs::canonical(Game_.Path()));
}

TEST_F(Cli, Delete_Pk3_Asks_And_Deletes_Only_With_Yes) {
  ASSERT_EQ(Run_With_Dirs({"sync"}).Status, 0);
  Run_Result result = Run({"--data-dir", Data_.Path(), "delete-pk3", "1"});
  EXPECT_EQ(result.Status, 1);
  EXPECT_NE(result.Err.find("confirmation: "), std::string::npos) << result.Err;
  EXPECT_NE(result.Err.find(" -> No\n"), std::string::npos) << result.Err;
  const int archives = static_cast<int>(fs::exists(Game_ / "baseq3/pak0.pk3")) +
                       static_cast<int>(fs::exists(Game_ / "baseq3/zz_extra.pk3")) +
                       static_cast<int>(fs::exists(Game_ / "MyMod/mymod.pk3"));
  EXPECT_EQ(archives, 3);

  result = Run({"--data-dir", Data_.Path(), "--yes", "delete-pk3", "1"});
  EXPECT_EQ(result.Status, 0) << result.Err;
  const int left = static_cast<int>(fs::exists(Game_ / "baseq3/pak0.pk3")) +
                   static_cast<int>(fs::exists(Game_ / "baseq3/zz_extra.pk3")) +
                   static_cast<int>(fs::exists(Game_ / "MyMod/mymod.pk3"));
  EXPECT_EQ(left, 2);

  result = Run({"--data-dir", Data_.Path(), "--yes", "delete-pk3", "99"});
  EXPECT_EQ(result.Status, 1);
  EXPECT_EQ(result.Err, "error: There is no pk3 file with the ID 99.\n");
}

TEST_F(Cli, Rename_Pk3_Keeps_The_IDs_Of_Its_Maps) {
  ASSERT_EQ(Run_With_Dirs({"sync"}).Status, 0);
  const std::string launch_q3dm1 =
      Run({"--data-dir", Data_.Path(), "launch", "0", "0", "--dry-run"}).Out;
  ASSERT_NE(launch_q3dm1.find("+map Q3DM1"), std::string::npos) << launch_q3dm1;

  Run_Result result =
      Run({"--data-dir", Data_.Path(), "rename-pk3", "0", Game_ / "baseq3/renamed.pk3"});
  ASSERT_EQ(result.Status, 0) << result.Err;
  EXPECT_FALSE(fs::exists(Game_ / "baseq3/pak0.pk3"));
  EXPECT_TRUE(fs::exists(Game_ / "baseq3/renamed.pk3"));

  result = Run({"--data-dir", Data_.Path(), "list"});
  EXPECT_NE(result.Out.find("Arena Gate\tQ3DM1\tbaseq3/renamed\n"), std::string::npos)
      << result.Out;
  EXPECT_EQ(Run({"--data-dir", Data_.Path(), "launch", "0", "0", "--dry-run"}).Out, launch_q3dm1);

  // A name that is taken is refused and changes nothing.
  result = Run({"--data-dir", Data_.Path(), "rename-pk3", "0", Game_ / "baseq3/zz_extra.pk3"});
  EXPECT_EQ(result.Status, 1);
  EXPECT_NE(result.Err.find("error: "), std::string::npos);
  EXPECT_TRUE(fs::exists(Game_ / "baseq3/renamed.pk3"));
  EXPECT_EQ(Run({"--data-dir", Data_.Path(), "rename-pk3", "0"}).Status, 2);
}

}  // namespace
}  // namespace vorlix
