#pragma once
// What the ALSA sequencer input and output share: opening a sequencer handle as a named
// client, listing the ports of the other clients, and reading a port's address.
#include <optional>
#include <string>
#include <string_view>

#include "midi/alsa_handles.h"

namespace kelvara::midi {

struct AlsaSequencerOpening {
    AlsaSequencerHandle seq;
    // Why there is no handle, for the user to read.
    std::string failure;
};

// Opens the sequencer, non-blocking, in `open_mode` (SND_SEQ_OPEN_INPUT, _OUTPUT or
// _DUPLEX) and names the client. Where the sequencer is missing (no /dev/snd/seq) it fails
// at once with the system's message and prints nothing.
AlsaSequencerOpening open_alsa_sequencer(std::string_view client_name, int open_mode);

// Calls `visit(client_info, port_info)` for every port of the other clients (not this one,
// not the system's announcements) that has every capability of `wanted_capabilities` and is
// not hidden from listings (SND_SEQ_PORT_CAP_NO_EXPORT), in the sequencer's order, until it
// returns true.
template <typename Visit>
void visit_exported_ports(snd_seq_t* seq, unsigned wanted_capabilities, Visit&& visit) {
    snd_seq_client_info_t* client_raw = nullptr;
    snd_seq_port_info_t* port_raw = nullptr;
    if (snd_seq_client_info_malloc(&client_raw) < 0) return;
    const AlsaClientInfo client(client_raw);
    if (snd_seq_port_info_malloc(&port_raw) < 0) return;
    const AlsaPortInfo port(port_raw);
    const int own_id = snd_seq_client_id(seq);
    snd_seq_client_info_set_client(client.get(), -1);
    while (snd_seq_query_next_client(seq, client.get()) >= 0) {
        const int id = snd_seq_client_info_get_client(client.get());
        if (id == own_id || id == SND_SEQ_CLIENT_SYSTEM) continue;
        snd_seq_port_info_set_client(port.get(), id);
        snd_seq_port_info_set_port(port.get(), -1);
        while (snd_seq_query_next_port(seq, port.get()) >= 0) {
            const unsigned capabilities = snd_seq_port_info_get_capability(port.get());
            if ((capabilities & wanted_capabilities) != wanted_capabilities ||
                (capabilities & SND_SEQ_PORT_CAP_NO_EXPORT) != 0)
                continue;
            if (visit(client.get(), port.get())) return;
        }
    }
}

// A sequencer port's address, "client:port" ("20:0").
struct AlsaAddress {
    int client = -1;
    int port = -1;
};

// Reads "client:port" as both numbers; nothing for anything else.
std::optional<AlsaAddress> parse_alsa_address(std::string_view text);

}  // namespace kelvara::midi
