#include "launch/start_map.h"

#include <sys/stat.h>

#include "core/interaction.h"
#include "core/program_lookup.h"
#include "launch/command_line.h"
#include "launch/exec_file.h"

namespace vorlix {

TLaunch_Command Launch_Game(const TLaunch_Choices& choices, const std::string& q3a_exe,
                            TExec_File& exec_file, TInteraction* interaction) {
  const std::string& game_dir = choices.Game_Dir;
  struct stat st {};
  if (::stat(game_dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
    if (interaction != nullptr) {
      interaction->Message(
          TMessage_Kind::Error,
          "The game directory \"" + game_dir + "\" cannot be made the current directory.",
          TAnswer_Set::OK);
    }
    return {};
  }
  if (const std::string refusal = Launch_Refusal(choices); !refusal.empty()) {
    if (interaction != nullptr) {
      interaction->Message(TMessage_Kind::Error, refusal, TAnswer_Set::OK);
    }
    return {};
  }
  TLaunch_Command command = Prepare_Launch(choices, q3a_exe);
  if (const platform::TProgram_Lookup program =
          platform::Find_Program(command.Program, command.Working_Dir);
      program.Error != 0) {
    if (interaction != nullptr) {
      interaction->Message(TMessage_Kind::Error,
                           platform::Program_Not_Found_Text(command.Program, program.Error),
                           TAnswer_Set::OK);
    }
    return {};
  }
  exec_file.Working_Directory = command.Working_Dir;
  exec_file.Execute(command.Program, command.Arguments);
  return command;
}

}  // namespace vorlix
