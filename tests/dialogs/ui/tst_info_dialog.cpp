// The About dialog and its link labels: hover look and the addresses they open.

#include <QDesktopServices>
#include <QEnterEvent>
#include <QLabel>
#include <QPushButton>
#include <QUrl>
#include <QtTest>

#include "dialogs/ui/info_dialog.h"
#include "dialogs/ui/link_labels.h"

using namespace vorlix;

class TUrl_Catcher : public QObject {
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
    const struct {
      const char* Text;
      bool Secure;
      const char* Target;
    } cases[] = {
        {"vorlix.example.org", false, "Http://vorlix.example.org"},
        {"vorlix.example.org", true, "Https://vorlix.example.org"},
        {"hTTp://Vorlix.example.org/maps", true, "hTTp://Vorlix.example.org/maps"},
        {"HTTPS://vorlix.example.org", false, "HTTPS://vorlix.example.org"},
        {"ftp.example.org", false, "Http://ftp.example.org"},
    };
    for (const auto& c : cases) {
      THttp_Link_Label label(c.Text);
      QVERIFY(label.setProperty("SecureHttp", c.Secure));  // a designer property
      QCOMPARE(label.Target(), QString(c.Target));
    }
    QCOMPARE(TEmail_Link_Label("vorlix@example.org").Target(),
             QString("Mailto:vorlix@example.org"));
  }

  void Hover_Underlines_And_Shows_The_Hand_A_Left_Click_Opens_The_Address() {
    THttp_Link_Label web("vorlix.example.org");
    TEmail_Link_Label mail("vorlix@example.org");
    web.setCursor(Qt::IBeamCursor);
    web.show();
    mail.show();
    QEnterEvent enter(QPointF(1, 1), QPointF(1, 1), QPointF(1, 1));
    QApplication::sendEvent(&web, &enter);
    QVERIFY(web.font().underline());
    QCOMPARE(web.cursor().shape(), Qt::PointingHandCursor);
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(&web, &leave);
    QVERIFY(!web.font().underline());
    QCOMPARE(web.cursor().shape(), Qt::IBeamCursor);

    QSignalSpy clicked(&web, &TLink_Label::clicked);
    QTest::mouseClick(&web, Qt::LeftButton);
    QTest::mouseClick(&mail, Qt::LeftButton);
    QTest::mouseClick(&web, Qt::RightButton);  // only the left button opens
    QCOMPARE(clicked.count(), 1);
    QCOMPARE(Catcher.Opened.size(), 2);
    QCOMPARE(Catcher.Opened[0].toString().toLower(), QString("http://vorlix.example.org"));
    QCOMPARE(Catcher.Opened[1].scheme().toLower(), QString("mailto"));
    QCOMPARE(Catcher.Opened[1].path(), QString("vorlix@example.org"));
  }

  void About_Dialog_Shows_Its_Texts_And_Closes_With_OK() {
    TForm_Info_Dialog dialog;
    QVERIFY(dialog.Label1->text().startsWith("Vorlix Version "));
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QTest::mouseClick(dialog.Label_Web, Qt::LeftButton);
    QCOMPARE(Catcher.Opened.size(), 1);
    QCOMPARE(Catcher.Opened[0].host(), QString("vorlix.example.org"));
    QTest::keyClick(&dialog, Qt::Key_Return);
    QVERIFY(!dialog.isVisible());
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
  }

 private:
  TUrl_Catcher Catcher;
};

QTEST_MAIN(Test_Info_Dialog)
#include "tst_info_dialog.moc"
