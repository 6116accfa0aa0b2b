// The main window's commands over what was played and marked: favourites, the play-later queue,
// the Recently Played view and Random Map's preference for maps never played.

#include <QAction>
#include <QLocale>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QTimer>
#include <string>
#include <vector>

#include "app/ui/main_window.h"
#include "app/ui/program_windows.h"
#include "browser/ui/browser_view.h"
#include "browser/ui/maps_tree_view.h"
#include "browser/ui/search_bar.h"
#include "browser/ui/unsorted_list_view.h"
#include "browser/unsorted_list.h"
#include "core/fs_routines.h"
#include "core/game_types.h"
#include "core/settings.h"
#include "core/ui/qt_text.h"
#include "database/play_history.h"
#include "database/records.h"
#include "dialogs/ui/played_lists.h"
#include "launch/launch_outcomes.h"
#include "properties/ui/launch_entry.h"

namespace vorlix::ui {

namespace {

// Where the choice of Random Map's preference is kept.
constexpr const char* Prefer_Unplayed_Setting = "RANDOM_PREFERS_UNPLAYED";

QString Game_Type_Caption(int radio_index) {
  return radio_index >= 0 && radio_index < Game_Type_Count
             ? QString::fromLatin1(Game_Type_Table[static_cast<std::size_t>(radio_index)].Caption)
             : QString();
}

}  // namespace

void TProgram_Windows::Wire_History_Commands() {
  const auto make = [this](const char* text, const char* name, const QKeySequence& keys,
                           const char* tip) {
    auto* action = new QAction(QString::fromUtf8(text), &Main_);
    action->setObjectName(QString::fromLatin1(name));
    action->setShortcut(keys);
    action->setStatusTip(QString::fromUtf8(tip));
    Main_.addAction(action);
    return action;
  };
  Favourite_Action_ = make("&Favourite", "MenuItem_Favourite", QKeySequence(Qt::CTRL | Qt::Key_D),
                           "Favourite (mark the selected map with a star, or take the mark off)");
  Favourite_Action_->setCheckable(true);
  Play_Later_Action_ = make("Play &Later", "MenuItem_PlayLater", QKeySequence(Qt::CTRL | Qt::Key_L),
                            "Play Later (put the selected map at the end of the play-later queue)");
  Launch_Later_Action_ = make("Launch &Next Later", "MenuItem_LaunchNextLater",
                              QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_L),
                              "Launch Next Later (the first map of the play-later queue)");
  Queue_Action_ = make("Play Later &Queue...", "MenuItem_PlayLaterQueue", QKeySequence(),
                       "Play Later Queue (the queue in its order: move, remove or launch a map)");
  Recently_Played_Action_ =
      make("Recently Pla&yed...", "MenuItem_RecentlyPlayed", QKeySequence(Qt::CTRL | Qt::Key_H),
           "Recently Played (the last 50 launches; Enter launches one again as it was launched)");
  Prefer_Unplayed_Action_ =
      make("Random Map Prefers Ne&ver Played", "MenuItem_RandomPrefersUnplayed", QKeySequence(),
           "Random Map picks among the maps never launched while there is one");
  Prefer_Unplayed_Action_->setCheckable(true);
  Prefer_Unplayed_Action_->setChecked(Load_Flag_Setting(Prefer_Unplayed_Setting));
  Browser_->Search_Bar()->Prefer_Unplayed = Prefer_Unplayed_Action_->isChecked();
  QAction* print = Browser_->Commands()->Command(TMain_Command::Print);
  if (QMenu* vorlix = Main_.menuBar()->findChild<QMenu*>(QStringLiteral("Menu_Vorlix"))) {
    for (QAction* action : {Favourite_Action_, Play_Later_Action_, Launch_Later_Action_,
                            Queue_Action_, Recently_Played_Action_, Prefer_Unplayed_Action_}) {
      vorlix->insertAction(print, action);
    }
    vorlix->insertSeparator(print);
    QObject::connect(vorlix, &QMenu::aboutToShow, &Main_, [this] { Update_History_Commands(); });
  }
  // The two marks in the views' context menus too.
  for (QMenu* popup : {Browser_->List_View()->PopupMenu_ListView_Maps(),
                       Browser_->Tree_View()->PopupMenu_TreeView_Maps()}) {
    popup->addSeparator();
    popup->addAction(Favourite_Action_);
    popup->addAction(Play_Later_Action_);
    QObject::connect(popup, &QMenu::aboutToShow, &Main_, [this] { Update_History_Commands(); });
  }
  QObject::connect(Prefer_Unplayed_Action_, &QAction::toggled, &Main_, [this](bool prefer) {
    Browser_->Search_Bar()->Prefer_Unplayed = prefer;
    Save_Flag_Setting(Prefer_Unplayed_Setting, prefer);
  });
  QObject::connect(Favourite_Action_, &QAction::triggered, &Main_, [this] {
    if (TMap_Record* map = Browser_->Focused_Map(); map != nullptr && map->PK3 != nullptr) {
      const TMap_Key key{map->PK3->ID, map->ID};
      bool now = false;
      Change_History([&](TPlay_History& history) {
        now = !history.Of(key).Favourite;
        history.Set_Favourite(key, now);
      });
      Main_.statusBar()->showMessage(
          To_QString(Remove_Extension(map->MAP_Filename) +
                     (now ? " is a favourite." : " is no longer a favourite.")),
          5000);
    }
    Update_History_Commands();
  });
  QObject::connect(Play_Later_Action_, &QAction::triggered, &Main_, [this] {
    if (TMap_Record* map = Browser_->Focused_Map(); map != nullptr && map->PK3 != nullptr) {
      const TMap_Key key{map->PK3->ID, map->ID};
      Change_History([&](TPlay_History& history) { history.Queue(key); });
      Main_.statusBar()->showMessage(
          To_QString(Remove_Extension(map->MAP_Filename) + " is in the play-later queue."), 5000);
    }
  });
  QObject::connect(Launch_Later_Action_, &QAction::triggered, &Main_, [this] {
    const std::vector<TMap_Key> queued = History_->History().Queued();
    for (const TMap_Key& key : queued) {
      const TMap_Record* map = Main_.State().PK3_Database
                                   ? Main_.State().PK3_Database->Find_Map(key.first, key.second)
                                   : nullptr;
      if (map == nullptr || !map->Present) {
        continue;
      }
      // The map leaves the queue once its game was started.
      if (Launch_By_IDs(key, /*leave_queue=*/true)) {
        Main_.close();
      }
      return;
    }
    Main_.Interaction().Message(TMessage_Kind::Information, "The play-later queue holds no map.",
                                TAnswer_Set::OK);
  });
  QObject::connect(Queue_Action_, &QAction::triggered, &Main_, [this] { Show_Play_Later_Queue(); });
  QObject::connect(Recently_Played_Action_, &QAction::triggered, &Main_,
                   [this] { Show_Recently_Played(); });
  Update_History_Commands();
  // What the engines of the launches said, read once each has ended; a look at the history in
  // memory while no launch waits.
  auto* outcomes = new QTimer(&Main_);
  outcomes->setObjectName(QStringLiteral("Timer_Launch_Outcomes"));
  outcomes->setInterval(Outcome_Poll_Milliseconds);
  QObject::connect(outcomes, &QTimer::timeout, &Main_, [this] {
    if (!History_->Program_Dir().empty() && !History_->History().Waiting().empty()) {
      Read_Launch_Outcomes();
    }
  });
  outcomes->start();
}

