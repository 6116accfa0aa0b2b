// The bots.txt reader on arbitrary text: entries or a read error, nothing else.

#include <cstddef>
#include <cstdint>
#include <string>

#include "hostile_inputs.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  if (!vorlix::testing::Bots_Txt_Input_Fault(bytes).empty()) {
    __builtin_trap();
  }
  return 0;
}
