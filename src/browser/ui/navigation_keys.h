#pragma once
// The navigation keys held down in a view (Up, Down, Page Up, Page Down, Home, End): while one is
// held the levelshot waits, so that scrolling through many maps stays fluid.

#include <QKeyEvent>
#include <set>

namespace vorlix {

class THeld_Navigation_Keys {
 public:
  static bool Is_Navigation_Key(int key) {
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

  // A key pressed or released in the view; a repeated press means the key is still held.
  void Key_Event(const QKeyEvent& event) {
    if (!Is_Navigation_Key(event.key()) || event.isAutoRepeat()) {
      return;
    }
    if (event.type() == QEvent::KeyPress) {
      Keys_.insert(event.key());
    } else {
      Keys_.erase(event.key());
    }
  }

  bool Held() const { return !Keys_.empty(); }
  void Clear() { Keys_.clear(); }

 private:
  std::set<int> Keys_;
};

}  // namespace vorlix
