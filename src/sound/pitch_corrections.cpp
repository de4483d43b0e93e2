#include "sound/pitch_corrections.h"

#include "sound/bank_tuning.h"

namespace kelvara::sound {

PitchCorrections::PitchCorrections(const BankTuning& tuning) {
    for (const PresetTuning& preset : tuning.presets) {
        PresetCorrections voices;
        for (const ZoneTuning& zone : preset.zones) {
            if (zone.voice >= voices.size()) voices.resize(size_t(zone.voice) + 1);
            const bool corrected = zone.verdict == ZoneVerdict::Corrected;
            voices[zone.voice] = {zone.sample_frames, zone.correction_cents,
                                  corrected ? zone.retuned_loop_frames : 0.0};
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
