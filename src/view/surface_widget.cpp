// The triad surface on screen (surface_widget.h).
#include "view/surface_widget.h"

#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

#include "engine/just_ratio.h"
#include "engine/just_triad.h"
#include "view/surface_picture.h"

namespace kelvara {
namespace {

// Zoom per wheel notch, and the narrowest span shown (a few cents at the octave).
constexpr double kZoomPerNotch = 1.25;
constexpr double kNarrowestSpan = 1e-3;
// A press this close to a minimum's mark, in pixels, is on it.
constexpr double kMarkReach = 7.0;
// Only the most prominent minima are marked: a rich timbre has hundreds of shallow ones,
// whose marks would hide the map (the list holds them all).
constexpr size_t kMarkedMinima = 24;

// The indices of the minima to mark, the most prominent first.
std::vector<size_t> marked_minima(const std::vector<SurfaceMinimum>& minima) {
    std::vector<size_t> order(minima.size());
    for (size_t k = 0; k < order.size(); ++k) order[k] = k;
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
        return minima[a].prominence > minima[b].prominence;
    });
    order.resize(std::min(order.size(), kMarkedMinima));
    return order;
}

}  // namespace

SurfaceWidget::SurfaceWidget(QWidget* parent) : QWidget(parent) {
    setMouseTracking(true);
    setMinimumSize(320, 280);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

void SurfaceWidget::show_surface(SurfaceGrid grid, std::vector<SurfaceMinimum> minima) {
    grid_ = std::move(grid);
    minima_ = std::move(minima);
    marked_ = marked_minima(minima_);
    map_ = grid_.values.empty() ? QImage() : surface_map_image(grid_);
    update();
}

void SurfaceWidget::ring_minimum(std::optional<SurfaceMinimum> minimum) {
    ringed_ = std::move(minimum);
    update();
}

QString SurfaceWidget::readout_text(double r, double s) const {
    QString text = QStringLiteral("r %1 (%2¢)   s %3 (%4¢)\n")
                       .arg(r, 0, 'f', 5)
                       .arg(ratio_to_cents(r), 0, 'f', 1)
                       .arg(s, 0, 'f', 5)
                       .arg(ratio_to_cents(s), 0, 'f', 1);
    if (const double value = exact_ ? exact_->at(r, s) : grid_.value_near(r, s); !std::isnan(value))
        text += QStringLiteral("D %1").arg(value, 0, 'f', 4);
    if (const auto triad = nearest_just_triad(r, s))
        text += QStringLiteral("   ≈ ") + QString::fromStdString(triad_text(*triad));
    return text;
}

void SurfaceWidget::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (map_.isNull()) {
        painter.fillRect(rect(), palette().window());
        painter.drawText(rect(), Qt::AlignCenter, tr("Computing the triad surface…"));
        return;
    }
    std::vector<SurfaceMinimum> marked;
    for (const size_t k : marked_) marked.push_back(minima_[k]);
    paint_surface(painter, QSizeF(size()), grid_, map_, marked, view_);
    const QRectF area = surface_map_area(QSizeF(size()));
    if (ringed_) {
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(QColor(255, 80, 80), 2.5));
        painter.drawEllipse(
            area.topLeft() + QPointF(view_.x_of_r(ringed_->r), view_.y_of_s(ringed_->s)), 8.0, 8.0);
    }
    if (pointer_) paint_readout(painter, area);
}

void SurfaceWidget::paint_readout(QPainter& painter, const QRectF& area) const {
    const QString text = readout_text(view_.r_of_x(pointer_->x()), view_.s_of_y(pointer_->y()));
    const QRectF room(area.left() + 4, area.top() + 4, area.width() - 8, area.height() - 8);
    const QRectF box = painter.boundingRect(room, Qt::AlignLeft | Qt::AlignTop, text)
                           .adjusted(-4, -2, 4, 2)
                           .translated(4, 2);
    painter.fillRect(box, QColor(255, 255, 255, 225));
    painter.setPen(Qt::black);
    painter.drawText(box, Qt::AlignCenter, text);
}

void SurfaceWidget::resizeEvent(QResizeEvent*) {
    const QRectF area = surface_map_area(QSizeF(size()));
    view_.width = area.width();
    view_.height = area.height();
    emit view_requested(view_, false);
}

std::optional<QPointF> SurfaceWidget::map_point(const QPointF& widget_point) const {
    const QRectF area = surface_map_area(QSizeF(size()));
    if (!area.contains(widget_point)) return std::nullopt;
    return widget_point - area.topLeft();
}

std::optional<int> SurfaceWidget::minimum_at(const QPointF& at) const {
    for (const size_t k : marked_) {
        const QPointF mark(view_.x_of_r(minima_[k].r), view_.y_of_s(minima_[k].s));
        if (std::hypot(mark.x() - at.x(), mark.y() - at.y()) <= kMarkReach)
            return static_cast<int>(k);
    }
    return std::nullopt;
}

void SurfaceWidget::set_view(const SurfaceGeometry& view, bool dragging) {
    view_ = view.bounded(kMinCurveX, kMaxCurveX, kNarrowestSpan);
    update();
    emit view_requested(view_, dragging);
}

void SurfaceWidget::wheelEvent(QWheelEvent* event) {
    const std::optional<QPointF> at = map_point(event->position());
    if (!at) return;
    const double notches = event->angleDelta().y() / 120.0;
    set_view(view_.zoomed(std::pow(kZoomPerNotch, notches), at->x(), at->y()), false);
    event->accept();
}

void SurfaceWidget::mousePressEvent(QMouseEvent* event) {
    const std::optional<QPointF> at = map_point(event->position());
    if (!at) return;
    const bool pan = event->button() == Qt::MiddleButton ||
                     (event->button() == Qt::LeftButton && event->modifiers() & Qt::ShiftModifier);
    if (pan) {
        pan_from_ = *at;
    } else if (event->button() == Qt::LeftButton) {
        auditioning_ = true;
        if (const std::optional<int> k = minimum_at(*at)) {
            emit minimum_pressed(*k);
            const SurfaceMinimum& m = minima_[static_cast<size_t>(*k)];
            emit triad_pressed(m.r, m.s);
        } else {
            emit triad_pressed(view_.r_of_x(at->x()), view_.s_of_y(at->y()));
        }
    }
}

void SurfaceWidget::mouseMoveEvent(QMouseEvent* event) {
    pointer_ = map_point(event->position());
    if (pan_from_ && pointer_) {
        const QPointF moved = *pointer_ - *pan_from_;
        pan_from_ = pointer_;
        set_view(view_.panned(moved.x(), moved.y()), true);
        return;
    }
    update();
}

void SurfaceWidget::mouseReleaseEvent(QMouseEvent*) {
    if (pan_from_) {
        pan_from_.reset();
        emit view_requested(view_, false);
    }
    if (auditioning_) {
        auditioning_ = false;
        emit triad_released();
    }
}

void SurfaceWidget::mouseDoubleClickEvent(QMouseEvent*) {
    SurfaceGeometry whole = view_;
    const SurfaceRange home;
    whole.r_min = home.r_min, whole.r_max = home.r_max;
    whole.s_min = home.s_min, whole.s_max = home.s_max;
    set_view(whole, false);
}

void SurfaceWidget::leaveEvent(QEvent*) {
    pointer_.reset();
    update();
}

}  // namespace kelvara
