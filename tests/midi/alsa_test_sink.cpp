#include "alsa_test_sink.h"

#include <thread>

#include "midi/alsa_sequencer.h"

namespace kelvara::midi::testing {

std::unique_ptr<AlsaTestSink> AlsaTestSink::open(const std::string& client_name) {
    AlsaSequencerOpening opening = open_alsa_sequencer(client_name, SND_SEQ_OPEN_INPUT);
    if (!opening.seq) return nullptr;
    std::unique_ptr<AlsaTestSink> sink(new AlsaTestSink);
    sink->seq_ = std::move(opening.seq);
    snd_midi_event_t* decoder = nullptr;
    if (snd_midi_event_new(64, &decoder) < 0) return nullptr;
    sink->decoder_.reset(decoder);
    snd_midi_event_no_status(decoder, 1);
    sink->port_ = snd_seq_create_simple_port(
        sink->seq_.get(), "MIDI In", SND_SEQ_PORT_CAP_WRITE | SND_SEQ_PORT_CAP_SUBS_WRITE,
        SND_SEQ_PORT_TYPE_MIDI_GENERIC | SND_SEQ_PORT_TYPE_APPLICATION);
    if (sink->port_ < 0) return nullptr;
    return sink;
}

std::string AlsaTestSink::address() const {
    return std::to_string(snd_seq_client_id(seq_.get())) + ":" + std::to_string(port_);
}

void AlsaTestSink::read_pending(std::vector<std::vector<uint8_t>>& arrived) {
    snd_seq_event_t* event = nullptr;
    while (snd_seq_event_input(seq_.get(), &event) >= 0 && event != nullptr) {
        if (event->type == SND_SEQ_EVENT_SYSEX) {
            const auto* bytes = static_cast<const uint8_t*>(event->data.ext.ptr);
            arrived.emplace_back(bytes, bytes + event->data.ext.len);
            continue;
        }
        uint8_t bytes[16];
        snd_midi_event_reset_decode(decoder_.get());
        const long length = snd_midi_event_decode(decoder_.get(), bytes, sizeof bytes, event);
        if (length > 0) arrived.emplace_back(bytes, bytes + length);  // not subscriptions
    }
}

std::vector<std::vector<uint8_t>> AlsaTestSink::take(size_t count,
                                                     std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    std::vector<std::vector<uint8_t>> arrived;
    read_pending(arrived);
    while (arrived.size() < count && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
        read_pending(arrived);
    }
    return arrived;
}

}  // namespace kelvara::midi::testing
