// The timbre, range and plot rows of a document window (curve_controls.h).
#include "app/curve_controls.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>

#include "app/control_widgets.h"
#include "app/number_fields.h"
#include "base/value_limits.h"
#include "document/document.h"
#include "engine/overtone_type.h"

namespace kelvara {
namespace {

// Runs `commit` when the field's edit ends as described in the header, then marks the text
// as taken, so that the focus change after a Return does not commit a second time.
void on_commit(QLineEdit* field, std::function<void()> commit) {
    for (const auto signal : {&QLineEdit::returnPressed, &QLineEdit::editingFinished})
        QObject::connect(field, signal, field, [field, commit] {
            if (!field->isModified()) return;
            field->setModified(false);
            commit();
        });
}

QComboBox* timbre_selector() {
    auto* combo = new QComboBox;
    combo->setObjectName(QStringLiteral("timbre_selector"));
    combo->setToolTip(QObject::tr("The timbre: which overtones each tone has and how loud"));
    combo->addItem(QObject::tr("Sine (no overtones)"), int{PureTone});
    combo->addItem(QObject::tr("All harmonics, equal"), int{FlatHarmonics});
    combo->addItem(QObject::tr("Odd harmonics"), int{OddHarmonics});
    combo->addItem(QObject::tr("Shaped harmonics"), int{ShapedHarmonics});
    combo->addItem(QObject::tr("Harmonics falling as 1/n"), int{InverseHarmonics});
    combo->addItem(QObject::tr("Harmonics falling geometrically"), int{GeometricHarmonics});
    combo->addItem(QObject::tr("Custom partials"), int{CustomPartials});
    combo->setItemData(combo->count() - 1,
                       QObject::tr("Your own partials, starting from the timbre in force"),
                       Qt::ToolTipRole);
    return combo;
}

QComboBox* roughness_model_selector() {
    auto* combo = new QComboBox;
    combo->setObjectName(QStringLiteral("roughness_model_selector"));
    combo->setToolTip(
        QObject::tr("How loud partials weigh in the roughness of a pair: by the product of "
                    "their amplitudes, or by the softer of the two"));
    combo->addItem(QObject::tr("Product"), static_cast<int>(RoughnessModel::Product));
    combo->addItem(QObject::tr("Minimum"), static_cast<int>(RoughnessModel::Minimum));
    return combo;
}

}  // namespace

CurveControls::CurveControls(Document& document, DocumentView& view, QObject* parent)
    : QObject(parent), document_(document), view_(view) {
    build_timbre_row();
    build_range_row();
    build_plot_row();
    connect_controls();
}

void CurveControls::build_timbre_row() {
    timbre_selector_ = timbre_selector();
    overtones_field_ = number_field(QStringLiteral("overtones_field"),
                                    tr("Partials per tone, the fundamental included (%1 to %2)")
                                        .arg(kOvertoneBounds.min)
                                        .arg(kOvertoneBounds.max),
                                    true);
    base_frequency_field_ = number_field(
        QStringLiteral("base_frequency_field"),
        tr("Frequency of the lower tone in hertz; the fixed tones are ratios of it"), false);
    QHBoxLayout* layout = bare_row(timbre_row_);
    layout->addWidget(buddy_label(tr("&Timbre:"), timbre_selector_));
    layout->addWidget(timbre_selector_);
    layout->addSpacing(12);
    layout->addWidget(buddy_label(tr("&Overtones:"), overtones_field_));
    layout->addWidget(overtones_field_);
    layout->addSpacing(12);
    layout->addWidget(buddy_label(tr("&Base:"), base_frequency_field_));
    layout->addWidget(base_frequency_field_);
    layout->addWidget(new QLabel(tr("Hz")));
    layout->addStretch(1);
}

void CurveControls::build_range_row() {
    x_min_field_ = number_field(QStringLiteral("x_min_field"),
                                tr("Smallest interval ratio swept (1 is the unison)"), false);
    x_max_field_ = number_field(QStringLiteral("x_max_field"),
                                tr("Largest interval ratio swept (2 is the octave)"), false);
    y_min_field_ = number_field(QStringLiteral("y_min_field"),
                                tr("Dissonance at the bottom of the graph"), false);
    y_max_field_ = number_field(QStringLiteral("y_max_field"),
                                tr("Dissonance at the top of the graph"), false);
    step_field_ = number_field(
        QStringLiteral("step_field"),
        tr("Ratio step between two samples of the curve; smaller is finer and slower"), false);
    fit_button_ = new QPushButton(tr("&Fit"));
    fit_button_->setObjectName(QStringLiteral("fit_y_button"));
    fit_button_->setToolTip(
        tr("Fit the graph to the curve: the ratio range from before zooming, the "
           "dissonance range to the curve (a double click in the graph does the same)"));
    QHBoxLayout* layout = bare_row(range_row_);
    layout->addWidget(buddy_label(tr("&Ratio:"), x_min_field_));
    layout->addWidget(x_min_field_);
    layout->addWidget(new QLabel(tr("to")));
    layout->addWidget(x_max_field_);
    layout->addSpacing(12);
    layout->addWidget(buddy_label(tr("&Dissonance:"), y_min_field_));
    layout->addWidget(y_min_field_);
    layout->addWidget(new QLabel(tr("to")));
    layout->addWidget(y_max_field_);
    layout->addWidget(fit_button_);
    layout->addSpacing(12);
    layout->addWidget(buddy_label(tr("Ste&p:"), step_field_));
    layout->addWidget(step_field_);
    layout->addStretch(1);
}

void CurveControls::build_plot_row() {
    plot_toggles_ = {segment(QStringLiteral("plot_just_ratios"), tr("Just Ratios"),
                             tr("Mark the just intervals (6/5, 5/4, 3/2, …) on the graph"), true),
                     segment(QStringLiteral("plot_cursor_line"), tr("Cursor"),
                             tr("Draw a line at the ratio selected in the scale table"), true),
                     segment(QStringLiteral("plot_slope"), tr("Slope"),
                             tr("Draw the slope of the curve in blue"), true)};
    scale_lines_toggle_ =
        segment(QStringLiteral("scale_lines_toggle"), tr("Scale Steps"),
                tr("Draw every ratio of the scale table as a labelled line"), true);
    cents_axis_toggle_ =
        segment(QStringLiteral("cents_axis_toggle"), tr("Cents Axis"),
                tr("Ratios in cents along the graph: equal steps look equal"), true);
    roughness_model_selector_ = roughness_model_selector();
    QHBoxLayout* layout = bare_row(plot_row_);
    layout->addWidget(new QLabel(tr("Show:")));
    layout->addWidget(segment_row({plot_toggles_[0], plot_toggles_[1], plot_toggles_[2]}));
    layout->addSpacing(12);
    layout->addWidget(segment_row({scale_lines_toggle_, cents_axis_toggle_}));
    layout->addStretch(1);
    layout->addWidget(buddy_label(tr("Ro&ughness:"), roughness_model_selector_));
    layout->addWidget(roughness_model_selector_);
}

std::vector<QWidget*> CurveControls::tab_chain() const {
    return {timbre_selector_,    overtones_field_,   base_frequency_field_,
            x_min_field_,        x_max_field_,       y_min_field_,
            y_max_field_,        fit_button_,        step_field_,
            plot_toggles_[0],    plot_toggles_[1],   plot_toggles_[2],
            scale_lines_toggle_, cents_axis_toggle_, roughness_model_selector_};
}

void CurveControls::connect_controls() {
    connect_float_field(base_frequency_field_, FloatField::BaseFrequency,
                        [this](float v) { document_.curve_actions().set_base_frequency(v); });
    connect_float_field(step_field_, FloatField::StepSize,
                        [this](float v) { document_.curve_actions().set_step_size(v); });
    connect_float_field(x_min_field_, FloatField::XMin, [this](float v) {
        document_.curve_actions().set_bound(BoundField::XMin, v);
        emit ratio_range_typed();
    });
    connect_float_field(x_max_field_, FloatField::XMax, [this](float v) {
        document_.curve_actions().set_bound(BoundField::XMax, v);
        emit ratio_range_typed();
    });
    connect_float_field(y_min_field_, FloatField::YMin, [this](float v) {
        document_.curve_actions().set_bound(BoundField::YMin, v);
    });
    connect_float_field(y_max_field_, FloatField::YMax, [this](float v) {
        document_.curve_actions().set_bound(BoundField::YMax, v);
    });
    connect_overtone_field();

    // Only the user's choice runs the action: `activated`, not a programmatic selection.
    connect(timbre_selector_, &QComboBox::activated, this, [this](int index) {
        document_.curve_actions().set_overtone_type(timbre_selector_->itemData(index).toInt());
        // The pop-up and the Overtones field follow the timbre in force.
        view_.select_timbre(document_.curve().overtone_type());
        if (document_.curve().overtone_type() == CustomPartials) emit custom_timbre_chosen();
    });
    connect(roughness_model_selector_, &QComboBox::activated, this, [this](int index) {
        document_.timbre_actions().set_roughness_model(
            static_cast<RoughnessModel>(roughness_model_selector_->itemData(index).toInt()));
        show_roughness_model(document_.curve().roughness_model());
    });
    for (QToolButton* toggle : plot_toggles_)
        connect(toggle, &QToolButton::clicked, this, [this] {
            document_.curve_actions().set_plot_flags({plot_toggles_[0]->isChecked(),
                                                      plot_toggles_[1]->isChecked(),
                                                      plot_toggles_[2]->isChecked()});
        });
    connect(fit_button_, &QPushButton::clicked, this, &CurveControls::fit_requested);
    // The axis and the scale steps are the document's choices, saved with it.
    connect(cents_axis_toggle_, &QToolButton::clicked, this, [this](bool cents) {
        GraphChoices choices = document_.graph_choices();
        choices.axis = cents ? RatioAxis::Cents : RatioAxis::Linear;
        document_.curve_actions().set_graph_choices(choices);
    });
    connect(scale_lines_toggle_, &QToolButton::clicked, this, [this](bool shown) {
        GraphChoices choices = document_.graph_choices();
        choices.scale_steps = shown;
        document_.curve_actions().set_graph_choices(choices);
    });
}

void CurveControls::refuse(const QString& reason) {
    view_.beep();
    view_.show_refusal(reason.toStdString());
}

void CurveControls::connect_float_field(QLineEdit* field, FloatField shown_as,
                                        std::function<void(float)> action) {
    on_commit(field, [this, field, shown_as, action = std::move(action)] {
        if (const auto value = parse_float_text(field->text())) {
            action(*value);
            // The field shows what is in force, as the shortest text that reads back to it;
            // this also ends the field's own undo of the typing: from here Undo is the
            // document's (edit_menu.h).
            show_float(shown_as, stored_value(shown_as));
            return;
        }
        const QString typed = field->text().trimmed();
        refuse(typed.isEmpty() ? tr("Type a number.")
                               : tr("\u2018%1\u2019 is not a number.").arg(typed));
        show_float(shown_as, stored_value(shown_as));
    });
}

void CurveControls::connect_overtone_field() {
    on_commit(overtones_field_, [this] {
        if (const auto value = parse_int_text(overtones_field_->text()))
            document_.curve_actions().set_number_of_overtones(*value);
        else
            refuse(tr("Overtones must be a whole number from %1 to %2.")
                       .arg(kOvertoneBounds.min)
                       .arg(kOvertoneBounds.max));
        show_number_of_overtones(document_.curve().number_of_overtones());
    });
}

QLineEdit* CurveControls::field_for(FloatField field) const {
    switch (field) {
        case FloatField::XMin: return x_min_field_;
        case FloatField::XMax: return x_max_field_;
        case FloatField::YMin: return y_min_field_;
        case FloatField::YMax: return y_max_field_;
        case FloatField::StepSize: return step_field_;
        case FloatField::BaseFrequency: return base_frequency_field_;
    }
    return nullptr;
}

float CurveControls::stored_value(FloatField field) const {
    const Curve& curve = document_.curve();
    switch (field) {
        case FloatField::XMin: return curve.x_min();
        case FloatField::XMax: return curve.x_max();
        case FloatField::YMin: return curve.y_min();
        case FloatField::YMax: return curve.y_max();
        case FloatField::StepSize: return static_cast<float>(curve.step_size());
        case FloatField::BaseFrequency: return static_cast<float>(curve.base_frequency());
    }
    return 0.0f;
}

void CurveControls::show_float(FloatField field, float value) {
    if (QLineEdit* shown = field_for(field)) shown->setText(float_text(value));
}

void CurveControls::show_number_of_overtones(int32_t count) {
    overtones_field_->setText(int_text(count));
}

void CurveControls::select_timbre(int32_t overtone_type) {
    timbre_selector_->setCurrentIndex(timbre_selector_->findData(overtone_type));
    // A sine is one partial: the number of overtones does not enter its curve. A custom
    // timbre has as many as its partials, which its own table edits.
    overtones_field_->setEnabled(overtone_type != PureTone && overtone_type != CustomPartials);
}

void CurveControls::show_roughness_model(RoughnessModel model) {
    roughness_model_selector_->setCurrentIndex(
        roughness_model_selector_->findData(static_cast<int>(model)));
}

void CurveControls::show_graph_choices(const GraphChoices& choices) {
    cents_axis_toggle_->setChecked(choices.axis == RatioAxis::Cents);
    scale_lines_toggle_->setChecked(choices.scale_steps);
}

void CurveControls::show_plot_flags(PlotFlags flags) {
    const bool shown[] = {flags.just_ratios, flags.selected_ratio, flags.slope};
    for (std::size_t i = 0; i < plot_toggles_.size(); ++i) plot_toggles_[i]->setChecked(shown[i]);
}

}  // namespace kelvara
