#pragma once
// A chord as one line of text and back, for the chord column of the chord table, the
// command line and anything else that writes chords. Two forms:
//
// - a frequency list: parsing takes any of the eight separators ",|:;/\-_", a space or a tab
//   between numbers (220 275 330, 220 / 275 / 330, 220;275_330);
// - the root form, for intervals over a root: a root frequency, "@", then each tone as an
//   interval over the root, separated by blanks or commas: a decimal (1.25), a fraction (5/4)
//   or cents with a trailing c (386.3c). "220 @ 1 5/4 3/2" and "220 @ 0c 386.3c 702c" are
//   the tones 220, 275 and 330 Hz (near them for cents). The root sounds only when listed
//   (1 or 0c). The "@" keeps the two apart: in a frequency list "/" separates tones, so
//   "220 5/4 3/2" would be the tones 220, 5, 4, 3 and 2 Hz, which is refused (below 20 Hz).
//
// Neither depends on the process locale; both are safe on any thread.
#include <string>
#include <string_view>

#include "base/error.h"
#include "scales/chord.h"

namespace kelvara {

// The separators besides space and tab. The hyphen is one of them, so a frequency can never
// be written negative.
inline constexpr std::string_view kChordSeparators = ",|:;/\\-_";
// The separators as a message lists them.
inline constexpr std::string_view kChordSeparatorsText = ", | : ; / \\ - _ space or tab";

// Tones below this are refused in a frequency list: there they are intervals typed without
// a root. The root form reaches the whole chord-tone range (1-20000 Hz).
inline constexpr float kLowestListedToneHz = 20.0f;

// The chord's numbers, each as number_text() writes it (the shortest text that reads back),
// joined by ",". The empty chord gives the empty string. 220, 275, 330 -> "220,275,330";
// 110 * 16/15 -> "117.333336". A chord with a tone below kLowestListedToneHz is written in
// the root form over a root of 1 Hz, each tone its own interval ({10, 220} ->
// "1 @ 10,220"), so that every chord within the bounds reads back as written.
std::string chord_text(const Chord& chord);

// The chord `text` writes: numbers, each within the chord-tone bounds (base/value_limits.h),
// separated by blanks (spaces, tabs) with at most one of kChordSeparators among them; blanks
// and one separator may also end the text. Anything else is refused as a whole, with an
// Error whose description is the message a person reads: what was wrong, where (counting
// characters from 1) and the accepted separators, e.g. "‘hz’ at position 4: expected a
// number; separate tones with , | : ; / \ - _ space or tab". where.offset holds the byte.
// Refused: empty text or blanks only, text that is not a number, two separators in a row
// or a leading one, a tone outside 1-20000 Hz, a listed tone below 20 Hz (the message shows
// the root form). The root form is refused likewise: a root that is not a frequency, no
// interval, an interval that is not a ratio or cents, or a tone outside the bounds.
Result<TypedChord> parse_typed_chord(std::string_view text);
// The tones of parse_typed_chord.
Result<Chord> parse_chord(std::string_view text);

// Whether `text` is written in the root form (holds an "@").
bool is_root_form(std::string_view text);

}  // namespace kelvara
