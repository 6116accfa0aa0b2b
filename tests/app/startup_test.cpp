#include "app/startup.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <future>
#include <optional>
#include <ostream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QString>
#include <QtGlobal>

#include <sys/stat.h>
#include <unistd.h>

#include "app/options.h"
#include "app/program_steps.h"
#include "builders.h"
#include "core/data_lock.h"
#include "core/relayed_interaction.h"
#include "core/settings.h"
#include "database/records.h"
#include "database/zip_archive.h"
#include "scripted_interaction.h"

namespace fs = std::filesystem;

namespace vorlix {
namespace {

using testing::TRecorded_Message;
using testing::TScripted_Interaction;
using testing::TTemp_Dir;
using testing::Write_File;

// One start-up's outcome, its developer flag not looked at.
TLoad_Outcome Load(TStartup& startup) {
  bool dev = false;
  return startup.Load(dev);
}

class Startup_Test : public ::testing::Test {
 protected:
  void SetUp() override {
    ::setenv("XDG_CONFIG_HOME", (config / "cfg").c_str(), 1);
    Write_File(game / "QUAKE3.EXE", "");
    fs::create_directory(program / "data");
    fs::create_directory(roots / "empty");
  }
  void TearDown() override { ::unsetenv("XDG_CONFIG_HOME"); }

  // Steps that record their names in `trace`.
  TStartup_Steps Tracing_Steps() {
    TStartup_Steps steps;
    auto note = [this](const char* name) {
      return [this, name](TMain_State&) { trace.emplace_back(name); };
    };
    steps.Build_MOD_List = [this](TMain_State& s) {
      trace.emplace_back(s.MOD_List ? "mods-not-freed" : "mods");
      s.MOD_List = std::make_unique<TMOD_List>();
    };
    steps.Load_And_Sync_Database = [this](TMain_State&) {
      trace.emplace_back("database");
      return database_load;
    };
    steps.Fill_List = note("list");
    steps.Read_Bots = note("bots");
    steps.Write_Disablers = note("disablers");
    steps.Load_Tree = [this](TMain_State&) {
      trace.emplace_back("tree");
      return tree_result;
    };
    steps.Load_Artwork = note("toolbar");
    steps.Save_Database = [this](TMain_State&) {
      trace.emplace_back("save-database");
      return true;
    };
    steps.Save_Tree = [this](TMain_State&) {
      trace.emplace_back("save-tree");
      return save_tree_result;
    };
    return steps;
  }

  TStartup_Options Options(std::optional<std::string> game_dir = {}) {
    return {.Program_Dir = program / "data",
            .Game_Dir = std::move(game_dir),
            .Search_Roots = {roots / "empty"}};
  }

