#pragma once
// The main window: owns the program-wide state, runs the start-up behind the splash window when
// it is first shown, and the close work when it closes. The maps browser fills it with its
// central widget, toolbar and menus.

#include <functional>
#include <memory>

#include <QList>
#include <QMainWindow>
#include <QPixmap>

#include "app/startup.h"
#include "app/ui/gui_interaction.h"

namespace vorlix::ui {

class TForm_Startbildschirm;

class TForm_Main_Vorlix : public QMainWindow {
  Q_OBJECT

 public:
  explicit TForm_Main_Vorlix(TStartup_Options options, QWidget* parent = nullptr);
  ~TForm_Main_Vorlix() override;

  // The splash window the start-up runs behind (created by the program entry after this one).
  void Setze_Startbildschirm(TForm_Startbildschirm* splash);

  TStartup& Startup() { return *Startup_; }
  TMain_State& State() { return Startup_->State(); }
  // The start-up and save steps of the other subsystems; wire them before the window is shown.
  TStartup_Steps& Steps() { return Startup_->Steps(); }
  TGui_Interaction& Interaction() { return Interaction_; }

  // Places the browser's widgets; toolbars and menus go through QMainWindow's addToolBar and
  // menuBar.
  void Setze_Hauptbereich(QWidget* widget) { setCentralWidget(widget); }

  // The toolbar pictures cut from "TOOLBAR" by the last start-up (nine 25 x 25 images).
  const QList<QPixmap>& Toolbar_Bilder() const { return Toolbar_Bilder_; }

  // True when the start-up said that the program must not run: the program entry ends without
  // running the event loop, and nothing is saved.
  bool Beenden_ohne_Speichern() const { return Beenden_ohne_Speichern_; }

  // The clock the splash window's three-second rule reads (tests replace it).
  std::function<TClock_Reading()> Clock = Read_Local_Clock;

 signals:
  // The toolbar pictures were (re)loaded by the start-up.
  void Toolbar_Bilder_geladen();

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void FormShow();
  void FormClose();

  TGui_Interaction Interaction_;
  std::unique_ptr<TStartup> Startup_;
  TForm_Startbildschirm* Splash_ = nullptr;
  QList<QPixmap> Toolbar_Bilder_;
  bool Gestartet_ = false;
  bool Beenden_ohne_Speichern_ = false;
};

}  // namespace vorlix::ui
