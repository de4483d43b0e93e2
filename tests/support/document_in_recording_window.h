#pragma once
// A document in recording fakes of its window, left as the window's set-up leaves it and
// with the set-up's calls forgotten: where the tests of the document's edits and actions
// start.
#include <gtest/gtest.h>

#include "document/document.h"
#include "support/recording_fakes.h"

namespace kelvara::testing {

class DocumentInRecordingWindow : public ::testing::Test {
protected:
    DocumentInRecordingWindow() {
        doc.attach_view(&view);
        doc.attach_controls(&controls);
        doc.windowControllerDidLoadNib();
        forget_calls();
    }
    // The view must not hold the document's arrays once they are gone.
    ~DocumentInRecordingWindow() override { doc.attach_view(nullptr); }

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
    RecordingGraphView view;
    RecordingControls controls;
    KelvaraDocument doc;
};

}  // namespace kelvara::testing
