#include "core/text.h"

namespace vorlix {

namespace {
bool Is_Blank(char c) {
  return static_cast<unsigned char>(c) <= 32;
}
}  // namespace

std::string Trim(std::string_view text) {
  std::size_t begin = 0;
  std::size_t end = text.size();
  while (begin < end && Is_Blank(text[begin])) {
    ++begin;
  }
  while (end > begin && Is_Blank(text[end - 1])) {
    --end;
  }
  return std::string(text.substr(begin, end - begin));
}

std::string Format_Message(std::string pattern, const std::string& first,
                           const std::string& second) {
  auto position = pattern.find("%s");
  if (position != std::string::npos) {
    pattern.replace(position, 2, first);
    position = pattern.find("%s", position + first.size());
    if (position != std::string::npos) {
      pattern.replace(position, 2, second);
    }
  }
  return pattern;
}

std::string Some_Of(const std::vector<std::string>& texts, std::size_t shown) {
  std::string joined;
  for (std::size_t i = 0; i < texts.size() && i < shown; ++i) {
    joined += (i == 0 ? "" : ", ") + texts[i];
  }
  if (texts.size() > shown) {
    joined += " and " + std::to_string(texts.size() - shown) + " more";
  }
  return joined;
}

}  // namespace vorlix
