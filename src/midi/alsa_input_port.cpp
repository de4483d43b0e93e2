#include "midi/alsa_input_port.h"

#include <poll.h>

#include <cerrno>
#include <chrono>
#include <string>

#include "midi/alsa_sequencer.h"

namespace kelvara::midi {

namespace {

// The receive thread wakes at least this often to notice a stop request.
constexpr int kReceiveWaitMilliseconds = 100;
// Events read per wake-up at most; the rest wait for the next poll.
constexpr int kMaxEventsPerWake = 1024;
// Longest message decoded; longer system-exclusive data is dropped (it is never played).
constexpr size_t kMaxDecodedBytes = 4096;
// The sequencer's input pool for the client, its largest: a burst the reading thread is slow
// to read waits there rather than being dropped.
constexpr size_t kInputPoolEvents = 2000;

bool is_announcement(const snd_seq_event_t& event) {
    switch (event.type) {
        case SND_SEQ_EVENT_CLIENT_START:
        case SND_SEQ_EVENT_CLIENT_EXIT:
        case SND_SEQ_EVENT_PORT_START:
        case SND_SEQ_EVENT_PORT_EXIT:
        case SND_SEQ_EVENT_PORT_CHANGE: return true;
        default: return false;
    }
}

uint64_t now_nanoseconds() {
    return static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::nanoseconds>(
                                     std::chrono::steady_clock::now().time_since_epoch())
                                     .count());
}

}  // namespace

AlsaInputPort::AlsaInputPort(snd_seq_t* seq, PacketListCallback deliver, void* deliver_context,
                             const std::function<void()>& sources_changed)
    : seq_(seq), sources_changed_(sources_changed), relay_(deliver, deliver_context) {}

std::unique_ptr<AlsaInputPort> AlsaInputPort::create(snd_seq_t* seq, std::string_view name,
                                                     PacketListCallback deliver,
                                                     void* deliver_context,
                                                     const std::function<void()>& sources_changed) {
    if (seq == nullptr || deliver == nullptr) return nullptr;
    auto port = std::make_unique<AlsaInputPort>(seq, deliver, deliver_context, sources_changed);
    if (!port->relay_.valid()) return nullptr;
    // The most events the sequencer holds for this client between two reads.
    snd_seq_set_client_pool_input(seq, kInputPoolEvents);
    snd_midi_event_t* decoder = nullptr;
    if (snd_midi_event_new(kMaxDecodedBytes, &decoder) < 0) return nullptr;
    port->decoder_.reset(decoder);
    // Every message keeps its status byte: the packet handler does not follow running status.
    snd_midi_event_no_status(decoder, 1);
    port->message_.resize(kMaxDecodedBytes);
    const std::string port_name(name);
    port->port_ = snd_seq_create_simple_port(
        seq, port_name.c_str(), SND_SEQ_PORT_CAP_WRITE | SND_SEQ_PORT_CAP_SUBS_WRITE,
        SND_SEQ_PORT_TYPE_MIDI_GENERIC | SND_SEQ_PORT_TYPE_APPLICATION);
    if (port->port_ < 0) return nullptr;
    if (sources_changed)
        snd_seq_connect_from(seq, port->port_, SND_SEQ_CLIENT_SYSTEM, SND_SEQ_PORT_SYSTEM_ANNOUNCE);
    port->relay_.start();
    port->reader_ =
        std::jthread([raw = port.get()](const std::stop_token& stop) { raw->read_loop(stop); });
    return port;
}

AlsaInputPort::~AlsaInputPort() {
    if (reader_.joinable()) {
        reader_.request_stop();
        reader_.join();
    }
    relay_.stop();
    if (port_ >= 0) snd_seq_delete_simple_port(seq_, port_);
}

bool AlsaInputPort::connect_source(const MidiSource& source) {
    const std::optional<AlsaAddress> address = parse_alsa_address(source.address);
    if (!address) return false;
    const int result = snd_seq_connect_from(seq_, port_, address->client, address->port);
    return result == 0 || result == -EBUSY;  // -EBUSY: already connected
}

void AlsaInputPort::disconnect_source(const MidiSource& source) {
    if (const std::optional<AlsaAddress> address = parse_alsa_address(source.address))
        snd_seq_disconnect_from(seq_, port_, address->client, address->port);
}

void AlsaInputPort::read_loop(const std::stop_token& stop) {
    const int count = snd_seq_poll_descriptors_count(seq_, POLLIN);
    if (count <= 0) return;
    std::vector<pollfd> descriptors(static_cast<size_t>(count));
    snd_seq_poll_descriptors(seq_, descriptors.data(), static_cast<unsigned>(count), POLLIN);
    while (!stop.stop_requested()) {
        if (poll(descriptors.data(), descriptors.size(), kReceiveWaitMilliseconds) <= 0) continue;
        read_pending_events();
    }
}

void AlsaInputPort::read_pending_events() {
    snd_seq_event_t* event = nullptr;
    // Non-blocking: -EAGAIN once the input is empty; -ENOSPC after an overrun, which
    // dropped events (releases among them, perhaps) but leaves the sequencer readable. A
    // bounded batch per wake-up, so a flood of events still lets the thread see a stop
    // request.
    for (int i = 0; i < kMaxEventsPerWake; ++i) {
        const int result = snd_seq_event_input(seq_, &event);
        if (result == -ENOSPC) {
            relay_.lost_unseen();
            continue;
        }
        if (result < 0) break;
        if (event != nullptr) add_event(*event);
    }
}

void AlsaInputPort::add_event(const snd_seq_event_t& event) {
    if (is_announcement(event)) {
        if (sources_changed_) sources_changed_();
        return;
    }
    snd_midi_event_reset_decode(decoder_.get());
    const long length = snd_midi_event_decode(decoder_.get(), message_.data(),
                                              static_cast<long>(message_.size()), &event);
    if (length <= 0) return;  // not a MIDI message, or too long
    relay_.push(now_nanoseconds(),
                std::span<const uint8_t>(message_.data(), static_cast<size_t>(length)));
}

}  // namespace kelvara::midi
