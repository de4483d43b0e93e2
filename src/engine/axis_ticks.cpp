#include "engine/axis_ticks.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>

namespace kelvara {

AxisTicks nice_ticks(double min, double max, int max_count) {
    AxisTicks ticks;
    if (!std::isfinite(min) || !std::isfinite(max) || !(min < max) || max_count < 1) return ticks;
    const int count = std::clamp(max_count, 2, kMaxAxisTicks);
    const double span = max - min;
    if (!std::isfinite(span)) return ticks;
    // The smallest round step that leaves at most `count` ticks: at least span / count, then
    // one size up when the range's ends happen to fall on ticks and add one too many.
    const double rough = span / count;
    double power = std::pow(10.0, std::floor(std::log10(rough)));
    constexpr std::array<double, 4> kMantissas{1.0, 2.0, 5.0, 10.0};
    size_t m = 0;
    while (m + 1 < kMantissas.size() && kMantissas[m] * power < rough) ++m;
    if (m + 1 == kMantissas.size()) {
        m = 0;
        power *= 10.0;
    }
    for (int attempt = 0; attempt < 4; ++attempt) {
        const double step = kMantissas[m] * power;
        const double first = std::ceil(min / step - 1e-9);
        const double last = std::floor(max / step + 1e-9);
        if (last - first + 1.0 <= count || attempt == 3) {
            ticks.step = step;
            ticks.decimals = std::max(0, -static_cast<int>(std::floor(std::log10(step) + 1e-9)));
            for (double n = first; n <= last && ticks.values.size() < kMaxAxisTicks; n += 1.0) {
                // n·step is the exact multiple; rounding at the label's precision removes
                // the binary representation's last-digit noise.
                const double scale = std::pow(10.0, ticks.decimals);
                ticks.values.push_back(std::round(n * step * scale) / scale);
            }
            return ticks;
        }
        if (++m == kMantissas.size() - 1) {
            m = 0;
            power *= 10.0;
        }
    }
    return ticks;
}

std::string tick_label(double value, int decimals) {
    const int digits = std::clamp(decimals, 0, 15);
    std::array<char, 64> text{};
    const auto [end, error] = std::to_chars(text.data(), text.data() + text.size(), value,
                                            std::chars_format::fixed, digits);
    if (error != std::errc()) return "?";
    std::string label(text.data(), end);
    // "-0.00" is zero.
    if (label.front() == '-' && label.find_first_not_of("-0.") == std::string::npos)
        label.erase(0, 1);
    return label;
}

}  // namespace kelvara
