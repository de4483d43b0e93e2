#pragma once
// The kernel documents sample with: the literal pair sum rearranged so that a sampling run
// costs a small fraction of it, within a bounded distance of the exact sum.
//
// What it does differently from the literal sum, and why the result stays within bounds:
// - Pairs of two fixed partials do not depend on x: begin_run sums them once.
// - Each unordered pair is summed once and doubled (the ordered sum is exactly twice it).
// - Partials of amplitude 0 are left out (they add exactly 0).
// - A pair whose roughness exponent s exceeds a cutoff S is not computed. Its term is at
//   most w_i·w_j·e^(−3.5 S), with w = a under the product model and w = √a under the minimum
//   (min(a_i, a_j) ≤ √(a_i·a_j)), so all of them together add at most
//   e^(−3.5 S)·Σ w_i·w_j over the ordered pairs that involve the sweep tone (the fixed pairs are
//   summed once with the largest cutoff, a few e-27 of their amplitude products); that is
//   skip_bound(). S is chosen so that this bound stays below kRelativeSkipTolerance of the largest
//   curve value known in the run (the fixed pairs and the samples already taken), hence of the
//   curve's maximum. With the partials sorted by frequency, the pairs a partial keeps form one
//   contiguous range.
// - The exponentials are a polynomial approximation (relative error below 1e-6 per term),
//   the second sharing the first (roughness_rows.h), eight pairs at a time with AVX2 or
//   sixteen with AVX-512 where the processor has them; float sums of a few dozen blocks are
//   added up in 64 bits.
// A list with a frequency that is negative or not finite (a typed x bound below 0 can move
// the sweep tone there) is summed literally: the sorting and the ranges above assume
// ordinary frequencies.
//
// Nothing is allocated after reserve(): begin_run and sum only write into its buffers.
#include <cstdint>
#include <vector>

#include "engine/dissonance_kernel.h"
#include "engine/roughness_block_queue.h"
#include "engine/roughness_rows.h"
#include "engine/sweep_pair_plan.h"

namespace kelvara {

// Portable: one pair at a time; Avx2: eight (AVX2 and FMA); Avx512: sixteen (AVX-512 F and
// DQ, which processors with it pair with AVX2 and FMA).
enum class KernelInstructions { Portable, Avx2, Avx512 };

// The fastest set this processor runs.
KernelInstructions best_kernel_instructions();

class FastKernel final : public DissonanceKernel {
public:
    // The skipped pairs add at most this fraction of the curve's maximum.
    static constexpr double kRelativeSkipTolerance = 1e-6;

    explicit FastKernel(KernelInstructions instructions = best_kernel_instructions(),
                        double relative_skip_tolerance = kRelativeSkipTolerance);

    void reserve(int32_t max_partials) override;
    void begin_run(const PartialListView& list) override;
    float sum(const PartialListView& list) override;

    // The most that all the pairs the last sum left out could have added.
    double skip_bound() const { return skip_bound_; }

private:
    struct FrequencyAmplitude {
        float frequency;
        float amplitude;
    };

    bool fits(const PartialListView& list) const;
    void sort_fixed_partials(const PartialListView& list);
    void copy_sweep_amplitudes(const PartialListView& list);
    bool place_sweep(const PartialListView& list);
    void sort_sweep(const PartialListView& list);
    static void sort_by_frequency(FrequencyAmplitude* partials, int32_t count);
    bool choose_cutoff();  // true when it chose a new one
    double sum_fixed_pairs() const;
    double sum_sweep_pairs() const;
    roughness_rows::Columns fixed_columns() const;
    roughness_rows::Columns sweep_columns() const;
    roughness_rows::BlockSum block_sum() const;

    KernelInstructions instructions_;
    double relative_skip_tolerance_;
    int32_t capacity_ = 0;

    // The fixed partials of the run with an amplitude, ascending, padded (structure of arrays).
    std::vector<float> fixed_frequency_, fixed_scale_, fixed_amplitude_;
    int32_t fixed_count_ = 0;
    // The sweep partials with an amplitude: their indices in the list, then at each sample
    // their frequencies ascending, padded.
    std::vector<int32_t> sweep_index_;
    std::vector<float> sweep_frequency_, sweep_scale_, sweep_amplitude_;
    int32_t sweep_count_ = 0;
    bool sweep_contiguous_ = false;  // every sweep partial has an amplitude
    bool sweep_sorted_ = false;      // the amplitudes follow a sorted order, not the list's
    std::vector<FrequencyAmplitude> sort_buffer_;
    roughness_rows::SweepPairPlan plan_;

    RoughnessModel model_ = RoughnessModel::Product;  // of the run
    bool literal_run_ = false;          // the fixed partials are not ordinary frequencies
    double sweep_pair_mass_ = 0.0;      // Σ w_i·w_j over ordered pairs with a sweep partial
    double constant_skip_bound_ = 0.0;  // what the fixed pairs and raised exponents may add
    double fixed_pairs_ = 0.0;          // both orders of every fixed pair
    double largest_value_ = 0.0;        // of the curve so far in this run
    double cutoff_reference_ = 0.0;     // the curve value the cutoff was chosen for
    double last_cutoff_ = 0.0;
    double skip_bound_ = 0.0;
};

}  // namespace kelvara
