#pragma once
// The maps browser of the main window: the "Maps Tree" with the levelshot preview below it, the
// "Unsorted Maps" list beside it, and the main commands (toolbar buttons and the menus "&Vorlix"
// and "&Help") whose availability follows the selection. Work that belongs to other parts of the
// program (launching, properties, arena files, the About dialog) is requested through signals.

#include <QPersistentModelIndex>
#include <QWidget>
#include <array>
#include <cstdint>
#include <functional>
#include <set>
#include <string>

#include "browser/availability.h"
#include "browser/maps_tree.h"
#include "browser/unsorted_list.h"
#include "database/records.h"

class QAbstractItemView;
class QAction;
class QIcon;
class QLabel;
class QMainWindow;
class QMenu;
class QMimeData;
class QTimer;
class QToolBar;
class QTreeView;

namespace vorlix {

class TInteraction;
class TMAP_Datei_Eintrag;
class TMOD_Liste;
class TPK3_Dateien_Verwaltung;
class TMaps_Tree_Model;
class TUnsorted_List_Model;
class TMaps_Tree_View;
class TSearch_Bar;
class TUnsorted_List_View;
class TTree_History;

// What the browser works with; replaced whenever the settings are loaded again.
struct TBrowser_Context {
  TPK3_Dateien_Verwaltung* Database = nullptr;
  TMOD_Liste* Mods = nullptr;
  TInteraction* Interaction = nullptr;
  std::string Program_Dir;
  std::string Levelshots_Dir;
  std::string Gfx_Dir;
};

class TBrowser_View : public QWidget {
  Q_OBJECT
 public:
  explicit TBrowser_View(QWidget* parent = nullptr);
  ~TBrowser_View() override;

  void Set_Context(const TBrowser_Context& context);
  const TBrowser_Context& Context() const { return Context_; }

  // Start-up step 6: fills the unsorted list (with screen updates suspended).
  void Lade_ListView_Maps();
  // Start-up step 9: the tree with its root group, loaded from mapstree.dat when there is one.
  bool Initialisiere_TreeView_Maps();
  // Writes mapstree.dat into the program directory (at close).
  bool TreeView_Maps_Speichern();
  // Empties tree and list (before the database they refer to is discarded).
  void Clear();
  // The arena rules, from the counts of arena files on disk.
  void Set_Arena_Counts(int mods_with_arena_file, int most_arena_files);
  // Pictures of the artwork: the strip "TOOLBAR" is read at construction (image i for the i-th
  // toolbar button); these replace single pictures for artwork laid out otherwise.
  void Set_Command_Icon(Main_Command command, const QIcon& icon);
  void Set_Tree_Icons(const QIcon& entry, const QIcon& group);
  // Adds the menus "&Vorlix" and "&Help" and the toolbar to a main window; Exit closes it.
  void Install_Commands(QMainWindow* window);

  TMaps_Tree& Tree() { return Tree_; }
  TUnsorted_Maps_List& List() { return List_; }
  QTreeView* Tree_View() const;
  QTreeView* List_View() const;
  TMaps_Tree_Model* Tree_Model() const { return Tree_Model_; }
  TUnsorted_List_Model* List_Model() const { return List_Model_; }
  TSearch_Bar* Search_Bar() const { return Search_Bar_; }
  QAction* Command(Main_Command command) const;
  QAction* Reload_Action() const { return Reload_Action_; }
  QAction* Undo_Action() const { return Undo_Action_; }
  QAction* Redo_Action() const { return Redo_Action_; }
  TTree_History* History() const { return History_; }
  QToolBar* Tool_Bar() const { return Tool_Bar_; }
  QMenu* Tree_Menu() const { return Tree_Menu_; }
  QMenu* List_Menu() const { return List_Menu_; }
  QAction* Tree_Menu_Action(
      int item) const;  // 0 Create Group, 1 Delete, 2 Arena File, 3 Properties
  QLabel* Levelshot_Image() const { return Levelshot_Image_; }
  QLabel* Levelshot_Name() const { return Levelshot_Name_; }
  QTimer* Levelshot_Timer() const { return Levelshot_Timer_; }
  bool Tree_Navigation_Key_Held() const { return !Tree_Keys_.empty(); }
  bool List_Navigation_Key_Held() const { return !List_Keys_.empty(); }
  // The map whose levelshot is shown (the one carrying it), or null.
  const TMAP_Datei_Eintrag* Shown_Levelshot_Map() const { return Shown_Map_; }
  const std::string& Shown_Levelshot_Path() const { return Shown_Path_; }

