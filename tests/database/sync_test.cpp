#include <filesystem>

#include <gtest/gtest.h>

#include "builders.h"
#include "core/dos_time.h"
#include "database/database_file.h"
#include "database/database_startup.h"
#include "database/records.h"
#include "database/unreadable_archives.h"
#include "scripted_interaction.h"

namespace vorlix::testing {
namespace {

namespace fs = std::filesystem;

std::vector<TZip_Member> Maps_Archive(const std::vector<std::string>& names,
                                      std::size_t filler = 2000) {
  std::vector<TZip_Member> members;
  for (const auto& name : names) {
    members.push_back({"maps/" + name + ".bsp", Make_Bsp(Entity_Text("Title " + name), filler)});
    members.push_back({"levelshots/" + name + ".jpg", "jpg of " + name});
  }
  members.push_back({"scripts/bots.txt", "bots"});
  return members;
}

// A game directory and a program directory; every Run is one start of the program: build the
// manager, load mapsdb.dat, synchronise, save mapsdb.dat.
class Sync_Test : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* folder : {"prog/LEVELSHOTS", "prog/BOTINFO", "game/baseq3"}) {
      fs::create_directories(Dir_ / folder);
    }
  }

  TDatabase_Paths Paths() const {
    return {Dir_ / "prog", Dir_ / "prog/TEMP", Dir_ / "prog/LEVELSHOTS", Dir_ / "prog/BOTINFO",
            Dir_ / "game"};
  }
  std::string Game(const std::string& relative) const { return Dir_ / ("game/" + relative); }
  std::string Shots(const std::string& relative) const {
    return Dir_ / ("prog/LEVELSHOTS/" + relative);
  }
  std::string Bots(const std::string& relative) const {
    return Dir_ / ("prog/BOTINFO/" + relative);
  }

  std::unique_ptr<TPK3_Record_Store> Run() {
    User_ = TScripted_Interaction();
    TLoaded_Database loaded = Load_PK3_Database(Paths(), &User_);
    New_Maps_.clear();
    for (const TMap_Record* map : loaded.New_Maps) {
      New_Maps_.push_back(map->MAP_Filename);
    }
    auto db = std::move(loaded.Database);
    EXPECT_TRUE(Save_PK3_Database(*db));
    return db;
  }

  std::vector<std::string> Line_1() const { return User_.Status_Texts(1); }
  int Openings() const {
    int count = 0;
    for (const auto& status : User_.Status) {
      count += status.Line == 2 && status.Text.rfind("opening ", 0) == 0 ? 1 : 0;
    }
    return count;
  }
  static const TPK3_Record& Record(const TPK3_Record_Store& db, const std::string& mod,
                                   const std::string& file) {
    const int index = db.Find_PK3(mod, file);
    EXPECT_GE(index, 0) << mod << "\\" << file;
    return *db.Items(std::max(index, 0));
  }
  // Gives a file a new modification time, two minutes on.
  static void Touch(const std::string& path) {
    Set_Mtime(path, static_cast<std::int64_t>(
                        platform::From_DOS_Date_Time(*platform::File_DOS_Date_Time(path))) +
                        120);
  }

  TTemp_Dir Dir_;
  TScripted_Interaction User_;
  std::vector<std::string> New_Maps_;  // the maps the last Run recorded for the first time
};

