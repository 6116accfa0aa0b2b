// A window program with nothing of its own: a main window with a menu bar, a tool bar, a list
// and a status bar, closed as soon as the event loop is idle and ended at once, the way
// `vorlix --quit-after-startup` starts and ends. bench/run measures it beside the window program:
// what Qt's own start costs on the machine.

#include <cstdio>
#include <cstdlib>

#include <QApplication>
#include <QListWidget>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  QMainWindow window;
  window.menuBar()->addMenu(QStringLiteral("&File"))->addAction(QStringLiteral("E&xit"));
  window.addToolBar(QStringLiteral("Commands"))->addAction(QStringLiteral("Start"));
  auto* list = new QListWidget(&window);
  list->addItem(QStringLiteral("q3dm1"));
  window.setCentralWidget(list);
  window.statusBar()->showMessage(QStringLiteral("Ready"));
  window.resize(780, 547);
  window.show();
  QTimer::singleShot(0, &window, &QWidget::close);
  const int status = QApplication::exec();
  std::fflush(nullptr);
  std::_Exit(status);
}
