// Tuning files into the scale table and the scale onto the keys of the chord map, each one
// undoable action with its follow-up.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <utility>

#include "document/document.h"
#include "scales/ratio_list.h"

namespace kelvara {
namespace {

// The base frequencies a tuning file may set: the audible range.
constexpr double kMinImportedBaseHz = 20.0;
constexpr double kMaxImportedBaseHz = 20000.0;

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

Result<ScaleTuning> Document::scale_tuning(const TuningChoice& choice,
                                           std::string description) const {
    return kelvara::scale_tuning(tables_.scale_ratios(), curve_.base_frequency(), choice,
                                 std::move(description));
}

Result<void> Document::import_scale(const ScalaScale& scale, ScaleImportMode mode,
                                    const std::optional<KeyboardMapping>& mapping) {
    for (size_t i = 0; i < scale.pitches.size(); ++i) {
        const double ratio = scale.pitches[i].ratio();
        if (!(ratio >= kMinScaleRatio && ratio <= kMaxScaleRatio))
            return import_refusal("Pitch " + std::to_string(i + 1) + " of the file, the ratio " +
                                  number_text(ratio) +
                                  ", is outside the ratios a scale table holds (0.001 to 1000).");
    }
    const std::optional<PeriodicScale> periodic = periodic_scale_of(scale);
    if (!periodic) return import_refusal("The file's last pitch, its period, is not above 1/1.");

    std::optional<float> base_hz;
    if (mapping) {
        const std::optional<double> base = base_frequency_hz(*periodic, *mapping);
        if (!base || !(*base >= kMinImportedBaseHz && *base <= kMaxImportedBaseHz))
            return import_refusal(
                "The keyboard mapping gives the scale's 1/1 a frequency outside 20 to 20000 Hz" +
                (base ? " (" + number_text(*base) + " Hz)." : std::string(".")));
        base_hz = static_cast<float>(*base);
    }

    Result<std::vector<float>> values = laid_out(*periodic, curve_.x_min(), curve_.x_max());
    if (!values) return values.error();
    std::vector<float> table =
        mode == ScaleImportMode::Replace ? std::vector<float>{} : tables_.scale_ratios();
    for (const float value : *values)
        if (std::find(table.begin(), table.end(), value) == table.end()) table.push_back(value);
    if (table.size() > static_cast<size_t>(kMaxExpandedRatios))
        return import_refusal("The scale table would hold more than " +
                              std::to_string(kMaxExpandedRatios) + " ratios.");

    const EditScope edit(*this, EditName::ImportScale);
    tables_.replace(std::move(table), tables_.fixed_tones());
    if (base_hz) {
        curve_.set_base_frequency(*base_hz);
        view_->show_float(FloatField::BaseFrequency, *base_hz);
    }
    update_change_count(ChangeKind::Done);
    view_->reload_table(DocumentTable::ScaleRatios);
    resample_and_redraw(base_hz.has_value());
    return {};
}

Result<int32_t> Document::map_scale_to_keys(const TuningChoice& choice) {
    Result<ScaleTuning> tuning = scale_tuning(choice);
    if (!tuning) {
        Error error = tuning.error();
        error.description = "The scale could not be mapped to keys.";
        return error;
    }
    std::vector<int32_t> keys = chords_.map().midi_note_numbers();
    ChordDictionary chords = chords_.map().chords();
    const KeyFrequencies frequencies = key_frequencies(*tuning);
    int32_t filled = 0;
    for (int32_t key = kLowestMidiKey; key <= kHighestMidiKey; ++key) {
        const std::optional<double>& hz = frequencies[static_cast<size_t>(key)];
        if (!hz || !(*hz >= kMinKeyFrequencyHz && *hz <= kMaxKeyFrequencyHz)) continue;
        if (chords.find(key) == chords.end()) keys.push_back(key);
        chords[key] = Chord{static_cast<float>(*hz)};
        ++filled;
    }
    if (filled == 0) {
        Error error;
        error.description = "The scale could not be mapped to keys.";
        error.reason = "No key would sound a frequency from 1 to 20000 Hz.";
        return error;
    }
    std::optional<ChordMap> map = ChordMap::from_parts(std::move(keys), std::move(chords));

    const EditScope edit(*this, EditName::MapScaleToKeys);
    chords_.replace(std::move(*map));
    // The chord map does not enter the curve: no resampling, no redraw.
    update_change_count(ChangeKind::Done);
    view_->reload_table(DocumentTable::MappedChords);
    return filled;
}

}  // namespace kelvara
