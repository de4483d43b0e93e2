// The cached picture of the panel, the grid, the axes, their ticks, tick labels and titles.
#include <QPainter>
#include <QPen>
#include <cmath>

#include "view/graph_axes.h"
#include "view/graph_widget.h"
#include "view/panel_shading.h"
#include "view/view_color.h"

namespace kelvara {
namespace {

constexpr qreal kAxesLineWidth = 1.5;
constexpr qreal kTickLength = 4.0;
// The grid is a light hint behind the curve: the text colour at this opacity.
constexpr float kGridAlpha = 0.13f;

}  // namespace

// Replaces the cached image by a fresh one of the body's size at the paint target's pixel
// ratio: a copy of the cached panel (its gradient is the costly part and changes only with
// the size and the colour), then the axes over it. Nothing is requested: the callers repaint.
void GraphWidget::draw_background() {
    const FloatRect body = geometry_.panel();
    const QSize pixels(static_cast<int>(std::ceil(body.width * image_pixel_ratio_)),
                       static_cast<int>(std::ceil(body.height * image_pixel_ratio_)));
    background_stale_ = false;
    if (pixels.width() <= 0 || pixels.height() <= 0) {
        axes_image_ = QImage();
        return;
    }
    const Rgba background = background_color_.value_or(Rgba{0, 0, 0, 0});
    if (panel_image_.size() != pixels || panel_image_.devicePixelRatio() != image_pixel_ratio_ ||
        panel_color_ != background) {
        QImage panel(pixels, QImage::Format_ARGB32_Premultiplied);
        panel.setDevicePixelRatio(image_pixel_ratio_);
        panel.fill(Qt::transparent);
        QPainter painter(&panel);
        painter.setTransform(widget_from_view(body.height));
        paint_body_panel(painter, body, background);
        painter.end();
        panel_image_ = std::move(panel);
        panel_color_ = background;
    }
    QImage image = panel_image_.copy();
    QPainter painter(&image);
    paint_axes(painter);
    painter.end();
    axes_image_ = std::move(image);
}

void GraphWidget::paint_axes(QPainter& painter) const {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    const Rgba text = text_color_.value_or(Rgba{});
    const FloatRect& g = geometry_.frame();
    const qreal left = g.x, right = g.x + g.width;
    const qreal bottom = geometry_.widget_y(g.y), top = geometry_.widget_y(g.y + g.height);

    // Grid lines at the ticks, inside the frame.
    // One path, one-pixel lines on whole pixels without antialiasing: crisp, and the raster
    // engine's fast way (a wider or antialiased stroke costs milliseconds at every zoom step).
    QPainterPath grid;
    for (const GraphTick& tick : geometry_.x_ticks()) {
        const qreal x = std::floor(tick.position) + 0.5;
        grid.moveTo(x, bottom);
        grid.lineTo(x, top);
    }
    for (const GraphTick& tick : geometry_.y_ticks()) {
        const qreal y = std::floor(geometry_.widget_y(tick.position)) + 0.5;
        grid.moveTo(left, y);
        grid.lineTo(right, y);
    }
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(QPen(to_qcolor(Rgba{text.red, text.green, text.blue, kGridAlpha}), 1.0));
    painter.drawPath(grid);
    painter.setRenderHint(QPainter::Antialiasing, true);

    // The axes and their ticks are opaque black whatever the text colour.
    painter.setPen(QPen(QColor::fromRgbF(0.0f, 0.0f, 0.0f, 1.0f), kAxesLineWidth));
    QPainterPath axes;
    axes.moveTo(left, top);
    axes.lineTo(left, bottom);
    axes.lineTo(right, bottom);
    for (const GraphTick& tick : geometry_.x_ticks()) {
        axes.moveTo(tick.position, bottom);
        axes.lineTo(tick.position, bottom + kTickLength);
    }
    for (const GraphTick& tick : geometry_.y_ticks()) {
        const qreal y = geometry_.widget_y(tick.position);
        axes.moveTo(left, y);
        axes.lineTo(left - kTickLength, y);
    }
    painter.drawPath(axes);
    paint_slope_axis(painter);

    painter.setPen(to_qcolor(text));
    painter.setFont(graph_label_font());
    for (const GraphTick& tick : geometry_.x_ticks())
        painter.drawText(to_qrect(tick.label_box), Qt::AlignCenter | Qt::TextDontClip,
                         QString::fromStdString(tick.text));
    for (const GraphTick& tick : geometry_.y_ticks())
        painter.drawText(to_qrect(tick.label_box),
                         Qt::AlignRight | Qt::AlignVCenter | Qt::TextDontClip,
                         QString::fromStdString(tick.text));
    for (const GraphTick& tick : geometry_.slope_ticks())
        painter.drawText(to_qrect(tick.label_box),
                         Qt::AlignLeft | Qt::AlignVCenter | Qt::TextDontClip,
                         QString::fromStdString(tick.text));
    painter.setFont(graph_title_font());
    painter.drawText(to_qrect(geometry_.x_title_box()), Qt::AlignCenter | Qt::TextDontClip,
                     x_axis_title(geometry_.axis()));
    // The y title reads upwards along the left edge.
    const QRectF box = to_qrect(geometry_.y_title_box());
    painter.translate(box.center());
    painter.rotate(-90.0);
    painter.drawText(QRectF(-box.width() / 2.0, -box.height() / 2.0, box.width(), box.height()),
                     Qt::AlignCenter | Qt::TextDontClip, y_axis_title());
    painter.restore();
}

// The slope's scale: the right edge and its ticks in the slope's own colour, so that the
// scale reads as the slope's.
void GraphWidget::paint_slope_axis(QPainter& painter) const {
    if (geometry_.slope_ticks().empty()) return;
    const FloatRect& g = geometry_.frame();
    const qreal right = g.x + g.width;
    QPainterPath axis;
    axis.moveTo(right, geometry_.widget_y(g.y + g.height));
    axis.lineTo(right, geometry_.widget_y(g.y));
    for (const GraphTick& tick : geometry_.slope_ticks()) {
        const qreal y = geometry_.widget_y(tick.position);
        axis.moveTo(right, y);
        axis.lineTo(right + kTickLength, y);
    }
    const Rgba slope = slope_color_.value_or(kDefaultSlopeColor);
    painter.setPen(QPen(to_qcolor(Rgba{slope.red, slope.green, slope.blue, 1.0f}), kAxesLineWidth));
    painter.drawPath(axis);
}

}  // namespace kelvara
