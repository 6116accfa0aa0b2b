#pragma once
// Arena files: the names of the program's arena archives in a MOD directory, how a file's state
// and arena name are read from its name, and the directory queries the arena commands and the
// command availability build on. All of them are pure queries; nothing on disk changes.
//
// Searches match names ignoring letter case and return them in the platform's listing order
// (platform::List_Directory); the names the program writes always carry the exact cases below.

#include <optional>
#include <string>
#include <vector>

namespace vorlix {

class TMOD_List;

// "z_Arenas_"
std::string Make_Generic_Arena_File_Name();
// "z_Arenas_active_"
std::string Make_Active_Generic_Arena_File_Name();
// "z_Arenas_Inactive_"
std::string Make_Inactive_Generic_Arena_File_Name();
// "z_Arenas_active_" + N + ".pk3"
std::string Make_Active_Arena_File_Name(const std::string& arena_name);
// "z_Arenas_Inactive_" + N + ".pk3"
std::string Make_Inactive_Arena_File_Name(const std::string& arena_name);

// The disabler archive: "z_Arenas_Disabler" and "z_Arenas_Disabler.pk3".
inline constexpr const char* Arena_Disabler_Name = "z_Arenas_Disabler";
std::string Arena_Disabler_File_Name();

// Entry names of the arena script inside an arena archive: the active archive holds the script
// under the name the game reads, an inactive one under a name the game ignores.
inline constexpr const char* Arena_Script_Entry = "scripts/arenas.txt";
inline constexpr const char* Arena_Script_Entry_Inactive = "scripts/arenas.txt.inactive";

// True when the name begins with the active prefix, ignoring case.
bool Is_Arena_File_Active(const std::string& file_name);
// True when the name begins with the inactive prefix, ignoring case.
bool Is_Arena_File_Inactive(const std::string& file_name);
// The arena name N of an active or inactive arena file name, in the letter case of the name;
// empty for the disabler and for any other name.
std::string Arena_Name_From_Arena_File_Name(const std::string& file_name);

// Why an arena name typed by the user cannot be used as part of a file name in the MOD
// directory (empty, a path separator, "..", a control character, too long); nullopt when it can.
std::optional<std::string> Check_Arena_Name(const std::string& arena_name);

// ---- Directory queries ----------------------------------------------------------------------

// The directory of a MOD (as listed, upper case) below the game directory, with the letter case
// it has on disk; game directory joined with the name when it does not exist.
std::string Arena_MOD_Directory(const std::string& game_dir, const std::string& mod);
// The same for every MOD of a list, in its order, from one listing of the game directory (a
// look-up per MOD would list it once per MOD: a game directory of thousands of MOD folders would
// take quadratic time).
std::vector<std::string> Arena_MOD_Directories(const std::string& game_dir,
                                               const std::vector<std::string>& mods);

// Names of the directory's entries matching prefix + "*.pk3" (ignoring case), in listing order.
std::vector<std::string> Find_Arena_Pattern(const std::string& directory, const std::string& prefix,
                                            bool files_only);

// True when the directory holds the active or the inactive file of N.
bool Arena_File_Exists(const std::string& directory, const std::string& arena_name);
// The first entry matching "z_Arenas_*.pk3" that is not the disabler, or empty.
std::string First_Arena_File_In_Directory(const std::string& directory);
// The same, picked from the directory's names matching "z_Arenas_*.pk3" as Find_Arena_Pattern
// gives them (not only files).
std::string First_Arena_File_Of(const std::vector<std::string>& arena_pattern_names);
// The arena names of all arena files in the directory, in listing order (the disabler left out;
// a name held by an active and an inactive file is listed twice).
std::vector<std::string> List_All_Arena_Files_In(const std::string& directory);
// Number of active plus inactive arena files in the directory.
int Count_Arena_Files_In(const std::string& directory);
// The MOD directories of a built list, with their names as they are on disk.
std::vector<std::string> MOD_Directories_Of(const std::string& game_dir, const TMOD_List& mods);

// What the MOD directories hold, each listed once.
struct TArena_Counts {
  int Program_Files = 0;          // entries matching "z_Arenas_*.pk3", disablers included
  int Most_In_One_Directory = 0;  // the largest Count_Arena_Files_In; 0 without MODs
};
TArena_Counts Count_Arena_Files(const std::vector<std::string>& mod_dirs);

// The arena file a MOD directory holds active (files only; the first in listing order).
struct TActive_Arena {
  std::string MOD;         // as listed (upper case)
  std::string Arena_Name;  // N of its name
  bool operator==(const TActive_Arena&) const = default;
};
// The counts of Count_Arena_Files, and the active arena file of every MOD directory that holds
// one, in the MOD list's order: the directories (MOD_Directories_Of) and the MODs' list names at
// the same positions. Each directory is listed once.
struct TArena_Overview {
  TArena_Counts Counts;
  std::vector<TActive_Arena> Active;
};
TArena_Overview Arena_Overview(const std::vector<std::string>& mod_dirs,
                               const std::vector<std::string>& mods);

// Availability of the two arena commands that depend on the files on disk.
struct TArena_Availability {
  bool Remove_Arena_File = false;    // some MOD directory holds a file of the program
  bool Activate_Arena_File = false;  // some MOD directory holds two or more arena files
  bool operator==(const TArena_Availability&) const = default;
};
// The availability for the MOD directories (Arena_MOD_Directories).
TArena_Availability Arena_Availability_In(const std::vector<std::string>& mod_dirs);

}  // namespace vorlix
