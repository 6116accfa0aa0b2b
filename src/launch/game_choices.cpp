#include "launch/game_choices.h"

namespace vorlix {

const std::array<const char*, Game_Type_Count> Game_Type_Captions = {
    "Single Player", "Free For All", "Team Deathmatch", "Tournament", "Capture The Flag", "other"};
const std::array<const char*, 5> Skill_Captions = {"I Can Win", "Bring It On", "Hurt Me Plenty",
                                                   "Hardcore", "Nightmare!"};

}  // namespace vorlix
