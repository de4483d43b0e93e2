#include "sound/flattened_attack.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <numbers>

#include "sound/sample_loop.h"

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
// The phase's steps are smoothed by a Gaussian of this width (its standard deviation): the
// track follows a wander over a twentieth of a second, not the flicker of the fundamental's
// phase where the beating strings nearly cancel.
constexpr double kSmoothSeconds = 0.015;
// How far an attack wanders is read from its track smoothed further, over what a listener
// hears as its pitch moving: the flicker where the strings nearly cancel is no wander.
constexpr double kWanderSmoothSeconds = 0.05;
// The fundamental must carry at least this share of the tone's power in every window past
// the strike, and its phase turn by less than this from one step to the next (a quarter of
// a turn every 10 ms is far beyond any wander); else the attack is not followed.
constexpr double kMinFundamentalShare = 0.01;
constexpr double kMaxPhaseStep = std::numbers::pi / 2.0;
// The shortest attack followed: the strike and a few tenths of a second after it.
constexpr double kMinTrackedAttackSeconds = 0.2;

// The fundamental is taken out for its phase to be turned by a lowpass of this many moving
// averages one period long after demodulation: a zero of this order at every harmonic.
constexpr int kBoxes = 4;

// What a looped sample plays at position `n`: nothing before its start.
double played_frame(std::span<const int16_t> frames, uint32_t loop_start, uint32_t loop_end,
                    long n) {
    return n < 0 ? 0.0 : frames[looped_frame(size_t(n), loop_start, loop_end)];
}

// The values at `points` points k = 0, 1, ... from `values` (values[j] at point j + offset),
// fitted by a straight line under a Gaussian weight `sigma` points wide around k: a Gaussian
// average where the weight is whole, and where it is cut short (the ends, and past them) no
// lag behind a value that moves steadily.
std::vector<double> line_smoothed(const std::vector<double>& values, double offset, double sigma,
                                  size_t points) {
    const auto reach = long(std::ceil(3.0 * sigma));
    const auto count = long(values.size());
    std::vector<double> out(points);
    for (long k = 0; k < long(points); ++k) {
        double s0 = 0.0, s1 = 0.0, s2 = 0.0, t0 = 0.0, t1 = 0.0;
        for (long j = std::clamp(k - reach, 0L, count - 1); j < std::clamp(k + reach, 1L, count);
             ++j) {
            const double x = double(j) + offset - double(k);
            const double w = std::exp(-0.5 * x * x / (sigma * sigma));
            s0 += w;
            s1 += w * x;
            s2 += w * x * x;
            t0 += w * values[size_t(j)];
            t1 += w * x * values[size_t(j)];
        }
        const double determinant = s0 * s2 - s1 * s1;
        out[size_t(k)] = determinant > 1e-9 * s0 * s2 ? (s2 * t0 - s1 * t1) / determinant
                         : s0 > 0.0                   ? t0 / s0
                                                      : values.back();
    }
    return out;
}

}  // namespace

double attack_wander_cents(const AttackTrack& track) {
    // Past the strike (the points that repeat the first one after it), smoothed further.
    auto first = track.cents.begin();
    while (first + 1 != track.cents.end() && first[1] == first[0]) ++first;
    const std::vector<double> cents(first, track.cents.end());
    if (cents.size() < 2) return 0.0;
    const double sigma = kWanderSmoothSeconds / kStepSeconds;
    const std::vector<double> smooth = line_smoothed(cents, 0.0, sigma, cents.size());
    const auto [low, high] = std::minmax_element(smooth.begin(), smooth.end());
    return *high - *low;
}

