#include "midi/midi_output.h"

#include <algorithm>
#include <stdexcept>

namespace kelvara::midi {

std::unique_ptr<MidiOutputClient> MidiOutput::checked(std::unique_ptr<MidiOutputClient> client) {
    if (!client) throw std::invalid_argument("MidiOutput needs a client");
    return client;
}

MidiOutput::MidiOutput(std::unique_ptr<MidiOutputClient> client)
    : client_(checked(std::move(client))) {
    rescan_destinations();
}

MidiOutput::~MidiOutput() = default;

void MidiOutput::rescan_destinations() {
    destinations_ = client_->destinations();
}

std::vector<std::string> MidiOutput::destination_titles() const {
    std::vector<std::string> titles;
    for (const MidiDestination& destination : destinations_) {
        const std::string full_name = destination.full_name();
        const auto same_name = std::count_if(
            destinations_.begin(), destinations_.end(),
            [&](const MidiDestination& other) { return other.full_name() == full_name; });
        titles.push_back(same_name > 1 ? full_name + " (" + destination.address + ")" : full_name);
    }
    return titles;
}

std::optional<size_t> MidiOutput::find_destination(std::string_view name) const {
    for (size_t i = 0; i < destinations_.size(); ++i)
        if (destinations_[i].address == name) return i;
    const std::vector<std::string> titles = destination_titles();
    std::optional<size_t> found;
    for (size_t i = 0; i < destinations_.size(); ++i) {
        if (destinations_[i].full_name() != name && titles[i] != name) continue;
        if (found) return std::nullopt;  // several of that name
        found = i;
    }
    return found;
}

bool MidiOutput::connect_destination(size_t index) {
    if (index >= destinations_.size()) return false;
    const MidiDestination destination = destinations_[index];
    // The same destination is connected again: something outside Kelvara may have ended the
    // connection.
    if (connected_ != destination) disconnect();
    connected_.reset();
    if (!port_) port_ = client_->create_output_port(kMidiOutputPortName);
    if (!port_ || !port_->connect_destination(destination)) return false;
    connected_ = destination;
    return true;
}

void MidiOutput::disconnect() {
    if (port_ && connected_) port_->disconnect_destination(*connected_);
    connected_.reset();
}

bool MidiOutput::send(std::span<const uint8_t> message) {
    return port_ && connected_ && port_->send(message);
}

bool MidiOutput::wait_until_sent(std::chrono::milliseconds timeout) {
    return !port_ || port_->wait_until_sent(timeout);
}

}  // namespace kelvara::midi
