// The document architecture through real document files in a temporary folder: new, save,
// save as, open, revert, refused files, close and quit through the document controller, with
// the dialogs answered in code; and the application's start-up.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QSettings>
#include <QSlider>
#include <QTemporaryDir>
#include <fstream>

#include "app/document_controller.h"
#include "app/document_store.h"
#include "app/help_menu.h"
#include "app/kelvara_application.h"
#include "persistence/document_file.h"
#include "support/app_fakes.h"
#include "support/window_controls.h"

namespace kelvara {
namespace {

using testing::control;

using ::testing::ElementsAre;
using ::testing::IsEmpty;

class DocumentFilesTest : public ::testing::Test {
protected:
    void SetUp() override { controller.clear_recent_documents(); }
    void TearDown() override {
        // Deleting closed windows is deferred by Qt; run it, as the event loop would.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    QString path(const char* name) const { return folder.filePath(QString::fromLatin1(name)); }
    // A document saved through a window at `name`, with these two values changed.
    DocumentWindow* saved(const char* name, float base_frequency, int32_t volume) {
        DocumentWindow* window = controller.new_document();
        window->document().curve_actions().set_base_frequency(base_frequency);
        window->document().playback_actions().set_volume(volume);
        dialogs.save_path_answers.push_back(path(name));
        EXPECT_TRUE(controller.save_document(*window));
        return window;
    }
    int32_t volume_in_file(const char* name) {
        Document document;
        EXPECT_TRUE(files->read(document, path(name).toStdString()).ok());
        return document.volume();
    }

    QTemporaryDir folder;
    std::unique_ptr<DocumentStore> files = make_document_store();
    testing::ScriptedDialogs dialogs;
    HelpMenu help{QUrl(), [](const QUrl&) { return true; }};
    testing::RecordingInstrumentsFactory instruments;
    DocumentController controller{*files, dialogs, help, instruments.factory()};
};

// Its volume sent to the window's synthesizer, and "Play the bank's own tuning" as saved.
TEST_F(DocumentFilesTest, ASavedDocumentOpensWithItsStateAndSendsItsVolume) {
    DocumentWindow* window = controller.new_document();
    window->document().playback_actions().set_volume(20);
    window->document().curve_actions().set_base_frequency(261.63f);
    control<QCheckBox>(*window, "bank_tuning_box")->click();
    dialogs.save_path_answers.push_back(QString());  // the user cancels
    EXPECT_FALSE(controller.save_document(*window));
    EXPECT_TRUE(window->isWindowModified());
    dialogs.save_path_answers.push_back(path("saved.kelvara"));
    ASSERT_TRUE(controller.save_document(*window));
    ASSERT_EQ(dialogs.suggested_save_paths.size(), 2u);
    EXPECT_TRUE(dialogs.suggested_save_paths[0].endsWith("Untitled.kelvara"));
    EXPECT_FALSE(window->isWindowModified());
    EXPECT_EQ(window->windowTitle(), "saved.kelvara[*] — Kelvara");
    ASSERT_TRUE(controller.close_document(*window));

    DocumentWindow* opened = controller.open_document(path("saved.kelvara"));
    ASSERT_NE(opened, nullptr);
    EXPECT_EQ(control<QLineEdit>(*opened, "base_frequency_field")->text(), "261.63");
    EXPECT_EQ(control<QSlider>(*opened, "volume_slider")->value(), 20);
    EXPECT_THAT(instruments.channels.back()->calls, ElementsAre("set_midi_parameter 7 20"));
    EXPECT_TRUE(control<QCheckBox>(*opened, "bank_tuning_box")->isChecked());
    EXPECT_EQ(instruments.channels.back()->pitch_true_sent, std::vector<bool>{false});
    EXPECT_FALSE(opened->isWindowModified());
    EXPECT_EQ(controller.open_document(path("saved.kelvara")), opened)
        << "an open document is not opened twice";
}

TEST_F(DocumentFilesTest, RevertAsksAndReadsTheFileBackAndSaveAsLeavesTheOldOne) {
    DocumentWindow* window = saved("revert.kelvara", 440.0f, 64);
    window->document().curve_actions().set_number_of_overtones(7);
    window->document().curve_actions().set_step_size(0.01f);
    dialogs.revert_answers = {false};  // asked first: declined, the changes stay
    EXPECT_FALSE(controller.revert_to_saved(*window));
    EXPECT_EQ(window->document().curve().number_of_overtones(), 7);
    ASSERT_TRUE(controller.revert_to_saved(*window));
    EXPECT_EQ(dialogs.asked_revert_for.size(), 2u);
    EXPECT_EQ(window->document().curve().number_of_overtones(), 25);
    EXPECT_EQ(control<QLineEdit>(*window, "overtones_field")->text(), "25");
    EXPECT_FALSE(window->isWindowModified());
    EXPECT_FALSE(window->document().history().can_undo()) << "a revert cannot be undone";

    window->document().playback_actions().set_volume(90);
    dialogs.save_path_answers.push_back(path("copy.kelvara"));
    EXPECT_TRUE(controller.save_document_as(*window));
    EXPECT_EQ(volume_in_file("copy.kelvara"), 90);
    EXPECT_EQ(volume_in_file("revert.kelvara"), 64);
    EXPECT_EQ(window->file_path(), path("copy.kelvara"));
}

TEST_F(DocumentFilesTest, AFileThatIsNotADocumentIsRefusedWithItsErrorTexts) {
    QFile bad(path("bad.kelvara"));
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
    bad.write("{ this is not a document");
    bad.close();
    EXPECT_EQ(controller.open_document(path("bad.kelvara")), nullptr);
    ASSERT_EQ(dialogs.errors.size(), 1u);
    // The heading names the file (the reason under it, and a missing file's: document_io_test).
    EXPECT_EQ(dialogs.errors[0].first, "\u201cbad.kelvara\u201d could not be opened.");
    EXPECT_THAT(controller.windows(), IsEmpty());
}

// A file from before the bounds opens with its values brought into them, listed, and stays
// marked, also after a revert.
TEST_F(DocumentFilesTest, ValuesBroughtIntoBoundsAreListedAndKeepTheDocumentMarked) {
    DocumentFileState old;
    old.scale_ratios = {1.0f, 5000.0f};
    old.base_frequency = 10.0;
    std::ofstream(path("old.kelvara").toStdString()) << encode_document_state(old);
    DocumentWindow* window = controller.open_document(path("old.kelvara"));
    ASSERT_TRUE(window && controller.revert_to_saved(*window));
    EXPECT_TRUE(window->isWindowModified());
    ASSERT_EQ(dialogs.notices.size(), 2u) << "on opening, and again on reverting";
    EXPECT_EQ(dialogs.notices[1].first,
              "Some values of \u201cold.kelvara\u201d were outside what Kelvara accepts and were "
              "brought into range. Saving keeps the new values.");
    EXPECT_EQ(dialogs.notices[1].second,
              "scale ratio 5000 lowered to 1000\nbase frequency 10 raised to 20");
}

TEST_F(DocumentFilesTest, AFailedSaveIsReportedAndKeepsTheDocumentChangedAndOpen) {
    DocumentWindow* window = controller.new_document();
    window->document().playback_actions().set_volume(33);
    dialogs.save_path_answers.push_back(path("no/such/folder/x.kelvara"));
    EXPECT_FALSE(controller.save_document(*window));
    EXPECT_EQ(dialogs.errors.size(), 1u);
    EXPECT_TRUE(window->isWindowModified());
    dialogs.save_changes_answers.push_back(UnsavedChangesChoice::Save);
    dialogs.save_path_answers.push_back(path("no/such/folder/x.kelvara"));
    EXPECT_FALSE(controller.close_document(*window));
    EXPECT_THAT(controller.windows(), ElementsAre(window));
}

// (Save on closing a document that has a file writes there without asking for a name.)
TEST_F(DocumentFilesTest, ClosingAChangedDocumentAsksSaveDiscardOrCancel) {
    DocumentWindow* window = saved("saved.kelvara", 220.0f, 20);
    window->document().playback_actions().set_volume(30);
    dialogs.save_changes_answers = {UnsavedChangesChoice::Cancel, UnsavedChangesChoice::Save};
    EXPECT_FALSE(controller.close_document(*window));
    EXPECT_THAT(controller.windows(), ElementsAre(window));
    EXPECT_TRUE(controller.close_document(*window));
    EXPECT_THAT(dialogs.asked_save_changes_for, ElementsAre("saved.kelvara", "saved.kelvara"));
    EXPECT_EQ(volume_in_file("saved.kelvara"), 30);

    DocumentWindow* other = controller.open_document(path("saved.kelvara"));
    other->document().playback_actions().set_volume(40);
    dialogs.save_changes_answers.push_back(UnsavedChangesChoice::Discard);
    EXPECT_TRUE(controller.close_document(*other));
    EXPECT_EQ(volume_in_file("saved.kelvara"), 30);
    EXPECT_TRUE(controller.close_document(*controller.new_document()));
    EXPECT_EQ(dialogs.asked_save_changes_for.size(), 3u) << "an unchanged one closes unasked";
}

TEST_F(DocumentFilesTest, NewDocumentsGetWindowsOfTheirOwnAndQuitStopsAtTheFirstOneKept) {
    controller.new_document();  // the first, left unchanged
    DocumentWindow* kept = controller.new_document();
    DocumentWindow* after = controller.new_document();
    EXPECT_EQ(kept->windowTitle(), "Untitled 2[*] — Kelvara");
    kept->document().playback_actions().set_volume(1);
    EXPECT_FALSE(controller.close_all_documents());  // the user cancels
    EXPECT_THAT(controller.windows(), ElementsAre(kept, after));
}

// Open Recent lists each file once, however it was named: through a link to its folder,
// with "..", or by an older Kelvara that kept paths as given. An entry that no longer opens
// says why and leaves the menu when the user chooses Remove.
TEST_F(DocumentFilesTest, OpenRecentListsEachFileOnceAndOffersToRemoveOneThatFails) {
    const QDir real_folder(QFileInfo(folder.path()).canonicalFilePath());
    const auto real = [&](const char* name) { return real_folder.filePath(name); };
    ASSERT_TRUE(real_folder.mkdir("real"));
    ASSERT_TRUE(QFile::link(real("real"), path("alias")));
    DocumentWindow* a = controller.new_document();
    dialogs.save_path_answers.push_back(path("alias/a.kelvara"));  // not written yet
    ASSERT_TRUE(controller.save_document_as(*a));
    EXPECT_EQ(a->file_path(), real("real/a.kelvara"));
    ASSERT_TRUE(controller.close_document(*a));
    ASSERT_TRUE(controller.close_document(*saved("b.kelvara", 220.0f, 20)));
    QSettings().setValue(
        "recentDocuments",
        QStringList{path("alias/a.kelvara"), path("./b.kelvara"), path("real/../alias/a.kelvara")});
    EXPECT_THAT(controller.recent_documents(),
                ElementsAre(real("real/a.kelvara"), real("b.kelvara")));

    // Chosen from the menu, as a user does, once the file is gone: kept, then removed.
    ASSERT_TRUE(QFile::remove(path("b.kelvara")));
    QMenu* file_menu = controller.new_document()->menuBar()->actions().at(0)->menu();
    QMenu* recent_menu = nullptr;
    for (QAction* action : file_menu->actions())
        if (action->menu() && action->text() == "Open &Recent") recent_menu = action->menu();
    ASSERT_NE(recent_menu, nullptr);
    const auto choose_b = [&] {
        emit recent_menu->aboutToShow();
        for (QAction* action : recent_menu->actions())
            if (action->text() == "b.kelvara") return action->trigger(), true;
        return false;
    };
    dialogs.recent_removal_answers = {true};
    ASSERT_TRUE(choose_b());
    ASSERT_EQ(dialogs.offered_recent_removals.size(), 1u);
    EXPECT_EQ(dialogs.offered_recent_removals[0].first,
              "\u201cb.kelvara\u201d could not be opened.");
    EXPECT_EQ(dialogs.offered_recent_removals[0].second, "No such file or directory");
    EXPECT_THAT(controller.recent_documents(), ElementsAre(real("real/a.kelvara")));
    EXPECT_THAT(dialogs.errors, IsEmpty()) << "the offer says why; no second dialog";
}

// Start-up opens each file given; a new document when none could be opened.
TEST_F(DocumentFilesTest, StartUpOpensEachFileGivenOrElseANewDocument) {
    saved("a.kelvara", 220.0f, 20);
    saved("b.kelvara", 330.0f, 30);
    const auto start = [](const QStringList& paths) {
        auto app = std::make_unique<KelvaraApplication>(
            make_document_store(), std::make_unique<testing::ScriptedDialogs>(),
            [](const QUrl&) { return true; });
        app->open_startup_documents(paths);
        return app;
    };
    const auto two = start({path("a.kelvara"), path("missing.kelvara"), path("b.kelvara")});
    ASSERT_EQ(two->documents().windows().size(), 2);
    EXPECT_EQ(two->documents().windows()[1]->document().curve().base_frequency(), 330.0);
    const auto fresh = start({path("missing.kelvara")});
    ASSERT_EQ(fresh->documents().windows().size(), 1);
    EXPECT_TRUE(fresh->documents().windows()[0]->file_path().isEmpty());
}

}  // namespace
}  // namespace kelvara
