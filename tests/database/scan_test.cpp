#include "database/scan.h"

#include <filesystem>

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <zip.h>

#include "as_user.h"
#include "builders.h"
#include "core/dos_time.h"
#include "database/records.h"
#include "database/stream.h"
#include "database/sync.h"
#include "database/zip_archive.h"
#include "scripted_interaction.h"

namespace vorlix::testing {
namespace {

namespace fs = std::filesystem;

// A map whose entity offset (at byte 8) is replaced.
std::string With_Offset(std::string bsp, std::int32_t offset) {
  Put_U32(bsp, 8, static_cast<std::uint32_t>(offset));
  return bsp;
}

// Maps of every shape the title reader has to cope with, with the title each must give.
std::vector<std::pair<std::string, std::string>> Title_Cases() {
  const std::string longest =
      "{\n\"classname\" \"worldspawn\"\n\"message\" \"The Longest Yard\"\n}\n";
  std::vector<std::pair<std::string, std::string>> cases = {
      {Make_Bsp(longest, 5000), "The Longest Yard"},
      {Make_Bsp(Entity_Text(""), 100), ""},
      {Make_Bsp("{ \"message\" \"Same Line\"\n}\n", 100), ""},
      {Make_Bsp("{\n\"classname\" \"worldspawn\"\n" + std::string(1020, ' ') +
                    "\n\"message\" \"Too Far\"\n}\n",
                100),
       ""},
      {Make_Bsp("{\n\"message\" \"No closing quote", 100), "No closing quote"},
      {Make_Bsp("{\n\"message\"    \"", 100), ""},
      {Make_Bsp("{\n\"message\" \"First\"\n}\n{\n\"message\" \"Second\"\n}\n", 100), "First"},
      {Make_Bsp("{\n\"message\" \"\xE4\xF6\xFC bytes\"\n}\n", 100), "\xE4\xF6\xFC bytes"},
      {With_Offset(Make_Bsp(longest, 100), 1 << 30), ""},
      {With_Offset(Make_Bsp(longest, 100), -8), ""},
      // An offset inside the header: the window starts there.
      {With_Offset(std::string("IBSP\x2E\0\0\0", 8) + std::string("\4\0\0\0", 4) +
                       "\n\"message\" \"Header\"",
                   11),
       "Header"},
      // Exactly the header, its offset pointing at the end: no title, no error.
      {std::string("IBSP\x2E\0\0\0\x0C\0\0\0", 12), ""},
  };
  return cases;
}

// ---- walk ------------------------------------------------------------------------------------

TEST(Walk_Game_Directory, Visible_Directories_Pk3_Files_Only_Without_Arena_Files) {
  TTemp_Dir dir;
  const std::string game = dir / "game";
  for (const char* file :
       {"baseq3/pak0.pk3", "baseq3/A.PK3", "baseq3/z_Arenas_Maps.pk3",
        "baseq3/z_Arenas_Disabler.pk3", "baseq3/Z_ARENAS_X.PK3", "baseq3/.hidden.pk3",
        "baseq3/readme.txt", "baseq3/x.pk3.bak", "BaseMod/b.Pk3", ".hiddenmod/c.pk3"}) {
    Write_File(game + "/" + file, "data");
  }
  fs::create_directories(game + "/baseq3/dir.pk3");
  Write_File(game + "/loose.pk3", "x");
  const auto walk = Walk_Game_Directory(game);
  EXPECT_TRUE(walk.Game_Dir_Listed);
  std::vector<std::string> found;
  for (const auto& archive : walk.Archives) {
    found.push_back(archive.Directory + "\\" + archive.Filename);
    EXPECT_EQ(archive.Size, 4u);
    EXPECT_EQ(archive.Date, platform::File_DOS_Date_Time(archive.Path));
  }
  EXPECT_EQ(found,
            (std::vector<std::string>{"BaseMod\\b.Pk3", "baseq3\\.hidden.pk3", "baseq3\\A.PK3",
                                      "baseq3\\pak0.pk3", "baseq3\\Z_ARENAS_X.PK3"}));
  EXPECT_TRUE(Is_Arena_File("~~~~vorlix_arenas.PK3"));
  EXPECT_FALSE(Walk_Game_Directory(dir / "missing").Game_Dir_Listed);
}

// ---- scan of one archive ---------------------------------------------------------------------

class Scan_Test : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* folder : {"prog/LEVELSHOTS", "prog/BOTINFO", "game/baseq3"}) {
      fs::create_directories(Dir_ / folder);
    }
    Db_ = std::make_unique<TPK3_Record_Store>(
        TDatabase_Paths{Dir_ / "prog", Dir_ / "prog/TEMP", Dir_ / "prog/LEVELSHOTS",
                        Dir_ / "prog/BOTINFO", Dir_ / "game"});
    Sync_ = std::make_unique<TDatabase_Sync>(*Db_, Sink_);
  }

  // A record of the manager for an archive of baseq3, scanned.
  TPK3_Record& Scan(const std::string& name) {
    TPK3_Record& record = *Db_->Items(Db_->Add_Record());
    record.MOD_Directory = "baseq3";
    record.PK3_Filename = name;
    record.Maps = Db_->New_Map_Manager(&record);
    Sync_->Scan_PK3(record, *record.Maps);
    return record;
  }
  std::string Game(const std::string& name) const { return Dir_ / ("game/baseq3/" + name); }

  TTemp_Dir Dir_;
  TScripted_Interaction User_;
  std::unique_ptr<TPK3_Record_Store> Db_;
  TLive_Sync_Sink Sink_{&User_};
  std::unique_ptr<TDatabase_Sync> Sync_;
};

