#pragma once
// Map lists in the formats servers read, written from maps in a chosen order and read back as
// names matched to the maps of the database.
//
//   plain    one map name per line
//   mappool  Quake Live's map pool: "map|factory" per line, one line for each factory the map is
//            made for (ffa, duel, tdm, ctf)
//   cpma     Challenge ProMode Arena's map list: "map min_players max_players scorelimit
//            timelimit" per line
//   rotation a server's rotation as the dedicated server's configuration defines it (a chain of
//            `vstr` commands, see server_rotation.h), alone in a .cfg file a server `exec`s; it
//            holds what one such file may (Server_Config_Limit bytes)
//
// Names are the names the game knows maps by (lower-case file names without ".bsp"). A name the
// engines could not read as one word, or that the format would cut, never goes into a list.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "launch/server_rotation.h"

namespace vorlix {

class TGame_Index;
class TInteraction;
class TMaps_Tree;
class TMaps_Tree_Node;
class TMap_Record;
class TPK3_Record_Store;

enum class TList_Format { Plain, Map_Pool, CPMA, Rotation };

// "plain", "mappool", "cpma" or "rotation" (letter case ignored); nullopt for another word.
std::optional<TList_Format> List_Format_From_Word(const std::string& word);

struct TExported_List {
  std::string Text;                     // the file's bytes, each line ending in "\n"
  std::vector<TLeft_Out_Map> Left_Out;  // maps not written, with the reason
};

// The list of the maps in the given order; a name that comes again (the same map in several
// archives) is written once, where it first comes. The maps after those a rotation's file holds
// are left out as well.
TExported_List Export_Map_List(const std::vector<const TMap_Record*>& maps, TList_Format format);

// The largest list file read, and the longest line taken as a name.
inline constexpr std::uint64_t Max_List_File_Size = 64ULL << 20;
inline constexpr std::size_t Max_List_Line_Length = 1024;

struct TList_Reading {
  std::vector<std::string> Names;    // in file order (a rotation's in play order), each once,
                                     // lower case
  std::vector<std::string> Refused;  // "line N: why", for lines that name no map the game loads
                                     // (in a rotation: that are no part of its chain)
};

// The names of a list file's text. Blank lines and comments (lines starting with '#' or "//")
// are skipped. Without a format, it is told from the text: a line `set NAME "..."` or `vstr NAME`
// makes it a rotation, a '|' in a line a map pool, several words in a line a CPMA list, else it is
// a plain list.
//
// A rotation's lines are `set NAME "map MAP; set nextmap vstr NEXT"` (the next map may be left
// out: the chain ends there) and `vstr NAME`, one command each, letter case of the commands and
// setting names ignored, a "//" comment after them allowed. Its names are those of the maps the
// chain plays, in order, from the setting the last `vstr` starts (without one, the first set).
// Any other command, a setting set twice, a `vstr` of a setting the file does not set and a map
// the chain never reaches refuse the line.
TList_Reading Read_Map_List(const std::string& text, std::optional<TList_Format> format);

struct TList_Match {
  std::vector<TMap_Record*> Maps;    // in the order of the names
  std::vector<std::string> Unknown;  // names no map of the database has
};

// The maps of the database the names stand for, letter case ignored. When several archives hold
// a map, the one the game loads for `mod` (with `bases`, as the index tells) is taken; without an
// index, or when the game would load none of them, the first present one of the database.
TList_Match Match_Map_Names(const std::vector<std::string>& names,
                            const TPK3_Record_Store& database, const TGame_Index* index,
                            const std::string& mod, const std::vector<std::string>& bases);

// A list file made a group: what both front ends do with a file the user names.
struct TList_Import {
  std::string Error;       // why nothing was made (told as an error); "" when the group was made
  std::string Group_Path;  // "Arenas/NAME"
  int Count = 0;           // the maps of the new group
  std::vector<std::string> Unknown;  // names of the list without a map
  std::vector<std::string> Sorted;   // names of maps that stay in the groups they are sorted into
  // The warnings about the unknown and the sorted names (at most one each), for the user.
  std::vector<std::string> Notes() const;
};

// Whether a new group may have the name: one line of text without "/", which separates the
// groups of a path.
bool Is_New_Group_Name(const std::string& name);

// The group for the list file at `path`, made below the root group as `group_name`. A file that
// cannot be read, or with a line that names no map, makes nothing; neither does a name that is
// no new group's name or that a group below the root has already.
TList_Import Import_Map_List(const std::string& path, const std::string& group_name,
                             std::optional<TList_Format> format, TMaps_Tree& tree,
                             const TPK3_Record_Store& database, const TGame_Index* index,
                             const std::string& mod);

// The window's Export Map List: asks for the format and the file, writes the list and tells what
// was left out. True when a file was written.
bool Export_Map_List_Asking(const std::vector<const TMap_Record*>& maps,
                            const std::string& group_name, TInteraction& ui);
// The window's Import Map List: asks for the file and makes its group, named after the file
// (" 2", " 3", ... added when the name is taken). The new group, or null.
const TMaps_Tree_Node* Import_Map_List_Asking(TMaps_Tree& tree, const TPK3_Record_Store& database,
                                              const TGame_Index* index, const std::string& mod,
                                              TInteraction& ui);

}  // namespace vorlix
