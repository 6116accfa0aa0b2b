#include "browser/levelshot.h"

#include <gtest/gtest.h>

#include "browser/image_decoder.h"
#include "builders.h"
#include "test_database.h"

namespace vorlix {
namespace {

using testing::TTemp_Dir;
using testing::TTest_Database;

using TShown = std::pair<std::string, std::string>;  // file below the test folder, label

class Levelshot_Test : public ::testing::Test {
 protected:
  void Put(const std::string& relative) { testing::Write_File(Dir / relative, "picture"); }
  TShown Choose(const TMap_Record& map) {
    const TLevelshot_Choice c = Choose_Levelshot(Db.Database, map, Dir / "levelshots", Dir / "gfx");
    const std::string prefix = Dir.Path() + "/";
    if (!c.Path) {
      return {"", c.Label};
    }
    return {c.Path->rfind(prefix, 0) == 0 ? c.Path->substr(prefix.size()) : *c.Path, c.Label};
  }

  TTemp_Dir Dir;
  TTest_Database Db;
};

TEST_F(Levelshot_Test, Later_Archive_Of_The_Same_Mod_Supplies_Its_Jpg) {
  TPK3_Record* a = Db.Add_PK3("baseq3", "a.pk3");
  TPK3_Record* b = Db.Add_PK3("baseq3", "b.pk3");
  TPK3_Record* other = Db.Add_PK3("cpma", "z.pk3");
  TMap_Record* plain = TTest_Database::Add_Map(a, "Q3DM1.BSP", "Plain");
  TMap_Record* with_shot = TTest_Database::Add_Map(b, "q3dm1.bsp", "With Shot");
  with_shot->Has_Levelshot_JPG = true;
  TTest_Database::Add_Map(other, "Q3DM1.BSP", "Elsewhere")->Has_Levelshot_JPG = true;
  Put("levelshots/baseq3/b.pk3/q3dm1.jpg");
  EXPECT_EQ(Choose_Levelshot(Db.Database, *plain, Dir / "levelshots", Dir / "gfx").Used_Map,
            with_shot);
  EXPECT_EQ(Choose(*plain), (TShown{"levelshots/baseq3/b.pk3/q3dm1.jpg", "of With Shot"}));
}

TEST_F(Levelshot_Test, Jpg_Wins_Over_Tga_And_Folders_Are_Found_Ignoring_Case) {
  TPK3_Record* pk3 = Db.Add_PK3("baseq3", "Maps.pk3");
  TMap_Record* map = TTest_Database::Add_Map(pk3, "Q3DM7.BSP", "Temple");
  map->Has_Levelshot_TGA = true;
  map->Has_Levelshot_JPG = true;
  Put("levelshots/baseq3/Maps.pk3/Q3DM7.tga");
  Put("levelshots/baseq3/Maps.pk3/Q3DM7.JPG");
  EXPECT_EQ(Choose(*map), (TShown{"levelshots/baseq3/Maps.pk3/Q3DM7.JPG", "of Temple"}));
  map->Has_Levelshot_JPG = false;
  EXPECT_EQ(Choose(*map), (TShown{"levelshots/baseq3/Maps.pk3/Q3DM7.tga", "of Temple"}));
}

TEST_F(Levelshot_Test, Placeholder_Without_Name_And_White_Area_For_Missing_Files) {
  TPK3_Record* pk3 = Db.Add_PK3("baseq3", "pak.pk3");
  TMap_Record* bare = TTest_Database::Add_Map(pk3, "BARE.BSP", "Bare");
  TMap_Record* announced = TTest_Database::Add_Map(pk3, "LOST.BSP", "Lost");
  announced->Has_Levelshot_TGA = true;
  EXPECT_EQ(Choose(*bare), (TShown{"", ""}));  // no placeholder file yet: white area
  Put("gfx/NOLEVELSHOTAVAILABLE.JPG");
  EXPECT_EQ(Choose(*bare), (TShown{"gfx/NOLEVELSHOTAVAILABLE.JPG", ""}));
  // Announced by the database but missing in the folder: white, never the placeholder.
  EXPECT_EQ(Choose(*announced), (TShown{"", ""}));
}

// ---- the decoder -------------------------------------------------------------------------------

std::string Tga_Header(int type, int width, int height, int bits, int descriptor) {
  std::string header(18, '\0');
  header[2] = static_cast<char>(type);
  header[12] = static_cast<char>(width & 0xFF);
  header[13] = static_cast<char>(width >> 8);
  header[14] = static_cast<char>(height & 0xFF);
  header[15] = static_cast<char>(height >> 8);
  header[16] = static_cast<char>(bits);
  header[17] = static_cast<char>(descriptor);
  return header;
}

using Rgba = std::vector<std::uint8_t>;

TEST(Image_Decoder, Reads_True_Colour_And_Grey_Tga_Plain_And_Run_Length_Encoded) {
  const Rgba run{0x30, 0x20, 0x10, 0x80};
  const struct {
    std::string Bytes;
    std::vector<std::tuple<int, int, Rgba>> Expected;  // x, y (from the top), colour
  } cases[] = {
      // 24 bits, rows from the bottom: bottom row red, green; top row blue, white.
      {Tga_Header(2, 2, 2, 24, 0) +
           std::string("\x00\x00\xff\x00\xff\x00\xff\x00\x00\xff\xff\xff", 12),
       {{0, 0, {0, 0, 255, 255}}, {1, 0, {255, 255, 255, 255}}, {0, 1, {255, 0, 0, 255}}}},
      // 32 bits, one run of four pixels, top-down.
      {Tga_Header(10, 2, 2, 32, 8 | 0x20) + std::string("\x83\x10\x20\x30\x80", 5),
       {{0, 0, run}, {1, 0, run}, {0, 1, run}, {1, 1, run}}},
      {Tga_Header(3, 2, 1, 8, 0x20) + std::string("\x0a\xc8", 2), {{1, 0, {200, 200, 200, 255}}}},
      // Grey, a raw packet of two and a run of two, top-down.
      {Tga_Header(11, 2, 2, 8, 0x20) + std::string("\x01\x05\x06\x81\x07", 5),
       {{1, 0, {6, 6, 6, 255}}, {1, 1, {7, 7, 7, 255}}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.Bytes[2]));
    const auto image = Decode_Image(c.Bytes);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->Width, 2);
    EXPECT_EQ(image->Height, c.Bytes[14]);
    for (const auto& [x, y, colour] : c.Expected) {
      const auto at = image->RGBA.begin() + static_cast<std::ptrdiff_t>(y * image->Width + x) * 4;
      EXPECT_EQ(Rgba(at, at + 4), colour) << x << "," << y;
    }
  }
}

TEST(Image_Decoder, Refuses_Damaged_Pictures) {
  EXPECT_FALSE(Decode_Image(""));
  EXPECT_FALSE(Decode_Image("not a picture at all"));
  std::string cut = Tga_Header(2, 64, 64, 24, 0) + std::string(30, '\x7f');
  // A cut-off picture is decoded as far as it goes, never beyond its bytes.
  if (auto partial = Decode_Image(cut)) {
    EXPECT_EQ(partial->RGBA.size(), 64u * 64u * 4u);
  }
  std::string giant = Tga_Header(2, 60000, 60000, 32, 0) + std::string(64, '\x7f');
  EXPECT_FALSE(Decode_Image(giant));
  EXPECT_FALSE(Decode_Image_File("/nonexistent/levelshot.jpg"));
}

}  // namespace
}  // namespace vorlix
