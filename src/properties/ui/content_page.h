#pragma once
// The page "Content" of the map properties dialog: what the collection check says of the map's
// content. Either that the game finds every file the map names, or the files it misses by kind
// (each with a place of the installation holding it outside the map's search path, and for a
// shader image the shader needing it); then the map's own files the game takes from other
// archives, and what was wrong with the map file or its archive.

#include <QWidget>
#include <string>

class QLabel;
class QTreeWidget;

namespace vorlix {

class TCollection_Check;
class TMap_Record;

class TContent_Page : public QWidget {
  Q_OBJECT
 public:
  explicit TContent_Page(QWidget* parent = nullptr);

  // Shows the check's findings for the map (on the search path of `launch_mod` when given);
  // without a check, that the check still runs.
  void Show(const TCollection_Check* check, const TMap_Record* map,
            const std::string& launch_mod = {});

  QLabel* Label_Content_Summary() const { return Label_Content_Summary_; }
  QTreeWidget* TreeWidget_Content() const { return TreeWidget_Content_; }
  QLabel* Label_Content_Problem() const { return Label_Content_Problem_; }

 private:
  QLabel* Label_Content_Summary_ = nullptr;
  QTreeWidget* TreeWidget_Content_ = nullptr;
  QLabel* Label_Content_Problem_ = nullptr;
};

}  // namespace vorlix
