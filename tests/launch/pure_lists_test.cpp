#include "launch/pure_lists.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <cstdio>

#include "builders.h"
#include "database/game_index.h"
#include "launch/launch_warnings.h"
#include "launch/server_rotation.h"

// The numbers of archives here are those at which Debian's ioquake3 1.36 dedicated server
// (ioq3ded, OpenArena's game code, the base game's files loose in baseoa, started as Host Server
// starts it) left settings out of its system info: archives x0000.pk3, x0001.pk3, ... each
// holding "textures/gen/xN.txt" with the text "archive N\n".

namespace vorlix::testing {
namespace {

std::vector<TArchive_Facts> Measured_Archives(const std::string& dir, int count) {
  std::vector<TArchive_Facts> archives;
  for (int i = 0; i < count; ++i) {
    char name[16];
    std::snprintf(name, sizeof name, "x%04d.pk3", i);
    const std::string text = "archive " + std::to_string(i) + "\n";
    const auto crc = static_cast<std::uint32_t>(
        crc32(0, reinterpret_cast<const Bytef*>(text.data()), static_cast<uInt>(text.size())));
    archives.push_back(
        {.MOD_Directory = dir, .PK3_Filename = name, .Checksum = Engine_Archive_Checksum({crc})});
  }
  return archives;
}

TGame_Index OpenArena_Index(std::vector<TArchive_Facts> archives) {
  TGame_Index index;
  index.Set_Archives(std::move(archives));
  index.Set_Base_Directory("baseoa");
  return index;
}

TPure_Lists Lists_Of(const std::string& mod, int count) {
  return Pure_Server_Lists(OpenArena_Index(Measured_Archives(mod, count)), mod);
}

bool Left_Out(const TPure_Lists& lists, const std::string& setting) {
  return std::find(lists.Left_Out.begin(), lists.Left_Out.end(), setting) != lists.Left_Out.end();
}

TEST(Pure_Lists, The_Lists_Are_As_Long_As_The_Engine_Made_Them) {
  // sv_pakNames "x0002 x0001 x0000", sv_paks "-77739684 -2050474220 1249009406 ".
  TPure_Lists lists = Lists_Of("baseoa", 3);
  EXPECT_EQ(lists.Names, 17U);
  EXPECT_EQ(lists.Checksums, 33U);
  EXPECT_EQ(lists.Referenced_Names + lists.Referenced_Checksums, 0U);
  // A MOD's archives are referenced, named with their directory as fs_game gave it.
  lists = Lists_Of("mymod", 3);
  EXPECT_EQ(lists.Referenced, 3U);
  EXPECT_EQ(lists.Referenced_Names, std::string("mymod/x0002 mymod/x0001 mymod/x0000").size());
  EXPECT_EQ(lists.Referenced_Checksums, 33U);
  // The engine compares only as many letters as the base game's name has: "oamod" is another
  // directory, "baseoa_x" counts as the base game's.
  std::vector<TArchive_Facts> archives = Measured_Archives("oamod", 2);
  archives.push_back({.MOD_Directory = "baseoa", .PK3_Filename = "b.pk3", .Readable = false});
  lists = Pure_Server_Lists(OpenArena_Index(archives), "oamod");
  EXPECT_EQ(lists.Archives, 2U);  // the unreadable one is not loaded
  EXPECT_EQ(lists.Referenced, 2U);
  EXPECT_EQ(
      Pure_Server_Lists(OpenArena_Index(Measured_Archives("baseoa_x", 2)), "baseoa_x").Referenced,
      0U);
}

TEST(Pure_Lists, Settings_Are_Left_Out_Where_The_Engine_Left_Them_Out) {
  // The base game: sv_paks was left out from 475 archives on.
  EXPECT_FALSE(Left_Out(Lists_Of("baseoa", 474), "sv_paks"));
  TPure_Lists lists = Lists_Of("baseoa", 475);
  EXPECT_TRUE(Left_Out(lists, "sv_paks"));
  EXPECT_FALSE(Left_Out(lists, "sv_pakNames"));
  EXPECT_FALSE(Left_Out(lists, "sv_serverid"));  // room again once sv_paks is out
  // Below it the settings after the lists went first: sv_serverid and fs_game at 472.
  EXPECT_EQ(Lists_Of("baseoa", 472).Left_Out,
            (std::vector<std::string>{"sv_serverid", "fs_game", "sv_cheats"}));
  // A MOD: its archives are in all four lists; sv_paks was left out from 202 archives on.
  EXPECT_FALSE(Left_Out(Lists_Of("mymod", 201), "sv_paks"));
  EXPECT_TRUE(Left_Out(Lists_Of("mymod", 202), "sv_paks"));
  // With more, the names pushed the server's own settings out too, fs_game among them.
  EXPECT_EQ(Lists_Of("mymod", 349).Left_Out,
            (std::vector<std::string>{"sv_pakNames", "sv_paks", "fs_game", "sv_cheats"}));
}

TEST(Pure_Lists, The_Warning_Comes_At_Its_Threshold_With_Its_Cause_And_Fix) {
  // The engine left sv_cheats out from 470 archives on.
  EXPECT_FALSE(Pure_Lists_Warning(Lists_Of("baseoa", 469), "BASEOA").has_value());
  const TPure_Lists lists = Lists_Of("baseoa", 470);
  const auto warning = Pure_Lists_Warning(lists, "BASEOA");
  ASSERT_TRUE(warning.has_value());
  EXPECT_EQ(*warning,
            "A pure server names the 470 archives of its search path to its clients in "
            "a system info of " +
                std::to_string(lists.System_Info) +
                " bytes, where the engine takes at most 8191, so it leaves out "
                "sv_cheats; the archive it lists last (baseoa/x0000.pk3) is past that: "
                "move an archive out of the game directory, or put \"set sv_pure 0\" "
                "into BASEOA/autoexec.cfg of the game directory.");

  // Taking out the archives past the limit, and no fewer, makes everything fit.
  const TPure_Lists over = Lists_Of("baseoa", 600);
  EXPECT_NE(Pure_Lists_Warning(over, "BASEOA")->find("sv_paks: its clients then load any archive"),
            std::string::npos);
  EXPECT_EQ(over.Past_Limit.back(), "baseoa/x0000.pk3");
  const auto without = [&over](std::size_t moved) {
    std::vector<TArchive_Facts> archives = Measured_Archives("baseoa", 600);
    const auto end = over.Past_Limit.begin() + static_cast<std::ptrdiff_t>(moved);
    std::erase_if(archives, [&](const TArchive_Facts& facts) {
      return std::find(over.Past_Limit.begin(), end, "baseoa/" + facts.PK3_Filename) != end;
    });
    return Pure_Server_Lists(OpenArena_Index(archives), "baseoa").Left_Out.empty();
  };
  EXPECT_TRUE(without(over.Past_Limit.size()));
  EXPECT_FALSE(without(over.Past_Limit.size() - 1));

  // A MOD so large that the referenced lists alone pass the limit: sv_pure 0 would not help.
  const TPure_Lists huge = Lists_Of("mymod", 1000);
  EXPECT_EQ(huge.Left_Out,
            (std::vector<std::string>{"sv_referencedPakNames", "sv_referencedPaks", "sv_paks"}));
  const std::string told = *Pure_Lists_Warning(huge, "mymod");
  EXPECT_NE(told.find("they are not offered its archives to download"), std::string::npos);
  EXPECT_EQ(told.find("sv_pure 0"), std::string::npos) << told;
}

TEST(Pure_Lists, A_Name_The_Engine_Refuses_Leaves_Its_List_Out) {
  // "Can't use keys or values with a ';': sv_pakNames = x0001 x0000 a;b"
  std::vector<TArchive_Facts> archives = Measured_Archives("baseoa", 2);
  archives.push_back({.MOD_Directory = "baseoa", .PK3_Filename = "a;b.pk3"});
  const TPure_Lists lists = Pure_Server_Lists(OpenArena_Index(archives), "baseoa");
  EXPECT_EQ(lists.Left_Out, std::vector<std::string>{"sv_pakNames"});
  EXPECT_NE(Pure_Lists_Warning(lists, "baseoa")->find("The names of baseoa/a;b.pk3 hold"),
            std::string::npos);
}

TEST(Pure_Lists, Host_Server_Warns_Of_The_Lists_Of_Its_MOD) {
  const TGame_Index index = OpenArena_Index(Measured_Archives("mymod", 600));
  TServer_Settings settings;
  settings.MOD = "mymod";
  const std::vector<std::string> warnings =
      Server_Launch_Warnings("/nonexistent", settings, "/nonexistent/engine", "", &index);
  ASSERT_EQ(warnings.size(), 1U);
  EXPECT_NE(warnings.front().find("A pure server names the 600 archives"), std::string::npos);
  settings.MOD = "baseoa";  // the MOD's archives are not in its search path
  EXPECT_TRUE(
      Server_Launch_Warnings("/nonexistent", settings, "/nonexistent/engine", "", &index).empty());
}

}  // namespace
}  // namespace vorlix::testing
