#include "app/ui/splash_window.h"

#include <QApplication>
#include <QGuiApplication>
#include <QPalette>
#include <QPixmap>
#include <QScreen>

#include "core/ui/artwork.h"

namespace vorlix::ui {

namespace {

constexpr Qt::WindowFlags Fixed_Window_Without_Buttons =
    Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::MSWindowsFixedSizeDialogHint;
// The splash: no frame and no buttons; the window manager neither decorates nor moves it.
constexpr Qt::WindowFlags Splash_Screen = Qt::SplashScreen | Qt::FramelessWindowHint;

QLabel* Make_Status_Label(QWidget* parent, int top) {
  auto* label = new QLabel(parent);
  label->setGeometry(0, top, 256, 13);
  label->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
  QFont font = QApplication::font();
  font.setPointSize(8);
  label->setFont(font);
  QPalette palette = label->palette();
  palette.setColor(QPalette::WindowText, Qt::black);
  label->setPalette(palette);
  label->setAutoFillBackground(false);
  return label;
}

}  // namespace

void Centre_On_Screen(QWidget* window) {
  QScreen* screen =
      window->screen() != nullptr ? window->screen() : QGuiApplication::primaryScreen();
  if (screen == nullptr) {
    return;
  }
  const QRect area = screen->availableGeometry();
  window->move(area.x() + (area.width() - window->width()) / 2,
               area.y() + (area.height() - window->height()) / 2);
}

void Paint_Now(QWidget* window) {
  // Let the window system map and expose the window; user input stays queued.
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
  window->repaint();
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

TForm_Splash_Screen::TForm_Splash_Screen(QWidget* parent) : QWidget(parent, Splash_Screen) {
  setObjectName(QStringLiteral("Form_Splash_Screen"));
  setWindowTitle(QStringLiteral("Loading..."));
  setFixedSize(256, 256);
  Load_Resources();
  Image_Logo_Vorlix = new QLabel(this);
  Image_Logo_Vorlix->setObjectName(QStringLiteral("Image_Logo_Vorlix"));
  Image_Logo_Vorlix->setGeometry(0, 0, 256, 256);
  Image_Logo_Vorlix->setPixmap(QPixmap(Logo_Resource));
  Label_Status_Info_1 = Make_Status_Label(this, 195);
  Label_Status_Info_1->setObjectName(QStringLiteral("Label_Status_Info_1"));
  Label_Status_Info_2 = Make_Status_Label(this, 225);
  Label_Status_Info_2->setObjectName(QStringLiteral("Label_Status_Info_2"));
  Label_Status_Info_3 = Make_Status_Label(this, 237);
  Label_Status_Info_3->setObjectName(QStringLiteral("Label_Status_Info_3"));
  Centre_On_Screen(this);
}

void TForm_Splash_Screen::Show_Splash() {
  Centre_On_Screen(this);
  show();
  raise();
  Paint_Now(this);
}

QLabel* TForm_Splash_Screen::Line(int line) const {
  switch (line) {
    case 1:
      return Label_Status_Info_1;
    case 2:
      return Label_Status_Info_2;
    case 3:
      return Label_Status_Info_3;
    default:
      return nullptr;
  }
}

void TForm_Splash_Screen::Set_Status_Line(int line, const QString& text) {
  QLabel* label = Line(line);
  if (label == nullptr) {
    return;
  }
  label->setText(text);
  label->repaint();
}

QString TForm_Splash_Screen::Status_Line_Text(int line) const {
  const QLabel* label = Line(line);
  return label != nullptr ? label->text() : QString();
}

std::unique_ptr<QWidget> Make_Wait_Window(const QString& caption, const QString& text) {
  auto window = std::make_unique<QWidget>(nullptr, Fixed_Window_Without_Buttons);
  window->setWindowTitle(caption);
  auto* label = new QLabel(text, window.get());
  label->setObjectName(QStringLiteral("Label_Text"));
  label->adjustSize();
  // The window is 1.3 times as wide and 4 times as high as its text, fractions dropped.
  const int width = static_cast<int>(label->width() * 1.3);
  const int height = label->height() * 4;
  window->setFixedSize(width, height);
  label->move((width - label->width()) / 2, (height - label->height()) / 2);
  Centre_On_Screen(window.get());
  return window;
}

}  // namespace vorlix::ui
