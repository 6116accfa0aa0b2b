#pragma once
// What the listing commands print: one record per line, fields separated by tabs. Line breaks
// and tabs inside a field (possible in a map's title) are printed as blanks, so that every
// record stays on one line.

#include <cstdio>
#include <string>
#include <string_view>

namespace vorlix {

class TMap_Record;
class TMOD_List;
class TMaps_Tree;
class TUnsorted_Maps_List;

// A field as printed: tab, CR and LF become blanks.
std::string Cli_Field(std::string_view text);

// A line as it goes to `stream`: when the stream is a terminal, every control character but the
// tab (bytes below 0x20, and 0x7F) is shown escaped as "\x1b", so that names from archives cannot
// drive the terminal; into a pipe or a file the bytes go as they are.
std::string For_Stream(std::FILE* stream, const std::string& line);
// The same for a known answer to "is it a terminal".
std::string Escape_Controls(const std::string& line);

// The MOD list in order, one line per MOD: name, "own" or "none", number of bots; after each MOD
// one line per bot: tab, Bot_Name, Bot_Model, Bot_PK3.
void Write_Mods(std::FILE* out, const TMOD_List& mods);

// The unsorted maps list in display order, one item per line: Mapname, Filename, in PK3.
void Write_List(std::FILE* out, const TUnsorted_Maps_List& list);

// The maps tree in pre-order, one node per line, indented by two blanks per depth: a group as its
// name, a map entry as its text, the pk3 ID and the map ID.
void Write_Tree(std::FILE* out, const TMaps_Tree& tree);

// A map found by find or random: Mapname, Filename, in PK3 (as the list shows them), pk3 ID,
// map ID, the path of its group (empty in the unsorted list).
void Write_Found_Map(std::FILE* out, TMap_Record& map, const std::string& group_path);

}  // namespace vorlix
