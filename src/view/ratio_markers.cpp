// The vertical markers over the full height of the graph frame: the just ratios, the scale's
// ratios and the ratio cursor line; the derivative's zero line; and the labels of the
// markers, placed where they find room.
#include <QFontMetricsF>
#include <QPainter>
#include <algorithm>
#include <array>
#include <cmath>

#include "engine/just_ratio.h"
#include "view/graph_widget.h"
#include "view/view_color.h"

namespace kelvara {
namespace {

constexpr Rgba kDefaultJustColor{1.0f, 0.0f, 0.0f, 0.25f};
// The cursor stands out on the green panel: a deep magenta, thick and opaque.
constexpr Rgba kDefaultLineColor{0.78f, 0.0f, 0.42f, 0.95f};
constexpr qreal kCursorLineWidth = 2.5;
constexpr Rgba kJustLabelColor{0.55f, 0.0f, 0.0f, 1.0f};
constexpr Rgba kScaleLabelColor{0.05f, 0.15f, 0.45f, 1.0f};
// Labels stand this far in from the frame's edge and at least this far from each other.
constexpr qreal kLabelInset = 2.0;
constexpr qreal kLabelGap = 3.0;

struct Fraction {
    int numerator;
    int denominator;
    float value() const { return static_cast<float>(numerator) / static_cast<float>(denominator); }
};

// The just intervals of one octave; the markers of the octave above are these doubled.
constexpr std::array<Fraction, 14> kJustRatios{{{1, 1},
                                                {16, 15},
                                                {9, 8},
                                                {6, 5},
                                                {5, 4},
                                                {4, 3},
                                                {7, 5},
                                                {3, 2},
                                                {8, 5},
                                                {5, 3},
                                                {9, 5},
                                                {7, 4},
                                                {16, 9},
                                                {15, 8}}};
// Above this x maximum the octave above is marked too; nothing higher ever is.
constexpr float kSecondOctaveThreshold = 2.0f;

Fraction doubled(Fraction f) {
    return f.denominator % 2 == 0 ? Fraction{f.numerator, f.denominator / 2}
                                  : Fraction{f.numerator * 2, f.denominator};
}

// The just ratios marked for an x maximum, in the order they are drawn.
std::vector<Fraction> marked_just_ratios(float x_max) {
    std::vector<Fraction> marked(kJustRatios.begin(), kJustRatios.end());
    if (x_max > kSecondOctaveThreshold)
        for (const Fraction f : kJustRatios) marked.push_back(doubled(f));
    return marked;
}

void reset(std::optional<StrokedPath>& path) {
    if (!path) path.emplace();
    path->path.clear();
}

// A scale ratio's label: the ratio to four places without trailing zeros, or its cents on a
// cents axis.
QString scale_label(float ratio, RatioAxis axis) {
    if (axis == RatioAxis::Cents) return QString::number(std::lround(ratio_to_cents(ratio)));
    return QString::number(static_cast<double>(ratio), 'g', 5);
}

}  // namespace

// Markers outside the x range are built all the same: the clip hides them.
void GraphWidget::build_just_markers() {
    reset(justs_path_);
    if (!just_color_) just_color_ = kDefaultJustColor;
    if (!shows_just_ratios_) return;
    const float bottom = location_for_y(y_min_), top = location_for_y(y_max_);
    for (const Fraction f : marked_just_ratios(x_max_)) {
        const float x = location_for_x(f.value());
        justs_path_->path.moveTo(x, bottom);
        justs_path_->path.lineTo(x, top);
    }
}

void GraphWidget::build_scale_lines() {
    reset(scale_lines_path_);
    reset(selected_scale_line_path_);
    selected_scale_line_path_->line_width = kCursorLineWidth;
    if (!shows_scale_lines_) return;
    const float bottom = location_for_y(y_min_), top = location_for_y(y_max_);
    for (size_t i = 0; i < scale_ratios_.size(); ++i) {
        const float x = location_for_x(scale_ratios_[i]);
        if (!std::isfinite(x)) continue;
        QPainterPath& path =
            selected_scale_ratio_ == i ? selected_scale_line_path_->path : scale_lines_path_->path;
        path.moveTo(x, bottom);
        path.lineTo(x, top);
    }
}

void GraphWidget::build_zero_slope_line() {
    reset(zero_slope_path_);
    if (!shows_slope_ || !(dy_min_ < 0.0f && dy_max_ > 0.0f)) return;
    const float y = location_for_dy(0.0f);
    zero_slope_path_->path.moveTo(graph_frame_.x, y);
    zero_slope_path_->path.lineTo(graph_frame_.x + graph_frame_.width, y);
}

void GraphWidget::move_cursor_line(float ratio) {
    cursor_ratio_ = ratio;
    reset(ratio_line_path_);
    ratio_line_path_->line_width = kCursorLineWidth;
    if (!line_color_) line_color_ = kDefaultLineColor;
    // A ratio that is not a number has no place on the axis: the line is left out.
    if (shows_cursor_line_ && std::isfinite(ratio)) {
        const float x = location_for_x(ratio);
        ratio_line_path_->path.moveTo(x, location_for_y(y_min_));
        ratio_line_path_->path.lineTo(x, location_for_y(y_max_));
    }
    request_redisplay();
}

// The labels, most telling first: the selected scale ratio, the just ratios from the
// simplest (1/1, 2/1, 3/2 ...) along the frame's top, the other scale ratios along its
// bottom. A label that would touch one placed before, or stick out of the frame, is left
// out.
void GraphWidget::build_marker_labels() {
    marker_labels_.clear();
    const QFontMetricsF metrics(graph_label_font());
    const FloatRect& f = graph_frame_;
    const qreal frame_top = body_rect_.height - (f.y + f.height);
    const qreal frame_bottom = body_rect_.height - f.y;
    const auto place = [&](float ratio, const QString& text, qreal top, const Rgba& color) {
        const float x = location_for_x(ratio);
        if (!std::isfinite(x)) return;
        const qreal w = metrics.horizontalAdvance(text), h = metrics.height();
        const QRectF box(x + kLabelInset, top, w, h);
        if (box.left() < f.x || box.right() > f.x + f.width || box.top() < frame_top ||
            box.bottom() > frame_bottom)
            return;
        const QRectF spaced = box.adjusted(-kLabelGap, 0, kLabelGap, 0);
        for (const MarkerLabel& placed : marker_labels_)
            if (placed.box.intersects(spaced)) return;
        marker_labels_.push_back({box, text, color});
    };
    const qreal top_row = frame_top + kLabelInset;
    const qreal bottom_row = frame_bottom - kLabelInset - metrics.height();
    const bool scale_shown = shows_scale_lines_ && !scale_ratios_.empty();
    if (scale_shown && selected_scale_ratio_) {
        const float r = scale_ratios_[*selected_scale_ratio_];
        place(r, scale_label(r, x_axis_), bottom_row, line_color_.value_or(kDefaultLineColor));
    }
    if (shows_just_ratios_) {
        std::vector<Fraction> justs = marked_just_ratios(x_max_);
        std::stable_sort(justs.begin(), justs.end(), [](Fraction a, Fraction b) {
            return a.numerator * a.denominator < b.numerator * b.denominator;
        });
        for (const Fraction j : justs)
            place(j.value(), QStringLiteral("%1/%2").arg(j.numerator).arg(j.denominator), top_row,
                  kJustLabelColor);
    }
    if (scale_shown)
        for (size_t i = 0; i < scale_ratios_.size(); ++i)
            if (selected_scale_ratio_ != i)
                place(scale_ratios_[i], scale_label(scale_ratios_[i], x_axis_), bottom_row,
                      kScaleLabelColor);
}

void GraphWidget::paint_marker_labels(QPainter& painter) const {
    painter.setFont(graph_label_font());
    for (const MarkerLabel& label : marker_labels_) {
        painter.setPen(to_qcolor(label.color));
        painter.drawText(label.box, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextDontClip,
                         label.text);
    }
}

}  // namespace kelvara
