#pragma once
// The axes of the graph laid out for a panel: where the plotting area goes, which ticks each
// axis gets and where every label and title stands. The margins around the plotting area
// are measured from the labels themselves (their font and the widest tick label), so no
// label is ever cut off at the panel's edge, whatever the range or the panel's size.
//
// Positions along an axis are in unflipped view units (view_geometry.h); the boxes of the
// texts are in the widget's y-down units, ready for QPainter::drawText.
#include <QFont>
#include <QRectF>
#include <QString>
#include <vector>

#include "engine/ratio_axis.h"
#include "view/view_geometry.h"

namespace kelvara {

// One tick: its place along its axis and its label's box.
struct TickMark {
    double value = 0.0;     // in axis units: a ratio, cents or a dissonance
    float position = 0.0f;  // view units along the axis
    QString text;
    QRectF label_box;  // widget units
};

struct AxisLayout {
    FloatRect frame;  // the plotting area
    std::vector<TickMark> x_ticks;
    std::vector<TickMark> y_ticks;
    QString x_title;
    QRectF x_title_box;  // widget units
    QRectF y_title_box;  // widget units, before the title is turned upright about its centre
    QRectF readout_box;  // widget units: the strip above the plotting area
};

// What the layout depends on: the panel, the x axis and both ranges.
struct AxisRanges {
    RatioAxis x_axis = RatioAxis::Linear;
    double x_min = 1.0;  // ratios
    double x_max = 2.0;
    double y_min = 0.0;
    double y_max = 4.0;
    bool readout = true;  // a strip above the plotting area holds the readout
};

// Lays out the axes over `body`. A range that is empty or not finite gets no ticks; a panel
// too small for its margins gets a plotting area of no extent, never a negative one.
AxisLayout lay_out_axes(const FloatRect& body, const AxisRanges& ranges);

// The faces of the graph's texts: the system face at pixel sizes chosen to read at arm's
// length (one view unit is one logical pixel).
QFont graph_label_font();    // tick labels and marker labels
QFont graph_title_font();    // the axis titles
QFont graph_readout_font();  // the readout above the plotting area

}  // namespace kelvara
