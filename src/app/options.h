#pragma once
// Command-line options shared by the window program and the command-line program.
//
//   --data-dir DIR   use DIR instead of the default program directory for the program's own
//                    files (mapsdb.dat, mapstree.dat, LEVELSHOTS, BOTINFO, TEMP)
//   --game-dir DIR   use DIR as the game directory, as if it were the stored Q3A_DIR
//   --engine PATH    store PATH as the game's executable (Q3A_EXE); "" clears it
//   --server-engine PATH  store PATH as the program of a hosted server (Q3A_SERVER_EXE); "" clears
//   --demo           arrange and use the demo installation made of OpenArena's game data
//   -h, --help       print the usage text
//   --version        print the version

#include <optional>
#include <string>
#include <vector>

namespace vorlix {

struct TProgram_Options {
  std::optional<std::string> Data_Dir;
  std::optional<std::string> Game_Dir;
  std::optional<std::string> Engine;         // may be empty: clears the stored engine
  std::optional<std::string> Server_Engine;  // may be empty: clears the stored server program
  bool Demo = false;
  bool Help = false;
  bool Version = false;
  std::vector<std::string> Arguments;  // words that are not options, in order
};

struct TOption_Parse {
  TProgram_Options Options;
  std::string Error;  // empty when the arguments were understood
  bool Ok() const { return Error.empty(); }
};

// Parses the arguments after the program name. "--name VALUE" and "--name=VALUE" are both
// accepted; an unknown option, a missing value or a repeated option is an error. Words that are
// not options are collected in Arguments (a front end without commands rejects them).
TOption_Parse Parse_Options(const std::vector<std::string>& arguments);

// The usage lines of the shared options (without a leading "Usage:" line).
std::string Options_Help();

// The program directory for these options: the absolute --data-dir (created when missing; a
// folder that cannot be made or written is reported by the start-up), else the folder the user
// chose instead of the usual one (settings value DATA_DIR), else the default program directory
// (the executable's directory for a portable build, the user's data directory for an installed
// program).
std::string Program_Directory(const TProgram_Options& options);

// An absolute form of a directory given on the command line, without trailing separator.
std::string Absolute_Directory(const std::string& dir);

}  // namespace vorlix
