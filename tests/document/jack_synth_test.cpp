// A keyboard on another JACK client plays the document's chord map through the real
// synthesizer: the mapped chords sound at their frequencies, a control change reaches the
// synthesizer's channel, and a note-off stops exactly the notes its key started.
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <string>

#include "document/midi_playback.h"
#include "midi/jack_midi_client.h"
#include "midi/jack_test_source.h"
#include "midi/midi_input.h"
#include "scales/chord_map.h"
#include "sound/peak_estimator.h"
#include "sound/synth_controller.h"

namespace kelvara::midi {
namespace {

using namespace std::chrono_literals;
using testing::JackTestSource;

// Counts the calls that reached the synthesizer, so the test can wait for the receive thread.
class CountingPlayer final : public NotePlayer {
public:
    explicit CountingPlayer(std::shared_ptr<NotePlayer> inner) : inner_(std::move(inner)) {}
    NoteInstances notes_on(const Chord& chord, float velocity) override {
        NoteInstances ids = inner_->notes_on(chord, velocity);
        count();
        return ids;
    }
    void notes_off(const NoteInstances& notes) override {
        inner_->notes_off(notes);
        count();
    }
    void set_midi_parameter(uint32_t controller, uint32_t value) override {
        inner_->set_midi_parameter(controller, value);
        count();
    }
    bool wait_for_calls(int calls) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, 5s, [&] { return calls_ >= calls; });
    }

private:
    void count() {
        {
            const std::scoped_lock lock(mutex_);
            ++calls_;
        }
        changed_.notify_all();
    }
    std::shared_ptr<NotePlayer> inner_;
    std::mutex mutex_;
    std::condition_variable changed_;
    int calls_ = 0;
};

std::vector<float> render_seconds(SynthController& synth, double seconds) {
    const auto audio = synth.render_offline(static_cast<int>(seconds * synth.sample_rate()));
    return audio ? audio->left : std::vector<float>{};
}

TEST(JackMidiSynth, MappedKeysSoundTheirChordsAndANoteOffStopsExactlyItsNotes) {
    MidiClientOpening opening = open_jack_midi_client(kMidiClientName);
    if (!opening.client) {
        const char* required = std::getenv("KELVARA_REQUIRE_JACK");
        if (required != nullptr && std::string(required) == "1")
            FAIL() << "no JACK server: " << opening.failure;
        GTEST_SKIP() << "JACK unavailable: " << opening.failure;
    }
    SoundSetup setup;
    setup.backend = "null";
    const auto synth = std::make_shared<SynthController>(0, setup);
    ASSERT_TRUE(synth->load_default_bank());  // left stopped: rendered here, offline
    PublishedChordMap published;
    published.publish(*ChordMap::from_parts({60, 62}, {{60, {440.0f}}, {62, {660.0f}}}));
    auto player = std::make_shared<CountingPlayer>(std::make_shared<SynthNotePlayer>(synth));
    auto last_played = std::make_shared<LastPlayedKey>();
    auto keyboard = JackTestSource::open("Keyboard-" + std::to_string(getpid()), {"out"});
    ASSERT_TRUE(keyboard);
    MidiInput input(std::move(opening.client),
                    {player, std::make_shared<PublishedChordLookup>(published), last_played});
    const auto& items = input.source_items();
    int item = -1;
    for (size_t i = 0; i < items.size(); ++i)
        if (items[i].source.address == keyboard->full_port_name(0)) item = static_cast<int>(i);
    ASSERT_TRUE(input.connect_source(item));
    ASSERT_TRUE(keyboard->wait_for_connections(0, 1));

    ASSERT_TRUE(keyboard->send(0, {0x90, 60, 100}));
    ASSERT_TRUE(keyboard->send(0, {0x91, 62, 100}));
    ASSERT_TRUE(keyboard->send(0, {0xB2, 7, 90}));
    ASSERT_TRUE(player->wait_for_calls(3));
    EXPECT_EQ(synth->midi_parameter(7), 90);  // sent on the synthesizer's own channel
    const kelvara::testing::Spectrum both(render_seconds(*synth, 1.0), synth->sample_rate());
    EXPECT_GT(both.amplitude_at(440.0), 10 * both.amplitude_at(550.0));
    EXPECT_GT(both.amplitude_at(660.0), 10 * both.amplitude_at(550.0));

    ASSERT_TRUE(keyboard->send(0, {0x80, 60, 0}));
    ASSERT_TRUE(player->wait_for_calls(4));
    render_seconds(*synth, 2.0);  // the release of 440 Hz fades
    const kelvara::testing::Spectrum after(render_seconds(*synth, 1.0), synth->sample_rate());
    EXPECT_GT(after.amplitude_at(660.0), 20 * after.amplitude_at(440.0));
    EXPECT_EQ(last_played->value(), 62);
}

}  // namespace
}  // namespace kelvara::midi
