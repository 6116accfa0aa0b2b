#pragma once
// The levelshot below the maps tree: the picture (`Image_Levelshot`, 256 x 256 on a black square
// of 260 x 260), the caption "Levelshot" with the map's long name (`Label_Levelshot_Name`), and
// the 50 ms timer (`Timer_Levelshot_Delay`) that shows the picture of the item or node
// selected last once no navigation key is held any more.

#include <QPersistentModelIndex>
#include <QWidget>
#include <functional>
#include <string>

class QLabel;
class QTimer;

namespace vorlix {

class TMap_Record;
class TMaps_Tree_Model;
class TPK3_Record_Store;
class TUnsorted_List_Model;

class TLevelshot_Preview : public QWidget {
  Q_OBJECT
 public:
  TLevelshot_Preview(const TMaps_Tree_Model& tree, const TUnsorted_List_Model& list,
                     QWidget* parent);

  // Where the pictures come from; null shows nothing.
  void Set_Source(const TPK3_Record_Store* database, std::string levelshots_dir,
                  std::string gfx_dir);
  // True while a navigation key is held in the tree or the list: the picture waits.
  std::function<bool()> Navigation_Key_Held;

  // The pending source: a node of the tree model or an item of the list model (the other one is
  // forgotten); the timer starts unless it runs.
  void Schedule(const QModelIndex& index);
  // Forgets the pending source (a running timer then shows nothing).
  void Forget_Pending() { Pending_ = QPersistentModelIndex(); }
  // Forgets the pending source and stops the timer; the picture shown stays.
  void Cancel();
  // As Cancel, and forgets the map shown (before the records it refers to are discarded).
  void Clear();

  // Shows the levelshot of a map with its long name.
  void Show_Levelshot(const TMap_Record& map);
  void Timer_Levelshot_DelayTimer();

  QLabel* Image() const { return Image_; }
  QLabel* Name() const { return Name_; }
  QTimer* Timer() const { return Timer_; }
  // The map whose levelshot is shown (the one carrying it), or null, and the picture's path.
  const TMap_Record* Shown_Map() const { return Shown_Map_; }
  const std::string& Shown_Path() const { return Shown_Path_; }

 private:
  void Show_White();

  const TMaps_Tree_Model& Tree_Model_;
  const TUnsorted_List_Model& List_Model_;
  const TPK3_Record_Store* Database_ = nullptr;
  std::string Levelshots_Dir_;
  std::string Gfx_Dir_;
  QLabel* Image_ = nullptr;
  QLabel* Name_ = nullptr;
  QTimer* Timer_ = nullptr;
  QPersistentModelIndex Pending_;
  const TMap_Record* Shown_Map_ = nullptr;
  std::string Shown_Path_;
};

}  // namespace vorlix
