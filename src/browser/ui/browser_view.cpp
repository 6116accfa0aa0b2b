#include "browser/ui/browser_view.h"

#include <QAction>
#include <QApplication>
#include <QBitmap>
#include <QDrag>
#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QImage>
#include <QItemSelection>
#include <QKeyEvent>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPainter>
#include <QPixmap>
#include <QScrollBar>
#include <QSplitter>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QTreeView>
#include <QUndoStack>
#include <QVBoxLayout>

#include "browser/image_decoder.h"
#include "browser/levelshot.h"
#include "browser/ui/browser_models.h"
#include "browser/ui/search_bar.h"
#include "browser/ui/tree_history.h"
#include "browser/ui/view_state.h"
#include "core/ui/artwork.h"
#include "database/records.h"

namespace vorlix {

namespace {

const char* const Tree_Mime = "application/x-vorlix-maps-tree-node";
const char* const List_Mime = "application/x-vorlix-unsorted-maps";

bool Is_Navigation_Key(int key) {
  switch (key) {
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_End:
    case Qt::Key_Home:
    case Qt::Key_Up:
    case Qt::Key_Down:
      return true;
    default:
      return false;
  }
}

bool Is_Enter(int key) {
  return key == Qt::Key_Return || key == Qt::Key_Enter;
}

// Images of a bitmap strip of square pictures, magenta transparent, padded with null pictures to
// `count`.
QList<QPixmap> Strip_Images(const QString& resource, int size, int count) {
  QList<QPixmap> images = ui::Bilder_aus_Streifen(resource, size);
  while (images.size() < count) {
    images.append(QPixmap());
  }
  return images;
}

// Stand-ins when the tree's bitmap is missing: a page for a map entry, a folder for a group.
QIcon Drawn_Tree_Icon(bool group) {
  QPixmap image(16, 16);
  image.fill(Qt::transparent);
  QPainter painter(&image);
  painter.setPen(Qt::black);
  if (group) {
    painter.setBrush(QColor(240, 200, 80));
    painter.drawRect(1, 4, 13, 9);
    painter.drawRect(1, 2, 5, 2);
  } else {
    painter.setBrush(Qt::white);
    painter.drawRect(3, 1, 9, 13);
    painter.drawLine(5, 5, 10, 5);
    painter.drawLine(5, 8, 10, 8);
  }
  return QIcon(image);
}

// A stand-in for a missing toolbar picture: a tile with the command's mnemonic letter.
QIcon Drawn_Command_Icon(const QString& caption) {
  const qsizetype amp = caption.indexOf(QLatin1Char('&'));
  const QString letter = caption.mid(amp >= 0 ? amp + 1 : 0, 1).toUpper();
  QPixmap image(25, 25);
  image.fill(Qt::transparent);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(QColor(60, 60, 60));
  painter.setBrush(QColor(200, 215, 235));
  painter.drawRoundedRect(QRectF(1.5, 1.5, 22, 22), 4, 4);
  QFont font = painter.font();
  font.setBold(true);
  font.setPixelSize(14);
  painter.setFont(font);
  painter.drawText(QRect(0, 0, 25, 25), Qt::AlignCenter, letter);
  return QIcon(image);
}

QByteArray Owner_Token(const TBrowser_View* view) {
  return QByteArray::number(reinterpret_cast<quintptr>(view));
}

}  // namespace

// ---- the two views
// --------------------------------------------------------------------------------

class TMaps_Tree_View : public QTreeView {
 public:
  explicit TMaps_Tree_View(TBrowser_View* owner) : QTreeView(owner), Owner_(owner) {
    Scroll_Timer_.setInterval(100);
    QObject::connect(&Scroll_Timer_, &QTimer::timeout, this, [this] { Edge_Scroll(); });
  }

 protected:
  void keyPressEvent(QKeyEvent* event) override {
    const int key = event->key();
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
    if (state() != EditingState) {
      if (key == Qt::Key_Insert && modifiers == Qt::NoModifier) {
        Run_Menu_Item(0);
        return;
      }
      if (key == Qt::Key_Delete && modifiers == Qt::NoModifier) {
        Run_Menu_Item(1);
        return;
      }
      if (Is_Enter(key) && modifiers == Qt::AltModifier) {
        Run_Menu_Item(3);
        return;
      }
      if (Is_Enter(key) && modifiers == Qt::NoModifier) {
        Owner_->TreeView_MapsDblClick();
        return;
      }
      if (key == Qt::Key_F10 && modifiers == Qt::ShiftModifier) {
        const QRect rect = visualRect(currentIndex());
        if (rect.isValid()) {
          Owner_->PopupMenu_TreeView_MapsPopup();
          Owner_->Tree_Menu_->popup(viewport()->mapToGlobal(rect.bottomRight()));
        }
        return;
      }
    }
    if (Is_Navigation_Key(key)) {
      Owner_->Tree_Navigation_Key(key, true, event->isAutoRepeat());
    }
    QTreeView::keyPressEvent(event);
  }

  void keyReleaseEvent(QKeyEvent* event) override {
    Owner_->Tree_Navigation_Key(event->key(), false, event->isAutoRepeat());
    if (event->key() == Qt::Key_Escape) {
      Owner_->Aktiviere_TreeView_Text_Editing();
    }
    QTreeView::keyReleaseEvent(event);
  }

  void mousePressEvent(QMouseEvent* event) override {
    QTreeView::mousePressEvent(event);
    if (event->button() == Qt::RightButton) {
      const QModelIndex index = indexAt(event->position().toPoint());
      if (index.isValid()) {
        setCurrentIndex(index);
      }
    }
  }

  void contextMenuEvent(QContextMenuEvent* event) override {
    if (Owner_->Editing_) {
      return;
    }
    Owner_->PopupMenu_TreeView_MapsPopup();
    Owner_->Tree_Menu_->popup(event->globalPos());
  }

  void focusInEvent(QFocusEvent* event) override {
    QTreeView::focusInEvent(event);
    Show_Focus_Look(this, true);
    Owner_->TreeView_MapsEnter();
  }

  void focusOutEvent(QFocusEvent* event) override {
    QTreeView::focusOutEvent(event);
    Owner_->View_Lost_Focus(this, event->reason());
  }

