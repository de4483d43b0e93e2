// The readout above the plotting area: what the curve says at the pointer's ratio.
#include <QPainter>
#include <algorithm>
#include <cmath>

#include "engine/engine_limits.h"
#include "engine/just_ratio.h"
#include "view/graph_axes.h"
#include "view/graph_widget.h"
#include "view/view_color.h"

namespace kelvara {
namespace {

// Texts in the C locale whatever the user's; a minus sign, not a hyphen.
QString signed_cents(double cents) {
    const QString magnitude = QString::asprintf("%.1f", std::fabs(cents));
    if (magnitude == QStringLiteral("0.0")) return QStringLiteral("\u00B10.0\u00A2");
    return (cents < 0 ? QStringLiteral("\u2212") : QStringLiteral("+")) + magnitude +
           QStringLiteral("\u00A2");
}

}  // namespace

std::optional<float> GraphWidget::curve_value_at(float ratio) const {
    const int32_t count = std::clamp(layers_.number_of_points, 0, kMaxCurvePoints);
    if (x_values_ == nullptr || y_values_ == nullptr || count < 1 || !std::isfinite(ratio))
        return std::nullopt;
    // Outside the samples (or at a NaN end) there is nothing to read.
    if (!(ratio >= x_values_[0] && ratio <= x_values_[count - 1])) return std::nullopt;
    const auto i = std::lower_bound(x_values_, x_values_ + count, ratio) - x_values_;
    if (x_values_[i] == ratio)
        return std::isfinite(y_values_[i]) ? std::optional<float>(y_values_[i]) : std::nullopt;
    const float x0 = x_values_[i - 1], x1 = x_values_[i];
    const float y0 = y_values_[i - 1], y1 = y_values_[i];
    const float y = y0 + (y1 - y0) * (ratio - x0) / (x1 - x0);
    return std::isfinite(y) ? std::optional<float>(y) : std::nullopt;
}

QString GraphWidget::readout_text() const {
    const std::optional<float> read = layers_.readout_ratio;
    if (!read)
        return tr(
            "Point at the graph to read the curve; the wheel zooms, Shift+drag pans, a "
            "double click fits");
    const double ratio = *read;
    QString text = QString::asprintf("%.4f   %.1f\u00A2", ratio, ratio_to_cents(ratio));
    if (const auto value = curve_value_at(*read))
        text += tr("   dissonance %1").arg(QString::asprintf("%.4f", static_cast<double>(*value)));
    // Named as the minima are, by the one rule and the document's tolerance and odd limit.
    if (const auto just = name_just_ratio(ratio, geometry_.setup().just))
        text += QStringLiteral("   \u2248 %1/%2 %3")
                    .arg(just->numerator)
                    .arg(just->denominator)
                    .arg(signed_cents(just->cents_off));
    return text;
}

void GraphWidget::show_readout(bool shown) {
    if (shown == layers_.readout) return;
    layers_.readout = shown;
    // The strip it stands in comes and goes with it.
    lay_out(geometry_.setup());
    redraw(layers_.number_of_points);
}

std::optional<float> GraphWidget::read_at(QPointF widget_position) {
    const auto x = static_cast<float>(widget_position.x());
    const FloatRect& f = geometry_.frame();
    if (x < f.x || x > f.x + f.width) return std::nullopt;
    const float ratio = geometry_.ratio_for_x(x);
    if (!std::isfinite(ratio)) return std::nullopt;
    layers_.readout_ratio = ratio;
    update();
    return ratio;
}

void GraphWidget::paint_readout(QPainter& painter) const {
    if (!layers_.readout) return;
    Rgba color = text_color_.value_or(Rgba{});
    // The hint before the first reading is quieter than a reading.
    if (!layers_.readout_ratio) color.alpha *= 0.6f;
    painter.setPen(to_qcolor(color));
    painter.setFont(graph_readout_font());
    painter.drawText(to_qrect(geometry_.readout_box()), Qt::AlignLeft | Qt::AlignVCenter,
                     readout_text());
}

}  // namespace kelvara
