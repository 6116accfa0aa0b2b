#include "browser/ui/maps_tree_view.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QDrag>
#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <algorithm>
#include <utility>

#include "browser/maps_tree.h"
#include "browser/ui/browser_models.h"
#include "browser/ui/unsorted_list_view.h"
#include "browser/ui/view_state.h"

namespace vorlix {

namespace {

bool Is_Enter(int key) {
  return key == Qt::Key_Return || key == Qt::Key_Enter;
}

}  // namespace

TMaps_Tree_View::TMaps_Tree_View(TMaps_Tree& tree, TMaps_Tree_Model& model, QByteArray drag_token,
                                 QWidget* parent)
    : QTreeView(parent), Tree_(tree), Model_(model), Drag_Token_(std::move(drag_token)) {
  setObjectName(QStringLiteral("TreeView_Maps"));
  setModel(&Model_);
  setHeaderHidden(true);
  setUniformRowHeights(true);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setEditTriggers(QAbstractItemView::EditKeyPressed | QAbstractItemView::SelectedClicked);
  setDragEnabled(true);
  setAcceptDrops(true);
  setDropIndicatorShown(false);
  setDragDropMode(QAbstractItemView::DragDrop);
  setToolTip(QStringLiteral("create groups to sort your maps by clicking the right mouse button"));
  connect(this, &QTreeView::doubleClicked, this, [this] { TreeView_MapsDblClick(); });
  connect(&Model_, &QAbstractItemModel::modelReset, this, [this] { Sync_Selection(); });
  Scroll_Timer_.setInterval(100);
  connect(&Scroll_Timer_, &QTimer::timeout, this, [this] { Edge_Scroll(); });

  Popup_Menu_ = new QMenu(this);
  Popup_Menu_->setObjectName(QStringLiteral("PopupMenu_TreeView_Maps"));
  const auto item = [this](const char* name, const QString& caption, const QKeySequence& key) {
    QAction* action = Popup_Menu_->addAction(caption);
    action->setObjectName(QString::fromLatin1(name));
    action->setShortcut(key);
    action->setShortcutContext(Qt::WidgetShortcut);  // the keys are handled by the tree itself
    return action;
  };
  Create_Group_ =
      item("TreeView_Maps_CreateGroup", QStringLiteral("Create &Group"), Qt::Key_Insert);
  Delete_Entry_ =
      item("TreeView_Maps_DeleteEntry", QStringLiteral("&Delete Entry"), Qt::Key_Delete);
  Popup_Menu_->addSeparator();
  Create_Arena_File_ =
      item("TreeView_Maps_CreateArenaFile", QStringLiteral("Create &Arena File"), {});
  Popup_Menu_->addSeparator();
  Properties_ = item("TreeView_Maps_Properties", QStringLiteral("&Properties"),
                     QKeySequence(Qt::ALT | Qt::Key_Return));
  connect(Create_Group_, &QAction::triggered, this, [this] { Menu_CreateGroupClick(); });
  connect(Delete_Entry_, &QAction::triggered, this, [this] { Menu_DeleteEntryClick(); });
  connect(Create_Arena_File_, &QAction::triggered, this,
          [this] { TreeView_Maps_Create_Arena_FileClick(); });
  connect(Properties_, &QAction::triggered, this, [this] { Menu_PropertiesClick(); });
}

TTree_Selection_Description TMaps_Tree_View::Describe(const TMaps_Tree_Node* node) const {
  TTree_Selection_Description description;
  if (node == nullptr) {
    return description;
  }
  description.Top_Level = Tree_.Is_Top_Level(node);
  if (node->Is_Map_Entry()) {
    description.Kind = TTree_Selection::Map_Entry;
    return description;
  }
  description.Kind = TTree_Selection::Group;
  description.Group_Has_Map = TMaps_Tree::Group_Is_Not_Empty(node);
  description.Group_Has_Includable = TMaps_Tree::Group_Has_Maps_For_Arena_File(node);
  return description;
}

void TMaps_Tree_View::Sync_Selection() {
  const QModelIndex index = Model_.Index_Of(Tree_.Selected());
  if (index.isValid()) {
    setCurrentIndex(index);
    scrollTo(index);
  }
}

QMimeData* TMaps_Tree_View::Make_Drag_Data() const {
  auto* data = new QMimeData;
  data->setData(QString::fromLatin1(Tree_Drag_Format), Drag_Token_);
  return data;
}

// ---- the context menu
// ---------------------------------------------------------------------------

// NOLINTNEXTLINE(readability-make-member-function-const): changes the menu's items
void TMaps_Tree_View::PopupMenu_TreeView_MapsPopup() {
  const TTree_Command_State state = Tree_Command_Availability(Describe(Tree_.Selected()));
  Create_Group_->setEnabled(state.Create_Group);
  Delete_Entry_->setEnabled(state.Delete_Entry);
  Create_Arena_File_->setEnabled(state.Create_Arena_File);
  Properties_->setEnabled(state.Properties);
}

void TMaps_Tree_View::Run_Menu_Item(QAction* item) {
  PopupMenu_TreeView_MapsPopup();
  if (item->isEnabled()) {
    item->trigger();
  }
}

void TMaps_Tree_View::Menu_CreateGroupClick() {
  TMaps_Tree_Node* made = nullptr;
  Record_Change(QStringLiteral("Create Group"), [this, &made] {
    made = Tree_.Make_Group(New_Group_Name);
    Tree_.Select(made);
    Sync_Selection();
    return true;
  });
  // The new group's name is edited at once (a rename of its own in the undo history).
  const QModelIndex index = Model_.Index_Of(made);
  if (index.isValid()) {
    QTreeView::edit(index);  // through this view's edit with its rule
    // Typing replaces the whole name.
    if (auto* editor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
        editor != nullptr && isAncestorOf(editor)) {
      editor->selectAll();
    }
  }
}

void TMaps_Tree_View::Menu_DeleteEntryClick() {
  TMaps_Tree_Node* node = Tree_.Selected();
  if (node == nullptr || Tree_.Is_Top_Level(node)) {
    return;
  }
  Record_Change(QStringLiteral("Delete Entry"), [this, node] {
    if (List_View_ != nullptr) {
      List_View_->setUpdatesEnabled(false);
    }
    const bool done = Tree_.Delete_Node(node);
    if (Tree_.List != nullptr) {
      Tree_.List->Sort();
    }
    if (List_View_ != nullptr) {
      List_View_->setUpdatesEnabled(true);
    }
    return done;
  });
}

void TMaps_Tree_View::Menu_PropertiesClick() {
  TMaps_Tree_Node* node = Tree_.Selected();
  if (node == nullptr) {
    return;
  }
  if (node->Is_Map_Entry()) {
    if (node->Map != nullptr) {
      emit Map_Properties_Requested(node->Map);
    }
  } else {
    emit Group_Properties_Requested(node);
  }
}

void TMaps_Tree_View::TreeView_Maps_Create_Arena_FileClick() {
  TMaps_Tree_Node* node = Tree_.Selected();
  if (node != nullptr && node->Is_Group()) {
    emit Create_Arena_File_Requested(node);
  }
}

// ---- keys, mouse and focus
// ----------------------------------------------------------------------

void TMaps_Tree_View::keyPressEvent(QKeyEvent* event) {
  if (!TreeView_MapsKeyDown(*event)) {
    QTreeView::keyPressEvent(event);
  }
}

bool TMaps_Tree_View::TreeView_MapsKeyDown(const QKeyEvent& event) {
  const int key = event.key();
  const Qt::KeyboardModifiers modifiers = event.modifiers() & ~Qt::KeypadModifier;
  if (state() != EditingState) {
    if (key == Qt::Key_Insert && modifiers == Qt::NoModifier) {
      Run_Menu_Item(Create_Group_);
      return true;
    }
    if (key == Qt::Key_Delete && modifiers == Qt::NoModifier) {
      Run_Menu_Item(Delete_Entry_);
      return true;
    }
    if (Is_Enter(key) && modifiers == Qt::AltModifier) {
      Run_Menu_Item(Properties_);
      return true;
    }
    if (Is_Enter(key) && modifiers == Qt::NoModifier) {
      TreeView_MapsDblClick();
      return true;
    }
    if (key == Qt::Key_F10 && modifiers == Qt::ShiftModifier) {
      const QRect rect = visualRect(currentIndex());
      if (rect.isValid()) {
        PopupMenu_TreeView_MapsPopup();
        Popup_Menu_->popup(viewport()->mapToGlobal(rect.bottomRight()));
      }
      return true;
    }
  }
  Keys_.Key_Event(event);
  return false;
}

void TMaps_Tree_View::keyReleaseEvent(QKeyEvent* event) {
  TreeView_MapsKeyUp(*event);
  QTreeView::keyReleaseEvent(event);
}

void TMaps_Tree_View::TreeView_MapsKeyUp(const QKeyEvent& event) {
  Keys_.Key_Event(event);
  if (event.key() == Qt::Key_Escape) {
    Enable_TreeView_Text_Editing();
  }
}

void TMaps_Tree_View::mousePressEvent(QMouseEvent* event) {
  QTreeView::mousePressEvent(event);
  if (event->button() == Qt::RightButton) {
    TreeView_MapsMouseDown(event->position().toPoint());
  }
}

void TMaps_Tree_View::TreeView_MapsMouseDown(const QPoint& position) {
  const QModelIndex index = indexAt(position);
  if (index.isValid()) {
    setCurrentIndex(index);
  }
}

void TMaps_Tree_View::contextMenuEvent(QContextMenuEvent* event) {
  if (Editing_) {
    return;
  }
  PopupMenu_TreeView_MapsPopup();
  Popup_Menu_->popup(event->globalPos());
}

void TMaps_Tree_View::focusInEvent(QFocusEvent* event) {
  QTreeView::focusInEvent(event);
  Show_Focus_Look(this, true);
  emit Entered();
}

void TMaps_Tree_View::focusOutEvent(QFocusEvent* event) {
  QTreeView::focusOutEvent(event);
  Show_Focus_Lost(this, event->reason());
}

void TMaps_Tree_View::TreeView_MapsDblClick() {
  TMaps_Tree_Node* node = Tree_.Selected();
  if (node != nullptr && node->Is_Map_Entry() && node->Map != nullptr) {
    emit Launch_Map_Requested(node->Map);
  }
}

// ---- editing of group names
// ---------------------------------------------------------------------

bool TMaps_Tree_View::edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) {
  if (!TreeView_MapsEditing(index)) {
    return false;
  }
  const bool started = QTreeView::edit(index, trigger, event);
  if (started) {
    Disable_TreeView_Text_Editing();
  }
  return started;
}

