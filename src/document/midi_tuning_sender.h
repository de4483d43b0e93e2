#pragma once
// MidiTuningSender: keeps a synthesizer outside Kelvara on the document's scale through a
// MIDI output. When the user picks a destination, the whole tuning goes as one bulk tuning
// dump (the same bytes `Export MIDI Tuning` writes); from then on, whenever the document may
// have changed, only the keys whose frequency word changed go as real-time single-note
// tuning changes, so the synthesizer follows the scale table while it plays.
//
// The sender remembers which word each key of the destination holds: what the dump carried
// and every change it has sent since. A key the format cannot say (7F 7F 7F, "no change")
// keeps whatever it held. Both messages go to every device (7F) as tuning program 0, the
// keys mapped from the tuning choice (key 60 sounds the base frequency by default).
//
// Threads: the user-interface thread only, like the MidiOutput it sends through.
#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

#include "base/error.h"
#include "document/scale_tuning.h"
#include "midi/midi_output.h"
#include "persistence/mts_sysex.h"

namespace kelvara {

class Document;

class MidiTuningSender {
public:
    // `output` must outlive the sender.
    explicit MidiTuningSender(midi::MidiOutput& output, TuningChoice choice = {});

    // Sends the bulk dump of the document's scale, named `name`, to the connected
    // destination, which from then on is taken to hold it. Refused, with nothing sent, when
    // the scale has no tuning (scale_tuning() says why) or the output cannot send (nothing
    // connected, or no room to queue).
    Result<void> send_dump(const Document& document, std::string_view name);

    // Sends single-note tuning changes (at most 64 keys a message) for the keys whose word
    // differs from what the destination holds, and returns how many keys it retuned: 0 when
    // nothing changed, and before the first dump. Refused when the scale has no tuning now
    // (the destination keeps what it holds) or the output cannot send a message (its keys
    // are sent again next time).
    Result<int32_t> follow(const Document& document);

    // The destination holds nothing known any more (another was chosen, or none): nothing is
    // followed until the next dump.
    void forget() { held_.reset(); }
    bool has_sent_dump() const { return held_.has_value(); }

private:
    using HeldWords = std::array<std::optional<MtsFrequencyWord>, kHighestMidiKey + 1>;

    midi::MidiOutput& output_;
    const TuningChoice choice_;
    // What each key of the destination holds; nothing until a dump went out.
    std::optional<HeldWords> held_;
};

}  // namespace kelvara
