#pragma once
// Arena files: creating an arena file out of a branch of the maps tree, keeping exactly one
// arena file active per MOD directory, removing arena files, the disabler archives, and the
// start-up pass over the MOD directories.
//
// An active arena file holds its script under "scripts/arenas.txt", an inactive one under
// "scripts/arenas.txt.inactive": the game reads the script of one archive only (the last in its
// order holding scripts/arenas.txt), so an inactive archive must not hold the usual name.
// Activation and deactivation rename the entry inside the archive along with the file.

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "arena/arena_names.h"

namespace vorlix {

class TGame_Index;
class TInteraction;
class TMap_Record;
class TPK3_Record_Store;

// What the arena commands work with.
struct TArena_Environment {
  std::string Game_Dir;
  std::string Temp_Dir;           // the program's TEMP folder; removed after each archive
  std::vector<std::string> MODs;  // the MOD list's names (upper case), in list order
  const TPK3_Record_Store* Database = nullptr;  // every map record gets a disabler entry
  // What the game finds in the archives, asked for when a directory needs it (the caller's,
  // read once and kept); without it, or when it gives none, built from Database.
  std::function<std::shared_ptr<const TGame_Index>()> Game_Index;
};

// The branch of the maps tree an arena file is made of: the map entries below the selected group,
// at any depth, in displayed (pre-)order. The group name is for the caller's reports only.
struct TArena_Branch {
  std::string Group_Name;
  std::vector<TMap_Record*> Maps;
};

enum class TArena_Mode { Create = 0, Activate = 1, Remove = 2 };

// The command behind "Create Arena File", "Activate Arena File" and "Remove Arena File": the MOD
// selection dialog, the mode's work per chosen MOD, and at the end the availability of the
// commands "Remove Arena File" and "Activate Arena File" (to be applied by the caller). The
// branch is used by the creation only.
TArena_Availability Process_Arena_File(TArena_Mode mode, const TArena_Environment& env,
                                       const TArena_Branch& branch, TInteraction& ui);

// Writes the arena script of the branch for a MOD into TEMP and packs it into the archive
// `file_name` of the MOD's directory `mod_dir` (as found on disk); shows the success box, and a
// warning when the script is too large for the game. Returns the size of the script. Throws
// TFile_Error or TZip_Error when the script or the archive cannot be written.
std::size_t Make_Arena_File(const TArena_Environment& env, const std::string& mod,
                            const std::string& mod_dir, const std::string& file_name,
                            const TArena_Branch& branch, TInteraction& ui);

// Renames every active arena file of the directory to its inactive name (the prefix is replaced
// whatever its letter case); a rename that fails (the inactive name exists) is left out.
void Deactivate_All_Arena_Files_In(const std::string& directory);

// Makes the arena of `file_name` the one active arena file of the directory.
void Make_Arena_File_Active(const std::string& directory, const std::string& file_name,
                            TInteraction& ui);

// Writes the disabler archive of every MOD directory that holds an arena file and deletes it
// where there is none.
void Create_Arena_Disabler_Files(const TArena_Environment& env, TInteraction& ui);
// The same with the MOD directories already found (Arena_MOD_Directories of env.MODs).
void Create_Arena_Disabler_Files(const TArena_Environment& env,
                                 const std::vector<std::string>& mod_dirs, TInteraction& ui);
// The disabler of one MOD directory (as found on disk): one empty scripts/<map>.arena per map
// record of the database, added to an existing disabler. Nothing is written while the database
// is empty.
void Create_Arena_Disable_File(const TArena_Environment& env, const std::string& mod_dir,
                               TInteraction& ui);

// The start-up check of one MOD directory (directory name as found on disk): removes what a crash
// left of an arena archive being written ("z_Arenas_*.pk3." + six letters or digits), leaves
// exactly one arena file active when there are any, and every arena file's script entry in its
// state's name. Given the TEMP folder, it also gives the outranking archive the script of the
// arena file now active (its other entries are refreshed with the disablers).
// True when it renamed an arena file or changed one's content.
bool Check_Arena_Files_At_Start(const std::string& game_dir, const std::string& directory_name,
                                TInteraction& ui, const std::string& temp_dir = {});

// Gives the script entry of an arena archive the name of a state: "scripts/arenas.txt" when
// active, "scripts/arenas.txt.inactive" when inactive (entry names compared ignoring case).
// False when the archive cannot be changed; true when nothing needed to change. `renamed` (when
// given) is set when the entry is renamed.
bool Align_Arena_Script_Entry(const std::string& archive_path, bool active,
                              bool* renamed = nullptr);

// ---- The command line's way in
// -------------------------------------------------------------------

}  // namespace vorlix
