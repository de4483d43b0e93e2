#pragma once
// The one rule by which Kelvara names a tuning ratio as a just ratio (the minima, their table
// and command-line output, the graph's readout, the scale's errors against just): among the
// fractions within a tolerance in cents, the one of least complexity, except that a fraction
// within kExactJustMatchCents of the ratio always wins. The fractions are searched in the
// Stern–Brocot tree, so no list of ratios limits what can be named.
//
//   name_just_ratio(1.0416666666666667)      -> 25/24, 0 cents (22/21 is simpler but inexact)
//   name_just_ratio(std::exp2(4.0 / 12))     -> 19/15, -9.244 cents
//   name_just_ratio(1.4, {.odd_limit = 7})   -> 7/5
#include <cstdint>
#include <optional>
#include <vector>

namespace kelvara {

inline constexpr double kDefaultJustToleranceCents = 10.0;
inline constexpr int32_t kDefaultMaxJustDenominator = 32;
// The largest denominator ever tried, whatever is asked: it bounds the search.
inline constexpr int32_t kMaxJustDenominator = 4096;
// The naming of a scale's steps: the same rule with denominators up to 128, so that a
// scale's own fractions (81/64, 243/128) name themselves exactly.
inline constexpr int32_t kScaleStepMaxJustDenominator = 128;
// A fraction this near is the ratio itself, whatever simpler fraction lies within the
// tolerance: a cusp at exactly 25/24 is 25/24, not 22/21 at 9.9 cents.
inline constexpr double kExactJustMatchCents = 0.01;
// The largest odd limit a naming may ask for.
inline constexpr int32_t kMaxJustOddLimit = 999;

struct JustRatio {
    int32_t numerator = 1;
    int32_t denominator = 1;  // numerator/denominator in lowest terms
    double cents_off = 0.0;   // 1200·log2(ratio / (numerator/denominator)): > 0 when above
    friend bool operator==(const JustRatio&, const JustRatio&) = default;
};

struct JustNaming {
    double tolerance_cents = kDefaultJustToleranceCents;   // inclusive
    int32_t max_denominator = kDefaultMaxJustDenominator;  // no fraction beyond it is a name
    // 0: complexity is Tenney height (numerator × denominator). Otherwise only fractions whose
    // odd parts are both at most this limit are names, the one of smallest odd limit first,
    // then of smallest Tenney height.
    int32_t odd_limit = 0;
    friend bool operator==(const JustNaming&, const JustNaming&) = default;
};

// A fraction in lowest terms, such as 3/2.
struct JustFraction {
    int32_t numerator = 1;
    int32_t denominator = 1;
    double value() const { return static_cast<double>(numerator) / denominator; }
    int64_t tenney_height() const { return int64_t{numerator} * denominator; }
    friend bool operator==(const JustFraction&, const JustFraction&) = default;
};

// 1200·log2(ratio).
double ratio_to_cents(double ratio);

// The largest odd factor of numerator or denominator: 15/8 -> 15, 7/6 -> 7, 2/1 -> 1.
int64_t odd_limit_of(int64_t numerator, int64_t denominator);

// The name of `ratio` by the rule above; of two names of equal complexity, the nearer.
// Nothing when no fraction qualifies, or for a ratio that is not finite and positive, a
// tolerance that is negative or NaN, a max_denominator below 1, a negative odd limit, or a
// numerator that would not fit 32 bits. A max_denominator above kMaxJustDenominator is taken
// as kMaxJustDenominator, an odd limit above kMaxJustOddLimit as kMaxJustOddLimit.
std::optional<JustRatio> name_just_ratio(double ratio, const JustNaming& naming = {});

// The order of complexity the rule names by: with an odd limit (> 0) the smaller odd limit
// first, then the smaller Tenney height. True when `a` is simpler than `b`.
bool simpler_just_fraction(JustFraction a, JustFraction b, int32_t odd_limit = 0);

// Every fraction in [low, high] of Tenney height at most `max_height` that the naming may
// name by (its largest denominator and odd limit; its tolerance plays no part), in order of
// value, from the same Stern–Brocot tree: the fractions the graph marks and the generator's
// just scale. Empty for bounds that are not finite, a range below 0 or reversed.
//
//   just_fractions_between(1.0, 2.0, 30)  -> 1/1, 6/5, 5/4, 4/3, 3/2, 5/3, 7/4, 2/1
std::vector<JustFraction> just_fractions_between(double low, double high, int64_t max_height,
                                                 const JustNaming& naming = {});

}  // namespace kelvara
