// Map lists: the exact bytes of each format, what a list file's reader takes and refuses, and
// the maps a list's names stand for.

#include "launch/map_lists.h"

#include <gtest/gtest.h>

#include "../browser/test_database.h"
#include "builders.h"

namespace vorlix::testing {
namespace {

class Map_Lists : public ::testing::Test {
 protected:
  void SetUp() override {
    TPK3_Record* pak = Db.Add_PK3("baseq3", "pak0.pk3");
    Duel = Db.Add_Map(pak, "Q3DM17.BSP");
    Duel->Game_Types = GT_Free_For_All | GT_Tournament;
    Duel->Min_Recomm_Players = 2;
    Duel->Max_Recomm_Players = 4;
    Duel->Limits_Frags = 15;
    Duel->Limits_Time = 10;
    Flag = Db.Add_Map(pak, "CTF_Gate.bsp");
    Flag->Game_Types = GT_Capture_The_Flag;
    Flag->Limits_Captures = 5;
    Flag->Limits_Frags = 99;
    // A damaged record: counts no recommendation means, and no game type Quake Live has.
    Odd = Db.Add_Map(pak, "ODD.BSP");
    Odd->Game_Types = GT_Other;
    Odd->Min_Recomm_Players = -1;
    Odd->Max_Recomm_Players = -5;
    Odd->Limits_Time = -1;
    Team = Db.Add_Map(pak, "TEAM1.BSP");
    Team->Game_Types = GT_Single_Player | GT_Free_For_All | GT_Team_Deathmatch;
    // The same map again in another archive, and names no list may carry.
    Again = Db.Add_Map(Db.Add_PK3("baseq3", "zz_copy.pk3"), "q3dm17.bsp");
    TPK3_Record* bad = Db.Add_PK3("baseq3", "bad.pk3");
    Piped = Db.Add_Map(bad, "A|B.BSP");
    Quoted = Db.Add_Map(bad, "SAY\"HI.BSP");
    Hash = Db.Add_Map(bad, "#NOTE.BSP");
  }

  std::vector<const TMap_Record*> All() const {
    return {Duel, Flag, Odd, Team, Again, Piped, Quoted, Hash};
  }

