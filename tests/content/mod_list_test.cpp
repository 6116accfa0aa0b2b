#include "content/mod_list.h"

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "builders.h"
#include "core/letter_case.h"
#include "database/records.h"
#include "scripted_interaction.h"

namespace vorlix {
namespace {

namespace fs = std::filesystem;
using testing::TTemp_Dir;
using testing::Write_File;

TEST(MOD_List, Lists_Directories_In_Listing_Order_Upper_Cased) {
  TTemp_Dir game;
  fs::create_directories(game / "missionpack");
  fs::create_directories(game / "baseq3");
  fs::create_directories(game / "Extras");
  fs::create_directories(game / ".hidden");
  fs::create_directories(game / "empty_mod");
  fs::create_directories(game / "elsewhere/real");
  fs::create_directory_symlink(game / "elsewhere/real", game / "LinkMod");
  Write_File(game / "QUAKE3.EXE", "");
  Write_File(game / "aaa_not_a_dir", "");
  fs::create_symlink(game / "QUAKE3.EXE", game / "filelink");

  std::vector<std::pair<std::string, std::string>> added;
  std::vector<int> counts_seen;
  TMOD_List_Hooks hooks;
  TMOD_List mods;
  hooks.MOD_Added = [&](const std::string& name, const std::string& dir) {
    added.emplace_back(name, dir);
    counts_seen.push_back(mods.Count());
  };
  int counted = 0;
  hooks.Count_MODs_With_Arena_Files = [&](const TMOD_List& list) {
    ++counted;
    return list.Count() * 10;
  };

  EXPECT_EQ(mods.Build_List(game.Path(), hooks), 50);
  EXPECT_EQ(mods.Names(), (std::vector<std::string>{"BASEQ3", "ELSEWHERE", "EMPTY_MOD", "LINKMOD",
                                                    "MISSIONPACK"}));
  // The hook runs right after each MOD was appended, with the directory as it is on disk.
  ASSERT_EQ(added.size(), 5u);
  EXPECT_EQ(added[3], std::make_pair(std::string("LINKMOD"), game / "LinkMod"));
  EXPECT_EQ(counts_seen, (std::vector<int>{1, 2, 3, 4, 5}));

  EXPECT_EQ(mods.Index_Of("missionpack"), 4);
  EXPECT_EQ(mods.Index_Of("extras"), -1);

  // A rebuild reads the disk again: new directories appear, removed ones drop out.
  fs::remove_all(game / "missionpack");
  fs::create_directories(game / "cpma");
  EXPECT_EQ(mods.Build_List(game.Path()), 0);
  EXPECT_EQ(mods.Names(),
            (std::vector<std::string>{"BASEQ3", "CPMA", "ELSEWHERE", "EMPTY_MOD", "LINKMOD"}));
  // An unreadable game directory gives an empty list, and the count still runs.
  added.clear();
  EXPECT_EQ(mods.Build_List(game / "missing", hooks), 0);
  EXPECT_EQ(mods.Count(), 0);
  EXPECT_TRUE(added.empty());
  EXPECT_EQ(counted, 2);
}

// An installation's extracted bot files below BOTINFO and the records of its archives.
class Bot_Information : public ::testing::Test {
 protected:
  Bot_Information() : Db_(TDatabase_Paths{Program_.Path(), "", "", Program_ / "BOTINFO", ""}) {}

  TPK3_Record& Record(const std::string& mod, const std::string& pk3, bool present = true) {
    TPK3_Record* record = Db_.Items(Db_.Add_Record());
    record->MOD_Directory = mod;
    record->PK3_Filename = pk3;
    record->Present = present;
    return *record;
  }

  void Bots_Txt(const std::string& relative, const std::string& text) {
    Write_File(Program_ / ("BOTINFO/" + relative), text);
  }

