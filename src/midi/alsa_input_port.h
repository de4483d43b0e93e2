#pragma once
// The ALSA sequencer input port and its reading thread (see alsa_midi_client.h).
//
// Threads: construction, connect_source and destruction on the user-interface thread; the
// reading loop on the port's own thread, which alone reads events (and calls the
// sources-changed callback on announcements) and hands each message to the port's relay
// (midi_event_relay.h) without waiting for it to be played: the sequencer drops what its
// reader leaves too long. The relay's delivery thread alone calls the receive callback.
#include <functional>
#include <memory>
#include <string_view>
#include <thread>
#include <vector>

#include "midi/alsa_handles.h"
#include "midi/midi_event_relay.h"
#include "midi/midi_system.h"

namespace kelvara::midi {

class AlsaInputPort final : public MidiInputPort {
public:
    // Creates the port and starts its receive thread; null when the sequencer refuses.
    // When `sources_changed` is set, the port also listens to the sequencer's announcements
    // of clients and ports. The sequencer and the callback must outlive the port.
    static std::unique_ptr<AlsaInputPort> create(snd_seq_t* seq, std::string_view name,
                                                 PacketListCallback deliver, void* deliver_context,
                                                 const std::function<void()>& sources_changed);
    // Stops and joins the reading thread and the relay's delivery thread, then deletes the
    // port.
    ~AlsaInputPort() override;
    AlsaInputPort(const AlsaInputPort&) = delete;
    AlsaInputPort& operator=(const AlsaInputPort&) = delete;

    bool connect_source(const MidiSource& source) override;
    void disconnect_source(const MidiSource& source) override;

    // Messages the relay had no room for, merged into the key and controller state delivered
    // after them (key_state_ledger.h).
    uint64_t merged_events() const override { return relay_.merged(); }

    AlsaInputPort(snd_seq_t* seq, PacketListCallback deliver, void* deliver_context,
                  const std::function<void()>& sources_changed);

private:
    void read_loop(const std::stop_token& stop);
    void read_pending_events();
    void add_event(const snd_seq_event_t& event);

    snd_seq_t* const seq_;
    const std::function<void()>& sources_changed_;
    int port_ = -1;
    MidiEventRelay relay_;

    // Reading-thread state.
    AlsaMidiDecoderHandle decoder_;
    std::vector<uint8_t> message_;

    std::jthread reader_;  // last: started after, and joined before, everything above
};

}  // namespace kelvara::midi
