#pragma once
// Which picture the levelshot preview shows for a map, and the text beside it.

#include <optional>
#include <string>

namespace vorlix {

class TMap_Record;
class TPK3_Record_Store;

inline constexpr const char* Placeholder_Levelshot = "NOLEVELSHOTAVAILABLE.JPG";

struct TLevelshot_Choice {
  // The picture file to decode; none when the file is missing (the preview turns white).
  std::optional<std::string> Path;
  // The text after "Levelshot": "of " and the long name, or empty.
  std::string Label;
  // The map whose levelshot (and long name) is used.
  const TMap_Record* Used_Map = nullptr;
};

// The map record carrying the levelshot for a map: among the archives from the last to the first
// and their maps from the first to the last, the first map of the same MOD directory and file
// name (ignoring case) with a TGA or JPG levelshot; the map itself when there is none.
const TMap_Record* Find_Levelshot_Map(const TPK3_Record_Store& database, const TMap_Record& map);

// The picture for a map (Show_Levelshot without the drawing): the extracted JPG (preferred)
// or TGA below LEVELSHOTS/<MOD>/<archive>/, else the placeholder in the GFX folder; a missing file
// gives no path and an empty label.
TLevelshot_Choice Choose_Levelshot(const TPK3_Record_Store& database, const TMap_Record& map,
                                   const std::string& levelshots_dir, const std::string& gfx_dir);

}  // namespace vorlix
