#include "app/ui/program_windows.h"

#include <QAction>
#include <QApplication>
#include <QDateTime>
#include <QEvent>
#include <QIcon>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLocale>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>
#include <QTreeView>
#include <functional>
#include <memory>
#include <optional>
#include <utility>

#include "app/program_steps.h"
#include "app/ui/collection_check_runner.h"
#include "app/ui/main_window.h"
#include "arena/arena_files.h"
#include "arena/arena_import.h"
#include "arena/arena_names.h"
#include "browser/map_game_facts.h"
#include "browser/maps_tree.h"
#include "browser/ui/browser_models.h"
#include "browser/ui/browser_view.h"
#include "browser/ui/maps_tree_view.h"
#include "browser/ui/search_bar.h"
#include "browser/ui/tree_history.h"
#include "browser/ui/view_state.h"
#include "content/mod_list.h"
#include "core/fs_routines.h"
#include "core/settings.h"
#include "core/ui/artwork.h"
#include "core/ui/qt_text.h"
#include "database/collection_check.h"
#include "database/database_startup.h"
#include "database/game_index.h"
#include "database/pk3_rename.h"
#include "dialogs/ui/collection_report.h"
#include "dialogs/ui/info_dialog.h"
#include "dialogs/ui/selection_dialogs.h"
#include "launch/engine_profiles.h"
#include "launch/map_lists.h"
#include "launch/ui/engines_dialog.h"
#include "launch/ui/server_dialog.h"
#include "properties/map_properties_model.h"
#include "properties/ui/launch_entry.h"
#include "properties/ui/map_properties_dialog.h"
#include "properties/ui/properties_entry.h"

namespace vorlix::ui {

namespace {

// Calls a function when the watched window is about to close.
class TClose_Watch : public QObject {
 public:
  TClose_Watch(QObject* window, std::function<void()> on_close)
      : QObject(window), On_Close_(std::move(on_close)) {
    window->installEventFilter(this);
  }
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Close && watched == parent()) {
      On_Close_();
    }
    return false;
  }

 private:
  std::function<void()> On_Close_;
};

}  // namespace

TProgram_Windows::TProgram_Windows(TForm_Main_Vorlix& main_window) : Main_(main_window) {
  Browser_ = new TBrowser_View(&main_window);
  Main_.Set_Main_Area(Browser_);
  Browser_->Install_Commands(&main_window);
  Browser_->Search_Bar()->Set_Game_Index_Source(
      [this]() { return Loaded_Game_Index(Main_.State()); });

  auto& interaction = Main_.Interaction();
  interaction.Select_Items_Handler = [this](const TSelection_Request& request) {
    return Run_Selection(Dialog(Select_MOD_), Dialog(Arena_Selection_), request);
  };
  interaction.Specify_Arena_Name_Handler = [this](const std::string& directory,
                                                  const std::optional<std::string>& preset) {
    return Run_Specify_Arena_Name(Dialog(Arena_Name_), directory, preset);
  };
  Wire_Steps();
  Wire_Commands();
  Wire_Server_Commands();
  Wire_List_Commands();
  Wire_History_Commands();
  Wire_Report_Command();
  QObject::connect(&Main_, &TForm_Main_Vorlix::Toolbar_Images_Loaded, &Main_,
                   [this]() { Apply_Pictures(); });
}

