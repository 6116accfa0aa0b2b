// vorlix-cli serve: a group of the tree as a dedicated server's rotation, end to end; and what
// never reaches the engine's command line at a launch.

#include "cli_runner.h"

namespace vorlix::testing {
namespace {

class Cli_Serve : public Cli {
 protected:
  void SetUp() override {
    ASSERT_EQ(Run_With_Dirs({"sync"}).Status, 0);
    // q3dm1 and extra1 in baseq3, mm1 in MyMod (usable with MyMod only).
    Write_File(Data_ / "mapstree.dat", Tree_Group("Arenas", 1) + Tree_Group("Server", 3) +
                                           Tree_Entry(0, 1) + Tree_Entry(0, 2) + Tree_Entry(0, 0));
    ASSERT_EQ(Run_Data({"tree"}).Out,
              "Arenas\n  Server\n    Q3DM1\t0\t0\n    MM1\t2\t0\n    EXTRA1\t1\t0\n");
  }
  TRun_Result Serve(std::vector<std::string> more) {
    std::vector<std::string> words = {"serve", "--group", "Arenas/Server", "--mod", "BASEQ3"};
    words.insert(words.end(), more.begin(), more.end());
    return Run_Data(words);
  }
  std::string Config() { return Read_File(Game_ / "baseq3/vorlix_server.cfg"); }
};

TEST_F(Cli_Serve, Dry_Run_Writes_The_Rotation_And_Prints_The_Command_Line) {
  TRun_Result result = Serve({"--bots", "2", "--skill", "3", "--timelimit", "10", "--dry-run"});
  ASSERT_EQ(result.Status, 0) << result.Err;
  EXPECT_EQ(result.Out, Game_ / "QUAKE3.EXE" + " +set fs_homepath " + Game_.Path() +
                            " +set fs_game baseq3 +set dedicated 1 +set net_port 27960 +exec "
                            "vorlix_server.cfg\n");
  EXPECT_NE(result.Err.find("information: Left out of the rotation: mm1, not usable with BASEQ3."),
            std::string::npos);
  const std::string config = Config();
  const std::string chain =
      "set vorlix_m1 \"map q3dm1; set nextmap vstr vorlix_m2\"\n"
      "set vorlix_m2 \"map extra1; set nextmap vstr vorlix_m1\"\nvstr vorlix_m1\n";
  EXPECT_NE(config.find(chain), std::string::npos) << config;
  for (const char* line : {"\nset bot_minplayers 2\n", "\nset g_spSkill 3\n",
                           "\nset timelimit 10\n", "\nset g_gametype 0\n"}) {
    EXPECT_NE(config.find(line), std::string::npos) << line;
  }
}

TEST_F(Cli_Serve, A_Dry_Run_Warns_When_The_Server_Cannot_Keep_Every_Archive_Open) {
  // A server program that starts ioq3ded, which keeps each archive open: baseq3's 12 archives
  // leave it too little room for its own 10 files under an open-file limit of 21.
  const std::string server = Game_ / "q3-ded";
  Write_File(server, "#!/bin/sh\nexec ioq3ded \"$@\"\n");
  fs::permissions(server, fs::perms::owner_exec, fs::perm_options::add);
  for (int i = 0; i < 10; ++i) {
    Write_Pk3(Game_ / ("baseq3/more" + std::to_string(i) + ".pk3"), {{"readme.txt", "x"}});
  }
  ASSERT_EQ(Run_With_Dirs({"sync"}).Status, 0);
  TRun_Result result = Serve({"--server-engine", server, "--dry-run"});
  ASSERT_EQ(result.Status, 0) << result.Err;
  EXPECT_EQ(result.Err.find("The engine keeps"), std::string::npos) << result.Err;
  Command_Prefix_ = "prlimit --nofile=21 ";
  result = Serve({"--server-engine", server, "--dry-run"});
  ASSERT_EQ(result.Status, 0) << result.Err;
  EXPECT_NE(result.Err.find("warning: The engine keeps every archive open: with 12 archives in its "
                            "search path it has room for at most 11 beside its own files"),
            std::string::npos)
      << result.Err;
  EXPECT_EQ(result.Out.find(server + " +set fs_homepath "), 0U) << result.Out;
}

TEST_F(Cli_Serve, An_Engine_Profile_Runs_The_Server_Its_Kind_Deciding_The_Warning) {
  // A program whose bytes tell nothing: the kind says whether it keeps every archive open.
  const std::string server = Game_ / "server";
  Write_File(server, "#!/bin/sh\n");
  fs::permissions(server, fs::perms::owner_exec, fs::perm_options::add);
  for (int i = 0; i < 10; ++i) {
    Write_Pk3(Game_ / ("baseq3/more" + std::to_string(i) + ".pk3"), {{"readme.txt", "x"}});
  }
  ASSERT_EQ(Run_With_Dirs({"sync"}).Status, 0);
  ASSERT_EQ(Run({"engines", "add", "ioq3", server, "--kind", "ioquake3", "--args",
                 "+set com_hunkMegs 256"})
                .Status,
            0);
  ASSERT_EQ(Run({"engines", "add", "q3e", server, "--kind", "quake3e"}).Status, 0);
  ASSERT_EQ(Run({"engines", "add", "plain", server}).Status, 0);
  Command_Prefix_ = "prlimit --nofile=21 ";
  const std::string warning = "warning: The engine keeps every archive open";
  TRun_Result result = Serve({"--engine-profile", "ioq3", "--dry-run"});
  ASSERT_EQ(result.Status, 0) << result.Err;
  EXPECT_NE(result.Err.find(warning), std::string::npos) << result.Err;
  const std::string base_path = " +set fs_basepath " + Game_.Path();
  EXPECT_EQ(result.Out.find(server + base_path + " +set com_hunkMegs 256 +set fs_homepath "), 0U)
      << result.Out;
  for (const char* quiet : {"q3e", "plain"}) {
    result = Serve({"--engine-profile", quiet, "--dry-run"});
    ASSERT_EQ(result.Status, 0) << result.Err;
    EXPECT_EQ(result.Err.find(warning), std::string::npos) << quiet << result.Err;
    EXPECT_EQ(result.Out.find(server + base_path + " +set fs_homepath "), 0U) << result.Out;
  }
  // The MOD's default runs the server when none is asked for; a server program given wins.
  ASSERT_EQ(Run({"engines", "default", "ioq3", "--mod", "baseq3"}).Status, 0);
  EXPECT_EQ(Serve({"--dry-run"}).Out.find(server + base_path + " +set com_hunkMegs 256 "), 0U);
  const std::string other = Game_ / "other-server";
  Write_File(other, "#!/bin/sh\n");
  fs::permissions(other, fs::perms::owner_exec, fs::perm_options::add);
  EXPECT_EQ(Serve({"--server-engine", other, "--dry-run"}).Out.find(other + " +set fs_homepath "),
            0U);
  EXPECT_EQ(Serve({"--server-engine", server, "--engine-profile", "q3e"}).Status, 2);
}

TEST_F(Cli_Serve, Exit_Statuses_For_No_Map_And_Bad_Input) {
  struct Case {
    std::vector<std::string> Words;
    int Status;
    const char* Message;
  };
  const Case cases[] = {
      {{"--type", "ctf"}, 1, "No map of the group can be played with BASEQ3 as Capture The Flag."},
      {{"--type", "deathmatch"}, 2, "unknown game type \"deathmatch\""},
  };
  for (const Case& c : cases) {
    std::vector<std::string> words = c.Words;
    words.emplace_back("--dry-run");
    const TRun_Result result = Serve(words);
    EXPECT_EQ(result.Status, c.Status) << c.Message;
    EXPECT_NE(result.Err.find(c.Message), std::string::npos) << result.Err;
    EXPECT_EQ(result.Out, "");
  }
  EXPECT_FALSE(fs::exists(Game_ / "baseq3/vorlix_server.cfg"));
  // A server program given to a command that is refused is not stored.
  const TGame_Recorder server(Output_ / "server");
  EXPECT_EQ(Serve({"--port", "0", "--server-engine", server.Script, "--dry-run"}).Status, 2);
  EXPECT_EQ(Serve({"--type", "ctf", "--server-engine", server.Script, "--dry-run"}).Status, 1);
  EXPECT_EQ(Settings().find("Q3A_SERVER_EXE"), std::string::npos) << Settings();
}

TEST_F(Cli_Serve, Starts_The_Stored_Server_Program_And_Prints_Its_Process_ID) {
  const TGame_Recorder server(Output_ / "oa server");
  const TRun_Result result = Serve({"--port", "27977", "--server-engine", server.Script});
  ASSERT_EQ(result.Status, 0) << result.Err;
  EXPECT_NE(Settings().find("Q3A_SERVER_EXE=" + server.Script), std::string::npos);
  EXPECT_NE(result.Out.find("\nserver process ID: "), std::string::npos);
  EXPECT_EQ(server.Wait(), Game_.Path() + "\n+set\nfs_homepath\n" + Game_.Path() +
                               "\n+set\nfs_game\nbaseq3\n+set\ndedicated\n1\n+set\nnet_port\n"
                               "27977\n+exec\nvorlix_server.cfg\n");
  EXPECT_NE(Config().find("map q3dm1;"), std::string::npos);
}

TEST_F(Cli, Launch_Refuses_A_Map_Name_The_Engine_Would_Run_As_Commands) {
  Write_Pk3(Game_ / "baseq3/zz_hostile.pk3",
            {{"maps/x;echo injected.bsp", Make_Bsp(Entity_Text("Hostile"))}});
  const TGame_Recorder game(Output_ / "engine");
  ASSERT_EQ(Run_With_Dirs({"--engine", game.Script, "sync"}).Status, 0);
  Write_File(Data_ / "mapstree.dat", Tree_Group("Bad", 1) + Tree_Entry(0, 2));
  const std::vector<std::vector<std::string>> commands = {
      {"launch", "2", "0"},
      {"launch", "2", "0", "--dry-run"},
      {"random", "--group", "Bad", "--launch"},
  };
  for (const auto& words : commands) {
    const TRun_Result result = Run_Data(words);
    EXPECT_EQ(result.Status, 1) << words[0] << result.Out;
    EXPECT_NE(result.Err.find("error: The map X;ECHO INJECTED.BSP cannot be launched"),
              std::string::npos)
        << result.Err;
  }
  EXPECT_EQ(game.Wait(std::chrono::milliseconds(300)), "");
}

}  // namespace
}  // namespace vorlix::testing
