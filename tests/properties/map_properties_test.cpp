#include <gtest/gtest.h>

#include "properties/formats.h"
#include "properties/map_properties_model.h"

#include "database/game_index.h"
#include "properties_fixture.h"

namespace vorlix::testing {
namespace {

using S = std::vector<std::string>;

TEST(Map_Formats, Size_With_Six_Digits_Date_Without_Midnight_And_The_Locale_Separators) {
  const QLocale us(QLocale::English, QLocale::UnitedStates);
  const QLocale de(QLocale::German, QLocale::Germany);
  EXPECT_EQ(Format_Map_Size(4096, us), "004,096 Bytes");
  EXPECT_EQ(Format_Map_Size(4294967295u, us), "4,294,967,295 Bytes");
  EXPECT_EQ(Format_Map_Size(4096, de), "004.096 Bytes");
  const auto afternoon = Dos_Date_Time(2001, 12, 24, 13, 45, 30);
  EXPECT_EQ(Format_Map_Date(afternoon, us), "12/24/01 1:45:30 PM");
  EXPECT_EQ(Format_Map_Date(afternoon, de), "24.12.01 13:45:30");
  EXPECT_EQ(Format_Map_Date(Dos_Date_Time(2001, 12, 24, 0, 0, 0), de), "24.12.01");
  EXPECT_EQ(Format_Map_Date(0, de), "");  // no valid date packed
}

struct Map_Properties : ::testing::Test {
  TProperties_Fixture F;
  TMap_Properties_Model Model;
  void SetUp() override {
    F.Standard_MODs();
    Model.Set_Context(F.Context());
  }
};

TEST_F(Map_Properties, Load_Fills_Every_Field_And_Cancel_Writes_Nothing) {
  auto* map = F.Add_Map("baseq3", "maps.pk3", "Q3DM17.BSP");
  map->Min_Recomm_Players = 4;
  map->Rating = 7;
  map->Game_Types = GT_Capture_The_Flag | GT_Single_Player;
  map->Comment = "longest yard";
  map->Useable_MODs = {"baseq3"};
  map->Assigned_Bots = {"major", "Nobody"};
  map->Bot_Skill = 1;
  Model.Load_Map(map);
  Model.Set_Map_Mode();
  // The caption, file name and size are the dialog test's to check.
  EXPECT_EQ(Model.MOD_Directory.Text, "baseq3");
  EXPECT_EQ(Model.Min_Recomm_Players.Text, "4");
  EXPECT_EQ(Model.Rating.Position(), 7);
  EXPECT_EQ(Marks(Model.Game_Types), "+---+-");
  EXPECT_EQ(Model.Bot_Skill, 1);
  EXPECT_EQ(Model.Assigned_Bots.Checked_Names(), S{"Major"});

  const TMap_Record before = *map;
  Model.Min_Recomm_Players.Text = "9";
  Model.Comment.Text = "changed";
  Model.Useable_MOD_Clicked(0);
  // Cancel: the record is not touched at all.
  EXPECT_EQ(map->Min_Recomm_Players, before.Min_Recomm_Players);
  EXPECT_EQ(map->Comment, before.Comment);
  EXPECT_EQ(map->Useable_MODs, before.Useable_MODs);

  // OK: the names found nowhere drop out, the lists are stored in list order.
  Model.Load_Map(map);
  Model.Min_Recomm_Players.Text = "9";
  Model.Comment.Text = "changed";
  Model.Useable_MOD_Clicked(1);
  Model.Game_Types[0].Click();
  Model.Store_Map(*map);
  EXPECT_EQ(map->Min_Recomm_Players, 9);
  EXPECT_EQ(map->Comment, "changed");
  EXPECT_EQ(map->Game_Types, GT_Capture_The_Flag);
  EXPECT_EQ(map->Useable_MODs, (S{"BASEQ3", "MYMOD"}));
  EXPECT_EQ(map->Assigned_Bots, S{"Major"});
  EXPECT_EQ(map->MAP_Filename, "Q3DM17.BSP");
  // A skill chosen is stored; with none chosen the record keeps its own.
  Model.Bot_Skill = 4;
  Model.Store_Map(*map);
  EXPECT_EQ(map->Bot_Skill, 4);
  Model.Bot_Skill = -1;
  Model.Store_Map(*map);
  EXPECT_EQ(map->Bot_Skill, 4);

  // No game type: every box loads cleared, and all cleared stores 0.
  map->Game_Types = 0;
  Model.Load_Map(map);
  EXPECT_EQ(Marks(Model.Game_Types), "------");
  map->Game_Types = 63;
  Model.Store_Map(*map);
  EXPECT_EQ(map->Game_Types, 0);
}

TEST_F(Map_Properties, Validation_Rows) {
  auto* map = F.Add_Map("baseq3", "maps.pk3", "Q3DM1.BSP");
  map->Min_Recomm_Players = 10;
  map->Max_Recomm_Players = 16;
  Model.Load_Map(map);

  // Min and Max Players: what is typed into one field, and both fields after leaving it.
  const struct {
    bool Min;
    const char *Other, *Typed, *Min_After, *Max_After;
  } players[] = {
      {true, "16", "40", "32", "32"},
      {false, "10", "1", "2", "2"},
      {false, "10", "abc", "10", "32"},
      {false, "10", " ", "10", "32"},  // blanks are no number either
      {true, "16", "", "2", "16"},
      // A number typed while the other field is no number gives the first column's value.
      {true, "", "12", "2", ""},
  };
  for (const auto& row : players) {
    SCOPED_TRACE(row.Typed);
    (row.Min ? Model.Max_Recomm_Players : Model.Min_Recomm_Players).Text = row.Other;
    (row.Min ? Model.Min_Recomm_Players : Model.Max_Recomm_Players).Text = row.Typed;
    Model.Leave(row.Min ? Model.Min_Recomm_Players : Model.Max_Recomm_Players);
    EXPECT_EQ(Model.Min_Recomm_Players.Text, row.Min_After);
    EXPECT_EQ(Model.Max_Recomm_Players.Text, row.Max_After);
  }

  // Rating has no check of its own: what is typed stays until the spin buttons move it.
  const std::tuple<TNumeric_Field*, const char*, const char*, const char*> rows[] = {
      {&Model.Limits_Frags, "0", "0", "100"},
      {&Model.Limits_Captures, "0", "0", "50"},
      {&Model.Limits_Time, "0", "0", "120"},
      {&Model.Limits_Players, "2", "2", "32"},
      {&Model.Rating, "abc", "-5", "999"}};
  for (const auto& [field, not_number, below, above] : rows) {
    for (const auto& [typed, expected] : {std::pair<const char*, const char*>{"abc", not_number},
                                          {"-5", below},
                                          {"999", above},
                                          {" 7", field == &Model.Rating ? " 7" : "7"}}) {
      field->Text = typed;
      Model.Leave(*field);
      EXPECT_EQ(field->Text, expected) << typed;
    }
  }

  // Spin buttons of Min Players run its validation: Max Players follows.
  Model.Min_Recomm_Players.Set_Position(20);
  Model.Max_Recomm_Players.Set_Position(20);
  Model.Spin(Model.Min_Recomm_Players, +1);
  EXPECT_EQ(Model.Min_Recomm_Players.Text, "21");
  EXPECT_EQ(Model.Max_Recomm_Players.Text, "21");
  Model.Spin(Model.Max_Recomm_Players, -1);
  Model.Spin(Model.Max_Recomm_Players, -1);
  EXPECT_EQ(Model.Max_Recomm_Players.Text, "19");
  EXPECT_EQ(Model.Min_Recomm_Players.Text, "19");
  Model.Rating.Set_Position(9);
  Model.Spin(Model.Rating, +1);
  EXPECT_EQ(Model.Rating.Text, "9");
}

TEST_F(Map_Properties, Mod_Offers_And_Bots_Lists) {
  // A base map offers every MOD directory; a MOD map only its own MOD.
  auto* base = F.Add_Map("baseq3", "maps.pk3", "Q3DM1.BSP");
  base->Useable_MODs = {"baseq3", "mymod"};
  Model.Load_Map(base);
  EXPECT_EQ(Marks(Model.Useable_MODs), "+BASEQ3 +MYMOD -NOBOTS");
  EXPECT_EQ(Names(Model.Assigned_Bots), (S{"Alien", "Grunt", "Major", "Sarge"}));
  EXPECT_EQ(Model.Assigned_Bots[3].Bots, F.Mods.Bots(0));  // Sarge belongs to the first MOD
  EXPECT_EQ(Model.Find_Bot_Preview(4).Icon, "");           // past the last bot: nothing

  auto* modmap = F.Add_Map("mymod", "mine.pk3", "MYDM1.BSP");
  modmap->Useable_MODs = {"MYMOD"};
  Model.Load_Map(modmap);
  EXPECT_EQ(Names(Model.Useable_MODs), S{"MYMOD"});
  EXPECT_EQ(Names(Model.Assigned_Bots), (S{"Alien", "Sarge"}));
  Model.Useable_MOD_Clicked(0);  // no usable MOD checked: no bots
  EXPECT_EQ(Model.Assigned_Bots.Count(), 0);

  // A MOD without bots file of its own offers the standard bots.
  auto* nobots = F.Add_Map("nobots", "x.pk3", "NB1.BSP");
  nobots->Useable_MODs = {"nobots"};
  Model.Load_Map(nobots);
  EXPECT_EQ(Names(Model.Assigned_Bots), (S{"Grunt", "Major", "Sarge"}));
}

TEST_F(Map_Properties, Clearing_A_Mod_Keeps_The_Remaining_Check_Marks) {
  auto* map = F.Add_Map("baseq3", "maps.pk3", "Q3DM1.BSP");
  map->Useable_MODs = {"BASEQ3", "MYMOD"};
  map->Assigned_Bots = {"Alien", "Sarge", "Grunt"};
  Model.Load_Map(map);
  EXPECT_EQ(Marks(Model.Assigned_Bots), "+Alien +Grunt -Major +Sarge");
  Model.Useable_MOD_Clicked(0);  // clear BASEQ3: Grunt and Major go, Sarge stays (MYMOD has it)
  EXPECT_EQ(Marks(Model.Assigned_Bots), "+Alien +Sarge");
  Model.Useable_MOD_Clicked(0);  // tick it again: its bots come back unchecked
  EXPECT_EQ(Marks(Model.Assigned_Bots), "+Alien -Grunt -Major +Sarge");
  Model.Store_Map(*map);
  EXPECT_EQ(map->Assigned_Bots, (S{"Alien", "Sarge"}));

  // A bot whose name differs only in case between two MODs stays offered when one MOD is cleared.
  F.Mods.Bots(1)->Add_Bot("grunt", "grunt/red", "mine.pk3");
  Model.Useable_MOD_Clicked(0);
  EXPECT_EQ(Names(Model.Assigned_Bots), (S{"Alien", "grunt", "Sarge"}));
  EXPECT_EQ(Model.Assigned_Bots[1].Bots, F.Mods.Bots(1));
}

TEST_F(Map_Properties, No_Aas_Warns_And_Drops_The_Bots) {
  auto* map = F.Add_Map("baseq3", "maps.pk3", "Q3DM1.BSP");
  map->Has_AAS = false;
  map->Useable_MODs = {"BASEQ3"};
  map->Assigned_Bots = {"Sarge"};
  Model.Load_Map(map);
  ASSERT_EQ(F.Interaction.Messages.size(), 1u);
  EXPECT_EQ(F.Interaction.Messages[0],
            (TRecorded_Message{TMessage_Kind::Error,
                               "No AAS-file available. All bots will be removed from this map.",
                               TAnswer_Set::OK}));
  EXPECT_FALSE(Model.Bots_Visible);
  EXPECT_EQ(Model.Assigned_Bots.Count(), 0);
  Model.Store_Map(*map);
  EXPECT_TRUE(map->Assigned_Bots.empty());
  Model.Load_Map(map);  // nothing assigned any more: no second warning
  EXPECT_EQ(F.Interaction.Messages.size(), 1u);

  // A bot file the game takes from another archive of a base directory lets bots play it.
  auto index = std::make_shared<TGame_Index>();
  index->Set_Archives({{.MOD_Directory = "BASEOA", .Bot_Files = {"Q3DM1"}}});
  TProperties_Context context = F.Context();
  context.Game_Index = index;
  Model.Set_Context(context);
  map->Assigned_Bots = {"Sarge"};
  Model.Load_Map(map);
  EXPECT_TRUE(Model.Bots_Visible);
  EXPECT_EQ(F.Interaction.Messages.size(), 1u);
}

// What the game knows of the map: the archive it loads it from and its own arena block, whose
// settings "Use these settings" takes into the fields as the import would, stored only at OK.
TEST_F(Map_Properties, Game_Facts_And_Their_Settings) {
  auto* map = F.Add_Map("baseq3", "maps.pk3", "Q3DM1.BSP");
  map->Useable_MODs = {"BASEQ3"};
  map->Assigned_Bots = {"Sarge"};
  map->Game_Types = GT_Free_For_All;
  map->Limits_Captures = 8;
  TArchive_Facts own{.MOD_Directory = "baseq3", .PK3_Filename = "maps.pk3", .Maps = {"Q3DM1"}};
  TArchive_Facts pack = own;
  pack.PK3_Filename = "zz.pk3";
  pack.Arena_Scripts = {"scripts/zz.arena"};
  pack.Arenas = Parse_Arena_Blocks(
      "{ map q3dm1 type \"ctf tourney\" bots \"major nobody\" fraglimit 15 timelimit 200 "
      "capturelimit x }",
      "scripts/zz.arena");
  auto index = std::make_shared<TGame_Index>();
  index->Set_Archives({own, pack});
  TProperties_Context context = F.Context();
  context.Game_Index = index;
  Model.Set_Context(context);
  Model.Load_Map(map);
  EXPECT_EQ(Model.Game_Facts.Loaded_From, "baseq3/zz.pk3");
  EXPECT_EQ(Model.Game_Facts.Override_Note, "overridden by zz.pk3");
  EXPECT_EQ(Model.Game_Facts.Script, "baseq3/zz.pk3: scripts/zz.arena");
  EXPECT_EQ(Model.Game_Facts.Block.Keys.size(), 6u);
  ASSERT_TRUE(Model.Game_Facts.Usable);

  Model.Use_Arena_Settings();
  EXPECT_EQ(Marks(Model.Game_Types), "---++-");
  EXPECT_EQ(Marks(Model.Assigned_Bots), "-Grunt +Major -Sarge");  // names compared ignoring case
  EXPECT_EQ(Model.Limits_Frags.Text, "15");
  EXPECT_EQ(Model.Limits_Time.Text, "120");    // within the field's range
  EXPECT_EQ(Model.Limits_Captures.Text, "8");  // not a number: kept
  EXPECT_EQ(map->Game_Types, GT_Free_For_All);
  Model.Store_Map(*map);
  EXPECT_EQ(map->Game_Types, GT_Capture_The_Flag | GT_Tournament);
  EXPECT_EQ(map->Assigned_Bots, S{"Major"});

  // Its own archive sorting last: no note. A frag limit that is no number: the import takes
  // nothing of the block, and neither does the button.
  own.PK3_Filename = "zzz.pk3";
  pack.Arenas[0].Keys[3].second = "many";
  index->Set_Archives({own, pack});
  map->PK3->PK3_Filename = "zzz.pk3";
  Model.Load_Map(map);
  EXPECT_EQ(Model.Game_Facts.Loaded_From, "baseq3/zzz.pk3");
  EXPECT_EQ(Model.Game_Facts.Override_Note, "");
  EXPECT_FALSE(Model.Game_Facts.Usable);
  Model.Use_Arena_Settings();
  EXPECT_EQ(Model.Limits_Frags.Text, std::to_string(map->Limits_Frags));

  // While an arena file is active in the map's directory the game reads its block; the archives'
  // block is still shown as theirs. Without a block there, the game reads none.
  EXPECT_EQ(Model.Game_Facts.Read_Now, "baseq3/zz.pk3: scripts/zz.arena");
  TTemp_Dir game;
  Write_Pk3(game / "BaseQ3/z_Arenas_active_Mine.pk3",
            {{"scripts/arenas.txt", "{ map q3dm7 type ffa }\n{ map Q3DM1 type ctf }\n"}});
  context.Game_Dir = game.Path();
  Model.Set_Context(context);
  Model.Load_Map(map);
  EXPECT_EQ(Model.Game_Facts.Active_Arena_File, "baseq3/z_Arenas_active_Mine.pk3");
  EXPECT_EQ(Model.Game_Facts.Read_Now, "baseq3/z_Arenas_active_Mine.pk3: scripts/arenas.txt");
  EXPECT_EQ(Model.Game_Facts.Read_Now_Block.Value("type"), "ctf");
  EXPECT_EQ(Model.Game_Facts.Script, "baseq3/zz.pk3: scripts/zz.arena");
  Write_Pk3(game / "BaseQ3/z_Arenas_active_Mine.pk3", {{"scripts/arenas.txt", "{ map x }"}});
  Model.Load_Map(map);
  EXPECT_EQ(Model.Game_Facts.Read_Now, "");
  EXPECT_TRUE(Model.Game_Facts.Read_Now_Block.Keys.empty());

  // A group has no facts of one map.
  Model.Load_Group({map});
  EXPECT_EQ(Model.Game_Facts.Script, "");
}

TEST(Bot_Preview, Icon_Names_Last_Archive_Wins_Jpg_Over_Tga) {
  TTemp_Dir dir;
  TProperties_Fixture f;
  f.Add_MOD("baseq3", {{"Sarge", "sarge/krusade"}, {"Major", "major"}, {"Ghost", "ghost"}});
  TMap_Record* first = f.Add_Map("baseq3", "a.pk3", "A.BSP");
  f.Add_Map("baseq3", "b.pk3", "B.BSP");
  f.Add_Map("baseq3", "c.pk3", "C.BSP")->PK3->Present = false;
  f.Add_Map("mymod", "d.pk3", "D.BSP");
  const std::string botinfo = dir / "botinfo";
  // Extracted as named in the archives.
  Write_File(botinfo + "/BASEQ3/a.pk3/models/players/sarge/icon_krusade.tga", "t");
  Write_File(botinfo + "/BASEQ3/a.pk3/sound/player/announce/Sarge.wav", "w");
  Write_File(botinfo + "/BASEQ3/b.pk3/models/players/sarge/icon_krusade.tga", "t");
  Write_File(botinfo + "/BASEQ3/b.pk3/models/players/sarge/ICON_krusade.jpg", "j");
  Write_File(botinfo + "/BASEQ3/a.pk3/models/players/major/icon_default.tga", "t");
  Write_File(botinfo + "/BASEQ3/c.pk3/models/players/major/icon_default.jpg", "gone");
  Write_File(botinfo + "/MYMOD/d.pk3/models/players/major/icon_default.jpg", "other mod");

  auto files = Find_Bot_Files(f.Database, botinfo, "BASEQ3", "Sarge", "sarge/krusade");
  EXPECT_EQ(files.Icon, botinfo + "/BASEQ3/b.pk3/models/players/sarge/ICON_krusade.jpg");
  EXPECT_EQ(files.Sound, botinfo + "/BASEQ3/a.pk3/sound/player/announce/Sarge.wav");
  files = Find_Bot_Files(f.Database, botinfo, "BASEQ3", "Major", "major");
  EXPECT_EQ(files.Icon, botinfo + "/BASEQ3/a.pk3/models/players/major/icon_default.tga");
  EXPECT_EQ(files.Sound, "");
  files = Find_Bot_Files(f.Database, botinfo, "BASEQ3", "../../x", "../..");
  EXPECT_EQ(files.Icon, "");
  EXPECT_EQ(files.Sound, "");

  // The dialog's model finds the files of the bot in any row of its list (every bot of the MOD,
  // by name), the first one included.
  Write_File(botinfo + "/BASEQ3/a.pk3/models/players/ghost/icon_default.tga", "t");
  TMap_Properties_Model assigned;
  assigned.Set_Context(f.Context(botinfo));
  first->Useable_MODs = {"BASEQ3"};
  first->Assigned_Bots = {"Sarge", "Major"};
  assigned.Load_Map(first);
  std::vector<std::string> icons;
  for (int row = -1; row <= assigned.Assigned_Bots.Count(); ++row) {
    icons.push_back(assigned.Find_Bot_Preview(row).Icon);
  }
  EXPECT_EQ(icons, (std::vector<std::string>{
                       "", botinfo + "/BASEQ3/a.pk3/models/players/ghost/icon_default.tga",
                       botinfo + "/BASEQ3/a.pk3/models/players/major/icon_default.tga",
                       botinfo + "/BASEQ3/b.pk3/models/players/sarge/ICON_krusade.jpg", ""}));

  // Preview state: the same bot twice previews once; navigation keys hold the preview back.
  TMap_Properties_Model model;
  model.Reset_For_Show();
  EXPECT_TRUE(model.Bot_Selected(1));
  EXPECT_FALSE(model.Bot_Selected(1));
  model.Navigation_Key_Down(Key_Down);
  model.Navigation_Key_Down(39);  // Right does not count
  model.Navigation_Key_Down(Key_Page_Down);
  model.Navigation_Key_Up(Key_Down);
  EXPECT_TRUE(model.Navigation_Key_Held());
  model.Navigation_Key_Up(Key_Page_Down);
  EXPECT_FALSE(model.Navigation_Key_Held());
  model.Reset_For_Show();
  EXPECT_EQ(model.Last_Selected_Bot(), -1);
}

// ---- Group mode

struct Group_Properties : ::testing::Test {
  TProperties_Fixture F;
  TMap_Properties_Model Model;
  TMap_Record* A = nullptr;
  TMap_Record* B = nullptr;
  TMap_Record* C = nullptr;  // the sub-group's map
  std::vector<TMap_Record*> Group;

