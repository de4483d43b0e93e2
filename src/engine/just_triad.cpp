#include "engine/just_triad.h"

#include <cmath>
#include <numeric>

#include "engine/just_ratio.h"

namespace kelvara {
namespace {

struct Candidate {
    JustTriad triad;
    double height = 0.0;    // low·middle·high
    double distance = 0.0;  // the larger of the two distances in cents
};

// The chord with `low` nearest to 1:r:s, or nothing when a tone would not fit 32 bits.
std::optional<Candidate> candidate(int32_t low, double r, double s) {
    const double middle = std::round(low * r), high = std::round(low * s);
    if (middle < 1.0 || high < 1.0 || middle > 1e9 || high > 1e9) return std::nullopt;
    JustTriad t{low, static_cast<int32_t>(middle), static_cast<int32_t>(high), 0.0, 0.0};
    t.middle_cents_off = ratio_to_cents(r * low / middle);
    t.high_cents_off = ratio_to_cents(s * low / high);
    return Candidate{t, double(t.low) * t.middle * t.high,
                     std::max(std::fabs(t.middle_cents_off), std::fabs(t.high_cents_off))};
}

bool in_lowest_terms(const JustTriad& t) {
    return std::gcd(std::gcd(t.low, t.middle), t.high) == 1;
}

bool exact(const JustTriad& t, double r, double s) {
    return std::fabs(double(t.middle) / t.low - r) <= kExactTriadTolerance * r &&
           std::fabs(double(t.high) / t.low - s) <= kExactTriadTolerance * s;
}

}  // namespace

std::optional<JustTriad> nearest_just_triad(double r, double s, double tolerance_cents) {
    if (!std::isfinite(r) || !std::isfinite(s) || r <= 0.0 || s <= 0.0 || !(tolerance_cents >= 0.0))
        return std::nullopt;
    std::optional<Candidate> best;
    for (int32_t low = 1; low <= kMaxTriadLow; ++low) {
        const std::optional<Candidate> c = candidate(low, r, s);
        if (!c || !in_lowest_terms(c->triad)) continue;
        if (exact(c->triad, r, s)) return c->triad;  // the smallest exact chord
        if (c->distance > tolerance_cents) continue;
        if (!best || c->height < best->height ||
            (c->height == best->height && c->distance < best->distance))
            best = c;
    }
    if (!best) return std::nullopt;
    return best->triad;
}

std::string triad_text(const JustTriad& triad) {
    return std::to_string(triad.low) + ":" + std::to_string(triad.middle) + ":" +
           std::to_string(triad.high);
}

}  // namespace kelvara
