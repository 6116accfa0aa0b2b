#pragma once
// The outranking archive of a MOD directory that holds arena files: an archive of the program's
// own (Arena_Vorrang_Dateiname) whose name sorts after every other archive's in the game's order,
// so that the game takes from it first:
// - "scripts/arenas.txt", a copy of the active arena file's script: the game reads that name from
//   the first archive of its order that holds it;
// - an empty "scripts/NAME.arena" for every .arena script held by another archive of the
//   directory or of a base directory, and by a loose file of a base directory's scripts folder:
//   the game lists the .arena names of its whole search path and reads each name from the first
//   place holding it, so an empty entry here stands for every other copy. The list is cut after
//   about 1 KiB of names; the names of the first archive come first, so what is cut away is never
//   read at all, and the result does not depend on how many names there are.
// It is written, refreshed and removed together with the disabler, and its script follows every
// activation. What it cannot outrank is told to the user: an archive of the same directory whose
// name sorts even later and that holds arena scripts, and loose scripts in the directory itself
// (the game searches a directory's loose files before its archives).

#include <optional>
#include <string>
#include <vector>

namespace vorlix {

class TGame_Index;
class TInteraction;

struct TArena_Vorrang_Inhalt {
  std::vector<std::string> Verborgen;  // "scripts/x.arena" entry names: lower case, sorted, unique
  std::optional<std::string> Script;   // the active arena file's script; none without one
  bool operator==(const TArena_Vorrang_Inhalt&) const = default;
};

// What the outranking archive of the directory holds; nullopt when there is none or it cannot be
// read.
std::optional<TArena_Vorrang_Inhalt> Lies_Arena_Vorrang(const std::string& mod_dir);

// The script entry of the directory's active arena file (the first one in listing order); nullopt
// when no active arena file holds one.
std::optional<std::string> Script_des_aktiven_Arena_Files(const std::string& mod_dir);

// The .arena entry names the outranking archive of `mod_dir` has to hide: those of the index's
// archives of the directory and of the base directories, and the loose scripts of the base
// directories below `game_dir`.
std::vector<std::string> Zu_verbergende_Arena_Scripts(const TGame_Index& index,
                                                      const std::string& game_dir,
                                                      const std::string& mod_dir);

// What the game reads arena scripts from before the outranking archive of `mod_dir`: archives of
// the index in the directory whose names sort later and that hold arena scripts, then loose
// scripts of the directory ("scripts/NAME").
std::vector<std::string> Arena_Vorrang_Ueberholer(const TGame_Index* index,
                                                  const std::string& mod_dir);

// Brings the outranking archive of `mod_dir` (MOD `mod` as the MOD list names it) in line with
// the active arena file and the archives of the index, writing it only when its content changes,
// and warns about every place named by Arena_Vorrang_Ueberholer. Without an index the names it
// holds are kept. Throws TFile_Error or TZip_Error when it cannot be written.
void Arena_Vorrang_File_erzeugen(const std::string& game_dir, const std::string& temp_dir,
                                 const std::string& mod, const std::string& mod_dir,
                                 const TGame_Index* index, TInteraction& ui);

// Gives the outranking archive of `mod_dir` the script of the active arena file, keeping its
// names (after an activation, which leaves the set of archives alone). Throws as above.
void Arena_Vorrang_Script_angleichen(const std::string& temp_dir, const std::string& mod_dir);

// Removes the outranking archive of `mod_dir` and what an interrupted write left of one.
void Arena_Vorrang_File_loeschen(const std::string& mod_dir);

}  // namespace vorlix
