#include "engine/timbre_starting_points.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

namespace kelvara {

namespace {

int32_t clamp_count(int32_t count) {
    return std::clamp(count, 1, kMaxCustomPartials);
}

// The root of cos β · cosh β = 1 between nπ and (n + 1)π (n ≥ 1), where it is the only one.
// The equation is solved as cos β = 1 / cosh β, which stays finite for large β (where 1 /
// cosh β vanishes and the root tends to (n + ½)π).
double free_bar_root(int32_t n) {
    const auto f = [](double beta) { return std::cos(beta) - 1.0 / std::cosh(beta); };
    double low = n * std::numbers::pi;
    double high = (n + 1) * std::numbers::pi;
    const bool rising = f(low) < 0.0;
    for (int i = 0; i < 200 && high - low > 4 * std::numeric_limits<double>::epsilon() * high;
         ++i) {
        const double middle = 0.5 * (low + high);
        if ((f(middle) < 0.0) == rising)
            low = middle;
        else
            high = middle;
    }
    return 0.5 * (low + high);
}

}  // namespace

std::vector<Partial> free_bar_partials(int32_t count) {
    count = clamp_count(count);
    const double first = free_bar_root(1);
    std::vector<Partial> partials;
    for (int32_t n = 1; n <= count; ++n) {
        const double beta = free_bar_root(n) / first;
        if (beta * beta > kPartialRatioBounds.max) break;
        partials.push_back({beta * beta, 1.0 / n});
    }
    return partials;
}

std::optional<std::vector<Partial>> stiff_string_partials(int32_t count, double inharmonicity) {
    if (!(inharmonicity >= 0.0 && inharmonicity <= kMaxInharmonicity)) return std::nullopt;
    count = clamp_count(count);
    const double first = std::sqrt(1.0 + inharmonicity);
    std::vector<Partial> partials;
    for (int32_t k = 1; k <= count; ++k) {
        const double kk = static_cast<double>(k);
        const double ratio = kk * std::sqrt(1.0 + inharmonicity * kk * kk) / first;
        if (ratio > kPartialRatioBounds.max) break;
        partials.push_back({ratio, 1.0 / kk});
    }
    return partials;
}

const std::vector<PublishedSpectrum>& published_spectra() {
    static const std::vector<PublishedSpectrum> spectra = {
        // The five partials a founder tunes in a church bell, at the ratios of the tuning
        // named after Canon A. B. Simpson (hum, prime, tierce, quint, nominal = 1/4, 1/2,
        // 3/5, 3/4, 1 of the nominal), here relative to the prime: T. D. Rossing and R.
        // Perrin (1987), "Vibrations of bells", Applied Acoustics 20, 41-70.
        {"Church bell (Simpson tuning)",
         "Rossing & Perrin (1987), Vibrations of bells, Applied Acoustics 20, 41-70",
         {{0.5, 1.0}, {1.0, 1.0}, {1.2, 1.0}, {1.5, 1.0}, {2.0, 1.0}}},
        // A marimba bar is undercut so that its second bending mode lies two octaves above
        // the first; a xylophone bar so that it lies a twelfth above: N. H. Fletcher and
        // T. D. Rossing (1998), The Physics of Musical Instruments, 2nd ed., Springer, ch. 19.
        {"Marimba bar (tuned)",
         "Fletcher & Rossing (1998), The Physics of Musical Instruments, 2nd ed., ch. 19",
         {{1.0, 1.0}, {4.0, 1.0}}},
        {"Xylophone bar (tuned)",
         "Fletcher & Rossing (1998), The Physics of Musical Instruments, 2nd ed., ch. 19",
         {{1.0, 1.0}, {3.0, 1.0}}},
    };
    return spectra;
}

}  // namespace kelvara
