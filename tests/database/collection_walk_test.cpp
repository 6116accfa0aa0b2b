// The collection check against a plain walk: random installations of several MOD directories
// (archives of varied names and letter case, loose files, maps, textures, shader scripts defining
// one shader in several places), every archive opened and read here, the engine's rules applied
// directly, and each map's missing and overridden files compared with what the check says.

#include <algorithm>
#include <array>
#include <filesystem>
#include <map>
#include <random>
#include <set>

#include <gtest/gtest.h>

#include "builders.h"
#include "content/bsp_references.h"
#include "content/shader_script.h"
#include "core/letter_case.h"
#include "database/collection_check.h"
#include "database/game_index.h"
#include "database/zip_archive.h"

namespace vorlix::testing {
namespace {

namespace fs = std::filesystem;

const std::string Base = "baseq3";

// ---- the plain walk ---------------------------------------------------------------------------

// A directory's loose files (Archive empty) or an archive, with what it holds.
struct TWalk_Place {
  std::string Dir;
  std::string Archive;
  std::vector<std::string> Files;  // members as stored in directory order, or loose paths
  std::set<std::string> Lookup;    // archives: the members' lookup forms; loose: the paths
};

std::string Lookup_Form(std::string name) {
  name = name.substr(0, name.find('\0'));
  std::replace(name.begin(), name.end(), '\\', '/');
  std::replace(name.begin(), name.end(), ':', '/');
  return platform::Lower(std::move(name));
}

bool Holds(const TWalk_Place& place, const std::string& name) {
  if (place.Archive.empty()) {
    std::string exact = name;
    std::replace(exact.begin(), exact.end(), '\\', '/');
    return place.Lookup.count(exact) > 0;
  }
  return place.Lookup.count(Lookup_Form(name)) > 0;
}

std::string Read_Member(TZip_Archive& zip, int index) {
  std::string data(zip.Entry(index).Size64, '\0');
  zip.Open_Member(index)->Read(data.data(), data.size());
  return data;
}

// Every place of a directory: its loose files (every regular file below it but the archives at
// its top), then its archives from the one whose upper-cased name sorts last.
std::vector<TWalk_Place> Places_Of(const std::string& game, const std::string& dir) {
  std::vector<TWalk_Place> places(1);
  places[0].Dir = dir;
  const fs::path top = fs::path(game) / dir;
  std::vector<std::string> archives;
  for (const auto& entry : fs::recursive_directory_iterator(top)) {
    if (!entry.is_regular_file()) {
      continue;
    }
    const std::string relative = fs::relative(entry.path(), top).string();
    if (entry.path().parent_path() == top && Lookup_Form(relative).ends_with(".pk3")) {
      archives.push_back(relative);
    } else {
      places[0].Files.push_back(relative);
      places[0].Lookup.insert(relative);
    }
  }
  std::sort(places[0].Files.begin(), places[0].Files.end(),
            [](const std::string& a, const std::string& b) {
              return platform::Upper(a) < platform::Upper(b);
            });
  std::sort(archives.begin(), archives.end(), [](const std::string& a, const std::string& b) {
    return platform::Upper(a) > platform::Upper(b);
  });
  for (const std::string& archive : archives) {
    TWalk_Place place{dir, archive, {}, {}};
    TZip_Archive zip;
    zip.Set_Zip_Filename((top / archive).string());
    for (const TZip_Entry& entry : zip.Entries()) {
      place.Files.push_back(entry.Name);
      place.Lookup.insert(Lookup_Form(entry.Name));
    }
    places.push_back(std::move(place));
  }
  return places;
}

// The text of a place's file (a loose file or the member stored last of that lookup form).
std::string Text_Of(const std::string& game, const TWalk_Place& place, const std::string& name) {
  if (place.Archive.empty()) {
    return Read_File((fs::path(game) / place.Dir / name).string());
  }
  TZip_Archive zip;
  zip.Set_Zip_Filename((fs::path(game) / place.Dir / place.Archive).string());
  for (int i = zip.Count() - 1; i >= 0; --i) {
    if (Lookup_Form(zip.Entry(i).Name) == Lookup_Form(name)) {
      return Read_Member(zip, i);
    }
  }
  return "";
}

struct TWalk_Definition {
  TShader_Origin Origin;
  TShader_Definition Definition;
};

// The installation as the walk sees it: each directory's places, each search path's
// definitions of every shader.
class TPlain_Walk {
 public:
  TPlain_Walk(std::string game, const std::vector<std::string>& dirs) : Game_(std::move(game)) {
    for (const std::string& dir : dirs) {
      Places_[dir] = Places_Of(Game_, dir);
    }
  }

