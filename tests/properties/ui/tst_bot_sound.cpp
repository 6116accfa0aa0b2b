// The bot sound player is a module loaded on the first sound: found beside the program it plays,
// missing it stays silent without harm.

#include <QTemporaryDir>
#include <QtTest>

#include "builders.h"
#include "properties/ui/bot_sound.h"

class TBot_Sound_Test : public QObject {
  Q_OBJECT
 private slots:
  void plays_through_the_module_found_in_a_later_folder() {
    QTemporaryDir empty;
    vorlix::ui::TBot_Sound sound({empty.path(), QStringLiteral(VORLIX_SOUND_MODULE_DIR)});
    QVERIFY(!sound.Has_Player());  // nothing is loaded before the first sound
    vorlix::testing::Write_File(empty.filePath(QStringLiteral("major.wav")).toStdString(),
                                vorlix::testing::Silent_Wav());
    sound.Play(empty.filePath(QStringLiteral("major.wav")));
    QVERIFY(sound.Has_Player());
    sound.Play(empty.filePath(QStringLiteral("major.wav")));
    // The file is read on Qt Multimedia's own thread; it must not outlive the test's files.
    QTRY_VERIFY_WITH_TIMEOUT(!sound.Loading(), 10000);
    sound.Stop();
  }

  void stays_silent_without_the_module() {
    QTemporaryDir empty;
    // A file of the module's name that is not a library is passed over too.
    vorlix::testing::Write_File(empty.filePath(QStringLiteral("vorlix_sound.so")).toStdString(),
                                "not a library");
    vorlix::ui::TBot_Sound sound({empty.path()});
    QTest::failOnWarning(QRegularExpression(QStringLiteral(".*")));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("sound module")));
    sound.Play(empty.filePath(QStringLiteral("major.wav")));
    QVERIFY(!sound.Has_Player());
    sound.Play(empty.filePath(QStringLiteral("major.wav")));  // tried once, warned once
    sound.Stop();
  }
};

QTEST_MAIN(TBot_Sound_Test)
#include "tst_bot_sound.moc"
