#pragma once
// The maps tree: one root group ("Arenas"), user groups nested to any depth and map entries that
// refer to map records of the database without owning them. Every walk over the tree is
// iterative, so a tree nested arbitrarily deep never exhausts the stack.
//
// mapstree.dat is the root node record followed by the records of its subtree in pre-order, the
// children of a group written from the last to the first. Node record: version (32-bit,
// Record_Version), kind (1 byte: 1 group, 0 map entry), then for a group its child count (32-bit)
// and name (string), for a map entry its map ID and pk3 ID (32-bit each).

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "browser/map_set.h"
#include "core/result.h"

namespace vorlix {

class TInteraction;
class TMap_Record;
class TPK3_Record_Store;
class TUnsorted_Maps_List;

inline constexpr const char* Root_Group_Name = "Arenas";
inline constexpr const char* New_Group_Name = "New Group";
inline constexpr const char* Tree_File_Name = "mapstree.dat";

class TMaps_Tree_Node {
 public:
  TMaps_Tree_Node(bool group, std::string text) : Text(std::move(text)), Group_(group) {}
  ~TMaps_Tree_Node();  // iterative: a deep subtree is released without recursion
  TMaps_Tree_Node(const TMaps_Tree_Node&) = delete;
  TMaps_Tree_Node& operator=(const TMaps_Tree_Node&) = delete;

  std::string Text;
  TMap_Record* Map = nullptr;  // the map of a map entry; none for a group

  bool Is_Group() const { return Group_; }
  bool Is_Map_Entry() const { return !Group_; }
  // The parent group; for a top-level node the tree's invisible holder (see TMaps_Tree::Top).
  TMaps_Tree_Node* Parent() const { return Parent_; }
  int Child_Count() const { return static_cast<int>(Children_.size()); }
  TMaps_Tree_Node* Child(int index) const {
    return Children_.at(static_cast<std::size_t>(index)).get();
  }
  // Position of a direct child, or -1.
  int Index_Of(const TMaps_Tree_Node* child) const;
  // Position within the parent, or -1 for the holder.
  int Row() const { return Parent_ != nullptr ? Parent_->Index_Of(this) : -1; }
  // True when this node lies strictly below `ancestor`.
  bool Is_Descendant_Of(const TMaps_Tree_Node* ancestor) const;

 private:
  friend class TMaps_Tree;
  bool Group_;
  TMaps_Tree_Node* Parent_ = nullptr;
  std::vector<std::unique_ptr<TMaps_Tree_Node>> Children_;
};

// Told about every change of the tree's structure, so that a view can follow it. Each Before_ call
// is followed by its After_ call; nothing else changes in between.
class TMaps_Tree_Observer {
 public:
  virtual ~TMaps_Tree_Observer() = default;
  virtual void Before_Insert(TMaps_Tree_Node* /*parent*/, int /*row*/) {}
  virtual void After_Insert() {}
  virtual void Before_Remove(TMaps_Tree_Node* /*parent*/, int /*row*/) {}
  virtual void After_Remove() {}
  // `to_row` counts positions before the move (a node lands in front of the node there).
  virtual void Before_Move(TMaps_Tree_Node* /*from_parent*/, int /*from_row*/,
                           TMaps_Tree_Node* /*to_parent*/, int /*to_row*/) {}
  virtual void After_Move() {}
  virtual void Before_Reorder() {}
  virtual void After_Reorder() {}
  virtual void Before_Reset() {}
  virtual void After_Reset() {}
  virtual void Text_Changed(TMaps_Tree_Node* /*node*/) {}
};

// A tree file read and its entries looked up in the records, not yet in a tree. Reading only
// reads the records, so it may run on any thread while nothing changes them; a tree takes the
// result on the thread that shows it (TMaps_Tree::Take_Reading).
struct TTree_File_Reading {
  bool File_Found = false;  // the program directory holds a tree file
  // Holds the nodes read, as the tree's invisible holder would.
  std::unique_ptr<TMaps_Tree_Node> Top = std::make_unique<TMaps_Tree_Node>(true, std::string());
  TMap_Set Placed;                 // the maps that have an entry
  std::vector<std::string> Notes;  // boxes about maps left out, in file order
  bool Ok = true;                  // false: the file is damaged or of another version
  std::string Problem;             // why a file that is there could not be read at all
};

// A group made of a list of maps, and the maps of the list that stay where they are sorted.
struct TGroup_Of_Maps {
  TMaps_Tree_Node* Group = nullptr;  // none when no map was left for it
  std::vector<TMap_Record*> Sorted_Elsewhere;
};

// What a load of the tree found, for the caller to show.
struct TTree_Load_Report {
  std::vector<std::string> Notes;  // one per map left out, in file order
  std::string Error;               // why the load failed (damage, another version); empty: loaded
  bool Ok() const { return Error.empty(); }
};
// Shows the notes, then the error, through the interaction; returns report.Ok().
bool Show_Tree_Load_Report(const TTree_Load_Report& report, TInteraction& interaction);

class TMaps_Tree {
 public:
  TMaps_Tree();
  ~TMaps_Tree();
  TMaps_Tree(const TMaps_Tree&) = delete;
  TMaps_Tree& operator=(const TMaps_Tree&) = delete;

