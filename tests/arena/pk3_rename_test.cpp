// Renaming and deleting a pk3 archive from the properties dialog, with the database reloaded
// from mapsdb.dat and the disk afterwards as the program does.

#include "database/pk3_rename.h"

#include <gtest/gtest.h>

#include "arena_test_support.h"
#include "core/letter_case.h"
#include "core/paths.h"
#include "database/database_startup.h"
#include "database/play_history.h"

namespace vorlix::testing {
namespace {

class Pk3_Rename : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::create_directories(Install.Mod_Dir("cpma"));
    Write_Pk3(Install.Mod_Dir("baseq3") + "/pak9.pk3",
              {{"maps/q3dm17.bsp", Make_Bsp(Entity_Text("The Longest Yard"), 1024)},
               {"levelshots/q3dm17.jpg", "jpeg data"}});
    Reload();
    ASSERT_EQ(Database->Count(), 1);
    Pk3 = Database->Items(0);
    ASSERT_EQ(Pk3->Maps->Count(), 1);
    Map = Pk3->Maps->Items(0);
    Map->Comment = "my favourite";
    Map->Rating = 5;
    Pk3_Id = Pk3->ID;
    Map_Id = Map->ID;
    ASSERT_TRUE(Exists(Shots("baseq3/pak9.pk3")));
    ASSERT_TRUE(Exists(Bots("baseq3/pak9.pk3")));
  }

  // Saves and loads the database again, as the caller does after a rename.
  void Reload() {
    if (Database) {
      ASSERT_TRUE(Save_PK3_Database(*Database));
    }
    Database = Load_PK3_Database(Install.Database.Paths(), &Install.Ui).Database;
  }

  std::string Shots(const std::string& relative) const {
    return platform::Join(Install.Levelshots, relative);
  }
  std::string Bots(const std::string& relative) const {
    return platform::Join(Install.Botinfo, relative);
  }

  TPK3_Action_Result Rename_To(const std::string& path) {
    Ui.Files.emplace_back(path);
    return Rename_PK3_File(Database->Paths(), *Pk3, Map_Id, Ui);
  }

  TInstallation Install;
  std::unique_ptr<TPK3_Record_Store> Database;
  TPK3_Record* Pk3 = nullptr;
  TMap_Record* Map = nullptr;
  std::int32_t Pk3_Id = 0;
  std::int32_t Map_Id = 0;
  TScripted_Interaction Ui;
  THistory_Keeper History{""};  // in memory: what a delete forgets is seen at once
};

TEST_F(Pk3_Rename, Rename_Without_Extension_Moves_Everything_And_Keeps_IDs) {
  const auto result = Rename_To(Install.Mod_Dir("baseq3") + "/MyMaps");
  ASSERT_EQ(Ui.File_Requests.size(), 1u);
  EXPECT_EQ(Ui.File_Requests[0].Title, "Rename to...");
  EXPECT_TRUE(Ui.File_Requests[0].Save);
  EXPECT_EQ(Ui.File_Requests[0].Initial_Dir, Install.Mod_Dir("baseq3"));
  EXPECT_EQ(Ui.File_Requests[0].Initial_Name, "pak9.pk3");
  EXPECT_EQ(Ui.Messages, (std::vector<TRecorded_Message>{
                             {TMessage_Kind::Information,
                              "Renamed pak9.pk3 to MyMaps.pk3 successfully.", TAnswer_Set::OK}}));
  EXPECT_TRUE(result.Reload_Needed());
  EXPECT_EQ(result.PK3_ID, Pk3_Id);
  EXPECT_EQ(result.MAP_ID, Map_Id);
  EXPECT_EQ(Names_In(Install.Mod_Dir("baseq3")), (TStrings{"MyMaps.pk3"}));
  EXPECT_EQ(Names_In(Install.Levelshots + "/baseq3"), (TStrings{"mymaps.pk3"}));
  EXPECT_EQ(Names_In(Install.Botinfo + "/baseq3"), (TStrings{"mymaps.pk3"}));
  EXPECT_EQ(Names_In(Shots("baseq3/mymaps.pk3")), (TStrings{"q3dm17.jpg"}));

  Reload();
  const TMap_Record* again = Database->Find_Map(result.PK3_ID, result.MAP_ID);
  ASSERT_NE(again, nullptr);
  EXPECT_TRUE(again->PK3->Present);
  EXPECT_EQ(again->PK3->PK3_Filename, "MyMaps.pk3");
  EXPECT_EQ(again->Comment, "my favourite");
}

