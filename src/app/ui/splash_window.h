#pragma once
// The splash window shown during the start-up, and the notice window made around a single long
// operation. Both are painted explicitly: the event loop does not run while they are up.

#include <memory>

#include <QLabel>
#include <QString>
#include <QWidget>

namespace vorlix::ui {

class TForm_Startbildschirm : public QWidget {
  Q_OBJECT

 public:
  explicit TForm_Startbildschirm(QWidget* parent = nullptr);

  // Shows the window centred on the desktop and paints it at once.
  void Zeigen();
  // Sets status line 1, 2 or 3 and paints it at once.
  void Setze_Statuszeile(int line, const QString& text);
  QString Statuszeile(int line) const;

  QLabel* Image_Logo_Vorlix;
  QLabel* Label_Statusinfo_1;
  QLabel* Label_Statusinfo_2;
  QLabel* Label_Statusinfo_3;

 private:
  QLabel* Line(int line) const;
};

// A notice window with a caption and one line of text, centred, not yet shown. The caller shows
// it, paints it, does its work and then hides and frees it. The label is named "Label_Text".
std::unique_ptr<QWidget> Erzeuge_Wartefenster(const QString& caption, const QString& text);

// Paints a window that was just shown without running the event loop for user input.
void Sofort_zeichnen(QWidget* window);

// Centres a top-level window on the screen it is on (the primary screen by default).
void Zentrieren(QWidget* window);

}  // namespace vorlix::ui
