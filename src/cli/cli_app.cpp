#include "cli/cli_app.h"

#include <exception>
#include <optional>
#include <sstream>

#include "app/demo_install.h"
#include "app/options.h"
#include "cli/cli_output.h"
#include "vorlix_version.h"

namespace vorlix {

namespace {

constexpr const char* Program_Name = "vorlix-cli";

std::vector<std::string> Split_Words(const std::string& name) {
  std::vector<std::string> words;
  std::istringstream in(name);
  for (std::string word; in >> word;) {
    words.push_back(word);
  }
  return words;
}

// The command named by the first positional words; its words are taken out of `words`.
const TCli_Command* Find_Command(std::vector<std::string>& words) {
  const TCli_Command* best = nullptr;
  std::size_t best_length = 0;
  for (const auto& command : Cli_Commands()) {
    const auto name = Split_Words(command.Name);
    if (name.size() <= words.size() && name.size() > best_length &&
        std::equal(name.begin(), name.end(), words.begin())) {
      best = &command;
      best_length = name.size();
    }
  }
  if (best != nullptr) {
    words.erase(words.begin(), words.begin() + static_cast<std::ptrdiff_t>(best_length));
  }
  return best;
}

// The seconds of --wait: a whole number from 0 to a day.
int Wait_Seconds(const std::string& word) {
  constexpr int Most = 24 * 3600;
  int seconds = 0;
  for (const char c : word) {
    if (c < '0' || c > '9' || seconds > Most) {
      throw TCli_Usage_Error("option --wait needs a number of seconds, not \"" + word + "\"");
    }
    seconds = seconds * 10 + (c - '0');
  }
  if (word.empty() || seconds > Most) {
    throw TCli_Usage_Error("option --wait needs a number of seconds up to " + std::to_string(Most) +
                           ", not \"" + word + "\"");
  }
  return seconds;
}

}  // namespace

// ---- the front end ---------------------------------------------------------------------------

std::string Cli_Help_Text() {
  std::ostringstream text;
  text << "Usage: " << Program_Name
       << " [--data-dir DIR] [--game-dir DIR | --demo] [--engine PATH]\n"
       << "       " << std::string(std::char_traits<char>::length(Program_Name), ' ')
       << " [--server-engine PATH] [--yes] [--no-save]\n"
       << "       " << std::string(std::char_traits<char>::length(Program_Name), ' ')
       << " [--wait SECONDS] COMMAND [ARGUMENTS]\n"
       << "       " << Program_Name << " --engine PATH | --server-engine PATH | --demo\n"
       << "       " << Program_Name << " --help | --version\n\n"
       << "Runs the start-up of " << VORLIX_PRODUCT_NAME
       << " without windows (settings, game directory, MOD list, database\n"
          "synchronisation, unsorted maps list, bot information, maps tree), does the command's\n"
          "work, then ends like closing the main window: the settings, mapsdb.dat and\n"
          "mapstree.dat are saved and the TEMP folder is removed.\n\n"
          "Options:\n"
          "  --data-dir DIR  the folder of mapsdb.dat, mapstree.dat, LEVELSHOTS, BOTINFO and TEMP\n"
          "                  (default: the folder of the program)\n"
          "  --game-dir DIR  the Quake III Arena installation (default: the stored setting);\n"
          "                  there is no drive search: an invalid directory is an error\n"
          "  --engine PATH   the program a launch starts instead of the game directory's\n"
          "                  QUAKE3.EXE, stored as Q3A_EXE (--engine \"\" removes it)\n"
          "  --server-engine PATH  the program a hosted server runs (stored as\n"
          "                  Q3A_SERVER_EXE; a bare name is looked up in PATH); without it the\n"
          "                  launch's engine runs the server (--server-engine \"\" removes it)\n"
          "  --demo          arrange the demo installation of OpenArena's game data (Debian\n"
          "                  package openarena-data) and use it as the game directory\n"
          "  --yes           answer every question with Yes (otherwise No)\n"
          "  --no-save       write neither the settings nor mapsdb.dat nor mapstree.dat\n"
          "  --wait SECONDS  while another Vorlix uses the data folder, wait up to SECONDS for\n"
          "                  it to end (default 0: end at once with exit status 1)\n"
          "  --help          show this text\n"
          "  --version       show the version\n\n"
          "Commands:\n";
  for (const auto& command : Cli_Commands()) {
    text << "  " << command.Name;
    if (!command.Arguments.empty()) {
      text << " " << command.Arguments;
    }
    text << "\n";
    std::istringstream summary(command.Summary);
    for (std::string line; std::getline(summary, line);) {
      text << "      " << line << "\n";
    }
  }
  text << "\nEvery message the program would show in a box is written to standard error as one\n"
          "line \"<kind>: <text>\" (kind: error, information, confirmation, warning); the answer\n"
          "to a question follows as \" -> Yes\" or \" -> No\".\n\n"
          "Exit status: 0 done, 1 the start-up or the command failed, 2 wrong usage.\n";
  return text.str();
}

namespace {

// What the words before a command's own words ask for.
struct TCli_Start {
  TCli_Options Options;
  std::vector<std::string> Rest;  // the command's words, after its name
  const TCli_Command* Command = nullptr;
  std::optional<int> Exit_Status;  // set when the run ends before any command
};

// Takes the options that stand before the command: --yes, --no-save and --wait into `options`,
// the others (with the value of those that take one) into `shared`. Returns the index of the
// first word after them.
std::size_t Take_Leading_Options(const std::vector<std::string>& words, TCli_Options& options,
                                 std::vector<std::string>& shared) {
  std::size_t i = 0;
  while (i < words.size() && TCli_Args::Is_Option(words[i]) && words[i] != "--") {
    if (words[i] == "--yes") {
      options.Yes = true;
    } else if (words[i] == "--no-save") {
      options.No_Save = true;
    } else if (words[i] == "--wait") {
      if (i + 1 >= words.size()) {
        throw TCli_Usage_Error("option --wait needs a number of seconds");
      }
      options.Wait_Seconds = Wait_Seconds(words[++i]);
    } else {
      shared.push_back(words[i]);
      if ((words[i] == "--data-dir" || words[i] == "--game-dir" || words[i] == "--engine" ||
           words[i] == "--server-engine") &&
          i + 1 < words.size()) {
        shared.push_back(words[++i]);
      }
    }
    ++i;
  }
  return i;
}

// --engine, --server-engine and --demo do their work before any command; alone they are a command
// of their own (the demo sets the game directory). Writes their notes; the exit status when the
// run ends here.
std::optional<int> Apply_Leading_Setup(TProgram_Options& program, bool command_follows,
                                       std::FILE* err) {
  const TStart_Setup setup = Apply_Engine_And_Demo(program);
  for (const auto& note : setup.Notes) {
    std::fprintf(err, "%s\n", For_Stream(err, note).c_str());
  }
  if (setup.Exit_Status == 2) {
    throw TCli_Usage_Error(setup.Error);
  }
  if (setup.Exit_Status != 0) {
    std::fprintf(err, "error: %s\n", For_Stream(err, setup.Error).c_str());
    return setup.Exit_Status;
  }
  if (!command_follows) {
    return 0;
  }
  return std::nullopt;
}

// Reads the words up to the command: --help and --version, the options, the setup before any
// command, and the command named. Throws TCli_Usage_Error for wrong usage.
TCli_Start Read_Command_Line(const std::vector<std::string>& words, std::FILE* out,
                             std::FILE* err) {
  TCli_Start start;
  TCli_Args all(words);
  if (all.Flag("--help") || all.Flag("-h")) {
    const std::string help = Cli_Help_Text();
    std::fwrite(help.data(), 1, help.size(), out);
    start.Exit_Status = 0;
    return start;
  }
  if (all.Flag("--version")) {
    std::fprintf(out, "%s %s\n", Program_Name, VORLIX_VERSION);
    start.Exit_Status = 0;
    return start;
  }
  std::vector<std::string> shared;
  const std::size_t i = Take_Leading_Options(words, start.Options, shared);
  TOption_Parse parse = Parse_Options(shared);
  if (!parse.Ok()) {
    throw TCli_Usage_Error(parse.Error);
  }
  start.Rest.assign(words.begin() + static_cast<std::ptrdiff_t>(i), words.end());
  if (!start.Rest.empty() && start.Rest.front() == "--") {
    start.Rest.erase(start.Rest.begin());
  }
  if (start.Rest.empty() && !parse.Options.Engine && !parse.Options.Server_Engine &&
      !parse.Options.Demo) {
    throw TCli_Usage_Error("no command given");
  }
  start.Exit_Status = Apply_Leading_Setup(parse.Options, !start.Rest.empty(), err);
  if (start.Exit_Status) {
    return start;
  }
  start.Options.Data_Dir = parse.Options.Data_Dir;
  start.Options.Game_Dir = parse.Options.Game_Dir;
  start.Command = Find_Command(start.Rest);
  if (start.Command == nullptr) {
    throw TCli_Usage_Error("unknown command \"" + start.Rest.front() + "\"");
  }
  return start;
}

// Runs the command after the start-up and ends like closing the main window; a close whose save
// failed is a failure of the whole command.
int Run_Command(const TCli_Start& start, std::FILE* out, std::FILE* err, bool process_ends) {
  TCli_Interaction interaction(start.Options.Yes, err);
  TCli_Context context(start.Options, interaction, out);
  int status = 1;
  try {
    TCli_Args args(start.Rest);
    status = start.Command->Run(context, args);
  } catch (const TCli_Usage_Error& e) {
    std::fprintf(err, "error: %s\nUsage: %s %s %s\n", For_Stream(err, e.what()).c_str(),
                 Program_Name, start.Command->Name.c_str(), start.Command->Arguments.c_str());
    status = 2;
  } catch (const std::exception& e) {
    context.Error(e.what());
    status = 1;
  }
  try {
    if (!context.Close()) {
      status = status == 0 ? 1 : status;
    }
  } catch (const std::exception& e) {
    context.Error(e.what());
    status = 1;
  }
  std::fflush(out);
  if (process_ends) {
    context.Keep_Records_Until_Process_Ends();
  }
  return status;
}

}  // namespace

int Run_Vorlix_Cli(const std::vector<std::string>& words, std::FILE* out, std::FILE* err,
                   bool process_ends) {
  TCli_Start start;
  try {
    start = Read_Command_Line(words, out, err);
  } catch (const TCli_Usage_Error& e) {
    std::fprintf(err, "error: %s\nTry '%s --help'.\n", For_Stream(err, e.what()).c_str(),
                 Program_Name);
    return 2;
  }
  if (start.Exit_Status) {
    return *start.Exit_Status;
  }
  return Run_Command(start, out, err, process_ends);
}

}  // namespace vorlix
