// The arena script parser of the import on arbitrary text, with the type and bots values of every
// block it finds.

#include <cstddef>
#include <cstdint>
#include <string>

#include "arena/arena_script.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  for (const vorlix::TArena_Block& block : vorlix::Lese_Arena_Bloecke(text)) {
    if (block.Map.empty() || block.Map.size() > size || block.Type.size() > size) {
      __builtin_trap();  // complete blocks name a map, and nothing grows beyond the input
    }
    const std::uint8_t types = vorlix::Ermittle_Spieltypen(block.Type);
    if (types == 0 || types > 63) {
      __builtin_trap();
    }
    for (const std::string& bot : vorlix::Ermittle_Bots(block.Bots)) {
      if (bot.empty()) {
        __builtin_trap();
      }
    }
  }
  return 0;
}
