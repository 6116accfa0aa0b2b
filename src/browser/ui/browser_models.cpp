#include "browser/ui/browser_models.h"

#include <unordered_map>

#include "database/records.h"

namespace vorlix {

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
  const int row = node->Row();
  if (row < 0) {
    return QModelIndex();
  }
  return createIndex(row, 0, const_cast<TMaps_Tree_Node*>(node));
}

QModelIndex TMaps_Tree_Model::index(int row, int column, const QModelIndex& parent) const {
  const TMaps_Tree_Node* holder = parent.isValid() ? Node(parent) : Tree_.Top();
  if (column != 0 || row < 0 || holder == nullptr || row >= holder->Child_Count()) {
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
      return node->Is_Group() ? Group_Icon_ : Entry_Icon_;
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
  if (Tree_.Can_Edit(node)) {
    result |= Qt::ItemIsEditable;
  }
  if (node->Is_Map_Entry()) {
    result |= Qt::ItemNeverHasChildren;
  }
  return result;
}

void TMaps_Tree_Model::Before_Insert(TMaps_Tree_Node* parent, int row) {
  beginInsertRows(Index_Of(parent), row, row);
}
void TMaps_Tree_Model::After_Insert() {
  endInsertRows();
}

void TMaps_Tree_Model::Before_Remove(TMaps_Tree_Node* parent, int row) {
  beginRemoveRows(Index_Of(parent), row, row);
}
void TMaps_Tree_Model::After_Remove() {
  endRemoveRows();
}

void TMaps_Tree_Model::Before_Move(TMaps_Tree_Node* from_parent, int from_row,
                                   TMaps_Tree_Node* to_parent, int to_row) {
  beginMoveRows(Index_Of(from_parent), from_row, from_row, Index_Of(to_parent), to_row);
}
void TMaps_Tree_Model::After_Move() {
  endMoveRows();
}

void TMaps_Tree_Model::Before_Reorder() {
  emit layoutAboutToBeChanged();
  Reorder_Old_ = persistentIndexList();
  Reorder_Nodes_.clear();
  for (const QModelIndex& index : Reorder_Old_) {
    Reorder_Nodes_.append(Node(index));
  }
}

void TMaps_Tree_Model::After_Reorder() {
  QModelIndexList updated;
  updated.reserve(Reorder_Old_.size());
  for (qsizetype i = 0; i < Reorder_Old_.size(); ++i) {
    const TMaps_Tree_Node* node = Reorder_Nodes_[i];
    updated.append(node != nullptr ? createIndex(node->Row(), Reorder_Old_[i].column(),
                                                 const_cast<TMaps_Tree_Node*>(node))
                                   : QModelIndex());
  }
  changePersistentIndexList(Reorder_Old_, updated);
  Reorder_Old_.clear();
  Reorder_Nodes_.clear();
  emit layoutChanged();
}

void TMaps_Tree_Model::Before_Reset() {
  if (Reset_Depth_++ == 0) {
    beginResetModel();
  }
}

void TMaps_Tree_Model::After_Reset() {
  if (Reset_Depth_ > 0 && --Reset_Depth_ == 0) {
    endResetModel();
  }
}

void TMaps_Tree_Model::Text_Changed(TMaps_Tree_Node* node) {
  const QModelIndex index = Index_Of(node);
  emit dataChanged(index, index);
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

TMAP_Datei_Eintrag* TUnsorted_List_Model::Map(const QModelIndex& index) const {
  if (!index.isValid() || index.row() >= List_.Count()) {
    return nullptr;
  }
  return List_.Item(index.row()).Map;
}

QModelIndex TUnsorted_List_Model::index(int row, int column, const QModelIndex& parent) const {
  if (parent.isValid() || row < 0 || row >= List_.Count() || column < 0 || column > 2) {
    return QModelIndex();
  }
  return createIndex(row, column);
}

QModelIndex TUnsorted_List_Model::parent(const QModelIndex&) const {
  return QModelIndex();
}

int TUnsorted_List_Model::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : List_.Count();
}

int TUnsorted_List_Model::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : 3;
}

QVariant TUnsorted_List_Model::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= List_.Count() || role != Qt::DisplayRole) {
    return QVariant();
  }
  return To_QString(List_.Item(index.row()).Column(index.column()));
}

QVariant TUnsorted_List_Model::headerData(int section, Qt::Orientation orientation,
                                          int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section > 2) {
    return QVariant();
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
  beginInsertRows(QModelIndex(), first, last);
}
void TUnsorted_List_Model::After_Append() {
  endInsertRows();
}
void TUnsorted_List_Model::Before_Reset() {
  beginResetModel();
}
void TUnsorted_List_Model::After_Reset() {
  endResetModel();
}

void TUnsorted_List_Model::Before_Reorder() {
  emit layoutAboutToBeChanged();
  Reorder_Old_ = persistentIndexList();
  Reorder_Maps_.clear();
  for (const QModelIndex& index : Reorder_Old_) {
    Reorder_Maps_.append(Map(index));
  }
}

void TUnsorted_List_Model::After_Reorder() {
  std::unordered_map<const TMAP_Datei_Eintrag*, int> rows;
  if (!Reorder_Old_.isEmpty()) {
    rows.reserve(static_cast<std::size_t>(List_.Count()));
    for (int i = 0; i < List_.Count(); ++i) {
      rows.emplace(List_.Item(i).Map, i);
    }
  }
  QModelIndexList updated;
  updated.reserve(Reorder_Old_.size());
  for (qsizetype i = 0; i < Reorder_Old_.size(); ++i) {
    const auto found = rows.find(Reorder_Maps_[i]);
    updated.append(found != rows.end() ? createIndex(found->second, Reorder_Old_[i].column())
                                       : QModelIndex());
  }
  changePersistentIndexList(Reorder_Old_, updated);
  Reorder_Old_.clear();
  Reorder_Maps_.clear();
  emit layoutChanged();
}

}  // namespace vorlix
