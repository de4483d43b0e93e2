#pragma once
// RatioTables: the two ratio lists of a document and what their tables show and take. The
// scale ratios are kept sorted: every change sorts the list before it returns, so a row
// always shows the ratio in its ordered place. The fixed tones keep the order they were
// entered in; at most kMaxDissonanceRatios. Every ratio that enters either list keeps the
// ratio bounds (base/value_limits.h).
//
// Nothing here shows, beeps or resamples: each change reports a refusal as an Error whose
// description says why (base/error.h: refusal), and Document runs the follow-up. Rows count from 0;
// a row outside a table gives no value and an edit of it changes nothing.
//
// Threads: user-interface thread only.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "base/error.h"
#include "document/actions.h"
#include "document/table_cells.h"

namespace kelvara {

class RatioTables {
public:
    // A new document's lists: no scale ratio, one fixed tone at 1.
    RatioTables();

    const std::vector<float>& scale_ratios() const { return scale_ratios_; }
    const std::vector<float>& fixed_tones() const { return fixed_tones_; }

    // Refused: DeleteSelected without a selected row.
    Result<void> apply(ScaleAction action, std::optional<size_t> selected_row);
    // Replace: the scale becomes the preset's values; Add: the values not in the scale
    // already join it. Sorted either way; true when the scale changed. Refused, and nothing
    // changed: an equal division into fewer than 1 step or of an interval below
    // kMinEqualDivisionBase, more than kMaxGeneratedRatios values, or a value outside the
    // ratio bounds.
    Result<bool> add_preset(ScalePreset preset, const ScaleGeneratorFields& fields,
                            ScaleImportMode mode);
    // Refused, and the list as it was: a full list, nothing selected.
    Result<void> apply(FixedToneAction action, std::optional<size_t> selected_scale_row,
                       std::optional<size_t> selected_tone_row);
    // Replaces the whole fixed-tone list; refused (nothing changed) for more than
    // kMaxDissonanceRatios ratios or a ratio outside the bounds.
    Result<void> set_fixed_tones(std::span<const float> ratios);
    // Both lists as a document file holds them (checked by the file's validation).
    void replace(std::vector<float> scale_ratios, std::vector<float> fixed_tones);

    // --- the scale and fixed-tone tables ------------------------------------------------
    int32_t row_count(DocumentTable table) const;
    std::optional<CellValue> cell_value(DocumentTable table, TableColumn column, int32_t row) const;
    // A scale cell takes a ratio (Ratios) or a size in cents (Cents), a fixed-tone cell a
    // ratio; a ratio outside the bounds is refused and the old one stays. True when the
    // list changed; false for the value already stored or a row outside the table.
    Result<bool> edit_cell(DocumentTable table, TableColumn column, int32_t row,
                           const CellValue& value);

private:
    std::vector<float> scale_ratios_;
    std::vector<float> fixed_tones_;
};

}  // namespace kelvara
