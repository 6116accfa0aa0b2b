#include "browser/maps_tree.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <unordered_map>

#include <sys/stat.h>

#include "browser/map_set.h"
#include "browser/unsorted_list.h"
#include "core/case_lookup.h"
#include "core/fs_routines.h"
#include "core/interaction.h"
#include "core/letter_case.h"
#include "core/paths.h"
#include "database/records.h"
#include "database/stream.h"

namespace vorlix {

// ---- nodes ------------------------------------------------------------------------------------

TMaps_Tree_Node::~TMaps_Tree_Node() {
  std::vector<std::unique_ptr<TMaps_Tree_Node>> pending = std::move(Children_);
  while (!pending.empty()) {
    std::unique_ptr<TMaps_Tree_Node> node = std::move(pending.back());
    pending.pop_back();
    for (auto& child : node->Children_) {
      pending.push_back(std::move(child));
    }
    node->Children_.clear();
  }
}

int TMaps_Tree_Node::Index_Of(const TMaps_Tree_Node* child) const {
  for (std::size_t i = 0; i < Children_.size(); ++i) {
    if (Children_[i].get() == child) {
      return static_cast<int>(i);
    }
  }
  return -1;
}

bool TMaps_Tree_Node::Is_Descendant_Of(const TMaps_Tree_Node* ancestor) const {
  for (const TMaps_Tree_Node* node = Parent_; node != nullptr; node = node->Parent_) {
    if (node == ancestor) {
      return true;
    }
  }
  return false;
}

std::string Map_Entry_Text(const TMap_Record& map) {
  return platform::Upper(Remove_Extension(map.MAP_Filename));
}

// ---- the tree ---------------------------------------------------------------------------------

TMaps_Tree::TMaps_Tree() = default;
TMaps_Tree::~TMaps_Tree() = default;

void TMaps_Tree::Clear() {
  if (Observer != nullptr) {
    Observer->Before_Reset();
  }
  Selected_ = nullptr;
  {
    TMaps_Tree_Node old(true, std::string());
    old.Children_ = std::move(Top_.Children_);
    Top_.Children_.clear();
  }
  if (Observer != nullptr) {
    Observer->After_Reset();
  }
}

// NOLINTNEXTLINE(readability-make-member-function-const): changes the tree through its nodes
void TMaps_Tree::Insert_Child(TMaps_Tree_Node* parent, int row,
                              std::unique_ptr<TMaps_Tree_Node> node) {
  if (Observer != nullptr) {
    Observer->Before_Insert(parent, row);
  }
  node->Parent_ = parent;
  parent->Children_.insert(parent->Children_.begin() + row, std::move(node));
  if (Observer != nullptr) {
    Observer->After_Insert();
  }
}

TMaps_Tree_Node* TMaps_Tree::Create_Node(bool group, const std::string& text) {
  TMaps_Tree_Node* parent = Selected_;
  if (parent != nullptr && parent->Is_Map_Entry()) {
    parent = parent->Parent_;
    Selected_ = parent == &Top_ ? nullptr : parent;
  }
  if (parent == nullptr) {
    // Nothing selected: the single-root file format wants every node below the root group.
    parent = Root() != nullptr ? Root() : &Top_;
  }
  auto node = std::make_unique<TMaps_Tree_Node>(group, text);
  TMaps_Tree_Node* result = node.get();
  Insert_Child(parent, group ? 0 : parent->Child_Count(), std::move(node));
  Sort();
  return result;
}

TMaps_Tree_Node* TMaps_Tree::Make_Group(const std::string& name) {
  return Create_Node(true, name);
}

TMaps_Tree_Node* TMaps_Tree::Make_Plain_Entry(const std::string& text) {
  return Create_Node(false, text);
}

TGroup_Of_Maps TMaps_Tree::Make_Group_Of_Maps(const std::string& name,
                                              const std::vector<TMap_Record*>& maps) {
  TGroup_Of_Maps made;
  TMaps_Tree_Node* root = Root();
  if (root == nullptr) {
    return made;
  }
  TMap_Set placed;
  For_Each([&placed](const TMaps_Tree_Node& node, int /*depth*/) {
    if (node.Is_Map_Entry() && node.Map != nullptr) {
      placed.Insert(node.Map);
    }
  });
  std::vector<TMap_Record*> taken;
  for (TMap_Record* map : maps) {
    if (placed.Contains(map)) {
      made.Sorted_Elsewhere.push_back(map);
    } else {
      taken.push_back(map);
    }
  }
  if (taken.empty()) {
    return made;
  }
  TMaps_Tree_Node* const selected = Selected_;
  Selected_ = root;
  made.Group = Make_Group(name);
  Drop_List_Items(made.Group, taken);
  Selected_ = selected;
  return made;
}

bool TMaps_Tree::Delete_Node(TMaps_Tree_Node* node) {
  if (node == nullptr || node == &Top_ || node->Parent_ == nullptr || Is_Top_Level(node)) {
    return false;
  }
  // The maps of the subtree go back to the list in displayed order.
  if (List != nullptr) {
    List->Begin_Append();
    std::vector<const TMaps_Tree_Node*> stack{node};
    while (!stack.empty()) {
      const TMaps_Tree_Node* current = stack.back();
      stack.pop_back();
      if (current->Is_Map_Entry()) {
        if (current->Map != nullptr) {
          List->Add_Map_Item(current->Map);
        }
        continue;
      }
      for (int i = current->Child_Count() - 1; i >= 0; --i) {
        stack.push_back(current->Child(i));
      }
    }
    List->End_Append();
  }
  if (Selected_ == node || (Selected_ != nullptr && Selected_->Is_Descendant_Of(node))) {
    Selected_ = nullptr;
  }
  TMaps_Tree_Node* parent = node->Parent_;
  const int row = parent->Index_Of(node);
  if (Observer != nullptr) {
    Observer->Before_Remove(parent, row);
  }
  std::unique_ptr<TMaps_Tree_Node> removed =
      std::move(parent->Children_[static_cast<std::size_t>(row)]);
  parent->Children_.erase(parent->Children_.begin() + row);
  if (Observer != nullptr) {
    Observer->After_Remove();
  }
  removed.reset();
  return true;
}

namespace {

template <typename Match>
bool Any_Entry_Below(const TMaps_Tree_Node* group, Match match) {
  if (group == nullptr) {
    return false;
  }
  std::vector<const TMaps_Tree_Node*> stack;
  for (int i = group->Child_Count() - 1; i >= 0; --i) {
    stack.push_back(group->Child(i));
  }
  while (!stack.empty()) {
    const TMaps_Tree_Node* node = stack.back();
    stack.pop_back();
    if (node->Is_Map_Entry()) {
      if (match(*node)) {
        return true;
      }
      continue;
    }
    for (int i = node->Child_Count() - 1; i >= 0; --i) {
      stack.push_back(node->Child(i));
    }
  }
  return false;
}

}  // namespace

bool TMaps_Tree::Group_Is_Not_Empty(const TMaps_Tree_Node* group) {
  return Any_Entry_Below(group, [](const TMaps_Tree_Node&) { return true; });
}

bool TMaps_Tree::Group_Has_Maps_For_Arena_File(const TMaps_Tree_Node* group) {
  return Any_Entry_Below(group, [](const TMaps_Tree_Node& node) {
    return node.Map != nullptr && node.Map->Allow_Include_In_Arena_File;
  });
}

bool TMaps_Tree::Can_Edit(const TMaps_Tree_Node* node) const {
  return node != nullptr && node->Is_Group() && node != &Top_ && !Is_Top_Level(node);
}

bool TMaps_Tree::Rename(TMaps_Tree_Node* node, const std::string& text) {
  if (!Can_Edit(node)) {
    return false;
  }
  node->Text = text;
  if (Observer != nullptr) {
    Observer->Text_Changed(node);
  }
  Sort();
  return true;
}

bool TMaps_Tree::Sibling_Less(const TMaps_Tree_Node& a, const TMaps_Tree_Node& b) {
  if (a.Is_Group() != b.Is_Group()) {
    return a.Is_Group();
  }
  if (a.Is_Group()) {
    // std::string compares its bytes as unsigned characters.
    return a.Text < b.Text;
  }
  return false;
}

void TMaps_Tree::Sort_Silently() {
  std::vector<TMaps_Tree_Node*> stack{&Top_};
  while (!stack.empty()) {
    TMaps_Tree_Node* node = stack.back();
    stack.pop_back();
    auto& children = node->Children_;
    // Already in order is the usual case; sorting only when needed keeps large groups cheap.
    const auto less = [](const std::unique_ptr<TMaps_Tree_Node>& a,
                         const std::unique_ptr<TMaps_Tree_Node>& b) {
      return Sibling_Less(*a, *b);
    };
    if (!std::is_sorted(children.begin(), children.end(), less)) {
      std::stable_sort(children.begin(), children.end(), less);
    }
    for (auto& child : children) {
      if (child->Is_Group() && !child->Children_.empty()) {
        stack.push_back(child.get());
      }
    }
  }
}

void TMaps_Tree::Sort() {
  if (Observer != nullptr) {
    Observer->Before_Reorder();
  }
  Sort_Silently();
  if (Observer != nullptr) {
    Observer->After_Reorder();
  }
}

// ---- drag and drop ------------------------------------------------------------------------------

bool TMaps_Tree::Accepts_Tree_Drop(const TMaps_Tree_Node* dragged, const TMaps_Tree_Node* target) {
  return dragged != nullptr && target != nullptr && !target->Is_Descendant_Of(dragged);
}

std::vector<TMaps_Tree_Node*> TMaps_Tree::Drop_List_Items(TMaps_Tree_Node* target,
                                                          const std::vector<TMap_Record*>& maps) {
  std::vector<TMaps_Tree_Node*> created;
  if (target == nullptr || target == &Top_) {
    return created;
  }
  TMap_Set moved;
  for (TMap_Record* map : maps) {
    if (!moved.Insert(map)) {
      continue;
    }
    auto node = std::make_unique<TMaps_Tree_Node>(false, Remove_Extension(map->MAP_Filename));
    node->Map = map;
    TMaps_Tree_Node* entry = node.get();
    if (target->Is_Group()) {
      Insert_Child(target, target->Child_Count(), std::move(node));
    } else {
      TMaps_Tree_Node* parent = target->Parent_;
      Insert_Child(parent, parent->Index_Of(target), std::move(node));
    }
    created.push_back(entry);
    Selected_ = entry;
  }
  if (List != nullptr && !moved.Empty()) {
    List->Remove_Maps(moved);
  }
  Sort();
  return created;
}

bool TMaps_Tree::Drop_On_List(TMaps_Tree_Node* dragged) {
  if (!Accepts_Drop_On_List(dragged) || !Delete_Node(dragged)) {
    return false;
  }
  if (List != nullptr) {
    List->Sort();
  }
  return true;
}

bool TMaps_Tree::Stands_Below(const TMaps_Tree_Node* a, const TMaps_Tree_Node* b) {
  if (a == b) {
    return false;
  }
  // Paths of child positions from the top; pre-order is their lexicographic order.
  const auto path = [](const TMaps_Tree_Node* node) {
    std::vector<int> rows;
    for (; node->Parent_ != nullptr; node = node->Parent_) {
      rows.push_back(node->Row());
    }
    std::reverse(rows.begin(), rows.end());
    return rows;
  };
  return path(b) < path(a);
}

// NOLINTNEXTLINE(readability-make-member-function-const): changes the tree through its nodes
void TMaps_Tree::Move_Node(TMaps_Tree_Node* node, TMaps_Tree_Node* new_parent, int row) {
  TMaps_Tree_Node* old_parent = node->Parent_;
  const int old_row = old_parent->Index_Of(node);
  if (old_parent == new_parent && (row == old_row || row == old_row + 1)) {
    return;  // already there
  }
  if (Observer != nullptr) {
    Observer->Before_Move(old_parent, old_row, new_parent, row);
  }
  std::unique_ptr<TMaps_Tree_Node> owned =
      std::move(old_parent->Children_[static_cast<std::size_t>(old_row)]);
  old_parent->Children_.erase(old_parent->Children_.begin() + old_row);
  if (old_parent == new_parent && old_row < row) {
    --row;
  }
  owned->Parent_ = new_parent;
  new_parent->Children_.insert(new_parent->Children_.begin() + row, std::move(owned));
  if (Observer != nullptr) {
    Observer->After_Move();
  }
}

bool TMaps_Tree::Drop_Tree_Node(TMaps_Tree_Node* dragged, TMaps_Tree_Node* target) {
  if (!Accepts_Tree_Drop(dragged, target) || dragged == &Top_ || target == &Top_) {
    return false;
  }
  if (dragged == target) {
    return true;  // onto itself: nothing changes
  }
  if (target->Is_Map_Entry()) {
    TMaps_Tree_Node* parent = target->Parent_;
    const int target_row = parent->Index_Of(target);
    if (Stands_Below(dragged, target)) {
      Move_Node(dragged, parent, target_row);
    } else if (target_row + 1 < parent->Child_Count()) {
      Move_Node(dragged, parent, target_row + 1);
    } else {
      Move_Node(dragged, parent, parent->Child_Count());
    }
  } else {
    Move_Node(dragged, target, target->Child_Count());
  }
  Sort();
  return true;
}

// ---- the tree file ------------------------------------------------------------------------------

std::string TMaps_Tree::Serialize() const {
  TByte_Writer writer;
  const TMaps_Tree_Node* root = Root();
  if (root == nullptr) {
    return std::string();
  }
  std::vector<const TMaps_Tree_Node*> stack{root};
  while (!stack.empty()) {
    const TMaps_Tree_Node* node = stack.back();
    stack.pop_back();
    writer.Write_Integer(Record_Version);
    if (node->Is_Group()) {
      writer.Write_Byte(1);
      writer.Write_Integer(node->Child_Count());
      writer.Write_String(node->Text);
      // Children from the last to the first: the first child goes on the stack first.
      for (int i = 0; i < node->Child_Count(); ++i) {
        stack.push_back(node->Child(i));
      }
    } else {
      writer.Write_Byte(0);
      writer.Write_Integer(node->Map != nullptr ? node->Map->ID : -1);
      writer.Write_Integer(node->Map != nullptr && node->Map->PK3 != nullptr ? node->Map->PK3->ID
                                                                             : -1);
    }
  }
  return writer.Data();
}

TResult<void> TMaps_Tree::Save_Tree_File(const std::string& path) const {
  try {
    Write_File_Atomically(path, Serialize());
    return {};
  } catch (const TStream_Error& error) {
    return TFailure{"Error saving map information: " + std::string(error.what()) + ". " + path +
                    " keeps its previous content."};
  }
}

namespace {

// The fewest bytes a node record takes: version, kind, map ID and pk3 ID of a map entry.
constexpr std::size_t Min_Record_Size = 4 + 1 + 4 + 4;

std::string Format_Index_Message(int pk3_index, int map_index) {
  char buffer[160];
  std::snprintf(buffer, sizeof buffer,
                "Map with index %d / %d not found in database. Map will be removed from Maps Tree.",
                pk3_index, map_index);
  return buffer;
}

}  // namespace

// Children are stored from the last to the first; read in file order, they are reversed once.
void TMaps_Tree::Restore_Displayed_Order(TMaps_Tree_Node* group) {
  std::reverse(group->Children_.begin(), group->Children_.end());
}

bool Show_Tree_Load_Report(const TTree_Load_Report& report, TInteraction& interaction) {
  for (const std::string& note : report.Notes) {
    interaction.Message(TMessage_Kind::Information, note, TAnswer_Set::OK);
  }
  if (!report.Ok()) {
    interaction.Message(TMessage_Kind::Error, report.Error, TAnswer_Set::Cancel);
  }
  return report.Ok();
}

TTree_Load_Report TMaps_Tree::Load_From_Bytes(const std::string& data,
                                              const TPK3_Record_Store& database) {
  return Take_Reading(Read_File_Bytes(data, database));
}

TTree_File_Reading TMaps_Tree::Read_File_Bytes(std::string data,
                                               const TPK3_Record_Store& database) {
  TTree_File_Reading reading;
  reading.File_Found = true;
  TMaps_Tree_Node* const top = reading.Top.get();
  // Archive positions by ID (the first record with an ID, as a look-up from the front finds it).
  std::unordered_map<std::int32_t, int> pk3_positions;
  pk3_positions.reserve(static_cast<std::size_t>(database.Count()));
  for (int i = database.Count() - 1; i >= 0; --i) {
    pk3_positions[database.Items(i)->ID] = i;
  }
  TMap_Set& placed = reading.Placed;
  std::vector<std::string>& notes = reading.Notes;

  struct TFrame {
    TMaps_Tree_Node* Group;
    std::int64_t Remaining;
  };
  std::vector<TFrame> stack;
  TByte_Reader reader(std::move(data));
  bool ok = true;
  bool root_read = false;
  try {
    while (!root_read || !stack.empty()) {
      if (root_read && stack.back().Remaining <= 0) {
        Restore_Displayed_Order(stack.back().Group);
        stack.pop_back();
        continue;
      }
      TMaps_Tree_Node* parent = root_read ? stack.back().Group : top;
      if (root_read) {
        --stack.back().Remaining;
      }
      root_read = true;
      if (reader.Read_Integer() != Record_Version) {
        ok = false;
        break;
      }
      const bool group = reader.Read_Byte() != 0;
      if (group) {
        const std::int32_t count = reader.Read_Integer();
        std::string name = reader.Read_String();
        // A count the rest of the file cannot hold, a negative one included, is damage.
        if (count < 0 || static_cast<std::size_t>(count) > reader.Remaining() / Min_Record_Size) {
          ok = false;
          break;
        }
        auto node = std::make_unique<TMaps_Tree_Node>(true, std::move(name));
        TMaps_Tree_Node* created = node.get();
        node->Parent_ = parent;
        parent->Children_.push_back(std::move(node));
        if (count > 0) {
          stack.push_back({created, count});
        }
        continue;
      }
      const std::int32_t map_id = reader.Read_Integer();
      const std::int32_t pk3_id = reader.Read_Integer();
      if (parent == top) {
        ok = false;  // the file holds one root group, never a map entry at the top
        break;
      }
      const auto found_pk3 = pk3_positions.find(pk3_id);
      const int pk3_index = found_pk3 == pk3_positions.end() ? -1 : found_pk3->second;
      const TPK3_Record* pk3 = pk3_index >= 0 ? database.Items(pk3_index) : nullptr;
      const int map_index = pk3 != nullptr && pk3->Maps ? pk3->Maps->Index_Of_ID(map_id) : -1;
      TMap_Record* map = map_index >= 0 ? pk3->Maps->Items(map_index) : nullptr;
      if (map == nullptr) {
        notes.push_back(Format_Index_Message(pk3_index, map_index));
        continue;
      }
      if (placed.Contains(map)) {
        continue;  // a map stands in the tree only once; the first place counts
      }
      const std::string text = Map_Entry_Text(*map);
      if (!map->Present || !pk3->Present) {
        notes.push_back("Couldn't find a corresponding bsp-file for " + text +
                        ". Map will be removed from Maps Tree.");
        continue;
      }
      placed.Insert(map);
      auto node = std::make_unique<TMaps_Tree_Node>(false, text);
      node->Map = map;
      node->Parent_ = parent;
      parent->Children_.push_back(std::move(node));
    }
    if (ok && !reader.At_End()) {
      ok = false;  // bytes after the root's subtree belong to no record
    }
  } catch (const TStream_Error&) {
    ok = false;  // the file ends before its records do
  }
  for (const TFrame& frame : stack) {
    Restore_Displayed_Order(frame.Group);
  }
  reading.Ok = ok && top->Child_Count() == 1;
  return reading;
}

TTree_Load_Report TMaps_Tree::Take_Reading(TTree_File_Reading reading) {
  if (Observer != nullptr) {
    Observer->Before_Reset();
  }
  TMaps_Tree_Observer* observer = Observer;
  Observer = nullptr;  // one reset covers the whole load
  Clear();
  for (auto& node : reading.Top->Children_) {
    node->Parent_ = &Top_;
    Top_.Children_.push_back(std::move(node));
  }
  reading.Top->Children_.clear();
  const bool ok = reading.Ok;
  const std::string problem = std::move(reading.Problem);

  Sort_Silently();
  Selected_ = Root();
  if (List != nullptr && !reading.Placed.Empty()) {
    List->Remove_Maps(reading.Placed);
  }
  Observer = observer;
  if (Observer != nullptr) {
    Observer->After_Reset();
  }
  // The caller shows the report once the tree is complete again, so that nothing repaints a
  // half-built tree.
  TTree_Load_Report report;
  report.Notes = std::move(reading.Notes);
  if (!ok) {
    report.Error = problem.empty() ? std::string(
                                         "Error loading map information. "
                                         "Incompatible file format.")
                                   : "Error loading map information: " + problem +
                                         ". Vorlix stops without changing any of its files.";
  }
  return report;
}

namespace {

// A tree file that is there but cannot be read (a FIFO, a device, a directory, no permission,
// too large) is damage: the tree would otherwise start empty and replace it at the next save.
TTree_File_Reading Read_Tree_Path(const std::string& path, const TPK3_Record_Store& database) {
  std::string data;
  try {
    data = Read_Whole_File(path);
  } catch (const TStream_Error& error) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 && errno == ENOENT) {
      return TMaps_Tree::Read_File_Bytes({}, database);  // gone meanwhile: as an empty file
    }
    TTree_File_Reading reading;
    reading.File_Found = true;
    reading.Ok = false;
    reading.Problem = error.what();
    return reading;
  }
  return TMaps_Tree::Read_File_Bytes(std::move(data), database);
}

}  // namespace

