#include "scales/ratio_list.h"

#include <algorithm>
#include <cmath>

namespace kelvara {

void sort_ratios(std::vector<float>& ratios) {
    std::stable_sort(ratios.begin(), ratios.end(), [](float a, float b) {
        if (std::isnan(a)) return false;
        return std::isnan(b) || a < b;
    });
}

bool is_usable_fixed_tone_ratio(float ratio) {
    return std::isfinite(ratio) && ratio > 0.0f;
}

// The single-precision functions named explicitly: both directions run in 32 bits.
float cents_of_ratio(float ratio) {
    return log2f(ratio) * 1200.0f;
}

float ratio_of_cents(float cents) {
    return powf(2.0f, cents / 1200.0f);
}

}  // namespace kelvara
