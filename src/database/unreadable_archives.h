#pragma once
// Archives that cannot be read are told to the user once: "unreadable.dat" in the program
// directory remembers each one told (its path, size and modification time), so that the next
// starts stay quiet about it until the file changes.

#include <string>
#include <vector>

#include "database/scan.h"

namespace vorlix {

inline constexpr const char* Unreadable_File_Name = "unreadable.dat";

// Of the archives the synchronisation could not read, those to tell the user: the ones not
// remembered with their present size and modification time. The file is then made to hold exactly
// `found` (written atomically; removed when `found` is empty), unless `read_only`. A file that
// cannot be read or written only makes the archives be told again.
std::vector<TUnreadable_Archive> Archives_To_Report(const std::string& program_dir,
                                                    const std::vector<TUnreadable_Archive>& found,
                                                    bool read_only);

}  // namespace vorlix
