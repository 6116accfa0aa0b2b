// The About dialog and its link labels: hover look, colours and the addresses they open.

#include <QDesktopServices>
#include <QEnterEvent>
#include <QLabel>
#include <QPushButton>
#include <QUrl>
#include <QtTest>

#include "dialogs/ui/info_dialog.h"
#include "dialogs/ui/link_labels.h"

using namespace vorlix;

class Url_Catcher : public QObject {
  Q_OBJECT

 public:
  QList<QUrl> Opened;

 public slots:
  void Open(const QUrl& url) { Opened.append(url); }
};

class Test_Info_Dialog : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    Catcher.Opened.clear();
    for (const char* scheme : {"http", "https", "mailto"}) {
      QDesktopServices::setUrlHandler(scheme, &Catcher, "Open");
    }
  }
  void cleanup() {
    for (const char* scheme : {"http", "https", "mailto"}) {
      QDesktopServices::unsetUrlHandler(scheme);
    }
  }

  void Web_Label_Adds_A_Scheme_Only_When_There_Is_None() {
    TKLR_HttpLabel label("vorlix.example.org");
    QCOMPARE(label.Target(), QString("Http://vorlix.example.org"));
    label.SecureHttp = true;
    QCOMPARE(label.Target(), QString("Https://vorlix.example.org"));
    QVERIFY(label.setProperty("SecureHttp", false));
    QCOMPARE(label.Target(), QString("Http://vorlix.example.org"));
    label.setText("hTTp://Vorlix.example.org/maps");
    QCOMPARE(label.Target(), QString("hTTp://Vorlix.example.org/maps"));
    label.setText("HTTPS://vorlix.example.org");
    label.SecureHttp = false;
    QCOMPARE(label.Target(), QString("HTTPS://vorlix.example.org"));
    label.setText("ftp.example.org");
    QCOMPARE(label.Target(), QString("Http://ftp.example.org"));

    TKLR_EmailLabel mail("vorlix@example.org");
    QCOMPARE(mail.Target(), QString("Mailto:vorlix@example.org"));
  }

  void A_Click_Opens_The_Address() {
    TKLR_HttpLabel web("vorlix.example.org");
    TKLR_EmailLabel mail("vorlix@example.org");
    web.show();
    mail.show();
    QSignalSpy clicked(&web, &TKLR_Link_Label::clicked);
    QTest::mouseClick(&web, Qt::LeftButton);
    QTest::mouseClick(&mail, Qt::LeftButton);
    QTest::mouseClick(&web, Qt::RightButton);  // only the left button opens
    QCOMPARE(clicked.count(), 1);
    QCOMPARE(Catcher.Opened.size(), 2);
    QCOMPARE(Catcher.Opened[0].toString().toLower(), QString("http://vorlix.example.org"));
    QCOMPARE(Catcher.Opened[1].scheme().toLower(), QString("mailto"));
    QCOMPARE(Catcher.Opened[1].path(), QString("vorlix@example.org"));
  }

  void Hover_Underlines_And_Shows_The_Hand() {
    TKLR_HttpLabel label("vorlix.example.org");
    label.setCursor(Qt::IBeamCursor);
    label.show();
    QEnterEvent enter(QPointF(1, 1), QPointF(1, 1), QPointF(1, 1));
    QApplication::sendEvent(&label, &enter);
    QVERIFY(label.font().underline());
    QCOMPARE(label.cursor().shape(), Qt::PointingHandCursor);
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(&label, &leave);
    QVERIFY(!label.font().underline());
    QCOMPARE(label.cursor().shape(), Qt::IBeamCursor);
  }

  void Colours_At_Creation_And_In_The_Dialog() {
    TKLR_EmailLabel mail("a@b");
    TKLR_HttpLabel web("b");
    QCOMPARE(mail.palette().color(QPalette::WindowText), QColor(0, 0, 255));
    QCOMPARE(web.palette().color(QPalette::WindowText), QColor(128, 0, 128));
    TForm_Info_Dialog dialog;
    QCOMPARE(dialog.Label_Web->palette().color(QPalette::WindowText), QColor(0, 0, 255));
    QCOMPARE(dialog.Label_e_Mail->palette().color(QPalette::WindowText), QColor(0, 0, 255));
  }

  void About_Dialog_Shows_Its_Texts_And_Closes_With_OK() {
    TForm_Info_Dialog dialog;
    QCOMPARE(dialog.windowTitle(), QString("About"));
    QVERIFY(dialog.Label1->text().startsWith("Vorlix Version "));
    QCOMPARE(dialog.Label4->text(), QString("Website:"));
    QCOMPARE(dialog.Label6->text(), QString("e-Mail:"));
    QVERIFY(dialog.Label3->text().startsWith("(") && dialog.Label3->text().endsWith(")"));
    QCOMPARE(dialog.Image_Logo_Vorlix->pixmap().size(), QSize(256, 185));
    QVERIFY(!dialog.Label_Web->SecureHttp);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QTest::mouseClick(dialog.Label_Web, Qt::LeftButton);
    QCOMPARE(Catcher.Opened.size(), 1);
    QCOMPARE(Catcher.Opened[0].host(), QString("vorlix.example.org"));
    QVERIFY(dialog.Button_OK->isDefault());
    QTest::keyClick(&dialog, Qt::Key_Return);
    QVERIFY(!dialog.isVisible());
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
  }

 private:
  Url_Catcher Catcher;
};

QTEST_MAIN(Test_Info_Dialog)
#include "tst_info_dialog.moc"
