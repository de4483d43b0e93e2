// The cached picture of the axes, the axis caption, the tick labels and the readout.
#include <QFont>
#include <QFontDatabase>
#include <QPainter>
#include <QPen>
#include <cmath>

#include "view/graph_widget.h"
#include "view/view_color.h"

namespace kelvara {
namespace {

// The system face at 9 view units (one unit is one point of the drawing, so a logical
// pixel), the size the label boxes below are laid out for.
constexpr int kTextPixelSize = 9;
constexpr qreal kAxesLineWidth = 1.5;

// Texts are formatted in the C locale whatever the user's, so a readout always shows
// "(1.000, 0.000)".
QString one_decimal(float value) {
    return QString::asprintf("%.1f", static_cast<double>(value));
}

}  // namespace

QFont graph_label_font() {
    QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    font.setPixelSize(kTextPixelSize);
    return font;
}

// Replaces the cached image by a fresh one of the body's size at the paint target's pixel
// ratio. Nothing is requested: the callers repaint.
void GraphWidget::draw_background() {
    const QSize pixels(static_cast<int>(std::ceil(body_rect_.width * image_pixel_ratio_)),
                       static_cast<int>(std::ceil(body_rect_.height * image_pixel_ratio_)));
    if (pixels.width() <= 0 || pixels.height() <= 0) {
        axes_image_ = QImage();
        return;
    }
    QImage image(pixels, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(image_pixel_ratio_);
    image.fill(Qt::transparent);

    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing, true);
    const QTransform to_widget = widget_from_view(body_rect_.height);
    painter.setTransform(to_widget);
    // The axes are opaque black whatever the text colour.
    QPainterPath axes;
    const FloatRect& g = graph_frame_;
    axes.moveTo(g.x, g.y);
    axes.lineTo(g.x + g.width, g.y);
    axes.moveTo(g.x, g.y);
    axes.lineTo(g.x, g.y + g.height);
    painter.setPen(QPen(QColor::fromRgbF(0.0f, 0.0f, 0.0f, 1.0f), kAxesLineWidth));
    painter.drawPath(axes);

    painter.resetTransform();
    draw_labels(painter, to_widget);
    painter.end();
    axes_image_ = std::move(image);
}

QString GraphWidget::readout_text() const {
    return QString::asprintf("(%.3f, %.3f)", static_cast<double>(readout_ratio_),
                             static_cast<double>(readout_dissonance_));
}

// Each text centred in its box (left, bottom, width, height in view units). A text wider
// than its box spills out on both sides rather than being wrapped or cut.
void GraphWidget::draw_labels(QPainter& painter, const QTransform& to_widget) const {
    painter.setFont(graph_label_font());
    painter.setPen(to_qcolor(text_color_.value_or(Rgba{})));
    const auto draw = [&](const QString& text, float left, float bottom, float width,
                          float height) {
        const QRectF box = to_widget.mapRect(QRectF(left, bottom, width, height));
        painter.drawText(box, Qt::AlignCenter | Qt::TextDontClip, text);
    };
    const FloatRect& b = body_rect_;
    draw(QStringLiteral("Ratio"), b.x + 0.5f * b.width - 35.0f, b.y + 1.0f, 70.0f, 15.0f);
    draw(readout_text(), b.x + 0.75f * b.width - 35.0f, b.y + 1.0f, 70.0f, 15.0f);
    draw(one_decimal(x_min_), location_for_x(x_min_) + b.x - 5.0f, b.y + 2.0f, 15.0f, 15.0f);
    draw(one_decimal(x_max_), location_for_x(x_max_) + b.x - 12.0f, b.y + 2.0f, 15.0f, 15.0f);
    const float y_mid = (y_min_ + y_max_) * 0.5f;
    draw(one_decimal(y_min_), b.x + 3.0f, location_for_y(y_min_) + b.y - 5.0f, 15.0f, 15.0f);
    draw(one_decimal(y_mid), b.x + 3.0f, location_for_y(y_mid) + b.y - 5.0f, 15.0f, 15.0f);
    draw(one_decimal(y_max_), b.x + 3.0f, location_for_y(y_max_) + b.y - 12.0f, 15.0f, 15.0f);
}

}  // namespace kelvara
