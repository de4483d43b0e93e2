// A burst from a JACK MIDI sender of the test's own, through the real JACK input port, into
// the instrument a window plays: far faster than the synthesizer can start notes, so the
// port's ring fills. Every key the sender released must end released, with no all-notes-off
// to help: the output ends silent.
#include <gtest/gtest.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

#include "document/document.h"
#include "document/instrument_rig.h"
#include "midi/jack_midi_client.h"
#include "midi/jack_test_source.h"
#include "scales/chord_map.h"
#include "sound/sound_fixtures.h"

namespace kelvara {
namespace {

using namespace std::chrono_literals;

constexpr int kBurstEvents = 20000;
constexpr uint8_t kLowestKey = 48;
constexpr int kKeys = 25;  // 48 to 72
constexpr float kSilence = 1e-4f;

// Strikes and releases keys 48 to 72 in a scattered order, each released later in the burst,
// then releases every key still down.
std::vector<std::vector<uint8_t>> burst() {
    std::vector<std::vector<uint8_t>> messages;
    std::array<bool, kKeys> down{};
    for (int i = 0; messages.size() < size_t(kBurstEvents) - kKeys; ++i) {
        const int k = (i * 7 + i / kKeys) % kKeys;
        const uint8_t key = uint8_t(kLowestKey + k);
        messages.push_back(down[k] ? std::vector<uint8_t>{0x80, key, 0}
                                   : std::vector<uint8_t>{0x90, key, uint8_t(40 + i % 80)});
        down[k] = !down[k];
    }
    for (int k = 0; k < kKeys; ++k)
        if (down[k]) messages.push_back({0x80, uint8_t(kLowestKey + k), 64});
    return messages;
}

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

TEST(JackBurst, EveryKeyReleasedThroughTheJackPortEndsSilent) {
    const std::string name = "BurstKeys-" + std::to_string(getpid());
    auto source = midi::testing::JackTestSource::open(name, {"out"}, 256);
    if (!source) {
        const char* required = std::getenv("KELVARA_REQUIRE_JACK");
        if (required != nullptr && std::string(required) == "1") FAIL() << "no JACK server";
        GTEST_SKIP() << "no JACK server running";
    }
    const testing::TestBanks banks;
    Document document;
    ChordMap all;
    while (all.add_at_free_key(Chord{220.0f, 330.0f})) {
    }
    DocumentFileState state = document.state();
    state.midi_note_numbers = all.midi_note_numbers();
    state.chords = all.chords();
    ASSERT_TRUE(document.apply_state(state));
    midi::MidiClientOpening opened = midi::open_jack_midi_client("kelvara-burst");
    ASSERT_TRUE(opened.client) << opened.failure;
    InstrumentRig rig(document.chords().published(),
                      {testing::offline_setup(banks.sf2()), std::move(opened.client)});
    ASSERT_TRUE(rig.synthesizer_built());
    rig.synth().start();  // the null output renders in real time
    const auto& items = rig.midi_input().source_items();
    int index = -1;
    for (size_t i = 0; i < items.size(); ++i)
        if (items[i].source.address == source->full_port_name(0)) index = int(i);
    ASSERT_GE(index, 0) << "the sender is not listed";
    ASSERT_TRUE(rig.connect_midi_source(index));
    ASSERT_TRUE(source->wait_for_connections(0, 1));

    for (const auto& message : burst()) source->send(0, message);
    ASSERT_TRUE(source->wait_until_sent(30s));
    EXPECT_TRUE(ends_silent(rig.synth(), 30s)) << "a note was left sounding";
    RecordProperty("merged_messages", std::to_string(rig.midi_input().merged_events()));
}

}  // namespace
}  // namespace kelvara
