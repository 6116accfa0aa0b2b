#pragma once
// Letter case of names: byte-wise ASCII conversion, since the program's names are 8-bit data and
// other bytes stay as they are.

#include <string>
#include <string_view>

namespace vorlix::platform {

inline char Upper_Char(char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}
std::string Upper(std::string text);
std::string Lower(std::string text);
bool Equal_Ignore_Case(std::string_view a, std::string_view b);
bool Starts_With_Ignore_Case(const std::string& text, const std::string& prefix);
bool Ends_With_Ignore_Case(const std::string& text, const std::string& tail);
// A map file name's upper-cased stem, the name the game and its scripts know a map by:
// "q3dm17.bsp" and "Q3DM17" give "Q3DM17".
std::string Map_Stem(const std::string& map_file);

}  // namespace vorlix::platform
