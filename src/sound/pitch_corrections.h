#pragma once
// What pitch-true playback hands the exact-pitch loader: per voice of each preset, the cents
// to add to the pitch the bank declares (bank_tuning.h), and the slot through which a bank's
// corrections arrive once they are measured.
#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

namespace kelvara::sound {

struct BankTuning;

struct VoiceCorrection {
    uint32_t sample_frames = 0;  // the voice's sample length, checked before applying
    double cents = 0.0;
};

// The corrections of one bank, an immutable value.
class PitchCorrections {
public:
    using PresetCorrections = std::vector<VoiceCorrection>;  // by voice index

    explicit PitchCorrections(const BankTuning& tuning);

    // The corrections of a preset (numbered as the exact-pitch loader numbers it), or null.
    const PresetCorrections* preset(int bank, int program) const;

    // The correction of one voice; 0 when there is none, or when the voice's sample is not
    // the one measured (the file changed between loading and measuring).
    static double cents(const PresetCorrections* preset, uint32_t voice, uint32_t sample_frames);

private:
    std::map<std::pair<int, int>, PresetCorrections> presets_;
};

// Where a synthesizer's corrections live. The bank-tuning job publishes into it from its own
// thread, the sound setup switches pitch-true playback on and off from the user-interface
// thread, and every note-on reads it: on the thread that renders, which applies the queued
// tone starts (sound/channel_event_queue.h). The lock below is then the one lock a tone start
// may take on the audio thread, held by the others only to copy or swap one pointer.
class PitchCorrectionSlot {
public:
    void publish(std::string bank_path, std::shared_ptr<const PitchCorrections> corrections);
    void set_enabled(bool enabled) { enabled_.store(enabled); }
    bool enabled() const { return enabled_.load(); }
    // True once corrections have been published.
    bool ready() const;

    // The corrections for the bank loaded from `bank_path`; null while none are measured,
    // for any other bank, or when the bank's own tuning is asked for.
    std::shared_ptr<const PitchCorrections> for_bank(const std::string& bank_path) const;

private:
    mutable std::mutex mutex_;  // guards the path and the pointer, held only to copy them
    std::string bank_path_;
    std::shared_ptr<const PitchCorrections> corrections_;
    std::atomic<bool> enabled_{true};
};

}  // namespace kelvara::sound
