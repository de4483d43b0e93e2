// Tuning files into the scale table and the scale onto the keys of the chord map, each one
// undoable action returning its follow-up.
#include "document/tuning_actions.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <utility>

#include "document/document.h"
#include "scales/ratio_list.h"

namespace kelvara {
namespace {

// The base frequencies a tuning file may set: those of the base frequency field.
constexpr double kMinImportedBaseHz = kBaseFrequencyBoundsHz.min;
constexpr double kMaxImportedBaseHz = kBaseFrequencyBoundsHz.max;

Error import_refusal(std::string reason) {
    Error error;
    error.description = "The scale could not be imported.";
    error.reason = std::move(reason);
    return error;
}

std::string number_text(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.6g", value);
    return text;
}

// The values of the scale across [x_min, x_max] within the table's ratio bounds.
Result<std::vector<float>> laid_out(const PeriodicScale& scale, float x_min, float x_max) {
    const auto low = std::max(x_min, static_cast<float>(kMinScaleRatio));
    const auto high = std::min(x_max, static_cast<float>(kMaxScaleRatio));
    if (!(low <= high)) return std::vector<float>{};
    std::optional<std::vector<float>> values = expand_by_periods(scale, low, high);
    if (!values)
        return import_refusal("Laid out by its period from " + number_text(low) + " to " +
                              number_text(high) + ", the scale gives more than " +
                              std::to_string(kMaxExpandedRatios) + " ratios.");
    return std::move(*values);
}

}  // namespace

Result<void> TuningActions::import_scale(const ScalaScale& scale, ScaleImportMode mode,
                                         const std::optional<KeyboardMapping>& mapping) {
    for (size_t i = 0; i < scale.pitches.size(); ++i) {
        const double ratio = scale.pitches[i].ratio();
        if (!(ratio >= kMinScaleRatio && ratio <= kMaxScaleRatio))
            return import_refusal("Pitch " + std::to_string(i + 1) + " of the file, the ratio " +
                                  number_text(ratio) +
                                  ", is outside the ratios a scale table holds (" +
                                  bounds_text(BoundedValue::ScaleRatio) + ").");
    }
    const std::optional<PeriodicScale> periodic = periodic_scale_of(scale);
    if (!periodic) return import_refusal("The file's last pitch, its period, is not above 1/1.");

    std::optional<float> base_hz;
    if (mapping) {
        const std::optional<double> base = base_frequency_hz(*periodic, *mapping);
        if (!base || !(*base >= kMinImportedBaseHz && *base <= kMaxImportedBaseHz))
            return import_refusal(
                "The keyboard mapping gives the scale's 1/1 a frequency outside " +
                bounds_text(BoundedValue::BaseFrequencyHz) +
                (base ? " (" + number_text(*base) + " Hz)." : std::string(".")));
        base_hz = static_cast<float>(*base);
    }

    Curve& curve = document_.curve_;
    RatioTables& tables = document_.tables_;
    Result<std::vector<float>> values = laid_out(*periodic, curve.x_min(), curve.x_max());
    if (!values) return values.error();
    std::vector<float> table =
        mode == ScaleImportMode::Replace ? std::vector<float>{} : tables.scale_ratios();
    for (const float value : *values)
        if (std::find(table.begin(), table.end(), value) == table.end()) table.push_back(value);
    if (table.size() > static_cast<size_t>(kMaxExpandedRatios))
        return import_refusal("The scale table would hold more than " +
                              std::to_string(kMaxExpandedRatios) + " ratios.");

    document_.act(EditName::ImportScale, [&] {
        tables.replace(std::move(table), tables.fixed_tones());
        if (base_hz) curve.set_base_frequency(*base_hz);
        return FollowUp{.changed = true,
                        .show_base_frequency = base_hz.has_value(),
                        .reload_scale = true,
                        .resample = true,
                        .refit_y = base_hz.has_value(),
                        .redraw = true};
    });
    return {};
}

Result<int32_t> TuningActions::map_scale_to_keys(const TuningChoice& choice) {
    Result<ScaleTuning> tuning = document_.scale_tuning(choice);
    if (!tuning) {
        Error error = tuning.error();
        error.description = "The scale could not be mapped to keys.";
        return error;
    }
    ChordMapEditor& editor = document_.chords_;
    std::vector<int32_t> keys = editor.map().midi_note_numbers();
    ChordDictionary chords = editor.map().chords();
    const KeyFrequencies frequencies = key_frequencies(*tuning);
    int32_t filled = 0;
    for (int32_t key = kLowestMidiKey; key <= kHighestMidiKey; ++key) {
        const std::optional<double>& frequency_hz = frequencies[static_cast<size_t>(key)];
        if (!frequency_hz ||
            !(*frequency_hz >= kMinKeyFrequencyHz && *frequency_hz <= kMaxKeyFrequencyHz))
            continue;
        if (chords.find(key) == chords.end()) keys.push_back(key);
        chords[key] = Chord{static_cast<float>(*frequency_hz)};
        ++filled;
    }
    if (filled == 0) {
        Error error;
        error.description = "The scale could not be mapped to keys.";
        error.reason =
            "No key would sound a frequency of " + bounds_text(BoundedValue::ChordToneHz) + ".";
        return error;
    }
    std::optional<ChordMap> map = ChordMap::from_parts(std::move(keys), std::move(chords));

    document_.act(EditName::MapScaleToKeys, [&] {
        editor.replace(std::move(*map));
        // The chord map does not enter the curve: no resampling, no redraw.
        return FollowUp{.changed = true, .reload_chords = true};
    });
    return filled;
}

}  // namespace kelvara
