#pragma once
// One pitch of a tuning file: an interval above the unison 1/1, either an exact ratio p/q or
// a size in cents. Tuning files keep the two apart (3/2 is exact, 701.955 is not), so a pitch
// remembers which one it is and gives its value both ways.
//
// The scale table stores 32-bit floats. pitch_of_stored_ratio() turns such a float back into
// the most musical text-exact pitch: 1.5f -> 3/2, 1.0594631f (a tempered semitone) -> cents.
// Pure values and functions; any thread.
#include <cstdint>
#include <optional>
#include <variant>

namespace kelvara {

// A positive fraction numerator/denominator, as written (not reduced).
struct ExactRatio {
    int64_t numerator = 1;
    int64_t denominator = 1;

    friend bool operator==(const ExactRatio&, const ExactRatio&) = default;
};

// The largest denominator pitch_of_stored_ratio() looks for: a stored float is written as a
// fraction only when one with a denominator up to this explains it exactly.
inline constexpr int32_t kMaxExportDenominator = 128;

class ScalePitch {
public:
    // An exact ratio; nothing unless both numerator and denominator are above 0.
    static std::optional<ScalePitch> from_ratio(int64_t numerator, int64_t denominator);
    // A size in cents (1200 to the octave, negative below 1/1); nothing unless finite.
    static std::optional<ScalePitch> from_cents(double cents);

    bool is_exact_ratio() const { return std::holds_alternative<ExactRatio>(value_); }
    // The fraction of an exact pitch; nothing for a pitch given in cents.
    std::optional<ExactRatio> exact_ratio() const;
    // The cents a pitch was given in; nothing for an exact ratio.
    std::optional<double> given_cents() const;

    // The pitch as a frequency ratio in 64 bits: p / q, or 2^(cents / 1200). 3/2 -> 1.5,
    // 1200.0 cents -> 2.0. May be infinite or 0 for a pitch beyond the range of a double.
    double ratio() const;
    // The pitch in cents: 1200 * log2(p / q), or the cents given. 3/2 -> 701.955...
    double cents() const;
    // The nearest 32-bit float of ratio(): the value a scale table stores for this pitch.
    float stored_ratio() const;

    friend bool operator==(const ScalePitch&, const ScalePitch&) = default;

private:
    explicit ScalePitch(std::variant<ExactRatio, double> value) : value_(value) {}
    std::variant<ExactRatio, double> value_;  // the fraction, or the cents
};

// The fraction with the smallest denominator up to `max_denominator` whose nearest float
// (as ScalePitch::stored_ratio() computes it) is `value`, reduced; nothing when none is.
// 1.5f -> 3/2, 1.0666667f -> 16/15, 2.0f -> 2/1, 1.0594631f -> nothing.
std::optional<ExactRatio> exact_ratio_of_stored(float value,
                                                int32_t max_denominator = kMaxExportDenominator);

// The pitch a tuning file writes for a scale table's float: the exact ratio when
// exact_ratio_of_stored() finds one, otherwise the cents rounded to the fewest decimals (at
// least 5) whose stored_ratio() is `value` again. 1.5f -> 3/2, 1.0594631f -> 100.00000 cents
// (as the double nearest that decimal). Nothing for a value that is not a finite ratio above 0.
std::optional<ScalePitch> pitch_of_stored_ratio(float value);

}  // namespace kelvara
