// The ZIP listing and extraction on arbitrary archives held in memory: every member that is
// written lands below the extraction folder, within the size limits, and failures are TZip_Error.

#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_support.h"
#include "hostile_inputs.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  if (!vorlix::testing::Zip_Input_Fault(bytes, vorlix::fuzz::Scratch_Dir()).empty()) {
    __builtin_trap();
  }
  return 0;
}
