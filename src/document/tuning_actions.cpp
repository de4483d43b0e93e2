// Tuning files into the scale table and the scale onto the keys of the chord map, each one
// undoable action returning its follow-up.
#include "document/tuning_actions.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numeric>
#include <utility>

#include "document/document.h"
#include "scales/ratio_form.h"
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

int decimals_of(std::string_view form) {
    const size_t point = form.find('.');
    return point == std::string_view::npos ? 0 : static_cast<int>(form.size() - point - 2);
}

// `pitch` moved by `periods` periods: a fraction while both are fractions and the product fits,
// cents otherwise (as many decimals as the finer of the two was written with).
std::optional<std::string> moved_form(const ScalePitch& pitch, const ScalePitch& period,
                                      int64_t periods, float ratio) {
    const std::optional<ExactRatio> step = pitch.exact_ratio();
    const std::optional<ExactRatio> by = period.exact_ratio();
    if (step && by) {
        int64_t numerator = step->numerator;
        int64_t denominator = step->denominator;
        bool fits = true;
        for (int64_t i = 0; i < std::abs(periods) && fits; ++i)
            fits = !__builtin_mul_overflow(numerator, periods > 0 ? by->numerator : by->denominator,
                                           &numerator) &&
                   !__builtin_mul_overflow(
                       denominator, periods > 0 ? by->denominator : by->numerator, &denominator);
        if (fits && periods != 0) {
            // Moved by periods, a fraction is written in lowest terms: 9/8 up an octave is 9/4.
            const int64_t common = std::gcd(numerator, denominator);
            numerator /= common;
            denominator /= common;
        }
        if (fits) {
            const std::string form = std::to_string(numerator) + "/" + std::to_string(denominator);
            if (ratio_of_form(form) == ratio) return form;
        }
    }
    const int decimals =
        std::max(decimals_of(form_of_pitch(pitch)), decimals_of(form_of_pitch(period)));
    return cents_form_of(pitch.cents() + static_cast<double>(periods) * period.cents(), decimals,
                         ratio);
}

// The form of each value a scale file's pitches give across [x_min, x_max] (as
// expand_by_periods lays them out): each pitch as the file wrote it, moved by whole periods.
// The unison is 1/1 in a scale of fractions and 0 cents in one of cents.
std::map<float, std::string> laid_out_forms(const ScalaScale& scale, double x_min, double x_max) {
    const ScalePitch& period = scale.pitches.back();
    std::vector<ScalePitch> degrees{period.is_exact_ratio() ? *ScalePitch::from_ratio(1, 1)
                                                            : *ScalePitch::from_cents(0.0)};
    degrees.insert(degrees.end(), scale.pitches.begin(), scale.pitches.end() - 1);
    const double octaves = std::log2(period.ratio());
    const auto lowest = static_cast<int64_t>(std::floor(std::log2(x_min) / octaves)) - 1;
    const auto highest = static_cast<int64_t>(std::ceil(std::log2(x_max) / octaves)) + 1;
    std::map<float, std::string> forms;
    for (int64_t periods = lowest; periods <= highest; ++periods)
        for (const ScalePitch& degree : degrees) {
            const auto ratio =
                static_cast<float>(degree.ratio() * std::pow(period.ratio(), periods));
            if (!(ratio >= x_min && ratio <= x_max)) continue;
            if (auto form = moved_form(degree, period, periods, ratio)) forms.emplace(ratio, *form);
        }
    return forms;
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

    const std::map<float, std::string> forms = laid_out_forms(scale, curve.x_min(), curve.x_max());
    document_.act(EditName::ImportScale, [&] {
        tables.replace(std::move(table), tables.fixed_tones(), forms);
        // Added to a scale of its own, the table keeps its own description.
        if (mode == ScaleImportMode::Replace || tables.scale_description().empty())
            tables.set_scale_description(scale.description);
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