  bool edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) override {
    if (!Owner_->Tree_.Can_Edit(Owner_->Tree_Model_->Node(index))) {
      return false;
    }
    const bool started = QTreeView::edit(index, trigger, event);
    if (started) {
      Owner_->Deaktiviere_TreeView_Text_Editing();
    }
    return started;
  }

  void closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) override {
    QTreeView::closeEditor(editor, hint);
    Owner_->Aktiviere_TreeView_Text_Editing();
  }

  void startDrag(Qt::DropActions) override {
    if (Owner_->Tree_.Selected() == nullptr) {
      return;
    }
    auto* drag = new QDrag(this);
    drag->setMimeData(Owner_->Make_Tree_Drag_Data());
    drag->exec(Qt::MoveAction);
  }

  void dragEnterEvent(QDragEnterEvent* event) override {
    if (Owner_->Tree_Drag_Over(event->mimeData(), event->position().toPoint()) ||
        event->mimeData()->hasFormat(Tree_Mime) || event->mimeData()->hasFormat(List_Mime)) {
      event->acceptProposedAction();  // the moves decide for each position
      return;
    }
    event->ignore();
  }

  void dragMoveEvent(QDragMoveEvent* event) override {
    const QPoint position = event->position().toPoint();
    Edge_Position_ = position;
    if (event->mimeData()->hasFormat(Tree_Mime) && Edge_Direction(position) != 0) {
      Edge_Scroll();
      Scroll_Timer_.start();
    } else {
      Scroll_Timer_.stop();
    }
    if (Owner_->Tree_Drag_Over(event->mimeData(), position)) {
      event->acceptProposedAction();
    } else {
      event->ignore();
    }
  }

  void dragLeaveEvent(QDragLeaveEvent* event) override {
    Scroll_Timer_.stop();
    QTreeView::dragLeaveEvent(event);
  }

  void dropEvent(QDropEvent* event) override {
    Scroll_Timer_.stop();
    if (Owner_->Tree_Drop(event->mimeData(), event->position().toPoint())) {
      event->acceptProposedAction();
    } else {
      event->ignore();
    }
  }

 private:
  void Run_Menu_Item(int item) {
    Owner_->PopupMenu_TreeView_MapsPopup();
    QAction* action = Owner_->Tree_Menu_Actions_[static_cast<std::size_t>(item)];
    if (action->isEnabled()) {
      action->trigger();
    }
  }

  // -1 above the first row's band at the top edge, +1 at the bottom edge, 0 elsewhere.
  int Edge_Direction(const QPoint& position) const {
    const int band = std::max(4, sizeHintForRow(0) / 2);
    if (position.y() < band) {
      return -1;
    }
    if (position.y() >= viewport()->height() - band) {
      return 1;
    }
    return 0;
  }

  // Scrolls by one node while a dragged node is held near an edge.
  void Edge_Scroll() {
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

  TBrowser_View* Owner_;
  QTimer Scroll_Timer_;
  QPoint Edge_Position_;
};

class TUnsorted_List_View : public QTreeView {
 public:
  explicit TUnsorted_List_View(TBrowser_View* owner) : QTreeView(owner), Owner_(owner) {}

 protected:
  void keyPressEvent(QKeyEvent* event) override {
    const int key = event->key();
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
    if (Is_Enter(key) && modifiers == Qt::AltModifier) {
      Owner_->List_Menu_->actions().front()->trigger();
      return;
    }
    if (Is_Enter(key) && modifiers == Qt::NoModifier) {
      Owner_->ListView_MapsDblClick();
      return;
    }
    if (key == Qt::Key_F10 && modifiers == Qt::ShiftModifier) {
      const auto rows = selectionModel()->selectedRows();
      if (!rows.isEmpty()) {
        int first = rows.front().row();
        for (const QModelIndex& row : rows) {
          first = std::min(first, row.row());
        }
        const QRect rect = visualRect(model()->index(first, 0));
        Owner_->List_Menu_->popup(viewport()->mapToGlobal(rect.bottomRight()));
      }
      return;
    }
    if (Is_Navigation_Key(key)) {
      Owner_->List_Navigation_Key(key, true, event->isAutoRepeat());
    }
    QTreeView::keyPressEvent(event);
  }

  void keyReleaseEvent(QKeyEvent* event) override {
    Owner_->List_Navigation_Key(event->key(), false, event->isAutoRepeat());
    QTreeView::keyReleaseEvent(event);
  }

  void contextMenuEvent(QContextMenuEvent* event) override {
    Owner_->List_Menu_->popup(event->globalPos());
  }

  void focusInEvent(QFocusEvent* event) override {
    QTreeView::focusInEvent(event);
    Show_Focus_Look(this, true);
    Owner_->ListView_MapsEnter();
  }

  void focusOutEvent(QFocusEvent* event) override {
    QTreeView::focusOutEvent(event);
    Owner_->View_Lost_Focus(this, event->reason());
  }

  void resizeEvent(QResizeEvent* event) override {
    QTreeView::resizeEvent(event);
    Owner_->ListView_MapsResize();
  }

  void startDrag(Qt::DropActions) override {
    if (Owner_->Selected_List_Maps().empty()) {
      return;
    }
    auto* drag = new QDrag(this);
    drag->setMimeData(Owner_->Make_List_Drag_Data());
    drag->exec(Qt::MoveAction);
  }

  void dragEnterEvent(QDragEnterEvent* event) override {
    if (Owner_->List_Drag_Over(event->mimeData())) {
      event->acceptProposedAction();
    } else {
      event->ignore();
    }
  }

  void dragMoveEvent(QDragMoveEvent* event) override {
    if (Owner_->List_Drag_Over(event->mimeData())) {
      event->acceptProposedAction();
    } else {
      event->ignore();
    }
  }

  void dropEvent(QDropEvent* event) override {
    if (Owner_->List_Drop(event->mimeData())) {
      event->acceptProposedAction();
    } else {
      event->ignore();
    }
  }

 private:
  TBrowser_View* Owner_;
};

// ---- construction
// ---------------------------------------------------------------------------------

