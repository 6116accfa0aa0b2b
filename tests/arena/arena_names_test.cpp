#include "arena/arena_names.h"

#include <gtest/gtest.h>

#include "arena_test_support.h"
#include "core/case_lookup.h"
#include "core/letter_case.h"
#include "core/paths.h"

namespace vorlix::testing {
namespace {

TEST(Arena_Names, State_And_Arena_Name_From_File_Name) {
  // An arena name holding the word "inactive" keeps it; files of other kinds have no name.
  const std::tuple<const char*, bool, const char*> rows[] = {
      {"Z_ARENAS_ACTIVE_x.pk3", true, "x"},
      {"z_Arenas_Inactive_Duel.pk3", false, "Duel"},
      {"z_Arenas_active_inactive_test.pk3", true, "inactive_test"},
      {"z_Arenas_Inactive_active.pk3", false, "active"},
      {"z_Arenas_Disabler.pk3", false, ""},
      {"z_Arenas_other.pk3", false, ""},
      {"pak0.pk3", false, ""}};
  for (const auto& [file, active, name] : rows) {
    EXPECT_EQ(Is_Arena_File_Active(file), active) << file;
    EXPECT_EQ(Arena_Name_From_Arena_File_Name(file), name) << file;
  }
}

TEST(Arena_Names, Names_That_Would_Leave_The_Directory_Are_Refused) {
  EXPECT_FALSE(Check_Arena_Name("Duel maps").has_value());
  EXPECT_FALSE(Check_Arena_Name("v1.2").has_value());
  for (const std::string& bad : std::vector<std::string>{"", "../x", "a/b", "a\\b", "..",
                                                         "tab\there", std::string(234, 'n')}) {
    EXPECT_TRUE(Check_Arena_Name(bad).has_value()) << bad;
  }
  EXPECT_FALSE(Check_Arena_Name(std::string(233, 'n')).has_value());
}

TEST(Arena_Names, Directory_With_Only_The_Disabler) {
  TTemp_Dir dir;
  Write_File(dir / "z_Arenas_Disabler.pk3", "x");
  Write_File(dir / "pak0.pk3", "x");
  EXPECT_EQ(First_Arena_File_In_Directory(dir.Path()), "");
}

TEST(Arena_Names, Queries_Over_A_Directory_In_Listing_Order) {
  TTemp_Dir dir;
  Write_File(dir / "z_Arenas_Inactive_B.pk3", "x");
  Write_File(dir / "z_Arenas_active_A.pk3", "x");
  Write_File(dir / "z_Arenas_Disabler.pk3", "x");
  Write_File(dir / "z_arenas_inactive_c.PK3", "x");                      // matched ignoring case
  Write_File(dir / "z_Arenas_.pk3", "x");                                // only the generic prefix
  std::filesystem::create_directories(dir / "z_Arenas_Inactive_D.pk3");  // a folder
  Write_File(dir / "z_Arenas_active_E.txt", "x");

  EXPECT_EQ(List_All_Arena_Files_In(dir.Path()), (std::vector<std::string>{"", "A", "B", "c"}));
  EXPECT_EQ(First_Arena_File_In_Directory(dir.Path()), "z_Arenas_.pk3");
  EXPECT_EQ(Count_Arena_Files_In(dir.Path()), 4);  // the folder is an entry too
  EXPECT_TRUE(Arena_File_Exists(dir.Path(), "B"));
  EXPECT_TRUE(Arena_File_Exists(dir.Path(), "C"));
  EXPECT_FALSE(Arena_File_Exists(dir.Path(), "E"));
}

TEST(Arena_Names, Overview_Counts_And_Active_Arena_Files_Per_MOD_In_List_Order) {
  TTemp_Dir game;
  Write_File(game / "cpma/z_Arenas_Inactive_Old.pk3", "x");
  Write_File(game / "cpma/Z_ARENAS_ACTIVE_Loud.pk3", "x");
  Write_File(game / "cpma/z_Arenas_Disabler.pk3", "x");
  Write_File(game / "baseq3/z_Arenas_active_Duel.pk3", "x");
  Write_File(game / "osp/z_Arenas_Inactive_Off.pk3", "x");
  std::filesystem::create_directories(game / "arena/z_Arenas_active_Folder.pk3");
  Write_File(game / "cpma/z_Arenas_active_Later.pk3", "x");
  const std::vector<std::string> dirs = {game / "baseq3", game / "osp", game / "arena",
                                         game / "cpma", game / "gone"};
  const TArena_Overview overview = Arena_Overview(dirs, {"BASEQ3", "OSP", "ARENA", "CPMA", "GONE"});
  // The first active file of each directory in listing order; a folder is none.
  EXPECT_EQ(overview.Active, (std::vector<TActive_Arena>{{"BASEQ3", "Duel"}, {"CPMA", "Later"}}));
  // The counts are those of the directories' own count, from the same single listing.
  EXPECT_EQ(overview.Counts.Program_Files, Count_Arena_Files(dirs).Program_Files);
  EXPECT_EQ(overview.Counts.Program_Files, 7);
  EXPECT_EQ(overview.Counts.Most_In_One_Directory, 3);
}

TEST(Arena_Names, Links_And_Letter_Case_Variants_Among_Many_Archives) {
  TTemp_Dir dir;
  // Many other archives around the few that match, as a MOD directory holds them.
  for (int i = 0; i < 200; ++i) {
    Write_File(dir / ("map-" + std::to_string(i) + ".pk3"), "x");
  }
  std::filesystem::create_directories(dir / "folder");
  std::filesystem::create_directory_symlink(dir / "folder", dir / "z_Arenas_active_L.pk3");
  std::filesystem::create_symlink(dir / "missing", dir / "z_Arenas_active_M.pk3");  // dangling
  Write_File(dir / "z_Arenas_active_N.pk3", "x");
  Write_File(dir / "Z_ARENAS_ACTIVE_n.PK3", "x");

  // A link to a folder is a folder; a link to nothing is no folder; each case variant is an
  // entry of its own, in listing order.
  EXPECT_EQ(List_All_Arena_Files_In(dir.Path()), (std::vector<std::string>{"M", "n", "N"}));
  EXPECT_EQ(Find_Arena_Pattern(dir.Path(), "z_arenas_active_", false),
            (std::vector<std::string>{"z_Arenas_active_L.pk3", "z_Arenas_active_M.pk3",
                                      "Z_ARENAS_ACTIVE_n.PK3", "z_Arenas_active_N.pk3"}));
  EXPECT_EQ(Count_Arena_Files_In(dir.Path()), 4);

  // The first variant in listing order, whichever case is asked for, else none.
  EXPECT_EQ(platform::Find_Ignore_Case(dir.Path(), "z_Arenas_active_N.pk3"),
            "Z_ARENAS_ACTIVE_n.PK3");
  EXPECT_EQ(platform::Find_Ignore_Case(dir.Path(), "MAP-7.PK3"), "map-7.pk3");
  EXPECT_EQ(platform::Find_Ignore_Case(dir.Path(), "map-7.pk"), std::nullopt);
  EXPECT_EQ(platform::Find_Ignore_Case(dir / "absent", "map-7.pk3"), std::nullopt);
  EXPECT_EQ(Arena_MOD_Directory(platform::Parent(dir.Path()),
                                platform::Upper(platform::File_Name(dir.Path()))),
            dir.Path());
}

TEST(Arena_Names, MOD_Directories_Of_A_List_Are_Those_Found_One_By_One) {
  TTemp_Dir game;
  for (const char* name : {"baseq3", "CPMA", "cpma", "Osp", "osP", "file"}) {
    if (std::string(name) == "file") {
      Write_File(game / name, "x");
    } else {
      std::filesystem::create_directories(game / name);
    }
  }
  const std::vector<std::string> mods = {"BASEQ3", "cpma", "CPMA", "OSP", "osP", "FILE", "GONE"};
  std::vector<std::string> one_by_one;
  one_by_one.reserve(mods.size());
  for (const auto& mod : mods) {
    one_by_one.push_back(Arena_MOD_Directory(game.Path(), mod));
  }
  EXPECT_EQ(Arena_MOD_Directories(game.Path(), mods), one_by_one);
  EXPECT_EQ(one_by_one[1], game / "CPMA");  // the first in listing order
  EXPECT_EQ(Arena_MOD_Directories(game / "absent", {"X"}),
            std::vector<std::string>{game / "absent/X"});
}

}  // namespace
}  // namespace vorlix::testing

