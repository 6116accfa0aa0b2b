#pragma once
// Shared pieces of the arena tests: an installation with a game directory and the program's
// folders, a small database, and reading archives back with libzip.

#include <zip.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "builders.h"
#include "core/listing.h"
#include "core/paths.h"
#include "database/records.h"
#include "records_builder.h"
#include "scripted_interaction.h"

namespace vorlix::testing {

using TStrings = std::vector<std::string>;

struct TZip_Member_Read {
  std::string Name;
  std::string Data;
  int Compression = 0;  // ZIP_CM_*
};

// The members of an archive in stored order; none when it is no archive.
inline std::vector<TZip_Member_Read> Read_Zip(const std::string& path) {
  std::vector<TZip_Member_Read> members;
  int error = 0;
  zip_t* archive = zip_open(path.c_str(), ZIP_RDONLY, &error);
  if (archive == nullptr) {
    return members;
  }
  for (zip_int64_t i = 0; i < zip_get_num_entries(archive, 0); ++i) {
    zip_stat_t st;
    zip_stat_index(archive, static_cast<zip_uint64_t>(i), 0, &st);
    TZip_Member_Read& member = members.emplace_back(TZip_Member_Read{st.name, {}, st.comp_method});
    member.Data.resize(static_cast<std::size_t>(st.size));
    if (zip_file_t* file = zip_fopen_index(archive, static_cast<zip_uint64_t>(i), 0)) {
      zip_fread(file, member.Data.data(), st.size);
      zip_fclose(file);
    }
  }
  zip_close(archive);
  return members;
}

// The names in a directory, in listing order.
inline TStrings Names_In(const std::string& dir) {
  TStrings names;
  if (const auto listing = platform::List_Directory(dir)) {
    for (const auto& entry : *listing) {
      names.push_back(entry.Name);
    }
  }
  return names;
}

// Each name in a directory in listing order, with its archive members sorted: "a.pk3: m1 m2".
inline TStrings Contents(const std::string& dir) {
  TStrings lines;
  for (const std::string& name : Names_In(dir)) {
    TStrings members;
    for (const auto& member : Read_Zip(platform::Join(dir, name))) {
      members.push_back(member.Name);
    }
    std::sort(members.begin(), members.end());
    std::string line = name + ":";
    for (const std::string& member : members) {
      line += " " + member;
    }
    lines.push_back(line);
  }
  return lines;
}

inline bool Exists(const std::string& path) {
  return std::filesystem::exists(path);
}

// An installation: <root>/q3 with its MOD folders, <root>/vorlix with TEMP, LEVELSHOTS, BOTINFO.
class TInstallation {
 public:
  TInstallation() {
    std::filesystem::create_directories(Game);
    std::filesystem::create_directories(Program);
  }

  std::string Mod_Dir(const std::string& mod) const { return platform::Join(Game, mod); }

  // An archive record (the file itself is not written).
  TPK3_Record* Add_PK3(const std::string& mod_dir, const std::string& file_name,
                       bool present = true) {
    return testing::Add_PK3(Database, mod_dir, file_name, present);
  }
  TMap_Record* Add_Map(TPK3_Record* pk3, const std::string& file_name, const std::string& long_name,
                       std::vector<std::string> useable = {"BASEQ3"}) {
    TMap_Record* map = testing::Add_Map(pk3, file_name, long_name);
    map->Useable_MODs = std::move(useable);
    return map;
  }

  TTemp_Dir Root;
  std::string Game = Root / "q3";
  std::string Program = Root / "vorlix";
  std::string Temp = Root / "vorlix/TEMP";
  std::string Levelshots = Root / "vorlix/levelshots";
  std::string Botinfo = Root / "vorlix/botinfo";
  TScripted_Interaction Ui;
  TPK3_Record_Store Database{TDatabase_Paths{Program, Temp, Levelshots, Botinfo, Game}};
};

// An arena archive as the program writes it, with the script under a given entry name.
inline void Write_Arena_Pk3(
    const std::string& path, const std::string& entry = "scripts/arenas.txt",
    const std::string& script = "{\r\nmap            \"q3dm1\"\r\n}\r\n\r\n") {
  Write_Pk3(path, {{entry, script}});
}

}  // namespace vorlix::testing
