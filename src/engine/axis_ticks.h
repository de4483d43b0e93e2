#pragma once
// The ticks of a graph axis: round values 1, 2 or 5 times a power of ten apart, and their
// labels. The window's graph, its exports and `kelvara-cli plot` all label their axes with
// these, so a figure reads the same wherever it was drawn.
#include <string>
#include <vector>

namespace kelvara {

struct AxisTicks {
    double step = 0.0;           // the distance between two ticks: 1, 2 or 5 times 10^k
    int decimals = 0;            // digits after the point that show every tick exactly
    std::vector<double> values;  // ascending, every one within [min, max]
};

// The most ticks any axis gets, whatever is asked: it bounds the work and the labels.
inline constexpr int kMaxAxisTicks = 50;

// The ticks within [min, max] at the smallest round step that gives at most `max_count`
// of them (at least 2 are asked for; more than kMaxAxisTicks are not). A tick is an exact
// multiple of the step (no 0.30000000000000004). Nothing for a range that is empty,
// reversed or not finite, or a max_count below 1.
AxisTicks nice_ticks(double min, double max, int max_count);

// The tick's text with `decimals` digits after the point, in the C locale whatever the
// user's ("0.05", "1200"); a value that rounds to zero has no minus sign ("0.00").
std::string tick_label(double value, int decimals);

}  // namespace kelvara