bool TMaps_Tree_View::TreeView_MapsEditing(const QModelIndex& index) {
  return Tree_.Can_Edit(Model_.Node(index));
}

void TMaps_Tree_View::closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) {
  QTreeView::closeEditor(editor, hint);
  TreeView_MapsEdited();
}

void TMaps_Tree_View::TreeView_MapsEdited() {
  Enable_TreeView_Text_Editing();
}

void TMaps_Tree_View::Enable_TreeView_Text_Editing() {
  Editing_ = false;
  setContextMenuPolicy(Qt::DefaultContextMenu);
}

void TMaps_Tree_View::Disable_TreeView_Text_Editing() {
  Editing_ = true;
  setContextMenuPolicy(Qt::NoContextMenu);
}

// ---- drag and drop
// ------------------------------------------------------------------------------

void TMaps_Tree_View::startDrag(Qt::DropActions /*actions*/) {
  if (Tree_.Selected() == nullptr) {
    return;
  }
  auto* drag = new QDrag(this);
  drag->setMimeData(Make_Drag_Data());
  drag->exec(Qt::MoveAction);
}

void TMaps_Tree_View::dragEnterEvent(QDragEnterEvent* event) {
  const QMimeData* data = event->mimeData();
  if (TreeView_MapsDragOver(data, event->position().toPoint()) ||
      data->hasFormat(QString::fromLatin1(Tree_Drag_Format)) ||
      data->hasFormat(QString::fromLatin1(List_Drag_Format))) {
    event->acceptProposedAction();  // the moves decide for each position
    return;
  }
  event->ignore();
}

