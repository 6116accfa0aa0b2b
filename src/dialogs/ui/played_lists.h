#pragma once
// The two lists of the history the window shows: "Recently Played" (the last launches, newest
// first) and "Play Later" (the queue, in its order, which the user can change). Enter or a double
// click launches the current row's map; the caller fills the rows and does what the buttons ask.

#include <QDialog>
#include <QStringList>
#include <functional>
#include <vector>

class QPushButton;
class QTreeWidget;

namespace vorlix {

class TPlayed_List_Dialog : public QDialog {
  Q_OBJECT

 public:
  // `queue`: the buttons that move and remove rows are there.
  TPlayed_List_Dialog(const QString& title, const QStringList& headers, bool queue,
                      QWidget* parent = nullptr);

  // The rows, each with one text per header; `current` becomes the current row.
  void Set_Rows(const std::vector<QStringList>& rows, int current = 0);
  // The current row, or -1.
  int Current_Row() const;

  // Asked to move the row by `step` (-1 up, +1 down) or to remove it; the caller changes the
  // queue and sets the rows again.
  std::function<void(int row, int step)> Move;
  std::function<void(int row)> Remove;

  QTreeWidget* Rows;
  QPushButton* Button_Launch;
  QPushButton* Button_Up = nullptr;
  QPushButton* Button_Down = nullptr;
  QPushButton* Button_Remove = nullptr;
  QPushButton* Button_Close;

 private:
  void Update_Buttons() const;
};

}  // namespace vorlix
