#include <QLabel>
#include <QtTest>

#include "app/ui/splash_window.h"

using vorlix::ui::Erzeuge_Wartefenster;
using vorlix::ui::TForm_Startbildschirm;

class Tst_Splash_Window : public QObject {
  Q_OBJECT

 private slots:
  void splash_has_fixed_size_logo_and_three_status_lines() {
    TForm_Startbildschirm splash;
    QCOMPARE(splash.windowTitle(), QStringLiteral("Loading..."));
    QCOMPARE(splash.size(), QSize(256, 256));
    QCOMPARE(splash.minimumSize(), QSize(256, 256));
    QCOMPARE(splash.maximumSize(), QSize(256, 256));
    QVERIFY(!splash.isVisible());
    const Qt::WindowFlags flags = splash.windowFlags();
    QVERIFY(!(flags & Qt::WindowCloseButtonHint));
    QVERIFY(!(flags & Qt::WindowMinimizeButtonHint));
    QVERIFY(!(flags & Qt::WindowMaximizeButtonHint));
    QCOMPARE(splash.Image_Logo_Vorlix->geometry(), QRect(0, 0, 256, 256));
    QVERIFY(!splash.Image_Logo_Vorlix->pixmap().isNull());
    QCOMPARE(splash.Image_Logo_Vorlix->pixmap().size(), QSize(256, 256));
    const int tops[] = {195, 225, 237};
    QLabel* labels[] = {splash.Label_Statusinfo_1, splash.Label_Statusinfo_2,
                        splash.Label_Statusinfo_3};
    for (int i = 0; i < 3; ++i) {
      QCOMPARE(labels[i]->geometry(), QRect(0, tops[i], 256, 13));
      QVERIFY(labels[i]->alignment() & Qt::AlignHCenter);
      QCOMPARE(labels[i]->font().pointSize(), 8);
      QVERIFY(labels[i]->text().isEmpty());
    }
    splash.Setze_Statuszeile(2, QStringLiteral("Advertising for Tolmarine..."));
    QCOMPARE(splash.Statuszeile(2), QStringLiteral("Advertising for Tolmarine..."));
    QCOMPARE(splash.Label_Statusinfo_2->text(), QStringLiteral("Advertising for Tolmarine..."));
    splash.Setze_Statuszeile(4, QStringLiteral("ignored"));
    QVERIFY(splash.Statuszeile(1).isEmpty());
  }

  void notice_window_follows_the_size_rule() {
    const QString texts[] = {QStringLiteral("Looking for Quake 3 Arena directory..."),
                             QStringLiteral("x"),
                             QStringLiteral("Opening pk3-file a_rather_long_archive_name_"
                                            "that_makes_a_wide_window.pk3")};
    int previous_width = -1;
    for (const QString& text : texts) {
      auto window = Erzeuge_Wartefenster(QStringLiteral("Please wait"), text);
      auto* label = window->findChild<QLabel*>(QStringLiteral("Label_Text"));
      QVERIFY(label != nullptr);
      QCOMPARE(label->text(), text);
      QCOMPARE(window->windowTitle(), QStringLiteral("Please wait"));
      QVERIFY(!window->isVisible());
      QVERIFY(!(window->windowFlags() & Qt::WindowCloseButtonHint));
      QCOMPARE(window->width(), static_cast<int>(label->width() * 1.3));
      QCOMPARE(window->height(), label->height() * 4);
      QCOMPARE(label->x(), (window->width() - label->width()) / 2);
      QCOMPARE(label->y(), (window->height() - label->height()) / 2);
      QCOMPARE(window->minimumSize(), window->maximumSize());
      previous_width = window->width();
    }
    QVERIFY(previous_width > 300);  // the long text made a wide window
  }
};

QTEST_MAIN(Tst_Splash_Window)
#include "tst_splash_window.moc"
