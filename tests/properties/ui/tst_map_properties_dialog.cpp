// The map properties dialog driven through its widgets, offscreen.

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>
#include <QtTest>
#include <array>

#include "../properties_fixture.h"
#include "database/game_index.h"
#include "properties/ui/map_properties_dialog.h"
#include "properties/ui/properties_entry.h"

using namespace vorlix;
using namespace vorlix::testing;

namespace {

// A 2 by 2 uncompressed true-colour TGA, top row first, all red.
std::string Red_Tga() {
  std::string data(18, '\0');
  data[2] = data[12] = data[14] = 2;
  data[16] = 24;
  data[17] = 0x20;
  for (int i = 0; i < 4; ++i) {
    data += std::string("\0\0\xff", 3);
  }
  return data;
}

template <typename T>
T* Find(QWidget& dialog, const char* name) {
  T* widget = dialog.findChild<T*>(QString::fromLatin1(name));
  if (widget == nullptr) {
    qFatal("missing widget %s", name);
  }
  return widget;
}

void Leave(QLineEdit* edit, const QString& text, QWidget* next) {
  edit->setFocus();
  edit->selectAll();
  QTest::keyClicks(edit, text);
  next->setFocus();
  QCoreApplication::processEvents();
}

}  // namespace

class Tst_Map_Properties_Dialog : public QObject {
  Q_OBJECT

 private:
  TProperties_Fixture F;
  TTemp_Dir Dir;
  TMap_Record* Map = nullptr;

 private slots:
  void initTestCase() {
    F.Standard_MODs();
    Map = F.Add_Map("baseq3", "pak9.pk3", "Q3DM17.BSP");
    Map->MAP_Filesize = 4096;
    Map->MAP_Filedate = Dos_Date_Time(2001, 12, 24, 0, 0, 0);
    Map->Useable_MODs = {"BASEQ3"};
    Map->Assigned_Bots = {"Major"};
    Map->Min_Recomm_Players = 10;
    Map->Max_Recomm_Players = 16;
    const std::string botinfo = Dir / "botinfo";
    Write_File(botinfo + "/baseq3/pak9.pk3/models/players/major/icon_red.tga", Red_Tga());
    Write_File(botinfo + "/baseq3/pak9.pk3/sound/player/announce/major.wav",
               vorlix::testing::Silent_Wav());
  }

  void captionsHintsAndMapMode() {
    TForm_Map_Properties dialog;
    dialog.Load_Map(F.Context(Dir / "botinfo"), Map);
    dialog.Set_Map_Mode();
    QVERIFY(dialog.Button_OK()->isDefault());
    dialog.show();
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Map Properties"));
    auto* pages = Find<QTabWidget>(dialog, "PageControl");
    QCOMPARE(pages->currentIndex(), 0);
    QCOMPARE(Find<QLabel>(dialog, "Label_MAP_Filesize")->text(), QStringLiteral("004,096 Bytes"));
    QCOMPARE(Find<QLabel>(dialog, "Label_MAP_Filedate")->text(), QStringLiteral("12/24/01"));
    QCOMPARE(Find<QLabel>(dialog, "Label_MAP_Filename")->text(), QStringLiteral("q3dm17.bsp"));
    QCOMPARE(dialog.focusWidget(), dialog.Button_Rename_PK3());
    QVERIFY(!dialog.Button_Launch_Q3A()->isVisible());
    QVERIFY(dialog.Button_OK()->isVisible());
    QVERIFY(!Find<QGroupBox>(dialog, "GroupBox_Radio_Game_Type")->isVisible());
    QVERIFY(!Find<QListWidget>(dialog, "ListBox_MOD_to_use")->isVisible());

    // The archive buttons are for the archive commands to answer.
    QSignalSpy rename(&dialog, &TForm_Map_Properties::Rename_PK3_Requested);
    dialog.Button_Rename_PK3()->click();
    QCOMPARE(rename.count(), 1);
    dialog.End_With(TDialog_Result::Retry);
    QCOMPARE(dialog.Result_Of_Run(), TDialog_Result::Retry);
  }

