// What the view paints, read back from images: the labels in a real font, the axes on a
// HiDPI target, the panel, and values that cannot be drawn.
#include <gtest/gtest.h>

#include <QFontMetricsF>
#include <cmath>
#include <limits>

#include "view/graph_axes.h"
#include "view/view_test_support.h"

namespace kelvara {
namespace {

// The x title: opaque pixels centred under the plotting area, as wide as the title in its
// font.
TEST(ViewPainting, ARealFontDrawsTheTitles) {
    const QFontMetricsF metrics(graph_title_font());
    GraphWidget view;
    view.resize(300, 200);
    const QImage image = testing::rendered(view);
    const QRect box = to_qrect(view.geometry().x_title_box()).toAlignedRect();
    int left = 300, right = 0;
    for (int y = box.top(); y <= box.bottom(); ++y)
        for (int x = 3; x < 297; ++x)             // inside the panel's edge
            if (qAlpha(image.pixel(x, y)) > 200)  // the text, nearly opaque over the panel
                left = std::min(left, x), right = std::max(right, x);
    ASSERT_LT(left, right);
    const FloatRect f = view.geometry().frame();
    EXPECT_NEAR((left + right) / 2.0, f.x + f.width / 2.0, 2.0);
    EXPECT_NEAR(right - left + 1, metrics.tightBoundingRect("Interval ratio").width(), 4.0);
}

TEST(ViewPainting, TheCachedImageFollowsThePaintTargetsPixelRatio) {
    GraphWidget view;
    view.resize(300, 200);
    QImage image(600, 400, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(2.0);
    image.fill(Qt::transparent);
    view.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    // The y axis (1.5 units on the frame's whole-unit left edge) covers two device columns
    // fully: crisp.
    const int axis = static_cast<int>(view.geometry().frame().x) * 2;
    const QImage pixels = image.convertToFormat(QImage::Format_ARGB32);
    EXPECT_EQ(qAlpha(pixels.pixel(axis - 1, 200)), 255);
    EXPECT_LT(qGreen(pixels.pixel(axis, 200)), 10);
}

// The panel in its colour behind everything; a colour that is not a number leaves only the
// panel out, and huge values draw without hanging.
TEST(ViewPainting, ThePanelIsDrawnUnlessItsColourIsNotANumber) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float xs[] = {1.0f, 1.5f, 2.0f, 2.5f};
    const float ys[] = {2.0f, 2.0f, 3e38f, -3e38f};
    for (const Rgba& background : {Rgba{0.0f, 0.7f, 0.0f, 0.5f}, Rgba{nan, nan, nan, nan}}) {
        GraphWidget view;
        view.resize(300, 200);
        view.set_background_color(&background);
        view.lend_arrays(xs, ys);
        view.set_plot_flags({.slope = true});
        view.redraw(4);
        const QImage image = testing::rendered(view);
        // The right margin shows the panel alone.
        EXPECT_NEAR(image.pixelColor(297, 100).alphaF(), std::isnan(background.alpha) ? 0 : 0.5,
                    0.01);
        const GraphGeometry& g = view.geometry();
        const int x = static_cast<int>(g.x_for_ratio(1.25f));
        const int y = static_cast<int>(g.widget_y(g.y_for_value(2.0f)));
        float blue = 0.0f;
        for (int down = -2; down <= 2; ++down)
            blue = std::max(blue, image.pixelColor(x, y + down).blueF());
        EXPECT_GT(blue, 0.5f) << "the curve at y = 2 all the same";
    }
}

}  // namespace
}  // namespace kelvara
