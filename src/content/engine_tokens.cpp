#include "content/engine_tokens.h"

#include <algorithm>

#include "core/letter_case.h"

namespace vorlix {

TEngine_Tokens::TEngine_Tokens(std::string_view text) : Text_(text.substr(0, text.find('\0'))) {}

std::string TEngine_Tokens::Next(bool allow_line_breaks) {
  std::string token;
  if (Ended_) {
    return token;
  }
  const std::size_t size = Text_.size();
  bool line_break = false;
  char c = 0;
  for (;;) {
    while (Position_ < size && Is_Engine_Blank(Text_[Position_])) {
      line_break = line_break || Text_[Position_] == '\n';
      ++Position_;
    }
    if (Position_ >= size) {
      Ended_ = true;
      return token;
    }
    if (line_break && !allow_line_breaks) {
      return token;
    }
    c = Text_[Position_];
    const char following = Position_ + 1 < size ? Text_[Position_ + 1] : '\0';
    if (c == '/' && following == '/') {
      const std::size_t end = Text_.find('\n', Position_ + 2);
      Position_ = end == std::string_view::npos ? size : end;
    } else if (c == '/' && following == '*') {
      const std::size_t end = Text_.find("*/", Position_ + 2);
      Position_ = end == std::string_view::npos ? size : end + 2;
    } else {
      break;
    }
  }
  if (c == '"') {
    ++Position_;
    const std::size_t end = Text_.find('"', Position_);
    const std::size_t stop = end == std::string_view::npos ? size : end;
    token.assign(Text_.substr(Position_, std::min(stop - Position_, Token_Length_Limit)));
    if (end == std::string_view::npos) {
      // The engine reads on past the end of its buffer here; nothing sensible follows.
      Ended_ = true;
      Position_ = size;
    } else {
      Position_ = end + 1;
    }
    return token;
  }
  const std::size_t start = Position_;
  while (Position_ < size && !Is_Engine_Blank(Text_[Position_])) {
    ++Position_;
  }
  token.assign(Text_.substr(start, std::min(Position_ - start, Token_Length_Limit)));
  return token;
}

void TEngine_Tokens::Skip_Rest_Of_Line() {
  if (Ended_) {
    return;
  }
  const std::size_t end = Text_.find('\n', Position_);
  Position_ = end == std::string_view::npos ? Text_.size() : end + 1;
}

bool TEngine_Tokens::Skip_Braced_Section(int depth) {
  do {
    const std::string token = Next(true);
    if (token == "{") {
      ++depth;
    } else if (token == "}") {
      --depth;
    }
  } while (depth != 0 && !Ended_);
  return depth == 0;
}

bool Same_Word(std::string_view a, std::string_view b) {
  return platform::Equal_Ignore_Case(a, b);
}

bool Starts_With_Word(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && Same_Word(text.substr(0, prefix.size()), prefix);
}

std::string Compress_Script(std::string_view text, bool& comment_left_open) {
  text = text.substr(0, text.find('\0'));
  comment_left_open = false;
  std::string out;
  out.reserve(text.size());
  bool line_break = false;
  bool blank = false;
  std::size_t i = 0;
  const std::size_t size = text.size();
  while (i < size) {
    const char c = text[i];
    const char following = i + 1 < size ? text[i + 1] : '\0';
    if (c == '/' && following == '/') {
      const std::size_t end = text.find('\n', i);
      i = end == std::string_view::npos ? size : end;
    } else if (c == '/' && following == '*') {
      // The engine looks for the end from the star on, so "/*/" is a whole comment.
      const std::size_t end = text.find("*/", i + 1);
      comment_left_open = end == std::string_view::npos;
      i = comment_left_open ? size : end + 2;
    } else if (c == '\n' || c == '\r') {
      line_break = true;
      ++i;
    } else if (c == ' ' || c == '\t') {
      blank = true;
      ++i;
    } else {
      if (line_break) {
        out += '\n';
        line_break = false;
        blank = false;
      }
      if (blank) {
        out += ' ';
        blank = false;
      }
      if (c == '"') {
        const std::size_t end = text.find('"', i + 1);
        const std::size_t stop = end == std::string_view::npos ? size : end + 1;
        out.append(text.substr(i, stop - i));
        i = stop;
      } else {
        out += c;
        ++i;
      }
    }
  }
  return out;
}

}  // namespace vorlix
