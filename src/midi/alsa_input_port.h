#pragma once
// The ALSA sequencer input port and its receive thread (see alsa_midi_client.h).
//
// Threads: construction, connect_source and destruction on the user-interface thread; the
// receive loop on the port's own thread, which alone reads events and calls the receive
// callback (and the sources-changed callback on announcements).
#include <functional>
#include <memory>
#include <string_view>
#include <thread>
#include <vector>

#include "midi/alsa_handles.h"
#include "midi/midi_packet_list.h"
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
    // Stops and joins the receive thread, then deletes the port.
    ~AlsaInputPort() override;
    AlsaInputPort(const AlsaInputPort&) = delete;
    AlsaInputPort& operator=(const AlsaInputPort&) = delete;

    bool connect_source(const MidiSource& source) override;
    void disconnect_source(const MidiSource& source) override;

    AlsaInputPort(snd_seq_t* seq, PacketListCallback deliver, void* deliver_context,
                  const std::function<void()>& sources_changed);

private:
    void receive_loop(const std::stop_token& stop);
    void read_pending_events();
    void add_event(const snd_seq_event_t& event);

    snd_seq_t* const seq_;
    const PacketListCallback deliver_;
    void* const deliver_context_;
    const std::function<void()>& sources_changed_;
    int port_ = -1;

    // Receive-thread state.
    AlsaMidiDecoderHandle decoder_;
    std::vector<uint8_t> message_;
    MidiPacketListWriter list_;

    std::jthread receiver_;  // last: started after, and joined before, everything above
};

}  // namespace kelvara::midi
