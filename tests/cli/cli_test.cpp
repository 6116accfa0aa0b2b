// vorlix-cli end to end: usage, the game directory setting, questions, and the MOD list.

#include <algorithm>

#include "cli_runner.h"
#include "vorlix_version.h"

namespace vorlix::testing {
namespace {

TEST_F(Cli, Wrong_Usage_Exits_With_2_And_Touches_Nothing) {
  const std::vector<std::vector<std::string>> wrong = {
      {},
      {"frobnicate"},
      {"--bogus", "sync"},
      {"sync", "extra"},
      {"--demo", "sync"},  // --demo excludes --game-dir
      {"arena"},
      {"arena", "create", "--mod", "baseq3", "--name", "x"},
      {"arena", "create", "--group", "Arenas", "--name", "x"},
      {"arena", "remove", "--mod", "baseq3"},
  };
  for (const auto& words : wrong) {
    const TRun_Result result = Run_With_Dirs(words);
    SCOPED_TRACE(result.Err);
    EXPECT_EQ(result.Status, 2);
    EXPECT_EQ(result.Err.rfind("error: ", 0), 0u);
    EXPECT_TRUE(result.Out.empty());
  }
  EXPECT_NE(Run_With_Dirs({"--demo", "sync"}).Err.find("--demo and --game-dir"), std::string::npos);
  // Not even the data folder's files: nothing ran.
  EXPECT_TRUE(fs::is_empty(Data_.Path()));
  EXPECT_FALSE(fs::exists(Config_ / "Tolmarine"));
}

TEST_F(Cli, Help_And_Version) {
  TRun_Result result = Run({"--help"});
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

TEST_F(Cli, The_Game_Directory_Must_Be_Valid_And_Is_Stored_Unless_Saving_Is_Off) {
  // Not there, not a game directory, or neither given nor stored.
  for (const auto& words :
       std::vector<std::vector<std::string>>{{"--game-dir", Data_ / "nowhere", "sync"},
                                             {"--game-dir", Data_.Path(), "sync"},
                                             {"mods"}}) {
    const TRun_Result result = Run_Data(words);
    EXPECT_EQ(result.Status, 1);
    EXPECT_EQ(result.Err, "error: Couldn't find Quake 3 Arena.\n");
  }
  EXPECT_FALSE(fs::exists(Data_ / "mapsdb.dat"));
  EXPECT_FALSE(fs::exists(Config_ / "Tolmarine"));

  // With --no-save the setting is not written, so the next run has no game directory.
  ASSERT_EQ(Run_With_Dirs({"--no-save", "mods"}).Status, 0);
  EXPECT_EQ(Run_Data({"mods"}).Status, 1);

  // The MOD list carries the bots read from the archives' bot scripts.
  TRun_Result result = Run_With_Dirs({"mods"});
  ASSERT_EQ(result.Status, 0) << result.Err;
  EXPECT_NE(result.Out.find("MYMOD\town\t1\n\tModder\tgrunt/stripe\tmymod.pk3\n"),
            std::string::npos)
      << result.Out;
  result = Run_Data({"mods"});
  EXPECT_EQ(result.Status, 0) << result.Err;
}

TEST_F(Cli, An_Unusable_Data_Folder_Or_Archive_Is_One_Message) {
  // A data folder that cannot be made: one message naming it and the way out, exit status 1;
  // with --no-save the command works without it.
  Write_File(Data_ / "file", "");
  const std::string blocked = Data_ / "file/data";
  TRun_Result result = Run({"--data-dir", blocked, "--game-dir", Game_.Path(), "list"});
  EXPECT_EQ(result.Status, 1);
  EXPECT_EQ(result.Err, "error: The data folder " + blocked +
                            " cannot be written: Not a directory. Give another folder with "
                            "--data-dir, or use --no-save to work without saving.\n");
  result = Run({"--data-dir", blocked, "--game-dir", Game_.Path(), "--no-save", "list"});
  EXPECT_EQ(result.Status, 0) << result.Err;
  EXPECT_EQ(result.Err, "");
  EXPECT_NE(result.Out.find("Arena Gate"), std::string::npos);

  // An archive that is no ZIP archive: named once with its reason, then not again until it
  // changes.
  Write_File(Game_ / "baseq3/broken.pk3", "not an archive");
  const std::string told = "warning: The archive " + Game_ / "baseq3/broken.pk3" +
                           " cannot be read: Not a zip archive. It may be damaged";
  for (const char* content : {"", "not an archive, again"}) {
    if (*content != '\0') {
      Write_File(Game_ / "baseq3/broken.pk3", content);
    }
    result = Run_With_Dirs({"list"});
    EXPECT_EQ(result.Status, 0);
    EXPECT_EQ(result.Err.rfind(told, 0), 0U) << result.Err;
    EXPECT_EQ(std::count(result.Err.begin(), result.Err.end(), '\n'), 1);
    EXPECT_EQ(Run_With_Dirs({"list"}).Err, "");
  }
}

TEST_F(Cli, Questions_Are_Answered_No_Unless_Yes_Is_Given) {
  // The files of an older version make the start-up ask before removing them.
  Write_File(Data_ / "mapslist.dat", "old");
  const std::string question =
      "confirmation: You haven't uninstalled an older version of Vorlix completely before "
      "installing this one. Shall Vorlix remove the old files for you?";
  TRun_Result result = Run_With_Dirs({"mods"});
  EXPECT_EQ(result.Status, 1);
  EXPECT_EQ(result.Err, question + " -> No\n");

  result = Run_With_Dirs({"--yes", "--no-save", "mods"});
  EXPECT_EQ(result.Status, 0);
  EXPECT_EQ(result.Err.rfind(question + " -> Yes\n", 0), 0u) << result.Err;
}

}  // namespace
}  // namespace vorlix::testing
