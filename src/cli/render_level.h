#pragma once
// The level of an offline render. The synthesizer plays at FluidSynth's own gain (0.2), which
// keeps even a chord of 128 Piano 1 tones at full velocity below the limiter's -1 dBFS
// ceiling (it peaks near -5.5 dBFS), so the limiter seldom has to act; a single note renders
// far quieter (Piano 1 at velocity 100 near -32 dBFS). A render can be made louder by a fixed
// gain, or normalized so that its peak is at the ceiling.
#include "sound/synth_controller.h"

namespace kelvara::cli {

// The peak a normalized render reaches: -1 dBFS, the limiter's ceiling.
inline constexpr double kNormalizedPeakDb = -1.0;

// The largest absolute sample of both channels.
float peak_of(const StereoBuffer& audio);

// Multiplies every sample by `gain`.
void apply_gain(StereoBuffer& audio, double gain);

// The gain that takes `audio`'s peak to kNormalizedPeakDb; 1 for silence.
double normalizing_gain(const StereoBuffer& audio);

}  // namespace kelvara::cli
