// What the game said after a launch: the engine's console kept in a log of the data folder while
// it runs, read once it has ended, kept per map and engine, and told before the next launch.

#include "launch/launch_outcomes.h"

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include <sys/stat.h>

#include <gtest/gtest.h>

#include "builders.h"
#include "database/play_history.h"
#include "launch/command_line.h"
#include "launch/exec_file.h"
#include "launch/launch_warnings.h"
#include "launch/server_rotation.h"
#include "records_builder.h"

namespace vorlix::testing {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// A stand-in engine: prints its console lines (to standard error, as ioquake3 does, and one to
// standard output), then waits for <script>.go before it ends (ten seconds at most).
std::string Engine(const TTemp_Dir& dir, const std::string& name, const std::string& console) {
  std::string path = dir / name;
  Write_File(path, "#!/bin/sh\necho started\ncat >&2 <<'END'\n" + console +
                       "END\ni=0\nwhile [ ! -e \"$0.go\" ] && [ $i -lt 500 ]; do\n"
                       "  sleep 0.02; i=$((i + 1))\ndone\n");
  fs::permissions(path, fs::perms::owner_all);
  return path;
}

// Lets the engine end and waits until its log is free.
void End(const std::string& engine, const std::string& log) {
  Write_File(engine + ".go", "");
  for (int i = 0; i < 500 && Launch_Log_In_Use(log); ++i) {
    std::this_thread::sleep_for(10ms);
  }
  ASSERT_FALSE(Launch_Log_In_Use(log));
}

// Starts the engine with its console kept in a new log of the data folder; the log's path.
std::string Start(const std::string& data, const std::string& engine) {
  TExec_File exec;
  exec.Output_Path = New_Launch_Log(data);
  EXPECT_TRUE(exec.Execute(engine, {}));
  EXPECT_FALSE(exec.Output_Path.empty());
  return exec.Output_Path;
}

const std::string Refused =
    "Server: BADVER\n"
    "ERROR: CM_LoadMap: maps/badver.bsp has wrong version number (99 should be 46)\n";
const std::string Loaded =
    "Server: OA_DM1\n"
    "^1WARNING: R_FindImageFile could not find 'textures/x/gone.tga' in shader 'textures/x/gone'\n"
    "CL_InitCGame:  0.82 seconds\n";

TEST(Launch_Log, Holds_The_Engines_Console_And_Stays_Locked_While_It_Runs) {
  TTemp_Dir dir;
  fs::create_directories(dir / "data");
  const std::string engine = Engine(dir, "engine", Refused);
  const std::string log = Start(dir / "data", engine);
  EXPECT_EQ(fs::path(log).parent_path(), fs::path(dir / "data/logs"));
  EXPECT_EQ(fs::path(log).filename().string().rfind("launch-", 0), 0U);
  struct stat st {};
  ASSERT_EQ(::stat(log.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600U);  // the user's own
  EXPECT_TRUE(Launch_Log_In_Use(log));
  End(engine, log);
  EXPECT_EQ(Read_File(log), "started\n" + Refused);
  // Each launch gets a log of its own.
  EXPECT_NE(New_Launch_Log(dir / "data"), log);
}

TEST(Launch_Log, Is_Never_Written_Through_A_Planted_Link) {
  TTemp_Dir dir;
  Write_File(dir / "precious", "mine");
  const std::string engine = dir / "engine";
  Write_File(engine, "#!/bin/sh\nexit 0\n");
  fs::permissions(engine, fs::perms::owner_all);
  // A link at the log's name: the engine still starts, with no log.
  fs::create_directories(dir / "data/logs");
  fs::create_symlink(dir / "precious", dir / "data/logs/launch-1-1.log");
  TExec_File exec;
  exec.Output_Path = dir / "data/logs/launch-1-1.log";
  exec.Wait = true;
  EXPECT_TRUE(exec.Execute(engine, {}));
  EXPECT_EQ(exec.Output_Path, "");
  EXPECT_EQ(Read_File(dir / "precious"), "mine");
  // A logs folder that is a link keeps no logs at all.
  fs::create_directories(dir / "elsewhere");
  fs::create_directories(dir / "other");
  fs::create_directory_symlink(dir / "elsewhere", dir / "other/logs");
  EXPECT_EQ(New_Launch_Log(dir / "other"), "");
  EXPECT_EQ(New_Launch_Log(""), "");
}

TEST(Launch_Outcomes, Ended_Launches_Are_Read_Once_Kept_Per_Map_And_Engine_And_Their_Logs_Go) {
  TTemp_Dir dir;
  const std::string data = dir / "data";
  fs::create_directories(data);
  THistory_Keeper history(data);
  const std::string bad_engine = Engine(dir, "bad", Refused);
  const std::string good_engine = Engine(dir, "good", Loaded);
  const std::string bad_log = Start(data, bad_engine);
  const std::string good_log = Start(data, good_engine);
  history.Change([&](TPlay_History& played) {
    played.Add_Waiting({{1, 0}, bad_engine, "BADVER", fs::path(bad_log).filename(), 10});
    played.Add_Waiting({{2, 0}, good_engine, "OA_DM1", fs::path(good_log).filename(), 11});
    // A name that leads out of the logs folder is never opened.
    played.Add_Waiting({{3, 0}, good_engine, "X", "../history.dat", 12});
    played.Add_Waiting({{3, 1}, good_engine, "X", "launch-a/../../planted.log", 12});
    return true;
  });
  // Left behind by a launch the history forgot; a file that is no log stays.
  Write_File(data + "/logs/launch-5-5.log", "Server: X\nERROR: x\n");
  Write_File(data + "/logs/notes.txt", "keep");
  fs::create_directories(data + "/logs/launch-a");
  Write_File(data + "/planted.log", "Server: X\nERROR: planted\n");

  End(good_engine, good_log);
  TOutcome_Collection read = Collect_Launch_Outcomes(history);
  EXPECT_EQ(read.Read, 1);
  EXPECT_EQ(read.Running, 1);
  EXPECT_EQ(read.Problem, "");
  EXPECT_TRUE(fs::exists(bad_log));
  EXPECT_FALSE(fs::exists(good_log));
  EXPECT_FALSE(fs::exists(data + "/logs/launch-5-5.log"));
  EXPECT_TRUE(fs::exists(data + "/logs/notes.txt"));
  const std::vector<TMap_Load> good = history.History().Loads_Of(TMap_Key{2, 0});
  ASSERT_EQ(good.size(), 1U);
  EXPECT_EQ(good[0],
            (TMap_Load{good_engine, TLoad_State::Loaded, 11, "", {"textures/x/gone.tga"}}));
  EXPECT_EQ(history.History().Failure_Of({1, 0}), nullptr);  // not read yet
  EXPECT_TRUE(history.History().Loads_Of(TMap_Key{3, 1}).empty());
  ASSERT_EQ(history.History().Waiting().size(), 1U);

  End(bad_engine, bad_log);
  read = Collect_Launch_Outcomes(history);
  EXPECT_EQ(read.Read, 1);
  EXPECT_EQ(read.Running, 0);
  EXPECT_TRUE(history.History().Waiting().empty());
  const TMap_Load* failure = history.History().Failure_With({1, 0}, bad_engine);
  ASSERT_NE(failure, nullptr);
  EXPECT_EQ(failure->Error_Line,
            "ERROR: CM_LoadMap: maps/badver.bsp has wrong version number (99 should be 46)");
  EXPECT_FALSE(fs::exists(bad_log));
  // Kept in the file: another program reads the same.
  EXPECT_EQ(Load_Play_History(data).History, history.History());

  // A launch that never reached the map leaves what was known as it was.
  const std::string quitting = Engine(dir, "quitting", "Sys_Error: no display\n");
  const std::string log = Start(data, quitting);
  history.Change([&](TPlay_History& played) {
    played.Add_Waiting({{1, 0}, bad_engine, "BADVER", fs::path(log).filename(), 20});
    return true;
  });
  End(quitting, log);
  EXPECT_EQ(Collect_Launch_Outcomes(history).Read, 1);
  EXPECT_NE(history.History().Failure_With({1, 0}, bad_engine), nullptr);
  EXPECT_TRUE(history.History().Waiting().empty());
}

// Waits until the file has grown past `size`.
void Wait_For_Growth(const std::string& path, std::uintmax_t size) {
  for (int i = 0; i < 500 && fs::file_size(path) <= size; ++i) {
    std::this_thread::sleep_for(10ms);
  }
}

TEST(Launch_Outcomes, A_Servers_Maps_Are_Read_As_It_Plays_Them) {
  TTemp_Dir dir;
  const std::string data = dir / "data";
  fs::create_directories(data);
  THistory_Keeper history(data);
  TPK3_Record_Store records({data, "", "", "", ""});
  TPK3_Record* pk3 = Add_PK3(records, "baseoa", "maps.pk3");
  pk3->ID = 4;
  TMap_Record* good = Add_Map(pk3, "GOOD.BSP");
  TMap_Record* bad = Add_Map(pk3, "BadVer.bsp");
  good->ID = 0;
  bad->ID = 1;
  // A server that plays the first map, then (on .next) fails on the second, then (on .go) ends.
  const std::string server = dir / "server";
  Write_File(server, R"(#!/bin/sh
printf 'Server: good\nInitGame: x\n' >&2
i=0
while [ ! -e "$0.next" ] && [ $i -lt 500 ]; do sleep 0.02; i=$((i + 1)); done
printf 'Server: badver\nERROR: CM_LoadMap: maps/badver.bsp has wrong version number (99)\n' >&2
i=0
while [ ! -e "$0.go" ] && [ $i -lt 500 ]; do sleep 0.02; i=$((i + 1)); done
)");
  fs::permissions(server, fs::perms::owner_all);
  const std::string log = Start(data, server);
  // The rotation names the maps as the server loads them; a name no map of the group has is
  // not kept.
  EXPECT_EQ(Record_Server_Start(history, {good, bad}, {"good", "badver", "other"}, server, log),
            "");
  ASSERT_EQ(history.History().Waiting().size(), 2U);
  EXPECT_TRUE(history.History().Waiting()[0].Server);
  EXPECT_EQ(Record_Server_Start(history, {good}, {"good"}, server, ""), "");  // no log: nothing
  EXPECT_EQ(history.History().Waiting().size(), 2U);

  Wait_For_Growth(log, 0);
  TLog_Sizes sizes;
  TOutcome_Collection read = Collect_Launch_Outcomes(history, &sizes);
  EXPECT_EQ(read.Running, 1);
  EXPECT_EQ(read.Read, 1);
  ASSERT_EQ(history.History().Loads_Of(TMap_Key{4, 0}).size(), 1U);
  EXPECT_EQ(history.History().Loads_Of(TMap_Key{4, 0})[0].State, TLoad_State::Loaded);
  EXPECT_TRUE(history.History().Loads_Of(TMap_Key{4, 1}).empty());
  // Not grown: not read again; grown with lines that say nothing new: read, nothing written.
  const std::uint64_t changes = history.Changes();
  EXPECT_EQ(Collect_Launch_Outcomes(history, &sizes).Read, 0);
  EXPECT_EQ(history.Changes(), changes);
  {
    std::ofstream more(log, std::ios::app);
    more << "Kill: 0 1 2: a killed b\n";
  }
  EXPECT_EQ(Collect_Launch_Outcomes(history, &sizes).Read, 1);
  EXPECT_EQ(history.Changes(), changes);
  EXPECT_TRUE(fs::exists(log));

  const std::uintmax_t before = fs::file_size(log);
  Write_File(server + ".next", "");
  Wait_For_Growth(log, before);
  EXPECT_EQ(Collect_Launch_Outcomes(history, &sizes).Read, 1);
  const TMap_Load* failure = history.History().Failure_With({4, 1}, server);
  ASSERT_NE(failure, nullptr);
  EXPECT_NE(failure->Error_Line.find("wrong version number"), std::string::npos);
  EXPECT_EQ(history.History().Waiting().size(), 2U);  // the server still runs

  End(server, log);
  Collect_Launch_Outcomes(history, &sizes);
  EXPECT_TRUE(history.History().Waiting().empty());
  EXPECT_FALSE(fs::exists(log));
  EXPECT_TRUE(sizes.empty());
  EXPECT_EQ(history.History().Loads_Of(TMap_Key{4, 0})[0].State, TLoad_State::Loaded);
}

TEST(Launch_Outcomes, A_Failure_With_The_Same_Engine_Is_Told_Before_The_Next_Launch) {
  TTemp_Dir dir;
  TLaunch_Choices choices;
  choices.Game_Dir = dir.Path();
  choices.MAP_Filename = "BADVER.BSP";
  const std::string engine = dir / "ioquake3";
  TPlay_History history;
  history.Record_Load(
      {1, 0},
      {engine, TLoad_State::Failed, 5, "ERROR: Hunk_Alloc failed on 524288: hunk is full", {}});
  const std::vector<std::string> warnings =
      Game_Launch_Warnings(choices, engine, nullptr, &history, {1, 0});
  ASSERT_EQ(warnings.size(), 1U);
  EXPECT_EQ(warnings[0],
            "The last launch of this map with ioquake3 failed with \"ERROR: Hunk_Alloc failed on "
            "524288: hunk is full\": give it more memory (the engine's argument +set com_hunkMegs "
            "256, or more) or launch it with another engine.");
  // Another engine, another map, a good launch since, no history: nothing to tell.
  EXPECT_TRUE(Game_Launch_Warnings(choices, dir / "quake3e", nullptr, &history, {1, 0}).empty());
  EXPECT_TRUE(Game_Launch_Warnings(choices, engine, nullptr, &history, {1, 1}).empty());
  EXPECT_TRUE(Game_Launch_Warnings(choices, engine, nullptr, nullptr, {1, 0}).empty());
  history.Record_Load({1, 0}, {engine, TLoad_State::Loaded, 6, "", {}});
  EXPECT_TRUE(Game_Launch_Warnings(choices, engine, nullptr, &history, {1, 0}).empty());

  // A map too big for the engine's default memory: told from half the measured limit on.
  choices.MAP_Filesize = Bsp_Size_Warned - 1;
  EXPECT_TRUE(Game_Launch_Warnings(choices, engine, nullptr).empty());
  choices.MAP_Filesize = Bsp_Size_Warned;
  const std::vector<std::string> big = Game_Launch_Warnings(choices, engine, nullptr);
  ASSERT_EQ(big.size(), 1U);
  EXPECT_EQ(big[0],
            "This map's BSP of 59 MB and what the engine loads from it may not fit its memory of "
            "128 MB (com_hunkMegs; stopped with \"Hunk_Alloc\" if not): unless your "
            "configuration raises it, start the engine with +set com_hunkMegs 256.");
  EXPECT_EQ(Map_Memory_Warning(Largest_Bsp_Loading).find("does not fit"), std::string::npos);
  EXPECT_EQ(Map_Memory_Warning(Largest_Bsp_Loading + 1)
                .rfind("This map's BSP of 119 MB does not fit "
                       "the engine's memory of 128 MB",
                       0),
            0U);
  // A dedicated server has less room.
  EXPECT_EQ(Map_Memory_Warning(Largest_Bsp_Loading_Dedicated, 0, true).find("does not fit"),
            std::string::npos);
  EXPECT_NE(Map_Memory_Warning(Largest_Bsp_Loading_Dedicated + 1, 0, true).find("does not fit"),
            std::string::npos);
  // A larger hunk moves the limits; a smaller one lowers them.
  EXPECT_EQ(Map_Memory_Warning(Largest_Bsp_Loading + 1, 256), "");
  EXPECT_NE(Map_Memory_Warning(Bsp_Size_Warned - (8U << 20), 112), "");
  // The engine's own arguments raise it: the warning goes.
  EXPECT_EQ(Hunk_Megs_Set_By({"+set", "com_hunkMegs", "256", "+SETA", "COM_HUNKMEGS", "384x"}),
            384U);
  EXPECT_EQ(Hunk_Megs_Set_By({"+set", "com_hunkMegs"}), 0U);
  EXPECT_TRUE(Game_Launch_Warnings(choices, engine, nullptr, nullptr, {}, std::nullopt,
                                   {"+set", "com_hunkMegs", "256"})
                  .empty());
  EXPECT_EQ(Hunk_Megs_For(115U << 20), 256U);
  EXPECT_EQ(Hunk_Megs_For(200U << 20), 448U);

  // What the dialogs offer to add: the megabytes the map wants, until the words give them.
  EXPECT_EQ(Hunk_Megs_Offer(Bsp_Size_Warned - 1, {}), 0U);
  EXPECT_EQ(Hunk_Megs_Offer(Bsp_Size_Warned, {}), 256U);
  EXPECT_EQ(Hunk_Megs_Offer(200U << 20, {"+set", "com_hunkMegs", "256"}), 448U);
  EXPECT_EQ(Hunk_Megs_Offer(200U << 20, Hunk_Megs_Words(448)), 0U);
  EXPECT_EQ(Map_Memory_Warning(200U << 20, Hunk_Megs_Set_By(Hunk_Megs_Words(448))), "");
  EXPECT_EQ(Hunk_Megs_Offer(Largest_Bsp_Loading_Dedicated / 2, {}, true), 256U);

  // A server's rotation: each map too big for its hunk is told by name, and the largest sets
  // what is offered.
  TServer_Rotation rotation;
  rotation.Maps = {"small", "big", "bigger"};
  rotation.Bsp_Sizes = {1U << 20, Largest_Bsp_Loading_Dedicated / 2, 200U << 20};
  const std::vector<std::string> served =
      Server_Launch_Warnings("/nonexistent", {}, "", "", nullptr, std::nullopt, {}, &rotation);
  ASSERT_EQ(served.size(), 2U);
  EXPECT_EQ(served[0].rfind("Rotation map big: This map's BSP of 57 MB", 0), 0U) << served[0];
  EXPECT_EQ(served[1].rfind("Rotation map bigger: This map's BSP of 200 MB does not fit", 0), 0U);
  EXPECT_EQ(Rotation_Hunk_Megs_Offer(rotation, {}), 448U);
  EXPECT_EQ(Server_Launch_Warnings("/nonexistent", {}, "", "", nullptr, std::nullopt,
                                   Hunk_Megs_Words(448), &rotation),
            std::vector<std::string>());
  EXPECT_EQ(Rotation_Hunk_Megs_Offer(rotation, Hunk_Megs_Words(448)), 0U);

  // Each kind of line gets its own fix.
  const auto fix = [](const std::string& line) {
    return Failed_Before_Warning({"/usr/bin/e", TLoad_State::Failed, 0, line, {}});
  };
  EXPECT_NE(fix("ERROR: MAX_PATCH_PLANES").find("passes a limit of this engine"),
            std::string::npos);
  EXPECT_NE(fix("ERROR: Can't find map maps/x.bsp").find("check the MOD chosen"),
            std::string::npos);
  EXPECT_NE(fix("ERROR: something else").find("launch it with another engine, or mend"),
            std::string::npos);
}

}  // namespace
}  // namespace vorlix::testing
