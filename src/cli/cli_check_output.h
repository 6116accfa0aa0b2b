#pragma once
// What `check` prints: the collection's report, or one map's content, as tab-separated records
// or as one JSON document. Names come from archives as their bytes (Latin-1): JSON gets them as
// UTF-8 with every control character escaped.

#include <cstdio>
#include <string>
#include <string_view>

#include "database/collection_check.h"

namespace vorlix {

// A JSON string literal of bytes read as Latin-1.
std::string Json_String(std::string_view latin1);

// Records, one a line:
//   missing TAB MOD/PK3 TAB map TAB total TAB textures TAB shader images TAB models TAB sounds
//   duplicate TAB MOD TAB map TAB identical|different TAB MOD/PK3 loaded TAB other copies (", ")
//   overrides TAB MOD/PK3 TAB files TAB game modules TAB menus TAB shader scripts TAB maps TAB
//     other TAB the places whose copies it replaces (", ")
//   dead TAB MOD/PK3
//   problem TAB text
std::string Check_Report_Text(const TCollection_Report& report);
std::string Check_Report_Json(const TCollection_Report& report);

// One map's records:
//   missing TAB kind TAB name TAB shader needing it (or empty) TAB MOD/PK3 holding it (or empty)
//   overridden TAB name TAB MOD/PK3 whose copy the game loads
//   problem TAB text
std::string Map_Check_Text(const TMap_Content_State& state);
std::string Map_Check_Json(const TContent_Place& place, const std::string& map_file,
                           const TMap_Content_State& state);

}  // namespace vorlix
