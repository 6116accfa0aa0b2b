#include "core/game_types.h"

namespace vorlix {

namespace {

bool Same_Word(std::string_view word, std::string_view known) {
  if (word.size() != known.size()) {
    return false;
  }
  for (std::size_t i = 0; i < word.size(); ++i) {
    const char c = word[i];
    if ((c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c) != known[i]) {
      return false;
    }
  }
  return true;
}

// What separates the words of a value: what the engine's tokenizer skips between tokens.
bool Separates(char c) {
  return static_cast<unsigned char>(c) <= ' ';
}

}  // namespace

std::optional<int> Game_Type_Index_Of_Word(std::string_view word) {
  for (int i = 0; i < Game_Type_Count; ++i) {
    if (Same_Word(word, Game_Type_Table[static_cast<std::size_t>(i)].Word)) {
      return i;
    }
  }
  return std::nullopt;
}

std::uint8_t Read_Game_Type_Words(std::string_view type_value) {
  std::uint8_t bits = 0;
  std::size_t i = 0;
  while (i < type_value.size()) {
    if (Separates(type_value[i])) {
      ++i;
      continue;
    }
    const std::size_t begin = i;
    while (i < type_value.size() && !Separates(type_value[i])) {
      ++i;
    }
    const auto index = Game_Type_Index_Of_Word(type_value.substr(begin, i - begin));
    const TGame_Type_Bit bit =
        index ? Game_Type_Table[static_cast<std::size_t>(*index)].Bit : GT_Other;
    bits = static_cast<std::uint8_t>(bits | bit);  // the word "other" is no word of the game
  }
  return bits;
}

std::string Make_Game_Type_Words(std::uint8_t game_types) {
  std::string text;
  for (const TGame_Type& type : Game_Type_Table) {
    if (type.Bit != GT_Other && (game_types & type.Bit) != 0) {
      if (!text.empty()) {
        text += ' ';
      }
      text += type.Word;
    }
  }
  return text;
}

}  // namespace vorlix
