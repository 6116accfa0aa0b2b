#include <gtest/gtest.h>

#include <string>

#include "launch/engine_log.h"

namespace vorlix::testing {
namespace {

// Excerpts of qconsole.log written by Debian's ioquake3 1.36 (ioq3ded and the client under
// Xvfb) with OpenArena's game code, on maps made for the purpose; search path lines left out.
const std::string Dedicated_Loaded =
    "------ Server Initialization ------\n"
    "Server: oa_dm1\n"
    "Hunk_Clear: reset the hunk ok\n"
    "We are looking in the current search path:\n"
    "5805 files in pk3 files\n"
    "Loading vm file vm/qagame.qvm...\n"
    "------- Game Initialization -------\n"
    "gamename: baseoa\n"
    "InitGame: \\version\\ioq3 1.36\\g_gametype\\0\\mapname\\oa_dm1\\sv_hostname\\noname\n"
    "Info: ServerInfo length: 785 of 1024\n"
    "^3!readconfig: ^7could not open admin config file admin.dat\n"
    "------------ Map Loading ------------\n"
    "trying to load maps/oa_dm1.aas\n"
    "33 bots parsed\n"
    "71 arenas parsed\n"
    "AAS initialized.\n"
    "----- Server Shutdown (Server quit) -----\n"
    "==== ShutdownGame ====\n";

const std::string Wrong_Version =
    "------ Server Initialization ------\n"
    "Server: badver\n"
    "RE_Shutdown( 0 )\n"
    "Hunk_Clear: reset the hunk ok\n"
    "5805 files in pk3 files\n"
    "********************\n"
    "ERROR: CM_LoadMap: maps/badver.bsp has wrong version number (99 should be 46)\n"
    "********************\n"
    "----- Server Shutdown (Server crashed: CM_LoadMap: maps/badver.bsp has wrong version number "
    "(99 should be 46)) -----\n";

const std::string Client_Loaded =
    "------ Server Initialization ------\n"
    "Server: oa_dm1\r\n"
    "RE_Shutdown( 0 )\n"
    "loaded maps/oa_dm1.aas\n"
    "^1WARNING: textures/oa/fiar.tga not present, using textures/oa/fiar.jpg instead\n"
    "^1WARNING: R_FindImageFile could not find 'textures/mine/glow.tga' in shader "
    "'textures/mine/glow'\n"
    "^1Couldn't find image file for shader models/players/grismlambert2SG\n"
    "^1WARNING: R_FindImageFile could not find 'textures/mine/glow.tga' in shader "
    "'textures/mine/glow2'\n"
    "CL_InitCGame:  0.82 seconds\n"
    "370 msec to draw all images\n"
    "Going from CS_PRIMED to CS_ACTIVE for UnnamedPlayer\n"
    "UnnamedPlayer^7 entered the game\n"
    "----- Server Shutdown (Server quit) -----\n";

TEST(Map_Load_Outcome, Reads_What_The_Engine_Said_Of_The_Map) {
  const TMap_Load_Outcome loaded = Read_Map_Load_Outcome(Dedicated_Loaded, "oa_dm1");
  EXPECT_EQ(loaded.Verdict, TLoad_Verdict::Loaded);
  EXPECT_TRUE(loaded.Error_Line.empty());
  EXPECT_TRUE(loaded.Missing_Images.empty());

  const TMap_Load_Outcome refused = Read_Map_Load_Outcome(Wrong_Version, "BadVer");
  EXPECT_EQ(refused.Verdict, TLoad_Verdict::Failed);
  EXPECT_EQ(refused.Error_Line,
            "ERROR: CM_LoadMap: maps/badver.bsp has wrong version number (99 should be 46)");

  const TMap_Load_Outcome missing = Read_Map_Load_Outcome(
      "Opening IP socket: 0.0.0.0:27960\n"
      "Can't find map maps/nosuchmap.bsp\n",
      "nosuchmap");
  EXPECT_EQ(missing.Verdict, TLoad_Verdict::Failed);
  EXPECT_EQ(missing.Error_Line, "Can't find map maps/nosuchmap.bsp");

  // A line that only names the map's file refuses nothing.
  EXPECT_EQ(
      Read_Map_Load_Outcome(Dedicated_Loaded + std::string(20, '-') + "oa_dm1.bsp\n", "oa_dm1")
          .Verdict,
      TLoad_Verdict::Loaded);

  // A log that never reached the map says nothing of it.
  EXPECT_EQ(Read_Map_Load_Outcome(Dedicated_Loaded, "oa_dm2").Verdict, TLoad_Verdict::Unknown);
  EXPECT_EQ(Read_Map_Load_Outcome(Wrong_Version, "oa_dm1").Verdict, TLoad_Verdict::Unknown);
  EXPECT_EQ(Read_Map_Load_Outcome("Can't find map maps/other.bsp\n", "oth").Verdict,
            TLoad_Verdict::Unknown);
  EXPECT_EQ(Read_Map_Load_Outcome("", "oa_dm1").Verdict, TLoad_Verdict::Unknown);
  // Started but ended before the game code ran on it (the engine was killed).
  EXPECT_EQ(
      Read_Map_Load_Outcome("Server: oa_dm1\nHunk_Clear: reset the hunk ok\n", "oa_dm1").Verdict,
      TLoad_Verdict::Unknown);
}

TEST(Map_Load_Outcome, A_Client_Names_The_Images_It_Could_Not_Find) {
  const TMap_Load_Outcome outcome = Read_Map_Load_Outcome(Client_Loaded, "OA_DM1");
  EXPECT_EQ(outcome.Verdict, TLoad_Verdict::Loaded);
  // Each once; an image found in another format is not missing.
  EXPECT_EQ(outcome.Missing_Images,
            (std::vector<std::string>{"textures/mine/glow.tga", "models/players/grismlambert2SG"}));

  // A drop during play is not the map's: the client had loaded it.
  const TMap_Load_Outcome dropped = Read_Map_Load_Outcome(Client_Loaded +
                                                              "********************\n"
                                                              "ERROR: Server disconnected\n"
                                                              "********************\n",
                                                          "oa_dm1");
  EXPECT_EQ(dropped.Verdict, TLoad_Verdict::Loaded);

  // Before the client had loaded it, an error is the map's, whether dropped or fatal.
  const std::string hunk =
      "Server: big\nloaded maps/big.aas\n^1ERROR: ^7Hunk_Alloc failed on 52428800\n";
  EXPECT_EQ(Read_Map_Load_Outcome(hunk, "big").Error_Line, "ERROR: Hunk_Alloc failed on 52428800");
  const TMap_Load_Outcome fatal =
      Read_Map_Load_Outcome("Server: big\nSys_Error: Z_Malloc: failed on allocation\n", "big");
  EXPECT_EQ(fatal.Verdict, TLoad_Verdict::Failed);
  EXPECT_EQ(fatal.Error_Line, "Sys_Error: Z_Malloc: failed on allocation");
}

TEST(Map_Load_Outcome, The_Last_Load_Of_The_Map_Counts) {
  // Failed, then loaded again by a later map command: loaded.
  const TMap_Load_Outcome again =
      Read_Map_Load_Outcome("Can't find map maps/oa_dm1.bsp\n" + Dedicated_Loaded, "oa_dm1");
  EXPECT_EQ(again.Verdict, TLoad_Verdict::Loaded);
  EXPECT_TRUE(again.Error_Line.empty());

  // Loaded, then failed when loaded once more.
  const std::string twice = Dedicated_Loaded +
                            "Server: oa_dm1\n"
                            "ERROR: MAX_PATCH_PLANES\n";
  EXPECT_EQ(Read_Map_Load_Outcome(twice, "oa_dm1").Error_Line, "ERROR: MAX_PATCH_PLANES");

  // An error while another map loads says nothing of this one, nor do its missing images.
  const std::string other = Client_Loaded +
                            "Server: badver\n"
                            "^1WARNING: R_FindImageFile could not find 'x.tga' in shader 'x'\n"
                            "ERROR: CM_LoadMap: maps/badver.bsp has wrong version number\n";
  const TMap_Load_Outcome kept = Read_Map_Load_Outcome(other, "oa_dm1");
  EXPECT_EQ(kept.Verdict, TLoad_Verdict::Loaded);
  EXPECT_EQ(kept.Missing_Images.size(), 2U);
  EXPECT_EQ(Read_Map_Load_Outcome(other, "badver").Missing_Images,
            std::vector<std::string>{"x.tga"});
}

TEST(Map_Load_Outcome, A_Servers_Rotation_Is_Read_In_One_Pass) {
  const std::map<std::string, TMap_Load_Outcome> outcomes =
      Read_Map_Load_Outcomes(Dedicated_Loaded + Wrong_Version +
                             "Server: Q3DM1\nCan't find map maps/gone.bsp\nInitGame: \\x\n");
  ASSERT_EQ(outcomes.size(), 4U);
  EXPECT_EQ(outcomes.at("oa_dm1").Verdict, TLoad_Verdict::Loaded);
  EXPECT_EQ(outcomes.at("badver").Verdict, TLoad_Verdict::Failed);
  // A map not found is the engine's answer to its name, whatever map was loading.
  EXPECT_EQ(outcomes.at("gone").Error_Line, "Can't find map maps/gone.bsp");
  EXPECT_EQ(outcomes.at("q3dm1").Verdict, TLoad_Verdict::Loaded);
}

TEST(Map_Load_Outcome, Colour_Codes_Go_As_The_Engine_Drops_Them) {
  EXPECT_EQ(Without_Colour_Codes("^1ERROR: ^7x^^2y"), "ERROR: x^y");
  // Only a letter or digit after the caret makes a code.
  EXPECT_EQ(Without_Colour_Codes("a^ b^!c^"), "a^ b^!c^");
  EXPECT_EQ(Without_Colour_Codes("^a^Z^9"), "");
}

}  // namespace
}  // namespace vorlix::testing
