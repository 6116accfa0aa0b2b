// vorlix-cli end to end with the database: sync, the listings, launch and the pk3 commands.

#include <sys/stat.h>

#include "cli_runner.h"

namespace vorlix::testing {
namespace {

TEST_F(Cli, Sync_Writes_The_Database_And_The_Listings_Show_It) {
  TRun_Result result = Run_With_Dirs({"sync"});
  ASSERT_EQ(result.Status, 0) << result.Err;
  EXPECT_EQ(result.Out, "");
  ASSERT_TRUE(fs::exists(Data_ / "mapsdb.dat"));
  EXPECT_TRUE(fs::exists(Data_ / "mapstree.dat"));
  EXPECT_TRUE(fs::exists(Data_ / "gameindex.dat"));  // the start-up's scan fills the game index
  const std::string first = Read_File(Data_ / "mapsdb.dat");
  // Nothing changed: the game index is left alone (an atomic write would give it a new inode).
  struct stat index_before {};
  ASSERT_EQ(::stat((Data_ / "gameindex.dat").c_str(), &index_before), 0);
  ASSERT_EQ(Run_Data({"sync"}).Status, 0);
  EXPECT_EQ(Read_File(Data_ / "mapsdb.dat"), first);
  struct stat index_after {};
  ASSERT_EQ(::stat((Data_ / "gameindex.dat").c_str(), &index_after), 0);
  EXPECT_EQ(index_after.st_ino, index_before.st_ino);

  // Sorted by the Filename column, as the main window lists them.
  result = Run_Data({"list"});
  ASSERT_EQ(result.Status, 0) << result.Err;
  EXPECT_EQ(result.Out,
            "Extra One\tEXTRA1\tbaseq3/zz_extra\n"
            "Mod Map\tMM1\tmymod/mymod\n"
            "Arena Gate\tQ3DM1\tbaseq3/pak0\n");

  // --no-save leaves the stored file as it was, even when the disk changed.
  fs::remove(Game_ / "baseq3/zz_extra.pk3");
  ASSERT_EQ(Run_Data({"--no-save", "sync"}).Status, 0);
  EXPECT_EQ(Read_File(Data_ / "mapsdb.dat"), first);
}

TEST_F(Cli, Launch_Starts_The_Stored_Engine_Or_Prints_The_Command_Line) {
  const TGame_Recorder game(Output_ / "engine dir/recorder");
  // Alone, --engine stores the engine and runs no start-up.
  TRun_Result result = Run({"--engine", game.Script});
  ASSERT_EQ(result.Status, 0) << result.Err;
  EXPECT_NE(Settings().find("Q3A_EXE=" + game.Script), std::string::npos);
  EXPECT_TRUE(fs::is_empty(Data_.Path()));

  // The game is started in the game directory and not waited for.
  result = Run_With_Dirs({"launch", "0", "0"});
  ASSERT_EQ(result.Status, 0) << result.Err;
  EXPECT_EQ(result.Out, game.Script + Q3dm1_Arguments + "\n");
  EXPECT_EQ(game.Wait(),
            Game_.Path() +
                "\n+set\nfs_game\nbaseq3\n+seta\ng_gametype\n0\n+map\nQ3DM1\n"
                "+sv_maxclients\n8\n+timelimit\n0\n+fraglimit\n20\n+capturelimit\n8\n");

  // --engine "" goes back to the game directory's QUAKE3.EXE, also in front of a command.
  result = Run_With_Dirs({"--engine", "", "launch", "0", "0", "--dry-run"});
  ASSERT_EQ(result.Status, 0) << result.Err;
  EXPECT_EQ(result.Out, Game_.Path() + "/QUAKE3.EXE" + Q3dm1_Arguments + "\n");
  result = Run_Data({"launch", "0", "77", "--dry-run"});
  EXPECT_EQ(result.Status, 1);
  EXPECT_EQ(result.Err, "error: There is no map with the pk3 ID 0 and the map ID 77.\n");
}

TEST_F(Cli, A_Launch_Warns_When_The_Engine_Cannot_Keep_Every_Archive_Open) {
  // An engine script that starts ioquake3, which keeps each archive open, and 45 more archives.
  const std::string engine = Game_ / "q3-ioq3";
  Write_File(engine, "#!/bin/sh\nexec /usr/lib/ioquake3/ioquake3 \"$@\"\n");
  fs::permissions(engine, fs::perms::owner_exec, fs::perm_options::add);
  ASSERT_EQ(Run_With_Dirs({"sync"}).Status, 0);
  for (int i = 0; i < 45; ++i) {
    Write_Pk3(Game_ / ("baseq3/more" + std::to_string(100 + i) + ".pk3"), {{"readme.txt", "x"}});
  }
  ASSERT_EQ(Run_With_Dirs({"sync"}).Status, 0);
  TRun_Result result = Run_Data({"--engine", engine, "launch", "0", "0", "--dry-run"});
  ASSERT_EQ(result.Status, 0) << result.Err;
  EXPECT_EQ(result.Err.find("The engine keeps every archive open"), std::string::npos)
      << result.Err;
  // Under an open-file limit of 40 the engine opens 35 of the 47 and leaves out the 12 it
  // searches first; the launch goes on.
  Command_Prefix_ = "prlimit --nofile=40 ";
  result = Run_Data({"--engine", engine, "launch", "0", "0", "--dry-run"});
  ASSERT_EQ(result.Status, 0) << result.Err;
  EXPECT_NE(result.Err.find("warning: The engine keeps every archive open: of the 47 archives in "
                            "its search path it can open only 35 and leaves out the 12 searched "
                            "first (baseq3/zz_extra.pk3, baseq3/pak0.pk3, baseq3/more144.pk3, "),
            std::string::npos)
      << result.Err;
  EXPECT_EQ(result.Out, engine + Q3dm1_Arguments + "\n");
  // Room to open them all still leaves too little for the engine's own files.
  Command_Prefix_ = "prlimit --nofile=60 ";
  result = Run_Data({"--engine", engine, "launch", "0", "0", "--dry-run"});
  EXPECT_NE(result.Err.find("room for at most 40 beside its own files"), std::string::npos)
      << result.Err;
  // engines check: the engine, its limit and the MOD's archives; a dedicated server, which opens
  // fewer files of its own, has room for them under the same limit.
  result = Run_Data({"engines", "check", "--mod", "baseq3"});
  ASSERT_EQ(result.Status, 0) << result.Err;
  EXPECT_EQ(result.Out, "engine\t" + engine +
                            "\nkeeps its archives open\tyes\nopen-file limit\t60\nbaseq3\t47 "
                            "archives\n");
  EXPECT_NE(result.Err.find("warning: baseq3: The engine keeps every archive open"),
            std::string::npos)
      << result.Err;
  result = Run_Data({"--server-engine", engine, "engines", "check", "--mod", "baseq3", "--server"});
  ASSERT_EQ(result.Status, 0) << result.Err;
  EXPECT_EQ(result.Err.find("warning"), std::string::npos) << result.Err;
  // and the system info a pure server of the MOD sends, far below the engine's 8191 bytes.
  EXPECT_NE(result.Out.find("\nbaseq3\t47 archives\nbaseq3\tsystem info "), std::string::npos)
      << result.Out;

  // Another engine is not asked about.
  Command_Prefix_ = "prlimit --nofile=40 ";
  result = Run_With_Dirs({"--engine", "", "launch", "0", "0", "--dry-run"});
  EXPECT_EQ(result.Err.find("The engine keeps"), std::string::npos) << result.Err;
  fs::permissions(Game_ / "QUAKE3.EXE", fs::perms::owner_exec, fs::perm_options::add);
  result = Run_Data({"engines", "check"});
  ASSERT_EQ(result.Status, 0) << result.Err;
  EXPECT_NE(result.Out.find("keeps its archives open\tno\n"), std::string::npos) << result.Out;
  EXPECT_NE(result.Out.find("\nMYMOD\t48 archives\n"), std::string::npos) << result.Out;
  EXPECT_EQ(result.Err.find("warning"), std::string::npos) << result.Err;
  // A stored engine that is gone.
  ASSERT_EQ(Run_Data({"--engine", engine, "engines", "check"}).Status, 0);
  std::filesystem::remove(engine);
  result = Run_Data({"engines", "check"});
  EXPECT_EQ(result.Status, 1);
  EXPECT_NE(result.Err.find("q3-ioq3\" was not found"), std::string::npos) << result.Err;
}

TEST_F(Cli, Rename_Pk3_Keeps_The_Map_IDs_And_Delete_Pk3_Asks) {
  ASSERT_EQ(Run_With_Dirs({"sync"}).Status, 0);
  TRun_Result result = Run_Data({"rename-pk3", "0", Game_ / "baseq3/renamed.pk3"});
  ASSERT_EQ(result.Status, 0) << result.Err;
  EXPECT_NE(Run_Data({"list"}).Out.find("Arena Gate\tQ3DM1\tbaseq3/renamed\n"), std::string::npos);
  EXPECT_EQ(Run_Data({"launch", "0", "0", "--dry-run"}).Out,
            Game_.Path() + "/QUAKE3.EXE" + Q3dm1_Arguments + "\n");

  const auto entries = [&] {
    return std::distance(fs::recursive_directory_iterator(Game_.Path()), {});
  };
  const auto before = entries();
  result = Run_Data({"delete-pk3", "1"});
  EXPECT_EQ(result.Status, 1);
  EXPECT_NE(result.Err.find("confirmation: "), std::string::npos) << result.Err;
  EXPECT_NE(result.Err.find(" -> No\n"), std::string::npos) << result.Err;
  EXPECT_EQ(entries(), before);

  result = Run_Data({"--yes", "delete-pk3", "1"});
  EXPECT_EQ(result.Status, 0) << result.Err;
  EXPECT_NE(result.Err.find("\ninformation: zz_extra.pk3 was successfully deleted.\n"),
            std::string::npos)
      << result.Err;
  EXPECT_EQ(entries(), before - 1);

  result = Run_Data({"--yes", "delete-pk3", "99"});
  EXPECT_EQ(result.Status, 1);
  EXPECT_EQ(result.Err, "error: There is no pk3 file with the ID 99.\n");
}

}  // namespace
}  // namespace vorlix::testing
