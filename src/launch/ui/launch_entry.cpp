#include "launch/ui/launch_entry.h"

#include "core/settings.h"
#include "launch/command_line.h"
#include "launch/exec_file.h"
#include "launch/starte_map.h"
#include "properties/ui/map_properties_dialog.h"

namespace vorlix {

bool Starte_Map(TForm_Map_Properties& dialog, const TProperties_Context& context,
                TMAP_Datei_Eintrag* map, TExecFile& exec_file) {
  if (map == nullptr) {
    return false;
  }
  dialog.Load_Map(context, map);
  dialog.Set_Launch_Mode();
  const Dialog_Result result = dialog.Run();
  if (result != Dialog_Result::OK && result != Dialog_Result::Yes) {
    return false;
  }
  const TLaunch_Command command =
      Launch_Game(dialog.Model(), context.Game_Dir, Lade_Q3A_Exe(), exec_file, context.Interaction);
  // The program ends after the launch only when something was launched.
  return result == Dialog_Result::Yes && !command.Program.empty();
}

}  // namespace vorlix
