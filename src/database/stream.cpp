#include "database/stream.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <functional>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include "core/fs_routines.h"

namespace vorlix {

void TByte_Writer::Pass_On_In_Pieces(std::size_t piece,
                                     std::function<void(const std::string&)> take) {
  Piece_ = piece;
  Take_ = std::move(take);
  Data_.reserve(piece + 4096);
}

void TByte_Writer::Pass_On_Rest() {
  if (Take_ && !Data_.empty()) {
    Take_(Data_);
    Data_.clear();
  }
}

void TByte_Writer::Write_Buffer(const void* bytes, std::size_t count) {
  Data_.append(static_cast<const char*>(bytes), count);
  Spill();
}

void TByte_Writer::Write_String(const std::string& text) {
  Write_Integer(static_cast<std::int32_t>(text.size() + 1));
  Data_.append(text);
  Data_.push_back('\0');
  Spill();
}

void TByte_Writer::Write_Strings(const std::vector<std::string>& list) {
  Write_Integer(static_cast<std::int32_t>(list.size()));
  for (const auto& text : list) {
    Write_String(text);
  }
}

void TByte_Reader::Throw_End_Of_File() {
  throw TStream_Error("unexpected end of file");
}

void TByte_Reader::Read_Buffer(void* bytes, std::size_t count) {
  Need(count);
  std::memcpy(bytes, Data_.data() + Position_, count);
  Position_ += count;
}

bool TByte_Reader::Read_Header(std::string_view magic, std::int32_t version) {
  std::string read(magic.size(), '\0');
  Read_Buffer(read.data(), read.size());
  return read == magic && Read_Integer() == version;
}

std::string TByte_Reader::Read_String() {
  const std::int32_t count = Read_Integer();
  if (count < 0) {
    throw TStream_Error("negative string length");
  }
  // A length beyond the rest of the file is damage, never a reason to allocate.
  Need(static_cast<std::size_t>(count));
  const char* start = Data_.data() + Position_;
  const void* zero = std::memchr(start, 0, static_cast<std::size_t>(count));
  const std::size_t length = zero != nullptr
                                 ? static_cast<std::size_t>(static_cast<const char*>(zero) - start)
                                 : static_cast<std::size_t>(count);
  std::string text(start, length);
  Position_ += static_cast<std::size_t>(count);
  return text;
}

void TByte_Reader::Read_Strings(std::vector<std::string>& list) {
  list.clear();
  const std::int32_t count = Read_Integer();
  if (count < 0) {
    throw TStream_Error("negative list length");
  }
  // Every string takes at least five bytes.
  if (static_cast<std::size_t>(count) > Remaining() / 5) {
    throw TStream_Error("list longer than the file");
  }
  for (std::int32_t i = 0; i < count; ++i) {
    list.push_back(Read_String());
  }
}

int Open_For_Reading(const std::string& path) {
  // Never waits: a FIFO or a device at the name opens at once and is refused below.
  return ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
}

std::string Read_Whole_File(const std::string& path, std::uint64_t max_size) {
  const int fd = Open_For_Reading(path);
  if (fd < 0) {
    throw TStream_Error("cannot open " + path + ": " + std::strerror(errno));
  }
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    throw TStream_Error(path + " is not a regular file");
  }
  const auto too_large = [&] {
    ::close(fd);
    return TStream_Error(path + " is larger than " + std::to_string(max_size) + " bytes");
  };
  if (static_cast<std::uint64_t>(st.st_size) > max_size) {
    throw too_large();
  }
  // Read straight into room for the whole file (the database file of a large collection is
  // megabytes long); a file that grows meanwhile is read to its end all the same, up to the
  // largest size taken.
  const auto room = static_cast<std::size_t>(st.st_size);
  std::string data(room + 1, '\0');
  std::size_t done = 0;
  for (;;) {
    if (done == data.size()) {
      if (done > max_size) {
        throw too_large();
      }
      data.resize(static_cast<std::size_t>(
          std::min<std::uint64_t>(std::uint64_t{data.size()} * 2, max_size + 1)));
    }
    const ssize_t n = ::read(fd, data.data() + done, data.size() - done);
    if (n < 0 && errno == EINTR) {
      continue;
    }
    if (n < 0) {
      const int error = errno;
      ::close(fd);
      throw TStream_Error("cannot read " + path + ": " + std::strerror(error));
    }
    if (n == 0) {
      break;
    }
    done += static_cast<std::size_t>(n);
  }
  ::close(fd);
  if (done > max_size) {
    throw TStream_Error(path + " is larger than " + std::to_string(max_size) + " bytes");
  }
  data.resize(done);
  return data;
}