std::optional<AttackTrack> track_attack(const PlayedSample& sample, double loop_hz,
                                        double frames_per_second) {
    if (!sample.loops ||
        !loop_lies_inside(sample.frames.size(), sample.loop_start, sample.loop_end) ||
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
    for (long k = 0; k < points; ++k) {
        const long centre = k * long(step);
        std::complex<double> sum;
        double power = 0.0;
        for (long j = -reach; j <= reach; ++j) {
            const double x =
                played_frame(sample.frames, sample.loop_start, sample.loop_end, centre + j);
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
    const std::vector<double> smooth = line_smoothed(turns, 0.5, sigma, size_t(last - strike + 1));
    AttackTrack track;
    track.step_frames = step;
    track.period_frames = period;
    track.cents.resize(size_t(last + 1));
    for (long k = strike; k <= last; ++k) {
        const double turn = smooth[size_t(k - strike)] / step;
        track.cents[size_t(k)] = float(kCentsPerOctave * std::log2(1.0 + turn / omega));
    }
    std::fill(track.cents.begin(), track.cents.begin() + strike, track.cents[size_t(strike)]);
    return track;
}

std::optional<RetunedLoop> flatten_attack(std::span<const int16_t> frames, uint32_t loop_start,
                                          uint32_t loop_end, const AttackTrack& track) {
    if (!loop_lies_inside(frames.size(), loop_start, loop_end) || track.step_frames == 0 ||
        track.cents.size() < 2 || !(track.period_frames > 1.0) ||
        double(track.cents.size() - 1) * track.step_frames < double(loop_start))
        return std::nullopt;
    const long attack = loop_start;
    const double omega = kTwoPi / track.period_frames;
    const double step = track.step_frames;
    const auto cents_at = [&](double x) {
        const auto k = std::min(size_t(x / step), track.cents.size() - 2);
        const double u = x / step - double(k);
        return (1.0 - u) * track.cents[k] + u * track.cents[k + 1];
    };
    // The fundamental's phase runs ahead of the loop's pitch by the integral of its distance
    // from it; turned back by that much from each frame on to the loop's start, it holds the
    // loop's pitch and meets the loop as it was.
    std::vector<double> turn_back(size_t(attack) + 1);
    for (long n = attack - 1; n >= 0; --n)
        turn_back[size_t(n)] =
            turn_back[size_t(n) + 1] +
            omega * (std::exp2(cents_at(double(n) + 0.5) / kCentsPerOctave) - 1.0);

    // The fundamental's complex amplitude at every frame of the attack: the sample (on into its
    // loop) times the phasor, through kBoxes moving averages of a period, centred.
    const auto box = std::max(1L, std::lround(track.period_frames));
    const long delay = kBoxes * (box - 1) / 2;
    const long first = -delay - kBoxes * box;
    std::vector<std::complex<double>> z(size_t(attack + 2 * delay + kBoxes * box + 1 - first));
    for (size_t i = 0; i < z.size(); ++i) {
        const long n = first + long(i);
        z[i] = played_frame(frames, loop_start, loop_end, n) *
               std::polar(1.0, -std::fmod(omega * double(n), kTwoPi));
    }
    for (int pass = 0; pass < kBoxes; ++pass) {
        std::complex<double> sum;
        std::vector<std::complex<double>> in = z;
        for (size_t i = 0; i < z.size(); ++i) {
            sum += in[i];
            if (i >= size_t(box)) sum -= in[i - size_t(box)];
            z[i] = sum / double(box);
        }
    }
    RetunedLoop out;
    out.frames.assign(frames.begin(), frames.end());
    for (long n = 0; n < attack; ++n) {
        const std::complex<double> fundamental = z[size_t(n - first + delay)];
        const std::complex<double> change = fundamental *
                                            (std::polar(1.0, turn_back[size_t(n)]) - 1.0) *
                                            std::polar(1.0, std::fmod(omega * double(n), kTwoPi));
        const double value = double(frames[size_t(n)]) + 2.0 * change.real();
        out.frames[size_t(n)] = int16_t(std::clamp(std::lround(value), -32768L, 32767L));
    }
    out.loop_start = loop_start;
    out.loop_end = loop_end;
    return out;
}

}  // namespace kelvara::sound
