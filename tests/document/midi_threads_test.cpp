// The receive thread playing while the user-interface thread publishes chord-map edits and
// reads the last-played key: run under ThreadSanitizer (make test-tsan) to catch data races.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <map>
#include <mutex>
#include <set>
#include <thread>

#include "document/document.h"
#include "document/instrument_rig.h"
#include "document/midi_playback.h"
#include "midi/in_process_midi_system.h"
#include "midi/midi_input.h"
#include "scales/chord_map.h"
#include "sound/synth_controller.h"

namespace kelvara::midi {
namespace {

constexpr int kMidiEvents = 100000;
constexpr int kChordMapEdits = 10000;
constexpr int kKeys = 16;

// A synthesizer that knows which notes sound: a note stopped that was never started, or a
// note left sounding at the end, is a fault.
class SoundingNotes final : public NotePlayer {
public:
    NoteInstances notes_on(const Chord& chord, float) override {
        const std::scoped_lock lock(mutex_);
        NoteInstances ids;
        for (size_t i = 0; i < chord.size(); ++i) {
            ids.push_back(++last_id_);
            sounding_.insert(last_id_);
        }
        return ids;
    }
    void notes_off(const NoteInstances& notes) override {
        const std::scoped_lock lock(mutex_);
        for (const int32_t id : notes)
            if (id > last_id_) ++stopped_unknown_;
        for (const int32_t id : notes) sounding_.erase(id);
    }
    void set_midi_parameter(uint32_t, uint32_t) override { controls_.fetch_add(1); }

    size_t sounding() const {
        const std::scoped_lock lock(mutex_);
        return sounding_.size();
    }
    int stopped_unknown() const {
        const std::scoped_lock lock(mutex_);
        return stopped_unknown_;
    }
    int controls() const { return controls_.load(); }

private:
    mutable std::mutex mutex_;
    int32_t last_id_ = 0;
    std::set<int32_t> sounding_;
    int stopped_unknown_ = 0;
    std::atomic<int> controls_{0};
};

std::vector<uint8_t> event(int i) {
    const auto key = static_cast<uint8_t>(i % kKeys);
    switch (i % 5) {
        case 0:
        case 1: return {0x90, key, static_cast<uint8_t>(1 + i % 127)};
        case 2: return {0x80, key, 0};
        case 3: return {0x90, key, 0};
        default: return {0xB0, 7, static_cast<uint8_t>(i % 128)};
    }
}

// Edit `e`: some keys mapped, some removed, chords of changing size.
ChordMap edited_map(int e) {
    std::vector<int32_t> keys;
    ChordDictionary chords;
    for (int32_t key = 0; key < kKeys; ++key) {
        if ((key + e) % 3 == 0) continue;
        keys.push_back(key);
        chords[key] = Chord(static_cast<size_t>(1 + (key + e) % 4), 110.0f * float(1 + key));
    }
    return *ChordMap::from_parts(std::move(keys), std::move(chords));
}

TEST(MidiThreads, NotesPlayWhileTheChordMapIsEditedAndNoneIsLeftHanging) {
    InProcessMidiSystem system;
    system.add_source({"keys:1", "Keys", 1, true, "Keys"});
    auto player = std::make_shared<SoundingNotes>();
    PublishedChordMap published;
    auto chords = std::make_shared<PublishedChordLookup>(published);
    std::atomic<int> notifications{0};
    auto last_played = std::make_shared<LastPlayedKey>([&](int) { notifications.fetch_add(1); });
    MidiInput input(system.create_client(kMidiClientName), {player, chords, last_played});
    input.source_items();
    ASSERT_TRUE(input.connect_source(0));

    std::jthread receive([&] {
        for (int i = 0; i < kMidiEvents; ++i) system.send("keys:1", event(i));
    });
    for (int e = 0; e < kChordMapEdits; ++e) {
        published.publish(edited_map(e));
        (void)last_played->value();  // what the window's queued update reads
    }
    receive.join();

    // Every key mapped, struck and released: each stops what it started before, whatever
    // the map was when it was struck, and then its new notes.
    published.publish(edited_map(1));
    ChordMap all;
    for (int key = 0; key < kKeys; ++key) all.add_at_free_key(Chord{220.0f});
    published.publish(all);
    for (uint8_t key = 0; key < kKeys; ++key) {
        system.send("keys:1", std::vector<uint8_t>{0x90, key, 64});
        system.send("keys:1", std::vector<uint8_t>{0x80, key, 0});
    }
    EXPECT_EQ(player->sounding(), 0u);
    EXPECT_EQ(player->stopped_unknown(), 0);
    EXPECT_EQ(player->controls(), kMidiEvents / 5);
    EXPECT_EQ(notifications.load(), kMidiEvents * 3 / 5 + kKeys);
}

// The same through the objects a document window plays with: the document, whose chord map
// is replaced as a file read replaces it, and the window's instrument rig with the real
// synthesizer, whose bank is reset meanwhile. No fault, and after a final all-notes-off
// (controller 123, sent through MIDI) nothing sounds.
TEST(MidiThreads, TheSynthesizerPlaysThroughEditsAndBankResetsAndFallsSilent) {
    constexpr int kBankResets = 20;
    InProcessMidiSystem system;
    system.add_source({"keys:1", "Keys", 1, true, "Keys"});
    Document document;
    InstrumentRig::Setup setup;
    setup.sound.backend = "null";  // renders on its own thread, as an audio device would
    setup.midi_client = system.create_client(kMidiClientName);
    InstrumentRig rig(document.published_chord_map(), std::move(setup));
    ASSERT_TRUE(rig.synthesizer_built());
    ASSERT_EQ(rig.midi_source_titles().size(), 1u);
    ASSERT_TRUE(rig.connect_midi_source(0));

    std::jthread receive([&] {
        for (int i = 0; i < kMidiEvents; ++i) system.send("keys:1", event(i));
    });
    DocumentFileState state = document.state();
    for (int e = 0; e < kChordMapEdits; ++e) {
        const ChordMap map = edited_map(e);
        state.midi_note_numbers = map.midi_note_numbers();
        state.chords = map.chords();
        ASSERT_TRUE(document.apply_state(state));
        if (e % (kChordMapEdits / kBankResets) == 0) rig.reset_to_default_bank();
    }
    receive.join();

    // The flood may have filled the synthesizer's event queue (FluidSynth drops what does
    // not fit): one block rendered here empties it before the all-notes-off goes in.
    SynthController& synth = rig.synth();
    synth.stop();
    synth.render_offline(256);
    system.send("keys:1", std::vector<uint8_t>{0xB0, 123, 0});
    synth.render_offline(static_cast<int>(2.0 * synth.sample_rate()));  // releases fade
    const std::optional<StereoBuffer> after =
        synth.render_offline(static_cast<int>(0.5 * synth.sample_rate()));
    ASSERT_TRUE(after.has_value());
    float peak = 0.0f;
    for (size_t i = 0; i < after->left.size(); ++i)
        peak = std::max({peak, std::abs(after->left[i]), std::abs(after->right[i])});
    EXPECT_LT(peak, 1e-4f);
}

}  // namespace
}  // namespace kelvara::midi
