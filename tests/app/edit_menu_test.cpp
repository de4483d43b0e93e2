// The Edit menu of a real window: named, enabled only when there is a step, reached by its
// shortcuts also from a text field, a volume drag as one step, and Revert asking first.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QAction>
#include <QLineEdit>
#include <QMenuBar>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>

#include "app/document_controller.h"
#include "app/help_menu.h"
#include "support/app_fakes.h"

namespace kelvara {
namespace {

class EditMenuTest : public ::testing::Test {
protected:
    EditMenuTest() {
        window = controller.new_document();
        window->activateWindow();
        // Window shortcuts reach only the active window.
        EXPECT_TRUE(QTest::qWaitForWindowActive(window));
        undo = window->findChild<QAction*>(QStringLiteral("undo_action"));
        redo = window->findChild<QAction*>(QStringLiteral("redo_action"));
    }
    void type_into(QLineEdit* field, const QString& text) {
        field->setFocus();
        field->selectAll();
        QTest::keyClicks(field, text);
        QTest::keyClick(field, Qt::Key_Return);
    }
    QAction* file_action(const QString& text) const {
        for (QAction* action : window->menuBar()->actions().first()->menu()->actions())
            if (action->text() == text) return action;
        return nullptr;
    }

    QTemporaryDir temporary;
    std::unique_ptr<DocumentStore> files = make_document_store();
    testing::ScriptedDialogs dialogs;
    HelpMenu help{QUrl(), [](const QUrl&) { return true; }};
    testing::RecordingInstrumentsFactory instruments;
    DocumentController controller{*files, dialogs, help, instruments.factory()};
    DocumentWindow* window = nullptr;
    QAction* undo = nullptr;
    QAction* redo = nullptr;
};

TEST_F(EditMenuTest, UndoAndRedoAreNamedAndEnabledOnlyWithAStep) {
    ASSERT_NE(undo, nullptr);
    ASSERT_NE(redo, nullptr);
    EXPECT_FALSE(undo->isEnabled());
    EXPECT_FALSE(redo->isEnabled());
    EXPECT_EQ(undo->shortcut(), QKeySequence(QKeySequence::Undo));
    EXPECT_THAT(redo->shortcuts(), ::testing::UnorderedElementsAre(QKeySequence("Ctrl+Shift+Z"),
                                                                   QKeySequence("Ctrl+Y")));
    ASSERT_NE(file_action(QObject::tr("Save &As…")), nullptr);
    EXPECT_EQ(file_action(QObject::tr("Save &As…"))->shortcut(), QKeySequence("Ctrl+Shift+S"));

    type_into(window->widgets().step_field, QStringLiteral("0.01"));
    EXPECT_TRUE(window->isWindowModified());
    EXPECT_TRUE(undo->isEnabled());
    EXPECT_EQ(undo->text(), QObject::tr("&Undo %1").arg(QObject::tr("Step Size")));

    undo->trigger();
    EXPECT_EQ(window->widgets().step_field->text(), "0.005");
    EXPECT_FALSE(window->isWindowModified());
    EXPECT_FALSE(undo->isEnabled());
    EXPECT_EQ(redo->text(), QObject::tr("&Redo %1").arg(QObject::tr("Step Size")));
}

TEST_F(EditMenuTest, TheShortcutsReachTheDocumentFromAFieldThatShowsAStoredValue) {
    QLineEdit* base = window->widgets().base_frequency_field;
    type_into(base, QStringLiteral("300"));
    ASSERT_EQ(window->document().curve().base_frequency(), 300.0);
    // The focus is still in the field, which shows the stored value: Ctrl+Z is the document's.
    QTest::keyClick(base, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(window->document().curve().base_frequency(), 440.0);
    EXPECT_EQ(base->text(), "440");
    QTest::keyClick(base, Qt::Key_Y, Qt::ControlModifier);
    EXPECT_EQ(window->document().curve().base_frequency(), 300.0);
    QTest::keyClick(base, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(window->document().curve().base_frequency(), 300.0) << "nothing left to redo";

    // Typing not yet committed is the field's own to undo.
    base->setFocus();
    QTest::keyClicks(base, QStringLiteral("5"));
    QTest::keyClick(base, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(base->text(), "300");
    EXPECT_EQ(window->document().curve().base_frequency(), 300.0);
}

TEST_F(EditMenuTest, AVolumeDragIsOneStep) {
    QSlider* slider = window->widgets().volume_slider;
    slider->setSliderDown(true);
    for (int volume : {70, 80, 90, 100}) slider->setValue(volume);
    slider->setSliderDown(false);
    slider->setValue(110);  // a key press on the slider: a step of its own
    undo->trigger();
    EXPECT_EQ(slider->value(), 100);
    undo->trigger();
    EXPECT_EQ(slider->value(), kDefaultVolume);
    EXPECT_EQ(instruments.channels.back()->calls.back(), "set_midi_parameter 7 64");
    EXPECT_FALSE(undo->isEnabled());
}

TEST_F(EditMenuTest, RevertAsksFirstAndKeepsTheChangesWhenDeclined) {
    dialogs.save_path_answers.push_back(temporary.filePath(QStringLiteral("piece.kelvara")));
    ASSERT_TRUE(controller.save_document(*window));
    window->document().set_volume(99);
    dialogs.revert_answers.push_back(false);
    EXPECT_FALSE(controller.revert_to_saved(*window));
    EXPECT_EQ(window->document().volume(), 99);
    EXPECT_TRUE(window->isWindowModified());
    EXPECT_THAT(dialogs.asked_revert_for, ::testing::ElementsAre("piece.kelvara"));

    EXPECT_TRUE(controller.revert_to_saved(*window));
    EXPECT_EQ(window->document().volume(), kDefaultVolume);
    EXPECT_FALSE(window->isWindowModified());
    EXPECT_FALSE(undo->isEnabled()) << "a revert cannot be undone";
}

}  // namespace
}  // namespace kelvara
