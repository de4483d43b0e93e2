#pragma once
// A document in recording fakes of its window, left as the window's set-up leaves it and
// with the set-up's calls forgotten: where the tests of the document's edits and actions
// start.
#include <gtest/gtest.h>

#include <vector>

#include "document/document.h"
#include "support/recording_fakes.h"

namespace kelvara::testing {

class DocumentInRecordingWindow : public ::testing::Test {
protected:
    DocumentInRecordingWindow() {
        doc.attach_views(view, controls);
        doc.show_all();
        forget_calls();
    }
    // The view must not hold the document's arrays once they are gone.
    ~DocumentInRecordingWindow() override { doc.detach_views(); }

    // Replaces the scale list as a document file would (sorted; not a change of the
    // document). The calls of the window's showing everything again are forgotten.
    void replace_scale_ratios(std::vector<float> ratios) {
        DocumentFileState state = doc.state();
        state.scale_ratios = std::move(ratios);
        EXPECT_TRUE(doc.apply_state(state).ok());
        forget_calls();
    }

    // Empties every log; from then on both fakes also log into `timeline`, in call order.
    void forget_calls() {
        view.clear();
        controls.clear();
        timeline.clear();
        view.timeline = &timeline;
        controls.timeline = &timeline;
    }

    // Declared before the document, which still calls the view as it goes.
    CallLog timeline;
    RecordingCurveView view;
    RecordingDocumentView controls;
    Document doc;
};

}  // namespace kelvara::testing
