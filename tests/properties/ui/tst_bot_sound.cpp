// The bot sound player is a module loaded on the first sound: found beside the program it plays,
// missing it stays silent without harm.

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include "properties/ui/bot_sound.h"

namespace {

// A short silent PCM WAV file (8 kHz, 8 bit, mono).
void Write_Wav(const QString& path) {
  const QByteArray samples(800, '\x80');
  QByteArray data;
  auto u32 = [&data](quint32 v) {
    for (int i = 0; i < 4; ++i) {
      data.append(static_cast<char>((v >> (8 * i)) & 0xFF));
    }
  };
  auto u16 = [&data](quint16 v) {
    data.append(static_cast<char>(v & 0xFF));
    data.append(static_cast<char>(v >> 8));
  };
  data.append("RIFF");
  u32(36 + samples.size());
  data.append("WAVEfmt ");
  u32(16);
  u16(1);
  u16(1);
  u32(8000);
  u32(8000);
  u16(1);
  u16(8);
  data.append("data");
  u32(samples.size());
  data.append(samples);
  QFile file(path);
  QVERIFY(file.open(QIODevice::WriteOnly));
  file.write(data);
}

}  // namespace

class TBot_Sound_Test : public QObject {
  Q_OBJECT
 private slots:
  void plays_through_the_module_found_in_a_later_folder() {
    QTemporaryDir empty;
    vorlix::ui::TBot_Sound sound({empty.path(), QStringLiteral(VORLIX_SOUND_MODULE_DIR)});
    QVERIFY(!sound.Has_Player());  // nothing is loaded before the first sound
    Write_Wav(empty.filePath(QStringLiteral("major.wav")));
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
    QFile fake(empty.filePath(QStringLiteral("vorlix_sound.so")));
    QVERIFY(fake.open(QIODevice::WriteOnly));
    fake.write("not a library");
    fake.close();
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
