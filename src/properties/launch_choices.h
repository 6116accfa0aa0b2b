#pragma once
// The launch dialog's choices, as the launch takes them.

#include <string>

#include "launch/command_line.h"

namespace vorlix {

class TMap_Properties_Model;

// The choices that the launch dialog holds now (the model in launch mode). Empty MOD when no
// "MOD to use" is selected.
TLaunch_Choices Launch_Choices_From(const TMap_Properties_Model& model,
                                    const std::string& game_dir);

}  // namespace vorlix
