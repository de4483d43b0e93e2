#pragma once
// The just ratio a tuning ratio stands for: the fraction with the smallest denominator within a
// tolerance in cents.
#include <cstdint>
#include <optional>

namespace kelvara {

inline constexpr double kDefaultJustToleranceCents = 10.0;
inline constexpr int32_t kDefaultMaxJustDenominator = 32;
// The largest denominator ever tried, whatever is asked: it bounds the search loop.
inline constexpr int32_t kMaxJustDenominator = 4096;

struct JustRatio {
    int32_t numerator = 1;
    int32_t denominator = 1;  // numerator/denominator in lowest terms
    double cents_off = 0.0;   // 1200·log2(ratio / (numerator/denominator)): > 0 when above
};

// 1200·log2(ratio).
double ratio_to_cents(double ratio);

// The fraction p/q with the smallest q <= max_denominator whose distance to `ratio` is at
// most `tolerance_cents` (inclusive); of two such fractions with that q, the nearer in cents
// (the smaller numerator if they are equally near). Nothing when no fraction is that near, or
// for a ratio that is not finite and positive, a tolerance that is negative or NaN, a
// max_denominator below 1, or a numerator that would not fit 32 bits. A max_denominator above
// kMaxJustDenominator is taken as kMaxJustDenominator.
std::optional<JustRatio> nearest_just_ratio(double ratio,
                                            double tolerance_cents = kDefaultJustToleranceCents,
                                            int32_t max_denominator = kDefaultMaxJustDenominator);

}  // namespace kelvara
