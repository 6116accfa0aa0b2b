// The libFuzzer target of one reader of outside data, the one VORLIX_FUZZ_TARGET names. An input
// that breaks the reader's rules (hostile_inputs.h) stops the run:
//   database       Load_Database: a loaded database or a reported load error, never an
//                  allocation the size of a damaged count;
//   maps_tree      the tree file against a small database whose IDs the inputs can hit;
//   bots_txt       bots.txt: entries or a read error;
//   arena_script   the import's arena script parser, with the type and bots values of every block;
//   read_longname  Read_Longname: a title (at most what the file holds) or a stream error;
//   shader_script  a shader script: definitions and images within the engine's limits;
//   bsp_references what a map file names: within its fields and lumps, the same from the bytes
//                  the references need as from the whole file;
//   content_index  content.dat: its names within its table, the same once written again;
//   zip            listing and extraction of an archive held in memory: members land below the
//                  extraction folder, within the size limits, and failures are TZip_Error.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "builders.h"
#include "hostile_inputs.h"

namespace {

std::string Fault(const std::string& bytes) {
  using namespace vorlix::testing;
  static const TTemp_Dir scratch;  // the readers of files take paths
  const std::string_view target = VORLIX_FUZZ_TARGET;
  if (target == "database") {
    return Database_Input_Fault(bytes, scratch.Path());
  }
  if (target == "maps_tree") {
    return Tree_Input_Fault(bytes);
  }
  if (target == "bots_txt") {
    return Bots_Txt_Input_Fault(bytes);
  }
  if (target == "arena_script") {
    return Arena_Script_Input_Fault(bytes);
  }
  if (target == "shader_script") {
    return Shader_Script_Input_Fault(bytes);
  }
  if (target == "bsp_references") {
    return Bsp_References_Input_Fault(bytes);
  }
  if (target == "content_index") {
    return Content_Index_Input_Fault(bytes, scratch.Path());
  }
  if (target == "read_longname") {
    return Bsp_Input_Fault(bytes, scratch.Path());
  }
  return Zip_Input_Fault(bytes, scratch.Path());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (!Fault(std::string(reinterpret_cast<const char*>(data), size)).empty()) {
    __builtin_trap();
  }
  return 0;
}
