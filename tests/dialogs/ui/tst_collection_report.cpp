// The collection report's window: tab captions with their counts, sorting by a column and back
// to the report's order, the one search over every tab, and which map or archive each line hands
// to the caller's functions.

#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QSortFilterProxyModel>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTreeView>
#include <QtTest>

#include "dialogs/ui/collection_report.h"

using namespace vorlix;

using TPage = TForm_Collection_Report::TPage;

namespace {

TContent_Place Archive(const char* mod, const char* pk3) {
  return {mod, pk3};
}

TContent_Counts Counts(std::uint32_t textures, std::uint32_t shader_images, std::uint32_t models,
                       std::uint32_t sounds) {
  TContent_Counts counts;
  counts.Known = true;
  counts.Missing = {textures, shader_images, models, sounds};
  return counts;
}

// Two maps lacking content (the second lacks more, so it comes first), the same map in three
// archives of baseq3, two overriding archives and a dead one; a map name in Latin-1.
TCollection_Report Sample_Report() {
  TCollection_Report report;
  report.Missing = {
      {Archive("baseq3", "big.pk3"), "maps/BIG.bsp", Counts(9, 1, 0, 0)},
      {Archive("cpma", "caf\xe9.pk3"), "maps/caf\xe9_dm1.bsp", Counts(1, 0, 0, 1)},
      {Archive("baseq3", ""), "maps/loose.bsp", Counts(0, 0, 1, 0)},
  };
  report.Duplicates = {
      {"baseq3",
       "q3dm17",
       {{Archive("baseq3", "a.pk3"), "maps/q3dm17.bsp", 0x1234, 100},
        {Archive("baseq3", "b.pk3"), "maps/Q3DM17.bsp", 0x1234, 100},
        {Archive("baseq3", "c.pk3"), "maps/q3dm17.bsp", 0x9999, 120}},
       false},
  };
  TOverriding_Archive modules;
  modules.Place = Archive("baseq3", "zz_mod.pk3");
  modules.Files = 3;
  modules.Game_Modules = 1;
  modules.Other = 2;
  modules.Overridden = {Archive("baseq3", "pak0.pk3"), Archive("baseq3", "c.pk3")};
  TOverriding_Archive sounds;
  sounds.Place = Archive("baseq3", "sounds.pk3");
  sounds.Files = 40;
  sounds.Other = 40;
  sounds.Overridden = {Archive("baseq3", "pak0.pk3")};
  report.Overriding = {modules, sounds};
  report.Dead = {Archive("baseq3", "old_textures.pk3")};
  return report;
}

QStringList Column(const QTreeView* view, int column, const QModelIndex& parent = {}) {
  QStringList texts;
  const QAbstractItemModel* model = view->model();
  for (int row = 0; row < model->rowCount(parent); ++row) {
    texts << model->index(row, column, parent).data().toString();
  }
  return texts;
}

void Click_Header(QTreeView* view, int column) {
  QHeaderView* header = view->header();
  QTest::mouseClick(header->viewport(), Qt::LeftButton, Qt::NoModifier,
                    QPoint(header->sectionViewportPosition(column) + 4, header->height() / 2));
}

void Double_Click(QTreeView* view, const QModelIndex& index) {
  const QPoint at = view->visualRect(index).center();
  QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, at);
  QTest::mouseDClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, at);
}

// The first line of a tab whose first cell reads `text`.
QModelIndex Line(const QTreeView* view, const QString& text, const QModelIndex& parent = {}) {
  const QModelIndexList found = view->model()->match(view->model()->index(0, 0, parent),
                                                     Qt::DisplayRole, text, 1, Qt::MatchExactly);
  return found.isEmpty() ? QModelIndex() : found.first();
}

}  // namespace

