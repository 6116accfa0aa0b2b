#include "database/collection_check.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <filesystem>
#include <memory>

#include "builders.h"
#include "core/paths.h"
#include "database/game_index.h"
#include "database/records.h"
#include "database/scan.h"
#include "database/zip_archive.h"
#include "hostile_inputs.h"

namespace vorlix {
namespace {

using testing::TTemp_Dir;
using testing::TZip_Member;

std::string Map_Bsp(const std::vector<std::string>& shaders, const std::vector<std::string>& fogs,
                    const std::string& entities, std::size_t undrawn = 0) {
  return testing::Make_Bsp_Drawing(entities, shaders, fogs, undrawn);
}

const std::string World = "{\n\"classname\" \"worldspawn\"\n}\n";

class Collection : public ::testing::Test {
 protected:
  // Writes an archive of the game directory and records it for the game index.
  void Archive(const std::string& mod, const std::string& name,
               const std::vector<TZip_Member>& members) {
    testing::Write_Pk3(Game_ / (mod + "/" + name), members);
    TArchive_Facts facts;
    facts.MOD_Directory = mod;
    facts.PK3_Filename = name;
    Archives_.push_back(facts);
  }
  void Loose(const std::string& path, const std::string& data = "x") {
    testing::Write_File(Game_ / path, data);
  }
  TCollection_Load Load(TContent_Rules rules = {}) {
    TGame_Index games;
    games.Set_Archives(Archives_);
    games.Set_Base_Directory("baseq3");
    return Load_Collection_Check(Game_.Path(), games, Data_.Path(), rules);
  }
  static std::vector<std::string> Names(const TMap_Content_State& state, TContent_Kind kind) {
    std::vector<std::string> names;
    for (const TMissing_File& file : state.Missing) {
      if (file.Kind == kind) {
        names.push_back(file.Name);
      }
    }
    return names;
  }

