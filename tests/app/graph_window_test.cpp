// The graph in its window: a zoom gesture is one undo step, Fit goes back, the cursor line
// and the selected scale row agree after every change of the scale, and every control and
// table shows whole at the window's minimum size.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QToolButton>
#include <QWheelEvent>
#include <cmath>

#include "app/document_window.h"
#include "app/scale_selection.h"
#include "support/shown_window.h"
#include "support/window_controls.h"
#include "view/graph_gestures.h"

namespace kelvara {
namespace {

class GraphWindowTest : public testing::ShownWindowTest {
protected:
    void wheel_over_graph(float ratio, int notches) {
        GraphWidget* graph = window.graph();
        const QPointF at(graph->geometry().x_for_ratio(ratio), graph->height() / 2.0);
        QWheelEvent event(at, graph->mapToGlobal(at), {}, QPoint(0, 120 * notches), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(graph, &event);
    }
    std::optional<size_t> selected_scale_row() const {
        const QModelIndexList rows = table("scale_table")->selectionModel()->selectedRows();
        return rows.isEmpty() ? std::nullopt
                              : std::optional<size_t>(static_cast<size_t>(rows.front().row()));
    }
    // The cursor line stands at the selected row's ratio, or is gone with no row selected.
    void expect_cursor_on_selected_row() {
        const auto row = selected_scale_row();
        if (row) {
            EXPECT_EQ(window.graph()->layers().cursor_ratio, doc().tables().scale_ratios()[*row]);
        } else {
            EXPECT_TRUE(std::isnan(window.graph()->layers().cursor_ratio));
        }
        EXPECT_EQ(window.graph()->layers().selected_scale_ratio, row);
    }
};

// A burst of the wheel is one undo step whatever its length; Fit returns to the ratio range
// from before it (the dissonance range it fits: document_window_test.cpp).
TEST_F(GraphWindowTest, AZoomIsOneUndoStepAndFitGoesBack) {
    const float x_min = doc().curve().x_min(), x_max = doc().curve().x_max();
    for (int i = 0; i < 4; ++i) wheel_over_graph(1.5f, 1);
    EXPECT_LT(doc().curve().x_max() - doc().curve().x_min(), 0.5f);
    EXPECT_EQ(field("x_max_field")->text().toFloat(), doc().curve().x_max()) << "the fields follow";
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return !doc().history().can_redo() && doc().history().undo_name(); }, 2000));
    QTest::qWait(GraphGestures::kWheelGestureMs + 100);
    doc().history().undo();
    EXPECT_EQ(doc().curve().x_min(), x_min);
    EXPECT_EQ(doc().curve().x_max(), x_max);
    EXPECT_FALSE(doc().history().can_undo()) << "four notches, one step";

    doc().history().redo();
    QTest::mouseClick(find<QPushButton>("fit_y_button"), Qt::LeftButton);
    EXPECT_EQ(doc().curve().x_min(), x_min);
    EXPECT_EQ(doc().curve().x_max(), x_max);
}

// Whether the scale's rows change or go (a preset added, Clear), the row selected and the
// cursor line stay on one ratio. (Where the row goes, a deleted one's too: ScaleSelection
// below; a re-sorting edit through the table: document_window_test.cpp.)
TEST_F(GraphWindowTest, TheCursorAndTheSelectedRowAgreeAfterEveryScaleChange) {
    doc().curve_actions().set_plot_flags({.selected_ratio = true});
    doc().table_actions().add_scale_preset(ScalePreset::TwelveTone);
    table("scale_table")->selectRow(7);  // 1.4983
    expect_cursor_on_selected_row();
    const float fifth = doc().tables().scale_ratios()[7];
    doc().table_actions().add_scale_preset(ScalePreset::JustRatios, {},
                                           ScaleImportMode::Add);  // rows before it
    EXPECT_EQ(doc().tables().scale_ratios()[*selected_scale_row()], fifth);
    expect_cursor_on_selected_row();
    doc().table_actions().scale_action(ScaleAction::RemoveAll);
    EXPECT_FALSE(selected_scale_row());
    expect_cursor_on_selected_row();
}

TEST(ScaleSelection, TheRowFollowsItsRatioTheEditOrTheDeletedRowsPlace) {
    using V = std::vector<float>;
    struct Case {
        V before;
        std::optional<size_t> row;
        V after;
        std::optional<size_t> expected;
    };
    const Case cases[] = {
        {{1, 1.2f, 1.5f}, 2, {1, 1.1f, 1.2f, 1.5f}, 3},  // a row arrived before it
        {{1, 1.2f, 1.5f}, 1, {1, 1.5f, 1.6f}, 2},        // 1.2 edited to 1.6 and sorted
        {{1, 1.2f, 1.5f}, 1, {1, 1.5f}, 1},              // deleted: the next takes its place
        {{1, 1.2f, 1.5f}, 2, {1, 1.2f}, 1},              // the last deleted: the new last
        {{1, 1, 1}, 2, {1, 1, 1, 2}, 2},                 // of equal ratios, the one nearest
    };
    for (const Case& c : cases)
        EXPECT_EQ(row_after_change(c.before, c.row, c.after), c.expected)
            << c.before.size() << " " << c.after.size();
}

// At the minimum size (where a window opens, the offscreen screen being smaller) every
// control is as wide as it needs, every field's text fits, nothing is squeezed below what its
// layout needs, and every table has room for four rows, the ones on hidden tabs as well.
TEST_F(GraphWindowTest, EveryControlAndTableShowsWholeAtTheMinimumSize) {
    EXPECT_EQ(window.minimumSize(), QSize(1024, 700));
    window.resize(1024, 700);
    doc().curve_actions().set_bound(BoundField::YMax, 0.4661337f);
    QApplication::processEvents();
    for (const QWidget* part : {window.centralWidget(), find<QWidget>("minima_panel")})
        EXPECT_LE(part->minimumSizeHint().height(), part->height())
            << part->objectName().toStdString();
    for (const char* name :
         {"scale_table", "partial_table", "fixed_tone_table", "chord_table", "minima_table"}) {
        const QTableView* view = table(name);
        EXPECT_GE(view->viewport()->height(), 4 * view->verticalHeader()->defaultSectionSize())
            << name;
    }
    const QRect inside = window.rect();
    int checked = 0;
    for (QWidget* control : window.findChildren<QWidget*>()) {
        const bool is_control = qobject_cast<QLineEdit*>(control) ||
                                qobject_cast<QAbstractButton*>(control) ||
                                qobject_cast<QComboBox*>(control) || qobject_cast<QLabel*>(control);
        // Qt's own parts (a dock's title buttons) are Qt's to lay out.
        if (!is_control || !control->isVisible() || control->window() != &window ||
            control->objectName().startsWith("qt_"))
            continue;
        SCOPED_TRACE(control->objectName().toStdString() + " " +
                     control->metaObject()->className());
        const QRect at(control->mapTo(&window, QPoint(0, 0)), control->size());
        EXPECT_TRUE(inside.contains(at));
        EXPECT_GE(control->width(), control->minimumSizeHint().width());
        if (auto* field = qobject_cast<QLineEdit*>(control)) {
            const int room = field->contentsRect().width() - field->textMargins().left() -
                             field->textMargins().right() - 4;
            EXPECT_LE(field->fontMetrics().horizontalAdvance(field->text()), room)
                << field->text().toStdString();
        }
        ++checked;
    }
    EXPECT_GT(checked, 30);
}

}  // namespace
}  // namespace kelvara
