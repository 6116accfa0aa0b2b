#pragma once
// The maps browser of the main window: the "Maps Tree" with the levelshot preview below it, the
// "Unsorted Maps" list beside it, the search bar above the list, and the main commands whose
// availability follows the selection. It holds the tree and the list with their models and
// undo history, and ties the views' events to the commands and the preview. Work that belongs to
// other parts of the program (launching, properties, arena files, the About dialog) is requested
// through signals.

#include <QWidget>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "browser/maps_tree.h"
#include "browser/ui/browser_parts.h"
#include "browser/ui/levelshot_preview.h"
#include "browser/ui/main_commands.h"
#include "browser/ui/maps_tree_view.h"
#include "browser/ui/unsorted_list_view.h"
#include "browser/ui/view_state.h"
#include "browser/unsorted_list.h"
#include "database/records.h"

class QIcon;
class QMainWindow;

namespace vorlix {

class TMaps_Tree_Model;
class TUnsorted_List_Model;
class TSearch_Bar;
class TTree_History;

class TBrowser_View : public QWidget {
  Q_OBJECT
 public:
  explicit TBrowser_View(QWidget* parent = nullptr);
  ~TBrowser_View() override;

  void Set_Context(const TBrowser_Context& context);
  const TBrowser_Context& Context() const { return Context_; }

  // Start-up step 6: fills the unsorted list (with screen updates suspended).
  // `filled`: the list filled by Load_Maps_List elsewhere from the same records (a thread of the
  // start-up), which this one takes, showing what the fill reported (`reports`, in order).
  void Load_Maps_List(TUnsorted_Maps_List* filled = nullptr,
                      const std::vector<std::string>& reports = {});
  // Start-up step 9: the tree with its root group, loaded from mapstree.dat when there is one.
  // (`read_ahead`: the tree file as read on another thread against the same records.)
  bool Initialise_Maps_Tree(std::unique_ptr<TTree_File_Reading> read_ahead = nullptr);
  // Writes mapstree.dat into the program directory (at close).
  bool Save_Tree_File();
  // Empties tree and list (before the database they refer to is discarded).
  void Clear();
  void Set_Tree_Icons(const QIcon& entry, const QIcon& group);
  // Adds the menus and the toolbar to a main window; Exit closes it.
  void Install_Commands(QMainWindow* window);

  TMaps_Tree& Tree() { return Tree_; }
  TUnsorted_Maps_List& List() { return List_; }
  TMaps_Tree_View* Tree_View() const { return Tree_View_; }
  TUnsorted_List_View* List_View() const { return List_View_; }
  TMaps_Tree_Model* Tree_Model() const { return Tree_Model_; }
  TUnsorted_List_Model* List_Model() const { return List_Model_; }
  TLevelshot_Preview* Preview() const { return Preview_; }
  TMain_Commands* Commands() const { return Commands_; }
  TSearch_Bar* Search_Bar() const { return Search_Bar_; }
  TTree_History* History() const { return History_; }
  // The tree and the list with their models and views.
  TBrowser_Parts Parts();

  // The open groups and the selections, and shown again (see view_state.h) with the commands set.
  TView_Memory Remember_View() { return vorlix::Remember_View(Parts()); }
  void Restore_View(const TView_Memory& memory, bool with_list);

  // Shows the levelshot of a map with its long name.
  void Show_Levelshot(const TMap_Record& map) { Preview_->Show_Levelshot(map); }
  // Selects the tree entry and every list item showing the map with this pair of IDs (after a
  // reload, which makes new records for the same maps). False when neither shows it.
  bool Select_Map(std::int32_t pk3_id, std::int32_t map_id);
  // The same for every map `wanted` is true of: the first tree entry becomes current, the list
  // selects them all.
  bool Select_Maps(const std::function<bool(const TMap_Record&)>& wanted);
  // Sets the commands that follow the selection from the selection of the view that has the
  // keys (or had them last), as after every change of the tree, list or selection.
  void Refresh_Commands();
  // The map the map commands act on: the selected entry of the tree or the selected map of the
  // list, whichever view has (or last had) the focus; null when it shows none.
  TMap_Record* Focused_Map() const;

 signals:
  void Launch_Map_Requested(vorlix::TMap_Record* map);
  void Map_Properties_Requested(vorlix::TMap_Record* map);
  void Group_Properties_Requested(vorlix::TMaps_Tree_Node* group);
  void Create_Arena_File_Requested(vorlix::TMaps_Tree_Node* group);
  void Import_Arena_File_Requested();
  void Activate_Arena_File_Requested();
  void Remove_Arena_File_Requested();
  void Info_Requested();
  void Reload_Requested();
  void Exit_Requested();

 private:
  enum class TFocus_Target { None, Tree, List };
  TFocus_Target Focused() const;
  void Wire_Views();
  void Wire_Commands();
  void Wire_Helpers();
  // Runs a change of the tree as one step of the undo history, then refreshes the commands.
  bool Change_Tree(const QString& name, const std::function<bool()>& change);

  // Events of the two views that set the commands and the levelshot.
  void TreeView_MapsChange(TMaps_Tree_Node* node);
  void TreeView_MapsEnter();
  void ListView_MapsSelectItem(bool selected, const QModelIndex& item);
  void ListView_MapsEnter();
  void ListView_MapsChange();

  // The main commands acting on the view that has the focus.
  void ToolButton_Launch_MapClick();
  void ToolButton_Map_PropertiesClick();
  void ToolButton_Create_Arena_FileClick();

  TBrowser_Context Context_;
  TMaps_Tree Tree_;
  TUnsorted_Maps_List List_;
  TMaps_Tree_Model* Tree_Model_ = nullptr;
  TUnsorted_List_Model* List_Model_ = nullptr;
  TTree_History* History_ = nullptr;
  TMaps_Tree_View* Tree_View_ = nullptr;
  TUnsorted_List_View* List_View_ = nullptr;
  TLevelshot_Preview* Preview_ = nullptr;
  TMain_Commands* Commands_ = nullptr;
  TSearch_Bar* Search_Bar_ = nullptr;
  TFocus_Target Last_Focus_ = TFocus_Target::None;
};

}  // namespace vorlix

Q_DECLARE_METATYPE(vorlix::TMap_Record*)
Q_DECLARE_METATYPE(vorlix::TMaps_Tree_Node*)
