// vorlix-cli end to end: launches counted in the history, favourite marks, the play-later queue,
// and a deleted archive's maps forgotten.

#include <chrono>
#include <thread>

#include "cli_runner.h"

namespace vorlix::testing {
namespace {

// The history's lines without their times.
std::string Without_Times(const std::string& out) {
  std::string lines;
  std::size_t start = 0;
  while (start < out.size()) {
    const std::size_t end = out.find('\n', start);
    const std::string line = out.substr(start, end - start);
    EXPECT_EQ(line.size() > 17 ? line[16] : ' ', '\t') << line;  // "YYYY-MM-DD HH:MM"
    lines += line.substr(17) + "\n";
    start = end + 1;
  }
  return lines;
}

// An engine that prints `console` on its standard error (as ioquake3 prints its console) and ends.
void Write_Engine(const std::string& path, const std::string& console) {
  Write_File(path, "#!/bin/sh\ncat >&2 <<'END'\n" + console + "END\n");
  fs::permissions(path, fs::perms::owner_all);
}

TEST_F(Cli, What_The_Engine_Said_Is_Read_Once_It_Ended_And_A_Good_Launch_Clears_A_Failure) {
  const std::string engine = Output_ / "engine";
  const std::string refused =
      "ERROR: CM_LoadMap: maps/Q3DM1.bsp has wrong version number (99 should be 46)";
  Write_Engine(engine, "------ Server Initialization ------\nServer: Q3DM1\n" + refused + "\n");
  ASSERT_EQ(Run({"--engine", engine}).Status, 0);
  // The command ends before the engine: a later command reads what it said.
  const auto failed_maps = [this] {
    std::string out;
    for (int i = 0; i < 250 && out.empty(); ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
      out = Run_Data({"find", "--failed"}).Out;
    }
    return out;
  };
  const TRun_Result launched = Run_With_Dirs({"launch", "0", "0"});
  ASSERT_EQ(launched.Status, 0);
  EXPECT_EQ(launched.Err, "");  // the engine's console went to its log, not to the terminal
  EXPECT_EQ(failed_maps(), "Arena Gate\tQ3DM1\tbaseq3/pak0\t0\t0\t\n");
  EXPECT_NE(Run_Data({"info", "0", "0"}).Out.find("last load\tfailed with engine on "),
            std::string::npos);
  EXPECT_NE(Run_Data({"info", "0", "0"}).Out.find(": " + refused + "\n"), std::string::npos);
  EXPECT_TRUE(fs::is_empty(Data_ / "logs"));
  // Told before the next launch with the same engine, which still goes ahead.
  const TRun_Result again = Run_With_Dirs({"launch", "0", "0", "--dry-run"});
  EXPECT_NE(again.Err.find("warning: The last launch of this map with engine failed with \"" +
                           refused + "\": the map is made for another game or engine"),
            std::string::npos);
  EXPECT_EQ(again.Status, 0);

  // The engine quits before it reaches the map: what was known stays.
  Write_Engine(engine, "Sys_Error: no display\n");
  ASSERT_EQ(Run_With_Dirs({"launch", "0", "0"}).Status, 0);
  for (int i = 0; i < 250 && !fs::is_empty(Data_ / "logs"); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    Run_Data({"history"});
  }
  EXPECT_EQ(Run_Data({"find", "--failed"}).Out, "Arena Gate\tQ3DM1\tbaseq3/pak0\t0\t0\t\n");

  // A good launch clears the failure and names the images the renderer missed.
  Write_Engine(engine,
               "Server: Q3DM1\n"
               "^1WARNING: R_FindImageFile could not find 'textures/x/gone.tga' in shader "
               "'textures/x/gone'\n"
               "CL_InitCGame:  0.5 seconds\n");
  ASSERT_EQ(Run_With_Dirs({"launch", "0", "0"}).Status, 0);
  std::string info;
  for (int i = 0; i < 250 && info.find("loaded with") == std::string::npos; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    info = Run_Data({"info", "0", "0"}).Out;
  }
  EXPECT_NE(info.find("last load\tloaded with engine on "), std::string::npos);
  EXPECT_NE(info.find("\nimage not found\ttextures/x/gone.tga\n"), std::string::npos);
  EXPECT_EQ(Run_Data({"find", "--failed"}).Out, "");
}

TEST_F(Cli, Launches_Are_Counted_And_The_Queue_Launches_Its_First_Map) {
  const TGame_Recorder game(Output_ / "recorder");
  ASSERT_EQ(Run({"--engine", game.Script}).Status, 0);
  for (int i = 0; i < 2; ++i) {
    ASSERT_EQ(Run_With_Dirs({"launch", "0", "0"}).Status, 0);
    EXPECT_NE(game.Wait(), "");
    fs::remove(game.Record);
  }
  ASSERT_EQ(Run_Data({"launch", "0", "0", "--dry-run"}).Status, 0);  // not a launch
  EXPECT_EQ(Without_Times(Run_Data({"history"}).Out),
            "0\t0\tQ3DM1\tffa\tBASEQ3\t2\n0\t0\tQ3DM1\tffa\tBASEQ3\t2\n");

  EXPECT_EQ(Run_Data({"later", "add", "1", "0"}).Status, 0);
  EXPECT_EQ(Run_Data({"later", "add", "0", "0"}).Status, 0);
  EXPECT_EQ(Run_Data({"later", "add", "1", "0"}).Status, 0);  // stays where it is
  EXPECT_EQ(Run_Data({"favourite", "add", "0", "0"}).Status, 0);
  EXPECT_EQ(Run_Data({"favourite", "add", "0", "9"}).Err,
            "error: There is no map with the pk3 ID 0 and the map ID 9.\n");
  EXPECT_EQ(Run_Data({"later", "list"}).Out, "1\t0\tEXTRA1\n0\t0\tQ3DM1\n");
  // Reordered and back; a map not queued and a position before the first are refused.
  EXPECT_EQ(Run_Data({"later", "move", "0", "0", "1"}).Status, 0);
  EXPECT_EQ(Run_Data({"later", "list"}).Out, "0\t0\tQ3DM1\n1\t0\tEXTRA1\n");
  EXPECT_EQ(Run_Data({"later", "move", "0", "0", "5"}).Status, 0);
  EXPECT_EQ(Run_Data({"later", "list"}).Out, "1\t0\tEXTRA1\n0\t0\tQ3DM1\n");
  EXPECT_EQ(Run_Data({"later", "move", "2", "0", "1"}).Err,
            "error: The map is not in the play-later queue.\n");
  EXPECT_EQ(Run_Data({"later", "move", "0", "0", "0"}).Status, 2);
  EXPECT_NE(Run_Data({"later", "next", "--dry-run"}).Out.find("+map EXTRA1"), std::string::npos);
  EXPECT_EQ(Run_Data({"later", "list"}).Out, "1\t0\tEXTRA1\n0\t0\tQ3DM1\n");
  ASSERT_EQ(Run_Data({"later", "next"}).Status, 0);
  EXPECT_NE(game.Wait().find("EXTRA1"), std::string::npos);
  EXPECT_EQ(Run_Data({"later", "list"}).Out, "0\t0\tQ3DM1\n");
  EXPECT_EQ(Without_Times(Run_Data({"history", "--limit", "1"}).Out),
            "1\t0\tEXTRA1\tffa\tBASEQ3\t1\n");

  // The search's filters read the history.
  EXPECT_EQ(Run_Data({"find", "--favourite", "--played-min", "2"}).Out,
            "Arena Gate\tQ3DM1\tbaseq3/pak0\t0\t0\t\n");
  EXPECT_EQ(Run_Data({"find", "--never-played"}).Out, "Mod Map\tMM1\tmymod/mymod\t2\t0\t\n");
  EXPECT_EQ(Run_Data({"find", "--played-within", "1", "--play-later"}).Out,
            "Arena Gate\tQ3DM1\tbaseq3/pak0\t0\t0\t\n");
  // Of three maps, two played: the one never played is picked every time.
  for (int i = 0; i < 8; ++i) {
    EXPECT_EQ(Run_Data({"random", "--prefer-never-played"}).Out,
              "Mod Map\tMM1\tmymod/mymod\t2\t0\t\n");
  }

  // A renamed archive keeps its maps' history: they keep their IDs.
  ASSERT_EQ(Run_Data({"rename-pk3", "0", Game_ / "baseq3/zz-renamed.pk3"}).Status, 0);
  EXPECT_EQ(Run_Data({"find", "--favourite", "--played-min", "2"}).Out,
            "Arena Gate\tQ3DM1\tbaseq3/zz-renamed\t0\t0\t\n");

  // The archive deleted: its map leaves the history; the rest stays.
  ASSERT_EQ(Run_Data({"--yes", "delete-pk3", "1"}).Status, 0);
  EXPECT_EQ(Without_Times(Run_Data({"history"}).Out),
            "0\t0\tQ3DM1\tffa\tBASEQ3\t2\n0\t0\tQ3DM1\tffa\tBASEQ3\t2\n");
  EXPECT_EQ(Run_Data({"later", "remove", "0", "0"}).Status, 0);
  EXPECT_EQ(Run_Data({"later", "next"}).Err, "error: The play-later queue holds no map.\n");

  // A damaged file: told, put aside, and the history starts again.
  Write_File(Data_ / "history.dat", "VXHIST garbage");
  const TRun_Result damaged = Run_Data({"favourite", "remove", "0", "0"});
  EXPECT_EQ(damaged.Status, 0);
  EXPECT_NE(damaged.Err.find("warning: The history of played maps "), std::string::npos);
  EXPECT_EQ(Read_File(Data_ / "history.dat.bak"), "VXHIST garbage");
  Write_File(Data_ / "history.dat", "damaged again");
  EXPECT_EQ(Run_Data({"find", "gate"}).Err, "");  // a search without its filters never reads it
  EXPECT_EQ(Run_Data({"history"}).Out, "");
  EXPECT_EQ(Run_Data({"history", "--limit", "51"}).Status, 2);
}

}  // namespace
}  // namespace vorlix::testing
