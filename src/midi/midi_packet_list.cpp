#include "midi/midi_packet_list.h"

#include <algorithm>
#include <cstring>

namespace kelvara::midi {

namespace {
template <typename T>
void append_field(std::vector<uint8_t>& bytes, T value) {
    const size_t at = bytes.size();
    bytes.resize(at + sizeof value);
    std::memcpy(bytes.data() + at, &value, sizeof value);
}

template <typename T>
void store_field(std::vector<uint8_t>& bytes, size_t at, T value) {
    std::memcpy(bytes.data() + at, &value, sizeof value);
}
}  // namespace

MidiPacketListWriter::MidiPacketListWriter() {
    bytes_.reserve(kPacketListHeaderBytes + 4 * (kPacketHeaderBytes + kMaxPacketDataBytes));
    clear();
}

void MidiPacketListWriter::clear() {
    bytes_.assign(kPacketListHeaderBytes, 0);
    packet_count_ = 0;
}

void MidiPacketListWriter::add_message(uint64_t time_stamp, std::span<const uint8_t> data) {
    while (!data.empty()) {
        const size_t length = std::min(data.size(), kMaxPacketDataBytes);
        add_packet(time_stamp, data.first(length));
        data = data.subspan(length);
    }
}

void MidiPacketListWriter::add_packet(uint64_t time_stamp, std::span<const uint8_t> data) {
    append_field(bytes_, time_stamp);
    append_field(bytes_, static_cast<uint16_t>(data.size()));
    bytes_.insert(bytes_.end(), data.begin(), data.end());
    ++packet_count_;
    store_field(bytes_, 0, packet_count_);
}

}  // namespace kelvara::midi