void TProgram_Windows::Apply_Pictures() {
  // The artwork strips hold their pictures in their own order; each command takes its own.
  const QList<QPixmap>& toolbar = Main_.Toolbar_Images();
  const auto picture = [&toolbar](int index) {
    return index < toolbar.size() ? QIcon(toolbar[index]) : QIcon();
  };
  Browser_->Commands()->Set_Icon(TMain_Command::Launch_Map, picture(Image_Launch_Map));
  Browser_->Commands()->Set_Icon(TMain_Command::Map_Properties, picture(Image_Map_Properties));
  Browser_->Commands()->Set_Icon(TMain_Command::Create_Arena_File,
                                 picture(Image_Create_Arena_File));
  Browser_->Commands()->Set_Icon(TMain_Command::Import_Arena_File,
                                 picture(Image_Import_Arena_File));
  Browser_->Commands()->Set_Icon(TMain_Command::Activate_Arena_File,
                                 picture(Image_Activate_Arena_File));
  Browser_->Commands()->Set_Icon(TMain_Command::Remove_Arena_File,
                                 picture(Image_Remove_Arena_File));
  Browser_->Commands()->Set_Icon(TMain_Command::Exit, picture(Image_Delete));
  Browser_->Commands()->Set_Icon(TMain_Command::Info, picture(Image_Info));
  Browser_->Commands()->Set_Icon(TMain_Command::Print, QIcon(Printer_Image(false)));
  Browser_->Commands()->Set_Icon(TMain_Command::Printer_Setup, QIcon(Printer_Image(true)));
  const QList<QPixmap> tree = Images_From_Strip(Tree_Resource, 16);
  if (tree.size() > Image_Map) {
    Browser_->Set_Tree_Icons(QIcon(tree[Image_Map]), QIcon(tree[Image_Group]));
  }
}

TProgram_Windows::~TProgram_Windows() {
  // The main window outlives this; its views must not draw marks from a history that is gone.
  TBrowser_Context context = Browser_->Context();
  context.History = nullptr;
  Browser_->Set_Context(context);
}

void TProgram_Windows::Wire_Steps() {
  TInteraction& ui = Main_.Interaction();
  TStartup_Steps& steps = Main_.Steps();
  Set_Program_Steps(steps, ui);
  // The views refer to the records the MOD list step is about to replace.
  steps.Build_MOD_List = [this, build = steps.Build_MOD_List](TMain_State& state) {
    Browser_->Clear();
    Set_Collection_Check(nullptr);  // built again once the start-up has ended
    Update_Server_Commands();
    build(state);
  };
  steps.Show_MOD_List = [this](TMain_State& state) {
    Update_Server_Commands();
    // What the MOD list step found of the arena files, else a listing of its own.
    Apply_Arena_Availability(std::exchange(state.Arena_Overview_Ahead, std::nullopt));
  };
  steps.Fill_List = [this, &ui](TMain_State& state) {
    TBrowser_Context context;
    context.Database = state.PK3_Database.get();
    context.Mods = state.MOD_List.get();
    context.Interaction = &ui;
    context.Program_Dir = state.Program_Dir;
    context.Levelshots_Dir = state.Levelshots_Dir;
    context.Gfx_Dir = state.GFX_Dir;
    History_->Set_Program_Dir(state.Program_Dir);
    if (const std::string damage = History_->Take_Warning(); !damage.empty()) {
      ui.Message(TMessage_Kind::Warning, damage, TAnswer_Set::OK);
    }
    context.History = History_.get();
    Browser_->Set_Context(context);
    // Launches of an earlier run (or of the command line) whose engines have ended since.
    if (!History_->History().Waiting().empty()) {
      Read_Launch_Outcomes();
    }
    if (state.PK3_Database && state.MOD_List) {
      if (state.Views_Ahead && state.Views_Ahead->List_Filled) {
        Browser_->Load_Maps_List(&state.Views_Ahead->List, state.Views_Ahead->List_Reports);
      } else {
        Browser_->Load_Maps_List();
      }
    }
    // The list's tooltips name an archive that overrides a map's own, read when first wanted.
    Browser_->List_Model()->Set_Game_Index_Source(
        [this]() { return Loaded_Game_Index(Main_.State()); });
  };
  Active_Arena_Label_ = new QLabel(&Main_);
  Active_Arena_Label_->setObjectName(QStringLiteral("Label_Active_Arena"));
  Active_Arena_Label_->setToolTip(
      QStringLiteral("The arena file the game reads in each MOD: its maps are what the game's "
                     "own menus list"));
  Main_.statusBar()->addPermanentWidget(Active_Arena_Label_);
  auto* game_dir = new QLabel(&Main_);
  game_dir->setObjectName(QStringLiteral("Label_Game_Directory"));
  Main_.statusBar()->addPermanentWidget(game_dir);
  steps.Load_Tree = [this, game_dir](TMain_State& state) {
    game_dir->setText(To_QString(state.Game_Dir));
    if (!state.PK3_Database) {
      return true;
    }
    return Browser_->Initialise_Maps_Tree(Take_Tree_Read_Ahead(state));
  };
  steps.Save_Tree = [this](TMain_State& state) {
    if (!state.PK3_Database) {
      return true;
    }
    if (state.Program_Dir != Browser_->Context().Program_Dir) {
      // The user chose another folder to save into.
      TBrowser_Context context = Browser_->Context();
      context.Program_Dir = state.Program_Dir;
      Browser_->Set_Context(context);
      History_->Set_Program_Dir(state.Program_Dir);
    }
    return Browser_->Save_Tree_File();
  };
}

