// The history of played maps: counts and last times, the last launches, marks and the queue,
// what an archive's deletion forgets, and the file against damage.

#include "database/play_history.h"

#include <QLocale>
#include <filesystem>

#include <gtest/gtest.h>

#include "builders.h"
#include "database/stream.h"

namespace vorlix::testing {
namespace {

namespace fs = std::filesystem;

TLaunch_Record Launch(std::int32_t pk3, std::int32_t map, std::int64_t time) {
  return {{pk3, map}, time, 1, "baseq3", "/usr/games/ioquake3"};
}

TEST(Play_History, Counts_Each_Map_Once_And_Keeps_The_Last_Launches_Newest_First) {
  TPlay_History history;
  for (int i = 0; i < 1000; ++i) {
    history.Record_Launch(Launch(1, 2, 5000 + i));
  }
  history.Record_Launch(Launch(3, 0, 100));  // a clock set back counts, but is no later launch
  history.Record_Launch(Launch(1, 2, 10));
  EXPECT_EQ(history.Of({1, 2}), (TMap_Play{1001, 5999, false}));
  EXPECT_EQ(history.Of({3, 0}).Count, 1);
  EXPECT_EQ(history.Of({9, 9}), TMap_Play{});
  const auto recent = history.Recent();
  ASSERT_EQ(recent.size(), Recent_Launches_Kept);
  EXPECT_EQ(recent[0].Time, 10);
  EXPECT_EQ(recent[1].Map, (TMap_Key{3, 0}));
  EXPECT_EQ(recent.back().Time, 5999 - 47);
  EXPECT_EQ(history.Recent(2).size(), 2u);
  // A thousand launches of one map cost one record.
  EXPECT_LT(history.Serialize().size(), 3000u);
}

TEST(Play_History, Marks_And_The_Queue_Survive_The_File_And_Deleted_Archives_Are_Forgotten) {
  TPlay_History history;
  history.Set_Favourite({1, 0}, true);
  history.Set_Favourite({2, 5}, true);
  history.Set_Favourite({2, 5}, false);
  history.Set_Favourite({7, 7}, false);
  EXPECT_TRUE(history.Queue({2, 1}));
  EXPECT_TRUE(history.Queue({1, 0}));
  EXPECT_FALSE(history.Queue({2, 1}));
  EXPECT_TRUE(history.Queue({4, 4}));
  EXPECT_TRUE(history.Unqueue({4, 4}));
  EXPECT_FALSE(history.Unqueue({4, 4}));
  // Moves: to the front, past the end (last), where it stands, a map not queued.
  EXPECT_TRUE(history.Queue({4, 4}));
  EXPECT_TRUE(history.Move_In_Queue({4, 4}, 0));
  EXPECT_EQ(history.Queued(), (std::vector<TMap_Key>{{4, 4}, {2, 1}, {1, 0}}));
  EXPECT_TRUE(history.Move_In_Queue({4, 4}, 9));
  EXPECT_EQ(history.Queued(), (std::vector<TMap_Key>{{2, 1}, {1, 0}, {4, 4}}));
  EXPECT_TRUE(history.Move_In_Queue({1, 0}, 2));
  EXPECT_EQ(history.Queued(), (std::vector<TMap_Key>{{2, 1}, {4, 4}, {1, 0}}));
  EXPECT_FALSE(history.Move_In_Queue({1, 0}, 2));
  EXPECT_FALSE(history.Move_In_Queue({9, 9}, 0));
  EXPECT_TRUE(history.Unqueue({4, 4}));
  history.Record_Launch({{2, 1}, -5, 4, "cpma", "quake3e \"x\""});
  EXPECT_EQ(history.Queued(), (std::vector<TMap_Key>{{2, 1}, {1, 0}}));

  TTemp_Dir dir;
  ASSERT_EQ(Save_Play_History(dir.Path(), history), "");
  const THistory_Load load = Load_Play_History(dir.Path());
  EXPECT_EQ(load.Warning, "");
  EXPECT_EQ(load.History, history);
  EXPECT_TRUE(load.History.Of({1, 0}).Favourite);
  EXPECT_FALSE(load.History.Of({2, 5}).Favourite);

  history.Forget_Archive(2);
  EXPECT_EQ(history.Queued(), (std::vector<TMap_Key>{{1, 0}}));
  EXPECT_TRUE(history.Recent().empty());
  EXPECT_EQ(history.Of({2, 1}), TMap_Play{});
  EXPECT_TRUE(history.Of({1, 0}).Favourite);
}

TEST(Play_History, A_Damaged_File_Is_Put_Aside_And_The_History_Starts_Empty) {
  TTemp_Dir dir;
  const std::string path = dir / History_File_Name;
  EXPECT_EQ(Load_Play_History(dir.Path()).History, TPlay_History{});  // no file: nothing to say
  TPlay_History full;
  full.Record_Launch(Launch(1, 1, 77));
  full.Queue({1, 1});
  const std::string good = full.Serialize();
  // Every cut, another version, a count no file holds, bytes after the end, another file.
  std::vector<std::string> damaged;
  for (std::size_t size = 0; size < good.size(); size += 3) {
    damaged.push_back(good.substr(0, size));
  }
  std::string other_version = good;
  other_version[6] = 3;
  std::string huge_count = good;
  huge_count[10] = '\x7f';
  damaged.insert(damaged.end(), {other_version, huge_count, good + "x", "VXHISX" + good.substr(6)});
  for (const std::string& bytes : damaged) {
    SCOPED_TRACE(bytes.size());
    Write_File(path, bytes);
    const THistory_Load load = Load_Play_History(dir.Path());
    EXPECT_EQ(load.History, TPlay_History{});
    EXPECT_NE(load.Warning.find("cannot be read"), std::string::npos);
    EXPECT_EQ(load.Writable, !bytes.empty());
    if (!bytes.empty()) {
      EXPECT_EQ(Read_File(path + ".bak"), bytes);
    }
  }
  // A folder at the name is never written over.
  fs::remove(path);
  fs::create_directory(path);
  EXPECT_FALSE(Load_Play_History(dir.Path()).Writable);
  EXPECT_NE(Save_Play_History(dir.Path(), full), "");
}

TEST(Play_History, What_Each_Engine_Said_Is_Kept_Per_Map_And_Replaced_By_Its_Next_Launch) {
  TPlay_History history;
  const std::string ioq3 = "/usr/lib/ioquake3/ioquake3";
  const std::string oa = "/usr/games/openarena";
  history.Record_Load({1, 2}, {ioq3, TLoad_State::Failed, 100, "ERROR: Hunk_Alloc failed", {}});
  history.Record_Load({1, 2}, {oa, TLoad_State::Failed, 200, "ERROR: MAX_PATCH_PLANES", {}});
  history.Record_Load({1, 3}, {oa, TLoad_State::Loaded, 50, "", {"textures/a", "textures/b"}});
  ASSERT_NE(history.Failure_Of({1, 2}), nullptr);
  EXPECT_EQ(history.Failure_Of({1, 2})->Time, 200);  // the newest failure
  EXPECT_EQ(history.Failure_With({1, 2}, ioq3)->Error_Line, "ERROR: Hunk_Alloc failed");
  EXPECT_EQ(history.Failure_Of({1, 3}), nullptr);
  EXPECT_EQ(history.Failure_With({1, 3}, oa), nullptr);
  // A later good launch with one engine clears that engine's failure only.
  history.Record_Load({1, 2}, {oa, TLoad_State::Loaded, 300, "", {}});
  EXPECT_EQ(history.Failure_With({1, 2}, oa), nullptr);
  EXPECT_EQ(history.Failure_Of({1, 2})->Engine, ioq3);
  const std::vector<TMap_Load> loads = history.Loads_Of(TMap_Key{1, 2});
  ASSERT_EQ(loads.size(), 2u);
  EXPECT_EQ(loads[0].Time, 300);  // newest first
  EXPECT_EQ(Load_Text(loads, QLocale::c()).substr(0, 22), "loaded with openarena ");
  EXPECT_NE(Load_Text(loads, QLocale::c()).find("\nfailed with ioquake3 on "), std::string::npos);
  EXPECT_NE(Load_Text(history.Loads_Of(TMap_Key{1, 3}), QLocale::c())
                .find("; 2 images not found: textures/a, textures/b"),
            std::string::npos);
  EXPECT_EQ(Load_Text({}, QLocale::c()), "not known");
  // A flood of missing images is kept to a bounded list.
  history.Record_Load({4, 0},
                      {oa, TLoad_State::Loaded, 1, "", std::vector<std::string>(5000, "x")});
  EXPECT_EQ(history.Loads_Of(TMap_Key{4, 0})[0].Missing_Images.size(), Missing_Images_Kept);

  history.Add_Waiting({{1, 3}, oa, "OA_DM1", "launch-1-1.log", 400});
  history.Add_Waiting({{2, 0}, oa, "X", "launch-1-2.log", 401});
  TTemp_Dir dir;
  ASSERT_EQ(Save_Play_History(dir.Path(), history), "");
  EXPECT_EQ(Load_Play_History(dir.Path()).History, history);
  EXPECT_TRUE(history.Remove_Waiting("launch-1-2.log"));
  EXPECT_FALSE(history.Remove_Waiting("launch-1-2.log"));
  history.Forget_Archive(1);
  EXPECT_TRUE(history.Loads_Of(TMap_Key{1, 2}).empty());
  EXPECT_TRUE(history.Waiting().empty());
  EXPECT_EQ(history.Loads_Of(TMap_Key{4, 0}).size(), 1u);
}

TEST(Play_History, A_File_Of_The_First_Version_Is_Read_Without_Loads) {
  TPlay_History history;
  history.Record_Launch(Launch(1, 1, 77));
  history.Queue({1, 1});
  // The first version ended after the queue: cut the two empty counts and mark it version 1.
  std::string old = history.Serialize();
  old.resize(old.size() - 8);
  old[6] = 1;
  EXPECT_EQ(TPlay_History::Parse(old), history);
  // A load of a state that is neither loaded nor failed is damage.
  history.Record_Load({1, 1}, {"e", TLoad_State::Failed, 5, "ERROR: x", {}});
  std::string bytes = history.Serialize();
  const std::size_t state = bytes.find(std::string("e\0", 2)) + 2;
  ASSERT_EQ(bytes[state], 2);
  bytes[state] = 7;
  EXPECT_THROW(TPlay_History::Parse(bytes), TStream_Error);
}

TEST(History_Keeper, An_Unwritable_Folder_Keeps_The_History_In_Memory_And_Tells_Once) {
  TTemp_Dir dir;
  const std::string data = dir / "data";  // not there yet: nothing can be written into it
  const auto launch = [](std::int64_t time) {
    return [time](TPlay_History& history) {
      history.Record_Launch(Launch(1, 2, time));
      return true;
    };
  };
  int redraws = 0;
  THistory_Keeper keeper(data);
  keeper.Changed = [&redraws] { ++redraws; };
  const THistory_Change first = keeper.Change(launch(10));
  EXPECT_NE(first.Problem.find("Cannot write the history"), std::string::npos);
  EXPECT_NE(first.Problem.find("kept in memory"), std::string::npos);
  EXPECT_EQ(keeper.Change(launch(20)).Problem, "");
  EXPECT_EQ(keeper.History().Of({1, 2}), (TMap_Play{2, 20, false}));
  EXPECT_EQ(redraws, 2);
  EXPECT_EQ(keeper.Changes(), 2u);

  // Once the folder can be written, the next change writes all that was kept.
  std::filesystem::create_directory(data);
  EXPECT_EQ(keeper
                .Change([](TPlay_History& history) {
                  history.Set_Favourite({3, 3}, true);
                  return true;
                })
                .Problem,
            "");
  const THistory_Load written = Load_Play_History(data);
  EXPECT_EQ(written.History.Of({1, 2}).Count, 2);
  EXPECT_TRUE(written.History.Of({3, 3}).Favourite);

  // A change that changes nothing writes nothing and redraws nothing.
  std::filesystem::remove(std::filesystem::path(data) / History_File_Name);
  EXPECT_EQ(keeper.Change([](TPlay_History&) { return false; }).Problem, "");
  EXPECT_FALSE(std::filesystem::exists(std::filesystem::path(data) / History_File_Name));
  EXPECT_EQ(redraws, 3);

  // A command's keeper says only why nothing was written: nothing is kept after it.
  const THistory_Change once = Change_Play_History(dir / "data/deeper", launch(5));
  EXPECT_NE(once.Problem.find("Cannot write the history"), std::string::npos);
  EXPECT_EQ(once.Problem.find("kept in memory"), std::string::npos);
}

TEST(History_Keeper, Damage_Is_Told_Once_And_Another_Folder_Takes_What_Was_Not_Written) {
  TTemp_Dir dir;
  const std::string damaged = dir / "damaged";
  std::filesystem::create_directory(damaged);
  Write_File(std::filesystem::path(damaged) / History_File_Name, "VXHIST");
  THistory_Keeper keeper(damaged);
  EXPECT_EQ(keeper.History(), TPlay_History{});
  EXPECT_NE(keeper.Take_Warning().find("cannot be read"), std::string::npos);
  EXPECT_EQ(keeper.Take_Warning(), "");
  // The damaged file was put aside; the first change writes a sound one even when it changes
  // nothing.
  EXPECT_EQ(keeper.Change([](TPlay_History&) { return false; }).Warning, "");
  EXPECT_EQ(Load_Play_History(damaged).Warning, "");

  // A window without a data folder keeps its launches for the folder chosen later.
  THistory_Keeper homeless("");
  EXPECT_EQ(homeless
                .Change([](TPlay_History& history) {
                  history.Queue({5, 5});
                  return true;
                })
                .Problem,
            "");
  const std::string chosen = dir / "chosen";
  std::filesystem::create_directory(chosen);
  TPlay_History there;
  there.Set_Favourite({8, 8}, true);
  ASSERT_EQ(Save_Play_History(chosen, there), "");
  homeless.Set_Program_Dir(chosen);
  EXPECT_TRUE(homeless.History().Is_Queued({5, 5}));
  homeless.Change([](TPlay_History&) { return false; });
  EXPECT_TRUE(Load_Play_History(chosen).History.Is_Queued({5, 5}));

  // With nothing unwritten, another folder's own history is read.
  THistory_Keeper settled(damaged);
  EXPECT_EQ(settled.History(), TPlay_History{});
  settled.Set_Program_Dir(chosen);
  EXPECT_TRUE(settled.History().Is_Queued({5, 5}));
  EXPECT_EQ(settled.Program_Dir(), chosen);
}

TEST(History_Keeper, Played_Texts_Say_How_Often_And_When) {
  const QLocale c = QLocale::c();
  EXPECT_EQ(Played_Text({}, c), "never");
  const std::string once = Played_Text({1, 86400, false}, c);
  EXPECT_EQ(once.rfind("once, the last on ", 0), 0u) << once;
  EXPECT_NE(once.find("1970"), std::string::npos) << once;
  EXPECT_EQ(Played_Text({7, 86400, true}, c).rfind("7 launches, the last on ", 0), 0u);
}

}  // namespace
}  // namespace vorlix::testing
