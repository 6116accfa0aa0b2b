#include "browser/ui/browser_models.h"

#include <QGuiApplication>
#include <QLocale>
#include <QPainter>
#include <QPainterPath>
#include <QPalette>
#include <QPixmap>
#include <QPolygonF>
#include <algorithm>
#include <cmath>
#include <numbers>
#include <unordered_map>

#include "core/paths.h"
#include "database/collection_check.h"
#include "database/game_index.h"
#include "database/play_history.h"
#include "database/records.h"

namespace vorlix {

QIcon Favourite_Icon() {
  constexpr int Size = 16;
  QPixmap pixmap(Size, Size);
  pixmap.fill(Qt::transparent);
  QPolygonF star;
  for (int i = 0; i < 10; ++i) {
    const double radius = i % 2 == 0 ? 7.5 : 3.2;
    const double angle = -std::numbers::pi / 2 + i * std::numbers::pi / 5;
    star << QPointF(8 + radius * std::cos(angle), 8.4 + radius * std::sin(angle));
  }
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(QPen(QColor(150, 100, 0), 1));
  painter.setBrush(QColor(255, 200, 40));
  painter.drawPolygon(star);
  painter.end();
  return QIcon(pixmap);
}

QIcon Failed_Icon() {
  constexpr int Size = 16;
  QPixmap pixmap(Size, Size);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(QPen(QColor(120, 0, 0), 1));
  painter.setBrush(QColor(210, 30, 30));
  painter.drawEllipse(QRectF(0.5, 0.5, Size - 1, Size - 1));
  painter.setPen(QPen(Qt::white, 2.2, Qt::SolidLine, Qt::RoundCap));
  painter.drawLine(QPointF(8, 3.8), QPointF(8, 9.2));
  painter.drawPoint(QPointF(8, 12.3));
  painter.end();
  return QIcon(pixmap);
}

QIcon Missing_Content_Icon() {
  constexpr int Size = 16;
  QPixmap pixmap(Size, Size);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  // A tile of magenta and black squares, what engines draw where a picture is missing, with its
  // lower right corner broken off.
  constexpr double Cell = 3.5;
  const QColor magenta(235, 0, 205);
  const QColor black(25, 25, 25);
  painter.setPen(Qt::NoPen);
  for (int row = 0; row < 4; ++row) {
    for (int column = 0; column < 4; ++column) {
      if (row + column >= 5) {
        continue;
      }
      painter.setBrush((row + column) % 2 == 0 ? magenta : black);
      painter.drawRect(QRectF(1 + column * Cell, 1 + row * Cell, Cell, Cell));
    }
  }
  const QPolygonF outline{{1, 1},
                          {15, 1},
                          {15, 1 + 2 * Cell},
                          {1 + 3 * Cell, 1 + 2 * Cell},
                          {1 + 3 * Cell, 1 + 3 * Cell},
                          {1 + 2 * Cell, 1 + 3 * Cell},
                          {1 + 2 * Cell, 15},
                          {1, 15}};
  painter.setPen(QPen(black, 1));
  painter.setBrush(Qt::NoBrush);
  painter.drawPolygon(outline);
  painter.end();
  return QIcon(pixmap);
}

std::string Missing_Content_Note(const TCollection_Check* check, const TMap_Record* map) {
  if (check == nullptr || map == nullptr || map->PK3 == nullptr) {
    return {};
  }
  const TContent_Counts counts =
      check->Counts(map->PK3->MOD_Directory, map->PK3->PK3_Filename, map->MAP_Filename);
  return counts.Known && counts.Total() > 0 ? Counts_Text(counts) : std::string();
}

namespace {

// The blank a map that is no favourite shows in the list, so that all names stand in one line.
QIcon Blank_Icon() {
  QPixmap pixmap(16, 16);
  pixmap.fill(Qt::transparent);
  return QIcon(pixmap);
}

bool Is_Favourite(THistory_Keeper* history, const TMap_Record* map) {
  return history != nullptr && map != nullptr && history->History().Of(*map).Favourite;
}

// The newest failure of the map's last launches, or nullptr.
const TMap_Load* Failure_Of(THistory_Keeper* history, const TMap_Record* map) {
  if (history == nullptr || map == nullptr || map->PK3 == nullptr) {
    return nullptr;
  }
  return history->History().Failure_Of(TMap_Key{map->PK3->ID, map->ID});
}

// What a failure tells in a tooltip.
std::string Failure_Note(const TMap_Load& failure) {
  return "Failed to load with " + platform::File_Name(failure.Engine) + ": " + failure.Error_Line;
}

}  // namespace

// ---- the tree ---------------------------------------------------------------------------------

TMaps_Tree_Model::TMaps_Tree_Model(TMaps_Tree& tree, QObject* parent)
    : QAbstractItemModel(parent), Tree_(tree) {
  Tree_.Observer = this;
}

TMaps_Tree_Model::~TMaps_Tree_Model() {
  if (Tree_.Observer == this) {
    Tree_.Observer = nullptr;
  }
}

void TMaps_Tree_Model::Set_Icons(const QIcon& entry, const QIcon& group) {
  Entry_Icon_ = entry;
  Group_Icon_ = group;
  // Nothing moves; the views only draw every row again.
  emit layoutAboutToBeChanged();
  emit layoutChanged();
}

TMaps_Tree_Node* TMaps_Tree_Model::Node(const QModelIndex& index) const {
  if (!index.isValid()) {
    return nullptr;
  }
  return static_cast<TMaps_Tree_Node*>(index.internalPointer());
}

QModelIndex TMaps_Tree_Model::Index_Of(const TMaps_Tree_Node* node) const {
  if (node == nullptr || node == Tree_.Top()) {
    return QModelIndex();
  }
  const int row = Shown_Row(node);
  if (row < 0) {
    return QModelIndex();
  }
  return createIndex(row, 0, const_cast<TMaps_Tree_Node*>(node));
}

const std::vector<TMaps_Tree_Node*>* TMaps_Tree_Model::Shown_Children(
    const TMaps_Tree_Node* holder) const {
  const auto found = Shown_.find(holder);
  return found != Shown_.end() ? &found->second : nullptr;
}

int TMaps_Tree_Model::Shown_Row(const TMaps_Tree_Node* node) const {
  if (!Filter_) {
    return node->Row();
  }
  if (node->Is_Group()) {
    const auto found = Group_Row_.find(node);
    return found != Group_Row_.end() ? found->second : -1;
  }
  const auto* shown = Shown_Children(node->Parent());
  if (shown == nullptr) {
    return -1;
  }
  const auto at = std::find(shown->begin(), shown->end(), node);
  return at != shown->end() ? static_cast<int>(at - shown->begin()) : -1;
}

void TMaps_Tree_Model::Build_Cache() {
  // Breadth first: every group comes after the group holding it.
  Cache_.clear();
  Cache_.push_back({Tree_.Top(), {}});
  for (std::size_t i = 0; i < Cache_.size(); ++i) {
    TMaps_Tree_Node* holder = Cache_[i].Node;
    std::vector<TCached_Child> children;
    children.reserve(static_cast<std::size_t>(holder->Child_Count()));
    for (int c = 0; c < holder->Child_Count(); ++c) {
      TMaps_Tree_Node* child = holder->Child(c);
      if (child->Is_Group()) {
        children.push_back({child, nullptr, static_cast<int>(Cache_.size())});
        Cache_.push_back({child, {}});
      } else {
        children.push_back({child, child->Map, -1});
      }
    }
    Cache_[i].Children = std::move(children);
  }
  Cache_Valid_ = true;
}

void TMaps_Tree_Model::Refilter() {
  Shown_.clear();
  Group_Row_.clear();
  Dimmed_.clear();
  if (!Filter_) {
    return;
  }
  if (!Cache_Valid_) {
    Build_Cache();
  }
  // Every group stays (a found map may be dropped into any of them); a group without a shown map
  // at any depth is dimmed. Backwards, every group comes before the group holding it.
  std::vector<char> group_matches(Cache_.size(), 0);
  Shown_.reserve(Cache_.size());
  Group_Row_.reserve(Cache_.size());
  for (std::size_t i = Cache_.size(); i-- > 0;) {
    const TCached_Group& group = Cache_[i];
    std::vector<TMaps_Tree_Node*> shown;
    bool matches = false;
    for (const TCached_Child& child : group.Children) {
      if (child.Group >= 0) {
        Group_Row_.emplace(child.Node, static_cast<int>(shown.size()));
        shown.push_back(child.Node);
        matches = matches || group_matches[static_cast<std::size_t>(child.Group)] != 0;
      } else if ((!Pinned_.empty() && Pinned_.count(child.Node) != 0) ||
                 (child.Map != nullptr && Filter_(child.Map))) {
        shown.push_back(child.Node);
        matches = true;
      }
    }
    group_matches[i] = matches ? 1 : 0;
    if (!matches) {
      Dimmed_.insert(group.Node);
    }
    Shown_.emplace(group.Node, std::move(shown));
  }
}

bool TMaps_Tree_Model::Dimmed(const TMaps_Tree_Node* group) const {
  return Filter_ && Dimmed_.count(group) != 0;
}

void TMaps_Tree_Model::Set_Filter(TMap_Filter filter) {
  Begin_Layout();
  Filter_ = std::move(filter);
  Pinned_.clear();
  End_Layout();
}

void TMaps_Tree_Model::Begin_Layout(const TMaps_Tree_Node* dying) {
  emit layoutAboutToBeChanged();
  Reorder_Old_ = persistentIndexList();
  Reorder_Nodes_.clear();
  for (const QModelIndex& index : Reorder_Old_) {
    const TMaps_Tree_Node* node = Node(index);
    if (dying != nullptr && node != nullptr && (node == dying || node->Is_Descendant_Of(dying))) {
      node = nullptr;
    }
    Reorder_Nodes_.append(node);
  }
  if (dying != nullptr) {
    std::erase_if(Pinned_, [dying](const TMaps_Tree_Node* node) {
      return node == dying || node->Is_Descendant_Of(dying);
    });
  }
}

void TMaps_Tree_Model::End_Layout() {
  Refilter();
  QModelIndexList updated;
  updated.reserve(Reorder_Old_.size());
  for (qsizetype i = 0; i < Reorder_Old_.size(); ++i) {
    const TMaps_Tree_Node* node = Reorder_Nodes_[i];
    const int row = node != nullptr ? Shown_Row(node) : -1;
    updated.append(
        row >= 0 ? createIndex(row, Reorder_Old_[i].column(), const_cast<TMaps_Tree_Node*>(node))
                 : QModelIndex());
  }
  changePersistentIndexList(Reorder_Old_, updated);
  Reorder_Old_.clear();
  Reorder_Nodes_.clear();
  emit layoutChanged();
}

QModelIndex TMaps_Tree_Model::index(int row, int column, const QModelIndex& parent) const {
  const TMaps_Tree_Node* holder = parent.isValid() ? Node(parent) : Tree_.Top();
  if (column != 0 || row < 0 || holder == nullptr) {
    return QModelIndex();
  }
  if (Filter_) {
    const auto* shown = Shown_Children(holder);
    if (shown == nullptr || row >= static_cast<int>(shown->size())) {
      return QModelIndex();
    }
    return createIndex(row, 0, (*shown)[static_cast<std::size_t>(row)]);
  }
  if (row >= holder->Child_Count()) {
    return QModelIndex();
  }
  return createIndex(row, 0, holder->Child(row));
}

QModelIndex TMaps_Tree_Model::parent(const QModelIndex& child) const {
  const TMaps_Tree_Node* node = Node(child);
  if (node == nullptr) {
    return QModelIndex();
  }
  return Index_Of(node->Parent());
}

int TMaps_Tree_Model::rowCount(const QModelIndex& parent) const {
  if (Reset_Depth_ > 0) {
    return 0;
  }
  if (parent.column() > 0) {
    return 0;
  }
  const TMaps_Tree_Node* holder = parent.isValid() ? Node(parent) : Tree_.Top();
  if (holder != nullptr && Filter_) {
    const auto* shown = Shown_Children(holder);
    return shown != nullptr ? static_cast<int>(shown->size()) : 0;
  }
  return holder != nullptr ? holder->Child_Count() : 0;
}

int TMaps_Tree_Model::columnCount(const QModelIndex&) const {
  return 1;
}

QVariant TMaps_Tree_Model::data(const QModelIndex& index, int role) const {
  const TMaps_Tree_Node* node = Node(index);
  if (node == nullptr) {
    return QVariant();
  }
  switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
      return To_QString(node->Text);
    case Qt::DecorationRole:
      if (!node->Is_Group() && Failure_Of(History_, node->Map) != nullptr) {
        if (Failed_Icon_.isNull()) {
          Failed_Icon_ = Failed_Icon();
        }
        return Failed_Icon_;
      }
      if (!node->Is_Group() && !Missing_Content_Note(Collection_.get(), node->Map).empty()) {
        if (Missing_Icon_.isNull()) {
          Missing_Icon_ = Missing_Content_Icon();
        }
        return Missing_Icon_;
      }
      if (!node->Is_Group() && Is_Favourite(History_, node->Map)) {
        if (Star_Icon_.isNull()) {
          Star_Icon_ = Favourite_Icon();
        }
        return Star_Icon_;
      }
      return node->Is_Group() ? Group_Icon_ : Entry_Icon_;
    case Qt::ForegroundRole:
      if (Dimmed(node)) {
        return QGuiApplication::palette().brush(QPalette::Disabled, QPalette::Text);
      }
      return QVariant();
    case Qt::ToolTipRole:
      if (Dimmed(node) && node != Tree_.Root()) {
        return QStringLiteral(
            "No map of this group is among the maps found; maps can still be "
            "dropped here.");
      }
      // What the root group is for, told where a new user first meets it.
      if (node == Tree_.Root()) {
        return QStringLiteral(
            "Sort your maps into groups here; Create Arena File turns a group into an arena "
            "file, the list of maps, game types and bots the game's own menus offer.");
      }
      if (node->Map != nullptr) {
        std::string tip;
        if (History_ != nullptr) {
          const TMap_Play play = History_->History().Of(*node->Map);
          tip =
              "Played: " + Played_Text(play, QLocale()) + (play.Favourite ? " (a favourite)" : "");
          if (const TMap_Load* failure = Failure_Of(History_, node->Map)) {
            tip += "\n" + Failure_Note(*failure);
          }
        }
        if (const std::string missing = Missing_Content_Note(Collection_.get(), node->Map);
            !missing.empty()) {
          tip += (tip.empty() ? "" : "\n") + missing;
        }
        return tip.empty() ? QVariant() : QVariant(To_QString(tip));
      }
      return QVariant();
    default:
      return QVariant();
  }
}

