#include "midi/in_process_midi_system.h"

#include <algorithm>
#include <mutex>
#include <optional>

#include "midi/midi_packet_list.h"

namespace kelvara::midi {

namespace {
struct PortRecord {
    MidiReadProc read_proc = nullptr;
    void* read_context = nullptr;
    std::vector<std::string> connected;
};
}  // namespace

struct InProcessMidiSystem::State {
    mutable std::mutex mutex;
    std::vector<std::optional<MidiSource>> sources;
    std::vector<std::function<void()>*> change_callbacks;
    std::vector<PortRecord*> ports;
    int clients = 0;

    void notify_changed() {
        for (auto* callback : change_callbacks)
            if (*callback) (*callback)();
    }
};

namespace {

using State = InProcessMidiSystem::State;

class InProcessPort final : public MidiInputPort {
public:
    InProcessPort(std::shared_ptr<State> state, MidiReadProc read_proc, void* read_context)
        : _state(std::move(state)) {
        _record.read_proc = read_proc;
        _record.read_context = read_context;
        const std::scoped_lock lock(_state->mutex);
        _state->ports.push_back(&_record);
    }
    ~InProcessPort() override {
        // Delivery holds the mutex, so once this returns no callback runs.
        const std::scoped_lock lock(_state->mutex);
        std::erase(_state->ports, &_record);
    }
    InProcessPort(const InProcessPort&) = delete;
    InProcessPort& operator=(const InProcessPort&) = delete;

    bool connect_source(const MidiSource& source) override {
        const std::scoped_lock lock(_state->mutex);
        const bool present =
            std::any_of(_state->sources.begin(), _state->sources.end(),
                        [&](const auto& s) { return s && s->address == source.address; });
        if (!present) return false;
        if (std::find(_record.connected.begin(), _record.connected.end(), source.address) ==
            _record.connected.end())
            _record.connected.push_back(source.address);
        return true;
    }

private:
    std::shared_ptr<State> _state;
    PortRecord _record;
};

class InProcessClient final : public MidiClient {
public:
    InProcessClient(std::shared_ptr<State> state, std::string system_name)
        : _state(std::move(state)), _system_name(std::move(system_name)) {
        const std::scoped_lock lock(_state->mutex);
        ++_state->clients;
        _state->change_callbacks.push_back(&_sources_changed);
    }
    ~InProcessClient() override {
        const std::scoped_lock lock(_state->mutex);
        --_state->clients;
        std::erase(_state->change_callbacks, &_sources_changed);
    }
    InProcessClient(const InProcessClient&) = delete;
    InProcessClient& operator=(const InProcessClient&) = delete;

    std::string system_name() const override { return _system_name; }

    int32_t number_of_sources() override {
        const std::scoped_lock lock(_state->mutex);
        return static_cast<int32_t>(_state->sources.size());
    }

    std::optional<MidiSource> source(int32_t index) override {
        const std::scoped_lock lock(_state->mutex);
        if (index < 0 || static_cast<size_t>(index) >= _state->sources.size()) return {};
        return _state->sources[static_cast<size_t>(index)];
    }

    std::unique_ptr<MidiInputPort> create_input_port(std::string_view, MidiReadProc read_proc,
                                                     void* read_context) override {
        if (_port_created || read_proc == nullptr) return nullptr;
        _port_created = true;
        return std::make_unique<InProcessPort>(_state, read_proc, read_context);
    }

    void set_sources_changed_callback(std::function<void()> callback) override {
        const std::scoped_lock lock(_state->mutex);
        _sources_changed = std::move(callback);
    }

private:
    std::shared_ptr<State> _state;
    std::string _system_name;
    std::function<void()> _sources_changed;
    bool _port_created = false;
};

}  // namespace

InProcessMidiSystem::InProcessMidiSystem() : _state(std::make_shared<State>()) {}
InProcessMidiSystem::~InProcessMidiSystem() = default;

void InProcessMidiSystem::add_source(MidiSource source) {
    const std::scoped_lock lock(_state->mutex);
    _state->sources.emplace_back(std::move(source));
    _state->notify_changed();
}

void InProcessMidiSystem::add_missing_source() {
    const std::scoped_lock lock(_state->mutex);
    _state->sources.emplace_back(std::nullopt);
}

void InProcessMidiSystem::remove_source(std::string_view address) {
    const std::scoped_lock lock(_state->mutex);
    std::erase_if(_state->sources, [&](const auto& s) { return s && s->address == address; });
    for (PortRecord* port : _state->ports) std::erase(port->connected, address);
    _state->notify_changed();
}

int InProcessMidiSystem::send(std::string_view address, std::span<const uint8_t> message,
                              uint64_t time_stamp) {
    MidiPacketListWriter list;
    list.add_message(time_stamp, message);
    const std::scoped_lock lock(_state->mutex);
    int reached = 0;
    for (PortRecord* port : _state->ports) {
        if (std::find(port->connected.begin(), port->connected.end(), address) ==
            port->connected.end())
            continue;
        port->read_proc(list.data(), list.size(), port->read_context);
        ++reached;
    }
    return reached;
}

std::unique_ptr<MidiClient> InProcessMidiSystem::create_client(std::string_view,
                                                               std::string system_name) {
    return std::make_unique<InProcessClient>(_state, std::move(system_name));
}

std::vector<std::string> InProcessMidiSystem::connected_addresses() const {
    const std::scoped_lock lock(_state->mutex);
    std::vector<std::string> all;
    for (const PortRecord* port : _state->ports)
        all.insert(all.end(), port->connected.begin(), port->connected.end());
    return all;
}

int InProcessMidiSystem::open_clients() const {
    const std::scoped_lock lock(_state->mutex);
    return _state->clients;
}

int InProcessMidiSystem::open_ports() const {
    const std::scoped_lock lock(_state->mutex);
    return static_cast<int>(_state->ports.size());
}

}  // namespace kelvara::midi
