// The bots.txt reader on arbitrary text: entries or a read error, nothing else.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "content/bots_txt.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  vorlix::TBot_Liste bots("baseq3");
  try {
    vorlix::Lies_BOTS_TXT_aus_Text(
        bots, std::string_view(reinterpret_cast<const char*>(data), size), "bots.pk3");
  } catch (const vorlix::TText_Read_Error&) {
    // a reported read error is a valid outcome
  }
  return 0;
}
