#include "content/bots_txt.h"

#include "core/letter_case.h"
#include "core/text.h"

namespace vorlix {

namespace {

// The characters of a line from a (0-based) position on, at most 255 of them.
std::string Part_From(const std::string& line, std::size_t position) {
  if (position >= line.size()) {
    return {};
  }
  return line.substr(position, Bot_Field_Length);
}

}  // namespace

void Read_BOTS_TXT(TBot_List& bots, TText_Lines& lines, const std::string& pk3_filename) {
  while (!lines.Eof()) {
    const std::string line = Trim(lines.Read_Line());
    const std::size_t brace = line.find('{');
    if (brace == std::string::npos) {
      continue;
    }
    // A block starts: on this line after the brace, or on the next line when the brace stands
    // alone.
    std::string name;
    std::string model;
    std::string current = line.size() > 1 ? Part_From(line, brace + 1) : lines.Read_Line();
    for (;;) {
      if (current.find('}') != std::string::npos) {
        break;
      }
      if (platform::Starts_With_Ignore_Case(current, "name")) {
        name = Trim(Part_From(current, 4));
      } else if (platform::Starts_With_Ignore_Case(current, "model")) {
        model = Trim(Part_From(current, 5));
      }
      if (lines.Eof()) {
        break;
      }
      current = lines.Read_Line();
    }
    if (!name.empty() && !model.empty() && bots.Find_Bot(name) == -1) {
      bots.Add_Bot(name, model, pk3_filename);
    }
  }
}

void Read_BOTS_TXT(TBot_List& bots, const std::string& path, const std::string& pk3_filename) {
  TText_Lines lines(path);
  Read_BOTS_TXT(bots, lines, pk3_filename);
}

void Read_BOTS_TXT_From_Text(TBot_List& bots, std::string_view text,
                             const std::string& pk3_filename) {
  TText_Lines lines(text);
  Read_BOTS_TXT(bots, lines, pk3_filename);
}

}  // namespace vorlix
