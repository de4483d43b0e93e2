#include "sound/fft.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <numbers>
#include <utility>

namespace kelvara::sound {
namespace {

// Twiddle factors are rotated from one computed directly this often, so rounding cannot
// build up.
constexpr size_t kReanchor = 64;
// Rough cost of the transform route per element and stage, against one multiply-add.
constexpr size_t kTransformCost = 2;

}  // namespace

void fft_in_place(std::vector<double>& re, std::vector<double>& im, bool inverse) {
    const size_t size = re.size();
    if (size < 2 || im.size() != size || !std::has_single_bit(size)) return;
    for (size_t i = 1, j = 0; i < size; ++i) {  // bit-reversed order
        size_t bit = size >> 1;
        for (; j & bit; bit >>= 1) j ^= bit;
        j ^= bit;
        if (i < j) {
            std::swap(re[i], re[j]);
            std::swap(im[i], im[j]);
        }
    }
    const double step = (inverse ? 2.0 : -2.0) * std::numbers::pi / double(size);
    const double c = std::cos(step), s = std::sin(step);
    std::vector<double> cos_table(size / 2), sin_table(size / 2);
    for (size_t k = 0; k < size / 2; ++k) {
        if (k % kReanchor == 0) {
            cos_table[k] = std::cos(step * double(k));
            sin_table[k] = std::sin(step * double(k));
        } else {
            cos_table[k] = cos_table[k - 1] * c - sin_table[k - 1] * s;
            sin_table[k] = cos_table[k - 1] * s + sin_table[k - 1] * c;
        }
    }
    for (size_t half = 1; half < size; half <<= 1) {
        const size_t stride = size / (2 * half);
        for (size_t start = 0; start < size; start += 2 * half) {
            for (size_t k = 0; k < half; ++k) {
                const size_t a = start + k, b = a + half;
                const double wr = cos_table[k * stride], wi = sin_table[k * stride];
                const double odd_re = wr * re[b] - wi * im[b];
                const double odd_im = wr * im[b] + wi * re[b];
                re[b] = re[a] - odd_re;
                im[b] = im[a] - odd_im;
                re[a] += odd_re;
                im[a] += odd_im;
            }
        }
    }
}

std::vector<double> autocorrelation(std::span<const float> x, size_t max_lag) {
    std::vector<double> r(max_lag + 1, 0.0);
    if (x.empty()) return r;
    const size_t lags = std::min(max_lag + 1, x.size());
    // Zero padding to twice the length keeps the circular correlation from wrapping around.
    const size_t size = std::bit_ceil(2 * x.size());
    // Few lags are cheaper summed directly than through two transforms.
    if (lags * x.size() <= kTransformCost * size * size_t(std::bit_width(size))) {
        for (size_t lag = 0; lag < lags; ++lag) {
            // Four partial sums, which the compiler may keep in one vector register.
            std::array<double, 4> sums{};
            const size_t pairs = x.size() - lag;
            size_t n = 0;
            for (; n + 4 <= pairs; n += 4)
                for (size_t k = 0; k < 4; ++k) sums[k] += double(x[n + k]) * x[n + k + lag];
            for (; n < pairs; ++n) sums[0] += double(x[n]) * x[n + lag];
            r[lag] = (sums[0] + sums[1]) + (sums[2] + sums[3]);
        }
        return r;
    }
    std::vector<double> re(size, 0.0), im(size, 0.0);
    std::copy(x.begin(), x.end(), re.begin());
    fft_in_place(re, im);
    for (size_t k = 0; k < size; ++k) {
        re[k] = re[k] * re[k] + im[k] * im[k];
        im[k] = 0.0;
    }
    fft_in_place(re, im, true);
    for (size_t lag = 0; lag < lags; ++lag) r[lag] = re[lag] / double(size);
    return r;
}

}  // namespace kelvara::sound