TBrowser_View::TBrowser_View(QWidget* parent) : QWidget(parent) {
  Tree_.List = &List_;
  Tree_Model_ = new TMaps_Tree_Model(Tree_, this);
  History_ = new TTree_History(*this);
  Tree_Model_->Record_Change = [this](const std::function<bool()>& change) {
    return Change_Tree(QStringLiteral("Rename Group"), change);
  };
  List_Model_ = new TUnsorted_List_Model(List_, this);

  const QList<QPixmap> tree_images = Strip_Images(QStringLiteral(":/BAUM.bmp"), 16, 2);
  const QPixmap& entry_image = tree_images[ui::Bild_Map];
  const QPixmap& group_image = tree_images[ui::Bild_Gruppe];
  Tree_Model_->Set_Icons(entry_image.isNull() ? Drawn_Tree_Icon(false) : QIcon(entry_image),
                         group_image.isNull() ? Drawn_Tree_Icon(true) : QIcon(group_image));

  // The tree.
  Tree_View_ = new TMaps_Tree_View(this);
  Tree_View_->setObjectName(QStringLiteral("TreeView_Maps"));
  Tree_View_->setModel(Tree_Model_);
  Tree_View_->setHeaderHidden(true);
  Tree_View_->setUniformRowHeights(true);
  Tree_View_->setSelectionMode(QAbstractItemView::SingleSelection);
  Tree_View_->setEditTriggers(QAbstractItemView::EditKeyPressed |
                              QAbstractItemView::SelectedClicked);
  Tree_View_->setDragEnabled(true);
  Tree_View_->setAcceptDrops(true);
  Tree_View_->setDropIndicatorShown(false);
  Tree_View_->setDragDropMode(QAbstractItemView::DragDrop);
  Tree_View_->setToolTip(
      QStringLiteral("create groups to sort your maps by clicking the right mouse button"));
  connect(Tree_View_->selectionModel(), &QItemSelectionModel::currentChanged, this,
          [this](const QModelIndex& current) {
            TMaps_Tree_Node* node = Tree_Model_->Node(current);
            Tree_.Select(node);
            TreeView_MapsChange(node);
          });
  connect(Tree_View_, &QTreeView::doubleClicked, this, [this] { TreeView_MapsDblClick(); });
  connect(Tree_Model_, &QAbstractItemModel::modelReset, this, [this] { Sync_Tree_Selection(); });

  // The list.
  List_View_ = new TUnsorted_List_View(this);
  List_View_->setObjectName(QStringLiteral("ListView_Maps"));
  List_View_->setModel(List_Model_);
  List_View_->setRootIsDecorated(false);
  List_View_->setItemsExpandable(false);
  List_View_->setUniformRowHeights(true);
  List_View_->setAllColumnsShowFocus(true);
  List_View_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  List_View_->setSelectionBehavior(QAbstractItemView::SelectRows);
  List_View_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  List_View_->setDragEnabled(true);
  List_View_->setAcceptDrops(true);
  List_View_->setDropIndicatorShown(false);
  List_View_->setDragDropMode(QAbstractItemView::DragDrop);
  List_View_->setToolTip(QStringLiteral("drag & drop these maps into the Maps Tree"));
  List_View_->header()->setSectionsClickable(true);
  List_View_->header()->setSortIndicatorShown(false);
  List_View_->header()->setStretchLastSection(false);
  for (int column = 0; column < 3; ++column) {
    List_View_->header()->resizeSection(
        column, TUnsorted_Maps_List::Initial_Widths[static_cast<std::size_t>(column)]);
  }
  connect(List_View_->header(), &QHeaderView::sectionClicked, this,
          [this](int column) { List_.ListView_MapsColumnClick(column); });
  connect(List_View_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
          [this](const QItemSelection& selected, const QItemSelection& deselected) {
            if (!selected.isEmpty()) {
              const QModelIndex current = List_View_->selectionModel()->currentIndex();
              const QModelIndex item = current.isValid() && selected.contains(current)
                                           ? current
                                           : selected.indexes().front();
              ListView_MapsSelectItem(true, item);
            } else if (!deselected.isEmpty()) {
              ListView_MapsSelectItem(false, QModelIndex());
            }
          });
  connect(List_View_, &QTreeView::doubleClicked, this, [this] { ListView_MapsDblClick(); });
  connect(List_Model_, &QAbstractItemModel::modelReset, this, [this] { ListView_MapsChange(); });
  connect(List_Model_, &QAbstractItemModel::layoutChanged, this, [this] { ListView_MapsChange(); });
  connect(List_Model_, &QAbstractItemModel::rowsInserted, this, [this] { ListView_MapsChange(); });

  // The levelshot: 256 x 256 on a black square of 260 x 260.
  auto* frame = new QFrame(this);
  frame->setObjectName(QStringLiteral("Shape_Levelshot_Hintergrund"));
  frame->setFixedSize(260, 260);
  frame->setAutoFillBackground(true);
  QPalette black = frame->palette();
  black.setColor(QPalette::Window, Qt::black);
  frame->setPalette(black);
  Levelshot_Image_ = new QLabel(frame);
  Levelshot_Image_->setObjectName(QStringLiteral("Image_Levelshot"));
  Levelshot_Image_->setGeometry(2, 2, 256, 256);
  Levelshot_Image_->setScaledContents(true);
  auto* caption = new QLabel(QStringLiteral("Levelshot"), this);
  Levelshot_Name_ = new QLabel(this);
  Levelshot_Name_->setObjectName(QStringLiteral("Label_Levelshot_Name"));
  Levelshot_Timer_ = new QTimer(this);
  Levelshot_Timer_->setObjectName(QStringLiteral("Timer_Levelshot_Verzoegerer"));
  Levelshot_Timer_->setInterval(50);
  connect(Levelshot_Timer_, &QTimer::timeout, this, [this] { Timer_Levelshot_VerzoegererTimer(); });

  // Layout: tree and levelshot on the left, the list on the right.
  auto* left = new QWidget(this);
  auto* left_layout = new QVBoxLayout(left);
  left_layout->setContentsMargins(0, 0, 0, 0);
  left_layout->addWidget(new QLabel(QStringLiteral("Maps Tree"), left));
  left_layout->addWidget(Tree_View_, 1);
  auto* name_row = new QHBoxLayout;
  name_row->addWidget(caption);
  name_row->addWidget(Levelshot_Name_, 1);
  left_layout->addLayout(name_row);
  left_layout->addWidget(frame, 0, Qt::AlignLeft | Qt::AlignBottom);
  auto* right = new QWidget(this);
  auto* right_layout = new QVBoxLayout(right);
  right_layout->setContentsMargins(0, 0, 0, 0);
  right_layout->addWidget(new QLabel(QStringLiteral("Unsorted Maps"), right));
  Search_Bar_ = new TSearch_Bar(*this, right);
  right_layout->addWidget(Search_Bar_);
  right_layout->addWidget(List_View_, 1);
  right_layout->addWidget(Search_Bar_->Count_Line());
  auto* splitter = new QSplitter(this);
  splitter->addWidget(left);
  splitter->addWidget(right);
  splitter->setStretchFactor(1, 1);
  auto* layout = new QHBoxLayout(this);
  layout->addWidget(splitter);

  // Context menus.
  Tree_Menu_ = new QMenu(this);
  Tree_Menu_->setObjectName(QStringLiteral("PopupMenu_TreeView_Maps"));
  Tree_Menu_Actions_[0] = Tree_Menu_->addAction(QStringLiteral("Create &Group"));
  Tree_Menu_Actions_[0]->setShortcut(Qt::Key_Insert);
  Tree_Menu_Actions_[1] = Tree_Menu_->addAction(QStringLiteral("&Delete Entry"));
  Tree_Menu_Actions_[1]->setShortcut(Qt::Key_Delete);
  Tree_Menu_->addSeparator();
  Tree_Menu_Actions_[2] = Tree_Menu_->addAction(QStringLiteral("Create &Arena File"));
  Tree_Menu_->addSeparator();
  Tree_Menu_Actions_[3] = Tree_Menu_->addAction(QStringLiteral("&Properties"));
  Tree_Menu_Actions_[3]->setShortcut(QKeySequence(Qt::ALT | Qt::Key_Return));
  for (QAction* action : Tree_Menu_Actions_) {
    action->setShortcutContext(Qt::WidgetShortcut);  // the keys are handled by the tree itself
  }
  connect(Tree_Menu_Actions_[0], &QAction::triggered, this, [this] { Menu_CreateGroupClick(); });
  connect(Tree_Menu_Actions_[1], &QAction::triggered, this, [this] { Menu_DeleteEntryClick(); });
  connect(Tree_Menu_Actions_[2], &QAction::triggered, this, [this] {
    TMaps_Tree_Node* node = Tree_.Selected();
    if (node != nullptr && node->Is_Group()) {
      emit Create_Arena_File_Requested(node);
    }
  });
  connect(Tree_Menu_Actions_[3], &QAction::triggered, this, [this] { Tree_Properties(); });

  List_Menu_ = new QMenu(this);
  List_Menu_->setObjectName(QStringLiteral("PopupMenu_ListView_Maps"));
  QAction* list_properties = List_Menu_->addAction(QStringLiteral("Properties"));
  list_properties->setShortcut(QKeySequence(Qt::ALT | Qt::Key_Return));
  list_properties->setShortcutContext(Qt::WidgetShortcut);
  connect(list_properties, &QAction::triggered, this, [this] {
    if (TMAP_Datei_Eintrag* map = Selected_List_Map()) {
      emit Map_Properties_Requested(map);
    }
  });

  // Main commands: one action per command serves its toolbar button and its menu item.
  struct Command_Text {
    Main_Command Command;
    const char* Caption;
    const char* Hint;
    QKeySequence Key;
  };
  const Command_Text texts[] = {
      // Enter and Alt+Enter are the views' own keys (acting on the view that has the focus);
      // the menu shows them after the tab.
      {Main_Command::Launch_Map, "&Launch Map\tEnter", "Launch Map (Get Some Frags!)", {}},
      {Main_Command::Map_Properties, "Map &Properties\tAlt+Enter", "Map Properties", {}},
      {Main_Command::Create_Arena_File, "&Create Arena File",
       "Create Arena File (out of selected branch of Maps Tree)",
       QKeySequence(Qt::ALT | Qt::Key_C)},
      {Main_Command::Import_Arena_File, "&Import Arena File", "Import Arena File",
       QKeySequence(Qt::ALT | Qt::Key_I)},
      {Main_Command::Activate_Arena_File, "&Activate Arena File", "Activate existing Arena File",
       QKeySequence(Qt::ALT | Qt::Key_A)},
      {Main_Command::Remove_Arena_File, "&Remove Arena File", "Remove Arena File",
       QKeySequence(Qt::ALT | Qt::Key_R)},
      {Main_Command::Print, "&Print Arenas", "Print Maps", QKeySequence(Qt::ALT | Qt::Key_P)},
      {Main_Command::Printer_Setup, "Printer &Setup", "Printer Setup", {}},
      {Main_Command::Exit, "&Exit", "Exit Vorlix", QKeySequence(Qt::CTRL | Qt::Key_Q)},
      {Main_Command::Info, "&Info", "Info", QKeySequence(Qt::Key_F1)},
  };
  const QList<QPixmap> toolbar_images = Strip_Images(QStringLiteral(":/TOOLBAR.bmp"), 25, 9);
  for (const Command_Text& text : texts) {
    const auto index = static_cast<std::size_t>(text.Command);
    auto* action = new QAction(QString::fromLatin1(text.Caption), this);
    action->setToolTip(QString::fromLatin1(text.Hint));
    action->setStatusTip(QString::fromLatin1(text.Hint));
    if (!text.Key.isEmpty()) {
      action->setShortcut(text.Key);
    }
    if (index < 9 && !toolbar_images[static_cast<qsizetype>(index)].isNull()) {
      action->setIcon(QIcon(toolbar_images[static_cast<qsizetype>(index)]));
    } else if (index < 9) {
      action->setIcon(Drawn_Command_Icon(action->text()));
    }
    action->setEnabled(Initially_Available(text.Command));
    Commands_[index] = action;
  }
  connect(Command(Main_Command::Launch_Map), &QAction::triggered, this, [this] { Launch_Map(); });
  connect(Command(Main_Command::Map_Properties), &QAction::triggered, this,
          [this] { Map_Properties(); });
  connect(Command(Main_Command::Create_Arena_File), &QAction::triggered, this,
          [this] { Create_Arena_File(); });
  connect(Command(Main_Command::Import_Arena_File), &QAction::triggered, this,
          &TBrowser_View::Import_Arena_File_Requested);
  connect(Command(Main_Command::Activate_Arena_File), &QAction::triggered, this,
          &TBrowser_View::Activate_Arena_File_Requested);
  connect(Command(Main_Command::Remove_Arena_File), &QAction::triggered, this,
          &TBrowser_View::Remove_Arena_File_Requested);
  connect(Command(Main_Command::Exit), &QAction::triggered, this, &TBrowser_View::Exit_Requested);
  connect(Command(Main_Command::Info), &QAction::triggered, this, &TBrowser_View::Info_Requested);

  // Commands beyond the toolbar's: reload, undo and redo of the tree's changes.
  Reload_Action_ = new QAction(QStringLiteral("Re&load"), this);
  Reload_Action_->setShortcut(QKeySequence(Qt::Key_F5));
  Reload_Action_->setStatusTip(QStringLiteral("Read the Quake 3 Arena directory again"));
  connect(Reload_Action_, &QAction::triggered, this, &TBrowser_View::Reload_Requested);
  Undo_Action_ = History_->Stack()->createUndoAction(this, QStringLiteral("&Undo"));
  Undo_Action_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
  Redo_Action_ = History_->Stack()->createRedoAction(this, QStringLiteral("&Redo"));
  Redo_Action_->setShortcuts(
      {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)});

  Show_White();
  Show_Focus_Look(Tree_View_, false);
  Show_Focus_Look(List_View_, false);
}

