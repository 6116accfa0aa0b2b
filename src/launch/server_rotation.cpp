#include "launch/server_rotation.h"

#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <random>
#include <set>
#include <sstream>
#include <string_view>

#include "browser/map_game_facts.h"
#include "browser/maps_tree.h"
#include "core/case_lookup.h"
#include "core/fs_routines.h"
#include "core/game_types.h"
#include "core/interaction.h"
#include "core/letter_case.h"
#include "core/listing.h"
#include "core/paths.h"
#include "core/program_lookup.h"
#include "database/records.h"
#include "database/stream.h"
#include "launch/command_line.h"
#include "launch/exec_file.h"
#include "launch/game_choices.h"

namespace vorlix {

namespace {

// The order in which a default game type is chosen: the usual server games first.
constexpr std::array<int, Game_Type_Count> Default_Type_Order = {1, 3, 2, 4, 0, 5};

std::uint8_t Game_Type_Bit_Of(int radio_index) {
  return static_cast<std::uint8_t>(1U << static_cast<unsigned>(radio_index));
}

bool Usable_With(const TMap_Record& map, const std::string& mod) {
  for (const auto& usable : map.Useable_MODs) {
    if (platform::Equal_Ignore_Case(usable, mod)) {
      return true;
    }
  }
  return false;
}

// Why a text cannot be the quoted value of a setting in the configuration; "" when it can. A
// quote or a semicolon would end the value and start a command of the server's choosing, and so
// would a line break or a line longer than the engine's 1,023 bytes; the other control
// characters pass the parser but no server list shows them. `what` names the setting.
std::string Quoted_Value_Refusal(const std::string& what, const std::string& text) {
  for (const char c : text) {
    if (c == '"' || c == ';' || c == '\n' || c == '\r') {
      return "The " + what +
             " must not contain a quote (\"), a semicolon (;) or a line break: the server would "
             "read the rest as commands.";
    }
  }
  for (const char c : text) {
    if (static_cast<unsigned char>(c) < ' ' || c == '\x7f') {
      return "The " + what + " must not contain a control character such as a TAB.";
    }
  }
  if (text.size() > Server_Text_Limit) {
    return "The " + what + " must not be longer than " + std::to_string(Server_Text_Limit) +
           " bytes, the longest text the engine keeps in a setting; it has " +
           std::to_string(text.size()) + ".";
  }
  return {};
}

std::string Quoted_For_Display(const std::string& argument) {
  return argument.find_first_of(" \t") == std::string::npos ? argument : "\"" + argument + "\"";
}

// One map of the chain: it loads the map, then sets what follows it. The engine resets the
// next map when it loads one, so the setting comes after the `map`.
std::string Chain_Entry(std::size_t number, const std::string& map, const std::string& next) {
  return "set vorlix_m" + std::to_string(number) + " \"map " + map + "; set nextmap " + next +
         "\"\n";
}

constexpr std::string_view Chain_Start = "vstr vorlix_m1\n";

constexpr std::string_view Part_Head = "// Written by Vorlix: the rotation, continued.\n";

// A name this program gives the parts of a rotation: vorlix_server_N.cfg (an earlier layout) or
// vorlix_server_GENERATION_N.cfg.
bool Server_Config_Part_Named(std::string_view name) {
  constexpr std::string_view prefix = "vorlix_server_";
  constexpr std::string_view suffix = ".cfg";
  if (name.size() <= prefix.size() + suffix.size() || name.substr(0, prefix.size()) != prefix ||
      name.substr(name.size() - suffix.size()) != suffix) {
    return false;
  }
  std::string_view middle = name.substr(prefix.size(), name.size() - prefix.size() - suffix.size());
  const auto all = [](std::string_view text, auto test) {
    return !text.empty() && std::all_of(text.begin(), text.end(), [&](char c) {
      return test(static_cast<unsigned char>(c)) != 0;
    });
  };
  if (const std::size_t bar = middle.find('_'); bar != std::string_view::npos) {
    if (bar != 8 || !all(middle.substr(0, bar), ::isxdigit)) {
      return false;
    }
    middle.remove_prefix(bar + 1);
  }
  return all(middle, ::isdigit);
}

// True when the file is a regular file (not followed through a link) that begins as this
// program writes the parts of a rotation.
bool Holds_A_Part(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    return false;
  }
  struct stat st {};
  std::string start(Part_Head.size(), '\0');
  const bool part = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) &&
                    ::read(fd, start.data(), start.size()) == static_cast<ssize_t>(start.size()) &&
                    start == Part_Head;
  ::close(fd);
  return part;
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
  return Game_Type_Index_Of_Word(word);
}