  std::vector<const TWalk_Place*> Search_Path(const std::string& mod) const {
    std::vector<const TWalk_Place*> path;
    for (const std::string& dir :
         mod == Base ? std::vector<std::string>{Base} : std::vector<std::string>{mod, Base}) {
      for (const TWalk_Place& place : Places_.at(dir)) {
        path.push_back(&place);
      }
    }
    return path;
  }

  const std::map<std::string, std::vector<TWalk_Place>>& Places() const { return Places_; }
  const std::string& Game() const { return Game_; }

  // Every definition of the shader scripts (scripts/*.shader) along the search path, by name;
  // a script path held by several places read only from the first one.
  std::map<std::string, std::vector<TWalk_Definition>> Definitions(const std::string& mod) const {
    std::map<std::string, std::vector<TWalk_Definition>> found;
    std::set<std::string> read;
    const std::vector<const TWalk_Place*> path = Search_Path(mod);
    for (std::size_t at = 0; at < path.size(); ++at) {
      for (std::size_t m = 0; m < path[at]->Files.size(); ++m) {
        const std::string& file = path[at]->Files[m];
        const std::string form = Lookup_Form(file);
        if (!form.starts_with("scripts/") || !form.ends_with(".shader") ||
            form.find('/', 8) != std::string::npos || !read.insert(form).second) {
          continue;
        }
        const TShader_Script script = Read_Shader_Script(Text_Of(Game_, *path[at], file));
        if (script.Ignored_By_Engine) {
          continue;
        }
        for (std::size_t d = 0; d < script.Definitions.size(); ++d) {
          found[script.Definitions[d].Name].push_back({{at, m, form, d}, script.Definitions[d]});
        }
      }
    }
    return found;
  }

