#include "launch/command_line.h"

#include <array>

#include <QString>

#include "core/case_lookup.h"
#include "core/fs_routines.h"
#include "core/game_types.h"
#include "core/paths.h"
#include "core/settings.h"
#include "database/records.h"
#include "properties/map_properties_model.h"

namespace vorlix {

std::string Game_Type_Value(int radio_index) {
  if (radio_index < 0 || radio_index >= Game_Type_Count) {
    return {};
  }
  return Game_Type_Table[static_cast<std::size_t>(radio_index)].Engine_Value;
}

std::string Build_Argument_Text(const TLaunch_Choices& choices) {
  std::string text;
  text += " +set fs_game ";
  text += choices.MOD;
  text += " +seta g_gametype ";
  text += Game_Type_Value(choices.Game_Type);
  text += " +map ";
  text += Remove_Extension(choices.MAP_Filename);
  text += " +sv_maxclients ";
  text += choices.Limits_Players;
  text += " +timelimit ";
  text += choices.Limits_Time;
  text += " +fraglimit ";
  text += choices.Limits_Frags;
  text += " +capturelimit ";
  text += choices.Limits_Captures;
  const std::string skill = std::to_string(choices.Bot_Skill + 1);
  for (const auto& bot : choices.Bots) {
    text += " +addbot ";
    text += bot;
    text += " ";
    text += skill;
  }
  return text;
}

std::string Build_Command_Line(const TLaunch_Choices& choices) {
  return choices.Game_Dir + "\\" + Game_Executable_Name + Build_Argument_Text(choices);
}

namespace {

// A text that the engines read as one word, both on their command line and in a command:
// bytes '!' to '~' only, without a quote or semicolon (they end the command), a '+' (it starts
// another one on the command line), a backslash, or "//" and "/*" (the rest is a comment).
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

}  // namespace

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

TLaunch_Choices Launch_Choices_From(const TMap_Properties_Model& model,
                                    const std::string& game_dir) {
  TLaunch_Choices choices;
  choices.Game_Dir = game_dir;
  if (model.MOD_To_Use_Selected >= 0 &&
      model.MOD_To_Use_Selected < static_cast<int>(model.MOD_To_Use.size())) {
    choices.MOD = model.MOD_To_Use[static_cast<std::size_t>(model.MOD_To_Use_Selected)];
  }
  choices.Game_Type = model.Radio_Selected;
  if (model.Map() != nullptr) {
    choices.MAP_Filename = model.Map()->MAP_Filename;
  }
  choices.Limits_Players = model.Limits_Players.Text;
  choices.Limits_Time = model.Limits_Time.Text;
  choices.Limits_Frags = model.Limits_Frags.Text;
  choices.Limits_Captures = model.Limits_Captures.Text;
  choices.Bots = model.Assigned_Bots.Checked_Names();
  // With no skill item selected the game gets the preset "Hardcore".
  choices.Bot_Skill = model.Bot_Skill >= 0 ? model.Bot_Skill : 3;
  return choices;
}

TLaunch_Command Prepare_Launch(const TLaunch_Choices& choices, const std::string& q3a_exe) {
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
  const std::string arguments = Build_Argument_Text(on_disk);
  command.Arguments = Split_Game_Arguments(arguments);
  command.Text = command.Program + arguments;
  return command;
}

}  // namespace vorlix
