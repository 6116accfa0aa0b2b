#pragma once
// The window program's composition: the maps browser in the main window, the dialogs (each made
// when first needed, so that the main window opens sooner), and the start-up steps of every
// subsystem wired into the main window's start-up.

#include <functional>
#include <memory>
#include <optional>

#include "arena/arena_files.h"
#include "database/play_history.h"
#include "launch/exec_file.h"
#include "launch/server_rotation.h"
#include "properties/map_properties_model.h"

namespace vorlix {
class TBrowser_View;
class TCollection_Check;
class TForm_Map_Properties;
class TForm_Select_MOD;
class TForm_Arena_File_Selection;
class TForm_Arena_File_Specify_Name;
class TForm_Info_Dialog;
class TForm_Engines;
class TForm_Host_Server;
class TForm_Collection_Report;
class TMap_Record;
class TPK3_Record;
struct TContent_Place;
struct TReport_Target;
class TMaps_Tree_Node;
}  // namespace vorlix

class QAction;
class QLabel;
class QObject;

namespace vorlix::ui {

class TCollection_Check_Runner;
class TForm_Main_Vorlix;

class TProgram_Windows {
 public:
  explicit TProgram_Windows(TForm_Main_Vorlix& main_window);
  ~TProgram_Windows();
  TProgram_Windows(const TProgram_Windows&) = delete;
  TProgram_Windows& operator=(const TProgram_Windows&) = delete;

  // Builds the collection check of the installation on a thread of its own (after the main
  // window shows and after each reload; never during the start-up). Until it ends the views mark
  // nothing, the content filters show no map and the properties say "not checked yet".
  void Start_Collection_Check();
  // The check the views, filters and properties use (GUI thread only); null until it ends.
  std::shared_ptr<const TCollection_Check> Collection_Check() const { return Collection_; }

 private:
  // Hands a check (or none, before a reload) to the views, the search and the properties dialog.
  void Set_Collection_Check(std::shared_ptr<const TCollection_Check> check);
  void Wire_Steps();
  void Wire_Commands();
  // Creates, activates or removes arena files (the group only for creation), then sets the
  // arena commands' availability from the disk.
  void Run_Arena_Command(TArena_Mode mode, const TMaps_Tree_Node* group);
  void ToolButton_Activate_Arena_FileClick();
  void ToolButton_Remove_Arena_FileClick();
  void ToolButton_Import_Arena_FileClick();
  void MenuItem_InfoClick();
  void ToolButton_ExitClick();
  void MenuItem_ReloadClick();
  // The arena commands and the status bar's active arena files, from `listed` when given (what
  // the start-up found), else from a listing of the MOD directories now.
  void Apply_Arena_Availability(std::optional<TArena_Overview> listed = std::nullopt);
  void Apply_Pictures();
  TProperties_Context Properties_Context() const;
  // A dialog, made on its first use.
  template <typename Form>
  Form& Dialog(std::unique_ptr<Form>& slot);
  // The map properties dialog, made and connected on its first use.
  TForm_Map_Properties& Properties();
  // The properties of one map; after a rename of its archive the whole start-up runs again and
  // the dialog opens anew for the same map, found by its pair of IDs.
  void Open_Map_Properties(TMap_Record* map);
  void Rename_Edited_PK3();
  void Delete_Edited_PK3();
  // Saves and runs the start-up again (F5, and after a rename or delete of an archive); the
  // tree's open groups and the selections stay where their groups and maps still exist. False
  // when the start-up said that the program must end (the main window is then closing).
  bool Reload();
  // "Host Server..." and "Stop Server" in the menu Vorlix, the toolbar and the tree's context
  // menu; the server started last is kept by its process ID and ended only on request.
  void Wire_Server_Commands();
  void Update_Server_Commands();
  void MenuItem_HostServerClick();
  void MenuItem_StopServerClick();
  // "Engines...": the engine profiles.
  void MenuItem_EnginesClick();
  void Tell_Server_Keeps_Running();

  // "Export Map List..." (the selected group) and "Import Map List..." (a new group) in the menu
  // Vorlix, export also in the tree's context menu.
  void Wire_List_Commands();
  void Update_List_Commands();

