#include "persistence/standard_midi_file.h"

#include <algorithm>
#include <optional>

namespace kelvara {
namespace {

constexpr uint8_t kEndOfTrack = 0x2F;

// The data bytes a channel message carries after its status.
size_t data_bytes_after(uint8_t status) {
    const uint8_t kind = status & 0xF0;
    return kind == 0xC0 || kind == 0xD0 ? 1 : 2;
}

class ByteReader {
public:
    explicit ByteReader(std::span<const uint8_t> bytes) : bytes_(bytes) {}

    size_t offset() const { return offset_; }
    size_t left() const { return bytes_.size() - offset_; }
    bool at_end() const { return offset_ == bytes_.size(); }

    std::optional<uint8_t> byte() {
        if (at_end()) return std::nullopt;
        return bytes_[offset_++];
    }
    std::optional<uint8_t> peek() const {
        if (at_end()) return std::nullopt;
        return bytes_[offset_];
    }
    std::optional<uint32_t> big_endian(int32_t count) {
        if (left() < size_t(count)) return std::nullopt;
        uint32_t value = 0;
        for (int32_t k = 0; k < count; ++k) value = (value << 8) | bytes_[offset_++];
        return value;
    }
    // A variable-length quantity: seven bits a byte, the high bit set on all but the last, at
    // most four bytes (the format's limit, 0x0FFFFFFF).
    std::optional<uint32_t> variable_length() {
        uint32_t value = 0;
        for (int32_t k = 0; k < 4; ++k) {
            const auto b = byte();
            if (!b) return std::nullopt;
            value = (value << 7) | (*b & 0x7Fu);
            if (!(*b & 0x80u)) return value;
        }
        return std::nullopt;
    }
    std::optional<std::span<const uint8_t>> take(size_t count) {
        if (left() < count) return std::nullopt;
        const auto part = bytes_.subspan(offset_, count);
        offset_ += count;
        return part;
    }

private:
    std::span<const uint8_t> bytes_;
    size_t offset_ = 0;
};

Error midi_file_refusal(const std::string& detail, size_t offset) {
    Error e = refusal("The MIDI file cannot be read.");
    e.reason = "It is not a Standard MIDI File, or it is damaged.";
    e.detail = detail;
    e.where.offset = offset;
    return e;
}

// One track chunk's events, reading `chunk` (its data only); `base` is the chunk's offset in
// the file, for refusals.
Result<std::vector<MidiFileEvent>> parse_track(std::span<const uint8_t> chunk, size_t base) {
    ByteReader in(chunk);
    std::vector<MidiFileEvent> events;
    int64_t tick = 0;
    std::optional<uint8_t> running;
    while (!in.at_end()) {
        const size_t start = in.offset();
        const auto delta = in.variable_length();
        if (!delta) return midi_file_refusal("a delta time is cut off or too long", base + start);
        tick += *delta;
        const auto first = in.peek();
        if (!first) return midi_file_refusal("a delta time with no event", base + in.offset());
        MidiFileEvent event{tick, {}};
        if (*first == 0xFF) {
            in.byte();
            const auto type = in.byte();
            const auto length = in.variable_length();
            const auto data = length ? in.take(*length) : std::nullopt;
            if (!type || !data)
                return midi_file_refusal("a meta event runs past its track", base + start);
            if (*type == kEndOfTrack) break;
            event.bytes = {0xFF, *type};
            event.bytes.insert(event.bytes.end(), data->begin(), data->end());
            running.reset();  // meta events cancel running status too
        } else if (*first == 0xF0 || *first == 0xF7) {
            in.byte();
            const auto length = in.variable_length();
            const auto data = length ? in.take(*length) : std::nullopt;
            if (!data)
                return midi_file_refusal("a system-exclusive message runs past its track",
                                         base + start);
            event.bytes = {*first};
            event.bytes.insert(event.bytes.end(), data->begin(), data->end());
            running.reset();  // system messages cancel running status
        } else {
            uint8_t status = 0;
            if (*first & 0x80) {
                if (*first > 0xEF)
                    return midi_file_refusal("a system message a file cannot hold",
                                             base + in.offset());
                status = *in.byte();
                running = status;
            } else if (running) {
                status = *running;
            } else {
                return midi_file_refusal("a data byte with no status before it",
                                         base + in.offset());
            }
            event.bytes = {status};
            for (size_t k = 0; k < data_bytes_after(status); ++k) {
                const auto b = in.byte();
                if (!b || (*b & 0x80))
                    return midi_file_refusal("a channel message is cut off", base + in.offset());
                event.bytes.push_back(*b);
            }
        }
        events.push_back(std::move(event));
    }
    return events;
}

void put_big_endian(std::vector<uint8_t>& out, uint32_t value, int32_t count) {
    for (int32_t k = count - 1; k >= 0; --k) out.push_back(uint8_t(value >> (8 * k)));
}

void put_variable_length(std::vector<uint8_t>& out, uint32_t value) {
    value = std::min<uint32_t>(value, 0x0FFFFFFF);
    uint8_t groups[4];
    int32_t count = 0;
    do {
        groups[count++] = value & 0x7F;
        value >>= 7;
    } while (value != 0);
    while (count-- > 0) out.push_back(uint8_t(groups[count] | (count > 0 ? 0x80 : 0)));
}

// An event's bytes as a track stores them: meta and system-exclusive data after a length.
void put_event(std::vector<uint8_t>& out, const MidiFileEvent& event) {
    const std::vector<uint8_t>& b = event.bytes;
    if (b.empty()) return;
    if (b[0] == 0xFF && b.size() >= 2) {
        out.insert(out.end(), b.begin(), b.begin() + 2);
        put_variable_length(out, uint32_t(b.size() - 2));
        out.insert(out.end(), b.begin() + 2, b.end());
    } else if (b[0] == 0xF0 || b[0] == 0xF7) {
        out.push_back(b[0]);
        put_variable_length(out, uint32_t(b.size() - 1));
        out.insert(out.end(), b.begin() + 1, b.end());
    } else {
        out.insert(out.end(), b.begin(), b.end());
    }
}

}  // namespace

Result<StandardMidiFile> parse_standard_midi_file(std::span<const uint8_t> bytes) {
    if (bytes.size() > kMaxMidiFileBytes) return midi_file_refusal("larger than 64 MB", 0);
    ByteReader in(bytes);
    const auto magic = in.big_endian(4);
    const auto header_length = in.big_endian(4);
    if (magic != 0x4D546864u || !header_length || *header_length < 6)
        return midi_file_refusal("no MThd header", 0);
    const auto format = in.big_endian(2), track_count = in.big_endian(2),
               division = in.big_endian(2);
    if (!format || !track_count || !division || !in.take(*header_length - 6))
        return midi_file_refusal("the header is cut off", 8);
    if (*format > 2)
        return midi_file_refusal("format " + std::to_string(*format) + " is unknown", 8);
    if (*division == 0) return midi_file_refusal("a division of 0 ticks", 12);
    StandardMidiFile file;
    file.format = int32_t(*format);
    file.division = uint16_t(*division);
    while (!in.at_end() && file.tracks.size() < *track_count) {
        const size_t start = in.offset();
        const auto type = in.big_endian(4), length = in.big_endian(4);
        const auto chunk = type && length ? in.take(*length) : std::nullopt;
        if (!chunk) return midi_file_refusal("a chunk runs past the end of the file", start);
        if (*type != 0x4D54726Bu) continue;  // not MTrk: skipped, as the format asks
        auto events = parse_track(*chunk, start + 8);
        if (!events) return events.error();
        file.tracks.push_back(std::move(*events));
    }
    if (file.tracks.size() < *track_count)
        return midi_file_refusal("the header promises " + std::to_string(*track_count) +
                                     " tracks, the file holds " +
                                     std::to_string(file.tracks.size()),
                                 10);
    return file;
}

std::vector<uint8_t> write_standard_midi_file(const StandardMidiFile& file) {
    std::vector<uint8_t> out = {'M', 'T', 'h', 'd', 0, 0, 0, 6};
    put_big_endian(out, uint32_t(file.format), 2);
    put_big_endian(out, uint32_t(file.tracks.size()), 2);
    put_big_endian(out, file.division, 2);
    for (const auto& track : file.tracks) {
        std::vector<uint8_t> data;
        int64_t tick = 0;
        for (const MidiFileEvent& event : track) {
            const int64_t at = std::max(event.tick, tick);
            put_variable_length(data, uint32_t(std::min<int64_t>(at - tick, 0x0FFFFFFF)));
            put_event(data, event);
            tick = at;
        }
        data.insert(data.end(), {0x00, 0xFF, kEndOfTrack, 0x00});
        out.insert(out.end(), {'M', 'T', 'r', 'k'});
        put_big_endian(out, uint32_t(data.size()), 4);
        out.insert(out.end(), data.begin(), data.end());
    }
    return out;
}

MidiFileClock::MidiFileClock(const StandardMidiFile& file) {
    if (file.division & 0x8000) {
        // SMPTE: the high byte is minus the frames per second, the low byte ticks per frame.
        const int32_t frames = -int32_t(int8_t(file.division >> 8));
        const double per_second = frames == 29 ? 29.97 : std::max(frames, 1);
        const int32_t ticks_per_frame = std::max(file.division & 0xFF, 1);
        changes_.push_back({0, 0.0, 1.0 / (per_second * ticks_per_frame)});
        return;
    }
    const double ticks_per_quarter = std::max<int32_t>(file.division, 1);
    std::vector<std::pair<int64_t, double>> tempos;  // tick, microseconds per quarter note
    for (const auto& track : file.tracks)
        for (const MidiFileEvent& e : track)
            if (e.bytes.size() == 5 && e.bytes[0] == 0xFF && e.bytes[1] == 0x51) {
                const uint32_t micros =
                    uint32_t(e.bytes[2]) << 16 | uint32_t(e.bytes[3]) << 8 | e.bytes[4];
                if (micros > 0) tempos.emplace_back(e.tick, double(micros));
            }
    std::stable_sort(tempos.begin(), tempos.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    changes_.push_back({0, 0.0, 0.5 / ticks_per_quarter});
    for (const auto& [tick, micros] : tempos) {
        const TempoChange& last = changes_.back();
        const double at = last.seconds + double(tick - last.tick) * last.seconds_per_tick;
        const TempoChange change{tick, at, micros * 1e-6 / ticks_per_quarter};
        if (tick == last.tick)
            changes_.back() = change;
        else
            changes_.push_back(change);
    }
}

double MidiFileClock::seconds_at(int64_t tick) const {
    const auto it = std::upper_bound(changes_.begin(), changes_.end(), tick,
                                     [](int64_t t, const TempoChange& c) { return t < c.tick; });
    const TempoChange& c = *std::prev(it);
    return c.seconds + double(tick - c.tick) * c.seconds_per_tick;
}

}  // namespace kelvara
