#pragma once
// Finding the game installation: a depth-first walk over the search roots that offers every
// entry named QUAKE3.EXE (any case) to the user until one is confirmed.

#include <string>
#include <vector>

namespace vorlix {

class TInteraction;

// The whole search with its notice window, over platform::Default_Search_Roots(). The notice
// shows the directory being walked and can be cancelled, which ends the search at once.
// Returns the directory holding the confirmed QUAKE3.EXE, or "" when nothing was confirmed.
std::string Find_Q3A_Directory(TInteraction& interaction);
// The same over the given roots, walked in order. A root already walked, a directory excluded
// by the platform (virtual file systems) and a symbolic link to a directory are never entered.
std::string Find_Q3A_Directory(TInteraction& interaction, const std::vector<std::string>& roots);

// The confirmation question for a found file; true only for "Yes".
bool Ask_Q3A_Directory(TInteraction& interaction, const std::string& path);

}  // namespace vorlix
