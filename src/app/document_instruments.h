#pragma once
// The instruments of one document window: the synthesizer its chords and volume go to, the
// sound bank and its programs, and the MIDI input that plays the chord map. The window owns
// them and lets them go before its document, so that nothing that plays can outlive what it
// reads; MIDI delivery ends before the synthesizer goes.
//
// Threads: everything here is called on the user-interface thread, except the last-played
// notification, which runs on the MIDI receive thread.
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "document/synth_channel.h"

namespace kelvara {

class DocumentInstruments {
public:
    virtual ~DocumentInstruments() = default;

    // The synthesizer's channel; null when the window plays nothing.
    virtual SynthChannel* channel() = 0;

    // --- sound bank and programs -------------------------------------------------------
    // The current bank's instruments, titled "%d : %s" (index and name), in bank order.
    virtual std::vector<std::string> program_titles() const { return {}; }
    virtual void select_instrument(int32_t /*index*/) {}
    // Plays through the bank file at `path`; false when it is refused, and the default bank
    // is back then.
    virtual bool load_sound_bank(const std::string& /*path*/) { return false; }
    virtual void reset_to_default_bank() {}
    // Whether there is a synthesizer whose bank can be changed.
    virtual bool has_synthesizer() const { return false; }

    // --- MIDI input ----------------------------------------------------------------------
    // The MIDI system in use ("ALSA sequencer", "JACK", or empty for none).
    virtual std::string midi_system_name() const { return {}; }
    // The source pop-up's titles, as listed when the document was opened.
    virtual std::vector<std::string> midi_source_titles() const { return {}; }
    // Connects the source of pop-up item `index`; earlier ones stay connected.
    virtual bool connect_source(int /*index*/) { return false; }
    // The key of the last note-on, nothing before the first.
    virtual std::optional<int> last_played_key() const { return std::nullopt; }
    // `notify` runs on the MIDI receive thread after each note-on; it must only queue work
    // for the user-interface thread. Set once, before any source is connected.
    virtual void on_note_played(std::function<void()> /*notify*/) {}
};

class Document;

// Makes the instruments of each new window for the document they play (it outlives them);
// may return null (a silent window).
using InstrumentsFactory = std::function<std::unique_ptr<DocumentInstruments>(const Document&)>;

}  // namespace kelvara
