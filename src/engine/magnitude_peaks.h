#pragma once
// The peaks of an averaged spectrum: the sines a recording holds, each refined below bin
// resolution by fitting a parabola to the logarithm of the power at the highest bin and its
// two neighbours (near the top, the main lobe of the Blackman–Harris window is close to a
// Gaussian, whose logarithm is exactly a parabola), which gives both the frequency between
// bins and the height the window's scalloping hid.
//
// Pure functions; any thread.
#include <cstdint>
#include <vector>

#include "engine/averaged_spectrum.h"

namespace kelvara {

struct SpectralPeak {
    double frequency_hz = 0.0;
    double amplitude = 0.0;  // of the sine that makes the peak; a full-scale sine has 1
    double level_db = 0.0;   // 20·log10(amplitude): dB relative to a full-scale sine
};

// A peak must rise this far above the noise floor around it (the power below which a fifth
// of the bins of a band a third of an octave wide, at least 32 bins, lie): the tallest of
// some thousands of bins of pure noise in one frame stands about 16 dB above that floor, and
// less where several frames are averaged.
inline constexpr double kPeakOverFloorDb = 18.0;

// At most this many peaks are reported (the strongest).
inline constexpr int32_t kMaxSpectralPeaks = 1024;

// Peaks at or above `lowest_hz`, at most `range_db` below the strongest, standing
// kPeakOverFloorDb over the floor; two maxima closer than the window's main lobe are one
// peak (the taller). Ascending frequency.
std::vector<SpectralPeak> find_spectral_peaks(const AveragedSpectrum& spectrum, double lowest_hz,
                                              double range_db);

}  // namespace kelvara
