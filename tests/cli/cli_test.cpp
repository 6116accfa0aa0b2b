// vorlix-cli end to end: the real program on installations generated in temporary folders, with
// its settings file kept in a folder of the test's own.

#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "cli_runner.h"
#include "vorlix_version.h"

namespace vorlix {
namespace {

namespace fs = std::filesystem;
using testing::Cli;
using testing::Run_Result;
using testing::Write_File;

TEST_F(Cli, Wrong_Usage_Exits_With_2_And_Touches_Nothing) {
  const std::vector<std::vector<std::string>> wrong = {
      {},
      {"frobnicate"},
      {"--bogus", "sync"},
      {"sync", "extra"},
      {"sync", "--bogus"},
      {"--data-dir"},
      {"--data-dir", "", "sync"},
      {"--game-dir", "a", "--game-dir", "b", "sync"},
      {"--yes"},
  };
  for (const auto& words : wrong) {
    const Run_Result result = Run_With_Dirs(words);
    SCOPED_TRACE(result.Err);
    EXPECT_EQ(result.Status, 2);
    EXPECT_EQ(result.Err.rfind("error: ", 0), 0u);
    EXPECT_TRUE(result.Out.empty());
  }
  // Not even the data folder's files: nothing ran.
  EXPECT_TRUE(fs::is_empty(Data_.Path()));
  EXPECT_FALSE(fs::exists(Config_ / "Tolmarine"));
}

TEST_F(Cli, Help_And_Version) {
  Run_Result result = Run({"--help"});
  EXPECT_EQ(result.Status, 0);
  for (const char* text :
       {"Usage: vorlix-cli", "--data-dir DIR", "--game-dir DIR", "--yes", "--no-save", "\n  sync",
        "\n  list", "\n  tree", "\n  mods", "Exit status: 0"}) {
    EXPECT_NE(result.Out.find(text), std::string::npos) << text;
  }
  result = Run({"--version"});
  EXPECT_EQ(result.Status, 0);
  EXPECT_EQ(result.Out, std::string("vorlix-cli ") + VORLIX_VERSION + "\n");
}

TEST_F(Cli, An_Invalid_Game_Directory_Fails_Without_Writing_Anything) {
  for (const std::string& game : {Data_ / "nowhere", Data_.Path()}) {
    const Run_Result result = Run({"--data-dir", Data_.Path(), "--game-dir", game, "sync"});
    EXPECT_EQ(result.Status, 1);
    EXPECT_EQ(result.Err, "error: Couldn't find Quake 3 Arena.\n");
  }
  // Without --game-dir and without a stored one.
  const Run_Result result = Run({"--data-dir", Data_.Path(), "mods"});
  EXPECT_EQ(result.Status, 1);
  EXPECT_EQ(result.Err, "error: Couldn't find Quake 3 Arena.\n");
  EXPECT_FALSE(fs::exists(Data_ / "mapsdb.dat"));
  EXPECT_FALSE(fs::exists(Config_ / "Tolmarine"));
}

TEST_F(Cli, The_Game_Directory_Is_Stored_Unless_Saving_Is_Off) {
  // With --no-save the setting is not written, so the next run has no game directory.
  Run_Result result = Run_With_Dirs({"--no-save", "mods"});
  ASSERT_EQ(result.Status, 0) << result.Err;
  result = Run({"--data-dir", Data_.Path(), "mods"});
  EXPECT_EQ(result.Status, 1);

  result = Run_With_Dirs({"mods"});
  ASSERT_EQ(result.Status, 0) << result.Err;
  result = Run({"--data-dir", Data_.Path(), "mods"});
  EXPECT_EQ(result.Status, 0) << result.Err;
  // TEMP is gone after every close.
  EXPECT_FALSE(fs::exists(Data_ / "TEMP"));
}

TEST_F(Cli, Questions_Are_Answered_No_Unless_Yes_Is_Given) {
  // The files of an older version make the start-up ask before removing them.
  Write_File(Data_ / "mapslist.dat", "old");
  Write_File(Data_ / "mapstree.dat", "old");
  const std::string question =
      "confirmation: You haven't uninstalled an older version of Vorlix completely before "
      "installing this one. Shall Vorlix remove the old files for you?";
  Run_Result result = Run_With_Dirs({"mods"});
  EXPECT_EQ(result.Status, 1);
  EXPECT_EQ(result.Err, question + " -> No\n");
  EXPECT_TRUE(fs::exists(Data_ / "mapslist.dat"));

  result = Run_With_Dirs({"--yes", "--no-save", "mods"});
  EXPECT_EQ(result.Status, 0);
  EXPECT_EQ(result.Err.rfind(question + " -> Yes\n", 0), 0u) << result.Err;
  EXPECT_FALSE(fs::exists(Data_ / "mapslist.dat"));
  EXPECT_FALSE(fs::exists(Data_ / "mapstree.dat"));
}

}  // namespace
}  // namespace vorlix
