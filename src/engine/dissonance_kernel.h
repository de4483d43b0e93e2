#pragma once
// The roughness of a set of sine partials: the Plomp–Levelt curve in Sethares'
// parametrisation, summed over every ordered pair of partials, in 32-bit floats.
//
// A kernel is what compute_array_entries calls once per sample. It is told the partial list
// at the start of every sampling run (begin_run), so a kernel may precompute what does not
// depend on x; then sum() is called for each x with the sweep tone moved.
#include <cstdint>
#include <memory>

#include "engine/roughness_model.h"

namespace kelvara {

namespace roughness {
inline constexpr float kNumerator = 0.24f;        // scale of the frequency difference
inline constexpr float kBandwidthSlope = 0.021f;  // per hertz of the lower partial
inline constexpr float kBandwidthOffset = 19.0f;  // hertz
inline constexpr float kFirstRate = -3.5f;        // the exponential that is added
inline constexpr float kSecondRate = -5.75f;      // the exponential that is subtracted
}  // namespace roughness

// y = Σi Σj w(a[i], a[j])·(e^(−3.5 s) − e^(−5.75 s)), s = 0.24·|p[j] − p[i]| / (0.021·min + 19),
// over every ordered pair, in exactly that order and precision; w is a[i]·a[j] or
// min(a[i], a[j]) by the model. The reference for every faster kernel. 0 when count < 1.
float pair_sum_literal(const float* partials, const float* amplitudes, int32_t count,
                       RoughnessModel model = RoughnessModel::Product);

// The partial list of one sampling run: `count` entries, the sweep tone in
// [sweep_begin, count), everything before it fixed for the whole run.
struct PartialListView {
    const float* partials = nullptr;
    const float* amplitudes = nullptr;
    int32_t count = 0;
    int32_t sweep_begin = 0;
    RoughnessModel model = RoughnessModel::Product;  // how a pair's amplitudes weigh it
};

class DissonanceKernel {
public:
    virtual ~DissonanceKernel() = default;
    // The most partials the kernel will be given; called whenever the partial arrays are
    // reallocated, so that begin_run and sum never allocate.
    virtual void reserve(int32_t max_partials) = 0;
    // A new sampling run: the fixed partials and all amplitudes hold for every sum() until
    // the next begin_run.
    virtual void begin_run(const PartialListView& list) = 0;
    // The dissonance of the whole list with the sweep tone where it now stands.
    virtual float sum(const PartialListView& list) = 0;
};

// The literal pair sum behind the kernel interface.
class LiteralKernel final : public DissonanceKernel {
public:
    void reserve(int32_t) override {}
    void begin_run(const PartialListView&) override {}
    float sum(const PartialListView& list) override;
};

// The kernel documents sample with: FastKernel (fast_dissonance_kernel.h) with the best
// instruction set of this processor.
std::unique_ptr<DissonanceKernel> make_default_kernel();

}  // namespace kelvara
