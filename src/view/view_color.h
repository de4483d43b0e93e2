#pragma once
// Document colours (device RGB with alpha, 0 to 1) as Qt colours.
#include <QColor>
#include <cmath>

#include "document/curve_view.h"

namespace kelvara {

// The slope's colour until a document sets its own.
inline constexpr Rgba kDefaultSlopeColor{0.0f, 0.0f, 1.0f, 0.3f};

// Each component confined to [0, 1]; one that is not a number counts as 0.
inline QColor to_qcolor(const Rgba& c) {
    const auto unit = [](float v) { return v > 0.0f ? (v < 1.0f ? v : 1.0f) : 0.0f; };
    return QColor::fromRgbF(unit(c.red), unit(c.green), unit(c.blue), unit(c.alpha));
}

}  // namespace kelvara
