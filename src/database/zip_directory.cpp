#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <functional>
#include <string_view>
#include <unordered_set>

#include <sys/stat.h>
#include <unistd.h>

#include "core/dos_time.h"
#include "core/letter_case.h"
#include "database/stream.h"
#include "database/zip_archive.h"
#include "database/zip_library.h"

// The archive's listing: its central directory through libzip, with the packed DOS date-times
// read straight from the file; the selection of members by file specs.

namespace vorlix {

using zip_detail::Error_Text;

namespace {

// Unix file type bits in the upper half of a member's external attributes.
constexpr std::uint32_t Unix_Type_Mask = 0170000;
constexpr std::uint32_t Unix_Link = 0120000;

bool Has_Pattern_Characters(const std::string& file_spec) {
  return file_spec.find_first_of("*?") != std::string::npos;
}

std::uint16_t Get16(const unsigned char* p) {
  return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}
std::uint32_t Get32(const unsigned char* p) {
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
std::uint64_t Get64(const unsigned char* p) {
  return static_cast<std::uint64_t>(Get32(p)) | (static_cast<std::uint64_t>(Get32(p + 4)) << 32);
}

bool Read_At(std::ifstream& in, std::uint64_t offset, std::size_t count, std::string& out) {
  out.assign(count, '\0');
  in.clear();
  in.seekg(static_cast<std::streamoff>(offset));
  in.read(out.data(), static_cast<std::streamsize>(count));
  return static_cast<std::size_t>(in.gcount()) == count;
}

struct TRaw_Member {
  std::string Name;
  std::int32_t Dos_Time = 0;
};

// What the central directory says of one member.
struct TCentral_Entry {
  std::string_view Name;
  std::int32_t Dos_Time = 0;
  std::uint64_t Uncompressed_Size = 0;
  std::uint32_t CRC32 = 0;
  std::uint16_t Method = 0;
};

// The uncompressed size of a ZIP64 member: the first value of its extra field 0x0001.
std::uint64_t ZIP64_Size(const unsigned char* extra, std::size_t length, std::uint64_t size) {
  std::size_t at = 0;
  while (at + 4 <= length) {
    const std::uint16_t id = Get16(extra + at);
    const std::uint16_t data = Get16(extra + at + 2);
    if (id == 0x0001 && data >= 8 && at + 4 + 8 <= length) {
      return Get64(extra + at + 4);
    }
    at += 4 + std::size_t{data};
  }
  return size;
}

// Walks the central directory read straight from the file, handing each member to `visit` in
// stored order: nothing is decompressed. `read_at(offset, count, out)` reads `count` bytes of an
// archive of `file_size` bytes. Returns why the directory cannot be read ("" when it was read
// to its end); `visit` may have seen members before damage further on.
using TRead_At_Function = std::function<bool(std::uint64_t, std::size_t, std::string&)>;
std::string Walk_Central_Directory(const TRead_At_Function& read_at, std::uint64_t file_size,
                                   std::uint64_t max_directory_size,
                                   const std::function<void(const TCentral_Entry&)>& visit) {
  const std::uint64_t tail_size = std::min<std::uint64_t>(file_size, 22 + 65535);
  std::string tail;
  if (tail_size < 22 || !read_at(file_size - tail_size, tail_size, tail)) {
    return "no ZIP end record";
  }
  const auto* t = reinterpret_cast<const unsigned char*>(tail.data());
  std::size_t position = tail.size() - 22 + 1;
  bool found = false;
  while (position-- > 0) {
    if (Get32(t + position) == 0x06054b50u) {
      found = true;
      break;
    }
  }
  if (!found) {
    return "no ZIP end record";
  }
  const std::uint64_t eocd_offset = file_size - tail_size + position;
  std::uint64_t entries = Get16(t + position + 10);
  std::uint64_t cd_size = Get32(t + position + 12);
  std::uint64_t cd_offset = Get32(t + position + 16);
  std::uint64_t cd_end = eocd_offset;
  if ((entries == 0xFFFF || cd_size == 0xFFFFFFFFu || cd_offset == 0xFFFFFFFFu) &&
      eocd_offset >= 20) {
    std::string locator;
    if (read_at(eocd_offset - 20, 20, locator) &&
        Get32(reinterpret_cast<const unsigned char*>(locator.data())) == 0x07064b50u) {
      const std::uint64_t eocd64 =
          Get64(reinterpret_cast<const unsigned char*>(locator.data()) + 8);
      std::string record;
      if (eocd64 < file_size && read_at(eocd64, 56, record) &&
          Get32(reinterpret_cast<const unsigned char*>(record.data())) == 0x06064b50u) {
        const auto* r = reinterpret_cast<const unsigned char*>(record.data());
        entries = Get64(r + 32);
        cd_size = Get64(r + 40);
        cd_offset = Get64(r + 48);
        cd_end = eocd64;
      }
    }
  }
  if (cd_size > max_directory_size) {
    return "central directory larger than " + std::to_string(max_directory_size >> 20) + " MiB";
  }
  if (cd_size > cd_end || entries > cd_size / 46 + 1) {
    return "damaged central directory";
  }
  // Data put in front of the archive moves the directory; its end stays at the end record.
  const std::uint64_t cd_start = cd_end - cd_size;
  (void)cd_offset;
  std::string cd;
  if (!read_at(cd_start, static_cast<std::size_t>(cd_size), cd)) {
    return "central directory cannot be read";
  }
  const auto* c = reinterpret_cast<const unsigned char*>(cd.data());
  std::size_t at = 0;
  for (std::uint64_t i = 0; i < entries; ++i) {
    if (at + 46 > cd.size() || Get32(c + at) != 0x02014b50u) {
      return "damaged central directory";
    }
    const std::uint16_t time = Get16(c + at + 12);
    const std::uint16_t date = Get16(c + at + 14);
    const std::size_t name_length = Get16(c + at + 28);
    const std::size_t extra_length = Get16(c + at + 30);
    const std::size_t comment_length = Get16(c + at + 32);
    if (at + 46 + name_length > cd.size()) {
      return "damaged central directory";
    }
    TCentral_Entry entry;
    entry.Name = std::string_view(cd.data() + at + 46, name_length);
    entry.Dos_Time = static_cast<std::int32_t>((static_cast<std::uint32_t>(date) << 16) | time);
    entry.Method = Get16(c + at + 10);
    entry.CRC32 = Get32(c + at + 16);
    entry.Uncompressed_Size = Get32(c + at + 24);
    if (entry.Uncompressed_Size == 0xFFFFFFFFu) {
      const std::size_t extra_at = at + 46 + name_length;
      entry.Uncompressed_Size = ZIP64_Size(
          c + extra_at, std::min(extra_length, cd.size() - extra_at), entry.Uncompressed_Size);
    }
    visit(entry);
    at += 46 + name_length + extra_length + comment_length;
  }
  return {};
}

// The names and packed DOS date-times of the central directory: libzip hands out a member's time
// only converted to calendar time, which does not give back every stored value. Returns an empty
// list when the directory cannot be read this way.
std::vector<TRaw_Member> Read_Central_Directory(const TRead_At_Function& read_at,
                                                std::uint64_t file_size) {
  // A directory larger than any pk3 needs is damage; libzip's own listing decides then.
  constexpr std::uint64_t Max_Directory_Size = std::uint64_t{64} << 20;
  std::vector<TRaw_Member> members;
  const std::string problem = Walk_Central_Directory(
      read_at, file_size, Max_Directory_Size, [&members](const TCentral_Entry& entry) {
        members.push_back({std::string(entry.Name), entry.Dos_Time});
      });
  if (!problem.empty()) {
    members.clear();
  }
  return members;
}

// The same, from a file.
std::vector<TRaw_Member> Read_Central_Directory(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    return {};
  }
  in.seekg(0, std::ios::end);
  const auto file_size = static_cast<std::uint64_t>(in.tellg());
  return Read_Central_Directory([&in](std::uint64_t offset, std::size_t count,
                                      std::string& out) { return Read_At(in, offset, count, out); },
                                file_size);
}

// The same, from an archive held in memory.
std::vector<TRaw_Member> Read_Central_Directory(const std::string* data) {
  return Read_Central_Directory(
      [data](std::uint64_t offset, std::size_t count, std::string& out) {
        if (offset > data->size() || count > data->size() - offset) {
          return false;
        }
        out.assign(*data, static_cast<std::size_t>(offset), count);
        return true;
      },
      data->size());
}

}  // namespace

void Walk_Zip_Directory(const std::string& path, std::uint64_t max_directory_size,
                        const std::function<void(const TZip_Directory_Entry&)>& visit) {
  const int fd = Open_For_Reading(path);
  if (fd < 0) {
    throw TZip_Error(path + ": " + std::strerror(errno));
  }
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    throw TZip_Error(path + ": not a regular file");
  }
  const auto read_at = [fd](std::uint64_t offset, std::size_t count, std::string& out) {
    out.assign(count, '\0');
    return Read_At_Offset(fd, offset, out.data(), count);
  };
  std::string problem;
  try {
    problem = Walk_Central_Directory(
        read_at, static_cast<std::uint64_t>(st.st_size), max_directory_size,
        [&visit](const TCentral_Entry& entry) {
          visit({entry.Name, entry.Uncompressed_Size, entry.CRC32, entry.Method});
        });
  } catch (...) {
    ::close(fd);
    throw;
  }
  ::close(fd);
  if (!problem.empty()) {
    throw TZip_Error(path + ": " + problem);
  }
}