std::string Game_Type_Word(int radio_index) {
  if (radio_index < 0 || radio_index >= Game_Type_Count) {
    return {};
  }
  return Game_Type_Table[static_cast<std::size_t>(radio_index)].Word;
}

std::string Game_Map_Name(const TMap_Record& map) {
  return platform::Lower(Remove_Extension(map.MAP_Filename));
}

TServer_Rotation Choose_Rotation(const std::vector<TMap_Record*>& maps, const std::string& mod,
                                 int game_type, const TMap_Game_Facts* game) {
  TServer_Rotation rotation;
  const bool type_known = game_type >= 0 && game_type < Game_Type_Count;
  for (const TMap_Record* map : maps) {
    const std::string name = Game_Map_Name(*map);
    std::string reason;
    if (!Usable_With(*map, mod)) {
      reason = "not usable with " + mod;
    } else if (!type_known || !Made_For_Game_Type(*map, Game_Type_Bit_Of(game_type), game)) {
      reason = "not made for " +
               std::string(type_known ? Game_Type_Table[static_cast<std::size_t>(game_type)].Caption
                                      : "this game type");
    } else {
      reason = Map_Name_Refusal(name);
    }
    if (reason.empty()) {
      rotation.Maps.push_back(name);
      rotation.Bsp_Sizes.push_back(map->MAP_Filesize);
    } else {
      rotation.Left_Out.push_back({name, reason});
    }
  }
  return rotation;
}

