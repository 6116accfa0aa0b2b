// The maps browser's widgets under the offscreen platform: drops sent to the views' viewports go
// through the real handlers; keys, focus and the levelshot timer run for real.

#include <QAction>
#include <QHeaderView>
#include <QImageWriter>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QSignalSpy>
#include <QTimer>
#include <QToolBar>
#include <QTreeView>
#include <QtTest>

#include "../test_database.h"
#include "app/session.h"
#include "browser/ui/browser_models.h"
#include "browser/ui/browser_view.h"
#include "builders.h"
#include "content/mod_list.h"

using namespace vorlix;
using vorlix::testing::TTemp_Dir;
using vorlix::testing::TTest_Database;

namespace {

// Writes a picture of one colour as JPEG (progressive when asked) with Qt's writer.
void Write_Jpeg(const QString& path, QColor colour, bool progressive) {
  QDir().mkpath(QFileInfo(path).path());
  QImage image(64, 64, QImage::Format_RGB32);
  image.fill(colour);
  QImageWriter writer(path, "jpeg");
  writer.setProgressiveScanWrite(progressive);
  writer.setQuality(95);
  QVERIFY(writer.write(image));
}

// A run-length encoded true-colour TGA (type 10) of one colour, as game archives hold them.
void Write_Rle_Tga(const std::string& path, int size, QColor colour) {
  std::string data(18, '\0');
  data[2] = 10;
  data[12] = static_cast<char>(size);
  data[14] = static_cast<char>(size);
  data[16] = 24;
  for (int left = size * size; left > 0; left -= 128) {
    const int run = std::min(left, 128);
    data.push_back(static_cast<char>(0x80 | (run - 1)));
    data.push_back(static_cast<char>(colour.blue()));
    data.push_back(static_cast<char>(colour.green()));
    data.push_back(static_cast<char>(colour.red()));
  }
  vorlix::testing::Write_File(path, data);
}

QColor Centre_Colour(const QLabel* label) {
  const QImage image = label->pixmap().toImage();
  return image.pixelColor(image.width() / 2, image.height() / 2);
}

bool Near(QColor a, QColor b) {
  return std::abs(a.red() - b.red()) < 24 && std::abs(a.green() - b.green()) < 24 &&
         std::abs(a.blue() - b.blue()) < 24;
}

}  // namespace

