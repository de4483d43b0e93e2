#pragma once
// The promises every refusal of the tuning-file readers keeps, checked by their fuzzers.
#include <algorithm>
#include <cstddef>
#include <string_view>

#include "base/error.h"

namespace kelvara::fuzz {

inline void check(bool promise) {
    if (!promise) __builtin_trap();
}

// A refused file points at a line of it, at the line after its last (which is line ends + 2
// when the last line has no line end), or at the file as a whole (no line); and says what was
// wrong without a NUL, which would end the message where it is printed.
inline void check_error_line(const Error& error, std::string_view text) {
    const auto line_ends =
        std::count(text.begin(), text.end(), '\n') + std::count(text.begin(), text.end(), '\r');
    check(!error.where.line ||
          (*error.where.line >= 1 && *error.where.line <= static_cast<size_t>(line_ends) + 2));
    check(!error.detail.empty() && !error.description.empty());
    check(error.detail.find('\0') == std::string::npos);
}

}  // namespace kelvara::fuzz
