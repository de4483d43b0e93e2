#include "persistence/mts_sysex.h"

#include <algorithm>
#include <cmath>
#include <iterator>

#include "engine/equal_temperament.h"

namespace kelvara {

namespace {

constexpr uint8_t kSysexStart = 0xF0;
constexpr uint8_t kSysexEnd = 0xF7;
constexpr uint8_t kNonRealTime = 0x7E;
constexpr uint8_t kRealTime = 0x7F;
constexpr uint8_t kMidiTuning = 0x08;
constexpr uint8_t kBulkDumpReply = 0x01;
constexpr uint8_t kSingleNoteChange = 0x02;

constexpr int64_t kStepsPerSemitone = 16384;
// The highest word that is not the reserved 7F 7F 7F: note 127, fraction 3FFE.
constexpr int64_t kHighestSteps = 127 * kStepsPerSemitone + 0x3FFE;

}  // namespace

MtsFrequencyWord mts_frequency_word(double frequency_hz) {
    if (!std::isfinite(frequency_hz) || !(frequency_hz > 0.0)) return kMtsNoChange;
    const double semitones = 69.0 + 12.0 * std::log2(frequency_hz / 440.0);
    // Far outside the notes, before the steps are formed as an integer.
    if (!(semitones > -1.0 && semitones < 129.0)) return kMtsNoChange;
    const int64_t steps = std::llround(semitones * kStepsPerSemitone);
    if (steps < 0 || steps > kHighestSteps) return kMtsNoChange;
    const auto note = static_cast<uint8_t>(steps / kStepsPerSemitone);
    const auto fraction = static_cast<uint32_t>(steps % kStepsPerSemitone);
    return {note, static_cast<uint8_t>(fraction >> 7), static_cast<uint8_t>(fraction & 0x7F)};
}

std::optional<double> frequency_of_mts_word(const MtsFrequencyWord& word) {
    if (word == kMtsNoChange) return std::nullopt;
    if (std::any_of(word.begin(), word.end(), [](uint8_t byte) { return byte > 0x7F; }))
        return std::nullopt;
    const double semitones = word[0] + ((word[1] << 7) | word[2]) / double(kStepsPerSemitone);
    return equal_tempered_hz(semitones);
}

std::optional<MtsAddress> MtsAddress::make(int32_t device_id, int32_t program) {
    if (device_id < 0 || device_id > 0x7F || program < 0 || program > 0x7F) return std::nullopt;
    return MtsAddress(static_cast<uint8_t>(device_id), static_cast<uint8_t>(program));
}

std::array<uint8_t, kMtsBulkDumpBytes> mts_bulk_dump(const MtsAddress& address,
                                                     std::string_view name,
                                                     const KeyFrequencies& key_frequencies_hz) {
    std::array<uint8_t, kMtsBulkDumpBytes> dump{};
    size_t at = 0;
    for (const uint8_t byte : {kSysexStart, kNonRealTime, address.device_id(), kMidiTuning,
                               kBulkDumpReply, address.program()})
        dump[at++] = byte;
    for (size_t i = 0; i < kMtsNameBytes; ++i) {
        const char c = i < name.size() ? name[i] : ' ';
        dump[at++] = (c >= 0x20 && c < 0x7F) ? static_cast<uint8_t>(c) : '?';
    }
    for (const std::optional<double>& frequency : key_frequencies_hz) {
        const MtsFrequencyWord word = frequency ? mts_frequency_word(*frequency) : kMtsNoChange;
        for (const uint8_t byte : word) dump[at++] = byte;
    }
    uint8_t checksum = 0;
    for (size_t i = 1; i < at; ++i) checksum ^= dump[i];
    dump[at++] = checksum & 0x7F;
    dump[at++] = kSysexEnd;
    return dump;
}

std::vector<std::vector<uint8_t>> mts_single_note_changes(const MtsAddress& address,
                                                          std::span<const MtsKeyChange> changes) {
    std::vector<MtsKeyChange> sent;
    std::copy_if(changes.begin(), changes.end(), std::back_inserter(sent),
                 [](const MtsKeyChange& change) {
                     return change.key >= kLowestMidiKey && change.key <= kHighestMidiKey;
                 });
    std::vector<std::vector<uint8_t>> messages;
    for (size_t start = 0; start < sent.size(); start += kMaxMtsKeysPerMessage) {
        const size_t count = std::min(kMaxMtsKeysPerMessage, sent.size() - start);
        std::vector<uint8_t> message{
            kSysexStart,       kRealTime,         address.device_id(),        kMidiTuning,
            kSingleNoteChange, address.program(), static_cast<uint8_t>(count)};
        for (size_t i = start; i < start + count; ++i) {
            message.push_back(static_cast<uint8_t>(sent[i].key));
            for (const uint8_t byte : mts_frequency_word(sent[i].frequency_hz))
                message.push_back(byte);
        }
        message.push_back(kSysexEnd);
        messages.push_back(std::move(message));
    }
    return messages;
}

}  // namespace kelvara