  void validationThroughTheWidgets() {
    TForm_Map_Properties dialog;
    dialog.Load_Map(F.Context(), Map);
    dialog.Set_Map_Mode();
    dialog.show();
    // Focus moves between the fields only once the window is shown (offscreen: when it can be).
    (void)QTest::qWaitForWindowExposed(&dialog);
    auto* min = Find<QLineEdit>(dialog, "Edit_Min_Recomm_Players");
    auto* max = Find<QLineEdit>(dialog, "Edit_Max_Recomm_Players");
    auto* players = Find<QLineEdit>(dialog, "Edit_Limits_Players");
    // A field takes no key that would make more than it can hold: what is seen is what is kept.
    const std::array<std::array<const char*, 3>, 4> typed{{{"Edit_Rating", "99", "9"},
                                                           {"Edit_Limits_Frags", "150", "15"},
                                                           {"Edit_Limits_Time", "1209", "120"},
                                                           {"Edit_Limits_Captures", "-5x", "5"}}};
    for (const auto& [name, keys, kept] : typed) {
      auto* edit = Find<QLineEdit>(dialog, name);
      Leave(edit, QString::fromLatin1(keys), min);
      QCOMPARE(edit->text(), QString::fromLatin1(kept));
    }
    // Each field validates when it is left (the rules themselves are the model's tests).
    Leave(min, "40", max);
    QCOMPARE(min->text(), QStringLiteral("4"));
    QCOMPARE(max->text(), QStringLiteral("16"));
    Leave(players, "abc", min);
    QCOMPARE(players->text(), QStringLiteral("8"));  // letters are refused
    // The spin buttons of Min Players validate as leaving the field does.
    Leave(max, "5", min);
    Leave(min, "5", max);
    auto* up = Find<QWidget>(dialog, "UpDown_Min_Recomm_Players")->findChild<QToolButton*>("Up");
    QTest::mouseClick(up, Qt::LeftButton);
    QCOMPARE(min->text(), QStringLiteral("6"));
    QCOMPARE(max->text(), QStringLiteral("6"));
  }

  // One size across the pages and across openings for maps with and without bots, one place.
  void oneSizeAndPlaceForTheRun() {
    auto* bare = F.Add_Map("baseq3", "pak9.pk3", "NOBOTS.BSP");
    bare->Has_AAS = false;
    TForm_Map_Properties dialog;
    auto* pages = Find<QTabWidget>(dialog, "PageControl");
    QRect first;
    for (TMap_Record* map : {Map, bare, Map}) {
      dialog.Load_Map(F.Context(), map);
      dialog.Set_Map_Mode();
      dialog.show();
      for (int page : {1, 0}) {
        pages->setCurrentIndex(page);
        QCoreApplication::processEvents();
        if (first.isNull()) {
          first = dialog.geometry();
        }
        QCOMPARE(dialog.geometry(), first);
      }
      dialog.hide();
    }
  }

  void cancelWritesNothingOkWritesBack() {
    TForm_Map_Properties dialog;
    const TMap_Record before = *Map;
    QTimer::singleShot(0, &dialog, [&] {
      Find<QPlainTextEdit>(dialog, "Memo_Comment")->setPlainText("changed");
      Find<QCheckBox>(dialog, "CheckBox_Game_Type_CTF")->click();
      dialog.Button_Cancel()->click();
    });
    QCOMPARE(Show_Map_Properties(dialog, F.Context(), Map), TDialog_Result::Cancel);
    QCOMPARE(Map->Comment, before.Comment);
    QCOMPARE(Map->Game_Types, before.Game_Types);

    QTimer::singleShot(0, &dialog, [&] {
      Find<QPlainTextEdit>(dialog, "Memo_Comment")->setPlainText("changed");
      Find<QCheckBox>(dialog, "CheckBox_Game_Type_CTF")->click();
      auto* mods = dialog.CheckListBox_Useable_MODs();
      mods->item(1)->setCheckState(Qt::Checked);  // MYMOD: its own bots join the list
      QCOMPARE(dialog.CheckListBox_Assigned_Bots()->count(), 4);
      dialog.CheckListBox_Assigned_Bots()->item(0)->setCheckState(Qt::Checked);  // Alien
      dialog.Button_OK()->click();
    });
    QCOMPARE(Show_Map_Properties(dialog, F.Context(), Map), TDialog_Result::OK);
    QCOMPARE(Map->Comment, std::string("changed"));
    QCOMPARE(Map->Game_Types, static_cast<std::uint8_t>(GT_Free_For_All | GT_Capture_The_Flag));
    QCOMPARE(Map->Useable_MODs, (std::vector<std::string>{"BASEQ3", "MYMOD"}));
    QCOMPARE(Map->Assigned_Bots, (std::vector<std::string>{"Alien", "Major"}));
    *Map = before;
  }

