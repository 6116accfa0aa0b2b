#include "cli/cli_args.h"

#include <algorithm>
#include <limits>

namespace vorlix {

TCli_Args::TCli_Args(std::vector<std::string> words)
    : Words_(std::move(words)),
      Taken_(Words_.size(), 0),
      End_Of_Options_(static_cast<std::size_t>(std::find(Words_.begin(), Words_.end(), "--") -
                                               Words_.begin())) {}

bool TCli_Args::Is_Option(const std::string& word) {
  if (word.size() < 2 || word[0] != '-') {
    return false;
  }
  return !(word[1] >= '0' && word[1] <= '9');
}

bool TCli_Args::Has_Value_Of(const std::string& word, const std::string& name) {
  return word.size() > name.size() && word[name.size()] == '=' &&
         word.compare(0, name.size(), name) == 0;
}

bool TCli_Args::Flag(const std::string& name) {
  bool found = false;
  for (std::size_t i = 0; i < End_Of_Options_; ++i) {
    if (Taken_[i] != 0) {
      continue;
    }
    if (Words_[i] == name) {
      Taken_[i] = 1;
      found = true;
    } else if (Has_Value_Of(Words_[i], name)) {
      throw TCli_Usage_Error("option " + name + " takes no value");
    }
  }
  return found;
}

std::vector<std::string> TCli_Args::Options(const std::string& name) {
  std::vector<std::string> values;
  for (std::size_t i = 0; i < End_Of_Options_; ++i) {
    if (Taken_[i] != 0) {
      continue;
    }
    if (Words_[i] == name) {
      // The value is the next word not taken yet, whatever it looks like.
      std::size_t value = i + 1;
      while (value < End_Of_Options_ && Taken_[value] != 0) {
        ++value;
      }
      if (value >= End_Of_Options_) {
        throw TCli_Usage_Error("option " + name + " needs a value");
      }
      values.push_back(Words_[value]);
      Taken_[i] = 1;
      Taken_[value] = 1;
      i = value;
    } else if (Has_Value_Of(Words_[i], name)) {
      values.push_back(Words_[i].substr(name.size() + 1));
      Taken_[i] = 1;
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
  // Before "--": the first word that is no option; after it: the first word.
  for (; Next_From_ < Words_.size(); ++Next_From_) {
    const std::size_t i = Next_From_;
    if (i == End_Of_Options_ || Taken_[i] != 0) {
      continue;
    }
    if (i > End_Of_Options_ || !Is_Option(Words_[i])) {
      Taken_[i] = 1;
      return Words_[i];
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

std::vector<std::string> TCli_Args::Remaining() const {
  std::vector<std::string> words;
  for (std::size_t i = 0; i < Words_.size(); ++i) {
    if (Taken_[i] == 0) {
      words.push_back(Words_[i]);
    }
  }
  return words;
}

void TCli_Args::Expect_End() const {
  for (std::size_t i = 0; i < Words_.size(); ++i) {
    const std::string& word = Words_[i];
    if (Taken_[i] != 0 || word == "--") {
      continue;
    }
    if (Is_Option(word)) {
      throw TCli_Usage_Error("unknown option " + word);
    }
    throw TCli_Usage_Error("unexpected argument \"" + word + "\"");
  }
}

}  // namespace vorlix
