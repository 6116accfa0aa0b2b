#include "cli/cli_arena_answers.h"

namespace vorlix {

TArena_Availability Execute_Arena_Command(const TArena_Command& command,
                                          const TArena_Environment& env,
                                          const TArena_Branch& branch, TInteraction& ui) {
  TArena_Answers answers(command, ui);
  return Process_Arena_File(command.Mode, env, branch, answers);
}

}  // namespace vorlix
