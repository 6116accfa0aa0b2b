// The search of the main window: both views filtered as you type, every group kept (dimmed when
// nothing in it is found), the tree as it was after clearing or removing chips, drag and drop and
// delete while filtered, the filter chips, and the random pick with the scope its button names.

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QSignalSpy>
#include <QSpinBox>
#include <QToolButton>
#include <QTreeView>
#include <QtTest>

#include "../test_database.h"
#include "browser/ui/browser_models.h"
#include "browser/ui/browser_view.h"
#include "browser/ui/search_bar.h"
#include "builders.h"
#include "collection_builder.h"
#include "content/mod_list.h"
#include "database/game_index.h"
#include "database/play_history.h"

using namespace vorlix;
using vorlix::testing::TTemp_Dir;
using vorlix::testing::TTest_Database;

namespace {

// The rows of a view: "text+" for an expanded group, "text-" for a collapsed one, children in
// brackets; hidden nodes have no row.
QString Describe(const QTreeView& view, const QModelIndex& parent = QModelIndex()) {
  QStringList rows;
  const QAbstractItemModel& model = *view.model();
  for (int row = 0; row < model.rowCount(parent); ++row) {
    const QModelIndex index = model.index(row, 0, parent);
    QString text = index.data().toString();
    if (model.hasChildren(index) || !(model.flags(index) & Qt::ItemNeverHasChildren)) {
      text += view.isExpanded(index) ? QStringLiteral("+") : QStringLiteral("-");
      const QString below = Describe(view, index);
      if (!below.isEmpty()) {
        text += QStringLiteral("[") + below + QStringLiteral("]");
      }
    }
    rows << text;
  }
  return rows.join(QStringLiteral(","));
}

}  // namespace

