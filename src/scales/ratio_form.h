#pragma once
// The form a scale ratio was given in, kept beside the 32-bit float the table stores: a
// fraction ("16/15") or a size in cents ("63.15789c"), as typed into a cell, read from a
// scale file or generated. A decimal keeps no form: its float's shortest text says it.
//
// A form belongs to its float only while it names that float (ratio_of_form), so a form
// whose ratio was changed under it is dropped rather than shown wrongly. Pure functions; any
// thread.
#include <optional>
#include <string>
#include <string_view>

#include "scales/scale_pitch.h"

namespace kelvara {

// The float a form names: a fraction divided, or cents converted, in 64 bits and then
// rounded once (ScalePitch::stored_ratio). Nothing for a decimal, text that is no fraction or
// cents, or a ratio that is not finite and above 0 as a float.
std::optional<float> ratio_of_form(std::string_view form);

// The form of a pitch: "p/q" for an exact ratio, the shortest text of its cents and a "c"
// otherwise (63.15789 cents -> "63.15789c").
std::string form_of_pitch(const ScalePitch& pitch);

// The form of `cents` written with at most `decimals` decimals, no trailing zeros, when it
// names `ratio`; nothing otherwise (an equal step the generator rounded differently).
std::optional<std::string> cents_form_of(double cents, int decimals, float ratio);

// What a Ratio cell shows: the form when it names `ratio`; otherwise p/q when the float is
// the nearest float to a fraction of denominator up to kMaxExportDenominator (the export's
// own bound, so the table shows what a scale file would write: with about 5000 such
// fractions between 1 and 2 among 8 million floats, a tempered value is taken for one about
// once in 1600); otherwise the float's shortest text (number_text).
std::string ratio_display_text(float ratio, std::string_view form);

}  // namespace kelvara
