#include "engine/prominence_threshold.h"

#include <charconv>
#include <cmath>

namespace kelvara {

std::optional<ProminenceThreshold> parse_prominence_threshold(std::string_view text) {
    const auto first = text.find_first_not_of(' ');
    if (first == std::string_view::npos) return std::nullopt;
    text = text.substr(first, text.find_last_not_of(' ') - first + 1);
    ProminenceThreshold threshold{.relative = !text.empty() && text.back() == '%'};
    if (threshold.relative) text.remove_suffix(1);
    const auto [end, error] =
        std::from_chars(text.data(), text.data() + text.size(), threshold.value);
    if (error != std::errc{} || end != text.data() + text.size()) return std::nullopt;
    if (!is_valid_prominence_threshold(threshold)) return std::nullopt;
    return threshold;
}

std::string prominence_threshold_text(const ProminenceThreshold& threshold) {
    char buffer[64];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, threshold.value).ptr;
    return std::string(buffer, end) + (threshold.relative ? "%" : "");
}

bool is_valid_prominence_threshold(const ProminenceThreshold& threshold) {
    return std::isfinite(threshold.value) && threshold.value >= 0.0 &&
           (!threshold.relative || threshold.value <= 100.0);
}

}  // namespace kelvara
