#include "launch/engine_log.h"

#include <algorithm>
#include <cctype>
#include <utility>

#include "core/letter_case.h"

namespace vorlix {

namespace {

// The text between `open` and the next `close` after it; empty when either is missing.
std::string_view Between(std::string_view text, std::string_view open, std::string_view close) {
  const std::size_t start = text.find(open);
  if (start == std::string_view::npos) {
    return {};
  }
  const std::string_view rest = text.substr(start + open.size());
  const std::size_t end = rest.find(close);
  return end == std::string_view::npos ? std::string_view() : rest.substr(0, end);
}

// The map a "Can't find map maps/NAME.bsp" line names (the engine's own spelling); empty when
// the line is another.
std::string_view Map_Not_Found(std::string_view line) {
  constexpr std::string_view lead = "Can't find map maps/";
  constexpr std::string_view tail = ".bsp";
  if (line.size() < lead.size() + tail.size() || !line.starts_with(lead) || !line.ends_with(tail)) {
    return {};
  }
  return line.substr(lead.size(), line.size() - lead.size() - tail.size());
}

// An error that ends a load: an ERR_DROP's "ERROR: ..." or a fatal error's "Sys_Error: ...".
bool Is_Error_Line(std::string_view line) {
  return line.starts_with("ERROR: ") || line.starts_with("Sys_Error: ");
}

// The image a renderer reported missing; empty when the line reports none.
std::string_view Missing_Image(std::string_view line) {
  // A stage's image ("WARNING: " before it in most engines, not in all).
  if (const std::string_view image = Between(line, "R_FindImageFile could not find '", "'");
      !image.empty()) {
    return image;
  }
  // A shader without a script, made of the image of its name (said with `developer 1` only).
  constexpr std::string_view lead = "Couldn't find image file for shader ";
  if (const std::size_t at = line.find(lead); at != std::string_view::npos) {
    return line.substr(at + lead.size());
  }
  return {};
}

}  // namespace

std::string Without_Colour_Codes(std::string_view line) {
  std::string clean;
  clean.reserve(line.size());
  for (std::size_t i = 0; i < line.size(); ++i) {
    if (line[i] == '^' && i + 1 < line.size() &&
        std::isalnum(static_cast<unsigned char>(line[i + 1])) != 0) {
      ++i;
      continue;
    }
    clean.push_back(line[i]);
  }
  return clean;
}

std::map<std::string, TMap_Load_Outcome> Read_Map_Load_Outcomes(std::string_view log) {
  std::map<std::string, TMap_Load_Outcome> outcomes;
  // The map whose load the lines read now belong to ("" for none), and whether that load has come
  // so far that a later error is the game's (a client's game code has started on the map).
  std::string current;
  bool settled = false;
  std::size_t position = 0;
  while (position < log.size()) {
    std::size_t end = log.find('\n', position);
    if (end == std::string_view::npos) {
      end = log.size();
    }
    std::string_view raw = log.substr(position, end - position);
    position = end + 1;
    if (!raw.empty() && raw.back() == '\r') {
      raw.remove_suffix(1);
    }
    const std::string line = Without_Colour_Codes(raw);
    const std::string_view text = line;
    if (text.starts_with("Server: ")) {
      // A server starts on a map; what an earlier load of it said no longer counts.
      current = platform::Lower(std::string(text.substr(8)));
      settled = false;
      outcomes[current] = TMap_Load_Outcome();
      continue;
    }
    if (const std::string_view missing = Map_Not_Found(text); !missing.empty()) {
      TMap_Load_Outcome& outcome = outcomes[platform::Lower(std::string(missing))];
      outcome = TMap_Load_Outcome();
      outcome.Verdict = TLoad_Verdict::Failed;
      outcome.Error_Line = line;
      continue;
    }
    if (current.empty()) {
      continue;
    }
    TMap_Load_Outcome& outcome = outcomes[current];
    if (Is_Error_Line(text)) {
      if (!settled) {
        outcome.Verdict = TLoad_Verdict::Failed;
        outcome.Error_Line = line;
        current.clear();
      }
      continue;
    }
    if (text.starts_with("InitGame: ")) {
      // The server's game code runs on the map: its collision model was loaded.
      outcome.Verdict = TLoad_Verdict::Loaded;
    } else if (text.starts_with("CL_InitCGame: ")) {
      // A client has loaded the map's world, models and sounds.
      outcome.Verdict = TLoad_Verdict::Loaded;
      settled = true;
    } else if (const std::string_view image = Missing_Image(text); !image.empty()) {
      const std::string name(image);
      if (std::find(outcome.Missing_Images.begin(), outcome.Missing_Images.end(), name) ==
          outcome.Missing_Images.end()) {
        outcome.Missing_Images.push_back(name);
      }
    }
  }
  return outcomes;
}

TMap_Load_Outcome Read_Map_Load_Outcome(std::string_view log, std::string_view map_name) {
  std::map<std::string, TMap_Load_Outcome> outcomes = Read_Map_Load_Outcomes(log);
  const auto found = outcomes.find(platform::Lower(std::string(map_name)));
  return found != outcomes.end() ? std::move(found->second) : TMap_Load_Outcome();
}

}  // namespace vorlix
