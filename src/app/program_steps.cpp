#include "app/program_steps.h"

#include <array>
#include <atomic>
#include <exception>
#include <functional>
#include <future>
#include <memory>
#include <new>
#include <optional>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include "app/read_ahead.h"
#include "arena/arena_files.h"
#include "arena/arena_names.h"
#include "arena/map_arena_blocks.h"
#include "browser/unsorted_list.h"
#include "content/mod_list.h"
#include "core/interaction.h"
#include "core/paths.h"
#include "core/relayed_interaction.h"
#include "core/settings.h"
#include "database/content_index.h"
#include "database/database_startup.h"
#include "database/game_index.h"
#include "database/records.h"
#include "database/unreadable_archives.h"

namespace vorlix {

void Set_Program_Steps(TStartup_Steps& steps, TInteraction& ui) {
  steps.Build_MOD_List = [&ui](TMain_State& state) {
    // The arena-file pass runs for each MOD directory right after it was listed.
    TMOD_List_Hooks hooks;
    hooks.MOD_Added = [&ui, &state](const std::string&, const std::string& mod_dir) {
      if (Check_Arena_Files_At_Start(state.Game_Dir, platform::File_Name(mod_dir), ui,
                                     state.Temp_Dir)) {
        state.Game_Dir_Written = true;
      }
    };
    // One listing of each directory serves the count and the views' overview of the arena files
    // (which one is active in each MOD): nothing between this step and the views changes them.
    hooks.Count_MODs_With_Arena_Files = [&state](const TMOD_List& mods) {
      state.Arena_Overview_Ahead =
          Arena_Overview(MOD_Directories_Of(state.Game_Dir, mods), mods.Names());
      return state.Arena_Overview_Ahead->Counts.Program_Files;
    };
    state.MOD_List = std::make_unique<TMOD_List>();
    state.MODs_With_Arena_Files = state.MOD_List->Build_List(state.Game_Dir, hooks);
  };
  steps.Load_And_Sync_Database = [&ui](TMain_State& state) {
    // The walk read ahead holds while it walked this directory and the arena pass changed nothing
    // in it; it goes on while mapsdb.dat is loaded.
    std::function<std::optional<TGame_Directory_Walk>()> walk_ahead;
    if (state.Read_Ahead && !state.Game_Dir_Written &&
        state.Read_Ahead->Game_Dir() == state.Game_Dir) {
      walk_ahead = [&state] {
        state.Read_Ahead->Wait();
        return state.Read_Ahead->Take_Walk();
      };
    }
    state.Game_Index.reset();
    // The facts of the archives the synchronisation lists go to the game index file as they come.
    TGame_Index_Writer index_writer(state.Program_Dir);
    // What the scans read of the maps' needs goes to the content index, so that the collection
    // check reads no map again.
    TContent_Index_Writer content_writer(state.Program_Dir);
    TLoaded_Database loaded = Load_PK3_Database(
        TDatabase_Paths{state.Program_Dir, state.Temp_Dir, state.Levelshots_Dir, state.Botinfo_Dir,
                        state.Game_Dir, state.Read_Only},
        &ui, walk_ahead,
        state.Read_Only ? TLive_Sync_Sink::TListed_Handler()
                        : [&index_writer, &content_writer](const TArchive_Facts& facts) {
                            index_writer.Add(facts);
                            content_writer.Add(facts);
                          });
    state.PK3_Database = std::move(loaded.Database);
    // Archives that cannot be read are told once the views are filled, and only once each.
    if (const auto report =
            Archives_To_Report(state.Program_Dir, loaded.Unreadable, state.Read_Only);
        !report.empty()) {
      state.Reports.push_back(Unreadable_Archive_Message(report));
    }
    // The tree file is read against the records while the list is filled. The list step drops
    // vanished MODs from the maps' "Useable MODs" lists, which the reading never looks at.
    if (!loaded.Load.Damaged()) {
      try {
        state.Tree_Ahead = std::async(std::launch::async, [program_dir = state.Program_Dir,
                                                           database = state.PK3_Database.get()] {
          return std::make_unique<TTree_File_Reading>(Read_Tree_File(program_dir, *database));
        });
      } catch (const std::system_error&) {
        // no thread to be had: the tree step reads the file itself
      }
    }
    // The game index file takes the facts of the archives the synchronisation listed; it is
    // rebuilt when missing or of another version. An unchanged installation leaves it alone: it
    // is read when first wanted (Loaded_Game_Index).
    // A read-only data folder gets no index file: the index is made from the records when
    // first wanted.
    if (!loaded.Load.Damaged() && !state.Read_Only &&
        (index_writer.Added() > 0 || !Game_Index_File_Is_Current(state.Program_Dir))) {
      try {
        if (!index_writer.Write(*state.PK3_Database)) {
          // What was read serves this run; nothing is read twice for want of the file.
          if (const auto unsaved = index_writer.Unsaved_Index()) {
            TGame_Index index = *unsaved;
            index.Set_Base_Directory(Engine_Base_Directory(state.Game_Dir, Load_Q3A_Exe()));
            state.Game_Index = std::make_shared<const TGame_Index>(std::move(index));
          }
        }
      } catch (const std::bad_alloc&) {
        throw;
      } catch (const std::exception&) {
        // Never needed for the user's data: the dialogs do without, the next start tries again.
      }
      if (!index_writer.Problem().empty()) {
        ui.Message(TMessage_Kind::Warning, Game_Index_Problem_Message(index_writer.Problem()),
                   TAnswer_Set::OK);
      }
    }
    if (!loaded.Load.Damaged() && !state.Read_Only) {
      // Never needed for the user's data: the collection check reads what is not there.
      content_writer.Write();
    }
    // A map recorded for the first time starts with what the game's scripts say of it (its game
    // types, bots and limits) rather than with the defaults; maps known before keep theirs.
    // On a first start every map is new: the blocks are read from the index file an archive at a
    // time rather than with the whole index beside the collection's records.
    if (!loaded.Load.Damaged() && !loaded.New_Maps.empty()) {
      const std::string index_file = platform::Join(state.Program_Dir, Game_Index_File);
      const auto from_file = [&](const std::vector<std::string>& directories,
                                 const std::vector<std::string>& bases,
                                 const TGame_Index::TArena_Visit& visit) {
        return TGame_Index::Walk_Arenas_Read_In_File(
            index_file, Engine_Base_Directory(state.Game_Dir, Load_Q3A_Exe()), directories, bases,
            visit);
      };
      if (state.Game_Index ||
          Take_Arena_Settings_Of_New_Maps(from_file, state.Game_Dir, loaded.New_Maps) < 0) {
        if (const auto index = Loaded_Game_Index(state)) {
          Take_Arena_Settings_Of_New_Maps(*index, state.Game_Dir, loaded.New_Maps);
        }
      }
    }
    return std::move(loaded.Load);
  };
  steps.Read_Bots = [&ui](TMain_State& state) {
    if (state.Views_Ahead && state.Views_Ahead->Bots_Read) {
      for (const std::string& error : state.Views_Ahead->Bot_Errors) {
        ui.Message(TMessage_Kind::Error, error, TAnswer_Set::OK);
      }
    } else if (state.PK3_Database && state.MOD_List) {
      for (const std::string& error :
           state.MOD_List->Determine_Bot_Information(state.Program_Dir, *state.PK3_Database)) {
        ui.Message(TMessage_Kind::Error, error, TAnswer_Set::OK);
      }
    }
  };
  steps.Write_Disablers = [&ui](TMain_State& state) {
    if (state.Views_Ahead && state.Views_Ahead->Disablers_Written) {
      for (const TViews_Ahead::TTold& told : state.Views_Ahead->Disabler_Messages) {
        ui.Message(told.Kind, told.Text, told.Buttons);
      }
    } else if (state.MOD_List) {
      Create_Arena_Disabler_Files(Arena_Environment_Of(state), ui);
    }
  };
  steps.Save_Database = [&ui](TMain_State& state) {
    if (!state.PK3_Database) {
      return true;
    }
    const TResult<void> saved = Save_PK3_Database(*state.PK3_Database);
    if (!saved) {
      ui.Message(TMessage_Kind::Error, saved.Message(), TAnswer_Set::OK);
    }
    return saved.Ok();
  };
}

namespace {

// What the arena disablers tell the user while they are written ahead, kept to be shown in the
// disabler step's place. They only tell (errors and warnings acknowledged with OK); were a
// question ever among them, it would be answered as a box closed without a choice, as a front
// end that cannot ask answers it.
class TTold_Later final : public TInteraction {
 public:
  explicit TTold_Later(std::vector<TViews_Ahead::TTold>& kept) : Kept_(kept) {}
  TAnswer Message(TMessage_Kind kind, const std::string& text, TAnswer_Set buttons) override {
    Kept_.push_back({kind, text, buttons});
    return Default_Answer(buttons);
  }
  void Status_Line(int /*line*/, const std::string& /*text*/) override {}
  std::unique_ptr<TNotice> Notice(const std::string& /*caption*/,
                                  const std::string& /*text*/) override {
    return std::make_unique<TNotice>();
  }
  std::optional<std::string> Choose_File(const TFile_Request& /*request*/) override {
    return std::nullopt;
  }
  std::optional<std::vector<int>> Select_Items(const TSelection_Request& /*request*/) override {
    return std::nullopt;
  }
  std::optional<std::string> Specify_Arena_Name(
      const std::string& /*directory_name*/,
      const std::optional<std::string>& /*preset*/) override {
    return std::nullopt;
  }
  bool Asks_User() const override { return false; }