  // The list that takes maps back when entries are deleted and gives them up when they are
  // placed in the tree; may be null.
  TUnsorted_Maps_List* List = nullptr;
  TMaps_Tree_Observer* Observer = nullptr;

  // The invisible holder of the top-level nodes (never shown, never saved).
  TMaps_Tree_Node* Top() { return &Top_; }
  const TMaps_Tree_Node* Top() const { return &Top_; }
  // The root group: the first top-level node, or null when the tree is empty.
  TMaps_Tree_Node* Root() const {
    return Top_.Children_.empty() ? nullptr : Top_.Children_.front().get();
  }
  bool Is_Top_Level(const TMaps_Tree_Node* node) const {
    return node != nullptr && node->Parent_ == &Top_;
  }

  TMaps_Tree_Node* Selected() const { return Selected_; }
  void Select(TMaps_Tree_Node* node) { Selected_ = node; }

  // Removes every node.
  void Clear();

  // A new group as the first child of the selected node (of its parent group when an entry is
  // selected; below the root group when nothing is selected; top-level in an empty tree). The
  // tree is re-sorted; the new node is returned, not selected.
  TMaps_Tree_Node* Make_Group(const std::string& name);
  // A new map entry without map as the last child of the selected node (same rules).
  TMaps_Tree_Node* Make_Plain_Entry(const std::string& text);
  // A new group below the root group with an entry for each map not sorted into a group yet,
  // in the given order (a map given twice gets one entry); the maps leave the list. A map stands
  // in the tree only once: one sorted already keeps its place. The tree is re-sorted and the
  // selection stays. No group is made when no map is left, or in a tree without root group.
  TGroup_Of_Maps Make_Group_Of_Maps(const std::string& name, const std::vector<TMap_Record*>& maps);
  // Removes a node with its subtree; the maps of all removed entries go back to the list (in
  // displayed order, appended; the caller sorts the list). A top-level node is never removed.
  // False when nothing was removed.
  bool Delete_Node(TMaps_Tree_Node* node);
  // True when a map entry lies below the group at any depth.
  static bool Group_Is_Not_Empty(const TMaps_Tree_Node* group);
  // True when a map entry whose map may be included in arena files lies below the group.
  static bool Group_Has_Maps_For_Arena_File(const TMaps_Tree_Node* group);

  // Name editing is allowed for a group that is not top-level.
  bool Can_Edit(const TMaps_Tree_Node* node) const;
  // Takes the new text of a group as typed and re-sorts. False when editing is not allowed.
  bool Rename(TMaps_Tree_Node* node, const std::string& text);

  // The sibling comparison: groups before map entries, groups in byte-wise order of their names,
  // map entries equal (their order stays).
  static bool Sibling_Less(const TMaps_Tree_Node& a, const TMaps_Tree_Node& b);
  // Stable sort of the children of every group.
  void Sort();

