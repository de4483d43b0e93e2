#pragma once
// The client used when no MIDI system is available or wanted: no sources, no port. A
// document then runs exactly as with a system that lists nothing.
#include "midi/midi_system.h"

namespace kelvara::midi {

class NoMidiClient final : public MidiClient {
public:
    std::string system_name() const override { return std::string(kNoMidiSystemName); }
    int32_t number_of_sources() override { return 0; }
    std::optional<MidiSource> source(int32_t) override { return std::nullopt; }
    std::unique_ptr<MidiInputPort> create_input_port(std::string_view, PacketListCallback,
                                                     void*) override {
        return nullptr;
    }
    void set_sources_changed_callback(std::function<void()>) override {}
};

}  // namespace kelvara::midi