  TTemp_Dir config;
  TTemp_Dir program;
  TTemp_Dir game;
  TTemp_Dir roots;
  TScripted_Interaction user;
  std::vector<std::string> trace;
  bool tree_result = true;
  TDatabase_Load_Result database_load;
  bool save_tree_result = true;
};

TEST_F(Startup_Test, Runs_Steps_In_Order_And_Saves_Game_Dir_On_Close) {
  TStartup startup(user, Tracing_Steps(), Options(game.Path() + "/"));
  bool dev = true;
  EXPECT_EQ(startup.Load(dev), TLoad_Outcome::Run);
  EXPECT_FALSE(dev);
  EXPECT_EQ(trace, (std::vector<std::string>{"mods", "database", "list", "bots", "disablers",
                                             "tree", "toolbar"}));
  EXPECT_TRUE(user.Messages.empty());
  const TMain_State& s = startup.State();
  EXPECT_EQ(s.Game_Dir, game.Path());
  EXPECT_EQ(s.Program_Dir, program / "data");
  // Folders not there yet are named as they will be once created.
  EXPECT_EQ(s.Levelshots_Dir, program / "data/levelshots");
  EXPECT_EQ(s.Botinfo_Dir, program / "data/botinfo");
  EXPECT_EQ(s.Temp_Dir, program / "data/temp");

  Write_File(s.Temp_Dir + "/scratch", "x");
  trace.clear();
  startup.Close();
  EXPECT_EQ(trace, (std::vector<std::string>{"save-database", "save-tree"}));
  EXPECT_EQ(Load_Registry_Settings().Q3A_Dir, game.Path());
  EXPECT_FALSE(fs::exists(s.Temp_Dir));

  // The reload saves, then runs every step again with fresh lists; the stored directory is used.
  trace.clear();
  startup.Reload();
  EXPECT_EQ(trace, (std::vector<std::string>{"save-database", "save-tree", "mods", "database",
                                             "list", "bots", "disablers", "tree", "toolbar"}));
  EXPECT_EQ(startup.State().Game_Dir, game.Path());
}

TEST_F(Startup_Test, A_Second_Start_On_The_Data_Folder_Ends_Without_Touching_It) {
  TStartup_Options options = Options(game.Path());
  auto first = std::make_unique<TStartup>(user, Tracing_Steps(), options);
  ASSERT_EQ(Load(*first), TLoad_Outcome::Run);
  fs::create_directories(program / "data/TEMP/first");  // the first program's scratch files
  TScripted_Interaction second_user;
  {
    TStartup second(second_user, Tracing_Steps(), options);
    trace.clear();
    EXPECT_EQ(Load(second), TLoad_Outcome::Stop);
    EXPECT_TRUE(trace.empty());
    EXPECT_EQ(
        second_user.Messages,
        (std::vector<TRecorded_Message>{
            {TMessage_Kind::Error, Folder_In_Use_Message(program / "data"), TAnswer_Set::Cancel}}));
    EXPECT_TRUE(fs::exists(program / "data/TEMP/first"));
  }
  first.reset();  // the first program ends
  TStartup third(second_user, Tracing_Steps(), options);
  EXPECT_EQ(Load(third), TLoad_Outcome::Run);
  // A folder the lock file cannot be made in is not in use: its writes report what fails.
  EXPECT_EQ(TData_Folder_Lock().Take(program / "missing", 0), Lock_Outcome::Not_Saved);
}

// A lock file that cannot be used in a folder that can be written ends the start with a message
// naming it: a link (whose target stays untouched), a directory, a FIFO (never waited on), a file
// the user may not open. A regular lock file is truncated only once the lock is held.
TEST_F(Startup_Test, An_Unusable_Lock_File_Ends_The_Start_And_Is_Never_Followed) {
  const std::string lock = program / ("data/" + std::string(Lock_File_Name));
  Write_File(program / "elsewhere", "someone else's bytes");
  const std::vector<std::pair<const char*, std::function<void()>>> cases = {
      {"a symbolic link", [&] { fs::create_symlink(program / "elsewhere", lock); }},
      {"a directory", [&] { fs::create_directory(lock); }},
      {"not a regular file", [&] { ASSERT_EQ(::mkfifo(lock.c_str(), 0600), 0); }},
  };
  for (const auto& [reason, plant] : cases) {
    SCOPED_TRACE(reason);
    fs::remove_all(lock);
    plant();
    TScripted_Interaction refused;
    TStartup startup(refused, Tracing_Steps(), Options(game.Path()));
    trace.clear();
    EXPECT_EQ(Load(startup), TLoad_Outcome::Stop);
    EXPECT_TRUE(trace.empty());
    ASSERT_EQ(refused.Messages.size(), 1U);
    EXPECT_EQ(refused.Messages[0].Kind, TMessage_Kind::Error);
    EXPECT_NE(refused.Messages[0].Text.find(lock), std::string::npos) << refused.Messages[0].Text;
    EXPECT_NE(refused.Messages[0].Text.find(reason), std::string::npos) << refused.Messages[0].Text;
  }
  EXPECT_EQ(testing::Read_File(program / "elsewhere"), "someone else's bytes");
  fs::remove_all(lock);
  Write_File(lock, "a long line left by an earlier program");
  TStartup startup(user, Tracing_Steps(), Options(game.Path()));
  EXPECT_EQ(Load(startup), TLoad_Outcome::Run);
  EXPECT_EQ(testing::Read_File(lock), std::to_string(::getpid()) + "\n");
}

TEST_F(Startup_Test, What_Was_Read_Ahead_Serves_The_Next_Run_Only) {
  TStartup_Steps steps = Tracing_Steps();
  steps.Read_Bots = [this](TMain_State& s) {
    trace.emplace_back(s.Read_Ahead ? "bots read ahead" : "bots");
  };
  TStartup_Options options = Options(game.Path());
  options.Program_Dir = program / "data/";
  TStartup startup(user, steps, options);
  // A reading started for another program directory is not taken; one for this one is.
  auto other = std::make_unique<TRead_Ahead>(program.Path(), game.Path());
  const TRead_Ahead* other_reading = other.get();
  startup.Read_Ahead(std::move(other));
  ASSERT_NE(startup.State().Read_Ahead, nullptr);
  EXPECT_NE(startup.State().Read_Ahead.get(), other_reading);
  EXPECT_EQ(startup.State().Read_Ahead->Program_Dir(), program / "data");
  EXPECT_EQ(startup.State().Read_Ahead->Game_Dir(), game.Path());
  auto same = std::make_unique<TRead_Ahead>(program / "data", "");
  const TRead_Ahead* same_reading = same.get();
  startup.Read_Ahead(std::move(same));
  EXPECT_EQ(startup.State().Read_Ahead.get(), same_reading);

  EXPECT_EQ(Load(startup), TLoad_Outcome::Run);
  startup.Reload();
  EXPECT_EQ(std::count(trace.begin(), trace.end(), "bots read ahead"), 1);
  EXPECT_EQ(std::count(trace.begin(), trace.end(), "bots"), 1);
  EXPECT_EQ(startup.State().Read_Ahead, nullptr);
  // Without a given program directory nothing is read ahead.
  TStartup plain(user, steps, TStartup_Options{});
  plain.Read_Ahead();
  EXPECT_EQ(plain.State().Read_Ahead, nullptr);
}

TEST_F(Startup_Test, A_Walk_Read_Ahead_Is_Taken_Unless_The_Arena_Pass_Changed_The_Directory) {
  const auto archive = [](const std::string& map) {
    return std::vector<testing::TZip_Member>{
        {"maps/" + map + ".bsp", testing::Make_Bsp(testing::Entity_Text("Title " + map), 100)}};
  };
  testing::Write_Pk3(game / "baseq3/a.pk3", archive("a"));
  TStartup_Options options = Options(game.Path());
  TStartup_Steps steps;
  Set_Program_Steps(steps, user);
  // One start of the window program; the archives it recorded.
  const auto start = [&] {
    TStartup startup(user, steps, options);
    startup.Read_Ahead();
    startup.State().Read_Ahead->Wait();
    // An archive that comes after the walk: a start that takes the walk does not see it.
    testing::Write_Pk3(game / "baseq3/late.pk3", archive("late"));
    EXPECT_EQ(Load(startup), TLoad_Outcome::Run);
    std::vector<std::string> archives;
    const TPK3_Record_Store& db = *startup.State().PK3_Database;
    archives.reserve(static_cast<std::size_t>(db.Count()));
    for (int i = 0; i < db.Count(); ++i) {
      archives.push_back(db.Items(i)->PK3_Filename);
    }
    fs::remove(game / "baseq3/late.pk3");
    return archives;
  };
  EXPECT_EQ(start(), std::vector<std::string>{"a.pk3"});

  // An arena archive whose name the walk takes for a map archive; the arena pass activates it
  // under its proper name, so the walk no longer holds and the directory is walked again.
  testing::Write_Pk3(game / "baseq3/Z_ARENAS_inactive_mine.pk3",
                     {{"scripts/arenas.txt.inactive", "{ map \"a\" }"}});
  EXPECT_EQ(start(), (std::vector<std::string>{"a.pk3", "late.pk3"}));
  EXPECT_TRUE(fs::exists(game / "baseq3/z_Arenas_active_mine.pk3"));
  EXPECT_TRUE(user.Messages.empty());
}

// The views' steps take what was made ahead instead of making it again: the list step its list,
// the bot step the errors the early reading found, shown as its own.
TEST_F(Startup_Test, The_Views_Steps_Take_What_Was_Made_Ahead) {
  testing::Write_Pk3(game / "baseq3/a.pk3",
                     {{"maps/one.bsp", testing::Make_Bsp(testing::Entity_Text("One"), 100)},
                      {"maps/two.bsp", testing::Make_Bsp(testing::Entity_Text("Two"), 100)}});
  TStartup_Steps steps;
  Set_Program_Steps(steps, user);
  TStartup startup(user, steps, Options(game.Path()));
  ASSERT_EQ(Load(startup), TLoad_Outcome::Run);
  TMain_State& state = startup.State();
  EXPECT_FALSE(state.Views_Ahead);  // dropped with the start-up that made none
  Prepare_Views_Ahead(state);
  ASSERT_TRUE(state.Views_Ahead);
  EXPECT_TRUE(state.Views_Ahead->List_Filled);
  EXPECT_EQ(state.Views_Ahead->List.Count(), 2);
  EXPECT_EQ(state.Views_Ahead->List.Text(0, 0), "One");
  EXPECT_TRUE(state.Views_Ahead->Bots_Read);
  EXPECT_TRUE(state.Views_Ahead->Bot_Errors.empty());
  state.Views_Ahead->Bot_Errors = {"The bot file of baseq3 cannot be read."};
  steps.Read_Bots(state);
  EXPECT_EQ(user.Message_Texts(),
            std::vector<std::string>{"The bot file of baseq3 cannot be read."});
  // Nothing made ahead without a database.
  state.PK3_Database.reset();
  Prepare_Views_Ahead(state);
  EXPECT_FALSE(state.Views_Ahead);
}

// The arena disablers written ahead of their step, by the first steps' thread or by the thread
// their work was offered to, are those their own step writes, written once, and what they tell
// the user comes in that step's place.
TEST_F(Startup_Test, Disablers_Written_Ahead_Match_Their_Step_And_Speak_In_Its_Place) {
  // Each archive of the game directory with its member names: "baseq3/a.pk3: m1 m2".
  const auto archives = [](const std::string& dir) {
    std::vector<std::string> lines;
    for (const auto& entry : fs::recursive_directory_iterator(dir)) {
      if (!entry.is_regular_file() || entry.path().extension() != ".pk3") {
        continue;
      }
      std::vector<std::string> members;
      Walk_Zip_Directory(
          entry.path().string(), Largest_Walked_Directory,
          [&members](const TZip_Directory_Entry& member) { members.emplace_back(member.Name); });
      std::sort(members.begin(), members.end());
      std::string line = fs::relative(entry.path(), dir).string() + ":";
      for (const std::string& member : members) {
        line += " " + member;
      }
      lines.push_back(line);
    }
    std::sort(lines.begin(), lines.end());
    return lines;
  };
  // One start of the given kind on a game directory of its own, and what it said and wrote.
  struct TStart {
    std::vector<TRecorded_Message> Said;
    std::size_t Said_Before_Disablers = 0;
    std::vector<std::string> Written;
  };
  // In turn; ahead by the first steps' thread alone; with the bots and the disablers offered to a
  // thread that runs beside it from the start; offered to one that comes only after the end.
  enum class TWay { In_Turn, Ahead, Beside, Offered_Too_Late };
  const auto start = [&](TWay way) {
    TTemp_Dir dir;
    Write_File(dir / "QUAKE3.EXE", "");
    testing::Write_Pk3(dir / "baseq3/maps.pk3",
                       {{"maps/one.bsp", testing::Make_Bsp(testing::Entity_Text("One"), 100)},
                        {"maps/two.bsp", testing::Make_Bsp(testing::Entity_Text("Two"), 100)}});
    testing::Write_Pk3(dir / "baseq3/z_Arenas_active_Mine.pk3",
                       {{"scripts/arenas.txt", "{ map \"one\" }"}});
    // A user's pack by the name of the program's own, in a MOD without arena files: left alone,
    // and the user is told.
    testing::Write_Pk3(dir / "cpma/~~~~Vorlix_Arenas.pk3", {{"readme.txt", "mine"}});
    TScripted_Interaction ui;
    TStartup_Steps steps;
    Set_Program_Steps(steps, ui);
    std::function<void()> offered;
    std::vector<std::thread> others;
    if (way != TWay::In_Turn) {
      steps.Prepare_Views = [way, &offered, &others](TMain_State& state) {
        if (way == TWay::Ahead) {
          Prepare_Views_Ahead(state);
          return;
        }
        Prepare_Views_Ahead(state, [way, &offered, &others](std::function<void()> work) {
          if (way == TWay::Beside) {
            others.emplace_back(std::move(work));
          } else {
            offered = std::move(work);
          }
        });
      };
    }
    TStart seen;
    steps.Read_Bots = [&seen, &ui, read = steps.Read_Bots](TMain_State& state) {
      read(state);
      seen.Said_Before_Disablers = ui.Messages.size();
    };
    TStartup_Options options = Options(dir.Path());
    options.Program_Dir = program / std::to_string(static_cast<int>(way));
    TStartup startup(ui, steps, options);
    EXPECT_EQ(Load(startup), TLoad_Outcome::Run);
    for (std::thread& other : others) {
      other.join();
    }
    EXPECT_EQ(others.size(), way == TWay::Beside ? 2U : 0U);
    EXPECT_EQ(static_cast<bool>(offered), way == TWay::Offered_Too_Late);
    if (offered) {
      offered();  // the first steps did it themselves: nothing left to do
    }
    EXPECT_EQ(startup.State().Views_Ahead, nullptr);
    seen.Said = ui.Messages;
    seen.Written = archives(dir.Path());
    return seen;
  };
  const TStart in_turn = start(TWay::In_Turn);
  EXPECT_EQ(
      in_turn.Written,
      (std::vector<std::string>{"baseq3/maps.pk3: maps/one.bsp maps/two.bsp",
                                "baseq3/z_Arenas_Disabler.pk3: scripts/one.arena scripts/two.arena",
                                "baseq3/z_Arenas_active_Mine.pk3: scripts/arenas.txt",
                                "baseq3/~~~~Vorlix_Arenas.pk3: scripts/arenas.txt",
                                "cpma/~~~~Vorlix_Arenas.pk3: readme.txt"}));
  ASSERT_EQ(in_turn.Said,
            (std::vector<TRecorded_Message>{
                {TMessage_Kind::Warning,
                 "~~~~Vorlix_Arenas.pk3 in CPMA was not written by Vorlix and is left as it is.",
                 TAnswer_Set::OK}}));
  for (const TWay way : {TWay::Ahead, TWay::Beside, TWay::Offered_Too_Late}) {
    const TStart ahead = start(way);
    EXPECT_EQ(ahead.Written, in_turn.Written) << static_cast<int>(way);
    EXPECT_EQ(ahead.Said, in_turn.Said) << static_cast<int>(way);
    EXPECT_EQ(ahead.Said_Before_Disablers, 0U) << static_cast<int>(way);
  }
}

TEST_F(Startup_Test, Existing_Program_Folders_Keep_Their_Names_And_Leftover_Temp_Goes) {
  Write_File(program / "data/LevelShots/q3dm1.jpg", "");
  Write_File(program / "data/temp/a/left_over", "");
  TStartup_Options options = Options(game.Path());
  TStartup_Steps steps;
  bool temp_gone_before_steps = false;
  steps.Build_MOD_List = [&](TMain_State&) {
    temp_gone_before_steps = !fs::exists(program / "data/temp");
  };
  TStartup startup(user, steps, options);
  EXPECT_EQ(Load(startup), TLoad_Outcome::Run);
  EXPECT_TRUE(temp_gone_before_steps);
  EXPECT_EQ(startup.State().Levelshots_Dir, program / "data/LevelShots");
}

TEST_F(Startup_Test, A_Stored_Game_Directory_That_Is_Gone_Is_Named_Before_Anything_Else) {
  const std::string gone = roots / "gone/Quake3";
  ASSERT_TRUE(Save_Registry_Settings(gone));
  Write_File(roots / "found/Quake3/quake3.exe", "");
  TStartup_Options options = Options();
  options.Search_Roots = {roots / "found"};
  const std::string said = "The stored game directory " + gone + " no longer exists.";
  {
    // Quit: nothing searched, nothing else said, no step run.
    TScripted_Interaction quitter;
    quitter.Choice_Answers = {3};
    TStartup startup(quitter, Tracing_Steps(), options);
    EXPECT_EQ(Load(startup), TLoad_Outcome::Stop);
    ASSERT_EQ(quitter.Choices.size(), 1U);
    EXPECT_EQ(quitter.Choices[0].Text.rfind(said + "\r\n\r\nChoose the game directory", 0), 0U);
    EXPECT_EQ(
        quitter.Choices[0].Choices,
        (std::vector<std::string>{"Choose Directory...", "Search...", "Arrange Demo", "Quit"}));
    EXPECT_TRUE(quitter.Messages.empty());
    EXPECT_TRUE(quitter.Notices.empty());
    EXPECT_TRUE(trace.empty());
  }
  {
    // A folder without the game is said to be one; a cancelled search offers nothing and asks
    // again; a chosen game directory is used and stored at the close.
    TScripted_Interaction chooser;
    chooser.Choice_Answers = {0, 1, 0};
    chooser.Files = {roots / "empty", game.Path() + "/"};
    chooser.Cancel_After_Progress = 1;
    TStartup startup(chooser, Tracing_Steps(), options);
    EXPECT_EQ(Load(startup), TLoad_Outcome::Run);
    EXPECT_EQ(startup.State().Game_Dir, game.Path());
    ASSERT_EQ(chooser.Choices.size(), 3U);
    EXPECT_EQ(chooser.Choices[1].Text.rfind(roots / "empty" + " holds no QUAKE3.EXE.", 0), 0U);
    EXPECT_EQ(chooser.Choices[2].Text.rfind("The search ended without a confirmed QUAKE3.EXE.", 0),
              0U);
    EXPECT_TRUE(chooser.File_Requests.at(0).Directory);
    EXPECT_EQ(chooser.Notices.size(), 1U);
    EXPECT_TRUE(chooser.Messages.empty());
    startup.Close();
    EXPECT_EQ(Load_Registry_Settings().Q3A_Dir, game.Path());
  }
  ASSERT_TRUE(Save_Registry_Settings(roots / "empty"));
  {
    // A directory that is there without the game says so; the search finds and asks.
    TScripted_Interaction searcher;
    searcher.Choice_Answers = {1};
    searcher.Answers = {TAnswer::Yes};
    TStartup startup(searcher, {}, options);
    EXPECT_EQ(Load(startup), TLoad_Outcome::Run);
    EXPECT_EQ(
        searcher.Choices.at(0).Text.rfind(
            "QUAKE3.EXE is no longer found in the stored game directory " + roots / "empty" + ".",
            0),
        0U);
    EXPECT_EQ(startup.State().Game_Dir, roots / "found/Quake3");
  }
  {
    // The demo made of OpenArena's data.
    Write_File(roots / "oa/baseoa/pak0.pk3", "zip");
    options.Demo_Sources = {roots / "oa", "", roots / "lib"};
    options.Demo_Dir = roots / "demo";
    TScripted_Interaction demo_user;
    demo_user.Choice_Answers = {2};
    TStartup startup(demo_user, {}, options);
    EXPECT_EQ(Load(startup), TLoad_Outcome::Run);
    EXPECT_EQ(startup.State().Game_Dir, roots / "demo");
    EXPECT_TRUE(fs::is_symlink(roots / "demo/baseoa/pak0.pk3"));
  }
  {
    // The command line cannot ask: one message saying what to give instead, and the end.
    TScripted_Interaction command_line;
    command_line.Can_Ask = false;
    TStartup startup(command_line, Tracing_Steps(), options);
    EXPECT_EQ(Load(startup), TLoad_Outcome::Stop);
    EXPECT_EQ(command_line.Messages,
              (std::vector<TRecorded_Message>{
                  {TMessage_Kind::Error,
                   "QUAKE3.EXE is no longer found in the stored game directory " + roots / "empty" +
                       ". Give the game directory with --game-dir, or use --demo.",
                   TAnswer_Set::Cancel}}));
    EXPECT_TRUE(command_line.Notices.empty());
  }
}

TEST_F(Startup_Test, A_Data_Folder_That_Cannot_Be_Written_Is_Said_Once_Before_The_Steps) {
  Write_File(program / "file", "not a folder");
  const std::string blocked = program / "file/data";
  TStartup_Options options = Options(game.Path());
  options.Program_Dir = blocked;
  const std::string said = "The data folder " + blocked + " cannot be written: Not a directory.";
  {
    TScripted_Interaction quitter;
    quitter.Choice_Answers = {2};
    TStartup startup(quitter, Tracing_Steps(), options);
    EXPECT_EQ(Load(startup), TLoad_Outcome::Stop);
    EXPECT_TRUE(trace.empty());
    ASSERT_EQ(quitter.Choices.size(), 1U);
    EXPECT_EQ(quitter.Choices[0].Text.rfind(said + "\r\n\r\n", 0), 0U);
    EXPECT_EQ(quitter.Choices[0].Choices,
              (std::vector<std::string>{"Choose Another Folder...", "Go On Read-Only", "Quit"}));
    EXPECT_TRUE(quitter.Messages.empty());
  }
  {
    // Read-only: every step runs; neither the close nor a reload saves, and nothing asks again.
    TScripted_Interaction reader;
    reader.Choice_Answers = {1};
    TStartup startup(reader, Tracing_Steps(), options);
    EXPECT_EQ(Load(startup), TLoad_Outcome::Run);
    EXPECT_TRUE(startup.Read_Only());
    EXPECT_EQ(startup.State().Program_Dir, blocked);
    trace.clear();
    startup.Reload();
    EXPECT_EQ(trace.front(), "mods");
    EXPECT_TRUE(startup.Read_Only());
    trace.clear();
    EXPECT_TRUE(startup.Close());
    EXPECT_TRUE(trace.empty());
    EXPECT_EQ(reader.Choices.size(), 1U);
    EXPECT_FALSE(fs::exists(config / "cfg/Tolmarine/Vorlix.conf"));
  }
  {
    // Another folder, asked for until one can be written; the next start without --data-dir
    // uses it.
    TScripted_Interaction mover;
    mover.Choice_Answers = {0, 0};
    mover.Files = {blocked + "2", program / "chosen"};
    TStartup startup(mover, Tracing_Steps(), options);
    EXPECT_EQ(Load(startup), TLoad_Outcome::Run);
    EXPECT_FALSE(startup.Read_Only());
    EXPECT_EQ(startup.State().Program_Dir, program / "chosen");
    EXPECT_EQ(mover.Choices.size(), 2U);
    EXPECT_EQ(Program_Directory({}), program / "chosen");
  }
}

TEST_F(Startup_Test, A_Save_That_Fails_At_Close_Is_Offered_Again_Or_Into_Another_Folder) {
  TStartup_Steps steps = Tracing_Steps();
  std::vector<std::string> saved_into;
  const std::string refusing = program / "data";
  steps.Save_Tree = [&](TMain_State& s) {
    saved_into.push_back(s.Program_Dir);
    return s.Program_Dir != refusing;
  };
  // The database's own files (the archives' folders, the rename journal) move with it.
  steps.Load_And_Sync_Database = [this](TMain_State& s) {
    s.PK3_Database =
        std::make_unique<TPK3_Record_Store>(TDatabase_Paths{s.Program_Dir, "", "", "", ""});
    return database_load;
  };
  std::vector<std::string> database_into;
  steps.Save_Database = [&](TMain_State& s) {
    database_into.push_back(s.PK3_Database->Paths().Program_Dir);
    return true;
  };
  {
    // Retry fails again; another folder takes the files and is used from then on.
    user.Choice_Answers = {0, 1};
    user.Files = {program / "other"};
    TStartup startup(user, steps, Options(game.Path()));
    ASSERT_EQ(Load(startup), TLoad_Outcome::Run);
    EXPECT_TRUE(startup.Close());
    EXPECT_EQ(saved_into, (std::vector<std::string>{refusing, refusing, program / "other"}));
    EXPECT_EQ(database_into.back(), program / "other");
    ASSERT_EQ(user.Choices.size(), 2U);
    EXPECT_EQ(
        user.Choices[0].Choices,
        (std::vector<std::string>{"Retry", "Choose Another Folder...", "Close Without Saving"}));
    EXPECT_NE(user.Choices[0].Text.find(refusing), std::string::npos);
    EXPECT_EQ(Load_Data_Dir(), program / "other");
  }
  {
    // Let go: the close fails, which the exit status reports.
    TScripted_Interaction giver;
    giver.Choice_Answers = {2};
    TStartup startup(giver, steps, Options(game.Path()));
    ASSERT_EQ(Load(startup), TLoad_Outcome::Run);
    EXPECT_FALSE(startup.Close());
    EXPECT_EQ(giver.Choices.size(), 1U);
  }
}

TEST_F(Startup_Test, Nothing_Confirmed_Ends_Without_Steps_Or_Writes) {
  Write_File(program / "data/mapsdb.dat", "db");
  TStartup startup(user, Tracing_Steps(), Options());
  EXPECT_EQ(Load(startup), TLoad_Outcome::Stop);
  EXPECT_TRUE(trace.empty());
  ASSERT_FALSE(user.Messages.empty());
  EXPECT_EQ(user.Messages.back(),
            (TRecorded_Message{TMessage_Kind::Error, "Couldn't find Quake 3 Arena.",
                               TAnswer_Set::Cancel}));
  EXPECT_FALSE(fs::exists(config / "cfg/Tolmarine/Vorlix.conf"));
}

TEST_F(Startup_Test, Refused_Upgrade_Or_Failed_Tree_Stops_The_Run) {
  Write_File(program / "data/mapslist.dat", "old");
  TStartup_Options options = Options(game.Path());
  {
    TStartup startup(user, Tracing_Steps(), options);
    EXPECT_EQ(Load(startup), TLoad_Outcome::Stop);
    EXPECT_TRUE(trace.empty());
  }
  fs::remove(program / "data/mapslist.dat");
  tree_result = false;
  TStartup startup(user, Tracing_Steps(), options);
  EXPECT_EQ(Load(startup), TLoad_Outcome::Stop);
  EXPECT_EQ(trace.back(), "tree");
}

// What the load of the database file found decides the run: the steps after it, the outcome and
// whether the close saves. A later start-up decides afresh.
TEST_F(Startup_Test, The_Database_Load_Decides_Outcome_Steps_And_Saving) {
  const std::vector<std::string> every_step = {"mods",      "database", "list",   "bots",
                                               "disablers", "tree",     "toolbar"};
  const struct {
    TDatabase_Load_Status Status;
    TLoad_Outcome Outcome;
    bool All_Steps;
    bool Saved;
  } cases[] = {
      {TDatabase_Load_Status::Incompatible_Archives, TLoad_Outcome::Run, true, false},
      {TDatabase_Load_Status::Incompatible_Maps, TLoad_Outcome::End, true, false},
      {TDatabase_Load_Status::Damaged, TLoad_Outcome::Stop, false, false},
      {TDatabase_Load_Status::Complete, TLoad_Outcome::Run, true, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.Status));
    database_load.Status = c.Status;
    TStartup startup(user, Tracing_Steps(), Options(game.Path()));
    trace.clear();
    EXPECT_EQ(Load(startup), c.Outcome);
    EXPECT_EQ(trace, c.All_Steps ? every_step : (std::vector<std::string>{"mods", "database"}));
    EXPECT_EQ(startup.Saving_Suppressed(), !c.Saved);
    trace.clear();
    startup.Close();
    EXPECT_EQ(trace.size(), c.Saved ? 2U : 0U);
  }
}

TEST_F(Startup_Test, Escaped_Error_Is_Shown_Skips_The_Rest_And_Suppresses_Saving) {
  Write_File(config / "cfg/Tolmarine/Vorlix.conf",
             "[Settings]\nQ3A_DIR=" + game.Path() + "\nDEV_COMP=1\n");
  TStartup_Steps steps = Tracing_Steps();
  steps.Read_Bots = [](TMain_State&) { throw std::runtime_error("Access violation at bots"); };
  TStartup startup(user, steps, Options());
  bool dev = false;
  EXPECT_EQ(startup.Load(dev), TLoad_Outcome::Aborted);
  EXPECT_TRUE(dev);
  EXPECT_EQ(trace.back(), "list");
  EXPECT_EQ(user.Messages.back(),
            (TRecorded_Message{TMessage_Kind::Error, "Access violation at bots", TAnswer_Set::OK}));
  EXPECT_TRUE(startup.Saving_Suppressed());

  trace.clear();
  startup.Close();
  EXPECT_TRUE(trace.empty());
  EXPECT_NE(testing::Read_File(config / "cfg/Tolmarine/Vorlix.conf").find("DEV_COMP=1"),
            std::string::npos);
}

TEST_F(Startup_Test, Save_Reports_A_Failed_Write_And_Goes_On) {
  TStartup_Options options = Options(game.Path());
  TStartup_Steps steps = Tracing_Steps();
  steps.Save_Database = [](TMain_State&) -> bool { throw std::runtime_error("disk full"); };
  TStartup startup(user, steps, options);
  ASSERT_EQ(Load(startup), TLoad_Outcome::Run);
  trace.clear();
  EXPECT_FALSE(startup.Save_Settings());
  EXPECT_EQ(trace, (std::vector<std::string>{"save-tree"}));
  EXPECT_EQ(user.Message_Texts().back(), "disk full");
  // Any one write that failed makes the close a failure; all of them written, a success.
  startup.Steps().Save_Database = nullptr;
  save_tree_result = false;
  EXPECT_FALSE(startup.Close());
  save_tree_result = true;
  EXPECT_TRUE(startup.Close());
  // Settings that cannot be written: an error box with OK, the other two files written all the
  // same.
  Write_File(config / "blocker", "not a folder");
  ::setenv("XDG_CONFIG_HOME", (config / "blocker").c_str(), 1);
  trace.clear();
  EXPECT_FALSE(startup.Save_Settings());
  EXPECT_EQ(trace, (std::vector<std::string>{"save-tree"}));
  EXPECT_EQ(user.Messages.back().Kind, TMessage_Kind::Error);
  EXPECT_EQ(user.Messages.back().Buttons, TAnswer_Set::OK);
}

// What a start-up did that the user or the next steps can tell.
struct TStart_Seen {
  TLoad_Outcome Outcome = TLoad_Outcome::Run;
  bool Dev = false;
  bool Saving_Suppressed = false;
  std::vector<std::string> Trace;
  std::vector<TRecorded_Message> Messages;
  std::vector<std::string> Choices;  // the texts of the questions
  std::vector<testing::TRecorded_Status> Status;
  std::vector<std::pair<std::string, std::string>> Notices;
  std::vector<std::string> Progress;
  int Open_Notices = 0;
  std::string Game_Dir, Program_Dir, Temp_Dir;
  bool operator==(const TStart_Seen&) const = default;
};

void PrintTo(const TStart_Seen& seen, std::ostream* out) {
  *out << "outcome " << static_cast<int>(seen.Outcome) << ", trace";
  for (const auto& step : seen.Trace) {
    *out << ' ' << step;
  }
  *out << ", " << seen.Messages.size() << " messages, " << seen.Choices.size() << " choices, "
       << seen.Status.size() << " lines, " << seen.Notices.size() << " notices";
}

// The first steps run on a thread of their own while the windows are built give the user and
// the later steps exactly what they give run in turn: the same questions answered the same way,
// the same messages, lines and notices, the same outcome and state. Only the steps up to the
// database run on that thread.
TEST_F(Startup_Test, First_Steps_On_A_Thread_Of_Their_Own_Give_What_They_Give_In_Turn) {
  const std::string gone = roots / "gone/Quake3";
  struct TCase {
    const char* Name;
    // Settings, options, steps (which talk through the interaction given) and answers.
    std::function<void(TStartup_Options&, TStartup_Steps&, TInteraction&, TScripted_Interaction&)>
        Arrange;
  };
  const std::vector<TCase> cases = {
      {"plain", [](auto&, auto&, auto&, auto&) {}},
      {"developer machine",
       [&](auto&, auto&, auto&, auto&) {
         Write_File(config / "cfg/Tolmarine/Vorlix.conf",
                    "[Settings]\nQ3A_DIR=" + game.Path() + "\nDEV_COMP=1\n");
       }},
      {"stored game directory gone, another chosen",
       [&](TStartup_Options& options, auto&, auto&, TScripted_Interaction& u) {
         ASSERT_TRUE(Save_Registry_Settings(gone));
         options.Game_Dir.reset();
         u.Choice_Answers = {0, 0};
         u.Files = {roots / "empty", game.Path()};
       }},
      {"stored game directory gone, quit",
       [&](TStartup_Options& options, auto&, auto&, TScripted_Interaction& u) {
         ASSERT_TRUE(Save_Registry_Settings(gone));
         options.Game_Dir.reset();
         u.Choice_Answers = {3};
       }},
      {"the database step talks",
       [](auto&, TStartup_Steps& steps, TInteraction& ui, TScripted_Interaction& u) {
         u.Answers = {TAnswer::Yes};
         steps.Load_And_Sync_Database = [&ui,
                                         sync = steps.Load_And_Sync_Database](TMain_State& state) {
           ui.Status_Line(1, "Reading the database");
           {
             const auto notice = ui.Notice("Please wait", "Scanning new archives");
             notice->Progress("1 of 2");
             notice->Progress("2 of 2");
           }
           ui.Message(TMessage_Kind::Warning, "map-a.pk3 cannot be read", TAnswer_Set::OK);
           const TAnswer answer =
               ui.Message(TMessage_Kind::Confirmation, "Scan again?", TAnswer_Set::Yes_No);
           ui.Status_Line(1, answer == TAnswer::Yes ? "scanned again" : "kept");
           return sync(state);
         };
       }},
      {"damaged database",
       [this](auto&, auto&, auto&, auto&) {
         database_load.Status = TDatabase_Load_Status::Damaged;
       }},
      {"maps of another format",
       [this](auto&, auto&, auto&, auto&) {
         database_load.Status = TDatabase_Load_Status::Incompatible_Maps;
       }},
      {"an error escapes the database step",
       [](auto&, TStartup_Steps& steps, auto&, auto&) {
         steps.Load_And_Sync_Database = [](TMain_State&) -> TDatabase_Load_Result {
           throw std::runtime_error("Access violation at sync");
         };
       }},
  };
  const std::thread::id test_thread = std::this_thread::get_id();
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    std::optional<TStart_Seen> in_turn;
    for (const bool early : {false, true}) {
      SCOPED_TRACE(early ? "first steps on a thread" : "steps in turn");
      fs::remove_all(config / "cfg");
      database_load = {};
      trace.clear();
      TScripted_Interaction u;
      TRelayed_Interaction relay;
      relay.Set_Target(u);
      TStartup_Options options = Options(game.Path());
      TStartup_Steps steps = Tracing_Steps();
      std::thread::id mods_thread;
      std::thread::id shown_thread;
      steps.Build_MOD_List = [&, build = steps.Build_MOD_List](TMain_State& state) {
        mods_thread = std::this_thread::get_id();
        build(state);
      };
      std::thread::id views_thread;
      steps.Prepare_Views = [&](TMain_State&) {
        views_thread = std::this_thread::get_id();
        trace.emplace_back("views");
      };
      steps.Show_MOD_List = [&](TMain_State& state) {
        shown_thread = std::this_thread::get_id();
        trace.emplace_back(state.MOD_List ? "show-mods" : "show-no-mods");
      };
      c.Arrange(options, steps, relay, u);
      TStart_Seen seen;
      {
        TStartup startup(relay, steps, options);
        if (early) {
          startup.Start_First_Steps(steps, relay);
        }
        seen.Outcome = startup.Load(seen.Dev);
        seen.Saving_Suppressed = startup.Saving_Suppressed();
        seen.Game_Dir = startup.State().Game_Dir;
        seen.Program_Dir = startup.State().Program_Dir;
        seen.Temp_Dir = startup.State().Temp_Dir;
      }
      seen.Trace = trace;
      seen.Messages = u.Messages;
      for (const auto& choice : u.Choices) {
        seen.Choices.push_back(choice.Text);
      }
      seen.Status = u.Status;
      seen.Notices = u.Notices;
      seen.Progress = u.Progress_Texts;
      seen.Open_Notices = u.Open_Notices;
      if (!trace.empty()) {
        EXPECT_EQ(mods_thread == test_thread, !early);
      }
      if (std::find(trace.begin(), trace.end(), "show-mods") != trace.end()) {
        EXPECT_EQ(shown_thread, test_thread);
      }
      // What the views take ready-made is made after the database, on the same thread, and
      // never on a database that was read in part.
      const auto views = std::find(trace.begin(), trace.end(), "views");
      if (views != trace.end()) {
        EXPECT_EQ(views_thread == test_thread, !early);
        EXPECT_EQ(*(views - 1), "database");
      }
      EXPECT_EQ(views != trace.end(),
                std::find(trace.begin(), trace.end(), "database") != trace.end() &&
                    database_load.Status != TDatabase_Load_Status::Damaged);
      if (in_turn) {
        EXPECT_EQ(seen, *in_turn);
      }
      in_turn = seen;
    }
  }
}

