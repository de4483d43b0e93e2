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
    for (auto* window : {&_window_low, &_window_high}) window->assign(capacity, 0.0f);
    // s sweep partials against at most capacity − s fixed ones, in blocks of eight:
    // s·⌈(capacity − s)/8⌉ ≤ capacity²/32 + capacity blocks.
    _across_blocks.assign(capacity * capacity / 32 + capacity, {});
    _first_row_at_offset.assign(capacity + 1, 0);
    clear();
}

bool SweepPairPlan::covers(const float* sweep, int32_t sweep_count) const {
    if (sweep_count != _sweep_count) return false;
    return _vector_instructions
               ? all_within_avx2(sweep, _window_low.data(), _window_high.data(), sweep_count)
               : all_within_portable(sweep, _window_low.data(), _window_high.data(), sweep_count);
}

void SweepPairPlan::make(const float* fixed, int32_t fixed_count, const float* sweep,
                         int32_t sweep_count, double cutoff) {
    // The sweep tone moves one way through a run: the windows reach far that way and only a
    // little the other, so that a plan serves many samples without adding many pairs.
    float below = kEitherWayWindow, above = kEitherWayWindow;
    if (sweep_count == _sweep_count && sweep_count > 0) {
        const float top = sweep[sweep_count - 1];
        if (top > _planned_top) below = kBackWindow, above = kForwardWindow;
        if (top < _planned_top) below = kForwardWindow, above = kBackWindow;
    }
    _sweep_count = sweep_count;
    _planned_top = sweep_count > 0 ? sweep[sweep_count - 1] : 0.0f;
    // Rounding keeps the window edges ascending with the partials.
    for (int32_t r = 0; r < sweep_count; ++r) {
        _window_low[r] = sweep[r] * (1.0f - below);
        _window_high[r] = sweep[r] * (1.0f + above);
    }
    // The computed bounds lie outside the exact ones at the window's edges, and the exact
    // ones grow with the frequency: every frequency inside the window keeps fewer partials.
    const KeptRanges kept(cutoff);
    _across_block_count = 0;
    _max_offset = 0;
    for (int32_t r = 0; r < sweep_count; ++r) {
        const float low = kept.low(_window_low[r]), high = kept.high(_window_high[r]);
        const int32_t begin = count_up_to<false>(fixed, fixed_count, low);
        const int32_t end = count_up_to<true>(fixed, fixed_count, high);
        for (int32_t column = begin; column < end; column += kBlockColumns)
            _across_blocks[static_cast<size_t>(_across_block_count++)] = {r, column};
        // A later sweep partial whose window begins above `high` is out of reach wherever
        // both stand, and so is every one after it.
        const int32_t reach = count_up_to<true>(_window_low.data(), sweep_count, high) - r - 1;
        while (_max_offset < reach) _first_row_at_offset[++_max_offset] = r;
    }
}

}  // namespace kelvara::roughness_rows