  // ---- drag and drop ----
  // Items dragged from the unsorted list may be dropped onto any node.
  static bool Accepts_List_Drop(const TMaps_Tree_Node* target) { return target != nullptr; }
  // A node of the tree may be dropped onto any node that is not below it.
  static bool Accepts_Tree_Drop(const TMaps_Tree_Node* dragged, const TMaps_Tree_Node* target);
  // Moves the maps (with their entry texts) from the list into the tree: onto a group as its last
  // children, onto a map entry directly in front of it. The last new entry becomes the selected
  // node; the maps leave the list; the tree is re-sorted. Returns the new entries.
  std::vector<TMaps_Tree_Node*> Drop_List_Items(TMaps_Tree_Node* target,
                                                const std::vector<TMap_Record*>& maps);
  // Moves a node (with its subtree) onto the target: onto a map entry in front of it when the
  // node stands below it in displayed order, otherwise behind it; onto a group as its last child.
  // Re-sorts. False when the drop is refused.
  bool Drop_Tree_Node(TMaps_Tree_Node* dragged, TMaps_Tree_Node* target);
  // Only a map entry of the tree may be dropped onto the unsorted list.
  static bool Accepts_Drop_On_List(const TMaps_Tree_Node* dragged) {
    return dragged != nullptr && dragged->Is_Map_Entry();
  }
  // Drop of the tree's map entry onto the list: the entry is deleted (its map is listed again)
  // and the list re-sorted. False when refused.
  bool Drop_On_List(TMaps_Tree_Node* dragged);
  // Moves a node to a new parent in front of the node at `row` (row == child count: at the end).
  void Move_Node(TMaps_Tree_Node* node, TMaps_Tree_Node* new_parent, int row);
  // True when `a` comes after `b` in displayed (pre-order) order.
  static bool Stands_Below(const TMaps_Tree_Node* a, const TMaps_Tree_Node* b);

  // ---- the tree file ----
  // The bytes of mapstree.dat for the tree (empty when the tree is empty).
  std::string Serialize() const;
  // Writes the tree to the file; when it cannot be written, the previous file stays as it was
  // and the result carries the message for the user.
  TResult<void> Save_Tree_File(const std::string& path) const;
  // Clears the tree and rebuilds it from the bytes of a tree file, looking maps up in the
  // database. Entries whose map is unknown or gone are reported and left out. A record of another
  // version, or a file ending before its records do, is reported as incompatible: the report
  // carries the error, and the caller keeps the stored files as they are.
  TTree_Load_Report Load_From_Bytes(const std::string& data, const TPK3_Record_Store& database);
  TTree_Load_Report Load_Tree_File(const std::string& path, const TPK3_Record_Store& database);
  // The two halves of Load_From_Bytes: the bytes read into nodes, and those nodes made the tree
  // (with the list's items of the placed maps removed and the reading's notes reported).
  static TTree_File_Reading Read_File_Bytes(std::string data, const TPK3_Record_Store& database);
  TTree_Load_Report Take_Reading(TTree_File_Reading reading);

  // Walks every node in pre-order (displayed order), calling `visit` with each node and its depth
  // (0 for top-level nodes).
  template <typename Visit>
  void For_Each(Visit visit) const;

 private:
  TMaps_Tree_Node* Create_Node(bool group, const std::string& text);
  void Insert_Child(TMaps_Tree_Node* parent, int row, std::unique_ptr<TMaps_Tree_Node> node);
  void Sort_Silently();
  static void Restore_Displayed_Order(TMaps_Tree_Node* group);

  TMaps_Tree_Node Top_{true, std::string()};
  TMaps_Tree_Node* Selected_ = nullptr;
};

// The program directory's mapstree.dat read against the records (File_Found false without one;
// one that cannot be read, or is no regular file of a sane size, is damage with its Problem).
TTree_File_Reading Read_Tree_File(const std::string& program_dir,
                                  const TPK3_Record_Store& database);
// The tree's start-up step: an empty tree with the root group "Arenas", replaced by the stored
// tree when the program directory holds mapstree.dat (read here, or given as read ahead by
// Read_Tree_File). The report is that load's.
TTree_Load_Report Initialise_Maps_Tree(TMaps_Tree& tree, const std::string& program_dir,
                                       const TPK3_Record_Store& database,
                                       std::unique_ptr<TTree_File_Reading> read_ahead = nullptr);
// The path of the tree file in the program directory (the existing file's spelling, if any).
std::string Tree_File_Path(const std::string& program_dir);

// Text of a map entry: the map's file name without extension, upper case.
std::string Map_Entry_Text(const TMap_Record& map);

template <typename Visit>
void TMaps_Tree::For_Each(Visit visit) const {
  std::vector<std::pair<const TMaps_Tree_Node*, int>> stack;
  for (int i = Top_.Child_Count() - 1; i >= 0; --i) {
    stack.emplace_back(Top_.Child(i), 0);
  }
  while (!stack.empty()) {
    auto [node, depth] = stack.back();
    stack.pop_back();
    visit(*node, depth);
    for (int i = node->Child_Count() - 1; i >= 0; --i) {
      stack.emplace_back(node->Child(i), depth + 1);
    }
  }
}

// The maps of a group and its sub-groups at any depth, in the tree's displayed order.
std::vector<TMap_Record*> Maps_Of_Group(const TMaps_Tree_Node& group);

}  // namespace vorlix
