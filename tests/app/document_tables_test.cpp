// The three tables of a document window through real widgets: the segments and the preset
// menu run the document's actions, cells show and take values, refused text keeps the old
// value with its error shown, and the scale selection moves the graph's cursor line.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QLineEdit>
#include <QMenu>
#include <QStatusBar>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include "app/document_window.h"
#include "view/graph_widget.h"

namespace kelvara {
namespace {

using ::testing::ElementsAre;

class DocumentTablesTest : public ::testing::Test {
protected:
    void SetUp() override {
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    }
    const WindowWidgets& w() const { return window.widgets(); }
    Document& doc() { return window.document(); }

    static QString cell(QTableView* view, int row, int column) {
        return view->model()->index(row, column).data().toString();
    }
    // Edits a cell as a user does: open the editor, type, press Return. The delegate commits
    // through a queued call, so events are processed afterwards.
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
        // The closed editor is deleted later; let it go before the next edit looks for one.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    // Chooses a preset through the menu of the presets segment, as a click and a pick.
    void choose_preset(int position) {
        QMenu* menu = w().preset_menu;
        QTimer::singleShot(0, menu, [menu, position] {
            for (int i = 0; i <= position; ++i) QTest::keyClick(menu, Qt::Key_Down);
            QTest::keyClick(menu, Qt::Key_Return);
        });
        QTest::mouseClick(w().scale_buttons[1], Qt::LeftButton);
        QCoreApplication::processEvents();
    }

    DocumentWindow window{std::make_unique<Document>()};
};

TEST_F(DocumentTablesTest, ModelsKeepTheTableModelContract) {
    for (QTableView* view : {w().scale_table, w().fixed_tone_table, w().chord_table})
        QAbstractItemModelTester tester(view->model(),
                                        QAbstractItemModelTester::FailureReportingMode::Fatal);
    EXPECT_EQ(w().scale_table->model()->headerData(1, Qt::Horizontal).toString(), "Cents");
    EXPECT_EQ(w().chord_table->model()->headerData(0, Qt::Horizontal).toString(), "MIDI Note");
    EXPECT_EQ(w().chord_table->model()->headerData(1, Qt::Horizontal).toString(), "Chord String");
}

TEST_F(DocumentTablesTest, ThePresetMenuFillsTheScaleTable) {
    ASSERT_EQ(w().preset_menu->actions().size(), 6);
    choose_preset(2);  // 12 equal steps per octave
    ASSERT_EQ(w().scale_table->model()->rowCount(), 25);
    EXPECT_EQ(cell(w().scale_table, 0, 0), "1");
    EXPECT_EQ(cell(w().scale_table, 12, 0), "2");
    EXPECT_EQ(cell(w().scale_table, 12, 1), "1200");
    EXPECT_EQ(cell(w().scale_table, 24, 0), "4");
    EXPECT_TRUE(window.isWindowModified());
}

TEST_F(DocumentTablesTest, TheEqualDivisionPresetReadsItsTwoFields) {
    w().division_base_field->setText(QStringLiteral("3"));
    w().division_count_field->setText(QStringLiteral("13"));
    w().preset_menu->actions()[1]->trigger();
    EXPECT_EQ(w().scale_table->model()->rowCount(), 18);
}

TEST_F(DocumentTablesTest, SegmentsAddAndDeleteRows) {
    QTest::mouseClick(w().scale_buttons[0], Qt::LeftButton);
    QTest::mouseClick(w().scale_buttons[0], Qt::LeftButton);
    EXPECT_EQ(w().scale_table->model()->rowCount(), 2);
    QTest::mouseClick(w().scale_buttons[2], Qt::LeftButton);
    EXPECT_EQ(window.beep_count(), 1) << "nothing selected to delete";
    w().scale_table->selectRow(1);
    QTest::mouseClick(w().scale_buttons[2], Qt::LeftButton);
    EXPECT_EQ(w().scale_table->model()->rowCount(), 1);

    QTest::mouseClick(w().fixed_tone_buttons[0], Qt::LeftButton);
    EXPECT_EQ(w().fixed_tone_table->model()->rowCount(), 2);
    QTest::mouseClick(w().chord_buttons[0], Qt::LeftButton);
    QTest::mouseClick(w().chord_buttons[1], Qt::LeftButton);
    EXPECT_EQ(cell(w().chord_table, 0, 0), "0");
    EXPECT_EQ(cell(w().chord_table, 0, 1), "110");
    EXPECT_EQ(cell(w().chord_table, 1, 1), "440,440");
    w().chord_table->selectRow(0);
    QTest::keyClick(w().chord_table, Qt::Key_Delete);
    EXPECT_EQ(w().chord_table->model()->rowCount(), 1);
}

TEST_F(DocumentTablesTest, EditedCellsReachTheDocumentAndTheScaleStaysSorted) {
    w().preset_menu->actions()[2]->trigger();
    edit_cell(w().scale_table, 24, 1, QStringLiteral("700"));
    EXPECT_EQ(cell(w().scale_table, 7, 0), "1.4983071");
    EXPECT_EQ(doc().tables().scale_ratios()[7], 1.4983071f);
    edit_cell(w().fixed_tone_table, 0, 0, QStringLiteral("1.5"));
    EXPECT_THAT(doc().tables().fixed_tones(), ElementsAre(1.5f));
}

TEST_F(DocumentTablesTest, TheChordColumnRefusesBadTextShowsTheErrorAndKeepsTheChord) {
    QTest::mouseClick(w().chord_buttons[0], Qt::LeftButton);
    edit_cell(w().chord_table, 0, 1, QStringLiteral("220;275 / 330"));
    EXPECT_EQ(cell(w().chord_table, 0, 1), "220,275,330");

    doc().update_change_count(ChangeKind::Cleared);
    edit_cell(w().chord_table, 0, 1, QStringLiteral("220,abc"));
    EXPECT_EQ(cell(w().chord_table, 0, 1), "220,275,330");
    EXPECT_TRUE(window.statusBar()->currentMessage().startsWith(
        "\u2018abc\u2019 at position 5: expected a number"));
    EXPECT_EQ(window.beep_count(), 1);
    EXPECT_FALSE(doc().is_edited());
}

TEST_F(DocumentTablesTest, SelectingAScaleRowMovesTheCursorLine) {
    auto* view = window.graph();
    ASSERT_NE(view, nullptr);
    w().preset_menu->actions()[0]->trigger();  // just ratios
    w().scale_table->selectRow(7);             // 3/2
    EXPECT_EQ(view->cursor_ratio(), 1.5f);
    // A selection in another table moves the line to the selected scale ratio again.
    QTest::mouseClick(w().plot_toggles[1], Qt::LeftButton);
    w().fixed_tone_table->selectRow(0);
    EXPECT_EQ(view->cursor_ratio(), 1.5f);
    EXPECT_TRUE(view->shows_cursor_line());
}

}  // namespace
}  // namespace kelvara
