#pragma once
// What the helpers of the maps browser (view memory, undo history, search) work with: the tree
// and the list with their models and views, and where the records come from. The browser view
// owns all of it and hands out these references.

#include <memory>
#include <string>

class QTreeView;

namespace vorlix {

class TCollection_Check;
class TInteraction;
class TMOD_List;
class TMaps_Tree;
class THistory_Keeper;
class TMaps_Tree_Model;
class TPK3_Record_Store;
class TUnsorted_List_Model;
class TUnsorted_List_View;
class TUnsorted_Maps_List;

// What the browser works with; replaced whenever the settings are loaded again.
struct TBrowser_Context {
  TPK3_Record_Store* Database = nullptr;
  TMOD_List* Mods = nullptr;
  TInteraction* Interaction = nullptr;
  std::string Program_Dir;
  std::string Levelshots_Dir;
  std::string Gfx_Dir;
  THistory_Keeper* History = nullptr;  // what was played and marked (none: nothing)
  // Which files each map lacks, used by the GUI thread alone (none: the check has not ended yet).
  std::shared_ptr<const TCollection_Check> Collection = nullptr;
};

struct TBrowser_Parts {
  TMaps_Tree& Tree;
  TUnsorted_Maps_List& List;
  TMaps_Tree_Model& Tree_Model;
  TUnsorted_List_Model& List_Model;
  QTreeView& Tree_View;
  TUnsorted_List_View& List_View;
};

}  // namespace vorlix
