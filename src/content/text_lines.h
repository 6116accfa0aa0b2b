#pragma once
// Line-by-line reading of the game's text scripts as a Pascal-style text file reads them: a line
// ends at CR, LF or CR LF; the end of the input is tested before every read, and a read at the
// end gives an empty line. Works on a file (read in blocks) or on text in memory; every line is
// found in time linear in its length, whatever the input holds.

#include <cstdio>
#include <stdexcept>
#include <string>
#include <string_view>

namespace vorlix {

// A file could not be opened or read.
class TText_Read_Error : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class TText_Lines {
 public:
  // Reads text held in memory (which must outlive the reader).
  explicit TText_Lines(std::string_view text) : Data_(text) {}
  // Opens a file; raises TText_Read_Error when it cannot be opened.
  explicit TText_Lines(const std::string& path);
  ~TText_Lines();
  TText_Lines(const TText_Lines&) = delete;
  TText_Lines& operator=(const TText_Lines&) = delete;

  // True when no character is left. Raises TText_Read_Error when the file cannot be read.
  bool Eof();
  // The next line without its line break; "" at the end.
  std::string Read_Line();

 private:
  bool Fill();

  std::FILE* File_ = nullptr;
  std::string Buffer_;
  std::string_view Data_;
  std::size_t Position_ = 0;
};

}  // namespace vorlix
