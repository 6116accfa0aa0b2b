#pragma once
// The start-up spine: what runs from the main window's show event until the user can work
// (Load), what the close writes (Save_Settings) and removes, the reload
// after a pk3 rename, and the three-second rule of the splash window.
//
// The steps that belong to other subsystems (MOD list, database, lists, bots, disabler archives,
// tree, toolbar images) are handed in by the front end as TStartup_Steps; a step that is not set
// does nothing.

#include <functional>
#include <future>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/demo_install.h"
#include "app/read_ahead.h"
#include "arena/arena_names.h"
#include "browser/maps_tree.h"
#include "browser/unsorted_list.h"
#include "content/mod_list.h"
#include "core/data_lock.h"
#include "core/interaction.h"
#include "database/database_file.h"
#include "database/records.h"

namespace vorlix {

class TGame_Index;
class TInteraction;
class TRelayed_Interaction;

// What the first steps make on their thread, where they run on one, for the steps of the views
// (TStartup_Steps::Prepare_Views): taken by the steps that would make it.
struct TViews_Ahead {
  bool List_Filled = false;
  TUnsorted_Maps_List List;               // filled by Load_Maps_List, without an observer
  std::vector<std::string> List_Reports;  // what the fill reported, in order
  bool Bots_Read = false;                 // TMOD_List::Determine_Bot_Information ran
  std::vector<std::string> Bot_Errors;    // what it returned
  bool Disablers_Written = false;         // Create_Arena_Disabler_Files ran
  struct TTold {
    TMessage_Kind Kind;
    std::string Text;
    TAnswer_Set Buttons;
  };
  std::vector<TTold> Disabler_Messages;  // what it told the user, in order
};

// The program-wide state the main window owns.
struct TMain_State {
  std::string Game_Dir;        // without trailing separator
  std::string Program_Dir;     // without trailing separator
  std::string Levelshots_Dir;  // Program_Dir + "LEVELSHOTS" (or the name on disk in any case)
  std::string Botinfo_Dir;     // Program_Dir + "BOTINFO"
  std::string GFX_Dir;         // Program_Dir + "GFX", else the executable's or the installation's
  std::string Temp_Dir;        // Program_Dir + "TEMP"
  std::unique_ptr<TPK3_Record_Store> PK3_Database;
  // The tree file, read against PK3_Database on a thread of its own from the database step on
  // (the steps up to the tree's only read the records); taken by the tree step
  // (Take_Tree_Read_Ahead), else waited for when the start-up ends. Declared after the database:
  // it goes first.
  std::future<std::unique_ptr<TTree_File_Reading>> Tree_Ahead;
  std::unique_ptr<TMOD_List> MOD_List;
  int MODs_With_Arena_Files = 0;
  // The arena files of the MOD directories as the MOD list step's count found them (the same
  // listing of each directory): taken by the views' part of that step, which would list them
  // again; dropped when the start-up ends.
  std::optional<TArena_Overview> Arena_Overview_Ahead;
  // What the game reads from the database's archives: read from gameindex.dat when first wanted
  // (Loaded_Game_Index), which the database step brought up to date; none when it could not be
  // built (the dialogs then know only each map's own archive). Dropped with the database.
  mutable std::shared_ptr<const TGame_Index> Game_Index;
  // What was read ahead for the running start-up, if any (its steps take it while it holds).
  std::unique_ptr<TRead_Ahead> Read_Ahead;
  // Made by Prepare_Views for the running start-up, if any (dropped when it ends).
  std::unique_ptr<TViews_Ahead> Views_Ahead;
  // Set when the arena pass of the running start-up renamed or changed an archive.
  bool Game_Dir_Written = false;
  // The data folder cannot be written and the user went on without it: nothing is saved or
  // extracted into it.
  bool Read_Only = false;
  // What the steps found that the user should read once the views are filled (archives that
  // cannot be read), shown by TStartup::Show_Reports; each a warning of its own.
  std::vector<std::string> Reports;
};

// Steps 4 to 10 of the start-up and the two file writes of the save, in the order they run.
// The spine frees MOD_List before Build_MOD_List and PK3_Database before
// Load_And_Sync_Database; the steps create the new ones.
struct TStartup_Steps {
  std::function<void(TMain_State&)> Build_MOD_List;  // MOD list + arena-file state
  // The front end's views of the new MOD list, once the database step ended too (on the
  // front end's thread, also when the steps before ran on a thread of their own).
  std::function<void(TMain_State&)> Show_MOD_List;
  // mapsdb.dat + sync with disk; what the load of the file found decides whether the run goes on.
  std::function<TDatabase_Load_Result(TMain_State&)> Load_And_Sync_Database;
  // After the database step, unless it ended the start-up: what the views' steps can take
  // ready-made (TMain_State::Views_Ahead), made on the thread of Start_First_Steps.
  std::function<void(TMain_State&)> Prepare_Views;
  std::function<void(TMain_State&)> Fill_List;        // unsorted maps list
  std::function<void(TMain_State&)> Read_Bots;        // bot information
  std::function<void(TMain_State&)> Write_Disablers;  // arena disabler archives
  std::function<bool(TMain_State&)> Load_Tree;        // mapstree.dat; false ends the run
  std::function<void(TMain_State&)> Load_Artwork;
  // The file writes of the save: false when the file could not be written (reported).
  std::function<bool(TMain_State&)> Save_Database;  // mapsdb.dat
  std::function<bool(TMain_State&)> Save_Tree;      // mapstree.dat
};

struct TStartup_Options {
  // Used instead of the executable's directory.
  std::optional<std::string> Program_Dir;
  // Used for the first run as if read from Q3A_DIR.
  std::optional<std::string> Game_Dir;
  // Roots of the installation search; empty means the platform's default roots.
  std::vector<std::string> Search_Roots;
  // How long the start-up waits for another program to let go of the data folder.
  int Lock_Wait_Seconds = 0;
  // The front end saves nothing (vorlix-cli --no-save): a data folder that cannot be written is
  // used read-only without a word.
  bool Without_Saving = false;
  // Where the demo comes from and where it is arranged (empty: <user data dir>/demo), when the
  // user asks for it in place of a game directory that is gone.
  TDemo_Sources Demo_Sources;
  std::string Demo_Dir;
};

// How a run of the start-up ended.
enum class TLoad_Outcome {
  Run,      // the program may run
  Stop,     // a step said no (no game directory, upgrade refused, damaged database, tree file)
  Aborted,  // an error escaped a step: reported, remaining steps skipped, saving suppressed
  End,      // every step ran, but a file could not be used (a map record of another format):
            // the program ends after the start-up, saving suppressed
};

// The game directory the start-up will use first, as far as it is known before it runs: the one
// given on the command line, else the stored one.
std::string Expected_Game_Directory(const std::optional<std::string>& given);

// True when the game directory holds a file named QUAKE3.EXE in any letter case.
bool Holds_Game_Executable(const std::string& game_dir);

// Creates the data folder when it is missing and tries to write a file into it: empty when that
// works, else the system's reason.
std::string Data_Folder_Problem(const std::string& dir);

class TStartup {
 public:
  TStartup(TInteraction& interaction, TStartup_Steps steps, TStartup_Options options = {});
  // Waits for first steps still running (their questions answered as if closed unanswered).
  ~TStartup();
  TStartup(const TStartup&) = delete;
  TStartup& operator=(const TStartup&) = delete;

