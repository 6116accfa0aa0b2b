#include "core/dos_time.h"

#include <sys/stat.h>
#include <utime.h>

namespace vorlix::platform {

std::int32_t To_DOS_Date_Time(std::time_t time) {
  std::tm local{};
  localtime_r(&time, &local);
  int year = local.tm_year + 1900;
  if (year < 1980) {
    // The format cannot hold earlier dates; the earliest one it can stands in.
    return static_cast<std::int32_t>((1u << 5 | 1u) << 16);
  }
  const std::uint32_t date = (static_cast<std::uint32_t>(year - 1980) << 9) |
                             (static_cast<std::uint32_t>(local.tm_mon + 1) << 5) |
                             static_cast<std::uint32_t>(local.tm_mday);
  const std::uint32_t tod = (static_cast<std::uint32_t>(local.tm_hour) << 11) |
                            (static_cast<std::uint32_t>(local.tm_min) << 5) |
                            static_cast<std::uint32_t>(local.tm_sec / 2);
  return static_cast<std::int32_t>((date << 16) | tod);
}

std::time_t From_DOS_Date_Time(std::int32_t dos) {
  const auto value = static_cast<std::uint32_t>(dos);
  const std::uint32_t date = value >> 16;
  const std::uint32_t tod = value & 0xFFFFu;
  std::tm local{};
  local.tm_year = static_cast<int>((date >> 9) & 0x7F) + 80;
  local.tm_mon = static_cast<int>((date >> 5) & 0x0F) - 1;
  local.tm_mday = static_cast<int>(date & 0x1F);
  local.tm_hour = static_cast<int>((tod >> 11) & 0x1F);
  local.tm_min = static_cast<int>((tod >> 5) & 0x3F);
  local.tm_sec = static_cast<int>((tod & 0x1F) * 2);
  local.tm_isdst = -1;
  return std::mktime(&local);
}

std::optional<std::int32_t> File_DOS_Date_Time(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) {
    return std::nullopt;
  }
  return To_DOS_Date_Time(st.st_mtime);
}

bool Set_File_DOS_Date_Time(const std::string& path, std::int32_t dos) {
  struct utimbuf times {};
  times.actime = From_DOS_Date_Time(dos);
  times.modtime = times.actime;
  return ::utime(path.c_str(), &times) == 0;
}

}  // namespace vorlix::platform
