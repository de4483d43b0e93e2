// Reading and writing through the document's hooks: the type name, the errors, a refused
// file that changes nothing, and the steps of a read in their order.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "base/error.h"
#include "document/document.h"
#include "persistence/document_file.h"
#include "persistence/fixtures.h"
#include "support/recording_fakes.h"

namespace kelvara {
namespace {

using kelvara::testing::fixture_path;
using kelvara::testing::read_fixture;
using kelvara::testing::RecordingControls;
using kelvara::testing::RecordingGraphView;
using ::testing::ElementsAre;

const DocumentError kUnknownRead{"KelvaraErrorDomain", 1,
                                 "Kelvara document data could not be read for an unknown reason.",
                                 "An unknown error occured."};
const DocumentError kWrongType{"NSOSStatusErrorDomain", -4, "", ""};

// Everything a read could change, including the arrays it would reallocate.
struct DocumentSnapshot {
    DocumentFileState saved;
    const float* x_values;
    const float* partials;
    int32_t capacity;
    bool edited;
    friend bool operator==(const DocumentSnapshot&, const DocumentSnapshot&) = default;
};

DocumentSnapshot snapshot(const KelvaraDocument& doc) {
    return {doc.file_state(), doc.x_values(), doc.partials(), doc.max_number_of_points(),
            doc.isDocumentEdited()};
}

TEST(DocumentTypeName, OnlyTheExactNameIsAccepted) {
    KelvaraDocument doc;
    DocumentError error;
    const auto text = doc.dataOfType("Palvern Kelvara Document", &error);
    ASSERT_TRUE(text.has_value());
    EXPECT_EQ(*text, doc.saveStateToData());
    EXPECT_TRUE(doc.readFromData(*text, "Palvern Kelvara Document", &error));

    for (const char* name : {"palvern kelvara document", "Palvern  Kelvara Document",
                             "Palvern Kelvara Document ", "", "public.plain-text"}) {
        error = {};
        EXPECT_FALSE(doc.dataOfType(name, &error).has_value()) << name;
        EXPECT_EQ(error, kWrongType) << name;
        error = {};
        const DocumentSnapshot before = snapshot(doc);
        EXPECT_FALSE(doc.readFromData("garbage", name, &error)) << name;
        EXPECT_EQ(error, kWrongType) << name;
        EXPECT_EQ(snapshot(doc), before);
    }
    // The error out-parameter may be absent.
    EXPECT_FALSE(doc.dataOfType("other", nullptr).has_value());
    EXPECT_FALSE(doc.readFromData("garbage", "other", nullptr));
    EXPECT_FALSE(doc.readFromData("garbage", "Palvern Kelvara Document", nullptr));
}

TEST(DocumentRead, EveryBadFileLeavesTheDocumentExactlyAsItWas) {
    // The window outlives the document, which detaches from it when it goes.
    RecordingGraphView view;
    RecordingControls controls;
    KelvaraDocument doc;
    ASSERT_TRUE(doc.setStateFromData(read_fixture("full.kelvara"), nullptr));
    doc.attach_view(&view);
    doc.attach_controls(&controls);
    doc.windowControllerDidLoadNib();
    const DocumentSnapshot before = snapshot(doc);
    view.clear();
    controls.clear();

    size_t files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(fixture_path("bad"))) {
        ++files;
        DocumentError error;
        EXPECT_FALSE(doc.readFromData(read_fixture("bad/" + entry.path().filename().string()),
                                      kDocumentTypeName, &error))
            << entry.path();
        EXPECT_EQ(error, kUnknownRead) << entry.path();
        EXPECT_EQ(snapshot(doc), before) << entry.path();
    }
    EXPECT_GE(files, 6u);
    EXPECT_TRUE(view.calls.empty());
    EXPECT_TRUE(controls.calls.empty());
}

TEST(DocumentRead, ErrorTextsComeFromTheStringTable) {
    EXPECT_EQ(unknown_read_error(), kUnknownRead);
    const ErrorStrings german(std::map<std::string, std::string, std::less<>>{
        {"An unknown error occured.", "Ein unbekannter Fehler."}});
    const DocumentError translated = unknown_read_error(german);
    EXPECT_EQ(translated.reason, "Ein unbekannter Fehler.");
    EXPECT_EQ(translated.description, kUnknownRead.description);  // no translation: the key
}

TEST(DocumentRead, AFileBeforeTheWindowSetsFieldsAndArraysOnly) {
    KelvaraDocument doc;
    ASSERT_TRUE(doc.setStateFromData(read_fixture("full.kelvara"), nullptr));
    const DocumentFileState s = doc.file_state();
    EXPECT_EQ(s.overtone_type, ShapedHarmonics);
    EXPECT_EQ(doc.base_frequency(), 440.1000061035156);
    EXPECT_THAT(doc.dissonance_ratios(), ElementsAre(1.0f, 1.5f));
    EXPECT_THAT(s.scale_ratios, ElementsAre(1.0f, 1.25f, 1.5f, 2.0f));
    EXPECT_EQ(doc.x_min(), 0.9f);
    EXPECT_EQ(doc.y_max(), 5.0f);
    EXPECT_TRUE(doc.plot_justs());
    EXPECT_TRUE(doc.plot_dy());
    EXPECT_EQ(doc.volume(), 100);
    EXPECT_THAT(doc.chord_map().midi_note_numbers(), ElementsAre(64, 60));
    EXPECT_THAT(doc.chord_map().chords().at(64), ElementsAre(329.63f, 392.0f));
    // The MIDI thread's copy of the chord map is the one read.
    ASSERT_NE(doc.chord_for_key(60), nullptr);
    EXPECT_THAT(*doc.chord_for_key(60), ElementsAre(261.63f, 329.63f));
    // The arrays are sized for the file's step (ceil(3 / 0.01f): the float step is just
    // under 0.01) and overtone count; nothing is sampled or marked changed.
    EXPECT_EQ(doc.max_number_of_points(), 301);
    EXPECT_EQ(doc.number_of_overtones(), 12);
    EXPECT_EQ(doc.number_of_points(), 0);
    EXPECT_FALSE(doc.isDocumentEdited());
}

TEST(DocumentRead, RoundTripThroughTheDocument) {
    KelvaraDocument source;
    source.waveformSelected(OddHarmonics);
    source.baseFrequencyEdited(261.63f);
    source.number_of_overtones_changed(7);
    source.step_size_changed(0.002f);
    source.boundsChanged(BoundField::YMax, 2.5f);
    source.plotPressed(true, true, true);
    ASSERT_TRUE(source.set_dissonance_ratios(std::vector<float>{1.0f, 1.2f, 1.5f}));
    source.replace_scale_ratios({1.0f, 1.125f, 1.5f, 2.0f});
    source.chordAddDelete(0);  // key 0: 110 Hz
    source.chordAddDelete(1);  // key 1: the fixed tones over the base frequency
    ASSERT_EQ(source.chord_map().size(), 2u);

    KelvaraDocument copy;
    DocumentError error;
    ASSERT_TRUE(copy.readFromData(*source.dataOfType(kDocumentTypeName, nullptr), kDocumentTypeName,
                                  &error));
    EXPECT_EQ(copy.file_state(), source.file_state());
    EXPECT_EQ(copy.chord_map(), source.chord_map());
    EXPECT_THAT(copy.scale_ratios(), ElementsAre(1.0f, 1.125f, 1.5f, 2.0f));
    EXPECT_EQ(copy.max_number_of_points(), source.max_number_of_points());
}

TEST(DocumentRead, ARevertHandsTheNewArraysToTheViewAndShowsTheValuesRead) {
    RecordingGraphView view;
    RecordingControls controls;
    KelvaraDocument doc;
    doc.attach_view(&view);
    doc.attach_controls(&controls);
    doc.windowControllerDidLoadNib();
    view.clear();
    controls.clear();

    ASSERT_TRUE(doc.setStateFromData(read_fixture("full.kelvara"), nullptr));
    // The read's own steps come first: the overtone field, then the chord table.
    const auto names = controls.names();
    ASSERT_GE(names.size(), 2u);
    EXPECT_EQ(names[0], "show_number_of_overtones");
    EXPECT_EQ(controls.calls[1], "reload_table chords");
    // Then the window-built steps: the view borrows the new arrays, sampled at the new step.
    EXPECT_EQ(view.x_values, doc.x_values());
    EXPECT_EQ(view.y_values, doc.y_values());
    EXPECT_EQ(view.number_of_points, doc.number_of_points());
    EXPECT_GT(doc.number_of_points(), 100);
    EXPECT_EQ(doc.x_values()[0], 0.9f);
    EXPECT_THAT(controls.named("select_waveform"), ElementsAre("select_waveform 3"));
    EXPECT_FALSE(doc.isDocumentEdited());
}

}  // namespace
}  // namespace kelvara
