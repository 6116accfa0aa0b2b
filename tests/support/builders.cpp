#include "builders.h"

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include <sys/stat.h>
#include <utime.h>
#include <zip.h>

#include "core/dos_time.h"
#include "core/letter_case.h"
#include "database/game_index.h"

namespace fs = std::filesystem;

namespace vorlix::testing {

TTemp_Dir::TTemp_Dir() {
  std::string pattern = (fs::temp_directory_path() / "vorlix-test-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) {
    throw std::runtime_error("cannot create a temporary folder");
  }
  Path_ = pattern;
}

TTemp_Dir::~TTemp_Dir() {
  std::error_code ec;
  // Make everything writable first, so read-only files and folders made by a test go too.
  for (auto it = fs::recursive_directory_iterator(Path_, ec);
       !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
    fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
  }
  fs::permissions(Path_, fs::perms::owner_all, fs::perm_options::add, ec);
  fs::remove_all(Path_, ec);
}

std::string TTemp_Dir::operator/(const std::string& relative) const {
  return (fs::path(Path_) / relative).string();
}

void Write_File(const std::string& path, const std::string& data) {
  const fs::path p(path);
  if (p.has_parent_path()) {
    fs::create_directories(p.parent_path());
  }
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(data.data(), static_cast<std::streamsize>(data.size()));
  if (!out) {
    throw std::runtime_error("cannot write " + path);
  }
}

std::string Read_File(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    throw std::runtime_error("cannot read " + path);
  }
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void Set_Mtime(const std::string& path, std::int64_t seconds) {
  struct utimbuf times {};
  times.actime = static_cast<std::time_t>(seconds);
  times.modtime = static_cast<std::time_t>(seconds);
  if (::utime(path.c_str(), &times) != 0) {
    throw std::runtime_error("cannot set the time of " + path);
  }
}

std::int32_t Dos_Date_Time(int year, int month, int day, int hour, int minute, int second) {
  const auto date = static_cast<std::uint32_t>(((year - 1980) << 9) | (month << 5) | day);
  const auto tod = static_cast<std::uint32_t>((hour << 11) | (minute << 5) | (second / 2));
  return static_cast<std::int32_t>((date << 16) | tod);
}

namespace {

// Writes each member's packed DOS date-time into its local header and its central directory
// entry as given: libzip takes a member's time as local calendar time and would move a time that
// daylight saving skips (02:30 on the day clocks go forward becomes 03:30).
void Patch_Dos_Times(const std::string& path, const std::vector<TZip_Member>& members) {
  std::string data = Read_File(path);
  const std::size_t eocd = data.rfind(std::string("PK\5\6", 4));
  if (eocd == std::string::npos || eocd + 22 > data.size()) {
    throw std::runtime_error("no end record in " + path);
  }
  auto get = [&](std::size_t at, int bytes) {
    std::uint32_t value = 0;
    for (int i = bytes - 1; i >= 0; --i) {
      value = (value << 8) | static_cast<unsigned char>(data.at(at + static_cast<std::size_t>(i)));
    }
    return value;
  };
  auto put = [&](std::size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) {
      data.at(at + static_cast<std::size_t>(i)) = static_cast<char>((value >> (8 * i)) & 0xFFu);
    }
  };
  std::size_t entry = get(eocd + 16, 4);
  for (const auto& member : members) {
    if (get(entry, 4) != 0x02014b50u) {
      throw std::runtime_error("damaged central directory in " + path);
    }
    // Little-endian time, then date: the packed value as one 32-bit number.
    const auto dos = static_cast<std::uint32_t>(member.Dos_Time);
    put(entry + 12, dos);
    put(get(entry + 42, 4) + 10, dos);
    entry += 46 + get(entry + 28, 2) + get(entry + 30, 2) + get(entry + 32, 2);
  }
  Write_File(path, data);
}

}  // namespace