TEST_F(Sync_Test, First_Start_Adds_Every_Archive_In_Walk_Order_Then_Sorts_By_Name) {
  Write_Pk3(Game("baseq3/zz.pk3"), Maps_Archive({"z1", "z2"}));
  Write_Pk3(Game("baseq3/aa.pk3"), Maps_Archive({"a1"}));
  Write_Pk3(Game("BaseMod/mm.pk3"), Maps_Archive({"m1"}));
  Write_Pk3(Game("baseq3/z_Arenas_active_x.pk3"), Maps_Archive({"arena"}));
  Write_Pk3(Game("baseq3/z_Arenas_Disabler.pk3"), Maps_Archive({"dis"}));
  Write_Pk3(Game(".hidden/hh.pk3"), Maps_Archive({"h"}));
  const auto db = Run();
  // Walk order: BaseMod\mm, baseq3\aa, baseq3\zz -> IDs 0, 1, 2; then sorted by name.
  EXPECT_EQ(Line_1(),
            (std::vector<std::string>{"basemod\\mm.pk3", "baseq3\\aa.pk3", "baseq3\\zz.pk3"}));
  ASSERT_EQ(db->Count(), 3);
  EXPECT_EQ(db->Items(0)->PK3_Filename, "aa.pk3");
  EXPECT_EQ(db->Items(0)->ID, 1);
  EXPECT_EQ(db->Items(1)->PK3_Filename, "mm.pk3");
  EXPECT_EQ(db->Items(1)->ID, 0);
  EXPECT_EQ(db->Items(1)->MOD_Directory, "basemod");
  EXPECT_EQ(db->Items(2)->ID, 2);
  const TPK3_Record& zz = Record(*db, "BASEQ3", "ZZ.PK3");
  EXPECT_TRUE(zz.Present);
  EXPECT_EQ(zz.PK3_Filesize, fs::file_size(Game("baseq3/zz.pk3")));
  EXPECT_EQ(zz.PK3_Filedate, platform::File_DOS_Date_Time(Game("baseq3/zz.pk3")));
  ASSERT_EQ(zz.Maps->Count(), 2);
  EXPECT_EQ(Read_File(Shots("baseq3/zz.pk3/z2.jpg")), "jpg of z2");
  EXPECT_EQ(Read_File(Bots("baseq3/zz.pk3/scripts/bots.txt")), "bots");
  EXPECT_EQ(Read_File(Shots("basemod/mm.pk3/m1.jpg")), "jpg of m1");
  EXPECT_TRUE(User_.Messages.empty());
  EXPECT_GT(db->Folder_Writes(), 0);
}

TEST_F(Sync_Test, Unchanged_Archives_Are_Not_Opened_And_Touched_Ones_Keep_IDs_And_Properties) {
  Write_Pk3(Game("baseq3/a.pk3"), Maps_Archive({"m1", "m2"}));
  Write_Pk3(Game("baseq3/b.pk3"), Maps_Archive({"b1"}));
  {
    auto db = Run();
    TMap_Record& m2 = *Record(*db, "baseq3", "a.pk3").Maps->Items(1);
    m2.Rating = 7;
    m2.Comment = "keep me";
    m2.Assigned_Bots = {"Sarge"};
    ASSERT_TRUE(Save_PK3_Database(*db));
  }
  Write_File(Shots("baseq3/a.pk3/marker"), "untouched");
  const std::string before = Read_File(Dir_ / "prog/mapsdb.dat");
  {
    const auto db = Run();
    EXPECT_TRUE(Line_1().empty());
    EXPECT_EQ(Openings(), 0);
    EXPECT_EQ(db->Folder_Writes(), 0);  // the bot files read ahead hold
    EXPECT_EQ(Read_File(Shots("baseq3/a.pk3/marker")), "untouched");
    EXPECT_EQ(Read_File(Dir_ / "prog/mapsdb.dat"), before);
  }
  // A new date, the same content: a full rescan recognises every map.
  Touch(Game("baseq3/a.pk3"));
  {
    const auto db = Run();
    EXPECT_EQ(Line_1(), std::vector<std::string>{"baseq3\\a.pk3"});
    EXPECT_EQ(Openings(), 1);
    EXPECT_GT(db->Folder_Writes(), 0);
    const TPK3_Record& a = Record(*db, "baseq3", "a.pk3");
    EXPECT_EQ(a.PK3_Filedate, platform::File_DOS_Date_Time(Game("baseq3/a.pk3")));
    ASSERT_EQ(a.Maps->Count(), 2);
    const TMap_Record& m2 = *a.Maps->Items(1);
    EXPECT_EQ(m2.ID, 1);
    EXPECT_TRUE(m2.Present);
    EXPECT_EQ(m2.Rating, 7);
    EXPECT_EQ(m2.Comment, "keep me");
    EXPECT_EQ(m2.Assigned_Bots, std::vector<std::string>{"Sarge"});
    EXPECT_FALSE(fs::exists(Shots("baseq3/a.pk3/marker")));  // folders recreated
    EXPECT_TRUE(fs::exists(Shots("baseq3/a.pk3/m2.jpg")));
    EXPECT_FALSE(m2.Has_AAS);
    EXPECT_TRUE(m2.Has_Levelshot_JPG);
  }
  // The same maps, with a bot navigation file and a TGA levelshot for m2 instead of its JPG one:
  // the map keeps its record, and what the archive holds beside it is what it holds now.
  auto members = Maps_Archive({"m1", "m2"});
  std::erase_if(members,
                [](const TZip_Member& member) { return member.Name == "levelshots/m2.jpg"; });
  members.push_back({"maps/m2.aas", "aas"});
  members.push_back({"levelshots/m2.tga", "tga"});
  Write_Pk3(Game("baseq3/a.pk3"), members);
  {
    const auto db = Run();
    const TMap_Record& m2 = *Record(*db, "baseq3", "a.pk3").Maps->Items(1);
    EXPECT_EQ(m2.ID, 1);
    EXPECT_EQ(m2.Rating, 7);
    EXPECT_TRUE(m2.Has_AAS);
    EXPECT_TRUE(m2.Has_Levelshot_TGA);
    EXPECT_FALSE(m2.Has_Levelshot_JPG);
  }
}

