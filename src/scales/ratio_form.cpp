#include "scales/ratio_form.h"

#include <array>
#include <charconv>
#include <cmath>

#include "scales/decimal_text.h"
#include "scales/ratio_text.h"

namespace kelvara {
namespace {

bool is_fraction_or_cents(std::string_view form) {
    return !form.empty() &&
           (form.find('/') != std::string_view::npos || form.back() == 'c' || form.back() == 'C');
}

std::string shortest_text(double value) {
    std::array<char, 64> buffer{};
    const auto written = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
    return std::string(buffer.data(), written.ptr);
}

}  // namespace

std::optional<float> ratio_of_form(std::string_view form) {
    if (!is_fraction_or_cents(form)) return std::nullopt;
    const Result<ScalePitch> pitch = parse_pitch_text(form);
    if (!pitch) return std::nullopt;
    const float ratio = pitch->stored_ratio();
    if (!std::isfinite(ratio) || !(ratio > 0.0f)) return std::nullopt;
    return ratio;
}

std::string form_of_pitch(const ScalePitch& pitch) {
    if (const std::optional<ExactRatio> ratio = pitch.exact_ratio())
        return std::to_string(ratio->numerator) + "/" + std::to_string(ratio->denominator);
    return shortest_text(*pitch.given_cents()) + "c";
}

std::optional<std::string> cents_form_of(double cents, int decimals, float ratio) {
    const double scale = std::pow(10.0, decimals);
    const std::string form = shortest_text(std::round(cents * scale) / scale) + "c";
    if (ratio_of_form(form) != ratio) return std::nullopt;
    return form;
}

std::string ratio_display_text(float ratio, std::string_view form) {
    if (ratio_of_form(form) == ratio) return std::string(form);
    if (const std::optional<ExactRatio> exact = exact_ratio_of_stored(ratio))
        return std::to_string(exact->numerator) + "/" + std::to_string(exact->denominator);
    return number_text(ratio);
}

}  // namespace kelvara
