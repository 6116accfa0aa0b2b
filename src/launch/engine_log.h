#pragma once
// What an engine's console log (qconsole.log, written with `+set logfile 2`) says of a map it was
// asked to load: loaded, or refused with the engine's own error line, and the images its renderer
// could not find for that map.

#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace vorlix {

enum class TLoad_Verdict {
  Unknown,  // the log never reached the map (the engine ended first, or another log)
  Loaded,
  Failed,
};

struct TMap_Load_Outcome {
  TLoad_Verdict Verdict = TLoad_Verdict::Unknown;
  // When failed: the engine's line without its colour codes, e.g.
  // "ERROR: CM_LoadMap: maps/x.bsp has wrong version number (99 should be 46)".
  std::string Error_Line;
  // Image and shader names the renderer reported missing while the map loaded, each once, in the
  // order reported.
  std::vector<std::string> Missing_Images;
};

// Reads the log text (from where the launch began) for the map `map_name` (the name given to
// `+map`, without "maps/" and ".bsp"; compared without regard to letter case, as the engine
// finds it). When the map was loaded more than once, the last load counts.
TMap_Load_Outcome Read_Map_Load_Outcome(std::string_view log, std::string_view map_name);

// What the log says of every map it loads (a server's rotation), by the map's name in lower
// case, read in one pass by the same rules.
std::map<std::string, TMap_Load_Outcome> Read_Map_Load_Outcomes(std::string_view log);

// A console line without the engine's colour codes ("^" and a letter or digit).
std::string Without_Colour_Codes(std::string_view line);

}  // namespace vorlix