TEST_F(Pk3_Rename, Rename_Into_Another_MOD_Directory_Keeps_IDs) {
  const auto result = Rename_To(Install.Mod_Dir("cpma") + "/pak9.pk3");
  ASSERT_TRUE(result.Reload_Needed());
  EXPECT_TRUE(Exists(Install.Mod_Dir("cpma") + "/pak9.pk3"));
  EXPECT_TRUE(Exists(Shots("cpma/pak9.pk3/q3dm17.jpg")));
  EXPECT_TRUE(Exists(Bots("cpma/pak9.pk3")));
  EXPECT_FALSE(Exists(Shots("baseq3/pak9.pk3")));

  Reload();
  const TMap_Record* again = Database->Find_Map(Pk3_Id, Map_Id);
  ASSERT_NE(again, nullptr);
  EXPECT_EQ(platform::Upper(again->PK3->MOD_Directory), "CPMA");
}

TEST_F(Pk3_Rename, Renames_That_Change_Nothing_Or_Are_Refused) {
  EXPECT_FALSE(Rename_To(Install.Mod_Dir("BASEQ3") + "/PAK9.PK3").Reload_Needed());    // other case
  EXPECT_FALSE(Rename_PK3_File(Database->Paths(), *Pk3, Map_Id, Ui).Reload_Needed());  // cancel
  EXPECT_TRUE(Ui.Messages.empty());

  EXPECT_FALSE(Rename_To(Install.Root / "outside.pk3").Reload_Needed());
  EXPECT_FALSE(Rename_To(Install.Mod_Dir("baseq3") + "/../../escape.pk3").Reload_Needed());
  Write_File(Install.Mod_Dir("baseq3") + "/Taken.pk3", "someone else's");
  const std::string old_path = Install.Mod_Dir("baseq3") + "/pak9.pk3";
  const std::string taken = Install.Mod_Dir("baseq3") + "/taken.pk3";
  EXPECT_FALSE(Rename_To(taken).Reload_Needed());  // exists ignoring case: never replaced
  const std::string outside = "The pk3-file cannot be moved out of the Quake 3 Arena directory.";
  EXPECT_EQ(
      Ui.Message_Texts(),
      (TStrings{outside, outside, "Couldn't rename pk3-file " + old_path + " to " + taken + "."}));
  EXPECT_EQ(Read_File(Install.Mod_Dir("baseq3") + "/Taken.pk3"), "someone else's");
  EXPECT_TRUE(Exists(old_path));
  EXPECT_EQ(Pk3->PK3_Filename, "pak9.pk3");

  // A path ending in a separator names a folder, even one that does not exist: never a file.
  Ui.Messages.clear();
  EXPECT_FALSE(Rename_To(Install.Mod_Dir("baseq3") + "/newpack/").Reload_Needed());
  EXPECT_EQ(Ui.Messages.size(), 1u);
  EXPECT_FALSE(Exists(Install.Mod_Dir("baseq3") + "/newpack.pk3"));
  EXPECT_TRUE(Exists(old_path));
}

TEST_F(Pk3_Rename, A_Folder_That_Cannot_Move_Puts_Everything_Back) {
  Write_File(Bots("baseq3/mymaps.pk3/left over"), "x");
  const auto result = Rename_To(Install.Mod_Dir("baseq3") + "/mymaps.pk3");
  EXPECT_FALSE(result.Reload_Needed());
  EXPECT_EQ(Ui.Message_Texts(),
            (TStrings{"Fatal error! Please report to author! Couldn't move bot-info: " +
                      Bots("baseq3/pak9.pk3") + " to " + Bots("baseq3/mymaps.pk3") + "."}));
  EXPECT_EQ(Names_In(Install.Mod_Dir("baseq3")), (TStrings{"pak9.pk3"}));
  EXPECT_EQ(Names_In(Install.Levelshots + "/baseq3"), (TStrings{"pak9.pk3"}));
  EXPECT_TRUE(Exists(Shots("baseq3/pak9.pk3/q3dm17.jpg")));
  EXPECT_TRUE(Exists(Bots("baseq3/pak9.pk3")));
  EXPECT_EQ(Pk3->PK3_Filename, "pak9.pk3");

  Ui.Messages.clear();
  Write_File(Shots("baseq3/other.pk3/left over"), "x");
  EXPECT_FALSE(Rename_To(Install.Mod_Dir("baseq3") + "/other.pk3").Reload_Needed());
  EXPECT_EQ(Ui.Message_Texts(),
            (TStrings{"Fatal error! Please report to author! Couldn't move levelshots: " +
                      Shots("baseq3/pak9.pk3") + " to " + Shots("baseq3/other.pk3") + "."}));
  EXPECT_EQ(Names_In(Install.Mod_Dir("baseq3")), (TStrings{"pak9.pk3"}));

  // Nothing was split: the next start finds the archive with its IDs.
  Reload();
  ASSERT_NE(Database->Find_Map(Pk3_Id, Map_Id), nullptr);
  EXPECT_EQ(Database->Find_Map(Pk3_Id, Map_Id)->Comment, "my favourite");
}