TEST_F(Scan_Test, Records_Each_Bsp_With_Title_Size_Date_And_Companion_Flags) {
  const std::int32_t when = Dos_Date_Time(2002, 3, 31, 2, 30, 0);
  const std::string x = Make_Bsp(Entity_Text("Title X"));
  Write_Pk3(Game("maps.pk3"),
            {{"maps/", ""},
             {"maps/x.bsp", x, when},
             {"levelshots/x.jpg", "jpg"},
             {"Maps/X.aas", "aas"},
             {"maps/sub/y.bsp", Make_Bsp(Entity_Text(""), 300)},
             {"maps/sub/y.aas", "aas"},
             {"old\\levelshots/y.tga", "tga"},  // what stands before a "\\" does not count
             {"maps/readme.txt", "not a map"},
             {"maps/z.bsp.bak", "not a map"},
             {"maps/aVeryLongMapFileNameForTheStatus.bsp", Make_Bsp(Entity_Text("L"), 10)}});
  TPK3_Record& record = Scan("maps.pk3");
  ASSERT_EQ(record.Maps->Count(), 3);
  const TMap_Record& mx = *record.Maps->Items(0);
  EXPECT_EQ(mx.MAP_Filename, "X.BSP");
  EXPECT_EQ(mx.Map_Longname, "Title X");
  EXPECT_EQ(mx.MAP_Filesize, x.size());
  EXPECT_EQ(mx.MAP_Filedate, when);
  EXPECT_TRUE(mx.Has_AAS);
  EXPECT_TRUE(mx.Has_Levelshot_JPG);
  EXPECT_FALSE(mx.Has_Levelshot_TGA);
  EXPECT_EQ(mx.Useable_MODs, std::vector<std::string>{"baseq3"});
  const TMap_Record& my = *record.Maps->Items(1);
  EXPECT_EQ(my.MAP_Filename, "Y.BSP");
  EXPECT_EQ(my.Map_Longname, "Y");
  EXPECT_FALSE(my.Has_AAS);  // maps/sub/y.aas is not "MAPS/Y.AAS"
  EXPECT_TRUE(my.Has_Levelshot_TGA);
  EXPECT_EQ(User_.Status.size(), 6u);
  EXPECT_EQ(
      User_.Status_Texts(2),
      (std::vector<std::string>{"opening baseq3\\maps.pk3 ...", "extracting longname for x.bsp ...",
                                "extracting longname for y.bsp ...",
                                "extracting longname for ...rthestatus.bsp ...",
                                "scanning for aas and levelshot...", ""}));
  EXPECT_TRUE(User_.Messages.empty());
  ASSERT_NE(Sync_->Open_Archive, nullptr);  // open for the extraction that follows
  EXPECT_EQ(Sync_->Open_Archive->Count(), 10);
  EXPECT_FALSE(fs::exists(Dir_ / "prog/TEMP"));
}

