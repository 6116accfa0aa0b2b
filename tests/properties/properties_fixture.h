#pragma once
// A small installation in memory for the properties and launch tests: a pk3 database with maps
// in the base directory and in MOD directories, and a MOD list with bot lists.

#include <memory>
#include <string>
#include <vector>

#include "builders.h"
#include "content/mod_list.h"
#include "core/letter_case.h"
#include "database/records.h"
#include "properties/map_properties_model.h"
#include "records_builder.h"
#include "scripted_interaction.h"

namespace vorlix::testing {

struct TProperties_Fixture {
  TScripted_Interaction Interaction;
  TPK3_Record_Store Database{TDatabase_Paths{}};
  TMOD_List Mods;

  // Appends a MOD with bots given as {name, model} pairs; own = a bots file was found.
  void Add_MOD(const std::string& name,
               const std::vector<std::pair<std::string, std::string>>& bots, bool own = true) {
    Mods.Append(name);
    auto list = std::make_unique<TBot_List>(platform::Upper(name));
    list->Has_Own_Bots = own;
    for (const auto& [bot, model] : bots) {
      list->Add_Bot(bot, model, "pak0.pk3");
    }
    Mods.Attach_Bots(Mods.Count() - 1, std::move(list));
  }

  // The archive record (created on first use) and a new map in it.
  TMap_Record* Add_Map(const std::string& mod_dir, const std::string& pk3,
                       const std::string& map_file) {
    const int index = Database.Find_PK3(mod_dir, pk3);
    TMap_Record* map =
        testing::Add_Map(index >= 0 ? Database.Items(index) : Add_PK3(Database, mod_dir, pk3),
                         map_file, "Title of " + map_file);
    map->Has_AAS = true;
    return map;
  }

  TProperties_Context Context(const std::string& botinfo = {}, const std::string& game = {}) {
    return {.Botinfo_Dir = botinfo,
            .Game_Dir = game,
            .Mods = &Mods,
            .Database = &Database,
            .Interaction = &Interaction,
            .Locale = QLocale(QLocale::English, QLocale::UnitedStates)};
  }

  // The standard setup: BASEQ3 with three bots, MYMOD with bots of its own (one shared with
  // BASEQ3), NOBOTS without a bots file.
  void Standard_MODs() {
    Add_MOD("baseq3", {{"Sarge", "sarge"}, {"Major", "major/red"}, {"Grunt", "grunt"}});
    Add_MOD("mymod", {{"Alien", "alien"}, {"Sarge", "sarge/krusade"}});
    Add_MOD("nobots", {}, false);
  }
};

inline std::vector<std::string> Names(const TCheck_List& list) {
  std::vector<std::string> names;
  for (const auto& entry : list.Entries()) {
    names.push_back(entry.Name);
  }
  return names;
}

inline char Mark(TCheck_State state) {
  return state == TCheck_State::Checked ? '+' : state == TCheck_State::Greyed ? '?' : '-';
}
// A check list as its names with their marks: "+checked ?greyed -cleared".
inline std::string Marks(const TCheck_List& list) {
  std::string text;
  for (const auto& entry : list.Entries()) {
    text += (text.empty() ? "" : " ") + std::string(1, Mark(entry.State)) + entry.Name;
  }
  return text;
}
// The game-type boxes' marks in their order (Single Player first), e.g. "+---+-".
inline std::string Marks(const std::array<TCheck_Field, Game_Type_Count>& boxes) {
  std::string text;
  for (const auto& box : boxes) {
    text += Mark(box.State);
  }
  return text;
}

}  // namespace vorlix::testing
