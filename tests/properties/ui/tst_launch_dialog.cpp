// The launch mode of the properties dialog and a real launch through Start_Map, offscreen, with
// the engine taken from the settings file.

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QStandardItemModel>
#include <QTabWidget>
#include <QTimer>
#include <QtTest>
#include <cstdlib>

#include "../../launch/game_recorder.h"
#include "../properties_fixture.h"
#include "core/settings.h"
#include "database/game_index.h"
#include "launch/engine_profiles.h"
#include "launch/exec_file.h"
#include "properties/ui/launch_entry.h"
#include "properties/ui/map_properties_dialog.h"

using namespace vorlix;
using namespace vorlix::testing;

class Tst_Launch_Dialog : public QObject {
  Q_OBJECT

 private:
  TProperties_Fixture F;
  TTemp_Dir Dir;
  TGame_Recorder Engine{Dir / "bin/ioquake3"};
  TMap_Record* Map = nullptr;
  std::string Game = Dir / "games/quake3";

 private slots:
  void initTestCase() {
    setenv("XDG_CONFIG_HOME", (Dir / "config").c_str(), 1);
    std::filesystem::create_directories(Game + "/baseq3");
    QSettings settings(QString::fromStdString(Settings_File_Path()), QSettings::IniFormat);
    settings.setValue("Settings/Q3A_EXE", QString::fromStdString(Engine.Script));
    settings.sync();
    F.Standard_MODs();
    Map = F.Add_Map("baseq3", "pak0.pk3", "Q3DM17.BSP");
    Map->Game_Types = GT_Capture_The_Flag;
    Map->Useable_MODs = {"BASEQ3", "MYMOD"};
    Map->Assigned_Bots = {"Sarge"};
  }

  void launchModeAndExit() {
    TForm_Map_Properties dialog;
    TExec_File exec;
    QTimer::singleShot(0, &dialog, [&] {
      QCOMPARE(dialog.windowTitle(), QStringLiteral("Launch Properties"));
      QCOMPARE(dialog.findChild<QTabWidget*>("PageControl")->currentIndex(), 1);
      QVERIFY(dialog.Button_Launch_Q3A()->isVisible() && dialog.Button_Launch_Q3A()->isEnabled());
      QVERIFY(dialog.Button_Launch_Q3A_And_Exit()->isEnabled());
      QVERIFY(!dialog.Button_OK()->isVisible());
      QVERIFY(!dialog.Button_Rename_PK3()->isEnabled());
      QVERIFY(!dialog.findChild<QLineEdit*>("Edit_Min_Recomm_Players")->isEnabled());
      auto* ctf = dialog.findChild<QRadioButton*>("RadioButton_Game_Type_CTF");
      QVERIFY(ctf->isEnabled() && ctf->isChecked());
      QVERIFY(!dialog.findChild<QRadioButton*>("RadioButton_Game_Type_FFA")->isEnabled());
      auto* mods = dialog.findChild<QListWidget*>("ListBox_MOD_to_use");
      QCOMPARE(mods->count(), 2);
      QCOMPARE(mods->currentRow(), 0);
      auto* frags = dialog.findChild<QLineEdit*>("Edit_Limits_Frags");
      frags->setFocus();
      frags->selectAll();
      QTest::keyClicks(frags, "30");
      dialog.Button_Launch_Q3A_And_Exit()->click();
    });
    QVERIFY(Start_Map(dialog, F.Context({}, Game), Map, exec));
    QCOMPARE(Engine.Wait(), Game +
                                "\n+set\nfs_game\nbaseq3\n+seta\ng_gametype\n4\n+map\nQ3DM17\n"
                                "+sv_maxclients\n8\n+timelimit\n0\n+fraglimit\n30\n"
                                "+capturelimit\n8\n+addbot\nSarge\n4\n");
    QCOMPARE(Map->Limits_Frags, 20);  // launch choices are never stored
  }

  void cancelAndNoUsableMod() {
    std::filesystem::remove(Engine.Record);
    TForm_Map_Properties dialog;
    TExec_File exec;
    QTimer::singleShot(0, &dialog, [&] { dialog.Button_Cancel()->click(); });
    QVERIFY(!Start_Map(dialog, F.Context({}, Game), Map, exec));

    Map->Useable_MODs.clear();
    QTimer::singleShot(0, &dialog, [&] {
      QVERIFY(!dialog.Button_Launch_Q3A()->isEnabled());
      QVERIFY(!dialog.Button_Launch_Q3A_And_Exit()->isEnabled());
      dialog.close();
    });
    QVERIFY(!Start_Map(dialog, F.Context({}, Game), Map, exec));
    QCOMPARE(Engine.Wait(std::chrono::milliseconds(200)), std::string());

    // The next opening as map properties sets its own mode.
    dialog.Load_Map(F.Context(), Map);
    dialog.Set_Map_Mode();
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Map Properties"));
    QVERIFY(!dialog.Button_Launch_Q3A()->isVisibleTo(&dialog));
  }

