#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <deque>
#include <map>

#include "as_user.h"
#include "browser/maps_tree.h"
#include "database/records.h"
#include "game_recorder.h"
#include "launch/exec_file.h"
#include "launch/server_rotation.h"
#include "scripted_interaction.h"

namespace vorlix::testing {
namespace {

using S = std::vector<std::string>;

// Maps owned by the test; a tree of groups refers to them.
struct Server_Maps : ::testing::Test {
  std::deque<TMap_Record> Maps;
  TMaps_Tree Tree;

  TMap_Record* Map(const std::string& file, S mods, std::uint8_t types) {
    TMap_Record& map = Maps.emplace_back();
    map.MAP_Filename = file;
    map.Useable_MODs = std::move(mods);
    map.Game_Types = types;
    return &map;
  }
  TMaps_Tree_Node* Group(TMaps_Tree_Node* parent, const std::string& name) {
    Tree.Select(parent);
    return Tree.Make_Group(name);
  }
  void Entry(TMaps_Tree_Node* parent, TMap_Record* map) {
    Tree.Select(parent);
    Tree.Make_Plain_Entry(map->MAP_Filename)->Map = map;
  }
};

TEST_F(Server_Maps, Rotation_Follows_The_Tree_And_Names_Why_Maps_Are_Left_Out) {
  TMaps_Tree_Node* root = Group(nullptr, "Arenas");
  Entry(root, Map("Q3DM1.BSP", {"baseq3"}, GT_Free_For_All | GT_Tournament));
  Entry(root, Map("CTF1.BSP", {"baseq3"}, GT_Capture_The_Flag));
  TMaps_Tree_Node* z = Group(root, "Z");
  Entry(z, Map("Q3DM7.BSP", {"baseq3", "osp"}, GT_Free_For_All));
  Entry(z, Map("OSPDM.BSP", {"osp"}, GT_Free_For_All));
  Entry(Group(z, "Deep"), Map("Q3DM17.BSP", {"BASEQ3"}, GT_Free_For_All));
  TMaps_Tree_Node* bad = Group(root, "Bad");
  Entry(bad, Map("BAD NAME.BSP", {"baseq3"}, 0xFF));
  Entry(bad, Map(std::string(54, 'K') + ".BSP", {"baseq3"}, 0xFF));
  Group(root, "Only groups");

  // Displayed order: groups before entries, groups by name, entries as placed.
  const auto maps = Maps_Of_Group(*root);
  ASSERT_EQ(maps.size(), 7u);
  const TServer_Rotation ffa = Choose_Rotation(maps, "BaseQ3", Game_Type_From_Word("ffa").value());
  EXPECT_EQ(ffa.Maps, (S{std::string(54, 'k'), "q3dm17", "q3dm7", "q3dm1"}));
  ASSERT_EQ(ffa.Left_Out.size(), 3u);
  EXPECT_EQ(ffa.Left_Out[0].Name, "bad name");
  EXPECT_EQ(ffa.Left_Out[0].Reason, "its file name cannot stand in a server command");
  EXPECT_EQ(ffa.Left_Out[1].Reason, "not usable with BaseQ3");     // OSPDM
  EXPECT_EQ(ffa.Left_Out[2].Reason, "not made for Free For All");  // CTF1
  EXPECT_EQ(Choose_Rotation(maps, "osp", 1).Maps, (S{"q3dm7", "ospdm"}));
  EXPECT_EQ(Choose_Rotation(maps, "baseq3", *Game_Type_From_Word("CTF")).Maps,
            (S{std::string(54, 'k'), "ctf1"}));
  EXPECT_EQ(Server_MODs(maps, {"BASEQ3", "MISSIONPACK", "OSP"}), (S{"BASEQ3", "OSP"}));

  // The enabling rule of "Host Server...".
  EXPECT_TRUE(Host_Server_Available(root));
  EXPECT_FALSE(Host_Server_Available(root->Child(1)));  // "Only groups"
  EXPECT_FALSE(Host_Server_Available(nullptr));
  EXPECT_FALSE(Host_Server_Available(z->Child(1)));  // a map entry
  for (auto& map : Maps) {
    map.Useable_MODs.clear();
  }
  EXPECT_FALSE(Host_Server_Available(root));
}

TEST_F(Server_Maps, Defaults_Come_From_The_Usable_Maps_Where_They_Agree) {
  TMap_Record* a = Map("A.BSP", {"baseq3"}, GT_Tournament | GT_Free_For_All);
  TMap_Record* b = Map("B.BSP", {"baseq3"}, GT_Tournament);
  TMap_Record* other = Map("C.BSP", {"osp"}, GT_Capture_The_Flag);
  a->Limits_Time = b->Limits_Time = 15;
  a->Limits_Frags = 30;
  a->Bot_Skill = b->Bot_Skill = 1;
  other->Limits_Time = 5;
  const TServer_Settings s = Default_Server_Settings({a, b, other}, "BASEQ3");
  EXPECT_EQ(Game_Type_Word(s.Game_Type), "tourney");
  EXPECT_EQ(s.Time_Limit, 15);
  EXPECT_EQ(s.Frag_Limit, 20);  // 30 and 20 disagree
  EXPECT_EQ(s.Bot_Skill, 2);
  EXPECT_EQ(s.Port, 27960);
  EXPECT_EQ(Game_Type_Word(Default_Server_Settings({other}, "baseq3").Game_Type), "ffa");
  EXPECT_EQ(Game_Type_From_Word("deathmatch"), std::nullopt);
}

// The engine's reading of a rotation's files, as far as they use it: `set`, `vstr`, `exec`,
// `map` (which resets the next map) and commands split at semicolons outside quotes.
struct Rotation_Engine {
  std::map<std::string, std::string> Files;
  std::map<std::string, std::string> Cvars;
  S Loaded;