TTree_Load_Report TMaps_Tree::Load_Tree_File(const std::string& path,
                                             const TPK3_Record_Store& database) {
  return Take_Reading(Read_Tree_Path(path, database));
}

std::string Tree_File_Path(const std::string& program_dir) {
  if (auto existing = platform::Resolve_Ignore_Case(program_dir, Tree_File_Name)) {
    return *existing;
  }
  return platform::Join(program_dir, Tree_File_Name);
}

TTree_File_Reading Read_Tree_File(const std::string& program_dir,
                                  const TPK3_Record_Store& database) {
  const auto existing = platform::Resolve_Ignore_Case(program_dir, Tree_File_Name);
  if (!existing) {
    return {};
  }
  return Read_Tree_Path(*existing, database);
}

TTree_Load_Report Initialise_Maps_Tree(TMaps_Tree& tree, const std::string& program_dir,
                                       const TPK3_Record_Store& database,
                                       std::unique_ptr<TTree_File_Reading> read_ahead) {
  tree.Clear();
  tree.Make_Group(Root_Group_Name);
  TTree_File_Reading reading =
      read_ahead ? std::move(*read_ahead) : Read_Tree_File(program_dir, database);
  if (reading.File_Found) {
    return tree.Take_Reading(std::move(reading));
  }
  return {};
}

std::vector<TMap_Record*> Maps_Of_Group(const TMaps_Tree_Node& group) {
  std::vector<TMap_Record*> maps;
  std::vector<const TMaps_Tree_Node*> pending{&group};
  while (!pending.empty()) {
    const TMaps_Tree_Node* node = pending.back();
    pending.pop_back();
    if (node->Is_Map_Entry()) {
      if (node->Map != nullptr) {
        maps.push_back(node->Map);
      }
      continue;
    }
    for (int i = node->Child_Count() - 1; i >= 0; --i) {
      pending.push_back(node->Child(i));
    }
  }
  return maps;
}

}  // namespace vorlix
