// Fuzzes the packet handler with arbitrary bytes as a packet list: it must never read past
// the list, never crash, and only ever stop notes it started.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <memory>
#include <set>

#include "midi/midi_packet_handler.h"

namespace {

using kelvara::midi::Chord;
using kelvara::midi::NoteInstances;

// A synthesizer that checks what it is asked: every note stopped was started before.
class CheckingPlayer final : public kelvara::midi::NotePlayer {
public:
    NoteInstances notes_on(const Chord& chord, float velocity) override {
        // A data byte above 127 is malformed but passed on; the synthesizer limits it.
        if (!(velocity >= 1.0f && velocity <= 255.0f)) std::abort();
        NoteInstances ids;
        for (size_t i = 0; i < chord.size(); ++i) {
            ids.push_back(++last_id_);
            started_.insert(last_id_);
        }
        return ids;
    }
    void notes_off(const NoteInstances& notes) override {
        for (const int32_t id : notes)
            if (!started_.contains(id)) std::abort();
    }
    void set_midi_parameter(uint32_t controller, uint32_t value) override {
        if (controller > 255 || value > 255) std::abort();
    }

private:
    int32_t last_id_ = 0;
    std::set<int32_t> started_;
};

class FixedChords final : public kelvara::midi::ChordLookup {
public:
    FixedChords() {
        for (int key = 0; key < 128; key += 3)
            chords_[key] = std::make_shared<Chord>(key % 4, 440.0f);
        chords_[200] = std::make_shared<Chord>(1, 1.0f);  // a key no well-formed message has
    }
    std::shared_ptr<const Chord> chord_for_key(int key) const override {
        const auto found = chords_.find(key);
        return found == chords_.end() ? nullptr : found->second;
    }

private:
    std::map<int, std::shared_ptr<const Chord>> chords_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CheckingPlayer player;
    FixedChords chords;
    kelvara::midi::LastPlayedKey last_played;
    kelvara::midi::MidiPacketHandler handler(player, chords, last_played);
    // Twice, so that keys down from the first pass meet the packets of the second.
    handler.handle_packet_list(data, size);
    handler.handle_packet_list(data, size);
    return 0;
}
