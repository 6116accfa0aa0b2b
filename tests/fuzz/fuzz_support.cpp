#include "fuzz_support.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>

#include <unistd.h>

namespace vorlix::fuzz {

namespace {

struct TScratch {
  TScratch() {
    const char* base = std::getenv("TMPDIR");
    std::string pattern =
        std::string(base != nullptr && *base != '\0' ? base : "/tmp") + "/vorlix-fuzz-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) {
      throw std::runtime_error("cannot create a scratch folder");
    }
    Path = pattern;
  }
  ~TScratch() {
    std::error_code ignored;
    std::filesystem::remove_all(Path, ignored);
  }
  TScratch(const TScratch&) = delete;
  TScratch& operator=(const TScratch&) = delete;
  std::string Path;
};

}  // namespace

const std::string& Scratch_Dir() {
  static const TScratch scratch;
  return scratch.Path;
}

std::string Write_Input(const std::string& name, const std::uint8_t* data, std::size_t size) {
  std::string path = Scratch_Dir() + "/" + name;
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  if (!out.flush()) {
    throw std::runtime_error("cannot write " + path);
  }
  return path;
}

}  // namespace vorlix::fuzz
