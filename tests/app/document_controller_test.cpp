// The document architecture: new, open, save, save as, revert, close and quit through the
// document controller, with the dialogs answered in code.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QLineEdit>
#include <QSlider>
#include <QTest>
#include <cerrno>

#include "app/document_controller.h"
#include "app/help_menu.h"
#include "app/kelvara_application.h"
#include "support/app_fakes.h"

namespace kelvara {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using testing::MemoryDocumentStore;
using testing::ScriptedDialogs;

class DocumentControllerTest : public ::testing::Test {
protected:
    void SetUp() override {
        controller.clear_recent_documents();
        files.files[path("saved.kelvara")] = MemoryDocumentStore::saved(220.0, 20);
    }

    static std::string path(const char* name) {
        return QDir::temp().filePath(QString::fromLatin1(name)).toStdString();
    }
    static QString qpath(const char* name) { return QString::fromStdString(path(name)); }

    // Deleting closed windows is deferred by Qt; run it, as the event loop would.
    static void flush_deletions() {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    MemoryDocumentStore files;
    ScriptedDialogs dialogs;
    HelpMenu app{QUrl(), [](const QUrl&) { return true; }};
    testing::RecordingInstrumentsFactory instruments;
    DocumentController controller{files, dialogs, app, instruments.factory()};
};

TEST_F(DocumentControllerTest, EachNewDocumentGetsItsOwnWindow) {
    DocumentWindow* first = controller.new_document();
    DocumentWindow* second = controller.new_document();
    EXPECT_THAT(controller.windows(), ElementsAre(first, second));
    EXPECT_NE(&first->document(), &second->document());
    EXPECT_EQ(first->windowTitle(), "Untitled[*] — Kelvara");
    EXPECT_EQ(second->windowTitle(), "Untitled 2[*] — Kelvara");
    EXPECT_TRUE(second->isVisible());
}

TEST_F(DocumentControllerTest, OpeningShowsTheSavedStateUnchanged) {
    DocumentWindow* window = controller.open_document(qpath("saved.kelvara"));
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->document().curve().base_frequency(), 220.0);
    EXPECT_EQ(window->widgets().base_frequency_field->text(), "220");
    EXPECT_EQ(window->widgets().volume_slider->value(), 20) << "the saved volume is shown";
    ASSERT_EQ(instruments.channels.size(), 1u);
    EXPECT_THAT(instruments.channels[0]->calls, ElementsAre("set_midi_parameter 7 20"))
        << "and sent to the window's synthesizer";
    EXPECT_FALSE(window->isWindowModified());
    EXPECT_EQ(window->windowTitle(), "saved.kelvara[*] — Kelvara");
    EXPECT_THAT(controller.recent_documents(), ElementsAre(qpath("saved.kelvara")));
    EXPECT_EQ(controller.open_document(qpath("saved.kelvara")), window)
        << "an open document is not opened twice";
}

TEST_F(DocumentControllerTest, AFileThatCannotBeReadIsReportedWithTheErrorsTexts) {
    EXPECT_EQ(controller.open_document(qpath("missing.kelvara")), nullptr);
    ASSERT_EQ(dialogs.errors.size(), 1u);
    // The heading names the file; under it the store's reason.
    EXPECT_EQ(dialogs.errors[0].first, "\u201cmissing.kelvara\u201d could not be opened.");
    EXPECT_EQ(dialogs.errors[0].second, "It is not a Kelvara document.");
    EXPECT_THAT(controller.windows(), IsEmpty());
}

TEST_F(DocumentControllerTest, SavingANewDocumentAsksWhereThenClearsTheChangedMark) {
    DocumentWindow* window = controller.new_document();
    window->document().set_base_frequency(330.0f);
    ASSERT_TRUE(window->isWindowModified());

    dialogs.save_path_answers.push_back(QString());  // the user cancels
    EXPECT_FALSE(controller.save_document(*window));
    EXPECT_TRUE(window->isWindowModified());

    dialogs.save_path_answers.push_back(qpath("new.kelvara"));
    EXPECT_TRUE(controller.save_document(*window));
    EXPECT_EQ(files.files.at(path("new.kelvara")).base_frequency, 330.0f);
    EXPECT_FALSE(window->isWindowModified());
    EXPECT_EQ(window->file_path(), qpath("new.kelvara"));
    EXPECT_EQ(window->windowTitle(), "new.kelvara[*] — Kelvara");
    ASSERT_EQ(dialogs.suggested_save_paths.size(), 2u);
    EXPECT_TRUE(dialogs.suggested_save_paths[0].endsWith("Untitled.kelvara"));

    // Saving again writes to the same file without asking.
    window->document().set_base_frequency(331.0f);
    EXPECT_TRUE(controller.save_document(*window));
    EXPECT_EQ(files.files.at(path("new.kelvara")).base_frequency, 331.0f);
    EXPECT_EQ(dialogs.suggested_save_paths.size(), 2u);
}

TEST_F(DocumentControllerTest, SaveAsWritesANewFileAndKeepsTheOldOne) {
    DocumentWindow* window = controller.open_document(qpath("saved.kelvara"));
    window->document().set_volume(90);
    dialogs.save_path_answers.push_back(qpath("copy.kelvara"));
    EXPECT_TRUE(controller.save_document_as(*window));
    EXPECT_EQ(files.files.at(path("copy.kelvara")).volume, 90);
    EXPECT_EQ(files.files.at(path("saved.kelvara")).volume, 20);
    EXPECT_EQ(window->file_path(), qpath("copy.kelvara"));
}

TEST_F(DocumentControllerTest, AFailedSaveIsReportedAndKeepsTheDocumentChanged) {
    DocumentWindow* window = controller.open_document(qpath("saved.kelvara"));
    window->document().set_volume(90);
    files.next_save_error =
        Error{ErrorKind::System,          EROFS, "The document could not be saved.",
              "The folder is read-only.", {},    {}};
    EXPECT_FALSE(controller.save_document(*window));
    ASSERT_EQ(dialogs.errors.size(), 1u);
    EXPECT_EQ(dialogs.errors[0].second, "The folder is read-only.");
    EXPECT_TRUE(window->isWindowModified());
}

TEST_F(DocumentControllerTest, RevertReadsTheFileBackIntoTheOpenWindow) {
    DocumentWindow* window = controller.open_document(qpath("saved.kelvara"));
    window->document().set_base_frequency(500.0f);
    window->document().set_volume(100);
    EXPECT_TRUE(controller.revert_to_saved(*window));
    EXPECT_EQ(window->document().curve().base_frequency(), 220.0);
    EXPECT_EQ(window->widgets().base_frequency_field->text(), "220");
    EXPECT_EQ(window->widgets().volume_slider->value(), 20);
    EXPECT_FALSE(window->isWindowModified());
    EXPECT_FALSE(controller.revert_to_saved(*controller.new_document()))
        << "a document without a file has nothing to revert to";
}

TEST_F(DocumentControllerTest, ClosingWithUnsavedChangesAsksSaveDiscardOrCancel) {
    DocumentWindow* window = controller.open_document(qpath("saved.kelvara"));
    window->document().set_volume(30);

    dialogs.save_changes_answers.push_back(UnsavedChangesChoice::Cancel);
    EXPECT_FALSE(controller.close_document(*window));
    EXPECT_THAT(controller.windows(), ElementsAre(window));
    EXPECT_THAT(dialogs.asked_save_changes_for, ElementsAre("saved.kelvara"));

    dialogs.save_changes_answers.push_back(UnsavedChangesChoice::Save);
    EXPECT_TRUE(controller.close_document(*window));
    EXPECT_EQ(files.files.at(path("saved.kelvara")).volume, 30);
    EXPECT_THAT(controller.windows(), IsEmpty());
    flush_deletions();

    DocumentWindow* other = controller.open_document(qpath("saved.kelvara"));
    other->document().set_volume(40);
    dialogs.save_changes_answers.push_back(UnsavedChangesChoice::Discard);
    EXPECT_TRUE(controller.close_document(*other));
    EXPECT_EQ(files.files.at(path("saved.kelvara")).volume, 30);
    flush_deletions();
}

TEST_F(DocumentControllerTest, ASaveThatFailsWhileClosingKeepsTheWindowOpen) {
    DocumentWindow* window = controller.new_document();
    window->document().set_volume(30);
    dialogs.save_changes_answers.push_back(UnsavedChangesChoice::Save);
    dialogs.save_path_answers.push_back(QString());
    EXPECT_FALSE(controller.close_document(*window));
    EXPECT_THAT(controller.windows(), ElementsAre(window));
}

TEST_F(DocumentControllerTest, AnUnchangedDocumentClosesWithoutAQuestion) {
    DocumentWindow* window = controller.new_document();
    EXPECT_TRUE(controller.close_document(*window));
    EXPECT_THAT(dialogs.asked_save_changes_for, IsEmpty());
    flush_deletions();
}

TEST_F(DocumentControllerTest, QuitStopsAtTheFirstDocumentTheUserKeeps) {
    controller.new_document();
    DocumentWindow* kept = controller.new_document();
    DocumentWindow* after = controller.new_document();
    kept->document().set_volume(1);
    dialogs.save_changes_answers.push_back(UnsavedChangesChoice::Cancel);
    EXPECT_FALSE(controller.close_all_documents());
    EXPECT_THAT(controller.windows(), ElementsAre(kept, after));
    flush_deletions();
}

TEST(StartUp, OpensEachFileGivenAndANewDocumentWhenNoneOpened) {
    const std::string a = QDir::temp().filePath(QStringLiteral("a.kelvara")).toStdString();
    const std::string b = QDir::temp().filePath(QStringLiteral("b.kelvara")).toStdString();
    auto files = std::make_unique<MemoryDocumentStore>();
    files->files[a] = MemoryDocumentStore::saved(220.0, 20);
    files->files[b] = MemoryDocumentStore::saved(330.0, 30);
    auto dialogs = std::make_unique<ScriptedDialogs>();
    ScriptedDialogs& asked = *dialogs;
    KelvaraApplication app(std::move(files), std::move(dialogs), [](const QUrl&) { return true; });

    app.open_startup_documents(
        {QString::fromStdString(a), QStringLiteral("/nowhere.kelvara"), QString::fromStdString(b)});
    const auto windows = app.documents().windows();
    ASSERT_EQ(windows.size(), 2);
    EXPECT_EQ(windows[0]->document().curve().base_frequency(), 220.0);
    EXPECT_EQ(windows[1]->document().curve().base_frequency(), 330.0);
    EXPECT_EQ(asked.errors.size(), 1u) << "the file that could not be read is reported";

    KelvaraApplication empty(std::make_unique<MemoryDocumentStore>(),
                             std::make_unique<ScriptedDialogs>(), [](const QUrl&) { return true; });
    empty.open_startup_documents({QStringLiteral("/nowhere.kelvara")});
    ASSERT_EQ(empty.documents().windows().size(), 1);
    EXPECT_TRUE(empty.documents().windows()[0]->file_path().isEmpty());
}

}  // namespace
}  // namespace kelvara
