#pragma once
// A looped sample whose attack wanders in pitch, held at its loop's pitch throughout: the copy
// a zone plays when the fundamental of the part before the loop drifts (the partials of
// several strings beating as they decay) while the loop sounds one steady pitch
// (bank_tuning.h). The attack is resampled at a rate that varies with time so that its
// fundamental sounds the loop's pitch all the way to the loop, which follows unchanged.
//
// The attack's fundamental is followed by demodulating the sample at the loop's pitch: the
// sample times a phasor at that frequency, under a Hann window four of its periods long whose
// spectrum vanishes at every harmonic, leaves the fundamental's complex amplitude at the
// window's centre, and the turning of its phase from one window to the next is the
// fundamental's distance from the loop's pitch. That phase, smoothed over tens of
// milliseconds, holds a few thousandths of a cent on a steady tone in 10 ms steps.
//
// Pure computation; it allocates. Any thread but the audio thread.
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "sound/retuned_loop.h"
#include "sound/sample_pitch_estimator.h"

namespace kelvara::sound {

// The attack's fundamental against the loop's pitch, in cents: `cents[k]` at sample frame
// k * step_frames, from the sample's first frame to its loop's start, straight between.
struct AttackTrack {
    uint32_t step_frames = 0;
    std::vector<float> cents;

    bool empty() const { return cents.empty(); }
    bool operator==(const AttackTrack&) const = default;
};

// The track's lowest to highest cents: how far the attack wanders past its strike.
double attack_wander_cents(const AttackTrack& track);

// The first tens of milliseconds of a tone (the strike, hammer or pluck) have no steady pitch
// to follow: the track holds there what follows them.
inline constexpr double kStrikeSeconds = 0.05;
// An attack longer than this is not followed.
inline constexpr double kMaxTrackedAttackSeconds = 6.0;

// The track of the attack of a looped sample whose loop sounds `loop_hz` (at the sample's own
// rate), played at `frames_per_second`: the track's step, its smoothing and the strike are
// times of the tone as it sounds, not of the sample as recorded. Nothing when the sample does not
// loop, its attack is too short or too long to follow, or the fundamental is not clearly there
// throughout (too weak against the rest of the tone, or its phase jumping): such an attack is left
// as it is.
std::optional<AttackTrack> track_attack(const PlayedSample& sample, double loop_hz,
                                        double frames_per_second);

// A copy of the sample whose attack is resampled so that it sounds its loop's pitch where the
// track says how far off it is; the loop and what follows it are copied unchanged, the loop
// starting where the resampled attack ends. Nothing when the loop is not inside the frames or
// the track does not reach the loop.
std::optional<RetunedLoop> flatten_attack(std::span<const int16_t> frames, uint32_t loop_start,
                                          uint32_t loop_end, const AttackTrack& track);

}  // namespace kelvara::sound