void Write_Pk3(const std::string& path, const std::vector<TZip_Member>& members) {
  const fs::path p(path);
  if (p.has_parent_path()) {
    fs::create_directories(p.parent_path());
  }
  int error = 0;
  zip_t* archive = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
  if (archive == nullptr) {
    throw std::runtime_error("cannot create " + path);
  }
  for (const auto& member : members) {
    zip_int64_t index = -1;
    if (!member.Name.empty() && member.Name.back() == '/') {
      index = zip_dir_add(archive, member.Name.substr(0, member.Name.size() - 1).c_str(),
                          ZIP_FL_ENC_RAW);
    } else {
      // libzip reads the data when the archive is closed; the member lives until then.
      zip_source_t* source = zip_source_buffer(archive, member.Data.data(), member.Data.size(), 0);
      index = zip_file_add(archive, member.Name.c_str(), source, ZIP_FL_ENC_RAW);
      if (index < 0) {
        zip_source_free(source);
      } else {
        zip_set_file_compression(archive, static_cast<zip_uint64_t>(index),
                                 member.Stored ? ZIP_CM_STORE : ZIP_CM_DEFLATE, 9);
      }
    }
    if (index < 0) {
      zip_discard(archive);
      throw std::runtime_error("cannot add " + member.Name + " to " + path);
    }
  }
  if (zip_close(archive) != 0) {
    zip_discard(archive);
    throw std::runtime_error("cannot write " + path);
  }
  Patch_Dos_Times(path, members);
}

int Replace_Bytes(std::string& data, const std::string& from, const std::string& to) {
  if (from.size() != to.size() || from.empty()) {
    throw std::invalid_argument("Replace_Bytes needs two names of the same length");
  }
  int count = 0;
  for (auto position = data.find(from); position != std::string::npos;
       position = data.find(from, position + to.size())) {
    data.replace(position, to.size(), to);
    ++count;
  }
  return count;
}

std::string Entity_Text(const std::string& title) {
  std::string text = "{\n\"classname\" \"worldspawn\"\n";
  if (!title.empty()) {
    text += "\"message\" \"" + title + "\"\n";
  }
  text +=
      "\"music\" \"music/sonic1.wav\"\n}\n"
      "{\n\"classname\" \"info_player_deathmatch\"\n\"origin\" \"0 0 64\"\n}\n"
      "{\n\"classname\" \"weapon_rocketlauncher\"\n\"origin\" \"128 0 32\"\n}\n";
  return text;
}

std::uint32_t Get_U32(const std::string& data, std::size_t offset) {
  std::uint32_t value = 0;
  for (int i = 3; i >= 0; --i) {
    value = (value << 8) | static_cast<std::uint8_t>(data.at(offset + static_cast<std::size_t>(i)));
  }
  return value;
}

void Put_U32(std::string& data, std::size_t offset, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) {
    data.at(offset + static_cast<std::size_t>(i)) = static_cast<char>((value >> (8 * i)) & 0xFFu);
  }
}

std::string Make_Bsp(const std::string& entity_text, std::size_t filler) {
  constexpr std::size_t header = 8 + 17 * 8;
  std::string data(header, '\0');
  data.replace(0, 4, "IBSP");
  Put_U32(data, 4, 46);
  // Other lumps: a repeating but not trivial pattern, so it compresses roughly as geometry does.
  std::uint32_t state = 12345;
  data.reserve(header + filler + entity_text.size());
  for (std::size_t i = 0; i < filler; ++i) {
    state = state * 1103515245u + 12345u;
    data.push_back(static_cast<char>((i % 64 < 48) ? (i % 7) : ((state >> 16) & 0xFF)));
  }
  const auto entity_offset = static_cast<std::uint32_t>(data.size());
  data += entity_text;
  Put_U32(data, 8, entity_offset);  // lump 0: entities
  Put_U32(data, 12, static_cast<std::uint32_t>(entity_text.size()));
  for (int lump = 1; lump < 17; ++lump) {  // the rest: in filler
    Put_U32(data, 8 + static_cast<std::size_t>(lump) * 8, static_cast<std::uint32_t>(header));
    Put_U32(data, 12 + static_cast<std::size_t>(lump) * 8, static_cast<std::uint32_t>(filler / 16));
  }
  return data;
}

