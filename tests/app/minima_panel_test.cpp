// The minima panel of a real window on the default document: its valleys listed by ratio and
// marked on the graph, a click on a row moving the cursor line there, the threshold, sorting,
// and Minima to Scale (replace, then add) as undoable steps of the document.
#include <gtest/gtest.h>

#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <cmath>

#include "app/document_window.h"
#include "app/minima_panel.h"
#include "app/minima_table_model.h"
#include "support/window_controls.h"

namespace kelvara {
namespace {

std::vector<float> scale_of(const Document& document) {
    return document.tables().scale_ratios();
}

TEST(MinimaPanel, ListsMarksAndTakesTheMinimaIntoTheScaleAsUndoableSteps) {
    DocumentWindow window(std::make_unique<Document>());
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    MinimaPanel& panel = *window.minima_panel();
    panel.wait_for_search();
    QTableView* table = panel.table();
    const auto cell = [table](int row, int column) {
        return table->model()->index(row, column).data().toString();
    };
    const auto enter = [&](QLineEdit* field, const char* text) {
        field->selectAll();
        QTest::keyClicks(field, QString::fromLatin1(text));
        QTest::keyClick(field, Qt::Key_Return);
        panel.wait_for_search();
    };
    const auto enter_threshold = [&](const char* text) { enter(panel.threshold_field(), text); };
    // The minima named by a just ratio, and whether each lies on its ratio exactly.
    const auto named = [&panel] {
        std::vector<bool> exact;
        for (const CurveMinimum& m : panel.all_minima())
            if (m.just) exact.push_back(std::abs(m.just->cents_off) < 1e-6);
        return exact;
    };

    // At the threshold a window starts with: the main valleys, by ratio, each marked.
    const int shown = table->model()->rowCount();
    EXPECT_EQ(shown, 12);
    EXPECT_EQ(window.graph()->layers().minima.size(), static_cast<size_t>(shown));
    EXPECT_EQ(cell(0, MinimaTableModel::Just), "1/1");
    EXPECT_EQ(cell(shown - 1, MinimaTableModel::Just), "2/1");

    // Sorted by prominence, descending: the octave, then the unison, then the fifth.
    table->horizontalHeader()->setSortIndicator(MinimaTableModel::Prominence, Qt::DescendingOrder);
    EXPECT_EQ(cell(2, MinimaTableModel::Just), "3/2");
    // A click on its row moves the cursor line to the fifth.
    QTest::mouseClick(table->viewport(), Qt::LeftButton, {},
                      table->visualRect(table->model()->index(2, 0)).center());
    EXPECT_EQ(window.graph()->layers().cursor_ratio, 1.5f);

    // The just-ratio tolerance names the minima anew: at 0 cents only those exactly on their
    // fraction (the cusps).
    enter(panel.just_tolerance_field(), "0");
    EXPECT_EQ(named(), std::vector<bool>(named().size(), true));

    // A plain number is in the curve's units (a threshold refused: tests/cli's minima).
    enter_threshold("0.3");
    EXPECT_EQ(table->model()->rowCount(), 5);
    QTest::mouseClick(panel.replace_button(), Qt::LeftButton);
    const std::vector<float> replaced{1.0f, 4.0f / 3, 1.5f, 5.0f / 3, 2.0f};
    EXPECT_EQ(scale_of(window.document()), replaced);
    EXPECT_EQ(window.document().history().undo_name(), EditName::MinimaToScale);

    enter_threshold("0.1");
    QTest::mouseClick(panel.add_button(), Qt::LeftButton);
    const std::vector<float> added{1.0f, 1.2f, 1.25f, 4.0f / 3, 1.4f, 1.5f, 5.0f / 3, 1.75f, 2.0f};
    EXPECT_EQ(scale_of(window.document()), added);

    // The threshold is one of the document's undo steps, between the two.
    window.document().history().undo();
    EXPECT_EQ(scale_of(window.document()), replaced);
    window.document().history().undo();
    EXPECT_EQ(panel.threshold_field()->text(), "0.3");

    // Relative to the curve's range, the valleys of six equal harmonics (a curve peaking near
    // 0.14) stay listed (the same threshold in the curve's units: tests/cli's 3%).
    enter_threshold("3%");
    window.document().curve_actions().set_overtone_type(1);
    window.document().curve_actions().set_number_of_overtones(6);
    panel.wait_for_search();
    EXPECT_EQ(panel.status_label()->text(), "7 of 9 minima") << "the new curve searched again";
}

// "± Cents" sorts by how far a minimum lies from its just ratio, on either side.
TEST(MinimaTableModel, TheJustCentsSortByTheDistanceOnEitherSide) {
    CurveMinimum below, above;
    below.just = JustRatio{5, 4, -5.0};
    above.just = JustRatio{3, 2, 3.0};
    MinimaTableModel model;
    model.set_minima({below, above});
    const auto key = [&model](int row) {
        return model.index(row, MinimaTableModel::JustCents)
            .data(MinimaTableModel::kSortRole)
            .toDouble();
    };
    EXPECT_GT(key(0), key(1));
}

}  // namespace
}  // namespace kelvara
