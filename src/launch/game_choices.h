#pragma once
// What a launch or a hosted server offers to choose besides the game types (core/game_types.h):
// the bot skills in the order of their list, with the captions the windows show.

#include <array>

namespace vorlix {

// Bot skills 0 to 4.
extern const std::array<const char*, 5> Skill_Captions;

}  // namespace vorlix
