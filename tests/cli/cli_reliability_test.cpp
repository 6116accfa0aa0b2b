// vorlix-cli against a hostile user: damaged database and tree files, saves that fail, an archive
// unreadable at first, a rename killed at every step, two programs on one data folder, a game
// directory whose name is not UTF-8, a kill while an arena archive is written, and control
// characters on a terminal; and a sync killed at random moments, after which mapsdb.dat is either
// the complete old file or the complete new one.

#include <fcntl.h>
#include <pty.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <random>
#include <thread>

#include "as_user.h"
#include "cli/cli_app.h"
#include "cli_runner.h"
#include "core/data_lock.h"
#include "core/fs_routines.h"
#include "database/database_file.h"
#include "database/database_startup.h"
#include "database/pk3_rename.h"
#include "database/play_history.h"
#include "database/records.h"
#include "database/stream.h"
#include "database/zip_archive.h"
#include "scripted_interaction.h"

namespace vorlix::testing {
namespace {

std::string Read_Stream(std::FILE* file) {
  std::string text;
  std::rewind(file);
  char buffer[4096];
  for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, file)) > 0;) {
    text.append(buffer, n);
  }
  std::fclose(file);
  return text;
}

// The program's three files, as bytes.
struct Stored {
  std::string Database, Tree, Settings;
  bool operator==(const Stored&) const = default;
};

class Reliability : public Cli {
 protected:
  // vorlix-cli within this process, with --data-dir (many runs in little time); `out` and `err`
  // replace the captured streams when given.
  TRun_Result Run_Here(std::vector<std::string> words, std::FILE* out = nullptr,
                       std::FILE* err = nullptr) {
    words.insert(words.begin(), {"--data-dir", Data_.Path()});
    ::setenv("XDG_CONFIG_HOME", Config_.Path().c_str(), 1);
    const fs::path cwd = fs::current_path();
    std::FILE* o = out != nullptr ? out : std::tmpfile();
    std::FILE* e = err != nullptr ? err : std::tmpfile();
    TRun_Result result;
    result.Status = Run_Vorlix_Cli(words, o, e);
    std::fflush(o);
    std::fflush(e);
    result.Out = out != nullptr ? "" : Read_Stream(o);
    result.Err = err != nullptr ? "" : Read_Stream(e);
    fs::current_path(cwd);
    ::unsetenv("XDG_CONFIG_HOME");
    return result;
  }

  // The database as the program keeps it in the data folder.
  TDatabase_Paths Paths() const {
    return {Data_.Path(), Data_ / "TEMP", Program_Subdirectory(Data_.Path(), "LEVELSHOTS"),
            Program_Subdirectory(Data_.Path(), "BOTINFO"), Game_.Path()};
  }
  // The tree record of the first map of an archive of baseq3.
  std::string Entry_For(const std::string& file) {
    TPK3_Record_Store db(Paths());
    EXPECT_TRUE(TDatabase_File::Load_Database(db, Data_ / "mapsdb.dat").Complete());
    const TPK3_Record* pk3 = db.Items(std::max(db.Find_PK3("baseq3", file), 0));
    return Tree_Entry(pk3->Maps->Items(0)->ID, pk3->ID);
  }

  Stored Files() {
    return {Read_File(Data_ / "mapsdb.dat"), Read_File(Data_ / "mapstree.dat"), Settings()};
  }

  // Synchronised, with a tree holding every map of the installation: "Arenas/All".
  void Sync_With_Full_Tree() {
    ASSERT_EQ(Run_With_Dirs({"sync"}).Status, 0);
    TPK3_Record_Store db({Data_.Path(), "", "", "", ""});
    ASSERT_TRUE(TDatabase_File::Load_Database(db, Data_ / "mapsdb.dat").Complete());
    std::string entries;
    int count = 0;
    for (int p = 0; p < db.Count(); ++p) {
      for (int m = 0; m < db.Items(p)->Maps->Count(); ++m, ++count) {
        entries += Tree_Entry(db.Items(p)->Maps->Items(m)->ID, db.Items(p)->ID);
      }
    }
    Write_File(Data_ / "mapstree.dat",
               Tree_Group("Arenas", 1) + Tree_Group("All", count) + entries);
    Tree_Listing_ = Run_Data({"tree"}).Out;
    ASSERT_EQ(Tree_Listing_.find("not found"), std::string::npos);
  }

  std::string Tree_Listing_;
};