TEST_F(Sync_Test, Changed_Map_Becomes_A_New_Record_And_The_Old_One_Stays_Absent) {
  Write_Pk3(Game("baseq3/a.pk3"), Maps_Archive({"x", "y"}));
  {
    auto db = Run();
    EXPECT_EQ(New_Maps_, (std::vector<std::string>{"X.BSP", "Y.BSP"}));
    Record(*db, "baseq3", "a.pk3").Maps->Items(0)->Rating = 5;
    EXPECT_TRUE(Save_PK3_Database(*db));
  }
  // x changes size; y is removed; it comes back in a later run.
  auto members = Maps_Archive({"x"}, 3000);
  Write_Pk3(Game("baseq3/a.pk3"), members);
  Touch(Game("baseq3/a.pk3"));
  {
    const auto db = Run();
    const TPK3_Record& a = Record(*db, "baseq3", "a.pk3");
    ASSERT_EQ(a.Maps->Count(), 3);
    EXPECT_FALSE(a.Maps->Items(0)->Present);
    EXPECT_EQ(a.Maps->Items(0)->Rating, 5);
    EXPECT_FALSE(a.Maps->Items(1)->Present);
    EXPECT_TRUE(a.Maps->Items(2)->Present);
    EXPECT_EQ(a.Maps->Items(2)->ID, 2);
    EXPECT_EQ(a.Maps->Items(2)->MAP_Filename, "X.BSP");
    EXPECT_EQ(a.Maps->Items(2)->Rating, 0);
    EXPECT_EQ(New_Maps_, (std::vector<std::string>{"X.BSP"}));  // the changed one only
  }
  Write_Pk3(Game("baseq3/a.pk3"), Maps_Archive({"x", "y"}));
  Touch(Game("baseq3/a.pk3"));
  {
    const auto db = Run();
    const TPK3_Record& a = Record(*db, "baseq3", "a.pk3");
    ASSERT_EQ(a.Maps->Count(), 3);
    EXPECT_TRUE(a.Maps->Items(0)->Present);  // the old x again, with its rating
    EXPECT_EQ(a.Maps->Items(0)->Rating, 5);
    EXPECT_TRUE(a.Maps->Items(1)->Present);
    EXPECT_FALSE(a.Maps->Items(2)->Present);
    EXPECT_TRUE(New_Maps_.empty());  // both known from before
  }
}

