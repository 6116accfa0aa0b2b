#include "app/demo_install.h"

#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>

#include <gtest/gtest.h>

#include "app/options.h"
#include "app/startup.h"
#include "builders.h"
#include "core/settings.h"
#include "launch/command_line.h"

namespace vorlix {
namespace {

namespace fs = std::filesystem;
using testing::Read_File;
using testing::TTemp_Dir;
using testing::Write_File;

void Make_Executable(const std::string& path, const std::string& text) {
  Write_File(path, text);
  ::chmod(path.c_str(), 0755);
}

int Run_Shell(const std::string& command) {
  const int status = std::system(command.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// A stand-in for Debian's OpenArena: data folders with archives and an engine (its path holds a
// blank and a quote) that records how it was called.
class Demo_Install : public ::testing::Test {
 protected:
  void SetUp() override {
    Write_File(tmp / "oa/baseoa/pak0.pk3", "zip");
    Write_File(tmp / "oa/baseoa/pak1-maps.PK3", "zip");
    Write_File(tmp / "oa/baseoa/readme.txt", "");
    Write_File(tmp / "oa/missionpack/mp-pak0.pk3", "zip");
    fs::create_directories(tmp / "oa/empty");
    Write_File(tmp / "lib/baseoa/qagamex86_64.so", "module");
    fs::create_directories(tmp / "lib/baseoa/pak6-patch088");
    fs::create_symlink("pak0.pk3", tmp / "lib/baseoa/pak0.pk3");
    Make_Executable(engine, "#!/bin/sh\necho \"$#|$PWD|$*\" > \"" + (tmp / "called") + "\"\n");
    sources.Data_Dir = tmp / "oa";
    sources.Engine = engine;
    sources.Modules_Dir = tmp / "lib";
    ::setenv("XDG_CONFIG_HOME", (tmp / "config").c_str(), 1);
  }
  void TearDown() override { ::unsetenv("XDG_CONFIG_HOME"); }

  TTemp_Dir tmp;
  const std::string engine = tmp / "my engine's";
  TDemo_Sources sources;
};

TEST_F(Demo_Install, Links_Every_Archive_Into_Its_MOD_Folder_With_A_Working_Stand_In) {
  const TDemo_Installation demo = Set_Up_Demo_Installation(tmp / "demo/", sources);
  ASSERT_EQ(demo.Error, "");
  EXPECT_EQ(demo.Game_Dir, tmp / "demo");
  EXPECT_EQ(demo.Engine, tmp / "demo/QUAKE3.EXE");
  EXPECT_EQ(demo.Archives, 3);
  EXPECT_EQ(fs::read_symlink(tmp / "demo/baseoa/pak0.pk3"), fs::path(tmp / "oa/baseoa/pak0.pk3"));
  EXPECT_TRUE(fs::is_symlink(tmp / "demo/baseoa/pak1-maps.PK3"));
  EXPECT_TRUE(fs::is_symlink(tmp / "demo/missionpack/mp-pak0.pk3"));
  EXPECT_FALSE(fs::exists(tmp / "demo/baseoa/readme.txt"));
  EXPECT_FALSE(fs::exists(tmp / "demo/empty"));
  // The engine's game modules beside the archives; the archives come from the data only.
  EXPECT_EQ(fs::read_symlink(tmp / "demo/baseoa/qagamex86_64.so"),
            fs::path(tmp / "lib/baseoa/qagamex86_64.so"));
  EXPECT_TRUE(fs::is_directory(tmp / "demo/baseoa/pak6-patch088"));
  // The start-up accepts it as a game directory, and the stand-in starts the engine on the demo
  // directory (wherever it is started from) with the game's arguments and any others.
  EXPECT_TRUE(Holds_Game_Executable(demo.Game_Dir));
  EXPECT_EQ(Run_Shell("cd / && '" + demo.Engine + "' +set dedicated 1 +map 'a b'"), 0);
  EXPECT_EQ(Read_File(tmp / "called"), "11|/|+set fs_basepath " + demo.Game_Dir +
                                           " +set com_basegame baseoa +set dedicated 1 +map a b\n");
}

TEST_F(Demo_Install, A_Second_Run_Follows_The_Data_And_Keeps_The_Users_Files) {
  ASSERT_EQ(Set_Up_Demo_Installation(tmp / "demo", sources).Error, "");
  Write_File(tmp / "demo/baseoa/z_Arenas_active_mine.pk3", "arena");
  fs::remove(tmp / "oa/baseoa/pak1-maps.PK3");
  Write_File(tmp / "oa/baseoa/pak9-new.pk3", "zip");
  // A link that points elsewhere is put right.
  fs::remove(tmp / "demo/baseoa/pak0.pk3");
  fs::create_symlink(tmp / "elsewhere.pk3", tmp / "demo/baseoa/pak0.pk3");

  const TDemo_Installation again = Set_Up_Demo_Installation(tmp / "demo", sources);
  ASSERT_EQ(again.Error, "");
  EXPECT_EQ(again.Archives, 3);
  EXPECT_FALSE(fs::exists(fs::symlink_status(tmp / "demo/baseoa/pak1-maps.PK3")));
  EXPECT_TRUE(fs::is_symlink(tmp / "demo/baseoa/pak9-new.pk3"));
  EXPECT_EQ(fs::read_symlink(tmp / "demo/baseoa/pak0.pk3"), fs::path(tmp / "oa/baseoa/pak0.pk3"));
  EXPECT_EQ(Read_File(tmp / "demo/baseoa/z_Arenas_active_mine.pk3"), "arena");
  // Modules that went are unlinked on the next run.
  fs::remove(tmp / "lib/baseoa/qagamex86_64.so");
  ASSERT_EQ(Set_Up_Demo_Installation(tmp / "demo", sources).Error, "");
  EXPECT_FALSE(fs::exists(fs::symlink_status(tmp / "demo/baseoa/qagamex86_64.so")));

  // An executable of the user's own in place of the stand-in stays.
  Make_Executable(tmp / "demo/QUAKE3.EXE", "#!/bin/sh\nexit 7\n");
  ASSERT_EQ(Set_Up_Demo_Installation(tmp / "demo", sources).Error, "");
  EXPECT_EQ(Read_File(tmp / "demo/QUAKE3.EXE"), "#!/bin/sh\nexit 7\n");
}

TEST_F(Demo_Install, Without_Engine_The_Stand_In_Fails_And_Without_Data_Nothing_Is_Made) {
  sources.Engine = tmp / "no-engine";
  const TDemo_Installation demo = Set_Up_Demo_Installation(tmp / "demo", sources);
  ASSERT_EQ(demo.Error, "");
  EXPECT_EQ(demo.Engine, "");
  EXPECT_EQ(Run_Shell("'" + (tmp / "demo/QUAKE3.EXE") + "' 2>/dev/null"), 1);
  // Once the engine is there, the next arrangement rewrites the stand-in.
  sources.Engine = engine;
  ASSERT_EQ(Set_Up_Demo_Installation(tmp / "demo", sources).Engine, tmp / "demo/QUAKE3.EXE");
  EXPECT_EQ(Run_Shell("'" + (tmp / "demo/QUAKE3.EXE") + "'"), 0);

  // A data folder without baseoa archives (openarena-data not installed).
  sources.Data_Dir = tmp / "oa/missionpack-only";
  Write_File(tmp / "oa/missionpack-only/missionpack/mp.pk3", "zip");
  const TDemo_Installation missing = Set_Up_Demo_Installation(tmp / "demo2", sources);
  EXPECT_NE(missing.Error.find("openarena-data"), std::string::npos) << missing.Error;
  EXPECT_FALSE(fs::exists(tmp / "demo2/QUAKE3.EXE"));
}

TEST_F(Demo_Install, Options_Store_The_Engine_And_Use_The_Demo_As_Game_Directory) {
  TProgram_Options options{.Demo = true};
  const TStart_Setup setup = Apply_Engine_And_Demo(options, sources, tmp / "demo");
  ASSERT_EQ(setup.Exit_Status, 0) << setup.Error;
  EXPECT_EQ(options.Game_Dir, tmp / "demo");
  EXPECT_EQ(Load_Q3A_Exe(), tmp / "demo/QUAKE3.EXE");

  // --engine wins over the demo's engine; "" removes the stored engine.
  Make_Executable(tmp / "bin/ioquake3", "#!/bin/sh\n");
  TProgram_Options both{.Engine = tmp / "bin/../bin/ioquake3", .Demo = true};
  ASSERT_EQ(Apply_Engine_And_Demo(both, sources, tmp / "demo").Exit_Status, 0);
  EXPECT_EQ(Load_Q3A_Exe(), tmp / "bin/ioquake3");
  TProgram_Options clear{.Engine = ""};
  ASSERT_EQ(Apply_Engine_And_Demo(clear, sources).Exit_Status, 0);
  EXPECT_EQ(Load_Q3A_Exe(), "");
  EXPECT_FALSE(clear.Game_Dir.has_value());

  // The server program is stored beside the engine, looked up the same way, and kept apart.
  TProgram_Options server{.Server_Engine = tmp / "bin/ioquake3"};
  ASSERT_EQ(Apply_Engine_And_Demo(server, sources).Exit_Status, 0);
  EXPECT_EQ(Load_Q3A_Server_Exe(), tmp / "bin/ioquake3");
  EXPECT_EQ(Load_Q3A_Exe(), "");
  server.Server_Engine = tmp / "bin/missing";
  EXPECT_EQ(Apply_Engine_And_Demo(server, sources).Exit_Status, 2);
  server.Server_Engine = "";
  ASSERT_EQ(Apply_Engine_And_Demo(server, sources).Exit_Status, 0);
  EXPECT_EQ(Load_Q3A_Server_Exe(), "");
}

TEST_F(Demo_Install, Wrong_Options_Change_Nothing) {
  ASSERT_TRUE(Save_Q3A_Exe(engine));
  TProgram_Options conflict{.Game_Dir = "/games/q3", .Demo = true};
  EXPECT_EQ(Apply_Engine_And_Demo(conflict, sources, tmp / "demo").Exit_Status, 2);
  EXPECT_FALSE(fs::exists(tmp / "demo"));

  TProgram_Options not_executable;
  Write_File(tmp / "plain", "");
  not_executable.Engine = tmp / "plain";
  EXPECT_EQ(Apply_Engine_And_Demo(not_executable, sources).Exit_Status, 2);
  not_executable.Engine = tmp / "oa";  // a folder
  EXPECT_EQ(Apply_Engine_And_Demo(not_executable, sources).Exit_Status, 2);
  EXPECT_EQ(Load_Q3A_Exe(), engine);

  TProgram_Options no_data{.Demo = true};
  sources.Data_Dir = tmp / "nowhere";
  const TStart_Setup failed = Apply_Engine_And_Demo(no_data, sources, tmp / "demo");
  EXPECT_EQ(failed.Exit_Status, 1);
  EXPECT_FALSE(no_data.Game_Dir.has_value());
}

// Paths and "" are the option tests' above; which folders of PATH count is the program lookup's.
TEST(Resolve_Engine, Bare_Names_Come_From_PATH) {
  TTemp_Dir tmp;
  Make_Executable(tmp / "b/ioquake3", "#!/bin/sh\n");
  const char* old_path = std::getenv("PATH");
  const std::string saved = old_path != nullptr ? old_path : "";
  ::setenv("PATH", ("relative:" + (tmp / "a") + ":" + (tmp / "b")).c_str(), 1);
  EXPECT_EQ(Resolve_Engine("ioquake3"), tmp / "b/ioquake3");
  ::setenv("PATH", saved.c_str(), 1);
}

}  // namespace
}  // namespace vorlix