bool TMaps_Tree_Model::setData(const QModelIndex& index, const QVariant& value, int role) {
  TMaps_Tree_Node* node = Node(index);
  if (role != Qt::EditRole || node == nullptr) {
    return false;
  }
  const auto rename = [this, node, text = From_QString(value.toString())] {
    return Tree_.Rename(node, text);
  };
  return Record_Change ? Record_Change(rename) : rename();
}

Qt::ItemFlags TMaps_Tree_Model::flags(const QModelIndex& index) const {
  const TMaps_Tree_Node* node = Node(index);
  if (node == nullptr) {
    return Qt::ItemIsDropEnabled;
  }
  Qt::ItemFlags result =
      Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled | Qt::ItemIsDropEnabled;
  // While filtered the shown groups are known without reading the node (a view asks for every
  // row it lays out).
  const bool group = Filter_ ? Group_Row_.count(node) != 0 : node->Is_Group();
  if (group && Tree_.Can_Edit(node)) {
    result |= Qt::ItemIsEditable;
  }
  if (!group) {
    result |= Qt::ItemNeverHasChildren;
  }
  return result;
}

void TMaps_Tree_Model::Before_Insert(TMaps_Tree_Node* parent, int row) {
  Cache_Valid_ = false;
  if (Filter_) {
    // A node made while filtered stays shown until the filter changes.
    Insert_Parent_ = parent;
    Insert_Row_ = row;
    Begin_Layout();
    return;
  }
  beginInsertRows(Index_Of(parent), row, row);
}
void TMaps_Tree_Model::After_Insert() {
  if (Filter_) {
    Pinned_.insert(Insert_Parent_->Child(Insert_Row_));
    End_Layout();
    return;
  }
  endInsertRows();
}

