// The timbre, range and plot controls of a document window: each commits its value to the
// document's typed action, and shows the values the document sends back.
//
// A text field commits when the user presses Return, and when it loses focus after being
// edited; merely tabbing through a field does not commit (the base-frequency action marks
// the document changed every time it runs). Text that is not a number is refused here, with
// the beep and the reason, and the stored value is shown again; the document refuses numbers
// it cannot use the same way. Return on text the user has not touched commits nothing.
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QToolButton>

#include "app/document_window.h"
#include "app/number_fields.h"
#include "engine/overtone_type.h"

namespace kelvara {
namespace {

// Runs `commit` when the field's edit ends as described above, then marks the text as
// taken, so that the focus change after a Return does not commit a second time.
void on_commit(QLineEdit* field, std::function<void()> commit) {
    QObject::connect(field, &QLineEdit::returnPressed, field, [field, commit] {
        if (!field->isModified()) return;
        field->setModified(false);
        commit();
    });
    QObject::connect(field, &QLineEdit::editingFinished, field, [field, commit] {
        if (!field->isModified()) return;
        field->setModified(false);
        commit();
    });
}

}  // namespace

void DocumentWindow::connect_curve_controls() {
    connect_float_field(widgets_.base_frequency_field, FloatField::BaseFrequency,
                        [this](float v) { document_->curve_actions().set_base_frequency(v); });
    connect_float_field(widgets_.step_field, FloatField::StepSize,
                        [this](float v) { document_->curve_actions().set_step_size(v); });
    // A typed ratio range is the new range Fit goes back to.
    connect_float_field(widgets_.x_min_field, FloatField::XMin, [this](float v) {
        document_->curve_actions().set_bound(BoundField::XMin, v);
        home_x_range_.reset();
    });
    connect_float_field(widgets_.x_max_field, FloatField::XMax, [this](float v) {
        document_->curve_actions().set_bound(BoundField::XMax, v);
        home_x_range_.reset();
    });
    connect_float_field(widgets_.y_min_field, FloatField::YMin, [this](float v) {
        document_->curve_actions().set_bound(BoundField::YMin, v);
    });
    connect_float_field(widgets_.y_max_field, FloatField::YMax, [this](float v) {
        document_->curve_actions().set_bound(BoundField::YMax, v);
    });
    connect_overtone_field();

    // Only the user's choice runs the action: `activated`, not a programmatic selection.
    connect(widgets_.timbre_selector, &QComboBox::activated, this, [this](int index) {
        document_->curve_actions().set_overtone_type(
            widgets_.timbre_selector->itemData(index).toInt());
        // The pop-up and the Overtones field follow the timbre in force.
        select_timbre(document_->curve().overtone_type());
        // Choosing Custom shows its partials, to be edited next.
        if (document_->curve().overtone_type() == CustomPartials)
            widgets_.scale_and_partial_tabs->setCurrentWidget(widgets_.partial_box);
    });
    for (QToolButton* toggle : widgets_.plot_toggles) {
        connect(toggle, &QToolButton::clicked, this, [this] {
            const auto& segments = widgets_.plot_toggles;
            document_->curve_actions().set_plot_flags(
                segments[0]->isChecked(), segments[1]->isChecked(), segments[2]->isChecked());
        });
    }
}

void DocumentWindow::connect_float_field(QLineEdit* field, FloatField shown_as,
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
        beep();
        const QString typed = field->text().trimmed();
        show_refusal(typed.isEmpty() ? tr("Type a number.")
                                     : tr("\u2018%1\u2019 is not a number.").arg(typed));
        show_float(shown_as, stored_value(shown_as));
    });
}

void DocumentWindow::connect_overtone_field() {
    QLineEdit* field = widgets_.overtones_field;
    on_commit(field, [this, field] {
        if (const auto value = parse_int_text(field->text())) {
            document_->curve_actions().set_number_of_overtones(*value);
            show_number_of_overtones(document_->curve().number_of_overtones());
            return;
        }
        beep();
        show_refusal(tr("Overtones must be a whole number from 1 to 128."));
        show_number_of_overtones(document_->curve().number_of_overtones());
    });
}

QLineEdit* DocumentWindow::field_for(FloatField field) const {
    switch (field) {
        case FloatField::XMin: return widgets_.x_min_field;
        case FloatField::XMax: return widgets_.x_max_field;
        case FloatField::YMin: return widgets_.y_min_field;
        case FloatField::YMax: return widgets_.y_max_field;
        case FloatField::StepSize: return widgets_.step_field;
        case FloatField::BaseFrequency: return widgets_.base_frequency_field;
    }
    return nullptr;
}

float DocumentWindow::stored_value(FloatField field) const {
    switch (field) {
        case FloatField::XMin: return document_->curve().x_min();
        case FloatField::XMax: return document_->curve().x_max();
        case FloatField::YMin: return document_->curve().y_min();
        case FloatField::YMax: return document_->curve().y_max();
        case FloatField::StepSize: return static_cast<float>(document_->curve().step_size());
        case FloatField::BaseFrequency:
            return static_cast<float>(document_->curve().base_frequency());
    }
    return 0.0f;
}

void DocumentWindow::show_float(FloatField field, float value) {
    if (QLineEdit* shown = field_for(field)) shown->setText(float_text(value));
}

void DocumentWindow::show_number_of_overtones(int32_t count) {
    widgets_.overtones_field->setText(int_text(count));
}

void DocumentWindow::select_timbre(int32_t overtone_type) {
    const int index = widgets_.timbre_selector->findData(overtone_type);
    widgets_.timbre_selector->setCurrentIndex(index);
    // A sine is one partial: the number of overtones does not enter its curve. A custom
    // timbre has as many as its partials, which its own table edits.
    widgets_.overtones_field->setEnabled(overtone_type != PureTone &&
                                         overtone_type != CustomPartials);
    // The partials' tab is on for a custom timbre only.
    widgets_.partial_box->setEnabled(overtone_type == CustomPartials);
}

void DocumentWindow::show_plot_toggles(bool justs, bool selected_ratio, bool derivative) {
    const bool shown[] = {justs, selected_ratio, derivative};
    for (std::size_t i = 0; i < widgets_.plot_toggles.size(); ++i)
        widgets_.plot_toggles[i]->setChecked(shown[i]);
}

}  // namespace kelvara
