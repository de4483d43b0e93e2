#pragma once
// The just triad a point of the triad surface stands for: three tones at 1, r and s named as
// an integer chord low:middle:high (4:5:6 for r = 5/4, s = 3/2).
//
// One rule names every triad: the smallest chord that meets r and s exactly (within 1e-9 of
// each ratio) wins; otherwise, of the chords whose two ratios both lie within the tolerance
// in cents, the simplest: the least Tenney height (the product low·middle·high), the nearer
// in cents on a tie. Plain values and a pure function: safe on any thread.
#include <cstdint>
#include <optional>
#include <string>

namespace kelvara {

inline constexpr double kDefaultTriadToleranceCents = 10.0;
// The largest low tone tried: it bounds the search loop and keeps every chord in 32 bits.
inline constexpr int32_t kMaxTriadLow = 64;
// Two ratios within this relative distance are taken as equal.
inline constexpr double kExactTriadTolerance = 1e-9;

struct JustTriad {
    int32_t low = 1;  // low:middle:high in lowest terms
    int32_t middle = 1;
    int32_t high = 1;
    double middle_cents_off = 0.0;  // 1200·log2(r / (middle/low)): > 0 when r is above
    double high_cents_off = 0.0;    // 1200·log2(s / (high/low))
    friend bool operator==(const JustTriad&, const JustTriad&) = default;
};

// The triad 1:r:s stands for, by the rule above, with low from 1 to kMaxTriadLow. Nothing
// when no chord is that near, or for ratios that are not finite and positive or a tolerance
// that is negative or NaN.
std::optional<JustTriad> nearest_just_triad(double r, double s,
                                            double tolerance_cents = kDefaultTriadToleranceCents);

// "4:5:6".
std::string triad_text(const JustTriad& triad);

}  // namespace kelvara