 private:
  std::string Game_;
  std::map<std::string, std::vector<TWalk_Place>> Places_;
};

// The names a file is found under: images by the renderer's candidates, models and sounds by
// their other extensions.
std::vector<std::string> Candidates(TContent_Kind kind, const std::string& name,
                                    TImage_Order order) {
  if (kind == TContent_Kind::Texture || kind == TContent_Kind::Shader_Image) {
    return Image_Candidates(name, order);
  }
  const std::vector<std::string> extensions =
      kind == TContent_Kind::Model ? std::vector<std::string>{".md3", ".mdr", ".iqm"}
                                   : std::vector<std::string>{".wav", ".ogg", ".opus"};
  std::vector<std::string> names{name};
  const std::size_t dot = name.rfind('.');
  const std::string stem = dot == std::string::npos ? name : name.substr(0, dot);
  const std::string extension = dot == std::string::npos ? "" : platform::Lower(name.substr(dot));
  if (kind == TContent_Kind::Sound ||
      std::find(extensions.begin(), extensions.end(), extension) != extensions.end()) {
    for (const std::string& other : extensions) {
      if (other != extension) {
        names.push_back(stem + other);
      }
    }
  }
  return names;
}

// The first place of `places` holding a file by one of its candidates, each candidate tried
// over all places before the next one; nullptr for none.
const TWalk_Place* Winner(const std::vector<const TWalk_Place*>& places,
                          const std::vector<std::string>& names) {
  for (const std::string& name : names) {
    for (const TWalk_Place* place : places) {
      if (Holds(*place, name)) {
        return place;
      }
    }
  }
  return nullptr;
}

// The names of the 72-byte entries of the lump `lump` of a map file ("" for an empty one).
std::vector<std::string> Lump_Names(const std::string& bsp, std::size_t lump) {
  std::vector<std::string> names;
  const std::uint32_t offset = Get_U32(bsp, 8 + lump * 8);
  for (std::uint32_t at = offset; at + 72 <= offset + Get_U32(bsp, 12 + lump * 8); at += 72) {
    const std::string name = bsp.substr(at, 64);
    names.push_back(name.substr(0, name.find('\0')));
  }
  return names;
}

// What the walk finds for one map: its missing and overridden files as lines to compare.
struct TWalk_Result {
  std::vector<std::string> Missing;
  std::vector<std::string> Overridden;
};

std::string Place_Line(const std::string& dir, const std::string& archive) {
  return archive.empty() ? dir + ":loose" : dir + "/" + archive;
}

using TDefinitions = std::map<std::string, std::vector<TWalk_Definition>>;

TWalk_Result Walk_Map(const TPlain_Walk& walk, const TDefinitions& definitions,
                      const std::string& mod, const std::string& archive,
                      const std::string& map_file, const TContent_Rules& rules) {
  const std::vector<const TWalk_Place*> path = walk.Search_Path(mod);
  const TWalk_Place* own = nullptr;
  for (const TWalk_Place* place : path) {
    own = place->Dir == mod && place->Archive == archive ? place : own;
  }
  std::vector<const TWalk_Place*> outside;
  for (const auto& [dir, places] : walk.Places()) {
    if (dir != mod && dir != Base) {
      for (const TWalk_Place& place : places) {
        outside.push_back(&place);
      }
    }
  }
  TWalk_Result result;
  std::set<std::string> missing;
  std::set<std::string> overridden;
  // A file the map needs, missing when no place of the path holds it.
  // A texture is told by the name of the shader it stands for, a file two shaders need once
  // (with the first of them).
  std::set<std::string> told;
  const auto need = [&](TContent_Kind kind, const std::string& name, const std::string& shader) {
    const std::vector<std::string> names = Candidates(kind, name, rules.Image_Order);
    const std::string file = std::string(Content_Kind_Text(kind)) + " " +
                             (kind == TContent_Kind::Texture ? Shader_Lookup_Key(name) : name);
    if (Winner(path, names) == nullptr && told.insert(file).second) {
      const bool elsewhere = Winner(outside, names) != nullptr;
      missing.insert(file + " [" + shader + "]" + (elsewhere ? " found elsewhere" : ""));
    }
  };
  // Every member of the map's archive the game takes from another place of the search path: a
  // loose file of its exact name, or an archive searched earlier.
  for (const std::string& file : own->Files) {
    const auto winner = std::find_if(path.begin(), path.end(), [&](const TWalk_Place* place) {
      return place->Archive.empty() ? place->Lookup.count(file) > 0 : Holds(*place, file);
    });
    if (*winner != own) {
      overridden.insert(file + " by " + Place_Line((*winner)->Dir, (*winner)->Archive));
    }
  }

  // The shaders the surfaces draw with (each surface's first field numbers its shader entry), in
  // the shader lump's order; the entries of brush sides that became no surface are not drawn.
  const std::string bsp = Text_Of(walk.Game(), *own, map_file);
  std::set<std::uint32_t> drawn;
  const std::uint32_t surfaces = Get_U32(bsp, 8 + BSP_Surface_Lump * 8);
  for (std::uint32_t at = 0; at + 104 <= Get_U32(bsp, 12 + BSP_Surface_Lump * 8); at += 104) {
    drawn.insert(Get_U32(bsp, surfaces + at));
  }
  std::vector<std::string> shaders;
  const std::vector<std::string> entries = Lump_Names(bsp, BSP_Shader_Lump);
  for (std::uint32_t s = 0; s < entries.size(); ++s) {
    if (drawn.count(s) > 0 && !entries[s].empty()) {
      shaders.push_back(entries[s]);
    }
  }
  for (const std::string& fog : Lump_Names(bsp, BSP_Fog_Lump)) {
    if (!fog.empty()) {
      shaders.push_back(fog);
    }
  }
  const TBSP_References references = Read_BSP_References(bsp);
  for (const TEntity_Reference& key : references.Shader_Keys) {
    shaders.push_back(key.Name);
  }
  std::set<std::string> asked;
  for (const std::string& shader : shaders) {
    const std::string key = Shader_Lookup_Key(shader);
    if (!asked.insert(key).second) {
      continue;
    }
    const auto found = definitions.find(key);
    if (found == definitions.end()) {
      need(TContent_Kind::Texture, shader, "");
      continue;
    }
    std::vector<TShader_Origin> origins;
    for (const TWalk_Definition& definition : found->second) {
      origins.push_back(definition.Origin);
    }
    const auto winning = Winning_Definition(origins, rules.Later_Archive_Wins);
    EXPECT_TRUE(winning.has_value()) << key;
    for (const std::string& image : found->second[winning.value_or(0)].Definition.Images) {
      need(TContent_Kind::Shader_Image, image, key);
    }
  }
  for (const TEntity_Reference& file : references.Files) {
    if (file.Class_Name == "misc_model" && file.Key == "model") {
      continue;  // built into the map by the compiler
    }
    need(file.Key == "model" || file.Key == "model2" ? TContent_Kind::Model : TContent_Kind::Sound,
         file.Name, "");
  }
  result.Missing.assign(missing.begin(), missing.end());
  result.Overridden.assign(overridden.begin(), overridden.end());
  return result;
}

// What the check says of the map, as the same lines.
TWalk_Result Checked(const TCollection_Check& check, const std::string& mod,
                     const std::string& archive, const std::string& map_file) {
  const TMap_Content_State state = check.Map_State(mod, archive, map_file);
  TWalk_Result result;
  for (const TMissing_File& file : state.Missing) {
    result.Missing.push_back(std::string(Content_Kind_Text(file.Kind)) + " " + file.Name + " [" +
                             file.Shader + "]" + (file.Found_In ? " found elsewhere" : ""));
  }
  for (const TOverridden_File& file : state.Overridden) {
    result.Overridden.push_back(file.Name + " by " +
                                Place_Line(file.By.MOD_Directory, file.By.PK3_Filename));
  }
  std::sort(result.Missing.begin(), result.Missing.end());
  std::sort(result.Overridden.begin(), result.Overridden.end());
  EXPECT_EQ(state.Counts.Total(), state.Missing.size()) << map_file;
  EXPECT_TRUE(state.Problem.empty()) << state.Problem;
  return result;
}

// ---- random installations ---------------------------------------------------------------------

class TRandom_Installation {
 public:
  TRandom_Installation(const TTemp_Dir& game, unsigned seed) : Game_(game), Random_(seed) {}

