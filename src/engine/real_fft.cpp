#include "engine/real_fft.h"

#include <fftw3.h>

#include <cassert>
#include <mutex>
#include <new>

namespace kelvara {

namespace {

// FFTW's planner keeps process-wide tables, so only one thread may make or destroy a plan at
// a time (executing a plan needs no lock).
std::mutex& planner_mutex() {
    static std::mutex mutex;
    return mutex;
}

}  // namespace

struct RealFft::Plan {
    float* samples = nullptr;
    fftwf_complex* bins = nullptr;
    fftwf_plan plan = nullptr;
    // From the bins back to the samples (unnormalised), for the autocorrelation.
    fftwf_plan inverse = nullptr;

    explicit Plan(int32_t size) {
        const std::lock_guard lock(planner_mutex());
        samples = fftwf_alloc_real(static_cast<size_t>(size));
        bins = fftwf_alloc_complex(static_cast<size_t>(size / 2 + 1));
        if (samples && bins) {
            plan = fftwf_plan_dft_r2c_1d(size, samples, bins, FFTW_ESTIMATE | FFTW_DESTROY_INPUT);
            inverse =
                fftwf_plan_dft_c2r_1d(size, bins, samples, FFTW_ESTIMATE | FFTW_DESTROY_INPUT);
        }
        if (!plan || !inverse) {
            release();
            throw std::bad_alloc();
        }
    }
    ~Plan() {
        const std::lock_guard lock(planner_mutex());
        release();
    }
    Plan(const Plan&) = delete;
    Plan& operator=(const Plan&) = delete;

    void release() {
        if (plan) fftwf_destroy_plan(plan);
        if (inverse) fftwf_destroy_plan(inverse);
        fftwf_free(bins);
        fftwf_free(samples);
        plan = nullptr;
        inverse = nullptr;
        bins = nullptr;
        samples = nullptr;
    }
};

RealFft::RealFft(int32_t size) : size_(size) {
    assert(size >= kMinSize && size <= kMaxSize && (size & (size - 1)) == 0);
    plan_ = std::make_unique<Plan>(size);
}

RealFft::~RealFft() = default;
RealFft::RealFft(RealFft&&) noexcept = default;
RealFft& RealFft::operator=(RealFft&&) noexcept = default;

std::span<float> RealFft::input() {
    return {plan_->samples, static_cast<size_t>(size_)};
}

void RealFft::add_power_to(std::span<double> out) {
    assert(out.size() >= static_cast<size_t>(size_ / 2 + 1));
    fftwf_execute(plan_->plan);
    const fftwf_complex* bins = plan_->bins;
    for (int32_t k = 0; k <= size_ / 2; ++k) {
        const double re = bins[k][0];
        const double im = bins[k][1];
        out[static_cast<size_t>(k)] += re * re + im * im;
    }
}

void RealFft::autocorrelation_to(std::span<double> out) {
    assert(out.size() <= static_cast<size_t>(size_));
    fftwf_execute(plan_->plan);
    // The autocorrelation is the inverse transform of the power spectrum.
    fftwf_complex* bins = plan_->bins;
    for (int32_t k = 0; k <= size_ / 2; ++k) {
        const float re = bins[k][0];
        const float im = bins[k][1];
        bins[k][0] = re * re + im * im;
        bins[k][1] = 0.0f;
    }
    fftwf_execute(plan_->inverse);
    const double scale = 1.0 / static_cast<double>(size_);
    for (size_t lag = 0; lag < out.size(); ++lag)
        out[lag] = static_cast<double>(plan_->samples[lag]) * scale;
}

}  // namespace kelvara
