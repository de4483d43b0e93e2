// The chord-map actions of a document: free keys, add/copy/delete with their follow-up,
// cell edits, loading a map, and publishing every edit to the MIDI side.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "document/document.h"
#include "scales/chord_map.h"
#include "support/document_in_recording_window.h"

namespace kelvara {
namespace {

using ::testing::ElementsAre;

ChordMap map_with_keys(std::initializer_list<int32_t> keys) {
    ChordMap map;
    std::vector<int32_t> listed(keys);
    ChordDictionary chords;
    for (int32_t key : keys) chords[key] = Chord{static_cast<float>(100 + key)};
    return ChordMap::from_parts(listed, chords).value();
}

class ChordActionsTest : public testing::DocumentInRecordingWindow {
protected:
    const std::vector<int32_t>& keys() const { return doc.chords().map().midi_note_numbers(); }
    // The whole map as a document file holds it.
    void replace_chord_map(const ChordMap& map) {
        DocumentFileState state = doc.state();
        state.midi_note_numbers = map.midi_note_numbers();
        state.chords = map.chords();
        ASSERT_TRUE(doc.apply_state(state).ok());
    }
};

TEST_F(ChordActionsTest, AddTakesTheLowestFreeKeyWithA110HzChord) {
    doc.chord_action(ChordAction::AddAtFreeKey);
    doc.chord_action(ChordAction::AddAtFreeKey);
    EXPECT_THAT(keys(), ElementsAre(0, 1));
    EXPECT_EQ(*doc.chords().map().chord_for_key(1), Chord{110.0f});

    replace_chord_map(map_with_keys({0, 1, 3}));
    doc.chord_action(ChordAction::AddAtFreeKey);
    EXPECT_THAT(keys(), ElementsAre(0, 1, 3, 2)) << "appended, never sorted";
}

TEST_F(ChordActionsTest, EveryAcceptedActionMarksChangedAndReloadsOnlyTheChordTable) {
    for (const ChordAction action :
         {ChordAction::AddAtFreeKey, ChordAction::CopyFixedTones, ChordAction::DeleteSelected}) {
        doc.update_change_count(ChangeKind::Cleared);
        controls.clear();
        view.clear();
        doc.chord_action(action);
        if (action == ChordAction::DeleteSelected) {
            EXPECT_THAT(controls.names(), ElementsAre("beep")) << "refused: nothing changed";
            continue;
        }
        EXPECT_THAT(controls.names(), ElementsAre("show_edited", "reload_table")) << int(action);
        EXPECT_EQ(controls.named("reload_table").back(), "reload_table chords");
        EXPECT_TRUE(view.calls.empty()) << "the chord map does not enter the curve";
    }
    EXPECT_EQ(controls.beeps, 1) << "delete with nothing selected";
}

TEST_F(ChordActionsTest, CopyFreezesTheFixedTonesInHertz) {
    doc.set_base_frequency(220.0f);
    ASSERT_TRUE(doc.set_fixed_tones(std::vector<float>{1.0f, 1.25f, 1.5f}));
    doc.chord_action(ChordAction::AddAtFreeKey);
    doc.chord_action(ChordAction::CopyFixedTones);
    EXPECT_THAT(keys(), ElementsAre(0, 1));
    EXPECT_EQ(*doc.chords().map().chord_for_key(1), (Chord{220.0f, 275.0f, 330.0f}));

    doc.set_base_frequency(300.0f);
    EXPECT_EQ(*doc.chords().map().chord_for_key(1), (Chord{220.0f, 275.0f, 330.0f}));

    // The product is formed in 64 bits before it is narrowed.
    doc.set_base_frequency(441.3f);
    ASSERT_TRUE(doc.set_fixed_tones(std::vector<float>{1.1f}));
    doc.chord_action(ChordAction::CopyFixedTones);
    EXPECT_EQ(doc.chords().map().chord_for_key(2)->front(),
              static_cast<float>(static_cast<double>(441.3f) * static_cast<double>(1.1f)));

    ASSERT_TRUE(doc.set_fixed_tones({}));
    doc.chord_action(ChordAction::CopyFixedTones);
    EXPECT_EQ(keys().size(), 3u) << "no fixed tones: nothing copied";
}

TEST_F(ChordActionsTest, ANewDocumentCopiesTheChord440) {
    Document fresh;
    fresh.chord_action(ChordAction::CopyFixedTones);
    EXPECT_EQ(*fresh.chords().map().chord_for_key(0), Chord{440.0f});
}

TEST_F(ChordActionsTest, WithAllKeysTakenAddAndCopyChangeNothingAndBeep) {
    for (int i = 0; i < kMidiKeyCount; ++i) doc.chord_action(ChordAction::AddAtFreeKey);
    ASSERT_EQ(keys().size(), 128u);
    const ChordMap full = doc.chords().map();
    doc.update_change_count(ChangeKind::Cleared);
    controls.clear();
    doc.chord_action(ChordAction::AddAtFreeKey);
    doc.chord_action(ChordAction::CopyFixedTones);
    EXPECT_EQ(doc.chords().map(), full);
    EXPECT_EQ(controls.beeps, 2);
    EXPECT_FALSE(doc.is_edited());
}

TEST_F(ChordActionsTest, DeleteRemovesTheSelectedRowAndFreesItsKey) {
    replace_chord_map(map_with_keys({5, 0, 9}));
    controls.selected_rows[DocumentTable::MappedChords] = 1;
    doc.chord_action(ChordAction::DeleteSelected);
    EXPECT_THAT(keys(), ElementsAre(5, 9));
    EXPECT_EQ(doc.chords().map().chord_for_key(0), nullptr);
    EXPECT_EQ(doc.chord_for_key(0), nullptr);
    doc.chord_action(ChordAction::AddAtFreeKey);
    EXPECT_THAT(keys(), ElementsAre(5, 9, 0));

    // Nothing selected, or a row past the end: the beep, the map as it was, unchanged.
    controls.selected_rows[DocumentTable::MappedChords] = 3;
    doc.update_change_count(ChangeKind::Cleared);
    doc.chord_action(ChordAction::DeleteSelected);
    EXPECT_THAT(keys(), ElementsAre(5, 9, 0));
    EXPECT_EQ(controls.beeps, 1);
    EXPECT_FALSE(doc.is_edited());
}

TEST_F(ChordActionsTest, TheDocumentPublishesEveryEditToTheMidiSide) {
    doc.chord_action(ChordAction::AddAtFreeKey);
    EXPECT_EQ(*doc.chord_for_key(0), Chord{110.0f});
    doc.edit_cell(DocumentTable::MappedChords, TableColumn::ChordString, 0, Chord{55.0f});
    EXPECT_EQ(*doc.chord_for_key(0), Chord{55.0f});
    replace_chord_map(map_with_keys({60}));
    EXPECT_EQ(doc.chord_for_key(0), nullptr);
    EXPECT_EQ(*doc.published_chord_map().snapshot(), doc.chords().map());
}

}  // namespace
}  // namespace kelvara