void TProgram_Windows::Read_Launch_Outcomes() {
  const std::vector<TWaiting_Load> waiting = History_->History().Waiting();
  const TOutcome_Collection read = Collect_Launch_Outcomes(*History_, &Server_Log_Sizes_);
  if (!read.Problem.empty()) {
    Main_.Interaction().Message(TMessage_Kind::Warning, read.Problem, TAnswer_Set::OK);
  }
  // The status line names the failures of the launches just read.
  for (const TWaiting_Load& launch : waiting) {
    if (const TMap_Load* failure = History_->History().Failure_With(launch.Map, launch.Engine);
        failure != nullptr && failure->Time == launch.Time) {
      Main_.statusBar()->showMessage(
          To_QString(launch.Map_Name + " failed to load: " + failure->Error_Line), 15000);
    }
  }
}

void TProgram_Windows::Update_History_Commands() {
  // The shortcuts work whatever was selected last (a command without a map does nothing), so
  // only the favourite's check follows the map.
  const TMap_Record* map = Browser_->Focused_Map();
  Favourite_Action_->setChecked(map != nullptr && History_->History().Of(*map).Favourite);
}

void TProgram_Windows::Show_Recently_Played() {
  const std::vector<TLaunch_Record> recent = History_->History().Recent();
  if (recent.empty() || !Main_.State().PK3_Database) {
    Main_.Interaction().Message(TMessage_Kind::Information, "No map was launched yet.",
                                TAnswer_Set::OK);
    return;
  }
  const TPK3_Record_Store& database = *Main_.State().PK3_Database;
  std::vector<QStringList> rows;
  for (const TLaunch_Record& launch : recent) {
    const TMap_Record* map = database.Find_Map(launch.Map.first, launch.Map.second);
    rows.push_back({To_QString(Launch_Time_Text(launch.Time, QLocale::system())),
                    map != nullptr ? To_QString(Remove_Extension(map->MAP_Filename))
                                   : QStringLiteral("(deleted)"),
                    Game_Type_Caption(launch.Game_Type), To_QString(launch.MOD),
                    QString::number(History_->History().Of(launch.Map).Count)});
  }
  TPlayed_List_Dialog view(
      QStringLiteral("Recently Played"),
      {QStringLiteral("Launched"), QStringLiteral("Map"), QStringLiteral("Game type"),
       QStringLiteral("MOD"), QStringLiteral("Launches")},
      /*queue=*/false, &Main_);
  view.setObjectName(QStringLiteral("Form_Recently_Played"));
  view.Set_Rows(rows);
  if (view.exec() != QDialog::Accepted || view.Current_Row() < 0) {
    return;
  }
  const TLaunch_Record& launch = recent[static_cast<std::size_t>(view.Current_Row())];
  if (TMap_Record* map = Present_Map(launch.Map)) {
    // Launched again as it was: the same game type and MOD, without the launch dialog.
    Start_Map_Again(Properties(), Properties_Context(), map, launch, Exec_File_);
  }
}