TBrowser_View::~TBrowser_View() {
  // The models go before the tree and list they observe.
  Tree_View_->setModel(nullptr);
  List_View_->setModel(nullptr);
  delete Tree_Model_;
  delete List_Model_;
}

QTreeView* TBrowser_View::Tree_View() const {
  return Tree_View_;
}
QTreeView* TBrowser_View::List_View() const {
  return List_View_;
}
QAction* TBrowser_View::Command(Main_Command command) const {
  return Commands_[static_cast<std::size_t>(command)];
}
QAction* TBrowser_View::Tree_Menu_Action(int item) const {
  return Tree_Menu_Actions_.at(static_cast<std::size_t>(item));
}

// NOLINTNEXTLINE(readability-make-member-function-const): changes the window's controls
void TBrowser_View::Set_Command_Icon(Main_Command command, const QIcon& icon) {
  Command(command)->setIcon(icon);
}

void TBrowser_View::Set_Tree_Icons(const QIcon& entry, const QIcon& group) {
  Tree_Model_->Set_Icons(entry, group);
}

void TBrowser_View::Install_Commands(QMainWindow* window) {
  QMenu* vorlix = window->menuBar()->addMenu(QStringLiteral("&Vorlix"));
  vorlix->setObjectName(QStringLiteral("Menu_Vorlix"));
  QMenu* edit = window->menuBar()->addMenu(QStringLiteral("&Edit"));
  edit->setObjectName(QStringLiteral("Menu_Edit"));
  edit->addAction(Undo_Action_);
  edit->addAction(Redo_Action_);
  QMenu* help = window->menuBar()->addMenu(QStringLiteral("&Help"));
  help->setObjectName(QStringLiteral("Menu_Help"));
  Tool_Bar_ = window->addToolBar(QStringLiteral("Vorlix"));
  Tool_Bar_->setObjectName(QStringLiteral("ToolBar_Vorlix"));
  Tool_Bar_->setIconSize(QSize(25, 25));
  Tool_Bar_->setMovable(false);
  const auto add = [&](Main_Command command) {
    vorlix->addAction(Command(command));
    Tool_Bar_->addAction(Command(command));
    if (QWidget* button = Tool_Bar_->widgetForAction(Command(command))) {
      button->setFixedSize(30, 30);
      button->setFocusPolicy(Qt::NoFocus);
    }
  };
  const auto separate = [&] {
    vorlix->addSeparator();
    Tool_Bar_->addSeparator();
  };
  add(Main_Command::Launch_Map);
  add(Main_Command::Map_Properties);
  // Random Map: a toolbar button (and Ctrl+R), the menu stays as it was.
  Tool_Bar_->addAction(Search_Bar_->Random_Action());
  if (QWidget* button = Tool_Bar_->widgetForAction(Search_Bar_->Random_Action())) {
    button->setFixedSize(30, 30);
    button->setFocusPolicy(Qt::NoFocus);
  }
  separate();
  add(Main_Command::Create_Arena_File);
  add(Main_Command::Import_Arena_File);
  add(Main_Command::Activate_Arena_File);
  add(Main_Command::Remove_Arena_File);
  separate();
  add(Main_Command::Print);
  add(Main_Command::Printer_Setup);
  separate();
  vorlix->addAction(Reload_Action_);
  vorlix->addSeparator();
  add(Main_Command::Exit);
  help->addAction(Command(Main_Command::Info));
  connect(Command(Main_Command::Exit), &QAction::triggered, window, &QWidget::close);
}

