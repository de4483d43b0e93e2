#pragma once
// The graph as a file: a PNG image, or an SVG or PDF drawing whose axes, texts and curves
// are vector strokes (for papers). The window's File menu and `kelvara-cli plot` write
// through here, so a figure is the graph the window shows.
//
// Threads: user-interface thread only (it paints a widget).
#include <QString>

#include "base/error.h"
#include "document/document.h"
#include "view/graph_widget.h"

namespace kelvara {

enum class GraphFileFormat { Png, Svg, Pdf };

// Writes the graph at the view's size (one view unit = one pixel, or one point in a PDF),
// without the readout, which describes the pointer rather than the figure;
// a PNG has `pixel_ratio` image pixels per unit (1 to 4; 2 as on a HiDPI screen). Refused
// with the reason when the file cannot be written.
Result<void> write_graph_file(GraphWidget& view, GraphFileFormat format, const QString& path,
                              int pixel_ratio = 1);

// The same, with the document's curve drawn for the file first (engine/drawn_curve.h): at the
// PNG's own pixels, and in a drawing, which is zoomed in print and on screen, at
// kDrawingCurvePixelRatio samples per unit. Drawn again for the screen after.
inline constexpr int kDrawingCurvePixelRatio = 4;
Result<void> write_document_graph(Document& document, GraphWidget& view, GraphFileFormat format,
                                  const QString& path, int pixel_ratio = 1);

}  // namespace kelvara
