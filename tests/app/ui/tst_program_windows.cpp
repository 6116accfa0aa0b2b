// The window program as a whole: start-up over a real game directory, then the properties
// dialog's archive commands, driven through the real dialogs and message boxes.

#include <QAction>
#include <QApplication>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolBar>
#include <QTreeView>
#include <QTreeWidget>
#include <QUndoStack>
#include <QtTest>
#include <filesystem>
#include <functional>
#include <optional>

#include "../../launch/game_recorder.h"
#include "app/program_steps.h"
#include "app/ui/main_window.h"
#include "app/ui/program_windows.h"
#include "browser/ui/browser_models.h"
#include "browser/ui/browser_view.h"
#include "browser/ui/search_bar.h"
#include "browser/ui/tree_history.h"
#include "builders.h"
#include "core/relayed_interaction.h"
#include "core/settings.h"
#include "database/play_history.h"
#include "dialogs/ui/played_lists.h"
#include "properties/ui/map_properties_dialog.h"

namespace vt = vorlix::testing;
using vorlix::ui::TForm_Main_Vorlix;

namespace {

// Answers every dialog each time it is shown, until the test ends.
class TModal_Driver : public QObject {
 public:
  explicit TModal_Driver(std::function<void(QWidget*)> answer) : Answer_(std::move(answer)) {
    qApp->installEventFilter(this);
  }
  ~TModal_Driver() override { qApp->removeEventFilter(this); }
  TModal_Driver(const TModal_Driver&) = delete;
  TModal_Driver& operator=(const TModal_Driver&) = delete;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    auto* dialog = qobject_cast<QDialog*>(watched);
    if (event->type() == QEvent::Show && dialog != nullptr && dialog->isModal()) {
      // Answered once the dialog runs its own loop; an answer may open the next dialog.
      QTimer::singleShot(20, dialog, [this, dialog] { Answer_(dialog); });
    }
    return false;
  }

 private:
  std::function<void(QWidget*)> Answer_;
};

void Press(QWidget* dialog, const char* name) {
  auto* button = dialog->findChild<QPushButton*>(QString::fromLatin1(name));
  QVERIFY(button != nullptr);
  button->click();
}

// Records each box's text, with "(i) " in front when it is an information box.
void Answer_Box(QWidget* modal, QMessageBox::StandardButton button, QStringList& texts) {
  auto* box = qobject_cast<QMessageBox*>(modal);
  QVERIFY2(box != nullptr, modal->metaObject()->className());
  texts << (box->icon() == QMessageBox::Information ? "(i) " : "") + box->text();
  QVERIFY2(box->button(button) != nullptr, qPrintable(box->text()));
  box->button(button)->click();
}

}  // namespace

