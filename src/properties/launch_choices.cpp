#include "properties/launch_choices.h"

#include "database/play_history.h"
#include "database/records.h"
#include "properties/map_properties_model.h"

namespace vorlix {

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
    choices.MAP_Filesize = model.Map()->MAP_Filesize;
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

void Choose_As_Before(TMap_Properties_Model& model, int game_type, const std::string& mod) {
  if (game_type >= 0 && game_type < Game_Type_Count &&
      model.Radio_Enabled[static_cast<std::size_t>(game_type)]) {
    model.Radio_Selected = game_type;
  }
  for (std::size_t i = 0; i < model.MOD_To_Use.size(); ++i) {
    if (model.MOD_To_Use[i] == mod) {
      model.MOD_To_Use_Selected = static_cast<int>(i);
    }
  }
}

std::optional<TLaunch_Choices> Initial_Launch_Choices(const TProperties_Context& context,
                                                      TMap_Record* map,
                                                      const TLaunch_Record* before) {
  TMap_Properties_Model model;
  model.Set_Context(context);
  model.Load_Map(map);
  model.Set_Launch_Mode();
  model.Reset_For_Show();
  if (!model.Launch_Enabled()) {
    return std::nullopt;
  }
  if (before != nullptr) {
    Choose_As_Before(model, before->Game_Type, before->MOD);
  }
  return Launch_Choices_From(model, context.Game_Dir);
}

}  // namespace vorlix
