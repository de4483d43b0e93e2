#pragma once
// CurveControls: the timbre, range and plot controls of a document window, in three rows
// (the timbre above the graph, the ranges and what the graph shows below it). Each control
// commits its value to the document's action and shows the values the document sends back;
// what concerns only the graph (Fit, the cents axis, the scale steps) is announced for the
// graph's controls (graph_controls.h).
//
// A text field commits when the user presses Return, and when it loses focus after being
// edited; merely tabbing through a field does not commit (the base-frequency action marks
// the document changed every time it runs). Text that is not a number is refused here, with
// the beep and the reason, and the stored value is shown again; the document refuses numbers
// it cannot use the same way. Return on text the user has not touched commits nothing.
#include <QObject>
#include <array>
#include <functional>
#include <vector>

#include "document/curve_view.h"
#include "document/document_view.h"
#include "engine/ratio_axis.h"

class QComboBox;
class QLineEdit;
class QPushButton;
class QToolButton;
class QWidget;

namespace kelvara {

class Document;

class CurveControls final : public QObject {
    Q_OBJECT

public:
    // Builds the controls; `view` beeps and says why a typed text was refused.
    CurveControls(Document& document, DocumentView& view, QObject* parent);

    // The rows, for the window's layout to place around the graph.
    QWidget* timbre_row() const { return timbre_row_; }
    QWidget* range_row() const { return range_row_; }
    QWidget* plot_row() const { return plot_row_; }
    // The controls in reading order.
    std::vector<QWidget*> tab_chain() const;

    // What the document shows (DocumentView).
    void show_float(FloatField field, float value);
    void show_number_of_overtones(int32_t count);
    void select_timbre(int32_t overtone_type);
    void show_roughness_model(RoughnessModel model);
    void show_plot_flags(PlotFlags flags);
    void show_graph_choices(const GraphChoices& choices);

signals:
    void fit_requested();
    // A ratio bound was typed: the range Fit goes back to is the new one.
    void ratio_range_typed();
    // The user chose the custom timbre: its partials are to be edited next.
    void custom_timbre_chosen();

private:
    void build_timbre_row();
    void build_range_row();
    void build_plot_row();
    void connect_controls();
    void connect_float_field(QLineEdit* field, FloatField shown_as,
                             std::function<void(float)> action);
    void connect_overtone_field();
    QLineEdit* field_for(FloatField field) const;
    float stored_value(FloatField field) const;
    void refuse(const QString& reason);

    Document& document_;
    DocumentView& view_;
    QWidget* timbre_row_ = nullptr;
    QWidget* range_row_ = nullptr;
    QWidget* plot_row_ = nullptr;
    // The timbre pop-up's items carry the timbre types as their data; the roughness model's
    // a RoughnessModel.
    QComboBox* timbre_selector_ = nullptr;
    QComboBox* roughness_model_selector_ = nullptr;
    QLineEdit* overtones_field_ = nullptr;
    QLineEdit* base_frequency_field_ = nullptr;
    QLineEdit* x_min_field_ = nullptr;
    QLineEdit* x_max_field_ = nullptr;
    QLineEdit* y_min_field_ = nullptr;
    QLineEdit* y_max_field_ = nullptr;
    QLineEdit* step_field_ = nullptr;
    QPushButton* fit_button_ = nullptr;
    // Three independent toggles: just ratios, cursor line, slope.
    std::array<QToolButton*, 3> plot_toggles_{};
    // The window's own, not the document's: every scale ratio as a line, an x axis in cents.
    QToolButton* scale_lines_toggle_ = nullptr;
    QToolButton* cents_axis_toggle_ = nullptr;
};

}  // namespace kelvara
