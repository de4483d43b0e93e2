#include "engine/sweep_pair_plan.h"

#include "engine/kept_ranges.h"

namespace kelvara::roughness_rows {
namespace {

// How far a window reaches, as a fraction of the partial's frequency. Once the tone has
// moved one way, a window reaches ten or more samples' worth of the default step that way
// and hardly any the other; before that, a little both ways. Wider windows add pairs,
// narrower ones add plans: these were the fastest on the benchmark cases.
constexpr float kForwardWindow = 1.0f / 16.0f;
constexpr float kBackWindow = 1.0f / 1024.0f;
constexpr float kEitherWayWindow = 1.0f / 64.0f;

}  // namespace

void SweepPairPlan::reserve(int32_t max_partials) {
    const auto capacity = static_cast<size_t>(std::max(max_partials, 0));
    for (auto* window : {&window_low_, &window_high_}) window->assign(capacity, 0.0f);
    // s sweep partials against at most capacity − s fixed ones, in blocks of eight:
    // s·⌈(capacity − s)/8⌉ ≤ capacity²/32 + capacity blocks.
    across_blocks_.assign(capacity * capacity / 32 + capacity, {});
    first_row_at_offset_.assign(capacity + 1, 0);
    clear();
}

bool SweepPairPlan::covers(const float* sweep, int32_t sweep_count) const {
    if (sweep_count != sweep_count_) return false;
    return vector_instructions_
               ? all_within_avx2(sweep, window_low_.data(), window_high_.data(), sweep_count)
               : all_within_portable(sweep, window_low_.data(), window_high_.data(), sweep_count);
}

void SweepPairPlan::make(const float* fixed, int32_t fixed_count, const float* sweep,
                         int32_t sweep_count, double cutoff) {
    // The sweep tone moves one way through a run: the windows reach far that way and only a
    // little the other, so that a plan serves many samples without adding many pairs.
    float below = kEitherWayWindow, above = kEitherWayWindow;
    if (sweep_count == sweep_count_ && sweep_count > 0) {
        const float top = sweep[sweep_count - 1];
        if (top > planned_top_) below = kBackWindow, above = kForwardWindow;
        if (top < planned_top_) below = kForwardWindow, above = kBackWindow;
    }
    sweep_count_ = sweep_count;
    planned_top_ = sweep_count > 0 ? sweep[sweep_count - 1] : 0.0f;
    // Rounding keeps the window edges ascending with the partials.
    for (int32_t r = 0; r < sweep_count; ++r) {
        window_low_[r] = sweep[r] * (1.0f - below);
        window_high_[r] = sweep[r] * (1.0f + above);
    }
    // The computed bounds lie outside the exact ones at the window's edges, and the exact
    // ones grow with the frequency: every frequency inside the window keeps fewer partials.
    const KeptRanges kept(cutoff);
    across_block_count_ = 0;
    max_offset_ = 0;
    for (int32_t r = 0; r < sweep_count; ++r) {
        const float low = kept.low(window_low_[r]), high = kept.high(window_high_[r]);
        const int32_t begin = count_up_to<false>(fixed, fixed_count, low);
        const int32_t end = count_up_to<true>(fixed, fixed_count, high);
        for (int32_t column = begin; column < end; column += kBlockColumns)
            across_blocks_[static_cast<size_t>(across_block_count_++)] = {r, column};
        // A later sweep partial whose window begins above `high` is out of reach wherever
        // both stand, and so is every one after it.
        const int32_t reach = count_up_to<true>(window_low_.data(), sweep_count, high) - r - 1;
        while (max_offset_ < reach) first_row_at_offset_[++max_offset_] = r;
    }
}

}  // namespace kelvara::roughness_rows