namespace {

// Whether the file at `path` holds exactly `data`, read in pieces.
bool Holds_Exactly(const std::string& path, const std::string& data) {
  const int fd = Open_For_Reading(path);
  if (fd < 0) {
    return false;
  }
  struct stat st {};
  bool same = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) &&
              static_cast<std::uint64_t>(st.st_size) == data.size();
  std::array<char, std::size_t{64} * 1024> piece{};
  std::size_t done = 0;
  while (same) {
    const ssize_t n = ::read(fd, piece.data(), piece.size());
    if (n < 0 && errno == EINTR) {
      continue;
    }
    if (n <= 0) {
      same = n == 0 && done == data.size();
      break;
    }
    const auto got = static_cast<std::size_t>(n);
    same = got <= data.size() - done && std::memcmp(piece.data(), data.data() + done, got) == 0;
    done += got;
  }
  ::close(fd);
  return same;
}

}  // namespace

namespace {

using TPiece_Writer = std::function<void(const char* bytes, std::size_t size)>;

// Writes the bytes that `pieces` hands to its writer into path + ".new", flushes them to disk
// and puts the new file in place of the old one. Throws TStream_Error; the old file then stays.
void Replace_With_Pieces(const std::string& path,
                         const std::function<void(const TPiece_Writer& write)>& pieces) {
  const std::string temp = path + ".new";
  int fd = -1;
  try {
    fd = Create_Scratch_File(temp);
  } catch (const TFile_Error& error) {
    throw TStream_Error(error.what());
  }
  int write_err = 0;
  try {
    pieces([&](const char* bytes, std::size_t size) {
      std::size_t done = 0;
      while (write_err == 0 && done < size) {
        const ssize_t n = ::write(fd, bytes + done, size - done);
        if (n >= 0) {
          done += static_cast<std::size_t>(n);
        } else if (errno != EINTR) {
          write_err = errno;
        }
      }
    });
  } catch (...) {
    ::close(fd);
    ::unlink(temp.c_str());
    throw;
  }
  if (write_err != 0) {
    ::close(fd);
    ::unlink(temp.c_str());
    throw TStream_Error("cannot write " + temp + ": " + std::strerror(write_err));
  }
  const bool synced = ::fsync(fd) == 0;
  const int sync_err = errno;
  const bool closed = ::close(fd) == 0;
  if (!synced || !closed) {
    const int err = synced ? errno : sync_err;
    ::unlink(temp.c_str());
    throw TStream_Error("cannot write " + temp + ": " + std::strerror(err));
  }
  if (std::rename(temp.c_str(), path.c_str()) != 0) {
    const int err = errno;
    ::unlink(temp.c_str());
    throw TStream_Error("cannot replace " + path + ": " + std::strerror(err));
  }
}

// Compares bytes handed over piece by piece with a file's content.
class TFile_Comparison {
 public:
  explicit TFile_Comparison(const std::string& path) : Fd_(Open_For_Reading(path)) {
    struct stat st {};
    Same_ = Fd_ >= 0 && ::fstat(Fd_, &st) == 0 && S_ISREG(st.st_mode);
    Size_ = Same_ ? static_cast<std::uint64_t>(st.st_size) : 0;
  }
  ~TFile_Comparison() {
    if (Fd_ >= 0) {
      ::close(Fd_);
    }
  }
  TFile_Comparison(const TFile_Comparison&) = delete;
  TFile_Comparison& operator=(const TFile_Comparison&) = delete;

  void Compare(const char* bytes, std::size_t size) {
    if (!Same_ || size > Size_ - Done_) {
      Same_ = false;
      return;
    }
    Buffer_.resize(size);
    Same_ = Read(Buffer_.data(), size) == size && std::memcmp(Buffer_.data(), bytes, size) == 0;
    Done_ += size;
  }
  // Whether every byte was equal and the file ends there.
  bool Same_Whole() {
    char extra = 0;
    return Same_ && Done_ == Size_ && Read(&extra, 1) == 0;
  }

