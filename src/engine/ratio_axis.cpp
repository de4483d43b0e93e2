#include "engine/ratio_axis.h"

#include <cmath>

#include "engine/just_ratio.h"

namespace kelvara {

double axis_value(RatioAxis axis, double ratio) {
    return axis == RatioAxis::Cents ? ratio_to_cents(ratio) : ratio;
}

double ratio_at(RatioAxis axis, double value) {
    return axis == RatioAxis::Cents ? std::exp2(value / 1200.0) : value;
}

AxisSpan zoom_about(AxisSpan span, double at, double factor) {
    return {at - (at - span.min) * factor, at + (span.max - at) * factor};
}

AxisSpan pan_by(AxisSpan span, double delta) {
    return {span.min + delta, span.max + delta};
}

AxisSpan keep_within(AxisSpan range, double lowest, double highest) {
    if (range.max - range.min >= highest - lowest) return {lowest, highest};
    if (range.min < lowest) return {lowest, range.max + (lowest - range.min)};
    if (range.max > highest) return {range.min - (range.max - highest), highest};
    return range;
}

}  // namespace kelvara
