#pragma once
// Runs the real vorlix-cli on an installation generated in a temporary folder, with its data
// folder and its settings file in folders of the test's own.

#include <sys/wait.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "../browser/test_database.h"
#include "../launch/game_recorder.h"
#include "builders.h"

namespace vorlix::testing {

namespace fs = std::filesystem;

struct TRun_Result {
  int Status = -1;
  std::string Out;
  std::string Err;
};

inline std::string Quote(const std::string& word) {
  std::string quoted = "'";
  for (char c : word) {
    quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  }
  return quoted + "'";
}

// A generated installation, a data folder and a settings folder.
class Cli : public ::testing::Test {
 protected:
  Cli() {
    Write_File(Game_ / "QUAKE3.EXE", "stand-in");
    const std::string bots =
        "{\nname\tSarge\nmodel\tsarge\n}\n{\nname\tMajor\nmodel\tmajor/daemia\n}\n";
    Write_Pk3(Game_ / "baseq3/pak0.pk3", {{"maps/q3dm1.bsp", Make_Bsp(Entity_Text("Arena Gate"))},
                                          {"maps/q3dm1.aas", "aas"},
                                          {"levelshots/q3dm1.jpg", "jpg"},
                                          {"scripts/bots.txt", bots}});
    Write_Pk3(Game_ / "baseq3/zz_extra.pk3",
              {{"maps/extra1.bsp", Make_Bsp(Entity_Text("Extra One"))},
               {"levelshots/extra1.jpg", "jpg"}});
    Write_Pk3(Game_ / "MyMod/mymod.pk3",
              {{"maps/mm1.bsp", Make_Bsp(Entity_Text("Mod Map"))},
               {"levelshots/mm1.tga", "tga"},
               {"Scripts/Bots.txt", "{\nname Modder\nmodel grunt/stripe\n}\n"}});
    std::filesystem::create_directories(Game_ / "Extras");
    std::filesystem::create_directories(Game_ / ".hidden");
  }

  TRun_Result Run(const std::vector<std::string>& words) {
    std::string command =
        "XDG_CONFIG_HOME=" + Quote(Config_.Path()) + " " + Command_Prefix_ + Quote(VORLIX_CLI_PATH);
    for (const auto& word : words) {
      command += " " + Quote(word);
    }
    command += " >" + Quote(Output_ / "out") + " 2>" + Quote(Output_ / "err");
    const int raw = std::system(command.c_str());
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, Read_File(Output_ / "out"),
            Read_File(Output_ / "err")};
  }

  // With --data-dir in front of the words; Run_With_Dirs adds --game-dir too.
  TRun_Result Run_Data(std::vector<std::string> words) {
    words.insert(words.begin(), {"--data-dir", Data_.Path()});
    return Run(words);
  }
  TRun_Result Run_With_Dirs(std::vector<std::string> words) {
    words.insert(words.begin(), {"--game-dir", Game_.Path()});
    return Run_Data(words);
  }

  std::string Settings() const {
    const std::string path = Config_ / "Tolmarine/Vorlix.conf";
    return fs::exists(path) ? Read_File(path) : std::string();
  }

  TTemp_Dir Game_;
  TTemp_Dir Data_;
  TTemp_Dir Config_;
  TTemp_Dir Output_;
  // Words in front of the program on the command line (e.g. to run it as another user).
  std::string Command_Prefix_;
};

// The arguments of q3dm1's launch with its stored choices.
inline const std::string Q3dm1_Arguments =
    " +set fs_game baseq3 +seta g_gametype 0 +map Q3DM1 +sv_maxclients 8 +timelimit 0 "
    "+fraglimit 20 +capturelimit 8";

}  // namespace vorlix::testing