void TProgram_Windows::Apply_Arena_Availability(std::optional<TArena_Overview> listed) {
  const TMain_State& state = Main_.State();
  if (!state.MOD_List) {
    return;
  }
  // The arena files' counts and which one is active, by MOD.
  const TArena_Overview overview =
      listed ? std::move(*listed)
             : Arena_Overview(MOD_Directories_Of(state.Game_Dir, *state.MOD_List),
                              state.MOD_List->Names());
  Browser_->Commands()->Set_Arena_Counts(overview.Counts.Program_Files,
                                         overview.Counts.Most_In_One_Directory);
  QStringList named;
  for (const TActive_Arena& arena : overview.Active) {
    named << QStringLiteral("%1 (%2)").arg(To_QString(arena.Arena_Name), To_QString(arena.MOD));
  }
  Active_Arena_Label_->setText(named.isEmpty()
                                   ? QStringLiteral("No arena file active")
                                   : (named.size() == 1 ? QStringLiteral("Active arena file: ")
                                                        : QStringLiteral("Active arena files: ")) +
                                         named.join(QStringLiteral(", ")));
}

template <typename Form>
Form& TProgram_Windows::Dialog(std::unique_ptr<Form>& slot) {
  if (!slot) {
    slot = std::make_unique<Form>(&Main_);
  }
  return *slot;
}

TForm_Map_Properties& TProgram_Windows::Properties() {
  if (!Properties_) {
    Dialog(Properties_);
    QObject::connect(Properties_.get(), &TForm_Map_Properties::Rename_PK3_Requested, &Main_,
                     [this]() { Rename_Edited_PK3(); });
    QObject::connect(Properties_.get(), &TForm_Map_Properties::Delete_PK3_Requested, &Main_,
                     [this]() { Delete_Edited_PK3(); });
  }
  return *Properties_;
}

TProperties_Context TProgram_Windows::Properties_Context() const {
  TProperties_Context context =
      Properties_Context_Of(Main_.State(), Main_.Interaction(), QLocale::system());
  context.History = History_.get();
  context.Collection = Collection_;
  return context;
}

void TProgram_Windows::Open_Map_Properties(TMap_Record* map) {
  while (map != nullptr && map->PK3 != nullptr) {
    Edited_Map_ = map;
    Archive_Deleted_ = false;
    const TDialog_Result result = Show_Map_Properties(Properties(), Properties_Context(), map);
    Edited_Map_ = nullptr;
    if (Archive_Deleted_) {
      // Its maps are gone from the installation: the views show it as it now is.
      Reload();
      return;
    }
    if (result != TDialog_Result::Retry) {
      return;
    }
    const std::int32_t pk3_id = map->PK3->ID;
    const std::int32_t map_id = map->ID;
    if (!Reload()) {
      return;
    }
    const TMain_State& state = Main_.State();
    map = state.PK3_Database ? state.PK3_Database->Find_Map(pk3_id, map_id) : nullptr;
    if (map != nullptr) {
      Browser_->Select_Map(pk3_id, map_id);
    }
  }
}

