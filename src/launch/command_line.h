#pragma once
// The game's command line of a launch: the choices of the launch dialog, the eighteen pieces of
// the text, and how the program and its arguments are handed to the system.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace vorlix {

inline constexpr const char* Game_Executable_Name = "QUAKE3.EXE";

// The choices of one launch, as the launch dialog holds them.
struct TLaunch_Choices {
  std::string Game_Dir;        // the game directory, without trailing separator
  std::string MOD;             // the selected "MOD to use"
  int Game_Type = -1;          // radio button index (Single Player ... other), -1 for none
  std::string MAP_Filename;    // as stored: Q3DM17.BSP
  std::string Limits_Players;  // the limit fields' texts as shown
  std::string Limits_Time;
  std::string Limits_Frags;
  std::string Limits_Captures;
  std::vector<std::string> Bots;   // the checked bots in list order
  int Bot_Skill = 3;               // skill item index 0 to 4
  std::uint32_t MAP_Filesize = 0;  // the map's BSP in bytes, as stored (0: not known)
};

// The g_gametype value of a radio button index: 2, 0, 3, 1, 4, 5; "" for none.
std::string Game_Type_Value(int radio_index);

// Pieces 4 to 18 as the game's words: "+set" "fs_game" MOD "+seta" "g_gametype" ... "+addbot"
// name skill ...; a value that is not set (no game type, an empty limit) is an empty word.
std::vector<std::string> Game_Argument_Words(const TLaunch_Choices& choices);
// The command line shown for a program and its words: each word after one space.
std::string Joined_Command_Line(const std::string& program, const std::vector<std::string>& words);
// The whole command line, pieces 1 to 18: the game directory, "\", "QUAKE3.EXE", then the
// argument words. The MOD is used as given in the choices.
std::string Build_Command_Line(const TLaunch_Choices& choices);

// The longest map name the engines load by `map NAME`: they build "maps/NAME.bsp" in a path of 64
// bytes with its terminating zero.
inline constexpr std::size_t Map_Name_Limit = 54;

// A text that the engines read as one word, both on their command line and in a command:
// bytes '!' to '~' only, without a quote or semicolon (they end the command), a '+' (it starts
// another one on the command line), a backslash, or "//" and "/*" (the rest is a comment).
bool Plain_Command_Word(const std::string& text);

// Why the engines cannot be told to load a map of this name (without its extension) by `+map
// NAME` on their command line or `map NAME` in a configuration; "" when they can. Only bytes '!'
// to '~' stand as one word there, and of those a quote or a semicolon would end the command, a
// '+' on the command line starts another one, "//" and "/*" make the rest a comment, and a
// backslash is read as a path separator.
std::string Map_Name_Refusal(const std::string& name);

// Why these choices cannot be handed to the game: a map name it cannot load, or a MOD, bot or limit
// text that would not stay one word of its command line; "" when they are fine.
std::string Launch_Refusal(const TLaunch_Choices& choices);

// Why words put before the game's own on its command line (an engine's extra arguments, as
// "+set com_hunkMegs 256") cannot be handed to the engine; "" when they can. The engine joins its
// arguments into one line and starts a command at each '+' (outside quotes), then reads each
// command's words as a command: so a word is a '+' followed by a plain command word, or a plain
// command word (Plain_Command_Word) itself.
std::string Engine_Words_Refusal(const std::vector<std::string>& words);

// The engines read at most 32 lines from their command line, each '+' outside quotes starting
// the next and the first holding what stands before the first '+': so at most 31 commands reach
// them, and those after are dropped without a word.
inline constexpr std::size_t Command_Line_Command_Limit = 31;

// Why the engine would not read every command of these arguments (the words beginning with '+');
// "" when it would.
std::string Command_Count_Refusal(const std::vector<std::string>& arguments);

// Why a launch of the choices with `engine_words` first cannot be handed to the engine: the
// choices (Launch_Refusal), the words (Engine_Words_Refusal), then the whole line's commands
// (Command_Count_Refusal); "" when it can.
std::string Engine_Launch_Refusal(const TLaunch_Choices& choices,
                                  const std::vector<std::string>& engine_words);

// Splits an argument text as the game's command-line parser does: at runs of blanks, a
// double-quoted part staying one argument (without its quotes). Empty pieces give nothing.
std::vector<std::string> Split_Game_Arguments(const std::string& text);

// What is handed to the system for one launch.
struct TLaunch_Command {
  std::string Program;                 // the executable started
  std::vector<std::string> Arguments;  // pieces 4 to 18, the empty words left out
  std::string Working_Dir;             // the game directory
  std::string Text;                    // the command line with the MOD as on disk (pieces 1-18)
  std::string Log;                     // where the engine's console went ("": not kept)
};

// Resolves the program (`q3a_exe` when not empty, else the game directory's QUAKE3.EXE found
// ignoring case) and the MOD directory's name as it is on disk (found ignoring case; kept as
// listed when there is no such directory). `engine_words` (an engine profile's extra arguments)
// come first, so that the values they set hold from the engine's start.
TLaunch_Command Prepare_Launch(const TLaunch_Choices& choices, const std::string& q3a_exe,
                               const std::vector<std::string>& engine_words = {});

}  // namespace vorlix
