// The graph's axes and markers as drawn: tick labels that never leave the panel nor touch,
// titles, labelled markers and scale lines, the zoom and pan gestures' requests, and the
// exports.
#include <gtest/gtest.h>

#include <QFile>
#include <QFontMetricsF>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QWheelEvent>
#include <cmath>

#include "engine/axis_ticks.h"
#include "view/graph_export.h"
#include "view/view_test_support.h"

namespace kelvara {
namespace {

struct LayoutCase {
    int width, height;
    RatioAxis axis;
    double x_min, x_max, y_min, y_max;
};

// Small and large panels, narrow and wide ranges, tiny and huge dissonances, both axes.
const LayoutCase kLayouts[] = {
    {300, 200, RatioAxis::Linear, 1.0, 2.0, 0.0, 4.0},
    {160, 120, RatioAxis::Linear, 1.0, 3.9975, 0.0, 0.36},
    {1200, 800, RatioAxis::Cents, 1.0, 4.0, 0.137, 0.2311},
    {640, 300, RatioAxis::Linear, 1.4983, 1.4984, -12345.0, 98765.0},
    {640, 300, RatioAxis::Cents, 0.001, 1000.0, 0.0, 0.0004},
    {480, 700, RatioAxis::Linear, 0.5, 999.0, -1e-6, 3e-6},
};

TEST(ViewAxes, TickLabelsStayInsideThePanelApartAndReadTheirTicks) {
    const QFontMetricsF metrics(graph_label_font());
    for (const LayoutCase& c : kLayouts) {
        SCOPED_TRACE(::testing::Message() << c.width << "x" << c.height << " x " << c.x_min << ".."
                                          << c.x_max << " y " << c.y_min << ".." << c.y_max);
        GraphWidget view;
        view.resize(c.width, c.height);
        view.set_x_range(c.x_min, c.x_max);
        view.set_y_range(c.y_min, c.y_max);
        view.set_ratio_axis(c.axis);
        testing::rendered(view);
        const AxisLayout& axes = view.axes();
        const QRectF panel(0, 0, c.width, c.height);
        EXPECT_GE(axes.x_ticks.size(), 2u);
        EXPECT_GE(axes.y_ticks.size(), 2u);
        const auto check = [&](const std::vector<TickMark>& ticks, bool along_x) {
            for (size_t i = 0; i < ticks.size(); ++i) {
                const TickMark& t = ticks[i];
                EXPECT_TRUE(panel.contains(t.label_box)) << t.text.toStdString();
                // The box holds the whole text, and the text is the tick's value.
                EXPECT_GE(t.label_box.width() + 0.01, metrics.horizontalAdvance(t.text));
                EXPECT_NEAR(t.text.toDouble(), t.value, std::fabs(t.value) * 1e-9 + 1e-12);
                if (i > 0) {
                    EXPECT_FALSE(ticks[i - 1].label_box.intersects(t.label_box));
                }
                const FloatRect& f = axes.frame;
                if (along_x)
                    EXPECT_TRUE(t.position >= f.x - 0.01f && t.position <= f.x + f.width + 0.01f);
                else
                    EXPECT_TRUE(t.position >= f.y - 0.01f && t.position <= f.y + f.height + 0.01f);
            }
        };
        check(axes.x_ticks, true);
        check(axes.y_ticks, false);
        EXPECT_TRUE(panel.contains(axes.x_title_box));
        // The upright y title's box, turned about its centre.
        const QRectF& y = axes.y_title_box;
        EXPECT_GE(y.center().x() - y.height() / 2, 0.0);
        EXPECT_FALSE(axes.y_ticks.front().label_box.intersects(
            QRectF(y.center().x() - y.height() / 2, 0, y.height(), c.height)));
    }
}

TEST(ViewAxes, TitlesAndLinearTickValues) {
    GraphWidget view;
    view.resize(600, 400);
    view.set_y_range(0.0, 0.36);
    testing::rendered(view);
    EXPECT_EQ(view.axes().x_title, "Interval ratio");
    std::vector<double> y;
    for (const TickMark& t : view.axes().y_ticks) y.push_back(t.value);
    const AxisTicks expected = nice_ticks(0.0, 0.36, static_cast<int>(y.size()));
    EXPECT_EQ(y, expected.values);
    EXPECT_EQ(view.axes().y_ticks.back().text,
              QString::fromStdString(tick_label(y.back(), expected.decimals)));
    // The x ticks of 1 to 2 stand at their ratios.
    for (const TickMark& t : view.axes().x_ticks)
        EXPECT_NEAR(view.location_for_x(static_cast<float>(t.value)), t.position, 1e-3f);
}

// The scale's ratios as lines, the selected one thick in the cursor's colour; labels only
// where they find room, the selected first.
TEST(ViewAxes, ScaleLinesAndMarkerLabels) {
    GraphWidget view;
    view.resize(600, 300);
    testing::rendered(view);
    std::vector<float> tet;
    for (int i = 0; i <= 24; ++i) tet.push_back(std::exp2(i / 24.0f));
    view.show_scale_ratios(tet, 5);
    EXPECT_TRUE(view.scale_lines_path()->path.isEmpty()) << "off until asked";
    view.show_scale_lines(true);
    view.show_just_ratios(true);
    EXPECT_EQ(view.scale_lines_path()->path.elementCount(), 2 * 24);
    const auto& labels = view.marker_labels();
    ASSERT_FALSE(labels.empty());
    EXPECT_EQ(labels.front().text, QString::number(tet[5], 'g', 5)) << "the selected first";
    bool has_three_halves = false;
    for (size_t i = 0; i < labels.size(); ++i) {
        has_three_halves |= labels[i].text == "3/2";
        for (size_t j = 0; j < i; ++j) EXPECT_FALSE(labels[i].box.intersects(labels[j].box));
    }
    EXPECT_TRUE(has_three_halves);
    EXPECT_LT(labels.size(), 14u + 25u) << "crowded labels are left out";
    view.set_ratio_axis(RatioAxis::Cents);
    EXPECT_EQ(view.marker_labels().front().text, "250");
}

// The wheel zooms x about the pointer (Ctrl: y), a Shift+drag pans; each asks through
// ranges_requested between gesture_started and gesture_finished; a plain press is the
// audition's; a double click asks for a fit.
TEST(ViewAxes, GesturesAskForRanges) {
    GraphWidget view;
    view.resize(600, 400);
    testing::rendered(view);
    QSignalSpy ranges(&view, &GraphWidget::ranges_requested);
    QSignalSpy started(&view, &GraphWidget::gesture_started);
    QSignalSpy finished(&view, &GraphWidget::gesture_finished);
    QSignalSpy audition(&view, &GraphWidget::audition_pressed);
    QSignalSpy fit(&view, &GraphWidget::fit_requested);
    const auto widget_x = [&](float ratio) { return view.location_for_x(ratio); };
    const auto wheel = [&](float ratio, int delta, Qt::KeyboardModifiers modifiers) {
        const QPointF at(widget_x(ratio), 200.0);
        QWheelEvent event(at, view.mapToGlobal(at), {}, QPoint(0, delta), Qt::NoButton, modifiers,
                          Qt::NoScrollPhase, false);
        QApplication::sendEvent(&view, &event);
    };
    wheel(1.25f, 120, Qt::NoModifier);
    wheel(1.25f, 120, Qt::NoModifier);
    ASSERT_EQ(ranges.size(), 2);
    EXPECT_EQ(started.size(), 1) << "a burst of the wheel is one gesture";
    // One notch narrows to 0.8 about 1.25: 1.05 to 1.85.
    EXPECT_NEAR(ranges[0][0].toDouble(), 1.05, 1e-6);
    EXPECT_NEAR(ranges[0][1].toDouble(), 1.85, 1e-6);
    EXPECT_EQ(ranges[0][2].toDouble(), 0.0);
    EXPECT_TRUE(QTest::qWaitFor([&] { return finished.size() == 1; }, 2000));

    wheel(1.5f, -120, Qt::ControlModifier);
    EXPECT_EQ(ranges.last()[0].toDouble(), 1.0) << "Ctrl leaves x";
    EXPECT_GT(ranges.last()[3].toDouble() - ranges.last()[2].toDouble(), 4.0) << "zooms y out";
    EXPECT_TRUE(QTest::qWaitFor([&] { return finished.size() == 2; }, 2000));

    const QPoint from(static_cast<int>(widget_x(1.5f)), 200);
    QTest::mousePress(&view, Qt::LeftButton, Qt::ShiftModifier, from);
    QTest::mouseMove(&view, from + QPoint(static_cast<int>(view.x_scale() * 0.25f), 0));
    QTest::mouseRelease(&view, Qt::LeftButton, Qt::ShiftModifier,
                        from + QPoint(static_cast<int>(view.x_scale() * 0.25f), 0));
    EXPECT_EQ(started.size(), 3);
    EXPECT_EQ(finished.size(), 3);
    EXPECT_NEAR(ranges.last()[0].toDouble(), 0.75, 0.01) << "dragged right: lower ratios";
    EXPECT_TRUE(audition.isEmpty()) << "a pan is no audition";

    QTest::mousePress(&view, Qt::LeftButton, {}, from);
    QTest::mouseRelease(&view, Qt::LeftButton, {}, from);
    ASSERT_EQ(audition.size(), 1);
    EXPECT_NEAR(audition[0][0].toFloat(), 1.5f, 0.01f);
    QTest::mouseDClick(&view, Qt::LeftButton, {}, from);
    EXPECT_EQ(fit.size(), 1);
}

// The three files hold the graph: a PNG of the view's size, an SVG and a PDF with the axis
// titles as text; a folder that does not exist is refused with the reason.
TEST(ViewAxes, ExportsWriteTheGraph) {
    QTemporaryDir dir;
    GraphWidget view;
    view.resize(400, 250);
    const float xs[] = {1.0f, 1.5f, 2.0f};
    const float ys[] = {1.0f, 0.5f, 2.0f};
    view.lend_arrays(xs, ys);
    view.redraw(3);
    ASSERT_TRUE(write_graph_file(view, GraphFileFormat::Png, dir.filePath("g.png"), 2).ok());
    EXPECT_EQ(QImage(dir.filePath("g.png")).size(), QSize(800, 500));
    ASSERT_TRUE(write_graph_file(view, GraphFileFormat::Svg, dir.filePath("g.svg")).ok());
    QFile svg(dir.filePath("g.svg"));
    ASSERT_TRUE(svg.open(QIODevice::ReadOnly));
    const QByteArray text = svg.readAll();
    EXPECT_TRUE(text.contains("Sensory dissonance"));
    EXPECT_TRUE(text.contains("Interval ratio"));
    EXPECT_FALSE(text.contains("<image")) << "vector, not a picture";
    ASSERT_TRUE(write_graph_file(view, GraphFileFormat::Pdf, dir.filePath("g.pdf")).ok());
    QFile pdf(dir.filePath("g.pdf"));
    ASSERT_TRUE(pdf.open(QIODevice::ReadOnly));
    EXPECT_TRUE(pdf.read(5) == "%PDF-");
    EXPECT_TRUE(view.shows_readout()) << "the readout comes back after the export";
    const Result<void> refused =
        write_graph_file(view, GraphFileFormat::Svg, dir.filePath("no/such/folder/g.svg"));
    ASSERT_FALSE(refused.ok());
    EXPECT_NE(refused.error().description.find("could not be written"), std::string::npos);
}

}  // namespace
}  // namespace kelvara
