// vorlix-cli killed at random moments while it synchronises and saves: mapsdb.dat is afterwards
// either the complete old file or the complete new one.

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <random>
#include <thread>

#include "cli_runner.h"
#include "core/session.h"
#include "database/database_file.h"
#include "database/records.h"
#include "scripted_interaction.h"

namespace vorlix::testing {
namespace {

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
  TScripted_Interaction user;
  TPK3_Dateien_Verwaltung db(TDatabase_Paths{program_dir, program_dir + "/TEMP", "", "", ""},
                             &user);
  const bool ok = TDatabase_File::Load_Database(db, path);
  Session_Flags() = {};
  return ok && user.Messages.empty();
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
