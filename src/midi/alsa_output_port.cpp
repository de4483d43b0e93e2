#include "midi/alsa_output_port.h"

#include <cerrno>

#include "midi/alsa_sequencer.h"
#include "midi/midi_message.h"

namespace kelvara::midi {

namespace {

// As much as the JACK port's ring holds: far more than a burst of edits queues.
constexpr size_t kMaxQueuedBytes = 64 * 1024;
// While the sequencer has no room (its pool is full, or a destination does not read), the
// sending thread tries again this often, for at most kMaxWriteWait per message.
constexpr auto kRetryInterval = std::chrono::milliseconds(2);
constexpr auto kMaxWriteWait = std::chrono::seconds(2);
// Channel and system-common messages are at most 3 bytes; exclusive ones bypass the encoder.
constexpr size_t kEncoderBytes = 16;
constexpr uint8_t kSystemExclusive = 0xF0;

}  // namespace

AlsaOutputPort::AlsaOutputPort(snd_seq_t* seq) : seq_(seq) {}

std::unique_ptr<AlsaOutputPort> AlsaOutputPort::create(snd_seq_t* seq, std::string_view name) {
    if (seq == nullptr) return nullptr;
    auto port = std::make_unique<AlsaOutputPort>(seq);
    snd_midi_event_t* encoder = nullptr;
    if (snd_midi_event_new(kEncoderBytes, &encoder) < 0) return nullptr;
    port->encoder_.reset(encoder);
    const std::string port_name(name);
    port->port_ = snd_seq_create_simple_port(
        seq, port_name.c_str(), SND_SEQ_PORT_CAP_READ | SND_SEQ_PORT_CAP_SUBS_READ,
        SND_SEQ_PORT_TYPE_MIDI_GENERIC | SND_SEQ_PORT_TYPE_APPLICATION);
    if (port->port_ < 0) return nullptr;
    port->sender_ =
        std::jthread([raw = port.get()](const std::stop_token& stop) { raw->send_loop(stop); });
    return port;
}

AlsaOutputPort::~AlsaOutputPort() {
    if (sender_.joinable()) {
        sender_.request_stop();
        sender_.join();
    }
    if (port_ >= 0) snd_seq_delete_simple_port(seq_, port_);
}

bool AlsaOutputPort::connect_destination(const MidiDestination& destination) {
    const std::optional<AlsaAddress> address = parse_alsa_address(destination.address);
    if (!address) return false;
    const int result = snd_seq_connect_to(seq_, port_, address->client, address->port);
    return result == 0 || result == -EBUSY;  // -EBUSY: already connected
}

void AlsaOutputPort::disconnect_destination(const MidiDestination& destination) {
    if (const std::optional<AlsaAddress> address = parse_alsa_address(destination.address))
        snd_seq_disconnect_to(seq_, port_, address->client, address->port);
}

bool AlsaOutputPort::send(std::span<const uint8_t> message) {
    if (!is_complete_midi_message(message)) return false;
    {
        const std::scoped_lock lock(mutex_);
        if (queued_bytes_ + message.size() > kMaxQueuedBytes) return false;
        queue_.emplace_back(message.begin(), message.end());
        queued_bytes_ += message.size();
    }
    queued_.notify_one();
    return true;
}

bool AlsaOutputPort::wait_until_sent(std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    return sent_.wait_for(lock, timeout, [this] { return queue_.empty() && !writing_; });
}

void AlsaOutputPort::send_loop(const std::stop_token& stop) {
    std::unique_lock lock(mutex_);
    while (queued_.wait(lock, stop, [this] { return !queue_.empty(); })) {
        const std::vector<uint8_t> message = std::move(queue_.front());
        queue_.pop_front();
        queued_bytes_ -= message.size();
        writing_ = true;
        lock.unlock();
        if (!write_event(message, stop)) dropped_.fetch_add(1, std::memory_order_relaxed);
        lock.lock();
        writing_ = false;
        if (queue_.empty()) sent_.notify_all();
    }
}

bool AlsaOutputPort::write_event(std::span<const uint8_t> message, const std::stop_token& stop) {
    snd_seq_event_t event;
    snd_seq_ev_clear(&event);
    if (message[0] == kSystemExclusive) {
        // The sequencer copies the bytes while the event is written.
        snd_seq_ev_set_sysex(&event, static_cast<unsigned>(message.size()),
                             const_cast<uint8_t*>(message.data()));
    } else {
        snd_midi_event_reset_encode(encoder_.get());
        const long used = snd_midi_event_encode(encoder_.get(), message.data(),
                                                static_cast<long>(message.size()), &event);
        if (used != static_cast<long>(message.size()) || event.type == SND_SEQ_EVENT_NONE)
            return false;
    }
    snd_seq_ev_set_source(&event, port_);
    snd_seq_ev_set_subs(&event);
    snd_seq_ev_set_direct(&event);
    const auto deadline = std::chrono::steady_clock::now() + kMaxWriteWait;
    while (!stop.stop_requested()) {
        const int result = snd_seq_event_output_direct(seq_, &event);
        if (result >= 0) return true;
        if ((result != -EAGAIN && result != -ENOMEM) || std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(kRetryInterval);
    }
    return false;
}

}  // namespace kelvara::midi
