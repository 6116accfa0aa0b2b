#include "browser/availability.h"

namespace vorlix {

namespace {

TCommand_Change For_Tree_Node(const TTree_Selection_Description& tree) {
  switch (tree.Kind) {
    case TTree_Selection::Map_Entry:
      return {true, true, false};
    case TTree_Selection::Group:
      return {false, tree.Group_Has_Map, tree.Group_Has_Includable};
    case TTree_Selection::Nothing:
      break;
  }
  return {};
}

}  // namespace

TCommand_Change Selection_Rule(TBrowser_Event event, const TTree_Selection_Description& tree,
                               bool list_has_selection) {
  switch (event) {
    case TBrowser_Event::Tree_Selection_Changed:
      return For_Tree_Node(tree);  // nothing selected: unchanged
    case TBrowser_Event::Tree_Focus:
      if (tree.Kind == TTree_Selection::Nothing) {
        return {false, false, false};
      }
      return For_Tree_Node(tree);
    case TBrowser_Event::List_Item_Selected:
      return {true, true, false};
    case TBrowser_Event::List_Item_Deselected:
      return {std::nullopt, std::nullopt, false};
    case TBrowser_Event::List_Focus:
      if (list_has_selection) {
        return {true, true, false};
      }
      return {false, false, false};
    case TBrowser_Event::List_Changed_Nothing_Selected:
      return {false, false, std::nullopt};
  }
  return {};
}

TTree_Command_State Tree_Command_Availability(const TTree_Selection_Description& tree) {
  TTree_Command_State state;
  state.Create_Group = true;
  switch (tree.Kind) {
    case TTree_Selection::Nothing:
      break;
    case TTree_Selection::Map_Entry:
      state.Delete_Entry = !tree.Top_Level;
      state.Properties = true;
      break;
    case TTree_Selection::Group:
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

bool Initially_Available(TMain_Command command) {
  switch (command) {
    case TMain_Command::Import_Arena_File:
    case TMain_Command::Exit:
    case TMain_Command::Info:
      return true;
    default:
      return false;
  }
}

bool Availability_Is_Fixed(TMain_Command command) {
  switch (command) {
    case TMain_Command::Import_Arena_File:
    case TMain_Command::Print:
    case TMain_Command::Printer_Setup:
    case TMain_Command::Exit:
    case TMain_Command::Info:
      return true;
    default:
      return false;
  }
}

}  // namespace vorlix
