#pragma once
// The pitch of a sampled instrument tone as a synthesizer voice plays it: the frequency of its
// fundamental over a stretch of its playing time, and how sure that is.
//
// Two steps. YIN (the cumulative mean normalised difference of one frame, with parabolic
// interpolation of its dip) finds the period and says how periodic the tone is. The spectral
// peak of the fundamental is then refined over the whole stretch: the Blackman-Harris
// windowed DTFT is evaluated on a grid around the YIN frequency and its maximum located by
// parabolas through the log magnitude, so the result is the frequency a spectrum analyser
// reads from the same stretch, within about a hundredth of a cent for a steady tone. A
// stretch that lies wholly in a sample's loop is periodic, and sounds only at the loop's
// lines (multiples of rate / loop length): there the strongest line near the YIN frequency
// is the answer, exactly. A subharmonic taken for the fundamental is caught by comparing the
// fundamental's level with the octave above it.
//
// Pure computation on the caller's thread; it allocates.
#include <cmath>
#include <cstdint>
#include <span>

namespace kelvara::sound {

// A mono sample as a voice plays it at its own rate: from its first frame on, and when it
// loops, on to the end of the loop and then the loop over and over.
struct PlayedSample {
    std::span<const int16_t> frames;
    double rate_hz = 44100.0;
    // The loop in frames, `loop_end` being the first frame after it. Ignored unless `loops`
    // and loop_start + 1 < loop_end <= frames.size().
    bool loops = false;
    uint32_t loop_start = 0;
    uint32_t loop_end = 0;
};

struct PitchEstimate {
    double hz = std::nan("");  // the fundamental; NaN when no pitch was found
    // 0 to 1: one minus YIN's aperiodicity of the tone, and 0 when the stretch is silent,
    // holds fewer than kMinPeriods periods, or its fundamental is too weak to be the pitch.
    double confidence = 0.0;
};

// The fewest periods of the fundamental a stretch must hold to be measured.
inline constexpr double kMinPeriods = 8.0;

// The fundamental of `sample` from `start_seconds` to `start_seconds + length_seconds` of its
// own playing time (a stretch that runs past the end of a sample that does not loop is cut
// short). `expected_hz`, the pitch the bank declares, only sizes the analysis: the estimate
// may land anywhere from two octaves above it to one below.
PitchEstimate estimate_played_pitch(const PlayedSample& sample, double start_seconds,
                                    double length_seconds, double expected_hz);

}  // namespace kelvara::sound
