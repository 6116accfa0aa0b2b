#include "core/letter_case.h"

namespace vorlix::platform {

std::string Upper(std::string text) {
  for (char& c : text) {
    if (c >= 'a' && c <= 'z') {
      c = static_cast<char>(c - 'a' + 'A');
    }
  }
  return text;
}

std::string Lower(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') {
      c = static_cast<char>(c - 'A' + 'a');
    }
  }
  return text;
}

bool Equal_Ignore_Case(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) {
    return false;
  }
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (Upper_Char(a[i]) != Upper_Char(b[i])) {
      return false;
    }
  }
  return true;
}

bool Starts_With_Ignore_Case(const std::string& text, const std::string& prefix) {
  return text.size() >= prefix.size() && Equal_Ignore_Case(text.substr(0, prefix.size()), prefix);
}

bool Ends_With_Ignore_Case(const std::string& text, const std::string& tail) {
  return text.size() >= tail.size() &&
         Equal_Ignore_Case(text.substr(text.size() - tail.size()), tail);
}

std::string Map_Stem(const std::string& map_file) {
  std::string stem = Upper(map_file);
  if (stem.size() > 4 && stem.compare(stem.size() - 4, 4, ".BSP") == 0) {
    stem.resize(stem.size() - 4);
  }
  return stem;
}

}  // namespace vorlix::platform