  void groupGreyedStatesAndTypedValue() {
    auto* other = F.Add_Map("baseq3", "pak9.pk3", "Q3DM18.BSP");
    other->Rating = 5;
    other->Game_Types = GT_Free_For_All | GT_Tournament;
    other->Useable_MODs = {"BASEQ3"};
    TForm_Map_Properties dialog;
    QTimer::singleShot(0, &dialog, [&] {
      QCOMPARE(dialog.windowTitle(), QStringLiteral("Map Group Properties"));
      QVERIFY(!dialog.Button_Rename_PK3()->isEnabled());
      auto* rating = Find<QLineEdit>(dialog, "Edit_Rating");
      QCOMPARE(rating->text(), QString());
      QCOMPARE(Find<QLabel>(dialog, "Label_MAP_Filename")->text(), QString());
      auto* tournament = Find<QCheckBox>(dialog, "CheckBox_Game_Type_T");
      QCOMPARE(tournament->checkState(), Qt::PartiallyChecked);
      QCOMPARE(Find<QCheckBox>(dialog, "CheckBox_Game_Type_CTF")->checkState(), Qt::Unchecked);
      QCOMPARE(dialog.CheckListBox_Assigned_Bots()->item(1)->checkState(), Qt::PartiallyChecked);
      tournament->click();
      QCOMPARE(tournament->checkState(), Qt::Checked);
      rating->setFocus();
      QTest::keyClicks(rating, "7");
      dialog.Button_OK()->click();
    });
    QVERIFY(Show_Group_Properties(dialog, F.Context(), {Map, other}));
    QCOMPARE(Map->Rating, 7);
    QCOMPARE(other->Rating, 7);
    QCOMPARE(Map->Game_Types, static_cast<std::uint8_t>(GT_Free_For_All | GT_Tournament));
    QCOMPARE(Map->Assigned_Bots, std::vector<std::string>{"Major"});  // greyed entry untouched
    QVERIFY(other->Assigned_Bots.empty());
    QCOMPARE(F.Interaction.Open_Notices, 0);
    QVERIFY(!Show_Group_Properties(dialog, F.Context(), {}));
  }

  void botshotPreviewAndAnnouncer() {
    TForm_Map_Properties dialog;
    dialog.Load_Map(F.Context(Dir / "botinfo"), Map);
    dialog.Set_Map_Mode();
    dialog.show();
    auto* bots = dialog.CheckListBox_Assigned_Bots();
    QCOMPARE(bots->count(), 3);  // Grunt, Major, Sarge
    QSignalSpy shown(&dialog, &TForm_Map_Properties::Botshot_Shown);
    bots->setCurrentRow(1);
    QVERIFY(shown.wait(1000));
    QVERIFY(shown.last().at(0).toString().endsWith(QStringLiteral("icon_red.tga")));
    const QImage picture = dialog.Image_Botshot()->pixmap().toImage();
    QCOMPARE(picture.size(), QSize(128, 128));
    QCOMPARE(QColor(picture.pixel(64, 64)), QColor(Qt::red));
    QVERIFY(QString::fromStdString(dialog.Last_Bot_Sound()).endsWith(QStringLiteral("major.wav")));

    // A bot without icon shows the black square; a held navigation key holds the preview back.
    bots->setFocus();
    QTest::keyPress(bots, Qt::Key_Down);
    QCOMPARE(bots->currentRow(), 2);
    QTest::qWait(150);
    QCOMPARE(shown.count(), 1);
    QTest::keyRelease(bots, Qt::Key_Down);
    QVERIFY(shown.wait(1000));
    QCOMPARE(shown.last().at(0).toString(), QString());
    QCOMPARE(QColor(dialog.Image_Botshot()->pixmap().toImage().pixel(64, 64)), QColor(Qt::black));

    // Closing stops the announcer and never hangs, with or without an audio device.
    bots->setCurrentRow(1);
    QVERIFY(shown.wait(1000));
    dialog.close();
    QCOMPARE(dialog.Result_Of_Run(), TDialog_Result::Cancel);
    // Opened again: the picture is black and no bot stands highlighted over it.
    dialog.show();
    QCOMPARE(bots->currentRow(), -1);
    QCOMPARE(QColor(dialog.Image_Botshot()->pixmap().toImage().pixel(64, 64)), QColor(Qt::black));
    dialog.close();
  }

