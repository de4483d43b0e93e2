#include "view/surface_picture.h"

#include <QSvgGenerator>
#include <algorithm>
#include <cmath>

#include "engine/axis_ticks.h"
#include "view/surface_colormap.h"
#include "view/surface_contours.h"

namespace kelvara {
namespace {

constexpr double kLeft = 52.0, kBottom = 40.0, kTop = 12.0, kRight = 92.0;
constexpr double kBarWidth = 16.0, kBarGap = 14.0;
constexpr int kContourLevels = 12;
constexpr int kLabelledMinima = 12;  // the deepest ones get their triad written

struct ValueSpan {
    double low = 0.0, high = 1.0;
    double at(double v) const { return high > low ? (v - low) / (high - low) : 0.0; }
};

ValueSpan value_span(const SurfaceGrid& grid) {
    ValueSpan span{INFINITY, -INFINITY};
    for (const float v : grid.values)
        if (!std::isnan(v))
            span.low = std::min<double>(span.low, v), span.high = std::max<double>(span.high, v);
    return std::isfinite(span.low) ? span : ValueSpan{};
}

QColor color_of(double t) {
    const MapColor c = viridis(t);
    return QColor(c.red, c.green, c.blue);
}

// The value shown at a point the grid did not sample: its mirror image when there is one.
float shown_value(const SurfaceGrid& grid, int32_t i, int32_t j) {
    const float v = grid.value(i, j);
    const SurfaceRange& r = grid.range;
    const bool square = r.r_min == r.s_min && r.r_max == r.s_max;
    return std::isnan(v) && square ? grid.value(j, i) : v;
}

void paint_map(QPainter& painter, const QRectF& area, const SurfaceGrid& grid, const QImage& map,
               const SurfaceGeometry& view) {
    const SurfaceRange& r = grid.range;
    const double dr = 0.5 * (r.r_max - r.r_min) / (r.size - 1);
    const double ds = 0.5 * (r.s_max - r.s_min) / (r.size - 1);
    const QRectF target(QPointF(view.x_of_r(r.r_min - dr), view.y_of_s(r.s_max + ds)),
                        QPointF(view.x_of_r(r.r_max + dr), view.y_of_s(r.s_min - ds)));
    painter.drawImage(target.translated(area.topLeft()), map);
}

void paint_contours(QPainter& painter, const QRectF& area, const SurfaceGrid& grid,
                    const SurfaceGeometry& view) {
    const ValueSpan span = value_span(grid);
    std::vector<double> levels;
    for (int k = 1; k < kContourLevels; ++k)
        levels.push_back(span.low + (span.high - span.low) * k / kContourLevels);
    const SurfaceRange& r = grid.range;
    auto at = [&](double i, double j) {
        const double rr = r.r_min + (r.r_max - r.r_min) * i / (r.size - 1);
        const double ss = r.s_min + (r.s_max - r.s_min) * j / (r.size - 1);
        return area.topLeft() + QPointF(view.x_of_r(rr), view.y_of_s(ss));
    };
    std::vector<QLineF> lines;
    for (const ContourSegment& c : contour_segments(grid, levels))
        lines.emplace_back(at(c.i0, c.j0), at(c.i1, c.j1));
    painter.setPen(QPen(QColor(255, 255, 255, 60), 0.7));
    painter.drawLines(lines.data(), static_cast<int>(lines.size()));
}

void paint_minima(QPainter& painter, const QRectF& area, const std::vector<SurfaceMinimum>& minima,
                  const SurfaceGeometry& view) {
    painter.setBrush(Qt::NoBrush);
    for (size_t k = 0; k < minima.size(); ++k) {
        const SurfaceMinimum& m = minima[k];
        const QPointF p = area.topLeft() + QPointF(view.x_of_r(m.r), view.y_of_s(m.s));
        if (!area.contains(p)) continue;
        painter.setPen(QPen(Qt::white, 1.5));
        painter.drawEllipse(p, 4.0, 4.0);
        if (k < static_cast<size_t>(kLabelledMinima) && m.triad) {
            painter.setPen(Qt::white);
            painter.drawText(p + QPointF(6.0, -4.0), QString::fromStdString(triad_text(*m.triad)));
        }
    }
}

void paint_axes(QPainter& painter, const QRectF& area, const SurfaceGeometry& view) {
    painter.setPen(Qt::black);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(area);
    const AxisTicks r_ticks = nice_ticks(view.r_min, view.r_max, 8);
    for (const double r : r_ticks.values) {
        const double x = area.left() + view.x_of_r(r);
        painter.drawLine(QPointF(x, area.bottom()), QPointF(x, area.bottom() + 4));
        painter.drawText(QRectF(x - 30, area.bottom() + 5, 60, 14), Qt::AlignCenter,
                         QString::fromStdString(tick_label(r, r_ticks.decimals)));
    }
    painter.drawText(QRectF(area.left(), area.bottom() + 20, area.width(), 16), Qt::AlignCenter,
                     QStringLiteral("r (middle tone)"));
    const AxisTicks s_ticks = nice_ticks(view.s_min, view.s_max, 8);
    for (const double s : s_ticks.values) {
        const double y = area.top() + view.y_of_s(s);
        painter.drawLine(QPointF(area.left() - 4, y), QPointF(area.left(), y));
        painter.drawText(QRectF(area.left() - 40, y - 7, 34, 14), Qt::AlignRight | Qt::AlignVCenter,
                         QString::fromStdString(tick_label(s, s_ticks.decimals)));
    }
    painter.save();
    painter.translate(12, area.center().y());
    painter.rotate(-90);
    painter.drawText(QRectF(-area.height() / 2, -8, area.height(), 16), Qt::AlignCenter,
                     QStringLiteral("s (top tone)"));
    painter.restore();
}

void paint_color_bar(QPainter& painter, const QRectF& area, const ValueSpan& span) {
    const QRectF bar(area.right() + kBarGap, area.top(), kBarWidth, area.height());
    QLinearGradient gradient(bar.bottomLeft(), bar.topLeft());
    for (int k = 0; k <= 16; ++k) gradient.setColorAt(k / 16.0, color_of(k / 16.0));
    painter.fillRect(bar, gradient);
    painter.setPen(Qt::black);
    painter.drawRect(bar);
    const AxisTicks ticks = nice_ticks(span.low, span.high, 6);
    for (const double v : ticks.values) {
        const double y = bar.bottom() - span.at(v) * bar.height();
        painter.drawLine(QPointF(bar.right(), y), QPointF(bar.right() + 4, y));
        painter.drawText(QRectF(bar.right() + 6, y - 7, 56, 14), Qt::AlignLeft | Qt::AlignVCenter,
                         QString::fromStdString(tick_label(v, ticks.decimals)));
    }
}

Result<void> not_written(const QString& path) {
    return Error{ErrorKind::Refused,
                 0,
                 "The triad surface could not be written.",
                 "Check that the folder exists and may be written to.",
                 path.toStdString(),
                 {}};
}

}  // namespace

QImage surface_map_image(const SurfaceGrid& grid) {
    const int32_t n = grid.range.size;
    const ValueSpan span = value_span(grid);
    QImage image(n, n, QImage::Format_RGB32);
    for (int32_t j = 0; j < n; ++j) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(n - 1 - j));
        for (int32_t i = 0; i < n; ++i) {
            const float v = shown_value(grid, i, j);
            line[i] = std::isnan(v) ? qRgb(128, 128, 128) : color_of(span.at(v)).rgb();
        }
    }
    return image;
}

