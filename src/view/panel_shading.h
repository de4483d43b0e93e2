#pragma once
// The panel under the graph: a vertical gradient in the background colour that darkens
// towards the top, a white shine over the top 15 units, and a thin edge. Each layer draws
// through a painter whose transform already maps unflipped view units to the widget, and
// leaves the painter's state as it found it.
//
// A gradient layer is built in two steps, as a colour function of t in [0, 1] and then a
// shading that lays the function along an axis. Either step can fail on bad input; the
// layer is then left out of this repaint and one line goes to the log category
// "kelvara.view" through Qt's logging (which reaches the journal or stderr, as Qt's
// message handler decides), so the rest of the repaint continues.
#include <QLoggingCategory>
#include <QPainter>

#include "document/curve_view.h"
#include "view/view_geometry.h"

Q_DECLARE_LOGGING_CATEGORY(kelvaraView)

namespace kelvara {

// How far down from the panel's top edge the shine reaches.
inline constexpr float kShineDepth = 15.0f;

// The body gradient's colour at t (0 at the bottom edge, 1 at the top): red, green and blue
// scaled by 1 − 0.3 t, alpha unchanged.
Rgba body_gradient_color(const Rgba& base, float t);

// The shine's colour at t (0 at the top edge, 1 at 15 units down): white at alpha
// 1 − tanh(2π t).
Rgba shine_color(float t);

// The three layers over the panel rectangle `body`.
void paint_body_panel(QPainter& painter, const FloatRect& body, const Rgba& background);
void paint_shine(QPainter& painter, const FloatRect& body);
void paint_panel_edge(QPainter& painter, const FloatRect& body);

}  // namespace kelvara
