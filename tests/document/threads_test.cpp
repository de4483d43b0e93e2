// The threads of a playing document window at once, through the objects the window uses:
// the user-interface thread replaces the document's chord map, changes banks and the volume;
// the MIDI receive thread looks chords up and plays them through the InstrumentRig; the
// audio output renders. Also built and run under ThreadSanitizer (label "threads"), which
// fails on any data race, a lookup of a chord map half published among them.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <thread>

#include "document/document.h"
#include "document/instrument_rig.h"
#include "midi/in_process_midi_system.h"
#include "scales/chord_map.h"
#include "sound/sound_fixtures.h"
#include "sound/synth_log.h"
#include "support/document_in_recording_window.h"

namespace kelvara {
namespace {

using namespace std::chrono_literals;

constexpr int kMidiEvents = 100000;
constexpr int kKeys = 16;
constexpr uint8_t kVolume = 7;
constexpr uint8_t kSustainPedal = 64;

// Notes on and off (by status and by velocity 0) on sixteen keys, and now and then the
// volume, which updates every voice that sounds, and the sustain pedal, down or up.
std::vector<uint8_t> event(int i) {
    const auto key = static_cast<uint8_t>(i % kKeys);
    if (i % 50 == 49) return {0xB0, kVolume, static_cast<uint8_t>(i / 50 % 128)};
    if (i % 50 == 24) return {0xB0, kSustainPedal, static_cast<uint8_t>(i / 50 % 2 ? 127 : 0)};
    switch (i % 5) {
        case 0:
        case 1: return {0x90, key, static_cast<uint8_t>(1 + i % 127)};
        case 2: return {0x80, key, 0};
        default: return {0x90, key, 0};
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

float peak_of(const StereoBuffer& audio) {
    float peak = 0.0f;
    for (size_t i = 0; i < audio.left.size(); ++i)
        peak = std::max({peak, std::abs(audio.left[i]), std::abs(audio.right[i])});
    return peak;
}

// An unpaced burst of keys, pedal and volume through MIDI while the document's chord map is
// replaced (as a file read replaces it), banks are loaded and reset, programs chosen and the
// slider moved; then every key is mapped, struck and released and the pedal lifted, and
// nothing is left sounding. Nothing may be lost on the way: neither by the channel queue nor
// by FluidSynth's own event queue, which reports what it cannot take.
TEST(InstrumentRigThreads, KeysPlayThroughMapEditsAndBankChangesAndNoneIsLeftSounding) {
    const testing::TestBanks banks;
    midi::InProcessMidiSystem system;
    system.add_source({"keys:1", "Keys", 1, true, "Keys"});
    Document document;
    InstrumentRig rig(document.chords().published(),
                      {testing::offline_setup(banks.sf2()),  // the null output renders
                       system.create_client(midi::kMidiClientName)});
    ASSERT_TRUE(rig.synthesizer_built());
    document.attach_synth_channel(rig.channel());
    std::atomic<int> notified{0};
    rig.on_note_played([&](int) { notified.fetch_add(1); });
    ASSERT_EQ(rig.midi_source_titles().size(), 1u);
    ASSERT_TRUE(rig.toggle_midi_source(0));

    const uint64_t overflows_before = sound::synth_queue_overflows();
    std::atomic<bool> flooding{true};
    std::jthread receive([&] {
        for (int i = 0; i < kMidiEvents; ++i) system.send("keys:1", event(i));
        flooding = false;
    });
    int bank_changes = 0;
    int edits = 0;
    for (int e = 0; flooding; e = ++edits) {
        testing::replace_chord_map(document, edited_map(e));
        // The slider moves now and then: each move updates every voice that sounds.
        if (e % 100 == 0) document.playback_actions().set_volume(e / 100 % 128);
        (void)rig.last_played_key();  // what the window's queued update reads
        if (e % 500 == 0 && bank_changes < 12) {
            switch (bank_changes++ % 3) {
                case 0: EXPECT_TRUE(rig.load_sound_bank(banks.dls())); break;
                case 1: EXPECT_TRUE(rig.load_sound_bank(banks.sf2())); break;
                default: rig.reset_to_default_bank();
            }
            rig.select_program(static_cast<int32_t>(rig.program_titles().size()) - 1);
        }
    }
    receive.join();
    EXPECT_TRUE(rig.synth().is_running());
    int note_ons = 0;  // every one is notified, whether it plays or stops
    for (int i = 0; i < kMidiEvents; ++i) note_ons += event(i)[0] == 0x90;
    EXPECT_EQ(notified.load(), note_ons);

    document.playback_actions().set_volume(100);  // the burst left it anywhere
    SynthController& synth = rig.synth();
    synth.stop();  // rendered here from now on
    // The whole map filled, so that the burst's keys are in it.
    testing::replace_chord_map(document, testing::every_key_mapped(Chord{220.0f, 330.0f}));
    for (uint8_t key = 0; key < kKeys; ++key)
        system.send("keys:1", std::vector<uint8_t>{0x90, key, 64});
    EXPECT_GT(peak_of(testing::render_seconds(synth, 0.1)), 0.01f) << "every key sounds";
    for (uint8_t key = 0; key < kKeys; ++key)
        system.send("keys:1", std::vector<uint8_t>{0x80, key, 0});
    system.send("keys:1", std::vector<uint8_t>{0xB0, kSustainPedal, 0});
    testing::render_seconds(synth, 2.0);  // the releases fade
    EXPECT_LT(peak_of(testing::render_seconds(synth, 0.5)), 1e-4f) << "a note was left sounding";
    EXPECT_EQ(synth.dropped_events(), 0u) << "dropped on the way to the synthesizer";
    EXPECT_EQ(sound::synth_queue_overflows() - overflows_before, 0u) << "dropped by FluidSynth";
    document.detach_synth_channel();
}

}  // namespace
}  // namespace kelvara