// ---- start-up and shutdown
// --------------------------------------------------------------------------

void TBrowser_View::Set_Context(const TBrowser_Context& context) {
  Context_ = context;
}

void TBrowser_View::Clear() {
  History_->Clear();
  Pending_Tree_ = QPersistentModelIndex();
  Pending_List_ = QPersistentModelIndex();
  Levelshot_Timer_->stop();
  Tree_.Clear();
  List_.Clear();
  Shown_Map_ = nullptr;
}

void TBrowser_View::Lade_ListView_Maps() {
  if (Context_.Database == nullptr || Context_.Mods == nullptr || Context_.Interaction == nullptr) {
    return;
  }
  List_View_->setUpdatesEnabled(false);
  vorlix::Lade_ListView_Maps(List_, *Context_.Database, *Context_.Mods, *Context_.Interaction);
  List_View_->setUpdatesEnabled(true);
  Pending_Tree_ = QPersistentModelIndex();
  Pending_List_ = QPersistentModelIndex();
  Tree_Keys_.clear();
  List_Keys_.clear();
}

bool TBrowser_View::Initialisiere_TreeView_Maps() {
  if (Context_.Database == nullptr || Context_.Interaction == nullptr) {
    return false;
  }
  Tree_View_->setUpdatesEnabled(false);
  const bool loaded = vorlix::Initialisiere_TreeView_Maps(
      Tree_, Context_.Program_Dir, *Context_.Database, *Context_.Interaction);
  Sync_Tree_Selection();
  if (Tree_.Root() != nullptr) {
    Tree_View_->expand(Tree_Model_->Index_Of(Tree_.Root()));
    Tree_View_->scrollToTop();
  }
  Tree_View_->setUpdatesEnabled(true);
  return loaded;
}

