#pragma once
// The power spectrum of one frame of real samples, and its circular autocorrelation, through
// FFTW (single precision). An object owns its plans and buffers and reuses them for every
// frame of the same size.
//
// Threads: an object is used by one thread at a time. Making or destroying one takes a
// process-wide lock, because FFTW's planner is shared by the whole process; transforming does
// not, so objects on different threads transform at the same time.
#include <cstdint>
#include <memory>
#include <span>

namespace kelvara {

class RealFft {
public:
    // `size`: a power of two from kMinSize to kMaxSize.
    explicit RealFft(int32_t size);
    ~RealFft();
    RealFft(RealFft&&) noexcept;
    RealFft& operator=(RealFft&&) noexcept;

    static constexpr int32_t kMinSize = 16;
    static constexpr int32_t kMaxSize = 1 << 20;

    int32_t size() const { return size_; }
    // The frame to transform: size() samples. Fill it before each call of add_power_to; the
    // transform may overwrite it.
    std::span<float> input();
    // Transforms the input and adds |X[k]|² (in double) to out[k] for k = 0 .. size() / 2.
    void add_power_to(std::span<double> out);
    // Transforms the input and writes its circular autocorrelation, the sum over n of
    // x[n] * x[(n + lag) mod size()], to out[lag] for lag = 0 .. out.size() - 1 (at most
    // size()); zeros after the samples keep the sum from wrapping around.
    void autocorrelation_to(std::span<double> out);

private:
    struct Plan;
    int32_t size_ = 0;
    std::unique_ptr<Plan> plan_;
};

}  // namespace kelvara
