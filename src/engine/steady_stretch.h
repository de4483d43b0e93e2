#pragma once
// The part of a recording proposed for analysis: the steadiest stretch after the attack.
//
// The recording is cut into short frames (about 21 ms, overlapping by half). For each frame
// it measures the level (RMS over all channels) and the change of spectral shape from the
// previous frame: the distance between the two magnitude spectra, each scaled to unit length,
// so that a sound that only grows softer (all its partials decaying together) counts as
// steady, while an attack, a new note or partials that come and go do not.
//  - The attack ends kSettleSeconds after the first frame within kAttackReachDb of the
//    loudest one (a struck sound peaks at once, a bowed or blown one after its rise).
//  - The stretch must stay loud: its frames lie within kUsableRangeDb of the loudest, so that
//    the weak partials stand above the noise.
//  - Among the stretches of kProposedSeconds (or all there is, if less) between those two
//    limits, the earliest whose frames change shape about as little on average as the
//    steadiest one's (within kSteadyMargin of it, plus kSteadyFloor) is proposed: of equally
//    steady stretches of a decaying sound, the loudest.
//
// Pure function; any thread.
#include <cstdint>

#include "base/error.h"
#include "engine/audio_channels.h"

namespace kelvara {

inline constexpr double kProposedSeconds = 2.0;
inline constexpr double kAttackReachDb = 3.0;
inline constexpr double kSettleSeconds = 0.05;
inline constexpr double kUsableRangeDb = 30.0;
inline constexpr double kSteadyMargin = 0.25;
// A change of 0.001 between two frames (of at most 2) is what a steady tone shows when its
// periods fall differently into successive frames; one frame of a soft onset in a 2 s
// stretch raises the mean by less.
inline constexpr double kSteadyFloor = 1e-3;

struct SteadyStretchProposal {
    FrameRange stretch;             // the part to analyse, in frames of the audio given
    int64_t attack_end = 0;         // the first frame after the attack
    double loudest_level_dbfs = 0;  // RMS level of the loudest short frame
};

// Refused, with a sentence that says why: less than kMinStretchSeconds of audio, or no
// frame above kSilenceDbfs.
Result<SteadyStretchProposal> propose_steady_stretch(const AudioChannels& audio);

}  // namespace kelvara