TEST_F(Sync_Test, Removed_Program_Folders_Are_Made_In_Lower_Case_By_Extraction_Only) {
  Write_Pk3(Game("baseq3/a.pk3"), Maps_Archive({"x"}));
  Write_Pk3(Game("baseq3/b.pk3"), Maps_Archive({"y"}));
  Run();
  const std::string before = Read_File(Dir_ / "prog/mapsdb.dat");
  fs::remove_all(Dir_ / "prog/LEVELSHOTS");
  fs::remove_all(Dir_ / "prog/BOTINFO");
  Run();
  EXPECT_EQ(Line_1(), (std::vector<std::string>{"baseq3\\a.pk3", "baseq3\\b.pk3"}));
  EXPECT_EQ(Openings(), 0);
  EXPECT_TRUE(User_.Messages.empty());
  EXPECT_EQ(Read_File(Dir_ / "prog/levelshots/baseq3/a.pk3/x.jpg"), "jpg of x");
  EXPECT_EQ(Read_File(Dir_ / "prog/botinfo/baseq3/b.pk3/scripts/bots.txt"), "bots");
  EXPECT_EQ(Read_File(Dir_ / "prog/mapsdb.dat"), before);
  Run();  // found again
  EXPECT_TRUE(Line_1().empty());
}

TEST_F(Sync_Test, Same_Name_In_Two_Mods_And_Directory_Case_Are_Handled_As_Written) {
  Write_Pk3(Game("baseq3/maps.pk3"), Maps_Archive({"b"}));
  Write_Pk3(Game("MyMod/maps.pk3"), Maps_Archive({"m"}));
  {
    const auto db = Run();
    ASSERT_EQ(db->Count(), 2);
    EXPECT_EQ(Record(*db, "MYMOD", "MAPS.PK3").Maps->Items(0)->Useable_MODs,
              std::vector<std::string>{"mymod"});
    EXPECT_TRUE(fs::exists(Shots("mymod/maps.pk3/m.jpg")));
    EXPECT_TRUE(fs::exists(Shots("baseq3/maps.pk3/b.jpg")));
  }
  // The directory is renamed in another letter case: still the same archives, nothing to do.
  fs::rename(Game("MyMod"), Game("MYMOD"));
  {
    const auto db = Run();
    EXPECT_TRUE(Line_1().empty());
    EXPECT_EQ(db->Count(), 2);
    EXPECT_TRUE(Record(*db, "mymod", "maps.pk3").Present);
  }
}

TEST_F(Sync_Test, Crafted_Records_Never_Aim_Removal_Outside_Their_Own_Folders) {
  Write_Pk3(Game("baseq3/a.pk3"), Maps_Archive({"x"}));
  Run();
  // A record for each name that is not a plain name, and one left by an interrupted load.
  {
    TPK3_Record_Store db(Paths());
    ASSERT_TRUE(TDatabase_File::Load_Database(db, Dir_ / "prog/mapsdb.dat").Complete());
    const std::vector<std::pair<std::string, std::string>> names = {
        {"", ""},          {"baseq3", ""},       {"", "baseq3"},
        {".", "."},        {"..", ".."},         {"baseq3", ".."},
        {"../..", "prog"}, {"baseq3/a.pk3", ""}, {"baseq3\\a.pk3", "."},
        {"..\\..", "game"}};
    for (const auto& [mod, file] : names) {
      TPK3_Record& r = *db.Items(db.Add_Record());
      r.MOD_Directory = mod;
      r.PK3_Filename = file;
      r.Maps = db.New_Map_Manager(&r);
    }
    ASSERT_TRUE(TDatabase_File::Save_Database(db, Dir_ / "prog/mapsdb.dat"));
  }
  Write_File(Dir_ / "prog/keep.txt", "keep");
  const auto db = Run();
  EXPECT_EQ(db->Count(), 11);
  for (int i = 0; i < db->Count(); ++i) {
    EXPECT_EQ(db->Items(i)->Present, db->Items(i)->PK3_Filename == "a.pk3") << i;
  }
  EXPECT_TRUE(fs::exists(Shots("baseq3/a.pk3/x.jpg")));
  EXPECT_TRUE(fs::exists(Bots("baseq3/a.pk3/scripts/bots.txt")));
  EXPECT_TRUE(fs::exists(Game("baseq3/a.pk3")));
  EXPECT_EQ(Read_File(Dir_ / "prog/keep.txt"), "keep");
}

