// The window's side of the value rules: a refused field or cell says why in the status bar
// (there from the start, so nothing moves) until an edit goes through; fields and cells show
// the shortest text that reads back, and leaving one as it was is no edit; ratio cells read
// fractions and cents; a file whose values were brought into bounds opens marked, with the
// list; a refused file's dialog names it and gives the reader's reason.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QStatusBar>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

#include "app/document_controller.h"
#include "app/document_window.h"
#include "app/help_menu.h"
#include "persistence/document_file.h"
#include "support/app_fakes.h"

namespace kelvara {
namespace {

using ::testing::HasSubstr;

class ValueRulesWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    }
    const WindowWidgets& w() const { return window.widgets(); }
    Document& doc() { return window.document(); }
    QString status() const { return window.statusBar()->currentMessage(); }

    static void type_and_return(QLineEdit* field, const QString& text) {
        field->selectAll();
        QTest::keyClick(field, Qt::Key_Backspace);
        QTest::keyClicks(field, text);
        QTest::keyClick(field, Qt::Key_Return);
    }
    static void edit_cell(QTableView* view, int row, int column, const QString& text) {
        const QModelIndex index = view->model()->index(row, column);
        view->setCurrentIndex(index);
        view->edit(index);
        auto* editor = view->viewport()->findChild<QLineEdit*>();
        ASSERT_NE(editor, nullptr);
        editor->selectAll();
        QTest::keyClicks(editor, text);
        QTest::keyClick(editor, Qt::Key_Return);
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    static QString cell(QTableView* view, int row, int column) {
        return view->model()->index(row, column).data().toString();
    }

    DocumentWindow window{std::make_unique<Document>()};
};

TEST_F(ValueRulesWindowTest, ARefusedFieldSaysWhyUntilAnEditGoesThrough) {
    EXPECT_TRUE(window.statusBar()->isVisible()) << "the bar has its place from the start";
    const struct {
        QLineEdit* field;
        QString typed;
        QString says;
        QString shown_after;
    } cases[] = {
        {w().overtones_field, "129", "Overtones must be 1\u2013128.", "25"},
        {w().overtones_field, "x", "Overtones must be a whole number from 1 to 128.", "25"},
        {w().base_frequency_field, "10", "The base frequency must be 20\u201320000 Hz.", "440"},
        {w().x_max_field, "0.5", "The ratio range must go from a lower to a higher value", "2"},
        {w().y_max_field, "0", "The dissonance range must go from a lower to a higher", "4"},
        {w().step_field, "0", "The step must be a number above 0.", "0.005"},
        {w().step_field, "1e", "\u20181e\u2019 is not a number.", "0.005"},
    };
    for (const auto& c : cases) {
        type_and_return(c.field, c.typed);
        EXPECT_THAT(status().toStdString(), HasSubstr(c.says.toStdString()))
            << c.typed.toStdString();
        EXPECT_EQ(c.field->text(), c.shown_after) << "the field shows what is in force";
    }
    EXPECT_FALSE(window.isWindowModified());
    type_and_return(w().overtones_field, "12");
    EXPECT_EQ(status(), "") << "a later edit that goes through clears the message";
    EXPECT_TRUE(window.isWindowModified());
}

TEST_F(ValueRulesWindowTest, ReturnOnAnUntouchedFieldIsNoEdit) {
    type_and_return(w().x_max_field, "3.43125033");
    EXPECT_EQ(w().x_max_field->text().toStdString(), "3.4312503")
        << "the shortest text that reads back";
    doc().update_change_count(ChangeKind::Cleared);
    for (QLineEdit* field : {w().x_max_field, w().x_min_field, w().base_frequency_field,
                             w().step_field, w().overtones_field, w().y_max_field}) {
        field->setFocus();
        QTest::keyClick(field, Qt::Key_Return);
        type_and_return(field, field->text());
    }
    EXPECT_FALSE(window.isWindowModified());
    EXPECT_FALSE(doc().is_edited());
}

TEST_F(ValueRulesWindowTest, RatioCellsReadFractionsAndCentsAndRefuseWhatIsOutOfBounds) {
    w().preset_menu->actions()[2]->trigger();  // 12 equal steps per octave, two octaves
    EXPECT_EQ(cell(w().scale_table, 1, 1), "100");
    EXPECT_EQ(cell(w().scale_table, 3, 1), "300");
    EXPECT_EQ(cell(w().scale_table, 4, 1), "400");
    doc().update_change_count(ChangeKind::Cleared);
    edit_cell(w().scale_table, 4, 1, cell(w().scale_table, 4, 1));
    EXPECT_FALSE(doc().is_edited()) << "a cell left as it showed is no edit";

    edit_cell(w().scale_table, 0, 1, "1e6");
    EXPECT_THAT(status().toStdString(), HasSubstr("A scale ratio must be 0.001\u20131000."));
    EXPECT_EQ(doc().tables().scale_ratios()[0], 1.0f);
    EXPECT_FALSE(doc().is_edited());

    edit_cell(w().fixed_tone_table, 0, 0, "4/3");
    EXPECT_EQ(doc().tables().fixed_tones()[0], 4.0f / 3.0f);
    EXPECT_EQ(status(), "");
    edit_cell(w().fixed_tone_table, 0, 0, "386.31c");
    EXPECT_NEAR(doc().tables().fixed_tones()[0], 1.25f, 1e-5f);
    edit_cell(w().fixed_tone_table, 0, 0, "4/0");
    EXPECT_EQ(status(), "\u20184/0\u2019: the denominator is 0.");
    edit_cell(w().fixed_tone_table, 0, 0, "0");
    EXPECT_EQ(status(), "A fixed-tone ratio must be 0.001\u20131000.");
    EXPECT_NEAR(doc().tables().fixed_tones()[0], 1.25f, 1e-5f);
}

TEST_F(ValueRulesWindowTest, ChordCellsTakeBlanksAndSayWhatIsWrongWhere) {
    doc().chord_action(ChordAction::AddAtFreeKey);
    edit_cell(w().chord_table, 0, 1, "220 275  330");
    EXPECT_EQ(cell(w().chord_table, 0, 1), "220,275,330");
    edit_cell(w().chord_table, 0, 1, "440hz");
    EXPECT_EQ(status(),
              "\u2018hz\u2019 at position 4: expected a number; separate tones with "
              ", | : ; / \\ - _ space or tab");
    doc().chord_action(ChordAction::AddAtFreeKey);
    edit_cell(w().chord_table, 1, 0, "0");
    EXPECT_EQ(status(), "Key 0 has a chord already.");
    EXPECT_EQ(cell(w().chord_table, 1, 0), "1");
}

class ValueRulesFilesTest : public ::testing::Test {
protected:
    QString write(const char* name, const DocumentFileState& state) {
        const QString path = folder.filePath(QString::fromLatin1(name));
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(QByteArray::fromStdString(encode_document_state(state)));
        return path;
    }

