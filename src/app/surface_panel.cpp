// The Triad Surface tab (surface_panel.h).
#include "app/surface_panel.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSortFilterProxyModel>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "app/control_widgets.h"
#include "app/surface_minima_model.h"
#include "document/document.h"
#include "document/document_minima.h"
#include "engine/exact_surface.h"
#include "view/graph_widget.h"
#include "view/surface_widget.h"

namespace kelvara {
namespace {

constexpr int kProgressIntervalMs = 100;
// The readout sums the exact surface under the pointer when a point costs at most this many
// pairs of partials (well under a millisecond; the default timbre takes about 1500), else it
// reads the grid.
constexpr double kExactReadoutPairs = 20000.0;

std::shared_ptr<const ExactSurface> readout_surface(const CurveDefinition& curve) {
    Result<ExactSurface> exact = ExactSurface::create(curve);
    if (!exact || exact->pairs_per_point() > kExactReadoutPairs) return nullptr;
    return std::make_shared<const ExactSurface>(std::move(*exact));
}

// The square a view shows, sampled `size` points a side: only the half s >= r when the view
// is the symmetric square (the other half is its mirror image).
SurfaceRange range_of(const SurfaceGeometry& view, int32_t size) {
    const bool symmetric = view.r_min == view.s_min && view.r_max == view.s_max;
    return {view.r_min, view.r_max, view.s_min, view.s_max, size, symmetric};
}

QPushButton* button(const QString& text, const char* name, const QString& tip) {
    auto* b = new QPushButton(text);
    b->setObjectName(QString::fromLatin1(name));
    b->setToolTip(tip);
    return b;
}

}  // namespace

SurfacePanel::SurfacePanel(Document& document, GraphWidget& graph, QWidget* parent)
    : QWidget(parent), document_(document) {
    setObjectName(QStringLiteral("surface_panel"));
    surface_ = new SurfaceWidget;
    surface_->setObjectName(QStringLiteral("surface_map"));
    surface_->setToolTip(
        tr("Three tones at 1, r and s with the fixed tones: dark is smooth. Press to hear; "
           "wheel to zoom, Shift+drag to pan, double click for 1 to 2."));
    jobs_ = new SurfaceJobs(this);
    progress_timer_ = new QTimer(this);
    progress_timer_->setInterval(kProgressIntervalMs);

    auto* layout = new QHBoxLayout(this);
    layout->addWidget(surface_, 3);
    layout->addWidget(side_pane(), 2);

    connect(progress_timer_, &QTimer::timeout, this,
            [this] { progress_bar_->setValue(jobs_->percent_done()); });
    connect(&graph, &GraphWidget::curve_redrawn, this, &SurfacePanel::curve_redrawn);
    connect(jobs_, &SurfaceJobs::job_started, this, &SurfacePanel::job_started);
    connect(jobs_, &SurfaceJobs::computed, this, &SurfacePanel::computed);
    connect(jobs_, &SurfaceJobs::refused, this, &SurfacePanel::refused);
    connect(surface_, &SurfaceWidget::view_requested, this, &SurfacePanel::view_requested);
    connect(surface_, &SurfaceWidget::triad_pressed, this, &SurfacePanel::triad_pressed);
    connect(surface_, &SurfaceWidget::triad_released, this, &SurfacePanel::triad_released);
    connect(surface_, &SurfaceWidget::minimum_pressed, this, &SurfacePanel::select_minimum);
    connect(cancel_button_, &QPushButton::clicked, jobs_, &SurfaceJobs::cancel);
    connect(table_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &SurfacePanel::row_selected);
    connect(to_fixed_button_, &QPushButton::clicked, this, [this] {
        if (const auto m = selected_minimum())
            document_.table_actions().triad_to_fixed_tones(m->r, m->s);
    });
    connect(to_chord_button_, &QPushButton::clicked, this, [this] {
        if (const auto m = selected_minimum())
            document_.table_actions().triad_to_chord_map(m->r, m->s);
    });
}

SurfacePanel::~SurfacePanel() = default;

QWidget* SurfacePanel::side_pane() {
    model_ = new SurfaceMinimaModel(this);
    sorted_ = new QSortFilterProxyModel(this);
    sorted_->setSourceModel(model_);
    sorted_->setSortRole(SurfaceMinimaModel::kSortRole);
    table_ = sorted_table_view(QStringLiteral("surface_minima_table"),
                               tr("The valleys of the surface, found exactly. Click a heading "
                                  "to sort; click a row to ring it on the map."),
                               *sorted_, SurfaceMinimaModel::Roughness);

    to_fixed_button_ = button(tr("To &Fixed Tones"), "surface_to_fixed_tones",
                              tr("Add the selected minimum's r and s to the fixed tones"));
    to_chord_button_ =
        button(tr("To &Chord Map"), "surface_to_chord_map",
               tr("Map the selected minimum's triad, in hertz, to the first free key"));
    cancel_button_ = button(tr("Cancel"), "surface_cancel",
                            tr("Stop computing this surface; the coarse one stays"));
    progress_bar_ = new QProgressBar;
    progress_bar_->setObjectName(QStringLiteral("surface_progress"));
    progress_bar_->setRange(0, 100);
    status_label_ = new QLabel;
    status_label_->setObjectName(QStringLiteral("surface_status"));
    status_label_->setWordWrap(true);
    to_fixed_button_->setEnabled(false);
    to_chord_button_->setEnabled(false);
    progress_bar_->setVisible(false);
    cancel_button_->setVisible(false);

    auto* pane = new QWidget;
    auto* side = new QVBoxLayout(pane);
    side->setContentsMargins(0, 0, 0, 0);
    side->addWidget(table_, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(to_fixed_button_);
    buttons->addWidget(to_chord_button_);
    side->addLayout(buttons);
    auto* running = new QHBoxLayout;
    running->addWidget(progress_bar_, 1);
    running->addWidget(cancel_button_);
    side->addLayout(running);
    side->addWidget(status_label_);
    return pane;
}

const std::vector<SurfaceMinimum>& SurfacePanel::minima() const {
    return model_->minima();
}

void SurfacePanel::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (curve_ && curve_ != shown_) view_requested(surface_->geometry_shown(), false);
}

void SurfacePanel::curve_redrawn() {
    CurveDefinition curve = minima_query(document_).curve;
    if (curve_ == curve) return;  // a step or a dissonance range: the surface is the same
    curve_ = std::move(curve);
    surface_->set_exact_surface(readout_surface(*curve_));
    model_->set_minima({});  // the old timbre's: gone until the new ones are found
    row_selected();
    if (isVisible()) view_requested(surface_->geometry_shown(), false);
}

int32_t SurfacePanel::full_size() const {
    const SurfaceGeometry& view = surface_->geometry_shown();
    const auto pixels = static_cast<int32_t>(std::ceil(std::max(view.width, view.height)));
    return std::clamp(pixels, kCoarseSize, kDefaultSurfaceSize);
}

void SurfacePanel::view_requested(const SurfaceGeometry& view, bool dragging) {
    if (!curve_ || !isVisible()) return;
    shown_ = curve_;
    std::vector<SurfaceJobs::Request> requests{{*curve_, range_of(view, kCoarseSize), false}};
    if (!dragging) requests.push_back({*curve_, range_of(view, full_size()), true});
    jobs_->request(std::move(requests));
}

void SurfacePanel::job_started(const SurfaceJobs::Request& request) {
    progress_bar_->setValue(0);
    progress_bar_->setVisible(request.with_minima);
    cancel_button_->setVisible(request.with_minima);
    if (request.with_minima) {
        status_label_->setText(
            tr("Computing %1 × %1 points and their minima…").arg(request.range.size));
        progress_timer_->start();
    }
}

void SurfacePanel::computed(const SurfaceJobs::Request& request, const SurfaceGrid& grid,
                            const std::vector<SurfaceMinimum>& minima) {
    progress_timer_->stop();
    progress_bar_->setVisible(false);
    cancel_button_->setVisible(false);
    if (request.curve != curve_) return;  // the document moved on; its surface is queued
    if (request.with_minima) {
        model_->set_minima(minima);
        row_selected();  // the list is new: nothing is selected
        status_label_->setText(
            tr("%1 minima of %2 × %2 points").arg(minima.size()).arg(request.range.size));
    }
    surface_->show_surface(grid, model_->minima());
}

void SurfacePanel::refused(const QString& reason) {
    progress_timer_->stop();
    progress_bar_->setVisible(false);
    cancel_button_->setVisible(false);
    status_label_->setText(reason == QString(kSurfaceCancelled) ? tr("Cancelled.") : reason);
}

std::optional<SurfaceMinimum> SurfacePanel::selected_minimum() const {
    const QModelIndexList rows = table_->selectionModel()->selectedRows();
    if (rows.isEmpty()) return std::nullopt;
    const int row = sorted_->mapToSource(rows.front()).row();
    if (row < 0 || row >= model_->rowCount()) return std::nullopt;
    return model_->minima()[static_cast<size_t>(row)];
}

void SurfacePanel::select_minimum(int index) {
    const QModelIndex row = sorted_->mapFromSource(model_->index(index, 0));
    if (row.isValid()) table_->selectRow(row.row());
}

void SurfacePanel::row_selected() {
    const std::optional<SurfaceMinimum> m = selected_minimum();
    to_fixed_button_->setEnabled(m.has_value());
    to_chord_button_->setEnabled(m.has_value());
    surface_->ring_minimum(m);
}

void SurfacePanel::wait_for_surface() {
    jobs_->wait_until_idle();
}

}  // namespace kelvara