void TMaps_Tree_Model::Before_Remove(TMaps_Tree_Node* parent, int row) {
  Cache_Valid_ = false;
  if (Filter_) {
    Begin_Layout(parent->Child(row));
    return;
  }
  beginRemoveRows(Index_Of(parent), row, row);
}
void TMaps_Tree_Model::After_Remove() {
  if (Filter_) {
    End_Layout();
    return;
  }
  endRemoveRows();
}

void TMaps_Tree_Model::Before_Move(TMaps_Tree_Node* from_parent, int from_row,
                                   TMaps_Tree_Node* to_parent, int to_row) {
  Cache_Valid_ = false;
  if (Filter_) {
    Begin_Layout();
    return;
  }
  beginMoveRows(Index_Of(from_parent), from_row, from_row, Index_Of(to_parent), to_row);
}
void TMaps_Tree_Model::After_Move() {
  if (Filter_) {
    End_Layout();
    return;
  }
  endMoveRows();
}

void TMaps_Tree_Model::Before_Reorder() {
  Cache_Valid_ = false;
  Begin_Layout();
}

void TMaps_Tree_Model::After_Reorder() {
  End_Layout();
}

void TMaps_Tree_Model::Before_Reset() {
  Cache_Valid_ = false;
  if (Reset_Depth_++ == 0) {
    beginResetModel();
  }
}

