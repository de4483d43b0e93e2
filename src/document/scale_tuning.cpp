#include "document/scale_tuning.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <map>

#include "persistence/anamark_tuning_file.h"
#include "scales/ratio_form.h"
#include "scales/ratio_text.h"

namespace kelvara {
namespace {

Error tuning_refusal(std::string reason) {
    Error error;
    error.description = "The scale table cannot be made a tuning.";
    error.reason = std::move(reason);
    return error;
}

template <typename Number>
bool read_whole_text(std::string_view text, Number& value) {
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && end == text.data() + text.size();
}

// The entries of the chosen rows, or the whole table when none are chosen.
Result<std::vector<float>> chosen_entries(std::span<const float> table,
                                          const std::vector<int32_t>& rows) {
    if (rows.empty()) return std::vector<float>(table.begin(), table.end());
    std::vector<float> entries;
    for (const int32_t row : rows) {
        if (row < 0 || static_cast<size_t>(row) >= table.size())
            return tuning_refusal("Row " + std::to_string(row + 1) +
                                  " was chosen, but the scale table has " +
                                  std::to_string(table.size()) + " rows.");
        entries.push_back(table[static_cast<size_t>(row)]);
    }
    return entries;
}

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    return text;
}

}  // namespace

std::optional<std::vector<int32_t>> table_rows_from_text(std::string_view text) {
    std::vector<int32_t> rows;
    while (true) {
        const std::string_view item = text.substr(0, text.find(','));
        const size_t dash = item.find('-');
        int32_t first = 0, last = 0;
        if (!read_whole_text(trimmed(item.substr(0, dash)), first)) return std::nullopt;
        last = first;
        if (dash != std::string_view::npos &&
            !read_whole_text(trimmed(item.substr(dash + 1)), last))
            return std::nullopt;
        if (first < 1 || last < first || last - first >= kMaxGeneratedRatios) return std::nullopt;
        for (int32_t row = first; row <= last; ++row) rows.push_back(row - 1);
        if (item.size() == text.size()) return rows;
        text.remove_prefix(item.size() + 1);
    }
}

namespace {

// The pitch each form names, by the ratio it belongs to.
std::map<float, ScalePitch> given_pitches(std::span<const float> table,
                                          std::span<const std::string> forms) {
    std::map<float, ScalePitch> pitches;
    for (size_t i = 0; i < std::min(table.size(), forms.size()); ++i)
        if (ratio_of_form(forms[i]) == table[i])
            pitches.emplace(table[i], *parse_pitch_text(forms[i]));
    return pitches;
}

}  // namespace

Result<ScaleTuning> scale_tuning(std::span<const float> whole_table, double base_frequency_hz,
                                 const TuningChoice& choice, std::string description,
                                 std::span<const std::string> forms) {
    const Result<std::vector<float>> entries = chosen_entries(whole_table, choice.rows);
    if (!entries) return entries.error();
    const std::span<const float> table = *entries;
    if (choice.reference_key < kLowestMidiKey || choice.reference_key > kHighestMidiKey)
        return tuning_refusal("The reference key must be a MIDI key " +
                              bounds_text(BoundedValue::MidiKey) + ", not " +
                              std::to_string(choice.reference_key) + ".");
    if (!std::isfinite(base_frequency_hz) || !(base_frequency_hz > 0.0))
        return tuning_refusal("The base frequency must be a number of hertz above 0.");
    const std::optional<float> period = choice.period ? choice.period : default_period(table);
    if (!period)
        return tuning_refusal(
            "The scale table has no ratio above 1/1, so there is no period to repeat by.");
    if (!(*period > 1.0f) || !(*period <= kMaxScaleRatio))
        return tuning_refusal("The period must be a ratio above 1/1 and at most 1000.");

    const std::optional<TablePeriod> cut = one_period_of_table(table, *period);
    std::optional<ScalaScale> scale =
        cut ? scala_scale_of_table(std::move(description), cut->steps, *period,
                                   given_pitches(whole_table, forms))
            : std::nullopt;
    std::optional<PeriodicScale> periodic = cut ? periodic_scale_of(*cut) : std::nullopt;
    // A cut of finite ratios always converts; this guards the promise, not a user's value.
    if (!scale || !periodic) return tuning_refusal("The scale table holds no usable ratios.");
    return ScaleTuning{std::move(*scale), std::move(*periodic),
                       linear_keyboard_mapping(choice.reference_key, base_frequency_hz),
                       cut->entries_not_repeating};
}

std::string scale_file_text(const ScaleTuning& tuning) {
    return write_scala_scale(tuning.scale);
}

std::string keyboard_mapping_file_text(const ScaleTuning& tuning) {
    return write_keyboard_mapping(tuning.mapping, tuning.periodic.degrees_per_period());
}

KeyFrequencies key_frequencies(const ScaleTuning& tuning) {
    return key_frequencies_hz(tuning.periodic, tuning.mapping);
}

std::array<uint8_t, kMtsBulkDumpBytes> tuning_dump(const ScaleTuning& tuning) {
    return mts_bulk_dump(MtsAddress::all_devices(), tuning.scale.description,
                         key_frequencies(tuning));
}

std::string tun_file_text(const ScaleTuning& tuning) {
    return write_anamark_tuning(tuning.scale.description, key_frequencies(tuning));
}

std::optional<float> ratio_from_text(std::string_view text) {
    double ratio = 0.0;
    const size_t slash = text.find('/');
    if (slash == std::string_view::npos) {
        if (!read_whole_text(text, ratio)) return std::nullopt;
    } else {
        int64_t numerator = 0;
        int64_t denominator = 0;
        if (!read_whole_text(text.substr(0, slash), numerator) ||
            !read_whole_text(text.substr(slash + 1), denominator) || denominator <= 0)
            return std::nullopt;
        ratio = static_cast<double>(numerator) / static_cast<double>(denominator);
    }
    const auto stored = static_cast<float>(ratio);
    if (!std::isfinite(stored) || !(stored > 0.0f)) return std::nullopt;
    return stored;
}

}  // namespace kelvara
