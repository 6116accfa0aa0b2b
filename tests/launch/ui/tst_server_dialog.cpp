// The "Host Server" dialog, offscreen: the MODs offered, the defaults, the rotation with the maps
// left out, and when its start button is enabled.

#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>
#include <deque>

#include "builders.h"
#include "database/game_index.h"
#include "database/records.h"
#include "launch/engine_profiles.h"
#include "launch/ui/server_dialog.h"

using namespace vorlix;

class Tst_Server_Dialog : public QObject {
  Q_OBJECT

 private:
  std::deque<TMap_Record> Maps;
  QTemporaryDir Config;
  TMap_Record* Map(const char* file, std::vector<std::string> mods, std::uint8_t types) {
    TMap_Record& map = Maps.emplace_back();
    map.MAP_Filename = file;
    map.Useable_MODs = std::move(mods);
    map.Game_Types = types;
    map.Limits_Time = 10;
    return &map;
  }

 private slots:
  // The engines and programs the dialog offers come from settings of the test's own.
  void initTestCase() { qputenv("XDG_CONFIG_HOME", Config.path().toLocal8Bit()); }
  // A caption with a mnemonic shows it underlined only with a buddy; without one the ampersand
  // is shown as it stands.
  void everyCaptionWithAMnemonicHasABuddy() {
    TForm_Host_Server dialog;
    int captions = 0;
    for (const QLabel* label : dialog.findChildren<QLabel*>()) {
      if (label->text().contains(QLatin1Char('&'))) {
        QVERIFY2(label->buddy() != nullptr, qPrintable(label->text()));
        ++captions;
      }
    }
    QVERIFY(captions >= 8);
  }

  void offersTheMODsAndEnablesStartOnlyWithARotation() {
    TMap_Record* duel = Map("Q3TOURNEY2.BSP", {"baseq3"}, GT_Tournament | GT_Free_For_All);
    TMap_Record* dm = Map("Q3DM1.BSP", {"baseq3", "osp"}, GT_Free_For_All);
    TForm_Host_Server dialog;
    dialog.Load({duel, dm}, {"BASEQ3", "MISSIONPACK", "OSP"}, "/usr/games/openarena-server");
    QCOMPARE(dialog.MOD_Box()->count(), 2);
    QCOMPARE(dialog.Type_Box()->currentText(), QStringLiteral("Free For All"));
    QCOMPARE(dialog.Rotation_List()->count(), 2);
    QVERIFY(dialog.Button_OK()->isEnabled());
    QCOMPARE(dialog.Settings().Time_Limit, 10);
    QCOMPARE(dialog.Server_Exe(), std::string("/usr/games/openarena-server"));

    dialog.MOD_Box()->setCurrentIndex(1);
    QCOMPARE(dialog.Rotation_List()->count(), 1);
    QCOMPARE(dialog.Left_Out_List()->item(0)->text(),
             QStringLiteral("q3tourney2: not usable with OSP"));
    dialog.Type_Box()->setCurrentText(QStringLiteral("Capture The Flag"));
    QCOMPARE(dialog.Rotation_List()->count(), 0);
    QVERIFY(!dialog.Button_OK()->isEnabled());
    dialog.Type_Box()->setCurrentText(QStringLiteral("Tournament"));
    dialog.MOD_Box()->setCurrentIndex(0);
    // Another MOD brings its own defaults: both baseq3 maps allow tournament and free for all.
    QCOMPARE(dialog.Type_Box()->currentText(), QStringLiteral("Free For All"));
    QVERIFY(dialog.Button_OK()->isEnabled());

    dialog.Load({}, {"BASEQ3"}, "");
    QCOMPARE(dialog.MOD_Box()->count(), 0);
    QVERIFY(!dialog.Button_OK()->isEnabled());
  }

