#pragma once
// The scale generator: just-intonation, harmonic-series and equal-division ratio lists for
// the scale table. Every value is computed in 64 bits and stored as the nearest 32-bit float.
#include <cstdint>
#include <optional>
#include <vector>

namespace kelvara {

// The most values one generator run may produce. An equal division needs about
// tet * log(4) / log(base) values (about 14.5 * tet for the smallest base, 1.1), and a
// division count below -2 walks down from 1 and would never reach 4: a run that would go
// past this many values is refused as a whole, so no count can loop forever or exhaust
// memory. 10 000 is far beyond any scale a table can usefully show.
inline constexpr int32_t kMaxGeneratedRatios = 10000;

// The generator's modes, by the division count `tet`.
// 39 just ratios from 1 to 4, every fraction of odd limit 9 (19 to the octave: 1, 10/9, 9/8,
// 8/7, 7/6, 6/5, 5/4, 9/7, 4/3, 7/5, 10/7, 3/2, 14/9, 8/5, 5/3, 12/7, 7/4, 16/9, 9/5), by
// size; base ignored.
inline constexpr int32_t kJustRatiosTet = 0;
inline constexpr int32_t kSixteenStepHarmonicTet =
    -1;  // 33 values: base * 16/16 .. 32/16, then 17/8 .. 32/8
inline constexpr int32_t kEightStepHarmonicTet =
    -2;  // 17 values: base * 8/8 .. 16/8, then 9/4 .. 16/4
// Any other tet: base^(i / tet) for i = 0, 1, ... up to and including the first value >= 4.
// Nothing for a base below 1.1 or not a number.
inline constexpr double kMinEqualDivisionBase = 1.1;

// The values one generator run produces, in the order generated; nothing when the run would
// exceed kMaxGeneratedRatios values.
std::optional<std::vector<float>> generate_scale_values(int32_t tet, double base);

// Inserts the generated values into `list`, the first at `start_index` and each next one after
// it, ahead of the entry that stood there; neither clears nor sorts the list. A start index
// outside 0..size is clamped to it. Returns false, and leaves the list as it was, when the run
// is refused (above).
bool insert_generated_ratios(std::vector<float>& list, int32_t tet, double base,
                             int32_t start_index);

}  // namespace kelvara