QRectF surface_map_area(const QSizeF& size) {
    return QRectF(kLeft, kTop, std::max(1.0, size.width() - kLeft - kRight),
                  std::max(1.0, size.height() - kTop - kBottom));
}

void paint_surface(QPainter& painter, const QSizeF& size, const SurfaceGrid& grid,
                   const QImage& map, const std::vector<SurfaceMinimum>& minima,
                   const SurfaceGeometry& view) {
    painter.fillRect(QRectF(QPointF(0, 0), size), Qt::white);
    const QRectF area = surface_map_area(size);
    painter.save();
    painter.setClipRect(area);
    paint_map(painter, area, grid, map, view);
    painter.setRenderHint(QPainter::Antialiasing);
    paint_contours(painter, area, grid, view);
    paint_minima(painter, area, minima, view);
    painter.restore();
    paint_axes(painter, area, view);
    paint_color_bar(painter, area, value_span(grid));
}

Result<void> write_surface_file(const SurfaceGrid& grid, const std::vector<SurfaceMinimum>& minima,
                                SurfaceFileFormat format, const QString& path, int width,
                                int height) {
    const QSize size(width, height);
    const QRectF area = surface_map_area(QSizeF(size));
    const SurfaceRange& r = grid.range;
    const SurfaceGeometry view{r.r_min, r.r_max, r.s_min, r.s_max, area.width(), area.height()};
    const QImage map = surface_map_image(grid);
    if (format == SurfaceFileFormat::Png) {
        QImage image(size, QImage::Format_ARGB32_Premultiplied);
        {
            QPainter painter(&image);
            paint_surface(painter, QSizeF(size), grid, map, minima, view);
        }
        if (!image.save(path, "PNG")) return not_written(path);
        return {};
    }
    QSvgGenerator svg;
    svg.setFileName(path);
    svg.setSize(size);
    svg.setViewBox(QRect(QPoint(0, 0), size));
    svg.setTitle(QStringLiteral("Triad surface"));
    svg.setDescription(QStringLiteral("Drawn by Kelvara"));
    QPainter painter;
    if (!painter.begin(&svg)) return not_written(path);
    paint_surface(painter, QSizeF(size), grid, map, minima, view);
    if (!painter.end()) return not_written(path);
    return {};
}

}  // namespace kelvara
