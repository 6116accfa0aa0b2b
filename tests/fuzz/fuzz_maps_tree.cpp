// The tree file loader on arbitrary bytes, against a small database whose IDs the inputs can hit:
// no crash, no sanitizer report, and a failed load leaves at most what the file described.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "browser/maps_tree.h"
#include "core/session.h"
#include "database/records.h"
#include "scripted_interaction.h"

namespace {

using namespace vorlix;

struct TFixture {
  TFixture() : Database(TDatabase_Paths{}, &User) {
    // IDs 0..3 for the archives and their maps, one archive and one map marked as gone.
    for (int p = 0; p < 4; ++p) {
      TPK3_Datei_Eintrag* pk3 = Database.Items(Database.Add_Record());
      pk3->ID = p;
      pk3->MOD_Directory = "baseq3";
      pk3->PK3_Filename = "pak" + std::to_string(p) + ".pk3";
      pk3->Present = p != 3;
      pk3->Maps = Database.New_Map_Manager(pk3);
      for (int m = 0; m < 4; ++m) {
        TMAP_Datei_Eintrag* map = pk3->Maps->Items(pk3->Maps->Add_Record());
        map->ID = m;
        map->MAP_Filename = "map" + std::to_string(p) + std::to_string(m) + ".bsp";
        map->Map_Longname = map->MAP_Filename;
        map->Present = m != 2;
      }
    }
  }
  testing::TScripted_Interaction User;
  TPK3_Dateien_Verwaltung Database;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static TFixture* fixture = new TFixture;  // lives for the whole run
  testing::TScripted_Interaction user;
  TMaps_Tree tree;
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  const bool loaded = tree.Load_From_Bytes(bytes, fixture->Database, user);
  std::size_t nodes = 0;
  tree.For_Each([&](const TMaps_Tree_Node& node, int) {
    ++nodes;
    if (!node.Is_Group() && (node.Map == nullptr || !node.Map->Present)) {
      __builtin_trap();  // only maps that exist reach the tree
    }
  });
  // Every node costs at least five bytes of the file (version and kind).
  if (nodes > size / 5 + 1) {
    __builtin_trap();
  }
  if (loaded) {
    // What loaded saves again and loads to the same shape.
    TMaps_Tree again;
    testing::TScripted_Interaction quiet;
    if (!again.Load_From_Bytes(tree.Serialize(), fixture->Database, quiet) ||
        again.Serialize() != tree.Serialize()) {
      __builtin_trap();
    }
  }
  Session_Flags() = {};
  return 0;
}
