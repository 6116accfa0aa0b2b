#include <gtest/gtest.h>

#include <cerrno>
#include <fstream>
#include <system_error>

#include "../properties/properties_fixture.h"
#include "game_recorder.h"
#include "launch/command_line.h"
#include "launch/exec_file.h"
#include "launch/start_map.h"
#include "properties/launch_choices.h"

namespace vorlix::testing {
namespace {

using S = std::vector<std::string>;

TEST(Command_Line, Pieces_In_Order_And_Split_As_The_Game_Does) {
  TLaunch_Choices c{"D:\\Games\\Quake3", "BASEQ3", 1, "Q3DM17.BSP", "8", "15", "20", "0",
                    {"Major", "Sarge"},  3};
  EXPECT_EQ(Build_Command_Line(c),
            "D:\\Games\\Quake3\\QUAKE3.EXE +set fs_game BASEQ3 +seta g_gametype 0 +map Q3DM17 "
            "+sv_maxclients 8 +timelimit 15 +fraglimit 20 +capturelimit 0 +addbot Major 4 "
            "+addbot Sarge 4");
  c.Game_Type = -1;
  c.Bots.clear();
  c.Limits_Frags.clear();
  // A value not set is an empty word: shown as such, not handed to the game.
  const std::string game = c.Game_Dir + "\\QUAKE3.EXE";
  EXPECT_EQ(Build_Command_Line(c),
            game +
                " +set fs_game BASEQ3 +seta g_gametype  +map Q3DM17 "
                "+sv_maxclients 8 +timelimit 15 +fraglimit  +capturelimit 0");
  EXPECT_EQ(Prepare_Launch(c, game).Arguments,
            (S{"+set", "fs_game", "BASEQ3", "+seta", "g_gametype", "+map", "Q3DM17",
               "+sv_maxclients", "8", "+timelimit", "15", "+fraglimit", "+capturelimit", "0"}));
  // A long command is passed whole.
  c.Bots.assign(40, "Bitterman");
  EXPECT_EQ(Prepare_Launch(c, game).Arguments.size(), 14u + 40u * 3u);
  EXPECT_EQ(Split_Game_Arguments(" +seta g_gametype  +map Q3DM17 "),
            (S{"+seta", "g_gametype", "+map", "Q3DM17"}));
  EXPECT_EQ(Split_Game_Arguments("+addbot \"Major Tom\" 4\t x"),
            (S{"+addbot", "Major Tom", "4", "x"}));
}

struct Launch : ::testing::Test {
  TProperties_Fixture F;
  TMap_Properties_Model Model;
  TMap_Record* Map = nullptr;
  TTemp_Dir Dir;
  std::string Game = Dir / "Quake 3";
  void SetUp() override {
    F.Standard_MODs();
    Model.Set_Context(F.Context());
    Map = F.Add_Map("baseq3", "pak0.pk3", "Q3DM17.BSP");
    Map->Useable_MODs = {"MYMOD", "BASEQ3"};
    Map->Assigned_Bots = {"Sarge", "Major"};
    Map->Limits_Time = 15;
    std::filesystem::create_directories(Game + "/baseq3");
    std::filesystem::create_directories(Game + "/MyMod");
  }
  void Load() {
    Model.Load_Map(Map);
    Model.Set_Launch_Mode();
  }
};

TEST_F(Launch, Radio_Buttons_Mod_To_Use_And_Choices) {
  Map->Game_Types = GT_Capture_The_Flag;
  Load();
  // The caption, page, enabled fields and buttons are the dialog test's to check.
  EXPECT_EQ(Model.Radio_Enabled, (std::array<bool, 6>{false, false, false, false, true, false}));
  EXPECT_EQ(Model.Radio_Selected, 4);
  EXPECT_EQ(Model.MOD_To_Use, (S{"BASEQ3", "MYMOD"}));
  EXPECT_TRUE(Model.Launch_Enabled());

  // Launch-time edits never reach the record.
  Model.Limits_Time.Text = "30";
  Model.Assigned_Bot_Clicked(0);
  EXPECT_EQ(Map->Limits_Time, 15);
  EXPECT_EQ(Map->Assigned_Bots, (S{"Sarge", "Major"}));

  // An earlier launch's choices: each taken only while the map still offers it.
  Map->Game_Types = GT_Free_For_All | GT_Capture_The_Flag;
  Load();
  ASSERT_EQ(Model.Radio_Selected, 1);
  Choose_As_Before(Model, 4, "MYMOD");
  EXPECT_EQ(Model.Radio_Selected, 4);
  EXPECT_EQ(Model.MOD_To_Use_Selected, 1);
  Choose_As_Before(Model, 3, "CPMA");  // tournament is not offered, nor is CPMA
  EXPECT_EQ(Model.Radio_Selected, 4);
  EXPECT_EQ(Model.MOD_To_Use_Selected, 1);
  Choose_As_Before(Model, 9, "BASEQ3");
  EXPECT_EQ(Model.Radio_Selected, 4);
  EXPECT_EQ(Model.MOD_To_Use_Selected, 0);
  Choose_As_Before(Model, -1, "");
  EXPECT_EQ(Launch_Choices_From(Model, Game).Game_Type, 4);

  Map->Game_Types = GT_Single_Player | GT_Tournament;
  Map->Useable_MODs.clear();
  Load();
  EXPECT_EQ(Model.Radio_Selected, 0);
  EXPECT_TRUE(Model.MOD_To_Use.empty());
  EXPECT_FALSE(Model.Launch_Enabled());
}

TEST_F(Launch, Starts_The_Program_In_The_Game_Directory) {
  // Without an engine the game directory's QUAKE3.EXE is found ignoring case, and the MOD
  // directory's name is taken as it is on disk.
  const TGame_Recorder quake3(Game + "/quake3.exe");
  Map->Game_Types = 0;
  Map->Useable_MODs = {"MYMOD"};
  Load();
  TExec_File exec;
  const auto command = Launch_Game(Launch_Choices_From(Model, Game), "", exec, &F.Interaction);
  EXPECT_EQ(command.Program, quake3.Script);
  EXPECT_EQ(quake3.Wait(), Game +
                               "\n+set\nfs_game\nMyMod\n+seta\ng_gametype\n+map\nQ3DM17\n"
                               "+sv_maxclients\n8\n+timelimit\n15\n+fraglimit\n20\n"
                               "+capturelimit\n8\n+addbot\nSarge\n4\n");
  EXPECT_TRUE(F.Interaction.Messages.empty());

  // A missing game directory starts nothing, not even a configured engine (the engine's own
  // start is the dialog and CLI tests' to check).
  const TGame_Recorder engine(Dir / "bin/ioq3 wrapper");
  EXPECT_EQ(
      Launch_Game(Launch_Choices_From(Model, Dir / "gone"), engine.Script, exec, &F.Interaction)
          .Program,
      "");
  ASSERT_EQ(F.Interaction.Messages.size(), 1u);
  EXPECT_EQ(F.Interaction.Messages[0].Kind, TMessage_Kind::Error);
  EXPECT_EQ(engine.Wait(std::chrono::milliseconds(200)), "");
  // An engine named without a folder that no folder holds is named in the message.
  EXPECT_EQ(
      Launch_Game(Launch_Choices_From(Model, Game), "vorlix-no-such-engine", exec, &F.Interaction)
          .Program,
      "");
  ASSERT_EQ(F.Interaction.Messages.size(), 2u);
  EXPECT_NE(F.Interaction.Messages[1].Text.find("\"vorlix-no-such-engine\" was not found"),
            std::string::npos);
}

TEST(Command_Line, OnlyNamesTheEngineLoadsAsOneCommandReachIt) {
  for (const std::string& good : S{"q3dm17", "Q3DM17", "ctf-4_fort!(v2)", std::string(54, 'x')}) {
    EXPECT_EQ(Map_Name_Refusal(good), "") << good;
  }
  // A '+' starts a command of its own on the engine's command line; "//" begins a comment.
  for (const std::string& bad : S{"x;echo INJECTED", "x+quit", "a\"b", "two words", "tab\tx",
                                  "caf\xC3\xA9", "back\\slash", "y//z", "y/*z", "del\x7f", ""}) {
    EXPECT_EQ(Map_Name_Refusal(bad), "its file name cannot stand in a server command") << bad;
  }
  EXPECT_EQ(Map_Name_Refusal(std::string(55, 'x')),
            "its file name is longer than 54 characters, more than the engine loads");

  TLaunch_Choices c{"/q3", "BASEQ3", 1, "Q3DM17.BSP", "8", "15", "20", "", {"Sarge"}, 3};
  EXPECT_EQ(Launch_Refusal(c), "");
  c.MAP_Filename = "X;ECHO INJECTED.BSP";
  EXPECT_EQ(Launch_Refusal(c),
            "The map X;ECHO INJECTED.BSP cannot be launched: its file name cannot stand in a "
            "server command.");
  c.MAP_Filename = "Q3DM17.BSP";
  c.Bots = {"Sarge", "x+quit"};
  EXPECT_EQ(Launch_Refusal(c),
            "The bot \"x+quit\" cannot be launched: the game would not read it "
            "as one word of its command line.");
  c.Bots.clear();
  c.MOD = "mod;quit";
  EXPECT_NE(Launch_Refusal(c), "");
  c.MOD = "baseq3";
  c.Limits_Time = "15+quit";
  EXPECT_NE(Launch_Refusal(c), "");
}

TEST(Launch_Bots, A_MOD_With_Its_Own_Bots_First_In_The_MOD_List_Lends_Them_To_Its_Maps) {
  TProperties_Fixture f;
  f.Add_MOD("mymod", {{"Alien", "alien"}});
  f.Add_MOD("baseq3", {{"Sarge", "sarge"}});
  TMap_Record* map = f.Add_Map("mymod", "own.pk3", "OWN.BSP");
  map->Useable_MODs = {"MYMOD"};
  map->Assigned_Bots = {"Alien"};
  TMap_Properties_Model model;
  model.Set_Context(f.Context());
  model.Load_Map(map);
  model.Set_Launch_Mode();
  EXPECT_EQ(Names(model.Assigned_Bots), S{"Alien"});
}

TEST(Exec_File, Starts_Without_Waiting_And_Reports_Failures) {
  TTemp_Dir dir;
  // The program records whether it leads a session of its own (it outlives this one).
  const TGame_Recorder slow(dir / "slow.sh",
                            "sleep 1\n[ \"$(cut -d ' ' -f 6 /proc/$$/stat)\" = \"$$\" ] && "
                            "echo done >> \"$0.tmp\"\n");
  TExec_File exec;
  exec.Command_Line = slow.Script + " one";
  exec.Parameters = "\"two words\"";
  exec.Working_Directory = dir / "work";
  std::filesystem::create_directories(exec.Working_Directory);
  EXPECT_TRUE(exec.Execute());  // returns while the program still runs
  EXPECT_FALSE(std::filesystem::exists(slow.Record));
  EXPECT_GT(exec.Process_Id(), 0);
  EXPECT_EQ(slow.Wait(), exec.Working_Directory + "\none\ntwo words\ndone\n");

  int failures = 0;
  exec.On_Fail = [&](TExec_File& sender) {
    ++failures;
    EXPECT_EQ(&sender, &exec);
  };
  exec.Command_Line = dir / "missing-program";
  EXPECT_FALSE(exec.Execute());
  EXPECT_EQ(exec.Error_Code(), ENOENT);
  Write_File(dir / "data.txt", "not a program");
  exec.Command_Line = dir / "data.txt";
  EXPECT_FALSE(exec.Execute());
  EXPECT_EQ(exec.Error_Code(), EACCES);
  // A file that may be run but that the system cannot start: the start itself fails.
  Write_File(dir / "garbage", "not a program");
  std::filesystem::permissions(dir / "garbage", std::filesystem::perms::owner_all);
  exec.Command_Line = dir / "garbage";
  EXPECT_FALSE(exec.Execute());
  EXPECT_EQ(exec.Error_Code(), ENOEXEC);
  EXPECT_EQ(failures, 3);

  // An argument list is passed on as it is: no splitting at blanks, quotes kept.
  const TGame_Recorder listed(dir / "listed.sh");
  EXPECT_TRUE(exec.Execute(listed.Script, {"two words", "\"quoted\"", ""}));
  EXPECT_EQ(listed.Wait(), exec.Working_Directory + "\ntwo words\n\"quoted\"\n\n");
  EXPECT_EQ(failures, 3);

  // Told to wait, the call returns once the program has ended, in either style of waiting.
  exec.Wait = true;
  for (const TWait_Style style : {TWait_Style::Regular, TWait_Style::Suspend}) {
    exec.Wait_Style = style;
    const TGame_Recorder waited(dir / (style == TWait_Style::Regular ? "regular.sh" : "suspend.sh"),
                                "sleep 0.3\n");
    EXPECT_TRUE(exec.Execute(waited.Script, {}));
    EXPECT_TRUE(std::filesystem::exists(waited.Record));
  }
}

// Whether a process reaches a state within ten seconds: 'Z' once it has ended and nobody took its
// exit status, 0 once it is gone.
bool Process_Reaches(std::int64_t pid, char wanted) {
  for (int tries = 0; tries < 500; ++tries) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    std::getline(stat, line);
    const auto close = line.rfind(')');
    if ((close == std::string::npos ? 0 : line.at(close + 2)) == wanted) {
      return true;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return false;
}

TEST(Exec_File, The_Collecting_Thread_Comes_Before_The_Program_And_Is_Not_Needed) {
  TTemp_Dir dir;
  const TGame_Recorder first(dir / "first.sh");
  TExec_File exec;
  exec.Working_Directory = dir.Path();
  std::vector<std::int64_t> started_before;
  exec.Thread_Starter = [&](const std::function<void()>&) -> std::thread {
    started_before.push_back(exec.Process_Id());
    throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
  };
  bool started = false;
  EXPECT_NO_THROW(started = exec.Execute(first.Script, {"one"}));
  EXPECT_TRUE(started);
  EXPECT_EQ(started_before, std::vector<std::int64_t>{0});
  EXPECT_EQ(first.Wait(), dir.Path() + "\none\n");
  // Nobody took its exit status yet; the next start does.
  const std::int64_t uncollected = exec.Process_Id();
  ASSERT_TRUE(Process_Reaches(uncollected, 'Z'));
  exec.Thread_Starter = {};
  const TGame_Recorder second(dir / "second.sh");
  EXPECT_TRUE(exec.Execute(second.Script, {}));
  EXPECT_TRUE(Process_Reaches(uncollected, 0));
  // With its thread, a program is collected as soon as it ends.
  EXPECT_EQ(second.Wait(), dir.Path() + "\n");
  EXPECT_TRUE(Process_Reaches(exec.Process_Id(), 0));
}

}  // namespace
}  // namespace vorlix::testing
