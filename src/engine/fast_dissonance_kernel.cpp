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
    : instructions_(runnable(instructions)),
      relative_skip_tolerance_(relative_skip_tolerance),
      plan_(instructions_ != KernelInstructions::Portable) {}

void FastKernel::reserve(int32_t max_partials) {
    capacity_ = std::max(max_partials, 0);
    const auto padded = static_cast<size_t>(capacity_ + kPadding);
    for (auto* column : {&fixed_frequency_, &fixed_scale_, &fixed_amplitude_, &sweep_frequency_,
                         &sweep_scale_, &sweep_amplitude_})
        column->assign(padded, 0.0f);
    sweep_index_.assign(static_cast<size_t>(capacity_), 0);
    sort_buffer_.assign(static_cast<size_t>(capacity_), {});
    plan_.reserve(capacity_);
}

bool FastKernel::fits(const PartialListView& list) const {
    return list.count >= 0 && list.count <= capacity_ && list.sweep_begin >= 0 &&
           list.sweep_begin <= list.count;
}

void FastKernel::begin_run(const PartialListView& list) {
    largest_value_ = 0.0;
    fixed_pairs_ = 0.0;
    cutoff_reference_ = 0.0;
    last_cutoff_ = 0.0;
    skip_bound_ = 0.0;
    plan_.clear();
    model_ = list.model;
    literal_run_ = !fits(list);
    if (literal_run_) return;

    // Each pair's weight is at most w_i·w_j (see the header).
    const auto bound_weight = [this](float amplitude) {
        const double a = std::fabs(static_cast<double>(amplitude));
        return model_ == RoughnessModel::Minimum ? std::sqrt(a) : a;
    };
    double fixed_sum = 0.0, sweep_sum = 0.0;
    for (int32_t i = 0; i < list.sweep_begin; ++i) fixed_sum += bound_weight(list.amplitudes[i]);
    for (int32_t i = list.sweep_begin; i < list.count; ++i)
        sweep_sum += bound_weight(list.amplitudes[i]);
    const double all_sum = fixed_sum + sweep_sum;
    // The ordered pairs a sample can leave out involve the sweep tone; the fixed ones were
    // left out once, at the largest cutoff; and every pair may be one of a block's extra
    // columns, raised to the lowest exponent.
    sweep_pair_mass_ = sweep_sum * sweep_sum + 2.0 * sweep_sum * fixed_sum;
    constant_skip_bound_ = fixed_sum * fixed_sum * kExpRoundingAllowance *
                               std::exp(static_cast<double>(roughness::kFirstRate) * kMaxCutoff) +
                           all_sum * all_sum * roughness_rows::kRaisedTermBound;

    sweep_count_ = 0;
    for (int32_t i = list.sweep_begin; i < list.count; ++i)
        if (list.amplitudes[i] != 0.0f) sweep_index_[sweep_count_++] = i;
    sweep_contiguous_ = sweep_count_ == list.count - list.sweep_begin;
    copy_sweep_amplitudes(list);

    sort_fixed_partials(list);
    if (literal_run_) return;
    fixed_pairs_ = 2.0 * sum_fixed_pairs();
}

void FastKernel::sort_fixed_partials(const PartialListView& list) {
    fixed_count_ = 0;
    for (int32_t i = 0; i < list.sweep_begin; ++i) {
        if (!is_ordinary_frequency(list.partials[i]) || !std::isfinite(list.amplitudes[i])) {
            literal_run_ = true;
            return;
        }
        if (list.amplitudes[i] != 0.0f)
            sort_buffer_[fixed_count_++] = {list.partials[i], list.amplitudes[i]};
    }
    sort_by_frequency(sort_buffer_.data(), fixed_count_);
    for (int32_t i = 0; i < fixed_count_; ++i) {
        fixed_frequency_[i] = sort_buffer_[i].frequency;
        fixed_scale_[i] = exponent_scale(sort_buffer_[i].frequency);
        fixed_amplitude_[i] = sort_buffer_[i].amplitude;
    }
    pad(fixed_frequency_.data(), fixed_scale_.data(), fixed_amplitude_.data(), fixed_count_);
}

double FastKernel::sum_fixed_pairs() const {
    BlockQueue queue(block_sum(), model_, fixed_columns(), fixed_columns());
    queue_pairs_within(fixed_frequency_.data(), fixed_count_, KeptRanges(kMaxCutoff), queue);
    return queue.finish();
}

float FastKernel::sum(const PartialListView& list) {
    if (literal_run_ || !place_sweep(list))
        return pair_sum_literal(list.partials, list.amplitudes, list.count, list.model);
    if (choose_cutoff() || !plan_.covers(sweep_frequency_.data(), sweep_count_))
        plan_.make(fixed_frequency_.data(), fixed_count_, sweep_frequency_.data(), sweep_count_,
                   last_cutoff_);
    const double total = fixed_pairs_ + 2.0 * sum_sweep_pairs();
    largest_value_ = std::max(largest_value_, total);
    return static_cast<float>(total);
}

