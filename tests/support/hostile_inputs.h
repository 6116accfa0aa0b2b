#pragma once
// What must hold after a reader of outside data met any input at all. The fuzz targets stop on a
// broken rule; the hostile-input suites check the same rules on their own damaged files and on
// the fuzz corpus and its regressions. Each check returns "" or the rule that broke.

#include <string>
#include <utility>
#include <vector>

namespace vorlix::testing {

// Listing and extraction of an archive held in memory into `scratch`/out (`scratch` holds
// nothing else): TZip_Error or members written below out, no links, within the limits.
std::string Zip_Input_Fault(const std::string& bytes, const std::string& scratch);
// Load_Database of the bytes as `scratch`/mapsdb.dat: a loaded database or a reported failure,
// every map in the record it is listed under.
std::string Database_Input_Fault(const std::string& bytes, const std::string& scratch);
// The tree file against a small database: only present maps reach the tree, no more nodes than
// the bytes can hold, and what loads saves and loads again to the same bytes.
std::string Tree_Input_Fault(const std::string& bytes);
// bots.txt: entries or a read error.
std::string Bots_Txt_Input_Fault(const std::string& text);
// An arena script: complete blocks only, each naming a map, nothing larger than the input.
std::string Arena_Script_Input_Fault(const std::string& text);
// The title of a map file (`scratch`/map.bsp): at most what the file holds, or a stream error.
std::string Bsp_Input_Fault(const std::string& bytes, const std::string& scratch);

// A shader script: every definition named, within the engine's limits (token length, stages,
// frames), a file the engine ignores says why, and a second reading gives the same.
std::string Shader_Script_Input_Fault(const std::string& text);
// The references of a map file: nothing for what is no map, names within their fields, no more
// entries than the lumps can hold, and reading only BSP_Reference_Bytes of it gives the same.
std::string Bsp_References_Input_Fault(const std::string& bytes);
// content.dat: an index whose every name is one of its names, or none; a loaded index written and
// read again is the same.
std::string Content_Index_Input_Fault(const std::string& bytes, const std::string& scratch);

// The seed corpus and the found regressions of one fuzz target as name and bytes, from the
// folder `fuzz_dir` (corpus/<target>/*, regressions/<target>-*).
std::vector<std::pair<std::string, std::string>> Fuzz_Inputs(const std::string& fuzz_dir,
                                                             const std::string& target);

}  // namespace vorlix::testing
