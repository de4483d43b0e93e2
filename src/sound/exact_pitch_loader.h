#pragma once
// A FluidSynth sound-bank loader for SoundFont 2 and DLS files that plays every tone at the
// exact fractional pitch asked for.
//
// FluidSynth turns every pitch it computes into whole cents (truncating), so neither key
// tuning, fine tune nor pitch bend can play 69.4928. This loader's presets allocate their
// voices themselves: the voice keeps its whole-cent key pitch and the remaining ratio goes
// into the sample rate of the voice's sample, which FluidSynth reads only when a voice starts.
// The resolution is then one hertz of sample rate, about 0.02 cent.
//
// Banks are read with libinstpatch, which turns SF2 presets and DLS instruments alike into
// SF2 voices (its voice cache); all sample data is held in memory.
#include <fluidsynth.h>

#include <atomic>
#include <cmath>
#include <cstdint>
#include <vector>

#include "sound/pitch_corrections.h"

namespace kelvara::sound {

// What the loader shares with the engine that owns the synth.
struct ExactPitchContext {
    // `blocks_rendered`: the engine's count of rendered blocks (retiring_pointer.h).
    explicit ExactPitchContext(const std::atomic<uint64_t>& blocks_rendered)
        : corrections(blocks_rendered) {}

    // The fractional pitch the next preset note-on is to play. The engine sets it, calls
    // fluid_synth_start and clears it again, all on the thread that renders (the only one that
    // calls into a shared synthesizer); the note-on runs inside that call on the same thread.
    // NaN means "play the key's own pitch".
    double pending_pitch = std::nan("");
    // The banks this loader read, in load order. Their presets number banks as
    // exact_bank_number() does (bank_numbers.h); other loaders' presets use SF2 numbers.
    std::vector<fluid_sfont_t*> loaded_banks;
    // Pitch-true playback: the measured corrections of a loaded bank, added to the pitch of
    // each voice a note-on starts (nothing, and the bank's own tuning, until they arrive).
    PitchCorrectionSlot corrections;
};

// Adds the loader to the synth, ahead of FluidSynth's own loaders. The synth owns the loader;
// `context` must outlive the synth. Files the loader refuses (for example compressed SF3)
// still reach FluidSynth's own loaders, whose presets play whole-cent pitches.
void add_exact_pitch_loader(fluid_synth_t* synth, ExactPitchContext* context);

// Makes the samples a tone of `preset` (a preset of this loader) at fractional `pitch` on
// `key` will play, so that its note-on on the audio thread only looks them up. Any thread but
// the audio thread, before the tone's start is queued.
void prepare_exact_tone(fluid_preset_t* preset, int key, int velocity, double pitch);
// Voices of this loader's banks played to the nearest cent because no sample was prepared at
// their exact rate.
uint64_t exact_voices_to_nearest_cent(const ExactPitchContext& context);

}  // namespace kelvara::sound
