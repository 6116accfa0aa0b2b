#include "fuzz_support.h"

#include <cstdlib>
#include <filesystem>
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

}  // namespace vorlix::fuzz