  // Archive folders in baseq3 that need no look inside (no sub-folder) and folders that do, in
  // database order; the last one with a bots file is the linked folder.
  void Folders_Of_Every_Shape() {
    Record("baseq3", "empty.pk3");
    fs::create_directories(Program_ / "BOTINFO/baseq3/empty.pk3");
    Record("baseq3", "files.pk3");
    Write_File(Program_ / "BOTINFO/baseq3/files.pk3/bots.txt", Block("Flat", "flat"));
    Record("baseq3", "models.pk3");
    Write_File(Program_ / "BOTINFO/baseq3/models.pk3/models/players/x/icon.tga", "x");
    Record("baseq3", "Late.pk3");
    Bots_Txt("baseq3/late.pk3/Scripts/bots.txt", Block("Late", "late"));
    Record("baseq3", "plainfile.pk3");
    Write_File(Program_ / "BOTINFO/baseq3/plainfile.pk3", "not a folder");
    Record("baseq3", "missing.pk3");
    // Two folders differing only in case: the first in listing order is the archive's.
    Record("baseq3", "twin.pk3");
    fs::create_directories(Program_ / "BOTINFO/baseq3/TWIN.pk3");
    Bots_Txt("baseq3/twin.pk3/scripts/bots.txt", Block("Twin", "twin"));
    // A linked folder holding a bots file.
    Record("baseq3", "linked.pk3");
    Bots_Txt("elsewhere/scripts/bots.txt", Block("Linked", "linked"));
    fs::create_directory_symlink(Program_ / "BOTINFO/elsewhere",
                                 Program_ / "BOTINFO/baseq3/linked.pk3");
  }

  static std::string Block(const std::string& name, const std::string& model) {
    return "{\nname " + name + "\nmodel " + model + "\n}\n";
  }

  void Determine() {
    for (std::string& error : Mods_.Determine_Bot_Information(Program_.Path(), Db_)) {
      Errors_.push_back(std::move(error));
    }
  }

  std::vector<TBot_Entry> Bots(int mod) const {
    std::vector<TBot_Entry> bots;
    bots.reserve(static_cast<std::size_t>(Mods_.Bots(mod)->Count()));
    for (int i = 0; i < Mods_.Bots(mod)->Count(); ++i) {
      bots.push_back(Mods_.Bots(mod)->Bot_At(i));
    }
    return bots;
  }

