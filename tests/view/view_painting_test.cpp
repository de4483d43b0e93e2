// What the view paints, read back from images: the labels in a real font, the axes on a
// HiDPI target, the panel, and values that cannot be drawn.
#include <gtest/gtest.h>

#include <QFontMetrics>
#include <cmath>
#include <limits>

#include "view/view_test_support.h"

namespace kelvara {
namespace {

TEST(ViewPainting, ARealFontDrawsTheLabels) {
    const QFontMetrics metrics(graph_label_font());
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

TEST(ViewPainting, TheCachedImageFollowsThePaintTargetsPixelRatio) {
    GraphWidget view;
    view.resize(300, 200);
    QImage image(600, 400, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(2.0);
    image.fill(Qt::transparent);
    view.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    EXPECT_EQ(view.axes_image().size(), QSize(600, 400));
    // The y axis (1.5 units at view x 20) covers device columns 39 and 40 fully: crisp.
    const QImage pixels = image.convertToFormat(QImage::Format_ARGB32);
    EXPECT_EQ(qAlpha(pixels.pixel(39, 200)), 255);
    EXPECT_LT(qGreen(pixels.pixel(40, 200)), 10);
    // Back at ratio 1 the image follows, and no column is fully covered.
    const QImage single = testing::rendered(view);
    EXPECT_EQ(view.axes_image().devicePixelRatio(), 1.0);
    EXPECT_LT(std::max(qAlpha(single.pixel(19, 100)), qAlpha(single.pixel(20, 100))), 255);
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
        view.show_slope(true);
        view.redraw(4);
        const QImage image = testing::rendered(view);
        // The right margin shows the panel alone.
        EXPECT_NEAR(image.pixelColor(297, 100).alphaF(), std::isnan(background.alpha) ? 0 : 0.5,
                    0.01);
        EXPECT_GT(image.pixelColor(80, 92).blueF(), 0.5) << "the curve at y = 2 all the same";
    }
}

}  // namespace
}  // namespace kelvara
