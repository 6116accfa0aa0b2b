#include "cli/cli_arena_answers.h"

namespace vorlix {

TArena_Verfuegbarkeit Fuehre_Arena_Befehl_aus(const TArena_Befehl& command,
                                              const TArena_Umgebung& env,
                                              const TArena_Zweig& branch, TInteraction& ui) {
  TArena_Antworten answers(command, ui);
  return Process_Arena_File(command.Modus, env, branch, answers);
}

}  // namespace vorlix
