#pragma once
// Bank tuning: how far each zone of a sound bank sounds from the pitch the bank declares for
// it, and the correction pitch-true playback applies.
//
// A bank declares a zone's pitch through the sample's root key (or the zone's overriding root
// key), the sample's pitch correction, the zone's coarse and fine tuning and its scale
// tuning. Banks are seldom exactly right: loops too short to hold a whole number of periods,
// samples recorded slightly off, fine tuning rounded to whole cents. Measuring each sample's
// fundamental as it plays (sample_pitch_estimator.h) shows the difference, and the correction
// cancels it while keeping what the bank meant (tuning_policy.h).
//
// Zones are the voices libinstpatch's voice cache makes of a preset (SF2) or instrument
// (DLS), in the same order as the exact-pitch loader's, which applies the corrections by
// voice index (pitch_corrections.h).
#include <cmath>
#include <cstdint>
#include <optional>
#include <stop_token>
#include <string>
#include <vector>

#include "base/error.h"
#include "sound/flattened_attack.h"

namespace kelvara::sound {

// Where a zone's tone is measured, at the zone's reference key. A held note sounds longest at
// its sustain: for a looped sample that is the loop as it repeats, whose pitch is exact
// arithmetic once the period inside it is known (a loop of L frames holding k periods plays
// at k * rate / L, whatever was recorded in it). The attack, the sample before its loop, is
// measured apart over kAnalysisSeconds of output from kAnalysisStartSeconds on (or up to the
// loop, when that comes first); so is a sample that does not loop, over its steady part.
inline constexpr double kAnalysisStartSeconds = 0.2;
inline constexpr double kAnalysisSeconds = 1.0;
// The correction puts the sustain right. Where the attack is steady and sounds more than
// kRetunedLoopCents from the loop, the zone plays a copy of its sample whose loop is resampled
// to hold its periods at the attack's pitch (retuned_loop.h), and the correction puts both
// right. Measured on the default General MIDI bank (rendered, Hann window, 2^21 points):
// - Piano 1 at 440 Hz, attack and loop 1.9 cents apart: with the sustain corrected alone its
//   first second sat +2.2 cents off, with the retuned copy 0.0. Half a cent, the accuracy
//   pitch-true playback keeps, is the threshold, not the 2 cents a listener might notice.
// - An attack whose pitch wanders has no one pitch to retune a loop to: Piano 1's low samples
//   move by 4 to 12 cents between the two halves of their attack (the strings of a note
//   beating as they decay; at 196 Hz -20 cents at 0.5-0.7 s, -3 at 0.9-1.1 s against the
//   loop). A loop retuned to their average put the held note +2.1 cents off over 0.5-3 s.
inline constexpr double kRetunedLoopCents = 0.5;
inline constexpr double kUnsteadyAttackCents = 3.0;
// Where the attack's fundamental, followed past its strike against the loop's pitch
// (flattened_attack.h), wanders by more than kFlattenedAttackCents, the zone plays a copy
// whose attack's fundamental holds the loop's pitch instead, and the correction puts the
// sustain right for the whole note. It is the fundamental that wanders: the partials above it
// hold their pitch. Measured on the default General MIDI bank as above, cents of Piano 1's
// fundamental from the note asked for, over 0.5-1 / 1-2 / 2-3 s:
//     note (Hz)  sustain corrected alone     attack flattened
//     130.81     +6.21  -0.00  +0.00         +0.04  -0.00  +0.00
//     196        -10.15 -0.50  -0.00         +0.01  -0.03  -0.00
//     220        -5.68  -0.20  -0.06         -0.01  -0.08  -0.06
//     330 (retuned, unchanged) -0.24 -0.10 -0.11;  440 Hz on programs 0, 11, 19, 24, 40,
//     56, 73 within 0.5 cent over 0.5-3 s as before.
// - Resampling the whole attack along the fundamental's track held the fundamental as well,
//   but put the partials 2 to 4 of the 196 Hz note +11.2, +7.4 and +6.0 cents off over
//   0.5-1 s (-0.4, -0.6 and +1.9 with the sustain corrected alone, and again with the
//   fundamental alone moved).
// - The track is smoothed over 15 ms: at 196 Hz over 0.5-0.75 s the fundamental sat -0.29
//   cents off, -0.98 with 30 ms, -2.95 with 60 ms. The flattened note adds no sidebands: over
//   0.3-1.3 s nothing beyond 6 Hz of the 196 Hz fundamental comes within 42.7 dB of it (39.4
//   with the sustain corrected alone), and its octave's spectrum is the same.
// - The wander is read from the track smoothed over 50 ms (the 15 ms track flickers where the
//   strings nearly cancel). 3 cents, as for an unsteady attack: 29 of Piano 1's 33 zones move
//   by 3.05 to 39 cents and are flattened (the fundamentals of its lowest notes held closer
//   too: at 43.65 Hz over 0.3-0.5 s -0.52 cents, -5.18 with the sustain corrected alone); the
//   one at 330 Hz moves by 2.7 (its loop retuned as before), those of 2093-2349 Hz by 2.4 to
//   2.7 (the sustain corrected). 226 of the bank's 2063 zones are flattened, 23 retuned.
//   Following the attacks costs the bank's measurement nothing measurable (0.28 s of
//   processor time before and after; its bench row 0.23-0.31 s).
inline constexpr double kFlattenedAttackCents = 3.0;

enum class ZoneVerdict {
    Corrected,    // a confident pitch: the correction of its layer applies
    Unpitched,    // no confident pitch (noise, percussion, too short): played as declared
    OutOfBounds,  // beyond kMaxCorrectionCents, taken for a detection error: played as declared
};

struct ZoneTuning {
    uint32_t voice = 0;  // index among the preset's voices
    int key_low = 0;
    int key_high = 127;
    int velocity_low = 0;
    int velocity_high = 127;
    int root_key = 60;             // the overriding root key, else the sample's root key
    double cents_per_key = 100.0;  // the zone's scale tuning
    uint32_t sample_frames = 0;    // the length of the sample, to tell voices apart
    // The zone's key nearest its root key, where the sample plays closest to its own rate;
    // the zone is measured there.
    int reference_key = 60;
    // What the reference key is declared to sound: its pitch in equal temperament (440 Hz at
    // key 69) after the zone's scale tuning and coarse tuning.
    double declared_hz = 0.0;
    // What it sounds: the sample's measured fundamental as the zone plays it at the
    // reference key (root key, pitch correction, coarse, fine and scale tuning). NaN when no
    // pitch was found.
    double measured_hz = std::nan("");
    double confidence = 0.0;  // 0 to 1 (see PitchEstimate)
    // For a looped sample, what its attack and its loop sound at the reference key, as
    // measured_hz is (NaN when not measured, or the attack without a confident pitch);
    // measured_hz is then the one the correction follows.
    double attack_hz = std::nan("");
    double loop_hz = std::nan("");
    // Nonzero when the zone plays a copy of its sample whose loop is resampled to this many
    // frames (at the sample's own rate; not a whole number) so that it holds its periods at
    // the attack's pitch; measured_hz is then the attack's.
    double retuned_loop_frames = 0.0;
    // How far the attack's fundamental wanders past its strike (attack_wander_cents()), NaN
    // when it was not followed; and when it wanders more than kFlattenedAttackCents, the track
    // by which the zone plays a copy of its sample whose attack holds the loop's pitch
    // throughout (flattened_attack.h). measured_hz is then the loop's.
    double attack_wander_cents = std::nan("");
    AttackTrack flattened_attack{};
    // measured_hz against declared_hz in cents, brought within half an octave by whole
    // octaves (a sample an octave off its root key is the bank's choice, or a harmonic the
    // estimator took; either way the rest is the error). NaN when not measured.
    double error_cents = std::nan("");
    double correction_cents = 0.0;  // added to the zone's pitch in pitch-true playback
    ZoneVerdict verdict = ZoneVerdict::Unpitched;

    // What `key` is declared to sound, in Hz (declared_hz moved by the scale tuning).
    double declared_hz_at(int key) const {
        return declared_hz * std::exp2((key - reference_key) * cents_per_key / 1200.0);
    }
};

struct PresetTuning {
    std::string name;
    int bank = 0;  // numbered as the exact-pitch loader numbers it (exact_bank_number)
    int program = 0;
    std::vector<ZoneTuning> zones;
};

struct BankTuning {
    std::vector<PresetTuning> presets;  // by bank, then program

    const PresetTuning* find(int bank, int program) const;
};

// Measures every zone of the SF2 or DLS bank at `path` and derives its correction. Refused
// when libinstpatch cannot read the file as a bank, or with measurement_stopped() when `stop`
// is requested before the measurement ends. Runs on the caller's thread; for the default
// General MIDI bank it takes a few hundred milliseconds.
Result<BankTuning> measure_bank_tuning(const std::string& path, std::stop_token stop = {});

// The refusal of a measurement that was asked to stop (nobody waits for its result).
Error measurement_stopped(const std::string& path);

}  // namespace kelvara::sound