void TProgram_Windows::Rename_Edited_PK3() {
  TMain_State& state = Main_.State();
  if (Edited_Map_ == nullptr || Edited_Map_->PK3 == nullptr || !state.PK3_Database) {
    return;
  }
  const TPK3_Action_Result result = Rename_PK3_File(state.PK3_Database->Paths(), *Edited_Map_->PK3,
                                                    Edited_Map_->ID, Main_.Interaction());
  if (result.Reload_Needed()) {
    Properties().End_With(TDialog_Result::Retry);
  }
}

void TProgram_Windows::Delete_Edited_PK3() {
  TMain_State& state = Main_.State();
  if (Edited_Map_ == nullptr || Edited_Map_->PK3 == nullptr || !state.PK3_Database) {
    return;
  }
  const TPK3_Action_Result result =
      Delete_PK3_File(state.PK3_Database->Paths(), *Edited_Map_->PK3, Edited_Map_->ID, *History_,
                      Main_.Interaction());
  if (result.Action == TPK3_Action::Deleted) {
    Archive_Deleted_ = true;
    Properties().End_With(TDialog_Result::OK);
  }
}

bool TProgram_Windows::Reload() {
  const TView_Memory memory = Browser_->Remember_View();
  TStartup& startup = Main_.Startup();
  QApplication::setOverrideCursor(Qt::WaitCursor);
  // What an interrupted start-up built never replaces the stored files.
  if (!startup.Saving_Suppressed() && !startup.Read_Only()) {
    startup.Save_Settings();
  }
  bool dev_comp = false;
  const TLoad_Outcome outcome = startup.Load(dev_comp);
  QApplication::restoreOverrideCursor();
  if (outcome == TLoad_Outcome::Stop || outcome == TLoad_Outcome::End) {
    // As at the first start: the program ends and writes nothing.
    startup.Suppress_Saving();
    Main_.close();
    return false;
  }
  Browser_->Restore_View(memory, true);
  // Archives found unreadable by this run, told behind the filled views.
  startup.Show_Reports();
  Start_Collection_Check();
  return true;
}

void TProgram_Windows::Start_Collection_Check() {
  const TMain_State& state = Main_.State();
  std::shared_ptr<const TGame_Index> games = Loaded_Game_Index(state);
  if (!games) {
    return;  // no database, or the game's index could not be made: nothing to check against
  }
  if (!Collection_Runner_) {
    Collection_Runner_ = std::make_unique<TCollection_Check_Runner>(
        [this](std::shared_ptr<const TCollection_Check> check, const std::string& summary) {
          Set_Collection_Check(std::move(check));
          Main_.statusBar()->showMessage(summary.empty()
                                             ? QStringLiteral("The content check has ended.")
                                             : To_QString(summary),
                                         summary.empty() ? 5000 : 0);
        });
  }
  const TContent_Rules rules = Content_Rules_For(Load_Engine_Profiles(), games->Base_Directory());
  Collection_Runner_->Start({state.Game_Dir, std::move(games), state.Program_Dir, rules});
  Main_.statusBar()->showMessage(QStringLiteral("Checking the content of the collection..."));
}

void TProgram_Windows::Set_Collection_Check(std::shared_ptr<const TCollection_Check> check) {
  Collection_ = std::move(check);
  TBrowser_Context context = Browser_->Context();
  context.Collection = Collection_;
  Browser_->Set_Context(context);
  if (Properties_) {
    Properties_->Set_Collection(Collection_);
  }
}

