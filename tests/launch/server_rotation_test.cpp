#include <gtest/gtest.h>

#include <sys/stat.h>

#include <deque>

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
  std::deque<TMAP_Datei_Eintrag> Maps;
  TMaps_Tree Tree;

  TMAP_Datei_Eintrag* Map(const std::string& file, S mods, std::uint8_t types) {
    TMAP_Datei_Eintrag& map = Maps.emplace_back();
    map.MAP_Filename = file;
    map.Useable_MODs = std::move(mods);
    map.Game_Types = types;
    return &map;
  }
  TMaps_Tree_Node* Group(TMaps_Tree_Node* parent, const std::string& name) {
    Tree.Select(parent);
    return Tree.TreeView_Maps_Erzeuge_Gruppe(name);
  }
  void Entry(TMaps_Tree_Node* parent, TMAP_Datei_Eintrag* map) {
    Tree.Select(parent);
    Tree.TreeView_Maps_Erzeuge_normalen_Eintrag(map->MAP_Filename)->Map = map;
  }
};

TEST_F(Server_Maps, RotationFollowsTheTreeAndNamesWhyMapsAreLeftOut) {
  TMaps_Tree_Node* root = Group(nullptr, "Arenas");
  Entry(root, Map("Q3DM1.BSP", {"baseq3"}, GT_Free_For_All | GT_Tournament));
  Entry(root, Map("CTF1.BSP", {"baseq3"}, GT_Capture_The_Flag));
  TMaps_Tree_Node* z = Group(root, "Z");
  Entry(z, Map("Q3DM7.BSP", {"baseq3", "osp"}, GT_Free_For_All));
  Entry(z, Map("OSPDM.BSP", {"osp"}, GT_Free_For_All));
  Entry(Group(z, "Deep"), Map("Q3DM17.BSP", {"BASEQ3"}, GT_Free_For_All));
  Entry(Group(root, "Bad"), Map("BAD NAME.BSP", {"baseq3"}, 0xFF));
  Group(root, "Only groups");

  // Displayed order: groups before entries, groups by name, entries as placed.
  const auto maps = Maps_Of_Group(*root);
  ASSERT_EQ(maps.size(), 6u);
  const TServer_Rotation ffa = Choose_Rotation(maps, "BaseQ3", Game_Type_From_Word("ffa").value());
  EXPECT_EQ(ffa.Maps, (S{"q3dm17", "q3dm7", "q3dm1"}));
  ASSERT_EQ(ffa.Left_Out.size(), 3u);
  EXPECT_EQ(ffa.Left_Out[0].Name, "bad name");
  EXPECT_EQ(ffa.Left_Out[0].Reason, "its file name cannot stand in a server command");
  EXPECT_EQ(ffa.Left_Out[1].Reason, "not usable with BaseQ3");     // OSPDM
  EXPECT_EQ(ffa.Left_Out[2].Reason, "not made for Free For All");  // CTF1
  EXPECT_EQ(Choose_Rotation(maps, "osp", 1).Maps, (S{"q3dm7", "ospdm"}));
  EXPECT_EQ(Choose_Rotation(maps, "baseq3", *Game_Type_From_Word("CTF")).Maps, (S{"ctf1"}));
  EXPECT_EQ(Server_MODs(maps, {"BASEQ3", "MISSIONPACK", "OSP"}), (S{"BASEQ3", "OSP"}));

  // The enabling rule of "Host Server...".
  EXPECT_TRUE(Host_Server_Available(root));
  EXPECT_TRUE(Host_Server_Available(z));
  EXPECT_FALSE(Host_Server_Available(root->Child(1)));  // "Only groups"
  EXPECT_FALSE(Host_Server_Available(nullptr));
  EXPECT_FALSE(Host_Server_Available(z->Child(1)));  // a map entry
  for (auto& map : Maps) {
    map.Useable_MODs.clear();
  }
  EXPECT_FALSE(Host_Server_Available(root));
}

