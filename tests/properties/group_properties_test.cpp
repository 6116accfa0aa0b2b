#include <gtest/gtest.h>

#include "properties/map_properties_model.h"
#include "properties_fixture.h"

namespace vorlix::testing {
namespace {

using S = std::vector<std::string>;

struct Group_Properties : ::testing::Test {
  TProperties_Fixture F;
  TMap_Properties_Model Model;
  TMAP_Datei_Eintrag* A = nullptr;
  TMAP_Datei_Eintrag* B = nullptr;
  TMAP_Datei_Eintrag* C = nullptr;  // the sub-group's map
  std::vector<TMAP_Datei_Eintrag*> Group;

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
    Model.Form_Show();
  }
};

TEST_F(Group_Properties, NumericMergesAndTypedValues) {
  Load();
  EXPECT_EQ(Model.Rating.Text, "3");
  EXPECT_EQ(Model.PK3_Filename.State, Merge_State::Mixed);  // two archives
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
  Model.Leave_Limits_Frags();
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
  Model.Leave_Min_Players();
  EXPECT_EQ(Model.Min_Recomm_Players.Text, "2");
  Model.Max_Recomm_Players.Text = "6";
  Model.Leave_Max_Players();
  EXPECT_EQ(Model.Max_Recomm_Players.Text, "6");
}

TEST_F(Group_Properties, CommentsAndGreyedBoxes) {
  B->Comment = "other";
  B->Game_Types = GT_Free_For_All | GT_Capture_The_Flag;
  B->Allow_Include_In_Arena_File = false;
  Load();
  EXPECT_EQ(Model.Comment.Text, "");
  EXPECT_EQ(Marks(Model.Game_Types), "-+--?-");
  EXPECT_EQ(Model.Allow_Include_In_Arena_File.State, Check_State::Greyed);
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

TEST_F(Group_Properties, CheckListsMergeAndWriteOnlyDefiniteEntries) {
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

TEST_F(Group_Properties, MapsOfOneModAndWithoutAas) {
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
  EXPECT_EQ(Model.Rating.State, Merge_State::Single);
  EXPECT_EQ(Model.PK3_Filename.Text, "maps.pk3");
}

}  // namespace
}  // namespace vorlix::testing
