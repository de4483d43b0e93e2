// What the view paints, read back from images: the panel's gradient and shine, the labels in
// a real font, the axes on a HiDPI target, and values that cannot be drawn.
#include <gtest/gtest.h>

#include <QFontInfo>
#include <QFontMetrics>
#include <QPainter>
#include <limits>

#include "view/panel_shading.h"
#include "view/view_test_support.h"

namespace kelvara {
namespace {

constexpr Rgba kPanelGreen{0.0f, 0.7f, 0.0f, 0.5f};
constexpr double kByte = 2.5 / 255.0;  // two 8-bit steps and rounding

double green(const QImage& image, int x, int y) {
    return image.pixelColor(x, y).greenF();
}

TEST(ViewPainting, ThePanelDarkensTowardsTheTopUnderAShine) {
    GraphWidget view;
    view.resize(300, 200);
    view.set_background_color(&kPanelGreen);
    const QImage image = testing::rendered(view);
    // The right margin holds nothing but the panel: view y 2.5 and 183.5, green scaled by
    // 1 − 0.3 t from the bottom (t = 0) to the top (t = 1).
    EXPECT_NEAR(green(image, 297, 197), 0.7 * (1 - 0.3 * 2.5 / 200), kByte);
    EXPECT_NEAR(green(image, 297, 16), 0.7 * (1 - 0.3 * 183.5 / 200), kByte);
    EXPECT_NEAR(image.pixelColor(297, 100).alphaF(), 0.5, kByte);
    EXPECT_GT(image.pixelColor(297, 1).redF(), 0.5) << "the shine brightens the top rows";

    // The shine alone stays within the top 15 units whatever the height.
    for (const int height : {10, 15, 16, 60, 400}) {
        QImage shine(30, height, QImage::Format_ARGB32_Premultiplied);
        shine.fill(Qt::transparent);
        {
            QPainter painter(&shine);
            painter.setTransform(widget_from_view(static_cast<float>(height)));
            paint_shine(painter, FloatRect{0, 0, 30, static_cast<float>(height)});
        }
        EXPECT_GT(qAlpha(shine.pixel(5, 0)), 0.7 * 255) << height;
        for (int y = 15; y < height; ++y) ASSERT_EQ(qAlpha(shine.pixel(5, y)), 0) << height;
    }
}

TEST(ViewPainting, ARealFontDrawsTheLabels) {
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

// A gradient that cannot be built leaves only its layer out; huge values draw without hanging.
TEST(ViewPainting, ValuesThatCannotBeDrawnLeaveOnlyTheirLayerOut) {
    GraphWidget view;
    view.resize(300, 200);
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const Rgba broken{nan, nan, nan, nan};
    view.set_background_color(&broken);
    const float xs[] = {1.0f, 1.5f, 2.0f, 2.5f};
    const float ys[] = {2.0f, 2.0f, 3e38f, -3e38f};
    view.lend_arrays(xs, ys);
    view.show_slope(true);
    view.redraw(4);
    const QImage image = testing::rendered(view);
    EXPECT_EQ(qAlpha(image.pixel(297, 100)), 0) << "no panel";
    EXPECT_GT(image.pixelColor(80, 92).blueF(), 0.9) << "the curve all the same, at y = 2";
}

}  // namespace
}  // namespace kelvara
