#pragma once
// Archive and map records built in memory, for tests that need no files on disk.

#include <string>

#include "database/records.h"

namespace vorlix::testing {

// A new archive record with its (empty) map list.
inline TPK3_Record* Add_PK3(TPK3_Record_Store& db, const std::string& directory,
                            const std::string& filename, bool present = true) {
  TPK3_Record* pk3 = db.Items(db.Add_Record());
  pk3->MOD_Directory = directory;
  pk3->PK3_Filename = filename;
  pk3->Present = present;
  pk3->Maps = db.New_Map_Manager(pk3);
  return pk3;
}

// A new map record; its title is its file name unless one is given.
inline TMap_Record* Add_Map(TPK3_Record* pk3, const std::string& filename,
                            const std::string& title = {}, bool present = true) {
  TMap_Record* map = pk3->Maps->Items(pk3->Maps->Add_Record());
  map->MAP_Filename = filename;
  map->Map_Longname = title.empty() ? filename : title;
  map->Present = present;
  return map;
}

}  // namespace vorlix::testing