class Search_Bar_Test : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    Db_ = std::make_unique<TTest_Database>();
    Mods_ = std::make_unique<TMOD_List>();
    Mods_->Append("baseq3");
    TPK3_Record* pk3 = Db_->Add_PK3("baseq3", "pak.pk3");
    // IDs 0..6 in this order.
    for (const char* name :
         {"ALPHA1", "BETA2", "GAMMA3", "DELTA4", "ALPHA5", "OMEGA6", "EPSILON7"}) {
      TTest_Database::Add_Map(pk3, std::string(name) + ".BSP", name);
    }
    // Arenas { Duel { ALPHA5, DELTA4 }, Team { Sub { OMEGA6 } }, EPSILON7 } (the file holds
    // the children of a group from the last to the first)
    using vorlix::testing::Tree_Entry;
    using vorlix::testing::Tree_Group;
    vorlix::testing::Write_File(
        Dir_ / "mapstree.dat", Tree_Group("Arenas", 3) + Tree_Group("Duel", 2) + Tree_Entry(3, 0) +
                                   Tree_Entry(4, 0) + Tree_Group("Team", 1) + Tree_Group("Sub", 1) +
                                   Tree_Entry(5, 0) + Tree_Entry(6, 0));

    Window_ = std::make_unique<QMainWindow>();
    View_ = new TBrowser_View(Window_.get());
    Window_->setCentralWidget(View_);
    View_->Install_Commands(Window_.get());
    History_ = std::make_unique<vorlix::THistory_Keeper>(Dir_.Path());
    View_->Set_Context(
        {&Db_->Database, Mods_.get(), &Db_->Interaction, Dir_.Path(), "", "", History_.get()});
    View_->Load_Maps_List();
    QVERIFY(View_->Initialise_Maps_Tree());
    Window_->show();
    Bar_ = View_->Search_Bar();
    Tree_View_ = View_->Tree_View();
    Tree_View_->expandAll();
    Tree_View_->collapse(Index_Of(Group("Duel")));
    Tree_View_->collapse(Index_Of(Group("Sub")));
  }

  void cleanup() {
    Window_.reset();
    History_.reset();
    Db_.reset();
  }

  void filtersBothViewsAndClearingRestoresTheTree() {
    const QString tree =
        QStringLiteral("Arenas+[Duel-[ALPHA5,DELTA4],Team+[Sub-[OMEGA6]],EPSILON7]");
    QCOMPARE(Describe(*Tree_View_), tree);
    QCOMPARE(Bar_->Count_Line()->text(), QStringLiteral("7 of 7 maps"));

    QTest::keyClicks(Bar_->Field(), QStringLiteral("alpha"));
    QCOMPARE(Describe(*View_->List_View()), QStringLiteral("ALPHA1"));
    // Every group stays: those with a found map expanded, the others dimmed and as they were.
    QCOMPARE(Describe(*Tree_View_), QStringLiteral("Arenas+[Duel+[ALPHA5],Team+[Sub-]]"));
    QCOMPARE(Dimmed_Groups(), QStringList({"Team", "Sub"}));
    QVERIFY(Index_Of(Group("Team")).data(Qt::ForegroundRole).isValid());
    QVERIFY(!Index_Of(Group("Duel")).data(Qt::ForegroundRole).isValid());
    QCOMPARE(Bar_->Count_Line()->text(), QStringLiteral("2 of 7 maps"));
    // Two words, each anywhere; then nothing at all: every group stays, dimmed.
    Bar_->Field()->setText(QStringLiteral("pak 5"));
    QCOMPARE(Describe(*Tree_View_), QStringLiteral("Arenas+[Duel+[ALPHA5],Team+[Sub-]]"));
    QCOMPARE(Describe(*View_->List_View()), QString());
    Bar_->Field()->setText(QStringLiteral("zzz"));
    // Duel, opened by the search, closes again; Arenas and Team were open before.
    QCOMPARE(Describe(*Tree_View_), QStringLiteral("Arenas+[Duel-,Team+[Sub-]]"));
    QCOMPARE(Dimmed_Groups(), QStringList({"Arenas", "Duel", "Team", "Sub"}));
    QCOMPARE(Bar_->Count_Line()->text(), QStringLiteral("0 of 7 maps"));

    // Escape clears: the tree as it was, expanded groups included; nothing moved.
    Bar_->Field()->setFocus();
    QTest::keyClick(Bar_->Field(), Qt::Key_Escape);
    QVERIFY(Bar_->Field()->text().isEmpty());
    QCOMPARE(Describe(*Tree_View_), tree);
    QCOMPARE(Describe(*View_->List_View()), QStringLiteral("ALPHA1,BETA2,GAMMA3"));
    QVERIFY(!Bar_->Active());
    QVERIFY(Dimmed_Groups().isEmpty());
  }

  void filtersAsChipsCombineWithTheWords() {
    Db_->Database.Items(0)->Maps->Items(5)->Has_AAS = true;  // OMEGA6
    Db_->Database.Items(0)->Maps->Items(1)->Has_AAS = true;  // BETA2
    Db_->Database.Items(0)->Maps->Items(1)->Rating = 4;
    Bar_->Set_Filters({.Min_Rating = 3, .Bots = true});
    QCOMPARE(Bar_->Chips().size(), 2);
    QCOMPARE(Describe(*View_->List_View()), QStringLiteral("BETA2"));
    QCOMPARE(Describe(*Tree_View_), QStringLiteral("Arenas+[Duel-,Team+[Sub-]]"));
    // Removing the rating chip leaves the bots filter; a word narrows it again. A group the user
    // opened meanwhile stays open; one the search opened closes when nothing in it is found.
    Tree_View_->expand(Index_Of(Group("Duel")));
    QTest::mouseClick(Bar_->Chips().at(0), Qt::LeftButton);
    QTRY_COMPARE(Bar_->Chips().size(), 1);
    QCOMPARE(Describe(*Tree_View_), QStringLiteral("Arenas+[Duel+,Team+[Sub+[OMEGA6]]]"));
    Bar_->Field()->setText(QStringLiteral("beta"));
    QCOMPARE(Describe(*Tree_View_), QStringLiteral("Arenas+[Duel+,Team+[Sub-]]"));
    QCOMPARE(Describe(*View_->List_View()), QStringLiteral("BETA2"));
    // Removing the last chip of a search without words ends it: the tree as it was before.
    Bar_->Field()->clear();
    QTest::mouseClick(Bar_->Chips().at(0), Qt::LeftButton);
    QTRY_VERIFY(Bar_->Chips().isEmpty());
    QVERIFY(!Bar_->Active());
    QCOMPARE(Describe(*Tree_View_),
             QStringLiteral("Arenas+[Duel-[ALPHA5,DELTA4],Team+[Sub-[OMEGA6]],EPSILON7]"));
    Bar_->Clear();
    QVERIFY(Bar_->Chips().isEmpty());
    QCOMPARE(Bar_->Count_Line()->text(), QStringLiteral("7 of 7 maps"));

    // With the game's facts, a bot file in another archive of the search path counts too.
    auto game = std::make_shared<TGame_Index>();
    game->Set_Archives(
        {{.MOD_Directory = "baseq3", .PK3_Filename = "zz_bots.pk3", .Bot_Files = {"GAMMA3"}}});
    Bar_->Set_Game_Index_Source([game]() { return game; });
    Bar_->Set_Filters({.Bots = true});
    QCOMPARE(Describe(*View_->List_View()), QStringLiteral("BETA2,GAMMA3"));

    // The history's filters read the window's history when the search runs.
    History_->Change([this](vorlix::TPlay_History& history) {
      history.Set_Favourite({Db_->Database.Items(0)->ID, 2}, true);  // GAMMA3
      return true;
    });
    Bar_->Set_Filters({.Favourite = true});
    QCOMPARE(Describe(*View_->List_View()), QStringLiteral("GAMMA3"));
    QCOMPARE(Bar_->Chips().size(), 1);

    // The tree's entries: a star for a favourite, and a tooltip with the count.
    Bar_->Clear();
    const TMaps_Tree_Node* arenas = Group("Arenas");
    const TMaps_Tree_Node* last = arenas->Child(arenas->Child_Count() - 1);
    QCOMPARE(last->Text, std::string("EPSILON7"));
    History_->Change([last](vorlix::TPlay_History& history) {
      history.Record_Launch({{last->Map->PK3->ID, last->Map->ID}, 86400, 1, "baseq3", "q3"});
      history.Set_Favourite({last->Map->PK3->ID, last->Map->ID}, true);
      return true;
    });
    const auto* model = View_->Tree_Model();
    const QString tip = model->data(Index_Of(last), Qt::ToolTipRole).toString();
    QVERIFY2(tip.startsWith(QStringLiteral("Played: once, the last on ")), qPrintable(tip));
    QVERIFY2(tip.endsWith(QStringLiteral(" (a favourite)")), qPrintable(tip));
    const TMaps_Tree_Node* team = arenas->Child(1);
    QCOMPARE(model->data(Index_Of(team->Child(0)->Child(0)), Qt::ToolTipRole).toString(),
             QStringLiteral("Played: never"));
    QVERIFY(model->data(Index_Of(last), Qt::DecorationRole).value<QIcon>().cacheKey() !=
            model->data(Index_Of(team->Child(0)->Child(0)), Qt::DecorationRole)
                .value<QIcon>()
                .cacheKey());
  }

  void theFilterPanelIsMadeOnFirstOpeningAndShowsAndSetsTheFilters() {
    auto* button = Bar_->findChild<QToolButton*>(QStringLiteral("Search_Filters"));
    QVERIFY(button != nullptr && button->menu() != nullptr);
    QVERIFY(Bar_->findChild<QWidget*>(QStringLiteral("Search_Filter_Panel")) == nullptr);
    Bar_->Set_Filters({.Min_Rating = 3});
    // Opened, the menu is as tall as the panel it made; opened again, it keeps that one panel.
    QMenu* menu = button->menu();
    menu->popup(QPoint(0, 0));
    const auto panels = Bar_->findChildren<QWidget*>(QStringLiteral("Search_Filter_Panel"));
    QCOMPARE(panels.size(), 1);
    QTRY_VERIFY(panels.front()->isVisible());
    QVERIFY(menu->height() >= panels.front()->sizeHint().height());
    menu->hide();
    menu->popup(QPoint(0, 0));
    menu->hide();
    QCOMPARE(Bar_->findChildren<QWidget*>(QStringLiteral("Search_Filter_Panel")).size(), 1);
    QCOMPARE(menu->actions().size(), 1);
    const auto spins = panels.front()->findChildren<QSpinBox*>();
    QCOMPARE(spins.size(), 2);
    QCOMPARE(spins.at(1)->value(), 3);
    auto* bots = panels.front()->findChild<QCheckBox*>();
    QVERIFY(bots != nullptr && !bots->isChecked());
    bots->setChecked(true);
    QVERIFY(Bar_->Filters().Bots);
    QCOMPARE(Bar_->Filters().Min_Rating, std::optional<int>(3));
    QCOMPARE(Bar_->Chips().size(), 2);
    auto* played = panels.front()->findChild<QComboBox*>(QStringLiteral("ComboBox_Played"));
    QVERIFY(played != nullptr && played->currentIndex() == 0);
    played->setCurrentIndex(3);
    QCOMPARE(Bar_->Filters().Played_Within_Days, std::optional<int>(30));
    QCOMPARE(Bar_->Chips().size(), 3);
  }

  void contentMarksAndFiltersFollowTheCollectionCheck() {
    std::shared_ptr<const TCollection_Check> check =
        vorlix::testing::TCollection_Builder()
            .Archive("baseq3", "pak.pk3", {"textures/a/ok.tga"})
            .Map("maps/alpha1.bsp", {"textures/a/gone1", "textures/a/gone2"},
                 {{TFile_Kind::Sound, "sound/a/gone.wav"}})
            .Map("maps/beta2.bsp", {"textures/a/ok"})
            .Map("maps/delta4.bsp", {}, {{TFile_Kind::Model, "models/a/gone.md3"}})
            .Build();
    // While the check runs, its filters show nothing and the count line says why.
    Bar_->Set_Filters({.Missing_Content = true});
    QCOMPARE(Bar_->Chips().size(), 1);
    QCOMPARE(Bar_->Chips().at(0)->text(), QStringLiteral("missing content  \u00D7"));
    QCOMPARE(Describe(*View_->List_View()), QString());
    QVERIFY2(Bar_->Count_Line()->text().contains(QStringLiteral("still running")),
             qPrintable(Bar_->Count_Line()->text()));
    // Once it has ended the search runs again with it.
    TBrowser_Context context = View_->Context();
    context.Collection = check;
    View_->Set_Context(context);
    QCOMPARE(Describe(*View_->List_View()), QStringLiteral("ALPHA1"));
    QCOMPARE(Describe(*Tree_View_), QStringLiteral("Arenas+[Duel+[DELTA4],Team+[Sub-]]"));
    QCOMPARE(Bar_->Count_Line()->text(), QStringLiteral("2 of 7 maps"));
    Bar_->Set_Filters({.Complete_Only = true});
    QCOMPARE(Bar_->Chips().at(0)->text(), QStringLiteral("complete only  \u00D7"));
    QCOMPARE(Describe(*View_->List_View()), QStringLiteral("BETA2"));
    QTest::mouseClick(Bar_->Chips().at(0), Qt::LeftButton);
    QTRY_VERIFY(!Bar_->Active());

    // The marks: the map missing files shows the checkered tile and says what it misses; a
    // complete map and one the check does not know show none.
    const auto* list = View_->List_Model();
    const auto image = [](const QVariant& icon) {
      return icon.value<QIcon>().pixmap(16, 16).toImage();
    };
    const QImage missing = Missing_Content_Icon().pixmap(16, 16).toImage();
    const auto row_of = [list](const char* file) {
      for (int row = 0; row < list->rowCount(); ++row) {
        if (list->Map(list->index(row, 0))->MAP_Filename == file) {
          return list->index(row, 0);
        }
      }
      return QModelIndex();
    };
    QCOMPARE(list->data(row_of("ALPHA1.BSP"), Qt::ToolTipRole).toString(),
             QStringLiteral("2 textures, 1 sound missing"));
    QCOMPARE(image(list->data(row_of("ALPHA1.BSP"), Qt::DecorationRole)), missing);
    QVERIFY(!list->data(row_of("BETA2.BSP"), Qt::ToolTipRole).isValid());
    QVERIFY(image(list->data(row_of("GAMMA3.BSP"), Qt::DecorationRole)) != missing);
    const TMaps_Tree_Node* delta = Group("Duel")->Child(1);
    QCOMPARE(delta->Text, std::string("DELTA4"));
    const auto* tree = View_->Tree_Model();
    QCOMPARE(tree->data(Index_Of(delta), Qt::ToolTipRole).toString(),
             QStringLiteral("Played: never\n1 model missing"));
    QCOMPARE(image(tree->data(Index_Of(delta), Qt::DecorationRole)), missing);
    // A reload drops the check: no marks until the next one ends.
    context.Collection = nullptr;
    View_->Set_Context(context);
    QVERIFY(!list->data(row_of("ALPHA1.BSP"), Qt::ToolTipRole).isValid());
  }

  void dragDropAndDeleteActOnWhatIsShown() {
    Bar_->Field()->setText(QStringLiteral("alpha"));
    // The list's only row goes into Duel, behind ALPHA5 and the hidden DELTA4.
    View_->List_View()->selectAll();
    TMaps_Tree_Node* duel = Group("Duel");
    View_->Tree().Drop_List_Items(duel, View_->List_View()->Selected_Maps());
    QCOMPARE(Describe(*View_->List_View()), QString());
    QCOMPARE(Describe(*Tree_View_), QStringLiteral("Arenas+[Duel+[ALPHA5,ALPHA1],Team+[Sub-]]"));
    // A new group made while filtered is shown; then ALPHA5 is deleted back into the list.
    View_->Tree().Select(Group("Arenas"));
    View_->Tree_View()->Menu_CreateGroupClick();
    QCOMPARE(Describe(*Tree_View_),
             QStringLiteral("Arenas+[Duel+[ALPHA5,ALPHA1],New Group-,Team+[Sub-]]"));
    QCOMPARE(duel->Child(0)->Text, std::string("ALPHA5"));
    View_->Tree().Select(duel->Child(0));
    View_->Tree_View()->Menu_DeleteEntryClick();
    QCOMPARE(Describe(*View_->List_View()), QStringLiteral("ALPHA5"));
    QCOMPARE(Describe(*Tree_View_),
             QStringLiteral("Arenas+[Duel+[ALPHA1],New Group-,Team+[Sub-]]"));

    Bar_->Clear();
    QCOMPARE(
        Describe(*Tree_View_),
        QStringLiteral("Arenas+[Duel-[DELTA4,ALPHA1],New Group-,Team+[Sub-[OMEGA6]],EPSILON7]"));
    QCOMPARE(Describe(*View_->List_View()), QStringLiteral("ALPHA5,BETA2,GAMMA3"));
  }

  void randomPicksAmongTheShownMapsOrTheGroup() {
    QSignalSpy launches(View_, &TBrowser_View::Launch_Map_Requested);
    Bar_->Seed(7);
    Bar_->Field()->setText(QStringLiteral("alpha"));
    View_->List_View()->setFocus();
    std::set<std::string> picked;
    for (int i = 0; i < 40; ++i) {
      const TMap_Record* map = Bar_->Random_Map();
      QVERIFY(map != nullptr);
      picked.insert(map->MAP_Filename);
      QCOMPARE(View_->Preview()->Shown_Map(), map);
    }
    QCOMPARE(picked, (std::set<std::string>{"ALPHA1.BSP", "ALPHA5.BSP"}));
    QCOMPARE(launches.size(), 40);
    // The group selected in the tree: its maps at any depth, among those shown, whichever view
    // has the focus; the button names the scope.
    Bar_->Clear();
    Tree_View_->setFocus();
    Tree_View_->setCurrentIndex(Index_Of(Group("Team")));
    QCOMPARE(Bar_->Random_Action()->toolTip(),
             QStringLiteral("Random Map: one of the group \"Team\" selected in the tree"));
    QCOMPARE(Bar_->Random_Map()->MAP_Filename, std::string("OMEGA6.BSP"));
    QCOMPARE(Tree_View_->currentIndex(), Index_Of(Group("Sub")->Child(0)));
    Tree_View_->setCurrentIndex(Index_Of(Group("Team")));
    View_->List_View()->setFocus();
    QCOMPARE(Bar_->Random_Map()->MAP_Filename, std::string("OMEGA6.BSP"));
    Bar_->Field()->setText(QStringLiteral("zzz"));
    Tree_View_->setCurrentIndex(Index_Of(Group("Duel")));
    QCOMPARE(Bar_->Random_Map(), nullptr);
    QCOMPARE(Db_->Interaction.Message_Texts().back(),
             std::string("The group \"Duel\" holds no map to pick among the maps shown."));
    // The top-level group stands for every map shown.
    Tree_View_->setCurrentIndex(Index_Of(Group("Arenas")));
    QCOMPARE(Bar_->Random_Action()->toolTip(),
             QStringLiteral("Random Map: one of the maps shown in tree and list"));
    QCOMPARE(Bar_->Random_Map(), nullptr);
    QCOMPARE(Db_->Interaction.Message_Texts().back(),
             std::string("No map is shown, so there is none to pick: change the search."));
    QCOMPARE(launches.size(), 42);
  }

 private:
  TMaps_Tree_Node* Group(const std::string& name) {
    TMaps_Tree_Node* found = nullptr;
    View_->Tree().For_Each([&](const TMaps_Tree_Node& node, int) {
      if (node.Is_Group() && node.Text == name) {
        found = const_cast<TMaps_Tree_Node*>(&node);
      }
    });
    return found;
  }
  QModelIndex Index_Of(const TMaps_Tree_Node* node) { return View_->Tree_Model()->Index_Of(node); }
  QStringList Dimmed_Groups() {
    QStringList dimmed;
    View_->Tree().For_Each([&](const TMaps_Tree_Node& node, int) {
      if (node.Is_Group() && View_->Tree_Model()->Dimmed(&node)) {
        dimmed << QString::fromStdString(node.Text);
      }
    });
    return dimmed;
  }

  TTemp_Dir Dir_;
  std::unique_ptr<TTest_Database> Db_;
  std::unique_ptr<TMOD_List> Mods_;
  std::unique_ptr<vorlix::THistory_Keeper> History_;
  std::unique_ptr<QMainWindow> Window_;
  TBrowser_View* View_ = nullptr;
  TSearch_Bar* Bar_ = nullptr;
  QTreeView* Tree_View_ = nullptr;
};

QTEST_MAIN(Search_Bar_Test)
#include "tst_search_bar.moc"