  void SetUp() override {
    F.Standard_MODs();
    Model.Set_Context(F.Context());
    A = F.Add_Map("baseq3", "maps.pk3", "Q3DM1.BSP");
    B = F.Add_Map("baseq3", "maps.pk3", "Q3DM2.BSP");
    C = F.Add_Map("baseq3", "more.pk3", "Q3DM3.BSP");
    for (auto* map : {A, B, C}) {
      map->Rating = 3;
      map->Useable_MODs = {"BASEQ3"};
      map->Game_Types = GT_Free_For_All;
      map->Comment = "same";
    }
    Group = {A, B, C};
  }
  void Load() {
    Model.Load_Group(Group);
    Model.Set_Group_Mode();
    Model.Reset_For_Show();
  }
};

TEST_F(Group_Properties, Numeric_Merges_And_Typed_Values) {
  // How often the maps were launched, from the data folder's history.
  TPlay_History history;
  history.Record_Launch({{A->PK3->ID, A->ID}, 1000});
  history.Record_Launch({{A->PK3->ID, A->ID}, 2000});
  TTemp_Dir data;
  ASSERT_EQ(Save_Play_History(data.Path(), history), "");
  THistory_Keeper keeper(data.Path());
  TProperties_Context context = F.Context();
  context.History = &keeper;
  Model.Set_Context(context);
  Model.Load_Map(B);
  EXPECT_EQ(Model.Played.Text, "never");
  Model.Load_Map(A);
  EXPECT_EQ(Model.Played.Text.rfind("2 launches, the last on ", 0), 0u);
  Model.Set_Context(F.Context());
  C->Bot_Skill = 4;
  B->Bot_Skill = 4;
  A->Bot_Skill = 4;
  Load();
  EXPECT_EQ(Model.Bot_Skill, 4);  // the same in every map
  EXPECT_EQ(Model.Rating.Text, "3");
  EXPECT_EQ(Model.PK3_Filename.State, TMerge_State::Mixed);  // two archives
  EXPECT_EQ(Model.PK3_Filename.Text, "");
  EXPECT_EQ(Model.MOD_Directory.Text, "baseq3");

  B->Rating = 5;
  C->Limits_Frags = 50;
  Load();
  EXPECT_EQ(Model.Rating.Text, "");
  EXPECT_EQ(Model.Limits_Frags.Text, "");
  EXPECT_EQ(Model.Limits_Time.Text, "0");
  Model.Limits_Time.Text = "15";
  Model.Store_Group(Group);  // OK without touching the rating keeps 3 and 5
  EXPECT_EQ(A->Rating, 3);
  EXPECT_EQ(B->Rating, 5);
  EXPECT_EQ(C->Limits_Frags, 50);
  EXPECT_EQ(A->Limits_Frags, 20);
  EXPECT_EQ(C->Limits_Time, 15);  // the sub-group's map is written too

  Model.Rating.Text = "7";
  Model.Store_Group(Group);
  EXPECT_EQ(A->Rating, 7);
  EXPECT_EQ(B->Rating, 7);

  // Leaving an empty frags field gives it the value of a non-number, written to every map.
  Model.Leave(Model.Limits_Frags);
  EXPECT_EQ(Model.Limits_Frags.Text, "0");
  Model.Store_Group(Group);
  EXPECT_EQ(C->Limits_Frags, 0);

  const std::pair<std::string, std::string> accumulating{"Please wait",
                                                         "Accumulating map information..."};
  const std::pair<std::string, std::string> storing{"Please wait", "Storing map information..."};
  EXPECT_EQ(F.Interaction.Notices,
            (std::vector{accumulating, accumulating, storing, storing, storing}));
  EXPECT_EQ(F.Interaction.Open_Notices, 0);

  // Mixed Min Players and an empty Max Players, no number: Min Players becomes 2.
  B->Min_Recomm_Players = 4;
  B->Max_Recomm_Players = 8;
  Load();
  Model.Min_Recomm_Players.Text = "6";
  Model.Leave(Model.Min_Recomm_Players);
  EXPECT_EQ(Model.Min_Recomm_Players.Text, "2");
  Model.Max_Recomm_Players.Text = "6";
  Model.Leave(Model.Max_Recomm_Players);
  EXPECT_EQ(Model.Max_Recomm_Players.Text, "6");
}

TEST_F(Group_Properties, Comments_And_Greyed_Boxes) {
  B->Comment = "other";
  B->Game_Types = GT_Free_For_All | GT_Capture_The_Flag;
  B->Allow_Include_In_Arena_File = false;
  Load();
  EXPECT_EQ(Model.Comment.Text, "");
  EXPECT_EQ(Marks(Model.Game_Types), "-+--?-");
  EXPECT_EQ(Model.Allow_Include_In_Arena_File.State, TCheck_State::Greyed);
  Model.Game_Types[0].Click();  // Single Player on for all
  Model.Store_Group(Group);
  EXPECT_EQ(A->Comment, "same");
  EXPECT_EQ(B->Comment, "other");
  EXPECT_EQ(A->Game_Types, GT_Free_For_All | GT_Single_Player);
  EXPECT_EQ(B->Game_Types, GT_Free_For_All | GT_Capture_The_Flag | GT_Single_Player);
  EXPECT_TRUE(A->Allow_Include_In_Arena_File);
  EXPECT_FALSE(B->Allow_Include_In_Arena_File);

  // A greyed box becomes checked by one click and never greyed again.
  for (const char* after : {"++--+-", "++----", "++--+-"}) {
    Model.Game_Types[4].Click();
    EXPECT_EQ(Marks(Model.Game_Types), after);
  }
  Model.Comment.Text = "new";
  Model.Store_Group(Group);
  EXPECT_EQ(A->Game_Types & GT_Capture_The_Flag, GT_Capture_The_Flag);
  EXPECT_EQ(C->Comment, "new");
}

TEST_F(Group_Properties, Check_Lists_Merge_And_Write_Only_Definite_Entries) {
  B->Useable_MODs = {"BASEQ3", "MYMOD"};
  A->Assigned_Bots = {"Sarge"};
  B->Assigned_Bots = {"Sarge", "Major"};
  C->Assigned_Bots = {"Sarge"};
  C->Has_AAS = false;  // changes no bot check
  Load();
  EXPECT_EQ(Marks(Model.Useable_MODs), "+BASEQ3 ?MYMOD -NOBOTS");
  // Greyed MYMOD counts as not checked: its own bot Alien is pruned.
  EXPECT_EQ(Marks(Model.Assigned_Bots), "-Grunt ?Major +Sarge");
  EXPECT_TRUE(Model.Bots_Visible);

  Model.Assigned_Bot_Clicked(0);  // Grunt for all
  Model.Store_Group(Group);
  EXPECT_EQ(A->Useable_MODs, S{"BASEQ3"});
  EXPECT_EQ(B->Useable_MODs, (S{"BASEQ3", "MYMOD"}));
  EXPECT_EQ(A->Assigned_Bots, (S{"Sarge", "Grunt"}));
  EXPECT_EQ(B->Assigned_Bots, (S{"Sarge", "Major", "Grunt"}));

  Model.Useable_MOD_Clicked(1);  // greyed MYMOD: one click makes it checked, bots follow
  EXPECT_EQ(Marks(Model.Useable_MODs), "+BASEQ3 +MYMOD -NOBOTS");
  EXPECT_EQ(Names(Model.Assigned_Bots), (S{"Alien", "Grunt", "Major", "Sarge"}));
  Model.Store_Group(Group);
  EXPECT_EQ(A->Useable_MODs, (S{"BASEQ3", "MYMOD"}));
}

TEST_F(Group_Properties, Maps_Of_One_Mod_And_Without_Aas) {
  auto* x = F.Add_Map("mymod", "m.pk3", "X.BSP");
  auto* y = F.Add_Map("mymod", "m.pk3", "Y.BSP");
  x->Has_AAS = y->Has_AAS = false;
  x->Useable_MODs = {"MYMOD"};
  Group = {x, y};
  Load();
  EXPECT_EQ(Marks(Model.Useable_MODs), "?MYMOD");
  EXPECT_FALSE(Model.Bots_Visible);

  // A group whose first map lacks the aas file: every bot starts cleared.
  y->Has_AAS = true;
  y->Assigned_Bots = {"Alien"};
  x->Useable_MODs = y->Useable_MODs = {"MYMOD"};
  Load();
  EXPECT_TRUE(Model.Bots_Visible);
  EXPECT_EQ(Marks(Model.Assigned_Bots), "?Alien -Sarge");

  // Loading one map afterwards makes every field single-valued again.
  Model.Load_Map(A);
  EXPECT_EQ(Model.Rating.State, TMerge_State::Single);
  EXPECT_EQ(Model.PK3_Filename.Text, "maps.pk3");
}

}  // namespace
}  // namespace vorlix::testing
