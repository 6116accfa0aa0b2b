#pragma once
// Qt item models over the maps tree and the unsorted list. They follow the logic's changes
// through its observers, so every change made by the logic reaches the views, and the views keep
// their selection and expanded groups across re-sorts.
//
// Both models can show a part of their data (a search): a filter decides which maps are shown.
// Nothing moves in the tree or the list meanwhile; what is hidden only has no row, and the tree
// keeps every group (those without a shown map dimmed). Changes made while filtered reach the
// views as layout changes.

#include <QAbstractItemModel>
#include <QIcon>
#include <QString>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "browser/maps_tree.h"
#include "browser/unsorted_list.h"
#include "core/ui/qt_text.h"

namespace vorlix {

class TCollection_Check;
class TGame_Index;
class THistory_Keeper;

// The star a favourite map shows in the views.
QIcon Favourite_Icon();
// The mark of a map whose last launch with some engine failed to load it.
QIcon Failed_Icon();
// The mark of a map the game cannot find every texture, model or sound of (the engine's
// checkered stand-in for a missing picture).
QIcon Missing_Content_Icon();
// What the check says of a map's content when the map misses some ("2 textures, 1 sound
// missing"); empty when it misses nothing, is not known, or there is no check.
std::string Missing_Content_Note(const TCollection_Check* check, const TMap_Record* map);

// Whether a map is shown while a search is active.
using TMap_Filter = std::function<bool(const TMap_Record*)>;

class TMaps_Tree_Model : public QAbstractItemModel, public TMaps_Tree_Observer {
  Q_OBJECT
 public:
  TMaps_Tree_Model(TMaps_Tree& tree, QObject* parent = nullptr);
  ~TMaps_Tree_Model() override;

  // Runs a rename typed into the view (set by the browser to record it for undo).
  std::function<bool(const std::function<bool()>&)> Record_Change;

  // Icons of the resource strip: 0 = map entry, 1 = group.
  void Set_Icons(const QIcon& entry, const QIcon& group);
  // What was played: a favourite's entry shows a star, and a map entry's tooltip says how often
  // and when last it was launched.
  void Set_History(THistory_Keeper* history) { History_ = history; }
  // Which files each map lacks: a map missing some shows a mark, its tooltip what is missing.
  void Set_Collection(std::shared_ptr<const TCollection_Check> check) {
    Collection_ = std::move(check);
  }

  TMaps_Tree& Tree() { return Tree_; }
  TMaps_Tree_Node* Node(const QModelIndex& index) const;
  // The node's index; invalid for a node that is hidden.
  QModelIndex Index_Of(const TMaps_Tree_Node* node) const;

  // Shows only the map entries whose map passes the filter, every group and the nodes made while
  // filtered; an empty filter shows everything again.
  void Set_Filter(TMap_Filter filter);
  bool Filtered() const { return static_cast<bool>(Filter_); }
  // While filtered: the group shows no map at any depth (drawn dimmed; still a drop target).
  bool Dimmed(const TMaps_Tree_Node* group) const;

  QModelIndex index(int row, int column, const QModelIndex& parent = QModelIndex()) const override;
  QModelIndex parent(const QModelIndex& child) const override;
  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  bool setData(const QModelIndex& index, const QVariant& value, int role) override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

  // TMaps_Tree_Observer
  void Before_Insert(TMaps_Tree_Node* parent, int row) override;
  void After_Insert() override;
  void Before_Remove(TMaps_Tree_Node* parent, int row) override;
  void After_Remove() override;
  void Before_Move(TMaps_Tree_Node* from_parent, int from_row, TMaps_Tree_Node* to_parent,
                   int to_row) override;
  void After_Move() override;
  void Before_Reorder() override;
  void After_Reorder() override;
  void Before_Reset() override;
  void After_Reset() override;
  void Text_Changed(TMaps_Tree_Node* node) override;

 private:
  int Shown_Row(const TMaps_Tree_Node* node) const;
  const std::vector<TMaps_Tree_Node*>* Shown_Children(const TMaps_Tree_Node* holder) const;
  void Refilter();
  void Build_Cache();
  // A layout change while filtered: the persistent indexes follow their nodes (those of `dying`
  // and below it become invalid).
  void Begin_Layout(const TMaps_Tree_Node* dying = nullptr);
  void End_Layout();

