#include "browser/ui/tree_history.h"

#include <QUndoStack>
#include <unordered_set>

#include "browser/maps_tree.h"
#include "browser/unsorted_list.h"

namespace vorlix {

namespace {

class TTree_Step : public QUndoCommand {
 public:
  TTree_Step(TTree_History& history, const QString& name, TTree_Snapshot before,
             TTree_Snapshot after)
      : QUndoCommand(name),
        History_(history),
        Before_(std::move(before)),
        After_(std::move(after)) {}

  void undo() override { History_.Restore(Before_); }
  void redo() override {
    if (Done_) {
      History_.Restore(After_);
    }
    Done_ = true;  // the change itself was made before the step was pushed
  }

 private:
  TTree_History& History_;
  TTree_Snapshot Before_;
  TTree_Snapshot After_;
  bool Done_ = false;
};

class TDone_Step : public QUndoCommand {
 public:
  TDone_Step(const QString& name, std::function<void()> undo, std::function<void()> redo)
      : QUndoCommand(name), Undo_(std::move(undo)), Redo_(std::move(redo)) {}

  void undo() override { Undo_(); }
  void redo() override {
    if (Done_) {
      Redo_();
    }
    Done_ = true;  // the change itself was made before the step was pushed
  }

 private:
  std::function<void()> Undo_;
  std::function<void()> Redo_;
  bool Done_ = false;
};

std::unordered_set<TMap_Record*> Maps_In(const TMaps_Tree& tree) {
  std::unordered_set<TMap_Record*> maps;
  tree.For_Each([&maps](const TMaps_Tree_Node& node, int /*depth*/) {
    if (node.Map != nullptr) {
      maps.insert(node.Map);
    }
  });
  return maps;
}

}  // namespace

TTree_History::TTree_History(const TBrowser_Parts& parts, const TBrowser_Context& context,
                             QObject* parent)
    : QObject(parent), Parts_(parts), Context_(context), Stack_(new QUndoStack(this)) {}

TTree_History::~TTree_History() = default;

bool TTree_History::Record(const QString& name, const std::function<bool()>& change) {
  TTree_Snapshot before = Take();
  const bool result = change();
  TTree_Snapshot after = Take();
  if (after.Bytes != before.Bytes) {
    Stack_->push(new TTree_Step(*this, name, std::move(before), std::move(after)));
  }
  return result;
}

void TTree_History::Record_Done(const QString& name, std::function<void()> undo,
                                std::function<void()> redo) {
  Stack_->push(new TDone_Step(name, std::move(undo), std::move(redo)));
}

void TTree_History::Clear() {
  Stack_->clear();
}

TTree_Snapshot TTree_History::Take() const {
  return {Parts_.Tree.Serialize(), Remember_View(Parts_)};
}

void TTree_History::Restore(const TTree_Snapshot& snapshot) {
  if (Context_.Database == nullptr || Context_.Interaction == nullptr) {
    return;
  }
  TMaps_Tree& tree = Parts_.Tree;
  TUnsorted_Maps_List& list = Parts_.List;
  const std::unordered_set<TMap_Record*> placed_before = Maps_In(tree);
  // The load takes the maps it places out of the list; those that leave the tree go back to it.
  const TTree_Load_Report report = tree.Load_From_Bytes(snapshot.Bytes, *Context_.Database);
  const std::unordered_set<TMap_Record*> placed_after = Maps_In(tree);
  list.Begin_Append();
  for (TMap_Record* map : placed_before) {
    if (placed_after.count(map) == 0 && list.Index_Of(map) < 0) {
      list.Add_Map_Item(map);
    }
  }
  list.End_Append();
  list.Sort();
  Restore_View(Parts_, snapshot.View, false);
  emit Restored();
  if (!Show_Tree_Load_Report(report, *Context_.Interaction)) {
    emit Restore_Failed();
  }
}

}  // namespace vorlix
