#pragma once
// Shared by the fuzz targets: a scratch folder of the process, and a file there holding the input
// of one run (the readers under test take paths).

#include <cstddef>
#include <cstdint>
#include <string>

namespace vorlix::fuzz {

// The process's scratch folder (created on first use, removed at exit).
const std::string& Scratch_Dir();
// Writes `size` bytes to `name` in the scratch folder and returns its path.
std::string Write_Input(const std::string& name, const std::uint8_t* data, std::size_t size);

}  // namespace vorlix::fuzz
