#pragma once
// The graph's geometry in its own terms: rectangles in unflipped view units (origin at the
// bottom left, y growing upwards, one unit per point) and the single conversion to the
// widget's y-down pixels. Where the plotting area goes inside the panel is the axes' layout
// (graph_axes.h).
#include <QRectF>
#include <QTransform>

namespace kelvara {

// A rectangle in unflipped view units, 32-bit floats: (x, y) is its bottom-left corner.
struct FloatRect {
    float x = 0.0f;
    float y = 0.0f;
    float width = 0.0f;
    float height = 0.0f;
    friend bool operator==(const FloatRect&, const FloatRect&) = default;
};

// The one place where unflipped view units meet Qt's y-down widget coordinates: a mirror
// about the horizontal line half way up a panel of `body_height`. Paths are built and
// stored unflipped and painted through this transform; text boxes and mouse positions go
// through it (or its inverse, which is itself) one by one.
inline QTransform widget_from_view(float body_height) {
    return QTransform(1.0, 0.0, 0.0, -1.0, 0.0, static_cast<qreal>(body_height));
}

inline QRectF to_qrect(const FloatRect& r) {
    return QRectF(r.x, r.y, r.width, r.height);
}

}  // namespace kelvara
