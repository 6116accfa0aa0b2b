#pragma once
// The "Maps Tree" control (`TreeView_Maps`) with its context menu (`PopupMenu_TreeView_Maps`):
// keys, editing of group names, dragging within the tree and from the unsorted list, scrolling at
// the edges while dragging. Changes of the tree go through `Record_Change`, which makes each one
// a step of the undo history; what other parts of the program do for a node is asked for through
// signals.

#include <QTimer>
#include <QTreeView>
#include <functional>

#include "browser/availability.h"
#include "browser/ui/navigation_keys.h"

class QMenu;
class QMimeData;

namespace vorlix {

// Drag data of the two views of a browser; the data is the browser's drag token.
inline constexpr const char* Tree_Drag_Format = "application/x-vorlix-maps-tree-node";
inline constexpr const char* List_Drag_Format = "application/x-vorlix-unsorted-maps";

class TMap_Record;
class TMaps_Tree;
class TMaps_Tree_Model;
class TMaps_Tree_Node;
class TUnsorted_List_View;

class TMaps_Tree_View : public QTreeView {
  Q_OBJECT
 public:
  // `drag_token` marks the drag data of this browser: data of another one is never taken.
  TMaps_Tree_View(TMaps_Tree& tree, TMaps_Tree_Model& model, QByteArray drag_token,
                  QWidget* parent);

  // Runs a change of the tree under a name for the undo history; false when nothing changed.
  std::function<bool(const QString& name, const std::function<bool()>& change)> Record_Change;
  // The list whose selected items a drop from the list brings into the tree.
  void Set_List_View(TUnsorted_List_View* list) { List_View_ = list; }

  QMenu* PopupMenu_TreeView_Maps() const { return Popup_Menu_; }
  QAction* TreeView_Maps_Create_Group() const { return Create_Group_; }
  QAction* TreeView_Maps_Delete_Entry() const { return Delete_Entry_; }
  QAction* TreeView_Maps_Create_Arena_File() const { return Create_Arena_File_; }
  QAction* TreeView_Maps_Properties() const { return Properties_; }
  bool Navigation_Key_Held() const { return Keys_.Held(); }
  void Clear_Navigation_Keys() { Keys_.Clear(); }

  // The selected node as the availability rules see it.
  TTree_Selection_Description Describe(const TMaps_Tree_Node* node) const;
  // Makes the tree's selected node the view's current one and scrolls to it.
  void Sync_Selection();
  QMimeData* Make_Drag_Data() const;

  // The context menu's items and the tree's own events.
  void PopupMenu_TreeView_MapsPopup();
  void Menu_CreateGroupClick();
  void Menu_DeleteEntryClick();
  void Menu_PropertiesClick();
  void TreeView_Maps_Create_Arena_FileClick();
  void TreeView_MapsDblClick();
  bool TreeView_MapsDragOver(const QMimeData* data, const QPoint& position);
  bool TreeView_MapsDragDrop(const QMimeData* data, const QPoint& position);

 signals:
  void Launch_Map_Requested(vorlix::TMap_Record* map);
  void Map_Properties_Requested(vorlix::TMap_Record* map);
  void Group_Properties_Requested(vorlix::TMaps_Tree_Node* group);
  void Create_Arena_File_Requested(vorlix::TMaps_Tree_Node* group);
  // The tree received the keyboard focus.
  void Entered();

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  bool edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) override;
  void closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) override;
  void startDrag(Qt::DropActions actions) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dragLeaveEvent(QDragLeaveEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  // True when the key was the tree's own and is handled.
  bool TreeView_MapsKeyDown(const QKeyEvent& event);
  void TreeView_MapsKeyUp(const QKeyEvent& event);
  void TreeView_MapsMouseDown(const QPoint& position);
  bool TreeView_MapsEditing(const QModelIndex& index);
  void TreeView_MapsEdited();
  void Enable_TreeView_Text_Editing();
  void Disable_TreeView_Text_Editing();
  // A key of the context menu: the item runs when the menu would offer it.
  void Run_Menu_Item(QAction* item);
  // -1 above the first row's band at the top edge, +1 at the bottom edge, 0 elsewhere.
  int Edge_Direction(const QPoint& position) const;
  // Scrolls by one node while a dragged node is held near an edge.
  void Edge_Scroll();

  TMaps_Tree& Tree_;
  TMaps_Tree_Model& Model_;
  QByteArray Drag_Token_;
  TUnsorted_List_View* List_View_ = nullptr;
  QMenu* Popup_Menu_ = nullptr;
  QAction* Create_Group_ = nullptr;
  QAction* Delete_Entry_ = nullptr;
  QAction* Create_Arena_File_ = nullptr;
  QAction* Properties_ = nullptr;
  THeld_Navigation_Keys Keys_;
  bool Editing_ = false;
  QTimer Scroll_Timer_;
  QPoint Edge_Position_;
};

}  // namespace vorlix
