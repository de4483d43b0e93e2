#include "midi/jack_midi_output_client.h"

#include <jack/jack.h>

#include <atomic>
#include <string>

#include "midi/jack_client_opening.h"
#include "midi/jack_handles.h"
#include "midi/jack_output_port.h"

namespace kelvara::midi {

namespace {

MidiDestination destination_from_port_name(std::string_view full_name) {
    MidiDestination destination;
    destination.address = std::string(full_name);
    const size_t colon = full_name.find(':');
    if (colon == std::string_view::npos) {
        destination.name = destination.address;
        return destination;
    }
    destination.device_name = std::string(full_name.substr(0, colon));
    destination.name = std::string(full_name.substr(colon + 1));
    return destination;
}

class JackMidiOutputClient final : public MidiOutputClient {
public:
    explicit JackMidiOutputClient(JackClientHandle client) : client_(std::move(client)) {
        jack_on_info_shutdown(client_.get(), &JackMidiOutputClient::on_shutdown, this);
    }
    // Closes the client before the flag its shutdown callback sets is destroyed.
    ~JackMidiOutputClient() override { client_.reset(); }
    JackMidiOutputClient(const JackMidiOutputClient&) = delete;
    JackMidiOutputClient& operator=(const JackMidiOutputClient&) = delete;

    std::string system_name() const override { return "JACK"; }

    std::vector<MidiDestination> destinations() override {
        std::vector<MidiDestination> found;
        if (server_gone_.load()) return found;
        const JackNameList names(
            jack_get_ports(client_.get(), nullptr, JACK_DEFAULT_MIDI_TYPE, JackPortIsInput));
        const std::string own_prefix = std::string(jack_get_client_name(client_.get())) + ":";
        for (const char** name = names.get(); name != nullptr && *name != nullptr; ++name)
            if (std::string_view(*name).rfind(own_prefix, 0) != 0)
                found.push_back(destination_from_port_name(*name));
        return found;
    }

    std::unique_ptr<MidiOutputPort> create_output_port(std::string_view name) override {
        if (port_created_) return nullptr;
        port_created_ = true;
        return JackOutputPort::create(client_.get(), name, server_gone_);
    }

private:
    static void on_shutdown(jack_status_t, const char*, void* self) {
        static_cast<JackMidiOutputClient*>(self)->server_gone_.store(true);
    }

    JackClientHandle client_;
    std::atomic<bool> server_gone_{false};
    bool port_created_ = false;
};

}  // namespace

MidiOutputClientOpening open_jack_midi_output_client(std::string_view client_name) {
    JackClientOpening opening = open_jack_client(client_name);
    if (!opening.client) return {nullptr, std::move(opening.failure)};
    return {std::make_unique<JackMidiOutputClient>(std::move(opening.client)), {}};
}

}  // namespace kelvara::midi