  // A server program that starts ioq3ded, which keeps each archive open, and a MOD whose search
  // path holds more archives than any open-file limit leaves it room for: told under the lists,
  // for that MOD and that program only. Their lists pass a pure server's system info too, which
  // is told for any program.
  void warnsOfArchivesTheServerCannotKeepOpen() {
    TMap_Record* dm = Map("Q3DM1.BSP", {"baseq3", "osp"}, GT_Free_For_All);
    QTemporaryDir dir;
    QFile script(dir.filePath(QStringLiteral("q3-ded")));
    QVERIFY(script.open(QIODevice::WriteOnly));
    script.write("#!/bin/sh\nexec ioq3ded \"$@\"\n");
    script.close();
    script.setPermissions(QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    auto index = std::make_shared<TGame_Index>();
    index->Set_Archives(vorlix::testing::Archives_In("osp", 1100));
    TForm_Host_Server dialog;
    dialog.Set_Installation(dir.path().toStdString(), [&index] { return index; });
    dialog.Load({dm}, {"BASEQ3", "OSP"}, script.fileName().toStdString());
    QCOMPARE(dialog.MOD_Box()->currentText(), QStringLiteral("BASEQ3"));
    QVERIFY(!dialog.Label_Warnings()->isVisibleTo(&dialog));
    dialog.MOD_Box()->setCurrentIndex(1);
    QVERIFY(dialog.Label_Warnings()->isVisibleTo(&dialog));
    QVERIFY(dialog.Label_Warnings()->text().startsWith(
        QStringLiteral("The engine keeps every archive open: ")));
    QVERIFY(dialog.Label_Warnings()->text().contains(QStringLiteral("1100 archives")));
    auto* program = dialog.findChild<QLineEdit*>(QStringLiteral("Edit_Server_Program"));
    program->setText(dir.filePath(QStringLiteral("another-engine")));
    emit program->editingFinished();
    QVERIFY(dialog.Label_Warnings()->text().startsWith(QStringLiteral("A pure server names the ")));
    QVERIFY(!dialog.Label_Warnings()->text().contains(QStringLiteral("keeps every archive open")));
  }

  // An engine profile runs the server instead of the typed program (which is then not used), and
  // a rotation map too big for the server's memory is told with an offer of the argument.
  void runsTheChosenEngineAndOffersARotationsMemory() {
    QTemporaryDir dir;
    const std::string engine = dir.filePath(QStringLiteral("ded")).toStdString();
    QFile script(QString::fromStdString(engine));
    QVERIFY(script.open(QIODevice::WriteOnly));
    script.write("#!/bin/sh\n");
    script.close();
    script.setPermissions(QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    TEngine_Profiles profiles;
    QVERIFY(profiles.Add({"ded", engine, TEngine_Kind::IOQuake3, ""}));
    QVERIFY(profiles.Set_Default("osp", "ded"));
    QVERIFY(Save_Engine_Profiles(profiles));
    TMap_Record* small = Map("SMALL.BSP", {"baseq3", "osp"}, GT_Free_For_All);
    TMap_Record* huge = Map("HUGE.BSP", {"baseq3", "osp"}, GT_Free_For_All);
    small->MAP_Filesize = 1U << 20;
    huge->MAP_Filesize = 200U << 20;
    TForm_Host_Server dialog;
    dialog.Set_Installation("/srv/q3", [] { return std::shared_ptr<const TGame_Index>(); });
    dialog.Load({small, huge}, {"BASEQ3", "OSP"}, "/usr/games/typed");
    QCOMPARE(dialog.Engine_Box()->count(), 2);
    QCOMPARE(dialog.Engine_Box()->currentIndex(), 0);
    QCOMPARE(dialog.Server_Exe(), std::string("/usr/games/typed"));
    QVERIFY(dialog.Label_Warnings()->text().startsWith(
        QStringLiteral("Rotation map huge: This map's BSP of 200 MB does not fit")));
    QVERIFY(!dialog.Label_Warnings()->text().contains(QStringLiteral("small")));
    dialog.MOD_Box()->setCurrentIndex(1);
    QCOMPARE(dialog.Engine_Box()->currentIndex(), 1);
    QVERIFY(dialog.Profile_Chosen());
    QCOMPARE(dialog.Server_Exe(), engine);
    QVERIFY(!dialog.findChild<QLineEdit*>(QStringLiteral("Edit_Server_Program"))->isEnabled());
    QVERIFY(dialog.Button_Add_Hunk()->isVisibleTo(&dialog));
    dialog.Button_Add_Hunk()->click();
    QCOMPARE(dialog.Engine_Words(), (std::vector<std::string>{"+set", "fs_basepath", "/srv/q3",
                                                              "+set", "com_hunkMegs", "448"}));
    QVERIFY(!dialog.Label_Warnings()->isVisibleTo(&dialog));
    QVERIFY(!dialog.Button_Add_Hunk()->isEnabled());
    // The typed program again, on the user's pick.
    dialog.Engine_Box()->setCurrentIndex(0);
    QVERIFY(!dialog.Profile_Chosen());
    QCOMPARE(dialog.Server_Exe(), std::string("/usr/games/typed"));
    QVERIFY(Save_Engine_Profiles({}));
  }
};

QTEST_MAIN(Tst_Server_Dialog)
#include "tst_server_dialog.moc"