void TMaps_Tree_Model::After_Reset() {
  if (Reset_Depth_ > 0 && --Reset_Depth_ == 0) {
    Pinned_.clear();
    Refilter();
    endResetModel();
  }
}

void TMaps_Tree_Model::Text_Changed(TMaps_Tree_Node* node) {
  const QModelIndex index = Index_Of(node);
  if (index.isValid()) {
    emit dataChanged(index, index);
  }
}

// ---- the list ---------------------------------------------------------------------------------

TUnsorted_List_Model::TUnsorted_List_Model(TUnsorted_Maps_List& list, QObject* parent)
    : QAbstractItemModel(parent), List_(list) {
  List_.Observer = this;
}

TUnsorted_List_Model::~TUnsorted_List_Model() {
  if (List_.Observer == this) {
    List_.Observer = nullptr;
  }
}

TMap_Record* TUnsorted_List_Model::Map(const QModelIndex& index) const {
  if (!index.isValid() || index.row() >= rowCount()) {
    return nullptr;
  }
  return List_.Item(Item_Row(index.row())).Map;
}

QModelIndex TUnsorted_List_Model::Index_Of_Map(const TMap_Record* map) const {
  for (int row = 0; row < rowCount(); ++row) {
    if (List_.Item(Item_Row(row)).Map == map) {
      return createIndex(row, 0);
    }
  }
  return QModelIndex();
}