  explicit Rotation_Engine(const std::vector<TServer_Config_File>& files) {
    for (const auto& file : files) {
      Files[file.Name] = file.Text;
    }
  }
  void Run(const std::string& text) {
    std::string command;
    bool quoted = false;
    for (const char c : text + "\n") {
      if (c == '"') {
        quoted = !quoted;
      }
      if (!quoted && (c == ';' || c == '\n')) {
        Command(command);
        command.clear();
      } else {
        command += c;
      }
    }
  }
  // The next map at the end of a game.
  void Intermission() { Run(Cvars.at("nextmap")); }

 private:
  void Command(std::string text) {
    text.erase(0, text.find_first_not_of(' '));
    const std::size_t blank = text.find(' ');
    const std::string word = text.substr(0, blank);
    const std::string rest = blank == std::string::npos ? "" : text.substr(blank + 1);
    if (word == "set") {
      const std::size_t end = rest.find(' ');
      std::string value = rest.substr(end + 1);
      if (value.front() == '"') {
        value = value.substr(1, value.size() - 2);
      }
      Cvars[rest.substr(0, end)] = value;
    } else if (word == "vstr") {
      Run(Cvars.at(rest));
    } else if (word == "exec") {
      Run(Files.at(rest));
    } else if (word == "map") {
      Loaded.push_back(rest);
      Cvars["nextmap"] = "map_restart 0";
    }
  }
};

TEST(Server_Config, ChainClosesOnTheFirstMapInOneFileWhenItFits) {
  const TServer_Settings settings{.Game_Type = *Game_Type_From_Word("ctf"),
                                  .Bots = 3,
                                  .Bot_Skill = 5,
                                  .Host_Name = "Frag Fest"};
  const auto one = Server_Config_Files(settings, {"q3dm1", "q3dm7", "q3dm17"}, "0badcafe");
  ASSERT_EQ(one.size(), 1u);
  EXPECT_EQ(one[0].Name, "vorlix_server.cfg");
  for (const char* line :
       {"\nset sv_hostname \"Frag Fest\"\n", "\nset g_gametype 4\n", "\nset bot_minplayers 3\n",
        "\nset g_spSkill 5\n", "\nset g_password \"\"\n", "\nset capturelimit 8\n"}) {
    EXPECT_NE(one[0].Text.find(line), std::string::npos) << line;
  }
  Rotation_Engine engine(Server_Config_Files(settings, {"solo"}, "0badcafe"));
  engine.Run(engine.Files.at("vorlix_server.cfg"));
  engine.Intermission();
  EXPECT_EQ(engine.Loaded, (S{"solo", "solo"}));
}

// The file's limit is kept to the byte: the last map's entry closes the chain on the first, and
// the start follows it.
TEST(Server_Config, One_File_Holds_The_Maps_That_Keep_It_Below_The_Limit) {
  const std::string chain =
      "set vorlix_m1 \"map q3dm1; set nextmap vstr vorlix_m2\"\n"
      "set vorlix_m2 \"map q3dm2; set nextmap vstr vorlix_m1\"\n"
      "vstr vorlix_m1\n";
  const std::string head = "//" + std::string(Server_Config_Limit - 4 - chain.size(), '-') + "\n";
  const TOne_File_Rotation both = One_File_Rotation(head, {"q3dm1", "q3dm2"});
  EXPECT_EQ(both.Count, 2u);
  EXPECT_EQ(both.Text, head + chain);
  EXPECT_EQ(both.Text.size(), Server_Config_Limit - 1);
  const std::string longer = "-" + head;
  const TOne_File_Rotation first = One_File_Rotation(longer, {"q3dm1", "q3dm2"});
  EXPECT_EQ(first.Count, 1u);
  EXPECT_EQ(first.Text,
            longer + "set vorlix_m1 \"map q3dm1; set nextmap vstr vorlix_m1\"\nvstr vorlix_m1\n");
  const TOne_File_Rotation none = One_File_Rotation(std::string(Server_Config_Limit, '/'), {"a"});
  EXPECT_EQ(none.Count, 0u);
  EXPECT_EQ(none.Text.size(), Server_Config_Limit);
}

TEST(Server_Config, ALongRotationPlaysInOrderWithFewSettingsAndSmallFiles) {
  S rotation;
  for (int i = 0; i < 3000; ++i) {
    rotation.push_back(i % 7 == 0 ? std::string(54, 'a' + static_cast<char>(i % 26))
                                  : "community_map_" + std::to_string(i));
  }
  const auto files = Server_Config_Files({}, rotation, "0badcafe");
  ASSERT_GT(files.size(), 10u);
  EXPECT_EQ(files[1].Name, "vorlix_server_0badcafe_1.cfg");
  for (const auto& file : files) {
    EXPECT_LT(file.Text.size(), Server_Config_Limit) << file.Name;
  }
  Rotation_Engine engine(files);
  engine.Run(engine.Files.at("vorlix_server.cfg"));
  for (std::size_t i = 1; i < 2 * rotation.size(); ++i) {
    engine.Intermission();
  }
  S twice = rotation;
  twice.insert(twice.end(), rotation.begin(), rotation.end());
  EXPECT_EQ(engine.Loaded, twice);
  // The engines hold about 2,000 settings in all, their own included.
  EXPECT_LT(engine.Cvars.size(), 500u);
}

TEST(Server_Config, Refuses_What_Would_Inject_Commands_Or_Cannot_Be_Served) {
  const std::pair<TServer_Settings, bool> cases[] = {
      {{.Host_Name = "My \"Server\""}, true},
      {{.Password = "x;y"}, true},
      {{.Password = "line\nbreak"}, true},
      {{.Port = 0}, true},
      {{.Port = 65536}, true},
      {{.Port = 65535, .Password = "pass"}, false},
      {{.Bots = 65, .Port = 1}, true},
      {{.Bots = 64, .Host_Name = "Sarge's place", .Port = 27961, .Password = "p@ss"}, false},
      {{.Host_Name = std::string(256, 'H')}, true},
      {{.Host_Name = std::string(255, 'H'), .Password = std::string(255, 'P')}, false},
  };
  for (const auto& [settings, refused] : cases) {
    EXPECT_EQ(!Check_Server_Settings(settings, false).empty(), refused)
        << settings.Host_Name << settings.Password << settings.Port;
  }
  // The messages name what is wrong.
  EXPECT_EQ(Check_Server_Settings({.Password = std::string(300, 'P')}, false),
            "The password must not be longer than 255 bytes, the longest text the engine keeps in "
            "a setting; it has 300.");
  EXPECT_EQ(Check_Server_Settings({.Host_Name = "tab\there"}, false),
            "The host name must not contain a control character such as a TAB.");
}

struct Hosting : ::testing::Test {
  TTemp_Dir Dir;
  std::string Game = Dir / "Quake 3";
  TScripted_Interaction Ui;
  TExec_File Exec;
  TServer_Settings Settings;
  void SetUp() override {
    std::filesystem::create_directories(Game + "/BaseOA");
    Settings.MOD = "BASEOA";
    Settings.Port = 27999;
  }
};

TEST_F(Hosting, Writes_The_Configuration_And_Starts_The_Server_In_The_Game_Directory) {
  // Parts of earlier rotations go; files of the user's that are only named like them stay.
  const std::string part = "// Written by Vorlix: the rotation, continued.\nvstr vorlix_m1\n";
  Write_File(Game + "/BaseOA/vorlix_server_2.cfg", part);
  Write_File(Game + "/BaseOA/vorlix_server_0123abcd_7.cfg", part);
  Write_File(Game + "/BaseOA/vorlix_server_3.cfg", "// my own notes\n");
  Write_File(Game + "/BaseOA/vorlix_server_backup.cfg", part);
  const TGame_Recorder server(Dir / "bin/oa server", "exec sleep 30\n");
  const TServer_Start start = Host_Server(Game, Settings, {"oa_dm1", "oa_dm2"}, server.Script,
                                          "/nowhere/engine", false, Exec, Ui);
  ASSERT_EQ(start.Status, 0) << (Ui.Messages.empty() ? "" : Ui.Messages[0].Text);
  EXPECT_EQ(start.Command.Text, "\"" + server.Script + "\" +set fs_homepath \"" + Game +
                                    "\" +set fs_game BaseOA +set dedicated 1 +set net_port 27999 "
                                    "+exec vorlix_server.cfg");
  EXPECT_NE(Read_File(Game + "/BaseOA/vorlix_server.cfg").find("map oa_dm2;"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(Game + "/BaseOA/vorlix_server_2.cfg"));
  EXPECT_FALSE(std::filesystem::exists(Game + "/BaseOA/vorlix_server_0123abcd_7.cfg"));
  EXPECT_TRUE(std::filesystem::exists(Game + "/BaseOA/vorlix_server_3.cfg"));
  EXPECT_TRUE(std::filesystem::exists(Game + "/BaseOA/vorlix_server_backup.cfg"));
  ASSERT_GT(start.Process.Pid, 0);
  EXPECT_TRUE(start.Process.Running());
  EXPECT_TRUE(start.Process.Stop());
  for (int i = 0; i < 250 && start.Process.Running(); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  EXPECT_FALSE(start.Process.Running());
  EXPECT_FALSE(start.Process.Stop());
  // A process ID taken by another process later is not that server.
  TServer_Process stranger = TServer_Process::Of(::getpid());
  stranger.Start_Ticks += 1;
  EXPECT_FALSE(stranger.Running());
  // A server that ended but was not reaped yet (a zombie) is not running.
  const pid_t ended = ::fork();
  if (ended == 0) {
    ::_exit(0);
  }
  siginfo_t info{};
  ASSERT_EQ(::waitid(P_PID, static_cast<id_t>(ended), &info, WEXITED | WNOWAIT), 0);
  EXPECT_EQ(TServer_Process::Of(ended).Pid, 0);
  ::waitpid(ended, nullptr, 0);
}

TEST_F(Hosting, Refusals_And_Failures_Start_Nothing) {
  const TGame_Recorder server(Dir / "server");
  Settings.Host_Name = "evil\"; rcon";
  EXPECT_EQ(Host_Server(Game, Settings, {"a"}, server.Script, "", false, Exec, Ui).Status, 2);
  Settings.Host_Name = "fine";
  EXPECT_EQ(Host_Server(Game, Settings, {}, server.Script, "", false, Exec, Ui).Status, 1);
  Settings.MOD = "missing";
  EXPECT_EQ(Host_Server(Game, Settings, {"a"}, server.Script, "", false, Exec, Ui).Status, 1);
  Settings.MOD = "baseoa";
  // A server program that is not found is named, and nothing is written.
  EXPECT_EQ(Host_Server(Game, Settings, {"a"}, "vorlix-no-such-server", "", false, Exec, Ui).Status,
            1);
  EXPECT_EQ(Ui.Messages.back().Text,
            "The program \"vorlix-no-such-server\" was not found in the folders of PATH, "
            "/usr/games or /usr/local/games.");
  EXPECT_FALSE(std::filesystem::exists(Game + "/BaseOA/vorlix_server.cfg"));
  // A dry run writes the configuration and starts nothing.
  const TServer_Start dry = Host_Server(Game, Settings, {"a"}, "", "", true, Exec, Ui);
  EXPECT_EQ(dry.Status, 0);
  EXPECT_EQ(dry.Command.Program, Game + "/QUAKE3.EXE");
  EXPECT_TRUE(std::filesystem::exists(Game + "/BaseOA/vorlix_server.cfg"));
  EXPECT_EQ(dry.Process.Pid, 0);
  Give_To_User(Dir.Path());
  ::chmod((Game + "/BaseOA").c_str(), 0555);
  const int result = Run_As_User([&] {
    TScripted_Interaction ui;
    EXPECT_EQ(Host_Server(Game, Settings, {"b"}, server.Script, "", false, Exec, ui).Status, 1);
    EXPECT_EQ(ui.Message_Texts().size(), 1u);
    EXPECT_NE(ui.Message_Texts().at(0).find("Couldn't write the server configuration"),
              std::string::npos)
        << ui.Message_Texts().at(0);
    return ::testing::Test::HasFailure() ? 1 : 0;
  });
  ::chmod((Game + "/BaseOA").c_str(), 0755);
  EXPECT_EQ(result, 0);
  EXPECT_EQ(Ui.Messages.size(), 4u);
  EXPECT_EQ(server.Wait(std::chrono::milliseconds(300)), "");
}

// A write broken off between the files leaves the rotation that was there, whole; a finished one
// leaves only its own parts.
TEST_F(Hosting, ARotationIsReplacedWholeOrNotAtAll) {
  const std::string mod = Game + "/BaseOA";
  S old_maps;
  S new_maps;
  for (int i = 0; i < 800; ++i) {
    old_maps.push_back("old_map_number_" + std::to_string(i));
    new_maps.push_back("new_map_number_" + std::to_string(i));
  }
  const auto plays = [&mod]() {
    std::vector<TServer_Config_File> on_disk;
    for (const auto& entry : std::filesystem::directory_iterator(mod)) {
      on_disk.push_back({entry.path().filename().string(), Read_File(entry.path().string())});
    }
    Rotation_Engine engine(on_disk);
    engine.Run(engine.Files.at("vorlix_server.cfg"));
    for (int i = 1; i < 800; ++i) {
      engine.Intermission();
    }
    return engine.Loaded;
  };
  ASSERT_EQ(Write_Server_Config(mod, Server_Config_Files(Settings, old_maps, "00000001")), "");
  EXPECT_EQ(plays(), old_maps);
  const auto files = Server_Config_Files(Settings, new_maps, "00000002");
  ASSERT_GT(files.size(), 3u);
  // The part written just before the head cannot be written.
  std::filesystem::create_directories(mod + "/" + files[1].Name + "/x");
  EXPECT_NE(Write_Server_Config(mod, files), "");
  std::filesystem::remove_all(mod + "/" + files[1].Name);
  EXPECT_EQ(plays(), old_maps);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(mod), {}),
            static_cast<long>(files.size()));  // the old head and parts, of the same count
  ASSERT_EQ(Write_Server_Config(mod, files), "");
  EXPECT_EQ(plays(), new_maps);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(mod), {}),
            static_cast<long>(files.size()));
}

}  // namespace
}  // namespace vorlix::testing
