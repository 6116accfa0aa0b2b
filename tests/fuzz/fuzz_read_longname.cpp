// Read_Longname on arbitrary map files: a title (at most what the file holds) or a stream error.

#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_support.h"
#include "hostile_inputs.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  if (!vorlix::testing::Bsp_Input_Fault(bytes, vorlix::fuzz::Scratch_Dir()).empty()) {
    __builtin_trap();
  }
  return 0;
}
