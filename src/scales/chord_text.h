#pragma once
// A chord as one line of text and back, for the chord column of the chord table, the
// command line and anything else that writes chords. Formatting joins the frequencies with
// "," (220,275,330); parsing accepts any of the eight separators ",|:;/\-_" between numbers
// (220 / 275 / 330, 220;275_330). Neither depends on the process locale; both are safe on
// any thread.
#include <string>
#include <string_view>

#include "base/error.h"
#include "scales/chord.h"

namespace kelvara {

// The separators that end a number. The hyphen is one of them, so a frequency can never be
// written negative.
inline constexpr std::string_view kChordSeparators = ",|:;/\\-_";

// The chord's numbers, each as number_text() writes it, joined by ",". The empty chord gives
// the empty string. 220, 275, 330 -> "220,275,330"; 110 * 16/15 -> "117.3333". A tone below
// 0.0001 Hz is written in exponent form ("1e-05"), whose hyphen the parser takes for a
// separator: such text reads back as two tones (1 and 5). No audible chord holds such a
// tone; every tone from 0.0001 up reads back as written.
std::string chord_text(const Chord& chord);

// The chord `text` writes. Refused text gives an Error whose description is the text
// "Incorrectly formated string" (localized_string) and whose detail names the field.
//
// Each field (the text up to the next separator, after leading white space) is read as the
// longest leading decimal number; the rest of the field is ignored (1.5abc -> 1.5).
// Refused, which ends the parse without keeping earlier fields:
//  - a field that reads as 0 unless it is exactly "0" (so 0.0, 00, abc and "0 " fail);
//  - an empty field: a leading separator or two separators together (220,,330);
//  - a number beyond the 32-bit float range (it would be an infinite frequency).
// The empty text and text of blanks give the empty chord; one trailing separator is
// accepted (220,330, -> 220, 330).
Result<Chord> parse_chord(std::string_view text);

}  // namespace kelvara