TEST_F(Scan_Test, Titles_From_The_Archive_Stream_Equal_Those_Of_Extracted_Files) {
  const auto cases = Title_Cases();
  std::vector<TZip_Member> members;
  for (std::size_t i = 0; i < cases.size(); ++i) {
    members.push_back({"maps/m" + std::to_string(i) + ".bsp", cases[i].first});
    members.back().Stored = i % 2 == 1;  // stored members are read the same way
  }
  Write_Pk3(Game("titles.pk3"), members);
  TPK3_Record& record = Scan("titles.pk3");
  ASSERT_EQ(record.Maps->Count(), static_cast<int>(cases.size()));
  for (std::size_t i = 0; i < cases.size(); ++i) {
    SCOPED_TRACE(i);
    const std::string file = Dir_ / ("m" + std::to_string(i) + ".bsp");
    Write_File(file, cases[i].first);
    EXPECT_EQ(Read_Longname(file), cases[i].second);
    const TMap_Record& map = *record.Maps->Items(static_cast<int>(i));
    EXPECT_EQ(map.Map_Longname,
              cases[i].second.empty() ? "M" + std::to_string(i) : cases[i].second);
  }
  // Shorter than a header, empty, missing: errors.
  Write_File(Dir_ / "short.bsp", std::string("IBSP\x2E\0\0", 7));
  Write_File(Dir_ / "empty.bsp", "");
  for (const char* name : {"short.bsp", "empty.bsp", "missing.bsp"}) {
    EXPECT_THROW(Read_Longname(Dir_ / name), TStream_Error) << name;
  }
}

// Sets the "name is UTF-8" flag of the members named `name` in an archive's headers.
void Flag_As_UTF8(const std::string& path, const std::string& name) {
  std::string data = Read_File(path);
  for (std::size_t at = 0; (at = data.find(name, at)) != std::string::npos; ++at) {
    // A name follows its local header at 30 and its central directory entry at 46.
    for (const std::size_t header : {std::size_t{30}, std::size_t{46}}) {
      const std::size_t start = at - header;
      if (at >= header && data.compare(start, 4, header == 30 ? "PK\3\4" : "PK\1\2") == 0) {
        data[start + (header == 30 ? 7 : 9)] |= 0x08;
      }
    }
  }
  Write_File(path, data);
}