    QTemporaryDir folder;
    std::unique_ptr<DocumentStore> files = make_document_store();
    testing::ScriptedDialogs dialogs;
    HelpMenu app{QUrl(), [](const QUrl&) { return true; }};
    DocumentController controller{*files, dialogs, app};
};

TEST_F(ValueRulesFilesTest, ValuesBroughtIntoBoundsAreListedAndTheDocumentIsMarked) {
    DocumentFileState old;
    old.base_frequency = 10.0;
    old.scale_ratios = {1.0f, 5000.0f};
    const QString path = write("old.kelvara", old);
    DocumentWindow* window = controller.open_document(path);
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->isWindowModified());
    ASSERT_EQ(dialogs.notices.size(), 1u);
    EXPECT_THAT(dialogs.notices[0].first.toStdString(), HasSubstr("\u201cold.kelvara\u201d"));
    EXPECT_EQ(dialogs.notices[0].second,
              "scale ratio 5000 lowered to 1000\nbase frequency 10 raised to 20");
    EXPECT_EQ(window->widgets().base_frequency_field->text(), "20");

    // Reverting reads the file again: still brought into bounds, still marked.
    ASSERT_TRUE(controller.revert_to_saved(*window));
    EXPECT_TRUE(window->isWindowModified());
    EXPECT_EQ(dialogs.notices.size(), 2u);
    dialogs.save_changes_answers.push_back(UnsavedChangesChoice::Discard);
}

TEST_F(ValueRulesFilesTest, ARefusedFilesDialogNamesItAndGivesTheReadersReason) {
    DocumentFileState bad;
    bad.dissonance_ratios = {1.0f, 0.0f};
    EXPECT_EQ(controller.open_document(write("zero.kelvara", bad)), nullptr);
    ASSERT_EQ(dialogs.errors.size(), 1u);
    EXPECT_EQ(dialogs.errors[0].first, "\u201czero.kelvara\u201d could not be opened.");
    EXPECT_EQ(dialogs.errors[0].second,
              "The file is damaged or is not a Kelvara document.\n\"Kelvara dissonance ratios\": "
              "a fixed-tone ratio is 0, not above 0");
    EXPECT_FALSE(dialogs.errors[0].second.contains("occured"));
}

}  // namespace
}  // namespace kelvara