// ---- names -----------------------------------------------------------------------------------

bool Spec_Matches(const std::string& file_spec, const std::string& name) {
  std::size_t p = 0;
  std::size_t n = 0;
  std::size_t star = std::string::npos;
  std::size_t mark = 0;
  while (n < name.size()) {
    if (p < file_spec.size() && file_spec[p] == '*') {
      star = p++;
      mark = n;
      continue;
    }
    if (p < file_spec.size() && (file_spec[p] == '?' ? name[n] != '/'
                                                     : platform::Upper_Char(file_spec[p]) ==
                                                           platform::Upper_Char(name[n]))) {
      ++p;
      ++n;
      continue;
    }
    // Let the last "*" take one more character, unless that character is a "/".
    if (star != std::string::npos && name[mark] != '/') {
      p = star + 1;
      n = ++mark;
      continue;
    }
    return false;
  }
  while (p < file_spec.size() && file_spec[p] == '*') {
    ++p;
  }
  return p == file_spec.size();
}

bool Is_Safe_Member_Name(const std::string& name) {
  if (name.empty() || name[0] == '/') {
    return false;
  }
  if (name.find_first_of(std::string("\\:\0", 3)) != std::string::npos) {
    return false;
  }
  std::size_t start = 0;
  while (start < name.size()) {
    std::size_t end = name.find('/', start);
    if (end == std::string::npos) {
      end = name.size();
    }
    const std::string part = name.substr(start, end - start);
    // Only a directory member's trailing "/" may leave an empty component.
    if ((part.empty() && end != name.size() - 1) || part == "." || part == "..") {
      return false;
    }
    start = end + 1;
  }
  return true;
}

