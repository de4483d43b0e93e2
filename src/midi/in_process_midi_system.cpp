#include "midi/in_process_midi_system.h"

#include <algorithm>
#include <mutex>
#include <optional>

#include "midi/midi_packet_list.h"

namespace kelvara::midi {

namespace {
struct PortRecord {
    PacketListCallback deliver = nullptr;
    void* deliver_context = nullptr;
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
    InProcessPort(std::shared_ptr<State> state, PacketListCallback deliver, void* deliver_context)
        : state_(std::move(state)) {
        record_.deliver = deliver;
        record_.deliver_context = deliver_context;
        const std::scoped_lock lock(state_->mutex);
        state_->ports.push_back(&record_);
    }
    ~InProcessPort() override {
        // Delivery holds the mutex, so once this returns no callback runs.
        const std::scoped_lock lock(state_->mutex);
        std::erase(state_->ports, &record_);
    }
    InProcessPort(const InProcessPort&) = delete;
    InProcessPort& operator=(const InProcessPort&) = delete;

    bool connect_source(const MidiSource& source) override {
        const std::scoped_lock lock(state_->mutex);
        const bool present =
            std::any_of(state_->sources.begin(), state_->sources.end(),
                        [&](const auto& s) { return s && s->address == source.address; });
        if (!present) return false;
        if (std::find(record_.connected.begin(), record_.connected.end(), source.address) ==
            record_.connected.end())
            record_.connected.push_back(source.address);
        return true;
    }

    void disconnect_source(const MidiSource& source) override {
        const std::scoped_lock lock(state_->mutex);
        std::erase(record_.connected, source.address);
    }

private:
    std::shared_ptr<State> state_;
    PortRecord record_;
};

class InProcessClient final : public MidiClient {
public:
    InProcessClient(std::shared_ptr<State> state, std::string system_name)
        : state_(std::move(state)), system_name_(std::move(system_name)) {
        const std::scoped_lock lock(state_->mutex);
        ++state_->clients;
        state_->change_callbacks.push_back(&sources_changed_);
    }
    ~InProcessClient() override {
        const std::scoped_lock lock(state_->mutex);
        --state_->clients;
        std::erase(state_->change_callbacks, &sources_changed_);
    }
    InProcessClient(const InProcessClient&) = delete;
    InProcessClient& operator=(const InProcessClient&) = delete;

    std::string system_name() const override { return system_name_; }

    int32_t number_of_sources() override {
        const std::scoped_lock lock(state_->mutex);
        return static_cast<int32_t>(state_->sources.size());
    }

    std::optional<MidiSource> source(int32_t index) override {
        const std::scoped_lock lock(state_->mutex);
        if (index < 0 || static_cast<size_t>(index) >= state_->sources.size()) return {};
        return state_->sources[static_cast<size_t>(index)];
    }

    std::unique_ptr<MidiInputPort> create_input_port(std::string_view, PacketListCallback deliver,
                                                     void* deliver_context) override {
        if (port_created_ || deliver == nullptr) return nullptr;
        port_created_ = true;
        return std::make_unique<InProcessPort>(state_, deliver, deliver_context);
    }

    void set_sources_changed_callback(std::function<void()> callback) override {
        const std::scoped_lock lock(state_->mutex);
        sources_changed_ = std::move(callback);
    }

private:
    std::shared_ptr<State> state_;
    std::string system_name_;
    std::function<void()> sources_changed_;
    bool port_created_ = false;
};

}  // namespace

InProcessMidiSystem::InProcessMidiSystem() : state_(std::make_shared<State>()) {}
InProcessMidiSystem::~InProcessMidiSystem() = default;

void InProcessMidiSystem::add_source(MidiSource source) {
    const std::scoped_lock lock(state_->mutex);
    state_->sources.emplace_back(std::move(source));
    state_->notify_changed();
}

void InProcessMidiSystem::add_missing_source() {
    const std::scoped_lock lock(state_->mutex);
    state_->sources.emplace_back(std::nullopt);
}

void InProcessMidiSystem::remove_source(std::string_view address) {
    const std::scoped_lock lock(state_->mutex);
    std::erase_if(state_->sources, [&](const auto& s) { return s && s->address == address; });
    for (PortRecord* port : state_->ports) std::erase(port->connected, address);
    state_->notify_changed();
}

int InProcessMidiSystem::send(std::string_view address, std::span<const uint8_t> message,
                              uint64_t time_stamp) {
    MidiPacketListWriter list;
    list.add_message(time_stamp, message);
    const std::scoped_lock lock(state_->mutex);
    int reached = 0;
    for (PortRecord* port : state_->ports) {
        if (std::find(port->connected.begin(), port->connected.end(), address) ==
            port->connected.end())
            continue;
        port->deliver(list.data(), list.size(), port->deliver_context);
        ++reached;
    }
    return reached;
}

std::unique_ptr<MidiClient> InProcessMidiSystem::create_client(std::string_view,
                                                               std::string system_name) {
    return std::make_unique<InProcessClient>(state_, std::move(system_name));
}

std::vector<std::string> InProcessMidiSystem::connected_addresses() const {
    const std::scoped_lock lock(state_->mutex);
    std::vector<std::string> all;
    for (const PortRecord* port : state_->ports)
        all.insert(all.end(), port->connected.begin(), port->connected.end());
    return all;
}

int InProcessMidiSystem::open_clients() const {
    const std::scoped_lock lock(state_->mutex);
    return state_->clients;
}

int InProcessMidiSystem::open_ports() const {
    const std::scoped_lock lock(state_->mutex);
    return static_cast<int>(state_->ports.size());
}

}  // namespace kelvara::midi
