#include "content/bsp_references.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "builders.h"
#include "hostile_inputs.h"

namespace vorlix {

namespace {

using testing::Make_Bsp_With_Shaders;
using testing::Put_U32;
using Strings = std::vector<std::string>;

Strings Names(const std::vector<TEntity_Reference>& references) {
  Strings names;
  for (const TEntity_Reference& reference : references) {
    names.push_back(reference.Key + "=" + reference.Name);
  }
  return names;
}

TBSP_References Entities(const std::string& text) {
  return Read_BSP_References(Make_Bsp_With_Shaders(text, {}, {}));
}

constexpr std::size_t Lump_Entry(std::size_t lump) {
  return 8 + lump * 8;
}

TEST(Read_BSP_References, Shader_And_Fog_Lumps_In_Order) {
  const std::string bsp = Make_Bsp_With_Shaders(
      "", {"textures/base/wall", "", "textures/sky/space", std::string(64, 'n')},
      {"textures/fog/red"});
  const TBSP_References references = Read_BSP_References(bsp);
  EXPECT_EQ(references.Shaders,
            (Strings{"textures/base/wall", "textures/sky/space", std::string(63, 'n')}));
  EXPECT_EQ(references.Fog_Shaders, (Strings{"textures/fog/red"}));
  EXPECT_NE(references.Error.find("1 name(s) of lump 1 (shaders) fill their 64 bytes"),
            std::string::npos)
      << references.Error;
}

TEST(Read_BSP_References, Only_The_Shaders_Of_Surfaces_Are_Drawn) {
  std::string bsp = Make_Bsp_With_Shaders(
      "", {"textures/common/caulk", "textures/base/wall", "textures/sky/space"}, {});
  const auto surfaces = [&bsp](const std::vector<std::uint32_t>& numbers, std::size_t extra) {
    std::string lump;
    for (const std::uint32_t number : numbers) {
      std::string surface(104, '\0');
      Put_U32(surface, 0, number);
      lump += surface;
    }
    std::string map = bsp;
    Put_U32(map, Lump_Entry(13), static_cast<std::uint32_t>(map.size()));
    Put_U32(map, Lump_Entry(13) + 4, static_cast<std::uint32_t>(lump.size() + extra));
    return map + lump + std::string(extra, '\0');
  };
  const TBSP_References drawn = Read_BSP_References(surfaces({2, 1, 2}, 0));
  EXPECT_EQ(drawn.Surface_Shaders, (Strings{"textures/base/wall", "textures/sky/space"}));
  EXPECT_EQ(drawn.Error, "");
  const TBSP_References bad = Read_BSP_References(surfaces({1, 3, 0xFFFFFFFFU}, 8));
  EXPECT_EQ(bad.Surface_Shaders, (Strings{"textures/base/wall"}));
  EXPECT_NE(bad.Error.find("no multiple of 104"), std::string::npos) << bad.Error;
  EXPECT_NE(bad.Error.find("2 surface(s) name a shader"), std::string::npos) << bad.Error;
}

TEST(Read_BSP_References, Entity_Files_As_The_Game_Asks_For_Them) {
  const TBSP_References references = Entities(
      "{\n\"classname\" \"worldspawn\"\n\"music\" \"music/intro.wav music/loop.ogg extra\"\n}\n"
      "{\n\"classname\" \"func_door\"\n\"model\" \"*3\"\n\"model2\" \"models/door.md3\"\n}\n"
      "{\n\"classname\" \"misc_model\"\n\"MODEL\" \"models/a.md3\"\n\"model\" \"models/b.md3\"\n}\n"
      "{\n\"classname\" \"target_speaker\"\n\"noise\" \"sound/hum\"\n\"noise\" \"sound/x\"\n}\n"
      "{\n\"classname\" \"target_speaker\"\n\"noise\" \"sound/WAVE.WAV\"\n}\n"
      "{\n\"classname\" \"target_speaker\"\n\"noise\" \"*falling1.wav\"\n}\n"
      "{\n\"classname\" \"target_speaker\"\n\"noise\" \"sound/a.wav.ogg\"\n}\n"
      "{\n\"classname\" \"target_speaker\"\n\"noise\" \"" +
      std::string(62, 's') +
      "\"\n}\n"
      "{\n\"classname\" \"misc_model\"\n\"model\" \"models\\mapobjects\\n.md3\"\n}\n"
      "{\n\"classname\" \"info_null\"\n\"music\" \"not/the/world.wav\"\n}\n");
  EXPECT_TRUE(references.Error.empty()) << references.Error;
  EXPECT_EQ(Names(references.Files),
            (Strings{"music=music/intro.wav", "music=music/loop.ogg", "model2=models/door.md3",
                     "model=models/b.md3", "noise=sound/hum.wav", "noise=sound/WAVE.WAV.wav",
                     "noise=sound/a.wav.ogg", "noise=" + std::string(62, 's') + ".",
                     "model=models\\apobjects\n.md3"}));
  ASSERT_GE(references.Files.size(), 4U);
  EXPECT_EQ(references.Files[0].Class_Name, "worldspawn");
  EXPECT_EQ(references.Files[3].Class_Name, "misc_model");
}

TEST(Read_BSP_References, Shaders_Named_By_Entity_Keys) {
  TBSP_References references = Entities(
      "{\n\"classname\" \"worldspawn\"\n\"remapshader\" \"textures/a;textures/b\"\n"
      "\"vertexremapshader1\" \"textures/c;textures/d\"\n\"RemapShader\" \"textures/e;f\"\n}\n"
      "{\n\"classname\" \"func_button\"\n\"targetShaderName\" \"textures/old\"\n"
      "\"targetshadernewname\" \"textures/new\"\n}\n"
      "{\n\"remapshader\" \"textures/g;textures/h\"\n}\n");
  EXPECT_EQ(Names(references.Shader_Keys),
            (Strings{"remapshader=textures/a", "remapshader=textures/b",
                     "vertexremapshader1=textures/c", "vertexremapshader1=textures/d",
                     "targetShaderName=textures/old", "targetShaderNewName=textures/new"}));
  EXPECT_EQ(references.Shader_Keys[0].Class_Name, "worldspawn");

  // The renderer stops reading the world's keys at a remap value without ";".
  references = Entities(
      "{\n\"remapshader\" \"textures/a\"\n\"remapshader2\" \"textures/b;textures/c\"\n}\n");
  EXPECT_TRUE(references.Shader_Keys.empty());
  EXPECT_NE(references.Error.find("no \";\""), std::string::npos);
}

TEST(Read_BSP_References, Entity_Text_The_Game_Stops_At_Keeps_What_Came_Before) {
  const std::string world = "{\n\"classname\" \"worldspawn\"\n\"music\" \"m.wav\"\n}\n";
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"junk { \"model2\" \"models/y\" }", "where an entity should open"},
      {"{ \"model2\" \"models/x.md3\"", "ends inside an entity"},
      {"{ \"model2\" }", "has no value"},
      {"{ \"model2\" ", "has no value"},
  };
  for (const auto& [tail, error] : cases) {
    const TBSP_References references = Entities(world + tail);
    EXPECT_EQ(Names(references.Files), (Strings{"music=m.wav"})) << tail;
    EXPECT_NE(references.Error.find(error), std::string::npos) << tail << ": " << references.Error;
  }
  std::string crowded = "{\n";
  for (int i = 0; i < 64; ++i) {
    crowded += "\"k" + std::to_string(i) + "\" \"v\"\n";
  }
  TBSP_References references = Entities(world + crowded + "\"model2\" \"models/z\"\n}\n");
  EXPECT_EQ(Names(references.Files), (Strings{"music=m.wav"}));
  EXPECT_NE(references.Error.find("more than 64 keys"), std::string::npos);
  references = Entities(world + "{ \"model2\" \"" + std::string(1020, 'l') + "\" \"a\" \"" +
                        std::string(1020, 'l') + "\" \"b\" \"" + std::string(1020, 'l') +
                        "\" \"c\" \"" + std::string(1020, 'l') + "\" }");
  EXPECT_NE(references.Error.find("4,096 characters"), std::string::npos);
}

