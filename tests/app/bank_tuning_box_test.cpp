// "Play the bank's own tuning" in a document window, through real widgets: unchecked for a
// new document, a click reaches the synthesizer and marks the document changed, and the bank
// is measured only once the window has shown. (Saved and reopened: document_files_test.cpp.)
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QTest>

#include "app/document_window.h"
#include "support/app_fakes.h"
#include "support/window_controls.h"

namespace kelvara {
namespace {

using testing::control;

TEST(BankTuningBox, AClickPlaysTheBanksOwnTuningAndTheWindowLetsTheBankBeMeasured) {
    auto made = std::make_unique<testing::RecordingInstruments>();
    testing::RecordingInstruments& instruments = *made;
    DocumentWindow window{std::make_unique<Document>(), std::move(made)};
    QCheckBox* box = control<QCheckBox>(window, "bank_tuning_box");
    EXPECT_FALSE(box->isChecked());
    EXPECT_FALSE(instruments.measuring_allowed);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    EXPECT_TRUE(QTest::qWaitFor([&] { return instruments.measuring_allowed; }));

    QTest::mouseClick(box, Qt::LeftButton);
    EXPECT_FALSE(window.document().pitch_true());
    EXPECT_EQ(instruments.recorded.pitch_true_sent.back(), false);
    EXPECT_TRUE(window.isWindowModified());
}

}  // namespace
}  // namespace kelvara
