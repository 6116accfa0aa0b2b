#include "properties/ui/launch_entry.h"

#include "core/settings.h"
#include "launch/command_line.h"
#include "launch/exec_file.h"
#include "launch/start_map.h"
#include "properties/launch_choices.h"
#include "properties/ui/map_properties_dialog.h"

namespace vorlix {

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
  const TLaunch_Choices choices = Launch_Choices_From(dialog.Model(), context.Game_Dir);
  const TLaunch_Command command =
      Launch_Game(choices, Load_Q3A_Exe(), exec_file, context.Interaction);
  if (!command.Program.empty() && context.History != nullptr) {
    Record_Launch(*context.History, *map, choices, command.Program, context.Interaction,
                  leave_queue);
  }
  // The program ends after the launch only when something was launched.
  return result == TDialog_Result::Yes && !command.Program.empty();
}

bool Start_Map_Again(TForm_Map_Properties& dialog, const TProperties_Context& context,
                     TMap_Record* map, int game_type, const std::string& mod,
                     TExec_File& exec_file) {
  if (map == nullptr) {
    return false;
  }
  dialog.Load_Map(context, map);
  dialog.Set_Launch_Mode();
  TMap_Properties_Model& model = dialog.Model();
  model.Reset_For_Show();
  if (!model.Launch_Enabled()) {
    return Start_Map(dialog, context, map, exec_file);
  }
  Choose_As_Before(model, game_type, mod);
  const TLaunch_Choices choices = Launch_Choices_From(model, context.Game_Dir);
  const TLaunch_Command command =
      Launch_Game(choices, Load_Q3A_Exe(), exec_file, context.Interaction);
  if (!command.Program.empty() && context.History != nullptr) {
    Record_Launch(*context.History, *map, choices, command.Program, context.Interaction);
  }
  return false;
}

}  // namespace vorlix