TEST_F(Scan_Test, Damaged_Encrypted_And_Badly_Named_Members_Leave_The_Other_Maps) {
  const std::string a = Make_Bsp(Entity_Text("A"), 100);
  Write_Pk3(Game("short.pk3"), {{"maps/a.bsp", a}, {"maps/short.bsp", "IBSP"}, {"maps/c.bsp", a}});
  Write_Pk3(Game("empty.pk3"), {{"maps/a.bsp", a}, {"maps/empty.bsp", ""}, {"maps/c.bsp", a}});
  Write_Pk3(Game("enc.pk3"), {{"maps/a.bsp", a}, {"maps/enc.bsp", a}, {"maps/c.bsp", a}});
  int error = 0;
  zip_t* archive = zip_open(Game("enc.pk3").c_str(), 0, &error);
  ASSERT_NE(archive, nullptr);
  const bool encrypted = zip_file_set_encryption(archive, 1, ZIP_EM_AES_128, "pw") == 0;
  if (encrypted) {
    ASSERT_EQ(zip_close(archive), 0);
  } else {
    zip_discard(archive);  // libzip without encryption support
  }
  // Names flagged as UTF-8 that are not (libzip refuses such an archive as a whole): a levelshot
  // and a map, read with their names as bytes.
  Write_Pk3(Game("names.pk3"), {{"maps/a.bsp", a},
                                {"levelshots/\xE4X.jpg", "jpg"},
                                {"maps/b\xFF\x80\x80\x80.bsp", a},
                                {"maps/c.bsp", a}});
  Flag_As_UTF8(Game("names.pk3"), "levelshots/\xE4X.jpg");
  Flag_As_UTF8(Game("names.pk3"), "maps/b\xFF\x80\x80\x80.bsp");
  // A lone continuation byte is no UTF-8 either.
  Write_Pk3(Game("lone.pk3"), {{"maps/d\x80.bsp", a}});
  Flag_As_UTF8(Game("lone.pk3"), "maps/d\x80.bsp");
  for (const char* refused : {"names.pk3", "lone.pk3"}) {
    TZip_Archive plain;
    EXPECT_THROW(plain.Set_Zip_Filename(Game(refused)), TZip_Error);
  }
  // Not a ZIP archive at all; a truncated one: nothing to list.
  Write_File(Game("text.pk3"), std::string(5000, 't'));
  const std::string good = Read_File(Game("short.pk3"));
  Write_File(Game("cut.pk3"), good.substr(0, good.size() - 30));
  const struct {
    std::string Archive, Failing_Map;
    std::vector<std::string> Maps;
  } cases[] = {{"short.pk3", "maps/short.bsp", {"A.BSP", "C.BSP"}},
               {"empty.pk3", "maps/empty.bsp", {"A.BSP", "C.BSP"}},
               {"enc.pk3", "maps/enc.bsp", {"A.BSP", "C.BSP"}},
               {"names.pk3", "", {"A.BSP", "B\xFF\x80\x80\x80.BSP", "C.BSP"}},
               {"lone.pk3", "", {"D\x80.BSP"}},
               {"text.pk3", "", {}},
               {"cut.pk3", "", {}}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Archive);
    if (c.Archive == "enc.pk3" && !encrypted) {
      continue;
    }
    User_.Messages.clear();
    Sink_.Unreadable.clear();
    const TPK3_Record& record = Scan(c.Archive);
    std::vector<std::string> maps;
    maps.reserve(static_cast<std::size_t>(record.Maps->Count()));
    for (int i = 0; i < record.Maps->Count(); ++i) {
      maps.push_back(record.Maps->Items(i)->MAP_Filename);
    }
    EXPECT_EQ(maps, c.Maps);
    if (c.Maps.empty()) {  // the archive as a whole failed: named, with the reason
      EXPECT_TRUE(User_.Messages.empty());
      ASSERT_EQ(Sink_.Unreadable.size(), 1U);
      EXPECT_EQ(Sink_.Unreadable[0].Path, Game(c.Archive));
      EXPECT_FALSE(Sink_.Unreadable[0].Reason.empty());
      EXPECT_EQ(Sync_->Open_Archive->Count(), 0);
      continue;
    }
    if (c.Failing_Map.empty()) {
      EXPECT_TRUE(User_.Messages.empty());
      continue;
    }
    EXPECT_EQ(User_.Message_Texts(),
              std::vector<std::string>{"Error during map scan: " + c.Failing_Map + " in baseq3\\" +
                                       c.Archive + " cannot be read. The map is left out."});
  }
  // The mended listing serves the extraction too.
  TPK3_Record& named = Scan("names.pk3");
  Sync_->Extract_Levelshots_And_Botinfo(named);
  EXPECT_EQ(Read_File(Dir_ / "prog/LEVELSHOTS/baseq3/names.pk3/\xE4X.jpg"), "jpg");
}

