// Writes the seed corpus of the fuzz targets: fuzz_make_seeds <corpus folder>.
// Every seed is built here from the tests' builders; none is taken from a game.

#include <cstdint>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "builders.h"
#include "database/content_index.h"
#include "database/database_file.h"
#include "database/records.h"
#include "database/stream.h"
#include "scripted_interaction.h"

namespace fs = std::filesystem;
using namespace vorlix;
using namespace vorlix::testing;

namespace {

fs::path Root;

void Seed(const std::string& target, const std::string& name, const std::string& data) {
  Write_File((Root / target / name).string(), data);
}

void Database_Seeds() {
  const TTemp_Dir dir;
  TScripted_Interaction user;
  for (int archives = 0; archives <= 3; ++archives) {
    TPK3_Record_Store db(TDatabase_Paths{dir.Path(), dir / "TEMP", "", "", ""});
    for (int p = 0; p < archives; ++p) {
      TPK3_Record* pk3 = db.Items(db.Add_Record());
      pk3->ID = p;
      pk3->MOD_Directory = p == 2 ? "cpma" : "baseq3";
      pk3->PK3_Filename = "pak" + std::to_string(p) + ".pk3";
      pk3->Maps = db.New_Map_Manager(pk3);
      for (int m = 0; m < p + 1; ++m) {
        TMap_Record* map = pk3->Maps->Items(pk3->Maps->Add_Record());
        map->ID = m;
        map->MAP_Filename = "q3dm" + std::to_string(m) + ".bsp";
        map->Map_Longname = "Arena " + std::to_string(m);
      }
    }
    const std::string path = dir / "mapsdb.dat";
    if (!TDatabase_File::Save_Database(db, path)) {
      throw std::runtime_error("cannot save a seed database");
    }
    Seed("database", "archives" + std::to_string(archives), Read_File(path));
  }
}

void Tree_Seeds() {
  auto group = [](TByte_Writer& w, std::int32_t children, const std::string& name) {
    w.Write_Integer(Record_Version);
    w.Write_Byte(1);
    w.Write_Integer(children);
    w.Write_String(name);
  };
  auto map = [](TByte_Writer& w, std::int32_t map_id, std::int32_t pk3_id) {
    w.Write_Integer(Record_Version);
    w.Write_Byte(0);
    w.Write_Integer(map_id);
    w.Write_Integer(pk3_id);
  };
  TByte_Writer root_only;
  group(root_only, 0, "Arenas");
  Seed("maps_tree", "root", root_only.Data());
  TByte_Writer nested;
  group(nested, 3, "Arenas");
  map(nested, 0, 0);
  group(nested, 2, "Favourites");
  map(nested, 1, 1);
  map(nested, 9, 9);  // an ID that does not exist
  map(nested, 2, 0);  // a map that is gone
  Seed("maps_tree", "nested", nested.Data());
  TByte_Writer deep;
  group(deep, 1, "Arenas");
  for (int level = 0; level < 50; ++level) {
    group(deep, 1, "G" + std::to_string(level));
  }
  map(deep, 3, 1);
  Seed("maps_tree", "deep", deep.Data());
}

void Text_Seeds() {
  Seed("bots_txt", "two_bots",
       "{\r\nname\tSarge\r\nfunname\t\"^1Sarge\"\r\nmodel\tsarge\r\naifile\tbots/sarge_c.c\r\n}\r\n"
       "// comment\n{\nname Doom\nmodel doom/red\naifile \"bots/doom_c.c\"\n}\n");
  Seed("bots_txt", "open_block", "{\nname Bones\nmodel bones");
  Seed("arena_script", "two_arenas",
       "{\nmap \"q3dm1\"\nlongname \"Arena Gate\"\nfraglimit 15\ntype \"ffa tourney\"\n"
       "bots \"sarge doom\"\n}\n{ map \"ctf1\" type \"ctf team\" }\r\n");
  Seed("arena_script", "cr_only", "{\rmap q3dm2\rtype single  ffa\rbots  anarki \r}\r");
}

void Map_Seeds() {
  Seed("read_longname", "titled", Make_Bsp(Entity_Text("The Longest Yard"), 256));
  Seed("read_longname", "untitled", Make_Bsp(Entity_Text(""), 64));
  Seed("read_longname", "header_only", std::string("IBSP\x2e\0\0\0\x0c\0\0\0", 12));
}

void Content_Seeds() {
  Seed("shader_script", "stages_and_sky",
       "// a comment\ntextures/base/wall\n{\n  qer_editorimage textures/base/wall.tga\n"
       "  surfaceparm nomarks\n  {\n    map $lightmap\n    rgbGen identity\n  }\n"
       "  {\n    map textures/base/wall.tga\n    blendFunc GL_DST_COLOR GL_ZERO\n  }\n}\n"
       "textures/sky/space\n{\n  skyParms env/space 512 -\n  {\n    animMap 2 a.tga b.tga\n"
       "    tcMod scroll 0.1 0\n  }\n  {\n    clampMap \"quoted name.jpg\"\n"
       "    rgbGen wave sin 0 1 0 1\n  }\n}\n");
  Seed("shader_script", "broken",
       "a\r{\r{\rmap x.tga y\r}\r}\rb { /* open comment\n { videoMap c.roq } \"quote");
  const std::string entities =
      "{\n\"classname\" \"worldspawn\"\n\"music\" \"music/intro.wav music/loop.wav\"\n"
      "\"remapshader\" \"textures/a;textures/b\"\n}\n"
      "{\n\"classname\" \"func_door\"\n\"model\" \"*1\"\n\"model2\" \"models/door.md3\"\n}\n"
      "{\n\"classname\" \"target_speaker\"\n\"noise\" \"sound/world/hum\"\n}\n";
  Seed("bsp_references", "lumps",
       Make_Bsp_Drawing(entities, {"textures/common/caulk", "textures/base/wall", "noshader"},
                        {"textures/fog/red"}, 1));
  // A small content index: one archive with a map and a script.
  const TTemp_Dir dir;
  TContent_Index index;
  TContent_Archive archive;
  archive.MOD_Directory = "baseq3";
  archive.PK3_Filename = "tiny.pk3";
  TMap_Content map;
  map.Map_File = "maps/tiny.bsp";
  map.Shaders = {index.Intern("textures/t/a"), index.Intern("textures/t/sky")};
  map.Files = {{TFile_Kind::Model, index.Intern("models/door.md3")},
               {TFile_Kind::Sound, index.Intern("sound/hum.wav")}};
  archive.Maps.push_back(map);
  TScript_Content script;
  script.Script = "scripts/t.shader";
  script.Definitions.push_back({index.Intern("textures/t/a"), {index.Intern("textures/t/f1.tga")}});
  archive.Scripts.push_back(script);
  index.Archives().push_back(archive);
  index.Save(dir / "content.dat");
  Seed("content_index", "tiny", Read_File(dir / "content.dat"));
  Seed("bsp_references", "entities_only", Make_Bsp(entities, 512));
}

void Zip_Seeds() {
  const TTemp_Dir dir;
  const std::string path = dir / "seed.pk3";
  Write_Pk3(path, {{"maps/", ""},
                   {"maps/arena.bsp", Make_Bsp(Entity_Text("Arena"), 128)},
                   {"levelshots/arena.tga", std::string(64, 'x'), {}, true},
                   {"scripts/arena.arena", "{ map arena type ffa }\n"}});
  Seed("zip", "pk3", Read_File(path));
  Write_Pk3(path, {{"bots.txt", "{ name Sarge }"}, {"botfiles/sarge.c", "chat"}});
  Seed("zip", "bots", Read_File(path));
  std::string hostile;
  Write_Pk3(path, {{"aa/../../evil.txt", "x"}, {"bb/cc.txt", "y"}});
  hostile = Read_File(path);
  Replace_Bytes(hostile, "bb/cc.txt", "bb\\cc.txt");
  Seed("zip", "hostile_names", hostile);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: fuzz_make_seeds CORPUS_DIR\n";
    return 2;
  }
  Root = argv[1];
  Database_Seeds();
  Tree_Seeds();
  Text_Seeds();
  Map_Seeds();
  Content_Seeds();
  Zip_Seeds();
  return 0;
}
