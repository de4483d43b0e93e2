#include "sound/sample_pitch_estimator.h"

#include <algorithm>
#include <array>
#include <bit>
#include <complex>
#include <numbers>
#include <optional>
#include <vector>

#include "engine/real_fft.h"
#include "sound/sample_loop.h"

namespace kelvara::sound {
namespace {

// YIN takes the first dip of its difference function below this as the period, rather than
// the deepest one, which is often a multiple of it.
constexpr double kYinThreshold = 0.1;
// The lags searched run from two octaves above the expected pitch to one below it.
constexpr double kHighestRatio = 4.5;
constexpr double kLowestRatio = 1.0 / 2.2;
constexpr size_t kMinFrame = 1024;
constexpr size_t kMaxFrame = 8192;
// A fundamental weaker than this against the octave above it is a subharmonic, and one with
// less than this share of the stretch's power is not what the tone is heard at.
constexpr double kSubharmonicLevel = 0.1;
constexpr double kMinFundamentalShare = 0.01;
constexpr double kSilentRms = 1e-5;
// The refined peak may not wander further than this from YIN's estimate.
constexpr double kMaxRefinementRatio = 1.03;
constexpr double kFullScale = 32768.0;

bool has_loop(const PlayedSample& s) {
    return s.loops && loop_lies_inside(s.frames.size(), s.loop_start, s.loop_end);
}

// `count` frames of the sample as played, from frame `first` on (fewer when it ends first).
std::vector<float> played_stretch(const PlayedSample& s, size_t first, size_t count) {
    const bool loops = has_loop(s);
    std::vector<float> out;
    out.reserve(count);
    for (size_t i = 0; i < count; ++i) {
        const size_t position =
            loops ? looped_frame(first + i, s.loop_start, s.loop_end) : first + i;
        if (position >= s.frames.size()) break;
        out.push_back(float(s.frames[position] / kFullScale));
    }
    return out;
}

// r[lag] = the sum over n of x[n] * x[n + lag], for lag 0 .. max_lag (pairs inside `x` only;
// lags at or beyond x.size() are 0), through the power spectrum of `x` padded with zeros to
// twice its length, so that the circular correlation does not wrap around.
std::vector<double> autocorrelation(std::span<const float> x, size_t max_lag) {
    std::vector<double> r(max_lag + 1, 0.0);
    if (x.empty()) return r;
    const size_t size = std::max(std::bit_ceil(2 * x.size()), size_t{RealFft::kMinSize});
    RealFft fft(static_cast<int32_t>(size));
    const std::span<float> input = fft.input();
    std::fill(std::copy(x.begin(), x.end(), input.begin()), input.end(), 0.0f);
    fft.autocorrelation_to(std::span(r).first(std::min(r.size(), x.size())));
    return r;
}

struct Period {
    double frames;
    double aperiodicity;
};

// YIN over one frame: the period with the lowest cumulative mean normalised difference in
// the lag range (the first dip below the threshold, when there is one).
std::optional<Period> yin_period(std::span<const float> frame, double min_lag, double max_lag) {
    const size_t size = frame.size();
    const size_t last = std::min(size_t(max_lag) + 1, size / 2);
    const size_t first = std::max<size_t>(2, size_t(min_lag));
    if (last < first + 2) return std::nullopt;
    const std::vector<double> r = autocorrelation(frame, last + 1);
    std::vector<double> energy(size + 1, 0.0);  // energy[k]: the sum of squares of frame[0..k)
    for (size_t i = 0; i < size; ++i) energy[i + 1] = energy[i] + double(frame[i]) * frame[i];

    std::vector<double> cmnd(last + 2, 1.0);
    double running = 0.0;
    for (size_t lag = 1; lag <= last + 1; ++lag) {
        const double d =
            std::max(0.0, energy[size - lag] + (energy[size] - energy[lag]) - 2.0 * r[lag]);
        running += d;
        cmnd[lag] = running > 0.0 ? d * double(lag) / running : 1.0;
    }
    size_t best = 0;
    for (size_t lag = first; lag <= last && best == 0; ++lag) {
        if (cmnd[lag] >= kYinThreshold) continue;
        while (lag < last && cmnd[lag + 1] < cmnd[lag]) ++lag;
        best = lag;
    }
    if (best == 0)
        best = size_t(std::min_element(cmnd.begin() + long(first), cmnd.begin() + long(last) + 1) -
                      cmnd.begin());
    double shift = 0.0;
    const double a = cmnd[best - 1], b = cmnd[best], c = cmnd[best + 1];
    if (const double curvature = a - 2.0 * b + c; curvature > 0.0)
        shift = std::clamp(0.5 * (a - c) / curvature, -0.5, 0.5);
    return Period{double(best) + shift, std::clamp(b, 0.0, 1.0)};
}

// A stretch under a Blackman-Harris window, whose DTFT is read at any frequency.
class WindowedStretch {
public:
    static constexpr size_t kGridLanes = 8;