  TTest_Database Db;
  TMap_Record* Duel = nullptr;
  TMap_Record* Flag = nullptr;
  TMap_Record* Odd = nullptr;
  TMap_Record* Team = nullptr;
  TMap_Record* Again = nullptr;
  TMap_Record* Piped = nullptr;
  TMap_Record* Quoted = nullptr;
  TMap_Record* Hash = nullptr;
};

TEST_F(Map_Lists, Each_Format_Writes_Exactly_Its_Lines_Each_Name_Once) {
  const TExported_List plain = Export_Map_List(All(), TList_Format::Plain);
  EXPECT_EQ(plain.Text, "q3dm17\nctf_gate\nodd\nteam1\n");
  ASSERT_EQ(plain.Left_Out.size(), 3u);
  EXPECT_EQ(plain.Left_Out[0].Name, "a|b");
  EXPECT_EQ(plain.Left_Out[1].Name, "say\"hi");
  EXPECT_EQ(plain.Left_Out[2].Name, "#note");

  EXPECT_EQ(Export_Map_List(All(), TList_Format::Map_Pool).Text,
            "q3dm17|ffa\nq3dm17|duel\nctf_gate|ctf\nodd|ffa\nteam1|ffa\nteam1|tdm\n");

  // The score of a map made for capture the flag only is its capture limit; counts stay within
  // 0 <= min <= max, since a negative minimum bans a map; a negative limit leaves both limits to
  // the server.
  EXPECT_EQ(Export_Map_List(All(), TList_Format::CPMA).Text,
            "q3dm17 2 4 15 10\nctf_gate 2 32 5 0\nodd 0 0\nteam1 2 32 20 0\n");
  EXPECT_TRUE(Export_Map_List({}, TList_Format::CPMA).Text.empty());

  // A rotation alone, with the chain the dedicated server writes, closing on the first map.
  const TExported_List rotation = Export_Map_List(All(), TList_Format::Rotation);
  EXPECT_EQ(rotation.Text,
            "// Written by Vorlix: a map rotation. A server executing this file (exec) plays its "
            "maps in turn.\n"
            "set vorlix_m1 \"map q3dm17; set nextmap vstr vorlix_m2\"\n"
            "set vorlix_m2 \"map ctf_gate; set nextmap vstr vorlix_m3\"\n"
            "set vorlix_m3 \"map odd; set nextmap vstr vorlix_m4\"\n"
            "set vorlix_m4 \"map team1; set nextmap vstr vorlix_m1\"\n"
            "vstr vorlix_m1\n");
  ASSERT_EQ(rotation.Left_Out.size(), 3u);
  EXPECT_EQ(rotation.Left_Out[1].Reason, "its file name cannot stand in a server command");
}

TEST_F(Map_Lists, What_Is_Written_Reads_Back_As_The_Same_Names) {
  for (const auto format :
       {TList_Format::Plain, TList_Format::Map_Pool, TList_Format::CPMA, TList_Format::Rotation}) {
    const std::string text = Export_Map_List(All(), format).Text;
    const std::vector<std::string> expected = {"q3dm17", "ctf_gate", "odd", "team1"};
    for (const auto& given : {std::optional<TList_Format>(format), std::optional<TList_Format>()}) {
      const TList_Reading reading = Read_Map_List(text, given);
      EXPECT_EQ(reading.Names, expected) << text;
      EXPECT_TRUE(reading.Refused.empty());
    }
  }
  EXPECT_EQ(List_Format_From_Word("MapPool"), TList_Format::Map_Pool);
  EXPECT_EQ(List_Format_From_Word("cpma"), TList_Format::CPMA);
  EXPECT_EQ(List_Format_From_Word("Rotation"), TList_Format::Rotation);
  EXPECT_EQ(List_Format_From_Word("mapcycle"), std::nullopt);
}

// A rotation holds what one file a server executes may; the maps after that are left out.
TEST_F(Map_Lists, A_Rotation_Too_Long_For_One_File_Keeps_The_Maps_That_Fit_In_Order) {
  TPK3_Record* pak = Db.Add_PK3("baseq3", "community.pk3");
  std::vector<const TMap_Record*> maps;
  std::vector<std::string> names;
  for (int i = 0; i < 400; ++i) {
    names.push_back("community_map_" + std::to_string(1000 + i));
    maps.push_back(Db.Add_Map(pak, names.back() + ".bsp"));
  }
  const TExported_List list = Export_Map_List(maps, TList_Format::Rotation);
  EXPECT_LT(list.Text.size(), Server_Config_Limit);
  EXPECT_GT(list.Text.size(), Server_Config_Limit - 100);
  ASSERT_FALSE(list.Left_Out.empty());
  const std::size_t kept = names.size() - list.Left_Out.size();
  EXPECT_EQ(list.Left_Out.front().Name, names[kept]);
  EXPECT_EQ(list.Left_Out.back().Name, names.back());
  EXPECT_EQ(list.Left_Out.back().Reason,
            "the rotation's file is full: a server executes no more than 16000 bytes of one file");
  // The last map kept closes the chain.
  const std::string last = "set vorlix_m" + std::to_string(kept) + " \"map " + names[kept - 1] +
                           "; set nextmap vstr vorlix_m1\"\nvstr vorlix_m1\n";
  EXPECT_EQ(list.Text.substr(list.Text.size() - last.size()), last);
  const TList_Reading reading = Read_Map_List(list.Text, std::nullopt);
  EXPECT_EQ(reading.Names, std::vector<std::string>(names.begin(), names.begin() + kept));
  EXPECT_TRUE(reading.Refused.empty());
}

TEST_F(Map_Lists, A_Rotation_Is_Read_In_Play_Order_And_Any_Other_Command_Refuses_Its_Line) {
  // Written by hand: any order of the lines, letter case, blanks and comments after a command.
  const std::string text =
      "// our server\n"
      "set d2 \"map Q3DM7 ; set nextmap vstr d3\"  // the second\n"
      "SET d1 \"map q3dm17;Set NextMap VSTR D2\"\n"
      "\n"
      "set\td3 \"map ctf_gate\"\n"
      "vstr d2\n"
      "vstr D1\n";
  for (const auto& format :
       {std::optional(TList_Format::Rotation), std::optional<TList_Format>()}) {
    const TList_Reading reading = Read_Map_List(text, format);
    EXPECT_EQ(reading.Names, (std::vector<std::string>{"q3dm17", "q3dm7", "ctf_gate"}));
    EXPECT_TRUE(reading.Refused.empty()) << reading.Refused.front();
  }
  // Without a vstr, the chain starts at the first setting.
  EXPECT_EQ(
      Read_Map_List("set b \"map two; set nextmap vstr a\"\nset a \"map one\"\n", std::nullopt)
          .Names,
      (std::vector<std::string>{"two", "one"}));

  // A foreign command makes the file a rotation still (it is not read as a list of names) and
  // is refused, as is every line that breaks the chain.
  const std::string bad =
      "set d1 \"map q3dm1; set nextmap vstr d2\"\n"    // 1
      "set d2 \"map maps/x; set nextmap vstr d3\"\n"   // 2 a path
      "set d3 \"map q3dm3; set nextmap vstr d9\"\n"    // 3 no d9
      "set d4 \"map maps/y; set nextmap vstr d1\"\n"   // 4 a path, never reached
      "kick allbots\n"                                 // 5
      "set d1 \"map q3dm5\"\n"                         // 6 set again
      "set d5 \"map q3dm5; rcon quit\"\n"              // 7
      "set d6 \"map evil\"; quit\n"                    // 8
      "set d7 \"map a; set nextmap vstr d1; quit\"\n"  // 9
      "set d8 \"\"\n"                                  // 10
      "set g_gametype 1\n"                             // 11
      "set d9 \"map a; set nextmap exec d1\"\n"        // 12
      "vstr d1\n";
  const TList_Reading refused = Read_Map_List(bad, std::nullopt);
  EXPECT_EQ(refused.Names, (std::vector<std::string>{"q3dm1", "q3dm3"}));
  const std::string other_command =
      "a command other than a rotation's set NAME \"map ...\" or vstr NAME";
  const std::string other_setting = "a setting other than a rotation's map and its next map";
  EXPECT_EQ(refused.Refused,
            (std::vector<std::string>{
                "line 2: no map name the game loads (holds a path separator)",
                "line 3: names a setting the file does not set",
                "line 4: no map name the game loads (holds a path separator)",
                "line 4: a map the rotation never reaches", "line 5: " + other_command,
                "line 6: a setting the file sets before", "line 7: " + other_setting,
                "line 8: " + other_command, "line 9: " + other_setting, "line 10: " + other_setting,
                "line 11: " + other_command, "line 12: " + other_setting}));
  EXPECT_EQ(Read_Map_List("vstr rotation\n", std::nullopt).Refused,
            std::vector<std::string>{"line 1: names a setting the file does not set"});
  // The dedicated server's own configuration holds its settings besides the chain.
  const std::string served = Server_Config_Files({}, {"q3dm1"}, "0badcafe").at(0).Text;
  EXPECT_EQ(Read_Map_List(served, std::nullopt).Refused.at(0), "line 2: " + other_setting);
}

TEST_F(Map_Lists, A_List_File_Is_Read_Line_By_Line_And_Bad_Lines_Are_Refused_By_Number) {
  const std::string text =
      "# a comment\r\n"
      "// another\n"
      "\n"
      "  Q3DM17  \r\n"
      "q3dm17\n"
      "ctf_gate\n"
      "maps/evil\n"
      "say\"hi\n"
      "two words\n"
      "bin\x01ary\n" +
      std::string(2000, 'x') + "\n" + "last";
  const TList_Reading reading = Read_Map_List(text, TList_Format::Plain);
  EXPECT_EQ(reading.Names, (std::vector<std::string>{"q3dm17", "ctf_gate", "last"}));
  ASSERT_EQ(reading.Refused.size(), 5u);
  EXPECT_EQ(reading.Refused[0], "line 7: no map name the game loads (holds a path separator)");
  EXPECT_EQ(reading.Refused[1].rfind("line 8: ", 0), 0u);
  EXPECT_EQ(reading.Refused[2].rfind("line 9: ", 0), 0u);
  EXPECT_EQ(reading.Refused[3].rfind("line 10: ", 0), 0u);
  EXPECT_EQ(reading.Refused[4], "line 11: longer than 1024 bytes");

  // Told from the text: the first word of a CPMA line, the name before a map pool's factory.
  EXPECT_EQ(Read_Map_List("pro-q3dm6  0 14 25 20\ncpm9\t4 14\n", std::nullopt).Names,
            (std::vector<std::string>{"pro-q3dm6", "cpm9"}));
  EXPECT_EQ(
      Read_Map_List("campgrounds|duel\ncampgrounds|ffa\n bloodrun |ffa\n", std::nullopt).Names,
      (std::vector<std::string>{"campgrounds", "bloodrun"}));
  EXPECT_EQ(Read_Map_List("|ffa\n", std::nullopt).Refused,
            std::vector<std::string>{"line 1: no map name"});
}

TEST_F(Map_Lists, Names_Find_Their_Maps_Ignoring_Case_And_Unknown_Ones_Are_Named) {
  Db.Add_Map(Db.Add_PK3("baseq3", "gone.pk3", false), "GONE.BSP");
  const TList_Match match = Match_Map_Names({"CTF_GATE", "nowhere", "q3dm17", "gone"}, Db.Database,
                                            nullptr, "baseq3", {"baseq3"});
  // Without an index the first archive of the database holding the map is taken.
  EXPECT_EQ(match.Maps, (std::vector<TMap_Record*>{Flag, Duel}));
  EXPECT_EQ(match.Unknown, (std::vector<std::string>{"nowhere", "gone"}));
}

// The window's commands: the format and the file asked, the group named after the file.
TEST_F(Map_Lists, The_Window_Asks_For_Format_And_File_And_Names_The_Group_After_The_File) {
  TTemp_Dir dir;
  TScripted_Interaction ui;
  const std::string pool = dir / "pool.txt";
  ui.Choice_Answers = {1};
  ui.Files = {pool};
  ASSERT_TRUE(Export_Map_List_Asking({Duel, Piped}, "Duel maps", ui));
  EXPECT_EQ(Read_File(pool), "q3dm17|ffa\nq3dm17|duel\n");
  EXPECT_EQ(ui.File_Requests.at(0).Initial_Name, "mappool.txt");
  EXPECT_EQ(ui.Message_Texts(),
            std::vector<std::string>{"Maps left out of the list (1): a|b (its file name holds a |, "
                                     "which separates a map pool's factory)."});
  // Cancelled at either question, or a file that cannot be written: nothing written.
  EXPECT_FALSE(Export_Map_List_Asking({Duel}, "Duel maps", ui));
  ui.Choice_Answers = {2};
  ui.Files = {std::nullopt};
  EXPECT_FALSE(Export_Map_List_Asking({Duel}, "Duel maps", ui));
  ui.Choice_Answers = {0};
  ui.Files = {dir.Path()};
  EXPECT_FALSE(Export_Map_List_Asking({Duel}, "Duel maps", ui));
  EXPECT_EQ(ui.Messages.back().Kind, TMessage_Kind::Error);
  EXPECT_EQ(ui.File_Requests.size(), 3u);

  TMaps_Tree tree;
  tree.Make_Group(Root_Group_Name);
  tree.Select(tree.Root());
  tree.Make_Group("pool");
  ui.Files = {pool};
  const TMaps_Tree_Node* group = Import_Map_List_Asking(tree, Db.Database, nullptr, "baseq3", ui);
  ASSERT_NE(group, nullptr);
  EXPECT_EQ(group->Text, "pool 2");
  EXPECT_EQ(Child_Texts(group), std::vector<std::string>{"Q3DM17"});
  Write_File(pool, "q3dm17\nbad\"name\n");
  ui.Files = {pool};
  EXPECT_EQ(Import_Map_List_Asking(tree, Db.Database, nullptr, "baseq3", ui), nullptr);
  EXPECT_EQ(ui.Messages.back().Text.rfind("The map list " + pool + " was not imported: 1 of", 0),
            0u);
  EXPECT_EQ(Import_Map_List(pool, "a/b", std::nullopt, tree, Db.Database, nullptr, "baseq3").Error,
            "\"a/b\" cannot name a group: it is empty, holds a \"/\" or a control character.");

  // A rotation: a file a server's exec reads as one word, and back as a group.
  const std::string cfg = dir / "flags.cfg";
  ui.Choice_Answers = {3};
  ui.Files = {cfg};
  ASSERT_TRUE(Export_Map_List_Asking({Flag, Team}, "Flag \"Maps\"", ui));
  EXPECT_EQ(ui.File_Requests.back().Initial_Name, "Flag__Maps_.cfg");
  EXPECT_EQ(ui.File_Requests.back().Filter, "Server configurations (*.cfg)");
  ui.Files = {cfg};
  group = Import_Map_List_Asking(tree, Db.Database, nullptr, "baseq3", ui);
  ASSERT_NE(group, nullptr);
  EXPECT_EQ(Child_Texts(group), (std::vector<std::string>{"CTF_Gate", "TEAM1"}));
}

}  // namespace
}  // namespace vorlix::testing
