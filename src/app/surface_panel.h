#pragma once
// SurfacePanel: the Triad Surface tab beside the curve. It shows the document's triad surface
// (its timbre, roughness model and fixed tones, with tones at 1, r and s) as a colour map
// (view/surface_widget.h) with its exact minima marked and listed, sortable like the Minima
// panel. A press in the map asks to hear the triad under the pointer (triad_pressed); a
// selected minimum can send its two tones to the fixed tones or its chord to the chord map,
// each one undo step.
//
// The computing runs in SurfaceJobs, off the user-interface thread: a new surface or view is
// sampled coarse first, then at the view's resolution with its minima; while a pan drags,
// only coarse ones are made. The long pass shows its progress and can be cancelled. Nothing
// is computed while the tab is hidden; showing it catches up with the document.
//
// Threads: the user-interface thread.
#include <QWidget>
#include <optional>
#include <vector>

#include "app/surface_jobs.h"
#include "engine/curve_definition.h"
#include "engine/surface_minima.h"
#include "view/surface_geometry.h"

class QLabel;
class QProgressBar;
class QPushButton;
class QSortFilterProxyModel;
class QTableView;
class QTimer;

namespace kelvara {

class Document;
class GraphWidget;
class SurfaceMinimaModel;
class SurfaceWidget;

class SurfacePanel final : public QWidget {
    Q_OBJECT

public:
    // Follows `graph`'s redraws of `document`'s curve; both must outlive the panel.
    SurfacePanel(Document& document, GraphWidget& graph, QWidget* parent = nullptr);
    ~SurfacePanel() override;

    SurfaceWidget* surface() const { return surface_; }
    QTableView* table() const { return table_; }
    QPushButton* to_fixed_tones_button() const { return to_fixed_button_; }
    QPushButton* to_chord_map_button() const { return to_chord_button_; }
    QPushButton* cancel_button() const { return cancel_button_; }
    QLabel* status_label() const { return status_label_; }
    const std::vector<SurfaceMinimum>& minima() const;
    // Waits for the computing under way to end and shows its answer (tests, screenshots).
    void wait_for_surface();

    // Points a side of a coarse pass.
    static constexpr int32_t kCoarseSize = 64;

signals:
    void triad_pressed(double r, double s);
    void triad_released();

protected:
    void showEvent(QShowEvent* event) override;

private:
    QWidget* side_pane();
    void curve_redrawn();
    void view_requested(const SurfaceGeometry& view, bool dragging);
    void job_started(const SurfaceJobs::Request& request);
    void computed(const SurfaceJobs::Request& request, const SurfaceGrid& grid,
                  const std::vector<SurfaceMinimum>& minima);
    void refused(const QString& reason);
    void row_selected();
    void select_minimum(int index);
    std::optional<SurfaceMinimum> selected_minimum() const;
    // Points a side at the view's resolution.
    int32_t full_size() const;

    Document& document_;
    SurfaceWidget* surface_ = nullptr;
    SurfaceMinimaModel* model_ = nullptr;
    QSortFilterProxyModel* sorted_ = nullptr;
    QTableView* table_ = nullptr;
    QProgressBar* progress_bar_ = nullptr;
    QPushButton* cancel_button_ = nullptr;
    QPushButton* to_fixed_button_ = nullptr;
    QPushButton* to_chord_button_ = nullptr;
    QLabel* status_label_ = nullptr;
    QTimer* progress_timer_ = nullptr;
    SurfaceJobs* jobs_ = nullptr;

    std::optional<CurveDefinition> curve_;  // the document's, as of its last redraw
    std::optional<CurveDefinition> shown_;  // the one the map was asked for
};

}  // namespace kelvara
