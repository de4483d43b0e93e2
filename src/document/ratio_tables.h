#pragma once
// RatioTables: the two ratio lists of a document and what their tables show and take. The
// scale ratios are kept sorted: every change sorts the list before it returns, so a row
// always shows the ratio in its ordered place. The fixed tones keep the order they were
// entered in; at most kMaxDissonanceRatios. Every ratio that enters either list keeps the
// ratio bounds (base/value_limits.h).
//
// Each scale ratio may keep the form it was given in (scales/ratio_form.h: "16/15",
// "63.15789c"), held beside it through every sort, edit and removal; a form that no longer
// names its ratio is dropped, so a cell never shows a form for another value. The scale's
// description (a scale file's) is kept with the list.
//
// Nothing here shows, beeps or resamples: each change reports a refusal as an Error whose
// description says why (base/error.h: refusal), and Document runs the follow-up. Rows count from 0;
// a row outside a table gives no value and an edit of it changes nothing.
//
// Threads: user-interface thread only.
#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <string>
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
    // The form of each scale ratio, row by row ("" for none).
    const std::vector<std::string>& scale_forms() const { return scale_forms_; }
    const std::string& scale_description() const { return scale_description_; }
    void set_scale_description(std::string description) {
        scale_description_ = std::move(description);
    }
    // What the Ratio cell of a scale row shows (ratio_display_text); "" outside the table.
    std::string scale_ratio_text(int32_t row) const;

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
    // Both lists, a scale ratio keeping the form `forms` gives its value, else the form an
    // equal ratio had before (an imported scale, minima added to the scale).
    void replace(std::vector<float> scale_ratios, std::vector<float> fixed_tones,
                 const std::map<float, std::string>& forms = {});
    // Both lists and the forms row by row as a document file holds them (checked by the
    // file's validation); forms that do not name their ratio are dropped.
    void restore(std::vector<float> scale_ratios, std::vector<float> fixed_tones,
                 std::vector<std::string> scale_forms, std::string scale_description);

    // --- the scale and fixed-tone tables ------------------------------------------------
    int32_t row_count(DocumentTable table) const;
    std::optional<CellValue> cell_value(DocumentTable table, TableColumn column, int32_t row) const;
    // A scale cell takes a ratio (Ratios) or a size in cents (Cents), or in either a
    // TypedRatio, whose form the row then keeps; a fixed-tone cell a ratio; a ratio outside the
    // bounds is refused and the old one stays. True when the list changed; false for the value
    // already stored or a row outside the table.
    Result<bool> edit_cell(DocumentTable table, TableColumn column, int32_t row,
                           const CellValue& value);

private:
    // Sorts the scale with its forms and drops the forms that no longer name their ratio.
    void settle_scale();

    std::vector<float> scale_ratios_;
    std::vector<std::string> scale_forms_;  // as long as scale_ratios_
    std::string scale_description_;
    std::vector<float> fixed_tones_;
};

}  // namespace kelvara
