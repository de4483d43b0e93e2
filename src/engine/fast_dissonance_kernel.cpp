#include "engine/fast_dissonance_kernel.h"

#include <algorithm>
#include <cmath>

namespace kelvara {
namespace {

using roughness_rows::BlockQueue;
using roughness_rows::Columns;
using roughness_rows::exponent_scale;
using roughness_rows::kMaxCutoff;
using roughness_rows::kPadding;

// The ranges are widened by this fraction of the cutoff, so that the float rounding of s in
// the literal sum can never turn a pair left out into one below the cutoff.
constexpr double kCutoffMargin = 1e-5;
// A skipped term is at most e^(−3.5 s) rounded to a float: this much above the exact value.
constexpr double kExpRoundingAllowance = 1.0 + 1e-6;

// The frequencies between which a partial must lie for its pair with a partial at q to have
// s at most the cutoff S. From s = 0.24·(q − p)/(0.021·p + 19) for a lower p and
// s = 0.24·(p − q)/(0.021·q + 19) for a higher one, both growing with the distance:
//   p ≥ (0.24·q − 19·S) / (0.24 + 0.021·S)   and   p ≤ q + S·(0.021·q + 19) / 0.24,
// two straight lines in q, so a cutoff fixes four coefficients and a row costs no division.
struct KeptRanges {
    double low_slope, low_offset, high_slope, high_offset;

    explicit KeptRanges(double cutoff) {
        using namespace roughness;
        const double s = cutoff * (1.0 + kCutoffMargin);
        const double numerator = kNumerator, slope = kBandwidthSlope, offset = kBandwidthOffset;
        low_slope = numerator / (numerator + slope * s);
        low_offset = -offset * s / (numerator + slope * s);
        high_slope = 1.0 + s * slope / numerator;
        high_offset = s * offset / numerator;
    }
    // As floats rounded outwards, so that the scans compare floats: a range one float wider
    // only computes a pair more.
    float low(float q) const {
        const double low = low_slope * q + low_offset;
        return low <= 0.0 ? -1.0f : static_cast<float>(low) * kRoundDown;
    }
    float high(float q) const {
        return static_cast<float>(high_slope * q + high_offset) * kRoundUp;
    }