 private:
  std::size_t Read(char* to, std::size_t size) const {
    std::size_t got = 0;
    while (got < size) {
      const ssize_t n = ::read(Fd_, to + got, size - got);
      if (n < 0 && errno == EINTR) {
        continue;
      }
      if (n <= 0) {
        break;
      }
      got += static_cast<std::size_t>(n);
    }
    return got;
  }

  int Fd_;
  bool Same_ = false;
  std::uint64_t Size_ = 0;
  std::uint64_t Done_ = 0;
  std::string Buffer_;
};

// Pieces of a produced file: large enough for few system calls, small beside a file of
// a hundred thousand maps.
constexpr std::size_t Piece_Size = std::size_t{1} << 20;

void Produce_In_Pieces(const std::function<void(TByte_Writer& out)>& produce,
                       const TPiece_Writer& write) {
  TByte_Writer out;
  out.Pass_On_In_Pieces(Piece_Size,
                        [&write](const std::string& piece) { write(piece.data(), piece.size()); });
  produce(out);
  out.Pass_On_Rest();
}

}  // namespace

void Write_File_Atomically(const std::string& path, const std::string& data) {
  // A file that holds these bytes already stays as it is: most closes change nothing, and a
  // rewrite would only cost a flush to disk.
  if (Holds_Exactly(path, data)) {
    return;
  }
  Replace_With_Pieces(path,
                      [&data](const TPiece_Writer& write) { write(data.data(), data.size()); });
}

void Write_File_Atomically(const std::string& path,
                           const std::function<void(TByte_Writer& out)>& produce) {
  {
    TFile_Comparison comparison(path);
    Produce_In_Pieces(produce, [&comparison](const char* bytes, std::size_t size) {
      comparison.Compare(bytes, size);
    });
    if (comparison.Same_Whole()) {
      return;
    }
  }
  Replace_With_Pieces(
      path, [&produce](const TPiece_Writer& write) { Produce_In_Pieces(produce, write); });
}

bool Read_At_Offset(int fd, std::uint64_t offset, char* bytes, std::size_t count) {
  std::size_t done = 0;
  while (done < count) {
    const ssize_t n = ::pread(fd, bytes + done, count - done, static_cast<off_t>(offset + done));
    if (n < 0 && errno == EINTR) {
      continue;
    }
    if (n <= 0) {
      if (n == 0) {
        errno = 0;
      }
      return false;
    }
    done += static_cast<std::size_t>(n);
  }
  return true;
}

std::FILE* Open_Scratch_Stream(const std::string& path, std::string& problem) {
  try {
    const int fd = Create_Scratch_File(path);
    std::FILE* stream = ::fdopen(fd, "w+b");
    if (stream == nullptr) {
      problem = std::strerror(errno);
      ::close(fd);
      std::remove(path.c_str());
    }
    return stream;
  } catch (const TFile_Error& error) {
    problem = error.what();
    return nullptr;
  }
}

TRecord_File::~TRecord_File() {
  ::close(Fd_);
}

bool TRecord_File::Read(std::uint64_t offset, std::uint32_t length, std::string& bytes) const {
  bytes.resize(std::size_t{length} + 4);
  if (!Read_At_Offset(Fd_, offset, bytes.data(), bytes.size())) {
    return false;
  }
  const std::uint32_t stored = Little_Endian_32(bytes.data() + length);
  bytes.resize(length);
  return stored == CRC32_Of(bytes.data(), bytes.size());
}

std::uint32_t CRC32_Of(const char* bytes, std::size_t count) {
  uLong crc = crc32(0L, Z_NULL, 0);
  while (count > 0) {
    const auto piece = static_cast<uInt>(std::min<std::size_t>(count, 1U << 30));
    crc = crc32(crc, reinterpret_cast<const Bytef*>(bytes), piece);
    bytes += piece;
    count -= piece;
  }
  return static_cast<std::uint32_t>(crc);
}

}  // namespace vorlix
