#pragma once
// Scale files (.scl), the tuning format musicians' tools share:
//
//     ! comment lines start with '!' and may stand anywhere
//     A description: free text on one line, possibly empty
//      12
//     !
//      100.0          <- cents when the pitch has a point
//      9/8            <- a ratio otherwise; a bare integer n is n/1
//      ...
//      2/1            <- the last pitch is the period
//
// The unison 1/1 is not listed; the count says how many pitches follow. The reader takes
// files as they are found: blanks before a pitch, text after it, CRLF or CR line ends, a
// UTF-8 byte order mark, negative cents, blank lines. It refuses anything else with the line
// and the reason, and its work is bounded by the file size (at most 1 MiB) whatever the
// bytes. Pure functions; any thread.
#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "base/error.h"
#include "scales/periodic_scale.h"
#include "scales/scale_pitch.h"

namespace kelvara {

// The most pitches a scale file may list: as many as the scale table can hold.
inline constexpr int32_t kMaxScalaPitches = kMaxExpandedRatios;
// The largest pitch in cents either way: 1000 octaves, beyond any real scale and still
// within the range of a ratio in a double.
inline constexpr double kMaxScalaCents = 1'200'000.0;

struct ScalaScale {
    std::string description;  // one line of text
    // Degrees 1..N as listed, the last the period.
    std::vector<ScalePitch> pitches;

    friend bool operator==(const ScalaScale&, const ScalaScale&) = default;
};

// The text of a scale file: a comment line, the description (line breaks in it become
// spaces, and a leading '!' or blank is dropped, which would make it a comment), the count,
// and one pitch a line with a leading space: ratios as "p/q", cents with the fewest decimals
// (at least 5) that name the same double. Lines end with "\n".
std::string write_scala_scale(const ScalaScale& scale);

// Reads a scale file. Refused (an Error whose detail says what is wrong and whose where.line
// names the line, none for the file as a whole): a file over 1 MiB; no
// description or count line; a count that is not a whole number from 1 to kMaxScalaPitches;
// a pitch that is not a ratio, an integer or cents; a ratio with a zero or negative part or
// a number of more than 18 digits; cents beyond kMaxScalaCents; a pitch whose ratio rounds
// to 0 or infinity as a float; a period (the last pitch) not above 1/1; fewer or more pitches
// than the count.
Result<ScalaScale> read_scala_scale(std::string_view bytes);
// Reads the scale file at `path`: the operating system's error when it cannot be read,
// otherwise as read_scala_scale() does, each refusal naming the file.
Result<ScalaScale> read_scala_scale_file(const std::filesystem::path& path);

// The scale file for one period of a scale table (as one_period_of_table() gives it): each
// step and then the period written as `given` holds it (the form it was given in), else as
// pitch_of_stored_ratio() finds it, so reading the file back gives the same floats. Nothing
// when a value is not a finite ratio above 0 or the period is not above 1.
std::optional<ScalaScale> scala_scale_of_table(std::string description,
                                               std::span<const float> steps, float period,
                                               const std::map<float, ScalePitch>& given = {});

// The scale a file describes, for the keyboard and for laying out by periods. Every scale
// read_scala_scale() accepts converts.
std::optional<PeriodicScale> periodic_scale_of(const ScalaScale& scale);

}  // namespace kelvara
