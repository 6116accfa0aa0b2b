#include "core/settings.h"

#include <cstdlib>
#include <filesystem>

#include <sys/stat.h>

#include <gtest/gtest.h>

#include "builders.h"
#include "scripted_interaction.h"

namespace fs = std::filesystem;

namespace vorlix {
namespace {

using testing::Read_File;
using testing::TScripted_Interaction;
using testing::TTemp_Dir;
using testing::Write_File;

class Settings_Test : public ::testing::Test {
 protected:
  void SetUp() override { ::setenv("XDG_CONFIG_HOME", config.Path().c_str(), 1); }
  void TearDown() override { ::unsetenv("XDG_CONFIG_HOME"); }
  void Write_Settings(const std::string& body) {
    Write_File(config / "Tolmarine/Vorlix.conf", "[Settings]\n" + body);
  }
  TTemp_Dir config;
  TScripted_Interaction user;
};

TEST_F(Settings_Test, First_Start_Reads_Defaults_Save_Writes_Q3A_Dir_Or_Reports_Failure) {
  EXPECT_EQ(Settings_File_Path(), config / "Tolmarine/Vorlix.conf");
  const TRegistry_Values empty = Load_Registry_Settings();
  EXPECT_EQ(empty.Q3A_Dir, "");
  EXPECT_FALSE(empty.Dev_Comp);

  EXPECT_TRUE(Save_Registry_Settings("/games/Quake III Arena"));
  EXPECT_NE(Read_File(Settings_File_Path()).find("[Settings]"), std::string::npos);
  EXPECT_EQ(Load_Registry_Settings().Q3A_Dir, "/games/Quake III Arena");
  // The same directory again leaves the file alone; another one replaces the value.
  struct stat before {};
  struct stat after {};
  ASSERT_EQ(::stat(Settings_File_Path().c_str(), &before), 0);
  EXPECT_TRUE(Save_Registry_Settings("/games/Quake III Arena"));
  ASSERT_EQ(::stat(Settings_File_Path().c_str(), &after), 0);
  EXPECT_EQ(after.st_ino, before.st_ino);
  EXPECT_TRUE(Save_Registry_Settings("/games/q3"));
  EXPECT_EQ(Load_Registry_Settings().Q3A_Dir, "/games/q3");
  // Paths keep every byte, also those that are not UTF-8.
  EXPECT_TRUE(Save_Registry_Settings("/games/\xFF\xE4 q3"));
  EXPECT_EQ(Load_Registry_Settings().Q3A_Dir, "/games/\xFF\xE4 q3");
  EXPECT_TRUE(Save_Q3A_Exe("/bin/\xFF engine"));
  EXPECT_EQ(Load_Q3A_Exe(), "/bin/\xFF engine");

  // A link to nowhere where the program's folder belongs: the save fails, and the folder that
  // would hold it is writable, so no reason is made up.
  ::setenv("XDG_CONFIG_HOME", (config / "dangling").c_str(), 1);
  fs::create_directory(config / "dangling");
  fs::create_symlink(config / "nowhere", config / "dangling/Tolmarine");
  const TResult<void> refused = Save_Registry_Settings("/q3");
  ASSERT_FALSE(refused);
  EXPECT_EQ(refused.Message(), "Vorlix couldn't write its settings to " + Settings_File_Path() +
                                   ". The game directory will not be remembered.");

  Write_File(config / "blocker", "not a folder");
  ::setenv("XDG_CONFIG_HOME", (config / "blocker").c_str(), 1);
  const TResult<void> saved = Save_Registry_Settings("/q3");
  ASSERT_FALSE(saved);
  // The file and the system's reason.
  EXPECT_NE(saved.Message().find("couldn't write its settings to " + Settings_File_Path() +
                                 " (Not a directory)."),
            std::string::npos)
      << saved.Message();
}

TEST_F(Settings_Test, Dev_Comp_Counts_Only_As_Non_Zero_Integer) {
  const std::pair<const char*, bool> cases[] = {
      {"DEV_COMP=1\n", true},    {"DEV_COMP=-3\n", true}, {"DEV_COMP=0\n", false},
      {"DEV_COMP=yes\n", false}, {"DEV_COMP=\n", false},  {"DEV_COMP=99999999999\n", false},
      {"Q3A_DIR=/q3\n", false},
  };
  for (const auto& [body, expected] : cases) {
    Write_Settings(body);
    EXPECT_EQ(Load_Registry_Settings().Dev_Comp, expected) << body;
  }
  // Saving the game directory keeps a hand-set DEV_COMP.
  Write_Settings("DEV_COMP=1\n");
  ASSERT_TRUE(Save_Registry_Settings("/q3"));
  EXPECT_TRUE(Load_Registry_Settings().Dev_Comp);
}

// ---- upgrade check ----

const char* const Question =
    "You haven't uninstalled an older version of Vorlix completely before installing this one. "
    "Shall Vorlix remove the old files for you?";
const char* const Failure =
    "Vorlix couldn't remove the old files. Please do this by your own. Vorlix won't run otherwise.";

TEST(Check_Old_Version, Runs_Without_Marker_Or_After_Yes_Stops_After_No) {
  TTemp_Dir program;
  Write_File(program / "mapstree.dat", "tree");
  Write_File(program / "mapsdb.dat", "db");
  TScripted_Interaction user;
  EXPECT_FALSE(Check_Old_Version(program.Path(), user));  // no marker: silently on
  EXPECT_TRUE(user.Messages.empty());
  EXPECT_TRUE(fs::exists(program / "mapstree.dat"));

  // "No" ends without a further message and keeps the files.
  Write_File(program / "mapslist.dat", "old");
  user.Answers.push_back(TAnswer::No);
  EXPECT_TRUE(Check_Old_Version(program.Path(), user));
  EXPECT_EQ(user.Messages, (std::vector<testing::TRecorded_Message>{
                               {TMessage_Kind::Confirmation, Question, TAnswer_Set::Yes_No}}));
  EXPECT_TRUE(fs::exists(program / "mapslist.dat"));
  EXPECT_TRUE(fs::exists(program / "mapstree.dat"));

  // "Yes" removes the marker (in any letter case) and the tree, not the database.
  fs::rename(program / "mapslist.dat", program / "MAPSLIST.DAT");
  user.Answers.push_back(TAnswer::Yes);
  EXPECT_FALSE(Check_Old_Version(program.Path(), user));
  EXPECT_EQ(user.Messages.size(), 2u);
  EXPECT_FALSE(fs::exists(program / "MAPSLIST.DAT"));
  EXPECT_FALSE(fs::exists(program / "mapstree.dat"));
  EXPECT_TRUE(fs::exists(program / "mapsdb.dat"));

  // Without a tree file the old files are gone just the same: the program runs.
  Write_File(program / "mapslist.dat", "old");
  user.Answers.push_back(TAnswer::Yes);
  EXPECT_FALSE(Check_Old_Version(program.Path(), user));
  EXPECT_EQ(user.Messages.size(), 3u);
}

TEST(Check_Old_Version, Failed_Removal_Shows_Error_And_Keeps_Tree) {
  TTemp_Dir program;
  // A marker that cannot be deleted as a file.
  Write_File(program / "mapslist.dat/inside", "x");
  Write_File(program / "mapstree.dat", "tree");
  TScripted_Interaction user;
  user.Answers.push_back(TAnswer::Yes);
  EXPECT_TRUE(Check_Old_Version(program.Path(), user));
  ASSERT_EQ(user.Messages.size(), 2u);
  EXPECT_EQ(user.Messages[1],
            (testing::TRecorded_Message{TMessage_Kind::Error, Failure, TAnswer_Set::Cancel}));
  EXPECT_TRUE(fs::exists(program / "mapstree.dat"));
}

}  // namespace
}  // namespace vorlix