// ---- damaged files ------------------------------------------------------------------------------

TEST_F(Reliability, Damaged_Files_Stop_The_Start_And_Change_Nothing) {
  Sync_With_Full_Tree();
  const std::string database = Read_File(Data_ / "mapsdb.dat");
  const std::string tree = Read_File(Data_ / "mapstree.dat");
  const std::string bad_database =
      "error: " + Damaged_Database_Message(Data_ / "mapsdb.dat", true) + "\n";
  const std::string bad_tree = "error: Error loading map information. Incompatible file format.\n";
  // The first archive's first map record in a version of another program.
  std::string other_maps = database;
  const std::size_t file = 4 + 4 + 1 + 4 + Get_U32(database, 4 + 4 + 1);
  const std::size_t map_count = file + 4 + Get_U32(database, file) + 4 + 4;
  ASSERT_GT(Get_U32(database, map_count), 0U);
  other_maps[map_count + 4] = 2;
  // The ways each file can be damaged are the hostile-input suites' to cover.
  // The first two stop the start there; the map records of another format end the run after
  // every step, the tree's reports of the maps it misses included.
  const struct {
    std::string Database, Tree, Err;
    bool Stops_At_Once;
  } cases[] = {{database.substr(0, database.size() - 1), tree, bad_database, true},
               {database, Tree_Group("Arenas", 0) + Tree_Group("Sub", 0), bad_tree, true},
               {other_maps, tree, bad_tree, false}};
  for (const auto& c : cases) {
    Write_File(Data_ / "mapsdb.dat", c.Database);
    Write_File(Data_ / "mapstree.dat", c.Tree);
    const Stored before = Files();
    const TRun_Result result = Run_Here({"list"});
    EXPECT_EQ(result.Status, 1);
    EXPECT_EQ(c.Stops_At_Once ? result.Err : result.Err.substr(0, c.Err.size()), c.Err);
    EXPECT_EQ(result.Out, "");  // the command itself never ran
    EXPECT_EQ(Files(), before);
    if (c.Err == bad_database) {  // the copy the message names
      EXPECT_EQ(Read_File(Data_ / "mapsdb.dat.bak"), c.Database);
    }
  }
  Write_File(Data_ / "mapsdb.dat", database);
  Write_File(Data_ / "mapstree.dat", tree);
  // What an earlier run in the same process met does not reach the next one: it saves again.
  ASSERT_EQ(Run_Here({"sync"}).Status, 0);
  EXPECT_FALSE(fs::exists(Data_ / "TEMP"));
  EXPECT_EQ(Run_Data({"tree"}).Out, Tree_Listing_);
}

// ---- saves that fail ----------------------------------------------------------------------------

TEST_F(Reliability, A_Failed_Save_Is_Named_With_Its_Reason_And_Fails_The_Command) {
  // Full disks and read-only folders are the save's own tests; here: the command's answer.
  ASSERT_EQ(Run_With_Dirs({"sync"}).Status, 0);
  const std::string old = Read_File(Data_ / "mapsdb.dat");
  Write_Pk3(Game_ / "baseq3/new.pk3", {{"maps/n.bsp", Make_Bsp(Entity_Text("N"), 100)}});
  // A folder in the way of the new file.
  fs::create_directories(Data_ / "mapsdb.dat.new/x");
  const TRun_Result result = Run_Data({"sync"});
  EXPECT_EQ(result.Status, 1);
  EXPECT_NE(result.Err.find(Data_ / "mapsdb.dat.new: Is a directory"), std::string::npos)
      << result.Err;
  EXPECT_EQ(Read_File(Data_ / "mapsdb.dat"), old);
  fs::remove_all(Data_ / "mapsdb.dat.new");

  // With the way free the same command saves.
  EXPECT_EQ(Run_Data({"sync"}).Status, 0);
  EXPECT_NE(Read_File(Data_ / "mapsdb.dat"), old);
}

// ---- a rename or a delete killed at each step ---------------------------------------------------

