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
    _bytes.reserve(kPacketListHeaderBytes + 4 * (kPacketHeaderBytes + kMaxPacketDataBytes));
    clear();
}

void MidiPacketListWriter::clear() {
    _bytes.assign(kPacketListHeaderBytes, 0);
    _packet_count = 0;
}

void MidiPacketListWriter::add_message(uint64_t time_stamp, std::span<const uint8_t> data) {
    while (!data.empty()) {
        const size_t length = std::min(data.size(), kMaxPacketDataBytes);
        add_packet(time_stamp, data.first(length));
        data = data.subspan(length);
    }
}

void MidiPacketListWriter::add_packet(uint64_t time_stamp, std::span<const uint8_t> data) {
    append_field(_bytes, time_stamp);
    append_field(_bytes, static_cast<uint16_t>(data.size()));
    _bytes.insert(_bytes.end(), data.begin(), data.end());
    ++_packet_count;
    store_field(_bytes, 0, _packet_count);
}

}  // namespace kelvara::midi