// A start-up given up before its Load (the window program ends at once) does not wait for an
// answer nobody gives: the question counts as closed unanswered and nothing is shown.
TEST_F(Startup_Test, First_Steps_Nobody_Serves_End_Without_Waiting_Or_Showing_Anything) {
  ASSERT_TRUE(Save_Registry_Settings(roots / "gone/Quake3"));
  TStartup_Options options = Options();
  TRelayed_Interaction relay;
  relay.Set_Target(user);
  user.Choice_Answers = {0};
  user.Files = {game.Path()};
  {
    TStartup startup(relay, Tracing_Steps(), options);
    startup.Start_First_Steps(Tracing_Steps(), relay);
  }
  EXPECT_TRUE(trace.empty());
  EXPECT_TRUE(user.Choices.empty());
  EXPECT_TRUE(user.File_Requests.empty());
  // The data folder is free again.
  TStartup next(user, Tracing_Steps(), Options(game.Path()));
  EXPECT_EQ(Load(next), TLoad_Outcome::Run);
  // A start-up's first steps talk through its own interaction only.
  TScripted_Interaction other;
  TStartup mismatched(other, Tracing_Steps(), options);
  EXPECT_THROW(mismatched.Start_First_Steps(Tracing_Steps(), relay), std::invalid_argument);
}

