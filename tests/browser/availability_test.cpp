#include "browser/availability.h"

#include <gtest/gtest.h>

namespace vorlix {
namespace {

constexpr auto Unchanged = std::nullopt;

TTree_Selection_Description Group(bool has_map, bool has_includable, bool top = false) {
  return {Tree_Selection::Group, top, has_map, has_includable};
}

const TTree_Selection_Description Entry{Tree_Selection::Map_Entry, false, false, false};
const TTree_Selection_Description Nothing{};

TEST(Availability, SelectionRulesOfTheTree) {
  using E = Browser_Event;
  EXPECT_EQ(Selection_Rule(E::Tree_Selection_Changed, Entry, false),
            (TCommand_Change{true, true, false}));
  // A group holding only groups: nothing of the three.
  EXPECT_EQ(Selection_Rule(E::Tree_Selection_Changed, Group(false, false), false),
            (TCommand_Change{false, false, false}));
  // Its only map may not be included: properties yes, arena file no.
  EXPECT_EQ(Selection_Rule(E::Tree_Selection_Changed, Group(true, false), false),
            (TCommand_Change{false, true, false}));
  EXPECT_EQ(Selection_Rule(E::Tree_Selection_Changed, Group(true, true), false),
            (TCommand_Change{false, true, true}));
  EXPECT_EQ(Selection_Rule(E::Tree_Selection_Changed, Nothing, false),
            (TCommand_Change{Unchanged, Unchanged, Unchanged}));
  EXPECT_EQ(Selection_Rule(E::Tree_Focus, Entry, false), (TCommand_Change{true, true, false}));
  EXPECT_EQ(Selection_Rule(E::Tree_Focus, Group(true, true), true),
            (TCommand_Change{false, true, true}));
  EXPECT_EQ(Selection_Rule(E::Tree_Focus, Nothing, true), (TCommand_Change{false, false, false}));
}

TEST(Availability, SelectionRulesOfTheList) {
  using E = Browser_Event;
  // After a group with includable maps: a list item takes Create Arena File away.
  EXPECT_EQ(Selection_Rule(E::List_Item_Selected, Group(true, true), true),
            (TCommand_Change{true, true, false}));
  EXPECT_EQ(Selection_Rule(E::List_Item_Deselected, Entry, false),
            (TCommand_Change{Unchanged, Unchanged, false}));
  EXPECT_EQ(Selection_Rule(E::List_Focus, Entry, true), (TCommand_Change{true, true, false}));
  EXPECT_EQ(Selection_Rule(E::List_Focus, Entry, false), (TCommand_Change{false, false, false}));
  EXPECT_EQ(Selection_Rule(E::List_Changed_Nothing_Selected, Entry, false),
            (TCommand_Change{false, false, Unchanged}));
}

TEST(Availability, TreeContextMenu) {
  EXPECT_EQ(Tree_Menu_Availability(Nothing), (TTree_Menu_State{true, false, false, false}));
  EXPECT_EQ(Tree_Menu_Availability(Entry), (TTree_Menu_State{true, true, false, true}));
  // The root group: never deleted, the group rules otherwise.
  EXPECT_EQ(Tree_Menu_Availability(Group(true, true, true)),
            (TTree_Menu_State{true, false, true, true}));
  EXPECT_EQ(Tree_Menu_Availability(Group(false, false, true)),
            (TTree_Menu_State{true, false, false, false}));
  EXPECT_EQ(Tree_Menu_Availability(Group(true, false)),
            (TTree_Menu_State{true, true, false, true}));
}

TEST(Availability, ArenaRulesAndFixedCommands) {
  EXPECT_EQ(Arena_Rules(0, 0), (TArena_Command_State{false, false}));
  // One arena file in each of two directories: remove yes, activate no.
  EXPECT_EQ(Arena_Rules(2, 1), (TArena_Command_State{false, true}));
  EXPECT_EQ(Arena_Rules(1, 2), (TArena_Command_State{true, true}));
  for (Main_Command command :
       {Main_Command::Launch_Map, Main_Command::Map_Properties, Main_Command::Create_Arena_File,
        Main_Command::Activate_Arena_File, Main_Command::Remove_Arena_File, Main_Command::Print,
        Main_Command::Printer_Setup}) {
    EXPECT_FALSE(Initially_Available(command));
  }
  for (Main_Command command :
       {Main_Command::Import_Arena_File, Main_Command::Exit, Main_Command::Info}) {
    EXPECT_TRUE(Initially_Available(command));
    EXPECT_TRUE(Availability_Is_Fixed(command));
  }
  EXPECT_TRUE(Availability_Is_Fixed(Main_Command::Print));
  EXPECT_FALSE(Availability_Is_Fixed(Main_Command::Launch_Map));
}

}  // namespace
}  // namespace vorlix
