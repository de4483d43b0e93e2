#include "document/ratio_tables.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

#include "engine/engine_limits.h"
#include "scales/ratio_list.h"
#include "scales/scale_generator.h"

namespace kelvara {
namespace {

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

}  // namespace

RatioTables::RatioTables() : fixed_tones_{1.0f} {}

bool RatioTables::apply(ScaleAction action, std::optional<size_t> selected_row) {
    bool accepted = true;
    switch (action) {
        case ScaleAction::AppendUnison: scale_ratios_.push_back(1.0f); break;
        case ScaleAction::DeleteSelected:
            if (selected_row && *selected_row < scale_ratios_.size())
                scale_ratios_.erase(scale_ratios_.begin() +
                                    static_cast<std::ptrdiff_t>(*selected_row));
            else
                accepted = false;
            break;
        case ScaleAction::RemoveAll: scale_ratios_.clear(); break;
    }
    sort_ratios(scale_ratios_);
    return accepted;
}

bool RatioTables::add_preset(ScalePreset preset, const ScaleGeneratorFields& fields,
                             std::optional<size_t> selected_row) {
    const auto [tet, base] = generator_arguments(preset, fields);
    // The values go in at the selected row; the list is sorted right after, so this only
    // decides where equal values meet.
    const auto start = static_cast<int32_t>(selected_row.value_or(0));
    const bool accepted = insert_generated_ratios(scale_ratios_, tet, base, start);
    sort_ratios(scale_ratios_);
    return accepted;
}

bool RatioTables::apply(FixedToneAction action, std::optional<size_t> selected_scale_row,
                        std::optional<size_t> selected_tone_row) {
    const bool has_room = fixed_tones_.size() < static_cast<size_t>(kMaxDissonanceRatios);
    switch (action) {
        case FixedToneAction::AppendUnison:
            if (!has_room) return false;
            fixed_tones_.push_back(1.0f);
            return true;
        case FixedToneAction::CopySelectedScaleRatio: {
            // A scale ratio is never range-checked; one that cannot be a tone is refused.
            const bool selected = selected_scale_row && *selected_scale_row < scale_ratios_.size();
            if (!has_room || !selected ||
                !is_usable_fixed_tone_ratio(scale_ratios_[*selected_scale_row]))
                return false;
            fixed_tones_.push_back(scale_ratios_[*selected_scale_row]);
            return true;
        }
        case FixedToneAction::DeleteSelected:
            if (!selected_tone_row || *selected_tone_row >= fixed_tones_.size()) return false;
            fixed_tones_.erase(fixed_tones_.begin() +
                               static_cast<std::ptrdiff_t>(*selected_tone_row));
            return true;
    }
    return false;
}

bool RatioTables::set_fixed_tones(std::span<const float> ratios) {
    if (ratios.size() > static_cast<size_t>(kMaxDissonanceRatios) ||
        !std::all_of(ratios.begin(), ratios.end(), is_usable_fixed_tone_ratio))
        return false;
    fixed_tones_.assign(ratios.begin(), ratios.end());
    return true;
}

void RatioTables::replace(std::vector<float> scale_ratios, std::vector<float> fixed_tones) {
    scale_ratios_ = std::move(scale_ratios);
    sort_ratios(scale_ratios_);
    fixed_tones_ = std::move(fixed_tones);
}

int32_t RatioTables::row_count(DocumentTable table) const {
    switch (table) {
        case DocumentTable::ScaleRatios: return rows_of(scale_ratios_);
        case DocumentTable::FixedTones: return rows_of(fixed_tones_);
        case DocumentTable::MappedChords: return 0;
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

bool RatioTables::edit_cell(DocumentTable table, TableColumn column, int32_t row,
                            const CellValue& value) {
    const std::optional<float> number = cell_as_float(value);
    if (table == DocumentTable::ScaleRatios) {
        const std::optional<size_t> at = existing_row(row, scale_ratios_.size());
        if (!at || !number) return true;
        if (column == TableColumn::Ratios) scale_ratios_[*at] = *number;
        if (column == TableColumn::Cents) scale_ratios_[*at] = ratio_of_cents(*number);
        sort_ratios(scale_ratios_);
        return true;
    }
    if (table == DocumentTable::FixedTones) {
        const std::optional<size_t> at = existing_row(row, fixed_tones_.size());
        if (!at) return true;
        // Fixed tones keep the rule every other path keeps (set_fixed_tones, the file).
        if (!number || !is_usable_fixed_tone_ratio(*number)) return false;
        fixed_tones_[*at] = *number;
    }
    return true;
}

}  // namespace kelvara
