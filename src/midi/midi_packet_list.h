#pragma once
// The packet list: how every MIDI system here hands incoming messages to the receive
// callback. Fields are in the host's byte order, packed without padding:
//
//   offset 0  uint32  number of packets
//   offset 4  the packets, one after another, each:
//             uint64  time stamp (the system's own clock; not interpreted by Kelvara)
//             uint16  length: number of data bytes (at most kMaxPacketDataBytes)
//             length  data bytes
//
// The writer splits a longer message (system-exclusive data) over several packets. The
// reader never reads past the size it is given: a list that ends inside a packet ends there.
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace kelvara::midi {

inline constexpr size_t kPacketListHeaderBytes = 4;
inline constexpr size_t kPacketHeaderBytes = 10;
inline constexpr size_t kMaxPacketDataBytes = 256;

// Builds packet lists in a buffer that is reused from list to list, so a receive thread
// allocates only while its largest list grows.
class MidiPacketListWriter {
public:
    MidiPacketListWriter();
    // Starts a new, empty list.
    void clear();
    // Appends `data` as one packet, or as several when it is longer than kMaxPacketDataBytes.
    // An empty message adds nothing.
    void add_message(uint64_t time_stamp, std::span<const uint8_t> data);

    uint32_t packet_count() const { return packet_count_; }
    const uint8_t* data() const { return bytes_.data(); }
    size_t size() const { return bytes_.size(); }
    std::span<const uint8_t> bytes() const { return bytes_; }

private:
    void add_packet(uint64_t time_stamp, std::span<const uint8_t> data);
    std::vector<uint8_t> bytes_;
    uint32_t packet_count_ = 0;
};

// One packet as read from a list; `data` points into the list.
struct MidiPacket {
    uint64_t time_stamp = 0;
    std::span<const uint8_t> data;
};

// Calls `visit(const MidiPacket&)` for each complete packet of the list in order, stopping
// at the number of packets or at the first packet that does not fit in `size`.
template <typename Visit>
void for_each_midi_packet(const uint8_t* list, size_t size, Visit&& visit);

}  // namespace kelvara::midi

#include "midi/midi_packet_list_impl.h"
