#include "bench/adaptive_tuning_benchmark.h"

#include <algorithm>
#include <cmath>

#include "bench/kernel_benchmark_cases.h"
#include "engine/adaptive_tuning.h"
#include "engine/curve_definition.h"
#include "engine/equal_temperament.h"

namespace kelvara {
namespace {

// A spread dominant ninth in equal temperament: every note has somewhere to go.
ChordToAdapt benchmark_chord() {
    ChordToAdapt chord;
    for (const int key : {48, 55, 60, 64, 67, 70, 72, 74})
        chord.nominal_hz.push_back(equal_tempered_hz(key));
    chord.partials = harmonic_partials(GeometricHarmonics, 25);
    return chord;
}

}  // namespace

Result<AdaptTiming> time_adaptation(double min_seconds) {
    const ChordToAdapt chord = benchmark_chord();
    const AdaptationSettings settings;
    AdaptTiming timing;
    timing.notes = static_cast<int32_t>(chord.nominal_hz.size());
    timing.partials = static_cast<int32_t>(chord.partials.size());
    timing.adapt_us = INFINITY;
    timing.dissonance_us = INFINITY;
    volatile double sink = 0.0;  // keeps the evaluations from being optimised away
    const double deadline = thread_processor_ms() + min_seconds * 1e3;
    do {
        for (int run = 0; run < 4; ++run) {
            const double start = thread_processor_ms();
            const Result<AdaptedChord> adapted = adapt_chord(chord, settings);
            timing.adapt_us = std::min(timing.adapt_us, (thread_processor_ms() - start) * 1e3);
            if (!adapted) return adapted.error();
            for (const double c : adapted->moved_cents)
                timing.moved_cents = std::max(timing.moved_cents, std::abs(c));
        }
        for (int run = 0; run < 4; ++run) {
            const double start = thread_processor_ms();
            sink = sink + chord_dissonance(chord.nominal_hz, chord.partials, chord.model);
            timing.dissonance_us =
                std::min(timing.dissonance_us, (thread_processor_ms() - start) * 1e3);
        }
    } while (thread_processor_ms() < deadline);
    timing.ratio = timing.adapt_us / timing.dissonance_us;
    return timing;
}

}  // namespace kelvara
