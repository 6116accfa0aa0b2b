#pragma once
// The demo installation: a game directory made of OpenArena's free game data, for a user without
// Quake III Arena. It lies below the user's data directory (<data home>/vorlix/demo) and holds
//   baseoa/*.pk3, missionpack/*.pk3   links to the archives of Debian's openarena-data
//   baseoa/*.so, baseoa/pak*/         links to the engine's game modules of Debian's openarena
//   QUAKE3.EXE                        a small script that starts OpenArena's engine on this
//                                     directory; it is the engine the demo stores
// Engines of the ioquake3 family insist on Quake III's own checksums for pak0 to pak8 in a
// directory named baseq3, so OpenArena's archives stay in their own MOD directory baseoa, and the
// engine is started as Debian's openarena launcher starts it (with baseoa as its base game), told
// to take the demo directory as its base path: arena files, disablers, renamed and deleted
// archives of the demo are what the game sees.
//
// The front ends' options --engine and --demo are applied here as well.

#include <string>
#include <vector>

namespace vorlix {

struct TProgram_Options;

// Where OpenArena's data and engine come from.
struct TDemo_Sources {
  std::string Data_Dir = "/usr/share/games/openarena";  // sub-directories holding pk3 archives
  std::string Engine = "/usr/games/openarena";          // Debian's launcher of the engine
  std::string Modules_Dir = "/usr/lib/openarena";       // the engine's game modules per MOD
};

inline constexpr const char* Demo_Folder_Name = "demo";
inline constexpr const char* Demo_Base_MOD = "baseoa";

struct TDemo_Installation {
  std::string Game_Dir;  // the demo's game directory
  std::string Engine;    // the engine to store as Q3A_EXE (the stand-in, which starts OpenArena's
                         // launcher); empty when that is not installed
  int Archives = 0;      // archive links in place after the arrangement
  std::string Error;     // empty when the demo is usable
};

// Arranges (or brings up to date) the demo installation in `demo_dir`: one MOD directory per
// sub-directory of the data holding pk3 archives, with a link per archive (links to archives
// that are gone are removed; files of the user's own, such as arena files, stay), and the
// QUAKE3.EXE stand-in (a file there that is not the stand-in is left alone).
TDemo_Installation Set_Up_Demo_Installation(const std::string& demo_dir,
                                            const TDemo_Sources& sources);

// The text of the QUAKE3.EXE stand-in: a shell script that runs `engine` (or, when that has
// gone, the openarena found in PATH) with the folder it lies in as base path and baseoa as base
// game, then its own arguments; without an engine, one that says how to get it and fails.
std::string Demo_Launcher_Script_Text(const std::string& engine);

// The program a user named with --engine: a path with a "/" must name an executable file (made
// absolute), a bare name is looked up as platform::Find_Program does. Empty when nothing executable
// was found.
std::string Resolve_Engine(const std::string& given);

// What applying --engine and --demo gave.
struct TStart_Setup {
  int Exit_Status = 0;             // 0 go on; 2 wrong usage; 1 the demo could not be arranged
  std::string Error;               // the message for standard error
  std::vector<std::string> Notes;  // what was done, one line each
};

// Applies --engine (stores Q3A_EXE; an empty value removes it), --server-engine (stores
// Q3A_SERVER_EXE the same way; a bare name is looked up in PATH) and --demo (arranges the demo in
// `demo_dir`, empty for <user data dir>/demo, sets the options' game directory to it and stores
// its engine as Q3A_EXE unless --engine was given too).
TStart_Setup Apply_Engine_And_Demo(TProgram_Options& options, const TDemo_Sources& sources = {},
                                   const std::string& demo_dir = {});

}  // namespace vorlix
