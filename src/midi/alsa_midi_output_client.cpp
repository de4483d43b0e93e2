#include "midi/alsa_midi_output_client.h"

#include <string>

#include "midi/alsa_handles.h"
#include "midi/alsa_output_port.h"
#include "midi/alsa_sequencer.h"

namespace kelvara::midi {

namespace {

MidiDestination destination_from(snd_seq_client_info_t* client, snd_seq_port_info_t* port) {
    MidiDestination destination;
    destination.address = std::to_string(snd_seq_port_info_get_client(port)) + ":" +
                          std::to_string(snd_seq_port_info_get_port(port));
    destination.name = snd_seq_port_info_get_name(port);
    destination.device_name = snd_seq_client_info_get_name(client);
    return destination;
}

class AlsaMidiOutputClient final : public MidiOutputClient {
public:
    explicit AlsaMidiOutputClient(AlsaSequencerHandle seq) : seq_(std::move(seq)) {}
    AlsaMidiOutputClient(const AlsaMidiOutputClient&) = delete;
    AlsaMidiOutputClient& operator=(const AlsaMidiOutputClient&) = delete;

    std::string system_name() const override { return "ALSA sequencer"; }

    std::vector<MidiDestination> destinations() override {
        std::vector<MidiDestination> found;
        visit_exported_ports(seq_.get(), SND_SEQ_PORT_CAP_WRITE | SND_SEQ_PORT_CAP_SUBS_WRITE,
                             [&](snd_seq_client_info_t* client, snd_seq_port_info_t* port) {
                                 found.push_back(destination_from(client, port));
                                 return false;
                             });
        return found;
    }

    std::unique_ptr<MidiOutputPort> create_output_port(std::string_view name) override {
        if (port_created_) return nullptr;
        port_created_ = true;
        return AlsaOutputPort::create(seq_.get(), name);
    }

private:
    AlsaSequencerHandle seq_;
    bool port_created_ = false;
};

}  // namespace

MidiOutputClientOpening open_alsa_midi_output_client(std::string_view client_name) {
    AlsaSequencerOpening opening = open_alsa_sequencer(client_name, SND_SEQ_OPEN_OUTPUT);
    if (!opening.seq) return {nullptr, std::move(opening.failure)};
    return {std::make_unique<AlsaMidiOutputClient>(std::move(opening.seq)), {}};
}

}  // namespace kelvara::midi
