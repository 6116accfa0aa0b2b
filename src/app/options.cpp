#include "app/options.h"

#include <filesystem>
#include <stdexcept>
#include <system_error>

#include "core/install_layout.h"
#include "core/paths.h"
#include "core/settings.h"

namespace fs = std::filesystem;

namespace vorlix {

TOption_Parse Parse_Options(const std::vector<std::string>& arguments) {
  TOption_Parse parse;
  auto& options = parse.Options;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& word = arguments[i];
    if (word == "-h" || word == "--help") {
      options.Help = true;
      continue;
    }
    if (word == "--version") {
      options.Version = true;
      continue;
    }
    if (word == "--demo") {
      options.Demo = true;
      continue;
    }
    if (word.size() < 2 || word[0] != '-') {
      options.Arguments.push_back(word);
      continue;
    }
    std::string name = word;
    std::optional<std::string> value;
    if (const auto eq = word.find('='); eq != std::string::npos && word.rfind("--", 0) == 0) {
      name = word.substr(0, eq);
      value = word.substr(eq + 1);
    }
    std::optional<std::string>* target = nullptr;
    const char* needs = "a directory";
    if (name == "--data-dir") {
      target = &options.Data_Dir;
    } else if (name == "--game-dir") {
      target = &options.Game_Dir;
    } else if (name == "--engine") {
      target = &options.Engine;
      needs = "a program";
    } else if (name == "--server-engine") {
      target = &options.Server_Engine;
      needs = "a program";
    } else {
      parse.Error = "unknown option: " + word;
      return parse;
    }
    if (!value) {
      if (i + 1 >= arguments.size()) {
        parse.Error = "option " + name + " needs " + needs;
        return parse;
      }
      value = arguments[++i];
    }
    // An empty engine clears the stored one; an empty directory means nothing.
    if (value->empty() && target != &options.Engine && target != &options.Server_Engine) {
      parse.Error = "option " + name + " needs " + needs;
      return parse;
    }
    if (target->has_value()) {
      parse.Error = "option " + name + " given twice";
      return parse;
    }
    *target = *value;
  }
  return parse;
}

std::string Options_Help() {
  return "  --data-dir DIR   keep the program's files (mapsdb.dat, mapstree.dat, LEVELSHOTS,\n"
         "                   BOTINFO, TEMP) in DIR instead of the default program directory\n"
         "  --game-dir DIR   use DIR as the Quake III Arena directory (saved like a found one)\n"
         "  --engine PATH    start PATH instead of the game directory's QUAKE3.EXE from now on\n"
         "                   (stored as Q3A_EXE; --engine \"\" goes back to QUAKE3.EXE)\n"
         "  --server-engine PATH  run PATH as a hosted dedicated server from now on (stored\n"
         "                   as Q3A_SERVER_EXE; a bare name is looked up in PATH; \"\" goes\n"
         "                   back to the engine with +set dedicated 1)\n"
         "  --demo           arrange a demo installation from OpenArena's game data (Debian\n"
         "                   package openarena-data) and use it as the game directory\n"
         "  -h, --help       show this text\n"
         "  --version        show the version\n";
}

std::string Absolute_Directory(const std::string& dir) {
  std::error_code ec;
  fs::path path = fs::absolute(fs::path(dir), ec);
  if (ec) {
    path = fs::path(dir);
  }
  return platform::Without_Trailing_Separator(path.lexically_normal().string());
}

std::string Program_Directory(const TProgram_Options& options) {
  if (!options.Data_Dir) {
    // A folder the user chose when the usual one could not be written.
    const std::string chosen = Load_Data_Dir();
    return chosen.empty() ? Default_Program_Directory() : chosen;
  }
  std::string dir = Absolute_Directory(*options.Data_Dir);
  std::error_code ec;
  if (!fs::is_directory(fs::path(dir), ec)) {
    // A folder that cannot be made is the start-up's to report (Data_Folder_Problem).
    fs::create_directories(fs::path(dir), ec);
  }
  return dir;
}

}  // namespace vorlix
