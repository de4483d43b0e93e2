// The chord-map actions of a document: free keys, add/copy/delete, loading a map, and
// publishing every edit to the MIDI side.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "document/document.h"
#include "scales/chord_map.h"
#include "support/document_in_recording_window.h"

namespace kelvara {
namespace {

using ::testing::ElementsAre;

ChordMap map_with_keys(std::initializer_list<int32_t> keys) {
    ChordDictionary chords;
    for (int32_t key : keys) chords[key] = Chord{static_cast<float>(100 + key)};
    return ChordMap::from_parts(std::vector<int32_t>(keys), chords).value();
}

class ChordActionsTest : public testing::DocumentInRecordingWindow {
protected:
    const std::vector<int32_t>& keys() const { return doc.chords().map().midi_note_numbers(); }
    // What the MIDI thread would play is what the table shows.
    void expect_published() const {
        EXPECT_EQ(*doc.chords().published().snapshot(), doc.chords().map());
    }
};

TEST_F(ChordActionsTest, AddTakesTheFirstFreeKeyFromMiddleCWithA110HzChord) {
    doc.table_actions().chord_action(ChordAction::AddAtFreeKey);
    doc.table_actions().chord_action(ChordAction::AddAtFreeKey);
    EXPECT_THAT(keys(), ElementsAre(60, 61));
    EXPECT_EQ(testing::published_chord(doc, 61), Chord{110.0f});

    testing::replace_chord_map(doc, map_with_keys({63, 60, 0, 61}));
    doc.table_actions().chord_action(ChordAction::AddAtFreeKey);
    EXPECT_THAT(keys(), ElementsAre(0, 60, 61, 62, 63)) << "at its sorted row";
    expect_published();
    // With every key taken: value_rules_test.cpp; a key typed into a row:
    // table_data_source_test.cpp.
}

TEST_F(ChordActionsTest, CopyFreezesTheFixedTonesInHertz) {
    doc.curve_actions().set_base_frequency(220.0f);
    ASSERT_TRUE(doc.table_actions().set_fixed_tones(std::vector<float>{1.0f, 1.25f, 1.5f}));
    doc.table_actions().chord_action(ChordAction::CopyFixedTones);
    EXPECT_EQ(testing::published_chord(doc, 60), (Chord{220.0f, 275.0f, 330.0f}));
    doc.curve_actions().set_base_frequency(300.0f);
    EXPECT_EQ(testing::published_chord(doc, 60), (Chord{220.0f, 275.0f, 330.0f}));
    // (With no fixed tones to copy: value_rules_test.cpp.)
}

// A triad of the surface: its chord in hertz, or its two tones beside the fixed tones,
// refused whole when the fixed tones would overflow.
TEST_F(ChordActionsTest, ATriadGoesToTheChordMapOrItsNewTonesToTheFixedTones) {
    doc.curve_actions().set_base_frequency(220.0f);
    ASSERT_TRUE(doc.table_actions().triad_to_chord_map(1.25, 1.5));
    EXPECT_EQ(testing::published_chord(doc, 60), (Chord{220.0f, 275.0f, 330.0f}));

    ASSERT_TRUE(doc.table_actions().set_fixed_tones(std::vector<float>{1.0f, 1.5f}));
    ASSERT_TRUE(doc.table_actions().triad_to_fixed_tones(1.25, 1.5));
    EXPECT_THAT(doc.tables().fixed_tones(), ElementsAre(1.0f, 1.5f, 1.25f)) << "1.5 once";

    const std::vector<float> nine{1.0f, 1.1f, 1.2f, 1.3f, 1.4f, 1.5f, 1.6f, 1.7f, 1.8f};
    ASSERT_TRUE(doc.table_actions().set_fixed_tones(nine));
    EXPECT_FALSE(doc.table_actions().triad_to_fixed_tones(1.25, 1.75));
    EXPECT_EQ(doc.tables().fixed_tones(), nine);
    EXPECT_EQ(controls.beeps, 1);
}

TEST_F(ChordActionsTest, DeleteRemovesTheSelectedRowAndFreesItsKeyOrBeeps) {
    testing::replace_chord_map(doc, map_with_keys({5, 60, 9}));
    controls.selected_rows[DocumentTable::MappedChords] = 2;
    doc.table_actions().chord_action(ChordAction::DeleteSelected);
    EXPECT_THAT(keys(), ElementsAre(5, 9));
    EXPECT_EQ(doc.chords().chord_for_key(60), nullptr);
    doc.table_actions().chord_action(ChordAction::AddAtFreeKey);
    EXPECT_THAT(keys(), ElementsAre(5, 9, 60));
    expect_published();
}

// A chord typed in the root form is stored as its frequencies and shown as typed; the text
// follows its row, is saved under a key of its own and is dropped when the chord changes.
TEST_F(ChordActionsTest, ARootFormIsKeptWithItsChordThroughEditsAndFiles) {
    doc.table_actions().chord_action(ChordAction::AddAtFreeKey);
    const auto edit = [this](const CellValue& value) {
        doc.table_actions().edit_cell(DocumentTable::MappedChords, TableColumn::ChordString, 0,
                                      value);
    };
    edit(TypedChord{{220.0f, 275.0f}, "220 @ 1 5/4"});
    doc.table_actions().edit_cell(DocumentTable::MappedChords, TableColumn::MidiNote, 0,
                                  int32_t{7});
    EXPECT_EQ(testing::published_chord(doc, 7), (Chord{220.0f, 275.0f}));
    EXPECT_EQ(doc.chords().root_form_at_row(0), "220 @ 1 5/4");
    const Result<DocumentFileState> read =
        decode_document_state(encode_document_state(doc.state()));
    ASSERT_TRUE(read);
    EXPECT_EQ(read->chords.at(7), (Chord{220.0f, 275.0f}));
    EXPECT_EQ(read->chord_root_forms, (std::map<int32_t, std::string>{{7, "220 @ 1 5/4"}}));
    // A text that no longer gives its chord (another program changed it) is left out.
    DocumentFileState changed = *read;
    changed.chords[7] = {221.0f};
    ASSERT_TRUE(doc.apply_state(changed).ok());
    EXPECT_EQ(doc.chords().root_form_at_row(0), "");
    ASSERT_TRUE(doc.apply_state(*read).ok());
    edit(Chord{220.0f, 275.0f});  // the same tones typed as frequencies
    EXPECT_EQ(doc.chords().root_form_at_row(0), "");
    doc.history().update_change_count(ChangeKind::Undone);
    EXPECT_EQ(doc.chords().root_form_at_row(0), "220 @ 1 5/4");
}

}  // namespace
}  // namespace kelvara
