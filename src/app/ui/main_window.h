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
#include "core/relayed_interaction.h"

namespace vorlix::ui {

class TForm_Splash_Screen;

class TForm_Main_Vorlix : public QMainWindow {
  Q_OBJECT

 public:
  explicit TForm_Main_Vorlix(TStartup_Options options, QWidget* parent = nullptr);
  // With a start-up made before the windows, which talks to the user through `relay`: the
  // relay's calls go to this window's interaction from now on.
  TForm_Main_Vorlix(std::unique_ptr<TStartup> startup, TRelayed_Interaction& relay,
                    QWidget* parent = nullptr);
  ~TForm_Main_Vorlix() override;

  // The splash window the start-up runs behind (created by the program entry after this one).
  void Set_Splash_Screen(TForm_Splash_Screen* splash);

  TStartup& Startup() { return *Startup_; }
  TMain_State& State() { return Startup_->State(); }
  // The start-up and save steps of the other subsystems; wire them before the window is shown.
  TStartup_Steps& Steps() { return Startup_->Steps(); }
  TGui_Interaction& Interaction() { return Interaction_; }

  // Places the browser's widgets; toolbars and menus go through QMainWindow's addToolBar and
  // menuBar.
  void Set_Main_Area(QWidget* widget) { setCentralWidget(widget); }

  // The toolbar pictures cut from "TOOLBAR" by the last start-up (nine 25 x 25 images).
  const QList<QPixmap>& Toolbar_Images() const { return Toolbar_Images_; }

  // True when the start-up said that the program must not run: the program entry ends without
  // running the event loop, and nothing is saved.
  bool Quit_Without_Saving() const { return Quit_Without_Saving_; }
  // True when the close could not save what the user did: the program's exit status says so.
  bool Save_Failed() const { return Save_Failed_; }

  // The clock the splash window's three-second rule reads (tests replace it).
  std::function<TClock_Reading()> Clock = Read_Local_Clock;

 signals:
  // The toolbar pictures were (re)loaded by the start-up.
  void Toolbar_Images_Loaded();

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  // What both constructors do once the start-up is there.
  void Set_Up();
  void FormShow();
  void FormClose();
  // Title and status bar say when nothing is saved (a data folder the user goes on without).
  void Show_Read_Only_State();

  TGui_Interaction Interaction_;
  std::unique_ptr<TStartup> Startup_;
  TForm_Splash_Screen* Splash_ = nullptr;
  QList<QPixmap> Toolbar_Images_;
  bool Started_ = false;
  bool Quit_Without_Saving_ = false;
  bool Save_Failed_ = false;
};

}  // namespace vorlix::ui
