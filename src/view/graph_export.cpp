#include "view/graph_export.h"

#include <QFile>
#include <QImage>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSvgGenerator>
#include <string>

#include "base/regular_file.h"

namespace kelvara {
namespace {

Error not_written(const QString& path) {
    Error error = refusal("The graph could not be written to " + path.toStdString() + ".");
    error.reason = "Check that the folder exists and may be written to.";
    return error;
}

// Paints through a painter on `device`; the file is complete once the painter ends.
Result<void> paint_vector(GraphWidget& view, QPaintDevice& device, const QString& path) {
    QPainter painter;
    if (!painter.begin(&device)) return not_written(path);
    view.paint_graph(painter);
    if (!painter.end()) return not_written(path);
    return {};
}

Result<void> write_as(GraphWidget& view, GraphFileFormat format, const QString& path,
                      int pixel_ratio) {
    const QSize size = view.size();
    switch (format) {
        case GraphFileFormat::Png: {
            QImage image(size * pixel_ratio, QImage::Format_ARGB32_Premultiplied);
            image.setDevicePixelRatio(pixel_ratio);
            image.fill(Qt::transparent);
            view.render(&image);
            if (!image.save(path, "PNG")) return not_written(path);
            return {};
        }
        case GraphFileFormat::Svg: {
            QSvgGenerator svg;
            svg.setFileName(path);
            svg.setSize(size);
            svg.setViewBox(QRect(QPoint(0, 0), size));
            svg.setTitle(QStringLiteral("Dissonance curve"));
            svg.setDescription(QStringLiteral("Drawn by Kelvara"));
            return paint_vector(view, svg, path);
        }
        case GraphFileFormat::Pdf: {
            // One view unit is one point: the page is the graph's size.
            QPdfWriter pdf(path);
            pdf.setResolution(72);
            pdf.setPageSize(QPageSize(QSizeF(size), QPageSize::Point));
            pdf.setPageMargins(QMarginsF(0, 0, 0, 0));
            pdf.setCreator(QStringLiteral("Kelvara"));
            pdf.setTitle(QStringLiteral("Dissonance curve"));
            return paint_vector(view, pdf, path);
        }
    }
    return not_written(path);
}

}  // namespace

Result<void> write_graph_file(GraphWidget& view, GraphFileFormat format, const QString& path,
                              int pixel_ratio) {
    if (view.size().isEmpty() || pixel_ratio < 1 || pixel_ratio > 4)
        return refusal("The graph has no size to draw at.");
    // Qt writes the file in place: a named pipe would wait for a reader, a device be written.
    if (Result<void> target =
            check_save_target(QFile::encodeName(path).toStdString(),
                              "The graph could not be written to " + path.toStdString() + ".");
        !target)
        return target;
    const bool readout = view.layers().readout;
    view.show_readout(false);
    const Result<void> written = write_as(view, format, path, pixel_ratio);
    view.show_readout(readout);
    return written;
}

Result<void> write_document_graph(Document& document, GraphWidget& view, GraphFileFormat format,
                                  const QString& path, int pixel_ratio) {
    view.set_curve_pixel_ratio(format == GraphFileFormat::Png ? pixel_ratio
                                                              : kDrawingCurvePixelRatio);
    document.redraw_visible_curve();
    const Result<void> written = write_graph_file(view, format, path, pixel_ratio);
    view.set_curve_pixel_ratio(1.0);
    document.redraw_visible_curve();
    return written;
}

}  // namespace kelvara
