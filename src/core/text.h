#pragma once
// Text helpers of the whole program: trimming, the messages' placeholders and short lists.

#include <string>
#include <string_view>
#include <vector>

namespace vorlix {

// The text without leading and trailing blanks and control characters (every byte up to 32).
std::string Trim(std::string_view text);

// A message with its "%s" placeholders replaced in order by `first` and `second`; a placeholder
// inside an inserted value is not replaced again.
std::string Format_Message(std::string pattern, const std::string& first,
                           const std::string& second = {});

// The first `shown` texts joined by ", ", followed by " and N more" for the ones left out.
std::string Some_Of(const std::vector<std::string>& texts, std::size_t shown = 10);

}  // namespace vorlix