TEST_F(Sync_Test, Broken_Archives_Do_Not_Stop_The_Start_And_Are_Scanned_Until_They_Can_Be) {
  Write_File(Game("baseq3/broken.pk3"), "not a zip archive");
  Write_Pk3(Game("baseq3/good.pk3"), Maps_Archive({"g"}));
  const std::int32_t date = *platform::File_DOS_Date_Time(Game("baseq3/broken.pk3"));
  for (int start = 0; start < 2; ++start) {
    // Every start scans it again since the database holds no scan of it; it is named with the
    // reason for the caller to tell once the views are filled, nothing shown meanwhile.
    User_ = TScripted_Interaction();
    TLoaded_Database loaded = Load_PK3_Database(Paths(), &User_);
    ASSERT_TRUE(Save_PK3_Database(*loaded.Database));
    const auto& db = loaded.Database;
    EXPECT_TRUE(User_.Messages.empty());
    ASSERT_EQ(loaded.Unreadable.size(), 1U);
    EXPECT_EQ(loaded.Unreadable[0].Path, Game("baseq3/broken.pk3"));
    EXPECT_EQ(loaded.Unreadable[0].Reason, "Not a zip archive");
    EXPECT_TRUE(Record(*db, "baseq3", "broken.pk3").Present);
    EXPECT_NE(Record(*db, "baseq3", "broken.pk3").PK3_Filedate, date);
    EXPECT_EQ(Record(*db, "baseq3", "good.pk3").Maps->Count(), 1);
  }
  // Mended, with its old date: its maps come in, and from then on it counts as unchanged.
  Write_Pk3(Game("baseq3/broken.pk3"), Maps_Archive({"m"}));
  Set_Mtime(Game("baseq3/broken.pk3"),
            static_cast<std::int64_t>(platform::From_DOS_Date_Time(date)));
  TLoaded_Database mended = Load_PK3_Database(Paths(), &User_);
  EXPECT_TRUE(mended.Unreadable.empty());
  EXPECT_EQ(Record(*mended.Database, "baseq3", "broken.pk3").Maps->Count(), 1);
  ASSERT_TRUE(Save_PK3_Database(*mended.Database));
  auto db = Run();
  EXPECT_TRUE(User_.Messages.empty());
  EXPECT_EQ(Record(*db, "baseq3", "broken.pk3").Maps->Count(), 1);
  EXPECT_EQ(Record(*db, "baseq3", "broken.pk3").PK3_Filedate, date);
  db = Run();
  EXPECT_EQ(Openings(), 0);
}

TEST(Archives_To_Report, An_Unreadable_Archive_Is_Told_Once_Until_Its_File_Changes) {
  TTemp_Dir dir;
  Write_File(dir / "a.pk3", "junk");
  Write_File(dir / "b.pk3", "junk");
  const std::vector<TUnreadable_Archive> both = {{dir / "a.pk3", "Not a zip archive"},
                                                 {dir / "b.pk3", "Not a zip archive"}};
  // Read-only: told every time, nothing remembered.
  EXPECT_EQ(Archives_To_Report(dir.Path(), both, true).size(), 2U);
  EXPECT_FALSE(fs::exists(dir / Unreadable_File_Name));
  EXPECT_EQ(Archives_To_Report(dir.Path(), both, false).size(), 2U);
  EXPECT_TRUE(Archives_To_Report(dir.Path(), both, false).empty());
  // A file that changed is told again; the unchanged one is not.
  Write_File(dir / "b.pk3", "other junk");
  auto told = Archives_To_Report(dir.Path(), both, false);
  ASSERT_EQ(told.size(), 1U);
  EXPECT_EQ(told[0].Path, dir / "b.pk3");
  // One that could be read meanwhile is forgotten: broken again, it is told again.
  EXPECT_TRUE(Archives_To_Report(dir.Path(), {both[1]}, false).empty());
  told = Archives_To_Report(dir.Path(), both, false);
  ASSERT_EQ(told.size(), 1U);
  EXPECT_EQ(told[0].Path, dir / "a.pk3");
  // None left: the file goes.
  EXPECT_TRUE(Archives_To_Report(dir.Path(), {}, false).empty());
  EXPECT_FALSE(fs::exists(dir / Unreadable_File_Name));
  // The message names the archive and the reason, and blames no one.
  const std::string one = Unreadable_Archive_Message({both[0]});
  EXPECT_EQ(one.rfind("The archive " + dir / "a.pk3" + " cannot be read: Not a zip archive.", 0),
            0U);
  const std::string two = Unreadable_Archive_Message(both);
  EXPECT_NE(two.find(dir / "b.pk3" + ": Not a zip archive"), std::string::npos);
  EXPECT_EQ((one + two).find("report"), std::string::npos);
}

