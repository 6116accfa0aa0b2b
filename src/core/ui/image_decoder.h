#pragma once
// Decoding of levelshot and botshot pictures: JPEG (baseline and progressive) and TGA
// (uncompressed and run-length encoded, true-colour and grey) into 8-bit RGBA pixels. The
// caller reads the file (database/stream.h: Read_Whole_File).

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vorlix {

struct TDecoded_Image {
  int Width = 0;
  int Height = 0;
  std::vector<std::uint8_t> RGBA;  // Width * Height * 4 bytes, rows from the top
};

// nullopt when the bytes are no picture the decoder understands.
std::optional<TDecoded_Image> Decode_Image(const std::string& bytes);

}  // namespace vorlix