  // Starts reading what the next run of the start-up reads first (the game directory's archives)
  // on a thread of its own, or takes a reading that the front end started earlier for the same
  // program directory. A front end calls it while it builds its windows. Only when the program
  // directory was given; the database step waits for the reading and takes its walk.
  void Read_Ahead(std::unique_ptr<TRead_Ahead> started = nullptr);
  // Runs the first steps of the next start-up (the settings, the data folder and its lock, the
  // game directory, the old-version check, then the Build_MOD_List and Load_And_Sync_Database
  // of `steps`) on a thread of its own while the front end builds its windows; Load waits for
  // them, carrying out meanwhile what they ask of the user, and goes on where they ended. `relay`
  // is the interaction this start-up was made with, and the one `steps` talk through. Called
  // after Read_Ahead; until Load, the state is the thread's.
  void Start_First_Steps(const TStartup_Steps& steps, TRelayed_Interaction& relay);
  // The full step list. `dev_comp` receives the developer-machine flag.
  TLoad_Outcome Load(bool& dev_comp);
  // Writes the settings, the database and the tree, in this order. An error escaping one write
  // is reported and the next write goes on. False when any of the three failed.
  bool Save_Settings();
  // The close work: save unless suppressed or read-only, then remove TEMP. A save that fails is
  // offered again, or into another folder, before the user lets it go. False when the save failed
  // in the end.
  bool Close();
  // True when the data folder cannot be written and the user went on without it.
  bool Read_Only() const { return State_.Read_Only; }
  // Shows what the steps left for the user to read once the views are filled, and forgets it.
  void Show_Reports();
  // From now until the next start-up, the close writes neither the settings nor mapsdb.dat nor
  // mapstree.dat. The start-up suppresses saving itself when what it loaded must not be
  // replaced (a file it could not read completely, an error that escaped a step).
  void Suppress_Saving() { Saving_Suppressed_ = true; }
  bool Saving_Suppressed() const { return Saving_Suppressed_; }
  // After a pk3 rename: save, then the full start-up again; results are ignored.
  void Reload();

