#include <QFile>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QtTest>

#include "app/ui/splash_window.h"
#include "core/settings.h"

#include "app/ui/main_window.h"
#include "core/ui/artwork.h"

using vorlix::ui::TForm_Main_Vorlix;

namespace {

// Answers each message box when it shows with the button of the next caption, recording its
// text and the captions it offered.
class TBox_Answers : public QObject {
 public:
  explicit TBox_Answers(QStringList answers) : Answers_(std::move(answers)) {
    qApp->installEventFilter(this);
  }
  ~TBox_Answers() override { qApp->removeEventFilter(this); }
  TBox_Answers(const TBox_Answers&) = delete;
  TBox_Answers& operator=(const TBox_Answers&) = delete;

  QStringList Texts;
  QList<QStringList> Captions;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    auto* box = qobject_cast<QMessageBox*>(watched);
    if (event->type() == QEvent::Show && box != nullptr && !Answers_.isEmpty()) {
      const QString answer = Answers_.takeFirst();
      QTimer::singleShot(20, box, [this, box, answer] {
        Texts << box->text();
        QStringList offered;
        QAbstractButton* chosen = nullptr;
        for (QAbstractButton* button : box->buttons()) {
          offered << button->text();
          chosen = button->text() == answer ? button : chosen;
        }
        Captions << offered;
        if (chosen != nullptr) {
          chosen->click();
        } else {
          box->close();
        }
      });
    }
    return false;
  }

 private:
  QStringList Answers_;
};

}  // namespace

class Tst_Main_Window : public QObject {
  Q_OBJECT
  std::unique_ptr<QTemporaryDir> Config_;

 private slots:
  void init() {
    Config_ = std::make_unique<QTemporaryDir>();
    qputenv("XDG_CONFIG_HOME", Config_->path().toLocal8Bit());
  }
  void cleanup() { qunsetenv("XDG_CONFIG_HOME"); }

  void cuts_the_toolbar_pictures_from_their_strips() {
    TForm_Main_Vorlix window({});
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

  // The data folder cannot be made: one box naming it and the reason; going on read-only, the
  // title and the status bar say that nothing is saved, and the close saves nothing.
  void unwritable_data_folder_is_asked_once_and_read_only_says_so() {
    QTemporaryDir data, game;
    QVERIFY(QFile(game.filePath(QStringLiteral("quake3.exe"))).open(QIODevice::WriteOnly));
    QFile blocker(data.filePath(QStringLiteral("file")));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    const QString blocked = data.filePath(QStringLiteral("file/data"));
    vorlix::TStartup_Options options;
    options.Program_Dir = blocked.toStdString();
    options.Game_Dir = game.path().toStdString();
    TForm_Main_Vorlix window(options);
    TBox_Answers boxes({QStringLiteral("Go On Read-Only")});
    window.show();
    const QStringList& texts = boxes.Texts;
    QCOMPARE(texts.size(), 1);
    QVERIFY2(texts[0].startsWith("The data folder " + blocked + " cannot be written: "),
             qPrintable(texts[0]));
    QVERIFY(window.Startup().Read_Only());
    QVERIFY(window.windowTitle().contains(QStringLiteral("read-only")));
    auto* label = window.statusBar()->findChild<QLabel*>(QStringLiteral("Label_Read_Only"));
    QVERIFY(label != nullptr);
    QCOMPARE(label->text(), QStringLiteral("Read-only: nothing is saved"));
    window.close();
    QVERIFY(!window.Save_Failed());
    QVERIFY(!QFile::exists(QString::fromStdString(vorlix::Settings_File_Path())));
  }

  // A save that fails at the close is offered again; let go, the program says it failed.
  void failed_save_at_close_is_offered_again_and_reported() {
    QTemporaryDir data, game;
    QVERIFY(QFile(game.filePath(QStringLiteral("quake3.exe"))).open(QIODevice::WriteOnly));
    vorlix::TStartup_Options options;
    options.Program_Dir = data.path().toStdString();
    options.Game_Dir = game.path().toStdString();
    TForm_Main_Vorlix window(options);
    window.Clock = [readings = 0]() mutable { return vorlix::TClock_Reading{100 + readings++, 1}; };
    window.show();
    int attempts = 0;
    window.Steps().Save_Tree = [&attempts](vorlix::TMain_State&) { return ++attempts > 5; };
    TBox_Answers boxes({QStringLiteral("Retry"), QStringLiteral("Close Without Saving")});
    window.close();
    QCOMPARE(attempts, 2);
    QCOMPARE(boxes.Texts.size(), 2);
    QVERIFY(boxes.Texts[0].contains(data.path()));
    QVERIFY(window.Save_Failed());
  }

  // A stored game directory that is gone is named in the first box, which offers the ways on.
  void missing_game_directory_is_named_first() {
    QTemporaryDir data, gone;
    const QString stored = gone.filePath(QStringLiteral("Quake3"));
    QVERIFY(vorlix::Save_Registry_Settings(stored.toStdString()));
    vorlix::TStartup_Options options;
    options.Program_Dir = data.path().toStdString();
    TForm_Main_Vorlix window(options);
    TBox_Answers boxes({QStringLiteral("Quit")});
    window.show();
    QVERIFY(window.Quit_Without_Saving());
    QCOMPARE(boxes.Texts.size(), 1);
    QVERIFY(
        boxes.Texts[0].startsWith("The stored game directory " + stored + " no longer exists."));
    QCOMPARE(boxes.Captions.at(0),
             (QStringList{"Choose Directory...", "Search...", "Arrange Demo", "Quit"}));
    window.close();
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
