#pragma once
// The scale table as a tuning other instruments can play: one period of the table, cut at a
// chosen period, laid on the keys from a reference key. The scale file (.scl) with its
// keyboard mapping (.kbm), the MIDI Tuning Standard dump (.syx), the AnaMark tuning file
// (.tun) and the keyboard map action
// all start from the same ScaleTuning, so a key plays the same pitch in each.
//
// Pure functions of a table and a base frequency; any thread.
#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "base/error.h"
#include "base/value_limits.h"
#include "persistence/keyboard_mapping_file.h"
#include "persistence/mts_sysex.h"
#include "persistence/scala_scale_file.h"
#include "scales/keyboard_mapping.h"
#include "scales/periodic_scale.h"

namespace kelvara {

// The ratios a scale table holds (base/value_limits.h). An imported scale, a period and every
// value laid out by periods stay within them.
inline constexpr double kMinScaleRatio = kRatioBounds.min;
inline constexpr double kMaxScaleRatio = kRatioBounds.max;
// The frequencies a key filled by the keyboard map action may sound: those of a chord tone.
inline constexpr double kMinKeyFrequencyHz = kChordToneBoundsHz.min;
inline constexpr double kMaxKeyFrequencyHz = kChordToneBoundsHz.max;

// What the user chooses for a tuning.
struct TuningChoice {
    // The ratio the scale repeats by; nothing: default_period() of the table (2/1 when the
    // table reaches it, otherwise its largest ratio).
    std::optional<float> period;
    // The MIDI key that sounds the base frequency (the table's 1/1); the key above it plays
    // the next step.
    int32_t reference_key = kDefaultReferenceKey;
    // The table rows (from 0, in the table's order) that form one period; empty: the whole
    // table. A table holding two scales (12 and 19 steps, say) or more than one period of a
    // scale that does not repeat exactly is cut from these rows alone.
    std::vector<int32_t> rows;
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

// Table rows as a person writes them, numbered from 1: "1-13", "1,3,5-8" (spaces allowed
// around the numbers); from 0 in the result. Nothing for anything else, a row 0 or a range
// that runs backwards or holds more rows than any table can.
std::optional<std::vector<int32_t>> table_rows_from_text(std::string_view text);

// The tuning of a scale table at a base frequency. Refused (the reason says why) for a
// period that is not a ratio above 1/1 within the table's bounds, a table with no ratio
// above 1/1 when no period is given, a reference key outside 0..127, a chosen row outside
// the table, or a base frequency that is not finite and above 0. `description` becomes the scale
// file's description line; `forms`, row by row beside `table` ("" for none), the form a
// step is written in (scales/ratio_form.h).
Result<ScaleTuning> scale_tuning(std::span<const float> table, double base_frequency_hz,
                                 const TuningChoice& choice, std::string description = {},
                                 std::span<const std::string> forms = {});

// The scale file and the keyboard-mapping file of a tuning.
std::string scale_file_text(const ScaleTuning& tuning);
std::string keyboard_mapping_file_text(const ScaleTuning& tuning);
// The AnaMark tuning file (.tun) of the keys, named by the scale's description.
std::string tun_file_text(const ScaleTuning& tuning);
// The frequency of every key 0..127 (nothing beyond a double's range).
KeyFrequencies key_frequencies(const ScaleTuning& tuning);
// The bulk tuning dump of the keys, to every device, as tuning program 0, named by the
// scale's description.
std::array<uint8_t, kMtsBulkDumpBytes> tuning_dump(const ScaleTuning& tuning);

// A ratio as a person types one for a period: "3/2", "2" or "1.5"; nothing for other text
// or a value that is not a finite ratio above 0.
std::optional<float> ratio_from_text(std::string_view text);

}  // namespace kelvara