void TProgram_Windows::Wire_Commands() {
  // A tree that could not be brought back to a stored state never replaces the tree file.
  QObject::connect(Browser_->History(), &TTree_History::Restore_Failed, &Main_,
                   [this]() { Main_.Startup().Suppress_Saving(); });
  QObject::connect(
      Browser_, &TBrowser_View::Launch_Map_Requested, &Main_, [this](TMap_Record* map) {
        if (map != nullptr && Start_Map(Properties(), Properties_Context(), map, Exec_File_)) {
          Main_.close();
        }
      });
  QObject::connect(Browser_, &TBrowser_View::Map_Properties_Requested, &Main_,
                   [this](TMap_Record* map) { Open_Map_Properties(map); });
  QObject::connect(
      Browser_, &TBrowser_View::Group_Properties_Requested, &Main_, [this](TMaps_Tree_Node* group) {
        if (group != nullptr) {
          Show_Group_Properties(Properties(), Properties_Context(), Maps_Of_Group(*group));
        }
      });
  QObject::connect(
      Browser_, &TBrowser_View::Create_Arena_File_Requested, &Main_,
      [this](TMaps_Tree_Node* group) { Run_Arena_Command(TArena_Mode::Create, group); });
  QObject::connect(Browser_, &TBrowser_View::Activate_Arena_File_Requested, &Main_,
                   [this]() { ToolButton_Activate_Arena_FileClick(); });
  QObject::connect(Browser_, &TBrowser_View::Remove_Arena_File_Requested, &Main_,
                   [this]() { ToolButton_Remove_Arena_FileClick(); });
  QObject::connect(Browser_, &TBrowser_View::Import_Arena_File_Requested, &Main_,
                   [this]() { ToolButton_Import_Arena_FileClick(); });
  QObject::connect(Browser_, &TBrowser_View::Info_Requested, &Main_,
                   [this]() { MenuItem_InfoClick(); });
  QObject::connect(Browser_, &TBrowser_View::Exit_Requested, &Main_,
                   [this]() { ToolButton_ExitClick(); });
  QObject::connect(Browser_, &TBrowser_View::Reload_Requested, &Main_,
                   [this]() { MenuItem_ReloadClick(); });
}

void TProgram_Windows::Run_Arena_Command(TArena_Mode mode, const TMaps_Tree_Node* group) {
  TArena_Branch branch;
  if (group != nullptr) {
    branch.Group_Name = group->Text;
    branch.Maps = Maps_Of_Group(*group);
  }
  const TArena_Availability available =
      Process_Arena_File(mode, Arena_Environment_Of(Main_.State()), branch, Main_.Interaction());
  (void)available;
  Apply_Arena_Availability();
}

void TProgram_Windows::ToolButton_Activate_Arena_FileClick() {
  Run_Arena_Command(TArena_Mode::Activate, nullptr);
}

void TProgram_Windows::ToolButton_Remove_Arena_FileClick() {
  Run_Arena_Command(TArena_Mode::Remove, nullptr);
}

void TProgram_Windows::ToolButton_Import_Arena_FileClick() {
  TMain_State& state = Main_.State();
  if (state.PK3_Database) {
    TArena_Import_Changes changes =
        Run_Arena_Import(state.Game_Dir, state.Temp_Dir, *state.PK3_Database, Main_.Interaction());
    if (!changes.empty()) {
      // Edit > Undo takes the import back like a change of the tree; a reload forgets it with
      // the records it names.
      auto shared = std::make_shared<const TArena_Import_Changes>(std::move(changes));
      Browser_->History()->Record_Done(
          QStringLiteral("Import Arena File"), [shared] { Apply_Arena_Import(*shared, true); },
          [shared] { Apply_Arena_Import(*shared); });
      Browser_->Refresh_Commands();
    }
  }
}

std::shared_ptr<const TCollection_Check> TProgram_Windows::Collection_Check_For_Report() {
  // The check the window built after it showed; before it is there, one built now.
  if (Collection_) {
    return Collection_;
  }
  const TMain_State& state = Main_.State();
  const std::shared_ptr<const TGame_Index> games = Loaded_Game_Index(state);
  if (!games) {
    Main_.Interaction().Message(
        TMessage_Kind::Information,
        "The collection cannot be checked: what the game reads from the archives is not known yet.",
        TAnswer_Set::OK);
    return nullptr;
  }
  QApplication::setOverrideCursor(Qt::WaitCursor);
  TCollection_Load load =
      Load_Collection_Check(state.Game_Dir, *games, state.Program_Dir,
                            Content_Rules_For(Load_Engine_Profiles(), games->Base_Directory()));
  if (load.Check) {
    load.Check->Compute_All();
  }
  QApplication::restoreOverrideCursor();
  return std::move(load.Check);
}