TEST(Read_BSP_References, Hostile_Headers_And_Lumps_Are_Told_And_The_Rest_Read) {
  const std::string entities = "{\n\"classname\" \"worldspawn\"\n\"music\" \"m.wav\"\n}\n";
  const std::string good = Make_Bsp_With_Shaders(entities, {"textures/a"}, {"textures/fog"});

  EXPECT_NE(Read_BSP_References(good.substr(0, 100)).Error.find("shorter"), std::string::npos);
  std::string other = good;
  other[0] = 'R';
  TBSP_References references = Read_BSP_References(other);
  EXPECT_TRUE(references.Shaders.empty());
  EXPECT_NE(references.Error.find("IBSP"), std::string::npos);

  // A version no engine loads is told, the names still read.
  std::string bsp = good;
  Put_U32(bsp, 4, 45);
  references = Read_BSP_References(bsp);
  EXPECT_EQ(references.Shaders, (Strings{"textures/a"}));
  EXPECT_NE(references.Error.find("version 45"), std::string::npos);
  Put_U32(bsp, 4, 47);
  EXPECT_TRUE(Read_BSP_References(bsp).Error.empty());

  // The fog lump (last in the file) passes the end: its whole entries within the file are read.
  bsp = good + Make_Bsp_With_Shaders("", {}, {"textures/fog2"}).substr(144 + 256);
  Put_U32(bsp, Lump_Entry(BSP_Fog_Lump) + 4, 3 * 72);
  references = Read_BSP_References(bsp);
  EXPECT_EQ(references.Fog_Shaders, (Strings{"textures/fog", "textures/fog2"}));
  EXPECT_NE(references.Error.find("lump 12 (fogs) ends at byte"), std::string::npos);
  EXPECT_EQ(Names(references.Files), (Strings{"music=m.wav"}));

  // A length that is no multiple of 72, a negative length, a lump in the header, an overlap.
  bsp = good;
  Put_U32(bsp, Lump_Entry(BSP_Shader_Lump) + 4, 100);
  references = Read_BSP_References(bsp);
  EXPECT_EQ(references.Shaders, (Strings{"textures/a"}));
  EXPECT_NE(references.Error.find("no multiple of 72"), std::string::npos);
  EXPECT_NE(references.Error.find("overlap"), std::string::npos);
  bsp = good;
  Put_U32(bsp, Lump_Entry(BSP_Shader_Lump) + 4, 0x80000000U);
  Put_U32(bsp, Lump_Entry(5), 16);
  Put_U32(bsp, Lump_Entry(5) + 4, 8);
  references = Read_BSP_References(bsp);
  EXPECT_TRUE(references.Shaders.empty());
  EXPECT_NE(references.Error.find("lump 1 (shaders) has a negative"), std::string::npos);
  EXPECT_NE(references.Error.find("lump 5 (leaf surfaces) lies in the header"), std::string::npos);
  EXPECT_EQ(references.Fog_Shaders, (Strings{"textures/fog"}));

  // Entity text ends at the lump's end and at a NUL.
  bsp = Make_Bsp_With_Shaders(entities + std::string("\0{ \"model2\" \"hidden\" }", 22), {}, {});
  EXPECT_EQ(Names(Read_BSP_References(bsp).Files), (Strings{"music=m.wav"}));

  for (const auto& [name, input] : testing::Fuzz_Inputs(VORLIX_FUZZ_DIR, "bsp_references")) {
    EXPECT_EQ(testing::Bsp_References_Input_Fault(input), "") << name;
  }
}