    WindowedStretch(std::span<const float> x, double rate) : values_(x.size()), rate_(rate) {
        const double step = 2.0 * std::numbers::pi / double(std::max<size_t>(x.size(), 2) - 1);
        const std::complex<double> turn = std::polar(1.0, step);
        std::complex<double> phasor = 1.0;
        for (size_t n = 0; n < x.size(); ++n) {
            // cos t from a rotating phasor (re-anchored now and then so rounding cannot build
            // up), the window's higher cosines from it.
            if (n % kReanchor == 0) phasor = std::polar(1.0, step * double(n));
            const double c = phasor.real();
            phasor *= turn;
            const double w = 0.35875 - 0.48829 * c + 0.14128 * (2.0 * c * c - 1.0) -
                             0.01168 * c * (4.0 * c * c - 3.0);
            window_sum_ += w;
            values_[n] = w * double(x[n]);
        }
    }

    double bin_hz() const { return rate_ / double(std::max<size_t>(values_.size(), 1)); }

    // Amplitudes of sinusoids at the given frequencies (1 for a full-scale sinusoid), by the
    // Goertzel recurrence for all of them in one pass over the stretch.
    template <size_t Lanes>
    std::array<double, Lanes> amplitudes(const std::array<double, Lanes>& hz) const {
        std::array<double, Lanes> coefficient{}, s1{}, s2{};
        for (size_t k = 0; k < Lanes; ++k)
            coefficient[k] = 2.0 * std::cos(2.0 * std::numbers::pi * hz[k] / rate_);
        for (const double v : values_) {
#pragma GCC unroll 8
            for (size_t k = 0; k < Lanes; ++k) {
                const double s = v + coefficient[k] * s1[k] - s2[k];
                s2[k] = s1[k];
                s1[k] = s;
            }
        }
        std::array<double, Lanes> out{};
        for (size_t k = 0; k < Lanes; ++k) {
            const double power = s1[k] * s1[k] + s2[k] * s2[k] - coefficient[k] * s1[k] * s2[k];
            out[k] = window_sum_ > 0.0 ? 2.0 * std::sqrt(std::max(0.0, power)) / window_sum_ : 0.0;
        }
        return out;
    }

    // The largest spectral peak within a few bins of `guess_hz`, and its amplitude: a grid
    // finds its main lobe, parabolas through the log amplitude close in on its top.
    std::pair<double, double> peak(double guess_hz) const {
        // Grid points half a bin apart stay inside the main lobe (four bins either side); the
        // grid is wider for a guess that may be further off than a few bins.
        const double step = std::clamp(guess_hz * 0.002, bin_hz() / 2.0, 2.0 * bin_hz());
        std::array<double, kGridLanes> grid{}, level{};
        size_t top = 0;
        double center = guess_hz;
        for (int shifts = 0; shifts < 4; ++shifts) {
            for (size_t k = 0; k < kGridLanes; ++k)
                grid[k] = center + (double(k) - double(kGridLanes / 2)) * step;
            level = amplitudes(grid);
            top = size_t(std::max_element(level.begin(), level.end()) - level.begin());
            center = grid[top];
            if (top > 0 && top + 1 < kGridLanes) break;  // a maximum inside the grid
        }
        if (top == 0 || top + 1 == kGridLanes) return {center, level[top]};
        center = vertex(center, step, {level[top - 1], level[top], level[top + 1]});
        double amplitude = level[top];
        for (const double divisor : {4.0, 16.0}) {
            const double fine = step / divisor;
            const auto at = amplitudes(std::array{center - fine, center, center + fine});
            amplitude = at[1];
            center = vertex(center, fine, at);
        }
        return {center, amplitude};
    }

private:
    static constexpr size_t kReanchor = 1024;

    // The vertex of the parabola through the log amplitudes at hz - step, hz and hz + step.
    static double vertex(double hz, double step, const std::array<double, 3>& a) {
        const double l = std::log(a[0] + 1e-300), m = std::log(a[1] + 1e-300),
                     r = std::log(a[2] + 1e-300);
        const double curvature = l - 2.0 * m + r;
        if (!(curvature < 0.0)) return hz;
        return hz + step * std::clamp(0.5 * (l - r) / curvature, -1.0, 1.0);
    }

    std::vector<double> values_;
    double window_sum_ = 0.0;
    double rate_;
};

// A loop played over and over sounds only at multiples of rate / length, its lines; line n's
// amplitude is the loop's DFT at bin n. A stretch that lies wholly inside the looping part is
// measured on these lines: exact, and far cheaper than a spectrum of the stretch.
class LoopLines {
public:
    explicit LoopLines(const PlayedSample& s)
        : loop_(s.frames.subspan(s.loop_start, s.loop_end - s.loop_start)), rate_(s.rate_hz) {}

    size_t count() const { return loop_.size() / 2; }  // below the Nyquist frequency
    double mean_power() const {
        double power = 0.0;
        for (const int16_t v : loop_) power += double(v) * v;
        return power / (kFullScale * kFullScale * double(loop_.size()));
    }
    double hz(size_t line) const { return double(line) * rate_ / double(loop_.size()); }

