#pragma once
// What pitch-true playback hands the exact-pitch loader: per voice of each preset, the cents
// to add to the pitch the bank declares (bank_tuning.h), and the slot through which a bank's
// corrections arrive once they are measured.
#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "base/nonblocking.h"
#include "sound/retiring_pointer.h"

namespace kelvara::sound {

struct AttackTrack;
struct BankTuning;

struct VoiceCorrection {
    uint32_t sample_frames = 0;  // the voice's sample length, checked before applying
    double cents = 0.0;
    // Nonzero: the voice plays its sample with the loop resampled to this many frames
    // (ZoneTuning::retuned_loop_frames).
    double retuned_loop_frames = 0.0;
    // Not null: the voice plays its sample with the attack flattened along this track
    // (ZoneTuning::flattened_attack), owned by the corrections; `attack_key` tells tracks
    // apart without reading them.
    const AttackTrack* flattened_attack = nullptr;
    uint64_t attack_key = 0;

    bool plays_copy() const { return retuned_loop_frames > 0.0 || flattened_attack != nullptr; }
};

// The corrections of one bank, an immutable value.
class PitchCorrections {
public:
    using PresetCorrections = std::vector<VoiceCorrection>;  // by voice index

    explicit PitchCorrections(const BankTuning& tuning);

    // The corrections of a preset (numbered as the exact-pitch loader numbers it), or null.
    const PresetCorrections* preset(int bank, int program) const noexcept KELVARA_NONBLOCKING;

    // The correction of one voice; none (0 cents, the sample as it is) when there is none, or
    // when the voice's sample is not the one measured (the file changed between loading and
    // measuring).
    static VoiceCorrection of_voice(const PresetCorrections* preset, uint32_t voice,
                                    uint32_t sample_frames) noexcept KELVARA_NONBLOCKING;

private:
    std::map<std::pair<int, int>, PresetCorrections> presets_;
    // Shared, so the tracks stay where the corrections point while any copy of them lives.
    std::vector<std::shared_ptr<const AttackTrack>> attack_tracks_;
};

// Where a synthesizer's corrections live. The bank-tuning job publishes into it from its own
// thread, the sound setup switches pitch-true playback on and off from the user-interface
// thread, and every note-on reads it on the thread that renders, which applies the queued
// tone starts (sound/channel_event_queue.h). The reader takes no lock and frees nothing:
// corrections are published by one pointer swap, and those replaced are freed by a later
// publisher once no block can still read them (retiring_pointer.h).
class PitchCorrectionSlot {
public:
    // `blocks_rendered`: the renderer's block counter, which must outlive the slot.
    explicit PitchCorrectionSlot(const std::atomic<uint64_t>& blocks_rendered)
        : published_(blocks_rendered) {}

    void publish(std::string bank_path, PitchCorrections corrections);
    void set_enabled(bool enabled) { enabled_.store(enabled); }
    bool enabled() const { return enabled_.load(); }
    // True once corrections have been published.
    bool ready() const { return published_.get() != nullptr; }

    // The corrections for the bank loaded from `bank_path`; null while none are measured,
    // for any other bank, or when the bank's own tuning is asked for. Valid until the end of
    // the block in which it was asked.
    const PitchCorrections* for_bank(const std::string& bank_path) const noexcept
        KELVARA_NONBLOCKING;

    // As for_bank(), on any other thread: calls `use` with the corrections, which no publisher
    // frees while `use` runs.
    template <typename Use>
    void read_for_bank(const std::string& bank_path, Use&& use) const {
        published_.read([&](const Published* published) {
            use(enabled() && published != nullptr && published->bank_path == bank_path
                    ? &published->corrections
                    : nullptr);
        });
    }

private:
    struct Published {
        std::string bank_path;
        PitchCorrections corrections;
    };
    RetiringPointer<Published> published_;
    std::atomic<bool> enabled_{true};
};

}  // namespace kelvara::sound
