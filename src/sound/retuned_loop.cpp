#include "sound/retuned_loop.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "sound/sample_loop.h"

namespace kelvara::sound {
namespace {

// A whole number of frames for the new loop is chosen among repeats of the loop until it is
// this close to the wanted length (relative; a hundredth of a cent).
constexpr double kLengthTolerance = 6e-6;
constexpr double kSemitone = 1.0594630943592953;

// The number of repeats whose whole-frame length comes nearest the wanted one, relatively.
uint32_t best_repeats(double wanted, double max_frames) {
    uint32_t best = 1;
    double best_error = INFINITY;
    for (uint32_t repeats = 1; repeats * wanted <= max_frames; ++repeats) {
        const double length = repeats * wanted;
        const double error = std::abs(std::round(length) - length) / length;
        if (error < best_error) {
            best = repeats;
            best_error = error;
        }
        if (error < kLengthTolerance) break;
    }
    return best;
}

// Catmull-Rom interpolation of the loop at position `x` (0 <= x < loop.size()), wrapping.
double loop_at(std::span<const int16_t> loop, double x) {
    const auto size = long(loop.size());
    const auto i = long(std::floor(x));
    const double t = x - double(i);
    std::array<double, 4> p{};
    for (long k = 0; k < 4; ++k) p[size_t(k)] = loop[size_t(((i + k - 1) % size + size) % size)];
    return p[1] + 0.5 * t *
                      (p[2] - p[0] +
                       t * (2.0 * p[0] - 5.0 * p[1] + 4.0 * p[2] - p[3] +
                            t * (3.0 * (p[1] - p[2]) + p[3] - p[0])));
}

}  // namespace

std::optional<RetunedLoop> retune_loop(std::span<const int16_t> frames, uint32_t loop_start,
                                       uint32_t loop_end, double wanted_loop_frames) {
    if (!loop_lies_inside(frames.size(), loop_start, loop_end)) return std::nullopt;
    const std::span<const int16_t> loop = frames.subspan(loop_start, loop_end - loop_start);
    const double ratio = wanted_loop_frames / double(loop.size());
    if (!(ratio > 1.0 / kSemitone && ratio < kSemitone)) return std::nullopt;
    const uint32_t repeats = best_repeats(wanted_loop_frames, kMaxRetunedLoopFrames);
    const auto length = uint32_t(std::lround(repeats * wanted_loop_frames));
    // Old frames per new frame, so that `repeats` loops fill the new length exactly.
    const double step = double(repeats) * double(loop.size()) / double(length);

    RetunedLoop out;
    out.frames.reserve(frames.size() - loop.size() + length);
    out.frames.assign(frames.begin(), frames.begin() + loop_start);
    for (uint32_t j = 0; j < length; ++j) {
        const double x = std::fmod(double(j) * step, double(loop.size()));
        out.frames.push_back(int16_t(std::clamp(std::lround(loop_at(loop, x)), -32768L, 32767L)));
    }
    out.frames.insert(out.frames.end(), frames.begin() + loop_end, frames.end());
    out.loop_start = loop_start;
    out.loop_end = loop_start + length;
    return out;
}

}  // namespace kelvara::sound
