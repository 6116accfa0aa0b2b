// The start-up and the close of the command-line front end: the start-up spine with the steps of
// every subsystem, without windows.

#include <stdexcept>

#ifdef __GLIBC__
#include <malloc.h>
#endif

#include "app/options.h"
#include "app/program_steps.h"
#include "app/startup.h"
#include "arena/arena_files.h"
#include "browser/maps_tree.h"
#include "browser/unsorted_list.h"
#include "cli/cli_app.h"
#include "content/mod_list.h"
#include "core/paths.h"
#include "core/settings.h"
#include "database/database_startup.h"
#include "database/records.h"

namespace vorlix {

struct TCli_Context::TViews {
  TUnsorted_Maps_List List;
  TMaps_Tree Tree;
};

TCli_Context::TCli_Context(TCli_Options options, TCli_Interaction& interaction, std::FILE* out)
    : Options(std::move(options)), Ui(interaction), Out(out), Views_(std::make_unique<TViews>()) {
  Views_->Tree.List = &Views_->List;
}

TCli_Context::~TCli_Context() = default;

void TCli_Context::Keep_Records_Until_Process_Ends() {
  struct TKept {
    std::unique_ptr<TPK3_Record_Store> Database;
    std::unique_ptr<TViews> Views;
    std::vector<std::shared_ptr<const void>> Objects;
  };
  // Held by a pointer that lives as long as the process: still reachable, never a leak.
  static TKept* kept = nullptr;
  if (kept != nullptr || !Startup_) {
    return;
  }
  kept = new TKept{std::move(Startup_->State().PK3_Database), std::move(Views_), std::move(Kept_)};
}

void TCli_Context::Error(const std::string& text) {
  Ui.Message(TMessage_Kind::Error, text, TAnswer_Set::OK);
}

bool TCli_Context::Start() {
  if (Startup_) {
    throw std::logic_error("the start-up runs once per command");
  }
  const std::string game_dir =
      Options.Game_Dir ? Absolute_Directory(*Options.Game_Dir) : Load_Registry_Settings().Q3A_Dir;
  // A stored directory that is gone is named by the start-up in its one message.
  if ((Options.Game_Dir || game_dir.empty()) &&
      !Holds_Game_Executable(platform::Without_Trailing_Separator(game_dir))) {
    Ui.Message(TMessage_Kind::Error, "Couldn't find Quake 3 Arena.", TAnswer_Set::Cancel);
    return false;
  }

  TStartup_Options startup_options;
  startup_options.Game_Dir = Options.Game_Dir;
  startup_options.Lock_Wait_Seconds = Options.Wait_Seconds;
  startup_options.Without_Saving = Options.No_Save;
  if (Options.Data_Dir) {
    TProgram_Options program_options;
    program_options.Data_Dir = Options.Data_Dir;
    startup_options.Program_Dir = Program_Directory(program_options);
  }

  TViews& views = *Views_;
  TStartup_Steps steps;
  Set_Program_Steps(steps, Ui);
  steps.Fill_List = [this, &views](TMain_State& state) {
    views.List.Clear();
    if (state.PK3_Database && state.MOD_List) {
      Load_Maps_List(views.List, *state.PK3_Database, *state.MOD_List, Ui);
    }
  };
  steps.Load_Tree = [this, &views](TMain_State& state) {
    if (!state.PK3_Database) {
      return true;
    }
    return Show_Tree_Load_Report(
        Initialise_Maps_Tree(views.Tree, state.Program_Dir, *state.PK3_Database,
                             Take_Tree_Read_Ahead(state)),
        Ui);
  };
  steps.Save_Tree = [this, &views](TMain_State& state) {
    if (!state.PK3_Database) {
      return true;
    }
    const TResult<void> saved = views.Tree.Save_Tree_File(Tree_File_Path(state.Program_Dir));
    if (!saved) {
      Ui.Message(TMessage_Kind::Error, saved.Message(), TAnswer_Set::OK);
    }
    return saved.Ok();
  };

  Startup_ = std::make_unique<TStartup>(Ui, std::move(steps), std::move(startup_options));
  // The game directory is walked while the MOD list and its arena files are looked at.
  Startup_->Read_Ahead();
  bool dev_comp = false;
  const TLoad_Outcome outcome = Startup_->Load(dev_comp);
  if (outcome == TLoad_Outcome::Stop) {
    // As when the main window never opens: nothing is saved and TEMP stays.
    return false;
  }
  Close_Pending_ = true;
  Startup_->Show_Reports();
  if (Options.No_Save) {
    Startup_->Suppress_Saving();
  }
  // A loader that met a file of an incompatible format ended the run; the close then writes
  // nothing.
  return outcome == TLoad_Outcome::Run;
}

bool TCli_Context::Close() {
  if (!Close_Pending_) {
    return Closed_Ok_;
  }
  Close_Pending_ = false;
  Closed_Ok_ = Startup_->Close();
  return Closed_Ok_;
}

void TCli_Context::Release_Records() {
  if (Close_Pending_) {
    throw std::logic_error("the records are released after the close");
  }
  // The views point into the records, and a tree read ahead may too: both go first.
  Views_.reset();
  if (Startup_) {
    TMain_State& state = Startup_->State();
    state.Tree_Ahead = {};
    state.PK3_Database.reset();
  }
#ifdef __GLIBC__
  // Much of it was made on the start-up's threads, whose free memory the command's own
  // allocations would not reuse: it goes back to the system.
  malloc_trim(0);
#endif
}

TArena_Environment TCli_Context::Arena_Environment() {
  return Arena_Environment_Of(State());
}

void TCli_Context::Reload() {
  if (!Close_Pending_ || Startup_->Saving_Suppressed()) {
    return;
  }
  Startup_->Reload();
}

void TCli_Context::Suppress_Saving() {
  if (Startup_) {
    Startup_->Suppress_Saving();
  }
}

TMain_State& TCli_Context::State() {
  if (!Startup_) {
    throw std::logic_error("the start-up has not run");
  }
  return Startup_->State();
}

TUnsorted_Maps_List& TCli_Context::List() {
  return Views_->List;
}

TMaps_Tree& TCli_Context::Tree() {
  return Views_->Tree;
}

}  // namespace vorlix
