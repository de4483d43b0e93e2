#pragma once
// Helpers for the two ratio lists of a document (ratios as 32-bit floats): the order the
// scale table shows, and the conversion between a ratio and its size in cents.
#include <vector>

namespace kelvara {

// Sorts ascending by numeric value. A ratio that is not a number (a scale ratio is never
// range-checked) sorts after every other one, so the order is always a strict weak order.
void sort_ratios(std::vector<float>& ratios);

// Whether a ratio can stand for a fixed tone: a finite ratio above 0. Anything else would
// give the curve a tone of no or undefined frequency.
bool is_usable_fixed_tone_ratio(float ratio);

// The size of a ratio in cents: log2(ratio) * 1200, both steps in 32-bit arithmetic.
// 1.5 -> 701.95496, 1.25 -> 386.31369; 0 gives minus infinity, a negative ratio NaN.
float cents_of_ratio(float ratio);

// The ratio of a size in cents: 2 raised to (cents / 1200), both steps in 32-bit
// arithmetic. 700 -> 1.4983071.
float ratio_of_cents(float cents);

}  // namespace kelvara
