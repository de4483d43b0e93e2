#include "midi/jack_midi_client.h"

#include <jack/jack.h>

#include <atomic>
#include <string>

#include "midi/jack_client_opening.h"
#include "midi/jack_handles.h"
#include "midi/jack_input_port.h"
#include "midi/midi_source_id.h"

namespace kelvara::midi {

namespace {

// The server's MIDI output ports, in its order.
JackNameList midi_output_ports(jack_client_t* client) {
    return JackNameList(jack_get_ports(client, nullptr, JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput));
}

MidiSource source_from_port_name(std::string_view full_name) {
    MidiSource source;
    source.address = std::string(full_name);
    source.unique_id = stable_source_id(full_name);
    const size_t colon = full_name.find(':');
    source.name =
        std::string(colon == std::string_view::npos ? full_name : full_name.substr(colon + 1));
    source.has_entity = true;
    if (colon != std::string_view::npos)
        source.device_name = std::string(full_name.substr(0, colon));
    return source;
}

class JackMidiClient final : public MidiClient {
public:
    explicit JackMidiClient(JackClientHandle client) : client_(std::move(client)) {
        jack_on_info_shutdown(client_.get(), &JackMidiClient::on_shutdown, this);
    }
    // Closes the client before the callbacks it may still call are destroyed. libjack ends
    // its notification thread by cancelling it wherever it is, and a lock that thread held
    // then stays taken (jack_client_close itself can hang on it). So the notifications of
    // ours are turned off first (possible once the port's destructor has deactivated the
    // client), and the one that may still come only sets a flag: no lock, no allocation.
    ~JackMidiClient() override {
        if (port_created_ && !server_gone_.load()) {
            jack_deactivate(client_.get());
            jack_set_port_registration_callback(client_.get(), nullptr, nullptr);
        }
        client_.reset();
    }
    JackMidiClient(const JackMidiClient&) = delete;
    JackMidiClient& operator=(const JackMidiClient&) = delete;

    std::string system_name() const override { return "JACK"; }

    int32_t number_of_sources() override {
        if (server_gone_.load()) return 0;
        const JackNameList names = midi_output_ports(client_.get());
        int32_t count = 0;
        for (const char** name = names.get(); name != nullptr && *name != nullptr; ++name) ++count;
        return count;
    }

    std::optional<MidiSource> source(int32_t index) override {
        if (server_gone_.load() || index < 0) return std::nullopt;
        const JackNameList names = midi_output_ports(client_.get());
        if (!names) return std::nullopt;
        for (int32_t i = 0; names.get()[i] != nullptr; ++i)
            if (i == index) return source_from_port_name(names.get()[i]);
        return std::nullopt;
    }

    std::unique_ptr<MidiInputPort> create_input_port(std::string_view name,
                                                     PacketListCallback deliver,
                                                     void* deliver_context) override {
        if (port_created_) return nullptr;
        port_created_ = true;
        // Callbacks can only be installed before the client is activated, which creating
        // the port does.
        if (!sources_changed_)
            return JackInputPort::create(client_.get(), name, deliver, deliver_context,
                                         server_gone_);
        jack_set_port_registration_callback(client_.get(), &JackMidiClient::on_port_registration,
                                            this);
        // Told on the port's delivery thread, never on libjack's notification thread.
        return JackInputPort::create(client_.get(), name, deliver, deliver_context, server_gone_,
                                     [this] {
                                         if (ports_changed_.exchange(false)) sources_changed_();
                                     });
    }

    void set_sources_changed_callback(std::function<void()> callback) override {
        if (!port_created_) sources_changed_ = std::move(callback);
    }

private:
    static void on_shutdown(jack_status_t, const char*, void* self) {
        static_cast<JackMidiClient*>(self)->server_gone_.store(true);
    }
    static void on_port_registration(jack_port_id_t, int, void* self) noexcept {
        static_cast<JackMidiClient*>(self)->ports_changed_.store(true);
    }

    JackClientHandle client_;
    std::atomic<bool> server_gone_{false};
    std::atomic<bool> ports_changed_{false};
    std::function<void()> sources_changed_;  // fixed before activation
    bool port_created_ = false;
};

}  // namespace

MidiClientOpening open_jack_midi_client(std::string_view client_name) {
    JackClientOpening opening = open_jack_client(client_name);
    if (!opening.client) return {nullptr, std::move(opening.failure)};
    return {std::make_unique<JackMidiClient>(std::move(opening.client)), {}};
}

}  // namespace kelvara::midi
