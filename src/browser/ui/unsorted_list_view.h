#pragma once
// The "Unsorted Maps" control (`ListView_Maps`) with its context menu (`PopupMenu_ListView_Maps`):
// keys, column clicks, the columns following the width, dragging maps into the tree and taking a
// map entry back from it.

#include <QModelIndex>
#include <QTreeView>
#include <functional>
#include <vector>

#include "browser/ui/navigation_keys.h"

class QMenu;
class QMimeData;

namespace vorlix {

class TMap_Record;
class TMaps_Tree;
class TUnsorted_List_Model;
class TUnsorted_Maps_List;

class TUnsorted_List_View : public QTreeView {
  Q_OBJECT
 public:
  // `drag_token` marks the drag data of this browser: data of another one is never taken.
  TUnsorted_List_View(TUnsorted_Maps_List& list, TUnsorted_List_Model& model, TMaps_Tree& tree,
                      QByteArray drag_token, QWidget* parent);

  // Runs a change of the tree under a name for the undo history; false when nothing changed.
  std::function<bool(const QString& name, const std::function<bool()>& change)> Record_Change;

  QMenu* PopupMenu_ListView_Maps() const { return Popup_Menu_; }
  QAction* ListView_Maps_Properties() const { return Properties_; }
  bool Navigation_Key_Held() const { return Keys_.Held(); }
  void Clear_Navigation_Keys() { Keys_.Clear(); }

  // The selected items' maps in list order; the first of them, or null.
  std::vector<TMap_Record*> Selected_Maps() const;
  TMap_Record* Selected_Map() const;
  QMimeData* Make_Drag_Data() const;

  void Menu_PropertiesClick();
  void ListView_MapsDblClick();
  void ListView_MapsColumnClick(int column);
  void ListView_MapsResize();
  bool ListView_MapsDragOver(const QMimeData* data) const;
  bool ListView_MapsDragDrop(const QMimeData* data);

 signals:
  void Launch_Map_Requested(vorlix::TMap_Record* map);
  void Map_Properties_Requested(vorlix::TMap_Record* map);
  // An item became selected (the current one when it is among them), or items were deselected.
  void Item_Selected(bool selected, const QModelIndex& item);
  // The list's items changed.
  void Changed();
  // The list received the keyboard focus.
  void Entered();

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void startDrag(Qt::DropActions actions) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  // True when the key was the list's own and is handled.
  bool ListView_MapsKeyDown(const QKeyEvent& event);
  void ListView_MapsKeyUp(const QKeyEvent& event);

  TUnsorted_Maps_List& List_;
  TUnsorted_List_Model& Model_;
  TMaps_Tree& Tree_;
  QByteArray Drag_Token_;
  QMenu* Popup_Menu_ = nullptr;
  QAction* Properties_ = nullptr;
  THeld_Navigation_Keys Keys_;
};

}  // namespace vorlix
