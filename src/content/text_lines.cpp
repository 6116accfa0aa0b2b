#include "content/text_lines.h"

#include <cerrno>
#include <cstring>

namespace vorlix {

namespace {

constexpr std::size_t Block_Size = std::size_t{64} * 1024;

}  // namespace

TText_Lines::TText_Lines(const std::string& path) {
  File_ = std::fopen(path.c_str(), "rb");
  if (File_ == nullptr) {
    throw TText_Read_Error("cannot open " + path + ": " + std::strerror(errno));
  }
}

TText_Lines::~TText_Lines() {
  if (File_ != nullptr) {
    std::fclose(File_);
  }
}

bool TText_Lines::Fill() {
  if (Position_ < Data_.size()) {
    return true;
  }
  if (File_ == nullptr) {
    return false;
  }
  Buffer_.resize(Block_Size);
  const std::size_t got = std::fread(Buffer_.data(), 1, Buffer_.size(), File_);
  if (got == 0) {
    const bool failed = std::ferror(File_) != 0;
    const int error = errno;
    std::fclose(File_);
    File_ = nullptr;
    Buffer_.clear();
    Data_ = {};
    Position_ = 0;
    if (failed) {
      throw TText_Read_Error(std::string("read error: ") + std::strerror(error));
    }
    return false;
  }
  Buffer_.resize(got);
  Data_ = Buffer_;
  Position_ = 0;
  return true;
}

bool TText_Lines::Eof() {
  return !Fill();
}

std::string TText_Lines::Read_Line() {
  std::string line;
  while (Fill()) {
    const std::string_view rest = Data_.substr(Position_);
    const std::size_t end = rest.find_first_of("\r\n");
    if (end == std::string_view::npos) {
      line.append(rest);
      Position_ = Data_.size();
      continue;
    }
    line.append(rest.substr(0, end));
    const char brk = rest[end];
    Position_ += end + 1;
    if (brk == '\r' && Fill() && Data_[Position_] == '\n') {
      ++Position_;
    }
    return line;
  }
  return line;
}

}  // namespace vorlix