void TProgram_Windows::Show_Play_Later_Queue() {
  if (!Main_.State().PK3_Database) {
    return;
  }
  const TPK3_Record_Store& database = *Main_.State().PK3_Database;
  const auto rows = [this, &database] {
    std::vector<QStringList> texts;
    for (const TMap_Key& key : History_->History().Queued()) {
      const TMap_Record* map = database.Find_Map(key.first, key.second);
      if (map == nullptr) {
        texts.push_back({QStringLiteral("(deleted)"), QString(), QString(), QString()});
        continue;
      }
      const TMap_Texts shown = TUnsorted_Maps_List::Texts_Of(*map);
      const int count = History_->History().Of(key).Count;
      texts.push_back({To_QString(shown.Filename), To_QString(shown.Caption),
                       To_QString(shown.In_PK3), count == 0 ? QString() : QString::number(count)});
    }
    return texts;
  };
  if (History_->History().Queued().empty()) {
    Main_.Interaction().Message(TMessage_Kind::Information, "The play-later queue holds no map.",
                                TAnswer_Set::OK);
    return;
  }
  TPlayed_List_Dialog queue(QStringLiteral("Play Later Queue"),
                            {QStringLiteral("Filename"), QStringLiteral("Mapname"),
                             QStringLiteral("in PK3"), QStringLiteral("Launches")},
                            /*queue=*/true, &Main_);
  queue.setObjectName(QStringLiteral("Form_Play_Later_Queue"));
  queue.Move = [&](int row, int step) {
    const TMap_Key key = History_->History().Queued()[static_cast<std::size_t>(row)];
    const int to = row + step;
    Change_History(
        [&](TPlay_History& history) { history.Move_In_Queue(key, static_cast<std::size_t>(to)); });
    queue.Set_Rows(rows(), to);
  };
  queue.Remove = [&](int row) {
    const TMap_Key key = History_->History().Queued()[static_cast<std::size_t>(row)];
    Change_History([&](TPlay_History& history) { history.Unqueue(key); });
    queue.Set_Rows(rows(), row);
  };
  queue.Set_Rows(rows());
  if (queue.exec() != QDialog::Accepted || queue.Current_Row() < 0) {
    return;
  }
  const TMap_Key key = History_->History().Queued()[static_cast<std::size_t>(queue.Current_Row())];
  if (Launch_By_IDs(key, /*leave_queue=*/true)) {
    Main_.close();
  }
}

void TProgram_Windows::Change_History(const std::function<void(TPlay_History&)>& change) {
  const THistory_Change outcome = History_->Change([&change](TPlay_History& history) {
    change(history);
    return true;
  });
  for (const std::string& text : {outcome.Warning, outcome.Problem}) {
    if (!text.empty()) {
      Main_.Interaction().Message(TMessage_Kind::Warning, text, TAnswer_Set::OK);
    }
  }
}

TMap_Record* TProgram_Windows::Present_Map(const TMap_Key& key) {
  TMap_Record* map = Main_.State().PK3_Database
                         ? Main_.State().PK3_Database->Find_Map(key.first, key.second)
                         : nullptr;
  if (map == nullptr || !map->Present) {
    Main_.Interaction().Message(TMessage_Kind::Error, "The map is no longer in the database.",
                                TAnswer_Set::OK);
    return nullptr;
  }
  return map;
}

bool TProgram_Windows::Launch_By_IDs(const TMap_Key& key, bool leave_queue) {
  TMap_Record* map = Present_Map(key);
  return map != nullptr &&
         Start_Map(Properties(), Properties_Context(), map, Exec_File_, leave_queue);
}

}  // namespace vorlix::ui
