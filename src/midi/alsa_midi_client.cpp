#include "midi/alsa_midi_client.h"

#include <string>

#include "midi/alsa_handles.h"
#include "midi/alsa_input_port.h"
#include "midi/alsa_sequencer.h"
#include "midi/midi_source_id.h"

namespace kelvara::midi {

namespace {

MidiSource source_from(snd_seq_client_info_t* client, snd_seq_port_info_t* port) {
    const std::string client_name = snd_seq_client_info_get_name(client);
    const std::string port_name = snd_seq_port_info_get_name(port);
    MidiSource source;
    source.address = std::to_string(snd_seq_port_info_get_client(port)) + ":" +
                     std::to_string(snd_seq_port_info_get_port(port));
    source.name = port_name;
    source.unique_id = stable_source_id(client_name + ":" + port_name);
    source.has_entity = true;
    source.device_name = client_name;
    return source;
}

class AlsaMidiClient final : public MidiClient {
public:
    explicit AlsaMidiClient(AlsaSequencerHandle seq) : seq_(std::move(seq)) {}
    ~AlsaMidiClient() override = default;
    AlsaMidiClient(const AlsaMidiClient&) = delete;
    AlsaMidiClient& operator=(const AlsaMidiClient&) = delete;

    std::string system_name() const override { return "ALSA sequencer"; }

    int32_t number_of_sources() override {
        int32_t count = 0;
        visit_sources([&](const MidiSource&) {
            ++count;
            return false;
        });
        return count;
    }

    std::optional<MidiSource> source(int32_t index) override {
        std::optional<MidiSource> found;
        int32_t i = 0;
        visit_sources([&](const MidiSource& source) {
            if (i++ != index) return false;
            found = source;
            return true;
        });
        return found;
    }

    std::unique_ptr<MidiInputPort> create_input_port(std::string_view name,
                                                     PacketListCallback deliver,
                                                     void* deliver_context) override {
        if (port_created_) return nullptr;
        port_created_ = true;
        return AlsaInputPort::create(seq_.get(), name, deliver, deliver_context, sources_changed_);
    }

    void set_sources_changed_callback(std::function<void()> callback) override {
        if (!port_created_) sources_changed_ = std::move(callback);
    }

private:
    // Calls `visit(source)` for every source in the sequencer's order until it returns true.
    template <typename Visit>
    void visit_sources(Visit&& visit) {
        visit_exported_ports(seq_.get(), SND_SEQ_PORT_CAP_READ | SND_SEQ_PORT_CAP_SUBS_READ,
                             [&](snd_seq_client_info_t* client, snd_seq_port_info_t* port) {
                                 return visit(source_from(client, port));
                             });
    }

    AlsaSequencerHandle seq_;
    std::function<void()> sources_changed_;  // fixed before the port exists
    bool port_created_ = false;
};

}  // namespace

MidiClientOpening open_alsa_midi_client(std::string_view client_name) {
    AlsaSequencerOpening opening = open_alsa_sequencer(client_name, SND_SEQ_OPEN_DUPLEX);
    if (!opening.seq) return {nullptr, std::move(opening.failure)};
    return {std::make_unique<AlsaMidiClient>(std::move(opening.seq)), {}};
}

}  // namespace kelvara::midi