bool TBrowser_View::TreeView_Maps_Speichern() {
  if (Context_.Interaction == nullptr) {
    return false;
  }
  return Tree_.TreeView_Maps_Speichern(Tree_File_Path(Context_.Program_Dir), *Context_.Interaction);
}

// NOLINTNEXTLINE(readability-make-member-function-const): changes the window's controls
void TBrowser_View::Set_Arena_Counts(int mods_with_arena_file, int most_arena_files) {
  const TArena_Command_State state = Arena_Rules(mods_with_arena_file, most_arena_files);
  Command(Main_Command::Activate_Arena_File)->setEnabled(state.Activate_Arena_File);
  Command(Main_Command::Remove_Arena_File)->setEnabled(state.Remove_Arena_File);
}

// ---- selection and availability
// ---------------------------------------------------------------------

TBrowser_View::Focus_Target TBrowser_View::Focused() const {
  const QWidget* focus = window()->focusWidget();
  if (focus == nullptr) {
    return Focus_Target::None;
  }
  if (focus == Tree_View_ || Tree_View_->isAncestorOf(focus)) {
    return Focus_Target::Tree;
  }
  if (focus == List_View_ || List_View_->isAncestorOf(focus)) {
    return Focus_Target::List;
  }
  return Focus_Target::None;
}

TTree_Selection_Description TBrowser_View::Describe(const TMaps_Tree_Node* node) const {
  TTree_Selection_Description description;
  if (node == nullptr) {
    return description;
  }
  description.Top_Level = Tree_.Is_Top_Level(node);
  if (node->Is_Map_Entry()) {
    description.Kind = Tree_Selection::Map_Entry;
    return description;
  }
  description.Kind = Tree_Selection::Group;
  description.Group_Has_Map = TMaps_Tree::TreeView_Maps_Ist_Gruppe_nicht_leer(node);
  description.Group_Has_Includable =
      TMaps_Tree::TreeView_Maps_Ist_Gruppe_nicht_leer_fuer_Arena_File_Creation(node);
  return description;
}

// NOLINTNEXTLINE(readability-make-member-function-const): changes the window's controls
void TBrowser_View::Apply(const TCommand_Change& change) {
  if (change.Launch_Map) {
    Command(Main_Command::Launch_Map)->setEnabled(*change.Launch_Map);
  }
  if (change.Map_Properties) {
    Command(Main_Command::Map_Properties)->setEnabled(*change.Map_Properties);
  }
  if (change.Create_Arena_File) {
    Command(Main_Command::Create_Arena_File)->setEnabled(*change.Create_Arena_File);
  }
}

void TBrowser_View::Sync_Tree_Selection() {
  const QModelIndex index = Tree_Model_->Index_Of(Tree_.Selected());
  if (index.isValid()) {
    Tree_View_->setCurrentIndex(index);
    Tree_View_->scrollTo(index);
  }
}

void TBrowser_View::PopupMenu_TreeView_MapsPopup() {
  const TTree_Menu_State state = Tree_Menu_Availability(Describe(Tree_.Selected()));
  Tree_Menu_Actions_[0]->setEnabled(state.Create_Group);
  Tree_Menu_Actions_[1]->setEnabled(state.Delete_Entry);
  Tree_Menu_Actions_[2]->setEnabled(state.Create_Arena_File);
  Tree_Menu_Actions_[3]->setEnabled(state.Properties);
}

void TBrowser_View::Schedule_Tree(const TMaps_Tree_Node* node) {
  Pending_Tree_ = QPersistentModelIndex(Tree_Model_->Index_Of(node));
  Pending_List_ = QPersistentModelIndex();
  if (!Levelshot_Timer_->isActive()) {
    Levelshot_Timer_->start();
  }
}

void TBrowser_View::Schedule_List(const QModelIndex& index) {
  Pending_List_ = QPersistentModelIndex(index.siblingAtColumn(0));
  Pending_Tree_ = QPersistentModelIndex();
  if (!Levelshot_Timer_->isActive()) {
    Levelshot_Timer_->start();
  }
}

bool TBrowser_View::Change_Tree(const QString& name, const std::function<bool()>& change) {
  const bool done = History_->Record(name, change);
  Refresh_Commands();
  return done;
}

void TBrowser_View::Refresh_Commands() {
  const Focus_Target target = Focused() != Focus_Target::None ? Focused() : Last_Focus_;
  if (target == Focus_Target::Tree) {
    // The view's current node is the selected one, and is drawn selected.
    if (TMaps_Tree_Node* current = Tree_Model_->Node(Tree_View_->currentIndex())) {
      Tree_.Select(current);
    }
    Sync_Tree_Selection();
    TreeView_MapsEnter();
  } else if (target == Focus_Target::List) {
    ListView_MapsEnter();
  }
}

void TBrowser_View::View_Lost_Focus(QAbstractItemView* view, Qt::FocusReason reason) {
  // A menu or another window does not take the keys away from the view for good.
  if (reason != Qt::PopupFocusReason && reason != Qt::ActiveWindowFocusReason) {
    Show_Focus_Look(view, false);
  }
}

// ---- tree events
// --------------------------------------------------------------------------------------

void TBrowser_View::TreeView_MapsChange(TMaps_Tree_Node* node) {
  if (node == nullptr) {
    return;
  }
  Apply(Selection_Rule(Browser_Event::Tree_Selection_Changed, Describe(node), false));
  if (node->Is_Map_Entry()) {
    Schedule_Tree(node);
  } else {
    Pending_Tree_ = QPersistentModelIndex();
    Pending_List_ = QPersistentModelIndex();
    Levelshot_Timer_->stop();
  }
}

void TBrowser_View::TreeView_MapsEnter() {
  Last_Focus_ = Focus_Target::Tree;
  const TMaps_Tree_Node* node = Tree_.Selected();
  Apply(Selection_Rule(Browser_Event::Tree_Focus, Describe(node), false));
  if (node != nullptr && node->Is_Map_Entry()) {
    Schedule_Tree(node);
  }
}