TEST_F(Pk3_Rename, Delete_Asks_And_Removes_The_Archive_With_Its_Folders) {
  Ui.Answers = {TAnswer::No};
  EXPECT_EQ(Delete_PK3_File(Database->Paths(), *Pk3, Map_Id, History, Ui).Action,
            TPK3_Action::Nothing);
  EXPECT_TRUE(Exists(Install.Mod_Dir("baseq3") + "/pak9.pk3"));
  EXPECT_TRUE(Exists(Shots("baseq3/pak9.pk3")));

  History.Change([this](TPlay_History& history) {
    history.Queue({Pk3->ID, Map_Id});
    history.Queue({Pk3->ID + 1, 0});
    return true;
  });
  Ui.Answers = {TAnswer::Yes};
  const auto result = Delete_PK3_File(Database->Paths(), *Pk3, Map_Id, History, Ui);
  // The program's history forgets the archive's maps, and only those.
  EXPECT_EQ(History.History().Queued(), (std::vector<TMap_Key>{{Pk3->ID + 1, 0}}));
  EXPECT_EQ(result.Action, TPK3_Action::Deleted);
  EXPECT_TRUE(result.Reload_Needed());
  EXPECT_EQ(
      Ui.Messages,
      (std::vector<TRecorded_Message>{
          {TMessage_Kind::Confirmation,
           "Do you really want to delete pak9.pk3 and all maps inside of it?", TAnswer_Set::Yes_No},
          {TMessage_Kind::Confirmation,
           "Do you really want to delete pak9.pk3 and all maps inside of it?", TAnswer_Set::Yes_No},
          {TMessage_Kind::Information, "pak9.pk3 was successfully deleted.", TAnswer_Set::OK}}));
  EXPECT_FALSE(Exists(Install.Mod_Dir("baseq3") + "/pak9.pk3"));
  EXPECT_FALSE(Exists(Shots("baseq3/pak9.pk3")));
  EXPECT_FALSE(Exists(Bots("baseq3/pak9.pk3")));
  EXPECT_TRUE(Pk3->Present);  // the records stay until the next start

  Ui.Messages.clear();
  Ui.Answers = {TAnswer::Yes};
  EXPECT_EQ(Delete_PK3_File(Database->Paths(), *Pk3, Map_Id, History, Ui).Action,
            TPK3_Action::Nothing);
  EXPECT_EQ(Ui.Messages.back().Text, "Couldn't delete " +
                                         platform::Join(Install.Game, "baseq3/pak9.pk3") +
                                         ": No such file or directory");
}

// A record of a damaged or foreign mapsdb.dat whose MOD directory climbs out of the game
// directory: neither delete nor rename reaches the file it names.
TEST_F(Pk3_Rename, A_Stored_Directory_Climbing_Out_Of_The_Game_Directory_Is_Never_Followed) {
  const std::string outside = platform::Join(Install.Game, "../outside/pak9.pk3");
  Write_Pk3(outside, {{"maps/q3dm17.bsp", Make_Bsp(Entity_Text("Outside"), 64)}});
  Pk3->MOD_Directory = "baseq3/../../outside";
  Ui.Answers = {TAnswer::Yes};
  EXPECT_EQ(Delete_PK3_File(Database->Paths(), *Pk3, Map_Id, History, Ui).Action,
            TPK3_Action::Nothing);
  EXPECT_TRUE(Ui.Messages.back().Text.ends_with("/outside/pak9.pk3: Invalid argument"));
  EXPECT_FALSE(Rename_To(Install.Mod_Dir("baseq3") + "/moved.pk3").Reload_Needed());
  EXPECT_TRUE(Exists(outside));
}

}  // namespace
}  // namespace vorlix::testing
