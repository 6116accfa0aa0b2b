// Read_Longname on arbitrary map files: a title (at most what the file holds) or a stream error.

#include <cstddef>
#include <cstdint>
#include <string>

#include "database/scan.h"
#include "database/stream.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string path = vorlix::fuzz::Write_Input("map.bsp", data, size);
  try {
    const std::string title = vorlix::Read_Longname(path);
    if (title.size() > size) {
      __builtin_trap();
    }
  } catch (const vorlix::TStream_Error&) {
    // too short or unreadable: reported, not a crash
  }
  return 0;
}
