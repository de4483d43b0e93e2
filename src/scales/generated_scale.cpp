#include "scales/generated_scale.h"

#include <algorithm>
#include <cmath>
#include <numeric>
#include <optional>
#include <string>

namespace kelvara {
namespace {

// Sizes of steps closer than this are one size, and notes closer than this one pitch.
constexpr double kSameCents = 1e-6;

struct Note {
    double cents;  // in [0, period)
    ScalePitch pitch;
};

std::optional<int64_t> power(int64_t base, int64_t exponent) {
    int64_t result = 1;
    for (int64_t i = 0; i < exponent; ++i)
        if (__builtin_mul_overflow(result, base, &result)) return std::nullopt;
    return result;
}

std::optional<int64_t> product(std::optional<int64_t> a, std::optional<int64_t> b) {
    int64_t result = 0;
    if (!a || !b || __builtin_mul_overflow(*a, *b, &result)) return std::nullopt;
    return result;
}

// generator^k · period^-j as an exact ratio, when both are exact and it fits 64 bits.
std::optional<ScalePitch> exact_power(const ScalePitch& generator, int64_t k,
                                      const ScalePitch& period, int64_t j) {
    const auto g = generator.exact_ratio(), p = period.exact_ratio();
    if (!g || !p) return std::nullopt;
    const auto part = [](const ExactRatio& r, int64_t e, bool top) {
        return power(top == (e >= 0) ? r.numerator : r.denominator, std::abs(e));
    };
    const auto numerator = product(part(*g, k, true), part(*p, -j, true));
    const auto denominator = product(part(*g, k, false), part(*p, -j, false));
    if (!numerator || !denominator) return std::nullopt;
    const int64_t common = std::gcd(*numerator, *denominator);
    return ScalePitch::from_ratio(*numerator / common, *denominator / common);
}

double cents_of(int64_t numerator, int64_t denominator) {
    return 1200.0 * std::log2(static_cast<double>(numerator) / static_cast<double>(denominator));
}

Result<void> check_period(const ScalePitch& period) {
    if (!(period.cents() > kSameCents) || !std::isfinite(period.cents()))
        return refusal("The period must be above 1/1.");
    return {};
}

// The notes of the chain reduced into the period, ascending, 1/1 first.
std::vector<Note> chain_notes(const RankTwoChain& chain) {
    const double period = chain.period.cents(), generator = chain.generator.cents();
    std::vector<Note> notes;
    for (int64_t k = -chain.generators_down; k < chain.size - chain.generators_down; ++k) {
        const double whole = static_cast<double>(k) * generator;
        const double j = std::floor(whole / period);
        double cents = whole - j * period;
        if (cents >= period - kSameCents) cents = 0.0;
        const auto exact = exact_power(chain.generator, k, chain.period, static_cast<int64_t>(j));
        notes.push_back({cents, exact ? *exact : *ScalePitch::from_cents(cents)});
    }
    std::sort(notes.begin(), notes.end(),
              [](const Note& a, const Note& b) { return a.cents < b.cents; });
    return notes;
}

std::vector<double> degree_cents(const std::vector<Note>& notes, double period) {
    std::vector<double> cents;
    for (size_t i = 1; i < notes.size(); ++i) cents.push_back(notes[i].cents);
    cents.push_back(period);
    return cents;
}

bool has_repeated_pitch(const std::vector<double>& cents) {
    double below = 0.0;
    for (const double c : cents) {
        if (c - below < kSameCents) return true;
        below = c;
    }
    return false;
}

std::vector<double> distinct_step_sizes(const std::vector<double>& cents) {
    std::vector<double> sizes;
    double below = 0.0;
    for (const double c : cents) {
        const double step = c - below;
        below = c;
        if (std::none_of(sizes.begin(), sizes.end(),
                         [&](double s) { return std::fabs(s - step) < kSameCents; }))
            sizes.push_back(step);
    }
    std::sort(sizes.rbegin(), sizes.rend());
    return sizes;
}

// Whether every interval class (the intervals spanning k steps, from every degree) comes in at
// most two sizes: Myhill's property, which two step sizes alone do not show for a generator
// that divides the period rationally (seven fifths of 700 cents have steps of 100 and 200,
// but thirds of 200, 300 and 400).
bool is_moment_of_symmetry(const std::vector<double>& cents) {
    const size_t n = cents.size();
    const double period = cents.back();
    const auto degree = [&](size_t i) { return i == 0 ? 0.0 : cents[i - 1]; };
    for (size_t k = 1; k < n; ++k) {
        std::vector<double> sizes;
        for (size_t i = 0; i < n; ++i) {
            const size_t j = i + k;
            const double size = (j < n ? degree(j) : degree(j - n) + period) - degree(i);
            if (std::none_of(sizes.begin(), sizes.end(),
                             [&](double s) { return std::fabs(s - size) < kSameCents; }))
                sizes.push_back(size);
            if (sizes.size() > 2) return false;
        }
    }
    return true;
}

Result<GeneratedScale> segment(int32_t lowest, int32_t highest, const ScalePitch& period,
                               bool mirrored) {
    if (auto checked = check_period(period); !checked) return checked.error();
    if (lowest < 1 || highest <= lowest || highest > kMaxHarmonic)
        return refusal(
            "A harmonic segment runs from a harmonic of 1 or more up to a higher one, "
            "at most " +
            std::to_string(kMaxHarmonic) + ".");
    std::vector<Note> notes;
    for (int64_t h = lowest; h <= highest; ++h) {
        const int64_t over = mirrored ? highest : h, under = mirrored ? h : lowest;
        const double whole = cents_of(over, under);
        const double j = std::floor(whole / period.cents() + 1e-12);
        const double cents = whole - j * period.cents();
        if (cents < kSameCents || cents > period.cents() - kSameCents) continue;
        if (std::any_of(notes.begin(), notes.end(),
                        [&](const Note& n) { return std::fabs(n.cents - cents) < kSameCents; }))
            continue;
        const auto exact =
            exact_power(*ScalePitch::from_ratio(over, under), 1, period, static_cast<int64_t>(j));
        notes.push_back({cents, exact ? *exact : *ScalePitch::from_cents(cents)});
        if (static_cast<int32_t>(notes.size()) >= kMaxGeneratedScaleSize)
            return refusal("A harmonic segment may hold at most " +
                           std::to_string(kMaxGeneratedScaleSize) + " notes in one period.");
    }
    std::sort(notes.begin(), notes.end(),
              [](const Note& a, const Note& b) { return a.cents < b.cents; });
    GeneratedScale scale;
    std::vector<double> cents;
    for (const Note& n : notes) {
        scale.degrees.push_back(n.pitch);
        cents.push_back(n.cents);
    }
    scale.degrees.push_back(period);
    cents.push_back(period.cents());
    scale.step_pattern = step_pattern(cents);
    return scale;
}

}  // namespace

std::string step_pattern(const std::vector<double>& degree_cents) {
    const std::vector<double> sizes = distinct_step_sizes(degree_cents);
    std::string letters;
    if (sizes.size() == 1)
        letters = "L";
    else if (sizes.size() == 2)
        letters = "Ls";
    else if (sizes.size() == 3)
        letters = "LMs";
    else
        for (size_t i = 0; i < sizes.size() && i < 26; ++i) letters += static_cast<char>('A' + i);
    std::string pattern;
    double below = 0.0;
    for (const double c : degree_cents) {
        const double step = c - below;
        below = c;
        size_t rank = 0;
        while (rank + 1 < sizes.size() && std::fabs(sizes[rank] - step) >= kSameCents) ++rank;
        pattern += letters[std::min(rank, letters.size() - 1)];
    }
    return pattern;
}

Result<GeneratedScale> rank_two_scale(const RankTwoChain& chain) {
    if (auto checked = check_period(chain.period); !checked) return checked.error();
    if (chain.size < 1 || chain.size > kMaxGeneratedScaleSize)
        return refusal("A scale from a generator has 1 to " +
                       std::to_string(kMaxGeneratedScaleSize) + " notes per period.");
    if (chain.generators_down < 0 || chain.generators_down >= chain.size)
        return refusal("The generators down must be 0 to one less than the size.");
    if (!std::isfinite(chain.generator.cents()))
        return refusal("The generator must be a finite interval.");
    const std::vector<Note> notes = chain_notes(chain);
    const std::vector<double> cents = degree_cents(notes, chain.period.cents());
    if (has_repeated_pitch(cents))
        return refusal("This generator repeats a pitch within " + std::to_string(chain.size) +
                       " notes of the period: choose a smaller size.");
    GeneratedScale scale;
    for (size_t i = 1; i < notes.size(); ++i) scale.degrees.push_back(notes[i].pitch);
    scale.degrees.push_back(chain.period);
    scale.step_pattern = step_pattern(cents);
    return scale;
}

std::vector<int32_t> moment_of_symmetry_sizes(const ScalePitch& period, const ScalePitch& generator,
                                              int32_t largest_size) {
    std::vector<int32_t> sizes;
    if (!check_period(period) || !std::isfinite(generator.cents())) return sizes;
    const int32_t last = std::min(largest_size, kMaxMomentOfSymmetrySize);
    for (int32_t n = 2; n <= last; ++n) {
        const std::vector<double> cents =
            degree_cents(chain_notes({period, generator, n, 0}), period.cents());
        if (has_repeated_pitch(cents)) break;
        if (is_moment_of_symmetry(cents)) sizes.push_back(n);
        if (distinct_step_sizes(cents).size() == 1) break;  // an equal division: it closes here
    }
    return sizes;
}

Result<GeneratedScale> harmonic_segment(int32_t lowest, int32_t highest, const ScalePitch& period) {
    return segment(lowest, highest, period, false);
}

Result<GeneratedScale> subharmonic_segment(int32_t lowest, int32_t highest,
                                           const ScalePitch& period) {
    return segment(lowest, highest, period, true);
}

}  // namespace kelvara
