// The maps browser's widgets under the offscreen platform: drops sent to the views' viewports go
// through the real handlers; keys, focus and the levelshot timer run for real. What the tree and
// the list do with a drop, and the availability rules, are tested on the logic.

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
#include <QUndoStack>
#include <QtTest>

#include "../test_database.h"
#include "browser/ui/browser_models.h"
#include "browser/ui/browser_view.h"
#include "browser/ui/search_bar.h"
#include "browser/ui/tree_history.h"
#include "builders.h"
#include "content/mod_list.h"
#include "database/game_index.h"

using namespace vorlix;
using vorlix::testing::Child_Texts;
using vorlix::testing::TTemp_Dir;
using vorlix::testing::TTest_Database;
using Texts = std::vector<std::string>;

namespace {

// Writes a picture of one colour as JPEG (progressive when asked) with Qt's writer.
void Write_Jpeg(const std::string& path, QColor colour, bool progressive) {
  QDir().mkpath(QFileInfo(QString::fromStdString(path)).path());
  QImage image(64, 64, QImage::Format_RGB32);
  image.fill(colour);
  QImageWriter writer(QString::fromStdString(path), "jpeg");
  writer.setProgressiveScanWrite(progressive);
  writer.setQuality(95);
  QVERIFY(writer.write(image));
}

bool Centre_Near(const QLabel* label, QColor b) {
  const QImage image = label->pixmap().toImage();
  const QColor a = image.pixelColor(image.width() / 2, image.height() / 2);
  return std::abs(a.red() - b.red()) < 24 && std::abs(a.green() - b.green()) < 24 &&
         std::abs(a.blue() - b.blue()) < 24;
}

struct TDrag_Result {
  bool Move_Accepted = false;
  bool Dropped = false;
};

}  // namespace

