#include "app/demo_install.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <system_error>

#include <unistd.h>

#include "app/options.h"
#include "core/install_layout.h"
#include "core/letter_case.h"
#include "core/listing.h"
#include "core/paths.h"
#include "core/program_lookup.h"
#include "core/settings.h"

namespace fs = std::filesystem;

namespace vorlix {

namespace {

constexpr const char* Launcher_Script_Mark = "#!/bin/sh\n# Vorlix demo installation:";
constexpr const char* Stand_In_Name = "QUAKE3.EXE";

bool Is_Pk3_Name(const std::string& name) {
  const std::string upper = platform::Upper(name);
  return upper.size() > 4 && upper.compare(upper.size() - 4, 4, ".PK3") == 0;
}

bool Is_Executable_File(const std::string& path) {
  std::error_code ec;
  return fs::is_regular_file(fs::path(path), ec) && ::access(path.c_str(), X_OK) == 0;
}

std::string Shell_Quoted(const std::string& text) {
  std::string quoted = "'";
  for (const char c : text) {
    if (c == '\'') {
      quoted += "'\\''";
    } else {
      quoted += c;
    }
  }
  return quoted + "'";
}

std::string Read_Start(const std::string& path, std::size_t count) {
  std::ifstream in(path, std::ios::binary);
  std::string data(count, '\0');
  in.read(data.data(), static_cast<std::streamsize>(count));
  data.resize(static_cast<std::size_t>(in.gcount()));
  return data;
}

// Links the named entries of one source folder into the demo's MOD folder; links of an earlier
// arrangement into that source folder whose entries are gone are removed. Returns the number of
// links in place.
int Link_Entries(const std::string& source_dir, const std::vector<std::string>& archives,
                 const std::string& mod_dir, std::string& error) {
  std::error_code ec;
  fs::create_directories(fs::path(mod_dir), ec);
  if (!fs::is_directory(fs::path(mod_dir))) {
    error = "Cannot create the folder " + mod_dir + (ec ? ": " + ec.message() : std::string());
    return 0;
  }
  const std::set<std::string> wanted(archives.begin(), archives.end());
  // Links of an earlier arrangement to entries that are gone.
  if (const auto entries = platform::List_Directory(mod_dir)) {
    for (const auto& entry : *entries) {
      if (!entry.Is_Symlink) {
        continue;
      }
      const std::string link = platform::Join(mod_dir, entry.Name);
      const fs::path target = fs::read_symlink(fs::path(link), ec);
      if (!ec && target.parent_path() == fs::path(source_dir) &&
          wanted.count(target.filename().string()) == 0) {
        fs::remove(fs::path(link), ec);
      }
    }
  }
  int linked = 0;
  for (const auto& name : archives) {
    const fs::path source = fs::path(platform::Join(source_dir, name));
    const fs::path link = fs::path(platform::Join(mod_dir, name));
    const fs::file_status status = fs::symlink_status(link, ec);
    if (fs::is_symlink(status)) {
      if (fs::read_symlink(link, ec) == source) {
        ++linked;
        continue;
      }
      fs::remove(link, ec);
    } else if (fs::exists(status)) {
      continue;  // a file of the user's own under that name
    }
    fs::create_symlink(source, link, ec);
    if (ec) {
      error = "Cannot link " + source.string() + " into " + mod_dir + ": " + ec.message();
      return linked;
    }
    ++linked;
  }
  return linked;
}

bool Write_Stand_In(const std::string& path, const std::string& text, std::string& error) {
  std::error_code ec;
  if (fs::exists(fs::symlink_status(fs::path(path), ec)) &&
      Read_Start(path, std::char_traits<char>::length(Launcher_Script_Mark)) !=
          Launcher_Script_Mark) {
    return true;  // the user put an executable of their own there
  }
  if (Read_Start(path, text.size() + 1) == text) {
    return true;
  }
  {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    if (!out.flush()) {
      error = "Cannot write " + path;
      return false;
    }
  }
  fs::permissions(fs::path(path),
                  fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                      fs::perms::others_read | fs::perms::others_exec,
                  ec);
  if (ec) {
    error = "Cannot make " + path + " executable: " + ec.message();
    return false;
  }
  return true;
}

}  // namespace

std::string Demo_Launcher_Script_Text(const std::string& engine) {
  std::ostringstream text;
  text << Launcher_Script_Mark << " stands in for Quake III Arena's executable.\n";
  if (!engine.empty()) {
    text
        << "# It starts OpenArena's engine on the game directory it lies in.\n"
        << "here=$(cd \"$(dirname \"$0\")\" && pwd) || exit 1\n"
        << "engine=" << Shell_Quoted(engine) << "\n"
        << "[ -x \"$engine\" ] || engine=$(command -v openarena) || {\n"
        << "  echo 'The OpenArena engine is not installed. Install the Debian package openarena.' >&2\n"
        << "  exit 1\n"
        << "}\n"
        << "exec \"$engine\" +set fs_basepath \"$here\" +set com_basegame " << Demo_Base_MOD
        << " \"$@\"\n";
  } else {
    text
        << "echo 'The OpenArena engine is not installed. Install the Debian package openarena, or choose an engine with: vorlix --engine PATH' >&2\n"
           "exit 1\n";
  }
  return text.str();
}

TDemo_Installation Set_Up_Demo_Installation(const std::string& demo_dir,
                                            const TDemo_Sources& sources) {
  TDemo_Installation demo;
  demo.Game_Dir = platform::Without_Trailing_Separator(demo_dir);
  const std::string data_dir = platform::Without_Trailing_Separator(sources.Data_Dir);
  const auto folders = platform::List_Directory(data_dir);
  bool has_base = false;
  if (folders) {
    for (const auto& folder : *folders) {
      if (!folder.Is_Directory) {
        continue;
      }
      const std::string source_dir = platform::Join(data_dir, folder.Name);
      std::vector<std::string> archives;
      if (const auto entries = platform::List_Directory(source_dir)) {
        for (const auto& entry : *entries) {
          if (!entry.Is_Directory && Is_Pk3_Name(entry.Name)) {
            archives.push_back(entry.Name);
          }
        }
      }
      if (archives.empty()) {
        continue;
      }
      has_base = has_base || folder.Name == Demo_Base_MOD;
      const std::string mod_dir = platform::Join(demo.Game_Dir, folder.Name);
      demo.Archives += Link_Entries(source_dir, archives, mod_dir, demo.Error);
      // The engine's game modules for this MOD (native libraries, also per archive in folders
      // named after it), which the engine looks for below its base path.
      const std::string modules_dir =
          platform::Join(platform::Without_Trailing_Separator(sources.Modules_Dir), folder.Name);
      std::vector<std::string> modules;
      if (const auto entries = platform::List_Directory(modules_dir)) {
        for (const auto& entry : *entries) {
          if (!entry.Is_Hidden && !Is_Pk3_Name(entry.Name)) {
            modules.push_back(entry.Name);
          }
        }
      }
      Link_Entries(modules_dir, modules, mod_dir, demo.Error);
      if (!demo.Error.empty()) {
        return demo;
      }
    }
  }
  if (!has_base) {
    demo.Error = "OpenArena's game data was not found (no pk3 archive in " +
                 platform::Join(data_dir, Demo_Base_MOD) +
                 "). Install the Debian package openarena-data.";
    return demo;
  }
  const bool engine_installed = !sources.Engine.empty() && Is_Executable_File(sources.Engine);
  const std::string stand_in = platform::Join(demo.Game_Dir, Stand_In_Name);
  const std::string text =
      Demo_Launcher_Script_Text(engine_installed ? sources.Engine : std::string());
  if (Write_Stand_In(stand_in, text, demo.Error) && engine_installed) {
    // The stand-in is the engine to store; an executable of the user's own in its place is not.
    demo.Engine = Read_Start(stand_in, text.size() + 1) == text ? stand_in : sources.Engine;
  }
  return demo;
}

std::string Resolve_Engine(const std::string& given) {
  if (given.empty()) {
    return {};
  }
  if (given.find('/') != std::string::npos) {
    const std::string path = Absolute_Directory(given);
    return Is_Executable_File(path) ? path : std::string();
  }
  return platform::Find_Program(given).Path;
}

TStart_Setup Apply_Engine_And_Demo(TProgram_Options& options, const TDemo_Sources& sources,
                                   const std::string& demo_dir) {
  TStart_Setup setup;
  if (options.Demo && options.Game_Dir) {
    setup.Exit_Status = 2;
    setup.Error = "--demo and --game-dir cannot be used together";
    return setup;
  }
  if (options.Engine) {
    const std::string engine = Resolve_Engine(*options.Engine);
    if (!options.Engine->empty() && engine.empty()) {
      setup.Exit_Status = 2;
      setup.Error = "no executable program " + *options.Engine;
      return setup;
    }
    if (!Save_Q3A_Exe(engine)) {
      setup.Exit_Status = 1;
      setup.Error = "cannot write the settings file " + Settings_File_Path();
      return setup;
    }
    setup.Notes.push_back(engine.empty() ? "engine: the game directory's QUAKE3.EXE"
                                         : "engine: " + engine);
  }
  if (options.Server_Engine) {
    const std::string server = Resolve_Engine(*options.Server_Engine);
    if (!options.Server_Engine->empty() && server.empty()) {
      setup.Exit_Status = 2;
      setup.Error = "no executable program " + *options.Server_Engine;
      return setup;
    }
    if (!Save_Q3A_Server_Exe(server)) {
      setup.Exit_Status = 1;
      setup.Error = "cannot write the settings file " + Settings_File_Path();
      return setup;
    }
    setup.Notes.push_back(server.empty() ? "server engine: the engine with +set dedicated 1"
                                         : "server engine: " + server);
  }
  if (options.Demo) {
    const std::string dir =
        demo_dir.empty() ? platform::Join(User_Data_Directory(), Demo_Folder_Name) : demo_dir;
    const TDemo_Installation demo = Set_Up_Demo_Installation(dir, sources);
    if (!demo.Error.empty()) {
      setup.Exit_Status = 1;
      setup.Error = demo.Error;
      return setup;
    }
    options.Game_Dir = demo.Game_Dir;
    setup.Notes.push_back("demo installation: " + demo.Game_Dir + " (" +
                          std::to_string(demo.Archives) + " archives of OpenArena)");
    if (!options.Engine) {
      if (!demo.Engine.empty()) {
        if (!Save_Q3A_Exe(demo.Engine)) {
          setup.Exit_Status = 1;
          setup.Error = "cannot write the settings file " + Settings_File_Path();
          return setup;
        }
        setup.Notes.push_back("engine: " + demo.Engine);
      } else {
        setup.Notes.emplace_back(
            "the OpenArena engine is not installed (Debian package openarena): launching a map will not start a game");
      }
    }
  }
  return setup;
}

}  // namespace vorlix
