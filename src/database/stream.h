#pragma once
// The stream routines shared by mapsdb.dat and mapstree.dat: little-endian numbers, one-byte
// booleans, strings as a signed 32-bit count (length + 1) followed by the characters and a zero
// byte, and lists of strings. Reading past the end, or a count that cannot be right, throws
// TStream_Error, which interrupts the whole load.

#include <cstdint>
#include <cstdio>
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace vorlix {

// The program-wide version written at the start of every record of both files.
inline constexpr std::int32_t Record_Version = 1;

class TStream_Error : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Collects the bytes of a file in memory; the file is written in one piece when complete.
class TByte_Writer {
 public:
  void Write_Byte(std::uint8_t value) { Data_.push_back(static_cast<char>(value)); }
  void Write_Bool(bool value) { Write_Byte(value ? 1 : 0); }
  void Write_Integer(std::int32_t value) { Write_Cardinal(static_cast<std::uint32_t>(value)); }
  // (In the header: a large file's records are written field by field.)
  void Write_Cardinal(std::uint32_t value) {
    const char bytes[4] = {
        static_cast<char>(value & 0xFFU), static_cast<char>((value >> 8U) & 0xFFU),
        static_cast<char>((value >> 16U) & 0xFFU), static_cast<char>((value >> 24U) & 0xFFU)};
    Data_.append(bytes, sizeof bytes);
    Spill();
  }
  void Write_Buffer(const void* bytes, std::size_t count);
  void Write_String(const std::string& text);
  void Write_Strings(const std::vector<std::string>& list);

  const std::string& Data() const { return Data_; }
  // Makes room for at least this many bytes in all, so that a large file grows without copies.
  void Reserve(std::size_t bytes) { Data_.reserve(bytes); }

  // Hands the bytes on in pieces of about `piece` bytes as they are written, instead of keeping
  // them all: Data() then holds what has not been handed on yet (see Pass_On_Rest).
  void Pass_On_In_Pieces(std::size_t piece, std::function<void(const std::string&)> take);
  void Pass_On_Rest();

 private:
  void Spill() {
    if (Take_ && Data_.size() >= Piece_) {
      Pass_On_Rest();
    }
  }
  std::string Data_;
  std::size_t Piece_ = 0;
  std::function<void(const std::string&)> Take_;
};

// The 32-bit number stored at `bytes` as the program's files store numbers (little-endian).
inline std::uint32_t Little_Endian_32(const char* bytes) {
  std::uint32_t value = 0;
  for (std::size_t i = 0; i < 4; ++i) {
    value |= static_cast<std::uint32_t>(static_cast<std::uint8_t>(bytes[i])) << (8 * i);
  }
  return value;
}

// Reads from bytes held in memory.
class TByte_Reader {
 public:
  explicit TByte_Reader(std::string data) : Data_(std::move(data)) {}
  // Reads a program file's four-byte mark and version; false when they are not these.
  bool Read_Header(std::string_view magic, std::int32_t version);

  bool At_End() const { return Position_ >= Data_.size(); }
  std::size_t Remaining() const { return Data_.size() - Position_; }
  std::size_t Position() const { return Position_; }
  // All the bytes being read (the reader owns them: move a large file in).
  const std::string& Data() const { return Data_; }

  // (In the header: a large file's records are read field by field.)
  std::uint8_t Read_Byte() {
    Need(1);
    return static_cast<std::uint8_t>(Data_[Position_++]);
  }
  bool Read_Bool() { return Read_Byte() != 0; }
  std::int32_t Read_Integer() { return static_cast<std::int32_t>(Read_Cardinal()); }
  std::uint32_t Read_Cardinal() {
    Need(4);
    const std::uint32_t value = Little_Endian_32(Data_.data() + Position_);
    Position_ += 4;
    return value;
  }
  void Read_Buffer(void* bytes, std::size_t count);
  std::string Read_String();
  // Empties the list first, then appends.
  void Read_Strings(std::vector<std::string>& list);

 private:
  void Need(std::size_t count) const {
    if (count > Remaining()) {
      Throw_End_Of_File();
    }
  }
  [[noreturn]] static void Throw_End_Of_File();

  std::string Data_;
  std::size_t Position_ = 0;
};

// Reads `count` bytes at `offset` of an open file, whatever pieces the system hands out; false
// when they cannot all be read (errno tells why, 0 when the file ends before them).
bool Read_At_Offset(int fd, std::uint64_t offset, char* bytes, std::size_t count);

// The CRC-32 (zlib's) of bytes, which a file stores after a record to tell damage from data.
std::uint32_t CRC32_Of(const char* bytes, std::size_t count);

// An open file whose records (each followed by the CRC-32 of its bytes) are read again by
// their place, by any number of threads; the file stays readable after it was replaced.
class TRecord_File {
 public:
  explicit TRecord_File(int fd) : Fd_(fd) {}
  ~TRecord_File();
  TRecord_File(const TRecord_File&) = delete;
  TRecord_File& operator=(const TRecord_File&) = delete;
  // The record at `offset` of `length` bytes, checked against the CRC-32 after it; false when it
  // cannot be read or is damaged.
  bool Read(std::uint64_t offset, std::uint32_t length, std::string& bytes) const;

 private:
  int Fd_;
};

// A scratch file made as Create_Scratch_File makes it (never through a link, never into a file
// left at the name), open for reading and writing; nullptr with the reason in `problem` when it
// cannot be made.
std::FILE* Open_Scratch_Stream(const std::string& path, std::string& problem);

// The largest file Read_Whole_File reads unless told otherwise.
inline constexpr std::uint64_t Max_Read_Size = std::uint64_t{1} << 30;

// Opens a file for reading without ever waiting on it (a FIFO, a device); -1 with errno when it
// cannot be opened. What was opened may still be anything: look at it with fstat.
int Open_For_Reading(const std::string& path);
// Reads a whole file (a link is followed); throws TStream_Error with the reason when it cannot
// be read, is no regular file (a FIFO, a device, a directory) or holds more than `max_size`
// bytes.
std::string Read_Whole_File(const std::string& path, std::uint64_t max_size = Max_Read_Size);

// Writes a file so that it is either the old or the new complete file at every moment: the bytes
// go into a new file beside it, are flushed to disk, and replace the old file only then.
// Throws TStream_Error (with the reason) when anything fails; the old file is then untouched.
// A file that already holds exactly these bytes is left untouched.
void Write_File_Atomically(const std::string& path, const std::string& data);
// The same for the bytes that `produce` writes, which are never held whole: they are compared
// with the file piece by piece, and only when they differ produced again into the new file.
// `produce` must write the same bytes each time it is called.
void Write_File_Atomically(const std::string& path,
                           const std::function<void(TByte_Writer& out)>& produce);

}  // namespace vorlix
