#include "document/tuned_key_player.h"

#include <algorithm>
#include <cmath>

#include "persistence/mts_sysex.h"
#include "persistence/pitch_bend_messages.h"

namespace kelvara {

TunedKeyPlayer::TunedKeyPlayer(midi::MidiOutput& output, const KeyFrequencies& keys)
    : output_(output), keys_(keys) {}

std::optional<uint8_t> TunedKeyPlayer::nearest_key(double hz) const {
    std::optional<uint8_t> nearest;
    double distance = 0.0;
    for (size_t key = 0; key < keys_.size(); ++key) {
        if (!keys_[key] || !(*keys_[key] > 0.0) || !(hz > 0.0)) continue;
        const double d = std::fabs(std::log2(hz / *keys_[key]));
        if (!nearest || d < distance) nearest = static_cast<uint8_t>(key), distance = d;
    }
    return nearest;
}

midi::NoteInstances TunedKeyPlayer::notes_on(const midi::Chord& chord, float velocity) {
    const auto key_velocity = static_cast<uint8_t>(std::clamp(std::lround(velocity), 1L, 127L));
    const std::lock_guard lock(mutex_);
    midi::NoteInstances instances;
    for (const float hz : chord) {
        const std::optional<uint8_t> key = nearest_key(hz);
        if (!key) continue;
        output_.send(note_on_message(1, *key, key_velocity));
        sounding_[next_instance_] = *key;
        instances.push_back(next_instance_++);
    }
    return instances;
}

void TunedKeyPlayer::notes_off(const midi::NoteInstances& notes) {
    const std::lock_guard lock(mutex_);
    for (const int32_t instance : notes) {
        const auto found = sounding_.find(instance);
        if (found == sounding_.end()) continue;
        output_.send(note_off_message(1, found->second));
        if (retuned_.erase(instance) > 0 && keys_[found->second])
            send_key_tuning(found->second, *keys_[found->second]);
        sounding_.erase(found);
    }
}

void TunedKeyPlayer::retune(int32_t instance, float hz) {
    const std::lock_guard lock(mutex_);
    const auto found = sounding_.find(instance);
    if (found == sounding_.end()) return;
    send_key_tuning(found->second, hz);
    retuned_.insert(instance);
}

void TunedKeyPlayer::send_key_tuning(uint8_t key, double hz) {
    const MtsKeyChange change{key, hz};
    for (const auto& message : mts_single_note_changes(MtsAddress::all_devices(), {&change, 1}))
        output_.send(message);
}

void TunedKeyPlayer::set_midi_parameter(uint32_t controller, uint32_t value) {
    const std::lock_guard lock(mutex_);
    const uint8_t message[] = {0xB0, static_cast<uint8_t>(controller & 0x7F),
                               static_cast<uint8_t>(std::min<uint32_t>(value, 127))};
    output_.send(message);
}

TunedKeyLookup::TunedKeyLookup(const KeyFrequencies& keys) {
    for (size_t key = 0; key < keys.size(); ++key)
        if (keys[key])
            chords_[key] = std::make_shared<const midi::Chord>(1, static_cast<float>(*keys[key]));
}

std::shared_ptr<const midi::Chord> TunedKeyLookup::chord_for_key(int key) const {
    if (key < 0 || key > kHighestMidiKey) return nullptr;
    return chords_[static_cast<size_t>(key)];
}

}  // namespace kelvara
