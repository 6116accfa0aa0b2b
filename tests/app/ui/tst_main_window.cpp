#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include "app/ui/splash_window.h"
#include "core/settings.h"

#include "app/ui/main_window.h"
#include "core/ui/artwork.h"
#include "vorlix_version.h"

using vorlix::ui::TForm_Main_Vorlix;

class Tst_Main_Window : public QObject {
  Q_OBJECT
  std::unique_ptr<QTemporaryDir> Config_;

 private slots:
  void init() {
    Config_ = std::make_unique<QTemporaryDir>();
    qputenv("XDG_CONFIG_HOME", Config_->path().toLocal8Bit());
  }
  void cleanup() { qunsetenv("XDG_CONFIG_HOME"); }

  void opens_at_its_minimum_size_and_cuts_the_toolbar_pictures() {
    TForm_Main_Vorlix window({});
    QCOMPARE(window.windowTitle(), QStringLiteral("Vorlix " VORLIX_VERSION));
    QCOMPARE(window.size(), QSize(780, 547));
    QCOMPARE(window.minimumSize(), QSize(780, 547));

    // Nine pictures of the strip, magenta transparent.
    QSignalSpy loaded(&window, &TForm_Main_Vorlix::Toolbar_Images_Loaded);
    window.Steps().Load_Artwork(window.State());
    QCOMPARE(loaded.count(), 1);
    QCOMPARE(window.Toolbar_Images().size(), 9);
    for (const QPixmap& picture : window.Toolbar_Images()) {
      QCOMPARE(picture.size(), QSize(25, 25));
      const QImage image = picture.toImage();
      QCOMPARE(qAlpha(image.pixel(0, 0)), 0);      // the corner is background
      QCOMPARE(qAlpha(image.pixel(12, 12)), 255);  // the middle is drawn
    }
    const auto tree = vorlix::ui::Images_From_Strip(vorlix::ui::Tree_Resource, 16);
    QCOMPARE(tree.size(), 2);
    QCOMPARE(tree[0].size(), QSize(16, 16));
    QVERIFY(vorlix::ui::Images_From_Strip(QStringLiteral(":/missing.bmp"), 25).isEmpty());
  }

  void show_runs_start_up_behind_splash_and_close_saves() {
    QTemporaryDir data, game;
    QFile exe(game.filePath(QStringLiteral("quake3.exe")));
    QVERIFY(exe.open(QIODevice::WriteOnly));
    exe.close();
    QVERIFY(QDir(data.path()).mkpath(QStringLiteral("TEMP/left")));

    vorlix::TStartup_Options options;
    options.Program_Dir = data.path().toStdString();
    options.Game_Dir = game.path().toStdString();
    TForm_Main_Vorlix window(options);
    vorlix::ui::TForm_Splash_Screen splash;
    window.Set_Splash_Screen(&splash);
    int readings = 0;
    QString line_during_wait;
    window.Clock = [&] {
      if (readings == 1) {
        line_during_wait = splash.Status_Line_Text(2);
      }
      return vorlix::TClock_Reading{100 + readings++, 3};
    };
    window.show();
    QVERIFY(!window.Quit_Without_Saving());
    QCOMPARE(line_during_wait, QStringLiteral("Advertising for Tolmarine..."));
    QVERIFY(readings >= 4);  // waited for three whole seconds of the clock
    QVERIFY(!splash.isVisible());
    QVERIFY(splash.Status_Line_Text(2).isEmpty());
    QCOMPARE(window.Toolbar_Images().size(), 9);
    QVERIFY(!QDir(data.filePath(QStringLiteral("TEMP"))).exists());

    QDir().mkpath(data.filePath(QStringLiteral("TEMP")));
    window.close();
    QCOMPARE(QString::fromStdString(vorlix::Load_Registry_Settings().Q3A_Dir), game.path());
    QVERIFY(!QDir(data.filePath(QStringLiteral("TEMP"))).exists());
  }

  void failed_start_up_ends_without_saving() {
    QTemporaryDir data, empty_root;
    vorlix::TStartup_Options options;
    options.Program_Dir = data.path().toStdString();
    options.Game_Dir = data.path().toStdString();  // no QUAKE3.EXE there
    options.Search_Roots = {empty_root.path().toStdString()};
    TForm_Main_Vorlix window(options);
    vorlix::ui::TForm_Splash_Screen splash;
    window.Set_Splash_Screen(&splash);
    // The error box is answered as soon as it opens.
    QTimer::singleShot(200, [] {
      if (QWidget* box = QApplication::activeModalWidget()) {
        box->close();
      }
    });
    window.show();
    QVERIFY(window.Quit_Without_Saving());
    QVERIFY(splash.isVisible());  // stays until the application has quit
    window.close();
    QVERIFY(!QFile::exists(QString::fromStdString(vorlix::Settings_File_Path())));
  }
};

QTEST_MAIN(Tst_Main_Window)
#include "tst_main_window.moc"