TEST_F(Server_Maps, DefaultsComeFromTheUsableMapsWhereTheyAgree) {
  TMAP_Datei_Eintrag* a = Map("A.BSP", {"baseq3"}, GT_Tournament | GT_Free_For_All);
  TMAP_Datei_Eintrag* b = Map("B.BSP", {"baseq3"}, GT_Tournament);
  TMAP_Datei_Eintrag* other = Map("C.BSP", {"osp"}, GT_Capture_The_Flag);
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

TEST(Server_Config, ChainClosesOnTheFirstMapAndLongRotationsAreSplit) {
  const TServer_Settings settings{.Game_Type = *Game_Type_From_Word("ctf"),
                                  .Bots = 3,
                                  .Bot_Skill = 5,
                                  .Host_Name = "Frag Fest"};
  const S one = Server_Config_Texts(settings, {"q3dm1", "q3dm7", "q3dm17"});
  ASSERT_EQ(one.size(), 1u);
  for (const char* line :
       {"\nset sv_hostname \"Frag Fest\"\n", "\nset g_gametype 4\n", "\nset bot_minplayers 3\n",
        "\nset g_spSkill 5\n", "\nset g_password \"\"\n", "\nset capturelimit 8\n"}) {
    EXPECT_NE(one[0].find(line), std::string::npos) << line;
  }
  EXPECT_NE(one[0].find("set vorlix_m1 \"map q3dm1; set nextmap vstr vorlix_m2\"\n"
                        "set vorlix_m2 \"map q3dm7; set nextmap vstr vorlix_m3\"\n"
                        "set vorlix_m3 \"map q3dm17; set nextmap vstr vorlix_m1\"\n"
                        "vstr vorlix_m1\n"),
            std::string::npos);
  EXPECT_EQ(Server_Config_Texts(settings, {"solo"})[0].substr(
                Server_Config_Texts(settings, {"solo"})[0].find("set vorlix_m1")),
            "set vorlix_m1 \"map solo; set nextmap vstr vorlix_m1\"\nvstr vorlix_m1\n");

  S rotation;
  for (int i = 0; i < 2000; ++i) {
    rotation.push_back("community_map_" + std::to_string(i));
  }
  const S files = Server_Config_Texts(settings, rotation);
  ASSERT_GT(files.size(), 4u);
  std::size_t entries = 0;
  for (std::size_t i = 0; i < files.size(); ++i) {
    EXPECT_LT(files[i].size(), 16384u);
    const bool last = i + 1 == files.size();
    const std::string ending =
        last ? "\nvstr vorlix_m1\n" : "\nexec " + Server_Config_File_Name(i + 1) + "\n";
    EXPECT_EQ(files[i].substr(files[i].size() - ending.size()), ending);
    for (std::size_t at = files[i].find("set vorlix_m"); at != std::string::npos;
         at = files[i].find("set vorlix_m", at + 1)) {
      ++entries;
      EXPECT_EQ(files[i].compare(at, 13 + std::to_string(entries).size(),
                                 "set vorlix_m" + std::to_string(entries) + " "),
                0);
    }
  }
  EXPECT_EQ(entries, 2000u);
  EXPECT_NE(files.back().find("community_map_1999; set nextmap vstr vorlix_m1\""),
            std::string::npos);
  EXPECT_EQ(Server_Config_File_Name(0), "vorlix_server.cfg");
  EXPECT_EQ(Server_Config_File_Name(2), "vorlix_server_3.cfg");
}

TEST(Server_Config, RefusesWhatWouldInjectCommandsOrCannotBeServed) {
  const std::pair<TServer_Settings, bool> cases[] = {
      {{.Host_Name = "My \"Server\""}, true},
      {{.Host_Name = "a;quit"}, true},
      {{.Password = "x;y"}, true},
      {{.Password = "line\nbreak"}, true},
      {{.Port = 0}, true},
      {{.Port = 65536}, true},
      {{.Port = 65535, .Password = "pass"}, false},
      {{.Bots = 65, .Port = 1}, true},
      {{.Bots = 64, .Host_Name = "Sarge's place", .Port = 27961, .Password = "p@ss"}, false},
  };
  for (const auto& [settings, refused] : cases) {
    EXPECT_EQ(!Check_Server_Settings(settings, false).empty(), refused)
        << settings.Host_Name << settings.Password << settings.Port;
  }
}

struct Hosting : ::testing::Test {
  TTemp_Dir Dir;
  std::string Game = Dir / "Quake 3";
  TScripted_Interaction Ui;
  TExecFile Exec;
  TServer_Settings Settings;
  void SetUp() override {
    std::filesystem::create_directories(Game + "/BaseOA");
    Settings.MOD = "BASEOA";
    Settings.Port = 27999;
  }
};

TEST_F(Hosting, WritesTheConfigurationAndStartsTheServerInTheGameDirectory) {
  Write_File(Game + "/BaseOA/vorlix_server_2.cfg", "left from a longer rotation");
  const TGame_Recorder server(Dir / "bin/oa server", "exec sleep 30\n");
  const TServer_Start start = Host_Server(Game, Settings, {"oa_dm1", "oa_dm2"}, server.Script,
                                          "/nowhere/engine", false, Exec, Ui);
  ASSERT_EQ(start.Status, 0) << (Ui.Messages.empty() ? "" : Ui.Messages[0].Text);
  EXPECT_EQ(start.Command.Text, "\"" + server.Script + "\" +set fs_homepath \"" + Game +
                                    "\" +set fs_game BaseOA +set dedicated 1 +set net_port 27999 "
                                    "+exec vorlix_server.cfg");
  EXPECT_NE(Read_File(Game + "/BaseOA/vorlix_server.cfg").find("map oa_dm2;"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(Game + "/BaseOA/vorlix_server_2.cfg"));
  ASSERT_GT(start.Process.Pid, 0);
  EXPECT_TRUE(start.Process.Running());
  // The record appears only after the sleep: the arguments are checked in the temporary file.
  for (int i = 0; i < 250 && !std::filesystem::exists(server.Script + ".tmp"); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_EQ(Read_File(server.Script + ".tmp"),
            Game + "\n+set\nfs_homepath\n" + Game +
                "\n+set\nfs_game\nBaseOA\n+set\ndedicated\n1\n+set\nnet_port\n27999\n+exec\n"
                "vorlix_server.cfg\n");
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
}

TEST_F(Hosting, RefusalsAndFailuresStartNothing) {
  const TGame_Recorder server(Dir / "server");
  Settings.Host_Name = "evil\"; rcon";
  EXPECT_EQ(Host_Server(Game, Settings, {"a"}, server.Script, "", false, Exec, Ui).Status, 2);
  Settings.Host_Name = "fine";
  EXPECT_EQ(Host_Server(Game, Settings, {}, server.Script, "", false, Exec, Ui).Status, 1);
  Settings.MOD = "missing";
  EXPECT_EQ(Host_Server(Game, Settings, {"a"}, server.Script, "", false, Exec, Ui).Status, 1);
  Settings.MOD = "baseoa";
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
  EXPECT_EQ(Ui.Messages.size(), 3u);
  EXPECT_EQ(server.Wait(std::chrono::milliseconds(300)), "");
}

}  // namespace
}  // namespace vorlix::testing
