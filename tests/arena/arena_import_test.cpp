#include "arena/arena_import.h"

#include <gtest/gtest.h>

#include "arena/arena_script.h"
#include "arena/map_arena_blocks.h"
#include "arena_test_support.h"
#include "database/game_index.h"

namespace vorlix::testing {
namespace {

class Arena_Import : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::create_directories(Base);
    Pak0 = Install.Add_PK3("baseq3", "pak0.pk3");
    Yard = Install.Add_Map(Pak0, "Q3DM17.BSP", "The Longest Yard");
    Temple = Install.Add_Map(Pak0, "Q3DM7.BSP", "Temple of Retribution");
  }

  void Import(const std::string& file) {
    Import_Arena_File_From(file, Install.Game, Install.Temp, Install.Database, Install.Ui,
                           TImport_Question::None);
  }

  TInstallation Install;
  std::string Base = Install.Mod_Dir("baseq3");
  TPK3_Record* Pak0 = nullptr;
  TMap_Record* Yard = nullptr;
  TMap_Record* Temple = nullptr;
};

TEST_F(Arena_Import, Round_Trip_With_The_Script_The_Program_Writes) {
  Yard->Assigned_Bots = {"Sarge", "Grunt"};
  Yard->Limits_Frags = 35;
  Yard->Game_Types = GT_Free_For_All | GT_Tournament | GT_Other;
  Temple->Game_Types = GT_Other;  // written with an empty type value
  Write_Arena_Pk3(Base + "/z_Arenas_active_Mine.pk3", "scripts/arenas.txt",
                  Make_Arena_Script({Yard, Temple}, "BASEQ3"));

  Yard->Assigned_Bots = {"Xaero"};
  Yard->Limits_Frags = 1;
  Yard->Game_Types = 0;
  Temple->Assigned_Bots = {"Doom"};
  Temple->Limits_Frags = 7;
  Temple->Game_Types = GT_Single_Player;

  Install.Ui.Files.emplace_back(Base + "/z_Arenas_active_Mine.pk3");
  Install.Ui.Answers.push_back(TAnswer::Yes);
  const TArena_Import_Changes changes =
      Run_Arena_Import(Install.Game, Install.Temp, Install.Database, Install.Ui);
  ASSERT_EQ(Install.Ui.File_Requests.size(), 1u);
  EXPECT_EQ(Install.Ui.File_Requests[0].Title, "Import Arena File from...");
  EXPECT_EQ(Install.Ui.File_Requests[0].Initial_Dir, Install.Game);
  EXPECT_FALSE(Install.Ui.File_Requests[0].Save);
  const std::string full = Base + "/z_Arenas_active_Mine.pk3";
  EXPECT_EQ(Install.Ui.Notices, (std::vector<std::pair<std::string, std::string>>{
                                    {"Please wait...", "Opening pk3-file " + full}}));
  EXPECT_EQ(Install.Ui.Open_Notices, 0);
  // Asked first (the question's text is the next tests'), then told.
  ASSERT_EQ(Install.Ui.Messages.size(), 2u);
  EXPECT_EQ(Install.Ui.Messages[0].Buttons, TAnswer_Set::Yes_No);
  EXPECT_EQ(Install.Ui.Messages[1].Text, "Arena File imported from " + full + ".");
  ASSERT_EQ(changes.size(), 1u);
  EXPECT_EQ(changes[0].Map, Yard);
  // The bots come back in lower case; the type "other" is not written, so it does not come back.
  EXPECT_EQ(Yard->Assigned_Bots, (TStrings{"sarge", "grunt"}));
  EXPECT_EQ(Yard->Limits_Frags, 35);
  EXPECT_EQ(Yard->Game_Types, GT_Free_For_All | GT_Tournament);
  // A block with an empty type value is ignored.
  EXPECT_EQ(Temple->Assigned_Bots, (TStrings{"Doom"}));
  EXPECT_EQ(Temple->Limits_Frags, 7);
  EXPECT_EQ(Temple->Game_Types, GT_Single_Player);
}

