#include "scales/scale_generator.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace kelvara {
namespace {

struct Fraction {
    int numerator;
    int denominator;
};

// The first octave of the just list; the second is each of these doubled, closed by 4.
constexpr std::array<Fraction, 14> kJustOctave{{{1, 1},
                                                {16, 15},
                                                {9, 8},
                                                {6, 5},
                                                {5, 4},
                                                {4, 3},
                                                {7, 5},
                                                {3, 2},
                                                {8, 5},
                                                {5, 3},
                                                {7, 4},
                                                {16, 9},
                                                {9, 5},
                                                {15, 8}}};

float narrowed(double value) {
    return static_cast<float>(value);
}

std::vector<float> just_ratios() {
    std::vector<float> values;
    values.reserve(2 * kJustOctave.size() + 1);
    for (int octave : {1, 2})
        for (const Fraction f : kJustOctave)
            values.push_back(narrowed(static_cast<double>(octave * f.numerator) / f.denominator));
    values.push_back(4.0f);
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
