#include "database/unreadable_archives.h"

#include <cstdio>
#include <exception>
#include <set>
#include <sstream>

#include <sys/stat.h>
#include <unistd.h>

#include "core/paths.h"
#include "database/stream.h"

namespace vorlix {

namespace {

// One line per archive: size, modification time in nanoseconds, path. A path holding a line
// break is never remembered.
std::string Line_Of(const std::string& path) {
  struct stat st {};
  if (path.find('\n') != std::string::npos || ::stat(path.c_str(), &st) != 0) {
    return {};
  }
  const long long nanoseconds = static_cast<long long>(st.st_mtim.tv_sec) * 1000000000LL +
                                static_cast<long long>(st.st_mtim.tv_nsec);
  return std::to_string(static_cast<long long>(st.st_size)) + ' ' + std::to_string(nanoseconds) +
         ' ' + path;
}

}  // namespace

std::vector<TUnreadable_Archive> Archives_To_Report(const std::string& program_dir,
                                                    const std::vector<TUnreadable_Archive>& found,
                                                    bool read_only) {
  const std::string file = platform::Join(program_dir, Unreadable_File_Name);
  std::set<std::string> told;
  try {
    std::istringstream lines(Read_Whole_File(file));
    for (std::string line; std::getline(lines, line);) {
      told.insert(line);
    }
  } catch (const std::exception&) {
    // none remembered: each is told
  }
  std::vector<TUnreadable_Archive> report;
  std::string remembered;
  for (const auto& archive : found) {
    const std::string line = Line_Of(archive.Path);
    if (line.empty() || told.count(line) == 0) {
      report.push_back(archive);
    }
    if (!line.empty()) {
      remembered += line + '\n';
    }
  }
  if (read_only) {
    return report;
  }
  try {
    if (remembered.empty()) {
      ::unlink(file.c_str());
    } else {
      Write_File_Atomically(file, remembered);
    }
  } catch (const std::exception&) {
    // told again at the next start
  }
  return report;
}

}  // namespace vorlix
