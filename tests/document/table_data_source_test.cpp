// The document as the data source of its tables: shown values, cents both ways, and each
// edit and what it leaves shown. (The cursor line following the selection: the window's
// tests.)
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <variant>

#include "document/document.h"
#include "scales/ratio_list.h"
#include "support/document_in_recording_window.h"

namespace kelvara {
namespace {

using ::testing::ElementsAre;

class TableDataSourceTest : public testing::DocumentInRecordingWindow {
protected:
    std::optional<CellValue> cell(DocumentTable table, TableColumn column, int32_t row) {
        return doc.cell_value(table, column, row);
    }
    void edit(DocumentTable table, TableColumn column, int32_t row, CellValue value) {
        doc.table_actions().edit_cell(table, column, row, value);
    }
};

TEST_F(TableDataSourceTest, EveryChangingEditMarksTheDocumentAndRedraws) {
    replace_scale_ratios({1.0f});
    doc.table_actions().chord_action(ChordAction::AddAtFreeKey);
    struct Case {
        DocumentTable table;
        TableColumn column;
        int32_t row;
        CellValue value;
        bool edited;
    };
    const std::vector<Case> cases{
        {DocumentTable::ScaleRatios, TableColumn::Ratios, 0, 1.5f, true},
        {DocumentTable::FixedTones, TableColumn::Other, 0, 1.25f, true},
        {DocumentTable::MappedChords, TableColumn::MidiNote, 0, int32_t{5}, true},
        {DocumentTable::MappedChords, TableColumn::ChordString, 0, Chord{220.0f}, true},
        // The value stored already, or a row that does not exist: no edit, no undo step.
        {DocumentTable::FixedTones, TableColumn::Other, 0, 1.25f, false},
        {DocumentTable::FixedTones, TableColumn::Other, 5, 2.0f, false},
    };
    for (const Case& c : cases) {
        doc.history().update_change_count(ChangeKind::Cleared);
        view.number_of_points = -1;
        const bool could_undo = doc.history().can_undo();
        edit(c.table, c.column, c.row, c.value);
        SCOPED_TRACE(static_cast<int>(c.table) * 10 + static_cast<int>(c.column));
        EXPECT_EQ(doc.is_edited(), c.edited);
        if (c.edited)
            expect_view_shows_document();
        else
            EXPECT_EQ(doc.history().can_undo(), could_undo);
    }
    EXPECT_THAT(doc.tables().fixed_tones(), ElementsAre(1.25f));
}

TEST_F(TableDataSourceTest, ChordCellsShowAndEditTheMap) {
    doc.table_actions().chord_action(ChordAction::AddAtFreeKey);
    doc.table_actions().chord_action(ChordAction::AddAtFreeKey);

    edit(DocumentTable::MappedChords, TableColumn::ChordString, 1, Chord{220.0f, 330.0f});
    edit(DocumentTable::MappedChords, TableColumn::MidiNote, 1, int32_t{30});
    EXPECT_THAT(doc.chords().map().midi_note_numbers(), ElementsAre(30, 60)) << "moved up a row";
    EXPECT_EQ(testing::published_chord(doc, 30), (Chord{220.0f, 330.0f}))
        << "published to the MIDI side";
    EXPECT_EQ(doc.chords().chord_for_key(61), nullptr);

    // Rekeying to a mapped key, or outside 0..127, leaves the row showing its old number and
    // chord; a float cell is read as an integer.
    edit(DocumentTable::MappedChords, TableColumn::MidiNote, 0, int32_t{60});
    edit(DocumentTable::MappedChords, TableColumn::MidiNote, 0, 200.7f);
    EXPECT_EQ(std::get<int32_t>(*cell(DocumentTable::MappedChords, TableColumn::MidiNote, 0)), 30);
    EXPECT_EQ(testing::published_chord(doc, 30), (Chord{220.0f, 330.0f}));
    EXPECT_EQ(controls.beeps, 2);
    edit(DocumentTable::MappedChords, TableColumn::MidiNote, 0, 100.7f);
    EXPECT_THAT(doc.chords().map().midi_note_numbers(), ElementsAre(60, 100));
}

}  // namespace
}  // namespace kelvara
