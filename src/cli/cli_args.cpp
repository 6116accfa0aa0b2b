#include "cli/cli_args.h"

#include <limits>

namespace vorlix {

bool TCli_Args::Is_Option(const std::string& word) {
  if (word.size() < 2 || word[0] != '-') {
    return false;
  }
  return !(word[1] >= '0' && word[1] <= '9');
}

std::size_t TCli_Args::End_Of_Options() const {
  std::size_t i = 0;
  while (i < Words_.size() && Words_[i] != "--") {
    ++i;
  }
  return i;
}

bool TCli_Args::Flag(const std::string& name) {
  bool found = false;
  for (std::size_t i = 0; i < End_Of_Options();) {
    if (Words_[i] == name) {
      Words_.erase(Words_.begin() + static_cast<std::ptrdiff_t>(i));
      found = true;
    } else if (Words_[i].rfind(name + "=", 0) == 0) {
      throw TCli_Usage_Error("option " + name + " takes no value");
    } else {
      ++i;
    }
  }
  return found;
}

std::vector<std::string> TCli_Args::Options(const std::string& name) {
  std::vector<std::string> values;
  for (std::size_t i = 0; i < End_Of_Options();) {
    if (Words_[i] == name) {
      if (i + 1 >= End_Of_Options()) {
        throw TCli_Usage_Error("option " + name + " needs a value");
      }
      values.push_back(Words_[i + 1]);
      Words_.erase(Words_.begin() + static_cast<std::ptrdiff_t>(i),
                   Words_.begin() + static_cast<std::ptrdiff_t>(i + 2));
    } else if (Words_[i].rfind(name + "=", 0) == 0) {
      values.push_back(Words_[i].substr(name.size() + 1));
      Words_.erase(Words_.begin() + static_cast<std::ptrdiff_t>(i));
    } else {
      ++i;
    }
  }
  return values;
}

std::optional<std::string> TCli_Args::Option(const std::string& name) {
  auto values = Options(name);
  if (values.size() > 1) {
    throw TCli_Usage_Error("option " + name + " given more than once");
  }
  if (values.empty()) {
    return std::nullopt;
  }
  return values.front();
}

std::string TCli_Args::Required_Option(const std::string& name) {
  auto value = Option(name);
  if (!value) {
    throw TCli_Usage_Error("option " + name + " is missing");
  }
  return *value;
}

std::string TCli_Args::Next(const std::string& what) {
  for (std::size_t i = 0; i < Words_.size(); ++i) {
    if (Words_[i] == "--") {
      if (i + 1 < Words_.size()) {
        std::string word = Words_[i + 1];
        Words_.erase(Words_.begin() + static_cast<std::ptrdiff_t>(i + 1));
        return word;
      }
      break;
    }
    if (!Is_Option(Words_[i])) {
      std::string word = Words_[i];
      Words_.erase(Words_.begin() + static_cast<std::ptrdiff_t>(i));
      return word;
    }
  }
  throw TCli_Usage_Error(what + " is missing");
}

std::int32_t TCli_Args::Next_Integer(const std::string& what) {
  const std::string word = Next(what);
  const std::size_t digits = !word.empty() && word[0] == '-' ? 1 : 0;
  bool valid = word.size() > digits && word.size() - digits <= 10;
  for (std::size_t i = digits; valid && i < word.size(); ++i) {
    valid = word[i] >= '0' && word[i] <= '9';
  }
  const long long value = valid ? std::stoll(word) : 0;
  if (!valid || value < std::numeric_limits<std::int32_t>::min() ||
      value > std::numeric_limits<std::int32_t>::max()) {
    throw TCli_Usage_Error(what + " must be an integer, not \"" + word + "\"");
  }
  return static_cast<std::int32_t>(value);
}

void TCli_Args::Expect_End() const {
  for (const auto& word : Words_) {
    if (word == "--") {
      continue;
    }
    if (Is_Option(word)) {
      throw TCli_Usage_Error("unknown option " + word);
    }
    throw TCli_Usage_Error("unexpected argument \"" + word + "\"");
  }
}

}  // namespace vorlix