// ---- extraction of levelshots and bot files --------------------------------------------------

TEST_F(Scan_Test, Levelshots_Flat_And_Bot_Files_With_Paths_In_Lower_Case_Folders) {
  Write_Pk3(Game("Bots.PK3"), {{"levelshots/q3dm1.jpg", "jpg"},
                               {"LevelShots/Q3DM2.TGA", "tga"},
                               {"models/players/sarge/", ""},
                               {"models/players/sarge/blue/", ""},
                               {"models/players/sarge/icon_default.tga", "i1"},
                               {"models/players/sarge/blue/icon_blue.tga", "i2"},
                               {"models/players/sarge/skin.tga", "no"},
                               {"models/players/other/icon_x.tga", "no folder member"},
                               {"sound/player/announce/sarge.wav", "wav"},
                               {"scripts/bots.txt", "bots"},
                               {"scripts/sarge.bot", "bot"},
                               {"scripts/arenas.txt", "no"}});
  TPK3_Record& record = Scan("Bots.PK3");
  User_.Status.clear();
  Sync_->Extract_Levelshots_And_Botinfo(record);
  EXPECT_EQ(Sync_->Open_Archive, nullptr);
  const std::string shots = Dir_ / "prog/LEVELSHOTS/baseq3/bots.pk3";
  EXPECT_EQ(Read_File(shots + "/q3dm1.jpg"), "jpg");
  EXPECT_EQ(Read_File(shots + "/Q3DM2.TGA"), "tga");
  const std::string bots = Dir_ / "prog/BOTINFO/baseq3/bots.pk3";
  EXPECT_EQ(Read_File(bots + "/models/players/sarge/icon_default.tga"), "i1");
  EXPECT_EQ(Read_File(bots + "/models/players/sarge/blue/icon_blue.tga"), "i2");
  EXPECT_EQ(Read_File(bots + "/sound/player/announce/sarge.wav"), "wav");
  EXPECT_EQ(Read_File(bots + "/scripts/bots.txt"), "bots");
  EXPECT_EQ(Read_File(bots + "/scripts/sarge.bot"), "bot");
  EXPECT_FALSE(fs::exists(bots + "/models/players/sarge/skin.tga"));
  EXPECT_FALSE(fs::exists(bots + "/models/players/other"));
  EXPECT_FALSE(fs::exists(bots + "/scripts/arenas.txt"));
  EXPECT_EQ(User_.Status.size(), 3u);
  EXPECT_EQ(User_.Status_Texts(2),
            (std::vector<std::string>{"extracting new levelshots...",
                                      "extracting new bot information...", ""}));
  EXPECT_TRUE(User_.Messages.empty());

  // Extracted again: old files in the folders go first.
  Write_File(shots + "/stale.jpg", "old");
  Scan("Bots.PK3");
  Sync_->Extract_Levelshots_And_Botinfo(record);
  EXPECT_FALSE(fs::exists(shots + "/stale.jpg"));
  EXPECT_TRUE(fs::exists(shots + "/q3dm1.jpg"));
}

TEST_F(Scan_Test, Folders_Are_Made_For_Any_Listed_Archive_But_Never_For_An_Empty_One) {
  Write_Pk3(Game("nomaps.pk3"), {{"textures/x.tga", "t"}});
  TPK3_Record& plain = Scan("nomaps.pk3");
  Sync_->Extract_Levelshots_And_Botinfo(plain);
  EXPECT_TRUE(fs::is_directory(Dir_ / "prog/LEVELSHOTS/baseq3/nomaps.pk3"));
  EXPECT_TRUE(fs::is_directory(Dir_ / "prog/BOTINFO/baseq3/nomaps.pk3"));

  Write_File(Game("broken.pk3"), "not a zip");
  fs::create_directories(Dir_ / "prog/LEVELSHOTS/baseq3/broken.pk3");
  Write_File(Dir_ / "prog/LEVELSHOTS/baseq3/broken.pk3/old.jpg", "kept");
  TPK3_Record& broken = Scan("broken.pk3");
  Sync_->Extract_Levelshots_And_Botinfo(broken);
  EXPECT_EQ(Read_File(Dir_ / "prog/LEVELSHOTS/baseq3/broken.pk3/old.jpg"), "kept");
  EXPECT_FALSE(fs::exists(Dir_ / "prog/BOTINFO/baseq3/broken.pk3"));
}