  TTemp_Dir Game_;
  TTemp_Dir Data_;
  std::vector<TArchive_Facts> Archives_;
};

TEST_F(Collection, TexturesAreLookedForAlongTheMapsSearchPath) {
  Archive("baseq3", "map-one.pk3",
          {{"maps/one.bsp",
            Map_Bsp({"textures/common/caulk", "textures/own/a", "textures/pack/b",
                     "textures/base/c", "textures/cpma/d", "textures/none/e", "textures/own/a.tga"},
                    {"textures/fog/f"}, World, 1)},
           {"textures/own/a.tga", "t"}});
  Archive("baseq3", "pack.pk3", {{"TEXTURES/Pack/B.JPG", "t"}});
  Archive("cpma", "cpm_textures.pk3", {{"textures/cpma/d.png", "t"}});
  Loose("baseq3/textures/base/c.png");
  const TCollection_Load load = Load();
  ASSERT_TRUE(load.Check);
  const TMap_Content_State state = load.Check->Map_State("baseq3", "map-one.pk3", "ONE.BSP");
  EXPECT_TRUE(state.Counts.Known);
  // The nodraw surface is never drawn, an image is found in any letter case, in another archive
  // of the search path and among the loose files; a name with an extension is the same shader.
  EXPECT_EQ(Names(state, TContent_Kind::Texture),
            (std::vector<std::string>{"textures/cpma/d", "textures/fog/f", "textures/none/e"}));
  ASSERT_EQ(state.Missing.size(), 3U);
  ASSERT_TRUE(state.Missing[0].Found_In);
  EXPECT_EQ(Place_Text(*state.Missing[0].Found_In), "cpm_textures.pk3 in MOD cpma");
  EXPECT_FALSE(state.Missing[2].Found_In);
  EXPECT_EQ(Counts_Text(state.Counts), "3 textures missing");
  EXPECT_EQ(load.Check->Counts("baseq3", "map-one.pk3", "maps/one.bsp").Total(), 3U);
  // In the MOD the MOD's own archive counts.
  const TMap_Content_State in_mod = load.Check->Map_State("baseq3", "map-one.pk3", "one", "cpma");
  EXPECT_EQ(Names(in_mod, TContent_Kind::Texture),
            (std::vector<std::string>{"textures/fog/f", "textures/none/e"}));
  EXPECT_FALSE(load.Check->Counts("baseq3", "map-one.pk3", "two.bsp").Known);
}

TEST_F(Collection, TheEnginesPrecedenceChoosesTheShaderDefinition) {
  const std::string shader_a = "textures/s/sky\n{\n{\nmap textures/s/a_img.tga\n}\n}\n";
  const std::string shader_b = "textures/s/sky\n{\n{\nmap textures/s/b_img.tga\n}\n}\n";
  Archive("baseq3", "a-first.pk3", {{"scripts/zzz.shader", shader_a}});
  Archive(
      "baseq3", "b-second.pk3",
      {{"scripts/aaa.shader", shader_b}, {"maps/sky.bsp", Map_Bsp({"textures/s/sky"}, {}, World)}});
  const auto images = [&](bool later_wins) {
    TContent_Rules rules;
    rules.Later_Archive_Wins = later_wins;
    const TMap_Content_State state = Load(rules).Check->Map_State("baseq3", "b-second.pk3", "sky");
    EXPECT_TRUE(Names(state, TContent_Kind::Texture).empty());
    for (const TMissing_File& file : state.Missing) {
      EXPECT_EQ(file.Shader, "textures/s/sky");
    }
    return Names(state, TContent_Kind::Shader_Image);
  };
  EXPECT_EQ(images(false), (std::vector<std::string>{"textures/s/a_img.tga"}));
  EXPECT_EQ(images(true), (std::vector<std::string>{"textures/s/b_img.tga"}));
}

TEST_F(Collection, SkyBoxesModelsAndSounds) {
  // The renderer draws a sky without a box face it does not find, and says nothing.
  const std::string script =
      "textures/s/box\n{\nskyParms env/box - -\n{\nmap textures/s/clouds.tga\n}\n}\n";
  // A script whose last definition is never closed is ignored whole.
  const std::string broken =
      "textures/s/box2\n{\nskyParms env/box - -\n}\n"
      "textures/s/broken\n{\n{\nmap textures/s/gone.tga\n}\n";
  // The world's remapped shaders count, those for vertex lighting only do not.
  const std::string entities =
      "{\n\"classname\" \"worldspawn\"\n\"remapshader1\" \"textures/s/box;textures/s/new\"\n"
      "\"vertexremapshader1\" \"textures/s/box;textures/s/vertex\"\n}\n"
      "{\n\"classname\" \"misc_model\"\n\"model\" \"models/built/in.md3\"\n}\n"
      "{\n\"classname\" \"target_position\"\n\"model\" \"models/never/loaded.md3\"\n}\n"
      "{\n\"classname\" \"info_null\"\n\"noise\" \"sound/never/loaded.wav\"\n}\n"
      "{\n\"classname\" \"func_static\"\n\"model\" \"*1\"\n\"model2\" \"models/m/x.md3\"\n}\n"
      "{\n\"classname\" \"func_static\"\n\"model\" \"*2\"\n\"model2\" \"/models/m/y.md3\"\n}\n"
      "{\n\"classname\" \"target_speaker\"\n\"noise\" \"sound/y\"\n}\n"
      "{\n\"classname\" \"target_speaker\"\n\"noise\" \"sound/z.wav\"\n}\n"
      "{\n\"classname\" \"target_speaker\"\n\"noise\" \"sound/gone.wav\"\n}\n";
  std::vector<TZip_Member> members = {
      {"scripts/box.shader", script},
      {"scripts/broken.shader", broken},
      {"maps/box.bsp", Map_Bsp({"textures/s/box", "textures/s/box2"}, {}, entities)},
      {"models/m/y.iqm", "m"},
      {"sound/y.wav", "s"},
      {"sound/z.ogg", "s"}};
  for (const char* side : {"rt", "lf", "bk", "ft", "up"}) {
    members.push_back({std::string("env/box_") + side + ".jpg", "t"});
  }
  Archive("baseq3", "box.pk3", members);
  const TMap_Content_State state = Load().Check->Map_State("baseq3", "box.pk3", "box");
  EXPECT_EQ(Names(state, TContent_Kind::Shader_Image),
            (std::vector<std::string>{"textures/s/clouds.tga"}));
  EXPECT_EQ(Names(state, TContent_Kind::Texture),
            (std::vector<std::string>{"textures/s/box2", "textures/s/new"}));
  EXPECT_EQ(Names(state, TContent_Kind::Model), (std::vector<std::string>{"models/m/x.md3"}));
  EXPECT_EQ(Names(state, TContent_Kind::Sound), (std::vector<std::string>{"sound/gone.wav"}));
  EXPECT_EQ(Counts_Text(state.Counts), "2 textures, 1 shader image, 1 model, 1 sound missing");
}

TEST_F(Collection, DuplicatesOverridesAndDeadArchives) {
  const std::string bsp = Map_Bsp({}, {}, World);
  std::string other = bsp;
  other += "changed";
  Archive("baseq3", "pak0.pk3",
          {{"maps/", ""},
           {"vm/qagame.qvm", "q"},
           {"maps/same.bsp", bsp},
           {"maps/base.bsp", bsp},
           {"ui/hud.txt", "h"}});
  Archive("baseq3", "same-copy.pk3", {{"maps/same.bsp", bsp}});
  Archive("baseq3", "zzz-mods.pk3",
          {{"vm/qagame.qvm", "q2"}, {"maps/base.bsp", other}, {"ui/hud.txt", "h2"}});
  Archive("baseq3", "aaa-old.pk3", {{"maps/", ""}, {"maps/same.bsp", bsp}});
  Loose("baseq3/maps/loose.bsp", bsp);
  Archive("baseq3", "has-loose.pk3", {{"MAPS/LOOSE.BSP", bsp}, {"readme.txt", "r"}});
  const TCollection_Load load = Load();
  load.Check->Compute_All();
  const TCollection_Report report = load.Check->Report();

  ASSERT_EQ(report.Duplicates.size(), 3U);
  const TDuplicate_Map& base = report.Duplicates[0];
  EXPECT_EQ(base.Map, "base");
  EXPECT_FALSE(base.Identical);
  ASSERT_EQ(base.Copies.size(), 2U);
  EXPECT_EQ(base.Copies[0].Place.PK3_Filename, "zzz-mods.pk3");  // the name sorting last wins
  const TDuplicate_Map& loose = report.Duplicates[1];
  EXPECT_EQ(loose.Map, "loose");
  EXPECT_EQ(loose.Copies[0].Place.PK3_Filename, "");  // loose files first
  const TDuplicate_Map& same = report.Duplicates[2];
  EXPECT_TRUE(same.Identical);
  ASSERT_EQ(same.Copies.size(), 3U);
  EXPECT_EQ(same.Copies[0].Place.PK3_Filename, "same-copy.pk3");
  EXPECT_EQ(same.Copies[2].Place.PK3_Filename, "aaa-old.pk3");

  ASSERT_GE(report.Overriding.size(), 2U);
  const TOverriding_Archive& first = report.Overriding[0];
  EXPECT_EQ(first.Place.PK3_Filename, "zzz-mods.pk3");
  EXPECT_EQ(first.Game_Modules, 1U);
  EXPECT_EQ(first.Maps, 1U);
  EXPECT_EQ(first.Menus, 1U);
  EXPECT_EQ(first.Other, 0U);
  ASSERT_EQ(first.Overridden.size(), 1U);
  EXPECT_EQ(first.Overridden[0].PK3_Filename, "pak0.pk3");

  std::vector<std::string> dead;
  for (const TContent_Place& place : report.Dead) {
    dead.push_back(place.PK3_Filename);
  }
  // Every file of pak0.pk3 comes from elsewhere; has-loose.pk3 still gives its readme.
  EXPECT_EQ(dead, (std::vector<std::string>{"aaa-old.pk3", "pak0.pk3"}));

  // The map's own files the game takes from elsewhere.
  const TMap_Content_State state = load.Check->Map_State("baseq3", "pak0.pk3", "base");
  ASSERT_EQ(state.Overridden.size(), 4U);
  EXPECT_EQ(state.Overridden[0].Name, "vm/qagame.qvm");
  EXPECT_EQ(state.Overridden[0].By.PK3_Filename, "zzz-mods.pk3");
  EXPECT_TRUE(report.Missing.empty());

  // One MOD's report holds none of these.
  const TCollection_Report mod_report = load.Check->Report("cpma");
  EXPECT_TRUE(mod_report.Duplicates.empty() && mod_report.Overriding.empty() &&
              mod_report.Dead.empty());
}

TEST_F(Collection, TheIndexesAreReusedAndDamageIsContained) {
  Archive("baseq3", "a.pk3",
          {{"maps/a.bsp", Map_Bsp({"textures/x/missing"}, {}, World)},
           {"scripts/bad.shader", std::string(3000, '{')},
           {"scripts/huge.shader", std::string((16 << 20) + 1, 'a')}});
  testing::Write_File(Game_ / "baseq3/broken.pk3", "PK\x03\x04 not really");
  TArchive_Facts broken;
  broken.MOD_Directory = "baseq3";
  broken.PK3_Filename = "broken.pk3";
  Archives_.push_back(broken);
  const TCollection_Load first = Load();
  ASSERT_EQ(first.Unreadable.size(), 1U);
  EXPECT_NE(first.Unreadable[0].Path.find("broken.pk3"), std::string::npos);
  EXPECT_EQ(first.Check->Counts("baseq3", "a.pk3", "a").Total(), 1U);
  const TCollection_Report report = first.Check->Report();
  const auto told = [&report](const std::string& text) {
    return std::any_of(
        report.Problems.begin(), report.Problems.end(),
        [&text](const std::string& line) { return line.find(text) != std::string::npos; });
  };
  EXPECT_TRUE(told("a.pk3 in MOD baseq3: scripts/huge.shader: larger than 16 MB, not read"));
  EXPECT_TRUE(told("scripts/bad.shader: "));
  EXPECT_TRUE(told("broken.pk3 in MOD baseq3: "));

  // The stored index answers the same without the archive.
  testing::Write_File(Game_ / "baseq3/a.pk3", "gone");
  const TCollection_Load again = Load();
  EXPECT_EQ(again.Check->Counts("baseq3", "a.pk3", "a").Total(), 1U);

  // A damaged index is rebuilt.
  testing::Write_File(Data_ / Content_Index_File,
                      std::string("VXCI\x01\0\0\0\xff\xff\xff\xff", 12));
  const TCollection_Load rebuilt = Load();
  EXPECT_FALSE(rebuilt.Check->Counts("baseq3", "a.pk3", "a").Known);
}

// What each map asks for is left in the stored index and read again when wanted: the answers
// are those of the index just built, also after the file was replaced, and a file changed in
// place is told rather than taken.
TEST_F(Collection, TheMapsListsLeftInTheIndexFileAnswerAlike) {
  Archive("baseq3", "pack.pk3",
          {{"textures/pack/a.tga", "t"},
           {"scripts/p.shader", "textures/pack/lit\n{\n{\nmap textures/pack/glow.tga\n}\n}\n"}});
  Archive("baseq3", "maps-one.pk3",
          {{"maps/one.bsp",
            Map_Bsp({"textures/pack/a", "textures/pack/lit", "textures/x/no"}, {},
                    World + "{\n\"classname\" \"func_static\"\n\"model2\" \"models/m.md3\"\n}\n")},
           {"maps/two.bsp", Map_Bsp({"textures/pack/a", "textures/y/no"}, {}, World)}});
  Archive(
      "cpma", "maps-three.pk3",
      {{"maps/three.bsp",
        Map_Bsp({"textures/pack/a", "textures/z/no"}, {},
                World + "{\n\"classname\" \"target_speaker\"\n\"noise\" \"sound/s.wav\"\n}\n")}});
  const auto states = [](const TCollection_Check& check) {
    std::vector<std::string> lines;
    for (const auto& [mod, pk3, map] : {std::array<std::string, 3>{"baseq3", "maps-one.pk3", "one"},
                                        {"baseq3", "maps-one.pk3", "two"},
                                        {"cpma", "maps-three.pk3", "three"}}) {
      const TMap_Content_State state = check.Map_State(mod, pk3, map);
      std::string line = map + ":" + Counts_Text(state.Counts) + ":" + state.Problem;
      for (const TMissing_File& file : state.Missing) {
        line += " " + file.Name + "/" + file.Shader;
      }
      lines.push_back(line + " " + Counts_Text(check.Counts(mod, pk3, map)));
    }
    return lines;
  };
  const TCollection_Load first = Load();
  const std::vector<std::string> expected = states(*first.Check);
  EXPECT_EQ(expected[0],
            "one:1 texture, 1 shader image, 1 model missing: textures/x/no/"
            " textures/pack/glow.tga/textures/pack/lit models/m.md3/"
            " 1 texture, 1 shader image, 1 model missing");
  EXPECT_FALSE(first.Check->Content().Archives()[1].Lists_In_File());

  const TCollection_Load stored = Load();
  ASSERT_TRUE(stored.Check->Content().Archives()[1].Lists_In_File());
  EXPECT_EQ(stored.Check->Content().Archives()[1].Maps[0].Shaders.size(), 0U);
  stored.Check->Compute_All();
  EXPECT_EQ(states(*stored.Check), expected);

  // An archive added: the file is written anew with the lists read again, and the check that
  // holds the old file still reads it.
  const TCollection_Load fresh = Load();  // counts of maps not asked for yet
  Archive("baseq3", "maps-four.pk3", {{"maps/four.bsp", Map_Bsp({"textures/pack/a"}, {}, World)}});
  const TCollection_Load added = Load();
  EXPECT_EQ(states(*added.Check), expected);
  {
    TGame_Index games;
    games.Set_Archives(Archives_);
    const TContent_Index_Build again = Build_Content_Index(Game_.Path(), games, Data_.Path());
    EXPECT_EQ(again.Archives_Reused, 4U);  // the file written holds every archive whole
  }
  EXPECT_EQ(states(*fresh.Check), expected);
  EXPECT_EQ(states(*Load().Check), expected);

  // The file changed where it lies: what the maps ask for is no longer known.
  const TCollection_Load held = Load();
  testing::Write_File(Data_ / Content_Index_File, "changed in place");
  const TMap_Content_State state = held.Check->Map_State("baseq3", "maps-one.pk3", "one");
  EXPECT_FALSE(state.Counts.Known);
  EXPECT_NE(state.Problem.find("cannot be read again"), std::string::npos);
  held.Check->Compute_All();
  EXPECT_FALSE(held.Check->Counts("baseq3", "maps-one.pk3", "two").Known);
}

TEST_F(Collection, TheScanReadsEachMapOnceForBothTitleAndContent) {
  const std::string entities =
      "{\n\"classname\" \"worldspawn\"\n\"message\" \"Scanned Title\"\n}\n";
  // What the scan of an archive hands over, and the archive made unreadable after it.
  const auto scan = [&](const std::string& name, const std::string& title,
                        const std::string& script) {
    Archive("baseq3", name,
            {{"maps/" + name.substr(0, name.size() - 4) + ".bsp",
              Map_Bsp({"textures/x/gone"}, {},
                      "{\n\"classname\" \"worldspawn\"\n\"message\" \"" + title + "\"\n}\n")},
             {"scripts/x.shader", script}});
    const std::string path = Game_ / ("baseq3/" + name);
    TPK3_Record record;
    record.MOD_Directory = "baseq3";
    record.PK3_Filename = name;
    TMap_Records maps(&record);
    TRecorded_Scan_Sink sink;
    TArchive_Facts facts;
    {
      TZip_Archive zip;
      EXPECT_TRUE(Scan_Archive(zip, path, record, maps, sink, &facts));
    }
    EXPECT_EQ(maps.Count(), 1);
    EXPECT_EQ(maps.Count() == 1 ? maps.Items(0)->Map_Longname : "", title);
    facts.MOD_Directory = "baseq3";
    facts.PK3_Filename = name;
    testing::Write_File(path, "no archive");
    return facts;
  };
  const TArchive_Facts first =
      scan("scanned.pk3", "Scanned Title", "textures/x/def\n{\n{\nmap textures/x/none.tga\n}\n}\n");
  TContent_Index_Writer writer(Data_.Path());
  writer.Add(first);
  EXPECT_EQ(writer.Write(), "");
  // A later start's scan of another archive keeps what the file holds of the first.
  const TArchive_Facts second =
      scan("second.pk3", "Second", "textures/y/def\n{\n{\nmap textures/y/img.tga\n}\n}\n");
  TContent_Index_Writer later(Data_.Path());
  later.Add(second);
  EXPECT_EQ(later.Write(), "");
  // The archives are not read again: what the scans found stands for them.
  TGame_Index games;
  games.Set_Archives(Archives_);
  const TContent_Index_Build build = Build_Content_Index(Game_.Path(), games, Data_.Path());
  EXPECT_EQ(build.Archives_Read, 0U);
  ASSERT_EQ(build.Index.Archives().size(), 2U);
  for (const auto& [a, letter] : {std::pair{0, 'x'}, std::pair{1, 'y'}}) {
    const TContent_Archive& archive = build.Index.Archives()[a];
    std::vector<TMap_Content> read;
    const std::vector<TMap_Content>& stored = build.Index.Maps_With_Lists(archive, read);
    ASSERT_EQ(stored.size(), 1U);
    ASSERT_EQ(stored[0].Shaders.size(), 1U);
    EXPECT_EQ(build.Index.Name(stored[0].Shaders[0]), "textures/x/gone");
    ASSERT_EQ(archive.Scripts.size(), 1U);
    const TShader_Content& shader = archive.Scripts[0].Definitions.at(0);
    EXPECT_EQ(build.Index.Name(shader.Name), std::string("textures/") + letter + "/def");
    EXPECT_EQ(build.Index.Name(shader.Images.at(0)),
              std::string("textures/") + letter + (letter == 'x' ? "/none.tga" : "/img.tga"));
  }
  // The scans are in content.dat now, and their file is gone.
  EXPECT_FALSE(std::filesystem::exists(Data_ / Content_Scans_File));
  const TContent_Index_Build again = Build_Content_Index(Game_.Path(), games, Data_.Path());
  EXPECT_EQ(again.Archives_Read, 0U);
  EXPECT_EQ(again.Archives_Reused, 2U);

  // A damaged entry is of no use: its archive is read again (here it cannot be).
  std::filesystem::remove(Data_ / Content_Index_File);
  TContent_Index_Writer both(Data_.Path());
  both.Add(first);
  both.Add(second);
  EXPECT_EQ(both.Write(), "");
  std::string bytes = testing::Read_File(Data_ / Content_Scans_File);
  bytes[bytes.size() - 10] = static_cast<char>(bytes[bytes.size() - 10] ^ 1);
  testing::Write_File(Data_ / Content_Scans_File, bytes);
  const TContent_Index_Build damaged = Build_Content_Index(Game_.Path(), games, Data_.Path());
  EXPECT_EQ(damaged.Archives_Reused, 1U);
  EXPECT_EQ(damaged.Archives_Read, 1U);
  EXPECT_EQ(damaged.Unreadable.size(), 1U);
}

// Names kept front-coded come back whole: across blocks, sharing all or none of the name
// before, long enough for lengths of several bytes, empty; and again after a save and a load.
TEST(Content_Index, Names_Come_Back_Whole) {
  std::vector<std::string> names;
  names.reserve(50);
  for (int i = 0; i < 40; ++i) {
    names.push_back("textures/pack" + std::to_string(i / 7) + "/wall" + std::to_string(i));
  }
  names.insert(names.begin() + 16, "");
  names.insert(names.begin() + 20, std::string(300, 'x'));
  names.insert(names.begin() + 21, std::string(300, 'x') + "y");
  names.insert(names.begin() + 22, "x");
  // Lengths at the edge of one byte: 127, 128 and 129, whole and shared.
  names.insert(names.begin() + 32, std::string(127, 'a'));
  names.insert(names.begin() + 33, std::string(128, 'a'));
  names.insert(names.begin() + 34, std::string(128, 'a') + std::string(128, 'b'));
  while (names.size() < 48) {
    names.push_back("textures/fill/" + std::to_string(names.size()));
  }
  names.emplace_back(128, 'c');  // a block's first
  names.emplace_back(129, 'c');
  names.emplace_back("textures/pack5/wall3");  // a prefix of the name before
  TContent_Index index;
  std::vector<std::uint32_t> ids;
  ids.reserve(names.size());
  for (const std::string& name : names) {
    ids.push_back(index.Intern(name));
  }
  ASSERT_EQ(index.Name_Count(), names.size());
  for (std::size_t n = 0; n < names.size(); ++n) {
    EXPECT_EQ(index.Name(ids[n]), names[n]);
    EXPECT_EQ(index.Intern(names[n]), ids[n]);
  }
  EXPECT_EQ(index.Name_Count(), names.size());

  TContent_Archive& archive = index.Archives().emplace_back();
  archive.MOD_Directory = "baseq3";
  archive.PK3_Filename = "a.pk3";
  TMap_Content& map = archive.Maps.emplace_back();
  map.Map_File = "maps/a.bsp";
  map.Shaders = ids;
  TTemp_Dir dir;
  ASSERT_EQ(index.Save(dir / "content.dat"), "");
  TContent_Index loaded;
  ASSERT_TRUE(loaded.Load(dir / "content.dat"));
  const std::vector<std::uint32_t>& again = loaded.Archives().at(0).Maps.at(0).Shaders;
  ASSERT_EQ(again.size(), names.size());
  for (std::size_t n = 0; n < names.size(); ++n) {
    EXPECT_EQ(loaded.Name(again[n]), names[n]);
  }
  EXPECT_EQ(loaded.Intern(names[30]), again[30]);
}

// The lookup hashes made without the names are those of the names the engine tries, in its order.
TEST(Collection_Names, Candidate_Hashes_Are_Those_Of_The_Names_Tried) {
  const std::string long_stem(70, 'l');
  const std::vector<std::string> names = {"textures/a/wall",
                                          "textures/a/wall.TGA",
                                          "/textures/a/Wall.jpeg",
                                          "\\x\\y.png",
                                          "textures/a.b/wall",
                                          "textures/a/wall.",
                                          "textures/a/wall.dds",
                                          long_stem + ".tga",
                                          "models/door.md3",
                                          "models/Door.MDR",
                                          "models/door",
                                          "sound/hum.WAV",
                                          "sound/a.b/hum",
                                          "music/intro.ogg",
                                          "x\\y.md3",
                                          "weird:name.opus",
                                          "",
                                          "."};
  for (const TImage_Order order : {TImage_Order::Png_First, TImage_Order::Tga_First}) {
    for (const TContent_Kind kind : {TContent_Kind::Texture, TContent_Kind::Shader_Image,
                                     TContent_Kind::Model, TContent_Kind::Sound}) {
      for (const std::string& name : names) {
        std::array<std::uint64_t, Most_Candidates> hashes{};
        const std::size_t count = Candidate_Hashes(kind, name, order, hashes);
        std::vector<std::uint64_t> expected;
        for (const std::string& tried : Names_Tried(kind, name, order)) {
          expected.push_back(Member_Lookup_Hash(tried));
        }
        EXPECT_EQ(std::vector<std::uint64_t>(hashes.begin(), hashes.begin() + count), expected)
            << name << " as " << Content_Kind_Text(kind);
      }
    }
  }
  EXPECT_EQ(Names_Tried(TContent_Kind::Texture, "/textures/a/Wall.jpeg", TImage_Order::Tga_First),
            (std::vector<std::string>{"textures/a/wall.jpeg", "textures/a/wall.tga",
                                      "textures/a/wall.jpg", "textures/a/wall.png",
                                      "textures/a/wall.pcx", "textures/a/wall.bmp"}));
  EXPECT_EQ(Names_Tried(TContent_Kind::Model, "models/Door.MDR", TImage_Order::Png_First),
            (std::vector<std::string>{"models/Door.MDR", "models/Door.md3", "models/Door.iqm"}));
}

TEST(Content_Index_Fuzz_Inputs, Corpus_And_Regressions_Keep_The_Rules) {
  const auto inputs = testing::Fuzz_Inputs(VORLIX_FUZZ_DIR, "content_index");
  ASSERT_GE(inputs.size(), 1U);
  for (const auto& [name, bytes] : inputs) {
    const TTemp_Dir scratch;
    if (name == "tiny") {
      // The corpus is a file of the current version, which loads.
      testing::Write_File(scratch / "tiny.dat", bytes);
      TContent_Index index;
      EXPECT_TRUE(index.Load(scratch / "tiny.dat"));
      EXPECT_EQ(index.Archives().size(), 1U);
    }
    EXPECT_EQ(testing::Content_Index_Input_Fault(bytes, scratch.Path()), "") << name;
    // Every cut and every flipped byte of a record is refused or read within the rules.
    for (std::size_t at = 0; at < bytes.size(); at += 7) {
      std::string damaged = bytes;
      damaged[at] = static_cast<char>(damaged[at] ^ 0x5A);
      EXPECT_EQ(testing::Content_Index_Input_Fault(damaged, scratch.Path()), "") << name << at;
      EXPECT_EQ(testing::Content_Index_Input_Fault(bytes.substr(0, at), scratch.Path()), "")
          << name << at;
    }
  }
}

}  // namespace
}  // namespace vorlix
