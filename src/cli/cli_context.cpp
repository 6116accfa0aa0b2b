// The start-up and the close of the command-line front end: the start-up spine with the steps of
// every subsystem, without windows.

#include <stdexcept>

#include "app/options.h"
#include "app/program_steps.h"
#include "app/startup.h"
#include "arena/arena_files.h"
#include "browser/maps_tree.h"
#include "browser/unsorted_list.h"
#include "cli/cli_app.h"
#include "content/mod_list.h"
#include "core/paths.h"
#include "core/session.h"
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
    std::unique_ptr<TPK3_Dateien_Verwaltung> Database;
    std::unique_ptr<TViews> Views;
  };
  // Held by a pointer that lives as long as the process: still reachable, never a leak.
  static TKept* kept = nullptr;
  if (kept != nullptr || !Startup_) {
    return;
  }
  kept = new TKept{std::move(Startup_->State().PK3_Datenbank), std::move(Views_)};
}

void TCli_Context::Error(const std::string& text) {
  Ui.Message(Message_Kind::Error, text, Button_Set::OK);
}

bool TCli_Context::Start() {
  if (Startup_) {
    throw std::logic_error("the start-up runs once per command");
  }
  const std::string game_dir = Options.Game_Dir ? Absolute_Directory(*Options.Game_Dir)
                                                : Lade_Registry_Einstellungen().Q3A_Dir;
  if (!Holds_Game_Executable(platform::Without_Trailing_Separator(game_dir))) {
    Ui.Message(Message_Kind::Error, "Couldn't find Quake 3 Arena.", Button_Set::Cancel);
    return false;
  }

  TStartup_Options startup_options;
  startup_options.Game_Dir = Options.Game_Dir;
  startup_options.Lock_Wait_Seconds = Options.Wait_Seconds;
  if (Options.Data_Dir) {
    TProgram_Options program_options;
    program_options.Data_Dir = Options.Data_Dir;
    startup_options.Program_Dir = Program_Directory(program_options);
  }

  TViews& views = *Views_;
  TStartup_Steps steps;
  Setze_Programmschritte(steps, Ui);
  steps.Fill_List = [this, &views](TMain_State& state) {
    views.List.Clear();
    if (state.PK3_Datenbank && state.MOD_Liste) {
      Lade_ListView_Maps(views.List, *state.PK3_Datenbank, *state.MOD_Liste, Ui);
    }
  };
  steps.Load_Tree = [this, &views](TMain_State& state) {
    if (!state.PK3_Datenbank) {
      return true;
    }
    return Initialisiere_TreeView_Maps(views.Tree, state.Program_Dir, *state.PK3_Datenbank, Ui,
                                       Take_Tree_Read_Ahead(state));
  };
  steps.Save_Tree = [this, &views](TMain_State& state) {
    return !state.PK3_Datenbank ||
           views.Tree.TreeView_Maps_Speichern(Tree_File_Path(state.Program_Dir), Ui);
  };

  Startup_ = std::make_unique<TStartup>(Ui, std::move(steps), std::move(startup_options));
  // The game directory is walked while the MOD list and its arena files are looked at.
  Startup_->Read_Ahead();
  bool dev_comp = false;
  const Load_Outcome outcome = Startup_->Lade(dev_comp);
  if (outcome == Load_Outcome::Stop) {
    // As when the main window never opens: nothing is saved and TEMP stays.
    return false;
  }
  Close_Pending_ = true;
  if (Options.No_Save) {
    Session_Flags().Suppress_Saving = true;
  }
  // A loader that met a file of an incompatible format asked the program to end; the close
  // then writes nothing.
  return outcome == Load_Outcome::Run && !Session_Flags().Quit_Requested;
}

bool TCli_Context::Close() {
  if (!Close_Pending_) {
    return true;
  }
  Close_Pending_ = false;
  return Startup_->Schliessen();
}

TArena_Umgebung TCli_Context::Arena_Umgebung() {
  return Arena_Umgebung_aus(State());
}

void TCli_Context::Reload() {
  if (!Close_Pending_ || Session_Flags().Suppress_Saving) {
    return;
  }
  Startup_->Neu_Laden();
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
