#include "launch/game_choices.h"

namespace vorlix {

const std::array<const char*, 5> Skill_Captions = {"I Can Win", "Bring It On", "Hurt Me Plenty",
                                                   "Hardcore", "Nightmare!"};

}  // namespace vorlix
