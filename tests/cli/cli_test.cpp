// vorlix-cli end to end: the real program on installations generated in temporary folders, with
// its settings file kept in a folder of the test's own.

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "builders.h"
#include "vorlix_version.h"

namespace vorlix {
namespace {

namespace fs = std::filesystem;
using testing::Entity_Text;
using testing::Make_Bsp;
using testing::Read_File;
using testing::TTemp_Dir;
using testing::Write_File;
using testing::Write_Pk3;

struct Run_Result {
  int Status = -1;
  std::string Out;
  std::string Err;
};

std::string Quote(const std::string& word) {
  std::string quoted = "'";
  for (char c : word) {
    quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  }
  return quoted + "'";
}

// A generated installation, a data folder and a settings folder.
class Cli : public ::testing::Test {
 protected:
  Cli() {
    Write_File(Game_ / "QUAKE3.EXE", "stand-in");
    const std::string bots =
        "{\nname\tSarge\nmodel\tsarge\n}\n{\nname\tMajor\nmodel\tmajor/daemia\n}\n";
    Write_Pk3(Game_ / "baseq3/pak0.pk3", {{"maps/q3dm1.bsp", Make_Bsp(Entity_Text("Arena Gate"))},
                                          {"maps/q3dm1.aas", "aas"},
                                          {"scripts/bots.txt", bots}});
    Write_Pk3(Game_ / "baseq3/zz_extra.pk3",
              {{"maps/extra1.bsp", Make_Bsp(Entity_Text("Extra One"))},
               {"levelshots/extra1.jpg", "jpg"}});
    Write_Pk3(Game_ / "MyMod/mymod.pk3",
              {{"maps/mm1.bsp", Make_Bsp(Entity_Text("Mod Map"))},
               {"Scripts/Bots.txt", "{\nname Modder\nmodel grunt/stripe\n}\n"}});
    fs::create_directories(Game_ / "Extras");
    fs::create_directories(Game_ / ".hidden");
  }

  Run_Result Run(const std::vector<std::string>& words) {
    std::string command = "XDG_CONFIG_HOME=" + Quote(Config_.Path()) + " " + Quote(VORLIX_CLI_PATH);
    for (const auto& word : words) {
      command += " " + Quote(word);
    }
    command += " >" + Quote(Output_ / "out") + " 2>" + Quote(Output_ / "err");
    const int raw = std::system(command.c_str());
    Run_Result result;
    result.Status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    result.Out = Read_File(Output_ / "out");
    result.Err = Read_File(Output_ / "err");
    return result;
  }

  // The usual options in front of the words.
  Run_Result Run_With_Dirs(const std::vector<std::string>& words) {
    std::vector<std::string> all{"--data-dir", Data_.Path(), "--game-dir", Game_.Path()};
    all.insert(all.end(), words.begin(), words.end());
    return Run(all);
  }

  TTemp_Dir Game_;
  TTemp_Dir Data_;
  TTemp_Dir Config_;
  TTemp_Dir Output_;
};

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
  EXPECT_EQ(result.Err, question + " -> Yes\n");
  EXPECT_FALSE(fs::exists(Data_ / "mapslist.dat"));
  EXPECT_FALSE(fs::exists(Data_ / "mapstree.dat"));
}

}  // namespace
}  // namespace vorlix