  int Between(int low, int high) { return std::uniform_int_distribution<int>(low, high)(Random_); }
  bool Chance(int percent) { return Between(0, 99) < percent; }
  template <typename T>
  const T& Any(const std::vector<T>& items) {
    return items[static_cast<std::size_t>(Between(0, static_cast<int>(items.size()) - 1))];
  }
  std::string Mixed_Case(std::string text) {
    for (char& c : text) {
      c = Chance(20) ? platform::Upper_Char(c) : c;
    }
    return text;
  }

  std::string Image() { return "textures/set" + Number(3) + "/img" + Number(5); }
  std::string Shader() {
    return Chance(30) ? Image() : "textures/set" + Number(3) + "/sh" + Number(3);
  }
  std::string Model() { return "models/m" + Number(2) + "/m" + Number(2); }
  std::string Sound() { return "sound/s" + Number(2) + "/s" + Number(2); }

  // A member or loose file: an image, sky face, model or sound in one of its forms.
  std::string Content_File() {
    switch (Between(0, 4)) {
      case 0:
      case 1:
        return Image() + Any<std::string>({".tga", ".jpg", ".png", ".TGA"});
      case 2:
        return "env/sky" + Number(1) + "_" +
               Any<std::string>({"rt", "bk", "lf", "ft", "up", "dn"}) + ".tga";
      case 3:
        return Model() + Any<std::string>({".md3", ".mdr", ".iqm"});
      default:
        return Sound() + Any<std::string>({".wav", ".ogg", ".opus"});
    }
  }

