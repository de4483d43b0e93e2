#pragma once
// The graph's texts in the window's faces: the fonts, their sizes as the geometry lays the
// axes out from them (graph_geometry.h), and the axes' titles. The margins around the
// plotting area are measured from the labels themselves, so no label is ever cut off at the
// panel's edge, whatever the range or the panel's size.
#include <QFont>
#include <QRectF>
#include <QString>

#include "engine/ratio_axis.h"
#include "view/graph_geometry.h"

namespace kelvara {

// The faces of the graph's texts: the system face at pixel sizes chosen to read at arm's
// length (one view unit is one logical pixel).
QFont graph_label_font();    // tick labels and marker labels
QFont graph_title_font();    // the axis titles
QFont graph_readout_font();  // the readout above the plotting area

// The sizes of texts in those faces.
GraphTextMetrics graph_text_metrics();

// The titles along the axes.
QString x_axis_title(RatioAxis axis);
QString y_axis_title();

inline QRectF to_qrect(const TextBox& box) {
    return QRectF(box.left, box.top, box.width, box.height);
}

}  // namespace kelvara
