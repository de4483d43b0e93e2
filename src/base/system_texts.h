#pragma once
// The system's own texts, looked up by key in one table. A key without an entry stands for
// itself, so a text that was never translated shows its key.
#include <string_view>

namespace kelvara {

// The text shown for `key` in the system's language; `key` itself when the table has none.
std::string_view localized_string(std::string_view key);

// Keys of the texts the system shows.
inline constexpr std::string_view kIncorrectlyFormattedChordKey = "Incorrectly formated string";

}  // namespace kelvara
