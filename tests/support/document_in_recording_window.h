#pragma once
// A document in fake views of its window, left as the window's set-up leaves it: where the
// tests of the document's edits and actions start.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "document/document.h"
#include "scales/chord_map.h"
#include "support/recording_fakes.h"

namespace kelvara::testing {

// The chord the MIDI side would play for `key`; empty when none is published.
inline Chord published_chord(const Document& doc, int32_t key) {
    const std::shared_ptr<const Chord> chord = doc.chords().chord_for_key(key);
    return chord ? *chord : Chord{};
}

// The chord map replaced as a file read replaces it.
inline void replace_chord_map(Document& doc, const ChordMap& map) {
    DocumentFileState state = doc.state();
    state.midi_note_numbers = map.midi_note_numbers();
    state.chords = map.chords();
    ASSERT_TRUE(doc.apply_state(state).ok());
}

// Every key mapped to `chord` (new keys start at middle C).
inline ChordMap every_key_mapped(const Chord& chord) {
    ChordMap all;
    while (all.add_at_free_key(chord)) {
    }
    return all;
}

struct DocumentInWindow {
    DocumentInWindow() {
        doc.attach_views(controls, &view);
        doc.show_all();
    }
    // The view must not hold the document's arrays once they are gone.
    ~DocumentInWindow() { doc.detach_views(); }

    // Replaces the scale list as a document file would (sorted; not a change of the document).
    void replace_scale_ratios(std::vector<float> ratios) {
        DocumentFileState state = doc.state();
        state.scale_ratios = std::move(ratios);
        EXPECT_TRUE(doc.apply_state(state).ok());
    }
    // The shown curve is the document's, on the ranges the document holds, and the one a
    // document with the same stored state samples afresh.
    void expect_view_shows_document() const {
        Document fresh;
        ASSERT_TRUE(fresh.apply_state(doc.state()));
        fresh.show_all();
        ASSERT_EQ(fresh.curve().number_of_points(), doc.curve().number_of_points());
        EXPECT_TRUE(std::equal(doc.curve().y_values(),
                               doc.curve().y_values() + doc.curve().number_of_points(),
                               fresh.curve().y_values()));
        EXPECT_EQ(view.x_values, doc.curve().x_values());
        EXPECT_EQ(view.y_values, doc.curve().y_values());
        EXPECT_EQ(view.number_of_points, doc.curve().number_of_points());
        EXPECT_EQ(view.x_range, ShownRange(doc.curve().x_min(), doc.curve().x_max()));
        EXPECT_EQ(view.y_range, ShownRange(doc.curve().y_min(), doc.curve().y_max()));
        EXPECT_EQ(controls.edited, doc.is_edited());
    }

    RecordingCurveView view;
    RecordingDocumentView controls;
    Document doc;
};

class DocumentInRecordingWindow : public ::testing::Test, protected DocumentInWindow {};

}  // namespace kelvara::testing
