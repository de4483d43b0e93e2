#include "document/ratio_tables.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

#include "base/value_limits.h"
#include "engine/engine_limits.h"
#include "scales/decimal_text.h"
#include "scales/ratio_form.h"
#include "scales/ratio_list.h"
#include "scales/scale_generator.h"

namespace kelvara {
namespace {

// The ratio bounds in cents, rounded inward to a tenth of a cent, as a message gives them.
std::string cents_bounds_text() {
    const float low = std::ceil(cents_of_ratio(static_cast<float>(kRatioBounds.min)) * 10.0f);
    const float high = std::floor(cents_of_ratio(static_cast<float>(kRatioBounds.max)) * 10.0f);
    return number_text(low / 10.0f) + " to " + number_text(high / 10.0f);
}

std::optional<size_t> existing_row(int32_t row, size_t row_count) {
    if (row < 0 || static_cast<size_t>(row) >= row_count) return std::nullopt;
    return static_cast<size_t>(row);
}

int32_t rows_of(const std::vector<float>& list) {
    return static_cast<int32_t>(std::min<size_t>(list.size(), std::numeric_limits<int32_t>::max()));
}

// The division count and base the generator takes for a preset.
std::pair<int32_t, double> generator_arguments(ScalePreset preset,
                                               const ScaleGeneratorFields& fields) {
    switch (preset) {
        case ScalePreset::JustRatios: return {kJustRatiosTet, 2.0};
        case ScalePreset::FromFields: return {fields.tet, static_cast<double>(fields.base)};
        case ScalePreset::TwelveTone: return {12, 2.0};
        case ScalePreset::NineteenTone: return {19, 2.0};
        case ScalePreset::SixteenStepHarmonics:
            return {kSixteenStepHarmonicTet, static_cast<double>(fields.base)};
        case ScalePreset::EightStepHarmonics:
            return {kEightStepHarmonicTet, static_cast<double>(fields.base)};
    }
    return {kJustRatiosTet, 2.0};
}

// The refusal of an eleventh fixed tone.
Error full_fixed_tones() {
    return refusal("A curve takes at most " + std::to_string(kMaxDissonanceRatios) +
                   " fixed tones: delete one before adding another.");
}

// Why an equal division or a harmonic series cannot be generated; nothing when it can.
std::optional<Error> generator_refusal(ScalePreset preset, int32_t tet, double base) {
    if (preset != ScalePreset::FromFields) return std::nullopt;
    if (tet < 1) return refusal("Divide the interval into at least 1 step.");
    if (!(base >= kMinEqualDivisionBase))
        return refusal("The interval divided must be at least " +
                       number_text(static_cast<float>(kMinEqualDivisionBase)) + ".");
    return std::nullopt;
}

// The cents form of each step of an equal division (100c, 63.15789c: the five decimals a
// scale file writes), by value; none for the just and harmonic presets, whose fractions the
// table finds itself, nor for a step the generator's float does not match.
std::map<float, std::string> generated_forms(int32_t tet, double base,
                                             const std::vector<float>& values) {
    std::map<float, std::string> forms;
    if (tet == kJustRatiosTet || tet == kSixteenStepHarmonicTet || tet == kEightStepHarmonicTet)
        return forms;
    const double base_cents = 1200.0 * std::log2(base);
    for (const float value : values) {
        const double step = std::round(std::log2(value) * 1200.0 / base_cents * tet);
        if (auto form = cents_form_of(step * base_cents / tet, 5, value)) forms[value] = *form;
    }
    return forms;
}

}  // namespace

RatioTables::RatioTables() : fixed_tones_{1.0f} {}

Result<void> RatioTables::apply(ScaleAction action, std::optional<size_t> selected_row) {
    switch (action) {
        case ScaleAction::AppendUnison:
            scale_ratios_.push_back(1.0f);
            scale_forms_.emplace_back();
            break;
        case ScaleAction::DeleteSelected: {
            if (!selected_row || *selected_row >= scale_ratios_.size())
                return refusal("Select a scale ratio to delete.");
            const auto at = static_cast<std::ptrdiff_t>(*selected_row);
            scale_ratios_.erase(scale_ratios_.begin() + at);
            scale_forms_.erase(scale_forms_.begin() + at);
            break;
        }
        case ScaleAction::RemoveAll:
            scale_ratios_.clear();
            scale_forms_.clear();
            break;
    }
    settle_scale();
    return {};
}

Result<bool> RatioTables::add_preset(ScalePreset preset, const ScaleGeneratorFields& fields,
                                     ScaleImportMode mode) {
    const auto [tet, base] = generator_arguments(preset, fields);
    if (std::optional<Error> refused = generator_refusal(preset, tet, base)) return *refused;
    const std::optional<std::vector<float>> values = generate_scale_values(tet, base);
    if (!values)
        return refusal("These settings give more than " + std::to_string(kMaxGeneratedRatios) +
                       " ratios.");
    for (const float value : *values)
        if (const auto outside = value_refusal(BoundedValue::ScaleRatio, value))
            return refusal("The interval " + number_text(static_cast<float>(base)) +
                           " gives the ratio " + number_text(value) + ". " + *outside);
    std::vector<float> scale =
        mode == ScaleImportMode::Replace ? std::vector<float>{} : scale_ratios_;
    // Compared as stored: a 32-bit value equal to one in the table is that ratio.
    for (const float value : *values)
        if (mode == ScaleImportMode::Replace ||
            std::find(scale_ratios_.begin(), scale_ratios_.end(), value) == scale_ratios_.end())
            scale.push_back(value);
    sort_ratios(scale);
    if (scale == scale_ratios_) return false;
    replace(std::move(scale), fixed_tones_, generated_forms(tet, base, *values));
    return true;
}

Result<void> RatioTables::apply(FixedToneAction action, std::optional<size_t> selected_scale_row,
                                std::optional<size_t> selected_tone_row) {
    const bool has_room = fixed_tones_.size() < static_cast<size_t>(kMaxDissonanceRatios);
    switch (action) {
        case FixedToneAction::AppendUnison:
            if (!has_room) return full_fixed_tones();
            fixed_tones_.push_back(1.0f);
            return {};
        case FixedToneAction::CopySelectedScaleRatio: {
            if (!has_room) return full_fixed_tones();
            if (!selected_scale_row || *selected_scale_row >= scale_ratios_.size())
                return refusal("Select a scale ratio to copy.");
            // Both lists keep the same ratio bounds: any scale ratio can be a tone.
            fixed_tones_.push_back(scale_ratios_[*selected_scale_row]);
            return {};
        }
        case FixedToneAction::DeleteSelected:
            if (!selected_tone_row || *selected_tone_row >= fixed_tones_.size())
                return refusal("Select a fixed tone to delete.");
            fixed_tones_.erase(fixed_tones_.begin() +
                               static_cast<std::ptrdiff_t>(*selected_tone_row));
            return {};
    }
    return refusal("Unknown fixed-tone action.");
}

Result<void> RatioTables::set_fixed_tones(std::span<const float> ratios) {
    if (ratios.size() > static_cast<size_t>(kMaxDissonanceRatios)) return full_fixed_tones();
    for (const float ratio : ratios)
        if (auto outside = value_refusal(BoundedValue::FixedToneRatio, ratio))
            return refusal(std::move(*outside));
    fixed_tones_.assign(ratios.begin(), ratios.end());
    return {};
}

void RatioTables::replace(std::vector<float> scale_ratios, std::vector<float> fixed_tones,
                          const std::map<float, std::string>& forms) {
    std::map<float, std::string> kept;
    for (size_t i = 0; i < scale_ratios_.size(); ++i)
        if (!scale_forms_[i].empty()) kept.emplace(scale_ratios_[i], scale_forms_[i]);
    std::vector<std::string> new_forms(scale_ratios.size());
    for (size_t i = 0; i < scale_ratios.size(); ++i) {
        if (const auto given = forms.find(scale_ratios[i]); given != forms.end())
            new_forms[i] = given->second;
        else if (const auto before = kept.find(scale_ratios[i]); before != kept.end())
            new_forms[i] = before->second;
    }
    scale_ratios_ = std::move(scale_ratios);
    scale_forms_ = std::move(new_forms);
    fixed_tones_ = std::move(fixed_tones);
    settle_scale();
}

void RatioTables::restore(std::vector<float> scale_ratios, std::vector<float> fixed_tones,
                          std::vector<std::string> scale_forms, std::string scale_description) {
    scale_forms.resize(scale_ratios.size());
    scale_ratios_ = std::move(scale_ratios);
    scale_forms_ = std::move(scale_forms);
    fixed_tones_ = std::move(fixed_tones);
    scale_description_ = std::move(scale_description);
    settle_scale();
}

void RatioTables::settle_scale() {
    std::vector<size_t> order(scale_ratios_.size());
    for (size_t i = 0; i < order.size(); ++i) order[i] = i;
    // The order sort_ratios() gives: ascending, a not-a-number last, ties as they stood.
    std::stable_sort(order.begin(), order.end(), [this](size_t a, size_t b) {
        const float x = scale_ratios_[a];
        const float y = scale_ratios_[b];
        if (std::isnan(x)) return false;
        return std::isnan(y) || x < y;
    });
    std::vector<float> ratios;
    std::vector<std::string> forms;
    ratios.reserve(order.size());
    forms.reserve(order.size());
    for (const size_t i : order) {
        ratios.push_back(scale_ratios_[i]);
        const bool names_it = ratio_of_form(scale_forms_[i]) == scale_ratios_[i];
        forms.push_back(names_it ? std::move(scale_forms_[i]) : std::string());
    }
    scale_ratios_ = std::move(ratios);
    scale_forms_ = std::move(forms);
}

std::string RatioTables::scale_ratio_text(int32_t row) const {
    const std::optional<size_t> at = existing_row(row, scale_ratios_.size());
    if (!at) return {};
    return ratio_display_text(scale_ratios_[*at], scale_forms_[*at]);
}

int32_t RatioTables::row_count(DocumentTable table) const {
    switch (table) {
        case DocumentTable::ScaleRatios: return rows_of(scale_ratios_);
        case DocumentTable::FixedTones: return rows_of(fixed_tones_);
        case DocumentTable::MappedChords:
        case DocumentTable::Partials: return 0;
    }
    return 0;
}

std::optional<CellValue> RatioTables::cell_value(DocumentTable table, TableColumn column,
                                                 int32_t row) const {
    if (table == DocumentTable::ScaleRatios) {
        const std::optional<size_t> at = existing_row(row, scale_ratios_.size());
        if (at && column == TableColumn::Ratios) return scale_ratios_[*at];
        if (at && column == TableColumn::Cents) return cents_of_ratio(scale_ratios_[*at]);
        return std::nullopt;
    }
    if (table == DocumentTable::FixedTones) {
        const std::optional<size_t> at = existing_row(row, fixed_tones_.size());
        if (at) return fixed_tones_[*at];
    }
    return std::nullopt;
}

Result<bool> RatioTables::edit_cell(DocumentTable table, TableColumn column, int32_t row,
                                    const CellValue& value) {
    const std::optional<float> number = cell_as_float(value);
    if (table == DocumentTable::ScaleRatios) {
        const std::optional<size_t> at = existing_row(row, scale_ratios_.size());
        if (!at || !number) return false;
        const bool cents = column == TableColumn::Cents;
        if (!cents && column != TableColumn::Ratios) return false;
        const auto* typed = std::get_if<TypedRatio>(&value);
        // A typed form carries the ratio it names, in either column.
        const float ratio = typed ? typed->ratio : cents ? ratio_of_cents(*number) : *number;
        if (auto outside = value_refusal(BoundedValue::ScaleRatio, ratio))
            return refusal(cents ? *outside + " In cents: " + cents_bounds_text() + "." : *outside);
        const std::string form = typed ? typed->form : std::string();
        if (ratio == scale_ratios_[*at] && form == scale_forms_[*at]) return false;
        scale_ratios_[*at] = ratio;
        scale_forms_[*at] = form;
        settle_scale();
        return true;
    }
    if (table == DocumentTable::FixedTones) {
        const std::optional<size_t> at = existing_row(row, fixed_tones_.size());
        if (!at) return false;
        if (!number) return refusal("A fixed-tone ratio must be a number.");
        if (auto outside = value_refusal(BoundedValue::FixedToneRatio, *number))
            return refusal(std::move(*outside));
        if (*number == fixed_tones_[*at]) return false;
        fixed_tones_[*at] = *number;
        return true;
    }
    return false;
}

}  // namespace kelvara
