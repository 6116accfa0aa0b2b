#pragma once
// The outranking archive of a MOD directory that holds arena files: an archive of the program's
// own (Arena_Outranking_File_Name) whose name sorts after every other archive's in the game's
// order, so that the game takes from it first:
// - "scripts/arenas.txt", a copy of the active arena file's script: the game reads that name from
//   the first archive of its order that holds it;
// - an empty "scripts/NAME.arena" for every .arena script held by another archive of the
//   directory or of the base directory of the engine in use, and by a loose file of that base
//   directory's scripts folder: the game lists the .arena names of its whole search path (in
//   archives every member name of the form Arena_Script_Path describes) and reads each name from
//   the first place holding it, so an empty entry here stands for every other copy. Names longer
//   than the game takes are never written (the user is told which archive holds one); the
//   archive replaces or removes only a file of its name that the program wrote. The list is cut
//   after about 1 KiB of names; the names of the first archive come first, so what is cut away is
//   never read at all, and the result does not depend on how many names there are.
// It is written, refreshed and removed together with the disabler, and its script follows every
// activation. What it cannot outrank is told to the user: an archive of the same directory whose
// name sorts even later and that holds arena scripts, and loose scripts in the directory itself
// (the game searches a directory's loose files before its archives).

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace vorlix {

class TGame_Index;
class TInteraction;

struct TArena_Outranking_Content {
  std::vector<std::string> Hidden;    // "scripts/x.arena" entry names: lower case, sorted, unique
  std::optional<std::string> Script;  // the active arena file's script; none without one
  bool operator==(const TArena_Outranking_Content&) const = default;
};

// What the outranking archive of the directory holds; nullopt when there is none, it cannot be
// read or it is not as the program writes it.
std::optional<TArena_Outranking_Content> Read_Arena_Outranking(const std::string& mod_dir);

// The script entry of the directory's active arena file (the first one in listing order); nullopt
// when no active arena file holds one.
std::optional<std::string> Script_Of_Active_Arena_File(const std::string& mod_dir);
// The same with the file's name.
struct TActive_Arena_Script {
  std::string File_Name;
  std::string Script;
};
std::optional<TActive_Arena_Script> Active_Arena_Script(const std::string& mod_dir);

// The .arena entry names the outranking archive of `mod_dir` has to hide: the paths the game
// reads for the scripts it lists (Arena_Script_Path) from the index's archives of the directory
// and of the base directory in use, and for the loose scripts of that base directory below
// `game_dir`; lower case, sorted, unique. Names longer than the game takes are left out and
// reported with the place (archive or folder) and member that hold them.
struct TArena_Scripts_To_Hide {
  std::vector<std::string> Names;
  std::vector<std::pair<std::string, std::string>> Too_Long;  // place, member name
};
TArena_Scripts_To_Hide Arena_Scripts_To_Hide(const TGame_Index& index, const std::string& game_dir,
                                             const std::string& mod_dir);

// What the game reads arena scripts from before the outranking archive of `mod_dir`: archives of
// the index in the directory whose names sort later and that hold arena scripts, then loose
// scripts of the directory ("scripts/NAME").
std::vector<std::string> Arena_Outranking_Overtakers(const TGame_Index* index,
                                                     const std::string& mod_dir);

// Brings the outranking archive of `mod_dir` (MOD `mod` as the MOD list names it) in line with
// the active arena file and the archives of the index, writing it only when its content changes,
// warns about every place named by Arena_Outranking_Overtakers and about script names too long for
// the game. Without an index the names it holds are kept. Only an archive the program wrote is
// replaced: TFile_Error names what else is in its place; TFile_Error or TZip_Error too when it
// cannot be written.
void Create_Arena_Outranking_File(const std::string& game_dir, const std::string& temp_dir,
                                  const std::string& mod, const std::string& mod_dir,
                                  const TGame_Index* index, TInteraction& ui);

// Gives the outranking archive of `mod_dir` the script of the active arena file, keeping its
// names (after an activation, which leaves the set of archives alone). Returns why it could not
// when something else than the program's archive is in its place (left alone); throws as above
// when the archive cannot be written.
std::optional<std::string> Align_Arena_Outranking_Script(const std::string& temp_dir,
                                                         const std::string& mod_dir);

// Removes the outranking archive of `mod_dir` (in any letter case) and what an interrupted write
// left of one, when the program wrote it; returns the names of the entries left alone because
// it did not.
std::vector<std::string> Delete_Arena_Outranking_File(const std::string& mod_dir);

}  // namespace vorlix
