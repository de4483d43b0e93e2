#include "document/partial_list.h"

#include <cmath>

#include "base/value_limits.h"
#include "engine/engine_limits.h"
#include "scales/decimal_text.h"

namespace kelvara {
namespace {

std::optional<size_t> existing_row(int32_t row, size_t size) {
    if (row < 0 || static_cast<size_t>(row) >= size) return std::nullopt;
    return static_cast<size_t>(row);
}

std::string too_many() {
    return "A custom timbre holds at most " + std::to_string(kMaxCustomPartials) + " partials.";
}

// The partial's value in a column, as the partial stores it.
std::optional<double> stored(const Partial& partial, TableColumn column) {
    switch (column) {
        case TableColumn::PartialRatio: return partial.ratio;
        case TableColumn::PartialAmplitude: return partial.amplitude;
        case TableColumn::PartialDecibels: return decibels_of_amplitude(partial.amplitude);
        default: return std::nullopt;
    }
}

// Puts a column's value into the partial; refused when it is not a number of the column.
Result<void> put(Partial& partial, TableColumn column, double value) {
    if (column == TableColumn::PartialRatio) {
        if (auto outside = value_refusal(BoundedValue::PartialRatio, value))
            return refusal(std::move(*outside));
        partial.ratio = value;
        return {};
    }
    if (column == TableColumn::PartialDecibels) {
        // Every finite level is a positive amplitude; the bounds then apply to it.
        if (std::isnan(value)) return refusal("A level in decibels must be a number.");
        const double amplitude = amplitude_of_decibels(value);
        if (auto outside = value_refusal(BoundedValue::PartialAmplitude, amplitude))
            return refusal(*outside + " In decibels: at most " +
                           number_text(decibels_of_amplitude(kPartialAmplitudeBounds.max)) +
                           " dB.");
        partial.amplitude = amplitude;
        return {};
    }
    if (auto outside = value_refusal(BoundedValue::PartialAmplitude, value))
        return refusal(std::move(*outside));
    partial.amplitude = value;
    return {};
}

bool is_partial_column(TableColumn column) {
    return column == TableColumn::PartialRatio || column == TableColumn::PartialAmplitude ||
           column == TableColumn::PartialDecibels;
}

}  // namespace

std::optional<std::string> custom_partials_refusal(std::span<const Partial> partials) {
    if (partials.empty()) return "A custom timbre needs at least one partial.";
    if (partials.size() > static_cast<size_t>(kMaxCustomPartials)) return too_many();
    for (const Partial& partial : partials) {
        if (auto outside = value_refusal(BoundedValue::PartialRatio, partial.ratio)) return outside;
        if (auto outside = value_refusal(BoundedValue::PartialAmplitude, partial.amplitude))
            return outside;
    }
    return std::nullopt;
}

double decibels_of_amplitude(double amplitude) {
    return 20.0 * std::log10(amplitude);
}

double amplitude_of_decibels(double decibels) {
    return std::pow(10.0, decibels / 20.0);
}

std::optional<CellValue> partial_cell_value(std::span<const Partial> partials, TableColumn column,
                                            int32_t row) {
    const std::optional<size_t> at = existing_row(row, partials.size());
    if (!at) return std::nullopt;
    if (const std::optional<double> value = stored(partials[*at], column)) return *value;
    return std::nullopt;
}

Result<std::optional<std::vector<Partial>>> with_partial_cell(std::span<const Partial> partials,
                                                              TableColumn column, int32_t row,
                                                              const CellValue& value) {
    const std::optional<size_t> at = existing_row(row, partials.size());
    if (!at || !is_partial_column(column)) return std::optional<std::vector<Partial>>();
    const std::optional<double> number = cell_as_double(value);
    if (!number) return refusal("A partial's value must be a number.");
    std::vector<Partial> changed(partials.begin(), partials.end());
    if (Result<void> put_in = put(changed[*at], column, *number); !put_in) return put_in.error();
    if (changed[*at] == partials[*at]) return std::optional<std::vector<Partial>>();
    return std::optional<std::vector<Partial>>(std::move(changed));
}

Result<std::vector<Partial>> with_appended_partial(std::span<const Partial> partials) {
    if (partials.size() >= static_cast<size_t>(kMaxCustomPartials)) return refusal(too_many());
    double highest = 0.0;
    for (const Partial& partial : partials) highest = std::max(highest, partial.ratio);
    const double ratio = std::floor(highest) + 1.0;
    if (ratio > kPartialRatioBounds.max)
        return refusal("No whole ratio up to " + number_text(kPartialRatioBounds.max) +
                       " lies above the highest partial.");
    std::vector<Partial> appended(partials.begin(), partials.end());
    appended.push_back({ratio, partials.empty() ? 1.0 : partials.back().amplitude});
    return appended;
}

Result<std::vector<Partial>> without_partial(std::span<const Partial> partials,
                                             std::optional<size_t> row) {
    if (!row || *row >= partials.size()) return refusal("Select a partial to delete.");
    if (partials.size() == 1) return refusal("A custom timbre keeps at least one partial.");
    std::vector<Partial> kept(partials.begin(), partials.end());
    kept.erase(kept.begin() + static_cast<std::ptrdiff_t>(*row));
    return kept;
}

Result<std::vector<Partial>> with_pasted_column(std::span<const Partial> partials,
                                                TableColumn column, int32_t first_row,
                                                std::span<const double> values) {
    if (!is_partial_column(column)) return refusal("Paste into a ratio or amplitude column.");
    if (values.empty()) return refusal("There are no numbers to paste.");
    if (first_row < 0 || static_cast<size_t>(first_row) > partials.size())
        return refusal("Select the row to paste into.");
    const size_t end = static_cast<size_t>(first_row) + values.size();
    if (end > static_cast<size_t>(kMaxCustomPartials))
        return refusal(too_many() + " The pasted numbers would make " + std::to_string(end) + ".");
    std::vector<Partial> pasted(partials.begin(), partials.end());
    for (size_t i = 0; i < values.size(); ++i) {
        const size_t row = static_cast<size_t>(first_row) + i;
        if (row == pasted.size()) pasted.push_back({static_cast<double>(row + 1), 1.0});
        if (Result<void> put_in = put(pasted[row], column, values[i]); !put_in)
            return refusal("Row " + std::to_string(row + 1) + ": " + put_in.error().description);
    }
    if (auto refused = custom_partials_refusal(pasted)) return refusal(std::move(*refused));
    return pasted;
}

}  // namespace kelvara
