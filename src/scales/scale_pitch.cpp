#include "scales/scale_pitch.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>

namespace kelvara {

std::optional<ScalePitch> ScalePitch::from_ratio(int64_t numerator, int64_t denominator) {
    if (numerator <= 0 || denominator <= 0) return std::nullopt;
    return ScalePitch(ExactRatio{numerator, denominator});
}

std::optional<ScalePitch> ScalePitch::from_cents(double cents) {
    if (!std::isfinite(cents)) return std::nullopt;
    return ScalePitch(cents);
}

std::optional<ExactRatio> ScalePitch::exact_ratio() const {
    if (const auto* ratio = std::get_if<ExactRatio>(&value_)) return *ratio;
    return std::nullopt;
}

std::optional<double> ScalePitch::given_cents() const {
    if (const auto* cents = std::get_if<double>(&value_)) return *cents;
    return std::nullopt;
}

double ScalePitch::ratio() const {
    if (const auto* ratio = std::get_if<ExactRatio>(&value_))
        return static_cast<double>(ratio->numerator) / static_cast<double>(ratio->denominator);
    return std::exp2(std::get<double>(value_) / 1200.0);
}

double ScalePitch::cents() const {
    if (const auto* cents = std::get_if<double>(&value_)) return *cents;
    return 1200.0 * std::log2(ratio());
}

float ScalePitch::stored_ratio() const {
    return static_cast<float>(ratio());
}

std::optional<ExactRatio> exact_ratio_of_stored(float value, int32_t max_denominator) {
    if (!std::isfinite(value) || value <= 0.0f) return std::nullopt;
    // A float has 24 significant bits, so with q below 2^29 value * q is exact in a double,
    // and its nearest integer is the only numerator that can explain value with this q.
    // Trying denominators upward finds the smallest, which is then also in lowest terms.
    constexpr int32_t kLargestDenominator = 1 << 20;
    constexpr double kLargestNumerator = 0x1p62;
    const int32_t last = std::min(max_denominator, kLargestDenominator);
    for (int32_t q = 1; q <= last; ++q) {
        const double p = std::nearbyint(static_cast<double>(value) * q);
        if (p > kLargestNumerator) return std::nullopt;  // larger q only gives larger p
        if (p < 1.0) continue;
        const std::optional<ScalePitch> pitch =
            ScalePitch::from_ratio(static_cast<int64_t>(p), static_cast<int64_t>(q));
        if (pitch && pitch->stored_ratio() == value) return pitch->exact_ratio();
    }
    return std::nullopt;
}

std::optional<ScalePitch> pitch_of_stored_ratio(float value) {
    if (!std::isfinite(value) || value <= 0.0f) return std::nullopt;
    if (const std::optional<ExactRatio> ratio = exact_ratio_of_stored(value))
        return ScalePitch::from_ratio(ratio->numerator, ratio->denominator);

    // The cents of a float need at most about 17 significant digits to name the double that
    // reads back to it, which is at most 20 decimals for any float's cents; usually 5 do.
    const double cents = 1200.0 * std::log2(static_cast<double>(value));
    for (int decimals = 5; decimals <= 20; ++decimals) {
        std::array<char, 64> text{};
        const auto written = std::to_chars(text.data(), text.data() + text.size(), cents,
                                           std::chars_format::fixed, decimals);
        if (written.ec != std::errc()) break;
        double rounded = 0.0;
        std::from_chars(text.data(), written.ptr, rounded, std::chars_format::fixed);
        const std::optional<ScalePitch> pitch = ScalePitch::from_cents(rounded);
        if (pitch && pitch->stored_ratio() == value) return pitch;
    }
    return ScalePitch::from_cents(cents);
}

}  // namespace kelvara
