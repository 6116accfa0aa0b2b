#include <QLabel>
#include <QScreen>
#include <QtTest>

#include "app/ui/splash_window.h"

using vorlix::ui::Make_Wait_Window;
using vorlix::ui::TForm_Splash_Screen;

class Tst_Splash_Window : public QObject {
  Q_OBJECT

 private slots:
  void splash_is_centred_with_three_status_lines() {
    TForm_Splash_Screen splash;
    splash.Show_Splash();
    const QRect screen = splash.screen()->availableGeometry();
    QVERIFY(qAbs(splash.frameGeometry().center().x() - screen.center().x()) <= 1);
    QVERIFY(qAbs(splash.frameGeometry().center().y() - screen.center().y()) <= 1);
    splash.Set_Status_Line(2, QStringLiteral("Advertising for Tolmarine..."));
    QCOMPARE(splash.Label_Status_Info_2->text(), QStringLiteral("Advertising for Tolmarine..."));
    QCOMPARE(splash.Status_Line_Text(2), QStringLiteral("Advertising for Tolmarine..."));
    splash.Set_Status_Line(4, QStringLiteral("ignored"));
    QVERIFY(splash.Status_Line_Text(1).isEmpty() && splash.Status_Line_Text(3).isEmpty());
  }

  void notice_window_holds_its_text_and_grows_with_it() {
    for (const QString& text :
         {QStringLiteral("Looking for Quake 3 Arena directory..."), QStringLiteral("x"),
          QStringLiteral("Opening pk3-file a_rather_long_archive_name_"
                         "that_makes_a_wide_window.pk3")}) {
      auto window = Make_Wait_Window(QStringLiteral("Please wait"), text);
      auto* label = window->findChild<QLabel*>(QStringLiteral("Label_Text"));
      QVERIFY(label != nullptr);
      QCOMPARE(label->text(), text);
      QCOMPARE(window->windowTitle(), QStringLiteral("Please wait"));
      QVERIFY(!window->isVisible());
      QVERIFY(!(window->windowFlags() & Qt::WindowCloseButtonHint));
      QVERIFY(window->rect().contains(label->geometry()));
      QCOMPARE(window->minimumSize(), window->maximumSize());
      QVERIFY(text.size() < 50 || window->width() > 300);  // the long text makes a wide window
    }
  }
};

QTEST_MAIN(Tst_Splash_Window)
#include "tst_splash_window.moc"
