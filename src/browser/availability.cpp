#include "browser/availability.h"

namespace vorlix {

namespace {

TCommand_Change For_Tree_Node(const TTree_Selection_Description& tree) {
  switch (tree.Kind) {
    case Tree_Selection::Map_Entry:
      return {true, true, false};
    case Tree_Selection::Group:
      return {false, tree.Group_Has_Map, tree.Group_Has_Includable};
    case Tree_Selection::Nothing:
      break;
  }
  return {};
}

}  // namespace

TCommand_Change Selection_Rule(Browser_Event event, const TTree_Selection_Description& tree,
                               bool list_has_selection) {
  switch (event) {
    case Browser_Event::Tree_Selection_Changed:
      return For_Tree_Node(tree);  // nothing selected: unchanged
    case Browser_Event::Tree_Focus:
      if (tree.Kind == Tree_Selection::Nothing) {
        return {false, false, false};
      }
      return For_Tree_Node(tree);
    case Browser_Event::List_Item_Selected:
      return {true, true, false};
    case Browser_Event::List_Item_Deselected:
      return {std::nullopt, std::nullopt, false};
    case Browser_Event::List_Focus:
      if (list_has_selection) {
        return {true, true, false};
      }
      return {false, false, false};
    case Browser_Event::List_Changed_Nothing_Selected:
      return {false, false, std::nullopt};
  }
  return {};
}

TTree_Menu_State Tree_Menu_Availability(const TTree_Selection_Description& tree) {
  TTree_Menu_State state;
  state.Create_Group = true;
  switch (tree.Kind) {
    case Tree_Selection::Nothing:
      break;
    case Tree_Selection::Map_Entry:
      state.Delete_Entry = !tree.Top_Level;
      state.Properties = true;
      break;
    case Tree_Selection::Group:
      state.Delete_Entry = !tree.Top_Level;
      state.Create_Arena_File = tree.Group_Has_Includable;
      state.Properties = tree.Group_Has_Map;
      break;
  }
  return state;
}

TArena_Command_State Arena_Rules(int mods_with_arena_file, int most_arena_files) {
  return {most_arena_files >= 2, mods_with_arena_file > 0};
}

bool Initially_Available(Main_Command command) {
  switch (command) {
    case Main_Command::Import_Arena_File:
    case Main_Command::Exit:
    case Main_Command::Info:
      return true;
    default:
      return false;
  }
}

bool Availability_Is_Fixed(Main_Command command) {
  switch (command) {
    case Main_Command::Import_Arena_File:
    case Main_Command::Print:
    case Main_Command::Printer_Setup:
    case Main_Command::Exit:
    case Main_Command::Info:
      return true;
    default:
      return false;
  }
}

}  // namespace vorlix
