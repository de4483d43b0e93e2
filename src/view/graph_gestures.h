#pragma once
// GraphGestures: the pointer over a graph. The readout follows it; the wheel zooms x about the
// pointer (Ctrl+wheel: y), a Shift+drag or a middle drag pans and a double click fits, each
// by asking for ranges through a signal: the graph changes no range by itself. A plain left
// press is the audition's: it moves the readout and is announced, nothing more. A right
// press is the context menu's and moves nothing.
//
// It watches its graph's events (an event filter) and is owned by the graph as its child.
//
// Threads: user-interface thread only.
#include <QObject>
#include <QPointF>
#include <optional>

#include "engine/ratio_axis.h"

class QMouseEvent;
class QTimer;
class QWheelEvent;

namespace kelvara {

class GraphWidget;

class GraphGestures final : public QObject {
    Q_OBJECT

public:
    explicit GraphGestures(GraphWidget& graph);

    // How long the wheel rests before its burst of zoom steps counts as one finished gesture.
    static constexpr int kWheelGestureMs = 400;

signals:
    // A zoom or pan asks for these ranges (x in ratios). A wheel burst or a drag is one
    // gesture: gesture_started comes before its first request and gesture_finished after
    // its last (for the wheel, once it has rested for kWheelGestureMs).
    void ranges_requested(double x_min, double x_max, double y_min, double y_max);
    void gesture_started();
    void gesture_finished();
    // A double click: back to the fitted ranges.
    void fit_requested();
    // The audition's hook: a plain left press at a ratio, the pointer dragged on with the
    // button held, the button released.
    void audition_pressed(float ratio);
    void audition_moved(float ratio);
    void audition_released();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Each answers whether it took the event.
    bool press(const QMouseEvent& event);
    bool move(const QMouseEvent& event);
    bool release(const QMouseEvent& event);
    bool double_click(const QMouseEvent& event);
    bool wheel(const QWheelEvent& event);
    // The x span (in axis units) kept within the ratio bounds, then asked for in ratios.
    void request_axis_ranges(AxisSpan x, AxisSpan y);
    void finish_wheel_gesture();

    GraphWidget& graph_;
    // A pan under way: where it started, in widget units, and the ranges then (x in axis
    // units).
    struct Drag {
        QPointF start;
        AxisSpan x;
        AxisSpan y;
    };
    std::optional<Drag> drag_;
    bool auditioning_ = false;
    QTimer* wheel_rest_ = nullptr;  // owned as a child
};

}  // namespace kelvara
