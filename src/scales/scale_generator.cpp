#include "scales/scale_generator.h"

#include <algorithm>
#include <cmath>

#include "engine/just_ratio.h"

namespace kelvara {
namespace {

// The just scale: every fraction from 1 to 4 whose odd parts are at most 9, from the tree
// the naming of ratios searches (engine/just_ratio.h). No fraction of it is more complex
// than 32/9.
constexpr JustNaming kJustScaleLimit{.odd_limit = 9};
constexpr int64_t kJustScaleMaxHeight = 4 * 9 * 9;

float narrowed(double value) {
    return static_cast<float>(value);
}

std::vector<float> just_ratios() {
    std::vector<float> values;
    for (const JustFraction f :
         just_fractions_between(1.0, 4.0, kJustScaleMaxHeight, kJustScaleLimit))
        values.push_back(narrowed(f.value()));
    return values;
}

// base * k * first_scale for k in first_k..last_k, then base * k * second_scale for k in
// second_k..last_k: two octaves of harmonics. The product base * k is formed first.
std::vector<float> harmonic_ratios(double base, int first_k, double first_scale, int second_k,
                                   double second_scale, int last_k) {
    std::vector<float> values;
    for (int k = first_k; k <= last_k; ++k) values.push_back(narrowed(base * k * first_scale));
    for (int k = second_k; k <= last_k; ++k) values.push_back(narrowed(base * k * second_scale));
    return values;
}

std::optional<std::vector<float>> equal_division(int32_t tet, double base) {
    std::vector<float> values;
    if (!(base >= kMinEqualDivisionBase)) return values;  // also a NaN base
    const double step = 1.0 / tet;
    for (int32_t i = 0;; ++i) {
        if (i == kMaxGeneratedRatios) return std::nullopt;
        const double value = std::pow(base, i * step);
        values.push_back(narrowed(value));
        if (value >= 4.0) return values;
    }
}

}  // namespace

std::optional<std::vector<float>> generate_scale_values(int32_t tet, double base) {
    switch (tet) {
        case kJustRatiosTet: return just_ratios();
        case kSixteenStepHarmonicTet: return harmonic_ratios(base, 16, 0.0625, 17, 0.125, 32);
        case kEightStepHarmonicTet: return harmonic_ratios(base, 8, 0.125, 9, 0.25, 16);
        default: return equal_division(tet, base);
    }
}

bool insert_generated_ratios(std::vector<float>& list, int32_t tet, double base,
                             int32_t start_index) {
    const std::optional<std::vector<float>> values = generate_scale_values(tet, base);
    if (!values) return false;
    const auto start =
        static_cast<size_t>(std::clamp<int64_t>(start_index, 0, static_cast<int64_t>(list.size())));
    list.insert(list.begin() + static_cast<std::ptrdiff_t>(start), values->begin(), values->end());
    return true;
}

}  // namespace kelvara
