#pragma once
// Shared by the fuzz targets: a scratch folder of the process (the readers under test take paths).

#include <string>

namespace vorlix::fuzz {

// The process's scratch folder (created on first use, removed at exit).
const std::string& Scratch_Dir();

}  // namespace vorlix::fuzz
