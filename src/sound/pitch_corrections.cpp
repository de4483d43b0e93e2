#include "sound/pitch_corrections.h"

#include <bit>

#include "sound/bank_tuning.h"

namespace kelvara::sound {
namespace {

// FNV-1a over the track's step and points: a copy made along one track is not played for
// another.
uint64_t track_key(const AttackTrack& track) {
    uint64_t key = 14695981039346656037ull;
    const auto mix = [&key](uint32_t bits) {
        for (int byte = 0; byte < 4; ++byte) {
            key ^= (bits >> (8 * byte)) & 0xffu;
            key *= 1099511628211ull;
        }
    };
    mix(track.step_frames);
    const auto period = std::bit_cast<uint64_t>(track.period_frames);
    mix(uint32_t(period));
    mix(uint32_t(period >> 32));
    for (const float cents : track.cents) mix(std::bit_cast<uint32_t>(cents));
    return key | 1u;  // never 0
}

}  // namespace

PitchCorrections::PitchCorrections(const BankTuning& tuning) {
    for (const PresetTuning& preset : tuning.presets) {
        PresetCorrections voices;
        for (const ZoneTuning& zone : preset.zones) {
            if (zone.voice >= voices.size()) voices.resize(size_t(zone.voice) + 1);
            const bool corrected = zone.verdict == ZoneVerdict::Corrected;
            VoiceCorrection& voice = voices[zone.voice];
            voice = {zone.sample_frames, zone.correction_cents,
                     corrected ? zone.retuned_loop_frames : 0.0};
            if (corrected && !zone.flattened_attack.empty()) {
                attack_tracks_.push_back(
                    std::make_shared<const AttackTrack>(zone.flattened_attack));
                voice.flattened_attack = attack_tracks_.back().get();
                voice.attack_key = track_key(zone.flattened_attack);
            }
        }
        presets_.emplace(std::pair(preset.bank, preset.program), std::move(voices));
    }
}

const PitchCorrections::PresetCorrections* PitchCorrections::preset(
    int bank, int program) const noexcept KELVARA_NONBLOCKING {
    const auto found = presets_.find({bank, program});
    return found == presets_.end() ? nullptr : &found->second;
}

VoiceCorrection PitchCorrections::of_voice(const PresetCorrections* preset, uint32_t voice,
                                           uint32_t sample_frames) noexcept KELVARA_NONBLOCKING {
    if (preset == nullptr || voice >= preset->size()) return {};
    const VoiceCorrection& correction = (*preset)[voice];
    return correction.sample_frames == sample_frames ? correction : VoiceCorrection{};
}

void PitchCorrectionSlot::publish(std::string bank_path, PitchCorrections corrections) {
    published_.publish(
        std::make_unique<const Published>(Published{std::move(bank_path), std::move(corrections)}));
}

const PitchCorrections* PitchCorrectionSlot::for_bank(const std::string& bank_path) const noexcept
    KELVARA_NONBLOCKING {
    if (!enabled()) return nullptr;
    const Published* published = published_.get();
    return published != nullptr && published->bank_path == bank_path ? &published->corrections
                                                                     : nullptr;
}

}  // namespace kelvara::sound
