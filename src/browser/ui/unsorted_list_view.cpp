#include "browser/ui/unsorted_list_view.h"

#include <QContextMenuEvent>
#include <QDrag>
#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QHeaderView>
#include <QItemSelection>
#include <QMenu>
#include <QMimeData>
#include <QScrollBar>
#include <algorithm>
#include <utility>

#include "browser/maps_tree.h"
#include "browser/ui/browser_models.h"
#include "browser/ui/maps_tree_view.h"
#include "browser/ui/view_state.h"
#include "browser/unsorted_list.h"
#include "core/settings.h"

namespace vorlix {

namespace {

// Where the choice of the columns "Last played" and "Played" is kept.
constexpr const char* History_Column_Settings[2] = {"LIST_LAST_PLAYED", "LIST_PLAYED"};

}  // namespace

TUnsorted_List_View::TUnsorted_List_View(TUnsorted_Maps_List& list, TUnsorted_List_Model& model,
                                         TMaps_Tree& tree, QByteArray drag_token, QWidget* parent)
    : QTreeView(parent),
      List_(list),
      Model_(model),
      Tree_(tree),
      Drag_Token_(std::move(drag_token)) {
  setObjectName(QStringLiteral("ListView_Maps"));
  setModel(&Model_);
  setRootIsDecorated(false);
  setItemsExpandable(false);
  setUniformRowHeights(true);
  setAllColumnsShowFocus(true);
  setSelectionMode(QAbstractItemView::ExtendedSelection);
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setDragEnabled(true);
  setAcceptDrops(true);
  setDropIndicatorShown(false);
  setDragDropMode(QAbstractItemView::DragDrop);
  setToolTip(QStringLiteral("drag & drop these maps into the Maps Tree"));
  header()->setSectionsClickable(true);
  header()->setSortIndicatorShown(false);
  header()->setStretchLastSection(false);
  for (int column = 0; column < 3; ++column) {
    header()->resizeSection(column,
                            TUnsorted_Maps_List::Initial_Widths[static_cast<std::size_t>(column)]);
  }
  connect(header(), &QHeaderView::sectionClicked, this,
          [this](int column) { ListView_MapsColumnClick(column); });
  // The columns of what was played are the user's choice, through the header's context menu.
  header()->setContextMenuPolicy(Qt::CustomContextMenu);
  auto* columns = new QMenu(this);
  columns->setObjectName(QStringLiteral("PopupMenu_ListView_Maps_Columns"));
  for (const int column :
       {TUnsorted_Maps_List::Last_Played_Column, TUnsorted_Maps_List::Played_Column}) {
    const char* setting = History_Column_Settings[column - TUnsorted_Maps_List::Last_Played_Column];
    QAction* show = columns->addAction(
        QString::fromLatin1(TUnsorted_Maps_List::History_Captions[static_cast<std::size_t>(
            column - TUnsorted_Maps_List::Last_Played_Column)]));
    show->setCheckable(true);
    show->setChecked(Load_Flag_Setting(setting));
    setColumnHidden(column, !show->isChecked());
    connect(show, &QAction::toggled, this, [this, column, setting](bool shown) {
      setColumnHidden(column, !shown);
      Save_Flag_Setting(setting, shown);
      ListView_MapsResize();
    });
  }
  connect(header(), &QWidget::customContextMenuRequested, this,
          [this, columns](const QPoint& where) {
            columns->popup(header()->viewport()->mapToGlobal(where));
          });
  connect(selectionModel(), &QItemSelectionModel::selectionChanged, this,
          [this](const QItemSelection& selected, const QItemSelection& deselected) {
            if (!selected.isEmpty()) {
              const QModelIndex current = selectionModel()->currentIndex();
              const QModelIndex item = current.isValid() && selected.contains(current)
                                           ? current
                                           : selected.indexes().front();
              emit Item_Selected(true, item);
            } else if (!deselected.isEmpty()) {
              emit Item_Selected(false, QModelIndex());
            }
          });
  connect(this, &QTreeView::doubleClicked, this, [this] { ListView_MapsDblClick(); });
  connect(&Model_, &QAbstractItemModel::modelReset, this, &TUnsorted_List_View::Changed);
  connect(&Model_, &QAbstractItemModel::layoutChanged, this, &TUnsorted_List_View::Changed);
  connect(&Model_, &QAbstractItemModel::rowsInserted, this, &TUnsorted_List_View::Changed);

  Popup_Menu_ = new QMenu(this);
  Popup_Menu_->setObjectName(QStringLiteral("PopupMenu_ListView_Maps"));
  Properties_ = Popup_Menu_->addAction(QStringLiteral("Properties"));
  Properties_->setObjectName(QStringLiteral("ListView_Maps_Properties"));
  Properties_->setShortcut(QKeySequence(Qt::ALT | Qt::Key_Return));
  Properties_->setShortcutContext(Qt::WidgetShortcut);
  connect(Properties_, &QAction::triggered, this, [this] { Menu_PropertiesClick(); });
}

std::vector<TMap_Record*> TUnsorted_List_View::Selected_Maps() const {
  QModelIndexList rows = selectionModel()->selectedRows();
  std::sort(rows.begin(), rows.end());
  std::vector<TMap_Record*> maps;
  for (const QModelIndex& row : rows) {
    if (TMap_Record* map = Model_.Map(row)) {
      maps.push_back(map);
    }
  }
  return maps;
}

TMap_Record* TUnsorted_List_View::Selected_Map() const {
  const std::vector<TMap_Record*> maps = Selected_Maps();
  return maps.empty() ? nullptr : maps.front();
}

QMimeData* TUnsorted_List_View::Make_Drag_Data() const {
  auto* data = new QMimeData;
  data->setData(QString::fromLatin1(List_Drag_Format), Drag_Token_);
  return data;
}

void TUnsorted_List_View::Menu_PropertiesClick() {
  if (TMap_Record* map = Selected_Map()) {
    emit Map_Properties_Requested(map);
  }
}

void TUnsorted_List_View::ListView_MapsDblClick() {
  if (TMap_Record* map = Selected_Map()) {
    emit Launch_Map_Requested(map);
  }
}

void TUnsorted_List_View::ListView_MapsColumnClick(int column) {
  List_.Sort_By_Column(column);
}

void TUnsorted_List_View::ListView_MapsResize() {
  // The columns of what was played keep their widths; the others share the rest.
  int history = 0;
  for (const int column :
       {TUnsorted_Maps_List::Last_Played_Column, TUnsorted_Maps_List::Played_Column}) {
    if (!isColumnHidden(column)) {
      // Room for a date and time of the locale's short format, and for a count.
      const int wanted =
          fontMetrics().horizontalAdvance(column == TUnsorted_Maps_List::Played_Column
                                              ? QStringLiteral("Played")
                                              : QStringLiteral("28 Dec 2026 28:28:28")) +
          18;
      header()->resizeSection(column, wanted);
      history += wanted;
    }
  }
  const std::array<int, 3> widths = Maps_List_Column_Widths(width() - history);
  for (int column = 0; column < 3; ++column) {
    header()->resizeSection(column, widths[static_cast<std::size_t>(column)]);
  }
  horizontalScrollBar()->setValue(0);
}

// ---- keys and focus
// -----------------------------------------------------------------------------

void TUnsorted_List_View::keyPressEvent(QKeyEvent* event) {
  if (!ListView_MapsKeyDown(*event)) {
    QTreeView::keyPressEvent(event);
  }
}

bool TUnsorted_List_View::ListView_MapsKeyDown(const QKeyEvent& event) {
  const int key = event.key();
  const Qt::KeyboardModifiers modifiers = event.modifiers() & ~Qt::KeypadModifier;
  const bool enter = key == Qt::Key_Return || key == Qt::Key_Enter;
  if (enter && modifiers == Qt::AltModifier) {
    Properties_->trigger();
    return true;
  }
  if (enter && modifiers == Qt::NoModifier) {
    ListView_MapsDblClick();
    return true;
  }
  if (key == Qt::Key_F10 && modifiers == Qt::ShiftModifier) {
    const auto rows = selectionModel()->selectedRows();
    if (!rows.isEmpty()) {
      int first = rows.front().row();
      for (const QModelIndex& row : rows) {
        first = std::min(first, row.row());
      }
      const QRect rect = visualRect(model()->index(first, 0));
      Popup_Menu_->popup(viewport()->mapToGlobal(rect.bottomRight()));
    }
    return true;
  }
  Keys_.Key_Event(event);
  return false;
}

void TUnsorted_List_View::keyReleaseEvent(QKeyEvent* event) {
  ListView_MapsKeyUp(*event);
  QTreeView::keyReleaseEvent(event);
}

void TUnsorted_List_View::ListView_MapsKeyUp(const QKeyEvent& event) {
  Keys_.Key_Event(event);
}

void TUnsorted_List_View::contextMenuEvent(QContextMenuEvent* event) {
  Popup_Menu_->popup(event->globalPos());
}

void TUnsorted_List_View::focusInEvent(QFocusEvent* event) {
  QTreeView::focusInEvent(event);
  Show_Focus_Look(this, true);
  emit Entered();
}

void TUnsorted_List_View::focusOutEvent(QFocusEvent* event) {
  QTreeView::focusOutEvent(event);
  Show_Focus_Lost(this, event->reason());
}

void TUnsorted_List_View::resizeEvent(QResizeEvent* event) {
  QTreeView::resizeEvent(event);
  ListView_MapsResize();
}

// ---- drag and drop
// ------------------------------------------------------------------------------

void TUnsorted_List_View::startDrag(Qt::DropActions /*actions*/) {
  if (Selected_Maps().empty()) {
    return;
  }
  auto* drag = new QDrag(this);
  drag->setMimeData(Make_Drag_Data());
  drag->exec(Qt::MoveAction);
}

void TUnsorted_List_View::dragEnterEvent(QDragEnterEvent* event) {
  if (ListView_MapsDragOver(event->mimeData())) {
    event->acceptProposedAction();
  } else {
    event->ignore();
  }
}

void TUnsorted_List_View::dragMoveEvent(QDragMoveEvent* event) {
  if (ListView_MapsDragOver(event->mimeData())) {
    event->acceptProposedAction();
  } else {
    event->ignore();
  }
}

void TUnsorted_List_View::dropEvent(QDropEvent* event) {
  if (ListView_MapsDragDrop(event->mimeData())) {
    event->acceptProposedAction();
  } else {
    event->ignore();
  }
}

bool TUnsorted_List_View::ListView_MapsDragOver(const QMimeData* data) const {
  return data->data(QString::fromLatin1(Tree_Drag_Format)) == Drag_Token_ &&
         TMaps_Tree::Accepts_Drop_On_List(Tree_.Selected());
}

bool TUnsorted_List_View::ListView_MapsDragDrop(const QMimeData* data) {
  if (!ListView_MapsDragOver(data)) {
    return false;
  }
  return Record_Change(QStringLiteral("Move to Unsorted Maps"), [this] {
    TMap_Record* map = Tree_.Selected()->Map;
    setUpdatesEnabled(false);
    const bool done = Tree_.Drop_On_List(Tree_.Selected());
    setUpdatesEnabled(true);
    if (done) {
      // The dropped map is the list's selected item, and the list takes the keys.
      const int row = List_.Index_Of(map);
      if (row >= 0) {
        const QModelIndex index = Model_.index(row, 0);
        selectionModel()->setCurrentIndex(
            index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        scrollTo(index);
      }
      setFocus(Qt::OtherFocusReason);
    }
    return done;
  });
}

}  // namespace vorlix
