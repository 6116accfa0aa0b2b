// vorlix-cli meeting what others put into the data folder and the game directory: links at the
// names of its scratch files, FIFOs, devices and directories in place of its data files, and
// rename targets where the game would never find the archive.

#include <sys/stat.h>

#include "cli_runner.h"

namespace vorlix::testing {
namespace {

std::size_t Count_Of(const std::string& text, const std::string& part) {
  std::size_t count = 0;
  for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
    ++count;
  }
  return count;
}

class Cli_Files : public Cli {
 protected:
  // Nothing may hang: a command that waits on a FIFO is ended and fails the test.
  Cli_Files() { Command_Prefix_ = "timeout 60 "; }
};

TEST_F(Cli_Files, Scratch_Files_Never_Write_Through_Planted_Links) {
  ASSERT_EQ(Run_With_Dirs({"sync"}).Status, 0);
  Write_File(Output_ / "victim", "not the program's");
  for (const char* name : {"mapsdb.dat.new", "mapstree.dat.new", "gameindex.dat.new",
                           "gameindex.dat.scan", "pk3rename.dat.new"}) {
    fs::create_symlink(Output_ / "victim", Data_ / name);
  }
  // Everything is written again: an archive changed, the tree is missing, a rename is journalled.
  Write_Pk3(Game_ / "baseq3/zz_extra.pk3", {{"maps/extra2.bsp", Make_Bsp(Entity_Text("Two"))}});
  Set_Mtime(Game_ / "baseq3/zz_extra.pk3", 1000000000);
  fs::remove(Data_ / "mapstree.dat");
  TRun_Result result = Run_Data({"rename-pk3", "0", Game_ / "baseq3/renamed.pk3"});
  ASSERT_EQ(result.Status, 0) << result.Err;
  EXPECT_EQ(Read_File(Output_ / "victim"), "not the program's");
  for (const char* name : {"mapsdb.dat", "mapstree.dat", "gameindex.dat"}) {
    SCOPED_TRACE(name);
    EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(Data_ / name)));
  }
  EXPECT_NE(Run_Data({"list"}).Out.find("Two\tEXTRA2\tbaseq3/zz_extra\n"), std::string::npos);
  EXPECT_EQ(Run_Data({"tree"}).Out, "Arenas\n");
}

// The index read from a device or a directory: the answers come from the archives, the reason is
// told once, and the link is replaced by a regular file when the folder allows it.
TEST_F(Cli_Files, A_Game_Index_That_Is_No_Regular_File_Is_Rebuilt_And_Reported_Once) {
  ASSERT_EQ(Run_With_Dirs({"sync"}).Status, 0);
  const std::string answer = Run_Data({"info", "0", "0"}).Out;
  ASSERT_NE(answer.find("bot file\tbaseq3/pak0.pk3\n"), std::string::npos) << answer;
  const std::string index = Data_ / "gameindex.dat";
  fs::remove(index);
  fs::create_symlink("/dev/zero", index);
  TRun_Result result = Run_Data({"info", "0", "0"});
  EXPECT_EQ(result.Status, 0) << result.Err;
  EXPECT_EQ(result.Out, answer);
  EXPECT_EQ(Count_Of(result.Err, "warning: The game index could not be used: "), 1U) << result.Err;
  EXPECT_NE(result.Err.find(index + " is not a regular file"), std::string::npos) << result.Err;
  EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(index)));

  fs::remove(index);
  fs::create_directory(index);
  for (int run = 0; run < 2; ++run) {
    result = Run_Data({"info", "0", "0"});
    EXPECT_EQ(result.Status, 0) << result.Err;
    EXPECT_EQ(result.Out, answer);
    EXPECT_EQ(Count_Of(result.Err, "warning: The game index could not be used: "), 1U)
        << result.Err;
  }
}

TEST_F(Cli_Files, A_FIFO_In_Place_Of_A_Data_File_Is_Damage_And_Never_Waited_On) {
  ASSERT_EQ(Run_With_Dirs({"sync"}).Status, 0);
  fs::remove(Data_ / "mapstree.dat");
  ASSERT_EQ(::mkfifo((Data_ / "mapstree.dat").c_str(), 0600), 0);
  const TRun_Result result = Run_Data({"tree"});
  EXPECT_EQ(result.Status, 1);
  EXPECT_NE(result.Err.find("error: Error loading map information: " + Data_ / "mapstree.dat" +
                            " is not a regular file."),
            std::string::npos)
      << result.Err;
  EXPECT_TRUE(fs::is_fifo(Data_ / "mapstree.dat"));  // nothing is saved over it
}

// A path naming a directory moves the archive into it under its name; a place where neither the
// game nor the synchronisation looks is refused before anything moves.
TEST_F(Cli_Files, Rename_Pk3_Into_A_Directory_Or_Nowhere_The_Game_Looks) {
  ASSERT_EQ(Run_With_Dirs({"sync"}).Status, 0);
  const std::string listing = Run_Data({"list"}).Out;
  fs::create_directories(Game_ / "baseq3/sub");
  const std::vector<std::string> refused = {
      Game_ / "baseq3/sub/",  Game_ / "baseq3/sub/x.pk3", Game_ / "x.pk3",
      Game_.Path() + "/",     Game_.Path() + "/.",        Game_ / "baseq3/..",
      Game_ / "baseq3/x.zip", Game_ / ".hidden/",         Game_ / "baseq3/z_Arenas_x.pk3"};
  for (const std::string& target : refused) {
    SCOPED_TRACE(target);
    const TRun_Result result = Run_Data({"rename-pk3", "0", target});
    EXPECT_EQ(result.Status, 1);
    EXPECT_EQ(result.Err.rfind("error: Couldn't rename pk3-file ", 0), 0U) << result.Err;
    EXPECT_TRUE(fs::exists(Game_ / "baseq3/pak0.pk3"));
  }
  EXPECT_EQ(Run_Data({"list"}).Out, listing);

  for (const std::string& target :
       {Game_ / "MyMod/", Game_ / "baseq3/.", Game_ / "mymod", Game_ / "MyMod/../baseq3/"}) {
    SCOPED_TRACE(target);
    const TRun_Result result = Run_Data({"rename-pk3", "0", target});
    EXPECT_EQ(result.Status, 0) << result.Err;
    EXPECT_NE(result.Err.find("Renamed pak0.pk3 to pak0.pk3 successfully."), std::string::npos)
        << result.Err;
  }
  EXPECT_TRUE(fs::exists(Game_ / "baseq3/pak0.pk3"));
  EXPECT_EQ(Run_Data({"list"}).Out, listing);
}

}  // namespace
}  // namespace vorlix::testing