    double amplitude(size_t line) const {
        if (line == 0 || line > count()) return 0.0;
        const double step = -2.0 * std::numbers::pi * double(line) / double(loop_.size());
        const std::complex<double> turn = std::polar(1.0, step);
        std::complex<double> phasor = 1.0, sum = 0.0;
        for (size_t j = 0; j < loop_.size(); ++j) {
            if (j % kReanchor == 0) phasor = std::polar(1.0, step * double(j));
            sum += double(loop_[j]) * phasor;
            phasor *= turn;
        }
        return 2.0 * std::abs(sum) / (kFullScale * double(loop_.size()));
    }

private:
    static constexpr size_t kReanchor = 1024;
    std::span<const int16_t> loop_;
    double rate_;
};

double mean_power(std::span<const float> x) {
    double power = 0.0;
    for (const float v : x) power += double(v) * v;
    return x.empty() ? 0.0 : power / double(x.size());
}

struct Fundamental {
    double hz;
    double amplitude;
    bool steady;  // where YIN put it
};

Fundamental fundamental_on_lines(const PlayedSample& sample, double period_frames) {
    const LoopLines lines(sample);
    const double loop_length = double(sample.loop_end - sample.loop_start);
    size_t line = std::max<size_t>(1, size_t(std::lround(loop_length / period_frames)));
    for (int octave = 0; octave < 2 && 2 * line <= lines.count(); ++octave) {
        if (lines.amplitude(line) >= kSubharmonicLevel * lines.amplitude(2 * line)) break;
        line *= 2;
    }
    // YIN's period falls between lines when the loop does not hold whole periods; the
    // strongest line near it is what sounds.
    size_t best = line;
    double best_amplitude = lines.amplitude(line);
    for (const size_t other : {line - 1, line + 1}) {
        if (const double a = lines.amplitude(other); a > best_amplitude) {
            best = other;
            best_amplitude = a;
        }
    }
    return {lines.hz(best), best_amplitude, true};
}

Fundamental fundamental_in_spectrum(std::span<const float> stretch, double rate,
                                    double period_frames) {
    const WindowedStretch windowed(stretch, rate);
    double hz = rate / period_frames;
    for (int octave = 0; octave < 2 && 2.0 * hz < rate / 2.0; ++octave) {
        const auto a = windowed.amplitudes(std::array{hz, 2.0 * hz});
        if (a[0] >= kSubharmonicLevel * a[1]) break;
        hz *= 2.0;
    }
    const auto [peak_hz, amplitude] = windowed.peak(hz);
    return {peak_hz, amplitude, std::max(peak_hz / hz, hz / peak_hz) < kMaxRefinementRatio};
}

}  // namespace

PitchEstimate estimate_played_pitch(const PlayedSample& sample, double start_seconds,
                                    double length_seconds, double expected_hz) {
    const double rate = sample.rate_hz;
    if (!(rate > 0.0 && expected_hz > 0.0 && start_seconds >= 0.0 && length_seconds > 0.0))
        return {};
    const auto first = size_t(start_seconds * rate);
    const auto wanted = size_t(length_seconds * rate);
    // A stretch wholly inside the loop is measured on the loop's lines, and only YIN's frame
    // of it is needed; any other stretch is measured in its own spectrum.
    const bool on_lines = has_loop(sample) && first >= sample.loop_start;
    std::vector<float> stretch;
    size_t length = wanted;
    if (!on_lines) {
        stretch = played_stretch(sample, first, wanted);
        length = stretch.size();
    }
    const double expected_period = rate / expected_hz;
    const size_t frame_size = std::min(
        length, std::clamp(std::bit_ceil(size_t(4.5 * expected_period) + 1), kMinFrame, kMaxFrame));
    if (length < kMinFrame / 4) return {};
    const size_t frame_start = (length - frame_size) / 2;
    const std::vector<float> frame =
        on_lines ? played_stretch(sample, first + frame_start, frame_size)
                 : std::vector<float>(stretch.begin() + long(frame_start),
                                      stretch.begin() + long(frame_start + frame_size));
    const double power = on_lines ? LoopLines(sample).mean_power() : mean_power(stretch);
    if (power < kSilentRms * kSilentRms) return {};

    const auto period =
        yin_period(frame, expected_period / kHighestRatio, expected_period / kLowestRatio);
    if (!period) return {};
    const Fundamental fundamental = on_lines
                                        ? fundamental_on_lines(sample, period->frames)
                                        : fundamental_in_spectrum(stretch, rate, period->frames);
    if (!(fundamental.hz > 0.0 && fundamental.hz < rate / 2.0)) return {};  // lost the peak
    PitchEstimate estimate;
    estimate.hz = fundamental.hz;
    const bool strong =
        fundamental.amplitude * fundamental.amplitude / 2.0 >= kMinFundamentalShare * power;
    const bool long_enough = double(length) * fundamental.hz / rate >= kMinPeriods;
    if (fundamental.steady && strong && long_enough)
        estimate.confidence = 1.0 - period->aperiodicity;
    return estimate;
}

}  // namespace kelvara::sound