void TUnsorted_List_Model::Refilter() {
  Rows_.clear();
  if (!Filter_) {
    return;
  }
  const auto& items = List_.Items();
  Rows_.reserve(items.size());
  for (std::size_t i = 0; i < items.size(); ++i) {
    if (Filter_(items[i].Map)) {
      Rows_.push_back(static_cast<int>(i));
    }
  }
}

void TUnsorted_List_Model::Set_Filter(TMap_Filter filter) {
  Begin_Layout();
  Filter_ = std::move(filter);
  End_Layout();
}

void TUnsorted_List_Model::Begin_Layout() {
  emit layoutAboutToBeChanged();
  Reorder_Old_ = persistentIndexList();
  Reorder_Maps_.clear();
  for (const QModelIndex& index : Reorder_Old_) {
    Reorder_Maps_.append(Map(index));
  }
}

void TUnsorted_List_Model::End_Layout() {
  Refilter();
  // The rows of the maps held by persistent indexes: a few (current item, a selection) are
  // looked up one by one, many are found in one pass over the rows.
  std::unordered_map<const TMap_Record*, int> rows;
  for (const TMap_Record* map : Reorder_Maps_) {
    rows.emplace(map, -1);
  }
  if (rows.size() <= 8) {
    for (auto& [map, row] : rows) {
      const int position = map != nullptr ? List_.Index_Of(map) : -1;
      if (position >= 0 && !Filter_) {
        row = position;
      } else if (position >= 0) {
        const auto found = std::lower_bound(Rows_.begin(), Rows_.end(), position);
        row = found != Rows_.end() && *found == position ? static_cast<int>(found - Rows_.begin())
                                                         : -1;
      }
    }
  } else {
    for (int row = 0; row < rowCount(); ++row) {
      const auto found = rows.find(List_.Item(Item_Row(row)).Map);
      if (found != rows.end()) {
        found->second = row;
      }
    }
  }
  QModelIndexList updated;
  updated.reserve(Reorder_Old_.size());
  for (qsizetype i = 0; i < Reorder_Old_.size(); ++i) {
    const int row = rows[Reorder_Maps_[i]];
    updated.append(row >= 0 ? createIndex(row, Reorder_Old_[i].column()) : QModelIndex());
  }
  changePersistentIndexList(Reorder_Old_, updated);
  Reorder_Old_.clear();
  Reorder_Maps_.clear();
  emit layoutChanged();
}

QModelIndex TUnsorted_List_Model::index(int row, int column, const QModelIndex& parent) const {
  if (parent.isValid() || row < 0 || row >= rowCount() || column < 0 ||
      column > TUnsorted_Maps_List::Played_Column) {
    return QModelIndex();
  }
  return createIndex(row, column);
}