void TBrowser_View::TreeView_MapsDblClick() {
  TMaps_Tree_Node* node = Tree_.Selected();
  if (node != nullptr && node->Is_Map_Entry() && node->Map != nullptr) {
    emit Launch_Map_Requested(node->Map);
  }
}

void TBrowser_View::Tree_Navigation_Key(int key, bool pressed, bool auto_repeat) {
  if (!Is_Navigation_Key(key) || auto_repeat) {
    return;  // a repeated key is still held
  }
  if (pressed) {
    Tree_Keys_.insert(key);
  } else {
    Tree_Keys_.erase(key);
  }
}

void TBrowser_View::Aktiviere_TreeView_Text_Editing() {
  Editing_ = false;
  Tree_View_->setContextMenuPolicy(Qt::DefaultContextMenu);
}

void TBrowser_View::Deaktiviere_TreeView_Text_Editing() {
  Editing_ = true;
  Tree_View_->setContextMenuPolicy(Qt::NoContextMenu);
}

void TBrowser_View::Menu_CreateGroupClick() {
  Change_Tree(QStringLiteral("Create Group"), [this] {
    TMaps_Tree_Node* group = Tree_.TreeView_Maps_Erzeuge_Gruppe(New_Group_Name);
    Tree_.Select(group);
    Sync_Tree_Selection();
    return true;
  });
}

void TBrowser_View::Menu_DeleteEntryClick() {
  TMaps_Tree_Node* node = Tree_.Selected();
  if (node == nullptr || Tree_.Is_Top_Level(node)) {
    return;
  }
  Change_Tree(QStringLiteral("Delete Entry"), [this, node] {
    List_View_->setUpdatesEnabled(false);
    const bool done = Tree_.TreeView_Maps_Loesche_Node(node);
    List_.Sort();
    List_View_->setUpdatesEnabled(true);
    return done;
  });
}

