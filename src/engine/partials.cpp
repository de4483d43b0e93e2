#include "engine/partials.h"

#include <algorithm>
#include <array>
#include <limits>
#include <vector>

#include "engine/engine_limits.h"

namespace kelvara {
namespace {

// The 0.9 chain of the shaped type starts at harmonic 6 with 0.75 × 0.9 in 32 bits.
constexpr float kShapedFixed[5] = {0.75f, 0.9f, 0.75f, 0.9f, 0.75f};
constexpr float kShapedDecay = 0.9f;
constexpr double kGeometricDecay = 0.92;

void fill_tone(float fundamental, int32_t count, const float* ratios, const float* amplitudes,
               float* partials, float* tone_amplitudes) {
    for (int32_t k = 0; k < count; ++k) {
        partials[k] = fundamental * ratios[k];
        tone_amplitudes[k] = amplitudes[k];
    }
}

}  // namespace

int32_t partials_per_tone(const Timbre& timbre) {
    if (timbre.overtone_type == PureTone) return 1;
    if (timbre.overtone_type == CustomPartials)
        return static_cast<int32_t>(timbre.custom_partials.size());
    return timbre.number_of_overtones;
}

int32_t number_of_partials(const Timbre& timbre, int32_t number_of_fixed_tones) {
    return (number_of_fixed_tones + 1) * partials_per_tone(timbre);
}

void harmonic_amplitudes(int32_t overtone_type, std::span<float> out) {
    float running = 1.0f;
    for (size_t i = 0; i < out.size(); ++i) {
        const int32_t k = static_cast<int32_t>(i) + 1;
        float amplitude = 0.0f;
        switch (overtone_type) {
            case PureTone: amplitude = 1.0f; break;
            case FlatHarmonics: amplitude = 0.25f; break;
            case OddHarmonics:
                amplitude = (k % 2 == 1) ? 1.0f / static_cast<float>(k) : 0.0f;
                break;
            case ShapedHarmonics:
                if (k <= 5) {
                    amplitude = kShapedFixed[i];
                } else {
                    running = (k == 6) ? 0.75f * kShapedDecay : running * kShapedDecay;
                    amplitude = running;
                }
                break;
            case InverseHarmonics: amplitude = 1.0f / static_cast<float>(k); break;
            case GeometricHarmonics:
                if (k > 1)
                    running = static_cast<float>(static_cast<double>(running) * kGeometricDecay);
                amplitude = running;
                break;
            default: break;
        }
        out[i] = amplitude;
    }
}

int32_t nearest_parametric_type(std::span<const Partial> partials) {
    std::vector<Partial> sorted(partials.begin(), partials.end());
    std::stable_sort(sorted.begin(), sorted.end(),
                     [](const Partial& a, const Partial& b) { return a.ratio < b.ratio; });
    double loudest = 0.0;
    for (const Partial& p : sorted) loudest = std::max(loudest, p.amplitude);
    if (sorted.size() < 2 || !(loudest > 0.0)) return PureTone;
    const size_t count = std::min<size_t>(sorted.size(), kMaxOvertones);

    int32_t nearest = PureTone;
    double nearest_distance = std::numeric_limits<double>::infinity();
    std::array<float, kMaxOvertones> shape{};
    for (int32_t type = PureTone; type <= GeometricHarmonics; ++type) {
        const size_t harmonics = type == PureTone ? 1 : count;
        harmonic_amplitudes(type, std::span<float>(shape.data(), harmonics));
        const float peak = *std::max_element(shape.begin(), shape.begin() + harmonics);
        double distance = 0.0;
        for (size_t k = 0; k < count; ++k) {
            const double harmonic = k < harmonics ? shape[k] / peak : 0.0;
            const double difference = sorted[k].amplitude / loudest - harmonic;
            distance += difference * difference;
        }
        if (distance < nearest_distance) {
            nearest = type;
            nearest_distance = distance;
        }
    }
    return nearest;
}

void build_partials(const Timbre& timbre, std::span<const float> dissonance_ratios, float* partials,
                    float* amplitudes) {
    const int32_t per_tone = partials_per_tone(timbre);
    if (!is_valid_overtone_type(timbre.overtone_type) || per_tone < 1 || per_tone > kMaxOvertones)
        return;
    // One tone's ratios and amplitudes, shared by every tone. They live on the stack so that
    // sampling allocates nothing.
    std::array<float, kMaxOvertones> tone_ratios{};
    std::array<float, kMaxOvertones> tone_amplitudes{};
    if (timbre.overtone_type == CustomPartials) {
        for (int32_t k = 0; k < per_tone; ++k) {
            tone_ratios[k] = static_cast<float>(timbre.custom_partials[k].ratio);
            tone_amplitudes[k] = static_cast<float>(timbre.custom_partials[k].amplitude);
        }
    } else {
        for (int32_t k = 0; k < per_tone; ++k) tone_ratios[k] = static_cast<float>(k + 1);
        harmonic_amplitudes(timbre.overtone_type,
                            std::span<float>(tone_amplitudes.data(), per_tone));
    }

    const auto fixed = static_cast<int32_t>(dissonance_ratios.size());
    for (int32_t t = 0; t < fixed; ++t) {
        const double ratio = dissonance_ratios[t];
        const auto fundamental = static_cast<float>(timbre.base_frequency * ratio);
        fill_tone(fundamental, per_tone, tone_ratios.data(), tone_amplitudes.data(),
                  partials + t * per_tone, amplitudes + t * per_tone);
    }
    fill_tone(0.0f, per_tone, tone_ratios.data(), tone_amplitudes.data(),
              partials + fixed * per_tone, amplitudes + fixed * per_tone);
}

void move_sweep_tone(const Timbre& timbre, int32_t number_of_fixed_tones, float x,
                     float* partials) {
    const int32_t per_tone = partials_per_tone(timbre);
    const auto fundamental = static_cast<float>(static_cast<double>(x) * timbre.base_frequency);
    float* sweep = partials + number_of_fixed_tones * per_tone;
    if (timbre.overtone_type == CustomPartials) {
        for (int32_t k = 0; k < per_tone; ++k)
            sweep[k] = fundamental * static_cast<float>(timbre.custom_partials[k].ratio);
        return;
    }
    for (int32_t k = 1; k <= per_tone; ++k) sweep[k - 1] = fundamental * static_cast<float>(k);
}

}  // namespace kelvara
