#include "launch/command_line.h"

#include <algorithm>
#include <array>
#include <iterator>

#include <QString>

#include "core/case_lookup.h"
#include "core/fs_routines.h"
#include "core/game_types.h"
#include "core/paths.h"
#include "core/settings.h"
#include "launch/game_choices.h"

namespace vorlix {

std::string Game_Type_Value(int radio_index) {
  if (radio_index < 0 || radio_index >= Game_Type_Count) {
    return {};
  }
  return Game_Type_Table[static_cast<std::size_t>(radio_index)].Engine_Value;
}

std::vector<std::string> Game_Argument_Words(const TLaunch_Choices& choices) {
  std::vector<std::string> words = {"+set",           "fs_game",
                                    choices.MOD,      "+seta",
                                    "g_gametype",     Game_Type_Value(choices.Game_Type),
                                    "+map",           Remove_Extension(choices.MAP_Filename),
                                    "+sv_maxclients", choices.Limits_Players,
                                    "+timelimit",     choices.Limits_Time,
                                    "+fraglimit",     choices.Limits_Frags,
                                    "+capturelimit",  choices.Limits_Captures};
  const std::string skill = std::to_string(choices.Bot_Skill + 1);
  for (const auto& bot : choices.Bots) {
    words.insert(words.end(), {"+addbot", bot, skill});
  }
  return words;
}

std::string Joined_Command_Line(const std::string& program, const std::vector<std::string>& words) {
  std::string text = program;
  for (const auto& word : words) {
    text += ' ';
    text += word;
  }
  return text;
}

std::string Build_Command_Line(const TLaunch_Choices& choices) {
  return Joined_Command_Line(choices.Game_Dir + "\\" + Game_Executable_Name,
                             Game_Argument_Words(choices));
}

bool Plain_Command_Word(const std::string& text) {
  if (text.empty() || text.find("//") != std::string::npos ||
      text.find("/*") != std::string::npos) {
    return false;
  }
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte <= ' ' || byte > '~' || c == '"' || c == ';' || c == '+' || c == '\\') {
      return false;
    }
  }
  return true;
}

std::string Map_Name_Refusal(const std::string& name) {
  if (!Plain_Command_Word(name)) {
    return "its file name cannot stand in a server command";
  }
  if (name.size() > Map_Name_Limit) {
    return "its file name is longer than " + std::to_string(Map_Name_Limit) +
           " characters, more than the engine loads";
  }
  return {};
}

std::string Launch_Refusal(const TLaunch_Choices& choices) {
  if (const std::string reason = Map_Name_Refusal(Remove_Extension(choices.MAP_Filename));
      !reason.empty()) {
    return "The map " + choices.MAP_Filename + " cannot be launched: " + reason + ".";
  }
  const auto refused = [](const char* what, const std::string& text) {
    return std::string("The ") + what + " \"" + text +
           "\" cannot be launched: the game would not read it as one word of its command line.";
  };
  if (!choices.MOD.empty() && !Plain_Command_Word(choices.MOD)) {
    return refused("MOD", choices.MOD);
  }
  for (const auto& bot : choices.Bots) {
    if (!Plain_Command_Word(bot)) {
      return refused("bot", bot);
    }
  }
  for (const std::string* limit : {&choices.Limits_Players, &choices.Limits_Time,
                                   &choices.Limits_Frags, &choices.Limits_Captures}) {
    if (!limit->empty() && !Plain_Command_Word(*limit)) {
      return refused("limit", *limit);
    }
  }
  return {};
}

std::string Engine_Words_Refusal(const std::vector<std::string>& words) {
  for (const std::string& word : words) {
    const std::string command = word.starts_with('+') ? word.substr(1) : word;
    if (!Plain_Command_Word(command)) {
      return "The engine's argument \"" + word +
             "\" cannot be handed to it: the engine would not read it as one word of its "
             "command line (only characters from '!' to '~', no quote, semicolon, backslash, "
             "\"//\" or \"/*\", and '+' only in front of a command).";
    }
  }
  return {};
}

std::string Command_Count_Refusal(const std::vector<std::string>& arguments) {
  const auto commands = static_cast<std::size_t>(
      std::count_if(arguments.begin(), arguments.end(),
                    [](const std::string& word) { return word.starts_with('+'); }));
  if (commands <= Command_Line_Command_Limit) {
    return {};
  }
  return "The engine reads at most " + std::to_string(Command_Line_Command_Limit) +
         " commands from its command line, and this one holds " + std::to_string(commands) +
         ": the last ones would be dropped. Give the engine fewer extra arguments or the map "
         "fewer bots.";
}

std::string Engine_Launch_Refusal(const TLaunch_Choices& choices,
                                  const std::vector<std::string>& engine_words) {
  if (std::string refusal = Launch_Refusal(choices); !refusal.empty()) {
    return refusal;
  }
  if (std::string refusal = Engine_Words_Refusal(engine_words); !refusal.empty()) {
    return refusal;
  }
  std::vector<std::string> line = engine_words;
  const std::vector<std::string> game_words = Game_Argument_Words(choices);
  line.insert(line.end(), game_words.begin(), game_words.end());
  return Command_Count_Refusal(line);
}

std::vector<std::string> Split_Game_Arguments(const std::string& text) {
  std::vector<std::string> arguments;
  std::size_t i = 0;
  const std::size_t n = text.size();
  const auto blank = [](char c) { return static_cast<unsigned char>(c) <= ' '; };
  while (i < n) {
    while (i < n && blank(text[i])) {
      ++i;
    }
    if (i >= n) {
      break;
    }
    std::string argument;
    if (text[i] == '"') {
      ++i;
      while (i < n && text[i] != '"') {
        argument += text[i++];
      }
      if (i < n) {
        ++i;  // the closing quote
      }
    } else {
      while (i < n && !blank(text[i])) {
        argument += text[i++];
      }
    }
    arguments.push_back(argument);
  }
  return arguments;
}

TLaunch_Command Prepare_Launch(const TLaunch_Choices& choices, const std::string& q3a_exe,
                               const std::vector<std::string>& engine_words) {
  TLaunch_Command command;
  command.Working_Dir = choices.Game_Dir;
  if (!q3a_exe.empty()) {
    command.Program = q3a_exe;
  } else if (auto found = platform::Resolve_Ignore_Case(choices.Game_Dir, Game_Executable_Name)) {
    command.Program = *found;
  } else {
    command.Program = platform::Join(choices.Game_Dir, Game_Executable_Name);
  }
  TLaunch_Choices on_disk = choices;
  if (!choices.MOD.empty()) {
    if (auto dir = platform::Resolve_Ignore_Case(choices.Game_Dir, choices.MOD)) {
      on_disk.MOD = platform::File_Name(*dir);
    }
  }
  std::vector<std::string> words = engine_words;
  const std::vector<std::string> game_words = Game_Argument_Words(on_disk);
  words.insert(words.end(), game_words.begin(), game_words.end());
  // The game's parser drops an empty word (a value not set): it is not handed on.
  std::copy_if(words.begin(), words.end(), std::back_inserter(command.Arguments),
               [](const std::string& word) { return !word.empty(); });
  command.Text = Joined_Command_Line(command.Program, words);
  return command;
}

}  // namespace vorlix
