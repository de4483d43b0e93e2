// The axis layout: margins from the label sizes, 1-2-5 ticks from the engine, label boxes.
#include "view/graph_axes.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QObject>
#include <algorithm>
#include <cmath>

#include "engine/axis_ticks.h"

namespace kelvara {
namespace {

constexpr int kLabelPixelSize = 11;
constexpr int kTitlePixelSize = 12;
constexpr int kReadoutPixelSize = 13;

// Distances in view units.
constexpr float kTickLength = 4.0f;
constexpr float kGap = 3.0f;
constexpr float kEdgePadding = 4.0f;
// Labels along the x axis keep at least this much space between them.
constexpr float kLabelSpacing = 14.0f;
// Tick labels on the y axis stand at least this many line heights apart.
constexpr float kYLabelPitch = 2.5f;

QFont face(int pixel_size) {
    QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    font.setPixelSize(pixel_size);
    return font;
}

// One axis's ticks as texts, in axis units.
struct Labels {
    AxisTicks ticks;
    std::vector<QString> texts;
    float widest = 0.0f;
};

Labels labels_for(double min, double max, int max_count, const QFontMetricsF& metrics) {
    Labels labels;
    labels.ticks = nice_ticks(min, max, max_count);
    for (const double v : labels.ticks.values) {
        labels.texts.push_back(QString::fromStdString(tick_label(v, labels.ticks.decimals)));
        labels.widest = std::max(
            labels.widest, static_cast<float>(metrics.horizontalAdvance(labels.texts.back())));
    }
    return labels;
}

// The most ticks of labels `widest` across that fit `extent` side by side.
int fitting_count(float extent, float widest) {
    return std::max(1, static_cast<int>(extent / (widest + kLabelSpacing)));
}

// The x labels for a plotting area `width` across: as many as fit without touching.
Labels x_labels(double min, double max, float width, const QFontMetricsF& metrics) {
    // From as many as the narrowest labels would allow down to as many as these fit.
    int count = fitting_count(width, static_cast<float>(metrics.horizontalAdvance("0")));
    Labels labels = labels_for(min, max, count, metrics);
    // Fewer ticks make wider steps and never wider labels: this ends within a few rounds.
    for (int round = 0; round < 8 && !labels.texts.empty(); ++round) {
        const int fitting = fitting_count(width, labels.widest);
        if (static_cast<int>(labels.texts.size()) <= fitting) break;
        count = std::min(count - 1, fitting);
        if (count < 1) break;
        labels = labels_for(min, max, count, metrics);
    }
    return labels;
}

float position_on(double value, double min, double max, float start, float extent) {
    return start + static_cast<float>((value - min) / (max - min) * extent);
}

}  // namespace

QFont graph_label_font() {
    return face(kLabelPixelSize);
}
QFont graph_title_font() {
    return face(kTitlePixelSize);
}
QFont graph_readout_font() {
    return face(kReadoutPixelSize);
}

AxisLayout lay_out_axes(const FloatRect& body, const AxisRanges& r) {
    const QFontMetricsF label_metrics(graph_label_font());
    const QFontMetricsF title_metrics(graph_title_font());
    const QFontMetricsF readout_metrics(graph_readout_font());
    const auto label_height = static_cast<float>(label_metrics.height());
    const auto title_height = static_cast<float>(title_metrics.height());

    AxisLayout layout;
    layout.x_title = r.x_axis == RatioAxis::Cents ? QObject::tr("Interval (cents)")
                                                  : QObject::tr("Interval ratio");
    const double x_lo = axis_value(r.x_axis, r.x_min), x_hi = axis_value(r.x_axis, r.x_max);

    // Bottom: tick, label, title. Top: the readout strip, or room for the upper half of the
    // highest y label.
    const float bottom =
        std::ceil(kTickLength + kGap + label_height + kGap + title_height + kEdgePadding);
    const float top =
        std::ceil(r.readout ? static_cast<float>(readout_metrics.height()) + 2.0f * kGap
                            : label_height / 2.0f + kEdgePadding);
    const float height = std::max(0.0f, body.height - bottom - top);

    const int y_count = std::max(2, static_cast<int>(height / (kYLabelPitch * label_height)));
    const Labels y = labels_for(r.y_min, r.y_max, y_count, label_metrics);
    const float left_for_y = kEdgePadding + title_height + kGap + y.widest + kGap + kTickLength;

    // Left and right: the x labels at the ends reach half their width past the frame. Two
    // rounds settle the margins on the labels actually drawn.
    float left = left_for_y, right = kEdgePadding + 8.0f;
    Labels x;
    for (int round = 0; round < 2; ++round) {
        const float width = std::max(0.0f, body.width - left - right);
        x = x_labels(x_lo, x_hi, width, label_metrics);
        left = std::max(left_for_y, x.widest / 2.0f + kEdgePadding);
        right = std::max(right, x.widest / 2.0f + kEdgePadding);
    }
    // Whole units, so the axes fall on the same pixels wherever the labels put them.
    left = std::ceil(left), right = std::ceil(right);
    layout.frame = {body.x + left, body.y + bottom, std::max(0.0f, body.width - left - right),
                    height};
    const FloatRect& f = layout.frame;
    const auto widget_y = [&](float view_y) { return body.y + body.height - view_y; };

    if (x_hi > x_lo)
        for (size_t i = 0; i < x.texts.size(); ++i) {
            TickMark tick{x.ticks.values[i],
                          position_on(x.ticks.values[i], x_lo, x_hi, f.x, f.width),
                          x.texts[i],
                          {}};
            const auto w = label_metrics.horizontalAdvance(tick.text);
            tick.label_box = QRectF(tick.position - w / 2.0, widget_y(f.y - kTickLength - kGap), w,
                                    label_height);
            layout.x_ticks.push_back(std::move(tick));
        }
    if (r.y_max > r.y_min)
        for (size_t i = 0; i < y.texts.size(); ++i) {
            TickMark tick{y.ticks.values[i],
                          position_on(y.ticks.values[i], r.y_min, r.y_max, f.y, f.height),
                          y.texts[i],
                          {}};
            const auto w = label_metrics.horizontalAdvance(tick.text);
            tick.label_box = QRectF(f.x - kTickLength - kGap - w,
                                    widget_y(tick.position) - label_height / 2.0, w, label_height);
            layout.y_ticks.push_back(std::move(tick));
        }

    layout.x_title_box =
        QRectF(f.x, widget_y(body.y + kEdgePadding + title_height), f.width, title_height);
    // Upright along the left edge, centred on the plotting area's height.
    const float centre_y = widget_y(f.y + f.height / 2.0f);
    layout.y_title_box = QRectF(body.x + kEdgePadding + title_height / 2.0f - f.height / 2.0f,
                                centre_y - title_height / 2.0f, f.height, title_height);
    layout.readout_box = QRectF(f.x, widget_y(body.y + body.height) + kGap / 2.0f,
                                std::max(0.0f, body.x + body.width - f.x - kEdgePadding),
                                static_cast<float>(readout_metrics.height()) + kGap);
    return layout;
}

}  // namespace kelvara