void TBrowser_View::Tree_Properties() {
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

QMimeData* TBrowser_View::Make_Tree_Drag_Data() const {
  auto* data = new QMimeData;
  data->setData(QString::fromLatin1(Tree_Mime), Owner_Token(this));
  return data;
}

QMimeData* TBrowser_View::Make_List_Drag_Data() const {
  auto* data = new QMimeData;
  data->setData(QString::fromLatin1(List_Mime), Owner_Token(this));
  return data;
}

bool TBrowser_View::Tree_Drag_Over(const QMimeData* data, const QPoint& position) {
  const TMaps_Tree_Node* target = Tree_Model_->Node(Tree_View_->indexAt(position));
  if (data->data(QString::fromLatin1(List_Mime)) == Owner_Token(this)) {
    return TMaps_Tree::Accepts_List_Drop(target);
  }
  if (data->data(QString::fromLatin1(Tree_Mime)) == Owner_Token(this)) {
    return TMaps_Tree::Accepts_Tree_Drop(Tree_.Selected(), target);
  }
  return false;
}

bool TBrowser_View::Tree_Drop(const QMimeData* data, const QPoint& position) {
  if (!Tree_Drag_Over(data, position)) {
    return false;
  }
  TMaps_Tree_Node* target = Tree_Model_->Node(Tree_View_->indexAt(position));
  const bool from_list = data->hasFormat(QString::fromLatin1(List_Mime));
  return Change_Tree(from_list ? QStringLiteral("Drop Maps") : QStringLiteral("Move"), [&] {
    bool done = false;
    Tree_View_->setUpdatesEnabled(false);
    if (from_list) {
      done = !Tree_.Drop_List_Items(target, Selected_List_Maps()).empty();
    } else {
      done = Tree_.Drop_Tree_Node(Tree_.Selected(), target);
    }
    if (target->Is_Group()) {
      Tree_View_->expand(Tree_Model_->Index_Of(target));
    }
    Sync_Tree_Selection();
    Tree_View_->setUpdatesEnabled(true);
    if (done) {
      Tree_View_->setFocus(Qt::OtherFocusReason);  // the keys go where the drop went
    }
    return done;
  });
}

// ---- list events
// --------------------------------------------------------------------------------------

std::vector<TMAP_Datei_Eintrag*> TBrowser_View::Selected_List_Maps() const {
  QModelIndexList rows = List_View_->selectionModel()->selectedRows();
  std::sort(rows.begin(), rows.end());
  std::vector<TMAP_Datei_Eintrag*> maps;
  for (const QModelIndex& row : rows) {
    if (TMAP_Datei_Eintrag* map = List_Model_->Map(row)) {
      maps.push_back(map);
    }
  }
  return maps;
}

TMAP_Datei_Eintrag* TBrowser_View::Selected_List_Map() const {
  const std::vector<TMAP_Datei_Eintrag*> maps = Selected_List_Maps();
  return maps.empty() ? nullptr : maps.front();
}

bool TBrowser_View::Select_Map(std::int32_t pk3_id, std::int32_t map_id) {
  const auto shows = [pk3_id, map_id](const TMAP_Datei_Eintrag* map) {
    return map != nullptr && map->ID == map_id && map->PK3 != nullptr && map->PK3->ID == pk3_id;
  };
  const TMaps_Tree_Node* entry = nullptr;
  Tree_.For_Each([&](const TMaps_Tree_Node& node, int /*depth*/) {
    if (entry == nullptr && node.Is_Map_Entry() && shows(node.Map)) {
      entry = &node;
    }
  });
  if (entry != nullptr) {
    const QModelIndex index = Tree_Model_->Index_Of(entry);
    Tree_View_->scrollTo(index);
    Tree_View_->setCurrentIndex(index);
  }
  QItemSelection items;
  QModelIndex first;
  for (int row = 0; row < List_Model_->rowCount(); ++row) {
    if (shows(List_Model_->Map(List_Model_->index(row, 0)))) {
      const QModelIndex index = List_Model_->index(row, 0);
      items.select(index, index);
      if (!first.isValid()) {
        first = index;
      }
    }
  }
  if (first.isValid()) {
    List_View_->selectionModel()->select(
        items, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    List_View_->selectionModel()->setCurrentIndex(first, QItemSelectionModel::NoUpdate);
    List_View_->scrollTo(first);
  }
  return entry != nullptr || first.isValid();
}

void TBrowser_View::ListView_MapsSelectItem(bool selected, const QModelIndex& item) {
  Apply(Selection_Rule(
      selected ? Browser_Event::List_Item_Selected : Browser_Event::List_Item_Deselected,
      Describe(Tree_.Selected()), selected));
  if (selected && item.isValid()) {
    Schedule_List(item);
  }
}

void TBrowser_View::ListView_MapsEnter() {
  Last_Focus_ = Focus_Target::List;
  const bool has_selection = List_View_->selectionModel()->hasSelection();
  Apply(Selection_Rule(Browser_Event::List_Focus, Describe(Tree_.Selected()), has_selection));
  if (has_selection) {
    QModelIndex current = List_View_->selectionModel()->currentIndex();
    if (!current.isValid() || !List_View_->selectionModel()->isRowSelected(current.row())) {
      current = List_View_->selectionModel()->selectedRows().front();
    }
    Schedule_List(current);
  }
}

void TBrowser_View::ListView_MapsDblClick() {
  if (TMAP_Datei_Eintrag* map = Selected_List_Map()) {
    emit Launch_Map_Requested(map);
  }
}

void TBrowser_View::ListView_MapsChange() {
  if (!List_View_->selectionModel()->hasSelection()) {
    Apply(Selection_Rule(Browser_Event::List_Changed_Nothing_Selected, Describe(nullptr), false));
  }
}

void TBrowser_View::ListView_MapsResize() {
  const std::array<int, 3> widths = ListView_Maps_Column_Widths(List_View_->width());
  for (int column = 0; column < 3; ++column) {
    List_View_->header()->resizeSection(column, widths[static_cast<std::size_t>(column)]);
  }
  List_View_->horizontalScrollBar()->setValue(0);
}

void TBrowser_View::List_Navigation_Key(int key, bool pressed, bool auto_repeat) {
  if (!Is_Navigation_Key(key) || auto_repeat) {
    return;
  }
  if (pressed) {
    List_Keys_.insert(key);
  } else {
    List_Keys_.erase(key);
  }
}

bool TBrowser_View::List_Drag_Over(const QMimeData* data) {
  return data->data(QString::fromLatin1(Tree_Mime)) == Owner_Token(this) &&
         TMaps_Tree::Accepts_Drop_On_List(Tree_.Selected());
}

bool TBrowser_View::List_Drop(const QMimeData* data) {
  if (!List_Drag_Over(data)) {
    return false;
  }
  return Change_Tree(QStringLiteral("Move to Unsorted Maps"), [this] {
    TMAP_Datei_Eintrag* map = Tree_.Selected()->Map;
    List_View_->setUpdatesEnabled(false);
    const bool done = Tree_.Drop_On_List(Tree_.Selected());
    List_View_->setUpdatesEnabled(true);
    if (done) {
      // The dropped map is the list's selected item, and the list takes the keys.
      const int row = List_.Index_Of(map);
      if (row >= 0) {
        const QModelIndex index = List_Model_->index(row, 0);
        List_View_->selectionModel()->setCurrentIndex(
            index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        List_View_->scrollTo(index);
      }
      List_View_->setFocus(Qt::OtherFocusReason);
    }
    return done;
  });
}

// ---- main commands
// --------------------------------------------------------------------------------------

void TBrowser_View::Launch_Map() {
  switch (Focused()) {
    case Focus_Target::Tree:
      TreeView_MapsDblClick();
      break;
    case Focus_Target::List:
      ListView_MapsDblClick();
      break;
    case Focus_Target::None:
      break;
  }
}

void TBrowser_View::Map_Properties() {
  switch (Focused()) {
    case Focus_Target::Tree:
      Tree_Properties();
      break;
    case Focus_Target::List:
      if (TMAP_Datei_Eintrag* map = Selected_List_Map()) {
        emit Map_Properties_Requested(map);
      }
      break;
    case Focus_Target::None:
      break;
  }
}

void TBrowser_View::Create_Arena_File() {
  TMaps_Tree_Node* node = Tree_.Selected();
  if (Focused() == Focus_Target::Tree && node != nullptr && node->Is_Group()) {
    emit Create_Arena_File_Requested(node);
  }
}

// ---- levelshot
// ------------------------------------------------------------------------------------------

void TBrowser_View::Timer_Levelshot_VerzoegererTimer() {
  if (!Tree_Keys_.empty() || !List_Keys_.empty()) {
    return;  // the timer keeps running; the next tick checks again
  }
  // A pending item or node that was removed meanwhile is no longer valid and shows nothing.
  if (Pending_List_.isValid()) {
    if (const TMAP_Datei_Eintrag* map = List_Model_->Map(Pending_List_)) {
      Zeige_Levelshot_an(*map);
    }
  } else if (Pending_Tree_.isValid()) {
    const TMaps_Tree_Node* node = Tree_Model_->Node(Pending_Tree_);
    if (node != nullptr && node->Map != nullptr) {
      Zeige_Levelshot_an(*node->Map);
    }
  }
  Levelshot_Timer_->stop();
}

void TBrowser_View::Show_White() {
  QPixmap white(256, 256);
  white.fill(Qt::white);
  Levelshot_Image_->setPixmap(white);
  Levelshot_Name_->clear();
}

void TBrowser_View::Zeige_Levelshot_an(const TMAP_Datei_Eintrag& map) {
  if (Context_.Database == nullptr) {
    return;
  }
  const TLevelshot_Choice choice =
      Waehle_Levelshot(*Context_.Database, map, Context_.Levelshots_Dir, Context_.Gfx_Dir);
  Shown_Map_ = choice.Used_Map;
  Shown_Path_ = choice.Path.value_or(std::string());
  if (!choice.Path) {
    Show_White();
    return;
  }
  const std::optional<TDecoded_Image> decoded = Decode_Image_File(*choice.Path);
  if (decoded) {
    const QImage image(decoded->RGBA.data(), decoded->Width, decoded->Height,
                       static_cast<qsizetype>(decoded->Width) * 4, QImage::Format_RGBA8888);
    Levelshot_Image_->setPixmap(QPixmap::fromImage(image.copy()));
  } else {
    QPixmap white(256, 256);
    white.fill(Qt::white);
    Levelshot_Image_->setPixmap(white);
  }
  Levelshot_Name_->setText(To_QString(choice.Label));
}

}  // namespace vorlix
