// The tuning a document sends to a synthesizer outside: the dump first, then real-time
// single-note changes for exactly the keys whose word changed, 64 keys a message, Undo
// included; keys the format cannot say never sent; a scale that is no tuning, or an output
// without room, refused without losing track of what the synthesizer holds.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <map>
#include <utility>
#include <vector>

#include "document/document.h"
#include "document/midi_tuning_sender.h"
#include "support/recording_midi_output.h"

namespace kelvara {
namespace {

using ::testing::HasSubstr;

// The keys and words of single-note tuning changes (their bytes: mts_sysex_test.cpp).
std::map<int, MtsFrequencyWord> changed_words(const std::vector<std::vector<uint8_t>>& messages) {
    std::map<int, MtsFrequencyWord> words;
    for (const std::vector<uint8_t>& m : messages) {
        EXPECT_EQ(m.size(), 8 + 4 * size_t{m[6]});
        for (size_t i = 0; i < m[6]; ++i)
            words[m[7 + 4 * i]] = {m[8 + 4 * i], m[9 + 4 * i], m[10 + 4 * i]};
    }
    return words;
}

class MidiTuningSenderTest : public ::testing::Test {
protected:
    MidiTuningSenderTest() { set_scale(twelve_equal(), 261.6255653005986); }
    static std::vector<float> twelve_equal() {
        std::vector<float> ratios;
        for (int step = 0; step <= 12; ++step) ratios.push_back(std::exp2(step / 12.0f));
        return ratios;
    }
    // A table and base as a document file sets them; then marked as an edit would be, so
    // that Undo goes back to the values before.
    void set_scale(std::vector<float> ratios, double base_hz) {
        DocumentFileState state = doc.state();
        state.scale_ratios = std::move(ratios);
        state.base_frequency = base_hz;
        ASSERT_TRUE(doc.apply_state(state));
    }
    std::vector<std::vector<uint8_t>> take_sent() { return std::exchange(record->sent, {}); }

