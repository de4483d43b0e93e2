#pragma once
// A ratio as a person types it into a scale or fixed-tone cell: a decimal (1.25), a
// fraction (5/4) or a size in cents with a trailing c (386.31c). Independent of the process
// locale; safe on any thread. Whether the ratio is within bounds is the document's rule
// (base/value_limits.h), not the reader's.
#include <string>
#include <string_view>

#include "base/error.h"
#include "scales/scale_pitch.h"

namespace kelvara {

// The ratio `text` writes, as a 32-bit float: a fraction is divided in 64 bits, a size in
// cents converted by ratio_of_cents (a form a cell keeps converts in 64 bits, rounded once:
// scales/ratio_form.h). Blanks around
// the text and around the slash are allowed. A refusal's description is the message a cell
// shows ("‘4/0’: the denominator is 0.").
Result<float> parse_ratio_text(std::string_view text);

// An interval typed for a generator or period, kept exact where it is written exactly: a
// fraction (3/2) or a whole number (3) as an exact ratio, cents (696.578c) as cents, a
// decimal ratio (1.5) as its cents. Refused as parse_ratio_text refuses, and for an interval
// that is not above 0.
Result<ScalePitch> parse_pitch_text(std::string_view text);

// The forms the message of a refused ratio lists.
inline constexpr std::string_view kRatioForms =
    "write a decimal (1.25), a fraction (5/4) or cents (386.31c)";

}  // namespace kelvara
