#pragma once
// The words of a command line after the command's name: positional arguments, options with a
// value ("--mod X", also "--mod=X"), repeated options and flags. Anything a command does not take
// is wrong usage. Every step takes time in proportion to the number of words, however many
// there are: words are marked as taken, never erased.

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace vorlix {

// Wrong usage of the command line (exit status 2).
class TCli_Usage_Error : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class TCli_Args {
 public:
  explicit TCli_Args(std::vector<std::string> words);

  // Takes a flag ("--dry-run") wherever it stands; true when it was there.
  bool Flag(const std::string& name);
  // Takes every "NAME VALUE" or "NAME=VALUE" pair, in order.
  std::vector<std::string> Options(const std::string& name);
  // Takes the option given at most once; nullopt when absent.
  std::optional<std::string> Option(const std::string& name);
  // The same, but the option must be there.
  std::string Required_Option(const std::string& name);
  // Takes the next positional argument; `what` names it in the message when it is missing.
  std::string Next(const std::string& what);
  // The next positional argument as a 32-bit integer.
  std::int32_t Next_Integer(const std::string& what);
  // The words not taken so far, in order ("--" included).
  std::vector<std::string> Remaining() const;
  // Fails when words are left over (an unknown option or one argument too many).
  void Expect_End() const;

  // Whether a word is an option ("-" followed by something; "-5" is a number, not an option).
  static bool Is_Option(const std::string& word);

 private:
  // Whether `word` is "NAME=VALUE" for this name.
  static bool Has_Value_Of(const std::string& word, const std::string& name);

  std::vector<std::string> Words_;
  std::vector<char> Taken_;  // one per word
  // Position of the first "--" (after it every word is positional), or the number of words.
  std::size_t End_Of_Options_ = 0;
  // No word before this position is left for Next: each one is taken or an option.
  std::size_t Next_From_ = 0;
};

}  // namespace vorlix