TEST_F(Sync_Test, Vanished_Archives_And_Directories_Lose_Nothing_And_Come_Back_With_Their_IDs) {
  Write_Pk3(Game("baseq3/a.pk3"), Maps_Archive({"x"}));
  Write_Pk3(Game("baseq3/b.pk3"), Maps_Archive({"y"}));
  Write_Pk3(Game("cpma/c.pk3"), Maps_Archive({"y", "z"}));
  std::int32_t id = 0;
  {
    auto db = Run();
    Record(*db, "baseq3", "a.pk3").Maps->Items(0)->Comment = "mine";
    TPK3_Record& c = *db->Items(db->Find_PK3("cpma", "c.pk3"));
    id = c.ID;
    c.Maps->Items(1)->Comment = "kept";
    ASSERT_TRUE(Save_PK3_Database(*db));
  }
  // An archive and a MOD directory go away: their records stay, absent; the archive's folders go.
  fs::rename(Game("baseq3/a.pk3"), Dir_ / "a.pk3");
  fs::rename(Game("cpma"), Dir_ / "cpma-away");
  {
    const auto db = Run();
    const TPK3_Record& a = Record(*db, "baseq3", "a.pk3");
    EXPECT_FALSE(a.Present);
    EXPECT_EQ(a.Maps->Count(), 1);
    EXPECT_FALSE(fs::exists(Shots("baseq3/a.pk3")));
    EXPECT_FALSE(fs::exists(Bots("baseq3/a.pk3")));
    EXPECT_GT(db->Folder_Writes(), 0);
    const TPK3_Record& c = Record(*db, "cpma", "c.pk3");
    EXPECT_FALSE(c.Present);
    EXPECT_EQ(c.Maps->Items(1)->Comment, "kept");
    EXPECT_TRUE(User_.Messages.empty());
  }
  // Back again: extraction only, with their IDs and properties.
  fs::rename(Dir_ / "a.pk3", Game("baseq3/a.pk3"));
  fs::rename(Dir_ / "cpma-away", Game("cpma"));
  {
    const auto db = Run();
    EXPECT_EQ(Line_1(), (std::vector<std::string>{"baseq3\\a.pk3", "cpma\\c.pk3"}));
    EXPECT_EQ(Openings(), 0);
    const TPK3_Record& a = Record(*db, "baseq3", "a.pk3");
    EXPECT_TRUE(a.Present);
    EXPECT_EQ(a.Maps->Items(0)->Comment, "mine");
    EXPECT_TRUE(fs::exists(Shots("baseq3/a.pk3/x.jpg")));
    const TPK3_Record& c = Record(*db, "cpma", "c.pk3");
    EXPECT_TRUE(c.Present);
    EXPECT_EQ(c.ID, id);
    EXPECT_EQ(c.Maps->Items(1)->Comment, "kept");
  }
  // The whole game directory goes: nothing changes; back again: nothing to do.
  fs::rename(Dir_ / "game", Dir_ / "away");
  {
    const auto db = Run();
    EXPECT_TRUE(Record(*db, "baseq3", "a.pk3").Present);
    EXPECT_TRUE(Record(*db, "cpma", "c.pk3").Present);
    EXPECT_TRUE(fs::exists(Shots("baseq3/a.pk3/x.jpg")));
  }
  fs::rename(Dir_ / "away", Dir_ / "game");
  const auto db = Run();
  EXPECT_TRUE(Line_1().empty());
  EXPECT_TRUE(Record(*db, "baseq3", "a.pk3").Present);
  EXPECT_EQ(db->Folder_Writes(), 0);  // the absent archives' folders are gone already
}

}  // namespace
}  // namespace vorlix::testing
