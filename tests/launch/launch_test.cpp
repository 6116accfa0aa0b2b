#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include <QSettings>

#include "../properties/properties_fixture.h"
#include "app/settings.h"
#include "launch/command_line.h"
#include "launch/exec_file.h"
#include "launch/starte_map.h"

namespace vorlix::testing {
namespace {

using S = std::vector<std::string>;

TLaunch_Choices Example() {
  TLaunch_Choices c;
  c.Game_Dir = "D:\\Games\\Quake3";
  c.MOD = "BASEQ3";
  c.Game_Type = 1;  // Free For All
  c.MAP_Filename = "Q3DM17.BSP";
  c.Limits_Players = "8";
  c.Limits_Time = "15";
  c.Limits_Frags = "20";
  c.Limits_Captures = "0";
  c.Bots = {"Major", "Sarge"};
  c.Bot_Skill = 3;  // Hardcore
  return c;
}

TEST(Command_Line, PiecesInOrder) {
  EXPECT_EQ(Build_Command_Line(Example()),
            "D:\\Games\\Quake3\\QUAKE3.EXE +set fs_game BASEQ3 +seta g_gametype 0 +map Q3DM17 "
            "+sv_maxclients 8 +timelimit 15 +fraglimit 20 +capturelimit 0 +addbot Major 4 "
            "+addbot Sarge 4");
  auto c = Example();
  c.Game_Type = -1;
  c.Bots.clear();
  EXPECT_EQ(Build_Argument_Text(c),
            " +set fs_game BASEQ3 +seta g_gametype  +map Q3DM17 +sv_maxclients 8 +timelimit 15 "
            "+fraglimit 20 +capturelimit 0");
  c.Bots = {"Anarki", "Xaero"};
  c.Bot_Skill = 4;
  EXPECT_EQ(Build_Argument_Text(c).substr(Build_Argument_Text(c).find(" +addbot")),
            " +addbot Anarki 5 +addbot Xaero 5");
  const std::string values[] = {"2", "0", "3", "1", "4", "5"};
  for (int i = 0; i < 6; ++i) {
    EXPECT_EQ(Game_Type_Value(i), values[i]);
  }
  // A long command is passed whole.
  c.Bots.assign(40, "Bitterman");
  EXPECT_EQ(Split_Game_Arguments(Build_Argument_Text(c)).size(), 15u + 40u * 3u);
}

TEST(Command_Line, SplitsAsTheGameDoes) {
  EXPECT_EQ(Split_Game_Arguments(" +seta g_gametype  +map Q3DM17 "),
            (S{"+seta", "g_gametype", "+map", "Q3DM17"}));
  EXPECT_EQ(Split_Game_Arguments("+addbot \"Major Tom\" 4\t x"),
            (S{"+addbot", "Major Tom", "4", "x"}));
  EXPECT_EQ(Split_Game_Arguments("   "), S{});
}

struct Launch_Mode : ::testing::Test {
  TProperties_Fixture F;
  TMap_Properties_Model Model;
  TMAP_Datei_Eintrag* Map = nullptr;
  void SetUp() override {
    F.Standard_MODs();
    Model.Set_Context(F.Context());
    Map = F.Add_Map("baseq3", "pak0.pk3", "Q3DM17.BSP");
    Map->Useable_MODs = {"MYMOD", "BASEQ3"};
    Map->Assigned_Bots = {"Sarge", "Major"};
    Map->Limits_Time = 15;
  }
};

TEST_F(Launch_Mode, RadioButtonsModToUseAndChoices) {
  Map->Game_Types = GT_Capture_The_Flag;
  Model.Load_Map(Map);
  Model.Set_Launch_Mode();
  EXPECT_STREQ(Model.Caption(), "Launch Properties");
  EXPECT_FALSE(Model.General_Edits_Enabled());
  EXPECT_FALSE(Model.Rename_Delete_Enabled());
  EXPECT_EQ(Model.Page, Dialog_Page::Arena);
  EXPECT_EQ(Model.Radio_Enabled, (std::array<bool, 6>{false, false, false, false, true, false}));
  EXPECT_EQ(Model.Radio_Selected, 4);
  EXPECT_EQ(Model.MOD_to_use, (S{"BASEQ3", "MYMOD"}));
  EXPECT_EQ(Model.MOD_to_use_Selected, 0);
  EXPECT_TRUE(Model.Launch_Enabled());
  EXPECT_EQ(
      Build_Command_Line(Launch_Choices_From(Model, "D:\\Q3")),
      "D:\\Q3\\QUAKE3.EXE +set fs_game BASEQ3 +seta g_gametype 4 +map Q3DM17 +sv_maxclients 8 "
      "+timelimit 15 +fraglimit 20 +capturelimit 8 +addbot Major 4 +addbot Sarge 4");

  // Launch-time edits never reach the record.
  Model.Limits_Time.Text = "30";
  Model.Assigned_Bot_Clicked(0);
  EXPECT_EQ(Map->Limits_Time, 15);
  EXPECT_EQ(Map->Assigned_Bots, (S{"Sarge", "Major"}));

  Map->Game_Types = GT_Single_Player | GT_Tournament;
  Map->Useable_MODs.clear();
  Model.Load_Map(Map);
  Model.Set_Launch_Mode();
  EXPECT_EQ(Model.Radio_Selected, 0);
  EXPECT_TRUE(Model.MOD_to_use.empty());
  EXPECT_FALSE(Model.Launch_Enabled());
}

struct Launch_Run : Launch_Mode {
  TTemp_Dir Dir;
  std::string Game;
  std::string Record;
  void SetUp() override {
    Launch_Mode::SetUp();
    Game = Dir / "Quake 3";
    Record = Dir / "record.txt";
    std::filesystem::create_directories(Game + "/baseq3");
    std::filesystem::create_directories(Game + "/MyMod");
  }
  // A program that writes its working directory and its arguments, one a line, to Record.
  std::string Script(const std::string& path, const std::string& extra = "") {
    Write_File(path, "#!/bin/sh\npwd > '" + Record + "'\nfor a in \"$@\"; do echo \"$a\" >> '" +
                         Record + "'; done\n" + extra);
    std::filesystem::permissions(path, std::filesystem::perms::owner_all);
    return path;
  }
  std::string Wait_For_Record() {
    for (int i = 0; i < 200 && !std::filesystem::exists(Record); ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    return std::filesystem::exists(Record) ? Read_File(Record) : std::string();
  }
};

TEST_F(Launch_Run, StartsTheProgramInTheGameDirectory) {
  // Without Q3A_EXE the game directory's QUAKE3.EXE is found ignoring case.
  Script(Game + "/quake3.exe");
  Map->Game_Types = 0;
  Map->Useable_MODs = {"MYMOD"};
  Model.Load_Map(Map);
  Model.Set_Launch_Mode();
  TExecFile exec;
  const auto command = Launch_Game(Model, Game, "", exec, &F.Interaction);
  EXPECT_EQ(command.Program, Game + "/quake3.exe");
  EXPECT_EQ(command.Text,
            Game +
                "/quake3.exe +set fs_game MyMod +seta g_gametype  +map Q3DM17 "
                "+sv_maxclients 8 +timelimit 15 +fraglimit 20 +capturelimit 8 +addbot Sarge 4");
  EXPECT_EQ(Wait_For_Record(), Game +
                                   "\n+set\nfs_game\nMyMod\n+seta\ng_gametype\n+map\nQ3DM17\n"
                                   "+sv_maxclients\n8\n+timelimit\n15\n+fraglimit\n20\n"
                                   "+capturelimit\n8\n+addbot\nSarge\n4\n");
  EXPECT_TRUE(F.Interaction.Messages.empty());
}

TEST_F(Launch_Run, ConfiguredProgramAndMissingGameDirectory) {
  const std::string engine = Script(Dir / "bin/ioq3 wrapper");
  Model.Load_Map(Map);
  Model.Set_Launch_Mode();
  TExecFile exec;
  Launch_Game(Model, Game, engine, exec, &F.Interaction);
  EXPECT_EQ(Wait_For_Record(), Game +
                                   "\n+set\nfs_game\nbaseq3\n+seta\ng_gametype\n0\n+map\nQ3DM17\n"
                                   "+sv_maxclients\n8\n+timelimit\n15\n+fraglimit\n20\n"
                                   "+capturelimit\n8\n+addbot\nMajor\n4\n+addbot\nSarge\n4\n");

  std::filesystem::remove(Record);
  const auto none = Launch_Game(Model, Dir / "gone", engine, exec, &F.Interaction);
  EXPECT_EQ(none.Program, "");
  ASSERT_EQ(F.Interaction.Messages.size(), 1u);
  EXPECT_EQ(F.Interaction.Messages[0].Kind, Message_Kind::Error);
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  EXPECT_FALSE(std::filesystem::exists(Record));
}

TEST_F(Launch_Run, ExecFileWaitStylesAndFailures) {
  const std::string slow = Script(Dir / "slow.sh", "sleep 1\necho done >> '" + Record + "'\n");
  TExecFile exec;
  exec.CommandLine = slow + " one";
  exec.Parameters = "\"two words\"";
  exec.Working_Directory = Game;
  const auto begin = std::chrono::steady_clock::now();
  EXPECT_TRUE(exec.Execute());  // returns while the program still runs
  EXPECT_LT(std::chrono::steady_clock::now() - begin, std::chrono::milliseconds(800));
  EXPECT_GT(exec.Process_Id(), 0);

  for (const auto style : {TWaitStyle::wSuspend, TWaitStyle::wRegular}) {
    std::filesystem::remove(Record);
    std::this_thread::sleep_for(std::chrono::milliseconds(1200));
    std::filesystem::remove(Record);
    exec.Wait = true;
    exec.WaitStyle = style;
    EXPECT_TRUE(exec.Execute());
    EXPECT_FALSE(exec.Busy());
    EXPECT_EQ(Read_File(Record), Game + "\none\ntwo words\ndone\n");
  }

  int failures = 0;
  exec.Wait = false;
  exec.CommandLine = Dir / "missing-program";
  exec.OnFail = [&](TExecFile& sender) {
    ++failures;
    EXPECT_EQ(&sender, &exec);
  };
  EXPECT_FALSE(exec.Execute());
  EXPECT_EQ(exec.Error_Code(), ENOENT);
  EXPECT_EQ(failures, 1);
  Write_File(Dir / "data.txt", "not a program");
  exec.CommandLine = Dir / "data.txt";
  EXPECT_FALSE(exec.Execute());
  EXPECT_EQ(exec.Error_Code(), EACCES);
}

TEST(Launch_Settings, Q3aExeIsReadFromTheSettingsGroup) {
  TTemp_Dir dir;
  const char* old = std::getenv("XDG_CONFIG_HOME");
  const std::string saved = old != nullptr ? old : "";
  setenv("XDG_CONFIG_HOME", dir.Path().c_str(), 1);
  EXPECT_EQ(Lade_Q3A_Exe(), "");
  {
    QSettings settings(QString::fromStdString(Settings_File_Path()), QSettings::IniFormat);
    settings.setValue("Settings/Q3A_EXE", "/usr/games/ioquake3");
  }
  EXPECT_EQ(Lade_Q3A_Exe(), "/usr/games/ioquake3");
  if (old != nullptr) {
    setenv("XDG_CONFIG_HOME", saved.c_str(), 1);
  } else {
    unsetenv("XDG_CONFIG_HOME");
  }
}

}  // namespace
}  // namespace vorlix::testing