  TMaps_Tree& Tree_;
  TMap_Filter Filter_;
  std::unordered_map<const TMaps_Tree_Node*, std::vector<TMaps_Tree_Node*>> Shown_;
  std::unordered_map<const TMaps_Tree_Node*, int> Group_Row_;
  std::unordered_set<const TMaps_Tree_Node*> Pinned_;
  std::unordered_set<const TMaps_Tree_Node*> Dimmed_;
  // The groups with their children's maps as Refilter reads them, kept while the tree does not
  // change (each search query reads them again; the nodes themselves lie all over the heap).
  struct TCached_Child {
    TMaps_Tree_Node* Node;
    const TMap_Record* Map;
    int Group;  // the child's position in Cache_ when it is a group, else -1
  };
  struct TCached_Group {
    TMaps_Tree_Node* Node;
    std::vector<TCached_Child> Children;
  };
  std::vector<TCached_Group> Cache_;
  bool Cache_Valid_ = false;
  TMaps_Tree_Node* Insert_Parent_ = nullptr;
  int Insert_Row_ = 0;
  QIcon Entry_Icon_;
  QIcon Group_Icon_;
  mutable QIcon Star_Icon_;
  mutable QIcon Failed_Icon_;
  mutable QIcon Missing_Icon_;
  THistory_Keeper* History_ = nullptr;
  std::shared_ptr<const TCollection_Check> Collection_;
  QList<const TMaps_Tree_Node*> Reorder_Nodes_;
  QModelIndexList Reorder_Old_;
  int Reset_Depth_ = 0;
  bool Move_As_Reset_ = false;
};

class TUnsorted_List_Model : public QAbstractItemModel, public TUnsorted_List_Observer {
  Q_OBJECT
 public:
  TUnsorted_List_Model(TUnsorted_Maps_List& list, QObject* parent = nullptr);
  ~TUnsorted_List_Model() override;

  TUnsorted_Maps_List& List() { return List_; }
  TMap_Record* Map(const QModelIndex& index) const;
  // The row (column 0) showing the map; invalid when it is not shown.
  QModelIndex Index_Of_Map(const TMap_Record* map) const;

  // Shows only the items whose map passes the filter; an empty filter shows every item again.
  void Set_Filter(TMap_Filter filter);
  bool Filtered() const { return static_cast<bool>(Filter_); }

  // What the game knows of the archives, asked for at the first tooltip after each setting: a map
  // whose own archive another one overrides says so in its tooltip.
  using TGame_Index_Source = std::function<std::shared_ptr<const TGame_Index>()>;
  void Set_Game_Index_Source(TGame_Index_Source source);
  // What was played: the columns "Last played" and "Played", and a star at a favourite.
  void Set_History(THistory_Keeper* history) { History_ = history; }
  // Which files each map lacks: a map missing some shows a mark, its tooltip what is missing.
  void Set_Collection(std::shared_ptr<const TCollection_Check> check) {
    Collection_ = std::move(check);
  }

  QModelIndex index(int row, int column, const QModelIndex& parent = QModelIndex()) const override;
  QModelIndex parent(const QModelIndex& child) const override;
  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

  // TUnsorted_List_Observer
  void Before_Append(int first, int last) override;
  void After_Append() override;
  void Before_Reset() override;
  void After_Reset() override;
  void Before_Reorder() override;
  void After_Reorder() override;

 private:
  // The list position of a model row.
  int Item_Row(int row) const { return Filter_ ? Rows_[static_cast<std::size_t>(row)] : row; }
  void Refilter();
  void Begin_Layout();
  void End_Layout();

  TUnsorted_Maps_List& List_;
  TMap_Filter Filter_;
  std::vector<int> Rows_;
  TGame_Index_Source Game_Index_Source_;
  mutable std::shared_ptr<const TGame_Index> Game_Index_;
  THistory_Keeper* History_ = nullptr;
  std::shared_ptr<const TCollection_Check> Collection_;
  mutable QIcon Star_Icon_;
  mutable QIcon Failed_Icon_;
  mutable QIcon Missing_Icon_;
  mutable QIcon Blank_Icon_;
  QList<const TMap_Record*> Reorder_Maps_;
  QModelIndexList Reorder_Old_;
};

}  // namespace vorlix
