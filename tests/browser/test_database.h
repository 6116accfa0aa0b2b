#pragma once
// An in-memory database for the browser tests: archives with maps, built field by field.

#include <memory>
#include <string>

#include "database/records.h"
#include "scripted_interaction.h"

namespace vorlix::testing {

class TTest_Database {
 public:
  TTest_Database() : Database(TDatabase_Paths{}, &Interaction) {}

  TPK3_Datei_Eintrag* Add_PK3(const std::string& directory, const std::string& filename,
                              bool present = true) {
    TPK3_Datei_Eintrag* pk3 = Database.Items(Database.Add_Record());
    pk3->MOD_Directory = directory;
    pk3->PK3_Filename = filename;
    pk3->Present = present;
    pk3->Maps = Database.New_Map_Manager(pk3);
    return pk3;
  }

  static TMAP_Datei_Eintrag* Add_Map(TPK3_Datei_Eintrag* pk3, const std::string& filename,
                                     const std::string& long_name = std::string(),
                                     bool present = true) {
    TMAP_Datei_Eintrag* map = pk3->Maps->Items(pk3->Maps->Add_Record());
    map->MAP_Filename = filename;
    map->Map_Longname = long_name.empty() ? filename : long_name;
    map->Present = present;
    return map;
  }

  TScripted_Interaction Interaction;
  TPK3_Dateien_Verwaltung Database;
};

}  // namespace vorlix::testing