void FastKernel::copy_sweep_amplitudes(const PartialListView& list) {
    for (int32_t r = 0; r < sweep_count_; ++r)
        sweep_amplitude_[r] = list.amplitudes[sweep_index_[r]];
    std::fill_n(sweep_amplitude_.begin() + sweep_count_, kPadding, 0.0f);
    sweep_sorted_ = false;
}

bool FastKernel::place_sweep(const PartialListView& list) {
    // The harmonics of the sweep tone arrive ascending, all of them (no silent partials)
    // in one stretch of the list.
    const float* from = list.partials + list.sweep_begin;
    if (!sweep_contiguous_) {
        for (int32_t r = 0; r < sweep_count_; ++r)
            sweep_frequency_[r] = list.partials[sweep_index_[r]];
        from = sweep_frequency_.data();
    }
    const auto place = instructions_ != KernelInstructions::Portable
                           ? roughness_rows::place_ascending_avx2
                           : roughness_rows::place_ascending_portable;
    if (!place(from, sweep_frequency_.data(), sweep_scale_.data(), sweep_count_)) {
        for (int32_t r = 0; r < sweep_count_; ++r)
            if (!is_ordinary_frequency(sweep_frequency_[r])) return false;
        sort_sweep(list);
    } else if (sweep_sorted_) {
        copy_sweep_amplitudes(list);
    }
    std::fill_n(sweep_frequency_.begin() + sweep_count_, kPadding, 0.0f);
    std::fill_n(sweep_scale_.begin() + sweep_count_, kPadding, exponent_scale(0.0f));
    return true;
}

void FastKernel::sort_sweep(const PartialListView& list) {
    for (int32_t r = 0; r < sweep_count_; ++r)
        sort_buffer_[r] = {sweep_frequency_[r], list.amplitudes[sweep_index_[r]]};
    sort_by_frequency(sort_buffer_.data(), sweep_count_);
    for (int32_t r = 0; r < sweep_count_; ++r) {
        sweep_frequency_[r] = sort_buffer_[r].frequency;
        sweep_scale_[r] = exponent_scale(sort_buffer_[r].frequency);
        sweep_amplitude_[r] = sort_buffer_[r].amplitude;
    }
    sweep_sorted_ = true;
}

bool FastKernel::choose_cutoff() {
    // Every term is at least 0, so the curve's maximum is at least every value summed so far
    // in this run, and at least the fixed pairs alone. A cutoff chosen for a smaller value
    // stays valid as the value grows; it is chosen again once the value has doubled.
    const double known_maximum = std::max(fixed_pairs_, largest_value_);
    if (last_cutoff_ > 0.0 && known_maximum <= 2.0 * cutoff_reference_) return false;
    cutoff_reference_ = known_maximum;
    const double allowed = known_maximum * relative_skip_tolerance_ - constant_skip_bound_;
    double cutoff = kMaxCutoff;
    if (allowed > 0.0 && sweep_pair_mass_ > 0.0)
        cutoff = std::clamp(std::log(sweep_pair_mass_ * kExpRoundingAllowance / allowed) /
                                -static_cast<double>(roughness::kFirstRate),
                            0.0, kMaxCutoff);
    last_cutoff_ = cutoff;
    skip_bound_ = sweep_pair_mass_ * kExpRoundingAllowance *
                      std::exp(static_cast<double>(roughness::kFirstRate) * cutoff) +
                  constant_skip_bound_;
    return true;
}

double FastKernel::sum_sweep_pairs() const {
    const Columns sweep = sweep_columns();
    const double across = block_sum()(plan_.across_blocks(), plan_.across_block_count(), sweep,
                                      fixed_columns(), model_);
    const auto near_pairs =
        instructions_ == KernelInstructions::Avx512 ? roughness_rows::sum_near_pairs_avx512
        : instructions_ == KernelInstructions::Avx2 ? roughness_rows::sum_near_pairs_avx2
                                                    : roughness_rows::sum_near_pairs_portable;
    return across +
           near_pairs(sweep, sweep_count_, plan_.first_row_at_offset(), plan_.max_offset(), model_);
}

Columns FastKernel::fixed_columns() const {
    return {fixed_frequency_.data(), fixed_scale_.data(), fixed_amplitude_.data()};
}

Columns FastKernel::sweep_columns() const {
    return {sweep_frequency_.data(), sweep_scale_.data(), sweep_amplitude_.data()};
}

roughness_rows::BlockSum FastKernel::block_sum() const {
    switch (instructions_) {
        case KernelInstructions::Avx512: return roughness_rows::sum_blocks_avx512;
        case KernelInstructions::Avx2: return roughness_rows::sum_blocks_avx2;
        case KernelInstructions::Portable: break;
    }
    return roughness_rows::sum_blocks_portable;
}

}  // namespace kelvara