  // One size whatever map the dialog shows and in whichever mode it opens (a long name would
  // widen a dialog that follows its contents).
  void oneSizeForEveryMapAndMode() {
    TMap_Record* plain = F.Add_Map("baseq3", "plain.pk3", "PLAIN.BSP");
    TMap_Record* large = F.Add_Map("baseq3", std::string(60, 'p') + ".pk3", "LARGE.BSP");
    large->Map_Longname = std::string(120, 'W');
    large->Has_AAS = true;
    large->Assigned_Bots = {"Sarge"};
    TForm_Map_Properties dialog;
    TExec_File exec;
    std::vector<QSize> sizes;
    const auto measure_and_cancel = [&] {
      QTimer::singleShot(0, &dialog, [&] {
        sizes.push_back(dialog.size());
        dialog.Button_Cancel()->click();
      });
    };
    for (TMap_Record* map : {plain, large, plain}) {
      measure_and_cancel();
      QVERIFY(!Start_Map(dialog, F.Context({}, Game), map, exec));
    }
    dialog.Load_Map(F.Context(), large);
    dialog.Set_Map_Mode();
    measure_and_cancel();
    dialog.Run();
    QCOMPARE(sizes.size(), std::size_t{4});
    for (const QSize& size : sizes) {
      QCOMPARE(size, sizes.front());
    }
    // What does not fit is in the tooltip.
    QCOMPARE(dialog.findChild<QLabel*>(QStringLiteral("Label_Map_Longname"))->toolTip(),
             QString(120, QLatin1Char('W')));
  }

  // A map name the engine would run as commands: an error, nothing started, the program stays.
  void refusedLaunchKeepsTheProgramOpen() {
    std::filesystem::remove(Engine.Record);
    Map->Useable_MODs = {"BASEQ3"};
    Map->MAP_Filename = "X;QUIT.BSP";
    TForm_Map_Properties dialog;
    TExec_File exec;
    QTimer::singleShot(0, &dialog, [&] { dialog.Button_Launch_Q3A_And_Exit()->click(); });
    const std::size_t before = F.Interaction.Messages.size();
    QVERIFY(!Start_Map(dialog, F.Context({}, Game), Map, exec));
    QCOMPARE(F.Interaction.Messages.size(), before + 1);
    QCOMPARE(F.Interaction.Messages.back().Kind, TMessage_Kind::Error);
    QCOMPARE(Engine.Wait(std::chrono::milliseconds(200)), std::string());
    Map->MAP_Filename = "Q3DM17.BSP";
  }

  // An engine that keeps every archive open, and more archives than any open-file limit leaves
  // it room for: told under the pages, and the launch goes on. Another engine is not asked about.
  void warnsOfArchivesTheEngineCannotKeepOpen() {
    std::filesystem::remove(Engine.Record);
    const std::string ioq3 = Dir / "bin/q3-ioq3";
    Write_File(ioq3, "#!/bin/sh\n# in place of /usr/lib/ioquake3/ioquake3\nexec '" + Engine.Script +
                         "' \"$@\"\n");
    std::filesystem::permissions(ioq3, std::filesystem::perms::owner_all);
    const auto use_engine = [](const std::string& program) {
      QSettings settings(QString::fromStdString(Settings_File_Path()), QSettings::IniFormat);
      settings.setValue("Settings/Q3A_EXE", QString::fromStdString(program));
    };
    auto index = std::make_shared<TGame_Index>();
    index->Set_Archives(Archives_In("baseq3", 1100));
    TProperties_Context context = F.Context({}, Game);
    context.Game_Index = index;
    Map->Useable_MODs = {"BASEQ3"};
    TForm_Map_Properties dialog;
    TExec_File exec;
    auto* warnings = dialog.findChild<QLabel*>("Label_Launch_Warnings");
    use_engine(ioq3);
    // What the open dialog shows is read before it is ended, and checked once it has ended.
    bool shown = false;
    QString text;
    QTimer::singleShot(0, &dialog, [&] {
      shown = warnings->isVisible();
      text = warnings->text();
      dialog.Button_Launch_Q3A()->click();
    });
    QVERIFY(!Start_Map(dialog, context, Map, exec));
    QVERIFY(shown);
    QVERIFY(text.startsWith("The engine keeps every archive open: "));
    QVERIFY(text.contains("1100 archives"));
    QVERIFY(Engine.Wait().find("+map\nQ3DM17\n") != std::string::npos);

    use_engine(Engine.Script);
    QTimer::singleShot(0, &dialog, [&] {
      shown = warnings->isVisible();
      dialog.Button_Cancel()->click();
    });
    QVERIFY(!Start_Map(dialog, context, Map, exec));
    QVERIFY(!shown);
    // Nor is a dialog that is not the launch's.
    use_engine(ioq3);
    dialog.Load_Map(context, Map);
    dialog.Set_Map_Mode();
    QVERIFY(!warnings->isVisibleTo(&dialog));
    use_engine(Engine.Script);
  }

