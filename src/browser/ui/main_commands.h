#pragma once
// The main commands of the main window: one action per command serves its toolbar button
// (`ToolBar_Vorlix`) and its item of the menu "&Vorlix" (Info: of the menu "&Help"); beside them
// Reload and the undo and redo of the tree's changes (menu "&Edit"). Availability is set here:
// the selection rules' changes and the arena rules.

#include <QObject>
#include <array>
#include <cstddef>

#include "browser/availability.h"

class QAction;
class QIcon;
class QMainWindow;
class QToolBar;
class QUndoStack;

namespace vorlix {

class TMain_Commands : public QObject {
  Q_OBJECT
 public:
  static constexpr std::size_t Count = static_cast<std::size_t>(TMain_Command::Info) + 1;

  TMain_Commands(QUndoStack& history, QObject* parent);

  QAction* Command(TMain_Command command) const {
    return Commands_[static_cast<std::size_t>(command)];
  }
  QAction* Reload_Action() const { return Reload_Action_; }
  QAction* Undo_Action() const { return Undo_Action_; }
  QAction* Redo_Action() const { return Redo_Action_; }
  // Null until the commands are installed.
  QToolBar* Tool_Bar() const { return Tool_Bar_; }

  // Adds the menus "&Vorlix", "&Edit" and "&Help" and the toolbar to a main window, with
  // `random_map` on the toolbar after Map Properties; Exit closes the window.
  void Install(QMainWindow* window, QAction* random_map);
  // A selection rule's change of the three commands that follow the selection.
  void Apply(const TCommand_Change& change);
  // The arena rules, from the counts of arena files on disk.
  void Set_Arena_Counts(int mods_with_arena_file, int most_arena_files);
  void Set_Icon(TMain_Command command, const QIcon& icon);

 private:
  std::array<QAction*, Count> Commands_{};
  QAction* Reload_Action_ = nullptr;
  QAction* Undo_Action_ = nullptr;
  QAction* Redo_Action_ = nullptr;
  QToolBar* Tool_Bar_ = nullptr;
};

}  // namespace vorlix
