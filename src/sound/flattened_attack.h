#pragma once
// A looped sample whose attack's fundamental wanders in pitch, held at its loop's pitch
// throughout: the copy a zone plays when the fundamental of the part before the loop drifts
// (the strings of a piano's note beating as they decay) while the loop sounds one steady pitch
// (bank_tuning.h). Only the fundamental is moved: its phase is turned, frame by frame, by what
// it ran ahead of or behind the loop's pitch, so that it sounds the loop's pitch all the way to
// the loop, where it meets the loop unchanged. The other partials, whose pitch does not wander
// with it, stay as they were recorded; so do the sample's length and its loop.
//
// The attack's fundamental is followed by demodulating the sample at the loop's pitch: the
// sample times a phasor at that frequency, under a Hann window four of its periods long whose
// spectrum vanishes at every harmonic, leaves the fundamental's complex amplitude at the
// window's centre, and the turning of its phase from one window to the next is the
// fundamental's distance from the loop's pitch. Those steps are smoothed over tens of
// milliseconds by a Gaussian-weighted straight line (no lag at the ends), which follows a tone
// gliding 15 cents in a second to a hundredth of a cent.
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
    double period_frames = 0.0;  // of the loop's pitch, at the sample's own rate
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

// A copy of the sample whose attack's fundamental sounds its loop's pitch where the track says
// how far off it is: the fundamental is taken out (demodulated, then four moving averages of a
// period, a zero of fourth order at every harmonic), its phase turned, and put back; the rest
// of the frames, the loop and what follows it are the sample's own. Nothing when the loop is
// not inside the frames or the track does not reach the loop.
std::optional<RetunedLoop> flatten_attack(std::span<const int16_t> frames, uint32_t loop_start,
                                          uint32_t loop_end, const AttackTrack& track);

}  // namespace kelvara::sound
