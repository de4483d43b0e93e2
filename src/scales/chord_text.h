#pragma once
// A chord as one line of text and back, for the chord column of the chord table, the
// command line and anything else that writes chords. Formatting joins the frequencies with
// "," (220,275,330); parsing takes any of the eight separators ",|:;/\-_", a space or a tab
// between numbers (220 275 330, 220 / 275 / 330, 220;275_330). Neither depends on the
// process locale; both are safe on any thread.
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

// The chord's numbers, each as number_text() writes it (the shortest text that reads back),
// joined by ",". The empty chord gives the empty string. 220, 275, 330 -> "220,275,330";
// 110 * 16/15 -> "117.333336". Every chord tone within the bounds (1 to 20000 Hz) reads back
// as written.
std::string chord_text(const Chord& chord);

// The chord `text` writes: numbers, each within the chord-tone bounds (base/value_limits.h),
// separated by blanks (spaces, tabs) with at most one of kChordSeparators among them; blanks
// and one separator may also end the text. Anything else is refused as a whole, with an
// Error whose description is the message a person reads: what was wrong, where (counting
// characters from 1) and the accepted separators, e.g. "‘hz’ at position 4: expected a
// number; separate tones with , | : ; / \ - _ space or tab". where.offset holds the byte.
// Refused: empty text or blanks only, text that is not a number, two separators in a row
// or a leading one, a tone outside 1-20000 Hz.
Result<Chord> parse_chord(std::string_view text);

}  // namespace kelvara
