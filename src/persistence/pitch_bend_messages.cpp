#include "persistence/pitch_bend_messages.h"

#include <algorithm>
#include <cmath>

#include "engine/equal_temperament.h"

namespace kelvara {
namespace {

uint8_t status(uint8_t kind, int32_t channel) {
    return static_cast<uint8_t>(kind | ((channel - 1) & 0x0F));
}

MidiBytes control_change(int32_t channel, uint8_t controller, uint8_t value) {
    return {status(0xB0, channel), controller, value};
}

}  // namespace

std::optional<BentNote> bent_note(double frequency_hz, int32_t range_semitones) {
    if (!std::isfinite(frequency_hz) || !(frequency_hz > 0.0) || range_semitones < 1 ||
        range_semitones > kMaxBendRangeSemitones)
        return std::nullopt;
    const double key = std::round(69.0 + 12.0 * std::log2(frequency_hz / 440.0));
    if (!(key >= 0.0 && key <= 127.0)) return std::nullopt;
    const auto nearest = static_cast<uint8_t>(key);
    return BentNote{nearest, bend_for_key(nearest, frequency_hz, range_semitones)};
}

uint16_t bend_for_key(uint8_t key, double frequency_hz, int32_t range_semitones) {
    if (!(frequency_hz > 0.0) || !std::isfinite(frequency_hz) || range_semitones < 1)
        return kBendCentre;
    const double semitones = 69.0 + 12.0 * std::log2(frequency_hz / 440.0) - key;
    const double bend = kBendCentre + semitones / range_semitones * kBendCentre;
    return static_cast<uint16_t>(std::clamp(std::lround(bend), 0L, 16383L));
}

double frequency_of_bent_note(const BentNote& note, int32_t range_semitones) {
    const double bent = (static_cast<double>(note.bend) - kBendCentre) / kBendCentre *
                        static_cast<double>(range_semitones);
    return equal_tempered_hz(note.key + bent);
}

std::vector<MidiBytes> bend_range_messages(int32_t channel, int32_t range_semitones) {
    return {control_change(channel, 101, 0),
            control_change(channel, 100, 0),
            control_change(channel, 6, static_cast<uint8_t>(range_semitones & 0x7F)),
            control_change(channel, 38, 0),
            control_change(channel, 101, 127),
            control_change(channel, 100, 127)};
}

MidiBytes pitch_bend_message(int32_t channel, uint16_t bend) {
    return {status(0xE0, channel), static_cast<uint8_t>(bend & 0x7F),
            static_cast<uint8_t>((bend >> 7) & 0x7F)};
}

MidiBytes note_on_message(int32_t channel, uint8_t key, uint8_t velocity) {
    return {status(0x90, channel), static_cast<uint8_t>(key & 0x7F),
            static_cast<uint8_t>(std::clamp<int>(velocity, 1, 127))};
}

MidiBytes note_off_message(int32_t channel, uint8_t key) {
    return {status(0x80, channel), static_cast<uint8_t>(key & 0x7F), 0};
}

}  // namespace kelvara
