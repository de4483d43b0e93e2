#pragma once
// The sampled curve as CSV text for a spreadsheet or a plotting program: a header line
// "ratio,cents,dissonance", then one line per sample, numbers in the C locale with as many
// digits as read back to the same 32-bit float.
#include <cstdint>
#include <string>

namespace kelvara {

// `count` samples of the two arrays (none for a count below 1 or a null array). A sample
// that is not a finite number is written as "nan" or "inf", as spreadsheets read them.
std::string encode_curve_csv(const float* ratios, const float* dissonances, int32_t count);

}  // namespace kelvara
