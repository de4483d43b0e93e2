#include "midi/key_state_ledger.h"

#include "midi/midi_message.h"

namespace kelvara::midi {

namespace {

struct Decoded {
    uint8_t kind =
        0;  // kNoteOnStatus (velocity above 0), kNoteOffStatus, kControlChangeStatus or 0
    int channel = 0;
    int number = 0;  // the key or the controller
    uint8_t value = 0;
};

Decoded decode(std::span<const uint8_t> message) noexcept KELVARA_NONBLOCKING {
    if (message.size() != kChannelMessageBytes || message[1] > 0x7F || message[2] > 0x7F) return {};
    const uint8_t kind = message[0] & 0xF0;
    const int channel = message[0] & 0x0F;
    if (kind == kNoteOnStatus && message[2] > 0)
        return {kNoteOnStatus, channel, message[1], message[2]};
    if (kind == kNoteOnStatus || kind == kNoteOffStatus)
        return {kNoteOffStatus, channel, message[1], 0};
    if (kind == kControlChangeStatus)
        return {kControlChangeStatus, channel, message[1], message[2]};
    return {};
}

}  // namespace

KeyStateLedger::KeyStateLedger() {
    for (auto& controller : controllers_) controller.store(kUnknown, std::memory_order_relaxed);
    delivered_controllers_.fill(kUnknown);
}

void KeyStateLedger::record(std::span<const uint8_t> message) noexcept KELVARA_NONBLOCKING {
    const Decoded d = decode(message);
    if (d.kind == kControlChangeStatus)
        controllers_[slot(d.channel, d.number)].store(d.value, std::memory_order_relaxed);
    else if (d.kind != 0)
        keys_[slot(d.channel, d.number)].store(d.value, std::memory_order_relaxed);
}

void KeyStateLedger::lost() noexcept KELVARA_NONBLOCKING {
    merged_.fetch_add(1, std::memory_order_relaxed);
    lost_.store(true, std::memory_order_release);
}

void KeyStateLedger::release_held_keys() noexcept KELVARA_NONBLOCKING {
    for (auto& key : keys_) key.store(0, std::memory_order_relaxed);
    lost_.store(true, std::memory_order_release);
}

void KeyStateLedger::delivered(std::span<const uint8_t> message) {
    const Decoded d = decode(message);
    if (d.kind == kControlChangeStatus)
        delivered_controllers_[slot(d.channel, d.number)] = d.value;
    else if (d.kind != 0)
        delivered_keys_[slot(d.channel, d.number)] = d.value;
}

void KeyStateLedger::note(const Message& message, std::vector<Message>& out) {
    delivered(message);
    out.push_back(message);
}

std::vector<KeyStateLedger::Message> KeyStateLedger::reconcile() {
    std::vector<Message> out;
    // The flag goes first: a message lost from now on raises it again for the next call.
    if (!lost_.exchange(false, std::memory_order_acq_rel)) return out;
    for (int channel = 0; channel < kChannels; ++channel) {
        for (int number = 0; number < kKeys; ++number) {
            const size_t i = slot(channel, number);
            const uint8_t key = keys_[i].load(std::memory_order_relaxed);
            if (key != delivered_keys_[i]) {
                const uint8_t status = key > 0 ? kNoteOnStatus : kNoteOffStatus;
                note({uint8_t(status | channel), uint8_t(number), key}, out);
            }
            const int16_t controller = controllers_[i].load(std::memory_order_relaxed);
            if (controller != kUnknown && controller != delivered_controllers_[i])
                note(
                    {uint8_t(kControlChangeStatus | channel), uint8_t(number), uint8_t(controller)},
                    out);
        }
    }
    return out;
}

}  // namespace kelvara::midi