std::vector<std::string> Server_MODs(const std::vector<TMap_Record*>& maps,
                                     const std::vector<std::string>& mod_list) {
  std::vector<std::string> mods;
  for (const auto& mod : mod_list) {
    for (const TMap_Record* map : maps) {
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
  for (const TMap_Record* map : Maps_Of_Group(*node)) {
    if (!map->Useable_MODs.empty()) {
      return true;
    }
  }
  return false;
}

TServer_Settings Default_Server_Settings(const std::vector<TMap_Record*>& maps,
                                         const std::string& mod, const TMap_Game_Facts* game) {
  TServer_Settings settings;
  settings.MOD = mod;
  std::vector<const TMap_Record*> usable;
  for (const TMap_Record* map : maps) {
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
  const auto agreed = [&usable](int& target, std::int32_t TMap_Record::*field, int add) {
    for (const auto* map : usable) {
      if (map->*field != usable.front()->*field) {
        return;
      }
    }
    target = usable.front()->*field + add;
  };
  agreed(settings.Frag_Limit, &TMap_Record::Limits_Frags, 0);
  agreed(settings.Time_Limit, &TMap_Record::Limits_Time, 0);
  agreed(settings.Capture_Limit, &TMap_Record::Limits_Captures, 0);
  agreed(settings.Max_Clients, &TMap_Record::Limits_Players, 0);
  agreed(settings.Bot_Skill, &TMap_Record::Bot_Skill, 1);
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
  if (std::string refusal = Quoted_Value_Refusal("host name", settings.Host_Name);
      !refusal.empty()) {
    return refusal;
  }
  if (std::string refusal = Quoted_Value_Refusal("password", settings.Password); !refusal.empty()) {
    return refusal;
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

std::string New_Server_Config_Generation() {
  std::random_device random;
  char digits[9] = {};
  std::snprintf(digits, sizeof(digits), "%08x", static_cast<unsigned>(random()));
  return digits;
}

std::string Server_Config_Part_Name(const std::string& generation, std::size_t number) {
  return "vorlix_server_" + generation + "_" + std::to_string(number) + ".cfg";
}

TOne_File_Rotation One_File_Rotation(const std::string& head,
                                     const std::vector<std::string>& maps) {
  // The file of the first K maps ends with the K-th one's entry closing the chain and the start;
  // each further map makes it longer, so the count is found by adding maps until one does not fit.
  const auto entry = [&maps](std::size_t i, std::size_t next) {
    return Chain_Entry(i + 1, maps[i], "vstr vorlix_m" + std::to_string(next));
  };
  std::size_t open_size = head.size();  // the head and the entries of the maps before the last
  std::size_t count = 0;
  for (; count < maps.size(); ++count) {
    if (open_size + entry(count, 1).size() + Chain_Start.size() >= Server_Config_Limit) {
      break;
    }
    open_size += entry(count, count + 2).size();
  }
  TOne_File_Rotation rotation{head, count};
  if (count == 0) {
    return rotation;
  }
  for (std::size_t i = 0; i < count; ++i) {
    rotation.Text += entry(i, i + 1 == count ? 1 : i + 2);
  }
  rotation.Text += Chain_Start;
  return rotation;
}

std::vector<TServer_Config_File> Server_Config_Files(const TServer_Settings& settings,
                                                     const std::vector<std::string>& rotation,
                                                     const std::string& generation) {
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
  // The whole rotation in the one file, when it fits.
  if (TOne_File_Rotation whole = One_File_Rotation(head, rotation);
      whole.Count == rotation.size()) {
    return {{Server_Config_Name, std::move(whole.Text)}};
  }

  // Else the parts: as many maps each as fit with the longest command its last map may need.
  const std::string start(Chain_Start);
  const std::string part_head(Part_Head);
  const std::string longest_exec = "exec " + Server_Config_Part_Name(generation, rotation.size());
  std::vector<std::vector<std::size_t>> parts(1);
  std::size_t size = part_head.size() + start.size();
  for (std::size_t i = 0; i < rotation.size(); ++i) {
    const std::size_t number = parts.back().size() + 1;
    const std::size_t entry =
        Chain_Entry(number, rotation[i], "vstr vorlix_m" + std::to_string(number + 1)).size() +
        longest_exec.size();
    if (!parts.back().empty() && size + entry >= Server_Config_Limit) {
      parts.emplace_back();
      size = part_head.size() + start.size();
    }
    parts.back().push_back(i);
    size += entry;
  }
  std::vector<TServer_Config_File> files{
      {Server_Config_Name, head + "exec " + Server_Config_Part_Name(generation, 1) + "\n"}};
  for (std::size_t p = 0; p < parts.size(); ++p) {
    const std::size_t next_part = p + 1 == parts.size() ? 1 : p + 2;
    std::string text = part_head;
    for (std::size_t k = 0; k < parts[p].size(); ++k) {
      const std::size_t number = k + 1;
      const std::string next = number == parts[p].size()
                                   ? "exec " + Server_Config_Part_Name(generation, next_part)
                                   : "vstr vorlix_m" + std::to_string(number + 1);
      text += Chain_Entry(number, rotation[parts[p][k]], next);
    }
    files.push_back({Server_Config_Part_Name(generation, p + 1), text + start});
  }
  return files;
}

TServer_Command Prepare_Server(const std::string& game_dir, const TServer_Settings& settings,
                               const std::string& server_exe, const std::string& q3a_exe,
                               const std::vector<std::string>& engine_words) {
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
  command.Arguments = engine_words;
  command.Arguments.insert(
      command.Arguments.end(),
      {"+set", "fs_homepath", game_dir, "+set", "fs_game", mod, "+set", "dedicated", "1", "+set",
       "net_port", std::to_string(settings.Port), "+exec", Server_Config_Name});
  command.Text = Quoted_For_Display(command.Program);
  for (const auto& argument : command.Arguments) {
    command.Text += " " + Quoted_For_Display(argument);
  }
  return command;
}

std::string Write_Server_Config(const std::string& mod_dir,
                                const std::vector<TServer_Config_File>& files) {
  std::set<std::string> written;
  try {
    // The parts first: until vorlix_server.cfg is replaced, nothing names them.
    for (std::size_t i = files.size(); i-- > 0;) {
      Write_File_Atomically(platform::Join(mod_dir, files[i].Name), files[i].Text);
      written.insert(files[i].Name);
    }
  } catch (const TStream_Error& e) {
    for (const auto& name : written) {
      ::unlink(platform::Join(mod_dir, name).c_str());
    }
    return "Couldn't write the server configuration into " + mod_dir + ": " + e.what();
  }
  // The parts of earlier rotations.
  const auto names = platform::List_Names(mod_dir, [&written](std::string_view name) {
    return Server_Config_Part_Named(name) && written.count(std::string(name)) == 0;
  });
  for (const auto& name : names.value_or(std::vector<std::string>{})) {
    const std::string path = platform::Join(mod_dir, name);
    if (Holds_A_Part(path)) {
      ::unlink(path.c_str());
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
                          const std::string& q3a_exe, bool dry_run, TExec_File& exec_file,
                          TInteraction& interaction, const std::string& log,
                          const std::vector<std::string>& engine_words) {
  TServer_Start result;
  const auto fail = [&interaction, &result](int status, const std::string& text) {
    interaction.Message(TMessage_Kind::Error, text, TAnswer_Set::OK);
    result.Status = status;
    return result;
  };
  if (const std::string refusal = Check_Server_Settings(settings, !dry_run); !refusal.empty()) {
    return fail(2, refusal);
  }
  if (const std::string refusal = Engine_Words_Refusal(engine_words); !refusal.empty()) {
    return fail(2, refusal);
  }
  if (rotation.empty()) {
    return fail(1, "No map of the group can be played with " + settings.MOD + " as " +
                       Game_Type_Table[static_cast<std::size_t>(settings.Game_Type)].Caption + ".");
  }
  result.Command = Prepare_Server(game_dir, settings, server_exe, q3a_exe, engine_words);
  if (const std::string refusal = Command_Count_Refusal(result.Command.Arguments);
      !refusal.empty()) {
    return fail(2, refusal);
  }
  // A program that cannot be started is reported by its name before anything is written.
  if (const platform::TProgram_Lookup program =
          platform::Find_Program(result.Command.Program, game_dir);
      !dry_run && program.Error != 0) {
    return fail(1, platform::Program_Not_Found_Text(result.Command.Program, program.Error));
  }
  if (result.Command.MOD_Dir.empty()) {
    return fail(1, "The MOD directory " + settings.MOD + " was not found in " + game_dir + ".");
  }
  if (const std::string error = Write_Server_Config(
          result.Command.MOD_Dir,
          Server_Config_Files(settings, rotation, New_Server_Config_Generation()));
      !error.empty()) {
    return fail(1, error);
  }
  if (dry_run) {
    return result;
  }
  exec_file.Working_Directory = result.Command.Working_Dir;
  exec_file.Wait = false;
  exec_file.Output_Path = log;
  const bool started = exec_file.Execute(result.Command.Program, result.Command.Arguments);
  result.Log = std::exchange(exec_file.Output_Path, std::string());
  if (!started) {
    return fail(1, "Couldn't start the server " + result.Command.Program + ": " +
                       std::strerror(exec_file.Error_Code()) + ".");
  }
  result.Process = TServer_Process::Of(exec_file.Process_Id());
  return result;
}

}  // namespace vorlix