  std::string Stage() {
    switch (Between(0, 5)) {
      case 0:
        return "\t{\n\t\tmap $lightmap\n\t}\n";
      case 1:
        return "\t{\n\t\tclampMap " + Image() + ".tga\n\t}\n";
      case 2:
        return "\t{\n\t\tanimMap 5 " + Image() + ".tga " + Image() + ".jpg " + Image() + "\n\t}\n";
      case 3:
        return "\tskyParms env/sky" + Number(1) + " 512 -\n";
      default:
        return "\t{\n\t\tmap " + Mixed_Case(Image()) + Any<std::string>({".tga", ".jpg", ""}) +
               "\n\t\tblendFunc add\n\t}\n";
    }
  }

  // A shader script: a few definitions, now and then one the engine gives up (an unknown
  // keyword between stages) or a file it ignores whole (a closing brace missing).
  std::string Script() {
    std::string text;
    for (int d = Between(1, 4); d > 0; --d) {
      text += Mixed_Case(Shader()) + "\n{\n" + Stage();
      text += Chance(10) ? "\tbogusKeyword 1\n" : "";
      text += Stage() + "}\n";
    }
    if (Chance(5)) {
      text.pop_back();
      text.pop_back();
    }
    return text;
  }

  // A map: shaders (some undrawn), a fog, entity models, sounds, music and shader keys.
  std::string Map() {
    // The first `undrawn` shaders are those of brush sides that became no surface.
    std::vector<std::string> shaders;
    const int undrawn = Chance(50) ? Between(1, 2) : 0;
    for (int s = Between(1, 8) + undrawn; s > 0; --s) {
      const int kind = Between(0, 9);
      shaders.push_back(kind < 4   ? Mixed_Case(Image()) + (Chance(30) ? ".tga" : "")
                        : kind < 8 ? Shader()
                                   : "textures/none/gone" + Number(3));
    }
    std::string entities = "{\n\"classname\" \"worldspawn\"\n";
    entities += Chance(50) ? "\"music\" \"music/t" + Number(2) + ".wav\"\n" : "";
    entities += "}\n";
    for (int e = Between(0, 4); e > 0; --e) {
      switch (Between(0, 3)) {
        case 0:
          entities += "{\n\"classname\" \"func_bobbing\"\n\"model\" \"*1\"\n\"model2\" \"" +
                      Mixed_Case(Model()) + ".md3\"\n}\n";
          break;
        case 1:
          entities += "{\n\"classname\" \"misc_model\"\n\"model\" \"" + Model() + ".md3\"\n}\n";
          break;
        case 2:
          entities += "{\n\"classname\" \"target_speaker\"\n\"noise\" \"" + Sound() +
                      (Chance(50) ? ".wav" : "") + "\"\n}\n";
          break;
        default:
          entities += "{\n\"classname\" \"func_door\"\n\"targetShaderName\" \"" + Shader() +
                      "\"\n\"targetShaderNewName\" \"" + Shader() + "\"\n}\n";
      }
    }
    const std::vector<std::string> fogs =
        Chance(20) ? std::vector<std::string>{Shader()} : std::vector<std::string>{};
    return Make_Bsp_Drawing(entities, shaders, fogs, static_cast<std::size_t>(undrawn));
  }

  std::string Archive_Name(std::set<std::string>& taken) {
    static const std::vector<std::string> prefixes = {"aaa-", "zzz-", "map-", "", "pak", "Z_"};
    for (;;) {
      std::string name =
          Any(prefixes) + Mixed_Case("p" + Number(8)) + (Chance(20) ? ".PK3" : ".pk3");
      if (taken.insert(platform::Upper(name)).second) {
        return name;
      }
    }
  }

