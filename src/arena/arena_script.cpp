#include "arena/arena_script.h"

#include <algorithm>

#include "core/fs_routines.h"
#include "core/letter_case.h"
#include "core/text.h"
#include "database/archive_facts.h"
#include "database/records.h"

namespace vorlix {

namespace {

constexpr std::size_t Key_Width = 15;
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

}  // namespace

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

TArena_Block Arena_Block_Of(const TArena_Info& info) {
  return {info.Value("map"), info.Value("bots"), info.Value("fraglimit"), info.Value("type")};
}

std::vector<TArena_Block> Read_Arena_Blocks(const std::string& text) {
  std::vector<TArena_Block> blocks;
  for (const TArena_Info& info : Parse_Arena_Blocks(text, {})) {
    TArena_Block block = Arena_Block_Of(info);
    if (!Trim(block.Map).empty() && !Trim(block.Type).empty()) {
      blocks.push_back(std::move(block));
    }
  }
  return blocks;
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
