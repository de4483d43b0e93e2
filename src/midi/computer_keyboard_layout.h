#pragma once
// The computer keyboard as a piano keyboard, in the layout of trackers: the bottom letter row
// plays the lower octave from Z (Z X C V B N M are the white keys C to B, S D G H J the black
// ones above them, then , L . ; / go on into the next octave), the top letter row the octave
// above from Q (Q W E R T Y U I O P white, 2 3 5 6 7 9 0 black, then [ = ]). Keys are named
// by the character they type unshifted on a US layout, upper case for letters (which is also
// the key code the window's toolkit reports).
#include <optional>

namespace kelvara::midi {

// The MIDI key that Z plays; Q plays the key an octave above it. Middle C, where the chord
// map's first rows are.
inline constexpr int kComputerKeyboardLowestKey = 60;

// The MIDI key `character` plays (letters in either case); nothing for a character that is
// not one of the two rows.
std::optional<int> computer_keyboard_key(int character,
                                         int lowest_key = kComputerKeyboardLowestKey);

}  // namespace kelvara::midi
