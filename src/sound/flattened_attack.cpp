#include "sound/flattened_attack.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <complex>
#include <numbers>

namespace kelvara::sound {
namespace {

constexpr double kTwoPi = 2.0 * std::numbers::pi;
constexpr double kCentsPerOctave = 1200.0;
// The track's step: about 10 ms, a multiple of 16 frames.
constexpr double kStepSeconds = 0.01;
constexpr double kStepGrain = 16.0;
// The demodulating window spans this many periods of the loop's pitch: a Hann window of n
// periods vanishes at every multiple of 1/n of the pitch from the second on, so every
// harmonic (and the fundamental's own negative frequency) falls on a zero.
constexpr double kWindowPeriods = 4.0;
// The phase is smoothed by a Gaussian of this width (its standard deviation): the pitch a
// listener hears wander over a tenth of a second stays, the flicker of the fundamental's
// phase where the beating strings nearly cancel does not.
constexpr double kSmoothSeconds = 0.03;
// The fundamental must carry at least this share of the tone's power in every window past
// the strike, and its phase turn by less than this from one step to the next (a quarter of
// a turn every 10 ms is far beyond any wander); else the attack is not followed.
constexpr double kMinFundamentalShare = 0.01;
constexpr double kMaxPhaseStep = std::numbers::pi / 2.0;
// The shortest attack followed: the strike and a few tenths of a second after it.
constexpr double kMinTrackedAttackSeconds = 0.2;

// Windowed-sinc interpolation: kTaps frames either side, the kernel tabulated at kPhases
// fractions of a frame and interpolated straight between them.
constexpr int kTaps = 16;
constexpr int kPhases = 512;

// The frame a looped sample plays at position `n`: nothing before its start, and past the
// loop's end the loop over again.
double played_frame(std::span<const int16_t> frames, long loop_start, long loop_end, long n) {
    if (n < 0) return 0.0;
    if (n >= loop_end) n = loop_start + (n - loop_start) % (loop_end - loop_start);
    return frames[size_t(n)];
}

bool loop_inside(size_t frames, uint32_t loop_start, uint32_t loop_end) {
    return loop_start + 1 < loop_end && loop_end <= frames;
}

// The turn per frame at `points` points k = 0, 1, ... from `turns` (the phase's steps:
// turns[j] from point j to j + 1), fitted by a straight line under a Gaussian weight `sigma`
// points wide around k: a Gaussian average where the weight is whole, and where it is cut
// short (the track's ends, and past them) no lag behind a pitch that moves steadily.
std::vector<double> smoothed_turns(const std::vector<double>& turns, double sigma, double step,
                                   size_t points) {
    const auto reach = long(std::ceil(3.0 * sigma));
    const auto count = long(turns.size());
    std::vector<double> out(points);
    for (long k = 0; k < long(points); ++k) {
        double s0 = 0.0, s1 = 0.0, s2 = 0.0, t0 = 0.0, t1 = 0.0;
        for (long j = std::clamp(k - reach, 0L, count - 1); j < std::clamp(k + reach, 1L, count);
             ++j) {
            const double x = double(j) + 0.5 - double(k);
            const double w = std::exp(-0.5 * x * x / (sigma * sigma));
            s0 += w;
            s1 += w * x;
            s2 += w * x * x;
            t0 += w * turns[size_t(j)];
            t1 += w * x * turns[size_t(j)];
        }
        const double determinant = s0 * s2 - s1 * s1;
        const double turn = determinant > 1e-9 * s0 * s2 ? (s2 * t0 - s1 * t1) / determinant
                            : s0 > 0.0                   ? t0 / s0
                                                         : turns.back();
        out[size_t(k)] = turn / step;
    }
    return out;
}

// The interpolation kernel: sinc under a Blackman window kTaps frames wide either side, at
// kPhases + 1 fractions of a frame (the last the first shifted by one).
const std::vector<double>& sinc_table() {
    static const std::vector<double> table = [] {
        std::vector<double> values(size_t(kPhases + 1) * 2 * kTaps);
        for (int phase = 0; phase <= kPhases; ++phase) {
            const double fraction = double(phase) / kPhases;
            for (int tap = 0; tap < 2 * kTaps; ++tap) {
                const double x = double(tap - kTaps + 1) - fraction;  // from -kTaps + 1 - f
                const double sinc =
                    x == 0.0 ? 1.0 : std::sin(std::numbers::pi * x) / (std::numbers::pi * x);
                const double w = 0.5 + 0.5 * x / kTaps;  // 0 to 1 across the kernel
                const double blackman =
                    0.42 - 0.5 * std::cos(kTwoPi * w) + 0.08 * std::cos(2.0 * kTwoPi * w);
                values[size_t(phase) * 2 * kTaps + size_t(tap)] = sinc * blackman;
            }
        }
        return values;
    }();
    return table;
}

}  // namespace

double attack_wander_cents(const AttackTrack& track) {
    if (track.empty()) return 0.0;
    const auto [low, high] = std::minmax_element(track.cents.begin(), track.cents.end());
    return double(*high - *low);
}

std::optional<AttackTrack> track_attack(const PlayedSample& sample, double loop_hz,
                                        double frames_per_second) {
    if (!sample.loops || !loop_inside(sample.frames.size(), sample.loop_start, sample.loop_end) ||
        !(loop_hz > 0.0) || !(sample.rate_hz > 0.0) || !(frames_per_second > 0.0))
        return std::nullopt;
    const double rate = frames_per_second;
    const double period = sample.rate_hz / loop_hz;
    const long attack = sample.loop_start;
    const double window = kWindowPeriods * period;
    const auto step =
        uint32_t(std::max(1.0, std::round(kStepSeconds * rate / kStepGrain)) * kStepGrain);
    const double sigma = kSmoothSeconds * rate / step;
    // The points before this one lie in the strike, or their window reaches before the start.
    const auto strike = long(std::ceil(std::max(kStrikeSeconds * rate, 0.5 * window) / step));
    if (double(attack) < kMinTrackedAttackSeconds * rate ||
        double(attack) > kMaxTrackedAttackSeconds * rate || strike * long(step) >= attack)
        return std::nullopt;

    // The window times the phasor, once: q[j] = w(j) e^(-i omega j) for |j| < window / 2.
    const double omega = kTwoPi / period;
    const auto reach = long(std::floor(0.5 * window));
    std::vector<std::complex<double>> weighted(size_t(2 * reach + 1));
    double window_sum = 0.0;
    std::vector<double> weights(weighted.size());
    for (long j = -reach; j <= reach; ++j) {
        const double w = 0.5 + 0.5 * std::cos(kTwoPi * double(j) / window);
        weights[size_t(j + reach)] = w;
        weighted[size_t(j + reach)] = std::polar(w, -omega * double(j));
        window_sum += w;
    }
    // Points up to the loop's start. Only those whose window lies in the attack are followed
    // (the track goes on at their pitch to the loop's start): the attack ends at its own
    // pitch, the loop's is not smoothed into it.
    const auto last = long(std::ceil(double(attack) / step));
    const auto points = long(std::floor(double(attack - reach) / step)) + 1;
    if (points < strike + 2) return std::nullopt;
    std::vector<double> phase(static_cast<size_t>(points));
    const long loop_start = sample.loop_start, loop_end = sample.loop_end;
    for (long k = 0; k < points; ++k) {
        const long centre = k * long(step);
        std::complex<double> sum;
        double power = 0.0;
        for (long j = -reach; j <= reach; ++j) {
            const double x = played_frame(sample.frames, loop_start, loop_end, centre + j);
            sum += x * weighted[size_t(j + reach)];
            power += weights[size_t(j + reach)] * x * x;
        }
        sum *= std::polar(1.0, -std::fmod(omega * double(centre), kTwoPi));
        const double amplitude = 2.0 * std::abs(sum) / window_sum;
        const double share = power > 0.0 ? 0.5 * amplitude * amplitude * window_sum / power : 0.0;
        if (k >= strike && !(share >= kMinFundamentalShare)) return std::nullopt;
        double turned = std::arg(sum);
        if (k > 0) {
            const double previous = phase[size_t(k - 1)];
            turned = previous + std::remainder(turned - previous, kTwoPi);
            if (k > strike && std::abs(turned - previous) > kMaxPhaseStep) return std::nullopt;
        }
        phase[size_t(k)] = turned;
    }
    std::vector<double> turns(size_t(points - 1 - strike));
    for (long k = strike; k + 1 < points; ++k)
        turns[size_t(k - strike)] = phase[size_t(k + 1)] - phase[size_t(k)];
    const std::vector<double> smooth =
        smoothed_turns(turns, sigma, step, size_t(last - strike + 1));
    AttackTrack track;
    track.step_frames = step;
    track.cents.resize(size_t(last + 1));
    for (long k = strike; k <= last; ++k) {
        const double turn = smooth[size_t(k - strike)];
        track.cents[size_t(k)] = float(kCentsPerOctave * std::log2(1.0 + turn / omega));
    }
    std::fill(track.cents.begin(), track.cents.begin() + strike, track.cents[size_t(strike)]);
    return track;
}

std::optional<RetunedLoop> flatten_attack(std::span<const int16_t> frames, uint32_t loop_start,
                                          uint32_t loop_end, const AttackTrack& track) {
    if (!loop_inside(frames.size(), loop_start, loop_end) || track.step_frames == 0 ||
        track.cents.size() < 2 ||
        double(track.cents.size() - 1) * track.step_frames < double(loop_start))
        return std::nullopt;
    const double step = track.step_frames;
    // The attack's frame x plays at output time t(x), the integral of the ratio r(x) of its
    // pitch to the loop's: r straight between the track's points, t piecewise quadratic.
    std::vector<double> ratio(track.cents.size()), time(track.cents.size());
    for (size_t k = 0; k < ratio.size(); ++k)
        ratio[k] = std::exp2(double(track.cents[k]) / kCentsPerOctave);
    for (size_t k = 1; k < time.size(); ++k)
        time[k] = time[k - 1] + 0.5 * step * (ratio[k - 1] + ratio[k]);
    const auto time_at = [&](double x) {
        const auto k = std::min(size_t(x / step), ratio.size() - 2);
        const double u = x - double(k) * step;
        return time[k] + ratio[k] * u + 0.5 * (ratio[k + 1] - ratio[k]) * u * u / step;
    };
    // A whole number of output frames for the attack, the time stretched to fit it (by less
    // than half a frame over the attack).
    const double attack_time = time_at(loop_start);
    const auto attack_frames = uint32_t(std::max(1.0, std::round(attack_time)));
    const double stretch = attack_time / attack_frames;

    const std::vector<double>& table = sinc_table();
    const auto read = [&](long n) {
        return played_frame(frames, long(loop_start), long(loop_end), n);
    };
    RetunedLoop out;
    out.frames.reserve(attack_frames + frames.size() - loop_start);
    size_t k = 0;
    for (uint32_t j = 0; j < attack_frames; ++j) {
        // The frame x with t(x) = j * stretch: the root of the quadratic in its segment.
        const double wanted = double(j) * stretch;
        while (k + 2 < time.size() && time[k + 1] <= wanted) ++k;
        const double a = 0.5 * (ratio[k + 1] - ratio[k]) / step, b = ratio[k];
        const double c = time[k] - wanted;
        const double u = -2.0 * c / (b + std::sqrt(std::max(0.0, b * b - 4.0 * a * c)));
        const double x = double(k) * step + u;
        const double whole = std::floor(x);
        const double fraction = (x - whole) * kPhases;
        const auto phase = std::min(long(fraction), long(kPhases - 1));
        const double between = fraction - double(phase);
        const double* low = &table[size_t(phase) * 2 * kTaps];
        const double* high = low + 2 * kTaps;
        double value = 0.0;
        for (int tap = 0; tap < 2 * kTaps; ++tap) {
            const double weight = low[tap] + between * (high[tap] - low[tap]);
            value += weight * read(long(whole) - kTaps + 1 + tap);
        }
        out.frames.push_back(int16_t(std::clamp(std::lround(value), -32768L, 32767L)));
    }
    out.frames.insert(out.frames.end(), frames.begin() + loop_start, frames.end());
    out.loop_start = attack_frames;
    out.loop_end = attack_frames + (loop_end - loop_start);
    return out;
}

}  // namespace kelvara::sound