TEST_F(Reliability, Rename_And_Delete_Killed_At_Each_Step_Keep_IDs_Properties_And_Tree) {
  Sync_With_Full_Tree();
  const TDatabase_Paths paths = Paths();
  std::int32_t pk3_id = -1;
  {
    TScripted_Interaction user;
    const auto db = Load_PK3_Database(paths, &user).Database;
    const int index = db->Find_PK3("baseq3", "pak0.pk3");
    ASSERT_GE(index, 0);
    pk3_id = db->Items(index)->ID;
    db->Items(index)->Maps->Items(0)->Comment = "kept";
    ASSERT_TRUE(Save_PK3_Database(*db));
  }
  std::string name = "pak0.pk3";
  for (int stop = 1; stop <= 6; ++stop) {
    SCOPED_TRACE(stop);
    // In a child that is killed after step `stop` (5: after the save, before the journal goes).
    const int status = Run_In_Child([&] {
      TScripted_Interaction user;
      const auto db = Load_PK3_Database(paths, &user).Database;
      const auto kill_at = [stop](int step) {
        if (step == stop) {
          ::raise(SIGKILL);
        }
      };
      TPK3_Record& pk3 = *db->Items(db->Index_Of_ID(pk3_id));
      Rename_PK3_File_To(paths, pk3, 0, Game_ / ("baseq3/step" + std::to_string(stop) + ".pk3"),
                         user, kill_at);
      (void)TDatabase_File::Save_Database(*db, Data_ / "mapsdb.dat");
      kill_at(5);
      (void)Save_PK3_Database(*db);
      return 0;
    });
    EXPECT_EQ(status, stop <= 5 ? 128 + SIGKILL : 0);
    // Before the archive moved, the rename is undone; after, it is finished.
    if (stop >= 2) {
      name = "step" + std::to_string(stop) + ".pk3";
    }
    ASSERT_EQ(Run_Data({"tree"}).Out, Tree_Listing_);
    TPK3_Record_Store db(paths);
    ASSERT_TRUE(TDatabase_File::Load_Database(db, Data_ / "mapsdb.dat").Complete());
    const TPK3_Record& pk3 = *db.Items(db.Index_Of_ID(pk3_id));
    EXPECT_EQ(pk3.PK3_Filename, name);
    EXPECT_TRUE(pk3.Present);
    EXPECT_EQ(pk3.Maps->Items(0)->Comment, "kept");
    EXPECT_TRUE(fs::exists(paths.Levelshots_Dir + "/baseq3/" + name + "/q3dm1.jpg"));
    EXPECT_TRUE(fs::exists(paths.Botinfo_Dir + "/baseq3/" + name + "/scripts/bots.txt"));
    EXPECT_FALSE(fs::exists(Rename_Journal_Path(Data_.Path())));
  }
  // A delete killed after each step: the next start finishes it.
  for (int stop = 1; stop <= 3; ++stop) {
    ASSERT_EQ(Run_Data({"sync"}).Status, 0);
    const std::string archive = "del" + std::to_string(stop) + ".pk3";
    fs::copy_file(Game_ / ("baseq3/" + name), Game_ / ("baseq3/" + archive));
    ASSERT_EQ(Run_Data({"sync"}).Status, 0);
    const int status = Run_In_Child([&] {
      TScripted_Interaction user;
      user.Answers = {TAnswer::Yes};
      const auto db = Load_PK3_Database(paths, &user).Database;
      THistory_Keeper history(paths.Program_Dir, false);
      Delete_PK3_File(paths, *db->Items(db->Find_PK3("baseq3", archive)), 0, history, user,
                      [stop](int step) {
                        if (step == stop) {
                          ::raise(SIGKILL);
                        }
                      });
      return 0;
    });
    EXPECT_EQ(status, 128 + SIGKILL);
    ASSERT_EQ(Run_Data({"sync"}).Status, 0);
    EXPECT_FALSE(fs::exists(Game_ / ("baseq3/" + archive)));
    EXPECT_FALSE(fs::exists(paths.Levelshots_Dir + "/baseq3/" + archive));
    EXPECT_FALSE(fs::exists(paths.Botinfo_Dir + "/baseq3/" + archive));
  }
  EXPECT_EQ(Run_Data({"tree"}).Out, Tree_Listing_);
}

