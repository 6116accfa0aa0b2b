#include "app/startup.h"

#include <ctime>
#include <exception>
#include <filesystem>
#include <stdexcept>
#include <system_error>
#include <thread>

#include <QThread>

#include "app/discovery.h"
#include "app/heap.h"
#include "app/options.h"
#include "core/fs_routines.h"
#include "core/install_layout.h"
#include "core/interaction.h"
#include "core/letter_case.h"
#include "core/listing.h"
#include "core/paths.h"
#include "core/relayed_interaction.h"
#include "core/settings.h"
#include "core/text.h"

namespace vorlix {

namespace {

// Every TEMP folder in the program directory, whatever the letter case of its name.
void Remove_Temp_Folders(const std::string& program_dir) {
  if (const auto entries = platform::List_Directory(program_dir)) {
    for (const auto& entry : *entries) {
      if (platform::Upper(entry.Name) == "TEMP") {
        Delete_Directory_Tree(platform::Join(program_dir, entry.Name));
      }
    }
  }
}

const char* const Data_Folder_Text = "The data folder %s cannot be written: %s.";

}  // namespace

std::string Data_Folder_Problem(const std::string& dir) {
  namespace fs = std::filesystem;
  std::error_code ec;
  if (!fs::is_directory(fs::path(dir), ec)) {
    std::error_code made;
    fs::create_directories(fs::path(dir), made);
    if (!fs::is_directory(fs::path(dir), ec)) {
      return made ? made.message() : std::string("it is not a folder");
    }
  }
  return Folder_Write_Problem(dir);
}

bool Holds_Game_Executable(const std::string& game_dir) {
  if (game_dir.empty()) {
    return false;
  }
  const auto entries = platform::List_Directory(game_dir);
  if (!entries) {
    return false;
  }
  for (const auto& entry : *entries) {
    if (!entry.Is_Directory && platform::Upper(entry.Name) == "QUAKE3.EXE") {
      return true;
    }
  }
  return false;
}

TStartup::TStartup(TInteraction& interaction, TStartup_Steps steps, TStartup_Options options)
    : Interaction_(interaction), Steps_(std::move(steps)), Options_(std::move(options)) {}

void TStartup::Load_Registry_Settings(TMain_State& state, bool& dev_comp) {
  const TRegistry_Values registry_values = vorlix::Load_Registry_Settings();
  state.Game_Dir = registry_values.Q3A_Dir;
  dev_comp = registry_values.Dev_Comp;
  Game_Dir_Given_ = false;
  if (Options_.Game_Dir) {
    // A directory given on the command line stands in for the stored one, once.
    state.Game_Dir = Absolute_Directory(*Options_.Game_Dir);
    Options_.Game_Dir.reset();
    Game_Dir_Given_ = true;
  }
}

std::optional<std::string> TStartup::Ask_For_Folder(const std::string& title,
                                                    const std::string& start) {
  TFile_Request request;
  request.Directory = true;
  request.Title = title;
  request.Initial_Dir = start;
  auto chosen = Interaction_.Choose_File(request);
  if (chosen) {
    *chosen = platform::Without_Trailing_Separator(*chosen);
  }
  return chosen;
}

bool TStartup::Settle_Data_Folder(TMain_State& state) {
  // Given, else the one the user chose instead of the usual one, else the usual one.
  std::string dir = Options_.Program_Dir ? *Options_.Program_Dir : Load_Data_Dir();
  dir = platform::Without_Trailing_Separator(dir.empty() ? Default_Program_Directory() : dir);
  bool chosen_here = false;
  bool read_only = state.Read_Only;
  for (std::string problem = read_only ? std::string() : Data_Folder_Problem(dir); !problem.empty();
       problem = Data_Folder_Problem(dir)) {
    if (Options_.Without_Saving) {
      read_only = true;
      break;
    }
    const std::string said = Format_Message(Data_Folder_Text, dir, problem);
    if (!Interaction_.Asks_User()) {
      Interaction_.Message(
          TMessage_Kind::Error,
          said + " Give another folder with --data-dir, or use --no-save to work without saving.",
          TAnswer_Set::Cancel);
      return false;
    }
    TChoice_Request request;
    request.Text = said +
                   "\r\n\r\nVorlix keeps its map database, the maps tree and the levelshots and "
                   "bot files it extracts there. Choose another folder, go on read-only (nothing "
                   "is saved, levelshots of new archives are not shown), or quit.";
    request.Choices = {"Choose Another Folder...", "Go On Read-Only", "Quit"};
    request.Fallback = 2;
    const int choice = Interaction_.Choose(request);
    if (choice == 0) {
      if (const auto folder = Ask_For_Folder("Choose a data folder for Vorlix", dir)) {
        dir = *folder;
        chosen_here = true;
      }
    } else if (choice == 1) {
      read_only = true;
      break;
    } else {
      return false;
    }
  }
  if (chosen_here && !read_only) {
    // The next start uses it too; a store that cannot be written only costs the question again.
    Save_Data_Dir(dir);
  }
  // A reload keeps what was settled here.
  Options_.Program_Dir = dir;
  state.Read_Only = read_only;
  state.Program_Dir = dir;
  return true;
}

std::string TStartup::Replace_Missing_Game_Directory(const std::string& stored) {
  std::error_code ec;
  const std::string said =
      std::filesystem::is_directory(std::filesystem::path(stored), ec)
          ? Format_Message("QUAKE3.EXE is no longer found in the stored game directory %s.", stored)
          : Format_Message("The stored game directory %s no longer exists.", stored);
  if (!Interaction_.Asks_User()) {
    Interaction_.Message(TMessage_Kind::Error,
                         said + " Give the game directory with --game-dir, or use --demo.",
                         TAnswer_Set::Cancel);
    return {};
  }
  const std::string offer =
      "\r\n\r\nChoose the game directory, search the disks for QUAKE3.EXE, or arrange the demo "
      "made of OpenArena's game data.";
  TChoice_Request request;
  request.Text = said + offer;
  request.Choices = {"Choose Directory...", "Search...", "Arrange Demo", "Quit"};
  request.Fallback = 3;
  for (;;) {
    switch (Interaction_.Choose(request)) {
      case 0: {
        const auto chosen =
            Ask_For_Folder("Choose the Quake III Arena directory", platform::Parent(stored));
        if (chosen && Holds_Game_Executable(*chosen)) {
          return *chosen;
        }
        if (chosen) {
          request.Text = Format_Message("%s holds no QUAKE3.EXE.", *chosen) + offer;
        }
        break;
      }
      case 1: {
        std::string found = Options_.Search_Roots.empty()
                                ? Find_Q3A_Directory(Interaction_)
                                : Find_Q3A_Directory(Interaction_, Options_.Search_Roots);
        if (!found.empty()) {
          return found;
        }
        request.Text = "The search ended without a confirmed QUAKE3.EXE." + offer;
        break;
      }
      case 2: {
        const std::string demo_dir = Options_.Demo_Dir.empty()
                                         ? platform::Join(User_Data_Directory(), Demo_Folder_Name)
                                         : Options_.Demo_Dir;
        const TDemo_Installation demo = Set_Up_Demo_Installation(demo_dir, Options_.Demo_Sources);
        if (demo.Error.empty()) {
          if (!demo.Engine.empty()) {
            Save_Q3A_Exe(demo.Engine);
          }
          return demo.Game_Dir;
        }
        request.Text = "The demo cannot be arranged: " + demo.Error + offer;
        break;
      }
      default:
        return {};
    }
  }
}

bool TStartup::Determine_Directories(TMain_State& state) {
  if (!Settle_Data_Folder(state)) {
    return false;
  }
  state.Levelshots_Dir = Program_Subdirectory(state.Program_Dir, "LEVELSHOTS");
  state.Botinfo_Dir = Program_Subdirectory(state.Program_Dir, "BOTINFO");
  // The pictures that come with the program: the program directory's own GFX, else the one
  // beside the executable, else the installation's shared data.
  state.GFX_Dir = Find_GFX_Directory(state.Program_Dir, platform::Executable_Directory());
  // Another program at work in the data folder: its files, TEMP included, are not touched.
  switch (Lock_.Take(state.Program_Dir, Options_.Lock_Wait_Seconds)) {
    case Lock_Outcome::In_Use:
      Interaction_.Message(TMessage_Kind::Error, Folder_In_Use_Message(state.Program_Dir),
                           TAnswer_Set::Cancel);
      return false;
    case Lock_Outcome::Unusable:
      // A folder the program saves into is never used without the lock.
      Interaction_.Message(TMessage_Kind::Error, Lock_.Problem(), TAnswer_Set::Cancel);
      return false;
    case Lock_Outcome::Held:
    case Lock_Outcome::Not_Saved:
      break;
  }
  // The steps that write into TEMP create it anew, under the name a created folder gets.
  if (!state.Read_Only) {
    Remove_Temp_Folders(state.Program_Dir);
  }
  state.Temp_Dir = Program_Subdirectory(state.Program_Dir, "TEMP");

  state.Game_Dir = platform::Without_Trailing_Separator(state.Game_Dir);
  if (!Holds_Game_Executable(state.Game_Dir)) {
    if (!state.Game_Dir.empty() && !Game_Dir_Given_) {
      // A directory that served before and is gone is said first, by its name.
      state.Game_Dir = Replace_Missing_Game_Directory(state.Game_Dir);
      return !state.Game_Dir.empty();
    }
    state.Game_Dir = Options_.Search_Roots.empty()
                         ? Find_Q3A_Directory(Interaction_)
                         : Find_Q3A_Directory(Interaction_, Options_.Search_Roots);
  }
  if (state.Game_Dir.empty()) {
    Interaction_.Message(TMessage_Kind::Error, "Couldn't find Quake 3 Arena.", TAnswer_Set::Cancel);
    return false;
  }
  return true;
}

std::string Expected_Game_Directory(const std::optional<std::string>& given) {
  return platform::Without_Trailing_Separator(given ? Absolute_Directory(*given)
                                                    : vorlix::Load_Registry_Settings().Q3A_Dir);
}

void TStartup::Read_Ahead(std::unique_ptr<TRead_Ahead> started) {
  if (!Options_.Program_Dir) {
    return;
  }
  const std::string program_dir = platform::Without_Trailing_Separator(*Options_.Program_Dir);
  if (started && started->Program_Dir() == program_dir) {
    State_.Read_Ahead = std::move(started);
  } else {
    State_.Read_Ahead =
        std::make_unique<TRead_Ahead>(program_dir, Expected_Game_Directory(Options_.Game_Dir));
  }
}

struct TStartup::TFirst_Steps_Run {
  explicit TFirst_Steps_Run(TRelayed_Interaction& relay) : Relay(relay) {}
  TRelayed_Interaction& Relay;
  TStartup_Steps Steps;  // of which the thread runs those up to Prepare_Views
  TMain_State State;
  TFirst_Steps Result;
  std::thread Thread;
};

TStartup::~TStartup() {
  if (First_) {
    // Nobody will answer: what the steps still ask is answered as a box closed unanswered.
    First_->Relay.Refuse_Calls();
    First_->Thread.join();
  }
}

void TStartup::Start_First_Steps(const TStartup_Steps& steps, TRelayed_Interaction& relay) {
  if (static_cast<TInteraction*>(&relay) != &Interaction_) {
    throw std::invalid_argument("the first steps talk through the start-up's own interaction");
  }
  if (First_) {
    return;
  }
  // Qt takes the first thread that makes one of its objects for the program's main thread, and
  // the settings step makes one: the thread that will make the application comes first.
  QThread::currentThread();
  auto run = std::make_unique<TFirst_Steps_Run>(relay);
  run->Steps = steps;
  run->State.Read_Ahead = std::move(State_.Read_Ahead);
  try {
    run->Thread = std::thread([this, run = run.get()] {
      // The database's records are made on this thread.
      platform::Prepare_Thread_Heap();
      try {
        run->Result = Run_First_Steps(run->State, run->Steps);
      } catch (...) {
        // Only the report of an escaped error can get here: the run ends as after one.
        run->Result.Suppress_Saving = true;
        run->Result.Ended = TLoad_Outcome::Aborted;
      }
      run->Relay.Work_Done();
    });
  } catch (const std::system_error&) {
    // No thread to be had: Load runs the steps itself.
    State_.Read_Ahead = std::move(run->State.Read_Ahead);
    return;
  }
  First_ = std::move(run);
}

TStartup::TFirst_Steps TStartup::Finish_First_Steps() {
  First_->Relay.Serve_Until_Done();
  First_->Thread.join();
  const TFirst_Steps result = First_->Result;
  State_ = std::move(First_->State);
  First_.reset();
  return result;
}

TLoad_Outcome TStartup::Report_Escaped(bool end_run) {
  std::string text;
  try {
    throw;
  } catch (const std::exception& error) {
    text = error.what();
  } catch (...) {
    text = "Unknown error during start-up.";
  }
  Interaction_.Message(TMessage_Kind::Error, text, TAnswer_Set::OK);
  return end_run ? TLoad_Outcome::End : TLoad_Outcome::Aborted;
}

TStartup::TFirst_Steps TStartup::Run_First_Steps(TMain_State& state, const TStartup_Steps& steps) {
  TFirst_Steps result;
  state.Game_Dir_Written = false;
  state.Reports.clear();
  try {
    Load_Registry_Settings(state, result.Dev_Comp);
    if (!Determine_Directories(state) || Check_Old_Version(state.Program_Dir, Interaction_)) {
      result.Ended = TLoad_Outcome::Stop;
      return result;
    }
    state.MOD_List.reset();
    state.MODs_With_Arena_Files = 0;
    state.Arena_Overview_Ahead.reset();
    if (steps.Build_MOD_List) {
      steps.Build_MOD_List(state);
    }
    state.PK3_Database.reset();
    if (steps.Load_And_Sync_Database) {
      const TDatabase_Load_Result load = steps.Load_And_Sync_Database(state);
      result.Suppress_Saving = load.Keep_Stored_Files();
      // A loader found a file the program cannot work with: the steps run on, then the
      // program ends.
      result.End_Run = load.Ends_Run();
      if (load.Damaged()) {
        // Nothing may be built on a database read in part, nor saved over it.
        result.Ended = TLoad_Outcome::Stop;
        return result;
      }
    }
    if (steps.Prepare_Views) {
      steps.Prepare_Views(state);
    }
  } catch (...) {
    // Whatever was built so far must not replace the stored files.
    result.Suppress_Saving = true;
    result.Ended = Report_Escaped(result.End_Run);
  }
  return result;
}

TLoad_Outcome TStartup::Load(bool& dev_comp) {
  // What was read ahead serves this run only.
  struct TAhead_Release {
    TMain_State& State;
    ~TAhead_Release() {
      State.Read_Ahead.reset();
      State.Views_Ahead.reset();
      State.Arena_Overview_Ahead.reset();
      // Waits for a reading of the tree file that no step took: it reads the records, which
      // the next run replaces.
      State.Tree_Ahead = {};
    }
  } release{State_};
  const TFirst_Steps first = First_ ? Finish_First_Steps() : Run_First_Steps(State_, Steps_);
  dev_comp = first.Dev_Comp;
  Saving_Suppressed_ = first.Suppress_Saving;
  if (first.Ended) {
    return *first.Ended;
  }
  try {
    if (Steps_.Show_MOD_List) {
      Steps_.Show_MOD_List(State_);
    }
    if (Steps_.Fill_List) {
      Steps_.Fill_List(State_);
    }
    if (Steps_.Read_Bots) {
      Steps_.Read_Bots(State_);
    }
    if (Steps_.Write_Disablers) {
      Steps_.Write_Disablers(State_);
    }
    if (Steps_.Load_Tree && !Steps_.Load_Tree(State_)) {
      // A tree file that cannot be used is kept as it is.
      Saving_Suppressed_ = true;
      return TLoad_Outcome::Stop;
    }
    if (Steps_.Load_Artwork) {
      Steps_.Load_Artwork(State_);
    }
  } catch (...) {
    Saving_Suppressed_ = true;
    return Report_Escaped(first.End_Run);
  }
  return first.End_Run ? TLoad_Outcome::End : TLoad_Outcome::Run;
}

bool TStartup::Save_Settings() {
  const auto run = [this](const std::function<bool(TMain_State&)>& step) {
    if (!step) {
      return true;
    }
    try {
      return step(State_);
    } catch (const std::exception& error) {
      Interaction_.Message(TMessage_Kind::Error, error.what(), TAnswer_Set::OK);
      return false;
    }
  };
  const TResult<void> settings_saved = Save_Registry_Settings(State_.Game_Dir);
  if (!settings_saved) {
    Interaction_.Message(TMessage_Kind::Error, settings_saved.Message(), TAnswer_Set::OK);
  }
  bool saved = settings_saved.Ok();
  saved = run(Steps_.Save_Database) && saved;
  saved = run(Steps_.Save_Tree) && saved;
  return saved;
}

void TStartup::Move_Data_Folder(const std::string& dir) {
  State_.Program_Dir = dir;
  Options_.Program_Dir = dir;
  if (State_.PK3_Database) {
    State_.PK3_Database->Set_Program_Dir(dir);
  }
}

bool TStartup::Close() {
  bool saved = true;
  if (!Saving_Suppressed_ && !State_.Read_Only) {
    saved = Save_Settings();
    // Nothing is lost before the user lets it go: the save is offered again, or into another
    // folder.
    TChoice_Request request;
    request.Choices = {"Retry", "Choose Another Folder...", "Close Without Saving"};
    request.Fallback = 2;
    while (!saved && Interaction_.Asks_User()) {
      request.Text = Format_Message(
          "Vorlix could not save everything into %s (the messages before say why).\r\n\r\n"
          "Retry, choose another folder to save into, or close without saving: the changes "
          "made since the start are then lost.",
          State_.Program_Dir);
      const int choice = Interaction_.Choose(request);
      if (choice == 0) {
        saved = Save_Settings();
      } else if (choice == 1) {
        const auto folder = Ask_For_Folder("Choose a folder to save into", State_.Program_Dir);
        if (!folder) {
          continue;
        }
        if (const std::string problem = Data_Folder_Problem(*folder); !problem.empty()) {
          Interaction_.Message(TMessage_Kind::Error,
                               Format_Message(Data_Folder_Text, *folder, problem), TAnswer_Set::OK);
          continue;
        }
        Move_Data_Folder(*folder);
        saved = Save_Settings();
        if (saved) {
          Save_Data_Dir(*folder);
        }
      } else {
        break;
      }
    }
  }
  if (!State_.Program_Dir.empty() && !State_.Read_Only) {
    Remove_Temp_Folders(State_.Program_Dir);
  }
  return saved;
}

void TStartup::Show_Reports() {
  std::vector<std::string> reports;
  reports.swap(State_.Reports);
  for (const auto& report : reports) {
    Interaction_.Message(TMessage_Kind::Warning, report, TAnswer_Set::OK);
  }
}

void TStartup::Reload() {
  if (!State_.Read_Only) {
    Save_Settings();
  }
  bool dev_comp = false;
  Load(dev_comp);
}

// ---- The three-second rule ----

TClock_Reading Read_Local_Clock() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return {local.tm_hour * 3600 + local.tm_min * 60 + local.tm_sec, local.tm_wday};
}

bool Splash_Time_Over(const TClock_Reading& start, const TClock_Reading& now) {
  // A clock set back (or a change to winter time) ends the wait too, instead of holding the
  // splash window for up to an hour.
  return now.Weekday != start.Weekday || now.Seconds_Of_Day >= start.Seconds_Of_Day + 3 ||
         now.Seconds_Of_Day < start.Seconds_Of_Day;
}

void Wait_For_Splash_Time(const TClock_Reading& start, const std::function<TClock_Reading()>& clock,
                          const std::function<void()>& idle) {
  while (!Splash_Time_Over(start, clock())) {
    if (idle) {
      idle();
    }
  }
}

}  // namespace vorlix
