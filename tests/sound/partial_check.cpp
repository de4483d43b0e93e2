#include "sound/partial_check.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "sound/peak_estimator.h"

namespace kelvara::testing {

void expect_partials(const std::vector<float>& signal, double sample_rate, double fundamental_hz,
                     const std::vector<TonePartial>& partials, double highest_hz) {
    const Spectrum spectrum(signal, sample_rate);
    const auto loudest = std::max_element(
        partials.begin(), partials.end(),
        [](const TonePartial& a, const TonePartial& b) { return a.amplitude < b.amplitude; });
    ASSERT_NE(loudest, partials.end());
    const double reference_hz = fundamental_hz * loudest->ratio;
    ASSERT_LT(reference_hz, highest_hz);
    const double reference_level =
        spectrum.amplitude_at(spectrum.peak_frequency(reference_hz, 3.0));
    ASSERT_GT(reference_level, 1e-4);
    for (const TonePartial& p : partials) {
        const double hz = fundamental_hz * p.ratio;
        if (hz >= highest_hz) continue;
        if (p.amplitude == 0.0) {
            EXPECT_LT(spectrum.amplitude_at(hz), reference_level * 1e-3) << "ratio " << p.ratio;
            continue;
        }
        // The search starts half a cent off, so a measurement that kept its guess would fail.
        const double found = spectrum.peak_frequency(hz * std::exp2(0.5 / 1200.0), 3.0);
        EXPECT_NEAR(cents_between(found, hz), 0.0, 0.1) << "ratio " << p.ratio;
        const double measured_db =
            20.0 * std::log10(spectrum.amplitude_at(found) / reference_level);
        const double asked_db = 20.0 * std::log10(p.amplitude / loudest->amplitude);
        EXPECT_NEAR(measured_db, asked_db, 1.0) << "ratio " << p.ratio;
    }
}

}  // namespace kelvara::testing
