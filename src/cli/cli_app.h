#pragma once
// The scripting front end: vorlix-cli [--data-dir DIR] [--game-dir DIR] [--yes] [--no-save]
// [--wait SECONDS] COMMAND. Every command runs the start-up steps without windows, does its work
// and ends like closing the main window. Exit status: 0 done, 1 start-up or command failed, 2 wrong
// usage.
//
// A command is one function in the table of Cli_Commands(): it takes its arguments from a
// TCli_Args (wrong usage raises TCli_Usage_Error before anything is touched), calls
// context.Start() for the start-up, does its work and returns 0 or 1. The close runs afterwards
// for every command whose start-up succeeded.

#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cli/cli_args.h"
#include "cli/cli_interaction.h"

namespace vorlix {

struct TMain_State;
class TMaps_Tree;
struct TArena_Environment;
class TStartup;
class TUnsorted_Maps_List;

// The options that stand before (or anywhere beside) the command.
struct TCli_Options {
  std::optional<std::string> Data_Dir;
  std::optional<std::string> Game_Dir;
  bool Yes = false;
  bool No_Save = false;
  // How long to wait for another program to let go of the data folder.
  int Wait_Seconds = 0;
};

class TCli_Context {
 public:
  TCli_Context(TCli_Options options, TCli_Interaction& interaction, std::FILE* out);
  ~TCli_Context();
  TCli_Context(const TCli_Context&) = delete;
  TCli_Context& operator=(const TCli_Context&) = delete;

  // The start-up steps without windows (no splash, no drive search, no toolbar images). False
  // when it failed; the messages are out then and nothing will be saved.
  bool Start();
  // Ends like closing the main window: saves unless saving is suppressed or --no-save was given,
  // then removes TEMP. Does nothing unless the start-up succeeded; runs once (a later call
  // answers as the first did). False when a save failed (reported).
  bool Close();
  // After the close: frees the maps' records, the list and the tree, for a command that goes on
  // with the data folder's indexes alone (List(), Tree() and the state's database are gone then).
  void Release_Records();
  // After a pk3 rename: save and run the whole start-up again, as the main window does. Skipped
  // when saving is off (--no-save or a file of an incompatible format), since the save is the
  // point of it.
  void Reload();
  // The close that follows writes nothing (wrong usage found after the start-up).
  void Suppress_Saving();
  // The state the start-up built, with the unsorted maps list and the maps tree the main window
  // would show (only after Start() returned true).
  TMain_State& State();
  TUnsorted_Maps_List& List();
  TMaps_Tree& Tree();
  // What the arena commands work with, from the state.
  TArena_Environment Arena_Environment();

  // A message of the front end itself ("error: ..." on standard error).
  void Error(const std::string& text);
  // For a process that ends right after the command: the records, the list and the tree are
  // left to the end of the process instead of being freed one by one (a collection of a hundred
  // thousand maps takes a noticeable part of a start to free). Call once per process.
  void Keep_Records_Until_Process_Ends();
  // Holds a large object the command made as long as the records (freed with the context, or
  // left to the end of the process with the records).
  void Keep_With_Records(std::shared_ptr<const void> object) { Kept_.push_back(std::move(object)); }

  const TCli_Options Options;
  TCli_Interaction& Ui;
  std::FILE* Out;

 private:
  struct TViews;
  std::unique_ptr<TViews> Views_;
  std::vector<std::shared_ptr<const void>> Kept_;
  std::unique_ptr<TStartup> Startup_;
  bool Close_Pending_ = false;
  bool Closed_Ok_ = true;
};

using TCli_Command_Function = int (*)(TCli_Context& context, TCli_Args& args);

struct TCli_Command {
  std::string Name;       // one or two words: "sync", "arena create"
  std::string Arguments;  // what follows the name in the usage line
  std::string Summary;    // one or more lines of help
  TCli_Command_Function Run;
};

// Every command, in the order the help lists them.
const std::vector<TCli_Command>& Cli_Commands();

// The text of --help.
std::string Cli_Help_Text();

// The whole front end: parses the words (without the program name), runs the command and returns
// the exit status. Normal output goes to `out`, messages to `err`.
// `process_ends`: the process ends when this returns (the program's main); see
// TCli_Context::Keep_Records_Until_Process_Ends.
int Run_Vorlix_Cli(const std::vector<std::string>& words, std::FILE* out, std::FILE* err,
                   bool process_ends = false);

}  // namespace vorlix
