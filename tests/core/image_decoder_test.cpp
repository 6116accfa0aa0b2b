#include "core/ui/image_decoder.h"

#include <gtest/gtest.h>

#include <tuple>

namespace vorlix {
namespace {

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
}

}  // namespace
}  // namespace vorlix
