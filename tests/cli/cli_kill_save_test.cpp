// vorlix-cli killed at random moments while it synchronises and saves: every file it writes in
// the data folder is afterwards either the complete old one or the complete new one.

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "app/session.h"
#include "cli_runner.h"
#include "database/records.h"
#include "scripted_interaction.h"

namespace vorlix::testing {
namespace {

namespace fs = std::filesystem;

class Cli_Kill_Save : public Cli {
 protected:
  // Starts the sync; returns the child's pid.
  pid_t Start_Sync() {
    const pid_t pid = ::fork();
    if (pid == 0) {
      ::setenv("XDG_CONFIG_HOME", Config_.Path().c_str(), 1);
      const int null = ::open("/dev/null", O_WRONLY);
      ::dup2(null, 1);
      ::dup2(null, 2);
      ::execl(VORLIX_CLI_PATH, VORLIX_CLI_PATH, "--data-dir", Data_.Path().c_str(), "--game-dir",
              Game_.Path().c_str(), "sync", static_cast<char*>(nullptr));
      ::_exit(127);
    }
    return pid;
  }

  // Copies the snapshot over the data folder (the data folder itself stays).
  void Restore(const std::string& snapshot) {
    for (const auto& entry : fs::directory_iterator(Data_.Path())) {
      fs::remove_all(entry.path());
    }
    fs::copy(snapshot, Data_.Path(), fs::copy_options::recursive);
  }

  // The loaded database of a file, complete or not, with the messages of the load.
  static bool Loads_Completely(const std::string& path, const std::string& program_dir) {
    TScripted_Interaction user;
    TPK3_Dateien_Verwaltung db(TDatabase_Paths{program_dir, program_dir + "/TEMP", "", "", ""},
                               &user);
    const bool ok = db.Load_Database(path);
    Session_Flags() = {};
    return ok && user.Messages.empty();
  }
};

TEST_F(Cli_Kill_Save, Killed_Sync_Leaves_The_Old_Or_The_New_Complete_Database) {
  ASSERT_EQ(Run_With_Dirs({"sync"}).Status, 0);
  const std::string database = Data_ / "mapsdb.dat";
  const std::string old_bytes = Read_File(database);
  ASSERT_FALSE(old_bytes.empty());
  TTemp_Dir snapshots;
  fs::copy(Data_.Path(), snapshots / "old", fs::copy_options::recursive);

  // A new archive, so that the next sync writes a different database.
  Write_Pk3(Game_ / "baseq3/zzz_new.pk3",
            {{"maps/new1.bsp", Make_Bsp(Entity_Text("New One"), 256 * 1024)},
             {"maps/new2.bsp", Make_Bsp(Entity_Text("New Two"), 256 * 1024)},
             {"levelshots/new1.jpg", std::string(100000, 'j')}});
  const auto started = std::chrono::steady_clock::now();
  ASSERT_EQ(Run_With_Dirs({"sync"}).Status, 0);
  const auto full = std::chrono::steady_clock::now() - started;
  const std::string new_bytes = Read_File(database);
  ASSERT_NE(new_bytes, old_bytes);

  std::mt19937 random(20261206);
  const auto span = std::chrono::duration_cast<std::chrono::microseconds>(full).count() * 5 / 4;
  std::uniform_int_distribution<long> delay(0, std::max<long>(span, 1000));
  int killed_before_end = 0;
  std::set<std::string> outcomes;
  for (int round = 0; round < 40; ++round) {
    Restore(snapshots / "old");
    const pid_t pid = Start_Sync();
    ASSERT_GT(pid, 0);
    std::this_thread::sleep_for(std::chrono::microseconds(delay(random)));
    ::kill(pid, SIGKILL);
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    if (WIFSIGNALED(status)) {
      ++killed_before_end;
    }
    const std::string bytes = Read_File(database);
    ASSERT_TRUE(bytes == old_bytes || bytes == new_bytes)
        << "round " << round << ": " << bytes.size() << " bytes";
    outcomes.insert(bytes == old_bytes ? "old" : "new");
    EXPECT_TRUE(Loads_Completely(database, Data_.Path())) << "round " << round;
    // The next start with this data folder works and ends with the new database.
    if (round % 8 == 0) {
      ASSERT_EQ(Run_With_Dirs({"sync"}).Status, 0) << "round " << round;
      EXPECT_EQ(Read_File(database), new_bytes) << "round " << round;
    }
  }
  // The kills did land while the program ran.
  EXPECT_GT(killed_before_end, 10);
  EXPECT_EQ(outcomes.count("old"), 1u);
}

}  // namespace
}  // namespace vorlix::testing
