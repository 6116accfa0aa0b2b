// Load_Database on arbitrary bytes: any content ends as a loaded database or a reported load
// error, never as a crash, a sanitizer report or an allocation the size of a damaged count.

#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_support.h"
#include "hostile_inputs.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  if (!vorlix::testing::Database_Input_Fault(bytes, vorlix::fuzz::Scratch_Dir()).empty()) {
    __builtin_trap();
  }
  return 0;
}