class Browser_View_Test : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<TTemp_Dir> Dir;
  std::unique_ptr<TTest_Database> Db;
  std::unique_ptr<TMOD_Liste> Mods;
  std::unique_ptr<QMainWindow> Window;
  TBrowser_View* View = nullptr;
  TPK3_Datei_Eintrag* Pak = nullptr;
  std::vector<TMAP_Datei_Eintrag*> Maps;

  void Drag(QWidget* viewport, QMimeData* data, QPoint position, bool* move_accepted,
            bool* dropped) {
    const std::unique_ptr<QMimeData> owned(data);  // the drag data is the drag's own
    QDragEnterEvent enter(position, Qt::MoveAction, data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(viewport, &enter);
    QDragMoveEvent move(position, Qt::MoveAction, data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(viewport, &move);
    *move_accepted = move.isAccepted();
    *dropped = false;
    if (move.isAccepted()) {
      QDropEvent drop(QPointF(position), Qt::MoveAction, data, Qt::LeftButton, Qt::NoModifier);
      QCoreApplication::sendEvent(viewport, &drop);
      *dropped = drop.isAccepted();
    }
  }

  QPoint Centre_Of(const TMaps_Tree_Node* node) {
    const QModelIndex index = View->Tree_Model()->Index_Of(node);
    View->Tree_View()->scrollTo(index);
    return View->Tree_View()->visualRect(index).center();
  }

  void Select_List_Rows(std::initializer_list<int> rows) {
    auto* selection = View->List_View()->selectionModel();
    selection->clearSelection();
    for (int row : rows) {
      selection->select(View->List_Model()->index(row, 0),
                        QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
  }

  std::vector<std::string> Texts(const TMaps_Tree_Node* node) {
    std::vector<std::string> texts;
    for (int i = 0; i < node->Child_Count(); ++i) {
      texts.push_back(node->Child(i)->Text);
    }
    return texts;
  }

 private slots:
  void init() {
    Session_Flags() = TSession_Flags{};
    Dir = std::make_unique<TTemp_Dir>();
    Db = std::make_unique<TTest_Database>();
    Mods = std::make_unique<TMOD_Liste>();
    Mods->Append("BASEQ3");
    Pak = Db->Add_PK3("baseq3", "pak.pk3");
    Maps.clear();
    const char* names[] = {"AAA.BSP", "BBB.BSP", "CCC.BSP", "DDD.BSP", "EEE.BSP"};
    const char* titles[] = {"Alpha Arena", "Bravo Base", "Charlie Court", "Delta Dome", "Echo"};
    for (int i = 0; i < 5; ++i) {
      Maps.push_back(TTest_Database::Add_Map(Pak, names[i], titles[i]));
    }
    Window = std::make_unique<QMainWindow>();
    View = new TBrowser_View(Window.get());
    Window->setCentralWidget(View);
    View->Install_Commands(Window.get());
    TBrowser_Context context;
    context.Database = &Db->Database;
    context.Mods = Mods.get();
    context.Interaction = &Db->Interaction;
    context.Program_Dir = Dir->Path();
    context.Levelshots_Dir = *Dir / "levelshots";
    context.Gfx_Dir = *Dir / "gfx";
    View->Set_Context(context);
    View->Lade_ListView_Maps();
    QVERIFY(View->Initialisiere_TreeView_Maps());
    Window->resize(900, 700);
    Window->show();
    QVERIFY(QTest::qWaitForWindowExposed(Window.get()));
  }

  void cleanup() {
    Window.reset();
    View = nullptr;
  }

  // ---- drops ----

  void dropsFromTheListOntoAGroupAndOntoAnEntry() {
    View->Tree_View()->setFocus();
    View->Menu_CreateGroupClick();
    TMaps_Tree_Node* group = View->Tree().Selected();
    QVERIFY(group != nullptr && group->Text == "New Group");
    bool accepted = false;
    bool dropped = false;

    Select_List_Rows({4});  // EEE onto the group
    Drag(View->Tree_View()->viewport(), View->Make_List_Drag_Data(), Centre_Of(group), &accepted,
         &dropped);
    QVERIFY(dropped);
    QCOMPARE(Texts(group), std::vector<std::string>{"EEE"});
    QCOMPARE(View->List().Count(), 4);

    // Three items onto the entry: in front of it, the last one selected.
    Select_List_Rows({0, 1, 2});
    Drag(View->Tree_View()->viewport(), View->Make_List_Drag_Data(), Centre_Of(group->Child(0)),
         &accepted, &dropped);
    QVERIFY(dropped);
    QCOMPARE(Texts(group), (std::vector<std::string>{"AAA", "BBB", "CCC", "EEE"}));
    QCOMPARE(View->List().Count(), 1);
    QCOMPARE(View->Tree().Selected(), group->Child(2));
    QCOMPARE(View->Tree_Model()->Node(View->Tree_View()->currentIndex()), group->Child(2));
    QCOMPARE(View->List_Model()->rowCount(), 1);

    // Closing and starting again brings the same tree back.
    QVERIFY(View->TreeView_Maps_Speichern());
    View->Clear();
    View->Lade_ListView_Maps();
    QVERIFY(View->Initialisiere_TreeView_Maps());
    QCOMPARE(Texts(View->Tree().Root()), std::vector<std::string>{"New Group"});
    QCOMPARE(Texts(View->Tree().Root()->Child(0)),
             (std::vector<std::string>{"AAA", "BBB", "CCC", "EEE"}));
    QCOMPARE(View->List().Count(), 1);
    QVERIFY(Db->Interaction.Messages.empty());
  }

  void refusedDragsAndTheDropOnTheList() {
    View->Tree_View()->setFocus();
    View->Menu_CreateGroupClick();
    TMaps_Tree_Node* outer = View->Tree().Selected();
    View->Menu_CreateGroupClick();
    TMaps_Tree_Node* inner = View->Tree().Selected();
    QCOMPARE(inner->Parent(), outer);
    View->Tree_View()->expand(View->Tree_Model()->Index_Of(outer));
    bool accepted = true;
    bool dropped = true;

    // The outer group dragged onto its own child: refused.
    View->Tree().Select(outer);
    View->Tree_View()->setCurrentIndex(View->Tree_Model()->Index_Of(outer));
    Drag(View->Tree_View()->viewport(), View->Make_Tree_Drag_Data(), Centre_Of(inner), &accepted,
         &dropped);
    QVERIFY(!accepted);
    QCOMPARE(inner->Parent(), outer);
    // A group dragged over the list: refused.
    Drag(View->List_View()->viewport(), View->Make_Tree_Drag_Data(), QPoint(20, 20), &accepted,
         &dropped);
    QVERIFY(!accepted);

    // A map entry dropped onto the list is listed again, sorted.
    Select_List_Rows({1});
    Drag(View->Tree_View()->viewport(), View->Make_List_Drag_Data(), Centre_Of(inner), &accepted,
         &dropped);
    QVERIFY(dropped);
    QCOMPARE(View->List().Count(), 4);
    TMaps_Tree_Node* entry = View->Tree().Selected();
    QVERIFY(entry->Is_Map_Entry());
    Drag(View->List_View()->viewport(), View->Make_Tree_Drag_Data(), QPoint(20, 20), &accepted,
         &dropped);
    QVERIFY(dropped);
    QCOMPARE(inner->Child_Count(), 0);
    QCOMPARE(View->List().Count(), 5);
    QCOMPARE(View->List().Item(1).Filename, std::string("BBB"));
    // Drag data of another browser is never taken.
    TBrowser_View other;
    Drag(View->Tree_View()->viewport(), other.Make_List_Drag_Data(), Centre_Of(outer), &accepted,
         &dropped);
    QVERIFY(!accepted);
  }

  void draggingNearTheEdgesScrollsByOneNode() {
    for (int i = 0; i < 60; ++i) {
      View->Tree().Select(View->Tree().Root());
      View->Tree().TreeView_Maps_Erzeuge_Gruppe("G" + std::to_string(100 + i));
    }
    TMaps_Tree_Node* dragged = View->Tree().Root()->Child(30);
    View->Tree().Select(dragged);
    View->Tree_View()->setCurrentIndex(View->Tree_Model()->Index_Of(dragged));
    QTreeView* tree = View->Tree_View();
    tree->scrollTo(View->Tree_Model()->Index_Of(View->Tree().Root()->Child(40)),
                   QAbstractItemView::PositionAtTop);
    const QModelIndex top = tree->indexAt(QPoint(1, 1));
    QVERIFY(top.isValid());
    std::unique_ptr<QMimeData> data(View->Make_Tree_Drag_Data());
    QDragMoveEvent up(QPoint(20, 1), Qt::MoveAction, data.get(), Qt::LeftButton, Qt::NoModifier);
    // Move events reach only the widget that accepted the drag's entry.
    QDragEnterEvent enter(QPoint(20, 40), Qt::MoveAction, data.get(), Qt::LeftButton,
                          Qt::NoModifier);
    QCoreApplication::sendEvent(tree->viewport(), &enter);
    QCoreApplication::sendEvent(tree->viewport(), &up);
    QCOMPARE(tree->indexAt(QPoint(1, 1)), tree->indexAbove(top));
    QDragMoveEvent down(QPoint(20, tree->viewport()->height() - 1), Qt::MoveAction, data.get(),
                        Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(tree->viewport(), &down);
    QCOMPARE(tree->indexAt(QPoint(1, 1)), top);
    QDragLeaveEvent leave;
    QCoreApplication::sendEvent(tree->viewport(), &leave);
  }

  // ---- keys and the context menu ----

  void keysOfTheTree() {
    View->Tree_View()->setFocus();
    View->Tree_View()->setCurrentIndex(View->Tree_Model()->Index_Of(View->Tree().Root()));
    // F2 on the root group does not edit; Delete does not remove it.
    QTest::keyClick(View->Tree_View(), Qt::Key_F2);
    QVERIFY(View->Tree_View()->findChild<QLineEdit*>() == nullptr);
    QTest::keyClick(View->Tree_View(), Qt::Key_Delete);
    QCOMPARE(View->Tree().Top()->Child_Count(), 1);
    QVERIFY(!View->Tree_Menu_Action(1)->isEnabled());
    // Insert makes "New Group" and selects it; F2 edits it, the context menu detached meanwhile.
    QTest::keyClick(View->Tree_View(), Qt::Key_Insert);
    TMaps_Tree_Node* group = View->Tree().Selected();
    QCOMPARE(group->Text, std::string("New Group"));
    QCOMPARE(group->Parent(), View->Tree().Root());
    QTest::keyClick(View->Tree_View(), Qt::Key_F2);
    QCOMPARE(View->Tree_View()->contextMenuPolicy(), Qt::NoContextMenu);
    auto* editor = View->Tree_View()->findChild<QLineEdit*>();
    QVERIFY(editor != nullptr);
    QTest::keyClick(editor, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(editor, QStringLiteral("Deathmatch"));
    QTest::keyClick(editor, Qt::Key_Return);
    QTRY_COMPARE(QString::fromStdString(group->Text), QStringLiteral("Deathmatch"));
    QCOMPARE(View->Tree_View()->contextMenuPolicy(), Qt::DefaultContextMenu);
    // Delete removes the group; Enter on a map entry launches.
    QSignalSpy launched(View, &TBrowser_View::Launch_Map_Requested);
    Select_List_Rows({0});
    bool accepted = false;
    bool dropped = false;
    Drag(View->Tree_View()->viewport(), View->Make_List_Drag_Data(), Centre_Of(group), &accepted,
         &dropped);
    QVERIFY(dropped);
    View->Tree_View()->setFocus();
    QTest::keyClick(View->Tree_View(), Qt::Key_Return);
    QCOMPARE(launched.count(), 1);
    QCOMPARE(launched.front().front().value<TMAP_Datei_Eintrag*>(), Maps[0]);
    View->Tree_View()->setCurrentIndex(View->Tree_Model()->Index_Of(group));
    QTest::keyClick(View->Tree_View(), Qt::Key_Delete);
    QCOMPARE(View->Tree().Root()->Child_Count(), 0);
    QCOMPARE(View->List().Count(), 5);
    QCOMPARE(View->List().Item(0).Filename, std::string("AAA"));
  }

  // ---- availability ----

  void commandsFollowTheSelection() {
    QAction* launch = View->Command(Main_Command::Launch_Map);
    QAction* properties = View->Command(Main_Command::Map_Properties);
    QAction* arena = View->Command(Main_Command::Create_Arena_File);
    QVERIFY(!launch->isEnabled() && !properties->isEnabled() && !arena->isEnabled());
    QVERIFY(View->Command(Main_Command::Import_Arena_File)->isEnabled());
    QVERIFY(!View->Command(Main_Command::Print)->isEnabled());
    QVERIFY(!View->Command(Main_Command::Printer_Setup)->isEnabled());

    View->Tree_View()->setFocus();
    View->Menu_CreateGroupClick();
    TMaps_Tree_Node* group = View->Tree().Selected();
    View->Menu_CreateGroupClick();  // a group holding only a group
    View->Tree_View()->setCurrentIndex(View->Tree_Model()->Index_Of(group));
    QVERIFY(!launch->isEnabled() && !properties->isEnabled() && !arena->isEnabled());

    Maps[0]->Allow_Include_In_Arena_File = false;
    Select_List_Rows({0});
    bool accepted = false;
    bool dropped = false;
    Drag(View->Tree_View()->viewport(), View->Make_List_Drag_Data(), Centre_Of(group), &accepted,
         &dropped);
    QVERIFY(dropped);
    QVERIFY(launch->isEnabled() && properties->isEnabled() && !arena->isEnabled());
    View->Tree_View()->setCurrentIndex(View->Tree_Model()->Index_Of(group));
    QVERIFY(!launch->isEnabled() && properties->isEnabled() && !arena->isEnabled());
    Select_List_Rows({0});
    Drag(View->Tree_View()->viewport(), View->Make_List_Drag_Data(), Centre_Of(group), &accepted,
         &dropped);
    View->Tree_View()->setCurrentIndex(View->Tree_Model()->Index_Of(group));
    QVERIFY(arena->isEnabled());
    QSignalSpy create(View, &TBrowser_View::Create_Arena_File_Requested);
    View->Tree_View()->setFocus();
    arena->trigger();
    QCOMPARE(create.count(), 1);

    // A list item after that group: no arena file; the list has the focus now.
    View->List_View()->setFocus();
    Select_List_Rows({0});
    QVERIFY(launch->isEnabled() && properties->isEnabled() && !arena->isEnabled());
    QSignalSpy map_properties(View, &TBrowser_View::Map_Properties_Requested);
    properties->trigger();
    QCOMPARE(map_properties.count(), 1);
    QCOMPARE(map_properties.front().front().value<TMAP_Datei_Eintrag*>(), View->List().Item(0).Map);

    // The root group in the context menu: never deleted.
    View->Tree_View()->setCurrentIndex(View->Tree_Model()->Index_Of(View->Tree().Root()));
    View->PopupMenu_TreeView_MapsPopup();
    QVERIFY(View->Tree_Menu_Action(0)->isEnabled());
    QVERIFY(!View->Tree_Menu_Action(1)->isEnabled());
    QVERIFY(View->Tree_Menu_Action(2)->isEnabled());
    QVERIFY(View->Tree_Menu_Action(3)->isEnabled());

    View->Set_Arena_Counts(2, 1);
    QVERIFY(View->Command(Main_Command::Remove_Arena_File)->isEnabled());
    QVERIFY(!View->Command(Main_Command::Activate_Arena_File)->isEnabled());
  }

  void menusAndToolbar() {
    const QList<QAction*> menus = Window->menuBar()->actions();
    QCOMPARE(menus.size(), 2);
    QCOMPARE(menus[0]->text(), QStringLiteral("&Vorlix"));
    QCOMPARE(menus[1]->text(), QStringLiteral("&Help"));
    QStringList items;
    for (QAction* action : menus[0]->menu()->actions()) {
      items << (action->isSeparator() ? QStringLiteral("-") : action->text());
    }
    QCOMPARE(items, (QStringList{"&Launch Map", "Map &Properties", "-", "&Create Arena File",
                                 "&Import Arena File", "&Activate Arena File", "&Remove Arena File",
                                 "-", "&Print Arenas", "Printer &Setup", "-", "&Exit"}));
    QCOMPARE(menus[1]->menu()->actions().front()->text(), QStringLiteral("&Info"));
    QStringList hints;
    for (QAction* action : View->Tool_Bar()->actions()) {
      if (action->isSeparator()) {
        hints << QStringLiteral("-");
        continue;
      }
      hints << action->toolTip();
      QCOMPARE(View->Tool_Bar()->widgetForAction(action)->size(), QSize(30, 30));
    }
    QCOMPARE(hints,
             (QStringList{"Launch Map (Get Some Frags!)", "Map Properties", "-",
                          "Create Arena File (out of selected branch of Maps Tree)",
                          "Import Arena File", "Activate existing Arena File", "Remove Arena File",
                          "-", "Print Maps", "Printer Setup", "-", "Exit Vorlix"}));
    QCOMPARE(View->Command(Main_Command::Create_Arena_File)->shortcut(),
             QKeySequence(Qt::ALT | Qt::Key_C));
    QCOMPARE(View->List_Model()->headerData(2, Qt::Horizontal, Qt::DisplayRole).toString(),
             QStringLiteral("in PK3"));
  }

  void listColumnsAndSort() {
    View->List_View()->resize(500, 300);
    QCOMPARE(View->List_View()->header()->sectionSize(0), 183);
    QCOMPARE(View->List_View()->header()->sectionSize(1), 116);
    QCOMPARE(View->List_View()->header()->sectionSize(2), 183);
    // Selection stays on its map across a re-sort.
    Select_List_Rows({4});  // EEE, "Echo"
    View->List_View()->header()->sectionClicked(0);
    QCOMPARE(View->List().Sort_Column, 0);
    QCOMPARE(View->Selected_List_Map(), Maps[4]);
  }

  // ---- levelshot ----

  void levelshotWaitsForAHeldNavigationKey() {
    Maps[1]->Has_Levelshot_JPG = true;
    Maps[2]->Has_Levelshot_TGA = true;
    Write_Jpeg(QString::fromStdString(*Dir / "levelshots/baseq3/pak.pk3/bbb.jpg"), Qt::red, true);
    Write_Rle_Tga(*Dir / "levelshots/baseq3/pak.pk3/ccc.tga", 32, QColor(0, 0, 255));
    Write_Jpeg(QString::fromStdString(*Dir / "gfx/NOLEVELSHOTAVAILABLE.JPG"), Qt::green, false);

    View->List_View()->setFocus();
    View->List_View()->setCurrentIndex(View->List_Model()->index(0, 0));
    QTRY_COMPARE(View->Shown_Levelshot_Map(), Maps[0]);
    QVERIFY(Near(Centre_Colour(View->Levelshot_Image()), Qt::green));  // the placeholder
    QCOMPARE(View->Levelshot_Name()->text(), QString());

    // Down held: the selection moves on, the picture waits.
    QTest::keyPress(View->List_View(), Qt::Key_Down);
    QTest::keyPress(View->List_View(), Qt::Key_Down, Qt::NoModifier);
    QVERIFY(View->List_Navigation_Key_Held());
    QTest::qWait(200);
    QCOMPARE(View->Shown_Levelshot_Map(), Maps[0]);
    QVERIFY(View->Levelshot_Timer()->isActive());
    QTest::keyRelease(View->List_View(), Qt::Key_Down);
    QVERIFY(!View->List_Navigation_Key_Held());
    QTRY_COMPARE_WITH_TIMEOUT(View->Shown_Levelshot_Map(), Maps[2], 500);
    QVERIFY(!View->Levelshot_Timer()->isActive());
    QVERIFY(Near(Centre_Colour(View->Levelshot_Image()), QColor(0, 0, 255)));  // RLE TGA
    QCOMPARE(View->Levelshot_Name()->text(), QStringLiteral("of Charlie Court"));

    View->List_View()->setCurrentIndex(View->List_Model()->index(1, 0));
    QTRY_COMPARE(View->Shown_Levelshot_Map(), Maps[1]);
    QVERIFY(Near(Centre_Colour(View->Levelshot_Image()), Qt::red));  // progressive JPEG
    QCOMPARE(View->Levelshot_Name()->text(), QStringLiteral("of Bravo Base"));

    // Selecting a group keeps the picture; a removed pending item shows nothing.
    View->Tree_View()->setCurrentIndex(View->Tree_Model()->Index_Of(View->Tree().Root()));
    QVERIFY(!View->Levelshot_Timer()->isActive());
    View->List_View()->setCurrentIndex(View->List_Model()->index(3, 0));
    View->List().Remove_Maps({Maps[3]});
    QTest::qWait(150);
    QCOMPARE(View->Shown_Levelshot_Map(), Maps[1]);
    QCOMPARE(View->Levelshot_Name()->text(), QStringLiteral("of Bravo Base"));

    // Announced but missing: white and no name.
    Maps[4]->Has_Levelshot_JPG = true;
    View->Zeige_Levelshot_an(*Maps[4]);
    QVERIFY(Near(Centre_Colour(View->Levelshot_Image()), Qt::white));
    QCOMPARE(View->Levelshot_Name()->text(), QString());
  }

  // A filled window: groups with entries, a map selected with its levelshot. With
  // VORLIX_BROWSER_SCREENSHOT set, the window's picture is saved there (run under Xvfb with the
  // xcb platform for a real one).
  void filledWindow() {
    Maps[2]->Has_Levelshot_JPG = true;
    Write_Jpeg(QString::fromStdString(*Dir / "levelshots/baseq3/pak.pk3/ccc.jpg"),
               QColor(150, 90, 40), false);
    View->Tree().Select(View->Tree().Root());
    TMaps_Tree_Node* duel = View->Tree().TreeView_Maps_Erzeuge_Gruppe("Duel");
    View->Tree().Select(View->Tree().Root());
    TMaps_Tree_Node* team = View->Tree().TreeView_Maps_Erzeuge_Gruppe("Team Deathmatch");
    View->Tree().Drop_List_Items(duel, {Maps[0], Maps[1]});
    View->Tree().Drop_List_Items(team, {Maps[2]});
    View->Tree_View()->expandAll();
    View->Tree_View()->setFocus();
    View->Tree_View()->setCurrentIndex(View->Tree_Model()->Index_Of(team->Child(0)));
    QTRY_COMPARE(View->Shown_Levelshot_Map(), Maps[2]);
    QCOMPARE(View->Levelshot_Name()->text(), QStringLiteral("of Charlie Court"));
    QVERIFY(View->Command(Main_Command::Launch_Map)->isEnabled());
    const QPixmap picture = Window->grab();
    QCOMPARE(picture.size(), Window->size());
    const QString target = qEnvironmentVariable("VORLIX_BROWSER_SCREENSHOT");
    if (!target.isEmpty()) {
      QVERIFY(picture.save(target));
    }
  }

  void incompatibleTreeFileStopsTheStartUp() {
    vorlix::testing::Write_File(*Dir / "mapstree.dat", std::string("\x02\0\0\0\x01", 5));
    View->Clear();
    View->Lade_ListView_Maps();
    QVERIFY(!View->Initialisiere_TreeView_Maps());
    QCOMPARE(Db->Interaction.Message_Texts(),
             std::vector<std::string>{"Error loading map information. Incompatible file format."});
    QVERIFY(Session_Flags().Suppress_Saving);
  }
};

QTEST_MAIN(Browser_View_Test)
#include "tst_browser_view.moc"
