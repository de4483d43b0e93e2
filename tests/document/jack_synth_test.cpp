// A keyboard on another JACK client plays the document's chord map through the window's
// InstrumentRig and the real synthesizer: the mapped chords sound at their frequencies, a
// control change reaches the synthesizer's channel, and a note-off stops exactly the notes
// its key started.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>

#include "document/document.h"
#include "document/instrument_rig.h"
#include "midi/jack_midi_client.h"
#include "midi/jack_test_source.h"
#include "sound/peak_estimator.h"

namespace kelvara {
namespace {

using midi::testing::JackTestSource;

// Whether `done` holds within five seconds: the receive thread delivers on its own time.
bool eventually(const std::function<bool()>& done) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

testing::Spectrum spectrum_of_seconds(SynthController& synth, double seconds) {
    const auto audio = synth.render_offline(static_cast<int>(seconds * synth.sample_rate()));
    return {audio ? audio->left : std::vector<float>{}, synth.sample_rate()};
}

TEST(JackMidiSynth, MappedKeysSoundTheirChordsAndANoteOffStopsExactlyItsNotes) {
    midi::MidiClientOpening opening = midi::open_jack_midi_client(midi::kMidiClientName);
    if (!opening.client) {
        const char* required = std::getenv("KELVARA_REQUIRE_JACK");
        if (required != nullptr && std::string(required) == "1")
            FAIL() << "no JACK server: " << opening.failure;
        GTEST_SKIP() << "JACK unavailable: " << opening.failure;
    }
    auto keyboard = JackTestSource::open("Keyboard-" + std::to_string(getpid()), {"out"});
    ASSERT_TRUE(keyboard);
    Document document;
    DocumentFileState state = document.state();
    state.midi_note_numbers = {60, 62};
    state.chords = {{60, {440.0f}}, {62, {660.0f}}};
    ASSERT_TRUE(document.apply_state(state));
    SoundSetup sound;
    sound.backend = "null";
    InstrumentRig rig(document.published_chord_map(), {sound, std::move(opening.client)});
    SynthController& synth = rig.synth();
    synth.stop();  // rendered here, offline
    const auto& items = rig.midi_input().source_items();
    int item = -1;
    for (size_t i = 0; i < items.size(); ++i)
        if (items[i].source.address == keyboard->full_port_name(0)) item = static_cast<int>(i);
    ASSERT_TRUE(rig.connect_midi_source(item));
    ASSERT_TRUE(keyboard->wait_for_connections(0, 1));

    // A control change after the notes: once it arrived, so had they.
    ASSERT_TRUE(keyboard->send(0, {0x90, 60, 100}));
    ASSERT_TRUE(keyboard->send(0, {0x91, 62, 100}));
    ASSERT_TRUE(keyboard->send(0, {0xB2, 7, 90}));
    ASSERT_TRUE(eventually([&] { return synth.midi_parameter(7) == 90; }))
        << "sent on the synthesizer's own channel";
    const testing::Spectrum both = spectrum_of_seconds(synth, 1.0);
    EXPECT_GT(both.amplitude_at(440.0), 10 * both.amplitude_at(550.0));
    EXPECT_GT(both.amplitude_at(660.0), 10 * both.amplitude_at(550.0));

    ASSERT_TRUE(keyboard->send(0, {0x80, 60, 0}));
    ASSERT_TRUE(keyboard->send(0, {0xB0, 7, 91}));
    ASSERT_TRUE(eventually([&] { return synth.midi_parameter(7) == 91; }));
    spectrum_of_seconds(synth, 2.0);  // the release of 440 Hz fades
    const testing::Spectrum after = spectrum_of_seconds(synth, 1.0);
    EXPECT_GT(after.amplitude_at(660.0), 20 * after.amplitude_at(440.0));
    EXPECT_EQ(rig.last_played_key(), 62);
}

}  // namespace
}  // namespace kelvara
