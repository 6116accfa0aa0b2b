#pragma once
// A dedicated server whose map rotation is a group of the maps tree: which maps of the group go
// into the rotation (and why others are left out), the server's settings with their refusal
// rules, the configuration files that define the rotation as a chain of `vstr` commands, the
// server's command line, and the process that runs it.
//
// The configuration is `vorlix_server.cfg` in the MOD directory:
//   set sv_hostname "NAME" ... set bot_minplayers N ... (the settings)
//   set vorlix_m1 "map q3dm1; set nextmap vstr vorlix_m2"
//   ...
//   set vorlix_mN "map q3dm9; set nextmap vstr vorlix_m1"
//   vstr vorlix_m1
// The engines read an executed file into their command buffer of 16,384 bytes and hold no more
// than about 2,000 settings, so a rotation that does not fit into that one file is cut into
// parts: the file then holds the settings and `exec`s part 1, and each part is a file
// `vorlix_server_GENERATION_K.cfg` of its own, numbering its maps vorlix_m1, vorlix_m2, ... again
// and ending with `vstr vorlix_m1`; its last map's next map `exec`s the next part (after the
// last, part 1). So the settings a rotation creates are as many as one part holds, however long
// the rotation. Each rotation written gets a new GENERATION, its parts are written before
// vorlix_server.cfg, and that file's replacement switches the whole rotation at once.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vorlix {

class TExec_File;
class TInteraction;
class TMap_Record;
class TMap_Game_Facts;
class TMaps_Tree_Node;

inline constexpr const char* Server_Config_Name = "vorlix_server.cfg";
inline constexpr int Default_Server_Port = 27960;
// What one configuration file may hold: below the engines' command buffer of 16,384 bytes, with
// room for the command that executed it and what still waits in the buffer.
inline constexpr std::size_t Server_Config_Limit = 16000;
// The longest host name or password: the engines keep at most 255 bytes of a setting's text (the
// game reads it into 256 bytes with the terminating zero), far below the 1,023 bytes after which
// they would split a configuration line and run the rest as a command of its own.
inline constexpr std::size_t Server_Text_Limit = 255;

// The game types as words ("ffa", "tourney", "single", "team", "ctf", "other") and the launch
// dialog's radio index they stand for (Single Player 0 ... other 5); nullopt for another word.
std::optional<int> Game_Type_From_Word(const std::string& word);
std::string Game_Type_Word(int radio_index);

struct TServer_Settings {
  std::string MOD;    // as the user named it; written with its name on disk
  int Game_Type = 1;  // radio index: Free For All
  int Frag_Limit = 20;
  int Time_Limit = 0;
  int Capture_Limit = 8;
  int Bots = 0;       // bot_minplayers: bots fill the server up to this many players
  int Bot_Skill = 4;  // 1 to 5, as the engines count it
  std::string Host_Name = "Vorlix Server";
  int Port = Default_Server_Port;
  int Max_Clients = 8;
  std::string Password;  // empty: none
};

struct TLeft_Out_Map {
  std::string Name;  // as the game knows it
  std::string Reason;
};

struct TServer_Rotation {
  std::vector<std::string> Maps;         // names as the game knows them, in play order
  std::vector<std::uint32_t> Bsp_Sizes;  // each map's BSP size, as Maps
  std::vector<TLeft_Out_Map> Left_Out;
};

// The name the game knows a map by: its file name without the extension, in lower case as the
// archives hold their members.
std::string Game_Map_Name(const TMap_Record& map);

// The maps usable with `mod` that are made for the game type (Made_For_Game_Type, with the game's
// facts when given), in the given order; the others with the reason.
TServer_Rotation Choose_Rotation(const std::vector<TMap_Record*>& maps, const std::string& mod,
                                 int game_type, const TMap_Game_Facts* game = nullptr);

// The MODs of `mod_list` (in its order) that some of the maps is usable with.
std::vector<std::string> Server_MODs(const std::vector<TMap_Record*>& maps,
                                     const std::vector<std::string>& mod_list);

// "Host Server..." is available for a group holding a map usable with some MOD.
bool Host_Server_Available(const TMaps_Tree_Node* node);

// The settings offered for the maps with `mod`: the game type every usable map allows (first of
// ffa, tourney, team, ctf, single, other; else ffa), limits, player count and skill where the
// usable maps agree, the defaults otherwise.
TServer_Settings Default_Server_Settings(const std::vector<TMap_Record*>& maps,
                                         const std::string& mod,
                                         const TMap_Game_Facts* game = nullptr);