namespace vorlix::testing {

TEST(Arena_Names, Availability_Needs_A_File_To_Remove_And_Two_In_One_MOD_To_Activate) {
  TTemp_Dir game;
  Write_File(game / "baseq3/z_Arenas_Disabler.pk3", "x");
  Write_File(game / "osp/z_Arenas_active_Duel.pk3", "x");
  Write_File(game / "cpma/z_Arenas_Inactive_Old.pk3", "x");
  const std::string baseq3 = game / "baseq3";
  const std::string osp = game / "osp";
  const std::string cpma = game / "cpma";
  // The disabler alone is a file of the program, not an arena file.
  EXPECT_EQ(Arena_Availability_In({baseq3}), (TArena_Availability{true, false}));
  // One arena file in each of two MODs is still nothing to switch between.
  EXPECT_EQ(Arena_Availability_In({osp, cpma}), (TArena_Availability{true, false}));
  EXPECT_EQ(Count_Arena_Files({baseq3, osp, cpma}).Program_Files, 3);
  Write_File(game / "osp/z_Arenas_Inactive_CTF.pk3", "x");
  EXPECT_EQ(Arena_Availability_In({cpma, osp}), (TArena_Availability{true, true}));
  EXPECT_EQ(Arena_Availability_In({game / "gone"}), (TArena_Availability{false, false}));
}

}  // namespace vorlix::testing
