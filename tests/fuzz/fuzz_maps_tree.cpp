// The tree file loader on arbitrary bytes, against a small database whose IDs the inputs can hit:
// no crash, no sanitizer report, and a failed load leaves at most what the file described.

#include <cstddef>
#include <cstdint>
#include <string>

#include "hostile_inputs.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  if (!vorlix::testing::Tree_Input_Fault(bytes).empty()) {
    __builtin_trap();
  }
  return 0;
}
