// The chord map value: free keys from middle C, sorted rows, rekey and replace, parts that
// disagree, note names, and the snapshot the MIDI thread reads.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>

#include "scales/chord_map.h"
#include "scales/midi_key_name.h"

namespace kelvara {
namespace {

using ::testing::ElementsAre;

ChordMap map_with_keys(std::initializer_list<int32_t> keys) {
    std::vector<int32_t> listed(keys);
    ChordDictionary chords;
    for (int32_t key : keys) chords[key] = Chord{static_cast<float>(100 + key)};
    return ChordMap::from_parts(listed, chords).value();
}

TEST(ChordMapEdits, NewKeysStartAtMiddleCAndGoBelowItOnlyWhenTheTopIsFull) {
    std::vector<int32_t> top;
    ChordDictionary chords;
    for (int32_t key = 60; key < 128; ++key) top.push_back(key), chords[key] = Chord{};
    const ChordMap full_top = ChordMap::from_parts(top, chords).value();
    const struct {
        ChordMap map;
        std::optional<int32_t> free;
    } cases[] = {
        {ChordMap{}, 60},
        {map_with_keys({0, 1, 60, 61, 63}), 62},
        {full_top, 59},
    };
    for (const auto& c : cases) EXPECT_EQ(c.map.free_key(), c.free) << c.map.size();

    ChordMap map = full_top;
    for (int32_t key = 59; key >= 0; --key) ASSERT_TRUE(map.add_at_free_key(Chord{}));
    EXPECT_EQ(map.free_key(), std::nullopt);
    EXPECT_FALSE(map.add_at_free_key(Chord{}));
    EXPECT_TRUE(std::is_sorted(map.midi_note_numbers().begin(), map.midi_note_numbers().end()));
    EXPECT_EQ(map.midi_note_numbers().front(), 0);
}

TEST(ChordMapEdits, RekeyMovesTheChordToItsSortedRow) {
    ChordMap map = map_with_keys({0, 1, 2});
    EXPECT_FALSE(map.rekey_row(2, 0)) << "mapped elsewhere";
    EXPECT_FALSE(map.rekey_row(2, 2)) << "its own key";
    EXPECT_FALSE(map.rekey_row(3, 50)) << "no such row";
    EXPECT_EQ(map, map_with_keys({0, 1, 2}));

    EXPECT_TRUE(map.rekey_row(2, 64));
    EXPECT_THAT(map.midi_note_numbers(), ElementsAre(0, 1, 64));
    EXPECT_EQ(*map.chord_for_key(64), Chord{102.0f});
    EXPECT_EQ(map.chord_for_key(2), nullptr);
    EXPECT_EQ(map.free_key(), 60);

    EXPECT_TRUE(map.replace_chord_at_row(0, Chord{}));
    EXPECT_EQ(*map.chord_for_key(0), Chord{}) << "an empty chord is a chord";
    EXPECT_FALSE(map.replace_chord_at_row(3, Chord{1.0f}));
    EXPECT_FALSE(map.remove_row(3));
}

TEST(ChordMapEdits, PartsThatDisagreeAreRefused) {
    // A key listed twice, a listed key without a chord, a chord of no listed key.
    for (const auto& [keys, chords] : std::vector<std::pair<std::vector<int32_t>, ChordDictionary>>{
             {{1, 1}, {{1, {}}}}, {{1, 2}, {{1, {}}}}, {{1}, {{1, {}}, {2, {}}}}, {{1}, {{2, {}}}}})
        EXPECT_FALSE(ChordMap::from_parts(keys, chords)) << keys.size() << " " << chords.size();
    EXPECT_TRUE(ChordMap::from_parts({}, {}));
    EXPECT_THAT(
        ChordMap::from_parts({7, -3, 500}, {{7, {}}, {-3, {}}, {500, {}}})->midi_note_numbers(),
        ElementsAre(-3, 7, 500));
}

TEST(MidiKeyNames, MiddleCIsC4AndBlackKeysAreSharps) {
    const struct {
        int32_t key;
        const char* name;
    } cases[] = {{0, "C-1"}, {59, "B3"}, {60, "C4"}, {61, "C\u266F4"}, {127, "G9"}, {128, ""}};
    for (const auto& c : cases) EXPECT_EQ(midi_key_name(c.key), c.name) << c.key;
}

TEST(PublishedChordMapTest, AHeldChordOutlivesLaterEdits) {
    PublishedChordMap published;
    EXPECT_EQ(published.chord_for_key(0), nullptr);
    EXPECT_TRUE(published.snapshot()->empty());

    ChordMap map;
    map.add_at_free_key(Chord{220.0f, 330.0f});
    published.publish(map);
    const std::shared_ptr<const Chord> held = published.chord_for_key(60);
    const std::shared_ptr<const ChordMap> before = published.snapshot();

    map.replace_chord_at_row(0, Chord{1.0f});
    published.publish(map);
    published.publish(ChordMap{});
    ASSERT_NE(held, nullptr);
    EXPECT_EQ(*held, (Chord{220.0f, 330.0f}));
    EXPECT_EQ(before->size(), 1u);
    EXPECT_EQ(published.chord_for_key(60), nullptr);
}

}  // namespace
}  // namespace kelvara
