#include <cerrno>
#include <cstring>
#include <functional>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>
#include <zlib.h>

#include "core/dos_time.h"
#include "core/paths.h"
#include "database/zip_archive.h"
#include "database/zip_library.h"

// Reading members: the reader (with its own inflater for reading a member's first part), and the
// extraction of members to files below a base folder.

namespace vorlix {

using zip_detail::Chunk_Size;
using zip_detail::Zip_Message;

namespace {

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
void Write_Member(zip_t* archive, zip_uint64_t index, const TZip_Entry& entry,
                  const std::string& target, const std::function<void()>& progress) {
  zip_file_t* file = lz::zip_fopen_index(archive, index, 0);
  if (file == nullptr) {
    throw TZip_Error(entry.Name + ": " + Zip_Message(archive));
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
      failure = entry.Name + ": " + lz::zip_file_strerror(file);
      break;
    }
    if (n == 0) {
      break;
    }
    written += static_cast<std::uint64_t>(n);
    if (written > entry.Size64) {
      failure = entry.Name + ": more data than its stated size";
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
    failure = entry.Name + ": less data than its stated size";
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

}  // namespace

// ---- member reader ---------------------------------------------------------------------------

// Inflates a member's raw deflate data as it is read from the archive.
struct TZip_Member_Reader::Inflater {
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

TZip_Member_Reader::TZip_Member_Reader(zip_file* file, bool raw_deflate, std::uint64_t size)
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

TZip_Member_Reader::~TZip_Member_Reader() {
  Inflater_.reset();
  if (File_ != nullptr) {
    lz::zip_fclose(File_);
  }
}

std::size_t TZip_Member_Reader::Read(void* buffer, std::size_t count) {
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

std::uint64_t TZip_Member_Reader::Skip(std::uint64_t count) {
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

std::unique_ptr<TZip_Member_Reader> TZip_Archive::Open_Member(int index) const {
  if (Handle_ == nullptr || index < 0 || index >= Count()) {
    throw TZip_Error("no such member");
  }
  zip_file_t* file = lz::zip_fopen_index(Handle_, static_cast<zip_uint64_t>(index), 0);
  if (file == nullptr) {
    throw TZip_Error(Entry(index).Name + ": " + Zip_Message(Handle_));
  }
  return std::make_unique<TZip_Member_Reader>(file);
}

std::unique_ptr<TZip_Member_Reader> TZip_Archive::Open_Member_Prefix(int index) const {
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
    throw TZip_Error(Entry(index).Name + ": " + Zip_Message(Handle_));
  }
  return std::make_unique<TZip_Member_Reader>(file, true, st.size);
}

std::string TZip_Extraction::Failure_Text(const std::string& archive) const {
  std::string text = "Could not extract from " + archive + ":";
  for (const auto& failure : Skipped) {
    text += "\n" + failure;
  }
  return text;
}

TZip_Extraction TZip_Archive::Extract(const std::vector<std::string>& specs,
                                      const std::string& base, bool with_dirs) {
  struct stat st {};
  if (!Data_ && (Zip_Filename_.empty() || ::stat(Zip_Filename_.c_str(), &st) != 0)) {
    throw TZip_Error("The archive " + Zip_Filename_ + " does not exist.");
  }
  if (Handle_ == nullptr) {
    List();
  }
  if (!Is_Directory(base)) {
    throw TZip_Error("The folder " + base + " does not exist.");
  }
  TZip_Extraction result;
  std::vector<std::string>& failures = result.Skipped;
  std::uint64_t total = 0;
  for (const int index : Select(specs)) {
    const TZip_Entry& entry = Entry(index);
    const bool is_folder = entry.Name.back() == '/';
    if (is_folder) {
      if (with_dirs) {
        try {
          Make_Folders_Below(base, entry.Name.substr(0, entry.Name.size() - 1));
        } catch (const TZip_Error& error) {
          failures.emplace_back(error.what());
        }
      }
      continue;
    }
    const std::string relative =
        with_dirs ? entry.Name : entry.Name.substr(entry.Name.rfind('/') + 1);
    if (On_Progress) {
      On_Progress(*this, File_Started, relative, entry.Size64);
    }
    try {
      if (entry.Encrypted) {
        throw TZip_Error(entry.Name + ": encrypted members are not supported");
      }
      if (entry.Size64 > Max_Member_Size || total + entry.Size64 > Max_Total_Size) {
        throw TZip_Error(entry.Name + ": too large to extract");
      }
      if (entry.Size64 + Disk_Reserve > Free_Space(base)) {
        throw TZip_Error(entry.Name + ": not enough free disk space");
      }
      const auto slash = relative.rfind('/');
      if (slash != std::string::npos) {
        Make_Folders_Below(base, relative.substr(0, slash));
      }
      const std::string target = platform::Join(base, relative);
      Write_Member(Handle_, static_cast<zip_uint64_t>(index), entry, target, [&] {
        if (On_Progress) {
          On_Progress(*this, File_Progress, " ", 0);
        }
      });
      total += entry.Size64;
      platform::Set_File_DOS_Date_Time(target, entry.DOS_Date_Time);
      result.Extracted.push_back(relative);
    } catch (const TZip_Error& error) {
      failures.emplace_back(error.what());
    }
  }
  if (On_Progress) {
    On_Progress(*this, Batch_Finished, " ", 0);
  }
  return result;
}

}  // namespace vorlix
