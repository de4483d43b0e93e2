#include "engine/recording_text.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>

namespace kelvara {

std::string number_text(double value, int decimals) {
    std::array<char, 64> buffer{};
    char* const first = buffer.data();
    char* const last = first + buffer.size();
    std::to_chars_result written =
        std::to_chars(first, last, value, std::chars_format::fixed, decimals);
    if (written.ec != std::errc())  // too long written out: 1.5e+300
        written = std::to_chars(first, last, value, std::chars_format::general, 6);
    std::string text(first, written.ptr);
    if (text.find('e') != std::string::npos) return text;
    if (text.find('.') != std::string::npos) {
        text.erase(text.find_last_not_of('0') + 1);
        if (text.back() == '.') text.pop_back();
    }
    if (text == "-0") text = "0";
    return text;
}

std::string seconds_text(int64_t frames, int32_t sample_rate_hz) {
    const double seconds = sample_rate_hz > 0 ? static_cast<double>(frames) / sample_rate_hz : 0.0;
    // Milliseconds, and two significant digits at least: "2.5 s", "0.999 s", "0.0104 s",
    // "0.000021 s".
    int decimals = 3;
    if (seconds > 0.0 && seconds < 0.1)
        decimals = std::clamp(1 - static_cast<int>(std::floor(std::log10(seconds))), 4, 9);
    return number_text(seconds, decimals) + " s";
}

}  // namespace kelvara
