#include "browser/levelshot.h"

#include <gtest/gtest.h>

#include "browser/image_decoder.h"
#include "builders.h"
#include "test_database.h"

namespace vorlix {
namespace {

using testing::TTemp_Dir;
using testing::TTest_Database;

class Levelshot_Test : public ::testing::Test {
 protected:
  std::string Levelshots() const { return Dir / "levelshots"; }
  std::string Gfx() const { return Dir / "gfx"; }
  void Put(const std::string& relative) { testing::Write_File(Dir / relative, "picture"); }

  TTemp_Dir Dir;
  TTest_Database Db;
};

TEST_F(Levelshot_Test, LaterArchiveOfTheSameModSuppliesItsJpg) {
  TPK3_Datei_Eintrag* a = Db.Add_PK3("baseq3", "a.pk3");
  TPK3_Datei_Eintrag* b = Db.Add_PK3("baseq3", "b.pk3");
  TPK3_Datei_Eintrag* other = Db.Add_PK3("cpma", "z.pk3");
  TMAP_Datei_Eintrag* plain = TTest_Database::Add_Map(a, "Q3DM1.BSP", "Plain");
  TMAP_Datei_Eintrag* with_shot = TTest_Database::Add_Map(b, "q3dm1.bsp", "With Shot");
  with_shot->Has_Levelshot_JPG = true;
  TMAP_Datei_Eintrag* elsewhere = TTest_Database::Add_Map(other, "Q3DM1.BSP", "Elsewhere");
  elsewhere->Has_Levelshot_JPG = true;
  Put("levelshots/baseq3/b.pk3/q3dm1.jpg");

  const TLevelshot_Choice choice = Waehle_Levelshot(Db.Database, *plain, Levelshots(), Gfx());
  EXPECT_EQ(choice.Used_Map, with_shot);
  ASSERT_TRUE(choice.Path);
  EXPECT_EQ(*choice.Path, Dir / "levelshots/baseq3/b.pk3/q3dm1.jpg");
  EXPECT_EQ(choice.Label, "of With Shot");
}

TEST_F(Levelshot_Test, JpgWinsOverTgaAndFoldersAreFoundIgnoringCase) {
  TPK3_Datei_Eintrag* pk3 = Db.Add_PK3("baseq3", "Maps.pk3");
  TMAP_Datei_Eintrag* map = TTest_Database::Add_Map(pk3, "Q3DM7.BSP", "Temple");
  map->Has_Levelshot_TGA = true;
  map->Has_Levelshot_JPG = true;
  Put("levelshots/baseq3/Maps.pk3/Q3DM7.tga");
  Put("levelshots/baseq3/Maps.pk3/Q3DM7.JPG");
  const TLevelshot_Choice choice = Waehle_Levelshot(Db.Database, *map, Levelshots(), Gfx());
  ASSERT_TRUE(choice.Path);
  EXPECT_EQ(*choice.Path, Dir / "levelshots/baseq3/Maps.pk3/Q3DM7.JPG");
  EXPECT_EQ(choice.Label, "of Temple");
  map->Has_Levelshot_JPG = false;
  EXPECT_EQ(*Waehle_Levelshot(Db.Database, *map, Levelshots(), Gfx()).Path,
            Dir / "levelshots/baseq3/Maps.pk3/Q3DM7.tga");
}

TEST_F(Levelshot_Test, PlaceholderWithoutNameAndWhiteAreaForMissingFiles) {
  TPK3_Datei_Eintrag* pk3 = Db.Add_PK3("baseq3", "pak.pk3");
  TMAP_Datei_Eintrag* bare = TTest_Database::Add_Map(pk3, "BARE.BSP", "Bare");
  TMAP_Datei_Eintrag* announced = TTest_Database::Add_Map(pk3, "LOST.BSP", "Lost");
  announced->Has_Levelshot_TGA = true;

  // No placeholder file yet: white area.
  TLevelshot_Choice choice = Waehle_Levelshot(Db.Database, *bare, Levelshots(), Gfx());
  EXPECT_FALSE(choice.Path);
  EXPECT_EQ(choice.Label, "");

  Put("gfx/NOLEVELSHOTAVAILABLE.JPG");
  choice = Waehle_Levelshot(Db.Database, *bare, Levelshots(), Gfx());
  ASSERT_TRUE(choice.Path);
  EXPECT_EQ(*choice.Path, Dir / "gfx/NOLEVELSHOTAVAILABLE.JPG");
  EXPECT_EQ(choice.Label, "");

  // Announced by the database but missing in the folder: white, never the placeholder.
  choice = Waehle_Levelshot(Db.Database, *announced, Levelshots(), Gfx());
  EXPECT_FALSE(choice.Path);
  EXPECT_EQ(choice.Label, "");
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

std::vector<std::uint8_t> Pixel(const TDecoded_Image& image, int x, int y) {
  const auto at = image.RGBA.begin() + (y * image.Width + x) * 4;
  return {at, at + 4};
}

using Rgba = std::vector<std::uint8_t>;

TEST(Image_Decoder, ReadsTrueColourAndGreyTgaPlainAndRunLengthEncoded) {
  // Type 2, 24 bits, rows from the bottom: bottom row red, green; top row blue, white.
  std::string type2 = Tga_Header(2, 2, 2, 24, 0);
  type2 += std::string(
      "\x00\x00\xff"
      "\x00\xff\x00"
      "\xff\x00\x00"
      "\xff\xff\xff",
      12);
  auto image = Decode_Image(type2);
  ASSERT_TRUE(image);
  EXPECT_EQ(image->Width, 2);
  EXPECT_EQ(image->Height, 2);
  EXPECT_EQ(Pixel(*image, 0, 0), (Rgba{0, 0, 255, 255}));
  EXPECT_EQ(Pixel(*image, 1, 0), (Rgba{255, 255, 255, 255}));
  EXPECT_EQ(Pixel(*image, 0, 1), (Rgba{255, 0, 0, 255}));

  // Type 10, 32 bits, one run of four pixels.
  std::string type10 = Tga_Header(10, 2, 2, 32, 8 | 0x20);
  type10 += std::string("\x83\x10\x20\x30\x80", 5);
  image = Decode_Image(type10);
  ASSERT_TRUE(image);
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(Pixel(*image, i % 2, i / 2), (Rgba{0x30, 0x20, 0x10, 0x80}));
  }

  // Type 3, grey, top-down.
  std::string type3 = Tga_Header(3, 2, 1, 8, 0x20);
  type3 += std::string("\x0a\xc8", 2);
  image = Decode_Image(type3);
  ASSERT_TRUE(image);
  EXPECT_EQ(Pixel(*image, 1, 0), (Rgba{200, 200, 200, 255}));

  // Type 11, grey, a raw packet of two and a run of two, top-down.
  std::string type11 = Tga_Header(11, 2, 2, 8, 0x20);
  type11 += std::string("\x01\x05\x06\x81\x07", 5);
  image = Decode_Image(type11);
  ASSERT_TRUE(image);
  EXPECT_EQ(Pixel(*image, 1, 0), (Rgba{6, 6, 6, 255}));
  EXPECT_EQ(Pixel(*image, 1, 1), (Rgba{7, 7, 7, 255}));
}

TEST(Image_Decoder, RefusesDamagedPictures) {
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