// Qt takes the first thread that makes one of its objects for the program's main thread while
// that thread lives. The first steps make some (the settings) and may still run when the window
// program makes its application, which must find itself on the main thread all the same.
TEST_F(Startup_Test, The_Thread_That_Starts_The_First_Steps_Stays_Qts_Main_Thread) {
  std::promise<void> reached;
  std::promise<void> go_on;
  TStartup_Steps steps = Tracing_Steps();
  steps.Build_MOD_List = [&reached, go_on = go_on.get_future().share()](TMain_State& s) {
    reached.set_value();
    go_on.wait();
    s.MOD_List = std::make_unique<TMOD_List>();
  };
  TRelayed_Interaction relay;
  relay.Set_Target(user);
  TStartup startup(relay, steps, Options(game.Path()));
  startup.Start_First_Steps(steps, relay);
  reached.get_future().wait();
  static std::vector<std::string> warnings;
  warnings.clear();
  const QtMessageHandler previous =
      qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString& text) {
        warnings.push_back(text.toStdString());
      });
  int argc = 1;
  char name[] = "vorlix";
  char* argv[] = {name, nullptr};
  const QCoreApplication application(argc, argv);
  qInstallMessageHandler(previous);
  go_on.set_value();
  EXPECT_EQ(Load(startup), TLoad_Outcome::Run);
  EXPECT_EQ(warnings, std::vector<std::string>{});
}

