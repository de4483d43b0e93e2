// Crash recovery in the application, in one process: what a window keeps in its slot as its
// document is edited, saved and closed, and what a start does with the slots of a Kelvara
// that did not close normally. (recovery_process_test.sh kills a real process and waits for
// the timed write.)
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTemporaryDir>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/document_controller.h"
#include "app/help_menu.h"
#include "app/recovery_writer.h"
#include "document/document_io.h"
#include "support/app_fakes.h"

namespace kelvara {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;

class RecoveryTest : public ::testing::Test {
protected:
    RecoveryTest() { controller.keep_recovery_files(folder()); }

    fs::path folder() const { return fs::path(temporary.path().toStdString()) / "kelvara"; }
    std::vector<fs::path> copies() const {
        std::vector<fs::path> found;
        if (!fs::exists(folder())) return found;
        for (const auto& entry : fs::directory_iterator(folder()))
            if (entry.path().extension() == ".kelvara") found.push_back(entry.path());
        return found;
    }
    size_t files_in_folder() const {
        return static_cast<size_t>(std::distance(fs::directory_iterator(folder()), {}));
    }
    static std::string content_of(const fs::path& path) {
        std::ifstream in(path, std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }
    // What a Kelvara that died leaves: a written slot whose lock is gone.
    void leave_orphan(const std::string& text, const std::string& origin) {
        Result<RecoverySlot> slot = RecoverySlot::create(folder());
        ASSERT_TRUE(slot.ok());
        ASSERT_TRUE(slot->write(text, origin).ok());
    }
    static void write_now(DocumentWindow& window) {
        window.findChild<RecoveryWriter*>()->write_now();
    }

    QTemporaryDir temporary;
    std::unique_ptr<DocumentStore> files = make_document_store();
    testing::ScriptedDialogs dialogs;
    HelpMenu help{QUrl(), [](const QUrl&) { return true; }};
    DocumentController controller{*files, dialogs, help};
};

TEST_F(RecoveryTest, AnEditedDocumentIsKeptUntilSavedOrUndoneAndACleanCloseLeavesNothing) {
    DocumentWindow* window = controller.new_document();
    window->document().set_step_size(0.01f);
    write_now(*window);
    ASSERT_EQ(copies().size(), 1u);
    EXPECT_EQ(content_of(copies()[0]), document_text(window->document()));

    window->document().undo();  // back at the new document's values: nothing to recover
    EXPECT_TRUE(copies().empty());
    window->document().redo();
    write_now(*window);
    ASSERT_EQ(copies().size(), 1u);

    dialogs.save_path_answers.push_back(temporary.filePath(QStringLiteral("piece.kelvara")));
    ASSERT_TRUE(controller.save_document(*window));
    EXPECT_TRUE(copies().empty()) << "a successful save removes the copy at once";

    window->document().set_volume(3);
    write_now(*window);
    dialogs.save_changes_answers.push_back(UnsavedChangesChoice::Discard);
    ASSERT_TRUE(controller.close_document(*window));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(files_in_folder(), 0u) << "the clean close discards the slot";
}

TEST_F(RecoveryTest, ARestoredDocumentOpensEditedAndBelongsToItsFile) {
    Document saved_piece;
    saved_piece.set_volume(33);
    const std::string origin = temporary.filePath(QStringLiteral("piece.kelvara")).toStdString();
    leave_orphan(document_text(saved_piece), origin);
    Document untitled;
    untitled.set_base_frequency(220.0f);
    leave_orphan(document_text(untitled), "");
    leave_orphan("not a document", "");
    dialogs.restore_answers.push_back(true);

    const QList<DocumentWindow*> restored =
        controller.offer_recovered_documents(RecoveryAnswer::Ask);

    ASSERT_EQ(restored.size(), 2);
    EXPECT_EQ(dialogs.asked_restore_for.size(), 1u);
    EXPECT_EQ(dialogs.asked_restore_for[0].size(), 3);
    EXPECT_EQ(restored[0]->file_path().toStdString(), origin);
    EXPECT_EQ(restored[0]->document().volume(), 33);
    EXPECT_EQ(restored[1]->display_name(), "Untitled");
    EXPECT_EQ(restored[1]->document().curve().base_frequency(), 220.0);
    for (DocumentWindow* window : restored) {
        EXPECT_TRUE(window->isWindowModified());
        window->document().undo();  // nothing to undo: still not in any file
        EXPECT_TRUE(window->document().is_edited());
    }
    ASSERT_EQ(dialogs.errors.size(), 1u) << "the unreadable copy is reported";
    EXPECT_EQ(copies().size(), 2u) << "the restored windows hold their copies; the bad one went";
    EXPECT_TRUE(controller.offer_recovered_documents(RecoveryAnswer::Restore).isEmpty())
        << "held by their windows now";
}

TEST_F(RecoveryTest, DeclinedCopiesAreRemovedAndNothingLeftAsksNothing) {
    leave_orphan(document_text(Document()), "");
    EXPECT_TRUE(controller.offer_recovered_documents(RecoveryAnswer::Ask).isEmpty());
    EXPECT_EQ(dialogs.asked_restore_for.size(), 1u);
    EXPECT_EQ(files_in_folder(), 0u);

    EXPECT_TRUE(controller.offer_recovered_documents(RecoveryAnswer::Ask).isEmpty());
    EXPECT_EQ(dialogs.asked_restore_for.size(), 1u) << "no second question";
}

}  // namespace
}  // namespace kelvara