std::string Make_Bsp_With_Shaders(const std::string& entity_text,
                                  const std::vector<std::string>& shaders,
                                  const std::vector<std::string>& fogs, std::size_t filler) {
  constexpr std::size_t header = 8 + 17 * 8;
  const auto entries = [](const std::vector<std::string>& names) {
    std::string lump;
    for (const std::string& name : names) {
      std::string entry(72, '\0');
      entry.replace(0, std::min<std::size_t>(name.size(), 64), name.substr(0, 64));
      lump += entry;
    }
    return lump;
  };
  std::string data(header, '\0');
  data.replace(0, 4, "IBSP");
  Put_U32(data, 4, 46);
  for (int lump = 0; lump < 17; ++lump) {
    Put_U32(data, 8 + static_cast<std::size_t>(lump) * 8, static_cast<std::uint32_t>(header));
  }
  const auto place = [&](int lump, const std::string& bytes) {
    Put_U32(data, 8 + static_cast<std::size_t>(lump) * 8, static_cast<std::uint32_t>(data.size()));
    Put_U32(data, 12 + static_cast<std::size_t>(lump) * 8,
            static_cast<std::uint32_t>(bytes.size()));
    data += bytes;
  };
  place(1, entries(shaders));
  place(2, std::string(filler, '\x5a'));
  place(0, entity_text);
  place(12, entries(fogs));
  return data;
}

std::string Silent_Wav() {
  const auto le = [](std::uint32_t value, int bytes) {
    std::string data;
    for (int i = 0; i < bytes; ++i) {
      data += static_cast<char>(value >> (8 * i));
    }
    return data;
  };
  return "RIFF" + le(36 + 800, 4) + "WAVEfmt " + le(16, 4) + le(1, 2) + le(1, 2) + le(8000, 4) +
         le(8000, 4) + le(1, 2) + le(8, 2) + "data" + le(800, 4) + std::string(800, '\x80');
}

std::string Make_Bsp_Drawing(const std::string& entity_text,
                             const std::vector<std::string>& shaders,
                             const std::vector<std::string>& fogs, std::size_t undrawn) {
  std::string bsp = Make_Bsp_With_Shaders(entity_text, shaders, fogs);
  std::string surfaces;
  for (std::size_t s = undrawn; s < shaders.size(); ++s) {
    std::string surface(104, '\0');
    Put_U32(surface, 0, static_cast<std::uint32_t>(s));
    surfaces += surface;
  }
  Put_U32(bsp, 8 + 13 * 8, static_cast<std::uint32_t>(bsp.size()));
  Put_U32(bsp, 12 + 13 * 8, static_cast<std::uint32_t>(surfaces.size()));
  return bsp + surfaces;
}

std::vector<TArchive_Facts> Archives_In(const std::string& mod, std::size_t count) {
  std::vector<TArchive_Facts> archives(count);
  for (std::size_t i = 0; i < count; ++i) {
    archives[i].MOD_Directory = mod;
    archives[i].PK3_Filename = "more" + std::to_string(i) + ".pk3";
  }
  return archives;
}

TGame_Index Game_Index_Of_Disk(const std::string& game) {
  std::vector<TArchive_Facts> archives;
  for (const auto& dir : fs::directory_iterator(game)) {
    if (!dir.is_directory()) {
      continue;
    }
    for (const auto& file : fs::directory_iterator(dir.path())) {
      const std::string name = file.path().filename().string();
      if (!file.is_regular_file() || name.size() < 4 ||
          platform::Lower(name.substr(name.size() - 4)) != ".pk3") {
        continue;
      }
      struct stat st {};
      ::stat(file.path().c_str(), &st);
      TArchive_Facts facts;
      facts.MOD_Directory = dir.path().filename().string();
      facts.PK3_Filename = name;
      facts.Size = static_cast<std::uint32_t>(st.st_size);
      facts.Date = platform::To_DOS_Date_Time(st.st_mtime);
      archives.push_back(std::move(facts));
    }
  }
  TGame_Index index;
  index.Set_Archives(std::move(archives));
  index.Set_Base_Directory("baseq3");
  return index;
}

}  // namespace vorlix::testing
