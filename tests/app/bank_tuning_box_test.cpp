// "Play the bank's own tuning" in a document window, through real widgets and real document
// files: unchecked for a new document, a click reaches the synthesizer and marks the
// document changed, the choice survives saving and reopening, and the bank is measured only
// once the window has shown.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QTemporaryDir>
#include <QTest>

#include "app/document_controller.h"
#include "app/document_window.h"
#include "app/help_menu.h"
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
    EXPECT_TRUE(box->isEnabled());
    EXPECT_EQ(box->text(), "Play the bank's o&wn tuning");
    EXPECT_FALSE(instruments.measuring_allowed);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    EXPECT_TRUE(QTest::qWaitFor([&] { return instruments.measuring_allowed; }));

    QTest::mouseClick(box, Qt::LeftButton);
    EXPECT_FALSE(window.document().pitch_true());
    EXPECT_EQ(instruments.recorded.pitch_true_sent.back(), false);
    EXPECT_TRUE(window.isWindowModified());
}

TEST(BankTuningBox, TheChoiceIsSavedWithTheDocument) {
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("own-tuning.kelvara"));
    std::unique_ptr<DocumentStore> files = make_document_store();
    testing::ScriptedDialogs dialogs;
    HelpMenu help{QUrl(), [](const QUrl&) { return true; }};
    testing::RecordingInstrumentsFactory instruments;
    DocumentController controller{*files, dialogs, help, instruments.factory()};

    DocumentWindow* window = controller.new_document();
    control<QCheckBox>(*window, "bank_tuning_box")->click();
    dialogs.save_path_answers.push_back(path);
    ASSERT_TRUE(controller.save_document(*window));
    ASSERT_TRUE(controller.close_document(*window));

    DocumentWindow* opened = controller.open_document(path);
    ASSERT_NE(opened, nullptr);
    EXPECT_TRUE(control<QCheckBox>(*opened, "bank_tuning_box")->isChecked());
    EXPECT_FALSE(opened->document().pitch_true());
    EXPECT_EQ(instruments.channels.back()->pitch_true_sent, std::vector<bool>{false});
    EXPECT_FALSE(opened->isWindowModified());
}

}  // namespace
}  // namespace kelvara
