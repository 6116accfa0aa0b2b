#pragma once
// What the listing commands print: one record per line, fields separated by tabs. Line breaks
// and tabs inside a field (possible in a map's title) are printed as blanks, so that every
// record stays on one line.

#include <cstdio>
#include <string>

namespace vorlix {

class TMOD_Liste;
class TMaps_Tree;
class TUnsorted_Maps_List;

// A field as printed: tab, CR and LF become blanks.
std::string Cli_Field(const std::string& text);

// The MOD list in order, one line per MOD: name, "own" or "none", number of bots; after each MOD
// one line per bot: tab, Bot_Name, Bot_Model, Bot_PK3.
void Write_Mods(std::FILE* out, const TMOD_Liste& mods);

// The unsorted maps list in display order, one item per line: Mapname, Filename, in PK3.
void Write_List(std::FILE* out, const TUnsorted_Maps_List& list);

// The maps tree in pre-order, one node per line, indented by two blanks per depth: a group as its
// name, a map entry as its text, the pk3 ID and the map ID.
void Write_Tree(std::FILE* out, const TMaps_Tree& tree);

}  // namespace vorlix
