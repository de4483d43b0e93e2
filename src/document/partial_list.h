#pragma once
// The partial list of a custom timbre as its table edits it: what each cell shows and takes,
// the partial a button appends, a pasted column, and why a list cannot be a timbre. Every
// change returns the new list, or a refusal whose description says why; the list given is
// never changed, so that Document applies a list whole or not at all.
//
// A list is a timbre when it holds 1 to kMaxCustomPartials partials, each ratio and each
// amplitude within its bounds (base/value_limits.h: PartialRatio, PartialAmplitude). Rows
// count from 0, in the order entered.
//
// Pure functions; any thread.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "base/error.h"
#include "document/table_cells.h"
#include "engine/partials.h"

namespace kelvara {

// Why `partials` cannot be a custom timbre ("A partial's ratio must be 0.001–1000."); nothing
// when it can.
std::optional<std::string> custom_partials_refusal(std::span<const Partial> partials);

// An amplitude in decibels relative to 1 (−inf for 0), and back.
double decibels_of_amplitude(double amplitude);
double amplitude_of_decibels(double decibels);

// A cell of the partial table: PartialRatio, PartialAmplitude or PartialDecibels (double).
// Nothing for another column or a row outside the list.
std::optional<CellValue> partial_cell_value(std::span<const Partial> partials, TableColumn column,
                                            int32_t row);

// The list with one cell changed. Nothing (no refusal) for a row outside the list, another
// column or the value already stored; refused for a value outside its bounds or not a number.
Result<std::optional<std::vector<Partial>>> with_partial_cell(std::span<const Partial> partials,
                                                              TableColumn column, int32_t row,
                                                              const CellValue& value);

// The list with a partial appended above the highest one: the next whole ratio above it,
// with the last partial's amplitude. Refused for a full list or no room below the highest
// ratio.
Result<std::vector<Partial>> with_appended_partial(std::span<const Partial> partials);

// The list without the row. Refused without a row, or for the last partial.
Result<std::vector<Partial>> without_partial(std::span<const Partial> partials,
                                             std::optional<size_t> row);

// The list with `values` pasted down one column from `first_row`: rows past the end are
// appended, with ratio row + 1 (a harmonic) or amplitude 1 for the column not pasted.
// Refused, with the row named, when a value or the resulting list is not a timbre; also for
// no values, a first row past the end, or a column that is not a partial's.
Result<std::vector<Partial>> with_pasted_column(std::span<const Partial> partials,
                                                TableColumn column, int32_t first_row,
                                                std::span<const double> values);

}  // namespace kelvara
