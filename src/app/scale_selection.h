#pragma once
// Which scale row stays selected when the scale changes, so the graph's cursor line and the
// table's highlighted row never disagree: the table is kept sorted, and a preset, an edit,
// Delete, Clear or an undo can move every row.
#include <cstddef>
#include <optional>
#include <vector>

namespace kelvara {

// The row to select in `after` when `row` of `before` was selected:
// - the selected ratio is still there (other rows came or went, or moved in the sort): its
//   row now (of equal ratios, the one nearest the old row);
// - it was edited (as many rows as before): the row of the new value;
// - it was deleted: the row that took its place, or the last row; nothing once the scale
//   is empty.
// Nothing was selected: nothing is.
std::optional<size_t> row_after_change(const std::vector<float>& before, std::optional<size_t> row,
                                       const std::vector<float>& after);

}  // namespace kelvara
