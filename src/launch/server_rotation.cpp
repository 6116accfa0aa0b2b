#include "launch/server_rotation.h"

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <csignal>
#include <fstream>
#include <sstream>

#include "browser/map_game_facts.h"
#include "browser/maps_tree.h"
#include "core/case_lookup.h"
#include "core/fs_routines.h"
#include "core/interaction.h"
#include "core/letter_case.h"
#include "core/paths.h"
#include "database/records.h"
#include "database/stream.h"
#include "launch/command_line.h"
#include "launch/exec_file.h"
#include "properties/map_properties_model.h"

namespace vorlix {

namespace {

constexpr std::array<const char*, Game_Type_Count> Game_Type_Words = {"single",  "ffa", "team",
                                                                      "tourney", "ctf", "other"};
// The order in which a default game type is chosen: the usual server games first.
constexpr std::array<int, Game_Type_Count> Default_Type_Order = {1, 3, 2, 4, 0, 5};

std::uint8_t Game_Type_Bit_Of(int radio_index) {
  return static_cast<std::uint8_t>(1U << static_cast<unsigned>(radio_index));
}

bool Usable_With(const TMAP_Datei_Eintrag& map, const std::string& mod) {
  for (const auto& usable : map.Useable_MODs) {
    if (platform::Equal_Ignore_Case(usable, mod)) {
      return true;
    }
  }
  return false;
}

// A text that a quoted value of the configuration cannot hold: a quote or a semicolon (which
// would end the value and start a command of the server's choosing) or a line break.
bool Breaks_Quoted_Value(const std::string& text) {
  for (const char c : text) {
    if (c == '"' || c == ';' || static_cast<unsigned char>(c) < ' ') {
      return true;
    }
  }
  return false;
}

// A map name that stands unquoted in a `map` command.
bool Plain_Map_Name(const std::string& name) {
  if (name.empty() || name.size() > 63) {
    return false;
  }
  for (const char c : name) {
    if (c == '"' || c == ';' || c == '\\' || static_cast<unsigned char>(c) <= ' ') {
      return false;
    }
  }
  return true;
}

std::string Quoted_For_Display(const std::string& argument) {
  return argument.find_first_of(" \t") == std::string::npos ? argument : "\"" + argument + "\"";
}

std::string Chain_Entry(std::size_t number, const std::string& map, std::size_t next) {
  return "set vorlix_m" + std::to_string(number) + " \"map " + map + "; set nextmap vstr vorlix_m" +
         std::to_string(next) + "\"\n";
}

// Field 22 of /proc/PID/stat, the process's start time in clock ticks after boot; 0 when the
// process does not exist or has ended (a zombie that nobody has reaped yet).
std::uint64_t Process_Start_Ticks(std::int64_t pid) {
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string text;
  if (!stat || !std::getline(stat, text)) {
    return 0;
  }
  const std::size_t name_end = text.rfind(')');
  if (name_end == std::string::npos) {
    return 0;
  }
  std::istringstream fields(text.substr(name_end + 1));
  std::string field;
  for (int number = 3; number <= 22 && fields >> field; ++number) {
    if (number == 3 && (field == "Z" || field == "X")) {
      return 0;
    }
    if (number == 22) {
      return std::stoull(field);
    }
  }
  return 0;
}

}  // namespace

std::optional<int> Game_Type_From_Word(const std::string& word) {
  for (std::size_t i = 0; i < Game_Type_Words.size(); ++i) {
    if (platform::Equal_Ignore_Case(word, Game_Type_Words[i])) {
      return static_cast<int>(i);
    }
  }
  return std::nullopt;
}

std::string Game_Type_Word(int radio_index) {
  if (radio_index < 0 || radio_index >= Game_Type_Count) {
    return {};
  }
  return Game_Type_Words[static_cast<std::size_t>(radio_index)];
}

std::string Game_Map_Name(const TMAP_Datei_Eintrag& map) {
  return platform::Lower(Entferne_Dateiendung(map.MAP_Filename));
}

TServer_Rotation Choose_Rotation(const std::vector<TMAP_Datei_Eintrag*>& maps,
                                 const std::string& mod, int game_type,
                                 const TMap_Game_Facts* game) {
  TServer_Rotation rotation;
  const bool type_known = game_type >= 0 && game_type < Game_Type_Count;
  for (const TMAP_Datei_Eintrag* map : maps) {
    const std::string name = Game_Map_Name(*map);
    std::string reason;
    if (!Usable_With(*map, mod)) {
      reason = "not usable with " + mod;
    } else if (!type_known || !Made_For_Game_Type(*map, Game_Type_Bit_Of(game_type), game)) {
      reason = "not made for " +
               std::string(type_known ? Game_Type_Captions[static_cast<std::size_t>(game_type)]
                                      : "this game type");
    } else if (!Plain_Map_Name(name)) {
      reason = "its file name cannot stand in a server command";
    }
    if (reason.empty()) {
      rotation.Maps.push_back(name);
    } else {
      rotation.Left_Out.push_back({name, reason});
    }
  }
  return rotation;
}

std::vector<std::string> Server_MODs(const std::vector<TMAP_Datei_Eintrag*>& maps,
                                     const std::vector<std::string>& mod_list) {
  std::vector<std::string> mods;
  for (const auto& mod : mod_list) {
    for (const TMAP_Datei_Eintrag* map : maps) {
      if (Usable_With(*map, mod)) {
        mods.push_back(mod);
        break;
      }
    }
  }
  return mods;
}

bool Host_Server_Available(const TMaps_Tree_Node* node) {
  if (node == nullptr || !node->Is_Group()) {
    return false;
  }
  for (const TMAP_Datei_Eintrag* map : Maps_Of_Group(*node)) {
    if (!map->Useable_MODs.empty()) {
      return true;
    }
  }
  return false;
}

TServer_Settings Default_Server_Settings(const std::vector<TMAP_Datei_Eintrag*>& maps,
                                         const std::string& mod, const TMap_Game_Facts* game) {
  TServer_Settings settings;
  settings.MOD = mod;
  std::vector<const TMAP_Datei_Eintrag*> usable;
  for (const TMAP_Datei_Eintrag* map : maps) {
    if (Usable_With(*map, mod)) {
      usable.push_back(map);
    }
  }
  if (usable.empty()) {
    return settings;
  }
  std::uint8_t common_types = 0xFF;
  for (const auto* map : usable) {
    common_types &= Map_Game_Types(*map, game);
  }
  for (const int type : Default_Type_Order) {
    if ((common_types & Game_Type_Bit_Of(type)) != 0) {
      settings.Game_Type = type;
      break;
    }
  }
  // A value the maps agree on, else the default already in place.
  const auto agreed = [&usable](int& target, std::int32_t TMAP_Datei_Eintrag::*field, int add) {
    for (const auto* map : usable) {
      if (map->*field != usable.front()->*field) {
        return;
      }
    }
    target = usable.front()->*field + add;
  };
  agreed(settings.Frag_Limit, &TMAP_Datei_Eintrag::Limits_Frags, 0);
  agreed(settings.Time_Limit, &TMAP_Datei_Eintrag::Limits_Time, 0);
  agreed(settings.Capture_Limit, &TMAP_Datei_Eintrag::Limits_Captures, 0);
  agreed(settings.Max_Clients, &TMAP_Datei_Eintrag::Limits_Players, 0);
  agreed(settings.Bot_Skill, &TMAP_Datei_Eintrag::Bot_Skill, 1);
  return settings;
}

bool Udp_Port_In_Use(int port) {
  const int socket_fd = ::socket(AF_INET, SOCK_DGRAM, 0);
  if (socket_fd < 0) {
    return false;
  }
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<std::uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_ANY);
  // NOLINTNEXTLINE(cppcoreguidelines-pro-type-reinterpret-cast): the socket interface's own cast
  const bool in_use =
      ::bind(socket_fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0;
  ::close(socket_fd);
  return in_use;
}

std::string Check_Server_Settings(const TServer_Settings& settings, bool check_port_free) {
  if (Breaks_Quoted_Value(settings.Host_Name)) {
    return "The host name must not contain a quote (\"), a semicolon (;) or a line break: the "
           "server would read the rest as commands.";
  }
  if (Breaks_Quoted_Value(settings.Password)) {
    return "The password must not contain a quote (\"), a semicolon (;) or a line break: the "
           "server would read the rest as commands.";
  }
  if (settings.Port < 1 || settings.Port > 65535) {
    return "The port must be a number from 1 to 65535, not " + std::to_string(settings.Port) + ".";
  }
  struct TRange {
    const char* Name;
    int Value;
    int Low;
    int High;
  };
  const TRange ranges[] = {
      {"frag limit", settings.Frag_Limit, 0, 100},
      {"time limit", settings.Time_Limit, 0, 120},
      {"capture limit", settings.Capture_Limit, 0, 50},
      {"number of bots", settings.Bots, 0, 64},
      {"bot skill", settings.Bot_Skill, 1, 5},
      {"maximum number of clients", settings.Max_Clients, 1, 64},
  };
  for (const TRange& range : ranges) {
    if (range.Value < range.Low || range.Value > range.High) {
      return "The " + std::string(range.Name) + " must be a number from " +
             std::to_string(range.Low) + " to " + std::to_string(range.High) + ", not " +
             std::to_string(range.Value) + ".";
    }
  }
  if (settings.Game_Type < 0 || settings.Game_Type >= Game_Type_Count) {
    return "Choose a game type.";
  }
  if (check_port_free && Udp_Port_In_Use(settings.Port)) {
    return "The port " + std::to_string(settings.Port) +
           " is in use on this computer; choose another one.";
  }
  return {};
}

std::string Server_Config_File_Name(std::size_t index) {
  return index == 0 ? std::string(Server_Config_Name)
                    : "vorlix_server_" + std::to_string(index + 1) + ".cfg";
}

std::vector<std::string> Server_Config_Texts(const TServer_Settings& settings,
                                             const std::vector<std::string>& rotation) {
  std::string head = "// Written by Vorlix: a dedicated server playing " +
                     std::to_string(rotation.size()) + " maps in turn.\n";
  head += "set sv_hostname \"" + settings.Host_Name + "\"\n";
  head += "set g_gametype " + Game_Type_Value(settings.Game_Type) + "\n";
  head += "set fraglimit " + std::to_string(settings.Frag_Limit) + "\n";
  head += "set timelimit " + std::to_string(settings.Time_Limit) + "\n";
  head += "set capturelimit " + std::to_string(settings.Capture_Limit) + "\n";
  head += "set sv_maxclients " + std::to_string(settings.Max_Clients) + "\n";
  head += "set g_password \"" + settings.Password + "\"\n";
  head += "set bot_enable 1\n";
  head += "set bot_minplayers " + std::to_string(settings.Bots) + "\n";
  // ioquake3's game takes the skill of added bots from g_spSkill; some engines read bot_skill.
  head += "set g_spSkill " + std::to_string(settings.Bot_Skill) + "\n";
  head += "set bot_skill " + std::to_string(settings.Bot_Skill) + "\n";

  std::vector<std::string> files{head};
  const std::string start = "vstr vorlix_m1\n";
  for (std::size_t i = 0; i < rotation.size(); ++i) {
    const std::size_t number = i + 1;
    const std::string entry =
        Chain_Entry(number, rotation[i], number == rotation.size() ? 1 : number + 1);
    const bool last = number == rotation.size();
    // Room for this entry and the file's last command (the start, or the next file's exec).
    const std::string next_exec = "exec " + Server_Config_File_Name(files.size()) + "\n";
    const std::size_t closing = std::max(last ? start.size() : 0, next_exec.size());
    if (files.back().size() + entry.size() + closing >= Server_Config_Limit) {
      files.back() += next_exec;
      files.emplace_back("// Written by Vorlix: the rotation, continued.\n");
    }
    files.back() += entry;
  }
  files.back() += start;
  return files;
}

TServer_Command Prepare_Server(const std::string& game_dir, const TServer_Settings& settings,
                               const std::string& server_exe, const std::string& q3a_exe) {
  TServer_Command command;
  command.Working_Dir = game_dir;
  if (!server_exe.empty()) {
    command.Program = server_exe;
  } else {
    TLaunch_Choices engine;
    engine.Game_Dir = game_dir;
    command.Program = Prepare_Launch(engine, q3a_exe).Program;
  }
  std::string mod = settings.MOD;
  if (auto dir = platform::Resolve_Ignore_Case(game_dir, settings.MOD); dir && !mod.empty()) {
    command.MOD_Dir = *dir;
    mod = platform::File_Name(*dir);
  }
  // The home path makes the engine search the game directory whatever base path its launcher
  // gives it (Debian's openarena-server sets its own), so the configuration is found there.
  command.Arguments = {
      "+set",  "fs_homepath",     game_dir, "+set", "fs_game",  mod,
      "+set",  "dedicated",       "1",      "+set", "net_port", std::to_string(settings.Port),
      "+exec", Server_Config_Name};
  command.Text = Quoted_For_Display(command.Program);
  for (const auto& argument : command.Arguments) {
    command.Text += " " + Quoted_For_Display(argument);
  }
  return command;
}

std::string Write_Server_Config(const std::string& mod_dir, const std::vector<std::string>& texts) {
  try {
    for (std::size_t i = 0; i < texts.size(); ++i) {
      Write_File_Atomically(platform::Join(mod_dir, Server_Config_File_Name(i)), texts[i]);
    }
  } catch (const TStream_Error& e) {
    return "Couldn't write the server configuration into " + mod_dir + ": " + e.what();
  }
  // Continuation files of an earlier, longer rotation.
  for (std::size_t i = texts.size();; ++i) {
    const std::string stale = platform::Join(mod_dir, Server_Config_File_Name(i));
    if (::unlink(stale.c_str()) != 0) {
      break;
    }
  }
  return {};
}

TServer_Process TServer_Process::Of(std::int64_t pid) {
  TServer_Process process;
  process.Start_Ticks = pid > 0 ? Process_Start_Ticks(pid) : 0;
  process.Pid = process.Start_Ticks != 0 ? pid : 0;
  return process;
}

bool TServer_Process::Running() const {
  return Pid > 0 && Process_Start_Ticks(Pid) == Start_Ticks;
}

bool TServer_Process::Stop() const {
  if (!Running()) {
    return false;
  }
  return ::kill(static_cast<pid_t>(Pid), SIGTERM) == 0;
}

TServer_Start Host_Server(const std::string& game_dir, const TServer_Settings& settings,
                          const std::vector<std::string>& rotation, const std::string& server_exe,
                          const std::string& q3a_exe, bool dry_run, TExecFile& exec_file,
                          TInteraction& interaction) {
  TServer_Start result;
  const auto fail = [&interaction, &result](int status, const std::string& text) {
    interaction.Message(Message_Kind::Error, text, Button_Set::OK);
    result.Status = status;
    return result;
  };
  if (const std::string refusal = Check_Server_Settings(settings, !dry_run); !refusal.empty()) {
    return fail(2, refusal);
  }
  if (rotation.empty()) {
    return fail(1, "No map of the group can be played with " + settings.MOD + " as " +
                       Game_Type_Captions[static_cast<std::size_t>(settings.Game_Type)] + ".");
  }
  result.Command = Prepare_Server(game_dir, settings, server_exe, q3a_exe);
  if (result.Command.MOD_Dir.empty()) {
    return fail(1, "The MOD directory " + settings.MOD + " was not found in " + game_dir + ".");
  }
  if (const std::string error =
          Write_Server_Config(result.Command.MOD_Dir, Server_Config_Texts(settings, rotation));
      !error.empty()) {
    return fail(1, error);
  }
  if (dry_run) {
    return result;
  }
  exec_file.Working_Directory = result.Command.Working_Dir;
  exec_file.Wait = false;
  if (!exec_file.Execute(result.Command.Program, result.Command.Arguments)) {
    return fail(1, "Couldn't start the server " + result.Command.Program + " (error " +
                       std::to_string(exec_file.Error_Code()) + ").");
  }
  result.Process = TServer_Process::Of(exec_file.Process_Id());
  return result;
}

}  // namespace vorlix
