#include "launch/start_map.h"

#include <ctime>
#include <utility>

#include <sys/stat.h>

#include "core/fs_routines.h"
#include "core/interaction.h"
#include "core/paths.h"
#include "core/program_lookup.h"
#include "database/play_history.h"
#include "database/records.h"
#include "launch/command_line.h"
#include "launch/exec_file.h"

namespace vorlix {

TLaunch_Command Launch_Game(const TLaunch_Choices& choices, const std::string& q3a_exe,
                            TExec_File& exec_file, TInteraction* interaction,
                            const std::string& log, const std::vector<std::string>& engine_words) {
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
  if (const std::string refusal = Engine_Launch_Refusal(choices, engine_words); !refusal.empty()) {
    if (interaction != nullptr) {
      interaction->Message(TMessage_Kind::Error, refusal, TAnswer_Set::OK);
    }
    return {};
  }
  TLaunch_Command command = Prepare_Launch(choices, q3a_exe, engine_words);
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
  exec_file.Output_Path = log;
  exec_file.Execute(command.Program, command.Arguments);
  command.Log = std::exchange(exec_file.Output_Path, std::string());
  return command;
}

void Record_Launch(THistory_Keeper& history, const TMap_Record& map, const TLaunch_Choices& choices,
                   const std::string& engine, TInteraction* interaction, bool leave_queue,
                   const std::string& log) {
  const auto tell = [interaction](const std::string& text) {
    if (interaction != nullptr && !text.empty()) {
      interaction->Message(TMessage_Kind::Warning, text, TAnswer_Set::OK);
    }
  };
  if (map.PK3 == nullptr) {
    return;
  }
  const TMap_Key key{map.PK3->ID, map.ID};
  const auto now = static_cast<std::int64_t>(std::time(nullptr));
  const THistory_Change outcome = history.Change([&](TPlay_History& played) {
    played.Record_Launch({key, now, choices.Game_Type, choices.MOD, engine});
    if (!log.empty()) {
      played.Add_Waiting(
          {key, engine, Remove_Extension(choices.MAP_Filename), platform::File_Name(log), now});
    }
    if (leave_queue) {
      played.Unqueue(key);
    }
    return true;
  });
  tell(outcome.Warning);
  tell(outcome.Problem);
}

}  // namespace vorlix
