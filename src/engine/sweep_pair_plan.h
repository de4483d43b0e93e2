#pragma once
// Which pairs of the sweep tone the fast kernel computes, planned once for a stretch of
// samples rather than at every sample.
//
// Between two samples the sweep tone moves by a step of a percent or less, and the pairs it
// keeps under the cutoff barely change. A plan is made for a window around each sweep
// partial's frequency: it keeps every pair that any frequencies inside the windows would
// keep, so it stays correct (it only computes a pair or two more) for as long as each sweep
// partial stays inside its window. Then a sample costs no searching at all; the next plan is
// made when a partial leaves its window or the cutoff changes.
//
// The plan has two parts:
// - each sweep partial against the fixed partials it keeps, as blocks of eight columns;
// - the sweep partials among themselves, as diagonals of the pair matrix (pairs d places
//   apart in the ascending list), each from the first row that reaches that far.
#include <cstdint>
#include <vector>

#include "engine/roughness_rows.h"

namespace kelvara::roughness_rows {

class SweepPairPlan {
public:
    // vector_instructions: the processor has AVX2 and FMA.
    explicit SweepPairPlan(bool vector_instructions) : vector_instructions_(vector_instructions) {}

    // Room for lists of up to max_partials partials in all; nothing is allocated after it.
    void reserve(int32_t max_partials);

    // Whether the plan holds for the sweep partials `sweep` (ascending).
    bool covers(const float* sweep, int32_t sweep_count) const;

    // Plans for the sweep partials where they are now, against the ascending fixed partials,
    // keeping every pair whose roughness exponent can be at most `cutoff`.
    void make(const float* fixed, int32_t fixed_count, const float* sweep, int32_t sweep_count,
              double cutoff);

    // Forgets the plan: the next covers() is false.
    void clear() { sweep_count_ = -1; }

    const Block* across_blocks() const { return across_blocks_.data(); }
    int32_t across_block_count() const { return across_block_count_; }
    const int32_t* first_row_at_offset() const { return first_row_at_offset_.data(); }
    int32_t max_offset() const { return max_offset_; }

private:
    bool vector_instructions_;
    int32_t sweep_count_ = -1;  // of the list planned for; -1: no plan
    float planned_top_ = 0.0f;  // its highest partial: which way the tone moves since
    std::vector<float> window_low_, window_high_;
    std::vector<Block> across_blocks_;
    int32_t across_block_count_ = 0;
    // [d]: the first sweep partial whose range reaches the one d places up the list.
    std::vector<int32_t> first_row_at_offset_;
    int32_t max_offset_ = 0;
};

}  // namespace kelvara::roughness_rows
