#pragma once
// What the main window calls to show the properties of one map or of a group of maps.

#include <vector>

#include "properties/map_properties_model.h"

namespace vorlix {

class TForm_Map_Properties;

// Loads the map, shows the dialog modally in map mode and acts on the result: OK and Retry write
// the dialog back into the record, Cancel writes nothing. On Retry (the archive was renamed) the
// caller saves, reloads everything, finds the map by its IDs and calls this again.
TDialog_Result Show_Map_Properties(TForm_Map_Properties& dialog, const TProperties_Context& context,
                                   TMap_Record* map);

// The maps of a group and of its sub-groups, depth first in tree order. Nothing happens for an
// empty list; else the values are merged, the dialog is shown in group mode and OK writes every
// definite field into every map. True when written.
bool Show_Group_Properties(TForm_Map_Properties& dialog, const TProperties_Context& context,
                           const std::vector<TMap_Record*>& maps);

}  // namespace vorlix
