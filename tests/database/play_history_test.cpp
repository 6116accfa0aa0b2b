// The history of played maps: counts and last times, the last launches, marks and the queue,
// what an archive's deletion forgets, and the file against damage.

#include "database/play_history.h"

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
  other_version[6] = 2;
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

}  // namespace
}  // namespace vorlix::testing
