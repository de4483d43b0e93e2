// The scale table through tuning files and onto the keys: a table exported and imported again
// is the same floats; an import replaces or adds, sets the base from a keyboard mapping and
// refuses what the table cannot hold; the keyboard map fills keys step by step, keeps the
// keys it does not fill, and is taken back whole by Undo.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "document/document.h"
#include "persistence/document_file.h"
#include "persistence/keyboard_mapping_file.h"
#include "scales/ratio_list.h"
#include "scales/scale_generator.h"
#include "support/document_in_recording_window.h"

namespace kelvara {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

class TuningActionsTest : public testing::DocumentInRecordingWindow {
protected:
    TuningActionsTest() {
        doc.curve_actions().set_number_of_overtones(2);  // keeps the resamplings quick
        doc.curve_actions().set_bound(BoundField::XMax, 4.0f);
    }
    const std::vector<float>& scale() const { return doc.tables().scale_ratios(); }
    // The scale file of this document's table, read back.
    ScalaScale exported(const TuningChoice& choice = {}) {
        const Result<ScaleTuning> tuning = doc.scale_tuning(choice, "round trip");
        EXPECT_TRUE(tuning);
        EXPECT_EQ(tuning->entries_not_repeating, 0);
        const Result<ScalaScale> read = read_scala_scale(scale_file_text(*tuning));
        EXPECT_TRUE(read) << read.error().located_detail();
        return *read;
    }
};

// A scale file imported, saved with the document, opened again and exported writes its own
// description and pitch lines: 19 equal steps in cents stay those cents, a just scale stays
// fractions.
TEST_F(TuningActionsTest, AScaleFileComesBackAsWrittenThroughSaveAndOpen) {
    std::string nineteen = "19 equal steps of the octave\n 19\n!\n";
    for (int step = 1; step <= 19; ++step) {
        char line[32];
        std::snprintf(line, sizeof line, " %.5f\n", step * 1200.0 / 19.0);
        nineteen += line;
    }
    const std::string just =
        "Ptolemy's intense diatonic\n 7\n!\n 9/8\n 5/4\n 4/3\n 3/2\n 5/3\n 15/8\n 2/1\n";
    for (const std::string& file : {nineteen, just}) {
        ASSERT_TRUE(
            doc.tuning_actions().import_scale(*read_scala_scale(file), ScaleImportMode::Replace));
        Document opened;
        ASSERT_TRUE(opened.apply_state(*decode_document_state(encode_document_state(doc.state()))));
        const Result<ScaleTuning> tuning = opened.scale_tuning({}, "document name");
        ASSERT_TRUE(tuning);
        const std::string written = scale_file_text(*tuning);
        EXPECT_EQ(written.substr(written.find('\n') + 1), file);
    }
    EXPECT_EQ(doc.tables().scale_ratio_text(1), "9/8");
    EXPECT_EQ(doc.tables().scale_ratio_text(8), "9/4");  // a period up, still a fraction
}

TEST_F(TuningActionsTest, ATableExportedAndImportedIsTheSameFloats) {
    // 12 equal over 1..4, and a table of the hardest floats to write out and read back.
    std::vector<std::vector<float>> tables{*generate_scale_values(12, 2.0)};
    // Random ratios and fractions up to /128 in one octave, and the same one octave up.
    std::mt19937 random(1616);
    std::uniform_real_distribution<float> ratio(1.0f, 2.0f);
    std::vector<float> octave = {1.0f};
    for (int i = 0; i < 300; ++i) octave.push_back(ratio(random));
    for (int q = 2; q <= 128; ++q) octave.push_back(static_cast<float>((q + 1.0) / q));
    std::vector<float> random_table = octave;
    for (const float value : octave) random_table.push_back(2.0f * value);
    random_table.push_back(4.0f);
    tables.push_back(random_table);

    for (std::vector<float> table : tables) {
        sort_ratios(table);
        table.erase(std::unique(table.begin(), table.end()), table.end());
        replace_scale_ratios(table);
        const ScalaScale file = exported();
        ASSERT_TRUE(doc.tuning_actions().import_scale(file, ScaleImportMode::Replace));
        EXPECT_EQ(scale(), table) << table.size();
    }
}

TEST_F(TuningActionsTest, WritesExactFractionsAsRatiosAndOtherFloatsAsCents) {
    replace_scale_ratios({1.0f, static_cast<float>(std::exp2(1.0 / 3.0)), 1.5f, 2.0f});
    const Result<ScaleTuning> tuning = doc.scale_tuning({}, "Tempered third, just fifth");
    EXPECT_EQ(scale_file_text(*tuning),
              "! Scale written by Kelvara\nTempered third, just fifth\n 3\n!\n 400.00003\n"
              " 3/2\n 2/1\n");
    // (The keyboard mapping written beside it: kelvara-cli's scl export --kbm and import.)
}

// A table that holds two scales: the chosen rows alone form the period, whatever else the
// table holds.
TEST_F(TuningActionsTest, TheChosenRowsAloneFormOnePeriod) {
    std::vector<float> twelve = *generate_scale_values(12, 2.0);
    twelve.resize(13);  // one octave, 1/1 to 2/1
    std::vector<float> table = twelve;
    const std::vector<float> nineteen = *generate_scale_values(19, 2.0);
    for (const float ratio : nineteen)
        if (ratio <= 2.0f) table.push_back(ratio);
    sort_ratios(table);
    table.erase(std::unique(table.begin(), table.end()), table.end());
    std::vector<int32_t> twelve_rows;
    for (const float ratio : twelve)
        twelve_rows.push_back(
            int32_t(std::find(table.begin(), table.end(), ratio) - table.begin()));
    replace_scale_ratios(table);
    TuningChoice choice;
    choice.rows = twelve_rows;
    EXPECT_EQ(exported(choice).pitches.size(), 12u);
    EXPECT_EQ(exported().pitches.size(), 12u + 18u) << "the whole table: both scales";
    // (Rows as typed, and a row past the table refused: kelvara-cli's scl export --rows.)
    EXPECT_EQ(table_rows_from_text("1-3, 5"), (std::vector<int32_t>{0, 1, 2, 4}));
    EXPECT_EQ(table_rows_from_text("3-1"), std::nullopt);
}

TEST_F(TuningActionsTest, ImportAddsOnlyNewValuesAndTakesTheBaseFromAMapping) {
    replace_scale_ratios({1.0f, 1.25f, 3.0f});
    const ScalaScale fifths = *read_scala_scale("fifth and octave\n2\n3/2\n2\n");
    ASSERT_TRUE(doc.tuning_actions().import_scale(fifths, ScaleImportMode::Add));
    EXPECT_THAT(scale(), ElementsAre(1.0f, 1.25f, 1.5f, 2.0f, 3.0f, 4.0f));
    EXPECT_EQ(doc.history().undo_name(), EditName::ImportScale);

    // A mapping's reference key other than 60: the 1/1 on key 60 is what the mapping gives it.
    const Result<KeyboardMapping> a440 =
        read_keyboard_mapping_file(KELVARA_PERSISTENCE_DATA "/scala/linear_a440.kbm");
    ASSERT_TRUE(doc.tuning_actions().import_scale(*read_scala_scale("x\n1\n100.\n"),
                                                  ScaleImportMode::Replace, *a440));
    EXPECT_FLOAT_EQ(static_cast<float>(doc.curve().base_frequency()), 440.0f / std::exp2(0.75f));
    EXPECT_EQ(controls.floats[FloatField::BaseFrequency],
              static_cast<float>(doc.curve().base_frequency()));
}

TEST_F(TuningActionsTest, RefusesWhatTheTableCannotHoldAndChangesNothing) {
    KeyboardMapping low = linear_keyboard_mapping(60, 10.0);
    const struct {
        const char* file;
        std::optional<KeyboardMapping> mapping;
        const char* reason;
    } cases[] = {
        {"x\n2\n1/10000\n2/1\n", std::nullopt, "outside the ratios a scale table holds"},
        {"tenth of a cent\n1\n0.1\n", std::nullopt, "more than 10000 ratios"},
        {"x\n1\n2/1\n", low, "outside 20\u201320000 Hz"},
    };
    replace_scale_ratios({1.0f, 1.5f});
    for (const auto& c : cases) {
        const Result<void> imported = doc.tuning_actions().import_scale(
            *read_scala_scale(c.file), ScaleImportMode::Replace, c.mapping);
        ASSERT_FALSE(imported) << c.file;
        EXPECT_THAT(imported.error().reason, HasSubstr(c.reason));
    }
    EXPECT_THAT(scale(), ElementsAre(1.0f, 1.5f));
    EXPECT_FALSE(doc.history().can_undo());
}

TEST_F(TuningActionsTest, MapsOneStepAKeyKeepsOtherKeysAndUndoesWhole) {
    doc.curve_actions().set_base_frequency(440.0f);
    doc.table_actions().add_scale_preset(ScalePreset::TwelveTone);
    doc.table_actions().chord_action(ChordAction::AddAtFreeKey);  // key 60
    doc.table_actions().chord_action(ChordAction::AddAtFreeKey);  // key 61, moved to 127
    doc.table_actions().edit_cell(DocumentTable::MappedChords, TableColumn::MidiNote, 1, 127);
    const DocumentFileState before = doc.state();

    // The base on key 0: keys up to 66 stay below 20 kHz (key 67 would be 21.1 kHz).
    const Result<int32_t> filled = doc.tuning_actions().map_scale_to_keys({std::nullopt, 0, {}});
    ASSERT_TRUE(filled) << filled.error().reason;
    EXPECT_EQ(*filled, 67);
    EXPECT_EQ(testing::published_chord(doc, 0), Chord{440.0f});
    EXPECT_FLOAT_EQ(testing::published_chord(doc, 13)[0], 440.0f * std::exp2(13.0f / 12.0f));
    EXPECT_EQ(testing::published_chord(doc, 127), Chord{110.0f});
    EXPECT_EQ(doc.chords().map().midi_note_numbers().back(), 127) << "kept, at its sorted row";
    EXPECT_EQ(doc.history().undo_name(), EditName::MapScaleToKeys);

    // A period of 3/2 from key 69: the seven tempered steps below 1.5, then the period.
    ASSERT_TRUE(doc.tuning_actions().map_scale_to_keys({1.5f, 69, {}}));
    EXPECT_EQ(testing::published_chord(doc, 69), Chord{440.0f});
    EXPECT_EQ(testing::published_chord(doc, 77), Chord{660.0f});
    EXPECT_FLOAT_EQ(testing::published_chord(doc, 61)[0], 440.0f / 1.5f);

    doc.history().undo();
    doc.history().undo();
    EXPECT_EQ(doc.state(), before);
    EXPECT_EQ(testing::published_chord(doc, 13), Chord{});
    EXPECT_THAT(doc.tuning_actions().map_scale_to_keys({0.5f, 60, {}}).error().reason,
                HasSubstr("period"));
    EXPECT_THAT(doc.tuning_actions().map_scale_to_keys({std::nullopt, 128, {}}).error().reason,
                HasSubstr("reference key"));
}

}  // namespace
}  // namespace kelvara
