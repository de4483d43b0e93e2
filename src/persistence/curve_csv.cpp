#include "persistence/curve_csv.h"

#include <array>
#include <charconv>

#include "engine/just_ratio.h"

namespace kelvara {
namespace {

template <typename T>
void append_number(std::string& text, T value) {
    std::array<char, 48> digits{};
    const auto [end, error] = std::to_chars(digits.data(), digits.data() + digits.size(), value);
    text.append(digits.data(), error == std::errc() ? end : digits.data());
}

}  // namespace

std::string encode_curve_csv(const float* ratios, const float* dissonances, int32_t count) {
    std::string text = "ratio,cents,dissonance\n";
    if (ratios == nullptr || dissonances == nullptr) return text;
    for (int32_t i = 0; i < count; ++i) {
        append_number(text, ratios[i]);
        text += ',';
        append_number(text, static_cast<float>(ratio_to_cents(ratios[i])));
        text += ',';
        append_number(text, dissonances[i]);
        text += '\n';
    }
    return text;
}

}  // namespace kelvara
