#include "browser/levelshot.h"

#include "core/case_lookup.h"
#include "core/fs_routines.h"
#include "core/letter_case.h"
#include "database/records.h"

namespace vorlix {

const TMap_Record* Find_Levelshot_Map(const TPK3_Record_Store& database, const TMap_Record& map) {
  const std::string directory =
      map.PK3 != nullptr ? platform::Lower(map.PK3->MOD_Directory) : std::string();
  const std::string filename = platform::Lower(map.MAP_Filename);
  for (int p = database.Count() - 1; p >= 0; --p) {
    const TPK3_Record* pk3 = database.Items(p);
    if (!pk3->Maps || platform::Lower(pk3->MOD_Directory) != directory) {
      continue;
    }
    for (int m = 0; m < pk3->Maps->Count(); ++m) {
      const TMap_Record* candidate = pk3->Maps->Items(m);
      if ((candidate->Has_Levelshot_TGA || candidate->Has_Levelshot_JPG) &&
          platform::Lower(candidate->MAP_Filename) == filename) {
        return candidate;
      }
    }
  }
  return &map;
}

TLevelshot_Choice Choose_Levelshot(const TPK3_Record_Store& database, const TMap_Record& map,
                                   const std::string& levelshots_dir, const std::string& gfx_dir) {
  TLevelshot_Choice choice;
  const TMap_Record* used = Find_Levelshot_Map(database, map);
  choice.Used_Map = used;
  std::string picture;
  const std::string stem = Remove_Extension(used->MAP_Filename);
  if (used->Has_Levelshot_TGA) {
    picture = stem + ".tga";
  }
  if (used->Has_Levelshot_JPG) {
    picture = stem + ".jpg";
  }
  std::optional<std::string> path;
  bool placeholder = false;
  if (!picture.empty() && used->PK3 != nullptr) {
    // The folders and files were made by the scan; their letter case is not relied upon.
    path = platform::Resolve_Ignore_Case(
        levelshots_dir, used->PK3->MOD_Directory + "/" + used->PK3->PK3_Filename + "/" + picture);
  } else if (picture.empty()) {
    path = platform::Resolve_Ignore_Case(gfx_dir, Placeholder_Levelshot);
    placeholder = true;
  }
  if (path) {
    choice.Path = path;
    if (!placeholder) {
      choice.Label = "of " + used->Map_Longname;
    }
  }
  return choice;
}

}  // namespace vorlix
