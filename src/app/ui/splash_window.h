#pragma once
// The splash window shown during the start-up, and the notice window made around a single long
// operation. Both are painted explicitly: the event loop does not run while they are up.

#include <memory>

#include <QLabel>
#include <QString>
#include <QWidget>

namespace vorlix::ui {

class TForm_Splash_Screen : public QWidget {
  Q_OBJECT

 public:
  explicit TForm_Splash_Screen(QWidget* parent = nullptr);

  // Shows the window centred on the desktop and paints it at once.
  void Show_Splash();
  // Sets status line 1, 2 or 3 and paints it at once.
  void Set_Status_Line(int line, const QString& text);
  QString Status_Line_Text(int line) const;

  QLabel* Image_Logo_Vorlix;
  QLabel* Label_Status_Info_1;
  QLabel* Label_Status_Info_2;
  QLabel* Label_Status_Info_3;

 private:
  QLabel* Line(int line) const;
};

// A notice window with a caption and one line of text, centred, not yet shown. The caller shows
// it, paints it, does its work and then hides and frees it. The label is named "Label_Text".
std::unique_ptr<QWidget> Make_Wait_Window(const QString& caption, const QString& text);

// Paints a window that was just shown without running the event loop for user input.
void Paint_Now(QWidget* window);

// Centres a top-level window on the screen it is on (the primary screen by default).
void Centre_On_Screen(QWidget* window);

}  // namespace vorlix::ui
