#pragma once
// Numbers as the messages about recordings show them: a point for the decimals whatever the
// locale, and no trailing zeros ("2.5", "0.05", "48000").
#include <cstdint>
#include <string>

namespace kelvara {

// `value` rounded to at most `decimals` decimals.
std::string number_text(double value, int decimals = 3);
// The duration of `frames` at `sample_rate_hz`, in seconds with its unit: "2.5 s",
// "0.0104 s".
std::string seconds_text(int64_t frames, int32_t sample_rate_hz);

}  // namespace kelvara
