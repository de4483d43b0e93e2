// The pointer over the graph: readout, zoom, pan, fit and audition (graph_gestures.h).
#include "view/graph_gestures.h"

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

double inverse_of(float scale) {
    return scale == 0.0f ? 0.0 : 1.0 / scale;
}

}  // namespace

GraphGestures::GraphGestures(GraphWidget& graph) : QObject(&graph), graph_(graph) {
    wheel_rest_ = new QTimer(this);
    wheel_rest_->setSingleShot(true);
    wheel_rest_->setInterval(kWheelGestureMs);
    connect(wheel_rest_, &QTimer::timeout, this, [this] { finish_wheel_gesture(); });
    graph.installEventFilter(this);
}

bool GraphGestures::eventFilter(QObject* watched, QEvent* event) {
    if (watched != &graph_) return false;
    switch (event->type()) {
        case QEvent::MouseButtonPress: return press(static_cast<QMouseEvent&>(*event));
        case QEvent::MouseMove: return move(static_cast<QMouseEvent&>(*event));
        case QEvent::MouseButtonRelease: return release(static_cast<QMouseEvent&>(*event));
        case QEvent::MouseButtonDblClick: return double_click(static_cast<QMouseEvent&>(*event));
        case QEvent::Wheel: return wheel(static_cast<QWheelEvent&>(*event));
        default: return false;
    }
}

bool GraphGestures::press(const QMouseEvent& event) {
    if (event.button() == Qt::RightButton) return false;
    if (pans(event)) {
        if (wheel_rest_->isActive()) finish_wheel_gesture();
        const GraphGeometry& g = graph_.geometry();
        drag_ = Drag{event.position(), g.x_axis_span(), g.ranges().y};
        emit gesture_started();
        return true;
    }
    if (event.button() == Qt::LeftButton) {
        graph_.read_at(event.position());
        if (const auto ratio = graph_.layers().readout_ratio) {
            auditioning_ = true;
            emit audition_pressed(*ratio);
        }
    }
    return true;
}

bool GraphGestures::move(const QMouseEvent& event) {
    if (drag_) {
        const GraphGeometry& g = graph_.geometry();
        const QPointF moved = event.position() - drag_->start;
        // The point under the pointer stays under it: the ranges move against the pointer
        // along x and with it along y (view y grows upwards).
        request_axis_ranges(pan_by(drag_->x, -moved.x() * inverse_of(g.x_scale())),
                            pan_by(drag_->y, moved.y() * inverse_of(g.y_scale())));
        return true;
    }
    graph_.read_at(event.position());
    if (const auto ratio = graph_.layers().readout_ratio; auditioning_ && ratio)
        emit audition_moved(*ratio);
    return true;
}

bool GraphGestures::release(const QMouseEvent& event) {
    if (drag_ && (event.button() == Qt::MiddleButton || event.button() == Qt::LeftButton)) {
        drag_.reset();
        emit gesture_finished();
    } else if (auditioning_ && event.button() == Qt::LeftButton) {
        auditioning_ = false;
        emit audition_released();
    }
    return true;
}

bool GraphGestures::double_click(const QMouseEvent& event) {
    if (event.button() == Qt::LeftButton && !event.modifiers().testFlag(Qt::ShiftModifier))
        emit fit_requested();
    return true;
}

bool GraphGestures::wheel(const QWheelEvent& event) {
    const double notches = event.angleDelta().y() / kEighthsPerNotch;
    if (notches == 0.0 || drag_) return false;
    const double factor = std::pow(kZoomPerNotch, notches);
    const GraphGeometry& g = graph_.geometry();
    const QPointF at = event.position();
    AxisSpan x = g.x_axis_span();
    AxisSpan y = g.ranges().y;
    if (event.modifiers().testFlag(Qt::ControlModifier))
        y = zoom_about(y, g.value_for_y(g.widget_y(static_cast<float>(at.y()))), factor);
    else
        x = zoom_about(x, g.axis_value_for_x(static_cast<float>(at.x())), factor);
    if (!wheel_rest_->isActive()) emit gesture_started();
    request_axis_ranges(x, y);
    wheel_rest_->start();
    return true;
}

void GraphGestures::request_axis_ranges(AxisSpan x, AxisSpan y) {
    const RatioAxis axis = graph_.geometry().axis();
    const AxisSpan bounded =
        keep_within(x, axis_value(axis, kRatioBounds.min), axis_value(axis, kRatioBounds.max));
    emit ranges_requested(ratio_at(axis, bounded.min), ratio_at(axis, bounded.max), y.min, y.max);
}

void GraphGestures::finish_wheel_gesture() {
    wheel_rest_->stop();
    emit gesture_finished();
}

}  // namespace kelvara