TEST_F(Arena_Import, An_Inactive_Arena_File_Is_Read_When_There_Is_No_Active_One) {
  Write_Arena_Pk3(Base + "/z_Arenas_Inactive_Old.pk3", "scripts/arenas.txt.inactive",
                  "{\nmap \"q3dm17\"\nbots \"Anarki\"\ntype \"team\"\n}\n");
  Import(Base + "/z_Arenas_Inactive_Old.pk3");
  EXPECT_EQ(Yard->Assigned_Bots, (TStrings{"Anarki"}));
  EXPECT_EQ(Yard->Game_Types, GT_Team_Deathmatch);
  EXPECT_EQ(Yard->Limits_Frags, 0);  // no fraglimit line

  Write_Pk3(Base + "/both.pk3",
            {{"scripts/arenas.txt", "{\nmap \"q3dm17\"\nbots \"Sarge\"\ntype \"ffa\"\n}\n"},
             {"scripts/arenas.txt.inactive", "{\nmap \"q3dm17\"\nbots \"Keel\"\n}\n"}});
  Import(Base + "/both.pk3");
  EXPECT_EQ(Yard->Assigned_Bots, (TStrings{"Sarge"}));
}

TEST_F(Arena_Import, A_Script_It_Cannot_Take_Changes_Nothing) {
  Yard->Assigned_Bots = {"Keel"};
  Yard->Limits_Frags = 20;
  Write_Pk3(Base + "/maps.pk3",
            {{"SCRIPTS/ARENAS.TXT",
              "{\nmap \"q3dm7\"\nbots \"Doom\"\nfraglimit \"15\"\ntype \"ctf\"\n}\n"
              "{\nmap \"q3dm17\"\nbots \"Sarge\"\nfraglimit \"lots\"\ntype \"ffa\"\n}\n"}});
  Import(Base + "/maps.pk3");
  EXPECT_EQ(Install.Ui.Message_Texts(),
            (TStrings{"Error opening pk3-file " + Base + "/maps.pk3."}));
  EXPECT_TRUE(Temple->Assigned_Bots.empty());  // the block before is not applied either
  EXPECT_EQ(Temple->Limits_Frags, 20);
  EXPECT_EQ(Yard->Assigned_Bots, (TStrings{"Keel"}));
  EXPECT_EQ(Yard->Limits_Frags, 20);
  EXPECT_EQ(Yard->Game_Types, GT_Free_For_All);
}