TEST_F(Scan_Test, A_Failing_Extraction_Is_Reported_And_Closes_The_Archive) {
  Write_Pk3(Game("lvl.pk3"), {{"levelshots/a.jpg", "a"}});
  // A file where the archive's levelshot folder has to go.
  Write_File(Dir_ / "prog/LEVELSHOTS/baseq3", "in the way");
  TPK3_Record& record = Scan("lvl.pk3");
  Sync_->Extract_Levelshots_And_Botinfo(record);
  // The folders can be written: the failure says what failed, and never blames the program.
  ASSERT_EQ(User_.Messages.size(), 1U);
  EXPECT_EQ(
      User_.Messages[0].Text.rfind("Levelshots and bot information could not be extracted. ", 0),
      0U);
  EXPECT_EQ(User_.Messages[0].Text.find("report to author"), std::string::npos);
  EXPECT_EQ(Sync_->Open_Archive, nullptr);
  EXPECT_EQ(User_.Lines[2], "");
}

TEST_F(Scan_Test, A_Folder_That_Cannot_Be_Written_Is_Named_Once_For_All_Archives) {
  for (const char* name : {"one.pk3", "two.pk3", "three.pk3"}) {
    Write_Pk3(Game(name), {{"levelshots/a.jpg", "a"}});
  }
  // Permissions hold for an ordinary user only: the extraction runs under one.
  Give_To_User(Dir_.Path());
  ::chmod((Dir_ / "prog/LEVELSHOTS").c_str(), 0555);
  const int result = Run_As_User([&] {
    for (const char* name : {"one.pk3", "two.pk3", "three.pk3"}) {
      TPK3_Record& record = Scan(name);
      Sync_->Extract_Levelshots_And_Botinfo(record);
    }
    EXPECT_EQ(
        User_.Message_Texts(),
        std::vector<std::string>{
            "Levelshots and bot information cannot be extracted into " + Dir_ / "prog/LEVELSHOTS" +
            ": Permission denied.\r\n\r\nThe maps are listed without them until the "
            "folder can be written."});
    return ::testing::Test::HasFailure() ? 1 : 0;
  });
  ::chmod((Dir_ / "prog/LEVELSHOTS").c_str(), 0755);
  EXPECT_EQ(result, 0);
}

TEST_F(Scan_Test, A_Read_Only_Data_Folder_Gets_No_Folders_But_The_Maps) {
  Db_ = std::make_unique<TPK3_Record_Store>(
      TDatabase_Paths{Dir_ / "prog", Dir_ / "prog/TEMP", Dir_ / "prog/LEVELSHOTS",
                      Dir_ / "prog/BOTINFO", Dir_ / "game", true});
  Sync_ = std::make_unique<TDatabase_Sync>(*Db_, Sink_);
  Write_Pk3(Game("lvl.pk3"),
            {{"maps/m.bsp", Make_Bsp(Entity_Text("M"), 100)}, {"levelshots/m.jpg", "a"}});
  TPK3_Record& record = Scan("lvl.pk3");
  Sync_->Extract_Levelshots_And_Botinfo(record);
  EXPECT_EQ(record.Maps->Count(), 1);
  EXPECT_FALSE(fs::exists(Dir_ / "prog/LEVELSHOTS/baseq3"));
  EXPECT_EQ(Sync_->Open_Archive, nullptr);
  EXPECT_TRUE(User_.Messages.empty());
}

}  // namespace
}  // namespace vorlix::testing
