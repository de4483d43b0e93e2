#pragma once
// The reader of midi_packet_list.h: inline, because it runs per packet on the receive thread.
#include <cstring>

namespace kelvara::midi {

namespace packet_list_detail {
template <typename T>
T read_field(const uint8_t* at) {
    T value;
    std::memcpy(&value, at, sizeof value);  // the fields are unaligned
    return value;
}
}  // namespace packet_list_detail

template <typename Visit>
void for_each_midi_packet(const uint8_t* list, size_t size, Visit&& visit) {
    using packet_list_detail::read_field;
    if (list == nullptr || size < kPacketListHeaderBytes) return;
    const uint32_t count = read_field<uint32_t>(list);
    size_t offset = kPacketListHeaderBytes;
    // Every packet takes at least its header, so a list that claims more packets than fit
    // ends at its size; the loop can never run longer than size / kPacketHeaderBytes times.
    for (uint32_t i = 0; i < count; ++i) {
        if (size - offset < kPacketHeaderBytes) return;
        const uint8_t* packet = list + offset;
        const auto length = read_field<uint16_t>(packet + 8);
        if (size - offset - kPacketHeaderBytes < length) return;
        visit(MidiPacket{read_field<uint64_t>(packet),
                         std::span<const uint8_t>(packet + kPacketHeaderBytes, length)});
        offset += kPacketHeaderBytes + length;
    }
}

}  // namespace kelvara::midi
