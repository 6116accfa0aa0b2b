#include "database/zip_library.h"

#include <dlfcn.h>

namespace vorlix {

namespace {

// The library counts as loaded only when it has every one of them, so that no call after the
// first one (an opening) can fail for want of libzip.
#define VORLIX_LIBZIP_NAME(name) #name,
constexpr const char* Libzip_Functions[] = {VORLIX_LIBZIP_FUNCTIONS(VORLIX_LIBZIP_NAME)};
#undef VORLIX_LIBZIP_NAME

void* Load_Libzip() {
  void* const handle = ::dlopen(VORLIX_LIBZIP_SONAME, RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) {
    return nullptr;
  }
  for (const char* name : Libzip_Functions) {
    if (::dlsym(handle, name) == nullptr) {
      ::dlclose(handle);
      return nullptr;
    }
  }
  return handle;
}

void* Libzip_Handle() {
  static void* const handle = Load_Libzip();
  return handle;
}

}  // namespace

void* Libzip_Symbol(const char* name) {
  void* const handle = Libzip_Handle();
  void* const symbol = handle != nullptr ? ::dlsym(handle, name) : nullptr;
  if (symbol == nullptr) {
    throw TZip_Error(std::string("Cannot load ") + VORLIX_LIBZIP_SONAME + " (" + name + ")");
  }
  return symbol;
}

namespace zip_detail {

std::string Zip_Message(zip_t* archive) {
  return archive != nullptr ? lz::zip_strerror(archive) : "no archive";
}

std::string Error_Text(int code) {
  zip_error_t error;
  lz::zip_error_init_with_code(&error, code);
  std::string text = lz::zip_error_strerror(&error);
  lz::zip_error_fini(&error);
  return text;
}

std::string Memory_Archive_Error(const std::string& name) {
  std::string text = name;
  text += ": an archive held in memory cannot be written.";
  return text;
}

}  // namespace zip_detail
}  // namespace vorlix
