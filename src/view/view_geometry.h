#pragma once
// The graph's geometry in its own terms: rectangles in unflipped view units (origin at the
// bottom left, y growing upwards, one unit per point), the layout rule that places the
// plotting area inside the panel, and the single conversion to the widget's y-down pixels.
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

// Margins around the plotting area: the labels stand in the wider left and bottom ones.
inline constexpr float kLabelMargin = 20.0f;
inline constexpr float kOuterMargin = 5.0f;

// The plotting area for a panel: 20 units in from the left and the bottom, 5 from the right
// and the top, in float arithmetic.
inline FloatRect graph_frame_for_body(const FloatRect& body) {
    return {body.x + kLabelMargin, body.y + kLabelMargin,
            (body.width - kLabelMargin) - kOuterMargin,
            (body.height - kLabelMargin) - kOuterMargin};
}

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
