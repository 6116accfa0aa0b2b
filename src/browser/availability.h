#pragma once
// When the main window's commands can be used: the selection rules of the three commands that
// follow the selection (Launch Map, Map Properties, Create Arena File), the tree's context menu,
// the arena rules, and the commands whose state never changes.

#include <optional>

namespace vorlix {

enum class TTree_Selection { Nothing, Map_Entry, Group };

// What is selected in the tree, with what lies below a selected group.
struct TTree_Selection_Description {
  TTree_Selection Kind = TTree_Selection::Nothing;
  bool Top_Level = false;             // the selected node is the root group
  bool Group_Has_Map = false;         // Group_Is_Not_Empty
  bool Group_Has_Includable = false;  // the group holds maps an arena file can take
};

enum class TBrowser_Event {
  Tree_Selection_Changed,         // the tree's selection changed (to the node described)
  Tree_Focus,                     // the tree received the focus
  List_Item_Selected,             // a list item became selected
  List_Item_Deselected,           // a list item was deselected
  List_Focus,                     // the list received the focus (List_Has_Selection tells)
  List_Changed_Nothing_Selected,  // the list changed while nothing is selected in it
};

// The new state of each selection-dependent command; nullopt leaves the command as it was.
struct TCommand_Change {
  std::optional<bool> Launch_Map;
  std::optional<bool> Map_Properties;
  std::optional<bool> Create_Arena_File;
  bool operator==(const TCommand_Change&) const = default;
};

TCommand_Change Selection_Rule(TBrowser_Event event, const TTree_Selection_Description& tree,
                               bool list_has_selection);

// The items of the tree's context menu.
struct TTree_Command_State {
  bool Create_Group = true;
  bool Delete_Entry = false;
  bool Create_Arena_File = false;
  bool Properties = false;
  bool operator==(const TTree_Command_State&) const = default;
};

TTree_Command_State Tree_Command_Availability(const TTree_Selection_Description& tree);

// The arena commands, from the counts found on disk.
struct TArena_Command_State {
  bool Activate_Arena_File = false;
  bool Remove_Arena_File = false;
  bool operator==(const TArena_Command_State&) const = default;
};

// `mods_with_arena_file`: MOD directories holding an arena file (disabler included);
// `most_arena_files`: the largest number of arena files, active or inactive, in one directory.
TArena_Command_State Arena_Rules(int mods_with_arena_file, int most_arena_files);

// The main commands, for the tables that list them.
enum class TMain_Command {
  Launch_Map,
  Map_Properties,
  Create_Arena_File,
  Import_Arena_File,
  Activate_Arena_File,
  Remove_Arena_File,
  Print,
  Printer_Setup,
  Exit,
  Info,
};

// The state of each command when the main window opens.
bool Initially_Available(TMain_Command command);
// True for the commands whose state never changes (Import, Print, Printer Setup, Exit, Info).
bool Availability_Is_Fixed(TMain_Command command);

}  // namespace vorlix
