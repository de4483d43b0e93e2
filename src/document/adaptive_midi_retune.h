#pragma once
// A Standard MIDI File played in adaptive tuning: at every note-on and note-off the notes
// then held (every melodic channel together, keys in equal temperament with A4 = 440 Hz) are
// tuned as one chord to the nearest minimum of their dissonance with the document's timbre
// (adaptive_tuning.h), and the file gets the messages that make an outside synthesizer sound
// those pitches: real-time single-note tuning changes before the note (MIDI Tuning
// Standard; every melodic channel first selects tuning bank 0, program 0, which they edit), or, for
// synthesizers without it, a channel per note (2 to 16) bent the rest of the way. The percussion
// channel (10) passes as it is.
//
// The result is a format-0 file (one track, the tracks merged in time order) with the
// input's division. With bend channels, a melodic channel's pitch bends are left out (the
// bends are the tuning's) and its other channel messages (programs, controllers) go to every
// bend channel; a note that finds no free channel plays untuned on its own channel.
#include <cstdint>
#include <vector>

#include "base/error.h"
#include "engine/adaptive_tuning.h"
#include "persistence/standard_midi_file.h"

namespace kelvara {

enum class RetuneOutput {
    TuningChanges,  // MIDI Tuning Standard single-note changes, device 7F, program 0
    BendChannels,   // one channel per note with its own pitch bend
};

struct MidiRetuneSettings {
    AdaptationSettings adaptation;
    RetuneOutput output = RetuneOutput::TuningChanges;
    int32_t bend_range_semitones = 2;  // set on every bend channel at the start
};

struct MidiRetuneSummary {
    int32_t notes = 0;                // note-ons retuned
    int32_t messages_added = 0;       // tuning changes or bends
    double largest_move_cents = 0.0;  // of any note from its key's pitch
    int32_t untuned_notes = 0;        // more than 16 held, or no bend channel free
};

// What the retuned file plays, note by note, for rendering it with a synthesizer of our own:
// every melodic note's start at its adapted pitch, each later retune, and its end.
struct PerformedNoteEvent {
    enum class Kind { Start, Retune, Stop };
    Kind kind = Kind::Start;
    int64_t tick = 0;
    int32_t note = 0;      // counts the file's note-ons from 0
    double hz = 0.0;       // Start and Retune
    uint8_t velocity = 0;  // Start
};

struct RetunedMidiFile {
    StandardMidiFile file;
    MidiRetuneSummary summary;
    std::vector<PerformedNoteEvent> performance;  // in time order
};

// Refused for a timbre or settings adapt_chord refuses, or a bend range outside 1..24.
Result<RetunedMidiFile> retune_midi_file(const StandardMidiFile& input,
                                         const std::vector<Partial>& partials, RoughnessModel model,
                                         const MidiRetuneSettings& settings);

}  // namespace kelvara
