// The browser with a large collection: 10,000 maps, half of them in tree groups, are filled in,
// restored from the tree file, moved and deleted in bulk without steps that grow quadratically.

#include <QElapsedTimer>
#include <QMainWindow>
#include <QTreeView>
#include <QtTest>

#include "../test_database.h"
#include "browser/ui/browser_models.h"
#include "browser/ui/browser_view.h"
#include "builders.h"
#include "content/mod_list.h"

using namespace vorlix;
using vorlix::testing::TTemp_Dir;
using vorlix::testing::TTest_Database;

class Browser_Large_Test : public QObject {
  Q_OBJECT

 private slots:
  void tenThousandMaps() {
    TTemp_Dir dir;
    TTest_Database db;
    TMOD_Liste mods;
    mods.Append("BASEQ3");
    std::vector<TMAP_Datei_Eintrag*> maps;
    for (int p = 0; p < 2000; ++p) {
      TPK3_Datei_Eintrag* pk3 = db.Add_PK3("baseq3", "pack" + std::to_string(p) + ".pk3");
      for (int m = 0; m < 5; ++m) {
        maps.push_back(TTest_Database::Add_Map(
            pk3, "MAP" + std::to_string(p) + "_" + std::to_string(m) + ".BSP",
            "Map " + std::to_string(p * 5 + m)));
      }
    }
    // A tree file: 100 groups of 50 maps each.
    TByte_Writer file;
    vorlix::testing::Write_Group(file, 100, "Arenas");
    for (int g = 0; g < 100; ++g) {
      vorlix::testing::Write_Group(file, 50, "Group " + std::to_string(g));
      for (int e = 0; e < 50; ++e) {
        const TMAP_Datei_Eintrag* map =
            maps.at(static_cast<std::size_t>(g) * 50 + static_cast<std::size_t>(e));
        vorlix::testing::Write_Entry(file, map->ID, map->PK3->ID);
      }
    }
    vorlix::testing::Write_File(dir / "mapstree.dat", file.Data());

    QMainWindow window;
    auto* view = new TBrowser_View(&window);
    window.setCentralWidget(view);
    view->Install_Commands(&window);
    window.resize(1000, 800);
    window.show();
    view->Set_Context({&db.Database, &mods, &db.Interaction, dir.Path(), "", ""});

    QElapsedTimer timer;
    timer.start();
    view->Lade_ListView_Maps();
    QVERIFY(view->Initialisiere_TreeView_Maps());
    QCoreApplication::processEvents();
    const qint64 startup = timer.elapsed();
    QCOMPARE(view->List().Count(), 5000);
    QCOMPARE(view->Tree().Root()->Child_Count(), 100);
    QVERIFY(db.Interaction.Messages.empty());

    // Everything left in the list goes into one group at once, then back by one deletion.
    timer.restart();
    view->List_View()->selectAll();
    TMaps_Tree_Node* group = view->Tree().Root()->Child(0);
    view->Tree().Drop_List_Items(group, view->List_View()->Selected_Maps());
    QCOMPARE(view->List().Count(), 0);
    QCOMPARE(group->Child_Count(), 5050);
    view->Tree().Select(group);
    view->Tree_View()->Menu_DeleteEntryClick();
    QCOMPARE(view->List().Count(), 5050);
    QCoreApplication::processEvents();
    const qint64 bulk = timer.elapsed();

    timer.restart();
    QVERIFY(view->TreeView_Maps_Speichern());
    const qint64 save = timer.elapsed();
    qInfo("start-up fill %lld ms, bulk drop and delete %lld ms, save %lld ms", startup, bulk, save);
    // Generous bounds: quadratic steps over 10,000 maps would take far longer.
    QVERIFY(startup < 3000);
    QVERIFY(bulk < 5000);
  }
};

QTEST_MAIN(Browser_Large_Test)
#include "tst_browser_large.moc"
