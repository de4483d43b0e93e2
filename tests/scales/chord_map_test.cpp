// The chord map: free keys, the add/copy/delete actions with their follow-up, rekey and
// replace, loading a map, and the snapshot the MIDI thread reads.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <type_traits>

#include "document/document.h"
#include "scales/chord_map.h"
#include "support/document_in_recording_window.h"

namespace kelvara {
namespace {

using ::testing::ElementsAre;

static_assert(std::is_copy_constructible_v<ChordMap> && std::is_move_constructible_v<ChordMap>);

ChordMap map_with_keys(std::initializer_list<int32_t> keys) {
    ChordMap map;
    std::vector<int32_t> listed(keys);
    ChordDictionary chords;
    for (int32_t key : keys) chords[key] = Chord{static_cast<float>(100 + key)};
    return ChordMap::from_parts(listed, chords).value();
}

class ChordActionsTest : public testing::DocumentInRecordingWindow {
protected:
    const std::vector<int32_t>& keys() const { return doc.chord_map().midi_note_numbers(); }
};

TEST_F(ChordActionsTest, AddTakesTheLowestFreeKeyWithA110HzChord) {
    doc.chordAddDelete(kChordAdd);
    doc.chordAddDelete(kChordAdd);
    EXPECT_THAT(keys(), ElementsAre(0, 1));
    EXPECT_EQ(*doc.chord_map().chord_for_key(1), Chord{110.0f});

    doc.replace_chord_map(map_with_keys({0, 1, 3}));
    doc.chordAddDelete(kChordAdd);
    EXPECT_THAT(keys(), ElementsAre(0, 1, 3, 2)) << "appended, never sorted";
}

TEST_F(ChordActionsTest, EveryActionMarksChangedAndReloadsOnlyTheChordTable) {
    for (int32_t tag : {kChordAdd, kChordCopyFixedTones, kChordDeleteSelected, 7}) {
        doc.updateChangeCount(ChangeKind::Cleared);
        controls.clear();
        view.clear();
        doc.chordAddDelete(tag);
        std::vector<std::string> names = controls.names();
        std::erase(names, "beep");
        EXPECT_THAT(names, ElementsAre("document_edited_changed", "reload_table")) << tag;
        EXPECT_EQ(controls.named("reload_table").back(), "reload_table chords");
        EXPECT_TRUE(view.calls.empty()) << "the chord map does not enter the curve";
    }
    EXPECT_EQ(controls.beeps, 1) << "delete with nothing selected";
}

TEST_F(ChordActionsTest, CopyFreezesTheFixedTonesInHertz) {
    doc.baseFrequencyEdited(220.0f);
    ASSERT_TRUE(doc.set_dissonance_ratios(std::vector<float>{1.0f, 1.25f, 1.5f}));
    doc.chordAddDelete(kChordAdd);
    doc.chordAddDelete(kChordCopyFixedTones);
    EXPECT_THAT(keys(), ElementsAre(0, 1));
    EXPECT_EQ(*doc.chord_map().chord_for_key(1), (Chord{220.0f, 275.0f, 330.0f}));

    doc.baseFrequencyEdited(300.0f);
    EXPECT_EQ(*doc.chord_map().chord_for_key(1), (Chord{220.0f, 275.0f, 330.0f}));

    // The product is formed in 64 bits before it is narrowed.
    doc.baseFrequencyEdited(441.3f);
    ASSERT_TRUE(doc.set_dissonance_ratios(std::vector<float>{1.1f}));
    doc.chordAddDelete(kChordCopyFixedTones);
    EXPECT_EQ(doc.chord_map().chord_for_key(2)->front(),
              static_cast<float>(static_cast<double>(441.3f) * static_cast<double>(1.1f)));

    ASSERT_TRUE(doc.set_dissonance_ratios({}));
    doc.chordAddDelete(kChordCopyFixedTones);
    EXPECT_EQ(keys().size(), 3u) << "no fixed tones: nothing copied";
}

TEST_F(ChordActionsTest, ANewDocumentCopiesTheChord440) {
    KelvaraDocument fresh;
    fresh.chordAddDelete(kChordCopyFixedTones);
    EXPECT_EQ(*fresh.chord_map().chord_for_key(0), Chord{440.0f});
}

TEST_F(ChordActionsTest, WithAllKeysTakenAddAndCopyChangeNothingSilently) {
    for (int i = 0; i < kMidiKeyCount; ++i) doc.chordAddDelete(kChordAdd);
    ASSERT_EQ(keys().size(), 128u);
    const ChordMap full = doc.chord_map();
    doc.updateChangeCount(ChangeKind::Cleared);
    controls.clear();
    doc.chordAddDelete(kChordAdd);
    doc.chordAddDelete(kChordCopyFixedTones);
    EXPECT_EQ(doc.chord_map(), full);
    EXPECT_EQ(controls.beeps, 0);
    EXPECT_TRUE(doc.isDocumentEdited());
}

TEST_F(ChordActionsTest, DeleteRemovesTheSelectedRowAndFreesItsKey) {
    doc.replace_chord_map(map_with_keys({5, 0, 9}));
    controls.selected_rows[DocumentTable::MappedChords] = 1;
    doc.chordAddDelete(kChordDeleteSelected);
    EXPECT_THAT(keys(), ElementsAre(5, 9));
    EXPECT_EQ(doc.chord_map().chord_for_key(0), nullptr);
    EXPECT_EQ(doc.chord_for_key(0), nullptr);
    doc.chordAddDelete(kChordAdd);
    EXPECT_THAT(keys(), ElementsAre(5, 9, 0));

    // Nothing selected, or a row past the end: the beep, the map as it was, still changed.
    controls.selected_rows[DocumentTable::MappedChords] = 3;
    doc.updateChangeCount(ChangeKind::Cleared);
    doc.chordAddDelete(kChordDeleteSelected);
    EXPECT_THAT(keys(), ElementsAre(5, 9, 0));
    EXPECT_EQ(controls.beeps, 1);
    EXPECT_TRUE(doc.isDocumentEdited());
}

TEST(ChordMapEdits, RekeyMovesTheChordAndKeepsTheRow) {
    ChordMap map = map_with_keys({0, 1, 2});
    EXPECT_FALSE(map.rekey_row(2, 0)) << "mapped elsewhere";
    EXPECT_FALSE(map.rekey_row(2, 2)) << "its own key";
    EXPECT_FALSE(map.rekey_row(3, 50)) << "no such row";
    EXPECT_EQ(map, map_with_keys({0, 1, 2}));

    EXPECT_TRUE(map.rekey_row(2, 64));
    EXPECT_THAT(map.midi_note_numbers(), ElementsAre(0, 1, 64));
    EXPECT_EQ(*map.chord_for_key(64), Chord{102.0f});
    EXPECT_EQ(map.chord_for_key(2), nullptr);
    EXPECT_EQ(map.free_key(), 2);

    EXPECT_TRUE(map.replace_chord_at_row(0, Chord{}));
    EXPECT_EQ(*map.chord_for_key(0), Chord{}) << "an empty chord is a chord";
    EXPECT_FALSE(map.replace_chord_at_row(3, Chord{1.0f}));
    EXPECT_FALSE(map.remove_row(3));
}

TEST(ChordMapEdits, PartsThatDisagreeAreRefused) {
    EXPECT_FALSE(ChordMap::from_parts({1, 1}, {{1, {}}}).has_value());
    EXPECT_FALSE(ChordMap::from_parts({1, 2}, {{1, {}}}).has_value());
    EXPECT_FALSE(ChordMap::from_parts({1}, {{1, {}}, {2, {}}}).has_value());
    EXPECT_FALSE(ChordMap::from_parts({1}, {{2, {}}}).has_value());
    EXPECT_TRUE(ChordMap::from_parts({}, {}).has_value());
    EXPECT_THAT(
        ChordMap::from_parts({7, -3, 500}, {{7, {}}, {-3, {}}, {500, {}}})->midi_note_numbers(),
        ElementsAre(7, -3, 500));
}

TEST(PublishedChordMapTest, AHeldChordOutlivesLaterEdits) {
    PublishedChordMap published;
    EXPECT_EQ(published.chord_for_key(0), nullptr);
    EXPECT_TRUE(published.snapshot()->empty());

    ChordMap map;
    map.add_at_free_key(Chord{220.0f, 330.0f});
    published.publish(map);
    const std::shared_ptr<const Chord> held = published.chord_for_key(0);
    const std::shared_ptr<const ChordMap> before = published.snapshot();

    map.replace_chord_at_row(0, Chord{1.0f});
    published.publish(map);
    published.publish(ChordMap{});
    ASSERT_NE(held, nullptr);
    EXPECT_EQ(*held, (Chord{220.0f, 330.0f}));
    EXPECT_EQ(before->size(), 1u);
    EXPECT_EQ(published.chord_for_key(0), nullptr);
}

TEST_F(ChordActionsTest, TheDocumentPublishesEveryEditToTheMidiSide) {
    doc.chordAddDelete(kChordAdd);
    EXPECT_EQ(*doc.chord_for_key(0), Chord{110.0f});
    doc.tableView_setObjectValue_forTableColumn_row(DocumentTable::MappedChords, Chord{55.0f},
                                                    TableColumn::ChordString, 0);
    EXPECT_EQ(*doc.chord_for_key(0), Chord{55.0f});
    doc.replace_chord_map(map_with_keys({60}));
    EXPECT_EQ(doc.chord_for_key(0), nullptr);
    EXPECT_EQ(*doc.published_chord_map().snapshot(), doc.chord_map());
}

}  // namespace
}  // namespace kelvara
