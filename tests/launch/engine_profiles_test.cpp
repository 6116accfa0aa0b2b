#include "launch/engine_profiles.h"

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "builders.h"
#include "core/settings.h"
#include "game_recorder.h"
#include "launch/command_line.h"
#include "launch/exec_file.h"
#include "launch/server_rotation.h"
#include "launch/start_map.h"
#include "scripted_interaction.h"

namespace vorlix {
namespace {

using testing::TGame_Recorder;
using testing::TScripted_Interaction;
using testing::TTemp_Dir;
using testing::Write_File;
using S = std::vector<std::string>;

class Engine_Profiles : public ::testing::Test {
 protected:
  void SetUp() override { ::setenv("XDG_CONFIG_HOME", config.Path().c_str(), 1); }
  void TearDown() override { ::unsetenv("XDG_CONFIG_HOME"); }
  TTemp_Dir config;
};

TEST_F(Engine_Profiles, Stored_And_Read_Back_With_The_Defaults_Per_MOD) {
  TEngine_Profiles profiles;
  ASSERT_TRUE(profiles.Add(
      {"ioq3", "/usr/games/ioquake3", TEngine_Kind::IOQuake3, "+set com_hunkMegs 256"}));
  ASSERT_TRUE(profiles.Add({"q3e", "/opt/q3e/\xFF quake3e", TEngine_Kind::Quake3e, ""}));
  ASSERT_TRUE(profiles.Add({"wine-q3", "wine-q3", TEngine_Kind::Original_Wine, ""}));
  EXPECT_EQ(profiles.Add({"q3e", "/other", TEngine_Kind::Other, ""}).Message(),
            "There is an engine named q3e already.");
  ASSERT_TRUE(profiles.Set_Default("baseq3", "q3e"));
  ASSERT_TRUE(profiles.Set_Default("", "ioq3"));
  ASSERT_TRUE(profiles.Set_Default("cpma", "wine-q3"));
  ASSERT_TRUE(profiles.Set_Default("caf\xE9", "q3e"));
  EXPECT_FALSE(profiles.Set_Default("cpma", "nothing"));
  ASSERT_TRUE(Save_Engine_Profiles(profiles));

  TEngine_Profiles read = Load_Engine_Profiles();
  ASSERT_EQ(read.Profiles.size(), 3u);
  EXPECT_EQ(read.Profiles[0].Arguments, "+set com_hunkMegs 256");
  EXPECT_EQ(read.Profiles[1].Program, "/opt/q3e/\xFF quake3e");  // every byte kept
  EXPECT_EQ(read.Profiles[1].Kind, TEngine_Kind::Quake3e);
  EXPECT_EQ(read.Profiles[2].Kind, TEngine_Kind::Original_Wine);
  // A MOD's own default, its letter case ignored; else the one for every MOD.
  EXPECT_EQ(read.Default_For("BASEQ3")->Name, "q3e");
  EXPECT_EQ(read.Default_For("cpma")->Name, "wine-q3");
  EXPECT_EQ(read.Default_For("missionpack")->Name, "ioq3");
  EXPECT_EQ(read.MODs_Defaulting_To("ioq3"), S{""});
  EXPECT_EQ(read.MODs_Defaulting_To("q3e"), (S{"baseq3", "caf\xE9"}));  // every byte kept

  // A default replaced stays one entry; a removed profile takes its defaults along, and the
  // shorter lists leave nothing of the longer ones behind in the file.
  ASSERT_TRUE(read.Set_Default("BaseQ3", "ioq3"));
  EXPECT_EQ(read.MODs_Defaulting_To("ioq3"), (S{"", "BaseQ3"}));
  EXPECT_TRUE(read.Remove("wine-q3"));
  EXPECT_FALSE(read.Remove("wine-q3"));
  ASSERT_TRUE(read.Set_Default("", ""));
  ASSERT_TRUE(Save_Engine_Profiles(read));
  read = Load_Engine_Profiles();
  ASSERT_EQ(read.Profiles.size(), 2u);
  EXPECT_EQ(read.MOD_Defaults.size(), 2u);  // baseq3's and the Latin-1 name's
  EXPECT_EQ(read.Default_For("cpma"), nullptr);
  EXPECT_EQ(read.Default_For("baseq3")->Name, "ioq3");
  // Q3A_EXE stays a value of its own.
  EXPECT_TRUE(Save_Q3A_Exe("/usr/bin/engine"));
  EXPECT_EQ(Load_Engine_Profiles().Profiles.size(), 2u);
  EXPECT_EQ(Load_Q3A_Exe(), "/usr/bin/engine");
}

TEST_F(Engine_Profiles, The_Windows_Launch_Takes_The_MODs_Default_Else_The_Stored_Engine) {
  ASSERT_TRUE(Save_Q3A_Exe("/usr/bin/stored"));
  TEngine_Choice none = Default_Engine_For("baseq3", config.Path());
  EXPECT_EQ(none.Program, "/usr/bin/stored");
  EXPECT_TRUE(none.Words.empty());
  EXPECT_FALSE(none.Keeps_Archives_Open.has_value());
  TEngine_Profiles profiles;
  ASSERT_TRUE(
      profiles.Add({"q3e", "/opt/quake3e", TEngine_Kind::Quake3e, "+set com_hunkMegs 512"}));
  ASSERT_TRUE(profiles.Set_Default("cpma", "q3e"));
  ASSERT_TRUE(Save_Engine_Profiles(profiles));
  const TEngine_Choice cpma = Default_Engine_For("CPMA", config.Path());
  EXPECT_EQ(cpma.Program, "/opt/quake3e");
  // The profile's engine lies outside the game directory: it is told the base path first.
  EXPECT_EQ(cpma.Words, (S{"+set", "fs_basepath", config.Path(), "+set", "com_hunkMegs", "512"}));
  EXPECT_EQ(cpma.Keeps_Archives_Open, std::optional<bool>(false));
  EXPECT_EQ(Default_Engine_For("baseq3", config.Path()).Program, "/usr/bin/stored");
}

TEST_F(Engine_Profiles, A_Kind_Not_Known_Reads_As_Other_And_A_Nameless_Entry_Is_Dropped) {
  Write_File(config / "Tolmarine/Vorlix.conf",
             "[Settings]\nENGINE_PROFILES\\size=2\nENGINE_PROFILES\\1\\NAME=x\n"
             "ENGINE_PROFILES\\1\\PROGRAM=/bin/x\nENGINE_PROFILES\\1\\KIND=q4\n"
             "ENGINE_PROFILES\\2\\PROGRAM=/bin/y\n");
  const TEngine_Profiles read = Load_Engine_Profiles();
  ASSERT_EQ(read.Profiles.size(), 1u);
  EXPECT_EQ(read.Profiles[0].Kind, TEngine_Kind::Other);
  EXPECT_EQ(read.Default_For("baseq3"), nullptr);
}

TEST(Engine_Profile, The_Choice_Asked_For_Then_The_MODs_Default_Then_None) {
  TEngine_Profiles profiles;
  ASSERT_TRUE(profiles.Add({"a", "/bin/a", TEngine_Kind::Other, ""}));
  ASSERT_TRUE(profiles.Add({"b", "/bin/b", TEngine_Kind::Other, ""}));
  ASSERT_TRUE(profiles.Set_Default("baseq3", "b"));
  EXPECT_EQ(Chosen_Engine_Profile(profiles, "a", "baseq3").Value()->Name, "a");
  EXPECT_EQ(Chosen_Engine_Profile(profiles, std::nullopt, "baseq3").Value()->Name, "b");
  EXPECT_FALSE(Chosen_Engine_Profile(profiles, std::nullopt, "cpma").Value().has_value());
  EXPECT_NE(Chosen_Engine_Profile(profiles, "c", "baseq3").Message().find("no engine named c"),
            std::string::npos);
}

TEST(Engine_Profile, Extra_Arguments_Pass_Only_As_The_Engine_Reads_Them) {
  EXPECT_EQ(Engine_Words_Refusal(Split_Game_Arguments("+set com_hunkMegs 256 +set r_mode -1")), "");
  EXPECT_EQ(Engine_Words_Refusal({"+connect", "example.org:27960"}), "");
  // A quoted blank, a semicolon, a second '+', a lone '+', a comment and a byte above '~'
  // would each make the engine read something else.
  for (const S& bad : {Split_Game_Arguments("+set sv_hostname \"two words\""), S{"x;quit"},
                       S{"++set"}, S{"+"}, S{"a+b"}, S{"+set", "x//y"}, S{"caf\xE9"}, S{""}}) {
    const std::string refusal = Engine_Words_Refusal(bad);
    EXPECT_NE(refusal.find("cannot be handed to it"), std::string::npos)
        << ::testing::PrintToString(bad);
  }
  // The profile's own checks: a name usable as one word, a program, its arguments.
  EXPECT_EQ(Profile_Refusal({"q3e", "quake3e", TEngine_Kind::Quake3e, "+set fs_game cpma"}), "");
  EXPECT_NE(Profile_Refusal({"two words", "q", TEngine_Kind::Other, ""}), "");
  EXPECT_NE(Profile_Refusal({"--kind", "q", TEngine_Kind::Other, ""}), "");
  EXPECT_EQ(Profile_Refusal({"q", "", TEngine_Kind::Other, ""}), "The engine q names no program.");
  EXPECT_NE(Profile_Refusal({"q", "q", TEngine_Kind::Other, "+exec \"a;b\""}).find("\"a;b\""),
            std::string::npos);
}

TEST(Engine_Profile, The_Kind_Decides_Which_Engines_Keep_Their_Archives_Open) {
  const TTemp_Dir dir;
  Write_File(dir / "ioq3-build",
             "\x7F"
             "ELF...ioq3 1.36_GIT");
  Write_File(dir / "plain",
             "\x7F"
             "ELF...");
  EXPECT_FALSE(
      Profile_Keeps_Archives_Open({"q", "", TEngine_Kind::Quake3e, ""}, dir / "ioq3-build"));
  EXPECT_TRUE(Profile_Keeps_Archives_Open({"q", "", TEngine_Kind::IOQuake3, ""}, dir / "plain"));
  EXPECT_TRUE(Profile_Keeps_Archives_Open({"q", "", TEngine_Kind::OpenArena, ""}, dir / "plain"));
  // "other" is told by the program's bytes.
  EXPECT_TRUE(Profile_Keeps_Archives_Open({"q", "", TEngine_Kind::Other, ""}, dir / "ioq3-build"));
  EXPECT_FALSE(Profile_Keeps_Archives_Open({"q", "", TEngine_Kind::Other, ""}, dir / "plain"));
  EXPECT_EQ(Rules_Of(TEngine_Kind::Quake3e).Shaders, TShader_Precedence::Later_Archive_Wins);
  EXPECT_EQ(Rules_Of(TEngine_Kind::IOQuake3).Shaders, TShader_Precedence::First_Loaded_Wins);
  // Every kind is found by its own word.
  for (const TEngine_Kind_Rules& rules : Engine_Kind_Table) {
    EXPECT_EQ(Engine_Kind_From_Word(rules.Word), rules.Kind);
  }
  EXPECT_FALSE(Engine_Kind_From_Word("Quake3e").has_value());
}

TEST(Engine_Profile, Found_Engines_And_A_Missing_Program) {
  const TTemp_Dir first;
  const TTemp_Dir second;
  const auto program = [](const std::string& path) {
    Write_File(path, "#!/bin/sh\n");
    std::filesystem::permissions(path, std::filesystem::perms::owner_all);
  };
  program(first / "quake3e.x64");
  program(second / "ioq3");
  program(second / "quake3e.x64");  // behind the first folder's
  Write_File(first / "openarena", "not executable");
  const std::vector<TEngine_Profile> found = Found_Engines({first.Path(), second.Path()});
  ASSERT_EQ(found.size(), 2u);
  EXPECT_EQ(found[0].Name, "ioq3");
  EXPECT_EQ(found[0].Program, second / "ioq3");
  EXPECT_EQ(found[0].Kind, TEngine_Kind::IOQuake3);
  EXPECT_EQ(found[1].Program, first / "quake3e.x64");
  EXPECT_EQ(found[1].Kind, TEngine_Kind::Quake3e);

  // A distribution's own place is looked at after the folders, unless they hold that engine.
  program(first / "lib-ioquake3");
  const std::string lib = first / "lib-ioquake3";
  const std::string gone = first / "lib-gone";
  const TEngine_Place places[] = {{"ioquake3", lib.c_str(), TEngine_Kind::IOQuake3},
                                  {"ioq3", lib.c_str(), TEngine_Kind::IOQuake3},
                                  {"gone", gone.c_str(), TEngine_Kind::IOQuake3}};
  const std::vector<TEngine_Profile> with_places = Found_Engines({second.Path()}, places);
  ASSERT_EQ(with_places.size(), 3u);
  EXPECT_EQ(with_places[2].Name, "ioquake3");
  EXPECT_EQ(with_places[2].Program, lib);
  EXPECT_EQ(Found_Engines({first.Path()}, places).back().Name, "ioquake3");

  EXPECT_EQ(Profile_Unavailable_Reason(found[0], ""), "");
  const std::string reason =
      Profile_Unavailable_Reason({"oa", first / "openarena", TEngine_Kind::OpenArena, ""}, "");
  EXPECT_NE(reason, "");
  EXPECT_NE(reason.find(first / "openarena"), std::string::npos);
  EXPECT_NE(Profile_Unavailable_Reason({"g", first / "gone", TEngine_Kind::Other, ""}, ""), "");
}

TEST(Engine_Profile, Extra_Arguments_Come_First_On_The_Command_Line) {
  const TTemp_Dir game;
  std::filesystem::create_directories(game / "baseq3");
  TLaunch_Choices choices;
  choices.Game_Dir = game.Path();
  choices.MOD = "BASEQ3";
  choices.Game_Type = 0;
  choices.MAP_Filename = "Q3DM17.BSP";
  const TGame_Recorder engine(game / "engine");
  const S words = Split_Game_Arguments("+set com_hunkMegs 256");

  const TLaunch_Command command = Prepare_Launch(choices, engine.Script, words);
  EXPECT_EQ(command.Text, engine.Script +
                              " +set com_hunkMegs 256 +set fs_game baseq3 +seta g_gametype 2 "
                              "+map Q3DM17 +sv_maxclients  +timelimit  +fraglimit  "
                              "+capturelimit ");
  TExec_File exec;
  TScripted_Interaction user;
  ASSERT_EQ(Launch_Game(choices, engine.Script, exec, &user, "", words).Program, engine.Script);
  EXPECT_EQ(engine.Wait(), game.Path() +
                               "\n+set\ncom_hunkMegs\n256\n+set\nfs_game\nbaseq3\n+seta\n"
                               "g_gametype\n2\n+map\nQ3DM17\n+sv_maxclients\n+timelimit\n"
                               "+fraglimit\n+capturelimit\n");
  // A word the engine would split starts nothing and says why.
  std::filesystem::remove(engine.Record);
  EXPECT_EQ(Launch_Game(choices, engine.Script, exec, &user, "", {"+set", "a;quit"}).Program, "");
  ASSERT_EQ(user.Messages.size(), 1u);
  EXPECT_NE(user.Messages[0].Text.find("\"a;quit\""), std::string::npos);
  EXPECT_EQ(engine.Wait(std::chrono::milliseconds(200)), "");

  // The engine reads 31 commands of its command line: the launch's own 7 leave room for 24
  // more, a 25th starts nothing.
  std::filesystem::remove(engine.Record);
  S most;
  for (int i = 0; i < 24; ++i) {
    most.insert(most.end(), {"+set", "v" + std::to_string(i), "1"});
  }
  S one_more = most;
  one_more.insert(one_more.end(), {"+set", "last", "1"});
  ASSERT_EQ(Launch_Game(choices, engine.Script, exec, &user, "", one_more).Program, "");
  ASSERT_EQ(user.Messages.size(), 2u);
  EXPECT_NE(user.Messages[1].Text.find("at most 31 commands from its command line, and this one "
                                       "holds 32"),
            std::string::npos)
      << user.Messages[1].Text;
  ASSERT_EQ(Launch_Game(choices, engine.Script, exec, &user, "", most).Program, engine.Script);
  EXPECT_NE(engine.Wait().find("\n+set\nv23\n1\n+set\nfs_game\n"), std::string::npos);
  EXPECT_EQ(user.Messages.size(), 2u);

  // The server's command takes them first too.
  TServer_Settings settings;
  settings.MOD = "baseq3";
  const TServer_Command server = Prepare_Server(game.Path(), settings, engine.Script, "", words);
  ASSERT_GE(server.Arguments.size(), 4u);
  EXPECT_EQ(S(server.Arguments.begin(), server.Arguments.begin() + 4),
            (S{"+set", "com_hunkMegs", "256", "+set"}));
  EXPECT_EQ(server.Arguments[4], "fs_homepath");
}

TEST(Engine_Profile, The_Game_Directory_Is_The_Base_Path_Unless_The_Profile_Sets_One) {
  const TEngine_Profile plain{"oa", "/usr/games/openarena", TEngine_Kind::OpenArena,
                              "+set com_basegame baseoa"};
  EXPECT_EQ(Profile_Launch_Words(plain, "/srv/q3"),
            (S{"+set", "fs_basepath", "/srv/q3", "+set", "com_basegame", "baseoa"}));
  // The engine's own names are compared without letter case, with each of its set commands.
  const TEngine_Profile own{"oa", "oa", TEngine_Kind::OpenArena, "+SETA FS_BasePath /opt/oa"};
  EXPECT_EQ(Profile_Launch_Words(own, "/srv/q3"), (S{"+SETA", "FS_BasePath", "/opt/oa"}));
  const TEngine_Profile value_only{"oa", "oa", TEngine_Kind::OpenArena, "+set name fs_basepath"};
  EXPECT_EQ(Profile_Launch_Words(value_only, "/srv/q3").size(), 6u);
  // A directory the engine would not read as one word of its command line stops the launch.
  EXPECT_NE(Engine_Words_Refusal(Profile_Launch_Words(plain, "/srv/my q3")), "");
  EXPECT_NE(Engine_Words_Refusal(Profile_Launch_Words(plain, "/srv/q3;quit")), "");
  EXPECT_EQ(Engine_Words_Refusal(Profile_Launch_Words(plain, "/srv/q3")), "");
}

TEST_F(Engine_Profiles, A_Dialogs_Engine_Follows_The_MOD_Until_One_Is_Picked) {
  const TTemp_Dir bin;
  const std::string program = bin / "quake3e";
  Write_File(program, "#!/bin/sh\n");
  std::filesystem::permissions(program, std::filesystem::perms::owner_all);
  ASSERT_TRUE(Save_Q3A_Exe("/usr/bin/stored"));
  TEngine_Profiles profiles;
  ASSERT_TRUE(profiles.Add({"q3e", program, TEngine_Kind::Quake3e, "+set r_mode 4"}));
  ASSERT_TRUE(profiles.Add({"gone", bin / "gone", TEngine_Kind::IOQuake3, ""}));
  ASSERT_TRUE(profiles.Set_Default("cpma", "q3e"));
  ASSERT_TRUE(profiles.Set_Default("osp", "gone"));

  TEngine_Selection selection;
  selection.Load(profiles, "/srv/q3");
  ASSERT_EQ(selection.Options().size(), 3u);
  EXPECT_EQ(selection.Options()[0].Caption, "Stored engine (/usr/bin/stored)");
  EXPECT_EQ(selection.Options()[1].Unavailable, "");
  EXPECT_NE(selection.Options()[2].Unavailable.find(bin / "gone"), std::string::npos);

  selection.Follow_MOD("CPMA");
  EXPECT_EQ(selection.Chosen_Index(), 1u);
  TEngine_Choice choice = selection.Choice();
  EXPECT_EQ(choice.Program, program);
  EXPECT_EQ(choice.Words, (S{"+set", "fs_basepath", "/srv/q3", "+set", "r_mode", "4"}));
  EXPECT_EQ(choice.Keeps_Archives_Open, std::optional<bool>(false));
  // A MOD's default whose program is gone is still what the MOD launches with (and says why).
  selection.Follow_MOD("osp");
  EXPECT_EQ(selection.Chosen_Index(), 2u);
  selection.Follow_MOD("baseq3");
  EXPECT_EQ(selection.Chosen_Profile(), nullptr);
  EXPECT_EQ(selection.Choice().Program, "/usr/bin/stored");

  // The user's pick holds against the MOD; a gone program or a row past the end is not taken.
  EXPECT_FALSE(selection.Pick(2));
  EXPECT_FALSE(selection.Pick(3));
  EXPECT_TRUE(selection.Pick(1));
  selection.Follow_MOD("baseq3");
  EXPECT_EQ(selection.Chosen_Profile()->Name, "q3e");
  selection.Add_Words({"+set", "com_hunkMegs", "256"});
  EXPECT_EQ(selection.Choice().Words.back(), "256");
  EXPECT_EQ(selection.Choice().Words.size(), 9u);
  // The stored engine takes the added words alone; a new showing starts afresh.
  EXPECT_TRUE(selection.Pick(0));
  EXPECT_EQ(selection.Choice().Words, (S{"+set", "com_hunkMegs", "256"}));
  selection.Load(profiles, "/srv/q3");
  selection.Follow_MOD("cpma");
  EXPECT_EQ(selection.Chosen_Index(), 1u);
  EXPECT_TRUE(selection.Added_Words().empty());
}

TEST_F(Engine_Profiles, A_Launch_Repeated_Runs_The_Profile_Of_Its_Engine) {
  ASSERT_TRUE(Save_Q3A_Exe("/usr/bin/stored"));
  TEngine_Profiles profiles;
  ASSERT_TRUE(profiles.Add({"a", "/opt/a", TEngine_Kind::IOQuake3, "+set x 1"}));
  ASSERT_TRUE(profiles.Add({"b", "/opt/b", TEngine_Kind::Quake3e, ""}));
  ASSERT_TRUE(profiles.Add({"a-big", "/opt/a", TEngine_Kind::IOQuake3, "+set com_hunkMegs 512"}));
  ASSERT_TRUE(profiles.Set_Default("cpma", "a-big"));
  ASSERT_TRUE(Save_Engine_Profiles(profiles));
  EXPECT_EQ(Engine_Of_Launch("/opt/b", "cpma", "/g").Program, "/opt/b");
  // Of two profiles of one program, the MOD's default; else the first.
  EXPECT_EQ(Engine_Of_Launch("/opt/a", "cpma", "/g").Words.back(), "512");
  EXPECT_EQ(Engine_Of_Launch("/opt/a", "osp", "/g").Words.back(), "1");
  // An engine no profile runs (the stored one, a profile removed since): as a launch of the MOD.
  EXPECT_EQ(Engine_Of_Launch("/usr/bin/stored", "osp", "/g").Program, "/usr/bin/stored");
  EXPECT_EQ(Engine_Of_Launch("/gone", "cpma", "/g").Words.back(), "512");
}

TEST(Engine_Profile, An_Edited_Profile_Keeps_Its_Place_And_Its_MODs) {
  TEngine_Profiles profiles;
  ASSERT_TRUE(profiles.Add({"a", "/a", TEngine_Kind::IOQuake3, ""}));
  ASSERT_TRUE(profiles.Add({"b", "/b", TEngine_Kind::Quake3e, ""}));
  ASSERT_TRUE(profiles.Set_Default("", "a"));
  ASSERT_TRUE(profiles.Set_Default("cpma", "a"));
  ASSERT_TRUE(profiles.Replace("a", {"c", "/c", TEngine_Kind::OpenArena, "+set x 1"}));
  EXPECT_EQ(profiles.Profiles[0].Name, "c");
  EXPECT_EQ(profiles.Profiles[0].Arguments, "+set x 1");
  EXPECT_EQ(profiles.MODs_Defaulting_To("c"), (S{"", "cpma"}));
  EXPECT_FALSE(profiles.Replace("c", {"b", "/c", TEngine_Kind::OpenArena, ""}));
  EXPECT_FALSE(profiles.Replace("c", {"c", "/c", TEngine_Kind::OpenArena, "+set a;quit 1"}));
  EXPECT_FALSE(profiles.Replace("none", {"d", "/d", TEngine_Kind::Other, ""}));
  EXPECT_TRUE(profiles.Replace("c", {"c", "/other", TEngine_Kind::OpenArena, ""}));
  EXPECT_EQ(profiles.Profiles[0].Program, "/other");
  EXPECT_EQ(profiles.Profiles.size(), 2u);
}

TEST_F(Engine_Profiles, Engines_Found_Are_Offered_Once_When_None_Is_Kept) {
  const TTemp_Dir bin;
  Write_File(bin / "openarena", "#!/bin/sh\n");
  std::filesystem::permissions(bin / "openarena", std::filesystem::perms::owner_all);
  TScripted_Interaction user;
  // Nothing found: nothing asked, and the offer stays for a later start.
  EXPECT_FALSE(Offer_Found_Engines(user, {config.Path()}));
  EXPECT_TRUE(user.Messages.empty());
  user.Answers = {TAnswer::No};
  EXPECT_FALSE(Offer_Found_Engines(user, {bin.Path()}));
  ASSERT_EQ(user.Messages.size(), 1u);
  EXPECT_NE(user.Messages[0].Text.find("openarena: " + (bin / "openarena")), std::string::npos);
  EXPECT_TRUE(Load_Engine_Profiles().Profiles.empty());
  EXPECT_FALSE(Offer_Found_Engines(user, {bin.Path()}));
  EXPECT_EQ(user.Messages.size(), 1u);

  // Settings of a new user: a yes keeps them with their kinds.
  ::unsetenv("XDG_CONFIG_HOME");
  const TTemp_Dir fresh;
  ::setenv("XDG_CONFIG_HOME", fresh.Path().c_str(), 1);
  user.Answers = {TAnswer::Yes};
  EXPECT_TRUE(Offer_Found_Engines(user, {bin.Path()}));
  const TEngine_Profiles kept = Load_Engine_Profiles();
  ASSERT_EQ(kept.Profiles.size(), 1u);
  EXPECT_EQ(kept.Profiles[0].Kind, TEngine_Kind::OpenArena);
  EXPECT_FALSE(Offer_Found_Engines(user, {bin.Path()}));
  EXPECT_EQ(user.Messages.size(), 2u);
}

}  // namespace
}  // namespace vorlix