  // The game loads the map from another archive whose own block it uses: the panel shows both,
  // its settings reach the fields at once and the record at OK; launch shows it, group does not.
  void gameFactsPanel() {
    const TArchive_Facts pack{
        .MOD_Directory = "baseq3",
        .PK3_Filename = "zz.pk3",
        .Maps = {"Q3DM17"},
        .Arena_Scripts = {"scripts/zz.arena"},
        .Arenas = Parse_Arena_Blocks("{ map q3dm17 type ctf bots grunt fraglimit 5 }",
                                     "scripts/zz.arena")};
    auto index = std::make_shared<TGame_Index>();
    index->Set_Archives({pack});
    TProperties_Context context = F.Context();
    context.Game_Index = index;
    const TMap_Record before = *Map;
    TForm_Map_Properties dialog;
    QTimer::singleShot(0, &dialog, [&] {
      QCOMPARE(Find<QLabel>(dialog, "Label_Loaded_From")->text(), QStringLiteral("baseq3/zz.pk3"));
      QCOMPARE(Find<QLabel>(dialog, "Label_Override_Note")->text(),
               QStringLiteral("overridden by zz.pk3"));
      dialog.Button_Use_Arena_Settings()->click();
      QCOMPARE(Find<QCheckBox>(dialog, "CheckBox_Game_Type_CTF")->checkState(), Qt::Checked);
      QCOMPARE(Find<QLineEdit>(dialog, "Edit_Limits_Frags")->text(), QStringLiteral("5"));
      dialog.Button_OK()->click();
    });
    QCOMPARE(Show_Map_Properties(dialog, context, Map), TDialog_Result::OK);
    QCOMPARE(Map->Game_Types, static_cast<std::uint8_t>(GT_Capture_The_Flag));
    *Map = before;

    auto* panel = Find<QGroupBox>(dialog, "GroupBox_Game_Facts");
    dialog.Load_Map(context, Map);
    dialog.Set_Launch_Mode();
    dialog.show();
    QVERIFY(panel->isVisible());
    QVERIFY(!dialog.Button_Use_Arena_Settings()->isVisible());
    dialog.Load_Group(context, {Map});
    dialog.Set_Group_Mode();
    QVERIFY(panel->isHidden());
    dialog.close();

    // An active arena file in the map's directory: the panel says the game reads its block and
    // puts it beside the archives' block.
    auto* read_now = Find<QLabel>(dialog, "Label_Read_Now");
    auto* keys = Find<QTreeWidget>(dialog, "TreeWidget_Arena_Keys");
    dialog.Load_Map(context, Map);
    QCOMPARE(read_now->text(), QStringLiteral("the block of the map's archives"));
    QCOMPARE(keys->columnCount(), 2);
    Write_Pk3(Dir / "game/baseq3/z_Arenas_active_Duel.pk3",
              {{"scripts/arenas.txt", "{ map q3dm17 type tourney bots sarge }"}});
    context.Game_Dir = Dir / "game";
    dialog.Load_Map(context, Map);
    dialog.Set_Map_Mode();
    dialog.show();
    QCOMPARE(read_now->text(),
             QStringLiteral("the active arena file's block, baseq3/z_Arenas_active_Duel.pk3: "
                            "scripts/arenas.txt"));
    QCOMPARE(Find<QLabel>(dialog, "Label_Arena_Script")->text(),
             QStringLiteral("baseq3/zz.pk3: scripts/zz.arena"));
    QCOMPARE(keys->columnCount(), 3);
    const QList<QTreeWidgetItem*> type = keys->findItems(QStringLiteral("type"), Qt::MatchExactly);
    QCOMPARE(type.size(), 1);
    QCOMPARE(type[0]->text(1), QStringLiteral("tourney"));
    QCOMPARE(type[0]->text(2), QStringLiteral("ctf"));
    Write_Pk3(Dir / "game/baseq3/z_Arenas_active_Duel.pk3",
              {{"scripts/arenas.txt", "{ map q3dm1 type ffa }"}});
    dialog.Load_Map(context, Map);
    QCOMPARE(read_now->text(), QStringLiteral("no block: the active arena file "
                                              "baseq3/z_Arenas_active_Duel.pk3 does not name this "
                                              "map"));
    dialog.close();
  }

  void noAasShowsThePanel() {
    auto* bare = F.Add_Map("baseq3", "pak9.pk3", "BARE.BSP");
    bare->Has_AAS = false;
    bare->Assigned_Bots = {"Sarge"};
    TForm_Map_Properties dialog;
    const auto messages = F.Interaction.Messages.size();
    dialog.Load_Map(F.Context(), bare);
    dialog.Set_Map_Mode();
    dialog.show();
    QCOMPARE(F.Interaction.Messages.size(), messages + 1);
    QVERIFY(!Find<QLabel>(dialog, "Panel_No_AAS")->isHidden());
    QVERIFY(Find<QGroupBox>(dialog, "GroupBox_Bots")->isHidden());
  }
};

QTEST_MAIN(Tst_Map_Properties_Dialog)
#include "tst_map_properties_dialog.moc"
