#pragma once
// What the packet handler plays on: the document's synthesizer wrapper, seen from the MIDI
// receive thread. An adapter over the real synthesizer implements it; tests record calls.
//
// Threads: called on the MIDI receive thread (and, for set_midi_parameter, also on the
// user-interface thread by the volume control); implementations must accept that. A call may
// wait (the synthesizer's channel queue is full) but never drops what it was given.
#include <cstdint>
#include <vector>

namespace kelvara::midi {

// Frequencies in hertz, in the order the chord was entered.
using Chord = std::vector<float>;
// One identifier per started tone, in chord order; stopping them stops exactly those tones.
using NoteInstances = std::vector<int32_t>;

class NotePlayer {
public:
    virtual ~NotePlayer() = default;
    // Starts every tone of `chord` at `velocity` (1.0 to 127.0 for a well-formed note-on).
    // An empty chord starts nothing and returns an empty list.
    virtual NoteInstances notes_on(const Chord& chord, float velocity) = 0;
    // Stops the tones started under these identifiers. Stopping one twice does no harm.
    virtual void notes_off(const NoteInstances& notes) = 0;
    // A control change on the synthesizer's own channel; values above 127 become 127.
    virtual void set_midi_parameter(uint32_t controller, uint32_t value) = 0;
    // Moves a sounding tone to `hz` without a new note (adaptive tuning glides through it).
    // A player that cannot retune a sounding tone leaves it where it is.
    virtual void retune(int32_t instance, float hz) {
        (void)instance;
        (void)hz;
    }
};

}  // namespace kelvara::midi
