#pragma once
// The reader of the game's bot script (scripts/bots.txt): blocks in braces with "name" and
// "model" keys; every complete bot whose name is new to the list is appended.
//
// The reader's rules, which the stored data depends on: keys are recognised ignoring case, but
// only at the very first character of a line inside a block (such lines are not trimmed); a key
// is a prefix test ("names x" sets the name "s x"); values keep their inner characters and are
// only trimmed; a "}" anywhere in a line ends the block; the end of the input ends an open block;
// of two blocks with the same name the first one stays.

#include <string>
#include <string_view>

#include "content/mod_list.h"
#include "content/text_lines.h"

namespace vorlix {

// Reads the blocks of `lines` into `bots`, with `pk3_filename` as each entry's Bot_PK3.
// Raises TText_Read_Error when the input cannot be read; entries read before stay.
void Read_BOTS_TXT(TBot_List& bots, TText_Lines& lines, const std::string& pk3_filename);
// The same for a file (raises TText_Read_Error when it cannot be opened or read).
void Read_BOTS_TXT(TBot_List& bots, const std::string& path, const std::string& pk3_filename);
// The same for text in memory.
void Read_BOTS_TXT_From_Text(TBot_List& bots, std::string_view text,
                             const std::string& pk3_filename);

}  // namespace vorlix
