#pragma once
// The tokens of the engine's text files (shader scripts, the entity text of a map), cut as the
// engine's own tokenizer cuts them:
// - the text ends at its first NUL byte;
// - blanks are the bytes up to the space and, since the engine reads its text as signed
//   characters, every byte from 0x80 on: such a byte separates two tokens;
// - "//" and "/*" start comments only where a token would start ("a//b" is one token); a block
//   comment spanning lines does not count as a line break;
// - a token in quotation marks runs to the next quotation mark or the end of the text, line breaks
//   included; "" is an empty token, which readers take for the end as the engine does;
// - a token keeps its first 1023 characters, the rest is read over.
// Every call costs time in proportion to the characters it passes.

#include <cstddef>
#include <string>
#include <string_view>

namespace vorlix {

inline constexpr std::size_t Token_Length_Limit = 1023;

class TEngine_Tokens {
 public:
  explicit TEngine_Tokens(std::string_view text);

  // The next token; "" at the end of the text and, with `allow_line_breaks` false, when the next
  // token stands on a later line (that token stays to be read).
  std::string Next(bool allow_line_breaks = true);
  // Reads over the rest of the current line and its line break.
  void Skip_Rest_Of_Line();
  // Reads tokens until the braces opened (`depth` already open) are closed; a brace counts only
  // as a token of its own. False when the text ends first.
  bool Skip_Braced_Section(int depth);

  // True once a read found no token left (the engine's reading position is gone then).
  bool Ended() const { return Ended_; }
  // Where the next read starts.
  std::size_t Position() const { return Position_; }

 private:
  std::string_view Text_;
  std::size_t Position_ = 0;
  bool Ended_ = false;
};

// A byte the engine's tokenizer takes for a blank.
inline bool Is_Engine_Blank(char c) {
  return static_cast<unsigned char>(c) <= ' ' || static_cast<unsigned char>(c) >= 0x80;
}

// The ASCII letter-case-insensitive comparisons of the engine's keywords.
bool Same_Word(std::string_view a, std::string_view b);
bool Starts_With_Word(std::string_view text, std::string_view prefix);

// The engine's compression of its shader text before it looks for shaders in it: comments
// removed wherever they start (also inside a word: "a//b" keeps "a"), runs of spaces and tabs
// made one space and runs of line breaks (CR or LF) one LF, both only before a following token;
// quoted parts copied as they are. `comment_left_open` tells whether a block comment ran to the
// end (it then swallows whatever text the engine puts after this one).
std::string Compress_Script(std::string_view text, bool& comment_left_open);

}  // namespace vorlix
