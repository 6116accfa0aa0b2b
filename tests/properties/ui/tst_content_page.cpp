// The page "Content" of the map properties dialog: what the collection check says of one map,
// from "not checked yet" to the missing files by kind with the places holding them, the files
// other archives override and the map's problem.

#include <QLabel>
#include <QTabWidget>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <QtTest>

#include "../properties_fixture.h"
#include "collection_builder.h"
#include "properties/ui/content_page.h"
#include "properties/ui/map_properties_dialog.h"

using namespace vorlix;
using namespace vorlix::testing;

namespace {

// The tree's rows, "file | where" (a group's caption with an empty place), depth first.
QStringList Rows(const QTreeWidget& tree) {
  QStringList rows;
  for (QTreeWidgetItemIterator it(const_cast<QTreeWidget*>(&tree)); *it != nullptr; ++it) {
    rows << (*it)->text(0) + QStringLiteral(" | ") + (*it)->text(1);
  }
  return rows;
}

}  // namespace

class Tst_Content_Page : public QObject {
  Q_OBJECT

 private:
  TProperties_Fixture F;
  TMap_Record* Torn_ = nullptr;
  TMap_Record* Whole_ = nullptr;
  TMap_Record* Unread_ = nullptr;
  std::shared_ptr<const TCollection_Check> Check_;

 private slots:
  void initTestCase() {
    F.Standard_MODs();
    Torn_ = F.Add_Map("mymod", "under.pk3", "UNDER1.BSP");
    Whole_ = F.Add_Map("baseq3", "pak0.pk3", "Q3DM1.BSP");
    Unread_ = F.Add_Map("baseq3", "zz_new.pk3", "NEW1.BSP");
    Check_ =
        TCollection_Builder()
            .Archive("baseq3", "pak0.pk3", {"textures/base/floor.tga"})
            .Map("maps/q3dm1.bsp", {"textures/base/floor"})
            .Archive("mymod", "under.pk3", {"textures/under/floor.tga"})
            .Map("maps/under1.bsp",
                 {"textures/under/floor", "textures/under/wall", "textures/under/glow"},
                 {{TFile_Kind::Sound, "sound/under/drip.wav"}}, "the entities lump ends early")
            .Script("scripts/under.shader", "textures/under/glow", {"textures/under/glow_fx.tga"})
            .Archive("mymod", "zzz_fix.pk3", {"textures/under/floor.tga"})
            // Archive names are Latin-1 bytes: "wände.pk3".
            .Archive("othermod", "w\xE4nde.pk3", {"textures/under/wall.jpg"})
            .Build();
  }

  void missingFilesByKindThenOverriddenFilesAndTheProblem() {
    TContent_Page page;
    QVERIFY(page.Label_Content_Summary()->text().startsWith(QStringLiteral("Not checked yet")));
    page.Show(Check_.get(), Whole_);
    QVERIFY(page.Label_Content_Summary()->text().startsWith(QStringLiteral("Complete")));
    page.Show(Check_.get(), Unread_);
    QVERIFY(page.Label_Content_Summary()->text().startsWith(QStringLiteral("Not checked:")));
    page.Show(Check_.get(), Torn_);
    QCOMPARE(page.Label_Content_Summary()->text(),
             QStringLiteral("1 texture, 1 shader image, 1 sound missing"));
    QCOMPARE(
        Rows(*page.TreeWidget_Content()),
        QStringList({"Textures (1) | ",
                     QStringLiteral("textures/under/wall | found in w\u00E4nde.pk3 in MOD "
                                    "othermod"),
                     "Shader images (1) | ",
                     "textures/under/glow_fx.tga | for the shader textures/under/glow",
                     "Sounds (1) | ", "sound/under/drip.wav | ", "Overridden by other archives: | ",
                     "textures/under/floor.tga | zzz_fix.pk3 in MOD mymod"}));
    QVERIFY(!page.Label_Content_Problem()->isHidden());
    QCOMPARE(page.Label_Content_Problem()->text(),
             QStringLiteral("Problem: the entities lump ends early"));
    // Launched in the MOD holding the wall, the game finds it.
    page.Show(Check_.get(), Torn_, "othermod");
    QVERIFY(!Rows(*page.TreeWidget_Content()).join('\n').contains(QStringLiteral("under/wall")));
    // Back to a running check (after a reload): nothing of the last map stays.
    page.Show(nullptr, Torn_);
    QCOMPARE(page.TreeWidget_Content()->topLevelItemCount(), 0);
    QVERIFY(page.Label_Content_Problem()->isHidden());
  }

  void theDialogShowsThePageForOneMapAndTakesALaterCheck() {
    TForm_Map_Properties dialog;
    dialog.Load_Map(F.Context(), Torn_);
    dialog.Set_Map_Mode();
    auto* pages = dialog.findChild<QTabWidget*>(QStringLiteral("PageControl"));
    auto* page = dialog.findChild<TContent_Page*>(QStringLiteral("TabSheet_Content"));
    const int tab = pages->indexOf(page);
    QCOMPARE(pages->tabText(tab), QStringLiteral("Content"));
    // Hidden, the dialog keeps the check and reads no map: its map may be gone with a reload.
    dialog.Set_Collection(Check_);
    QVERIFY(page->Label_Content_Summary()->text().startsWith(QStringLiteral("Not checked yet")));
    QCOMPARE(dialog.Model().Context().Collection, Check_);
    // The check ends while the dialog is open.
    dialog.show();
    dialog.Set_Collection(Check_);
    QVERIFY(page->Label_Content_Summary()->text().endsWith(QStringLiteral("missing")));
    // A group has no one map's content.
    dialog.Load_Group(F.Context(), {Torn_, Whole_});
    dialog.Set_Group_Mode();
    QVERIFY(!pages->isTabVisible(tab));
    dialog.Load_Map(F.Context(), Whole_);
    dialog.Set_Map_Mode();
    QVERIFY(pages->isTabVisible(tab));
  }
};

QTEST_MAIN(Tst_Content_Page)
#include "tst_content_page.moc"
