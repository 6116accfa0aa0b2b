// vorlix-cli end to end: a group or a search result exported as a map list, and a list
// imported as a new group.

#include "cli_runner.h"

namespace vorlix::testing {
namespace {

class Cli_Map_Lists : public Cli {
 protected:
  void SetUp() override {
    ASSERT_EQ(Run_With_Dirs({"sync"}).Status, 0);
    // "Arenas/Duel maps" shows EXTRA1 (1/0), then Q3DM1 (0/0); children are stored last first.
    Write_File(Data_ / "mapstree.dat", Tree_Group("Arenas", 1) + Tree_Group("Duel maps", 2) +
                                           Tree_Entry(0, 0) + Tree_Entry(0, 1));
  }
  const std::string Duel_Tree = "Arenas\n  Duel maps\n    EXTRA1\t1\t0\n    Q3DM1\t0\t0\n";
};

TEST_F(Cli_Map_Lists, A_Group_Exported_And_Imported_Again_Gives_The_Same_Maps_In_Order) {
  EXPECT_EQ(Run_Data({"tree"}).Out, Duel_Tree);
  const TRun_Result pool =
      Run_Data({"export", "--group", "Arenas/Duel maps", "--format", "mappool"});
  EXPECT_EQ(pool.Status, 0) << pool.Err;
  EXPECT_EQ(pool.Out, "extra1|ffa\nq3dm1|ffa\n");
  const std::string file = Output_ / "duel.txt";
  const TRun_Result cpma =
      Run_Data({"export", "--group", "Arenas/Duel maps", "--format=cpma", "--output", file});
  EXPECT_EQ(cpma.Status, 0) << cpma.Err;
  EXPECT_EQ(cpma.Out, "");
  EXPECT_EQ(Read_File(file), "extra1 2 32 20 0\nq3dm1 2 32 20 0\n");
  const std::string cfg = Output_ / "duel.cfg";
  const TRun_Result rotation =
      Run_Data({"export", "--group", "Arenas/Duel maps", "--format", "rotation", "--output", cfg});
  EXPECT_EQ(rotation.Status, 0) << rotation.Err;
  EXPECT_EQ(Read_File(cfg),
            "// Written by Vorlix: a map rotation. A server executing this file (exec) plays its "
            "maps in turn.\n"
            "set vorlix_m1 \"map extra1; set nextmap vstr vorlix_m2\"\n"
            "set vorlix_m2 \"map q3dm1; set nextmap vstr vorlix_m1\"\n"
            "vstr vorlix_m1\n");

  // While the maps stand in their group they stay there; in a tree without them (another
  // installation, or the group deleted) the list makes the same group again.
  const TRun_Result kept = Run_Data({"import-list", file, "--group", "Again"});
  EXPECT_EQ(kept.Status, 1);
  EXPECT_EQ(kept.Err,
            "warning: Maps of the list that are sorted into other groups and stay there (2): "
            "extra1, q3dm1.\nerror: The map list " +
                file + " names no unsorted map of the database: no group was made.\n");
  Write_File(Data_ / "mapstree.dat", Tree_Group("Arenas", 0));
  const TRun_Result imported = Run_Data({"import-list", file, "--group", "Again"});
  EXPECT_EQ(imported.Status, 0) << imported.Err;
  EXPECT_EQ(imported.Out, "group\tArenas/Again\t2 maps\n");
  EXPECT_EQ(Run_Data({"tree"}).Out, "Arenas\n  Again\n    EXTRA1\t1\t0\n    Q3DM1\t0\t0\n");
  // The same name again is refused; a search result exports too.
  EXPECT_EQ(Run_Data({"import-list", file, "--group", "Again"}).Err,
            "error: There is already a group \"Again\" in the maps tree.\n");
  EXPECT_EQ(Run_Data({"export", "--find", "arena", "--format", "plain"}).Out, "q3dm1\n");
  // The rotation makes the group again in the order it plays the maps.
  Write_File(Data_ / "mapstree.dat", Tree_Group("Arenas", 0));
  const TRun_Result served =
      Run_Data({"import-list", cfg, "--group", "Served", "--format", "rotation"});
  EXPECT_EQ(served.Status, 0) << served.Err;
  EXPECT_EQ(Run_Data({"tree"}).Out, "Arenas\n  Served\n    EXTRA1\t1\t0\n    Q3DM1\t0\t0\n");
}

TEST_F(Cli_Map_Lists, A_Name_Takes_The_Copy_The_Game_Loads_And_Unknown_Names_Are_Told) {
  // A later archive of the base directory holds Q3DM1 too: the game loads that one.
  Write_Pk3(Game_ / "baseq3/zzz_copy.pk3", {{"maps/Q3DM1.bsp", Make_Bsp(Entity_Text("Newer"))}});
  ASSERT_EQ(Run_With_Dirs({"sync"}).Status, 0);
  const std::string file = Output_ / "list.txt";
  Write_File(file, "# from a server\nQ3DM1\nnowhere\nmm1\n");
  const TRun_Result result = Run_Data({"import-list", file, "--group", "New"});
  EXPECT_EQ(result.Status, 0) << result.Err;
  EXPECT_EQ(result.Out, "group\tArenas/New\t2 maps\nunknown\tnowhere\n");
  EXPECT_EQ(result.Err, "warning: Names of the list without a map in the database (1): nowhere.\n");
  EXPECT_EQ(Run_Data({"tree"}).Out, Duel_Tree + "  New\n    Q3DM1\t3\t0\n    MM1\t2\t0\n");
  // With the MOD named, its own search path counts; without any map nothing is made.
  Write_File(file, "nowhere\n");
  EXPECT_EQ(Run_Data({"import-list", file, "--group", "None", "--mod", "mymod"}).Status, 1);
  EXPECT_EQ(Run_Data({"tree"}).Out.find("None"), std::string::npos);
}

TEST_F(Cli_Map_Lists, Bad_Files_And_Usage_Make_Nothing) {
  const std::string file = Output_ / "bad.txt";
  Write_File(file,
             "q3dm1\n../../etc/passwd\nsay\"hi\nre\x1b[31md\n" + std::string(5000, 'x') + "\n");
  const TRun_Result refused = Run_Data({"import-list", file, "--group", "Bad"});
  EXPECT_EQ(refused.Status, 1);
  EXPECT_EQ(refused.Err.rfind("error: The map list " + file +
                                  " was not imported: 4 of its lines name no map (line 2: ",
                              0),
            0u)
      << refused.Err;
  EXPECT_EQ(refused.Err.find('\x1b'), std::string::npos);
  EXPECT_EQ(Run_Data({"import-list", Output_ / "missing.txt", "--group", "Bad"}).Status, 1);
  // A rotation that would run another command on the server.
  const std::string cfg = Output_ / "bad.cfg";
  Write_File(cfg, "set r1 \"map q3dm1; set nextmap vstr r1\"\nrcon quit\nvstr r1\n");
  EXPECT_EQ(Run_Data({"import-list", cfg, "--group", "Bad"}).Err,
            "error: The map list " + cfg +
                " was not imported: 1 of its lines name no map (line 2: a command other than a "
                "rotation's set NAME \"map ...\" or vstr NAME).\n");
  EXPECT_EQ(Run_Data({"tree"}).Out, Duel_Tree);

  for (const std::vector<std::string>& words :
       {std::vector<std::string>{"export", "--format", "plain"},
        {"export", "--group", "Arenas", "--find", "--format", "plain"},
        {"export", "--group", "Arenas", "--format", "mapcycle"},
        {"import-list", file, "--group", "Bad", "--format", "mapcycle"},
        {"export", "--group", "Arenas"},
        {"import-list", file, "--group", "a/b"},
        {"import-list", file, "--group", ""},
        {"import-list", file}}) {
    EXPECT_EQ(Run_Data(words).Status, 2) << words.back();
  }
  EXPECT_EQ(Run_Data({"export", "--group", "Nowhere", "--format", "plain"}).Status, 1);
}

}  // namespace
}  // namespace vorlix::testing
