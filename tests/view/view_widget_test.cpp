// The graph widget over its geometry: its ranges and layers as the document sets them,
// labelled markers and scale lines, the readout, the zoom and pan gestures' requests, and the
// exports.
#include <gtest/gtest.h>

#include <QFile>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>
#include <limits>

#include "document/document.h"
#include "document/document_minima.h"
#include "view/curve_polylines.h"
#include "view/graph_export.h"
#include "view/graph_gestures.h"
#include "view/view_test_support.h"

namespace kelvara {
namespace {

// The scale's ratios as lines, the selected one thick in the cursor's colour; labels only
// where they find room, the selected first.
TEST(ViewWidget, ScaleLinesAndMarkerLabels) {
    GraphWidget view;
    testing::lay_out(view, 600, 300);
    std::vector<float> tet;
    for (int i = 0; i <= 24; ++i) tet.push_back(std::exp2(i / 24.0f));
    view.show_scale_ratios(tet, 5);
    EXPECT_TRUE(view.marker_labels().empty()) << "off until asked";
    view.show_scale_lines(true);
    view.set_plot_flags({.just_ratios = true});
    const auto& labels = view.marker_labels();
    ASSERT_FALSE(labels.empty());
    EXPECT_EQ(labels.front().text, QString::number(tet[5], 'g', 5)) << "the selected first";
    for (size_t i = 0; i < labels.size(); ++i)
        for (size_t j = 0; j < i; ++j) EXPECT_FALSE(labels[i].box.intersects(labels[j].box));
    EXPECT_TRUE(std::any_of(labels.begin(), labels.end(), [](auto& l) { return l.text == "3/2"; }));
    EXPECT_LT(labels.size(), 14u + 25u) << "crowded labels are left out";
    view.set_ratio_axis(RatioAxis::Cents);
    EXPECT_EQ(view.marker_labels().front().text, "250");
}

// The wheel zooms x about the pointer (Ctrl: y), a Shift+drag pans; each asks through
// ranges_requested between gesture_started and gesture_finished; a pan is no audition (a
// plain press auditions: tests/app/document_window_test.cpp); a double click asks for a fit.
TEST(ViewWidget, GesturesAskForRanges) {
    GraphWidget view;
    testing::lay_out(view, 600, 400);
    const GraphGestures* gestures = &view.gestures();
    QSignalSpy ranges(gestures, &GraphGestures::ranges_requested);
    QSignalSpy started(gestures, &GraphGestures::gesture_started);
    QSignalSpy finished(gestures, &GraphGestures::gesture_finished);
    QSignalSpy audition(gestures, &GraphGestures::audition_pressed);
    QSignalSpy fit(gestures, &GraphGestures::fit_requested);
    const auto widget_x = [&](float ratio) { return view.geometry().x_for_ratio(ratio); };
    const auto wheel = [&](float ratio, int delta, Qt::KeyboardModifiers modifiers) {
        const QPointF at(widget_x(ratio), 200.0);
        QWheelEvent event(at, view.mapToGlobal(at), {}, QPoint(0, delta), Qt::NoButton, modifiers,
                          Qt::NoScrollPhase, false);
        QApplication::sendEvent(&view, &event);
    };
    wheel(1.25f, 120, Qt::NoModifier);  // (a burst as one step: graph_window_test.cpp)
    ASSERT_EQ(ranges.size(), 1);
    // One notch narrows to 0.8 about 1.25: 1.05 to 1.85.
    EXPECT_NEAR(ranges[0][0].toDouble(), 1.05, 1e-6);
    EXPECT_NEAR(ranges[0][1].toDouble(), 1.85, 1e-6);
    EXPECT_TRUE(QTest::qWaitFor([&] { return finished.size() == 1; }, 2000));

    wheel(1.5f, -120, Qt::ControlModifier);
    EXPECT_EQ(ranges.last()[0].toDouble(), 1.0) << "Ctrl leaves x";
    EXPECT_GT(ranges.last()[3].toDouble() - ranges.last()[2].toDouble(), 4.0) << "zooms y out";
    EXPECT_TRUE(QTest::qWaitFor([&] { return finished.size() == 2; }, 2000));

    const QPoint from(static_cast<int>(widget_x(1.5f)), 200);
    QTest::mousePress(&view, Qt::LeftButton, Qt::ShiftModifier, from);
    QTest::mouseMove(&view, from + QPoint(static_cast<int>(view.geometry().x_scale() * 0.25f), 0));
    QTest::mouseRelease(&view, Qt::LeftButton, Qt::ShiftModifier,
                        from + QPoint(static_cast<int>(view.geometry().x_scale() * 0.25f), 0));
    EXPECT_EQ(started.size(), 3);
    EXPECT_EQ(finished.size(), 3);
    EXPECT_NEAR(ranges.last()[0].toDouble(), 0.75, 0.01) << "dragged right: lower ratios";
    EXPECT_TRUE(audition.isEmpty()) << "a pan is no audition";
    QTest::mouseDClick(&view, Qt::LeftButton, {}, from);
    EXPECT_EQ(fit.size(), 1);
}

// The three files hold the graph: a PNG of the view's size, an SVG and a PDF with the axis
// titles as text; a folder that does not exist is refused with the reason.
TEST(ViewWidget, ExportsWriteTheGraph) {
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
    EXPECT_FALSE(text.contains("<image")) << "vector, not a picture";
    ASSERT_TRUE(write_graph_file(view, GraphFileFormat::Pdf, dir.filePath("g.pdf")).ok());
    QFile pdf(dir.filePath("g.pdf"));
    ASSERT_TRUE(pdf.open(QIODevice::ReadOnly));
    EXPECT_TRUE(pdf.read(5) == "%PDF-");
    EXPECT_TRUE(view.layers().readout) << "the readout comes back after the export";
    const Result<void> refused =
        write_graph_file(view, GraphFileFormat::Svg, dir.filePath("no/such/folder/g.svg"));
    ASSERT_FALSE(refused.ok());
    EXPECT_NE(refused.error().description.find("could not be written"), std::string::npos);
}

TEST(ViewWidget, TheReadoutReadsTheCurveAtThePointersRatio) {
    GraphWidget view;
    testing::lay_out(view, 300, 200);
    EXPECT_TRUE(view.readout_text().startsWith("Point at the graph")) << "no (0.000, 0.000)";
    const float xs[] = {1.0f, 1.5f, 2.0f};
    const float ys[] = {0.0f, 0.224f, 2.0f};
    view.lend_arrays(xs, ys);
    view.redraw(3);
    const GraphGeometry& g = view.geometry();
    // A press well above the curve at 3/2 reads the curve's value there, not the press's.
    const auto widget_point = [&](float ratio, float dissonance) {
        return QPoint(static_cast<int>(std::lround(g.x_for_ratio(ratio))),
                      static_cast<int>(std::lround(g.widget_y(g.y_for_value(dissonance)))));
    };
    QTest::mouseClick(&view, Qt::LeftButton, {}, widget_point(1.5f, 3.0f));
    ASSERT_TRUE(view.layers().readout_ratio);
    EXPECT_NEAR(*view.layers().readout_ratio, 1.5f, 0.01f);
    EXPECT_TRUE(view.readout_text().contains(QStringLiteral("\u2248 3/2")))
        << view.readout_text().toStdString();
    EXPECT_TRUE(view.readout_text().contains("dissonance 0.2"))
        << view.readout_text().toStdString();
    // The pointer's motion reads too.
    QMouseEvent move(QEvent::MouseMove, widget_point(1.75f, 1.0f), view.mapToGlobal(QPoint()),
                     Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(&view, &move);
    EXPECT_NEAR(*view.layers().readout_ratio, 1.75f, 0.01f);
    // Between samples the value is interpolated.
    EXPECT_TRUE(view.readout_text().contains("dissonance 1.11"))
        << view.readout_text().toStdString();
}

// Ranges it cannot plot leave the last ones; a resize lays the geometry out again.
TEST(ViewWidget, KeepsItsLastPlottableRangesAndFollowsItsSize) {
    GraphWidget view;
    testing::lay_out(view, 300, 200);
    view.set_x_range(-1.0, 2.0);  // no place for -1 on the cents axis to come
    view.set_ratio_axis(RatioAxis::Cents);
    view.set_x_range(1.5, 1.5);
    view.set_y_range(0.0, std::numeric_limits<double>::infinity());
    view.set_slope_range(std::nan(""), 1.0);
    const GraphRanges& r = view.geometry().ranges();
    EXPECT_EQ(view.geometry().axis(), RatioAxis::Linear);
    EXPECT_TRUE(r.x.min == -1.0 && r.y.max == 4.0 && r.slope.min == 0.0);
    const float width = view.geometry().frame().width;
    testing::lay_out(view, 331, 200);
    EXPECT_FLOAT_EQ(view.geometry().frame().width, width + 31.0f);
}

// The seam through the real document: it lends the arrays, ranges and flags.
TEST(ViewWidget, DrawsTheDocumentsCurveAndReadsNothingFreedAfterIt) {
    GraphWidget view;
    view.resize(300, 200);
    {
        Document document;
        NullDocumentView no_fields;
        document.attach_views(no_fields, &view);
        document.show_all();
        // Drawn at the view's resolution: a sample in every pixel across the frame. (The
        // ranges and flags it lends: document_window_test.cpp.)
        EXPECT_GE(view.layers().number_of_points, int32_t(view.geometry().frame().width));
        testing::rendered(view);
    }
    // The document took its arrays back when it went: a relayout reads nothing freed.
    const int32_t drawn = view.layers().number_of_points;
    testing::lay_out(view, 320, 200);
    EXPECT_EQ(view.layers().number_of_points, drawn);
}

// Zoomed into 3/2, the curve the graph draws reaches the exact minimum's depth and place
// through the geometry's own maps: within a twentieth of a device pixel, where sampling
// alone, a sample in every pixel, can miss the cusp by most of one.
TEST(ViewWidget, AZoomedCuspIsDrawnAtTheExactMinimum) {
    GraphWidget view;
    view.resize(800, 400);
    Document document;
    NullDocumentView no_fields;
    document.attach_views(no_fields, &view);
    document.show_all();
    document.curve_actions().set_overtone_type(FlatHarmonics);
    document.curve_actions().set_number_of_overtones(6);
    document.curve_actions().set_graph_ranges(1.34f, 1.67f, 0.0f, 0.07f);
    const MinimaQuery query = minima_query(document);
    const auto minima = find_minima(query);
    ASSERT_TRUE(minima);
    document.show_exact_minima(query, *minima);
    // The deepest in view: the cusp at 3/2.
    const auto fifth = std::min_element(
        minima->begin(), minima->end(),
        [](const CurveMinimum& a, const CurveMinimum& b) { return a.value < b.value; });
    ASSERT_NEAR(fifth->ratio, 1.5, 1e-9);

    const GraphGeometry& g = view.geometry();
    const DrawnCurve& drawn = document.drawn_curve();
    float lowest_y = INFINITY, lowest_x = 0.0f;
    for (const Polyline& line :
         curve_polylines(g, drawn.x_values.data(), drawn.y_values.data(), drawn.count()))
        for (const auto& point : line)
            if (point.y < lowest_y) lowest_y = point.y, lowest_x = point.x;
    const float pixel = 1.0f / float(view.devicePixelRatioF()), near = pixel / 20.0f;
    EXPECT_NEAR(lowest_y, g.y_for_value(float(fifth->value)), near);
    EXPECT_NEAR(lowest_x, g.x_for_ratio(float(fifth->ratio)), near);
    document.detach_views();
}

}  // namespace
}  // namespace kelvara