// The refusal of settings that would break the configuration or the start: "" when they are
// fine. `check_port_free` also refuses a port that is in use on this computer.
std::string Check_Server_Settings(const TServer_Settings& settings, bool check_port_free);

// True when a UDP port cannot be bound on this computer.
bool Udp_Port_In_Use(int port);

struct TServer_Config_File {
  std::string Name;  // in the MOD directory
  std::string Text;
};

// A new generation for the parts of a rotation: eight random hexadecimal digits.
std::string New_Server_Config_Generation();
// The name of part `number` (1, 2, ...): vorlix_server_GENERATION_NUMBER.cfg.
std::string Server_Config_Part_Name(const std::string& generation, std::size_t number);
// A rotation in one file: `head`, then `set vorlix_mK "map NAME; set nextmap vstr vorlix_mK+1"`
// for the maps in order, the last one's next map being vorlix_m1, and `vstr vorlix_m1`, which
// starts it. It holds the maps from the first on that keep the file below Server_Config_Limit
// bytes; when not even the first fits, or there is none, the text is only `head`.
struct TOne_File_Rotation {
  std::string Text;
  std::size_t Count = 0;  // the maps it holds
};
TOne_File_Rotation One_File_Rotation(const std::string& head, const std::vector<std::string>& maps);

// The configuration files, vorlix_server.cfg first, then the parts; each below
// Server_Config_Limit bytes. The rotation must not be empty.
std::vector<TServer_Config_File> Server_Config_Files(const TServer_Settings& settings,
                                                     const std::vector<std::string>& rotation,
                                                     const std::string& generation);

struct TServer_Command {
  std::string Program;
  std::vector<std::string> Arguments;
  std::string Working_Dir;  // the game directory
  std::string MOD_Dir;      // the MOD directory as found on disk; "" when there is none
  std::string Text;         // program and arguments as one line (arguments with blanks quoted)
};

// The server's command: `server_exe` (Q3A_SERVER_EXE) when set, else the launch's engine
// (`q3a_exe`, else the game directory's QUAKE3.EXE); the arguments "+set fs_homepath GAME_DIR
// +set fs_game MOD +set dedicated 1 +set net_port PORT +exec vorlix_server.cfg" with the MOD as
// on disk; `engine_words` (an engine profile's extra arguments) before them.
TServer_Command Prepare_Server(const std::string& game_dir, const TServer_Settings& settings,
                               const std::string& server_exe, const std::string& q3a_exe,
                               const std::vector<std::string>& engine_words = {});

// Writes the files into the MOD directory, each replaced atomically: the parts first,
// vorlix_server.cfg last, so that a break at any moment leaves the old or the new rotation whole.
// Only then are the parts of earlier rotations removed (files named as parts that begin as this
// program writes them). The error text, or "".
std::string Write_Server_Config(const std::string& mod_dir,
                                const std::vector<TServer_Config_File>& files);

// A started server: its process ID and the start time the system gave it, so that a later stop
// ends exactly this process and never one that got the same ID after it ended.
struct TServer_Process {
  std::int64_t Pid = 0;
  std::uint64_t Start_Ticks = 0;
  // Records the process; Pid 0 when it has already gone.
  static TServer_Process Of(std::int64_t pid);
  bool Running() const;
  // Ends the process (SIGTERM). False when it was not running any more.
  bool Stop() const;
};

struct TServer_Start {
  int Status = 0;  // 0 done, 1 failed (reported), 2 refused settings (reported)
  TServer_Command Command;
  TServer_Process Process;  // Pid 0 unless started
  std::string Log;          // where the server's console goes ("": not kept)
};

// Checks the settings, writes the configuration and (unless `dry_run`) starts the server
// detached in the game directory. Refusals and failures go to `interaction` as error boxes; a
// server program that is not found (platform::Find_Program) is named before anything is written.
// With `log` (New_Launch_Log) the server's console goes there: the start's Log when it could.
// `engine_words` (an engine profile's extra arguments) go first; words the engine would not read
// as they are, or more commands than it reads, are refused with status 2.
TServer_Start Host_Server(const std::string& game_dir, const TServer_Settings& settings,
                          const std::vector<std::string>& rotation, const std::string& server_exe,
                          const std::string& q3a_exe, bool dry_run, TExec_File& exec_file,
                          TInteraction& interaction, const std::string& log = {},
                          const std::vector<std::string>& engine_words = {});

}  // namespace vorlix
