#include "midi/alsa_midi_client.h"

#include <cstdarg>
#include <string>

#include "midi/alsa_handles.h"
#include "midi/alsa_input_port.h"
#include "midi/midi_source_id.h"

namespace kelvara::midi {

namespace {

// libasound prints its own message for a missing /dev/snd/seq; the caller reports the
// failure instead.
void quiet_alsa_error(const char*, int, const char*, int, const char*, ...) {}

bool is_exported_readable(snd_seq_port_info_t* port) {
    const unsigned wanted = SND_SEQ_PORT_CAP_READ | SND_SEQ_PORT_CAP_SUBS_READ;
    const unsigned caps = snd_seq_port_info_get_capability(port);
    return (caps & wanted) == wanted && (caps & SND_SEQ_PORT_CAP_NO_EXPORT) == 0;
}

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
        snd_seq_client_info_t* client_raw = nullptr;
        snd_seq_port_info_t* port_raw = nullptr;
        if (snd_seq_client_info_malloc(&client_raw) < 0) return;
        const AlsaClientInfo client(client_raw);
        if (snd_seq_port_info_malloc(&port_raw) < 0) return;
        const AlsaPortInfo port(port_raw);
        const int own_id = snd_seq_client_id(seq_.get());
        snd_seq_client_info_set_client(client.get(), -1);
        while (snd_seq_query_next_client(seq_.get(), client.get()) >= 0) {
            const int id = snd_seq_client_info_get_client(client.get());
            if (id == own_id || id == SND_SEQ_CLIENT_SYSTEM) continue;
            snd_seq_port_info_set_client(port.get(), id);
            snd_seq_port_info_set_port(port.get(), -1);
            while (snd_seq_query_next_port(seq_.get(), port.get()) >= 0) {
                if (is_exported_readable(port.get()) &&
                    visit(source_from(client.get(), port.get())))
                    return;
            }
        }
    }

    AlsaSequencerHandle seq_;
    std::function<void()> sources_changed_;  // fixed before the port exists
    bool port_created_ = false;
};

}  // namespace

MidiClientOpening open_alsa_midi_client(std::string_view client_name) {
    snd_seq_t* raw = nullptr;
    snd_lib_error_set_handler(&quiet_alsa_error);
    const int result = snd_seq_open(&raw, "default", SND_SEQ_OPEN_DUPLEX, SND_SEQ_NONBLOCK);
    snd_lib_error_set_handler(nullptr);
    AlsaSequencerHandle seq(raw);
    if (result < 0 || !seq)
        return {nullptr,
                std::string("the ALSA sequencer cannot be opened: ") + snd_strerror(result)};
    const std::string name(client_name);
    snd_seq_set_client_name(seq.get(), name.c_str());
    return {std::make_unique<AlsaMidiClient>(std::move(seq)), {}};
}

}  // namespace kelvara::midi
