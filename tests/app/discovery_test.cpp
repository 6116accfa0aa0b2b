#include "app/discovery.h"

#include <filesystem>

#include <gtest/gtest.h>

#include "builders.h"
#include "scripted_interaction.h"

namespace fs = std::filesystem;

namespace vorlix {
namespace {

using testing::TScripted_Interaction;
using testing::TTemp_Dir;
using testing::Write_File;

const std::string Question = "Is this your Quake III Arena directory?\r\n\n";

std::vector<std::string> Offered(const TScripted_Interaction& user) {
  std::vector<std::string> paths;
  for (const auto& m : user.Messages) {
    EXPECT_EQ(m.Kind, TMessage_Kind::Confirmation);
    EXPECT_EQ(m.Buttons, TAnswer_Set::Yes_No);
    EXPECT_EQ(m.Text.rfind(Question, 0), 0u) << m.Text;
    paths.push_back(m.Text.substr(Question.size()));
  }
  return paths;
}

TEST(Find_Q3A_Directory, Offers_Installations_In_Any_Case_Depth_First_Behind_A_Notice) {
  TTemp_Dir one;
  TTemp_Dir two;
  Write_File(one / "b/QUAKE3.EXE", "");
  Write_File(one / "A/deep/Quake3.exe", "");
  Write_File(one / "a2/QUAKE3.EXE/inside", "");  // a directory of that name is offered too
  Write_File(one / "c/quake3.exe", "");
  Write_File(two / "QUAKE3.EXE", "");  // an installation at the root itself

  // Answering "No" offers the next one; "Yes" ends the whole search.
  TScripted_Interaction user;
  user.Answers = {TAnswer::No, TAnswer::No, TAnswer::Yes};
  EXPECT_EQ(Find_Q3A_Directory(user, {one.Path(), two.Path()}), one / "b");
  EXPECT_EQ(Offered(user), (std::vector<std::string>{one / "A/deep/Quake3.exe",
                                                     one / "a2/QUAKE3.EXE", one / "b/QUAKE3.EXE"}));
  ASSERT_EQ(user.Notices.size(), 1u);
  EXPECT_EQ(user.Notices[0], (std::pair<std::string, std::string>{
                                 "Please wait", "Looking for Quake 3 Arena directory..."}));
  EXPECT_EQ(user.Open_Notices, 0);

  // Refusing everything visits every directory of every root and gives nothing.
  TScripted_Interaction refuser;
  EXPECT_EQ(Find_Q3A_Directory(refuser, {one.Path(), two.Path()}), "");
  EXPECT_EQ(Offered(refuser).size(), 5u);
  EXPECT_EQ(Offered(refuser).back(), two / "QUAKE3.EXE");

  // The notice shows each directory walked; a cancel ends the whole search before the next one,
  // so nothing further is offered.
  TScripted_Interaction canceller;
  canceller.Cancel_After_Progress = 2;
  EXPECT_EQ(Find_Q3A_Directory(canceller, {one.Path(), two.Path()}), "");
  EXPECT_EQ(canceller.Progress_Texts, (std::vector<std::string>{one.Path(), one / "A"}));
  EXPECT_TRUE(canceller.Messages.empty());
  EXPECT_EQ(canceller.Open_Notices, 0);

  // The root installation gives the root itself as game directory.
  TScripted_Interaction root_user;
  root_user.Answers = {TAnswer::Yes};
  EXPECT_EQ(Find_Q3A_Directory(root_user, {two.Path() + "/"}), two.Path());
}

TEST(Find_Q3A_Directory, Never_Follows_Links_Or_Walks_A_Root_Twice) {
  TTemp_Dir root;
  TTemp_Dir elsewhere;
  Write_File(root / "a/file", "");
  fs::create_directory_symlink(root / "a", root / "a/loop");
  fs::create_directory_symlink(root.Path(), root / "a/up");
  Write_File(elsewhere / "game/QUAKE3.EXE", "");
  fs::create_directory_symlink(elsewhere / "game", root / "link_to_game");
  Write_File(root / "home/QUAKE3.EXE", "");

  TScripted_Interaction user;
  // The second root lies inside the first but was walked already as a root of its own.
  EXPECT_EQ(Find_Q3A_Directory(user, {root / "home", root.Path(), "/nonexistent-root"}), "");
  EXPECT_EQ(Offered(user), (std::vector<std::string>{root / "home/QUAKE3.EXE"}));
}

TEST(Find_Q3A_Directory, Unreadable_Directory_Contributes_Nothing) {
  TTemp_Dir root;
  Write_File(root / "closed/QUAKE3.EXE", "");
  Write_File(root / "open/QUAKE3.EXE", "");
  fs::permissions(root / "closed", fs::perms::none);
  TScripted_Interaction user;
  const bool can_read_anyway = fs::directory_iterator(root / "closed") != fs::directory_iterator();
  EXPECT_EQ(Find_Q3A_Directory(user, {root.Path()}), "");
  EXPECT_EQ(Offered(user).size(), can_read_anyway ? 2u : 1u);
  EXPECT_EQ(Offered(user).back(), root / "open/QUAKE3.EXE");
}

}  // namespace
}  // namespace vorlix
