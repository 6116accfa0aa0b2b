#include "core/install_layout.h"

#include <filesystem>

#include <gtest/gtest.h>

#include "builders.h"

namespace vorlix {
namespace {

namespace fs = std::filesystem;
using testing::TTemp_Dir;
using testing::Write_File;

TEST(User_Data_Home, Absolute_XDG_Wins_Else_Home_Local_Share) {
  EXPECT_EQ(User_Data_Home("/x/data/", "/home/u"), "/x/data");
  EXPECT_EQ(User_Data_Home("", "/home/u"), "/home/u/.local/share");
  // A relative XDG_DATA_HOME is invalid and ignored.
  EXPECT_EQ(User_Data_Home("rel/data", "/home/u/"), "/home/u/.local/share");
}

TEST(Choose_Program_Directory, Portable_Build_Keeps_Its_Dir_Installed_Uses_User_Data) {
  const std::string user = "/home/u/.local/share/vorlix";
  EXPECT_EQ(Choose_Program_Directory("/work/build", false, true, user), "/work/build");
  EXPECT_EQ(Choose_Program_Directory("/opt/vx/bin", false, false, user), user);
  // An installed program writes to the user's data even where the user could write to bin/
  // (root running /usr/local/bin/vorlix).
  EXPECT_EQ(Choose_Program_Directory("/usr/local/bin", true, true, user), user);
}

TEST(Install_Layout, Bin_Beside_Share_Vorlix_Is_An_Installation) {
  TTemp_Dir tmp;
  fs::create_directories(tmp / "prefix/bin");
  fs::create_directories(tmp / "build");
  EXPECT_EQ(Shared_Data_Directory(tmp / "prefix/bin"), tmp / "prefix/share/vorlix");
  EXPECT_FALSE(Is_Installed_Layout(tmp / "prefix/bin"));  // no share/vorlix yet
  fs::create_directories(tmp / "prefix/share/vorlix");
  EXPECT_TRUE(Is_Installed_Layout(tmp / "prefix/bin"));
  EXPECT_TRUE(Is_Installed_Layout(tmp / "prefix/bin/"));
  // A build folder beside a share/vorlix is not bin/.
  fs::create_directories(tmp / "share/vorlix");
  EXPECT_FALSE(Is_Installed_Layout(tmp / "build"));
  EXPECT_TRUE(Is_Writable_Directory(tmp / "build"));
  EXPECT_FALSE(Is_Writable_Directory(tmp / "missing"));
}

TEST(Find_GFX_Directory, Program_Dir_Then_Executable_Dir_Then_Shared_Data) {
  TTemp_Dir tmp;
  const std::string data = tmp / "home/.local/share/vorlix";
  const std::string bin = tmp / "prefix/bin";
  fs::create_directories(data);
  fs::create_directories(bin);
  EXPECT_EQ(GFX_Search_Directories(data, bin),
            (std::vector<std::string>{data, bin, tmp / "prefix/share/vorlix"}));
  // Portable: program dir and executable dir are one, searched once.
  EXPECT_EQ(GFX_Search_Directories(bin, bin + "/"),
            (std::vector<std::string>{bin, tmp / "prefix/share/vorlix"}));

  // Nothing anywhere: the program directory's GFX (as the pictures would be put there).
  EXPECT_EQ(Find_GFX_Directory(data, bin), data + "/GFX");
  Write_File(tmp / "prefix/share/vorlix/GFX/NOLEVELSHOTAVAILABLE.JPG", "x");
  EXPECT_EQ(Find_GFX_Directory(data, bin), tmp / "prefix/share/vorlix/GFX");
  fs::create_directories(bin + "/gfx");  // found in any letter case
  EXPECT_EQ(Find_GFX_Directory(data, bin), bin + "/gfx");
  fs::create_directories(data + "/GFX");
  EXPECT_EQ(Find_GFX_Directory(data, bin), data + "/GFX");
  // A plain file named GFX is no folder of pictures.
  TTemp_Dir other;
  Write_File(other / "GFX", "");
  EXPECT_EQ(Find_GFX_Directory(other.Path(), bin), bin + "/gfx");
}

}  // namespace
}  // namespace vorlix
