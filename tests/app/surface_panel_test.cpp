// The Triad Surface tab of a real window on the default document: the surface computed off
// the user-interface thread with its exact minima, a press on a minimum's mark selecting its
// row, its triad sent to the chord map and its tones to the fixed tones as undoable steps (the
// surface following the new fixed tones), and the worst case cancelled while it computes.
#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QTest>
#include <cmath>

#include "app/document_window.h"
#include "app/surface_panel.h"
#include "support/window_controls.h"
#include "view/surface_picture.h"
#include "view/surface_widget.h"

namespace kelvara {
namespace {

// The index of the minimum at (r, s), or -1.
int minimum_index(const SurfacePanel& panel, double r, double s) {
    const std::vector<SurfaceMinimum>& minima = panel.minima();
    for (size_t k = 0; k < minima.size(); ++k)
        if (std::abs(minima[k].r - r) < 1e-9 && std::abs(minima[k].s - s) < 1e-9)
            return static_cast<int>(k);
    return -1;
}

TEST(SurfacePanel, ComputesMarksSendsAMinimumOnAndCancelsTheWorstCase) {
    DocumentWindow window(std::make_unique<Document>());
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    Document& doc = window.document();
    SurfacePanel& panel = *window.surface_panel();
    testing::control<QTabWidget>(window, "view_tabs")->setCurrentWidget(&panel);
    panel.wait_for_surface();

    const int k = minimum_index(panel, 1.25, 1.5);
    ASSERT_GE(k, 0) << "4:5:6 among the minima";
    ASSERT_TRUE(panel.minima()[static_cast<size_t>(k)].triad);
    EXPECT_EQ(triad_text(*panel.minima()[static_cast<size_t>(k)].triad), "4:5:6");

    // A press on its mark selects its row; the button sends its chord in hertz.
    SurfaceWidget& map = *panel.surface();
    const SurfaceGeometry& view = map.geometry_shown();
    const QPointF mark = surface_map_area(QSizeF(map.size())).topLeft() +
                         QPointF(view.x_of_r(1.25), view.y_of_s(1.5));
    QTest::mousePress(&map, Qt::LeftButton, {}, mark.toPoint());
    QTest::mouseRelease(&map, Qt::LeftButton, {}, mark.toPoint());
    ASSERT_TRUE(panel.to_chord_map_button()->isEnabled());
    panel.to_chord_map_button()->click();
    const auto chord = doc.chords().chord_for_key(60);
    ASSERT_NE(chord, nullptr);
    EXPECT_EQ(*chord, (Chord{440.0f, 550.0f, 660.0f}));

    EXPECT_TRUE(map.readout_text(1.25, 1.5).contains(QStringLiteral("D 4.6190")));

    // Its tones join the fixed tones (a new surface computed again: the worst case below).
    panel.to_fixed_tones_button()->click();
    EXPECT_EQ(doc.tables().fixed_tones(), (std::vector<float>{1.0f, 1.25f, 1.5f}));

    // The worst case shows its progress and stops when asked.
    doc.curve_actions().set_number_of_overtones(kMaxCurvePartials);
    doc.table_actions().set_fixed_tones(
        std::vector<float>{1.0f, 1.0625f, 1.125f, 1.2f, 1.25f, 1.3333f, 1.5f, 1.6f, 1.6667f, 2.0f});
    for (int wait = 0; wait < 2000 && !panel.cancel_button()->isVisible(); ++wait) QTest::qWait(10);
    ASSERT_TRUE(panel.cancel_button()->isVisible());
    QTest::mouseClick(panel.cancel_button(), Qt::LeftButton);
    panel.wait_for_surface();
    EXPECT_EQ(panel.status_label()->text(), "Cancelled.");
    EXPECT_FALSE(panel.cancel_button()->isVisible());
}

}  // namespace
}  // namespace kelvara