void TMaps_Tree_View::dragMoveEvent(QDragMoveEvent* event) {
  const QPoint position = event->position().toPoint();
  Edge_Position_ = position;
  if (event->mimeData()->hasFormat(QString::fromLatin1(Tree_Drag_Format)) &&
      Edge_Direction(position) != 0) {
    Edge_Scroll();
    Scroll_Timer_.start();
  } else {
    Scroll_Timer_.stop();
  }
  if (TreeView_MapsDragOver(event->mimeData(), position)) {
    event->acceptProposedAction();
  } else {
    event->ignore();
  }
}

void TMaps_Tree_View::dragLeaveEvent(QDragLeaveEvent* event) {
  Scroll_Timer_.stop();
  QTreeView::dragLeaveEvent(event);
}

void TMaps_Tree_View::dropEvent(QDropEvent* event) {
  Scroll_Timer_.stop();
  if (TreeView_MapsDragDrop(event->mimeData(), event->position().toPoint())) {
    event->acceptProposedAction();
  } else {
    event->ignore();
  }
}

bool TMaps_Tree_View::TreeView_MapsDragOver(const QMimeData* data, const QPoint& position) {
  const TMaps_Tree_Node* target = Model_.Node(indexAt(position));
  if (data->data(QString::fromLatin1(List_Drag_Format)) == Drag_Token_) {
    return TMaps_Tree::Accepts_List_Drop(target);
  }
  if (data->data(QString::fromLatin1(Tree_Drag_Format)) == Drag_Token_) {
    return TMaps_Tree::Accepts_Tree_Drop(Tree_.Selected(), target);
  }
  return false;
}