  TMain_State& State() { return State_; }
  const TMain_State& State() const { return State_; }
  TStartup_Steps& Steps() { return Steps_; }
  TInteraction& Interaction() { return Interaction_; }

 private:
  // How the steps up to the database ended.
  struct TFirst_Steps {
    bool Dev_Comp = false;
    bool End_Run = false;  // the program ends after the start-up
    bool Suppress_Saving = false;
    std::optional<TLoad_Outcome> Ended;  // the start-up ends here with this outcome
  };
  struct TFirst_Steps_Run;  // first steps on a thread of their own

  // The steps up to the database, on `state`: the running start-up's, or the one a thread of its
  // own fills.
  TFirst_Steps Run_First_Steps(TMain_State& state, const TStartup_Steps& steps);
  // Waits for the first steps of Start_First_Steps and takes their state.
  TFirst_Steps Finish_First_Steps();
  // Called while an error that escaped a step is handled: shows it; the outcome the start-up
  // ends with (End when a loader found a file of another format, else Aborted).
  TLoad_Outcome Report_Escaped(bool end_run);
  void Load_Registry_Settings(TMain_State& state, bool& dev_comp);
  bool Determine_Directories(TMain_State& state);
  // Finds a data folder that can be written, or the user's leave to go on read-only.
  bool Settle_Data_Folder(TMain_State& state);
  // The user's choice of a folder; nullopt when cancelled.
  std::optional<std::string> Ask_For_Folder(const std::string& title, const std::string& start);
  // Asks what to do about a stored game directory that is gone; "" when the user quits.
  std::string Replace_Missing_Game_Directory(const std::string& stored);
  // Makes `dir` the data folder from now on (for the save at close).
  void Move_Data_Folder(const std::string& dir);

  TInteraction& Interaction_;
  TStartup_Steps Steps_;
  TStartup_Options Options_;
  TMain_State State_;
  bool Saving_Suppressed_ = false;
  // The running start-up's game directory came from the command line, not from the settings.
  bool Game_Dir_Given_ = false;
  // Held from the first start-up to the end of this object.
  TData_Folder_Lock Lock_;
  std::unique_ptr<TFirst_Steps_Run> First_;
};

// ---- The three-second rule of the splash window ----

struct TClock_Reading {
  int Seconds_Of_Day = 0;  // hours * 3600 + minutes * 60 + seconds
  int Weekday = 0;         // 0 to 6
};

TClock_Reading Read_Local_Clock();

// True once the clock shows a time of day at least three whole seconds after the start, or
// another weekday (a wait that crosses midnight ends at once), or an earlier time of day.
bool Splash_Time_Over(const TClock_Reading& start, const TClock_Reading& now);

// Waits until Splash_Time_Over, calling `idle` between readings of `clock`.
void Wait_For_Splash_Time(const TClock_Reading& start, const std::function<TClock_Reading()>& clock,
                          const std::function<void()>& idle);

}  // namespace vorlix