TEST(BSP_Reference_Bytes, The_Bytes_Up_To_The_Furthest_Lump_Read_Alone_Suffice) {
  const std::string entities = "{\n\"classname\" \"worldspawn\"\n\"music\" \"m.wav\"\n}\n";
  std::string bsp = Make_Bsp_With_Shaders(entities, {"textures/a"}, {"textures/fog"}, 4096);
  bsp += std::string(10000, 'i');  // a last lump the references do not need
  Put_U32(bsp, Lump_Entry(11), static_cast<std::uint32_t>(bsp.size() - 10000));
  Put_U32(bsp, Lump_Entry(11) + 4, 10000);
  const TBSP_Layout layout = Read_BSP_Layout(bsp.substr(0, BSP_Header_Size), bsp.size());
  const std::uint64_t needed = BSP_Reference_Bytes(layout);
  EXPECT_EQ(needed, bsp.size() - 10000);
  const TBSP_References whole = Read_BSP_References(bsp);
  const TBSP_References part = Read_BSP_References(bsp.substr(0, needed), bsp.size());
  EXPECT_EQ(part.Shaders, whole.Shaders);
  EXPECT_EQ(part.Fog_Shaders, (Strings{"textures/fog"}));
  EXPECT_EQ(Names(part.Files), Names(whole.Files));
  EXPECT_TRUE(part.Error.empty()) << part.Error;

  // Fewer bytes: what they hold is read and the cut is told.
  const TBSP_References cut = Read_BSP_References(bsp.substr(0, needed - 72), bsp.size());
  EXPECT_EQ(cut.Shaders, whole.Shaders);
  EXPECT_TRUE(cut.Fog_Shaders.empty());
  EXPECT_NE(cut.Error.find("beyond the " + std::to_string(needed - 72) + " bytes read"),
            std::string::npos)
      << cut.Error;
}

}  // namespace

}  // namespace vorlix