  // Shows the levelshot of a map with its long name.
  void Zeige_Levelshot_an(const TMAP_Datei_Eintrag& map);
  // The selected list items' maps in list order.
  std::vector<TMAP_Datei_Eintrag*> Selected_List_Maps() const;
  // The first selected list item's map, or null.
  TMAP_Datei_Eintrag* Selected_List_Map() const;
  // Selects the tree entry and every list item showing the map with this pair of IDs (after a
  // reload, which makes new records for the same maps). False when neither shows it.
  bool Select_Map(std::int32_t pk3_id, std::int32_t map_id);
  // Drag data as the two views make it when a drag starts.
  QMimeData* Make_Tree_Drag_Data() const;
  QMimeData* Make_List_Drag_Data() const;

  // Context menu commands of the tree.
  void Menu_CreateGroupClick();
  void Menu_DeleteEntryClick();
  // Decides the enabled items of the tree's context menu.
  void PopupMenu_TreeView_MapsPopup();
  // Sets the commands that follow the selection from the selection of the view that has the
  // keys (or had them last), as after every change of the tree, list or selection.
  void Refresh_Commands();

 signals:
  void Launch_Map_Requested(vorlix::TMAP_Datei_Eintrag* map);
  void Map_Properties_Requested(vorlix::TMAP_Datei_Eintrag* map);
  void Group_Properties_Requested(vorlix::TMaps_Tree_Node* group);
  void Create_Arena_File_Requested(vorlix::TMaps_Tree_Node* group);
  void Import_Arena_File_Requested();
  void Activate_Arena_File_Requested();
  void Remove_Arena_File_Requested();
  void Info_Requested();
  void Reload_Requested();
  void Exit_Requested();

 private:
  friend class TMaps_Tree_View;
  friend class TUnsorted_List_View;

  enum class Focus_Target { None, Tree, List };
  Focus_Target Focused() const;
  TTree_Selection_Description Describe(const TMaps_Tree_Node* node) const;
  void Apply(const TCommand_Change& change);
  void Sync_Tree_Selection();
  void Schedule_Tree(const TMaps_Tree_Node* node);
  void Schedule_List(const QModelIndex& index);
  void Show_White();
  // Runs a change of the tree as one step of the undo history, then refreshes the commands.
  bool Change_Tree(const QString& name, const std::function<bool()>& change);
  void View_Lost_Focus(QAbstractItemView* view, Qt::FocusReason reason);

  // Events of the tree.
  void TreeView_MapsChange(TMaps_Tree_Node* node);
  void TreeView_MapsEnter();
  void TreeView_MapsDblClick();
  void Tree_Navigation_Key(int key, bool pressed, bool auto_repeat);
  bool Tree_Drag_Over(const QMimeData* data, const QPoint& position);
  bool Tree_Drop(const QMimeData* data, const QPoint& position);
  void Aktiviere_TreeView_Text_Editing();
  void Deaktiviere_TreeView_Text_Editing();
  void Tree_Properties();

  // Events of the list.
  void ListView_MapsSelectItem(bool selected, const QModelIndex& item);
  void ListView_MapsEnter();
  void ListView_MapsDblClick();
  void ListView_MapsChange();
  void ListView_MapsResize();
  void List_Navigation_Key(int key, bool pressed, bool auto_repeat);
  bool List_Drag_Over(const QMimeData* data);
  bool List_Drop(const QMimeData* data);

  // Main commands.
  void Launch_Map();
  void Map_Properties();
  void Create_Arena_File();
  void Timer_Levelshot_VerzoegererTimer();

  TBrowser_Context Context_;
  TMaps_Tree Tree_;
  TUnsorted_Maps_List List_;
  TMaps_Tree_Model* Tree_Model_ = nullptr;
  TUnsorted_List_Model* List_Model_ = nullptr;
  TMaps_Tree_View* Tree_View_ = nullptr;
  TUnsorted_List_View* List_View_ = nullptr;
  TSearch_Bar* Search_Bar_ = nullptr;
  QLabel* Levelshot_Image_ = nullptr;
  QLabel* Levelshot_Name_ = nullptr;
  QTimer* Levelshot_Timer_ = nullptr;
  QToolBar* Tool_Bar_ = nullptr;
  QMenu* Tree_Menu_ = nullptr;
  QMenu* List_Menu_ = nullptr;
  std::array<QAction*, 4> Tree_Menu_Actions_{};
  std::array<QAction*, 10> Commands_{};
  QPersistentModelIndex Pending_Tree_;
  QPersistentModelIndex Pending_List_;
  std::set<int> Tree_Keys_;
  std::set<int> List_Keys_;
  bool Editing_ = false;
  Focus_Target Last_Focus_ = Focus_Target::None;
  TTree_History* History_ = nullptr;
  QAction* Reload_Action_ = nullptr;
  QAction* Undo_Action_ = nullptr;
  QAction* Redo_Action_ = nullptr;
  const TMAP_Datei_Eintrag* Shown_Map_ = nullptr;
  std::string Shown_Path_;
};

}  // namespace vorlix

Q_DECLARE_METATYPE(vorlix::TMAP_Datei_Eintrag*)
Q_DECLARE_METATYPE(vorlix::TMaps_Tree_Node*)
