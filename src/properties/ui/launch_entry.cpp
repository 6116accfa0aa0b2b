#include "properties/ui/launch_entry.h"

#include "core/settings.h"
#include "launch/command_line.h"
#include "launch/engine_profiles.h"
#include "launch/exec_file.h"
#include "launch/launch_outcomes.h"
#include "launch/start_map.h"
#include "properties/launch_choices.h"
#include "properties/ui/map_properties_dialog.h"

namespace vorlix {

namespace {

// Starts the game for the choices and counts the launch; false when nothing was started.
bool Launch_And_Count(const TProperties_Context& context, const TMap_Record& map,
                      const TLaunch_Choices& choices, const TEngine_Choice& engine,
                      TExec_File& exec_file, bool leave_queue) {
  const std::string log =
      context.History != nullptr ? New_Launch_Log(context.History->Program_Dir()) : std::string();
  const TLaunch_Command command =
      Launch_Game(choices, engine.Program, exec_file, context.Interaction, log, engine.Words);
  if (!command.Program.empty() && context.History != nullptr) {
    Record_Launch(*context.History, map, choices, command.Program, context.Interaction, leave_queue,
                  command.Log);
  }
  return !command.Program.empty();
}

}  // namespace

bool Start_Map(TForm_Map_Properties& dialog, const TProperties_Context& context, TMap_Record* map,
               TExec_File& exec_file, bool leave_queue) {
  if (map == nullptr) {
    return false;
  }
  dialog.Load_Map(context, map);
  dialog.Set_Launch_Mode();
  const TDialog_Result result = dialog.Run();
  if (result != TDialog_Result::OK && result != TDialog_Result::Yes) {
    return false;
  }
  const bool started =
      Launch_And_Count(context, *map, Launch_Choices_From(dialog.Model(), context.Game_Dir),
                       dialog.Chosen_Engine(), exec_file, leave_queue);
  // The program ends after the launch only when something was launched.
  return result == TDialog_Result::Yes && started;
}

bool Start_Map_Again(TForm_Map_Properties& dialog, const TProperties_Context& context,
                     TMap_Record* map, const TLaunch_Record& before, TExec_File& exec_file) {
  if (map == nullptr) {
    return false;
  }
  const std::optional<TLaunch_Choices> choices = Initial_Launch_Choices(context, map, &before);
  if (!choices) {
    return Start_Map(dialog, context, map, exec_file);
  }
  // Without the dialog: the engine the launch ran, when a profile runs it; else the MOD's
  // default engine profile, else the stored engine.
  Launch_And_Count(context, *map, *choices,
                   Engine_Of_Launch(before.Engine, choices->MOD, choices->Game_Dir), exec_file,
                   /*leave_queue=*/false);
  return false;
}

}  // namespace vorlix
