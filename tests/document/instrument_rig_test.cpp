// The instruments of a document window with the real synthesizer (offline, null output) and
// the in-process MIDI system: the document's volume reaches every synthesizer made, a key
// struck sounds the document's chord, and the audition plays the document's timbre. (A
// refused bank leaving the one before it playing: tests/sound.)
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>

#include "document/audition.h"
#include "document/document.h"
#include "document/instrument_rig.h"
#include "midi/in_process_midi_system.h"
#include "sound/peak_estimator.h"
#include "sound/sound_fixtures.h"

namespace kelvara {
namespace {

class InstrumentRigTest : public ::testing::Test {
protected:
    InstrumentRigTest() {
        system.add_source({"keys:1", "Keys", 1, true, "Keys"});
        rig = std::make_unique<InstrumentRig>(
            document.chords().published(),
            InstrumentRig::Setup{testing::offline_setup(banks.sf2()),
                                 system.create_client(midi::kMidiClientName)});
    }
    ~InstrumentRigTest() override { document.detach_synth_channel(); }

    const testing::TestBanks banks;
    midi::InProcessMidiSystem system;
    Document document;
    std::unique_ptr<InstrumentRig> rig;
};

TEST_F(InstrumentRigTest, TheDocumentsVolumeAndChordsReachEverySynthesizer) {
    document.attach_synth_channel(rig->channel());
    document.playback_actions().set_volume(90);
    EXPECT_EQ(rig->synth().midi_parameter(7), 90);

    document.table_actions().chord_action(ChordAction::AddAtFreeKey);  // key 60: 110 Hz
    int notified = -1;
    rig->on_note_played([&](int key) { notified = key; });
    ASSERT_EQ(rig->midi_source_titles().size(), 1u);
    ASSERT_TRUE(rig->toggle_midi_source(0));
    rig->synth().stop();  // rendered here, offline
    system.send("keys:1", std::vector<uint8_t>{0x90, 60, 100});
    EXPECT_EQ(notified, 60);
    const StereoBuffer sound = testing::render_seconds(rig->synth(), 0.25);
    float peak = 0.0f;
    for (const float sample : sound.left) peak = std::max(peak, std::abs(sample));
    EXPECT_GT(peak, 0.01f) << "the chord of key 60 sounds";

    // The window's MIDI output mirrors the keys: a key struck plays there too, and letting
    // the mirror go while the key is held releases the note there.
    struct RecordingPlayer final : midi::NotePlayer {
        std::vector<midi::Chord> played;
        std::vector<midi::NoteInstances> released;
        midi::NoteInstances notes_on(const midi::Chord& chord, float) override {
            played.push_back(chord);
            return {7};
        }
        void notes_off(const midi::NoteInstances& notes) override { released.push_back(notes); }
        void set_midi_parameter(uint32_t, uint32_t) override {}
    };
    auto mirror = std::make_shared<RecordingPlayer>();
    rig->mirror_midi_notes(mirror);
    system.send("keys:1", std::vector<uint8_t>{0x90, 60, 100});
    ASSERT_EQ(mirror->played.size(), 1u);
    EXPECT_EQ(mirror->played[0], *document.chords().chord_for_key(60));
    rig->mirror_midi_notes(nullptr);
    EXPECT_EQ(mirror->released, std::vector<midi::NoteInstances>{{7}});
    system.send("keys:1", std::vector<uint8_t>{0x80, 60, 0});
    EXPECT_EQ(mirror->released.size(), 1u);

    // The slider's value outlives the synthesizer it was sent to: a new one made by Default
    // Bank, or a loaded bank plays at it too.
    const struct {
        const char* action;
        std::function<void()> run;
    } cases[] = {
        {"Default Bank", [&] { rig->reset_to_default_bank(); }},
        {"a bank loaded", [&] { ASSERT_TRUE(rig->load_sound_bank(banks.dls())); }},
    };
    for (const auto& c : cases) {
        c.run();
        EXPECT_EQ(rig->synth().midi_parameter(7), 90) << c.action;
    }
}

// A press in the graph, as the window passes it on: the base tone and base × ratio sound, each
// with the document's timbre (here odd harmonics, whatever program is selected); a drag glides
// the upper tone; the release silences both.
TEST_F(InstrumentRigTest, TheAuditionPlaysTheIntervalWithTheDocumentsTimbre) {
    document.attach_synth_channel(rig->channel());
    document.curve_actions().set_overtone_type(OddHarmonics);
    rig->select_program(1);  // a bank program: the audition plays the timbre all the same
    rig->synth().stop();     // rendered here, offline
    const double rate = rig->synth().sample_rate();
    const double base = document.curve().base_frequency();
    const auto spectrum = [&] {
        testing::render_seconds(rig->synth(), 0.3);  // past the attack, or the glide
        return testing::Spectrum(testing::render_seconds(rig->synth(), 0.5).left, rate);
    };
    const auto cents_off = [](const testing::Spectrum& s, double hz) {
        return testing::cents_between(s.peak_frequency(hz * std::exp2(0.5 / 1200.0), 3.0), hz);
    };

    Audition audition(*rig);
    audition.press(base, 1.5);
    ASSERT_TRUE(audition.sounding());
    const testing::Spectrum interval = spectrum();
    for (const double hz : {base, 3.0 * base, 1.5 * base, 4.5 * base}) {
        EXPECT_GT(interval.amplitude_at(hz), 0.002) << hz;
        EXPECT_NEAR(cents_off(interval, hz), 0.0, 0.1) << hz;
    }
    EXPECT_LT(interval.amplitude_at(2.0 * base), 1e-4) << "odd harmonics only";

    audition.move(1.25);
    const testing::Spectrum glided = spectrum();
    EXPECT_NEAR(cents_off(glided, 1.25 * base), 0.0, 0.55) << "to whole cents";
    EXPECT_LT(glided.amplitude_at(1.5 * base), 1e-4);

    audition.release();
    EXPECT_FALSE(audition.sounding());
    EXPECT_LT(spectrum().amplitude_at(base), 1e-5);
}

}  // namespace
}  // namespace kelvara