// The question names how many maps change and what; "No" changes nothing, and what was applied
// goes back and forth as a whole.
TEST_F(Arena_Import, The_Question_Counts_The_Changes_And_They_Can_Be_Taken_Back) {
  Temple->Game_Types = GT_Capture_The_Flag;
  Write_Pk3(Base + "/maps.pk3",
            {{"scripts/arenas.txt",
              "{ map q3dm17 type ffa fraglimit 20 }\n"  // the same as now: not counted
              "{ map q3dm7 type ctf fraglimit 9 }\n"    // a later block wins
              "{ map q3dm7 type \"ctf team\" bots Doom fraglimit 20 }\n"
              "{ map q3dm99 type ctf }\n"}});  // no such map
  const std::string full = Base + "/maps.pk3";
  const auto ask = [&] {
    return Import_Arena_File_From(full, Install.Game, Install.Temp, Install.Database, Install.Ui);
  };
  EXPECT_TRUE(ask().empty());  // the scripted user says no
  EXPECT_EQ(Install.Ui.Message_Texts(),
            (TStrings{"Importing the Arena File " + full +
                      " changes 1 map of baseq3 (game types of 1, bots of 1): q3dm7.\n\nImport it? "
                      "Edit > Undo takes it back."}));
  EXPECT_EQ(Temple->Game_Types, GT_Capture_The_Flag);

  Install.Ui.Answers.push_back(TAnswer::Yes);
  const TArena_Import_Changes changes = ask();
  ASSERT_EQ(changes.size(), 1u);
  EXPECT_EQ(Temple->Game_Types, GT_Capture_The_Flag | GT_Team_Deathmatch);
  EXPECT_EQ(Temple->Assigned_Bots, (TStrings{"Doom"}));
  Apply_Arena_Import(changes, true);
  EXPECT_EQ(Temple->Game_Types, GT_Capture_The_Flag);
  EXPECT_TRUE(Temple->Assigned_Bots.empty());
  EXPECT_EQ(Temple->Limits_Frags, 20);
  Apply_Arena_Import(changes);
  EXPECT_EQ(Temple->Assigned_Bots, (TStrings{"Doom"}));

  // Imported again: nothing left to change, and nothing is asked.
  Install.Ui.Messages.clear();
  EXPECT_TRUE(ask().empty());
  EXPECT_EQ(Install.Ui.Messages,
            (std::vector<TRecorded_Message>{
                {TMessage_Kind::Information,
                 "The Arena File " + full + " changes no map of baseq3.", TAnswer_Set::OK}}));

  // Many maps: the first ten are named.
  TArena_Import_Changes many(12, {Yard, {}, {.Fraglimit = 1}});
  EXPECT_EQ(Describe_Arena_Import(many, "baseq3"),
            "12 maps of baseq3 (frag limit of 12): q3dm17, q3dm17, q3dm17, q3dm17, q3dm17, "
            "q3dm17, q3dm17, q3dm17, q3dm17, q3dm17 and 2 more");
  many.resize(10);
  EXPECT_EQ(Describe_Arena_Import(many, "baseq3").find(" and "), std::string::npos);
}

TEST_F(Arena_Import, Only_The_Last_Present_Archive_Of_The_MOD_Gets_The_Block) {
  TPK3_Record* later = Install.Add_PK3("BaseQ3", "later.pk3");
  TMap_Record* later_yard = Install.Add_Map(later, "q3dm17.bsp", "Yard again");
  TPK3_Record* gone = Install.Add_PK3("baseq3", "gone.pk3", false);
  TMap_Record* gone_yard = Install.Add_Map(gone, "Q3DM17.BSP", "Yard gone");
  TPK3_Record* other = Install.Add_PK3("cpma", "cpma.pk3");
  TMap_Record* other_yard = Install.Add_Map(other, "Q3DM17.BSP", "Yard of CPMA");
  Write_Pk3(
      Base + "/any.pk3",
      {{"maps/x.bsp", "x"}, {"scripts/Arenas.txt", "{\nmap \"Q3DM17\"\ntype \"FFA  CTF\"\n}\n"}});
  Import(Base + "/any.pk3");
  EXPECT_EQ(later_yard->Game_Types, GT_Free_For_All | GT_Capture_The_Flag);
  EXPECT_EQ(Yard->Game_Types, GT_Free_For_All);
  EXPECT_EQ(gone_yard->Game_Types, GT_Free_For_All);
  EXPECT_EQ(other_yard->Game_Types, GT_Free_For_All);
}

