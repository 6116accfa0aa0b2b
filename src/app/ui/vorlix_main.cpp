#include <QApplication>
#include <QMainWindow>

#include "vorlix_version.h"

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  QMainWindow window;
  window.setWindowTitle(QStringLiteral(VORLIX_PRODUCT_NAME " " VORLIX_VERSION));
  window.show();
  return QApplication::exec();
}