// The journal is the program's own file, yet what it names is checked before anything moves: a
// rename whose places lead out of the game directory is neither finished nor undone.
TEST_F(Reliability, A_Journalled_Rename_Leading_Out_Of_The_Game_Directory_Is_Left_Alone) {
  Sync_With_Full_Tree();
  const TDatabase_Paths paths = Paths();
  std::int32_t pk3_id = -1;
  {
    TPK3_Record_Store db(paths);
    ASSERT_TRUE(TDatabase_File::Load_Database(db, Data_ / "mapsdb.dat").Complete());
    pk3_id = db.Items(db.Find_PK3("baseq3", "pak0.pk3"))->ID;
  }
  // An archive beside the game directory, reached from it through "..".
  const fs::path outside = Game_.Path() + "-outside";
  Write_File((outside / "pak0.pk3").string(), "not the game's");
  const std::string up = "../" + outside.filename().string();
  const struct {
    std::string Old_Dir, Old_File, New_Dir, New_File;
  } intents[] = {
      // Still at its old place, outside: the rename would be undone to there.
      {up, "pak0.pk3", "baseq3", "renamed.pk3"},
      // At its new place, outside: the rename would be finished there.
      {"baseq3", "gone.pk3", up, "pak0.pk3"},
      {"baseq3/" + up, "pak0.pk3", "baseq3", "renamed.pk3"},
  };
  for (const auto& intent : intents) {
    SCOPED_TRACE(intent.Old_Dir + " -> " + intent.New_Dir);
    TByte_Writer journal;
    journal.Write_Integer(Record_Version);
    journal.Write_Integer(pk3_id);
    for (const std::string* text :
         {&intent.Old_Dir, &intent.Old_File, &intent.New_Dir, &intent.New_File}) {
      journal.Write_String(*text);
    }
    Write_File(Rename_Journal_Path(Data_.Path()), journal.Data());
    TScripted_Interaction user;
    const auto db = Load_PK3_Database(paths, &user).Database;
    const TPK3_Record& pk3 = *db->Items(db->Index_Of_ID(pk3_id));
    EXPECT_EQ(pk3.MOD_Directory, "baseq3");
    EXPECT_EQ(pk3.PK3_Filename, "pak0.pk3");
    EXPECT_TRUE(pk3.Present);
  }
  EXPECT_EQ(Read_File((outside / "pak0.pk3").string()), "not the game's");
  fs::remove_all(outside);
}

// ---- two programs on one data folder ------------------------------------------------------------

TEST_F(Reliability, A_Second_Program_On_The_Data_Folder_Is_Refused_Or_Waits) {
  ASSERT_EQ(Run_With_Dirs({"sync"}).Status, 0);
  const Stored before = Files();
  // Another program holds the folder until a byte comes through `release` (or is killed).
  int release[2];
  ASSERT_EQ(::pipe(release), 0);
  const auto hold = [&](bool killed) {
    int ready[2];
    EXPECT_EQ(::pipe(ready), 0);
    const pid_t child = ::fork();
    if (child == 0) {
      TData_Folder_Lock lock;
      const bool taken = lock.Take(Data_.Path(), 0) == Lock_Outcome::Held;
      [[maybe_unused]] const ssize_t n = ::write(ready[1], &taken, 1);
      if (killed) {
        ::raise(SIGKILL);
      }
      char byte = 0;
      [[maybe_unused]] const ssize_t m = ::read(release[0], &byte, 1);
      ::_exit(0);
    }
    bool taken = false;
    EXPECT_EQ(::read(ready[0], &taken, 1), 1);
    EXPECT_TRUE(taken);
    ::close(ready[0]);
    ::close(ready[1]);
    return child;
  };
  const pid_t other = hold(false);
  TRun_Result result = Run_Data({"sync"});
  EXPECT_EQ(result.Status, 1);
  EXPECT_EQ(result.Err, "error: " + Folder_In_Use_Message(Data_.Path()) + "\n");
  EXPECT_EQ(Files(), before);
  // One that waits goes on once the other ends.
  const pid_t waiting = ::fork();
  if (waiting == 0) {
    ::_exit(Run_Data({"--wait", "60", "sync"}).Status);
  }
  ::sleep(1);
  EXPECT_EQ(::waitpid(waiting, nullptr, WNOHANG), 0);  // still waiting
  ASSERT_EQ(::write(release[1], "x", 1), 1);
  int status = -1;
  ASSERT_EQ(::waitpid(waiting, &status, 0), waiting);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  ::waitpid(other, nullptr, 0);
  ::close(release[0]);
  ::close(release[1]);
  // A program that was killed holds nothing.
  ::waitpid(hold(true), nullptr, 0);
  EXPECT_EQ(Run_Data({"sync"}).Status, 0);
  EXPECT_EQ(Run_Data({"--wait", "x", "sync"}).Status, 2);
}

// ---- a game directory whose name is not UTF-8 ---------------------------------------------------

