#pragma once
// A MIDI system's sending side in memory: a client that lists the destinations a test gives
// it and a port that records what it is asked to do. Messages are checked as the real ports
// check them, so a test sees exactly the bytes a synthesizer would receive.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "midi/midi_message.h"
#include "midi/midi_output_system.h"

namespace kelvara::testing {

// What the port saw, shared with the test; one thread only.
struct RecordedMidiOutput {
    std::vector<midi::MidiDestination> listed;
    // "connect 20:0", "disconnect 20:0", in order.
    std::vector<std::string> connections;
    std::vector<std::vector<uint8_t>> sent;
    int ports_created = 0;
    // Set by a test: the system refuses connections, or has no room for messages.
    bool refuse_connections = false;
    bool refuse_sends = false;
};

class RecordingMidiOutputPort final : public midi::MidiOutputPort {
public:
    explicit RecordingMidiOutputPort(std::shared_ptr<RecordedMidiOutput> record)
        : record_(std::move(record)) {}
    bool connect_destination(const midi::MidiDestination& destination) override {
        if (record_->refuse_connections) return false;
        record_->connections.push_back("connect " + destination.address);
        return true;
    }
    void disconnect_destination(const midi::MidiDestination& destination) override {
        record_->connections.push_back("disconnect " + destination.address);
    }
    bool send(std::span<const uint8_t> message) override {
        if (record_->refuse_sends || !midi::is_complete_midi_message(message)) return false;
        record_->sent.emplace_back(message.begin(), message.end());
        return true;
    }
    bool wait_until_sent(std::chrono::milliseconds) override { return true; }
    uint64_t dropped_messages() const override { return 0; }

private:
    std::shared_ptr<RecordedMidiOutput> record_;
};

class RecordingMidiOutputClient final : public midi::MidiOutputClient {
public:
    explicit RecordingMidiOutputClient(std::shared_ptr<RecordedMidiOutput> record)
        : record_(std::move(record)) {}
    std::string system_name() const override { return "in memory"; }
    std::vector<midi::MidiDestination> destinations() override { return record_->listed; }
    std::unique_ptr<midi::MidiOutputPort> create_output_port(std::string_view) override {
        ++record_->ports_created;
        return std::make_unique<RecordingMidiOutputPort>(record_);
    }

private:
    std::shared_ptr<RecordedMidiOutput> record_;
};

}  // namespace kelvara::testing
