#pragma once
// Recordings made up from known partials, to measure the analysis against: sines at given
// frequencies and amplitudes, optionally decaying together, with white noise a given number
// of decibels below the signal's RMS, on one or more channels (each channel can be a little
// later than the one before, as spaced microphones hear a source). The tests, the benchmarks
// and `kelvara-cli bench` use them.
//
// Pure function (the noise comes from a seeded generator); any thread.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "engine/audio_channels.h"
#include "engine/partial_picking.h"

namespace kelvara {

struct SyntheticPartial {
    double frequency_hz = 440.0;
    double amplitude = 0.1;  // peak amplitude of the sine at the start; full scale is 1
    double phase = 0.0;      // radians at time 0
};

struct SyntheticRecording {
    int32_t sample_rate_hz = 48000;
    double seconds = 2.0;
    int32_t channels = 1;
    // Partials at or above half the sample rate are left out: no recording holds them.
    std::vector<SyntheticPartial> partials;
    // Time constant of an exponential decay shared by all partials (none when empty): the
    // amplitude is multiplied by e^(−t / decay_seconds).
    std::optional<double> decay_seconds;
    // White noise this many dB below the RMS of the summed partials over the whole length.
    std::optional<double> noise_below_rms_db;
    // Channel c hears the partials c × channel_delay_seconds later than channel 0.
    double channel_delay_seconds = 0.0;
    uint32_t seed = 1;
};

AudioChannels synthesize_recording(const SyntheticRecording& recording);

// How far partials measured from a synthetic recording lie from those it was made of.
struct PartialErrors {
    double max_ratio_error = 0.0;  // |measured / true − 1| over the matched partials
    double max_amplitude_error_db = 0.0;
    int32_t missing = 0;  // known partials within the threshold that were not found
    int32_t extra = 0;    // measured partials more than 1 % from every known one
    std::string report;   // one line per measured partial, for a failure message
};

// Every known partial within `threshold_db` of the strongest should have been found; ratios
// are taken to known[fundamental], which the measurement should also have called 1.
PartialErrors compare_with_known(const PickedPartials& measured,
                                 std::span<const SyntheticPartial> known, size_t fundamental,
                                 double threshold_db);

}  // namespace kelvara
