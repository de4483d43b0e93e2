#pragma once
// The "Document timbre" program: a synthesizer program that sounds exactly the partials of
// the document's timbre, so that the dissonance curve on the screen can be heard.
//
// Each partial of a tone is one FluidSynth voice playing a looped sine at the partial's own
// frequency. As in the exact-pitch loader, the voice keeps a whole-cent key pitch and the
// rest of the frequency ratio goes into its sample's rate, so every partial sounds within a
// few hundredths of a cent of base × ratio, whatever the ratios are (harmonic or not).
// Its level is set by the voice's attenuation, and whatever FluidSynth would do to one
// partial and not another is neutralised:
// - The voice filter sits at its highest cutoff whatever the velocity (the default
//   velocity-to-cutoff modulator can lower it by at most two octaves, which the cutoff
//   generator overshoots), and its remaining roll-off near the top is made up per partial.
// - Velocity, channel volume and expression attenuate every partial alike; the volume
//   envelope (10 ms attack, 100 ms release, full sustain) is the same for all of them.
// A tone's partials are scaled together so that their amplitudes add up to one full sine.
// Partials at or above 0.4 × the sample rate are left out; partials that find no free
// voice (the synthesizer's polyphony is used up) are counted, never silently dropped.
//
// The program belongs to no bank and has no bank or program number: the engine plays it
// through its preset handle.
//
// Threads: set_partials() and prepare() from any thread but the audio thread (the
// user-interface and MIDI threads); start() on the thread that renders, like every other call
// into the synthesizer, where it neither locks nor allocates: the partials are published by a
// pointer swap (retiring_pointer.h), and the samples a tone plays were made by prepare()
// before its start was queued (sample_rate_cache.h). The counters from any thread.
#include <fluidsynth.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

#include "base/nonblocking.h"
#include "engine/tone_partials.h"
#include "sound/fluid_handles.h"
#include "sound/retiring_pointer.h"
#include "sound/sample_rate_cache.h"

namespace kelvara::sound {

class TimbreProgram {
public:
    static constexpr const char* kName = "Document timbre";
    // The highest partial played, as a fraction of the sample rate.
    static constexpr double kHighestPartialOfRate = 0.4;

    // Samples of distinct partial frequencies kept at most (sample_rate_cache.h).
    static constexpr size_t kCachedSamples = 16384;

    // A program that sounds a pure tone until set_partials(); nothing when FluidSynth makes
    // no preset. `output_rate` is the synthesizer's sample rate; `blocks_rendered` its
    // renderer's block counter, which must outlive the program.
    static std::unique_ptr<TimbreProgram> create(double output_rate,
                                                 const std::atomic<uint64_t>& blocks_rendered);
    ~TimbreProgram();
    TimbreProgram(const TimbreProgram&) = delete;
    TimbreProgram& operator=(const TimbreProgram&) = delete;

    // The partials tones started from now on sound (ratio to the tone's fundamental, linear
    // amplitude). Partials with a ratio or amplitude that is not finite and above zero are
    // left out.
    void set_partials(const std::vector<TonePartial>& partials);
    // The voices one tone needs at most (its partials of non-zero amplitude).
    int voices_per_tone() const { return voices_per_tone_.load(std::memory_order_relaxed); }

    // Makes the samples a tone at fractional MIDI pitch `pitch` plays with the partials set
    // now. Before the tone's start is queued.
    void prepare(double pitch);
    // Starts a tone whose fundamental is at fractional MIDI pitch `pitch`, under identifier
    // `id` (fluid_synth_stop stops all its partials). Renderer only.
    int start(fluid_synth_t* synth, uint32_t id, int channel, double pitch,
              int velocity) noexcept KELVARA_NONBLOCKING;

    // Partials that found no free voice since the program was made.
    uint64_t partials_without_voice() const {
        return partials_without_voice_.load(std::memory_order_relaxed);
    }
    // Partials played from the sine at its own rate for want of a prepared sample: exact at
    // their start, but a glide moves them from their whole key, so to the nearest cent.
    uint64_t partials_to_nearest_cent() const { return samples_.misses(); }

    // Moves a running voice of one of this program's tones to `cents` from the pitch it
    // started at, exactly. Renderer only.
    static void shift_voice(fluid_voice_t* voice, float cents) noexcept KELVARA_NONBLOCKING;

private:
    TimbreProgram(double output_rate, const std::atomic<uint64_t>& blocks_rendered);
    SampleSound sine() const;
    int note_on(fluid_synth_t* synth, int channel, int velocity) noexcept KELVARA_NONBLOCKING;
    bool start_partial(fluid_synth_t* synth, int channel, int velocity, double hz,
                       double level) noexcept KELVARA_NONBLOCKING;

    static int preset_note_on(fluid_preset_t* preset, fluid_synth_t* synth, int channel, int key,
                              int velocity) noexcept KELVARA_NONBLOCKING;

    double output_rate_;
    std::vector<int16_t> sine_;  // the looped sine every voice plays
    // One sample per playback rate over sine_, kept until the program goes (a voice reads its
    // sample for as long as it plays).
    SampleRateCache samples_;
    double pending_pitch_ = 0.0;  // set by start() for the note-on it runs

    RetiringPointer<std::vector<TonePartial>> partials_;  // loudest first
    std::atomic<int> voices_per_tone_{1};
    std::atomic<uint64_t> partials_without_voice_{0};

    // The preset goes before the bank record it points to.
    fluid_sfont_t* sfont_ = nullptr;
    FluidPresetPtr preset_;
};

// The gain of FluidSynth's voice filter, at its highest cutoff, for a partial at `hz`
// relative to its gain at 0 Hz (at most 1).
double voice_filter_gain(double hz, double output_rate) noexcept KELVARA_NONBLOCKING;

}  // namespace kelvara::sound
