#pragma once
// Where the graph's unflipped view units (graph_geometry.h: origin at the bottom left, y
// growing upwards, one unit per point) meet Qt's y-down widget coordinates.
#include <QRectF>
#include <QTransform>

#include "view/graph_geometry.h"

namespace kelvara {

// A mirror about the horizontal line half way up a panel of `body_height`. Paths are built
// and stored unflipped and painted through this transform; text boxes and mouse positions go
// through it (or its inverse, which is itself) one by one.
inline QTransform widget_from_view(float body_height) {
    return QTransform(1.0, 0.0, 0.0, -1.0, 0.0, static_cast<qreal>(body_height));
}

inline QRectF to_qrect(const FloatRect& r) {
    return QRectF(r.x, r.y, r.width, r.height);
}

}  // namespace kelvara