    std::shared_ptr<testing::RecordedMidiOutput> record = [] {
        auto record = std::make_shared<testing::RecordedMidiOutput>();
        record->listed = {{"20:0", "Synth input port", "FLUID Synth"}};
        return record;
    }();
    midi::MidiOutput output{std::make_unique<testing::RecordingMidiOutputClient>(record)};
    MidiTuningSender sender{output};
    Document doc;
};

TEST_F(MidiTuningSenderTest, TheDumpComesFirstThenOnlyTheKeysThatChanged) {
    EXPECT_EQ(*sender.follow(doc), 0) << "before a dump nothing is followed";
    EXPECT_FALSE(sender.send_dump(doc, "twelve")) << "no destination chosen";
    ASSERT_TRUE(output.connect_destination(0));
    ASSERT_TRUE(sender.send_dump(doc, "twelve"));
    const auto sent = take_sent();
    ASSERT_EQ(sent.size(), 1u);
    const auto dump = tuning_dump(*doc.scale_tuning({}, "twelve"));  // its bytes: tests/persistence
    EXPECT_EQ(sent[0], std::vector<uint8_t>(dump.begin(), dump.end()));
    EXPECT_EQ(*sender.follow(doc), 0);
    EXPECT_TRUE(take_sent().empty()) << "nothing changed, nothing sent";

    // Each row changes the document, then follows it: the keys retuned, their messages.
    struct Step {
        const char* what;
        std::function<void()> change;
        std::vector<int> keys;  // empty: every key 0..127
        size_t messages;
    };
    std::vector<int> fourth_degree;  // 4, 16, ..., 124: the step a major third above the base
    for (int key = 4; key <= 127; key += 12) fourth_degree.push_back(key);
    const Step steps[] = {
        {"a just major third",
         [&] {
             std::vector<float> ratios = twelve_equal();
             ratios[4] = 1.25f;
             set_scale(ratios, 261.6255653005986);
         },
         fourth_degree, 1},
        {"a new base", [&] { doc.curve_actions().set_base_frequency(262.0f); }, {}, 2},
        {"undone", [&] { doc.history().undo(); }, {}, 2},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        step.change();
        const Result<int32_t> retuned = sender.follow(doc);
        ASSERT_TRUE(retuned);
        const auto messages = take_sent();
        EXPECT_EQ(messages.size(), step.messages);
        const std::map<int, MtsFrequencyWord> words = changed_words(messages);
        std::vector<int> keys;
        for (const auto& [key, word] : words) keys.push_back(key);
        if (step.keys.empty()) {
            EXPECT_EQ(keys.size(), 128u);
        } else {
            EXPECT_EQ(keys, step.keys);
        }
        EXPECT_EQ(*retuned, static_cast<int32_t>(keys.size()));
        // Every word sent is the key's frequency now.
        const KeyFrequencies now = key_frequencies(*doc.scale_tuning({}));
        for (const auto& [key, word] : words)
            EXPECT_NEAR(1200.0 * std::log2(*frequency_of_mts_word(word) / *now[key]), 0.0, 0.01)
                << key;
    }
    // Undo took back the new base only: key 64 sounds the just third of the first base.
    EXPECT_NEAR(*key_frequencies(*doc.scale_tuning({}))[64], 261.6255653005986 * 1.25, 1e-3);
}

TEST_F(MidiTuningSenderTest, KeysTheFormatCannotSayAreNeverSent) {
    // Tritaves from key 60 at 440 Hz: the keys far above leave the format's range.
    set_scale({1.0f, 1.5f, 3.0f}, 440.0);
    ASSERT_TRUE(output.connect_destination(0));
    ASSERT_TRUE(sender.send_dump(doc, "tritaves"));
    take_sent();
    doc.curve_actions().set_base_frequency(441.0f);
    ASSERT_TRUE(sender.follow(doc));
    const std::map<int, MtsFrequencyWord> words = changed_words(take_sent());
    for (const auto& [key, word] : words) EXPECT_NE(word, kMtsNoChange) << key;
    EXPECT_TRUE(words.count(60));
    EXPECT_FALSE(words.count(127));
}

TEST_F(MidiTuningSenderTest, RefusalsKeepTrackOfWhatTheSynthesizerHolds) {
    ASSERT_TRUE(output.connect_destination(0));
    set_scale({1.0f}, 261.6255653005986);
    const Result<void> no_tuning = sender.send_dump(doc, "unison");
    ASSERT_FALSE(no_tuning);
    EXPECT_EQ(no_tuning.error().description, "The scale cannot be sent as a tuning.");
    EXPECT_FALSE(sender.has_sent_dump());

    set_scale(twelve_equal(), 261.6255653005986);
    ASSERT_TRUE(sender.send_dump(doc, "twelve"));
    take_sent();
    // No room: refused, and the same keys go out once there is room again.
    record->refuse_sends = true;
    doc.curve_actions().set_base_frequency(263.0f);
    const Result<int32_t> full = sender.follow(doc);
    ASSERT_FALSE(full);
    EXPECT_THAT(full.error().reason, HasSubstr("no room"));
    record->refuse_sends = false;
    EXPECT_EQ(*sender.follow(doc), 128);
    // A table that is no tuning any more: refused; the synthesizer keeps what it holds, and
    // a table back to the same tuning sends nothing.
    set_scale({1.0f}, 263.0);
    EXPECT_FALSE(sender.follow(doc));
    set_scale(twelve_equal(), 263.0);
    take_sent();
    EXPECT_EQ(*sender.follow(doc), 0);
    EXPECT_TRUE(take_sent().empty());

    sender.forget();
    doc.curve_actions().set_base_frequency(264.0f);
    EXPECT_EQ(*sender.follow(doc), 0) << "a destination that holds nothing known";
    EXPECT_TRUE(take_sent().empty());
}

}  // namespace
}  // namespace kelvara
