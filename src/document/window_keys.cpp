#include "document/window_keys.h"

#include <array>

#include "document/tuned_key_player.h"
#include "midi/midi_message.h"

namespace kelvara {
namespace {
// A key of the computer keyboard has no touch: every one strikes at the velocity of a
// keyboard played mezzo forte.
constexpr uint8_t kWindowKeyVelocity = 100;
}  // namespace

std::shared_ptr<const midi::Chord> WindowKeys::Lookup::chord_for_key(int key) const {
    return scale_ ? scale_->chord_for_key(key) : chords_.chord_for_key(key);
}

WindowKeys::WindowKeys(midi::NotePlayer& player, const midi::ChordLookup& chords,
                       midi::LastPlayedKey& last_played)
    : lookup_(chords), handler_(player, lookup_, last_played) {}

void WindowKeys::press(int key) {
    if (key < 0 || key >= kKeys || held_[size_t(key)]) return;
    held_[size_t(key)] = true;
    send(midi::kNoteOnStatus, key);
}

void WindowKeys::release(int key) {
    if (!is_held(key)) return;
    held_[size_t(key)] = false;
    send(midi::kNoteOffStatus, key);
}

void WindowKeys::release_all() {
    for (int key = 0; key < kKeys; ++key) release(key);
}

void WindowKeys::play_scale(std::optional<KeyFrequencies> keys) {
    release_all();
    lookup_.set_scale(keys ? std::make_unique<const TunedKeyLookup>(*keys) : nullptr);
}

void WindowKeys::send(uint8_t status, int key) {
    const std::array<uint8_t, 3> message{status, static_cast<uint8_t>(key), kWindowKeyVelocity};
    handler_.handle_message(message);
}

}  // namespace kelvara