 private:
  std::vector<TViews_Ahead::TTold>& Kept_;
};

// Work that this thread offers to another one: whichever of the two comes to it first does it.
class TShared_Work {
 public:
  explicit TShared_Work(std::function<void()> work)
      : Work_(std::move(work)), Done_Elsewhere_(Done_.get_future().share()) {}
  // On the thread it was offered to.
  void Do_Unless_Taken() {
    if (Taken_.exchange(true)) {
      return;
    }
    try {
      Work_();
      Done_.set_value();
    } catch (...) {
      Done_.set_exception(std::current_exception());
    }
  }
  // On the offering thread: does the work, or waits for the other thread's end (whose error
  // comes here).
  void Do_Here() {
    if (!Taken_.exchange(true)) {
      Here_ = true;
      Work_();
    } else if (!Here_) {
      Done_Elsewhere_.get();
    }
  }
  // On the offering thread, when what the work reads is about to go: returns once nothing runs
  // it or will.
  void Withdraw() {
    if (Taken_.exchange(true) && !Here_) {
      Done_Elsewhere_.wait();
    }
  }

 private:
  std::function<void()> Work_;
  std::atomic<bool> Taken_{false};
  bool Here_ = false;  // taken by the offering thread, which alone looks at it
  std::promise<void> Done_;
  std::shared_future<void> Done_Elsewhere_;
};

}  // namespace

void Prepare_Views_Ahead(TMain_State& state, const TWork_Offer& offer) {
  state.Views_Ahead.reset();
  if (!state.PK3_Database || !state.MOD_List) {
    return;
  }
  auto ahead = std::make_unique<TViews_Ahead>();
  // None of the three looks at what another one changes: the fill takes vanished MODs out of the
  // maps' usable MODs, the bot step keeps its lists in the MOD list, the disablers read the
  // archives' and maps' file names and the MOD names and write into the game directory and the
  // program's temporary folder, which nothing else here touches.
  TViews_Ahead& made = *ahead;
  const std::array<std::shared_ptr<TShared_Work>, 2> beside = {
      std::make_shared<TShared_Work>([&state, &made] {
        made.Bot_Errors =
            state.MOD_List->Determine_Bot_Information(state.Program_Dir, *state.PK3_Database);
        made.Bots_Read = true;
      }),
      std::make_shared<TShared_Work>([&state, &made] {
        TTold_Later told(made.Disabler_Messages);
        Create_Arena_Disabler_Files(Arena_Environment_Of(state), told);
        made.Disablers_Written = true;
      })};
  try {
    if (offer) {
      for (const auto& work : beside) {
        offer([work] { work->Do_Unless_Taken(); });
      }
    }
    Load_Maps_List(made.List, *state.PK3_Database, *state.MOD_List,
                   [&made](const std::string& report) { made.List_Reports.push_back(report); });
    made.List_Filled = true;
    for (const auto& work : beside) {
      work->Do_Here();
    }
  } catch (...) {
    // What the other thread works on must stay until it is done.
    for (const auto& work : beside) {
      work->Withdraw();
    }
    throw;
  }
  state.Views_Ahead = std::move(ahead);
}

std::function<void(TMain_State&)> Views_Ahead_Offered_To(TRelayed_Interaction& relay) {
  return [&relay](TMain_State& state) {
    Prepare_Views_Ahead(
        state, [&relay](std::function<void()> work) { relay.Run_On_Owner(std::move(work)); });
  };
}

std::unique_ptr<TTree_File_Reading> Take_Tree_Read_Ahead(TMain_State& state) {
  if (!state.Tree_Ahead.valid()) {
    return nullptr;
  }
  return state.Tree_Ahead.get();
}

TArena_Environment Arena_Environment_Of(const TMain_State& state) {
  TArena_Environment env;
  env.Game_Dir = state.Game_Dir;
  env.Temp_Dir = state.Temp_Dir;
  if (state.MOD_List) {
    env.MODs = state.MOD_List->Names();
  }
  env.Database = state.PK3_Database.get();
  env.Game_Index = [&state] { return Loaded_Game_Index(state); };
  return env;
}

TProperties_Context Properties_Context_Of(const TMain_State& state, TInteraction& ui,
                                          const QLocale& locale) {
  TProperties_Context context;
  context.Program_Dir = state.Program_Dir;
  context.Levelshots_Dir = state.Levelshots_Dir;
  context.Botinfo_Dir = state.Botinfo_Dir;
  context.Game_Dir = state.Game_Dir;
  context.Mods = state.MOD_List.get();
  context.Database = state.PK3_Database.get();
  context.Interaction = &ui;
  context.Locale = locale;
  context.Game_Index = Loaded_Game_Index(state);
  return context;
}

std::shared_ptr<const TGame_Index> Loaded_Game_Index(const TMain_State& state) {
  if (!state.Game_Index && state.PK3_Database && !state.PK3_Database->Load_Damaged()) {
    try {
      TGame_Index index = Game_Index_Of(*state.PK3_Database);
      // The base directory the engine a launch starts searches.
      index.Set_Base_Directory(Engine_Base_Directory(state.Game_Dir, Load_Q3A_Exe()));
      state.Game_Index = std::make_shared<const TGame_Index>(std::move(index));
    } catch (const std::bad_alloc&) {
      throw;  // never an answer made of what is missing
    } catch (const std::exception&) {
      // the dialogs then know only each map's own archive
    }
  }
  return state.Game_Index;
}

std::shared_ptr<const TGame_Index> Archives_Of_Game_Index(const TMain_State& state) {
  if (state.Game_Index || !state.PK3_Database || state.PK3_Database->Load_Damaged()) {
    return Loaded_Game_Index(state);
  }
  try {
    auto index = std::make_shared<TGame_Index>();
    if (!index->Load_Archives(platform::Join(state.Program_Dir, Game_Index_File))) {
      return Loaded_Game_Index(state);
    }
    // Archives the file does not know yet (it could not be written) are read as the full load
    // reads them.
    index->Refresh(*state.PK3_Database);
    index->Set_Base_Directory(Engine_Base_Directory(state.Game_Dir, Load_Q3A_Exe()));
    return index;
  } catch (const std::bad_alloc&) {
    throw;
  } catch (const std::exception&) {
    return Loaded_Game_Index(state);
  }
}

}  // namespace vorlix
