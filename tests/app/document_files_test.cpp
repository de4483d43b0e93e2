// The document architecture through the real document files: save, open, revert and a
// refused file, in a temporary folder.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QSlider>
#include <QTemporaryDir>

#include "app/document_controller.h"
#include "app/help_menu.h"
#include "support/app_fakes.h"

namespace kelvara {
namespace {

using ::testing::ElementsAre;

class DocumentFilesTest : public ::testing::Test {
protected:
    QString path(const char* name) const { return folder.filePath(QString::fromLatin1(name)); }

    QTemporaryDir folder;
    std::unique_ptr<DocumentStore> files = make_document_store();
    testing::ScriptedDialogs dialogs;
    HelpMenu app{QUrl(), [](const QUrl&) { return true; }};
    testing::RecordingInstrumentsFactory instruments;
    DocumentController controller{*files, dialogs, app, instruments.factory()};
};

TEST_F(DocumentFilesTest, ASavedDocumentOpensWithItsStateAndSendsItsVolume) {
    DocumentWindow* window = controller.new_document();
    window->document().set_volume(20);
    window->document().set_base_frequency(261.63f);
    dialogs.save_path_answers.push_back(path("saved.kelvara"));
    ASSERT_TRUE(controller.save_document(*window));
    ASSERT_TRUE(controller.close_document(*window));

    DocumentWindow* opened = controller.open_document(path("saved.kelvara"));
    ASSERT_NE(opened, nullptr);
    EXPECT_EQ(opened->document().volume(), 20);
    EXPECT_EQ(opened->widgets().volume_slider->value(), 20);
    EXPECT_EQ(opened->widgets().base_frequency_field->text(), "261.63");
    EXPECT_THAT(instruments.channels.back()->calls, ElementsAre("set_midi_parameter 7 20"));
    EXPECT_FALSE(opened->isWindowModified());
}

TEST_F(DocumentFilesTest, RevertReadsTheSavedFileBackIntoTheWindow) {
    DocumentWindow* window = controller.new_document();
    dialogs.save_path_answers.push_back(path("revert.kelvara"));
    ASSERT_TRUE(controller.save_document(*window));
    window->document().set_number_of_overtones(7);
    window->document().set_step_size(0.01f);
    ASSERT_TRUE(controller.revert_to_saved(*window));
    EXPECT_EQ(window->document().curve().number_of_overtones(), 25);
    EXPECT_EQ(window->widgets().overtones_field->text(), "25");
    EXPECT_EQ(window->widgets().step_field->text(), "0.005");
    EXPECT_FALSE(window->isWindowModified());
}

TEST_F(DocumentFilesTest, AFileThatIsNotADocumentIsRefusedWithItsErrorTexts) {
    QFile bad(path("bad.kelvara"));
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
    bad.write("{ this is not a document");
    bad.close();
    EXPECT_EQ(controller.open_document(path("bad.kelvara")), nullptr);
    ASSERT_EQ(dialogs.errors.size(), 1u);
    EXPECT_EQ(dialogs.errors[0].first, "\u201cbad.kelvara\u201d could not be opened.");
    // Under the heading that names the file: the reason, then what was wrong and where.
    const QString details = dialogs.errors[0].second;
    EXPECT_TRUE(details.startsWith("The file is damaged or is not a Kelvara document.\nline 1, "))
        << details.toStdString();
    EXPECT_TRUE(details.contains("not a property list")) << details.toStdString();
}

TEST_F(DocumentFilesTest, ASaveIntoAMissingFolderIsReportedAndChangesNothing) {
    DocumentWindow* window = controller.new_document();
    window->document().set_volume(33);
    dialogs.save_path_answers.push_back(path("no/such/folder/x.kelvara"));
    EXPECT_FALSE(controller.save_document(*window));
    EXPECT_EQ(dialogs.errors.size(), 1u);
    EXPECT_TRUE(window->isWindowModified());
}

}  // namespace
}  // namespace kelvara
