// The ZIP listing and extraction on arbitrary archives held in memory: every member that is
// written lands below the extraction folder, within the size limits, and failures are TZip_Error.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>

#include "database/zip_archive.h"
#include "fuzz_support.h"

namespace fs = std::filesystem;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const fs::path out = fs::path(vorlix::fuzz::Scratch_Dir()) / "out";
  std::error_code ignored;
  fs::remove_all(out, ignored);
  fs::create_directories(out);
  vorlix::Zip_Archive archive;
  try {
    archive.Set_Zip_Data(std::string(reinterpret_cast<const char*>(data), size), "input.pk3");
    for (const vorlix::Zip_Entry& entry : archive.Entries()) {
      (void)vorlix::Is_Safe_Member_Name(entry.FileName);
    }
    archive.Select({"*"});
    archive.Max_Member_Size = 1 << 20;
    archive.Max_Total_Size = 4 << 20;
    (void)archive.Extract({"*", "*/*", "*/*/*", "maps/*.bsp"}, out.string(), true);
  } catch (const vorlix::TZip_Error&) {
    // damaged or hostile archive: reported
  }
  // Nothing outside the extraction folder, nothing beyond the limits.
  std::uintmax_t total = 0;
  for (auto it = fs::recursive_directory_iterator(out, ignored);
       it != fs::recursive_directory_iterator(); it.increment(ignored)) {
    if (it->is_symlink()) {
      __builtin_trap();
    }
    if (it->is_regular_file()) {
      total += it->file_size();
    }
  }
  if (total > (std::uintmax_t{4} << 20)) {
    __builtin_trap();
  }
  for (const auto& entry : fs::directory_iterator(vorlix::fuzz::Scratch_Dir())) {
    const std::string name = entry.path().filename().string();
    if (name != "out") {
      __builtin_trap();  // something was written beside the extraction folder
    }
  }
  return 0;
}
