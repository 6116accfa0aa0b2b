#include "database/zip_archive.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <functional>
#include <set>
#include <system_error>
#include <unordered_set>

#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>
#include <zip.h>
#include <zlib.h>

#include "app/platform.h"

namespace vorlix {

namespace {

// ---- libzip, loaded when the first archive is opened --------------------------------------
// Most starts of the program open no archive at all; loading libzip (and the libraries it
// needs) only then keeps them short. The functions below stand in for libzip's own, with the
// same names (lz::zip_open for zip_open).

// Every libzip function this file calls.
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

template <typename Function>
Function Libzip_Function(const char* name) {
  void* const handle = Libzip_Handle();
  void* const symbol = handle != nullptr ? ::dlsym(handle, name) : nullptr;
  if (symbol == nullptr) {
    throw TZip_Error(std::string("Cannot load ") + VORLIX_LIBZIP_SONAME + " (" + name + ")");
  }
  return reinterpret_cast<Function>(symbol);
}

// NOLINTBEGIN(bugprone-macro-parentheses)
#define VORLIX_LIBZIP_FUNCTION(name)                                        \
  template <typename... Arguments>                                          \
  auto name(Arguments... arguments) {                                       \
    static const auto function = Libzip_Function<decltype(&::name)>(#name); \
    return function(arguments...);                                          \
  }
// NOLINTEND(bugprone-macro-parentheses)
namespace lz {
VORLIX_LIBZIP_FUNCTIONS(VORLIX_LIBZIP_FUNCTION)
}  // namespace lz
#undef VORLIX_LIBZIP_FUNCTION
#undef VORLIX_LIBZIP_FUNCTIONS

constexpr std::size_t Chunk_Size = std::size_t{64} * 1024;
// Free space that an extraction always leaves on the target's file system.
constexpr std::uint64_t Disk_Reserve = std::uint64_t{64} << 20;
// Unix file type bits in the upper half of a member's external attributes.
constexpr std::uint32_t Unix_Type_Mask = 0170000;
constexpr std::uint32_t Unix_Link = 0120000;

char Upper_Char(char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

bool Has_Wildcard(const std::string& file_spec) {
  return file_spec.find_first_of("*?") != std::string::npos;
}

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

struct Raw_Member {
  std::string Name;
  std::int32_t Dos_Time = 0;
};

// The names and packed DOS date-times of the central directory, read straight from the file:
// libzip hands out a member's time only converted to calendar time, which does not give back
// every stored value. Returns an empty list when the directory cannot be read this way.
// `read_at(offset, count, out)` reads `count` bytes of an archive of `file_size` bytes.
using Read_At_Function = std::function<bool(std::uint64_t, std::size_t, std::string&)>;
std::vector<Raw_Member> Read_Central_Directory(const Read_At_Function& read_at,
                                               std::uint64_t file_size) {
  std::vector<Raw_Member> members;
  const std::uint64_t tail_size = std::min<std::uint64_t>(file_size, 22 + 65535);
  std::string tail;
  if (tail_size < 22 || !read_at(file_size - tail_size, tail_size, tail)) {
    return members;
  }
  const auto* t = reinterpret_cast<const unsigned char*>(tail.data());
  std::size_t pos = tail.size() - 22 + 1;
  bool found = false;
  while (pos-- > 0) {
    if (Get32(t + pos) == 0x06054b50u) {
      found = true;
      break;
    }
  }
  if (!found) {
    return members;
  }
  const std::uint64_t eocd_offset = file_size - tail_size + pos;
  std::uint64_t entries = Get16(t + pos + 10);
  std::uint64_t cd_size = Get32(t + pos + 12);
  std::uint64_t cd_offset = Get32(t + pos + 16);
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
  // A directory larger than any pk3 needs is damage; libzip's own listing decides then.
  constexpr std::uint64_t Max_Directory_Size = std::uint64_t{64} << 20;
  if (cd_size > cd_end || cd_size > Max_Directory_Size || entries > cd_size / 46 + 1) {
    return members;
  }
  // Data put in front of the archive moves the directory; its end stays at the end record.
  const std::uint64_t cd_start = cd_end - cd_size;
  (void)cd_offset;
  std::string cd;
  if (!read_at(cd_start, static_cast<std::size_t>(cd_size), cd)) {
    return members;
  }
  const auto* c = reinterpret_cast<const unsigned char*>(cd.data());
  std::size_t at = 0;
  for (std::uint64_t i = 0; i < entries; ++i) {
    if (at + 46 > cd.size() || Get32(c + at) != 0x02014b50u) {
      return {};
    }
    const std::uint16_t time = Get16(c + at + 12);
    const std::uint16_t date = Get16(c + at + 14);
    const std::size_t name_length = Get16(c + at + 28);
    const std::size_t extra_length = Get16(c + at + 30);
    const std::size_t comment_length = Get16(c + at + 32);
    if (at + 46 + name_length > cd.size()) {
      return {};
    }
    Raw_Member member;
    member.Name.assign(cd.data() + at + 46, name_length);
    member.Dos_Time = static_cast<std::int32_t>((static_cast<std::uint32_t>(date) << 16) | time);
    members.push_back(std::move(member));
    at += 46 + name_length + extra_length + comment_length;
  }
  return members;
}

// The same, from a file.
std::vector<Raw_Member> Read_Central_Directory(const std::string& path) {
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
std::vector<Raw_Member> Read_Central_Directory(const std::string* data) {
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

// The refusal to write into an archive held in memory.
std::string Memory_Archive_Error(const std::string& name) {
  std::string text = name;
  text += ": an archive held in memory cannot be written.";
  return text;
}

bool Is_Directory(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// Creates the folders of `relative` (components separated by "/") below `base`, refusing to pass
// through anything that is not a real folder (a link, a file).
void Make_Folders_Below(const std::string& base, const std::string& relative) {
  std::string current = base;
  std::size_t start = 0;
  while (start < relative.size()) {
    std::size_t end = relative.find('/', start);
    if (end == std::string::npos) {
      end = relative.size();
    }
    current = platform::Join(current, relative.substr(start, end - start));
    start = end + 1;
    if (::mkdir(current.c_str(), 0755) != 0 && errno != EEXIST) {
      throw TZip_Error("cannot create the folder " + current + ": " + std::strerror(errno));
    }
    struct stat st {};
    if (::lstat(current.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
      throw TZip_Error("not a folder: " + current);
    }
  }
}

std::uint64_t Free_Space(const std::string& dir) {
  struct statvfs info {};
  if (::statvfs(dir.c_str(), &info) != 0) {
    return UINT64_MAX;
  }
  return static_cast<std::uint64_t>(info.f_bavail) * info.f_frsize;
}

// Writes one member to `target`; throws TZip_Error, leaving no partial file behind.
void Write_Member(zip_t* archive, zip_uint64_t index, const Zip_Entry& entry,
                  const std::string& target, const std::function<void()>& progress) {
  zip_file_t* file = lz::zip_fopen_index(archive, index, 0);
  if (file == nullptr) {
    throw TZip_Error(entry.FileName + ": " + Zip_Message(archive));
  }
  const int fd =
      ::open(target.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0644);
  if (fd < 0) {
    const int err = errno;
    lz::zip_fclose(file);
    throw TZip_Error("cannot create " + target + ": " + std::strerror(err));
  }
  std::string failure;
  std::vector<char> buffer(Chunk_Size);
  std::uint64_t written = 0;
  for (;;) {
    const zip_int64_t n = lz::zip_fread(file, buffer.data(), buffer.size());
    if (n < 0) {
      failure = entry.FileName + ": " + lz::zip_file_strerror(file);
      break;
    }
    if (n == 0) {
      break;
    }
    written += static_cast<std::uint64_t>(n);
    if (written > entry.Size64) {
      failure = entry.FileName + ": more data than its stated size";
      break;
    }
    std::size_t done = 0;
    while (done < static_cast<std::size_t>(n)) {
      const ssize_t w = ::write(fd, buffer.data() + done, static_cast<std::size_t>(n) - done);
      if (w < 0 && errno == EINTR) {
        continue;
      }
      if (w <= 0) {
        failure = "cannot write " + target + ": " + std::strerror(errno);
        break;
      }
      done += static_cast<std::size_t>(w);
    }
    if (!failure.empty()) {
      break;
    }
    progress();
  }
  if (failure.empty() && written != entry.Size64) {
    failure = entry.FileName + ": less data than its stated size";
  }
  lz::zip_fclose(file);
  if (::close(fd) != 0 && failure.empty()) {
    failure = "cannot write " + target + ": " + std::strerror(errno);
  }
  if (!failure.empty()) {
    ::unlink(target.c_str());
    throw TZip_Error(failure);
  }
}

// Files matching a relative file_spec ("\" or "/" separators, wildcards in any component), relative
// to the current directory, with "/" separators and their names as on disk.
std::vector<std::string> Expand_Spec(const std::string& file_spec) {
  std::vector<std::string> parts;
  std::string current;
  for (char c : file_spec) {
    if (c == '/' || c == '\\') {
      if (!current.empty()) {
        parts.push_back(current);
      }
      current.clear();
    } else {
      current += c;
    }
  }
  if (!current.empty()) {
    parts.push_back(current);
  }
  if (parts.empty() || file_spec[0] == '/' || file_spec[0] == '\\') {
    return {};
  }
  std::vector<std::string> found{""};
  for (std::size_t i = 0; i < parts.size(); ++i) {
    const bool last = i + 1 == parts.size();
    if (parts[i] == "." || parts[i] == "..") {
      return {};
    }
    std::vector<std::string> next;
    for (const auto& prefix : found) {
      const auto listing = platform::List_Directory(prefix.empty() ? "." : prefix);
      if (!listing) {
        continue;
      }
      for (const auto& entry : *listing) {
        if (entry.Is_Directory != !last || entry.Is_Symlink) {
          continue;
        }
        if (Spec_Matches(parts[i], entry.Name)) {
          next.push_back(prefix.empty() ? entry.Name : prefix + "/" + entry.Name);
        }
      }
    }
    found = std::move(next);
  }
  return found;
}

}  // namespace

// ---- member reader ---------------------------------------------------------------------------

// Inflates a member's raw deflate data as it is read from the archive.
struct Zip_Member_Reader::Inflater {
  Inflater() {
    if (inflateInit2(&Stream, -MAX_WBITS) != Z_OK) {
      throw TZip_Error("cannot start decompression");
    }
  }
  ~Inflater() { inflateEnd(&Stream); }
  Inflater(const Inflater&) = delete;
  Inflater& operator=(const Inflater&) = delete;

  std::size_t Read(zip_file* file, void* buffer, std::size_t count) {
    Stream.next_out = static_cast<Bytef*>(buffer);
    Stream.avail_out = static_cast<uInt>(count);
    while (Stream.avail_out > 0 && !Ended) {
      if (Stream.avail_in == 0) {
        const zip_int64_t n = lz::zip_fread(file, Input.data(), Input.size());
        if (n < 0) {
          throw TZip_Error(lz::zip_file_strerror(file));
        }
        if (n == 0) {
          throw TZip_Error("Compressed data ends too early.");
        }
        Stream.next_in = Input.data();
        Stream.avail_in = static_cast<uInt>(n);
      }
      const int rc = inflate(&Stream, Z_NO_FLUSH);
      if (rc == Z_STREAM_END) {
        Ended = true;
        if (Stream.total_out != Expected) {
          throw TZip_Error("Compressed data does not match the member's size.");
        }
      } else if (rc != Z_OK) {
        throw TZip_Error(std::string("Compression error: ") +
                         (Stream.msg != nullptr ? Stream.msg : "damaged data"));
      }
    }
    return count - Stream.avail_out;
  }

  z_stream Stream{};
  uLong Expected = 0;  // the member's uncompressed size
  std::vector<Bytef> Input = std::vector<Bytef>(Chunk_Size);
  bool Ended = false;
};

Zip_Member_Reader::Zip_Member_Reader(zip_file* file, bool raw_deflate, std::uint64_t size)
    : File_(file) {
  if (raw_deflate) {
    try {
      Inflater_ = std::make_unique<Inflater>();
      Inflater_->Expected = static_cast<uLong>(size);
    } catch (...) {
      lz::zip_fclose(File_);
      throw;
    }
  }
}

Zip_Member_Reader::~Zip_Member_Reader() {
  Inflater_.reset();
  if (File_ != nullptr) {
    lz::zip_fclose(File_);
  }
}

std::size_t Zip_Member_Reader::Read(void* buffer, std::size_t count) {
  if (Inflater_) {
    return Inflater_->Read(File_, buffer, count);
  }
  std::size_t done = 0;
  auto* out = static_cast<char*>(buffer);
  while (done < count) {
    const zip_int64_t n = lz::zip_fread(File_, out + done, count - done);
    if (n < 0) {
      throw TZip_Error(lz::zip_file_strerror(File_));
    }
    if (n == 0) {
      break;
    }
    done += static_cast<std::size_t>(n);
  }
  return done;
}

std::uint64_t Zip_Member_Reader::Skip(std::uint64_t count) {
  std::vector<char> scratch(static_cast<std::size_t>(std::min<std::uint64_t>(count, Chunk_Size)));
  std::uint64_t done = 0;
  while (done < count) {
    const auto want = static_cast<std::size_t>(std::min<std::uint64_t>(count - done, Chunk_Size));
    const std::size_t n = Read(scratch.data(), want);
    done += n;
    if (n < want) {
      break;
    }
  }
  return done;
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
    if (p < file_spec.size() &&
        (file_spec[p] == '?' ? name[n] != '/' : Upper_Char(file_spec[p]) == Upper_Char(name[n]))) {
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

Zip_Archive::~Zip_Archive() {
  Close();
}

void Zip_Archive::Close() {
  if (Handle_ != nullptr) {
    lz::zip_discard(Handle_);
    Handle_ = nullptr;
  }
}

void Zip_Archive::Set_ZipFilename(const std::string& path) {
  Close();
  Entries_.clear();
  Data_.reset();
  ZipFilename_ = path;
  struct stat st {};
  if (path.empty() || ::stat(path.c_str(), &st) != 0) {
    return;
  }
  List();
}

void Zip_Archive::Set_Zip_Data(std::string data, const std::string& name) {
  Close();
  Entries_.clear();
  ZipFilename_ = name;
  Data_ = std::make_unique<const std::string>(std::move(data));
  List();
}

void Zip_Archive::List() {
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
    Handle_ = lz::zip_open(ZipFilename_.c_str(), ZIP_RDONLY, &code);
  }
  if (Handle_ == nullptr) {
    throw TZip_Error(ZipFilename_ + ": " + Error_Text(code));
  }
  const zip_int64_t count = lz::zip_get_num_entries(Handle_, 0);
  const std::vector<Raw_Member> raw =
      Data_ ? Read_Central_Directory(Data_.get()) : Read_Central_Directory(ZipFilename_);
  const bool raw_usable = raw.size() == static_cast<std::size_t>(std::max<zip_int64_t>(count, 0));
  Entries_.reserve(static_cast<std::size_t>(std::max<zip_int64_t>(count, 0)));
  for (zip_int64_t i = 0; i < count; ++i) {
    const auto index = static_cast<zip_uint64_t>(i);
    Zip_Entry entry;
    zip_stat_t st;
    lz::zip_stat_init(&st);
    if (lz::zip_stat_index(Handle_, index, ZIP_FL_ENC_RAW, &st) == 0) {
      if ((st.valid & ZIP_STAT_NAME) != 0 && st.name != nullptr) {
        entry.FileName = st.name;
      }
      if ((st.valid & ZIP_STAT_SIZE) != 0) {
        entry.Size64 = st.size;
        entry.UncompressedSize =
            static_cast<std::uint32_t>(std::min<std::uint64_t>(st.size, UINT32_MAX));
      }
      if ((st.valid & ZIP_STAT_ENCRYPTION_METHOD) != 0) {
        entry.Encrypted = st.encryption_method != ZIP_EM_NONE;
      }
      if ((st.valid & ZIP_STAT_MTIME) != 0) {
        entry.DOS_Date_Time = platform::To_DOS_Date_Time(st.mtime);
      }
    }
    if (raw_usable && raw[static_cast<std::size_t>(i)].Name == entry.FileName) {
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

std::vector<int> Zip_Archive::Select(const std::vector<std::string>& specs) const {
  std::vector<int> selected;
  std::vector<std::string> patterns;
  std::unordered_set<std::string> exact;
  for (const auto& file_spec : specs) {
    if (Has_Wildcard(file_spec)) {
      patterns.push_back(file_spec);
    } else {
      exact.insert(platform::Upper(file_spec));
    }
  }
  for (std::size_t i = 0; i < Entries_.size(); ++i) {
    const Zip_Entry& entry = Entries_[i];
    if (entry.Is_Link || !Is_Safe_Member_Name(entry.FileName)) {
      continue;
    }
    bool hit = !exact.empty() && exact.count(platform::Upper(entry.FileName)) != 0;
    for (std::size_t s = 0; !hit && s < patterns.size(); ++s) {
      hit = Spec_Matches(patterns[s], entry.FileName);
    }
    if (hit) {
      selected.push_back(static_cast<int>(i));
    }
  }
  return selected;
}

std::unique_ptr<Zip_Member_Reader> Zip_Archive::Open_Member(int index) const {
  if (Handle_ == nullptr || index < 0 || index >= Count()) {
    throw TZip_Error("no such member");
  }
  zip_file_t* file = lz::zip_fopen_index(Handle_, static_cast<zip_uint64_t>(index), 0);
  if (file == nullptr) {
    throw TZip_Error(Entry(index).FileName + ": " + Zip_Message(Handle_));
  }
  return std::make_unique<Zip_Member_Reader>(file);
}

std::unique_ptr<Zip_Member_Reader> Zip_Archive::Open_Member_Prefix(int index) const {
  if (Handle_ == nullptr || index < 0 || index >= Count()) {
    throw TZip_Error("no such member");
  }
  zip_stat_t st;
  lz::zip_stat_init(&st);
  const auto at = static_cast<zip_uint64_t>(index);
  if (lz::zip_stat_index(Handle_, at, 0, &st) != 0 || (st.valid & ZIP_STAT_COMP_METHOD) == 0 ||
      st.comp_method != ZIP_CM_DEFLATE || (st.valid & ZIP_STAT_SIZE) == 0 ||
      (st.valid & ZIP_STAT_ENCRYPTION_METHOD) == 0 || st.encryption_method != ZIP_EM_NONE) {
    return Open_Member(index);
  }
  zip_file_t* file = lz::zip_fopen_index(Handle_, at, ZIP_FL_COMPRESSED);
  if (file == nullptr) {
    throw TZip_Error(Entry(index).FileName + ": " + Zip_Message(Handle_));
  }
  return std::make_unique<Zip_Member_Reader>(file, true, st.size);
}

void Zip_Archive::Extract() {
  const std::vector<std::string> specs = std::move(FSpecArgs);
  FSpecArgs.clear();
  struct stat st {};
  if (!Data_ && (ZipFilename_.empty() || ::stat(ZipFilename_.c_str(), &st) != 0)) {
    throw TZip_Error("The archive " + ZipFilename_ + " does not exist.");
  }
  if (Handle_ == nullptr) {
    List();
  }
  if (!Is_Directory(ExtrBaseDir)) {
    throw TZip_Error("The folder " + ExtrBaseDir + " does not exist.");
  }
  if (Change_Current_Directory && ::chdir(ExtrBaseDir.c_str()) != 0) {
    throw TZip_Error("cannot enter " + ExtrBaseDir + ": " + std::strerror(errno));
  }
  std::vector<std::string> failures;
  std::uint64_t total = 0;
  for (const int index : Select(specs)) {
    const Zip_Entry& entry = Entry(index);
    const bool is_folder = entry.FileName.back() == '/';
    if (is_folder) {
      if (ExtrDirNames) {
        try {
          Make_Folders_Below(ExtrBaseDir, entry.FileName.substr(0, entry.FileName.size() - 1));
        } catch (const TZip_Error& error) {
          failures.emplace_back(error.what());
        }
      }
      continue;
    }
    const std::string relative =
        ExtrDirNames ? entry.FileName : entry.FileName.substr(entry.FileName.rfind('/') + 1);
    if (OnProgress) {
      OnProgress(*this, File_Started, relative, entry.Size64);
    }
    try {
      if (entry.Encrypted) {
        throw TZip_Error(entry.FileName + ": encrypted members are not supported");
      }
      if (entry.Size64 > Max_Member_Size || total + entry.Size64 > Max_Total_Size) {
        throw TZip_Error(entry.FileName + ": too large to extract");
      }
      if (entry.Size64 + Disk_Reserve > Free_Space(ExtrBaseDir)) {
        throw TZip_Error(entry.FileName + ": not enough free disk space");
      }
      const auto slash = relative.rfind('/');
      if (slash != std::string::npos) {
        Make_Folders_Below(ExtrBaseDir, relative.substr(0, slash));
      }
      const std::string target = platform::Join(ExtrBaseDir, relative);
      Write_Member(Handle_, static_cast<zip_uint64_t>(index), entry, target, [&] {
        if (OnProgress) {
          OnProgress(*this, File_Progress, " ", 0);
        }
      });
      total += entry.Size64;
      platform::Set_File_DOS_Date_Time(target, entry.DOS_Date_Time);
    } catch (const TZip_Error& error) {
      failures.emplace_back(error.what());
    }
  }
  if (OnProgress) {
    OnProgress(*this, Batch_Finished, " ", 0);
  }
  if (!failures.empty()) {
    std::string text = "Could not extract from " + ZipFilename_ + ":";
    for (const auto& failure : failures) {
      text += "\n" + failure;
    }
    throw TZip_Error(text);
  }
}

void Zip_Archive::Add() {
  const std::vector<std::string> specs = std::move(FSpecArgs);
  FSpecArgs.clear();
  if (ZipFilename_.empty()) {
    throw TZip_Error("No archive name given.");
  }
  if (Data_) {
    throw TZip_Error(Memory_Archive_Error(ZipFilename_));
  }
  if (specs.empty()) {
    throw TZip_Error("Nothing to add.");
  }
  std::vector<std::string> files;
  std::set<std::string> seen;
  for (const auto& file_spec : specs) {
    for (auto& file : Expand_Spec(file_spec)) {
      if (seen.insert(file).second) {
        files.push_back(std::move(file));
      }
    }
  }
  if (files.empty()) {
    throw TZip_Error("No files to add to " + ZipFilename_ + ".");
  }
  Close();
  int code = 0;
  zip_t* archive = lz::zip_open(ZipFilename_.c_str(), ZIP_CREATE, &code);
  if (archive == nullptr) {
    throw TZip_Error(ZipFilename_ + ": " + Error_Text(code));
  }
  for (const auto& file : files) {
    // AddDirNames off would store the bare names; every caller keeps the paths.
    const std::string name = AddDirNames ? file : file.substr(file.rfind('/') + 1);
    zip_source_t* source = lz::zip_source_file(archive, file.c_str(), 0, -1);
    if (source == nullptr) {
      std::string message = file;
      message.append(": ").append(Zip_Message(archive));
      lz::zip_discard(archive);
      throw TZip_Error(message);
    }
    zip_int64_t index = lz::zip_name_locate(archive, name.c_str(), ZIP_FL_NOCASE | ZIP_FL_ENC_RAW);
    bool ok = false;
    if (index >= 0) {
      ok = lz::zip_file_replace(archive, static_cast<zip_uint64_t>(index), source, 0) == 0;
      if (!ok) {
        lz::zip_source_free(source);
      }
      const char* old_name =
          lz::zip_get_name(archive, static_cast<zip_uint64_t>(index), ZIP_FL_ENC_RAW);
      if (ok && old_name != nullptr && name != old_name) {
        ok = lz::zip_file_rename(archive, static_cast<zip_uint64_t>(index), name.c_str(),
                                 ZIP_FL_ENC_GUESS) == 0;
      }
    } else {
      index = lz::zip_file_add(archive, name.c_str(), source, ZIP_FL_ENC_GUESS);
      ok = index >= 0;
      if (!ok) {
        lz::zip_source_free(source);
      }
    }
    if (ok) {
      ok = lz::zip_set_file_compression(archive, static_cast<zip_uint64_t>(index), ZIP_CM_DEFLATE,
                                        9) == 0;
    }
    if (!ok) {
      std::string message = file;
      message.append(": ").append(Zip_Message(archive));
      lz::zip_discard(archive);
      throw TZip_Error(message);
    }
  }
  if (lz::zip_close(archive) != 0) {
    const std::string message = Zip_Message(archive);
    lz::zip_discard(archive);
    throw TZip_Error(ZipFilename_ + ": " + message);
  }
  Entries_.clear();
  List();
}

void Zip_Archive::Rename_Entry(int index, const std::string& new_name) {
  if (index < 0 || index >= Count()) {
    throw TZip_Error("no such member");
  }
  if (Data_) {
    throw TZip_Error(Memory_Archive_Error(ZipFilename_));
  }
  Close();
  int code = 0;
  zip_t* archive = lz::zip_open(ZipFilename_.c_str(), 0, &code);
  if (archive == nullptr) {
    throw TZip_Error(ZipFilename_ + ": " + Error_Text(code));
  }
  if (lz::zip_file_rename(archive, static_cast<zip_uint64_t>(index), new_name.c_str(),
                          ZIP_FL_ENC_GUESS) != 0 ||
      lz::zip_close(archive) != 0) {
    const std::string message = Zip_Message(archive);
    lz::zip_discard(archive);
    Entries_.clear();
    List();
    throw TZip_Error(ZipFilename_ + ": " + message);
  }
  Entries_.clear();
  List();
}

}  // namespace vorlix