  TTemp_Dir Program_;
  // Every error the walks returned, in order.
  std::vector<std::string> Errors_;
  TPK3_Record_Store Db_;
  TMOD_List Mods_;
};

TEST_F(Bot_Information, The_Last_Archive_With_A_Bots_File_In_Its_Own_Folder_Wins) {
  for (const char* mod : {"BASEQ3", "NOBOTS", "EMPTYBOTS", "GONE", "OTHER"}) {
    Mods_.Append(mod);
  }
  // Database order, as the synchronisation leaves it: sorted by file name.
  Record("baseq3", "a.pk3");
  Record("baseq3", "m.pk3");  // no bots file
  Record("baseq3", "z.pk3");
  Record("nobots", "maps.pk3");
  // Names from a damaged database never leave their folder.
  for (const char* crafted : {"../other/o.pk3", "..", ".", "", "x\\..\\..\\other\\o.pk3"}) {
    Record("nobots", crafted);
  }
  Record("emptybots", "e.pk3");
  Record("gone", "g.pk3", /*present=*/false);
  Record("other", "o.pk3");
  // Without a BOTINFO folder no MOD has bots of its own.
  Determine();
  for (int i = 0; i < Mods_.Count(); ++i) {
    ASSERT_NE(Mods_.Bots(i), nullptr);
    EXPECT_FALSE(Mods_.Bots(i)->Has_Own_Bots);
  }

  // The extraction keeps the archive's letter case; the lookup ignores it.
  Bots_Txt("baseq3/a.pk3/scripts/bots.txt", Block("Anarki", "anarki") + Block("Sarge", "sarge"));
  Bots_Txt("baseq3/z.pk3/Scripts/Bots.TXT",
           Block("Major", "major") + Block("Sarge", "sarge/krusade"));
  Bots_Txt("emptybots/e.pk3/SCRIPTS/BOTS.TXT", "{\nname Lonely\n}\n");
  Bots_Txt("gone/g.pk3/scripts/bots.txt", Block("Ghost", "ghost"));
  Bots_Txt("other/o.pk3/scripts/bots.txt", Block("Other", "other"));
  Bots_Txt("nobots/scripts/bots.txt", Block("Flat", "flat"));
  // Another bot script name in a neighbouring folder is not read.
  Bots_Txt("nobots/maps.pk3/scripts/extra.bot", Block("Extra", "extra"));

  Determine();

  for (int i = 0; i < Mods_.Count(); ++i) {
    ASSERT_NE(Mods_.Bots(i), nullptr);
    EXPECT_EQ(Mods_.Bots(i)->MOD_Name, Mods_.Name(i));
  }
  EXPECT_TRUE(Mods_.Bots(0)->Has_Own_Bots);
  EXPECT_EQ(Bots(0), (std::vector{TBot_Entry{"Major", "major", "z.pk3"},
                                  TBot_Entry{"Sarge", "sarge/krusade", "z.pk3"}}));
  EXPECT_FALSE(Mods_.Bots(1)->Has_Own_Bots);
  EXPECT_EQ(Mods_.Bots(1)->Count(), 0);
  // A bots file without a complete bot still counts as the MOD's own bot information.
  EXPECT_TRUE(Mods_.Bots(2)->Has_Own_Bots);
  EXPECT_EQ(Mods_.Bots(2)->Count(), 0);
  // An archive that is gone contributes nothing, though its files are still there.
  EXPECT_FALSE(Mods_.Bots(3)->Has_Own_Bots);
  EXPECT_EQ(Mods_.Bots(3)->Count(), 0);
  EXPECT_EQ(Bots(4), (std::vector{TBot_Entry{"Other", "other", "o.pk3"}}));
  EXPECT_TRUE(Errors_.empty());
}

TEST_F(Bot_Information, Files_Of_Archives_Before_The_Last_With_One_Are_Never_Read) {
  Mods_.Append("BASEQ3");
  Mods_.Append("OTHER");
  Mods_.Append("baseq3");  // a name twice: both entries get the bots
  // Unreadable files before the last archive with a bots file: their bots would be dropped by
  // the later file, so they are not read and nothing is reported.
  Record("baseq3", "early.pk3");
  fs::create_directories(Program_ / "BOTINFO/baseq3/early.pk3/scripts");
  fs::create_symlink("/proc/self/mem", Program_ / "BOTINFO/baseq3/early.pk3/scripts/bots.txt");
  Folders_Of_Every_Shape();
  // Two MOD folders differing in case: the first in listing order holds the archives' folders.
  Record("other", "unreadable.pk3");
  fs::create_directories(Program_ / "BOTINFO/Other/unreadable.pk3/scripts");
  fs::create_symlink("/proc/self/mem", Program_ / "BOTINFO/Other/unreadable.pk3/scripts/bots.txt");
  Record("other", "o.pk3");
  Bots_Txt("Other/o.pk3/SCRIPTS/bots.txt", Block("Upper", "upper"));
  Bots_Txt("other/o.pk3/scripts/bots.txt", Block("Lower", "lower"));
  Record("other", "p.pk3");  // no folder at all
  // A folder where the file should be is no bots file at all.
  Record("other", "q.pk3");
  fs::create_directories(Program_ / "BOTINFO/Other/q.pk3/scripts/bots.txt");

  Determine();
  EXPECT_EQ(Bots(0), (std::vector{TBot_Entry{"Linked", "linked", "linked.pk3"}}));
  EXPECT_EQ(Bots(1), (std::vector{TBot_Entry{"Upper", "upper", "o.pk3"}}));
  EXPECT_EQ(Bots(2), Bots(0));
  EXPECT_TRUE(Errors_.empty());
  // Without the linked folder the last found is the one before it.
  fs::remove(Program_ / "BOTINFO/baseq3/linked.pk3");
  Determine();
  EXPECT_EQ(Bots(0), (std::vector{TBot_Entry{"Late", "late", "Late.pk3"}}));

  // With the later archives gone the unreadable file is the last: reported once for each entry
  // of the name, the walk goes on, and the MOD keeps its own (empty) bot information.
  for (int i = 0; i < Db_.Count(); ++i) {
    Db_.Items(i)->Present =
        Db_.Items(i)->PK3_Filename == "early.pk3" || Db_.Items(i)->MOD_Directory == "other";
  }
  Determine();
  EXPECT_TRUE(Mods_.Bots(0)->Has_Own_Bots);
  EXPECT_EQ(Mods_.Bots(0)->Count(), 0);
  EXPECT_EQ(Bots(1), (std::vector{TBot_Entry{"Upper", "upper", "o.pk3"}}));
  EXPECT_EQ(Errors_, std::vector<std::string>(
                         2, "Error during determining bot information. Please report to author."));
  // A file that comes first among the letter-case variants of a MOD folder hides them all.
  Write_File(Program_ / "BOTINFO/OTHER", "x");
  Determine();
  EXPECT_FALSE(Mods_.Bots(1)->Has_Own_Bots);
  EXPECT_EQ(Mods_.Bots(1)->Count(), 0);
}

}  // namespace
}  // namespace vorlix
