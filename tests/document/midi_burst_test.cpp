// A burst from a MIDI sender of the test's own, through the real JACK input port and the real
// ALSA sequencer input, into the instrument a window plays: far faster than the synthesizer
// can start notes, so the input's relay fills. Every key the sender released must end
// released, with no all-notes-off to help: the output ends silent.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>

#include "document/document.h"
#include "document/instrument_rig.h"
#include "midi/alsa_midi_client.h"
#include "midi/alsa_sequencer.h"
#include "midi/jack_midi_client.h"
#include "midi/jack_test_source.h"
#include "midi/key_burst.h"
#include "scales/chord_map.h"
#include "sound/sound_fixtures.h"
#include "support/document_in_recording_window.h"

namespace kelvara {
namespace {

using namespace std::chrono_literals;

using Messages = std::vector<std::vector<uint8_t>>;

constexpr int kBurstEvents = 20000;
constexpr float kSilence = 1e-4f;

// Waits until the output has been silent for half a second; false when it is not by the
// deadline.
bool ends_silent(SynthController& synth, std::chrono::seconds deadline) {
    const auto until = std::chrono::steady_clock::now() + deadline;
    int quiet_checks = 0;
    synth.take_output_peak();
    while (std::chrono::steady_clock::now() < until) {
        std::this_thread::sleep_for(100ms);
        quiet_checks = synth.take_output_peak() < kSilence ? quiet_checks + 1 : 0;
        if (quiet_checks == 5) return true;
    }
    return false;
}

// A sequencer client of the test's own with one readable port, sending each note message as
// one event straight to its subscribers; where the sequencer is missing it does not open.
class AlsaBurstSender {
public:
    static std::unique_ptr<AlsaBurstSender> open(const std::string& name) {
        auto sender = std::make_unique<AlsaBurstSender>();
        sender->seq_ = midi::open_alsa_sequencer(name, SND_SEQ_OPEN_OUTPUT).seq;
        if (!sender->seq_) return nullptr;
        sender->port_ = snd_seq_create_simple_port(
            sender->seq_.get(), "out", SND_SEQ_PORT_CAP_READ | SND_SEQ_PORT_CAP_SUBS_READ,
            SND_SEQ_PORT_TYPE_MIDI_GENERIC | SND_SEQ_PORT_TYPE_APPLICATION);
        return sender->port_ < 0 ? nullptr : std::move(sender);
    }
    std::string address() const {
        return std::to_string(snd_seq_client_id(seq_.get())) + ":" + std::to_string(port_);
    }
    // Waits while the sequencer has no room: the sender, not the sequencer, holds back.
    bool send(const std::vector<uint8_t>& message) {
        snd_seq_event_t event;
        snd_seq_ev_clear(&event);
        if ((message[0] & 0xF0) == 0x90)
            snd_seq_ev_set_noteon(&event, message[0] & 0x0F, message[1], message[2]);
        else
            snd_seq_ev_set_noteoff(&event, message[0] & 0x0F, message[1], message[2]);
        snd_seq_ev_set_source(&event, port_);
        snd_seq_ev_set_subs(&event);
        snd_seq_ev_set_direct(&event);
        int result = 0;
        while ((result = snd_seq_event_output_direct(seq_.get(), &event)) == -EAGAIN)
            std::this_thread::sleep_for(1ms);
        return result >= 0;
    }

private:
    midi::AlsaSequencerHandle seq_;
    int port_ = -1;
};

// Plays the burst from the source at `address` into a rig on `client`; `play` sends it once
// the rig is connected, true when every message has left.
void expect_burst_ends_silent(std::unique_ptr<midi::MidiClient> client, const std::string& address,
                              const std::function<bool(const Messages&)>& play) {
    const testing::TestBanks banks;
    Document document;
    testing::replace_chord_map(document, testing::every_key_mapped(Chord{220.0f, 330.0f}));
    InstrumentRig rig(document.chords().published(),
                      {testing::offline_setup(banks.sf2()), std::move(client)});
    ASSERT_TRUE(rig.synthesizer_built());
    rig.synth().start();  // the null output renders in real time
    const auto& items = rig.midi_input().source_items();
    int index = -1;
    for (size_t i = 0; i < items.size(); ++i)
        if (items[i].source.address == address) index = int(i);
    ASSERT_GE(index, 0) << "the sender is not listed";
    ASSERT_TRUE(rig.toggle_midi_source(index));
    ASSERT_TRUE(play(midi::testing::key_burst(kBurstEvents)));
    EXPECT_TRUE(ends_silent(rig.synth(), 30s)) << "a note was left sounding";
}

TEST(MidiBurst, EveryKeyReleasedThroughTheJackPortEndsSilent) {
    const std::string name = "BurstKeys-" + std::to_string(getpid());
    auto source = midi::testing::JackTestSource::open(name, {"out"}, 256);
    if (!source) {
        const char* required = std::getenv("KELVARA_REQUIRE_JACK");
        if (required != nullptr && std::string(required) == "1") FAIL() << "no JACK server";
        GTEST_SKIP() << "no JACK server running";
    }
    midi::MidiClientOpening opened = midi::open_jack_midi_client("kelvara-burst");
    ASSERT_TRUE(opened.client) << opened.failure;
    expect_burst_ends_silent(std::move(opened.client), source->full_port_name(0),
                             [&](const Messages& burst) {
                                 if (!source->wait_for_connections(0, 1)) return false;
                                 for (const auto& message : burst) source->send(0, message);
                                 return source->wait_until_sent(30s);
                             });
}

TEST(MidiBurst, EveryKeyReleasedThroughTheAlsaSequencerEndsSilent) {
    auto sender = AlsaBurstSender::open("BurstKeys-" + std::to_string(getpid()));
    if (!sender) GTEST_SKIP() << "no ALSA sequencer on this machine (/dev/snd/seq)";
    midi::MidiClientOpening opened = midi::open_alsa_midi_client("kelvara-burst");
    ASSERT_TRUE(opened.client) << opened.failure;
    // A subscription is in place once made, and each event is in the sequencer once sent.
    expect_burst_ends_silent(std::move(opened.client), sender->address(),
                             [&](const Messages& burst) {
                                 return std::all_of(burst.begin(), burst.end(),
                                                    [&](const auto& m) { return sender->send(m); });
                             });
}

}  // namespace
}  // namespace kelvara
