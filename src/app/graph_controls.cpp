// The graph of a document window and the document kept in step (graph_controls.h).
#include "app/graph_controls.h"

#include <QItemSelectionModel>
#include <QTableView>
#include <limits>

#include "app/curve_controls.h"
#include "app/document_table_model.h"
#include "app/scale_selection.h"
#include "app/table_controls.h"
#include "document/document.h"
#include "view/graph_gestures.h"
#include "view/graph_widget.h"

namespace kelvara {

GraphControls::GraphControls(Document& document, GraphWidget& graph, CurveControls& curve,
                             TableControls& tables)
    : document_(document), graph_(graph), tables_(tables) {
    connect_gestures();
    connect(&curve, &CurveControls::fit_requested, this, [this] { fit(); });
    // A typed ratio range is the new range Fit goes back to.
    connect(&curve, &CurveControls::ratio_range_typed, this, [this] { home_x_range_.reset(); });
    connect_scale_selection();
    // A resized graph, or a moved cents axis, draws the curve again at its new resolution
    // once the repaint that noticed it is over.
    connect(
        &graph_, &GraphWidget::resolution_changed, this,
        [this] { document_.redraw_visible_curve(); }, Qt::QueuedConnection);
}

void GraphControls::connect_gestures() {
    const GraphGestures* gestures = &graph_.gestures();
    // A gesture (a wheel burst, a drag) is one undo step: its first range change records
    // the step, the rest belong to it.
    connect(gestures, &GraphGestures::gesture_started, this, [this] {
        if (!home_x_range_) home_x_range_ = {document_.curve().x_min(), document_.curve().x_max()};
        document_.history().begin_continuous_edit();
    });
    connect(gestures, &GraphGestures::gesture_finished, this,
            [this] { document_.history().end_continuous_edit(); });
    connect(gestures, &GraphGestures::ranges_requested, this,
            [this](double x_min, double x_max, double y_min, double y_max) {
                document_.curve_actions().set_graph_ranges(
                    static_cast<float>(x_min), static_cast<float>(x_max), static_cast<float>(y_min),
                    static_cast<float>(y_max));
            });
    connect(gestures, &GraphGestures::fit_requested, this, [this] { fit(); });
}

void GraphControls::connect_scale_selection() {
    // Every change of the scale's rows, from whichever action, undo or file.
    const DocumentTableModel* model = &tables_.scale_model();
    connect(model, &QAbstractItemModel::dataChanged, this, [this] { keep_scale_selection(); });
    connect(model, &QAbstractItemModel::rowsRemoved, this, [this] { keep_scale_selection(); });
    connect(tables_.scale_table()->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this] {
                if (keeping_scale_selection_) return;
                const auto row = tables_.selected_row(DocumentTable::ScaleRatios);
                shown_scale_row_ =
                    row ? std::optional<size_t>(static_cast<size_t>(*row)) : std::nullopt;
                graph_.show_scale_ratios(shown_scale_ratios_, shown_scale_row_);
            });
}

// Back to the ratio range from before the first zoom or pan, and the dissonance range
// fitted to the curve there: one undo step when the ratio range moves.
void GraphControls::fit() {
    const Curve& curve = document_.curve();
    if (home_x_range_ &&
        (home_x_range_->first != curve.x_min() || home_x_range_->second != curve.x_max()))
        document_.curve_actions().set_graph_ranges(home_x_range_->first, home_x_range_->second,
                                                   curve.y_min(), curve.y_max());
    home_x_range_.reset();
    document_.curve_actions().fit_y_range();
}

void GraphControls::keep_scale_selection() {
    if (keeping_scale_selection_) return;
    keeping_scale_selection_ = true;
    const std::vector<float>& ratios = document_.tables().scale_ratios();
    const std::optional<size_t> row =
        row_after_change(shown_scale_ratios_, shown_scale_row_, ratios);
    QItemSelectionModel* selection = tables_.scale_table()->selectionModel();
    if (row)
        selection->setCurrentIndex(tables_.scale_model().index(static_cast<int>(*row), 0),
                                   QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    else
        selection->clearSelection();
    shown_scale_ratios_ = ratios;
    shown_scale_row_ = row;
    keeping_scale_selection_ = false;
    graph_.show_scale_ratios(shown_scale_ratios_, shown_scale_row_);
    // The cursor line shows the selected ratio, or nothing when no row is selected.
    if (row)
        document_.table_actions().selection_changed();
    else
        graph_.move_cursor_line(std::numeric_limits<float>::quiet_NaN());
}

}  // namespace kelvara
