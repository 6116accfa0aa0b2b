// The member index benchmark: an installation of generated archives (each holding only the
// central directory the index reads), the index built from the archives, built again with every
// archive unchanged, and the copies of many names looked up. Prints times, the bytes the index
// holds and the process's peak memory.
//
//   vorlix-bench-members [--archives N] [--members M]

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include <sys/resource.h>
#include <sys/stat.h>

#include "core/dos_time.h"
#include "core/fs_routines.h"
#include "core/paths.h"
#include "database/game_index.h"
#include "database/member_index.h"

namespace {

void Put32(std::string& data, std::size_t offset, std::uint32_t value) {
  for (std::size_t i = 0; i < 4; ++i) {
    data[offset + i] = static_cast<char>((value >> (8 * i)) & 0xFFU);
  }
}

// Central directory entries of `names` (empty stored members) and the end record.
std::string Directory_Archive(const std::vector<std::string>& names) {
  std::string cd;
  for (const std::string& name : names) {
    std::string entry(46, '\0');
    Put32(entry, 0, 0x02014b50U);
    Put32(entry, 16, static_cast<std::uint32_t>(name.size() * 2654435761U));
    entry[28] = static_cast<char>(name.size());
    cd += entry;
    cd += name;
  }
  std::string end(22, '\0');
  Put32(end, 0, 0x06054b50U);
  end[8] = end[10] = static_cast<char>(names.size() & 0xFFU);
  end[9] = end[11] = static_cast<char>(names.size() >> 8U);
  Put32(end, 12, static_cast<std::uint32_t>(cd.size()));
  return cd + end;
}

double Seconds_Since(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv) {
  int archives = 2000;
  int members = 200;
  for (int i = 1; i + 1 < argc; i += 2) {
    if (std::strcmp(argv[i], "--archives") == 0) {
      archives = std::atoi(argv[i + 1]);
    } else if (std::strcmp(argv[i], "--members") == 0) {
      members = std::atoi(argv[i + 1]);
    }
  }
  char folder[] = "/tmp/vorlix-bench-members-XXXXXX";
  if (::mkdtemp(folder) == nullptr) {
    return 1;
  }
  const std::string game = vorlix::platform::Join(folder, "game");
  vorlix::Create_Directory_Path(vorlix::platform::Join(game, "baseq3"));
  std::vector<vorlix::TArchive_Facts> facts;
  facts.reserve(static_cast<std::size_t>(archives));
  for (int a = 0; a < archives; ++a) {
    std::vector<std::string> names;
    names.reserve(static_cast<std::size_t>(members));
    for (int m = 0; m < members; ++m) {
      // Shared names (overridden by later archives) beside each archive's own.
      names.push_back(m % 4 == 0 ? "textures/common/shared_" + std::to_string(m) + ".tga"
                                 : "textures/map" + std::to_string(a) + "/surface_" +
                                       std::to_string(m) + ".jpg");
    }
    const std::string name = "map" + std::to_string(a) + ".pk3";
    const std::string path = vorlix::platform::Join({game, "baseq3", name});
    std::ofstream(path, std::ios::binary) << Directory_Archive(names);
    struct stat st {};
    ::stat(path.c_str(), &st);
    vorlix::TArchive_Facts archive;
    archive.MOD_Directory = "baseq3";
    archive.PK3_Filename = name;
    archive.Size = static_cast<std::uint32_t>(st.st_size);
    archive.Date = vorlix::platform::To_DOS_Date_Time(st.st_mtime);
    facts.push_back(std::move(archive));
  }
  vorlix::TGame_Index games;
  games.Set_Archives(std::move(facts));
  games.Set_Base_Directory("baseq3");

  auto start = std::chrono::steady_clock::now();
  const auto cold = vorlix::Build_Member_Index(game, games, folder);
  const double cold_seconds = Seconds_Since(start);
  start = std::chrono::steady_clock::now();
  const auto warm = vorlix::Build_Member_Index(game, games, folder);
  const double warm_seconds = Seconds_Since(start);
  start = std::chrono::steady_clock::now();
  const vorlix::TMember_Search_Path path =
      vorlix::Member_Search_Path(warm.Index, "baseq3", {"baseq3"});
  std::size_t copies = 0;
  const int lookups = 10000;
  for (int i = 0; i < lookups; ++i) {
    copies +=
        vorlix::Copies_Of(warm.Index,
                          "textures/common/shared_" + std::to_string(i % members) + ".tga", path)
            .size();
  }
  const double lookup_seconds = Seconds_Since(start);
  struct rusage usage {};
  ::getrusage(RUSAGE_SELF, &usage);
  struct stat file {};
  ::stat(vorlix::platform::Join(folder, vorlix::Member_Index_File).c_str(), &file);
  std::cout << archives << " archives x " << members << " members: " << warm.Index.Member_Count()
            << " members\n"
            << "built from the archives: " << cold_seconds << " s (" << cold.Archives_Read
            << " read)\n"
            << "built again, all reused: " << warm_seconds << " s (" << warm.Archives_Reused
            << " reused)\n"
            << lookups << " lookups of the copies of a name: " << lookup_seconds << " s (" << copies
            << " copies)\n"
            << "index in memory: " << warm.Index.Memory_Bytes() / 1024
            << " KiB; members.dat: " << file.st_size / 1024
            << " KiB; peak resident: " << usage.ru_maxrss << " KiB\n";
  vorlix::Delete_Directory_Tree(folder);
  return 0;
}