QModelIndex TUnsorted_List_Model::parent(const QModelIndex&) const {
  return QModelIndex();
}

int TUnsorted_List_Model::rowCount(const QModelIndex& parent) const {
  if (parent.isValid()) {
    return 0;
  }
  return Filter_ ? static_cast<int>(Rows_.size()) : List_.Count();
}

int TUnsorted_List_Model::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : TUnsorted_Maps_List::Played_Column + 1;
}

void TUnsorted_List_Model::Set_Game_Index_Source(TGame_Index_Source source) {
  Game_Index_Source_ = std::move(source);
  Game_Index_.reset();
}

QVariant TUnsorted_List_Model::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= rowCount()) {
    return QVariant();
  }
  const auto& item = List_.Item(Item_Row(index.row()));
  if (role == Qt::ToolTipRole && item.Map != nullptr && item.Map->PK3 != nullptr) {
    if (!Game_Index_ && Game_Index_Source_) {
      Game_Index_ = Game_Index_Source_();
    }
    std::string note =
        Game_Index_ ? Override_Note(*Game_Index_, item.Map->MAP_Filename,
                                    item.Map->PK3->MOD_Directory, item.Map->PK3->PK3_Filename)
                    : std::string();
    if (const TMap_Load* failure = Failure_Of(History_, item.Map)) {
      note += (note.empty() ? "" : "\n") + Failure_Note(*failure);
    }
    if (const std::string missing = Missing_Content_Note(Collection_.get(), item.Map);
        !missing.empty()) {
      note += (note.empty() ? "" : "\n") + missing;
    }
    return note.empty() ? QVariant() : QVariant(To_QString(note));
  }
  if (role == Qt::DecorationRole && index.column() == 0 && (History_ != nullptr || Collection_)) {
    if (Star_Icon_.isNull()) {
      Star_Icon_ = Favourite_Icon();
      Failed_Icon_ = Failed_Icon();
      Missing_Icon_ = Missing_Content_Icon();
      Blank_Icon_ = Blank_Icon();
    }
    if (Failure_Of(History_, item.Map) != nullptr) {
      return Failed_Icon_;
    }
    if (!Missing_Content_Note(Collection_.get(), item.Map).empty()) {
      return Missing_Icon_;
    }
    return Is_Favourite(History_, item.Map) ? Star_Icon_ : Blank_Icon_;
  }
  if (role != Qt::DisplayRole) {
    return QVariant();
  }
  if (index.column() >= TUnsorted_Maps_List::Last_Played_Column) {
    const TMap_Play play = History_ != nullptr && item.Map != nullptr
                               ? History_->History().Of(*item.Map)
                               : TMap_Play{};
    if (play.Count == 0) {
      return QVariant();
    }
    return index.column() == TUnsorted_Maps_List::Played_Column
               ? QVariant(play.Count)
               : QVariant(To_QString(Launch_Time_Text(play.Last, QLocale())));
  }
  return To_QString(List_.Column(item, index.column()));
}

QVariant TUnsorted_List_Model::headerData(int section, Qt::Orientation orientation,
                                          int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
      section > TUnsorted_Maps_List::Played_Column) {
    return QVariant();
  }
  if (section >= TUnsorted_Maps_List::Last_Played_Column) {
    return QString::fromLatin1(TUnsorted_Maps_List::History_Captions[static_cast<std::size_t>(
        section - TUnsorted_Maps_List::Last_Played_Column)]);
  }
  return QString::fromLatin1(TUnsorted_Maps_List::Captions[static_cast<std::size_t>(section)]);
}

Qt::ItemFlags TUnsorted_List_Model::flags(const QModelIndex& index) const {
  if (!index.isValid()) {
    return Qt::ItemIsDropEnabled;
  }
  return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled |
         Qt::ItemNeverHasChildren;
}

void TUnsorted_List_Model::Before_Append(int first, int last) {
  if (Filter_) {
    Begin_Layout();
    return;
  }
  beginInsertRows(QModelIndex(), first, last);
}
void TUnsorted_List_Model::After_Append() {
  if (Filter_) {
    End_Layout();
    return;
  }
  endInsertRows();
}
void TUnsorted_List_Model::Before_Reset() {
  beginResetModel();
}
void TUnsorted_List_Model::After_Reset() {
  Refilter();
  endResetModel();
}

void TUnsorted_List_Model::Before_Reorder() {
  Begin_Layout();
}

void TUnsorted_List_Model::After_Reorder() {
  End_Layout();
}

}  // namespace vorlix