class Browser_View_Test : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<TTemp_Dir> Dir;
  std::unique_ptr<TTest_Database> Db;
  std::unique_ptr<TMOD_List> Mods;
  std::unique_ptr<QMainWindow> Window;
  TBrowser_View* View = nullptr;
  std::vector<TMap_Record*> Maps;

  TDrag_Result Drag(QWidget* viewport, QMimeData* data, QPoint position) {
    const std::unique_ptr<QMimeData> owned(data);  // the drag data is the drag's own
    TDrag_Result result;
    QDragEnterEvent enter(position, Qt::MoveAction, data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(viewport, &enter);
    QDragMoveEvent move(position, Qt::MoveAction, data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(viewport, &move);
    result.Move_Accepted = move.isAccepted();
    if (move.isAccepted()) {
      QDropEvent drop(QPointF(position), Qt::MoveAction, data, Qt::LeftButton, Qt::NoModifier);
      QCoreApplication::sendEvent(viewport, &drop);
      result.Dropped = drop.isAccepted();
    }
    return result;
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

  // Drags the given list rows onto a tree node.
  TDrag_Result Drop_Rows(std::initializer_list<int> rows, const TMaps_Tree_Node* target) {
    Select_List_Rows(rows);
    return Drag(View->Tree_View()->viewport(), View->List_View()->Make_Drag_Data(),
                Centre_Of(target));
  }

  TDrag_Result Drag_Tree_Onto_List() {
    return Drag(View->List_View()->viewport(), View->Tree_View()->Make_Drag_Data(), QPoint(20, 20));
  }

  void Set_Tree_Current(const TMaps_Tree_Node* node) {
    View->Tree_View()->setCurrentIndex(View->Tree_Model()->Index_Of(node));
  }

  TMaps_Tree_Node* Create_Group_In_Tree() {
    View->Tree_View()->setFocus();
    View->Tree_View()->Menu_CreateGroupClick();
    return View->Tree().Selected();
  }

 private slots:
  void init() {
    Dir = std::make_unique<TTemp_Dir>();
    Db = std::make_unique<TTest_Database>();
    Mods = std::make_unique<TMOD_List>();
    Mods->Append("BASEQ3");
    TPK3_Record* pak = Db->Add_PK3("baseq3", "pak.pk3");
    Maps.clear();
    const std::pair<const char*, const char*> maps[] = {{"AAA.BSP", "Alpha Arena"},
                                                        {"BBB.BSP", "Bravo Base"},
                                                        {"CCC.BSP", "Charlie Court"},
                                                        {"DDD.BSP", "Delta Dome"},
                                                        {"EEE.BSP", "Echo"}};
    for (const auto& [name, title] : maps) {
      Maps.push_back(TTest_Database::Add_Map(pak, name, title));
    }
    Window = std::make_unique<QMainWindow>();
    View = new TBrowser_View(Window.get());
    Window->setCentralWidget(View);
    View->Install_Commands(Window.get());
    View->Set_Context({&Db->Database, Mods.get(), &Db->Interaction, Dir->Path(),
                       *Dir / "levelshots", *Dir / "gfx"});
    View->Load_Maps_List();
    QVERIFY(View->Initialise_Maps_Tree());
    Window->resize(900, 700);
    Window->show();
    QVERIFY(QTest::qWaitForWindowExposed(Window.get()));
  }

  void cleanup() {
    Window.reset();
    View = nullptr;
  }

  void dropsArriveWhereTheyAreAimedAndRefusedOnesChangeNothing() {
    TMaps_Tree_Node* outer = Create_Group_In_Tree();
    QVERIFY(outer != nullptr && outer->Text == "New Group");
    View->Tree_View()->Menu_CreateGroupClick();
    TMaps_Tree_Node* inner = View->Tree().Selected();
    QCOMPARE(inner->Parent(), outer);
    View->Tree_View()->expand(View->Tree_Model()->Index_Of(outer));
    // The outer group dragged onto its own child, or over the list: refused.
    View->Tree().Select(outer);
    Set_Tree_Current(outer);
    QVERIFY(
        !Drag(View->Tree_View()->viewport(), View->Tree_View()->Make_Drag_Data(), Centre_Of(inner))
             .Move_Accepted);
    QCOMPARE(inner->Parent(), outer);
    QVERIFY(!Drag_Tree_Onto_List().Move_Accepted);
    // A map entry dropped onto the list is listed again, sorted.
    QVERIFY(Drop_Rows({1}, inner).Dropped);
    QCOMPARE(View->List_Model()->rowCount(), 4);
    QVERIFY(View->Tree().Selected()->Is_Map_Entry());
    QVERIFY(Drag_Tree_Onto_List().Dropped);
    QCOMPARE(inner->Child_Count(), 0);
    QCOMPARE(View->List_Model()->rowCount(), 5);
    QCOMPARE(std::string(View->List().Text(1, 1)), std::string("BBB"));
    // Drag data of another browser is never taken.
    TBrowser_View other;
    QVERIFY(
        !Drag(View->Tree_View()->viewport(), other.List_View()->Make_Drag_Data(), Centre_Of(outer))
             .Move_Accepted);

    QVERIFY(Drop_Rows({4}, outer).Dropped);  // EEE onto the group: after its groups
    QCOMPARE(Child_Texts(outer), (Texts{"New Group", "EEE"}));
    // Three items onto the entry: in front of it, the last one selected in the view too.
    QVERIFY(Drop_Rows({0, 1, 2}, outer->Child(1)).Dropped);
    QCOMPARE(Child_Texts(outer), (Texts{"New Group", "AAA", "BBB", "CCC", "EEE"}));
    QCOMPARE(View->Tree().Selected(), outer->Child(3));
    QCOMPARE(View->Tree_Model()->Node(View->Tree_View()->currentIndex()), outer->Child(3));
    QCOMPARE(View->List_Model()->rowCount(), 1);
  }

  // A new group's name is edited at once: typing names it, and the name is an undo step of its
  // own after the creation.
  void aNewGroupIsNamedRightAfterItIsMade() {
    TMaps_Tree_Node* group = Create_Group_In_Tree();
    auto* editor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
    QVERIFY(editor != nullptr && View->Tree_View()->isAncestorOf(editor));
    QCOMPARE(editor->selectedText(), QStringLiteral("New Group"));
    QCOMPARE(View->Tree_View()->contextMenuPolicy(), Qt::NoContextMenu);
    QTest::keyClicks(editor, QStringLiteral("Duel"));
    QTest::keyClick(editor, Qt::Key_Return);
    QTRY_COMPARE(group->Text, std::string("Duel"));  // the editor commits queued
    QCOMPARE(View->Tree_View()->contextMenuPolicy(), Qt::DefaultContextMenu);
    QUndoStack* stack = View->History()->Stack();
    QCOMPARE(stack->count(), 2);
    QCOMPARE(stack->undoText(), QStringLiteral("Rename Group"));
    stack->undo();  // rebuilds the tree
    QCOMPARE(Child_Texts(View->Tree().Root()), Texts{"New Group"});
  }

  // While searching, a group without found maps is still there, dimmed, and takes a found map.
  void aSearchKeepsEveryGroupAsADropTarget() {
    TMaps_Tree_Node* group = Create_Group_In_Tree();
    View->Tree_View()->setFocus();  // leaves the name as it is
    View->Search_Bar()->Field()->setText(QStringLiteral("bravo"));
    QCOMPARE(View->List_Model()->rowCount(), 1);
    QVERIFY(View->Tree_Model()->Index_Of(group).isValid());
    QVERIFY(View->Tree_Model()->Dimmed(group));
    QVERIFY(Drop_Rows({0}, group).Dropped);
    QCOMPARE(Child_Texts(group), Texts{"BBB"});
    QVERIFY(!View->Tree_Model()->Dimmed(group));
    QVERIFY(!View->Tree_Model()->Dimmed(View->Tree().Root()));
  }

  void draggingNearTheEdgesScrollsByOneNode() {
    for (int i = 0; i < 60; ++i) {
      View->Tree().Select(View->Tree().Root());
      View->Tree().Make_Group("G" + std::to_string(100 + i));
    }
    TMaps_Tree_Node* dragged = View->Tree().Root()->Child(30);
    View->Tree().Select(dragged);
    Set_Tree_Current(dragged);
    QTreeView* tree = View->Tree_View();
    tree->scrollTo(View->Tree_Model()->Index_Of(View->Tree().Root()->Child(40)),
                   QAbstractItemView::PositionAtTop);
    const QModelIndex top = tree->indexAt(QPoint(1, 1));
    QVERIFY(top.isValid());
    std::unique_ptr<QMimeData> data(View->Tree_View()->Make_Drag_Data());
    // Move events reach only the widget that accepted the drag's entry.
    QDragEnterEvent enter(QPoint(20, 40), Qt::MoveAction, data.get(), Qt::LeftButton,
                          Qt::NoModifier);
    QCoreApplication::sendEvent(tree->viewport(), &enter);
    QDragMoveEvent up(QPoint(20, 1), Qt::MoveAction, data.get(), Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(tree->viewport(), &up);
    QCOMPARE(tree->indexAt(QPoint(1, 1)), tree->indexAbove(top));
    QDragMoveEvent down(QPoint(20, tree->viewport()->height() - 1), Qt::MoveAction, data.get(),
                        Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(tree->viewport(), &down);
    QCOMPARE(tree->indexAt(QPoint(1, 1)), top);
    QDragLeaveEvent leave;
    QCoreApplication::sendEvent(tree->viewport(), &leave);
  }

  void keysOfTheTree() {
    View->Tree_View()->setFocus();
    Set_Tree_Current(View->Tree().Root());
    QTest::keyPress(View->Tree_View(), Qt::Key_Down);  // held: the levelshot waits
    QVERIFY(View->Tree_View()->Navigation_Key_Held());
    QTest::keyRelease(View->Tree_View(), Qt::Key_Down);
    QVERIFY(!View->Tree_View()->Navigation_Key_Held());
    // F2 on the root group does not edit; Delete does not remove it.
    QTest::keyClick(View->Tree_View(), Qt::Key_F2);
    QVERIFY(View->Tree_View()->findChild<QLineEdit*>() == nullptr);
    QTest::keyClick(View->Tree_View(), Qt::Key_Delete);
    QCOMPARE(View->Tree().Top()->Child_Count(), 1);
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
    // Enter on a map entry launches; Delete removes the group and lists its map again.
    QSignalSpy launched(View, &TBrowser_View::Launch_Map_Requested);
    QVERIFY(Drop_Rows({0}, group).Dropped);
    View->Tree_View()->setFocus();
    QTest::keyClick(View->Tree_View(), Qt::Key_Return);
    QCOMPARE(launched.count(), 1);
    QCOMPARE(launched.front().front().value<TMap_Record*>(), Maps[0]);
    Set_Tree_Current(group);
    QTest::keyClick(View->Tree_View(), Qt::Key_Delete);
    QCOMPARE(View->Tree().Root()->Child_Count(), 0);
    QCOMPARE(View->List_Model()->rowCount(), 5);
    QCOMPARE(std::string(View->List().Text(0, 1)), std::string("AAA"));
  }

  // A drop gives the keys to the view that took it, whose selection is drawn in the highlight
  // colour while the other view's turns grey; the commands follow every change of selection.
  void dropsTakeTheFocusAndCommandsFollowDropsAndDeletes() {
    Window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(Window.get()));
    QAction* launch = View->Commands()->Command(TMain_Command::Launch_Map);
    QAction* properties = View->Commands()->Command(TMain_Command::Map_Properties);
    const auto highlight = [](QWidget* view) {
      return view->palette().color(QPalette::Active, QPalette::Highlight);
    };
    const QColor focused = QApplication::palette(View->Tree_View()).color(QPalette::Highlight);
    TMaps_Tree_Node* group = Create_Group_In_Tree();
    View->List_View()->setFocus();
    QCOMPARE(highlight(View->List_View()), focused);
    QVERIFY(highlight(View->Tree_View()) != focused);
    QVERIFY(Drop_Rows({0, 1}, group).Dropped);
    QCOMPARE(QApplication::focusWidget(), View->Tree_View());
    QCOMPARE(highlight(View->Tree_View()), focused);
    QVERIFY(highlight(View->List_View()) != focused);
    QCOMPARE(View->Tree().Selected()->Map, Maps[1]);

    // Delete: the next entry is selected, shown selected, and can be launched.
    QTest::keyClick(View->Tree_View(), Qt::Key_Delete);
    TMaps_Tree_Node* next = View->Tree().Selected();
    QVERIFY(next != nullptr && next->Map == Maps[0]);
    QVERIFY(View->Tree_View()->selectionModel()->isSelected(View->Tree_Model()->Index_Of(next)));
    QVERIFY(launch->isEnabled() && properties->isEnabled());

    // Back onto the list: the list takes the keys with that map selected.
    QVERIFY(Drag_Tree_Onto_List().Dropped);
    QCOMPARE(QApplication::focusWidget(), View->List_View());
    QCOMPARE(View->List_View()->Selected_Maps(), std::vector<TMap_Record*>{Maps[0]});
    QVERIFY(launch->isEnabled() && properties->isEnabled());
  }

  // Every change of the tree goes back and forth; a deleted group comes back with its subgroup,
  // open as it was, and takes its maps out of the list again.
  void undoAndRedoEveryTreeChange() {
    QUndoStack* stack = View->History()->Stack();
    std::vector<std::pair<std::string, int>> states{{View->Tree().Serialize(), 5}};
    const auto done = [&] { states.emplace_back(View->Tree().Serialize(), View->List().Count()); };
    TMaps_Tree_Node* outer = Create_Group_In_Tree();
    done();
    View->Tree_View()->Menu_CreateGroupClick();
    TMaps_Tree_Node* inner = View->Tree().Selected();
    done();
    QVERIFY(Drop_Rows({0}, inner).Dropped);
    done();
    QVERIFY(Drop_Rows({0, 1}, outer).Dropped);
    done();
    QVERIFY(
        View->Tree_Model()->setData(View->Tree_Model()->Index_Of(outer), "Outer", Qt::EditRole));
    done();
    Set_Tree_Current(outer->Child(1));
    QVERIFY(Drag_Tree_Onto_List().Dropped);
    done();
    Set_Tree_Current(outer->Child(1));  // CCC into the subgroup: a move within the tree
    QVERIFY(
        Drag(View->Tree_View()->viewport(), View->Tree_View()->Make_Drag_Data(), Centre_Of(inner))
            .Dropped);
    done();
    Set_Tree_Current(outer);
    View->Tree_View()->Menu_DeleteEntryClick();
    done();
    QCOMPARE(View->Tree().Root()->Child_Count(), 0);
    QCOMPARE(View->List().Count(), 5);
    QCOMPARE(stack->count(), 8);
    QCOMPARE(View->Commands()->Undo_Action()->text(), QStringLiteral("&Undo Delete Entry"));

    for (std::size_t step = states.size() - 1; step > 0; --step) {
      stack->undo();
      QCOMPARE(View->Tree().Serialize(), states[step - 1].first);
      QCOMPARE(View->List().Count(), states[step - 1].second);
      if (step == states.size() - 1) {
        const TMaps_Tree_Node* back = View->Tree().Root()->Child(0);
        QVERIFY(View->Tree_View()->isExpanded(View->Tree_Model()->Index_Of(back)));
        QCOMPARE(View->Tree().Selected(), back);
      }
    }
    for (std::size_t step = 1; step < states.size(); ++step) {
      stack->redo();
      QCOMPARE(View->Tree().Serialize(), states[step].first);
      QCOMPARE(View->List().Count(), states[step].second);
    }
    View->Clear();  // a reload forgets the history
    QCOMPARE(stack->count(), 0);
  }

  void commandsFollowTheSelection() {
    QAction* launch = View->Commands()->Command(TMain_Command::Launch_Map);
    QAction* properties = View->Commands()->Command(TMain_Command::Map_Properties);
    QAction* arena = View->Commands()->Command(TMain_Command::Create_Arena_File);
    QVERIFY(!launch->isEnabled() && !properties->isEnabled() && !arena->isEnabled());
    QVERIFY(View->Commands()->Command(TMain_Command::Import_Arena_File)->isEnabled());

    TMaps_Tree_Node* group = Create_Group_In_Tree();
    Maps[0]->Allow_Include_In_Arena_File = false;
    QVERIFY(Drop_Rows({0}, group).Dropped);
    QVERIFY(launch->isEnabled() && properties->isEnabled() && !arena->isEnabled());
    Set_Tree_Current(group);
    QVERIFY(!launch->isEnabled() && properties->isEnabled() && !arena->isEnabled());
    QVERIFY(Drop_Rows({0}, group).Dropped);
    Set_Tree_Current(group);
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
    QCOMPARE(map_properties.front().front().value<TMap_Record*>(), View->List().Item(0).Map);

    // The root group in the context menu: never deleted.
    Set_Tree_Current(View->Tree().Root());
    View->Tree_View()->PopupMenu_TreeView_MapsPopup();
    const TMaps_Tree_View* tree = View->Tree_View();
    QVERIFY(tree->TreeView_Maps_Create_Group()->isEnabled());
    QVERIFY(!tree->TreeView_Maps_Delete_Entry()->isEnabled());
    QVERIFY(tree->TreeView_Maps_Create_Arena_File()->isEnabled());
    QVERIFY(tree->TreeView_Maps_Properties()->isEnabled());
    View->Commands()->Set_Arena_Counts(2, 1);
    QVERIFY(View->Commands()->Command(TMain_Command::Remove_Arena_File)->isEnabled());
    QVERIFY(!View->Commands()->Command(TMain_Command::Activate_Arena_File)->isEnabled());
    View->Commands()->Set_Arena_Counts(1, 2);  // two arena files of one MOD: one can be activated
    QVERIFY(View->Commands()->Command(TMain_Command::Activate_Arena_File)->isEnabled());
  }

  void listColumnsFollowTheWidthAndTheSelectionTheSort() {
    // The columns follow the list's width; the selection stays on its map across a re-sort.
    View->List_View()->resize(500, 300);
    for (int column = 0; column < 3; ++column) {
      QCOMPARE(View->List_View()->header()->sectionSize(column), column == 1 ? 116 : 183);
    }
    Select_List_Rows({4});  // EEE, "Echo"
    View->List_View()->header()->sectionClicked(0);
    QCOMPARE(View->List().Sort_Column, 0);
    QCOMPARE(View->List_View()->Selected_Map(), Maps[4]);
  }

  void levelshotWaitsForAHeldNavigationKey() {
    Maps[1]->Has_Levelshot_JPG = true;
    Maps[2]->Has_Levelshot_JPG = true;
    Write_Jpeg(*Dir / "levelshots/baseq3/pak.pk3/bbb.jpg", Qt::red, true);
    Write_Jpeg(*Dir / "levelshots/baseq3/pak.pk3/ccc.jpg", Qt::blue, false);
    Write_Jpeg(*Dir / "gfx/NOLEVELSHOTAVAILABLE.JPG", Qt::green, false);

    View->List_View()->setFocus();
    View->List_View()->setCurrentIndex(View->List_Model()->index(0, 0));
    QTRY_COMPARE(View->Preview()->Shown_Map(), Maps[0]);
    QVERIFY(Centre_Near(View->Preview()->Image(), Qt::green));  // the placeholder
    QCOMPARE(View->Preview()->Name()->text(), QString());

    // Down held: the selection moves on, the picture waits.
    QTest::keyPress(View->List_View(), Qt::Key_Down);
    QTest::keyPress(View->List_View(), Qt::Key_Down, Qt::NoModifier);
    QVERIFY(View->List_View()->Navigation_Key_Held());
    QTest::qWait(200);
    QCOMPARE(View->Preview()->Shown_Map(), Maps[0]);
    QVERIFY(View->Preview()->Timer()->isActive());
    QTest::keyRelease(View->List_View(), Qt::Key_Down);
    QVERIFY(!View->List_View()->Navigation_Key_Held());
    QTRY_COMPARE_WITH_TIMEOUT(View->Preview()->Shown_Map(), Maps[2], 500);
    QVERIFY(!View->Preview()->Timer()->isActive());
    QVERIFY(Centre_Near(View->Preview()->Image(), Qt::blue));
    QCOMPARE(View->Preview()->Name()->text(), QStringLiteral("of Charlie Court"));

    View->List_View()->setCurrentIndex(View->List_Model()->index(1, 0));
    QTRY_COMPARE(View->Preview()->Shown_Map(), Maps[1]);
    QVERIFY(Centre_Near(View->Preview()->Image(), Qt::red));  // progressive JPEG
    QCOMPARE(View->Preview()->Name()->text(), QStringLiteral("of Bravo Base"));

    // Selecting a group keeps the picture; a removed pending item shows nothing.
    Set_Tree_Current(View->Tree().Root());
    QVERIFY(!View->Preview()->Timer()->isActive());
    View->List_View()->setCurrentIndex(View->List_Model()->index(3, 0));
    View->List().Remove_Maps({Maps[3]});
    QTest::qWait(150);
    QCOMPARE(View->Preview()->Shown_Map(), Maps[1]);
    QCOMPARE(View->Preview()->Name()->text(), QStringLiteral("of Bravo Base"));

    // Announced but missing: white and no name.
    Maps[4]->Has_Levelshot_JPG = true;
    View->Show_Levelshot(*Maps[4]);
    QVERIFY(Centre_Near(View->Preview()->Image(), Qt::white));
    QCOMPARE(View->Preview()->Name()->text(), QString());
  }

  // The root group tells in its tooltip what it and arena files are for; other nodes have none.
  void theRootGroupExplainsArenaFiles() {
    TMaps_Tree_Model* model = View->Tree_Model();
    const QString tip =
        model->data(model->Index_Of(View->Tree().Root()), Qt::ToolTipRole).toString();
    QVERIFY2(tip.contains(QStringLiteral("arena file")), qPrintable(tip));
    TMaps_Tree_Node* group = Create_Group_In_Tree();
    QVERIFY(!model->data(model->Index_Of(group), Qt::ToolTipRole).isValid());
  }

  // A map that another archive overrides says so in its tooltip; the others keep the list's.
  void overriddenMapsNameTheArchiveInTheirTooltip() {
    TArchive_Facts own{
        .MOD_Directory = "baseq3", .PK3_Filename = "pak.pk3", .Maps = {"AAA", "BBB"}};
    TArchive_Facts pack = own;
    pack.PK3_Filename = "zz.pk3";
    pack.Maps = {"BBB"};
    auto index = std::make_shared<TGame_Index>();
    index->Set_Archives({own, pack});
    TUnsorted_List_Model* model = View->List_Model();
    model->Set_Game_Index_Source([index] { return index; });
    QVERIFY(!model->data(model->index(0, 0), Qt::ToolTipRole).isValid());
    QCOMPARE(model->data(model->index(1, 2), Qt::ToolTipRole).toString(),
             QStringLiteral("overridden by zz.pk3"));
  }
};

QTEST_MAIN(Browser_View_Test)
#include "tst_browser_view.moc"
