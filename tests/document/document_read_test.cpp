// Reading and writing a document's text: the errors with their reasons, a refused file that
// changes nothing, and the steps of a read in their order.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "base/error.h"
#include "document/document.h"
#include "document/document_io.h"
#include "persistence/document_file.h"
#include "persistence/fixtures.h"
#include "support/recording_fakes.h"

namespace kelvara {
namespace {

using kelvara::testing::fixture_path;
using kelvara::testing::read_fixture;
using kelvara::testing::RecordingCurveView;
using kelvara::testing::RecordingDocumentView;
using ::testing::ElementsAre;

const std::string kUnknownReadDescription = "The document could not be opened.";
const std::string kUnknownReadReason = "The file is damaged or is not a Kelvara document.";

// The refusal of a file's content: the two texts of the dialog, and what was wrong.
void expect_unreadable(const Result<void>& read, const std::string& what) {
    ASSERT_FALSE(read) << what;
    EXPECT_EQ(read.error().kind, ErrorKind::Refused) << what;
    EXPECT_EQ(read.error().description, kUnknownReadDescription) << what;
    EXPECT_EQ(read.error().reason, kUnknownReadReason) << what;
    EXPECT_FALSE(read.error().detail.empty()) << what;
}

// Everything a read could change, including the arrays it would reallocate.
struct DocumentSnapshot {
    DocumentFileState saved;
    const float* x_values;
    const float* partials;
    int32_t capacity;
    bool edited;
    friend bool operator==(const DocumentSnapshot&, const DocumentSnapshot&) = default;
};

DocumentSnapshot snapshot(const Document& doc) {
    return {doc.state(), doc.curve().x_values(), doc.curve().partials(),
            doc.curve().max_number_of_points(), doc.is_edited()};
}

TEST(DocumentText, ReadsBackWhatItWritesAndSaysWhereGarbageWentWrong) {
    Document doc;
    ASSERT_TRUE(read_document_text(doc, document_text(doc)));
    const DocumentSnapshot before = snapshot(doc);
    const Result<void> refused = read_document_text(doc, "{\n  \"a\" = <0>;\n  ;\n}");
    expect_unreadable(refused, "garbage");
    EXPECT_EQ(refused.error().located_detail(),
              "line 2, column 9 (byte 10): not a property list: a data value has an odd number "
              "of hexadecimal digits");
    EXPECT_EQ(snapshot(doc), before);
}

TEST(DocumentRead, EveryBadFileLeavesTheDocumentExactlyAsItWas) {
    // The window outlives the document, which detaches from it when it goes.
    RecordingCurveView view;
    RecordingDocumentView controls;
    Document doc;
    ASSERT_TRUE(read_document_text(doc, read_fixture("full.kelvara")));
    doc.attach_views(view, controls);
    doc.show_all();
    const DocumentSnapshot before = snapshot(doc);
    view.clear();
    controls.clear();

    size_t files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(fixture_path("bad"))) {
        ++files;
        expect_unreadable(
            read_document_text(doc, read_fixture("bad/" + entry.path().filename().string())),
            entry.path());
        EXPECT_EQ(snapshot(doc), before) << entry.path();
    }
    EXPECT_GE(files, 6u);
    EXPECT_TRUE(view.calls.empty());
    EXPECT_TRUE(controls.calls.empty());
    doc.detach_views();
}

TEST(DocumentRead, ErrorTextsComeFromTheStringTable) {
    EXPECT_EQ(unreadable_document_error().description, kUnknownReadDescription);
    EXPECT_EQ(unreadable_document_error().reason, kUnknownReadReason);
    const ErrorStrings german(std::map<std::string, std::string, std::less<>>{
        {"The file is damaged or is not a Kelvara document.", "Ein unbekannter Fehler."}});
    const Error translated = unreadable_document_error("why", {}, german);
    EXPECT_EQ(translated.reason, "Ein unbekannter Fehler.");
    EXPECT_EQ(translated.description, kUnknownReadDescription);  // no translation: the key
    EXPECT_EQ(translated.explanation(), "Ein unbekannter Fehler.\nwhy");
}

TEST(DocumentRead, AFileBeforeTheWindowSetsFieldsAndArraysOnly) {
    Document doc;
    ASSERT_TRUE(read_document_text(doc, read_fixture("full.kelvara")));
    const DocumentFileState s = doc.state();
    EXPECT_EQ(s.overtone_type, ShapedHarmonics);
    EXPECT_EQ(doc.curve().base_frequency(), 440.1000061035156);
    EXPECT_THAT(doc.tables().fixed_tones(), ElementsAre(1.0f, 1.5f));
    EXPECT_THAT(s.scale_ratios, ElementsAre(1.0f, 1.25f, 1.5f, 2.0f));
    EXPECT_EQ(doc.curve().x_min(), 0.9f);
    EXPECT_EQ(doc.curve().y_max(), 5.0f);
    EXPECT_TRUE(doc.curve().plot_justs());
    EXPECT_TRUE(doc.curve().plot_dy());
    EXPECT_EQ(doc.volume(), 100);
    EXPECT_THAT(doc.chords().map().midi_note_numbers(), ElementsAre(64, 60));
    EXPECT_THAT(doc.chords().map().chords().at(64), ElementsAre(329.63f, 392.0f));
    // The MIDI thread's copy of the chord map is the one read.
    ASSERT_NE(doc.chord_for_key(60), nullptr);
    EXPECT_THAT(*doc.chord_for_key(60), ElementsAre(261.63f, 329.63f));
    // The arrays are sized for the file's step (ceil(3 / 0.01f): the float step is just
    // under 0.01) and overtone count; nothing is sampled or marked changed.
    EXPECT_EQ(doc.curve().max_number_of_points(), 302);
    EXPECT_EQ(doc.curve().number_of_overtones(), 12);
    EXPECT_EQ(doc.curve().number_of_points(), 0);
    EXPECT_FALSE(doc.is_edited());
}

TEST(DocumentRead, RoundTripThroughTheDocument) {
    Document source;
    DocumentFileState scale = source.state();
    scale.scale_ratios = {1.0f, 1.125f, 1.5f, 2.0f};
    ASSERT_TRUE(source.apply_state(scale));
    source.set_overtone_type(OddHarmonics);
    source.set_base_frequency(261.63f);
    source.set_number_of_overtones(7);
    source.set_step_size(0.002f);
    source.set_bound(BoundField::YMax, 2.5f);
    source.set_plot_flags(true, true, true);
    ASSERT_TRUE(source.set_fixed_tones(std::vector<float>{1.0f, 1.2f, 1.5f}));
    source.chord_action(ChordAction::AddAtFreeKey);  // key 0: 110 Hz
    source.chord_action(
        ChordAction::CopyFixedTones);  // key 1: the fixed tones over the base frequency
    ASSERT_EQ(source.chords().map().size(), 2u);

    Document copy;
    ASSERT_TRUE(read_document_text(copy, document_text(source)));
    EXPECT_EQ(copy.state(), source.state());
    EXPECT_EQ(copy.chords().map(), source.chords().map());
    EXPECT_THAT(copy.tables().scale_ratios(), ElementsAre(1.0f, 1.125f, 1.5f, 2.0f));
    EXPECT_EQ(copy.curve().max_number_of_points(), source.curve().max_number_of_points());
}

TEST(DocumentRead, ARevertHandsTheNewArraysToTheViewAndShowsTheValuesRead) {
    RecordingCurveView view;
    RecordingDocumentView controls;
    Document doc;
    doc.attach_views(view, controls);
    doc.show_all();
    view.clear();
    controls.clear();

    ASSERT_TRUE(read_document_text(doc, read_fixture("full.kelvara")));
    // The read's own steps come first: the overtone field, then the chord table.
    const auto names = controls.names();
    ASSERT_GE(names.size(), 2u);
    EXPECT_EQ(names[0], "show_number_of_overtones");
    EXPECT_EQ(controls.calls[1], "reload_table chords");
    // Then the window-built steps: the view borrows the new arrays, sampled at the new step.
    EXPECT_EQ(view.x_values, doc.curve().x_values());
    EXPECT_EQ(view.y_values, doc.curve().y_values());
    EXPECT_EQ(view.number_of_points, doc.curve().number_of_points());
    EXPECT_GT(doc.curve().number_of_points(), 100);
    EXPECT_EQ(doc.curve().x_values()[0], 0.9f);
    EXPECT_THAT(controls.named("select_waveform"), ElementsAre("select_waveform 3"));
    EXPECT_EQ(view.named("redraw").size(), 1u) << "sampled and drawn once";
    EXPECT_FALSE(doc.is_edited());
    doc.detach_views();
}

}  // namespace
}  // namespace kelvara
