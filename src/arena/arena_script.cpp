#include "arena/arena_script.h"

#include <algorithm>
#include <optional>

#include "core/fs_routines.h"
#include "core/letter_case.h"
#include "core/text.h"
#include "database/records.h"

namespace vorlix {

namespace {

constexpr std::size_t Key_Width = 15;
constexpr std::size_t Max_Value_Length = 255;
const char* const Line_End = "\r\n";

std::string Key_Line(const std::string& key, const std::string& value) {
  std::string line = key;
  line.append(Key_Width > key.size() ? Key_Width - key.size() : 0, ' ');
  line += '"';
  line += value;
  line += '"';
  line += Line_End;
  return line;
}

// Blanks and control characters at both ends removed.
std::vector<std::string> Split_Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::string current;
  bool pending = false;  // characters since the last line end
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\r' || c == '\n') {
      lines.push_back(current);
      current.clear();
      pending = false;
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
        ++i;
      }
    } else {
      current += c;
      pending = true;
    }
  }
  if (pending) {
    lines.push_back(current);
  }
  return lines;
}

// The pieces of a value as the game's reader cuts it: trimmed, a blank appended, cut at each
// single blank.
std::vector<std::string> Pieces(const std::string& value) {
  std::vector<std::string> pieces;
  const std::string text = Trim(value) + " ";
  std::size_t start = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == ' ') {
      pieces.push_back(text.substr(start, i - start));
      start = i + 1;
    }
  }
  return pieces;
}

std::string Value_After(const std::string& line, std::size_t key_length) {
  const std::string rest =
      line.size() > key_length ? line.substr(key_length, Max_Value_Length) : std::string();
  return Remove_Quotes(Trim(rest));
}

void Examine(const std::string& line, TArena_Block& block) {
  const std::string lower = platform::Lower(line);
  auto starts = [&](const char* key) { return lower.rfind(key, 0) == 0; };
  if (starts("map")) {
    block.Map = Value_After(line, 3);
  } else if (starts("bots")) {
    block.Bots = Value_After(line, 4);
  } else if (starts("longname")) {
    // not used
  } else if (starts("fraglimit")) {
    block.Fraglimit = Value_After(line, 9);
  } else if (starts("type")) {
    block.Type = Value_After(line, 4);
  }
}

}  // namespace

std::string Make_Game_Type_Words(std::uint8_t game_types) {
  static const std::pair<std::uint8_t, const char*> words[] = {
      {GT_Single_Player, "single"}, {GT_Free_For_All, "ffa"},     {GT_Team_Deathmatch, "team"},
      {GT_Tournament, "tourney"},   {GT_Capture_The_Flag, "ctf"},
  };
  std::string text;
  for (const auto& [bit, word] : words) {
    if ((game_types & bit) != 0) {
      text += word;
      text += ' ';
    }
  }
  if (!text.empty()) {
    text.pop_back();
  }
  return text;
}

bool Map_Belongs_In_Arena_Script(const TMap_Record& map, const std::string& mod) {
  if (map.PK3 == nullptr || !map.Allow_Include_In_Arena_File) {
    return false;
  }
  const std::string upper_mod = platform::Upper(mod);
  const std::string map_dir = platform::Upper(map.PK3->MOD_Directory);
  if (map_dir != upper_mod && map_dir != "BASEQ3") {
    return false;
  }
  return std::any_of(map.Useable_MODs.begin(), map.Useable_MODs.end(),
                     [&](const std::string& m) { return platform::Equal_Ignore_Case(m, mod); });
}

std::string Make_Arena_Block(const TMap_Record& map) {
  const std::string map_value = platform::Lower(Remove_Extension(map.MAP_Filename));
  std::string bots;
  for (const auto& bot : map.Assigned_Bots) {
    if (bot.empty()) {
      continue;  // an empty entry names no bot
    }
    if (!bots.empty()) {
      bots += ' ';
    }
    bots += platform::Lower(bot);
  }
  const std::string long_lower = platform::Lower(map.Map_Longname);

  std::string block = std::string("{") + Line_End;
  block += Key_Line("map", map_value);
  block += Key_Line("bots", bots);
  block += Key_Line("longname", map.Map_Longname);
  if (map_value == "q3dm0" && long_lower == "introduction") {
    block += Key_Line("special", "Training");
  } else if (map_value == "q3tourney6" && long_lower == "the very end of you") {
    block += Key_Line("special", "Final");
  }
  block += Key_Line("fraglimit", std::to_string(map.Limits_Frags));
  block += Key_Line("type", Make_Game_Type_Words(map.Game_Types));
  block += std::string("}") + Line_End;
  block += Line_End;
  return block;
}

std::string Make_Arena_Script(const std::vector<TMap_Record*>& maps, const std::string& mod) {
  std::string script;
  for (const TMap_Record* map : maps) {
    if (map != nullptr && Map_Belongs_In_Arena_Script(*map, mod)) {
      script += Make_Arena_Block(*map);
    }
  }
  return script;
}

std::vector<TArena_Block> Read_Arena_Blocks(const std::string& text) {
  const std::vector<std::string> lines = Split_Lines(text);
  std::vector<TArena_Block> blocks;
  std::size_t next = 0;
  auto read_line = [&]() -> std::optional<std::string> {
    if (next < lines.size()) {
      return lines[next++];
    }
    return std::nullopt;
  };

  while (next < lines.size()) {
    const std::string opening = Trim(lines[next++]);
    const auto brace = opening.find('{');
    if (brace == std::string::npos) {
      continue;
    }
    TArena_Block block;
    std::optional<std::string> line;
    if (opening.size() > 1) {
      line = opening.substr(brace + 1, Max_Value_Length);
    } else {
      line = read_line();
    }
    while (line && line->find('}') == std::string::npos) {
      Examine(*line, block);
      line = read_line();
    }
    if (!block.Map.empty() && !block.Type.empty()) {
      blocks.push_back(block);
    }
  }
  return blocks;
}

std::uint8_t Determine_Game_Types(const std::string& type_value) {
  std::uint8_t types = 0;
  for (const auto& piece : Pieces(type_value)) {
    const std::string word = platform::Lower(piece);
    if (word == "single") {
      types |= GT_Single_Player;
    } else if (word == "ffa") {
      types |= GT_Free_For_All;
    } else if (word == "team") {
      types |= GT_Team_Deathmatch;
    } else if (word == "tourney") {
      types |= GT_Tournament;
    } else if (word == "ctf") {
      types |= GT_Capture_The_Flag;
    } else {
      types |= GT_Other;
    }
  }
  return types;
}

std::vector<std::string> Determine_Bots(const std::string& bots_value) {
  std::vector<std::string> bots;
  for (auto& piece : Pieces(bots_value)) {
    if (!piece.empty()) {
      bots.push_back(std::move(piece));
    }
  }
  return bots;
}

}  // namespace vorlix
