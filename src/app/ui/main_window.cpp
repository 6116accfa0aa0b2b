#include "app/ui/main_window.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QLabel>
#include <QShowEvent>
#include <QStatusBar>
#include <QThread>
#include <QTimer>

#include "app/ui/splash_window.h"
#include "core/ui/artwork.h"
#include "vorlix_version.h"

namespace vorlix::ui {

TForm_Main_Vorlix::TForm_Main_Vorlix(TStartup_Options options, QWidget* parent)
    : QMainWindow(parent) {
  Startup_ = std::make_unique<TStartup>(Interaction_, TStartup_Steps{}, std::move(options));
  Set_Up();
}

TForm_Main_Vorlix::TForm_Main_Vorlix(std::unique_ptr<TStartup> startup, TRelayed_Interaction& relay,
                                     QWidget* parent)
    : QMainWindow(parent), Startup_(std::move(startup)) {
  relay.Set_Target(Interaction_);
  Set_Up();
}

void TForm_Main_Vorlix::Set_Up() {
  setObjectName(QStringLiteral("Form_Main_Vorlix"));
  setWindowTitle(QStringLiteral(VORLIX_PRODUCT_NAME " " VORLIX_VERSION));
  setMinimumSize(780, 547);
  resize(780, 547);
  Centre_On_Screen(this);
  // The commands' hints show here while the pointer rests on a menu item or a button.
  statusBar()->setObjectName(QStringLiteral("StatusBar_Vorlix"));
  statusBar()->setMinimumHeight(statusBar()->fontMetrics().height() + 8);
  Interaction_.Set_Owner(this);
  Startup_->Steps().Load_Artwork = [this](TMain_State&) {
    Toolbar_Images_ = Images_From_Strip(Toolbar_Resource, 25);
    emit Toolbar_Images_Loaded();
  };
}

TForm_Main_Vorlix::~TForm_Main_Vorlix() = default;

void TForm_Main_Vorlix::Set_Splash_Screen(TForm_Splash_Screen* splash) {
  Splash_ = splash;
  Interaction_.Set_Splash_Screen(splash);
}

void TForm_Main_Vorlix::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  if (!Started_ && !event->spontaneous()) {
    Started_ = true;
    FormShow();
  }
}

void TForm_Main_Vorlix::FormShow() {
  const TClock_Reading start = Clock();
  if (Splash_ != nullptr) {
    Splash_->Show_Splash();
  }
  bool dev_comp = false;
  const TLoad_Outcome outcome = Startup_->Load(dev_comp);
  Show_Read_Only_State();
  // What the start-up found for the user to read (archives that cannot be read) comes once the
  // window stands filled.
  QTimer::singleShot(0, this, [this] {
    if (!Quit_Without_Saving_) {
      Startup_->Show_Reports();
    }
  });
  if (outcome == TLoad_Outcome::Stop || outcome == TLoad_Outcome::End) {
    // Ends without saving; the event loop stops as soon as it runs.
    Quit_Without_Saving_ = true;
    QTimer::singleShot(0, qApp, [] { QCoreApplication::exit(1); });
    return;
  }
  if (outcome == TLoad_Outcome::Aborted) {
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
  Splash_->Set_Status_Line(2, QStringLiteral("Advertising for Tolmarine..."));
  Wait_For_Splash_Time(start, Clock, [] {
    QThread::msleep(20);
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
  });
  Splash_->Set_Status_Line(2, QString());
  Splash_->hide();
}

void TForm_Main_Vorlix::closeEvent(QCloseEvent* event) {
  FormClose();
  event->accept();
}

void TForm_Main_Vorlix::Show_Read_Only_State() {
  auto* label = findChild<QLabel*>(QStringLiteral("Label_Read_Only"));
  if (!Startup_->Read_Only()) {
    return;
  }
  setWindowTitle(QStringLiteral(VORLIX_PRODUCT_NAME " " VORLIX_VERSION " (read-only)"));
  if (label == nullptr) {
    label = new QLabel(this);
    label->setObjectName(QStringLiteral("Label_Read_Only"));
    label->setStyleSheet(QStringLiteral("QLabel { color: #a00000; font-weight: bold; }"));
    statusBar()->insertPermanentWidget(0, label);
  }
  label->setText(QStringLiteral("Read-only: nothing is saved"));
  label->setToolTip(
      QStringLiteral("The data folder cannot be written. Changes made in this window "
                     "are lost when it closes."));
}

void TForm_Main_Vorlix::FormClose() {
  if (Started_ && !Quit_Without_Saving_) {
    Save_Failed_ = !Startup_->Close();
  }
}

}  // namespace vorlix::ui
