#include "properties/ui/properties_entry.h"

#include "properties/ui/map_properties_dialog.h"

namespace vorlix {

TDialog_Result Show_Map_Properties(TForm_Map_Properties& dialog, const TProperties_Context& context,
                                   TMap_Record* map) {
  if (map == nullptr) {
    return TDialog_Result::Cancel;
  }
  dialog.Load_Map(context, map);
  dialog.Set_Map_Mode();
  const TDialog_Result result = dialog.Run();
  if (result == TDialog_Result::OK || result == TDialog_Result::Retry) {
    dialog.Model().Store_Map(*map);
  }
  return result;
}

bool Show_Group_Properties(TForm_Map_Properties& dialog, const TProperties_Context& context,
                           const std::vector<TMap_Record*>& maps) {
  bool any = false;
  for (const auto* map : maps) {
    any = any || map != nullptr;
  }
  if (!any) {
    return false;
  }
  dialog.Load_Group(context, maps);
  dialog.Set_Group_Mode();
  if (dialog.Run() != TDialog_Result::OK) {
    return false;
  }
  dialog.Model().Store_Group(maps);
  return true;
}

}  // namespace vorlix
