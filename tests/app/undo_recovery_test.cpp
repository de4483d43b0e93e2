// Undo and crash recovery in real windows: Ctrl+Z from a field that committed its value, a
// volume drag as one step, what a window keeps in its recovery slot, and what a start
// restores. (recovery_process_test.sh kills a real process.)
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QAction>
#include <QCoreApplication>
#include <QLineEdit>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>
#include <filesystem>

#include "app/document_controller.h"
#include "app/help_menu.h"
#include "app/recovery_writer.h"
#include "document/document_io.h"
#include "persistence/atomic_file.h"
#include "support/app_fakes.h"
#include "support/window_controls.h"

namespace kelvara {
namespace {

using testing::control;

namespace fs = std::filesystem;

class UndoRecoveryTest : public ::testing::Test {
protected:
    UndoRecoveryTest() {
        controller.keep_recovery_files(folder());
        window = controller.new_document();
    }
    fs::path folder() const { return fs::path(temporary.path().toStdString()) / "kelvara"; }
    std::vector<std::string> copies() const {
        std::vector<std::string> found;
        for (const auto& entry : fs::directory_iterator(folder()))
            if (entry.path().extension() == ".kelvara")
                found.push_back(*read_whole_file(entry.path(), 1 << 20));
        return found;
    }
    void write_copy_now() { window->findChild<RecoveryWriter*>()->write_now(); }
    void save() {
        dialogs.save_path_answers.push_back(temporary.filePath(QStringLiteral("piece.kelvara")));
        ASSERT_TRUE(controller.save_document(*window));
    }
    QAction* undo() const { return window->findChild<QAction*>(QStringLiteral("undo_action")); }

    QTemporaryDir temporary;
    std::unique_ptr<DocumentStore> files = make_document_store();
    testing::ScriptedDialogs dialogs;
    HelpMenu help{QUrl(), [](const QUrl&) { return true; }};
    testing::RecordingInstrumentsFactory instruments;
    DocumentController controller{*files, dialogs, help, instruments.factory()};
    DocumentWindow* window = nullptr;
};

TEST_F(UndoRecoveryTest, CtrlZFromAFieldThatCommittedItsValueReachesTheDocument) {
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window)) << "shortcuts reach the active window";
    QLineEdit* base = control<QLineEdit>(*window, "base_frequency_field");
    base->setFocus();
    base->selectAll();
    QTest::keyClicks(base, QStringLiteral("300"));
    QTest::keyClick(base, Qt::Key_Return);
    QTest::keyClick(base, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(window->document().curve().base_frequency(), 440.0);
    EXPECT_EQ(base->text(), "440");
    EXPECT_FALSE(window->isWindowModified());
    QTest::keyClick(base, Qt::Key_Y, Qt::ControlModifier);
    EXPECT_EQ(window->document().curve().base_frequency(), 300.0);
}

TEST_F(UndoRecoveryTest, AVolumeDragIsOneStepAndUndoSendsTheVolumeBack) {
    QSlider* slider = control<QSlider>(*window, "volume_slider");
    slider->setSliderDown(true);
    for (int volume : {70, 80, 90, 100}) slider->setValue(volume);
    slider->setSliderDown(false);
    slider->setValue(110);  // a key press on the slider: a step of its own
    undo()->trigger();
    EXPECT_EQ(slider->value(), 100);
    undo()->trigger();
    EXPECT_EQ(slider->value(), kDefaultVolume);
    EXPECT_EQ(instruments.channels.back()->calls.back(), "set_midi_parameter 7 64");
    EXPECT_FALSE(undo()->isEnabled());
}

TEST_F(UndoRecoveryTest, AnEditedDocumentIsKeptUntilSavedOrUndoneAndACleanCloseLeavesNothing) {
    window->document().curve_actions().set_step_size(0.01f);
    write_copy_now();
    EXPECT_THAT(copies(), ::testing::ElementsAre(document_text(window->document())));
    window->document().history().undo();  // back at the new document's values: nothing to recover
    EXPECT_TRUE(copies().empty());
    window->document().history().redo();
    write_copy_now();
    save();
    EXPECT_TRUE(copies().empty()) << "a successful save removes the copy at once";

    window->document().playback_actions().set_volume(3);
    write_copy_now();
    dialogs.save_changes_answers.push_back(UnsavedChangesChoice::Discard);
    ASSERT_TRUE(controller.close_document(*window));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(fs::is_empty(folder())) << "the clean close discards the slot";
}

TEST_F(UndoRecoveryTest, ARestoredDocumentOpensEditedAndBelongsToItsFile) {
    Document piece;
    piece.playback_actions().set_volume(33);
    const std::string origin = temporary.filePath(QStringLiteral("piece.kelvara")).toStdString();
    // What a Kelvara that died leaves: written slots whose locks are gone, offered oldest first.
    Document later;
    later.playback_actions().set_volume(44);
    const std::pair<std::string, std::string> left[] = {
        {document_text(piece), origin}, {document_text(later), ""}, {"not a document", ""}};
    for (int i = 0; i < 3; ++i) {
        Result<RecoverySlot> slot = RecoverySlot::create(folder());
        ASSERT_TRUE(slot && slot->write(left[i].first, left[i].second).ok());
        fs::last_write_time(slot->document_path(),
                            fs::file_time_type::clock::now() - std::chrono::hours(3 - i));
    }

    window->document().playback_actions().set_volume(5);  // a live window's copy is never offered
    write_copy_now();
    const QList<DocumentWindow*> restored =
        controller.offer_recovered_documents(RecoveryAnswer::Restore);
    ASSERT_EQ(restored.size(), 2);
    EXPECT_EQ(restored[0]->file_path().toStdString(), origin);
    EXPECT_EQ(restored[0]->document().volume(), 33);
    EXPECT_EQ(restored[1]->document().volume(), 44);
    EXPECT_TRUE(restored[0]->isWindowModified());
    restored[0]->document().history().undo();  // nothing to undo: still not in any file
    EXPECT_TRUE(restored[0]->isWindowModified());
    EXPECT_EQ(dialogs.errors.size(), 1u) << "the unreadable copy is reported";
    EXPECT_TRUE(controller.offer_recovered_documents(RecoveryAnswer::Restore).isEmpty())
        << "held by its window now";
}

}  // namespace
}  // namespace kelvara