// ---- archive ---------------------------------------------------------------------------------

TZip_Archive::~TZip_Archive() {
  Close();
}

void TZip_Archive::Close() {
  if (Handle_ != nullptr) {
    lz::zip_discard(Handle_);
    Handle_ = nullptr;
  }
}

void TZip_Archive::Set_Zip_Filename(const std::string& path) {
  Close();
  Entries_.clear();
  Data_.reset();
  Zip_Filename_ = path;
  struct stat st {};
  if (path.empty() || ::stat(path.c_str(), &st) != 0) {
    return;
  }
  List();
}

void TZip_Archive::Set_Zip_Data(std::string data, const std::string& name) {
  Close();
  Entries_.clear();
  Zip_Filename_ = name;
  Data_ = std::make_unique<const std::string>(std::move(data));
  List();
}

void TZip_Archive::List() {
  int code = 0;
  if (Data_) {
    zip_error_t error;
    lz::zip_error_init(&error);
    zip_source_t* source = lz::zip_source_buffer_create(Data_->data(), Data_->size(), 0, &error);
    if (source != nullptr) {
      Handle_ = lz::zip_open_from_source(source, ZIP_RDONLY, &error);
      if (Handle_ == nullptr) {
        lz::zip_source_free(source);
      }
    }
    code = lz::zip_error_code_zip(&error);
    lz::zip_error_fini(&error);
  } else {
    Handle_ = lz::zip_open(Zip_Filename_.c_str(), ZIP_RDONLY, &code);
  }
  if (Handle_ == nullptr) {
    throw TZip_Error(Zip_Filename_ + ": " + Error_Text(code));
  }
  const zip_int64_t count = lz::zip_get_num_entries(Handle_, 0);
  const std::vector<TRaw_Member> raw =
      Data_ ? Read_Central_Directory(Data_.get()) : Read_Central_Directory(Zip_Filename_);
  const bool raw_usable = raw.size() == static_cast<std::size_t>(std::max<zip_int64_t>(count, 0));
  Entries_.reserve(static_cast<std::size_t>(std::max<zip_int64_t>(count, 0)));
  for (zip_int64_t i = 0; i < count; ++i) {
    const auto index = static_cast<zip_uint64_t>(i);
    TZip_Entry entry;
    zip_stat_t st;
    lz::zip_stat_init(&st);
    if (lz::zip_stat_index(Handle_, index, ZIP_FL_ENC_RAW, &st) == 0) {
      if ((st.valid & ZIP_STAT_NAME) != 0 && st.name != nullptr) {
        entry.Name = st.name;
      }
      if ((st.valid & ZIP_STAT_SIZE) != 0) {
        entry.Size64 = st.size;
        entry.Uncompressed_Size =
            static_cast<std::uint32_t>(std::min<std::uint64_t>(st.size, UINT32_MAX));
      }
      if ((st.valid & ZIP_STAT_CRC) != 0) {
        entry.CRC32 = st.crc;
      }
      if ((st.valid & ZIP_STAT_ENCRYPTION_METHOD) != 0) {
        entry.Encrypted = st.encryption_method != ZIP_EM_NONE;
      }
      if ((st.valid & ZIP_STAT_MTIME) != 0) {
        entry.DOS_Date_Time = platform::To_DOS_Date_Time(st.mtime);
      }
    }
    if (raw_usable && raw[static_cast<std::size_t>(i)].Name == entry.Name) {
      entry.DOS_Date_Time = raw[static_cast<std::size_t>(i)].Dos_Time;
    }
    zip_uint8_t system = 0;
    zip_uint32_t attributes = 0;
    if (lz::zip_file_get_external_attributes(Handle_, index, 0, &system, &attributes) == 0 &&
        system == ZIP_OPSYS_UNIX && ((attributes >> 16) & Unix_Type_Mask) == Unix_Link) {
      entry.Is_Link = true;
    }
    Entries_.push_back(std::move(entry));
  }
}

std::vector<int> TZip_Archive::Select(const std::vector<std::string>& specs) const {
  std::vector<int> selected;
  std::vector<std::string> patterns;
  std::unordered_set<std::string> exact;
  for (const auto& file_spec : specs) {
    if (Has_Pattern_Characters(file_spec)) {
      patterns.push_back(file_spec);
    } else {
      exact.insert(platform::Upper(file_spec));
    }
  }
  for (std::size_t i = 0; i < Entries_.size(); ++i) {
    const TZip_Entry& entry = Entries_[i];
    if (entry.Is_Link || !Is_Safe_Member_Name(entry.Name)) {
      continue;
    }
    bool hit = !exact.empty() && exact.count(platform::Upper(entry.Name)) != 0;
    for (std::size_t s = 0; !hit && s < patterns.size(); ++s) {
      hit = Spec_Matches(patterns[s], entry.Name);
    }
    if (hit) {
      selected.push_back(static_cast<int>(i));
    }
  }
  return selected;
}

}  // namespace vorlix