class Tst_Program_Windows : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<QTemporaryDir> Config_, Data_, Game_;
  // The interaction a start-up made before the windows talks through (outlives the window).
  std::unique_ptr<vorlix::TRelayed_Interaction> Relay_;
  std::unique_ptr<TForm_Main_Vorlix> Window_;
  std::unique_ptr<vorlix::ui::TProgram_Windows> Program_;

  QString Game(const QString& relative) const { return Game_->filePath(relative); }

  vorlix::TBrowser_View* Browser() const { return Window_->findChild<vorlix::TBrowser_View*>(); }

 private slots:
  void init() {
    Config_ = std::make_unique<QTemporaryDir>();
    Data_ = std::make_unique<QTemporaryDir>();
    Game_ = std::make_unique<QTemporaryDir>();
    qputenv("XDG_CONFIG_HOME", Config_->path().toLocal8Bit());
    vt::Write_File(Game(QStringLiteral("quake3.exe")).toStdString(), "");
    vt::Write_Pk3(Game(QStringLiteral("baseq3/zz-first.pk3")).toStdString(),
                  {{"maps/alpha.bsp", vt::Make_Bsp(vt::Entity_Text("Alpha Arena"))},
                   {"maps/beta.bsp", vt::Make_Bsp(vt::Entity_Text("Beta Base"))}});
    vorlix::TStartup_Options options;
    options.Program_Dir = Data_->path().toStdString();
    options.Game_Dir = Game_->path().toStdString();
    Window_ = std::make_unique<TForm_Main_Vorlix>(options);
    Program_ = std::make_unique<vorlix::ui::TProgram_Windows>(*Window_);
    int readings = 0;
    Window_->Clock = [readings]() mutable { return vorlix::TClock_Reading{100 + readings++, 1}; };
    Window_->show();
    QVERIFY(!Window_->Quit_Without_Saving());
    QCOMPARE(Browser()->List().Count(), 2);
  }

  void cleanup() {
    Program_.reset();
    Window_.reset();
    Relay_.reset();
    Game_.reset();
    Data_.reset();
    Config_.reset();
    qunsetenv("XDG_CONFIG_HOME");
  }

  void every_toolbar_command_has_a_picture_of_its_own() {
    QList<QImage> seen;
    for (QAction* action : Browser()->Commands()->Tool_Bar()->actions()) {
      if (action->isSeparator()) {
        continue;
      }
      const QImage picture = action->icon().pixmap(25, 25).toImage();
      QVERIFY2(!picture.isNull(), qPrintable(action->text()));
      QVERIFY2(!seen.contains(picture), qPrintable(action->text()));
      seen << picture;
    }
    QCOMPARE(seen.size(), 12);
  }

  void host_server_follows_the_group_and_stop_server_ends_the_started_server() {
    auto* host = Window_->findChild<QAction*>(QStringLiteral("MenuItem_HostServer"));
    auto* stop = Window_->findChild<QAction*>(QStringLiteral("MenuItem_StopServer"));
    QVERIFY(host != nullptr && stop != nullptr);
    const QList<QAction*> menu =
        Window_->menuBar()->findChild<QMenu*>(QStringLiteral("Menu_Vorlix"))->actions();
    QVERIFY(menu.indexOf(host) >= 0 &&
            menu.indexOf(host) <
                menu.indexOf(Browser()->Commands()->Command(vorlix::TMain_Command::Print)));
    QVERIFY(Browser()->Tree_View()->PopupMenu_TreeView_Maps()->actions().contains(host));
    vorlix::TMaps_Tree& tree = Browser()->Tree();
    const auto select = [this](const vorlix::TMaps_Tree_Node* node) {
      Browser()->Tree_View()->setCurrentIndex(Browser()->Tree_Model()->Index_Of(node));
    };
    select(tree.Root());
    QVERIFY(!host->isEnabled() && !stop->isEnabled());  // the root holds no map yet
    const auto entries = tree.Drop_List_Items(tree.Root(), {Browser()->List().Item(0).Map});
    select(entries.front());
    QVERIFY(!host->isEnabled());  // a map entry
    select(tree.Root());
    QVERIFY(host->isEnabled());

    const vt::TGame_Recorder server(Game(QStringLiteral("ded server")).toStdString(),
                                    "exec sleep 30\n");
    QStringList messages;
    int shown = 0;
    TModal_Driver driver([&](QWidget* modal) {
      if (modal->objectName() == QStringLiteral("TForm_Host_Server")) {
        auto* program = modal->findChild<QLineEdit*>(QStringLiteral("Edit_Server_Program"));
        auto* port = modal->findChild<QSpinBox*>(QStringLiteral("Spin_Port"));
        if (++shown == 1) {
          // A program name no folder of PATH or the game folders holds.
          program->setText(QStringLiteral("vorlix-no-such-server"));
          port->setValue(27989);
        } else {
          // Back after the message, with what the user chose.
          QCOMPARE(program->text(), QStringLiteral("vorlix-no-such-server"));
          QCOMPARE(port->value(), 27989);
          program->setText(QString::fromStdString(server.Script));
        }
        static_cast<QDialog*>(modal)->accept();
      } else {
        Answer_Box(modal, QMessageBox::Ok, messages);
      }
    });
    host->trigger();
    QCOMPARE(shown, 2);
    QCOMPARE(messages.size(), 2);
    QCOMPARE(messages[0],
             QStringLiteral("The program \"vorlix-no-such-server\" was not found in the folders of "
                            "PATH, /usr/games or /usr/local/games."));
    QVERIFY2(messages[1].startsWith(QStringLiteral("(i) The server runs with the process ID ")),
             qPrintable(messages[1]));
    QVERIFY(QFile::exists(Game(QStringLiteral("baseq3/vorlix_server.cfg"))));
    QVERIFY(stop->isEnabled());
    stop->trigger();
    QCOMPARE(messages.size(), 3);
    QVERIFY2(messages[2].endsWith(QStringLiteral(" was stopped.")), qPrintable(messages[2]));
    QVERIFY(!stop->isEnabled());
  }

  // The import asks with what it changes, and Edit > Undo takes it back and Redo makes it again.
  void import_asks_with_its_count_and_is_undone_like_a_tree_change() {
    vt::Write_Pk3(Game(QStringLiteral("baseq3/author.pk3")).toStdString(),
                  {{"scripts/arenas.txt", "{ map alpha type ctf bots Sarge fraglimit 5 }"}});
    vorlix::TMap_Record* alpha = Browser()->List().Item(0).Map;
    QCOMPARE(alpha->MAP_Filename, std::string("ALPHA.BSP"));
    QStringList messages;
    QMessageBox::StandardButton answer = QMessageBox::No;
    TModal_Driver driver([&](QWidget* modal) {
      if (auto* files = qobject_cast<QFileDialog*>(modal)) {
        files->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))
            ->setText(Game(QStringLiteral("baseq3/author.pk3")));
        static_cast<QDialog*>(files)->accept();
      } else {
        auto* box = qobject_cast<QMessageBox*>(modal);
        Answer_Box(modal, box->button(answer) != nullptr ? answer : QMessageBox::Ok, messages);
      }
    });
    QAction* import = Browser()->Commands()->Command(vorlix::TMain_Command::Import_Arena_File);
    QUndoStack* history = Browser()->History()->Stack();
    const int steps = history->count();
    import->trigger();  // answered No: nothing changes
    QCOMPARE(messages.size(), 1);
    QVERIFY2(messages[0].contains(QStringLiteral(
                 " changes 1 map of baseq3 (game types of 1, bots of 1, frag limit of 1): alpha.")),
             qPrintable(messages[0]));
    QCOMPARE(alpha->Game_Types, std::uint8_t{vorlix::GT_Free_For_All});
    QCOMPARE(history->count(), steps);

    answer = QMessageBox::Yes;
    import->trigger();
    QCOMPARE(messages.size(), 3);
    QVERIFY2(messages[2].startsWith(QStringLiteral("(i) Arena File imported from ")),
             qPrintable(messages[2]));
    QCOMPARE(alpha->Game_Types, std::uint8_t{vorlix::GT_Capture_The_Flag});
    QCOMPARE(history->undoText(), QStringLiteral("Import Arena File"));
    history->undo();
    QCOMPARE(alpha->Game_Types, std::uint8_t{vorlix::GT_Free_For_All});
    QCOMPARE(alpha->Limits_Frags, 20);
    QVERIFY(alpha->Assigned_Bots.empty());
    history->redo();
    QCOMPARE(alpha->Limits_Frags, 5);
    QCOMPARE(alpha->Assigned_Bots, std::vector<std::string>{"Sarge"});
  }

  void rename_cancelled_keeps_the_dialog_then_renamed_reloads_and_reopens_for_the_same_map() {
    vorlix::TMap_Record* map = Browser()->List().Item(1).Map;
    const std::int32_t pk3_id = map->PK3->ID;
    const std::int32_t map_id = map->ID;
    const std::string file_name = map->MAP_Filename;
    int properties_shown = 0;
    int file_dialogs = 0;
    QStringList messages;
    QString comment_when_reopened;
    TModal_Driver driver([&](QWidget* modal) {
      if (qobject_cast<vorlix::TForm_Map_Properties*>(modal) != nullptr) {
        ++properties_shown;
        auto* memo = modal->findChild<QPlainTextEdit*>(QStringLiteral("Memo_Comment"));
        QVERIFY(memo != nullptr);
        if (properties_shown == 1) {
          memo->setPlainText(QStringLiteral("edited before the rename"));
          Press(modal, "Button_Rename_PK3");
        } else {
          comment_when_reopened = memo->toPlainText();
          Press(modal, "Button_Cancel");
        }
      } else if (auto* files = qobject_cast<QFileDialog*>(modal)) {
        QCOMPARE(files->windowTitle(), QStringLiteral("Rename to..."));
        if (++file_dialogs == 1) {
          files->reject();
          // Back in the properties dialog, which stayed open: rename again.
          QTimer::singleShot(50, [] {
            QWidget* properties = QApplication::activeModalWidget();
            QVERIFY(qobject_cast<vorlix::TForm_Map_Properties*>(properties) != nullptr);
            Press(properties, "Button_Rename_PK3");
          });
          return;
        }
        auto* name = files->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        QVERIFY(name != nullptr);
        QCOMPARE(name->text(), QStringLiteral("zz-first.pk3"));
        name->setText(QStringLiteral("aa-renamed"));
        static_cast<QDialog*>(files)->accept();
      } else {
        Answer_Box(modal, QMessageBox::Ok, messages);
      }
    });
    emit Browser()->Map_Properties_Requested(map);

    QCOMPARE(properties_shown, 2);
    QCOMPARE(file_dialogs, 2);
    QCOMPARE(
        messages,
        QStringList{QStringLiteral("(i) Renamed zz-first.pk3 to aa-renamed.pk3 successfully.")});
    QCOMPARE(comment_when_reopened, QStringLiteral("edited before the rename"));
    QVERIFY(!QFile::exists(Game(QStringLiteral("baseq3/zz-first.pk3"))));
    QVERIFY(QFile::exists(Game(QStringLiteral("baseq3/aa-renamed.pk3"))));
    // The reload made new records: the same archive and map under their old IDs, selected.
    vorlix::TMap_Record* found = Window_->State().PK3_Database->Find_Map(pk3_id, map_id);
    QVERIFY(found != nullptr);
    QCOMPARE(found->MAP_Filename, file_name);
    QCOMPARE(found->PK3->PK3_Filename, std::string("aa-renamed.pk3"));
    QCOMPARE(found->Comment, std::string("edited before the rename"));
    QCOMPARE(Browser()->List_View()->Selected_Maps(), std::vector<vorlix::TMap_Record*>{found});
  }

  // Favourite and Play Later act on the selected map and keep what they did in the history;
  // Launch Next Later takes the queue's first map out once its game was started.
  void history_commands_mark_queue_and_launch_the_selected_map() {
    const vt::TGame_Recorder game(Data_->filePath(QStringLiteral("recorder")).toStdString());
    QVERIFY(vorlix::Save_Q3A_Exe(game.Script));
    vorlix::TMap_Record* map = Browser()->List().Item(1).Map;
    const vorlix::TMap_Key key{map->PK3->ID, map->ID};
    Browser()->Select_Map(key.first, key.second);
    Browser()->List_View()->setFocus();
    QCOMPARE(Browser()->Focused_Map(), map);
    const auto trigger = [this](const char* name) {
      Window_->findChild<QAction*>(QString::fromLatin1(name))->trigger();
    };
    const auto history = [this] {
      return vorlix::Load_Play_History(Data_->path().toStdString()).History;
    };
    trigger("MenuItem_Favourite");
    trigger("MenuItem_PlayLater");
    trigger("MenuItem_PlayLater");
    QVERIFY(history().Of(key).Favourite);
    QCOMPARE(history().Queued(), std::vector<vorlix::TMap_Key>{key});
    trigger("MenuItem_Favourite");
    QVERIFY(!history().Of(key).Favourite);
    // The launch dialog opens for the queued map; its launch starts the game.
    QTimer::singleShot(0, [] { Press(QApplication::activeModalWidget(), "Button_Launch_Q3A"); });
    trigger("MenuItem_LaunchNextLater");
    QVERIFY(game.Wait().find(map->MAP_Filename.substr(0, map->MAP_Filename.size() - 4)) !=
            std::string::npos);
    QCOMPARE(history().Of(key).Count, 1);
    QVERIFY(history().Queued().empty());
  }

  // The queue's dialog reorders and removes; the views show the marks and counts; Recently
  // Played launches again as before, without the launch dialog; Random Map can prefer maps
  // never played.
  void history_views_reorder_the_queue_and_launch_again() {
    const vt::TGame_Recorder game(Data_->filePath(QStringLiteral("recorder")).toStdString());
    QVERIFY(vorlix::Save_Q3A_Exe(game.Script));
    const auto trigger = [this](const char* name) {
      Window_->findChild<QAction*>(QString::fromLatin1(name))->trigger();
    };
    const auto history = [this] {
      return vorlix::Load_Play_History(Data_->path().toStdString()).History;
    };
    std::vector<vorlix::TMap_Key> keys;
    for (int row = 0; row < 2; ++row) {
      vorlix::TMap_Record* map = Browser()->List().Item(row).Map;
      keys.emplace_back(map->PK3->ID, map->ID);
      Browser()->Select_Map(keys.back().first, keys.back().second);
      Browser()->List_View()->setFocus();
      trigger("MenuItem_PlayLater");
    }
    trigger("MenuItem_Favourite");  // the second map
    auto* model = Browser()->List_Model();
    QVERIFY(model->data(model->index(0, 0), Qt::DecorationRole).value<QIcon>().cacheKey() !=
            model->data(model->index(1, 0), Qt::DecorationRole).value<QIcon>().cacheKey());
    QCOMPARE(model->headerData(4, Qt::Horizontal, Qt::DisplayRole).toString(),
             QStringLiteral("Played"));

    // Down, then Remove on the (new) first row, then Launch the one left.
    QStringList rows;
    QTimer::singleShot(0, [&rows] {
      auto* queue = qobject_cast<vorlix::TPlayed_List_Dialog*>(QApplication::activeModalWidget());
      QVERIFY(queue != nullptr);
      for (int row = 0; row < queue->Rows->topLevelItemCount(); ++row) {
        rows << queue->Rows->topLevelItem(row)->text(0);
      }
      Press(queue, "Button_Down");
      QCOMPARE(queue->Current_Row(), 1);
      queue->Rows->setCurrentItem(queue->Rows->topLevelItem(0));
      Press(queue, "Button_Remove");
      QCOMPARE(queue->Rows->topLevelItemCount(), 1);
      QTimer::singleShot(0, [] { Press(QApplication::activeModalWidget(), "Button_Launch_Q3A"); });
      Press(queue, "Button_Launch");
    });
    trigger("MenuItem_PlayLaterQueue");
    QCOMPARE(rows, (QStringList{QStringLiteral("ALPHA"), QStringLiteral("BETA")}));
    QVERIFY(game.Wait().find("+map\nALPHA") != std::string::npos);
    QVERIFY(history().Queued().empty());
    QCOMPARE(history().Of(keys[0]).Count, 1);
    QCOMPARE(model->data(model->index(0, 4), Qt::DisplayRole).toInt(), 1);
    QVERIFY(model->data(model->index(1, 4), Qt::DisplayRole).isNull());
    QVERIFY(!model->data(model->index(0, 3), Qt::DisplayRole).toString().isEmpty());

    // Enter in Recently Played launches the map again at once, with the same game type.
    std::filesystem::remove(game.Record);
    QTimer::singleShot(0, [] {
      QWidget* view = QApplication::activeModalWidget();
      QVERIFY(view != nullptr);
      QTest::keyClick(view->findChild<QTreeWidget*>(), Qt::Key_Return);
    });
    trigger("MenuItem_RecentlyPlayed");
    QVERIFY(game.Wait().find("+map\nALPHA") != std::string::npos);
    const std::vector<vorlix::TLaunch_Record> recent = history().Recent();
    QCOMPARE(recent.size(), std::size_t{2});
    QCOMPARE(recent[0].Game_Type, recent[1].Game_Type);
    QCOMPARE(recent[0].MOD, recent[1].MOD);

    // Random Map picks beta, the one never played, every time (its launch dialog closed).
    trigger("MenuItem_RandomPrefersUnplayed");
    QVERIFY(vorlix::Load_Flag_Setting("RANDOM_PREFERS_UNPLAYED"));
    const TModal_Driver closer([](QWidget* dialog) { qobject_cast<QDialog*>(dialog)->reject(); });
    for (int i = 0; i < 6; ++i) {
      QCOMPARE(Browser()->Search_Bar()->Random_Map(), Browser()->List().Item(1).Map);
    }
  }

  // The status bar names the active arena file; activating another one in the only MOD holding
  // arena files asks for the arena file alone.
  void active_arena_file_is_shown_and_the_only_mod_is_not_asked_for() {
    auto* label = Window_->statusBar()->findChild<QLabel*>(QStringLiteral("Label_Active_Arena"));
    QVERIFY(label != nullptr);
    QCOMPARE(label->text(), QStringLiteral("No arena file active"));
    vt::Write_Pk3(Game(QStringLiteral("baseq3/z_Arenas_active_Duel.pk3")).toStdString(),
                  {{"scripts/arenas.txt", "{ map \"alpha\" }"}});
    vt::Write_Pk3(Game(QStringLiteral("baseq3/z_Arenas_Inactive_CTF.pk3")).toStdString(),
                  {{"scripts/arenas.txt.inactive", "{ map \"beta\" }"}});
    Browser()->Commands()->Reload_Action()->trigger();
    QCOMPARE(label->text(), QStringLiteral("Active arena file: Duel (BASEQ3)"));

    QStringList shown;
    const TModal_Driver driver([&](QWidget* dialog) {
      shown << dialog->objectName();
      if (auto* list = dialog->findChild<QListWidget*>()) {
        list->setCurrentRow(0);
      }
      Press(dialog, "Button_Confirm");
    });
    QAction* activate = Browser()->Commands()->Command(vorlix::TMain_Command::Activate_Arena_File);
    QVERIFY(activate->isEnabled());
    activate->trigger();
    QCOMPARE(shown, QStringList{QStringLiteral("TForm_Arena_File_Selection")});
    QCOMPARE(label->text(), QStringLiteral("Active arena file: CTF (BASEQ3)"));

    // None active on disk: the start-up activates the first one, and the status bar shows what
    // the start-up left, not what it found.
    std::filesystem::rename(Game(QStringLiteral("baseq3/z_Arenas_active_CTF.pk3")).toStdString(),
                            Game(QStringLiteral("baseq3/z_Arenas_Inactive_CTF.pk3")).toStdString());
    Browser()->Commands()->Reload_Action()->trigger();
    QVERIFY(std::filesystem::exists(
        Game(QStringLiteral("baseq3/z_Arenas_active_CTF.pk3")).toStdString()));
    QCOMPARE(label->text(), QStringLiteral("Active arena file: CTF (BASEQ3)"));
    QVERIFY(activate->isEnabled());
  }

  // F5: saved, started again; an archive added meanwhile is listed, the open group and the
  // selected entry stay, and the tree's history is forgotten.
  void reload_takes_in_new_archives_and_keeps_open_groups_and_selection() {
    vorlix::TBrowser_View* view = Browser();
    view->Tree_View()->setFocus();
    view->Tree_View()->setCurrentIndex(view->Tree_Model()->Index_Of(view->Tree().Root()));
    view->Tree_View()->Menu_CreateGroupClick();
    vorlix::TMaps_Tree_Node* group = view->Tree().Selected();
    vorlix::TMap_Record* map = view->List().Item(0).Map;
    const std::pair<std::int32_t, std::int32_t> ids{map->PK3->ID, map->ID};
    view->Tree().Drop_List_Items(group, {map});
    view->Tree_View()->expand(view->Tree_Model()->Index_Of(group));
    view->Tree_View()->setCurrentIndex(view->Tree_Model()->Index_Of(group->Child(0)));
    QVERIFY(view->History()->Stack()->count() > 0);
    vt::Write_Pk3(Game(QStringLiteral("baseq3/zz-second.pk3")).toStdString(),
                  {{"maps/gamma.bsp", vt::Make_Bsp(vt::Entity_Text("Gamma Gate"))}});

    view->Commands()->Reload_Action()->trigger();
    QCOMPARE(view->List().Count(), 2);
    QCOMPARE(view->History()->Stack()->count(), 0);
    const vorlix::TMaps_Tree_Node* kept = view->Tree().Root()->Child(0);
    QCOMPARE(kept->Text, std::string("New Group"));
    QVERIFY(view->Tree_View()->isExpanded(view->Tree_Model()->Index_Of(kept)));
    const vorlix::TMaps_Tree_Node* selected = view->Tree().Selected();
    QVERIFY(selected != nullptr && selected->Map != nullptr);
    QCOMPARE(std::make_pair(selected->Map->PK3->ID, selected->Map->ID), ids);
    QVERIFY(view->Commands()->Command(vorlix::TMain_Command::Launch_Map)->isEnabled());

    // After an interrupted start-up nothing is saved: the reload reads what is stored.
    const std::string stored = view->Tree().Serialize();
    view->Tree_View()->Menu_CreateGroupClick();
    Window_->Startup().Suppress_Saving();
    view->Commands()->Reload_Action()->trigger();
    QCOMPARE(view->Tree().Serialize(), stored);
    QVERIFY(!Window_->Startup().Saving_Suppressed());
  }

  // A pk3 that is no archive: one box naming it and the reason, shown once the views are filled,
  // and not again while the file stays as it is.
  void a_damaged_archive_is_told_once_behind_the_filled_views() {
    const QString broken = Game(QStringLiteral("baseq3/broken.pk3"));
    vt::Write_File(broken.toStdString(), "half a download");
    QStringList texts;
    int listed_at_box = -1;
    TModal_Driver driver([&](QWidget* modal) {
      listed_at_box = Browser()->List().Count();
      Answer_Box(modal, QMessageBox::Ok, texts);
    });
    Browser()->Commands()->Reload_Action()->trigger();
    QCOMPARE(texts.size(), 1);
    QVERIFY2(texts[0].startsWith("The archive " + broken + " cannot be read: Not a zip archive."),
             qPrintable(texts[0]));
    QVERIFY(!texts[0].contains(QStringLiteral("report")));
    QCOMPARE(listed_at_box, 2);
    Browser()->Commands()->Reload_Action()->trigger();
    QCOMPARE(texts.size(), 1);
  }

  // The window program's own start: the start-up made before the windows, its first steps (with
  // the list and the bots made ahead) on a thread of their own, what they ask asked by the main
  // window's boxes; the views come out as from a start-up in turn.
  void a_start_up_made_before_the_windows_fills_the_same_views() {
    QStringList rows;
    for (int i = 0; i < Browser()->List().Count(); ++i) {
      rows << QString::fromStdString(std::string(Browser()->List().Text(i, 0)));
    }
    const auto* arena_label = Window_->findChild<QLabel*>(QStringLiteral("Label_Active_Arena"));
    QVERIFY(arena_label != nullptr);
    const QString arena_text = arena_label->text();
    Program_.reset();
    Window_.reset();
    const auto start = [this](std::optional<std::string> game_dir) {
      Relay_ = std::make_unique<vorlix::TRelayed_Interaction>();
      vorlix::TStartup_Steps first;
      vorlix::Set_Program_Steps(first, *Relay_);
      first.Prepare_Views = vorlix::Views_Ahead_Offered_To(*Relay_);
      vorlix::TStartup_Options options;
      options.Program_Dir = Data_->path().toStdString();
      options.Game_Dir = std::move(game_dir);
      auto startup = std::make_unique<vorlix::TStartup>(*Relay_, vorlix::TStartup_Steps{}, options);
      startup->Start_First_Steps(first, *Relay_);
      Window_ = std::make_unique<TForm_Main_Vorlix>(std::move(startup), *Relay_);
      Program_ = std::make_unique<vorlix::ui::TProgram_Windows>(*Window_);
      int readings = 0;
      Window_->Clock = [readings]() mutable { return vorlix::TClock_Reading{100 + readings++, 1}; };
      Window_->show();
    };
    start(Game_->path().toStdString());
    QVERIFY(!Window_->Quit_Without_Saving());
    QStringList again;
    for (int i = 0; i < Browser()->List().Count(); ++i) {
      again << QString::fromStdString(std::string(Browser()->List().Text(i, 0)));
    }
    QCOMPARE(again, rows);
    QCOMPARE(Window_->findChild<QLabel*>(QStringLiteral("Label_Active_Arena"))->text(), arena_text);
    Program_.reset();
    Window_.reset();

    // A stored game directory that is gone is asked about by the window's box; Quit ends it.
    QVERIFY(vorlix::Save_Registry_Settings(Game(QStringLiteral("gone")).toStdString()).Ok());
    QStringList asked;
    TModal_Driver driver([&](QWidget* modal) {
      auto* box = qobject_cast<QMessageBox*>(modal);
      QVERIFY(box != nullptr);
      asked << box->text();
      for (QAbstractButton* button : box->buttons()) {
        if (button->text() == QStringLiteral("Quit")) {
          button->click();
        }
      }
    });
    start(std::nullopt);
    QVERIFY(Window_->Quit_Without_Saving());
    // The end the window asked for comes with the event loop: taken here, not in the next test.
    QCOMPARE(QCoreApplication::exec(), 1);
    QCOMPARE(asked.size(), 1);
    QVERIFY2(asked[0].startsWith("The stored game directory " + Game(QStringLiteral("gone")) +
                                 " no longer exists."),
             qPrintable(asked[0]));
  }

  void delete_asks_removes_the_archive_and_closes_with_ok() {
    vorlix::TMap_Record* map = Browser()->List().Item(0).Map;
    Browser()->Select_Map(map->PK3->ID, map->ID);
    Browser()->List_View()->setFocus();
    Window_->findChild<QAction*>(QStringLiteral("MenuItem_PlayLater"))->trigger();
    int properties_shown = 0;
    QStringList messages;
    TModal_Driver driver([&](QWidget* modal) {
      if (auto* properties = qobject_cast<vorlix::TForm_Map_Properties*>(modal)) {
        ++properties_shown;
        modal->findChild<QPlainTextEdit*>(QStringLiteral("Memo_Comment"))
            ->setPlainText(QStringLiteral("written back as for OK"));
        Press(properties, "Button_Delete_PK3");
      } else {
        auto* box = qobject_cast<QMessageBox*>(modal);
        QVERIFY(box != nullptr);
        Answer_Box(modal,
                   box->button(QMessageBox::Yes) != nullptr ? QMessageBox::Yes : QMessageBox::Ok,
                   messages);
      }
    });
    emit Browser()->Map_Properties_Requested(map);
    QCOMPARE(properties_shown, 1);
    QCOMPARE(
        messages,
        (QStringList{
            QStringLiteral("Do you really want to delete zz-first.pk3 and all maps inside of it?"),
            QStringLiteral("(i) zz-first.pk3 was successfully deleted.")}));
    QVERIFY(!QFile::exists(Game(QStringLiteral("baseq3/zz-first.pk3"))));
    // Saved and started again: the archive's maps are gone from the views, and from the
    // window's history as well as from its file.
    QCOMPARE(Browser()->List().Count(), 0);
    QVERIFY(vorlix::Load_Play_History(Data_->path().toStdString()).History.Queued().empty());
    Window_->findChild<QAction*>(QStringLiteral("MenuItem_PlayLaterQueue"))->trigger();
    QCOMPARE(messages.back(), QStringLiteral("(i) The play-later queue holds no map."));
  }
};

QTEST_MAIN(Tst_Program_Windows)
#include "tst_program_windows.moc"