  // The engine is chosen per launch: the MOD's default profile first, a profile whose program is
  // gone offered greyed, and a big map's memory offered as an argument of this launch.
  void choosesTheEngineAndOffersItsMemory() {
    TGame_Recorder second(Dir / "bin/second");
    TEngine_Profiles profiles;
    QVERIFY(profiles.Add({"second", second.Script, TEngine_Kind::IOQuake3, "+set r_mode 3"}));
    QVERIFY(profiles.Add({"gone", Dir / "bin/gone", TEngine_Kind::Quake3e, ""}));
    QVERIFY(profiles.Set_Default("baseq3", "second"));
    QVERIFY(Save_Engine_Profiles(profiles));
    Map->Useable_MODs = {"BASEQ3"};
    Map->MAP_Filesize = 200U << 20;
    TProperties_Context context = F.Context({}, Game);
    TForm_Map_Properties dialog;
    TExec_File exec;
    auto* box = dialog.findChild<QComboBox*>("ComboBox_Engine");
    auto* offer = dialog.findChild<QPushButton*>("Button_Add_Hunk");
    auto* warnings = dialog.findChild<QLabel*>("Label_Launch_Warnings");
    auto* pages = dialog.findChild<QTabWidget*>("PageControl");
    // The warnings and the offer grow the dialog; the pages keep their height.
    int pages_height = 0;
    Map->MAP_Filesize = 1U << 20;
    QTimer::singleShot(0, &dialog, [&] {
      pages_height = pages->height();
      dialog.Button_Cancel()->click();
    });
    QVERIFY(!Start_Map(dialog, context, Map, exec));
    Map->MAP_Filesize = 200U << 20;
    QStringList seen;
    int warned_pages_height = 0;
    QTimer::singleShot(0, &dialog, [&] {
      warned_pages_height = pages->height();
      seen << QString::number(box->count()) << QString::number(box->currentIndex())
           << box->itemText(2) << offer->text() << warnings->text();
      const auto* model = qobject_cast<QStandardItemModel*>(box->model());
      seen << (model->item(2)->isEnabled() ? "enabled" : "greyed");
      box->setCurrentIndex(2);  // not taken
      seen << QString::number(box->currentIndex());
      offer->click();
      seen << offer->text() << (offer->isEnabled() ? "enabled" : "greyed") << warnings->text();
      dialog.Button_Launch_Q3A()->click();
    });
    QVERIFY(!Start_Map(dialog, context, Map, exec));
    QCOMPARE(warned_pages_height, pages_height);
    QCOMPARE(seen.value(0), QStringLiteral("3"));
    QCOMPARE(seen.value(1), QStringLiteral("1"));
    QVERIFY(seen.value(2).endsWith(" - unavailable"));
    QCOMPARE(seen.value(3), QStringLiteral("Add \"+set com_hunkMegs 448\" to this launch"));
    QVERIFY(seen.value(4).contains("does not fit"));
    QCOMPARE(seen.value(5), QStringLiteral("greyed"));
    QCOMPARE(seen.value(6), QStringLiteral("1"));
    QCOMPARE(seen.value(7), QStringLiteral("Added to this launch: +set com_hunkMegs 448"));
    QCOMPARE(seen.value(8), QStringLiteral("greyed"));
    QVERIFY(!seen.value(9).contains("com_hunkMegs"));
    const std::string told = second.Wait();
    QVERIFY2(told.find("\n+set\nfs_basepath\n" + Game +
                       "\n+set\nr_mode\n3\n+set\ncom_hunkMegs\n448\n"
                       "+set\nfs_game\nbaseq3\n") != std::string::npos,
             told.c_str());
    QVERIFY(Save_Engine_Profiles({}));
    Map->MAP_Filesize = 0;
  }
};

QTEST_MAIN(Tst_Launch_Dialog)
#include "tst_launch_dialog.moc"
