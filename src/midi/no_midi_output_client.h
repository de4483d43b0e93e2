#pragma once
// The sending client used when no MIDI system is available or wanted: no destinations, no
// port. The output choice then offers only "None".
#include "midi/midi_output_system.h"

namespace kelvara::midi {

class NoMidiOutputClient final : public MidiOutputClient {
public:
    std::string system_name() const override { return "none"; }
    std::vector<MidiDestination> destinations() override { return {}; }
    std::unique_ptr<MidiOutputPort> create_output_port(std::string_view) override {
        return nullptr;
    }
};

}  // namespace kelvara::midi
