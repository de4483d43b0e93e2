#pragma once
// Fakes at the seams of the packet handler: a synthesizer that records every call as a line
// of text and hands out increasing note identifiers, and a chord map held in a plain map.
// The recorder may be called on a receive thread while a test reads its calls.
#include <map>
#include <memory>
#include <mutex>
#include <sstream>
#include <string>
#include <vector>

#include "midi/chord_lookup.h"
#include "midi/note_player.h"

namespace kelvara::midi::testing {

template <typename T>
std::string joined(const char* head, const std::vector<T>& values) {
    std::ostringstream out;
    out << head;
    for (const T& value : values) out << ' ' << value;
    return out.str();
}

class RecordingNotePlayer : public NotePlayer {
public:
    // "on 261.5 329.5 v100 -> 1 2"
    NoteInstances notes_on(const Chord& chord, float velocity) override {
        NoteInstances ids(chord.size());
        for (int32_t& id : ids) id = next_id_++;
        std::ostringstream line;
        line << joined("on", chord) << " v" << velocity << joined(" ->", ids);
        record(line.str());
        return ids;
    }
    // "off 1 2"
    void notes_off(const NoteInstances& notes) override { record(joined("off", notes)); }
    // "cc 7 100"
    void set_midi_parameter(uint32_t controller, uint32_t value) override {
        record(joined("cc", std::vector{controller, value}));
    }

    std::vector<std::string> calls() const {
        const std::scoped_lock lock(mutex_);
        return calls_;
    }

private:
    void record(std::string line) {
        const std::scoped_lock lock(mutex_);
        calls_.push_back(std::move(line));
    }

    mutable std::mutex mutex_;
    std::vector<std::string> calls_;
    int32_t next_id_ = 1;
};

class MapChordLookup : public ChordLookup {
public:
    std::map<int, Chord> chords;
    std::shared_ptr<const Chord> chord_for_key(int key) const override {
        const auto found = chords.find(key);
        return found == chords.end() ? nullptr : std::make_shared<const Chord>(found->second);
    }
};

}  // namespace kelvara::midi::testing
