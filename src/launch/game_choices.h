#pragma once
// What a launch or a hosted server offers to choose: the game types in the order of the radio
// buttons and the bot skills in the order of their list, with the captions the windows show.

#include <array>

namespace vorlix {

// Game types in their order: Single Player, Free For All, Team Deathmatch, Tournament, Capture
// The Flag, other; their bits in a map's game types are 1, 2, 4, 8, 16, 32.
inline constexpr int Game_Type_Count = 6;
extern const std::array<const char*, Game_Type_Count> Game_Type_Captions;
// Bot skills 0 to 4.
extern const std::array<const char*, 5> Skill_Captions;

}  // namespace vorlix
