#pragma once
// Undo and redo of the maps tree's changes (groups created, renamed, deleted and moved, maps
// dropped into the tree or back onto the list) while the program runs. Each step keeps the tree
// as it was before and after the change, with the open groups and the selection; going back or
// forth rebuilds the tree from that state and moves the maps between tree and list to match.
// Changes of the map records made by other commands (an arena file's import) join the same
// history as steps of their own, which set the records back and forth. The history is forgotten
// when the database is loaded again.

#include <QObject>
#include <QString>
#include <functional>
#include <string>

#include "browser/ui/browser_parts.h"
#include "browser/ui/view_state.h"

class QUndoStack;

namespace vorlix {

struct TTree_Snapshot {
  std::string Bytes;  // the tree as mapstree.dat holds it
  TView_Memory View;
};

class TTree_History : public QObject {
  Q_OBJECT
 public:
  // `context` says where the records of the restored trees come from (read at each restore).
  TTree_History(const TBrowser_Parts& parts, const TBrowser_Context& context, QObject* parent);
  ~TTree_History() override;

  QUndoStack* Stack() const { return Stack_; }
  // Runs a change of the tree; when it changed the tree, the change becomes one step named
  // `name` ("Undo <name>"). Returns what the change returned.
  bool Record(const QString& name, const std::function<bool()>& change);
  // Adds a change already made elsewhere as one step named `name`: `undo` takes it back, `redo`
  // makes it again.
  void Record_Done(const QString& name, std::function<void()> undo, std::function<void()> redo);
  void Clear();

  TTree_Snapshot Take() const;
  void Restore(const TTree_Snapshot& snapshot);

 signals:
  // A step could not be rebuilt (reported): the tree no longer matches any stored state, so
  // whoever saves it must not.
  void Restore_Failed();
  // A step was rebuilt: the selection may have changed.
  void Restored();

 private:
  TBrowser_Parts Parts_;
  const TBrowser_Context& Context_;
  QUndoStack* Stack_;
};

}  // namespace vorlix