TEST(Splash_Time_Over, Three_Whole_Seconds_Or_Another_Day) {
  const TClock_Reading start{10 * 3600, 2};
  EXPECT_FALSE(Splash_Time_Over(start, {10 * 3600 + 2, 2}));
  EXPECT_TRUE(Splash_Time_Over(start, {10 * 3600 + 3, 2}));
  // Begun at 23:59:59, the day changes after one second.
  const TClock_Reading late{86399, 6};
  EXPECT_FALSE(Splash_Time_Over(late, {86399, 6}));
  EXPECT_TRUE(Splash_Time_Over(late, {0, 0}));
  // A clock set back does not hold the splash.
  EXPECT_TRUE(Splash_Time_Over(start, {9 * 3600 + 59 * 60, 2}));
}

TEST(Wait_For_Splash_Time, Waits_Until_The_Rule_Holds) {
  const TClock_Reading start{100, 1};
  int reading = 0;
  int idles = 0;
  Wait_For_Splash_Time(
      start,
      [&] {
        return TClock_Reading{100 + reading++ / 4, 1};
      },
      [&] { ++idles; });
  EXPECT_EQ(reading, 13);  // readings 0..11 show seconds 100..102, reading 12 shows 103
  EXPECT_EQ(idles, 12);
  // A long start-up: no wait at all.
  idles = 0;
  Wait_For_Splash_Time(
      start,
      [] {
        return TClock_Reading{200, 1};
      },
      [&] { ++idles; });
  EXPECT_EQ(idles, 0);
}

}  // namespace
}  // namespace vorlix