TEST_F(Reliability, A_Game_Directory_Named_In_Any_Bytes_Is_Stored_And_Launched) {
  const std::string game = Output_ / "Quake \xFF III";
  fs::rename(Game_.Path(), game);
  fs::create_directories(Game_.Path());  // for the fixture to remove
  const TGame_Recorder engine(Output_ / "engine");
  ASSERT_EQ(Run({"--engine", engine.Script}).Status, 0);
  ASSERT_EQ(Run_Data({"--game-dir", game, "sync"}).Status, 0);
  EXPECT_NE(Settings().find("Q3A_DIR=@ByteArray("), std::string::npos) << Settings();
  // The stored directory is used again, and the game starts in it.
  const TRun_Result result = Run_Data({"launch", "0", "0"});
  ASSERT_EQ(result.Status, 0) << result.Err;
  EXPECT_EQ(engine.Wait().substr(0, game.size() + 1), game + "\n");
}

// ---- a kill while an arena archive is written ---------------------------------------------------

TEST_F(Reliability, A_Kill_During_An_Arena_Write_Leaves_Nothing_The_Next_Start_Keeps) {
  // Enough maps that the disabler archive is the largest file the command writes.
  std::vector<TZip_Member> many;
  many.reserve(40);
  for (int i = 0; i < 40; ++i) {
    many.push_back({"maps/many" + std::to_string(i) + ".bsp", Make_Bsp(Entity_Text("M"), 10)});
  }
  Write_Pk3(Game_ / "baseq3/many.pk3", many);
  ASSERT_EQ(Run_With_Dirs({"sync"}).Status, 0);
  Write_File(Data_ / "mapstree.dat",
             Tree_Group("Arenas", 1) + Tree_Group("Duel", 1) + Entry_For("pak0.pk3"));
  const int status = Run_In_Child([&] {
    struct rlimit limit {};
    ::setrlimit(RLIMIT_CORE, &limit);
    limit.rlim_cur = limit.rlim_max = 2000;
    ::setrlimit(RLIMIT_FSIZE, &limit);  // the write past it kills the program
    Run_Here({"arena", "create", "--group", "Arenas/Duel", "--mod", "baseq3", "--name", "duel"});
    return 0;
  });
  ASSERT_EQ(status, 128 + SIGXFSZ);
  const auto litter = [&] {
    int count = 0;
    for (const auto& entry : fs::directory_iterator(Game_ / "baseq3")) {
      count += entry.path().filename().string().rfind("z_Arenas_Disabler.pk3.", 0) == 0 ? 1 : 0;
    }
    return count;
  };
  ASSERT_EQ(litter(), 1);
  // The game sees only whole archives.
  for (const auto& entry : fs::directory_iterator(Game_ / "baseq3")) {
    if (entry.path().extension() == ".pk3") {
      TZip_Archive zip;
      EXPECT_NO_THROW(zip.Set_Zip_Filename(entry.path())) << entry.path();
    }
  }
  ASSERT_EQ(Run_Data({"sync"}).Status, 0);
  EXPECT_EQ(litter(), 0);
  EXPECT_TRUE(fs::exists(Game_ / "baseq3/z_Arenas_active_duel.pk3"));
}

// ---- control characters on a terminal -----------------------------------------------------------

TEST_F(Reliability, Control_Characters_Are_Escaped_On_A_Terminal_Only) {
  Write_Pk3(Game_ / "baseq3/esc\x07.pk3",
            {{"maps/esc.bsp", Make_Bsp(Entity_Text("Red \x1b[31mtitle\x07"), 100)}});
  ASSERT_EQ(Run_With_Dirs({"sync"}).Status, 0);
  int master = -1;
  int slave = -1;
  ASSERT_EQ(::openpty(&master, &slave, nullptr, nullptr, nullptr), 0);
  std::FILE* terminal = ::fdopen(slave, "w");
  EXPECT_EQ(Run_Here({"list"}, terminal, terminal).Status, 0);
  EXPECT_EQ(Run_Here({"list\x1b"}, terminal, terminal).Status, 2);
  std::fclose(terminal);
  std::string shown;
  char buffer[4096];
  for (ssize_t n; (n = ::read(master, buffer, sizeof buffer)) > 0;) {
    shown.append(buffer, static_cast<std::size_t>(n));
  }
  ::close(master);
  EXPECT_NE(shown.find("Red \\x1b[31mtitle\\x07\tESC\tbaseq3/esc\\x07"), std::string::npos)
      << shown;
  EXPECT_NE(shown.find("unknown command \"list\\x1b\""), std::string::npos) << shown;
  EXPECT_EQ(shown.find('\x1b'), std::string::npos);
  EXPECT_EQ(shown.find('\x07'), std::string::npos);
  // Into a pipe or a file the bytes go as they are.
  EXPECT_NE(Run_Here({"list"}).Out.find("Red \x1b[31mtitle\x07\tESC\tbaseq3/esc\x07"),
            std::string::npos);
}

