// The panel layers: the colour functions, their axial shadings and the edge.
#include "view/panel_shading.h"

#include <QLinearGradient>
#include <QPen>
#include <cmath>
#include <functional>
#include <new>
#include <optional>

#include "view/view_color.h"

Q_LOGGING_CATEGORY(kelvaraView, "kelvara.view")

namespace kelvara {
namespace {

// One colour per t in [0, 1].
using ColorFunction = std::function<Rgba(float)>;

// Qt's gradients interpolate linearly between stops rather than calling back per sample,
// so a colour function is sampled at this many intervals. The shine changes fastest, by
// at most 2π in alpha per unit of t; 64 intervals keep the interpolation within 0.005 of
// the function, below one 8-bit step.
constexpr int kStopIntervals = 64;

constexpr double kTwoPi = 6.283185307179586;

bool is_finite(const Rgba& c) {
    return std::isfinite(c.red) && std::isfinite(c.green) && std::isfinite(c.blue) &&
           std::isfinite(c.alpha);
}

void log_function_failure() {
    qCWarning(kelvaraView, "Error: couldn't create function for shading.");
}

void log_shading_failure() {
    qCWarning(kelvaraView, "Error: couldn't create shading.");
}

// The body function carries the background colour. It cannot be made from a colour with a
// component that is not a number, nor when its storage cannot be allocated.
std::optional<ColorFunction> make_body_function(const Rgba& background) {
    if (!is_finite(background)) return std::nullopt;
    try {
        return ColorFunction([background](float t) { return body_gradient_color(background, t); });
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
}

std::optional<ColorFunction> make_shine_function() {
    try {
        return ColorFunction(shine_color);
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
}

// The function laid along the axis from `start` (t = 0) to `end` (t = 1). There is no
// shading along an axis of zero length or with an end that is not a number.
std::optional<QLinearGradient> make_axial_shading(const ColorFunction& function, QPointF start,
                                                  QPointF end) {
    const bool finite = std::isfinite(start.x()) && std::isfinite(start.y()) &&
                        std::isfinite(end.x()) && std::isfinite(end.y());
    if (!finite || start == end) return std::nullopt;
    QLinearGradient gradient(start, end);
    for (int i = 0; i <= kStopIntervals; ++i) {
        const float t = static_cast<float>(i) / kStopIntervals;
        gradient.setColorAt(t, to_qcolor(function(t)));
    }
    return gradient;
}

// Fills `band` (the stretch between the shading's ends, so nothing is painted beyond them)
// clipped to the panel.
void fill_band(QPainter& painter, const FloatRect& body, const QRectF& band,
               const QLinearGradient& gradient) {
    painter.save();
    painter.setClipRect(to_qrect(body), Qt::IntersectClip);
    painter.fillRect(band, gradient);
    painter.restore();
}

}  // namespace

Rgba body_gradient_color(const Rgba& base, float t) {
    const auto k = static_cast<float>(1.0 + static_cast<double>(t) * -0.3);
    return {base.red * k, base.green * k, base.blue * k, base.alpha};
}

Rgba shine_color(float t) {
    const auto u = static_cast<float>(static_cast<double>(t) * kTwoPi);
    return {1.0f, 1.0f, 1.0f, 1.0f - std::tanh(u)};
}

void paint_body_panel(QPainter& painter, const FloatRect& body, const Rgba& background) {
    const auto function = make_body_function(background);
    if (!function) return log_function_failure();
    const auto shading = make_axial_shading(*function, QPointF(body.x, body.y),
                                            QPointF(body.x, body.y + body.height));
    if (!shading) return log_shading_failure();
    fill_band(painter, body, to_qrect(body), *shading);
}

void paint_shine(QPainter& painter, const FloatRect& body) {
    const auto function = make_shine_function();
    if (!function) return log_function_failure();
    const float top = body.y + body.height;
    const auto shading =
        make_axial_shading(*function, QPointF(body.x, top), QPointF(body.x, top - kShineDepth));
    if (!shading) return log_shading_failure();
    fill_band(painter, body, QRectF(body.x, top - kShineDepth, body.width, kShineDepth), *shading);
}

void paint_panel_edge(QPainter& painter, const FloatRect& body) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(QColor::fromRgbF(0.0f, 0.0f, 0.0f, 1.0f), 1.0));
    painter.drawRect(QRectF(body.x, body.y + 1.0f, body.width, body.height - 1.0f));
    painter.setPen(QPen(QColor::fromRgbF(1.0f, 1.0f, 1.0f, 0.85f), 1.0));
    painter.drawLine(QPointF(body.x, body.y), QPointF(body.x + body.width, body.y));
    painter.restore();
}

}  // namespace kelvara