  private:
    static constexpr float kRoundDown = 1.0f - 0x1p-22f;
    static constexpr float kRoundUp = 1.0f + 0x1p-22f;
};

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
void queue_pairs_within(const float* frequencies, const float* scales, const float* amplitudes,
                        int32_t count, const KeptRanges& kept, BlockQueue& queue) {
    int32_t end = 0;
    for (int32_t i = 0; i < count; ++i) {
        const float high = kept.high(frequencies[i]);
        end = std::max(end, i + 1);
        while (end < count && frequencies[end] <= high) ++end;
        if (end > i + 1) queue.add_row(frequencies[i], scales[i], amplitudes[i], i + 1, end);
    }
}

// The largest index distance between two entries of the ascending list that the kept
// ranges pair: every pair further apart is left out.
int32_t largest_kept_offset(const float* frequencies, int32_t count, const KeptRanges& kept) {
    int32_t largest = 0;
    int32_t end = 0;
    for (int32_t i = 0; i < count; ++i) {
        const float high = kept.high(frequencies[i]);
        end = std::max(end, i + 1);
        while (end < count && frequencies[end] <= high) ++end;
        largest = std::max(largest, end - i - 1);
    }
    return largest;
}

// Each row partial (ascending) against the columns (ascending) in its kept range.
void queue_pairs_across(const float* row_frequencies, const float* row_scales,
                        const float* row_amplitudes, int32_t row_count,
                        const float* column_frequencies, int32_t column_count,
                        const KeptRanges& kept, BlockQueue& queue) {
    int32_t begin = 0, end = 0;
    for (int32_t r = 0; r < row_count; ++r) {
        const float low = kept.low(row_frequencies[r]);
        const float high = kept.high(row_frequencies[r]);
        while (begin < column_count && column_frequencies[begin] < low) ++begin;
        end = std::max(end, begin);
        while (end < column_count && column_frequencies[end] <= high) ++end;
        if (end > begin)
            queue.add_row(row_frequencies[r], row_scales[r], row_amplitudes[r], begin, end);
    }
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
    return roughness_rows::cpu_has_avx2_fma() ? KernelInstructions::Avx2
                                              : KernelInstructions::Portable;
}

FastKernel::FastKernel(KernelInstructions instructions, double relative_skip_tolerance)
    : _instructions(instructions), _relative_skip_tolerance(relative_skip_tolerance) {
    // A request the processor cannot run falls back rather than faulting.
    if (_instructions == KernelInstructions::Avx2 && !roughness_rows::cpu_has_avx2_fma())
        _instructions = KernelInstructions::Portable;
}

void FastKernel::reserve(int32_t max_partials) {
    _capacity = std::max(max_partials, 0);
    const auto padded = static_cast<size_t>(_capacity + kPadding);
    for (auto* column : {&_fixed_frequency, &_fixed_scale, &_fixed_amplitude, &_sweep_frequency,
                         &_sweep_scale, &_sweep_amplitude})
        column->assign(padded, 0.0f);
    _sweep_index.assign(static_cast<size_t>(_capacity), 0);
    _sort_buffer.assign(static_cast<size_t>(_capacity), {});
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
    BlockQueue queue(block_sum(), fixed_columns());
    queue_pairs_within(_fixed_frequency.data(), _fixed_scale.data(), _fixed_amplitude.data(),
                       _fixed_count, KeptRanges(kMaxCutoff), queue);
    return queue.finish();
}

float FastKernel::sum(const PartialListView& list) {
    if (_literal_run || !place_sweep(list))
        return pair_sum_literal(list.partials, list.amplitudes, list.count);
    choose_cutoff();
    const double total = _fixed_pairs + 2.0 * sum_sweep_pairs();
    _largest_value = std::max(_largest_value, total);
    return static_cast<float>(total);
}

bool FastKernel::place_sweep(const PartialListView& list) {
    bool ascending = true;
    for (int32_t r = 0; r < _sweep_count; ++r) {
        const int32_t i = _sweep_index[r];
        if (!is_ordinary_frequency(list.partials[i])) return false;
        _sweep_frequency[r] = list.partials[i];
        _sweep_amplitude[r] = list.amplitudes[i];
        ascending = ascending && (r == 0 || _sweep_frequency[r - 1] <= _sweep_frequency[r]);
    }
    // The harmonics of the sweep tone arrive ascending; any other list is sorted here.
    if (!ascending) sort_sweep();
    if (_instructions == KernelInstructions::Avx2)
        roughness_rows::fill_exponent_scales_avx2(_sweep_frequency.data(), _sweep_scale.data(),
                                                  _sweep_count);
    else
        for (int32_t r = 0; r < _sweep_count; ++r)
            _sweep_scale[r] = exponent_scale(_sweep_frequency[r]);
    pad(_sweep_frequency.data(), _sweep_scale.data(), _sweep_amplitude.data(), _sweep_count);
    return true;
}

void FastKernel::sort_sweep() {
    for (int32_t r = 0; r < _sweep_count; ++r)
        _sort_buffer[r] = {_sweep_frequency[r], _sweep_amplitude[r]};
    sort_by_frequency(_sort_buffer.data(), _sweep_count);
    for (int32_t r = 0; r < _sweep_count; ++r) {
        _sweep_frequency[r] = _sort_buffer[r].frequency;
        _sweep_amplitude[r] = _sort_buffer[r].amplitude;
    }
}

void FastKernel::choose_cutoff() {
    // Every term is at least 0, so the curve's maximum is at least every value summed so far
    // in this run, and at least the fixed pairs alone. A cutoff chosen for a smaller value
    // stays valid as the value grows; it is chosen again once the value has doubled.
    const double known_maximum = std::max(_fixed_pairs, _largest_value);
    if (_last_cutoff > 0.0 && known_maximum <= 2.0 * _cutoff_reference) return;
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
}

double FastKernel::sum_sweep_pairs() const {
    const KeptRanges kept(_last_cutoff);
    BlockQueue across(block_sum(), fixed_columns());
    queue_pairs_across(_sweep_frequency.data(), _sweep_scale.data(), _sweep_amplitude.data(),
                       _sweep_count, _fixed_frequency.data(), _fixed_count, kept, across);
    const Columns sweep{_sweep_frequency.data(), _sweep_scale.data(), _sweep_amplitude.data()};
    const int32_t max_offset = largest_kept_offset(_sweep_frequency.data(), _sweep_count, kept);
    const double within =
        _instructions == KernelInstructions::Avx2
            ? roughness_rows::sum_near_pairs_avx2(sweep, _sweep_count, max_offset)
            : roughness_rows::sum_near_pairs_portable(sweep, _sweep_count, max_offset);
    return across.finish() + within;
}

Columns FastKernel::fixed_columns() const {
    return {_fixed_frequency.data(), _fixed_scale.data(), _fixed_amplitude.data()};
}

roughness_rows::BlockSum FastKernel::block_sum() const {
    return _instructions == KernelInstructions::Avx2 ? roughness_rows::sum_blocks_avx2
                                                     : roughness_rows::sum_blocks_portable;
}

}  // namespace kelvara
