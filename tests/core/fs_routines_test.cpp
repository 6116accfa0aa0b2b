#include "core/fs_routines.h"

#include <cerrno>
#include <cstring>
#include <filesystem>

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "builders.h"

namespace fs = std::filesystem;

namespace vorlix {
namespace {

using testing::TTemp_Dir;
using testing::Write_File;

TEST(Create_Directory_Path, Creates_Missing_Components_In_Lower_Case_Only) {
  TTemp_Dir tmp;
  fs::create_directory(tmp / "Games");
  Create_Directory_Path(tmp / "Games/Quake/BASEQ3");
  EXPECT_TRUE(fs::is_directory(tmp / "Games/quake/baseq3"));
  EXPECT_FALSE(fs::exists(tmp / "games"));

  // A trailing separator behaves like none; an existing component found ignoring case is reused.
  Create_Directory_Path(tmp / "GAMES/QUAKE/Levelshots/");
  EXPECT_TRUE(fs::is_directory(tmp / "Games/quake/levelshots"));
  EXPECT_FALSE(fs::exists(tmp / "games"));
  Create_Directory_Path(tmp.Path() + "\\Games\\Quake\\Bots");
  EXPECT_TRUE(fs::is_directory(tmp / "Games/quake/bots"));
}

TEST(Create_Directory_Path, Fails_For_An_Existing_Or_Impossible_Directory) {
  TTemp_Dir tmp;
  fs::create_directory(tmp / "temp");
  EXPECT_THROW(Create_Directory_Path(tmp / "temp"), TFile_Error);
  EXPECT_THROW(Create_Directory_Path(tmp / "TEMP"), TFile_Error);
  Write_File(tmp / "file", "x");
  EXPECT_THROW(Create_Directory_Path(tmp / "file/sub"), TFile_Error);
}

TEST(Delete_Directory_Tree, Removes_Read_Only_And_Hidden_Entries_And_Links_Without_Following) {
  TTemp_Dir tmp;
  EXPECT_TRUE(Delete_Directory_Tree(tmp / "nothing"));  // a missing directory is gone
  Write_File(tmp / "TEMP/a/ro.txt", "x");
  Write_File(tmp / "TEMP/.hidden/b", "y");
  Write_File(tmp / "outside/keep.txt", "keep");
  fs::permissions(tmp / "TEMP/a/ro.txt", fs::perms::owner_read);
  fs::permissions(tmp / "TEMP/a", fs::perms::owner_read | fs::perms::owner_exec);
  fs::create_directory_symlink(tmp / "outside", tmp / "TEMP/link");
  fs::create_directory_symlink(tmp / "TEMP", tmp / "TEMP/loop");
  fs::create_symlink(tmp / "outside/keep.txt", tmp / "TEMP/file_link");
  EXPECT_TRUE(Delete_Directory_Tree(tmp / "TEMP"));
  EXPECT_FALSE(fs::exists(tmp / "TEMP"));
  EXPECT_TRUE(fs::exists(tmp / "outside/keep.txt"));

  // A link standing in for the directory itself goes; its target stays. A plain file stays.
  fs::create_directory_symlink(tmp / "outside", tmp / "TEMP2");
  EXPECT_TRUE(Delete_Directory_Tree(tmp / "TEMP2"));
  EXPECT_TRUE(fs::exists(tmp / "outside/keep.txt"));
  EXPECT_FALSE(Delete_Directory_Tree(tmp / "outside/keep.txt"));
  EXPECT_TRUE(fs::exists(tmp / "outside/keep.txt"));
}

TEST(Delete_Directory_Tree, Reports_A_Tree_It_Cannot_Remove) {
  if (::geteuid() == 0) {
    GTEST_SKIP() << "root may delete anything";
  }
  TTemp_Dir tmp;
  Write_File(tmp / "parent/TEMP/f", "x");
  // The parent is read-only and not ours to change: the folder cannot go.
  fs::permissions(tmp / "parent", fs::perms::owner_read | fs::perms::owner_exec);
  EXPECT_FALSE(Delete_Directory_Tree(tmp / "parent/TEMP"));
  EXPECT_TRUE(fs::exists(tmp / "parent/TEMP"));
}

// A scratch file never writes through a link planted at its name, never keeps what an earlier
// run left there, and a directory at the name is an error rather than something removed.
TEST(Create_Scratch_File, Replaces_Links_And_Stale_Files_And_Never_Follows_Them) {
  TTemp_Dir tmp;
  Write_File(tmp / "victim", "someone else's");
  fs::create_symlink(tmp / "victim", tmp / "x.new");
  Write_File(tmp / "y.new", "left by a crash, longer than what comes");
  for (const char* name : {"x.new", "y.new"}) {
    SCOPED_TRACE(name);
    const int fd = Create_Scratch_File(tmp / name);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::write(fd, "new", 3), 3);
    ::close(fd);
    EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(tmp / name)));
    EXPECT_EQ(testing::Read_File(tmp / name), "new");
  }
  EXPECT_EQ(testing::Read_File(tmp / "victim"), "someone else's");
  fs::create_directory(tmp / "z.new");
  try {
    Create_Scratch_File(tmp / "z.new");
    ADD_FAILURE() << "a directory was taken for a scratch file";
  } catch (const TFile_Error& error) {
    EXPECT_NE(std::string(error.what()).find(std::strerror(EISDIR)), std::string::npos);
  }
  EXPECT_TRUE(fs::is_directory(tmp / "z.new"));
}

