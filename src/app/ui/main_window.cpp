#include "app/ui/main_window.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QShowEvent>
#include <QStatusBar>
#include <QThread>
#include <QTimer>

#include "app/ui/splash_window.h"
#include "core/session.h"
#include "core/ui/artwork.h"
#include "vorlix_version.h"

namespace vorlix::ui {

TForm_Main_Vorlix::TForm_Main_Vorlix(TStartup_Options options, QWidget* parent)
    : QMainWindow(parent) {
  setObjectName(QStringLiteral("Form_Main_Vorlix"));
  setWindowTitle(QStringLiteral(VORLIX_PRODUCT_NAME " " VORLIX_VERSION));
  setMinimumSize(780, 547);
  resize(780, 547);
  Zentrieren(this);
  // The commands' hints show here while the pointer rests on a menu item or a button.
  statusBar()->setObjectName(QStringLiteral("StatusBar_Vorlix"));
  statusBar()->setMinimumHeight(statusBar()->fontMetrics().height() + 8);
  Interaction_.Setze_Besitzer(this);
  TStartup_Steps steps;
  steps.Load_Toolbar_Images = [this](TMain_State&) {
    Toolbar_Bilder_ = Bilder_aus_Streifen(Toolbar_Resource, 25);
    emit Toolbar_Bilder_geladen();
  };
  Startup_ = std::make_unique<TStartup>(Interaction_, std::move(steps), std::move(options));
}

TForm_Main_Vorlix::~TForm_Main_Vorlix() = default;

void TForm_Main_Vorlix::Setze_Startbildschirm(TForm_Startbildschirm* splash) {
  Splash_ = splash;
  Interaction_.Setze_Startbildschirm(splash);
}

void TForm_Main_Vorlix::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  if (!Gestartet_ && !event->spontaneous()) {
    Gestartet_ = true;
    FormShow();
  }
}

void TForm_Main_Vorlix::FormShow() {
  const TClock_Reading start = Clock();
  if (Splash_ != nullptr) {
    Splash_->Zeigen();
  }
  bool dev_comp = false;
  const Load_Outcome outcome = Startup_->Lade(dev_comp);
  if (outcome == Load_Outcome::Stop || Session_Flags().Quit_Requested) {
    // Ends without saving; the event loop stops as soon as it runs.
    Beenden_ohne_Speichern_ = true;
    QTimer::singleShot(0, qApp, [] { QCoreApplication::exit(1); });
    return;
  }
  if (outcome == Load_Outcome::Aborted) {
    // The error was shown; the window opens with what was built, the splash stays.
    return;
  }
  if (Splash_ == nullptr) {
    return;
  }
  if (dev_comp) {
    Splash_->hide();
    return;
  }
  Splash_->Setze_Statuszeile(2, QStringLiteral("Advertising for Tolmarine..."));
  Warte_auf_Werbung(start, Clock, [] {
    QThread::msleep(20);
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
  });
  Splash_->Setze_Statuszeile(2, QString());
  Splash_->hide();
}

void TForm_Main_Vorlix::closeEvent(QCloseEvent* event) {
  FormClose();
  event->accept();
}

void TForm_Main_Vorlix::FormClose() {
  if (Gestartet_ && !Beenden_ohne_Speichern_) {
    Startup_->Schliessen();
  }
}

}  // namespace vorlix::ui