class Test_Collection_Report : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir Config;

 private slots:
  void initTestCase() { qputenv("XDG_CONFIG_HOME", Config.path().toLocal8Bit()); }

  void Captions_Count_The_Lines_And_The_Search_Filters_Every_Tab() {
    TForm_Collection_Report dialog;
    dialog.Set_Report(Sample_Report());
    const auto caption = [&dialog](TPage page) {
      return dialog.Tabs->tabText(dialog.Tab_Index(page));
    };
    QCOMPARE(caption(TPage::Missing), QStringLiteral("Missing content (3)"));
    QCOMPARE(caption(TPage::Duplicates), QStringLiteral("Duplicates (1)"));
    QCOMPARE(caption(TPage::Overrides), QStringLiteral("Overrides (2)"));
    QCOMPARE(caption(TPage::Dead), QStringLiteral("Dead weight (1)"));
    QVERIFY(!dialog.Tabs->isTabVisible(dialog.Tab_Index(TPage::Problems)));
    // The record's Latin-1 byte reaches the window as its letter.
    QCOMPARE(Column(dialog.View(TPage::Missing), 0),
             QStringList({"big", QStringLiteral("caf\u00e9_dm1"), "loose"}));

    // One search over every tab; a copy found keeps its map's line, a map found all its copies.
    dialog.Edit_Search->setText(QStringLiteral("C.PK3"));
    QCOMPARE(caption(TPage::Missing), QStringLiteral("Missing content (0 of 3)"));
    QCOMPARE(caption(TPage::Duplicates), QStringLiteral("Duplicates (1)"));
    QCOMPARE(caption(TPage::Overrides), QStringLiteral("Overrides (1 of 2)"));
    QCOMPARE(Column(dialog.View(TPage::Overrides), 0), QStringList({"zz_mod.pk3 in MOD baseq3"}));
    QCOMPARE(caption(TPage::Dead), QStringLiteral("Dead weight (0 of 1)"));
    const QTreeView* duplicates = dialog.View(TPage::Duplicates);
    QCOMPARE(Column(duplicates, 0, duplicates->model()->index(0, 0)),
             QStringList({"c.pk3 in MOD baseq3"}));
    dialog.Edit_Search->setText(QStringLiteral("q3dm17"));
    QCOMPARE(duplicates->model()->rowCount(duplicates->model()->index(0, 0)), 3);
    dialog.Edit_Search->setText(QStringLiteral("\u00e9"));
    QCOMPARE(caption(TPage::Missing), QStringLiteral("Missing content (1 of 3)"));

    // A new report keeps the search; problems get their tab.
    TCollection_Report report = Sample_Report();
    report.Problems = {"bad.pk3 in MOD baseq3: not a ZIP archive"};
    dialog.Set_Report(report);
    QCOMPARE(caption(TPage::Missing), QStringLiteral("Missing content (1 of 3)"));
    QVERIFY(dialog.Tabs->isTabVisible(dialog.Tab_Index(TPage::Problems)));
    dialog.Edit_Search->clear();
    QCOMPARE(caption(TPage::Problems), QStringLiteral("Not read (1)"));
    QCOMPARE(caption(TPage::Missing), QStringLiteral("Missing content (3)"));
    // A tab whose lines the search hid has a current line again once they show.
    dialog.Tabs->setCurrentIndex(dialog.Tab_Index(TPage::Dead));
    QVERIFY(dialog.Current_Target() == (TReport_Target{Archive("baseq3", "old_textures.pk3"), ""}));
    QVERIFY(dialog.Button_Delete_PK3->isEnabled());
  }

  void Columns_Sort_By_Number_And_Back_To_The_Report_Order() {
    TForm_Collection_Report dialog;
    TCollection_Report report = Sample_Report();
    report.Missing.push_back({Archive("baseq3", "ten.pk3"), "maps/ten.bsp", Counts(10, 0, 0, 0)});
    dialog.Set_Report(report);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QTreeView* missing = dialog.View(TPage::Missing);
    const int textures = 2;
    const int total = 6;
    QCOMPARE(Column(missing, 0),
             QStringList({"big", QStringLiteral("caf\u00e9_dm1"), "loose", "ten"}));
    // Numbers sort as numbers (10 before 9), the most first, ties in the report's order.
    Click_Header(missing, total);
    QCOMPARE(Column(missing, total), QStringList({"10", "10", "2", "1"}));
    QCOMPARE(Column(missing, 0),
             QStringList({"big", "ten", QStringLiteral("caf\u00e9_dm1"), "loose"}));
    Click_Header(missing, total);
    QCOMPARE(Column(missing, 0),
             QStringList({"loose", QStringLiteral("caf\u00e9_dm1"), "big", "ten"}));
    Click_Header(missing, textures);
    QCOMPARE(Column(missing, textures), QStringList({"10", "9", "1", "0"}));
    Click_Header(missing, textures);
    QCOMPARE(Column(missing, textures), QStringList({"0", "1", "9", "10"}));
    Click_Header(missing, textures);  // the third click: no column sorts
    QCOMPARE(missing->header()->sortIndicatorSection(), -1);
    QCOMPARE(Column(missing, 0),
             QStringList({"big", QStringLiteral("caf\u00e9_dm1"), "loose", "ten"}));

    // The overrides come in the report's order (the important one first), bold.
    const QTreeView* overrides = dialog.View(TPage::Overrides);
    QCOMPARE(Column(overrides, 0),
             QStringList({"zz_mod.pk3 in MOD baseq3", "sounds.pk3 in MOD baseq3"}));
    QVERIFY(overrides->model()->index(0, 0).data(Qt::FontRole).value<QFont>().bold());
    QVERIFY(!overrides->model()->index(1, 0).data(Qt::FontRole).value<QFont>().bold());
    QCOMPARE(Column(overrides, 7), QStringList({"pak0.pk3 in MOD baseq3; c.pk3 in MOD baseq3",
                                                "pak0.pk3 in MOD baseq3"}));
  }

  void Each_Line_Hands_Its_Map_Or_Archive_To_The_Caller() {
    TForm_Collection_Report dialog;
    dialog.Set_Report(Sample_Report());
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    std::vector<TReport_Target> selected;
    std::vector<TReport_Target> shown;
    std::vector<TContent_Place> deleted;
    bool delete_answer = false;
    dialog.Select = [&](const TReport_Target& target) { selected.push_back(target); };
    dialog.Show_Properties = [&](const TReport_Target& target) { shown.push_back(target); };
    dialog.Delete_PK3 = [&](const TContent_Place& place) {
      deleted.push_back(place);
      return delete_answer;
    };

    // Sorted, a line still names its own map: the lines are mapped back through the sort.
    QTreeView* missing = dialog.View(TPage::Missing);
    Click_Header(missing, 6);
    Click_Header(missing, 6);
    QCOMPARE(Column(missing, 0).last(), QStringLiteral("big"));
    Double_Click(missing, Line(missing, QStringLiteral("big")));
    QCOMPARE(selected.size(), std::size_t{1});
    QVERIFY(selected.back() == (TReport_Target{Archive("baseq3", "big.pk3"), "maps/BIG.bsp"}));
    // The record's bytes come back as they were.
    Double_Click(missing, Line(missing, QStringLiteral("caf\u00e9_dm1")));
    QCOMPARE(selected.size(), std::size_t{2});
    QVERIFY(selected.back() ==
            (TReport_Target{Archive("cpma", "caf\xe9.pk3"), "maps/caf\xe9_dm1.bsp"}));
    QTest::mouseClick(dialog.Button_Properties, Qt::LeftButton);
    QCOMPARE(shown.size(), std::size_t{1});
    QVERIFY(shown.back() == selected.back());
    // The loose files are no archive: nothing to select or delete there.
    missing->setCurrentIndex(Line(missing, QStringLiteral("loose")));
    QVERIFY(!dialog.Button_Select->isEnabled());
    QVERIFY(!dialog.Button_Properties->isEnabled());
    QVERIFY(!dialog.Button_Delete_PK3->isEnabled());
    Double_Click(missing, Line(missing, QStringLiteral("loose")));
    QCOMPARE(selected.size(), std::size_t{2});

    // A duplicate's line leads to the copy the game loads, a copy's line to that copy.
    dialog.Tabs->setCurrentIndex(dialog.Tab_Index(TPage::Duplicates));
    QTreeView* duplicates = dialog.View(TPage::Duplicates);
    const QModelIndex map = Line(duplicates, QStringLiteral("q3dm17"));
    duplicates->setCurrentIndex(map);
    QTest::mouseClick(dialog.Button_Select, Qt::LeftButton);
    QVERIFY(selected.back() == (TReport_Target{Archive("baseq3", "a.pk3"), "maps/q3dm17.bsp"}));
    Double_Click(duplicates, Line(duplicates, QStringLiteral("b.pk3 in MOD baseq3"), map));
    QVERIFY(selected.back() == (TReport_Target{Archive("baseq3", "b.pk3"), "maps/Q3DM17.bsp"}));

    // An archive's line: no properties; a refused delete leaves the report as it is.
    dialog.Tabs->setCurrentIndex(dialog.Tab_Index(TPage::Overrides));
    QTreeView* overrides = dialog.View(TPage::Overrides);
    overrides->setCurrentIndex(Line(overrides, QStringLiteral("sounds.pk3 in MOD baseq3")));
    QVERIFY(!dialog.Button_Properties->isEnabled());
    QTest::mouseClick(dialog.Button_Select, Qt::LeftButton);
    QVERIFY(selected.back() == (TReport_Target{Archive("baseq3", "sounds.pk3"), ""}));
    QTest::mouseClick(dialog.Button_Delete_PK3, Qt::LeftButton);
    QCOMPARE(deleted, std::vector<TContent_Place>({Archive("baseq3", "sounds.pk3")}));
    QCOMPARE(dialog.Tabs->tabText(dialog.Tab_Index(TPage::Overrides)),
             QStringLiteral("Overrides (2)"));

    // Deleted, the archive's lines leave every tab; the duplicate keeps its other copies.
    dialog.Tabs->setCurrentIndex(dialog.Tab_Index(TPage::Duplicates));
    duplicates->setCurrentIndex(Line(duplicates, QStringLiteral("c.pk3 in MOD baseq3"),
                                     Line(duplicates, QStringLiteral("q3dm17"))));
    delete_answer = true;
    QTest::mouseClick(dialog.Button_Delete_PK3, Qt::LeftButton);
    QVERIFY(deleted.back() == Archive("baseq3", "c.pk3"));
    const TCollection_Report& left = dialog.Report();
    QCOMPARE(left.Duplicates.size(), std::size_t{1});
    QCOMPARE(left.Duplicates[0].Copies.size(), std::size_t{2});
    QVERIFY(left.Duplicates[0].Identical);
    QCOMPARE(left.Overriding[0].Overridden,
             std::vector<TContent_Place>({Archive("baseq3", "pak0.pk3")}));
    QCOMPARE(Column(duplicates, 2), QStringList({"identical"}));
  }

  void A_Map_Left_With_One_Copy_Is_No_Duplicate() {
    TCollection_Report report = Report_Without(Sample_Report(), Archive("baseq3", "a.pk3"));
    QVERIFY(!report.Duplicates[0].Identical);
    report = Report_Without(report, Archive("baseq3", "b.pk3"));
    QVERIFY(report.Duplicates.empty());
  }
};

QTEST_MAIN(Test_Collection_Report)
#include "tst_collection_report.moc"
