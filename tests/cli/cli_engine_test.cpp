// vorlix-cli's --engine and --demo: what they store and how they combine with commands.

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "cli_runner.h"

namespace vorlix {
namespace {

namespace fs = std::filesystem;
using testing::Cli;
using testing::Read_File;
using testing::Run_Result;

TEST_F(Cli, Engine_Is_Stored_Then_Started_By_Launch_And_Can_Be_Cleared) {
  const std::string recorder = Output_ / "engine dir/recorder";
  testing::Write_File(recorder,
                      "#!/bin/sh\nprintf '%s ' \"$@\" > \"$0.tmp\"\nmv \"$0.tmp\" \"$0.args\"\n");
  fs::permissions(recorder, fs::perms::owner_all);

  // Alone, --engine stores the engine and runs no start-up.
  Run_Result result = Run({"--engine", recorder});
  ASSERT_EQ(result.Status, 0) << result.Err;
  EXPECT_NE(Read_File(Config_ / "Tolmarine/Vorlix.conf").find("Q3A_EXE=" + recorder),
            std::string::npos);
  EXPECT_TRUE(fs::is_empty(Data_.Path()));

  result = Run_With_Dirs({"launch", "0", "0"});
  ASSERT_EQ(result.Status, 0) << result.Err;
  EXPECT_EQ(result.Out.rfind(recorder + " +set fs_game baseq3 ", 0), 0u) << result.Out;
  for (int i = 0; i < 100 && !fs::exists(recorder + ".args"); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  EXPECT_EQ(
      Read_File(recorder + ".args").rfind("+set fs_game baseq3 +seta g_gametype 0 +map Q3DM1 ", 0),
      0u);

  // An engine that is not there is wrong usage and keeps the stored one.
  result = Run({"--engine", Output_ / "missing", "sync"});
  EXPECT_EQ(result.Status, 2);
  EXPECT_NE(result.Err.find("no executable program"), std::string::npos) << result.Err;
  EXPECT_NE(Read_File(Config_ / "Tolmarine/Vorlix.conf").find("Q3A_EXE=" + recorder),
            std::string::npos);

  // --engine "" goes back to the game directory's QUAKE3.EXE, also in front of a command.
  result = Run_With_Dirs({"--engine", "", "launch", "0", "0", "--dry-run"});
  ASSERT_EQ(result.Status, 0) << result.Err;
  EXPECT_EQ(Read_File(Config_ / "Tolmarine/Vorlix.conf").find("Q3A_EXE"), std::string::npos);
  EXPECT_EQ(result.Out.rfind((Game_ / "QUAKE3.EXE") + " +set fs_game baseq3 ", 0), 0u)
      << result.Out;
}

TEST_F(Cli, Demo_Excludes_Game_Dir) {
  const Run_Result result = Run_With_Dirs({"--demo", "sync"});
  EXPECT_EQ(result.Status, 2);
  EXPECT_NE(result.Err.find("--demo and --game-dir"), std::string::npos) << result.Err;
  EXPECT_TRUE(fs::is_empty(Data_.Path()));
}

}  // namespace
}  // namespace vorlix