TEST_F(Arena_Import, Archives_Outside_A_MOD_Directory_Or_Without_Script) {
  Write_Arena_Pk3(Base + "/maps/deep.pk3");
  Write_Arena_Pk3(Install.Game + "/top.pk3");
  Write_Arena_Pk3(Install.Root / "elsewhere.pk3");
  // A folder beside the game directory whose name begins with the game directory's.
  Write_Arena_Pk3(Install.Game + "xy/beside.pk3");
  Write_Pk3(Base + "/noscript.pk3", {{"maps/x.bsp", "x"}});
  Import(Base + "/maps/deep.pk3");
  Import(Install.Game + "/top.pk3");
  Import(Install.Root / "elsewhere.pk3");
  Import(Install.Game + "xy/beside.pk3");
  Import(Base + "/noscript.pk3");
  const std::string refused = "You must select a pk3-file within a Q3A mod directory.";
  EXPECT_EQ(Install.Ui.Message_Texts(),
            (TStrings{refused, refused, refused, refused,
                      "There is no Arena File within " + Base + "/noscript.pk3."}));
  EXPECT_EQ(Install.Ui.Notices.size(), 1u);

  Install.Ui.Messages.clear();
  Write_File(Base + "/broken.pk3", "not a zip archive");
  Import(Base + "/broken.pk3");
  EXPECT_EQ(Install.Ui.Message_Texts(),
            (TStrings{"Error opening pk3-file " + Base + "/broken.pk3."}));

  Install.Ui.Messages.clear();
  Run_Arena_Import(Install.Game, Install.Temp, Install.Database,
                   Install.Ui);  // the dialog is cancelled
  EXPECT_TRUE(Install.Ui.Messages.empty());
}

// A map new in the database takes the block the game reads for it, an active arena file's when
// that names it, else its archives'; a block without a game type, or with a frag limit that is no
// number, gives nothing.
TEST_F(Arena_Import, New_Maps_Take_The_Block_The_Game_Reads) {
  TMap_Record* flags = Install.Add_Map(Pak0, "CTF1.BSP", "Flags");
  TMap_Record* broken = Install.Add_Map(Pak0, "BROKEN.BSP", "Broken");
  const TArchive_Facts pak0{.MOD_Directory = "baseq3",
                            .PK3_Filename = "pak0.pk3",
                            .Maps = {"Q3DM17", "Q3DM7", "CTF1", "BROKEN"},
                            .Arena_Scripts = {"scripts/arenas.txt"},
                            .Arenas = Parse_Arena_Blocks(
                                "{ map q3dm17 type tourney bots Sarge fraglimit 10 timelimit 15 }\n"
                                "{ map ctf1 type ctf capturelimit 3 }\n"
                                "{ map broken type ffa fraglimit lots } { map q3dm7 bots Doom }",
                                "scripts/arenas.txt")};
  TGame_Index index;
  index.Set_Archives({pak0});
  EXPECT_EQ(Take_Arena_Settings_Of_New_Maps(index, Install.Game, {Yard, Temple, flags, broken}), 2);
  EXPECT_EQ(Yard->Game_Types, GT_Tournament);
  EXPECT_EQ(Yard->Assigned_Bots, (TStrings{"Sarge"}));
  EXPECT_EQ(Yard->Limits_Frags, 10);
  EXPECT_EQ(Yard->Limits_Time, 15);
  EXPECT_EQ(Yard->Limits_Captures, 8);
  EXPECT_EQ(flags->Game_Types, GT_Capture_The_Flag);
  EXPECT_EQ(flags->Limits_Frags, 0);
  EXPECT_EQ(flags->Limits_Captures, 3);
  for (const TMap_Record* kept : {Temple, broken}) {
    EXPECT_EQ(kept->Game_Types, GT_Free_For_All);
    EXPECT_EQ(kept->Limits_Frags, 20);
    EXPECT_TRUE(kept->Assigned_Bots.empty());
  }

  // An active arena file naming q3dm17 gives it that block; ctf1, which it does not name, still
  // takes its archives' block, though the game reads none for it while the file is active.
  Write_Arena_Pk3(Base + "/z_Arenas_active_Mine.pk3", "scripts/arenas.txt",
                  "{ map q3dm17 type \"ctf team\" }");
  flags->Game_Types = 0;
  EXPECT_EQ(Take_Arena_Settings_Of_New_Maps(index, Install.Game, {Yard, flags}), 2);
  EXPECT_EQ(Yard->Game_Types, GT_Capture_The_Flag | GT_Team_Deathmatch);
  EXPECT_EQ(flags->Game_Types, GT_Capture_The_Flag);
}

}  // namespace
}  // namespace vorlix::testing