// ---- a sync killed at random moments ------------------------------------------------------------

// The sync as a child process of its own, so that it can be killed; returns its pid.
pid_t Start_Sync(const std::string& config, const std::string& data, const std::string& game) {
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::setenv("XDG_CONFIG_HOME", config.c_str(), 1);
    const int null = ::open("/dev/null", O_WRONLY);
    ::dup2(null, 1);
    ::dup2(null, 2);
    ::execl(VORLIX_CLI_PATH, VORLIX_CLI_PATH, "--data-dir", data.c_str(), "--game-dir",
            game.c_str(), "sync", static_cast<char*>(nullptr));
    ::_exit(127);
  }
  return pid;
}

// The file loads to its end without a message.
bool Loads_Completely(const std::string& path, const std::string& program_dir) {
  TPK3_Record_Store db(TDatabase_Paths{program_dir, program_dir + "/TEMP", "", "", ""});
  const TDatabase_Load_Result result = TDatabase_File::Load_Database(db, path);
  return result.Complete() && result.Message.empty();
}

TEST_F(Cli, Killed_Sync_Leaves_The_Old_Or_The_New_Complete_Database) {
  ASSERT_EQ(Run_With_Dirs({"sync"}).Status, 0);
  const std::string database = Data_ / "mapsdb.dat";
  const std::string old_bytes = Read_File(database);
  ASSERT_FALSE(old_bytes.empty());
  TTemp_Dir snapshot;
  fs::copy(Data_.Path(), snapshot / "old", fs::copy_options::recursive);

  // A new archive, so that the next sync writes a different database.
  Write_Pk3(Game_ / "baseq3/zzz_new.pk3",
            {{"maps/new1.bsp", Make_Bsp(Entity_Text("New One"), std::size_t{256} * 1024)},
             {"maps/new2.bsp", Make_Bsp(Entity_Text("New Two"), std::size_t{256} * 1024)},
             {"levelshots/new1.jpg", std::string(100000, 'j')}});
  const auto started = std::chrono::steady_clock::now();
  ASSERT_EQ(Run_With_Dirs({"sync"}).Status, 0);
  const auto full = std::chrono::steady_clock::now() - started;
  const std::string new_bytes = Read_File(database);
  ASSERT_NE(new_bytes, old_bytes);

  // Kills spread over the whole run and a little beyond.
  std::mt19937 random(20261206);
  const auto span = std::chrono::duration_cast<std::chrono::microseconds>(full).count() * 5 / 4;
  std::uniform_int_distribution<long> delay(0, std::max<long>(span, 1000));
  int killed_before_end = 0;
  bool old_seen = false;
  for (int round = 0; round < 40; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    for (const auto& entry : fs::directory_iterator(Data_.Path())) {
      fs::remove_all(entry.path());
    }
    fs::copy(snapshot / "old", Data_.Path(), fs::copy_options::recursive);
    const pid_t pid = Start_Sync(Config_.Path(), Data_.Path(), Game_.Path());
    ASSERT_GT(pid, 0);
    std::this_thread::sleep_for(std::chrono::microseconds(delay(random)));
    ::kill(pid, SIGKILL);
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    killed_before_end += WIFSIGNALED(status) ? 1 : 0;
    const std::string bytes = Read_File(database);
    ASSERT_TRUE(bytes == old_bytes || bytes == new_bytes) << bytes.size() << " bytes";
    old_seen = old_seen || bytes == old_bytes;
    EXPECT_TRUE(Loads_Completely(database, Data_.Path()));
    // The next start with this data folder works and ends with the new database.
    if (round % 8 == 0) {
      ASSERT_EQ(Run_With_Dirs({"sync"}).Status, 0);
      EXPECT_EQ(Read_File(database), new_bytes);
    }
  }
  // The kills did land while the program ran.
  EXPECT_GT(killed_before_end, 10);
  EXPECT_TRUE(old_seen);
}

}  // namespace
}  // namespace vorlix::testing