TEST(Text_Routines, Quotes_And_Extension) {
  EXPECT_EQ(Remove_Quotes("\"q3dm1\" \"x\"y"), "q3dm1 xy");
  EXPECT_EQ(Remove_Extension("Q3DM17.BSP"), "Q3DM17");
  EXPECT_EQ(Remove_Extension("noext"), "noext");
  EXPECT_EQ(Remove_Extension("a.bsp.bsp"), "a.bsp");
  EXPECT_EQ(Remove_Extension("dir.d/file"), "dir.d/file");
  EXPECT_EQ(Remove_Extension("c:\\dir.bsp\\x.bsp"), "c:\\dir.bsp\\x");
}

TEST(Shorten_Path, Keeps_Head_And_Tail_Within_The_Maximum) {
  const std::string path = "/home/player/games/quake3/baseq3/pak0_really_long_name.pk3";
  EXPECT_EQ(Shorten_Path(path, static_cast<int>(path.size())), path);
  EXPECT_EQ(Shorten_Path(path, 3), path);
  const std::string short30 = Shorten_Path(path, 30);
  EXPECT_EQ(short30.size(), 30u);
  EXPECT_EQ(short30, "/..." + path.substr(path.size() - 26));
  EXPECT_EQ(Shorten_Path("C:\\Games\\Quake III Arena\\baseq3\\pak0.pk3", 30),
            "C:\\...II Arena\\baseq3\\pak0.pk3");
  EXPECT_EQ(Shorten_Path("abcdefghijklmnopqrstuvwxyz", 10), "...tuvwxyz");
  // A head too long for a small maximum is cut, never the maximum exceeded.
  EXPECT_EQ(Shorten_Path("longhead/tail", 5), "lo...");
  EXPECT_EQ(Shorten_Path("longhead/tail", 7), "lon...l");
}

TEST(Text_To_Number, Converts_Whole_Text_Or_Raises) {
  const std::pair<const char*, std::int32_t> numbers[] = {{"", 0},
                                                          {"  \t\r\n", 0},
                                                          {"12", 12},
                                                          {"  -7", -7},
                                                          {"+5", 5},
                                                          {"-2147483648", INT32_MIN},
                                                          {"2147483647", INT32_MAX}};
  for (const auto& [text, value] : numbers) {
    EXPECT_EQ(Text_To_Number(text), value) << text;
  }
  for (const char* text : {"12 ", "1x", "-", "2147483648", "99999999999999999999"}) {
    EXPECT_THROW(Text_To_Number(text), TConversion_Error) << text;
  }
}

}  // namespace
}  // namespace vorlix
