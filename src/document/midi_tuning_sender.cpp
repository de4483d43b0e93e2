#include "document/midi_tuning_sender.h"

#include <algorithm>
#include <span>
#include <string>
#include <vector>

#include "document/document.h"

namespace kelvara {
namespace {

Error unsent(std::string reason) {
    Error error;
    error.description = "The tuning could not be sent.";
    error.reason = std::move(reason);
    return error;
}

Error not_a_tuning(const Error& refusal) {
    Error error = refusal;
    error.description = "The scale cannot be sent as a tuning.";
    return error;
}

}  // namespace

MidiTuningSender::MidiTuningSender(midi::MidiOutput& output, TuningChoice choice)
    : output_(output), choice_(choice) {}

Result<void> MidiTuningSender::send_dump(const Document& document, std::string_view name) {
    const Result<ScaleTuning> tuning = document.scale_tuning(choice_, std::string(name));
    if (!tuning) return not_a_tuning(tuning.error());
    if (!output_.connected_destination()) return unsent("No MIDI destination is chosen.");
    if (!output_.send(tuning_dump(*tuning)))
        return unsent("The MIDI output has no room for the dump; try again.");
    HeldWords held;
    const KeyFrequencies frequencies = key_frequencies(*tuning);
    for (size_t key = 0; key < held.size(); ++key) {
        const MtsFrequencyWord word =
            frequencies[key] ? mts_frequency_word(*frequencies[key]) : kMtsNoChange;
        // A key sent as "no change" holds what the synthesizer had: unknown here.
        if (word != kMtsNoChange) held[key] = word;
    }
    held_ = held;
    return {};
}

Result<int32_t> MidiTuningSender::follow(const Document& document) {
    if (!held_ || !output_.connected_destination()) return 0;
    const Result<ScaleTuning> tuning = document.scale_tuning(choice_);
    if (!tuning) return not_a_tuning(tuning.error());
    const KeyFrequencies frequencies = key_frequencies(*tuning);
    std::vector<MtsKeyChange> changes;
    for (size_t key = 0; key < frequencies.size(); ++key) {
        if (!frequencies[key]) continue;
        const MtsFrequencyWord word = mts_frequency_word(*frequencies[key]);
        if (word != kMtsNoChange && (*held_)[key] != word)
            changes.push_back({static_cast<int32_t>(key), *frequencies[key]});
    }
    int32_t retuned = 0;
    for (size_t first = 0; first < changes.size(); first += kMaxMtsKeysPerMessage) {
        const size_t count = std::min(kMaxMtsKeysPerMessage, changes.size() - first);
        const std::span<const MtsKeyChange> group(changes.data() + first, count);
        for (const std::vector<uint8_t>& message :
             mts_single_note_changes(MtsAddress::all_devices(), group)) {
            if (!output_.send(message))
                return unsent("The MIDI output has no room for the tuning changes.");
        }
        for (const MtsKeyChange& change : group)
            (*held_)[static_cast<size_t>(change.key)] = mts_frequency_word(change.frequency_hz);
        retuned += static_cast<int32_t>(count);
    }
    return retuned;
}

}  // namespace kelvara
