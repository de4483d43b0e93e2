// The pointer over the graph: the readout follows it; the wheel zooms, a Shift+drag or a
// middle drag pans and a double click fits, each by asking for ranges (graph_widget.h); a
// plain left press is announced for the audition.
#include <QMouseEvent>
#include <QTimer>
#include <QWheelEvent>
#include <cmath>

#include "base/value_limits.h"
#include "view/graph_widget.h"

namespace kelvara {
namespace {

// One notch of the wheel (120 eighths of a degree) narrows the range to this fraction.
constexpr double kZoomPerNotch = 0.8;
constexpr double kEighthsPerNotch = 120.0;

bool pans(const QMouseEvent& event) {
    return event.button() == Qt::MiddleButton ||
           (event.button() == Qt::LeftButton && event.modifiers().testFlag(Qt::ShiftModifier));
}

}  // namespace

void GraphWidget::move_readout_to(QPointF widget_position) {
    const float x = static_cast<float>(widget_position.x());
    if (x < graph_frame_.x || x > graph_frame_.x + graph_frame_.width) return;
    const float ratio = x_for_location(x);
    if (!std::isfinite(ratio)) return;
    readout_ratio_ = ratio;
    request_redisplay();
}

void GraphWidget::mousePressEvent(QMouseEvent* event) {
    // A right press is the context menu's, and moves nothing.
    if (event->button() == Qt::RightButton) {
        event->ignore();
        return;
    }
    if (pans(*event)) {
        if (wheel_rest_->isActive()) finish_wheel_gesture();
        drag_ = Drag{event->position(), {x_axis_min_, x_axis_max_}, {y_min_, y_max_}};
        emit gesture_started();
        event->accept();
        return;
    }
    if (event->button() == Qt::LeftButton) {
        move_readout_to(event->position());
        if (readout_ratio_) {
            auditioning_ = true;
            emit audition_pressed(*readout_ratio_);
        }
    }
    event->accept();
}

void GraphWidget::mouseMoveEvent(QMouseEvent* event) {
    if (drag_) {
        const QPointF moved = event->position() - drag_->start;
        // The point under the pointer stays under it: the ranges move against the pointer
        // along x and with it along y (view y grows upwards).
        const AxisSpan x = pan_by(drag_->x, -moved.x() * inverse_of_scale(x_scale_));
        const AxisSpan y = pan_by(drag_->y, moved.y() * inverse_of_scale(y_scale_));
        request_axis_ranges(x, y);
        event->accept();
        return;
    }
    move_readout_to(event->position());
    if (auditioning_ && readout_ratio_) emit audition_moved(*readout_ratio_);
    event->accept();
}

void GraphWidget::mouseReleaseEvent(QMouseEvent* event) {
    if (drag_ && (event->button() == Qt::MiddleButton || event->button() == Qt::LeftButton)) {
        finish_drag();
    } else if (auditioning_ && event->button() == Qt::LeftButton) {
        auditioning_ = false;
        emit audition_released();
    }
    event->accept();
}

void GraphWidget::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && !event->modifiers().testFlag(Qt::ShiftModifier))
        emit fit_requested();
    event->accept();
}

void GraphWidget::wheelEvent(QWheelEvent* event) {
    const double notches = event->angleDelta().y() / kEighthsPerNotch;
    if (notches == 0.0 || drag_) {
        event->ignore();
        return;
    }
    const double factor = std::pow(kZoomPerNotch, notches);
    const QPointF at = event->position();
    AxisSpan x{x_axis_min_, x_axis_max_};
    AxisSpan y{y_min_, y_max_};
    if (event->modifiers().testFlag(Qt::ControlModifier))
        y = zoom_about(y, y_for_location(body_rect_.height - static_cast<float>(at.y())), factor);
    else
        x = zoom_about(x, axis_value_for_location(static_cast<float>(at.x())), factor);
    if (!wheel_rest_->isActive()) emit gesture_started();
    request_axis_ranges(x, y);
    wheel_rest_->start();
    event->accept();
}

// The x span (in axis units) kept within the ratio bounds, then asked for in ratios.
void GraphWidget::request_axis_ranges(AxisSpan x, AxisSpan y) {
    const AxisSpan bounded = keep_within(x, axis_value(x_axis_, kRatioBounds.min),
                                         axis_value(x_axis_, kRatioBounds.max));
    emit ranges_requested(ratio_at(x_axis_, bounded.min), ratio_at(x_axis_, bounded.max), y.min,
                          y.max);
}

void GraphWidget::finish_wheel_gesture() {
    wheel_rest_->stop();
    emit gesture_finished();
}

void GraphWidget::finish_drag() {
    drag_.reset();
    emit gesture_finished();
}

}  // namespace kelvara
