// The arena script parser of the import on arbitrary text, with the type and bots values of every
// block it finds.

#include <cstddef>
#include <cstdint>
#include <string>

#include "hostile_inputs.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  if (!vorlix::testing::Arena_Script_Input_Fault(bytes).empty()) {
    __builtin_trap();
  }
  return 0;
}