bool TMaps_Tree_View::TreeView_MapsDragDrop(const QMimeData* data, const QPoint& position) {
  if (!TreeView_MapsDragOver(data, position)) {
    return false;
  }
  TMaps_Tree_Node* target = Model_.Node(indexAt(position));
  const bool from_list = data->hasFormat(QString::fromLatin1(List_Drag_Format));
  return Record_Change(from_list ? QStringLiteral("Drop Maps") : QStringLiteral("Move"), [&] {
    bool done = false;
    setUpdatesEnabled(false);
    if (from_list) {
      done = List_View_ != nullptr &&
             !Tree_.Drop_List_Items(target, List_View_->Selected_Maps()).empty();
    } else {
      done = Tree_.Drop_Tree_Node(Tree_.Selected(), target);
    }
    if (target->Is_Group()) {
      expand(Model_.Index_Of(target));
    }
    Sync_Selection();
    setUpdatesEnabled(true);
    if (done) {
      setFocus(Qt::OtherFocusReason);  // the keys go where the drop went
    }
    return done;
  });
}

int TMaps_Tree_View::Edge_Direction(const QPoint& position) const {
  const int band = std::max(4, sizeHintForRow(0) / 2);
  if (position.y() < band) {
    return -1;
  }
  if (position.y() >= viewport()->height() - band) {
    return 1;
  }
  return 0;
}

void TMaps_Tree_View::Edge_Scroll() {
  const int direction = Edge_Direction(Edge_Position_);
  if (direction == 0) {
    Scroll_Timer_.stop();
    return;
  }
  const QModelIndex top = indexAt(QPoint(1, 1));
  const QModelIndex next = direction < 0 ? indexAbove(top) : indexBelow(top);
  if (top.isValid() && next.isValid()) {
    scrollTo(next, PositionAtTop);  // the node before (after) the top one becomes the top one
  }
}

}  // namespace vorlix
