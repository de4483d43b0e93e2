// What the view paints, read back from images: the panel's gradient, shine and edge, the
// curves in their colours, the text in a real font, HiDPI, and the logged failures.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFontInfo>
#include <QFontMetrics>
#include <QPainter>
#include <cmath>
#include <limits>

#include "view/panel_shading.h"
#include "view/view_test_support.h"

namespace kelvara {
namespace {

using testing::alpha;
using testing::blue;
using testing::green;
using testing::red;

constexpr Rgba kPanelGreen{0.0f, 0.7f, 0.0f, 0.5f};
constexpr double kByte = 2.5 / 255.0;  // two 8-bit steps and rounding

// One layer drawn alone on a transparent image, in view units.
template <typename Draw>
QImage layer(int width, int height, Draw draw) {
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        painter.setTransform(widget_from_view(static_cast<float>(height)));
        draw(painter, FloatRect{0, 0, static_cast<float>(width), static_cast<float>(height)});
    }
    return image.convertToFormat(QImage::Format_ARGB32);
}

TEST(PanelShading, TheBodyGoesFromTheBackgroundAtTheBottomTo70PercentAtTheTop) {
    const QImage image = layer(40, 200, [](QPainter& p, const FloatRect& body) {
        paint_body_panel(p, body, kPanelGreen);
    });
    EXPECT_NEAR(green(image, 10, 199), 0.7, kByte);
    EXPECT_NEAR(green(image, 10, 0), 0.49, kByte);
    EXPECT_NEAR(green(image, 10, 100), 0.595, kByte);
    for (const int y : {0, 100, 199}) {
        EXPECT_NEAR(alpha(image, 10, y), 0.5, kByte) << y;
        EXPECT_NEAR(red(image, 10, y), 0.0, kByte) << y;
        EXPECT_NEAR(blue(image, 10, y), 0.0, kByte) << y;
    }
    // Black stays black: the default panel is uniform.
    const QImage dark = layer(20, 100, [](QPainter& p, const FloatRect& body) {
        paint_body_panel(p, body, Rgba{0, 0, 0, 0.6666f});
    });
    EXPECT_NEAR(alpha(dark, 5, 0), 0.6666, kByte);
    EXPECT_NEAR(alpha(dark, 5, 99), 0.6666, kByte);
    EXPECT_EQ(dark.pixel(5, 0), dark.pixel(5, 99));
}

TEST(PanelShading, TheShineStaysWithinTheTop15UnitsWhateverTheHeight) {
    for (const int height : {10, 15, 16, 60, 400}) {
        const QImage image =
            layer(30, height, [](QPainter& p, const FloatRect& body) { paint_shine(p, body); });
        EXPECT_GT(alpha(image, 5, 0), 0.7) << height;  // 1 − tanh(2π / 30) at the top row
        EXPECT_NEAR(red(image, 5, 0), 1.0, kByte);
        for (int y = 15; y < height; ++y) ASSERT_EQ(qAlpha(image.pixel(5, y)), 0) << height;
    }
}

TEST(PanelShading, TheEdgeIsABlackOutlineOverALightBottomLine) {
    const QImage image =
        layer(100, 50, [](QPainter& p, const FloatRect& body) { paint_panel_edge(p, body); });
    // The outline straddles view y 1 and the light line view y 0 (the bottom edge), so
    // the bottom row mixes both and the row above holds the outline's other half.
    EXPECT_GT(red(image, 50, 49), 0.4);
    EXPECT_LT(red(image, 50, 48), 0.1);
    EXPECT_NEAR(alpha(image, 50, 48), 0.5, 0.02);
    EXPECT_LT(red(image, 50, 0), 0.1);  // the top side, half outside
    EXPECT_NEAR(alpha(image, 50, 0), 0.5, 0.02);
    EXPECT_LT(red(image, 0, 25), 0.1);          // the left side
    EXPECT_EQ(qAlpha(image.pixel(50, 25)), 0);  // the inside is left alone
}

TEST(PanelShading, LayersThatCannotBeBuiltAreLoggedAndLeftOut) {
    testing::LogCapture log;
    const QImage empty_axis = layer(20, 20, [](QPainter& p, const FloatRect& body) {
        paint_body_panel(p, FloatRect{body.x, body.y, body.width, 0.0f}, kPanelGreen);
    });
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const QImage nan_colour = layer(20, 20, [nan](QPainter& p, const FloatRect& body) {
        paint_body_panel(p, body, Rgba{nan, 0, 0, 1});
    });
    ASSERT_EQ(log.lines().size(), 2);
    EXPECT_EQ(log.lines()[0], "Error: couldn't create shading.");
    EXPECT_EQ(log.lines()[1], "Error: couldn't create function for shading.");
    EXPECT_EQ(qAlpha(empty_axis.pixel(10, 10)), 0);
    EXPECT_EQ(qAlpha(nan_colour.pixel(10, 10)), 0);
}

class RenderedView : public ::testing::Test {
protected:
    void SetUp() override {
        view.resize(300, 200);
        view.set_background_color(&kPanelGreen);
    }
    // A flat curve at y = 2 across the x range: widget row 92 is its centre.
    void plot_flat_curve() {
        view.lend_arrays(xs, ys);
        view.redraw(3);
    }
    GraphWidget view;
    const float xs[3] = {1.0f, 1.5f, 2.0f};
    const float ys[3] = {2.0f, 2.0f, 2.0f};
};

TEST_F(RenderedView, ThePanelShowsItsGradientBehindEverything) {
    const QImage image = testing::rendered(view);
    // The right margin holds nothing but the panel: view y 2.5 and 183.5.
    EXPECT_NEAR(green(image, 297, 197), 0.7 * (1 - 0.3 * 2.5 / 200), kByte);
    EXPECT_NEAR(green(image, 297, 16), 0.7 * (1 - 0.3 * 183.5 / 200), kByte);
    EXPECT_NEAR(alpha(image, 297, 100), 0.5, kByte);
    // The shine brightens the top rows.
    EXPECT_GT(red(image, 297, 1), 0.5);
}

TEST_F(RenderedView, TheCurveIsStrokedInItsColourOnlyWithItsFillCompanion) {
    plot_flat_curve();
    QImage image = testing::rendered(view);
    // Nothing set but the arrays: the blue fallback.
    EXPECT_GT(blue(image, 150, 92), 0.5);
    EXPECT_LT(green(image, 150, 92), 0.3);

    const Rgba curve{0, 0, 0, 0.666f};
    view.set_curve_colors(&curve, &curve);
    image = testing::rendered(view);
    EXPECT_LT(blue(image, 150, 92), 0.05);
    EXPECT_LT(green(image, 150, 92), 0.5 * green(image, 150, 60));
    EXPECT_GT(alpha(image, 150, 92), 0.8);
    // Clipped to the frame: nothing in the right margin.
    EXPECT_NEAR(green(image, 297, 92), green(image, 297, 91), 0.01);
}

TEST_F(RenderedView, MarkersAndCursorDrawOverTheCurveInsideTheFrame) {
    plot_flat_curve();
    view.show_cursor_line(true);
    view.move_cursor_line(1.5f);  // widget column 157 holds the line's centre
    view.show_just_ratios(true);
    const QImage image = testing::rendered(view);
    EXPECT_GT(blue(image, 157, 60), blue(image, 150, 60) + 0.1);
    // The 5/4 marker at view x 88.75: red over the green panel.
    EXPECT_GT(red(image, 88, 60), red(image, 80, 60) + 0.1);
}

TEST_F(RenderedView, TheAxesAreOpaqueBlackWhateverTheTextColour) {
    const Rgba white{1, 1, 1, 1};
    view.set_text_color(&white);
    const QImage image = testing::rendered(view);
    // The x axis (width 1.5 on view y 20) covers most of widget row 179 and 180.
    EXPECT_LT(green(image, 150, 179), 0.2);
    EXPECT_GT(alpha(image, 150, 179), 0.8);
}

TEST(ViewText, ARealFontDrawsTheLabels) {
    const QFont font = graph_label_font();
    EXPECT_FALSE(QFontInfo(font).family().isEmpty());
    const QFontMetrics metrics(font);
    EXPECT_LT(metrics.horizontalAdvance("iiii"), metrics.horizontalAdvance("MMMM"));
    EXPECT_LE(metrics.height(), 15);  // a line fits its 15-unit box

    // "Ratio" in the cached image: dark pixels centred on the middle of the bottom margin.
    GraphWidget view;
    view.resize(300, 200);
    testing::rendered(view);
    const QImage image = view.axes_image().convertToFormat(QImage::Format_ARGB32);
    int left = 300, right = 0;
    for (int y = 185; y < 199; ++y)
        for (int x = 110; x < 190; ++x)
            if (qAlpha(image.pixel(x, y)) > 128)
                left = std::min(left, x), right = std::max(right, x);
    ASSERT_LT(left, right);
    EXPECT_NEAR((left + right) / 2.0, 150.0, 2.0);
    EXPECT_NEAR(right - left + 1, metrics.horizontalAdvance("Ratio"), 3.0);
}

TEST(ViewHiDpi, TheCachedImageFollowsThePaintTargetsPixelRatio) {
    GraphWidget view;
    view.resize(300, 200);
    QImage image(600, 400, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(2.0);
    image.fill(Qt::transparent);
    view.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    EXPECT_EQ(view.axes_image().size(), QSize(600, 400));
    EXPECT_EQ(view.axes_image().devicePixelRatio(), 2.0);
    // The y axis (1.5 units at view x 20) covers device columns 39 and 40 fully: crisp.
    const QImage pixels = image.convertToFormat(QImage::Format_ARGB32);
    EXPECT_EQ(qAlpha(pixels.pixel(39, 200)), 255);
    EXPECT_LT(qGreen(pixels.pixel(40, 200)), 10);
    // At ratio 1 no column is fully covered.
    const QImage single = testing::rendered(view);
    EXPECT_EQ(view.axes_image().devicePixelRatio(), 1.0);
    EXPECT_LT(std::max(qAlpha(single.pixel(19, 100)), qAlpha(single.pixel(20, 100))), 255);
}

TEST(ViewFailures, ABackgroundThatIsNotANumberLeavesOnlyThePanelOut) {
    testing::LogCapture log;
    GraphWidget view;
    view.resize(300, 200);
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const Rgba broken{nan, nan, nan, nan};
    view.set_background_color(&broken);
    const float xs[] = {1.0f, 2.0f};
    const float ys[] = {2.0f, 2.0f};
    view.lend_arrays(xs, ys);
    view.redraw(2);
    const QImage image = testing::rendered(view);
    EXPECT_TRUE(log.lines().contains("Error: couldn't create function for shading."));
    EXPECT_EQ(qAlpha(image.pixel(297, 100)), 0);  // no panel
    EXPECT_GT(blue(image, 150, 92), 0.9);         // the curve all the same
}

TEST(ViewFailures, HugeValuesAreDrawnWithoutHanging) {
    GraphWidget view;
    view.resize(300, 200);
    const float xs[] = {1.0f, 1.5f, 2.0f, 2.5f};
    const float ys[] = {2.0f, 3e38f, -3e38f, 2.0f};
    view.lend_arrays(xs, ys);
    view.show_slope(true);
    view.redraw(4);
    const QImage image = testing::rendered(view);
    EXPECT_FALSE(image.isNull());
}

}  // namespace
}  // namespace kelvara
