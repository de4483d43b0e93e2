#pragma once
// A document window shown on screen over recording instruments, with its controls found by
// the names the window gives them: the fixture of the window's tests.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QTableView>
#include <QTest>
#include <QToolButton>
#include <memory>

#include "app/document_window.h"
#include "support/app_fakes.h"
#include "support/window_controls.h"

namespace kelvara::testing {

class ShownWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    }
    template <typename T>
    T* find(const char* name) const {
        return control<T>(window, name);
    }
    QTableView* table(const char* name) const { return find<QTableView>(name); }
    QLineEdit* field(const char* name) const { return find<QLineEdit>(name); }
    QToolButton* segment(const char* name) const { return find<QToolButton>(name); }
    Document& doc() { return window.document(); }

    std::unique_ptr<RecordingInstruments> made_instruments =
        std::make_unique<RecordingInstruments>();
    RecordingInstruments& instruments = *made_instruments;
    RecordingSynthChannel& synth = made_instruments->recorded;
    DocumentWindow window{std::make_unique<Document>(), std::move(made_instruments)};
};

}  // namespace kelvara::testing
