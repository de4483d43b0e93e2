#pragma once
// The one rule of validity for each value a person can type, generate, pass on the command
// line or read from a file. Every way in checks here: the window's fields and table cells,
// the presets and the generator, kelvara-cli and the document file reader. An editor refuses
// a value outside its bounds with value_refusal()'s message; the file reader refuses what
// nothing sensible can stand in for (a value that is not finite, a ratio, frequency or step
// of 0 or below) and clamps any other value into its bounds.
//
// Plain values and pure functions: safe on any thread.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kelvara {

// The values with bounds of their own.
enum class BoundedValue {
    ScaleRatio,        // a ratio of the scale table
    FixedToneRatio,    // a ratio of the fixed-tone table
    RangeRatio,        // an end of the plotted x range
    BaseFrequencyHz,   // the frequency a ratio of 1 sounds at
    ChordToneHz,       // one frequency of a chord
    MidiKey,           // a MIDI key number of the chord map
    Overtones,         // partials per tone
    PartialAmplitude,  // the loudness of one partial of a timbre
    PartialRatio,      // one partial's frequency over its tone's fundamental
};

struct ValueBounds {
    double min;
    double max;
};

// Every ratio (scale, fixed tones, x range): three decades either side of unison, far
// beyond any interval a person hears as one, well inside a float's exact range.
inline constexpr ValueBounds kRatioBounds{1e-3, 1e3};
// The audible range.
inline constexpr ValueBounds kBaseFrequencyBoundsHz{20.0, 20000.0};
// A chord may reach below hearing (a tone felt, or played an octave up by a bank).
inline constexpr ValueBounds kChordToneBoundsHz{1.0, 20000.0};
inline constexpr ValueBounds kMidiKeyBounds{0.0, 127.0};
inline constexpr ValueBounds kOvertoneBounds{1.0, 128.0};
inline constexpr ValueBounds kPartialAmplitudeBounds{0.0, 1e3};
// A partial of a timbre of one's own: the bounds of every other ratio. Below 1 for partials
// under the one taken as fundamental (a bell's hum); above, 1000 times a 20 Hz fundamental is
// the top of hearing, and the exact curve's bounds stay far away.
inline constexpr ValueBounds kPartialRatioBounds = kRatioBounds;

// The most tones one chord holds: ten fingers many times over, and with the several voices a
// bank gives each tone still within what the synthesizer sounds at once (1024 voices). A
// larger chord is refused where it is typed or passed; a file written before this bound keeps
// the first 128 tones of each chord, and says so.
inline constexpr size_t kMaxChordTones = 128;
// So a document's chord map (one chord on each MIDI key 0-127) holds at most 16 384 tones.
inline constexpr size_t kMaxChordMapTones = kMaxChordTones * 128;

// "A chord holds at most 128 tones, not 130."
std::string chord_size_refusal(size_t tones);

ValueBounds bounds_of(BoundedValue value);

// Whether `number` lies within the value's bounds (ends included); false for NaN.
bool is_within_bounds(BoundedValue value, double number);

// The nearest value within the bounds; NaN stays NaN (the caller refuses it first).
double clamped_into_bounds(BoundedValue value, double number);

// The sentence an editor shows when it refuses a value outside the bounds, e.g.
// "Overtones must be 1–128." or "A scale ratio must be 0.001–1000."; nothing when the
// value is within them.
std::optional<std::string> value_refusal(BoundedValue value, double number);

// What the value is called in a message: "scale ratio", "base frequency", ...
std::string_view value_name(BoundedValue value);

// The bounds as a message writes them: "0.001–1000", "20–20000 Hz".
std::string bounds_text(BoundedValue value);

}  // namespace kelvara
