#include "engine/fast_dissonance_kernel.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "engine/kept_ranges.h"

namespace kelvara {
namespace {

using roughness_rows::BlockQueue;
using roughness_rows::Columns;
using roughness_rows::count_up_to;
using roughness_rows::exponent_scale;
using roughness_rows::KeptRanges;
using roughness_rows::kMaxCutoff;
using roughness_rows::kPadding;

// A skipped term is at most e^(−3.5 s) rounded to a float: this much above the exact value.
constexpr double kExpRoundingAllowance = 1.0 + 1e-6;

// The padding after `count` columns: partials at 0 Hz without amplitude, ordinary numbers
// for the blocks that read into them.
void pad(float* frequency, float* scale, float* amplitude, int32_t count) {
    std::fill_n(frequency + count, kPadding, 0.0f);
    std::fill_n(scale + count, kPadding, exponent_scale(0.0f));
    std::fill_n(amplitude + count, kPadding, 0.0f);
}

bool is_ordinary_frequency(float frequency) {
    return std::isfinite(frequency) && frequency >= 0.0f;
}

// Each partial of `list` (ascending) against the later ones, up to its kept range.
void queue_pairs_within(const float* frequencies, int32_t count, const KeptRanges& kept,
                        BlockQueue& queue) {
    for (int32_t i = 0; i < count; ++i) {
        const int32_t end = count_up_to<true>(frequencies, count, kept.high(frequencies[i]));
        if (end > i + 1) queue.add_row(i, i + 1, end);
    }
}

// A request the processor cannot run falls back rather than faulting.
KernelInstructions runnable(KernelInstructions instructions) {
    if (instructions == KernelInstructions::Avx512 && !roughness_rows::cpu_has_avx512())
        instructions = KernelInstructions::Avx2;
    if (instructions != KernelInstructions::Portable && !roughness_rows::cpu_has_avx2_fma())
        instructions = KernelInstructions::Portable;
    return instructions;
}

}  // namespace

void FastKernel::sort_by_frequency(FrequencyAmplitude* partials, int32_t count) {
    // In place: std::sort allocates nothing.
    std::sort(partials, partials + count,
              [](const FrequencyAmplitude& a, const FrequencyAmplitude& b) {
                  return a.frequency < b.frequency;
              });
}

KernelInstructions best_kernel_instructions() {
    return runnable(KernelInstructions::Avx512);
}

FastKernel::FastKernel(KernelInstructions instructions, double relative_skip_tolerance)
    : _instructions(runnable(instructions)),
      _relative_skip_tolerance(relative_skip_tolerance),
      _plan(_instructions != KernelInstructions::Portable) {}

void FastKernel::reserve(int32_t max_partials) {
    _capacity = std::max(max_partials, 0);
    const auto padded = static_cast<size_t>(_capacity + kPadding);
    for (auto* column : {&_fixed_frequency, &_fixed_scale, &_fixed_amplitude, &_sweep_frequency,
                         &_sweep_scale, &_sweep_amplitude})
        column->assign(padded, 0.0f);
    _sweep_index.assign(static_cast<size_t>(_capacity), 0);
    _sort_buffer.assign(static_cast<size_t>(_capacity), {});
    _plan.reserve(_capacity);
}

bool FastKernel::fits(const PartialListView& list) const {
    return list.count >= 0 && list.count <= _capacity && list.sweep_begin >= 0 &&
           list.sweep_begin <= list.count;
}

void FastKernel::begin_run(const PartialListView& list) {
    _largest_value = 0.0;
    _fixed_pairs = 0.0;
    _cutoff_reference = 0.0;
    _last_cutoff = 0.0;
    _skip_bound = 0.0;
    _plan.clear();
    _literal_run = !fits(list);
    if (_literal_run) return;

    double fixed_sum = 0.0, sweep_sum = 0.0;
    for (int32_t i = 0; i < list.sweep_begin; ++i) fixed_sum += std::fabs(list.amplitudes[i]);
    for (int32_t i = list.sweep_begin; i < list.count; ++i)
        sweep_sum += std::fabs(list.amplitudes[i]);
    const double all_sum = fixed_sum + sweep_sum;
    // The ordered pairs a sample can leave out involve the sweep tone; the fixed ones were
    // left out once, at the largest cutoff; and every pair may be one of a block's extra
    // columns, raised to the lowest exponent.
    _sweep_pair_mass = sweep_sum * sweep_sum + 2.0 * sweep_sum * fixed_sum;
    _constant_skip_bound = fixed_sum * fixed_sum * kExpRoundingAllowance *
                               std::exp(static_cast<double>(roughness::kFirstRate) * kMaxCutoff) +
                           all_sum * all_sum * roughness_rows::kRaisedTermBound;

    _sweep_count = 0;
    for (int32_t i = list.sweep_begin; i < list.count; ++i)
        if (list.amplitudes[i] != 0.0f) _sweep_index[_sweep_count++] = i;
    _sweep_contiguous = _sweep_count == list.count - list.sweep_begin;
    copy_sweep_amplitudes(list);

    sort_fixed_partials(list);
    if (_literal_run) return;
    _fixed_pairs = 2.0 * sum_fixed_pairs();
}

void FastKernel::sort_fixed_partials(const PartialListView& list) {
    _fixed_count = 0;
    for (int32_t i = 0; i < list.sweep_begin; ++i) {
        if (!is_ordinary_frequency(list.partials[i]) || !std::isfinite(list.amplitudes[i])) {
            _literal_run = true;
            return;
        }
        if (list.amplitudes[i] != 0.0f)
            _sort_buffer[_fixed_count++] = {list.partials[i], list.amplitudes[i]};
    }
    sort_by_frequency(_sort_buffer.data(), _fixed_count);
    for (int32_t i = 0; i < _fixed_count; ++i) {
        _fixed_frequency[i] = _sort_buffer[i].frequency;
        _fixed_scale[i] = exponent_scale(_sort_buffer[i].frequency);
        _fixed_amplitude[i] = _sort_buffer[i].amplitude;
    }
    pad(_fixed_frequency.data(), _fixed_scale.data(), _fixed_amplitude.data(), _fixed_count);
}

double FastKernel::sum_fixed_pairs() const {
    BlockQueue queue(block_sum(), fixed_columns(), fixed_columns());
    queue_pairs_within(_fixed_frequency.data(), _fixed_count, KeptRanges(kMaxCutoff), queue);
    return queue.finish();
}

float FastKernel::sum(const PartialListView& list) {
    if (_literal_run || !place_sweep(list))
        return pair_sum_literal(list.partials, list.amplitudes, list.count);
    if (choose_cutoff() || !_plan.covers(_sweep_frequency.data(), _sweep_count))
        _plan.make(_fixed_frequency.data(), _fixed_count, _sweep_frequency.data(), _sweep_count,
                   _last_cutoff);
    const double total = _fixed_pairs + 2.0 * sum_sweep_pairs();
    _largest_value = std::max(_largest_value, total);
    return static_cast<float>(total);
}

void FastKernel::copy_sweep_amplitudes(const PartialListView& list) {
    for (int32_t r = 0; r < _sweep_count; ++r)
        _sweep_amplitude[r] = list.amplitudes[_sweep_index[r]];
    std::fill_n(_sweep_amplitude.begin() + _sweep_count, kPadding, 0.0f);
    _sweep_sorted = false;
}

bool FastKernel::place_sweep(const PartialListView& list) {
    // The harmonics of the sweep tone arrive ascending, all of them (no silent partials)
    // in one stretch of the list.
    const float* from = list.partials + list.sweep_begin;
    if (!_sweep_contiguous) {
        for (int32_t r = 0; r < _sweep_count; ++r)
            _sweep_frequency[r] = list.partials[_sweep_index[r]];
        from = _sweep_frequency.data();
    }
    const auto place = _instructions != KernelInstructions::Portable
                           ? roughness_rows::place_ascending_avx2
                           : roughness_rows::place_ascending_portable;
    if (!place(from, _sweep_frequency.data(), _sweep_scale.data(), _sweep_count)) {
        for (int32_t r = 0; r < _sweep_count; ++r)
            if (!is_ordinary_frequency(_sweep_frequency[r])) return false;
        sort_sweep(list);
    } else if (_sweep_sorted) {
        copy_sweep_amplitudes(list);
    }
    std::fill_n(_sweep_frequency.begin() + _sweep_count, kPadding, 0.0f);
    std::fill_n(_sweep_scale.begin() + _sweep_count, kPadding, exponent_scale(0.0f));
    return true;
}

void FastKernel::sort_sweep(const PartialListView& list) {
    for (int32_t r = 0; r < _sweep_count; ++r)
        _sort_buffer[r] = {_sweep_frequency[r], list.amplitudes[_sweep_index[r]]};
    sort_by_frequency(_sort_buffer.data(), _sweep_count);
    for (int32_t r = 0; r < _sweep_count; ++r) {
        _sweep_frequency[r] = _sort_buffer[r].frequency;
        _sweep_scale[r] = exponent_scale(_sort_buffer[r].frequency);
        _sweep_amplitude[r] = _sort_buffer[r].amplitude;
    }
    _sweep_sorted = true;
}

bool FastKernel::choose_cutoff() {
    // Every term is at least 0, so the curve's maximum is at least every value summed so far
    // in this run, and at least the fixed pairs alone. A cutoff chosen for a smaller value
    // stays valid as the value grows; it is chosen again once the value has doubled.
    const double known_maximum = std::max(_fixed_pairs, _largest_value);
    if (_last_cutoff > 0.0 && known_maximum <= 2.0 * _cutoff_reference) return false;
    _cutoff_reference = known_maximum;
    const double allowed = known_maximum * _relative_skip_tolerance - _constant_skip_bound;
    double cutoff = kMaxCutoff;
    if (allowed > 0.0 && _sweep_pair_mass > 0.0)
        cutoff = std::clamp(std::log(_sweep_pair_mass * kExpRoundingAllowance / allowed) /
                                -static_cast<double>(roughness::kFirstRate),
                            0.0, kMaxCutoff);
    _last_cutoff = cutoff;
    _skip_bound = _sweep_pair_mass * kExpRoundingAllowance *
                      std::exp(static_cast<double>(roughness::kFirstRate) * cutoff) +
                  _constant_skip_bound;
    return true;
}

double FastKernel::sum_sweep_pairs() const {
    const Columns sweep = sweep_columns();
    const double across =
        block_sum()(_plan.across_blocks(), _plan.across_block_count(), sweep, fixed_columns());
    const auto near_pairs =
        _instructions == KernelInstructions::Avx512 ? roughness_rows::sum_near_pairs_avx512
        : _instructions == KernelInstructions::Avx2 ? roughness_rows::sum_near_pairs_avx2
                                                    : roughness_rows::sum_near_pairs_portable;
    return across +
           near_pairs(sweep, _sweep_count, _plan.first_row_at_offset(), _plan.max_offset());
}

Columns FastKernel::fixed_columns() const {
    return {_fixed_frequency.data(), _fixed_scale.data(), _fixed_amplitude.data()};
}

Columns FastKernel::sweep_columns() const {
    return {_sweep_frequency.data(), _sweep_scale.data(), _sweep_amplitude.data()};
}

roughness_rows::BlockSum FastKernel::block_sum() const {
    switch (_instructions) {
        case KernelInstructions::Avx512: return roughness_rows::sum_blocks_avx512;
        case KernelInstructions::Avx2: return roughness_rows::sum_blocks_avx2;
        case KernelInstructions::Portable: break;
    }
    return roughness_rows::sum_blocks_portable;
}

}  // namespace kelvara