  // "Favourite" (Ctrl+D), "Play Later" (Ctrl+L), "Launch Next Later" (Ctrl+Shift+L),
  // "Play Later Queue...", "Recently Played..." (Ctrl+H) and "Random Map Prefers Never Played" in
  // the menu Vorlix, the first two also in the views' context menus (played_commands.cpp).
  void Wire_History_Commands();
  void Update_History_Commands();
  // "Collection Report..." in the menu Vorlix (report_commands.cpp): the collection check's
  // report, whose lines select their maps, open their properties or delete their archives.
  void Wire_Report_Command();
  void MenuItem_CollectionReportClick();
  // The check the report shows, built now (with a wait cursor); null when there is no game
  // index to build it from (told).
  std::shared_ptr<const TCollection_Check> Collection_Check_For_Report();
  // The records a line of the report names; null when the database has none (told).
  TPK3_Record* Report_Archive(const TContent_Place& place);
  TMap_Record* Report_Map(const TReport_Target& target);

  // The Recently Played view and the Play Later queue's dialog.
  void Show_Recently_Played();
  void Show_Play_Later_Queue();
  // Changes the history through `change` and writes it (what the keeper has to tell is told).
  void Change_History(const std::function<void(TPlay_History&)>& change);
  // The launch dialog for a map of the history or the queue, found by its pair of IDs (with
  // `leave_queue` the started map leaves the play-later queue); true when the program ends.
  bool Launch_By_IDs(const TMap_Key& key, bool leave_queue = false);
  // Reads what the engines of ended launches said (Collect_Launch_Outcomes); a failure is told in
  // the status line.
  void Read_Launch_Outcomes();
  static constexpr int Outcome_Poll_Milliseconds = 2000;
  // How far each running server's log was read.
  std::map<std::string, std::uint64_t> Server_Log_Sizes_;
  // The map of a pair of IDs while the database has it present; else null (told).
  TMap_Record* Present_Map(const TMap_Key& key);

  TForm_Main_Vorlix& Main_;
  TBrowser_View* Browser_ = nullptr;  // owned by the main window
  // What was played and marked, read once the data folder is known and held until the end.
  std::unique_ptr<THistory_Keeper> History_ = std::make_unique<THistory_Keeper>(std::string());
  std::unique_ptr<TForm_Info_Dialog> Info_;
  std::unique_ptr<TForm_Map_Properties> Properties_;
  std::unique_ptr<TForm_Select_MOD> Select_MOD_;
  std::unique_ptr<TForm_Arena_File_Selection> Arena_Selection_;
  std::unique_ptr<TForm_Arena_File_Specify_Name> Arena_Name_;
  std::unique_ptr<TForm_Host_Server> Host_Server_;
  std::unique_ptr<TForm_Engines> Engines_;
  std::unique_ptr<TForm_Collection_Report> Collection_Report_;
  TExec_File Exec_File_;
  TServer_Process Server_;
  QAction* Host_Server_Action_ = nullptr;
  QAction* Stop_Server_Action_ = nullptr;
  QAction* Engines_Action_ = nullptr;
  QAction* Export_List_Action_ = nullptr;
  QAction* Export_Found_Action_ = nullptr;
  QAction* Import_List_Action_ = nullptr;
  QAction* Favourite_Action_ = nullptr;
  QAction* Play_Later_Action_ = nullptr;
  QAction* Launch_Later_Action_ = nullptr;
  QAction* Recently_Played_Action_ = nullptr;
  QAction* Queue_Action_ = nullptr;
  QAction* Prefer_Unplayed_Action_ = nullptr;
  QAction* Collection_Report_Action_ = nullptr;
  QObject* Close_Watch_ = nullptr;        // owned by the main window
  QLabel* Active_Arena_Label_ = nullptr;  // in the status bar, owned by the main window
  std::shared_ptr<const TCollection_Check> Collection_;
  std::unique_ptr<TCollection_Check_Runner> Collection_Runner_;
  TMap_Record* Edited_Map_ = nullptr;  // the map the properties dialog shows
  bool Archive_Deleted_ = false;       // the dialog ended after a delete of its archive
};

}  // namespace vorlix::ui
