#include "midi/midi_event_relay.h"

#include <chrono>

namespace kelvara::midi {

namespace {

// Room for about 5000 three-byte messages, or a few long system-exclusive ones.
constexpr size_t kRingBytes = 64 * 1024;
// How often the delivery thread looks at the ring while it is empty: well inside one JACK
// cycle (5.3 ms at 256 frames and 48 kHz).
constexpr auto kDeliveryPoll = std::chrono::milliseconds(1);

struct EventHeader {
    uint64_t time_stamp;
    uint32_t size;
};

}  // namespace

MidiEventRelay::MidiEventRelay(PacketListCallback deliver, void* deliver_context,
                               std::function<void()> between_looks)
    : deliver_(deliver),
      deliver_context_(deliver_context),
      between_looks_(std::move(between_looks)),
      ring_(jack_ringbuffer_create(kRingBytes)) {
    if (ring_) jack_ringbuffer_mlock(ring_.get());  // best effort: fewer page faults in push()
}

MidiEventRelay::~MidiEventRelay() {
    stop();
}

void MidiEventRelay::start() {
    if (valid() && !delivery_.joinable())
        delivery_ = std::jthread([this](const std::stop_token& stop) { delivery_loop(stop); });
}

void MidiEventRelay::stop() {
    if (!delivery_.joinable()) return;
    delivery_.request_stop();
    delivery_.join();
}

void MidiEventRelay::push(uint64_t time_stamp,
                          std::span<const uint8_t> message) noexcept KELVARA_NONBLOCKING {
    ledger_.record(message);
    last_time_stamp_.store(time_stamp, std::memory_order_relaxed);
    const EventHeader header{time_stamp, static_cast<uint32_t>(message.size())};
    if (jack_ringbuffer_write_space(ring_.get()) < sizeof header + message.size()) {
        ledger_.lost();  // the delivery thread delivers the state it left
        return;
    }
    jack_ringbuffer_write(ring_.get(), reinterpret_cast<const char*>(&header), sizeof header);
    jack_ringbuffer_write(ring_.get(), reinterpret_cast<const char*>(message.data()),
                          message.size());
}

void MidiEventRelay::delivery_loop(const std::stop_token& stop) {
    while (!stop.stop_requested()) {
        bool delivered = false;
        while (drain_ring_into_list()) {
            deliver_(list_.data(), list_.size(), deliver_context_);
            delivered = true;
        }
        deliver_merged_state();
        if (between_looks_) between_looks_();
        if (!delivered) std::this_thread::sleep_for(kDeliveryPoll);
    }
}

// After a burst the ring had no room for: what brings the keys and controllers to the state
// the sender left, as one list.
void MidiEventRelay::deliver_merged_state() {
    const std::vector<KeyStateLedger::Message> messages = ledger_.reconcile();
    if (messages.empty()) return;
    list_.clear();
    const uint64_t now = last_time_stamp_.load(std::memory_order_relaxed);
    for (const KeyStateLedger::Message& message : messages) list_.add_message(now, message);
    deliver_(list_.data(), list_.size(), deliver_context_);
}

// Moves the complete messages now in the ring into the packet list; false when there were
// none. A message whose bytes are not all written yet stays for the next look.
bool MidiEventRelay::drain_ring_into_list() {
    list_.clear();
    EventHeader header{};
    while (jack_ringbuffer_read_space(ring_.get()) >= sizeof header) {
        jack_ringbuffer_peek(ring_.get(), reinterpret_cast<char*>(&header), sizeof header);
        if (jack_ringbuffer_read_space(ring_.get()) < sizeof header + header.size) break;
        jack_ringbuffer_read_advance(ring_.get(), sizeof header);
        message_.resize(header.size);
        jack_ringbuffer_read(ring_.get(), reinterpret_cast<char*>(message_.data()), header.size);
        ledger_.delivered(message_);
        list_.add_message(header.time_stamp, message_);
    }
    return list_.packet_count() > 0;
}

}  // namespace kelvara::midi
