#pragma once
// libzip for the ZIP facade's files, loaded when the first archive is opened: most starts of the
// program open no archive at all, and loading libzip (and the libraries it needs) only then keeps
// them short. The functions of namespace lz stand in for libzip's own, with the same names
// (lz::zip_open for zip_open); the first call of one that libzip cannot give throws TZip_Error.

#include <cstddef>
#include <string>

#include <zip.h>

#include "database/zip_archive.h"

namespace vorlix {

// Every libzip function the facade calls.
#define VORLIX_LIBZIP_FUNCTIONS(X)    \
  X(zip_close)                        \
  X(zip_discard)                      \
  X(zip_error_code_zip)               \
  X(zip_error_fini)                   \
  X(zip_error_init)                   \
  X(zip_error_init_with_code)         \
  X(zip_error_strerror)               \
  X(zip_fclose)                       \
  X(zip_file_add)                     \
  X(zip_file_get_external_attributes) \
  X(zip_file_rename)                  \
  X(zip_file_replace)                 \
  X(zip_file_strerror)                \
  X(zip_fopen_index)                  \
  X(zip_fread)                        \
  X(zip_get_name)                     \
  X(zip_get_num_entries)              \
  X(zip_name_locate)                  \
  X(zip_open)                         \
  X(zip_open_from_source)             \
  X(zip_set_file_compression)         \
  X(zip_source_buffer_create)         \
  X(zip_source_file)                  \
  X(zip_source_free)                  \
  X(zip_stat_index)                   \
  X(zip_stat_init)                    \
  X(zip_strerror)

// The address of one of the functions above; throws TZip_Error when libzip cannot be loaded.
void* Libzip_Symbol(const char* name);

// NOLINTBEGIN(bugprone-macro-parentheses)
#define VORLIX_LIBZIP_FUNCTION(name)                                                        \
  template <typename... Arguments>                                                          \
  auto name(Arguments... arguments) {                                                       \
    static const auto function = reinterpret_cast<decltype(&::name)>(Libzip_Symbol(#name)); \
    return function(arguments...);                                                          \
  }
// NOLINTEND(bugprone-macro-parentheses)
namespace lz {
VORLIX_LIBZIP_FUNCTIONS(VORLIX_LIBZIP_FUNCTION)
}  // namespace lz
#undef VORLIX_LIBZIP_FUNCTION

namespace zip_detail {

// Members are read and written in chunks of this size.
inline constexpr std::size_t Chunk_Size = std::size_t{64} * 1024;

// libzip's text for the last error of an archive, and for an error code.
std::string Zip_Message(zip_t* archive);
std::string Error_Text(int code);
// The refusal to write into an archive held in memory.
std::string Memory_Archive_Error(const std::string& name);

}  // namespace zip_detail
}  // namespace vorlix
