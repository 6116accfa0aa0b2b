// vorlix-cli end to end: engine profiles kept, listed, made a MOD's default and launched with
// their extra arguments first.

#include "cli_runner.h"

namespace vorlix::testing {
namespace {

TEST_F(Cli, Engine_Profiles_Launch_With_Their_Arguments_First) {
  const TGame_Recorder stored(Output_ / "stored");
  const TGame_Recorder quake3e(Output_ / "bin/quake3e");
  ASSERT_EQ(Run({"--engine", stored.Script}).Status, 0);

  ASSERT_EQ(Run({"engines", "add", "q3e", quake3e.Script, "--kind", "quake3e", "--args",
                 "+set com_hunkMegs 256"})
                .Status,
            0);
  ASSERT_EQ(Run({"engines", "add", "gone", "/nonexistent/ioq3"}).Status, 0);
  // Arguments the engine would split, a name taken and an unknown kind are refused.
  TRun_Result result =
      Run({"engines", "add", "bad", quake3e.Script, "--args", "+set sv_hostname \"a;b\""});
  EXPECT_EQ(result.Status, 1);
  EXPECT_NE(result.Err.find("\"a;b\" cannot be handed to it"), std::string::npos) << result.Err;
  EXPECT_EQ(Run({"engines", "add", "q3e", "/bin/true"}).Status, 1);
  EXPECT_EQ(Run({"engines", "add", "x", "/bin/true", "--kind", "q4"}).Status, 2);
  ASSERT_EQ(Run({"engines", "default", "q3e", "--mod", "BaseQ3"}).Status, 0);
  EXPECT_EQ(Run({"engines", "default", "nothing"}).Status, 1);

  result = Run({"engines", "list"});
  ASSERT_EQ(result.Status, 0);
  const std::string q3e_line =
      "q3e\tquake3e\t" + quake3e.Script + "\tavailable\t+set com_hunkMegs 256\tBaseQ3\n";
  EXPECT_EQ(result.Out.substr(0, q3e_line.size()), q3e_line);
  EXPECT_NE(result.Out.find("gone\tother\t/nonexistent/ioq3\t"), std::string::npos);
  EXPECT_NE(result.Out.find("\"/nonexistent/ioq3\""), std::string::npos) << result.Out;

  // The MOD's default runs with its words first; the stored engine is left alone.
  ASSERT_EQ(Run_With_Dirs({"launch", "0", "0"}).Status, 0);
  // The profile's engine is told where the game directory is, first.
  EXPECT_EQ(quake3e.Wait(), Game_.Path() + "\n+set\nfs_basepath\n" + Game_.Path() +
                                "\n+set\ncom_hunkMegs\n256\n+set\nfs_game\nbaseq3\n"
                                "+seta\ng_gametype\n0\n+map\nQ3DM1\n+sv_maxclients\n8\n"
                                "+timelimit\n0\n+fraglimit\n20\n+capturelimit\n8\n");
  EXPECT_EQ(stored.Wait(std::chrono::milliseconds(100)), "");
  // Another profile asked for wins over the MOD's default; an unknown one starts nothing.
  result = Run_Data({"launch", "0", "0", "--engine-profile", "gone", "--dry-run"});
  const std::string base_path = " +set fs_basepath " + Game_.Path();
  EXPECT_EQ(result.Out, "/nonexistent/ioq3" + base_path + Q3dm1_Arguments + "\n");
  result = Run_Data({"launch", "0", "0", "--engine-profile", "none"});
  EXPECT_EQ(result.Status, 1);
  EXPECT_NE(result.Err.find("no engine named none"), std::string::npos);

  // The queue's next map and a random one are launched the same way.
  ASSERT_EQ(Run_Data({"later", "add", "0", "0"}).Status, 0);
  EXPECT_EQ(Run_Data({"later", "next", "--engine-profile", "gone", "--dry-run"}).Out,
            "/nonexistent/ioq3" + base_path + Q3dm1_Arguments + "\n");
  EXPECT_EQ(Run_Data({"random", "--engine-profile", "gone"}).Status, 2);

  // The launch's own 7 commands and the base path leave room for 23 of a profile's before the
  // engine's 31.
  std::string most;
  for (int i = 0; i < 23; ++i) {
    most += " +set v" + std::to_string(i) + " 1";
  }
  ASSERT_EQ(Run({"engines", "add", "most", quake3e.Script, "--args", most}).Status, 0);
  ASSERT_EQ(Run({"engines", "add", "over", quake3e.Script, "--args", most + " +set w 1"}).Status,
            0);
  result = Run_Data({"launch", "0", "0", "--engine-profile", "most", "--dry-run"});
  EXPECT_EQ(result.Out, quake3e.Script + base_path + most + Q3dm1_Arguments + "\n") << result.Err;
  result = Run_Data({"launch", "0", "0", "--engine-profile", "over", "--dry-run"});
  EXPECT_EQ(result.Status, 1);
  EXPECT_NE(result.Err.find("this one holds 32"), std::string::npos) << result.Err;

  // Removed, the profile takes its default along: the stored engine launches again.
  ASSERT_EQ(Run({"engines", "remove", "q3e"}).Status, 0);
  EXPECT_EQ(Run({"engines", "remove", "q3e"}).Status, 1);
  EXPECT_EQ(Run_Data({"launch", "0", "0", "--dry-run"}).Out,
            stored.Script + Q3dm1_Arguments + "\n");
  EXPECT_EQ(Run({"engines", "list"}).Out.find("q3e"), std::string::npos);
}

TEST_F(Cli, Engines_Found_In_PATH_Are_Offered_Until_A_Profile_Starts_Them) {
  const std::string folder = Output_ / "path";
  for (const char* name : {"ioq3", "openarena", "quake3"}) {
    Write_File(folder + "/" + name, "#!/bin/sh\n");
    fs::permissions(folder + "/" + name, fs::perms::owner_all);
  }
  Command_Prefix_ = "PATH=" + Quote(folder) + " ";
  TRun_Result result = Run({"engines", "found"});
  ASSERT_EQ(result.Status, 0) << result.Err;
  EXPECT_NE(result.Out.find("ioq3\tioquake3\t" + folder + "/ioq3\n"), std::string::npos);
  EXPECT_NE(result.Out.find("openarena\topenarena\t" + folder + "/openarena\n"), std::string::npos);
  EXPECT_EQ(result.Out.find(folder + "/quake3\n"), std::string::npos);
  // Kept under its bare name, found in the same place: no longer offered.
  ASSERT_EQ(Run({"engines", "add", "oa", "openarena", "--kind", "openarena"}).Status, 0);
  result = Run({"engines", "found"});
  EXPECT_NE(result.Out.find(folder + "/ioq3\n"), std::string::npos);
  EXPECT_EQ(result.Out.find(folder + "/openarena"), std::string::npos) << result.Out;
}

TEST_F(Cli, Engines_Check_Tells_What_The_Profiles_Kind_Says) {
  // A script that starts ioquake3: told as keeping its archives open, unless the kind says not.
  const std::string program = Output_ / "engine";
  Write_File(program, "#!/bin/sh\nexec /usr/lib/ioquake3/ioquake3 \"$@\"\n");
  fs::permissions(program, fs::perms::owner_all);
  ASSERT_EQ(Run({"engines", "add", "q3e", program, "--kind", "quake3e"}).Status, 0);
  ASSERT_EQ(Run({"engines", "add", "detected", program}).Status, 0);
  ASSERT_EQ(Run_With_Dirs({"sync"}).Status, 0);
  TRun_Result result = Run_Data({"engines", "check", "--engine-profile", "q3e"});
  ASSERT_EQ(result.Status, 0) << result.Err;
  EXPECT_EQ(result.Out.find("engine\t" + program + "\nkeeps its archives open\tno\n"), 0U)
      << result.Out;
  result = Run_Data({"engines", "check", "--engine-profile", "detected"});
  EXPECT_EQ(result.Out.find("engine\t" + program + "\nkeeps its archives open\tyes\n"), 0U)
      << result.Out;
  EXPECT_EQ(Run_Data({"engines", "check", "--engine-profile", "none"}).Status, 1);
}

}  // namespace
}  // namespace vorlix::testing
