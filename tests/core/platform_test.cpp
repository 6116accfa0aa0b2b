#include "app/heap.h"
#include "core/case_lookup.h"
#include "core/dos_time.h"
#include "core/listing.h"
#include "core/paths.h"

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include <gtest/gtest.h>

#include "builders.h"

namespace vorlix::platform {
namespace {

using testing::Write_File;

TEST(Listing_Order, Sorts_By_Upper_Cased_Name_Then_Raw_Name) {
  std::vector<std::string> names{"baseq3", "Extras", "MissionPack", "a_mod", "BASEQ3", "_x"};
  Sort_Listing(names);
  // '_' (0x5F) sorts after the upper-case letters, as the upper-cased comparison gives.
  EXPECT_EQ(names,
            (std::vector<std::string>{"a_mod", "BASEQ3", "baseq3", "Extras", "MissionPack", "_x"}));
}

// A tree whose names differ only in letter case at several levels.
class Case_Lookup : public ::testing::Test {
 protected:
  Case_Lookup() {
    for (const char* file : {"Maps/A.txt", "Maps/a.txt", "MAPS/b.txt", "maps/Sub/c.txt", "x.txt"}) {
      Write_File(Dir_ / file, "x");
    }
    std::filesystem::create_directory_symlink(Dir_ / "maps/Sub", Dir_ / "Linked");
  }
  testing::TTemp_Dir Dir_;
};

TEST_F(Case_Lookup, The_Kept_Listings_Find_What_A_Fresh_Lookup_Finds) {
  TCase_Resolver resolver;
  for (int round = 0; round < 2; ++round) {  // the second round answers from the kept listings
    for (const char* relative : {"maps/a.txt", "MAPS/A.TXT", "maps/B.TXT", "mAps/sub/C.txt",
                                 "Maps/../X.TXT", "./maps/./a.txt", "linked/C.TXT", "x.txt/y",
                                 "nothing/a.txt", "maps/none.txt", "", "maps\\A.txt"}) {
      SCOPED_TRACE(relative);
      EXPECT_EQ(resolver.Resolve(Dir_.Path(), relative),
                Resolve_Ignore_Case(Dir_.Path(), relative));
    }
  }
  // "MAPS" sorts before "Maps" and "maps": its entries win, and "a.txt" is not among them.
  EXPECT_EQ(resolver.Resolve(Dir_.Path(), "maps/b.txt"), Join(Dir_.Path(), "MAPS/b.txt"));
  EXPECT_EQ(resolver.Resolve(Dir_.Path(), "maps/a.txt"), std::nullopt);
  EXPECT_EQ(resolver.Resolve(Dir_ / "missing", "a"), std::nullopt);
}

TEST_F(Case_Lookup, Names_Only_Listing_Matches_The_Full_Listing) {
  for (const std::string& dir : {Dir_.Path(), Dir_ / "Maps"}) {
    const auto full = List_Directory(dir);
    const auto names = List_Names(dir);
    ASSERT_TRUE(full && names);
    std::vector<std::string> expected;
    for (const auto& entry : *full) {
      expected.push_back(entry.Name);
    }
    EXPECT_EQ(*names, expected);
  }
  // Filtered: the kept names in listing order.
  EXPECT_EQ(List_Names(Dir_.Path(), [](std::string_view name) { return name.size() == 4; }),
            (std::vector<std::string>{"MAPS", "Maps", "maps"}));
  EXPECT_EQ(List_Names(Dir_ / "missing"), std::nullopt);
}

TEST(Dos_Date_Time, Round_Trips_At_Two_Second_Resolution) {
  std::tm local{};
  local.tm_year = 2001 - 1900;
  local.tm_mon = 11;
  local.tm_mday = 24;
  local.tm_hour = 13;
  local.tm_min = 45;
  local.tm_sec = 31;
  local.tm_isdst = -1;
  const std::time_t t = std::mktime(&local);
  const std::int32_t dos = To_DOS_Date_Time(t);
  EXPECT_EQ(static_cast<std::uint32_t>(dos) >> 16, (21u << 9) | (12u << 5) | 24u);
  EXPECT_EQ(static_cast<std::uint32_t>(dos) & 0xFFFFu, (13u << 11) | (45u << 5) | 15u);
  EXPECT_EQ(From_DOS_Date_Time(dos), t - 1);
}

// ---- The start-up heap ----------------------------------------------------------------------

#if defined(__GLIBC__) && !defined(__SANITIZE_ADDRESS__)
// The address range of the process's heap (one mapping, or several where parts of it were given
// other advice) and whether a part of it may take huge pages.
struct Heap_Mapping {
  std::uintptr_t Begin = UINTPTR_MAX;
  std::uintptr_t End = 0;
  bool Huge_Pages = false;
};

Heap_Mapping Read_Heap_Mapping() {
  Heap_Mapping heap;
  std::ifstream maps("/proc/self/smaps");
  std::string line;
  bool in_heap = false;
  while (std::getline(maps, line)) {
    const auto dash = line.find('-');
    // "begin-end perms offset device inode [name]"; the other lines are "Field: value".
    const bool header = dash != std::string::npos && dash < line.find(' ');
    if (header) {
      in_heap = line.find(" [heap]") != std::string::npos;
      if (in_heap) {
        heap.Begin =
            std::min<std::uintptr_t>(heap.Begin, std::stoull(line.substr(0, dash), nullptr, 16));
        heap.End =
            std::max<std::uintptr_t>(heap.End, std::stoull(line.substr(dash + 1), nullptr, 16));
      }
    } else if (in_heap && line.rfind("VmFlags:", 0) == 0) {
      heap.Huge_Pages = heap.Huge_Pages || line.find(" hg") != std::string::npos;
    }
  }
  return heap;
}

TEST(Startup_Heap, Large_Buffers_Come_From_A_Heap_Grown_In_Steps_That_Takes_Huge_Pages) {
  Prepare_Heap_For_Startup();
  Prepare_Heap_For_Startup();  // a second call changes nothing
  const Heap_Mapping heap = Read_Heap_Mapping();
  ASSERT_LT(heap.Begin, heap.End);
  EXPECT_GE(heap.End - heap.Begin, Heap_Step);
  // A buffer of megabytes (the database file of a large collection) is carved from the heap, not
  // mapped on its own.
  std::vector<char> buffer(Heap_Step / 8);
  const auto address = reinterpret_cast<std::uintptr_t>(buffer.data());
  const Heap_Mapping after = Read_Heap_Mapping();
  EXPECT_TRUE(address >= after.Begin && address < after.End);
  std::ifstream thp("/sys/kernel/mm/transparent_hugepage/enabled");
  std::string modes;
  std::getline(thp, modes);
  if (modes.find("[madvise]") != std::string::npos) {
    EXPECT_TRUE(after.Huge_Pages);
  }
}
#endif

}  // namespace
}  // namespace vorlix::platform