  // The archives and loose files of one directory; the maps written are added to `maps`.
  void Directory(const std::string& dir, std::vector<std::array<std::string, 3>>& maps) {
    std::set<std::string> taken;
    for (int a = Between(2, 5); a > 0; --a) {
      const std::string archive = Archive_Name(taken);
      std::vector<TZip_Member> members;
      std::set<std::string> names;
      const auto add = [&](const std::string& name, std::string data) {
        if (names.insert(Lookup_Form(name)).second) {
          members.push_back({name, std::move(data)});
        }
      };
      for (int m = Between(0, 2); m > 0; --m) {
        const std::string map = "maps/q" + Number(4) + ".bsp";
        if (names.count(map) == 0) {
          maps.push_back({dir, archive, map});
        }
        add(map, Map());
      }
      for (int f = Between(2, 14); f > 0; --f) {
        add(Mixed_Case(Content_File()), "x");
      }
      for (int s = Between(0, 2); s > 0; --s) {
        add(Any<std::string>(
                {"scripts/a.shader", "scripts/b.shader", "scripts/" + archive + ".shader"}),
            Script());
      }
      std::shuffle(members.begin(), members.end(), Random_);
      Write_Pk3(Game_ / (dir + "/").append(archive), members);
    }
    for (int f = Between(0, 4); f > 0; --f) {
      const std::string file = Content_File();
      Write_File(Game_ / (dir + "/" + (Chance(70) ? file : Mixed_Case(file))), "loose");
    }
    if (Chance(30)) {
      Write_File(Game_ / (dir + "/scripts/" + Any<std::string>({"a", "loose"}) + ".shader"),
                 Script());
    }
  }

 private:
  std::string Number(int high) { return std::to_string(Between(0, high)); }

  const TTemp_Dir& Game_;
  std::mt19937 Random_;
};

TEST(Collection_Check, Agrees_With_A_Plain_Walk_Of_Random_Installations) {
  const std::vector<std::string> dirs = {Base, "mymod", "Other"};
  const std::vector<TContent_Rules> all_rules = {{false, TImage_Order::Tga_First},
                                                 {true, TImage_Order::Png_First}};
  std::size_t missing = 0;
  std::size_t overridden = 0;
  for (unsigned seed = 1; seed <= 50; ++seed) {
    TTemp_Dir game;
    TRandom_Installation installation(game, seed);
    std::vector<std::array<std::string, 3>> maps;
    for (const std::string& dir : dirs) {
      fs::create_directories(game / dir);
      installation.Directory(dir, maps);
    }
    fs::create_directories(game / "data");
    const TPlain_Walk walk(game.Path(), dirs);
    const TGame_Index games = Game_Index_Of_Disk(game.Path());
    std::map<std::string, TDefinitions> definitions;
    for (const std::string& dir : dirs) {
      definitions[dir] = walk.Definitions(dir);
    }
    for (const TContent_Rules& rules : all_rules) {
      const TCollection_Load load = Load_Collection_Check(game.Path(), games, game / "data", rules);
      ASSERT_TRUE(load.Check != nullptr);
      EXPECT_TRUE(load.Unreadable.empty());
      for (const auto& [dir, archive, map] : maps) {
        const TWalk_Result expected = Walk_Map(walk, definitions[dir], dir, archive, map, rules);
        const TWalk_Result actual = Checked(*load.Check, dir, archive, map);
        const std::string where = "seed " + std::to_string(seed) + ", " +=
            Place_Line(dir, archive) + ":" + map + (rules.Later_Archive_Wins ? ", later wins" : "");
        EXPECT_EQ(actual.Missing, expected.Missing) << where;
        EXPECT_EQ(actual.Overridden, expected.Overridden) << where;
        missing += expected.Missing.size();
        overridden += expected.Overridden.size();
      }
    }
  }
  // The installations are made to hold both.
  EXPECT_GT(missing, 100U);
  EXPECT_GT(overridden, 20U);
}

}  // namespace
}  // namespace vorlix::testing
