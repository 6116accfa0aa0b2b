#include "content/bots_txt.h"

#include "core/letter_case.h"
#include "core/text.h"

namespace vorlix {

namespace {

// The characters of a line from a (0-based) position on, at most 255 of them.
std::string Teil_ab(const std::string& line, std::size_t position) {
  if (position >= line.size()) {
    return {};
  }
  return line.substr(position, Bot_Feld_Laenge);
}

}  // namespace

void Lies_BOTS_TXT(TBot_Liste& bots, TText_Zeilen& lines, const std::string& pk3_filename) {
  while (!lines.Eof()) {
    const std::string line = Trim(lines.Lies_Zeile());
    const std::size_t brace = line.find('{');
    if (brace == std::string::npos) {
      continue;
    }
    // A block starts: on this line after the brace, or on the next line when the brace stands
    // alone.
    std::string name;
    std::string model;
    std::string current = line.size() > 1 ? Teil_ab(line, brace + 1) : lines.Lies_Zeile();
    for (;;) {
      if (current.find('}') != std::string::npos) {
        break;
      }
      if (platform::Starts_With_Ignore_Case(current, "name")) {
        name = Trim(Teil_ab(current, 4));
      } else if (platform::Starts_With_Ignore_Case(current, "model")) {
        model = Trim(Teil_ab(current, 5));
      }
      if (lines.Eof()) {
        break;
      }
      current = lines.Lies_Zeile();
    }
    if (!name.empty() && !model.empty() && bots.Finde_Bot(name) == -1) {
      bots.Fuege_Bot_hinzu(name, model, pk3_filename);
    }
  }
}

void Lies_BOTS_TXT(TBot_Liste& bots, const std::string& path, const std::string& pk3_filename) {
  TText_Zeilen lines(path);
  Lies_BOTS_TXT(bots, lines, pk3_filename);
}

void Lies_BOTS_TXT_aus_Text(TBot_Liste& bots, std::string_view text,
                            const std::string& pk3_filename) {
  TText_Zeilen lines(text);
  Lies_BOTS_TXT(bots, lines, pk3_filename);
}

}  // namespace vorlix
