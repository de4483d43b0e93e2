#pragma once
// The scale table as a tuning other instruments can play: one period of the table, cut at a
// chosen period, laid on the keys from a reference key. The scale file (.scl) with its
// keyboard mapping (.kbm), the MIDI Tuning Standard dump (.syx) and the keyboard map action
// all start from the same ScaleTuning, so a key plays the same pitch in each.
//
// Pure functions of a table and a base frequency; any thread.
#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "base/error.h"
#include "persistence/keyboard_mapping_file.h"
#include "persistence/mts_sysex.h"
#include "persistence/scala_scale_file.h"
#include "scales/keyboard_mapping.h"
#include "scales/periodic_scale.h"

namespace kelvara {

// The ratios a scale table holds: three decades either side of unison. An imported scale, a
// period and every value laid out by periods stay within them.
inline constexpr double kMinScaleRatio = 1e-3;
inline constexpr double kMaxScaleRatio = 1e3;
// The frequencies a key filled by the keyboard map action may sound: from below hearing (a
// tone felt, or played an octave up by a bank) to the top of it.
inline constexpr double kMinKeyFrequencyHz = 1.0;
inline constexpr double kMaxKeyFrequencyHz = 20000.0;

// What the user chooses for a tuning.
struct TuningChoice {
    // The ratio the scale repeats by; nothing: default_period() of the table (2/1 when the
    // table reaches it, otherwise its largest ratio).
    std::optional<float> period;
    // The MIDI key that sounds the base frequency (the table's 1/1); the key above it plays
    // the next step.
    int32_t reference_key = kDefaultReferenceKey;
};

struct ScaleTuning {
    // One period of the table: the steps between 1/1 and the period, then the period, each
    // written so that it reads back as the same float.
    ScalaScale scale;
    PeriodicScale periodic;
    // Linear, degree 0 and the base frequency on the reference key.
    KeyboardMapping mapping;
    // Table entries that are not a step moved by whole periods: the files cannot say them.
    int32_t entries_not_repeating = 0;
};

// The tuning of a scale table at a base frequency. Refused (the reason says why) for a
// period that is not a ratio above 1/1 within the table's bounds, a table with no ratio
// above 1/1 when no period is given, a reference key outside 0..127, or a base frequency
// that is not finite and above 0. `description` becomes the scale file's description line.
Result<ScaleTuning> scale_tuning(std::span<const float> table, double base_frequency_hz,
                                 const TuningChoice& choice, std::string description = {});

// The scale file and the keyboard-mapping file of a tuning.
std::string scale_file_text(const ScaleTuning& tuning);
std::string keyboard_mapping_file_text(const ScaleTuning& tuning);
// The frequency of every key 0..127 (nothing beyond a double's range).
KeyFrequencies key_frequencies(const ScaleTuning& tuning);
// The bulk tuning dump of the keys, to every device, as tuning program 0, named by the
// scale's description.
std::array<uint8_t, kMtsBulkDumpBytes> tuning_dump(const ScaleTuning& tuning);

// A ratio as a person types one for a period: "3/2", "2" or "1.5"; nothing for other text
// or a value that is not a finite ratio above 0.
std::optional<float> ratio_from_text(std::string_view text);

}  // namespace kelvara