void TProgram_Windows::MenuItem_InfoClick() {
  Dialog(Info_).exec();
}

void TProgram_Windows::ToolButton_ExitClick() {
  Main_.close();
}

void TProgram_Windows::MenuItem_ReloadClick() {
  Reload();
}

}  // namespace vorlix::ui

namespace vorlix::ui {

void TProgram_Windows::Wire_Server_Commands() {
  Host_Server_Action_ = new QAction(QStringLiteral("&Host Server..."), &Main_);
  Host_Server_Action_->setObjectName(QStringLiteral("MenuItem_HostServer"));
  const QString host_hint =
      QStringLiteral("Host Server (a dedicated server playing the maps of the selected group)");
  Host_Server_Action_->setToolTip(host_hint);
  Host_Server_Action_->setStatusTip(host_hint);
  Host_Server_Action_->setIcon(Main_.style()->standardIcon(QStyle::SP_MediaPlay));
  Stop_Server_Action_ = new QAction(QStringLiteral("S&top Server"), &Main_);
  Stop_Server_Action_->setObjectName(QStringLiteral("MenuItem_StopServer"));
  Stop_Server_Action_->setToolTip(QStringLiteral("Stop Server (the one started last)"));
  Stop_Server_Action_->setStatusTip(Stop_Server_Action_->toolTip());
  Stop_Server_Action_->setIcon(Main_.style()->standardIcon(QStyle::SP_MediaStop));
  // After the arena commands, before printing, in the menu and the toolbar alike.
  QAction* print = Browser_->Commands()->Command(TMain_Command::Print);
  QMenu* vorlix = Main_.menuBar()->findChild<QMenu*>(QStringLiteral("Menu_Vorlix"));
  for (QWidget* bar :
       {static_cast<QWidget*>(vorlix), static_cast<QWidget*>(Browser_->Commands()->Tool_Bar())}) {
    if (bar == nullptr) {
      continue;
    }
    bar->insertAction(print, Host_Server_Action_);
    bar->insertAction(print, Stop_Server_Action_);
    auto* separator = new QAction(bar);
    separator->setSeparator(true);
    bar->insertAction(print, separator);
  }
  Engines_Action_ = new QAction(QStringLiteral("E&ngines..."), &Main_);
  Engines_Action_->setObjectName(QStringLiteral("MenuItem_Engines"));
  Engines_Action_->setStatusTip(
      QStringLiteral("The engines to launch with: programs, kinds, arguments, the MODs' defaults"));
  QObject::connect(Engines_Action_, &QAction::triggered, &Main_,
                   [this] { MenuItem_EnginesClick(); });
  if (vorlix != nullptr) {
    vorlix->insertAction(print, Engines_Action_);
    QObject::connect(vorlix, &QMenu::aboutToShow, &Main_, [this] { Update_Server_Commands(); });
  }
  if (QToolBar* bar = Browser_->Commands()->Tool_Bar()) {
    for (QAction* action : {Host_Server_Action_, Stop_Server_Action_}) {
      if (QWidget* button = bar->widgetForAction(action)) {
        button->setFixedSize(30, 30);
        button->setFocusPolicy(Qt::NoFocus);
      }
    }
  }
  // In the tree's context menu after "Create Arena File".
  QMenu* tree_menu = Browser_->Tree_View()->PopupMenu_TreeView_Maps();
  QAction* properties = Browser_->Tree_View()->TreeView_Maps_Properties();
  tree_menu->insertAction(properties, Host_Server_Action_);
  tree_menu->insertSeparator(properties);
  QObject::connect(tree_menu, &QMenu::aboutToShow, &Main_, [this] { Update_Server_Commands(); });
  QObject::connect(Browser_->Tree_View()->selectionModel(), &QItemSelectionModel::currentChanged,
                   &Main_, [this] { Update_Server_Commands(); });
  QObject::connect(Host_Server_Action_, &QAction::triggered, &Main_,
                   [this] { MenuItem_HostServerClick(); });
  QObject::connect(Stop_Server_Action_, &QAction::triggered, &Main_,
                   [this] { MenuItem_StopServerClick(); });
  Close_Watch_ = new TClose_Watch(&Main_, [this] { Tell_Server_Keeps_Running(); });
  Update_Server_Commands();
}

void TProgram_Windows::Update_Server_Commands() {
  Host_Server_Action_->setEnabled(Host_Server_Available(Browser_->Tree().Selected()) &&
                                  Main_.State().MOD_List != nullptr);
  Stop_Server_Action_->setEnabled(Server_.Running());
}

void TProgram_Windows::MenuItem_HostServerClick() {
  const TMaps_Tree_Node* group = Browser_->Tree().Selected();
  const TMain_State& state = Main_.State();
  if (!Host_Server_Available(group) || !state.MOD_List) {
    return;
  }
  if (!Host_Server_) {
    Host_Server_ = std::make_unique<TForm_Host_Server>(&Main_);
    Host_Server_->Set_Game_Facts_Source([this](const std::vector<const TMap_Record*>& maps)
                                            -> std::shared_ptr<const TMap_Game_Facts> {
      const std::shared_ptr<const TGame_Index> index = Loaded_Game_Index(Main_.State());
      return index ? std::make_shared<const TMap_Game_Facts>(*index, maps) : nullptr;
    });
  }
  Host_Server_->Set_Installation(state.Game_Dir,
                                 [this] { return Loaded_Game_Index(Main_.State()); });
  const TServer_Process started =
      Host_Server_For_Group(*Host_Server_, *group, state.MOD_List->Names(), state.Game_Dir,
                            Exec_File_, Main_.Interaction(), History_.get());
  if (started.Pid != 0) {
    Server_ = started;
  }
  Update_Server_Commands();
}

void TProgram_Windows::MenuItem_EnginesClick() {
  if (!Engines_) {
    Engines_ = std::make_unique<TForm_Engines>(&Main_);
  }
  const TMain_State& state = Main_.State();
  Engines_->Load(state.Game_Dir,
                 state.MOD_List ? state.MOD_List->Names() : std::vector<std::string>());
  Engines_->exec();
}

void TProgram_Windows::MenuItem_StopServerClick() {
  const std::int64_t pid = Server_.Pid;
  const bool stopped = Server_.Stop();
  Server_ = {};
  Update_Server_Commands();
  Main_.Interaction().Message(
      TMessage_Kind::Information,
      stopped ? "The server with the process ID " + std::to_string(pid) + " was stopped."
              : "The server with the process ID " + std::to_string(pid) + " had already ended.",
      TAnswer_Set::OK);
}

void TProgram_Windows::Tell_Server_Keeps_Running() {
  if (!Server_.Running()) {
    return;
  }
  Main_.Interaction().Message(TMessage_Kind::Information,
                              "The server with the process ID " + std::to_string(Server_.Pid) +
                                  " keeps running after Vorlix closes. End it with: kill " +
                                  std::to_string(Server_.Pid),
                              TAnswer_Set::OK);
}

void TProgram_Windows::Wire_List_Commands() {
  Export_List_Action_ = new QAction(QStringLiteral("E&xport Map List..."), &Main_);
  Export_List_Action_->setObjectName(QStringLiteral("MenuItem_ExportMapList"));
  Export_List_Action_->setStatusTip(QStringLiteral(
      "Export Map List (the maps of the selected group as a plain list, a Quake Live map pool, "
      "a CPMA map list or a server rotation)"));
  Export_Found_Action_ = new QAction(QStringLiteral("Export Maps &Found..."), &Main_);
  Export_Found_Action_->setObjectName(QStringLiteral("MenuItem_ExportMapsFound"));
  Export_Found_Action_->setStatusTip(QStringLiteral(
      "Export Maps Found (the maps the search shows, by Filename, in one of the map list "
      "formats)"));
  Import_List_Action_ = new QAction(QStringLiteral("I&mport Map List..."), &Main_);
  Import_List_Action_->setObjectName(QStringLiteral("MenuItem_ImportMapList"));
  Import_List_Action_->setStatusTip(
      QStringLiteral("Import Map List (a new group of the maps a list file names)"));
  // In the menu after the server commands, before printing.
  QAction* print = Browser_->Commands()->Command(TMain_Command::Print);
  if (QMenu* vorlix = Main_.menuBar()->findChild<QMenu*>(QStringLiteral("Menu_Vorlix"))) {
    vorlix->insertAction(print, Export_List_Action_);
    vorlix->insertAction(print, Export_Found_Action_);
    vorlix->insertAction(print, Import_List_Action_);
    vorlix->insertSeparator(print);
    QObject::connect(vorlix, &QMenu::aboutToShow, &Main_, [this] { Update_List_Commands(); });
  }
  QMenu* tree_menu = Browser_->Tree_View()->PopupMenu_TreeView_Maps();
  tree_menu->insertAction(Browser_->Tree_View()->TreeView_Maps_Properties(), Export_List_Action_);
  QObject::connect(tree_menu, &QMenu::aboutToShow, &Main_, [this] { Update_List_Commands(); });
  QObject::connect(Browser_->Tree_View()->selectionModel(), &QItemSelectionModel::currentChanged,
                   &Main_, [this] { Update_List_Commands(); });
  QObject::connect(Export_List_Action_, &QAction::triggered, &Main_, [this] {
    const TMaps_Tree_Node* group = Browser_->Tree().Selected();
    if (group == nullptr || !group->Is_Group()) {
      return;
    }
    const std::vector<TMap_Record*> maps = Maps_Of_Group(*group);
    Export_Map_List_Asking({maps.begin(), maps.end()}, group->Text, Main_.Interaction());
  });
  QObject::connect(Export_Found_Action_, &QAction::triggered, &Main_, [this] {
    const std::vector<TMap_Record*> maps = Browser_->Search_Bar()->Found_Maps();
    if (maps.empty()) {
      Main_.Interaction().Message(TMessage_Kind::Information,
                                  "The search shows no map, so there is nothing to export.",
                                  TAnswer_Set::OK);
      return;
    }
    Export_Map_List_Asking({maps.begin(), maps.end()}, "Maps found", Main_.Interaction());
  });
  QObject::connect(Import_List_Action_, &QAction::triggered, &Main_, [this] {
    const TMain_State& state = Main_.State();
    if (!state.PK3_Database) {
      return;
    }
    const std::shared_ptr<const TGame_Index> index = Loaded_Game_Index(state);
    const TMaps_Tree_Node* group = Import_Map_List_Asking(
        Browser_->Tree(), *state.PK3_Database, index.get(),
        Engine_Base_Directory(state.Game_Dir, Load_Q3A_Exe()), Main_.Interaction());
    if (group != nullptr) {
      const QModelIndex shown = Browser_->Tree_Model()->Index_Of(group);
      Browser_->Tree_View()->setCurrentIndex(shown);
      Browser_->Tree_View()->scrollTo(shown);
      Browser_->Refresh_Commands();
    }
  });
  Update_List_Commands();
}

void TProgram_Windows::Update_List_Commands() {
  const TMaps_Tree_Node* selected = Browser_->Tree().Selected();
  Export_List_Action_->setEnabled(selected != nullptr && selected->Is_Group() &&
                                  TMaps_Tree::Group_Is_Not_Empty(selected));
  Export_Found_Action_->setEnabled(Browser_->Search_Bar()->Active());
  Import_List_Action_->setEnabled(Main_.State().PK3_Database != nullptr &&
                                  Browser_->Tree().Root() != nullptr);
}

}  // namespace vorlix::ui
