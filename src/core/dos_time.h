#pragma once
// Packed DOS date-times: 32 bits, the date in the high half ((year-1980)<<9 | month<<5 | day), the
// time in the low half (hour<<11 | minute<<5 | second/2), local time, 2-second resolution.

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>

namespace vorlix::platform {

std::int32_t To_DOS_Date_Time(std::time_t time);
std::time_t From_DOS_Date_Time(std::int32_t dos);
// A file's last-write time, packed; nullopt when the file cannot be read.
std::optional<std::int32_t> File_DOS_Date_Time(const std::string& path);
// Gives a file the last-write time of a packed date-time.
bool Set_File_DOS_Date_Time(const std::string& path, std::int32_t dos);

}  // namespace vorlix::platform
