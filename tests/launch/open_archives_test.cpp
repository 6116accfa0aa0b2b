#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "builders.h"
#include "core/program_lookup.h"
#include "database/game_index.h"
#include "launch/command_line.h"
#include "launch/launch_warnings.h"
#include "launch/open_archives.h"

namespace vorlix::testing {
namespace {

// The measured installation: OpenArena's ten archives and `extra` of x0000.pk3 on, in the
// engine's search order (the name that sorts last first).
std::vector<std::string> Search_Order(std::size_t extra) {
  std::vector<std::string> names = {
      "pak0",    "pak1-maps", "pak2-players",  "pak2-players-mature", "pak4-textures",
      "pak5-TA", "pak6-misc", "pak6-patch085", "pak6-patch088",       "z_oacmp-volume1-v3"};
  for (std::size_t i = 0; i < extra; ++i) {
    std::string number = std::to_string(i);
    names.push_back("x" + std::string(4 - number.size(), '0') + number);
  }
  std::sort(names.begin(), names.end());
  std::reverse(names.begin(), names.end());
  for (std::string& name : names) {
    name.insert(0, "baseoa/");
    name += ".pk3";
  }
  return names;
}

TEST(Open_Archives, Warns_From_The_Measured_Thresholds_On) {
  // The dedicated server started its map with 1,014 archives and failed with 1,016.
  EXPECT_FALSE(Check_Open_Archives(Search_Order(1004), 1024, true));
  const auto server = Check_Open_Archives(Search_Order(1005), 1024, true);
  ASSERT_TRUE(server);
  EXPECT_EQ(server->Archives, 1015U);
  EXPECT_EQ(server->Room, 1014U);
  EXPECT_TRUE(server->Left_Out.empty());
  EXPECT_FALSE(server->Ends_At_Socket);
  // The client, which opens more of its own, with 1,008 and failed with 1,011.
  EXPECT_FALSE(Check_Open_Archives(Search_Order(994), 1024, false));
  EXPECT_TRUE(Check_Open_Archives(Search_Order(995), 1024, false));
  // A lower limit lowers the room with it.
  EXPECT_FALSE(Check_Open_Archives(Search_Order(0), 30, false));
  EXPECT_TRUE(Check_Open_Archives(Search_Order(1), 30, false));
}

TEST(Open_Archives, Names_The_Archives_Left_Out) {
  // 1,110 archives, limit 1,024: the engine opened 1,019, the first 1,019 in ascending order.
  const auto overflow = Check_Open_Archives(Search_Order(1100), 1024, true);
  ASSERT_TRUE(overflow);
  ASSERT_EQ(overflow->Left_Out.size(), 91U);
  EXPECT_EQ(overflow->Left_Out.front(), "baseoa/z_oacmp-volume1-v3.pk3");
  EXPECT_EQ(overflow->Left_Out[1], "baseoa/x1099.pk3");
  EXPECT_EQ(overflow->Left_Out.back(), "baseoa/x1010.pk3");
  const std::string warning = Open_Archives_Warning(*overflow);
  EXPECT_NE(warning.find("of the 1110 archives in its search path it can open only 1019 and "
                         "leaves out the 91 searched first (baseoa/z_oacmp-volume1-v3.pk3, "
                         "baseoa/x1099.pk3, baseoa/x1098.pk3, baseoa/x1097.pk3, "
                         "baseoa/x1096.pk3 and 86 more)"),
            std::string::npos)
      << warning;
  EXPECT_EQ(warning.find("The engine keeps every archive open: "), 0U);

  // A limit below the files it opens before its archives leaves out every archive.
  const auto none = Check_Open_Archives(Search_Order(0), 4, true);
  ASSERT_TRUE(none);
  EXPECT_EQ(none->Left_Out.size(), 10U);
  EXPECT_EQ(none->Room, 0U);
}

TEST(Open_Archives, Past_1024_The_Engine_Ends_At_Its_Socket) {
  // A limit of 1,200 and 1,110 archives: every archive opened, then the end at the socket.
  const auto raised = Check_Open_Archives(Search_Order(1100), 1200, true);
  ASSERT_TRUE(raised);
  EXPECT_TRUE(raised->Ends_At_Socket);
  EXPECT_TRUE(raised->Left_Out.empty());
  EXPECT_EQ(raised->Room, 1014U);
  EXPECT_NE(Open_Archives_Warning(*raised).find("ends when it opens its network socket"),
            std::string::npos);
  // A raised limit gives no more room than 1,024 does; without a limit the same.
  EXPECT_FALSE(Check_Open_Archives(Search_Order(1004), 4096, true));
  EXPECT_TRUE(Check_Open_Archives(Search_Order(1005), 4096, true));
  const auto unlimited = Check_Open_Archives(Search_Order(1005), std::nullopt, true);
  ASSERT_TRUE(unlimited);
  EXPECT_TRUE(unlimited->Ends_At_Socket);
  EXPECT_NE(Open_Archives_Warning(*Check_Open_Archives(Search_Order(1005), 1024, true))
                .find("room for at most 1014 beside its own files"),
            std::string::npos);
}

TEST(Open_Archives, The_Limit_Is_The_One_A_Started_Program_Inherits) {
  const pid_t child = fork();
  ASSERT_NE(child, -1);
  if (child == 0) {
    rlimit limit{};
    getrlimit(RLIMIT_NOFILE, &limit);
    limit.rlim_cur = 100;
    const bool set = setrlimit(RLIMIT_NOFILE, &limit) == 0;
    _exit(set && platform::Open_File_Limit() == std::size_t{100} ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

TEST(Open_Archives, Engines_That_Keep_Their_Archives_Open_Are_Told_By_Their_Own_Text) {
  TTemp_Dir dir;
  const auto program = [&dir](const std::string& name, const std::string& bytes) {
    const std::string path = dir.Path() + "/" + name;
    Write_File(path, bytes);
    return Engine_Keeps_Archives_Open(path);
  };
  using namespace std::string_literals;
  // ioquake3 builds name themselves in their version text, OpenArena's own ones too.
  EXPECT_TRUE(program("ioquake3",
                      "\x7f"
                      "ELF\0...\0ioq3 1.36+u20221123.70d07d9+dfsg-1/Debian\0"s));
  EXPECT_TRUE(program("oa", "\0ioq3+oa 1.35_SVN1910M\0"s));
  EXPECT_FALSE(program("other", "\0ioq3 is not a version\0Quake3e 1.3.6\0"s));
  EXPECT_FALSE(program("cut", "ioq3 1"));
  EXPECT_FALSE(program("letters", "\0ioq3 x.y\0"s));
  // A script that starts one (Debian's openarena), and one that starts another engine.
  EXPECT_TRUE(program("openarena", "#!/bin/sh\nENGINE=\"/usr/lib/ioquake3/${IOQ3BINARY}\"\n"));
  EXPECT_TRUE(program("server", "#!/bin/sh\nexec ioq3ded \"$@\"\n"));
  EXPECT_TRUE(program("demo", "#!/bin/sh\nengine=/usr/games/openarena\nexec \"$engine\" \"$@\"\n"));
  EXPECT_FALSE(program("wine", "#!/bin/sh\nexec wine \"$PWD/QUAKE3.EXE\" \"$@\"\n"));
  EXPECT_FALSE(program("empty", ""));
  EXPECT_FALSE(Engine_Keeps_Archives_Open(dir.Path() + "/missing"));
  EXPECT_FALSE(Engine_Keeps_Archives_Open(dir.Path()));
}

TEST(Open_Archives, A_Launch_Is_Warned_Of_For_Its_Engine_And_Its_MOD) {
  TTemp_Dir dir;
  const std::string engine = dir.Path() + "/q3-ioq3";
  Write_File(engine, "#!/bin/sh\nexec /usr/lib/ioquake3/ioquake3 \"$@\"\n");
  std::filesystem::permissions(engine, std::filesystem::perms::owner_all);
  // More archives in baseq3 than any open-file limit leaves room for.
  std::vector<TArchive_Facts> archives = Archives_In("baseq3", 1100);
  archives.front().MOD_Directory = "mymod";
  TGame_Index index;
  index.Set_Archives(archives);
  TLaunch_Choices choices;
  choices.Game_Dir = dir.Path();
  choices.MOD = "baseq3";
  choices.MAP_Filename = "Q3DM17.BSP";
  const std::vector<std::string> warnings = Game_Launch_Warnings(choices, engine, &index);
  ASSERT_EQ(warnings.size(), 1U);
  EXPECT_NE(warnings.front().find("1099 archives"), std::string::npos) << warnings.front();
  // A MOD's search path holds the base directory's archives too.
  choices.MOD = "mymod";
  EXPECT_NE(Game_Launch_Warnings(choices, engine, &index).front().find("1100 archives"),
            std::string::npos);
  // Nothing for choices the launch refuses, for another engine, or without an index.
  choices.MAP_Filename = "X;QUIT.BSP";
  EXPECT_TRUE(Game_Launch_Warnings(choices, engine, &index).empty());
  choices.MAP_Filename = "Q3DM17.BSP";
  EXPECT_TRUE(Game_Launch_Warnings(choices, dir.Path() + "/missing", &index).empty());
  EXPECT_TRUE(Game_Launch_Warnings(choices, engine, nullptr).empty());
}

}  // namespace
}  // namespace vorlix::testing
