#pragma once
// SurfaceWidget: the triad surface on screen (surface_picture.h), its most prominent minima
// marked, with a readout of the pointer's place (r and s with their cents; D, exact where
// the exact surface is given, else at the nearest grid point; the nearest just triad),
// the wheel to zoom, a drag with Shift or the middle button to pan, a double click to show
// the square from 1 to 2 again, and a left press to audition the triad under the pointer
// (the minimum's own when the press lands on its mark).
//
// It draws whatever grid it was last given, placed by its own geometry; each zoom or pan asks
// for a grid of the shown square (view_requested), coarse while a gesture lasts (`dragging`
// true) and at the widget's resolution when it ends. Until the new grid comes, the old one
// is drawn where its square now lies.
//
// Threads: the user-interface thread.
#include <QImage>
#include <QWidget>
#include <memory>
#include <optional>
#include <vector>

#include "engine/exact_surface.h"
#include "engine/surface_minima.h"
#include "view/surface_geometry.h"

namespace kelvara {

class SurfaceWidget final : public QWidget {
    Q_OBJECT

public:
    explicit SurfaceWidget(QWidget* parent = nullptr);

    // Shows `grid` and its minima; the geometry is kept.
    void show_surface(SurfaceGrid grid, std::vector<SurfaceMinimum> minima);
    // The exact surface the readout takes D from (none: from the grid).
    void set_exact_surface(std::shared_ptr<const ExactSurface> exact) { exact_ = std::move(exact); }
    // Rings one minimum (the one selected in a list); nothing when empty.
    void ring_minimum(std::optional<SurfaceMinimum> minimum);

    const SurfaceGeometry& geometry_shown() const { return view_; }
    // The readout's text at a point of the map, as drawn while the pointer is over it.
    QString readout_text(double r, double s) const;

    QSize sizeHint() const override { return {480, 420}; }

signals:
    void view_requested(const kelvara::SurfaceGeometry& view, bool dragging);
    void triad_pressed(double r, double s);
    void triad_released();
    // A press on the mark of minima()[index].
    void minimum_pressed(int index);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    // The pointer's point in map pixels, or nothing outside the map.
    std::optional<QPointF> map_point(const QPointF& widget_point) const;
    // The minimum whose mark is under a point of the map, if any.
    std::optional<int> minimum_at(const QPointF& at) const;
    void set_view(const SurfaceGeometry& view, bool dragging);
    void paint_readout(QPainter& painter, const QRectF& area) const;

    SurfaceGrid grid_;
    QImage map_;
    std::vector<SurfaceMinimum> minima_;
    std::vector<size_t> marked_;  // indices into minima_
    std::optional<SurfaceMinimum> ringed_;
    std::shared_ptr<const ExactSurface> exact_;
    SurfaceGeometry view_;
    std::optional<QPointF> pointer_;  // in map pixels
    std::optional<QPointF> pan_from_;
    bool auditioning_ = false;
};

}  // namespace kelvara
