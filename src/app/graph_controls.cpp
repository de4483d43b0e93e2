// The graph of a document window: its zoom, pan and fit gestures as the document's range
// actions, the cents-axis and scale-step toggles, and the scale table's selected row kept in
// step with the graph's cursor line.
#include <QItemSelectionModel>
#include <QPushButton>
#include <QTableView>
#include <QToolButton>
#include <cmath>
#include <limits>

#include "app/document_table_model.h"
#include "app/document_window.h"
#include "app/scale_selection.h"

namespace kelvara {

void DocumentWindow::connect_graph_controls() {
    // A gesture (a wheel burst, a drag) is one undo step: its first range change records
    // the step, the rest belong to it.
    connect(graph_, &GraphWidget::gesture_started, this, [this] {
        if (!home_x_range_)
            home_x_range_ = {document_->curve().x_min(), document_->curve().x_max()};
        document_->history().begin_continuous_edit();
    });
    connect(graph_, &GraphWidget::gesture_finished, this,
            [this] { document_->history().end_continuous_edit(); });
    connect(graph_, &GraphWidget::ranges_requested, this,
            [this](double x_min, double x_max, double y_min, double y_max) {
                document_->curve_actions().set_graph_ranges(
                    static_cast<float>(x_min), static_cast<float>(x_max), static_cast<float>(y_min),
                    static_cast<float>(y_max));
            });
    connect(graph_, &GraphWidget::fit_requested, this, [this] { fit_graph(); });
    connect(widgets_.fit_y_button, &QPushButton::clicked, this, [this] { fit_graph(); });

    connect(widgets_.cents_axis_toggle, &QToolButton::toggled, this, [this](bool cents) {
        graph_->set_ratio_axis(cents ? RatioAxis::Cents : RatioAxis::Linear);
    });
    connect(widgets_.scale_lines_toggle, &QToolButton::toggled, graph_,
            &GraphWidget::show_scale_lines);

    // Every change of the scale's rows, from whichever action, undo or file.
    connect(scale_model_, &QAbstractItemModel::dataChanged, this,
            [this] { keep_scale_selection(); });
    connect(scale_model_, &QAbstractItemModel::rowsRemoved, this,
            [this] { keep_scale_selection(); });
    connect(widgets_.scale_table->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this] {
                if (keeping_scale_selection_) return;
                const auto row = selected_row(DocumentTable::ScaleRatios);
                shown_scale_row_ =
                    row ? std::optional<size_t>(static_cast<size_t>(*row)) : std::nullopt;
                graph_->show_scale_ratios(shown_scale_ratios_, shown_scale_row_);
            });
}

// Back to the ratio range from before the first zoom or pan, and the dissonance range
// fitted to the curve there: one undo step when the ratio range moves.
void DocumentWindow::fit_graph() {
    const Curve& curve = document_->curve();
    if (home_x_range_ &&
        (home_x_range_->first != curve.x_min() || home_x_range_->second != curve.x_max()))
        document_->curve_actions().set_graph_ranges(home_x_range_->first, home_x_range_->second,
                                                    curve.y_min(), curve.y_max());
    home_x_range_.reset();
    document_->curve_actions().fit_y_range();
}

void DocumentWindow::keep_scale_selection() {
    if (keeping_scale_selection_) return;
    keeping_scale_selection_ = true;
    const std::vector<float>& ratios = document_->tables().scale_ratios();
    const std::optional<size_t> row =
        row_after_change(shown_scale_ratios_, shown_scale_row_, ratios);
    QItemSelectionModel* selection = widgets_.scale_table->selectionModel();
    if (row) {
        const QModelIndex index = scale_model_->index(static_cast<int>(*row), 0);
        selection->setCurrentIndex(index,
                                   QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    } else {
        selection->clearSelection();
    }
    shown_scale_ratios_ = ratios;
    shown_scale_row_ = row;
    keeping_scale_selection_ = false;
    graph_->show_scale_ratios(shown_scale_ratios_, shown_scale_row_);
    // The cursor line shows the selected ratio, or nothing when no row is selected.
    if (row)
        document_->table_actions().selection_changed();
    else
        graph_->move_cursor_line(std::numeric_limits<float>::quiet_NaN());
}

}  // namespace kelvara
