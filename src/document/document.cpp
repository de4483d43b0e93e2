// The document's window attachment, the steps that show its values and the one follow-up
// step of every action. The actions are in the *_actions.cpp files, undo in edit_history.cpp.
#include "document/document.h"

#include <utility>

#include "document/document_minima.h"
#include "document/partial_list.h"

namespace kelvara {
namespace {

// Colours of the graph, as the window gives them to the view.
constexpr Rgba kCurveColor{0.0f, 0.0f, 0.0f, 0.666f};
constexpr Rgba kSlopeColor{0.0f, 0.0f, 1.0f, 0.666f};
constexpr Rgba kBackgroundColor{0.0f, 0.7f, 0.0f, 0.5f};
constexpr Rgba kTextColor{0.0f, 0.0f, 0.0f, 1.0f};

// The synthesizer takes the value as unsigned: a negative volume arrives as a large value,
// which it limits to 127.
uint32_t controller_value(int32_t volume) {
    return static_cast<uint32_t>(volume);
}

}  // namespace

Document::Document() = default;

Document::~Document() {
    // The view must never hold freed arrays: take them back before they go.
    curve_view_->lend_arrays(nullptr, nullptr);
}

void Document::attach_views(DocumentView& document_view, CurveView* curve_view) {
    curve_view_ = curve_view != nullptr ? curve_view : &null_curve_view_;
    view_ = &document_view;
    has_views_ = true;
}

void Document::detach_views() {
    curve_view_->lend_arrays(nullptr, nullptr);
    curve_view_ = &null_curve_view_;
    view_ = &null_document_view_;
    has_views_ = false;
}

void Document::show_all() {
    view_->reload_table(DocumentTable::ScaleRatios);
    view_->reload_table(DocumentTable::FixedTones);
    view_->reload_table(DocumentTable::Partials);
    view_->select_timbre(curve_.overtone_type());
    view_->show_roughness_model(curve_.roughness_model());
    view_->show_float(FloatField::BaseFrequency, static_cast<float>(curve_.base_frequency()));
    show_bounds();
    curve_view_->set_curve_colors(&kCurveColor, &kCurveColor);
    curve_view_->set_slope_colors(&kSlopeColor, &kSlopeColor);
    curve_view_->set_background_color(&kBackgroundColor);
    curve_view_->set_text_color(&kTextColor);
    view_->show_number_of_overtones(curve_.number_of_overtones());
    view_->show_float(FloatField::StepSize, static_cast<float>(curve_.step_size()));
    show_plot_flags();
    view_->show_graph_choices(graph_choices_);
    sample_curve();
    show_fitted_slope();
    curve_view_->redraw(drawn_curve_count());
    send_volume();
    view_->show_volume(volume_);
    send_timbre();
    send_pitch_true();
    view_->show_pitch_true(pitch_true_);
}

void Document::show_bounds() {
    view_->show_float(FloatField::XMin, curve_.x_min());
    view_->show_float(FloatField::XMax, curve_.x_max());
    view_->show_float(FloatField::YMin, curve_.y_min());
    view_->show_float(FloatField::YMax, curve_.y_max());
    curve_view_->set_x_range(curve_.x_min(), curve_.x_max());
    curve_view_->set_y_range(curve_.y_min(), curve_.y_max());
}

void Document::show_plot_flags() {
    const PlotFlags flags = plot_flags();
    view_->show_plot_flags(flags);
    show_fitted_slope();
    curve_view_->set_plot_flags(flags);
}

void Document::show_fitted_slope() {
    if (curve_.fit_slope_range())
        curve_view_->set_slope_range(curve_.slope_min(), curve_.slope_max());
}

void Document::show_timbre() {
    send_timbre();
    view_->select_timbre(curve_.overtone_type());
    view_->show_number_of_overtones(curve_.number_of_overtones());
    view_->reload_table(DocumentTable::Partials);
}

void Document::refit_y_and_show() {
    curve_.fit_y_range();
    view_->show_float(FloatField::YMin, curve_.y_min());
    view_->show_float(FloatField::YMax, curve_.y_max());
    curve_view_->set_y_range(curve_.y_min(), curve_.y_max());
    show_fitted_slope();
}

void Document::send_volume() {
    channel_->set_midi_parameter(kChannelVolumeController, controller_value(volume_));
}

// Also what the "Document timbre" program sounds.
void Document::send_timbre() {
    channel_->set_timbre(tone_partials(curve_.timbre()));
}

void Document::send_pitch_true() {
    channel_->set_pitch_true(pitch_true_);
}

void Document::sample_curve() {
    curve_.sample(tables_.fixed_tones());
    draw_visible_curve();
}

// The view draws the plotted range at its own resolution, with the exact minima in it once a
// search for the curve as it is now has answered; the document's samples, at its step, are
// what is saved and exported.
void Document::draw_visible_curve() {
    const CurveResolution resolution = curve_view_->resolution();
    drawn_curve_ = {};
    if (resolution.device_pixels > 0) {
        drawn_curve_ =
            draw_curve({curve_.timbre(), tables_.fixed_tones(), curve_.x_min(), curve_.x_max(),
                        resolution.axis, resolution.device_pixels, curve_.roughness_model()});
        if (exact_minima_ && exact_minima_->query == minima_query(*this))
            put_in_minima(drawn_curve_, exact_minima_->minima);
    }
    // Lent at once: the arrays lent before may be gone.
    if (drawn_curve_.count() > 0)
        curve_view_->lend_arrays(drawn_curve_.x_values.data(), drawn_curve_.y_values.data());
    else
        curve_view_->lend_arrays(curve_.x_values(), curve_.y_values());
}

void Document::redraw_visible_curve() {
    draw_visible_curve();
    curve_view_->redraw(drawn_curve_count());
}

void Document::show_exact_minima(MinimaQuery query, std::vector<CurveMinimum> minima) {
    exact_minima_ = ExactMinima{std::move(query), std::move(minima)};
    redraw_visible_curve();
}

int32_t Document::drawn_curve_count() const {
    return drawn_curve_.count() > 0 ? drawn_curve_.count() : curve_.number_of_points();
}

void Document::follow_up(const FollowUp& steps) {
    if (steps.changed) record_change();
    if (steps.send_volume) send_volume();
    if (steps.send_pitch_true) send_pitch_true();
    if (steps.show_timbre) show_timbre();
    if (steps.show_roughness_model) view_->show_roughness_model(curve_.roughness_model());
    if (steps.show_base_frequency)
        view_->show_float(FloatField::BaseFrequency, static_cast<float>(curve_.base_frequency()));
    if (steps.reload_scale) view_->reload_table(DocumentTable::ScaleRatios);
    if (steps.reload_fixed_tones) view_->reload_table(DocumentTable::FixedTones);
    if (steps.reload_chords) view_->reload_table(DocumentTable::MappedChords);
    if (steps.show_bounds) {
        show_bounds();
    } else if (steps.graph_ranges) {
        curve_view_->set_x_range(curve_.x_min(), curve_.x_max());
        curve_view_->set_y_range(curve_.y_min(), curve_.y_max());
    }
    if (steps.show_plot_flags) {
        show_fitted_slope();
        curve_view_->set_plot_flags(plot_flags());
    }
    if (steps.show_graph_choices) view_->show_graph_choices(graph_choices_);
    if (steps.resample) sample_curve();
    if (steps.lend_arrays && !steps.resample) draw_visible_curve();
    if (steps.refit_y) refit_y_and_show();
    if (steps.redraw) curve_view_->redraw(drawn_curve_count());
}

void Document::refuse(const std::string& message) {
    view_->beep();
    view_->show_refusal(message);
}

void Document::refuse(FloatField shown_again, const std::string& message) {
    refuse(message);
    const double stored =
        shown_again == FloatField::StepSize ? curve_.step_size() : curve_.base_frequency();
    view_->show_float(shown_again, static_cast<float>(stored));
}

std::optional<size_t> Document::selected_row(DocumentTable table) const {
    const std::optional<int32_t> row = view_->selected_row(table);
    if (!row || *row < 0 || *row >= row_count(table)) return std::nullopt;
    return static_cast<size_t>(*row);
}

int32_t Document::row_count(DocumentTable table) const {
    if (table == DocumentTable::Partials)
        return static_cast<int32_t>(curve_.custom_partials().size());
    return table == DocumentTable::MappedChords ? chords_.row_count() : tables_.row_count(table);
}

std::optional<CellValue> Document::cell_value(DocumentTable table, TableColumn column,
                                              int32_t row) const {
    if (table == DocumentTable::Partials)
        return partial_cell_value(curve_.custom_partials(), column, row);
    return table == DocumentTable::MappedChords ? chords_.cell_value(column, row)
                                                : tables_.cell_value(table, column, row);
}

Result<ScaleTuning> Document::scale_tuning(const TuningChoice& choice,
                                           std::string description) const {
    // A scale that came with a description (a scale file's) is written with it.
    const std::string& own = tables_.scale_description();
    return kelvara::scale_tuning(tables_.scale_ratios(), curve_.base_frequency(), choice,
                                 own.empty() ? std::move(description) : own, tables_.scale_forms());
}

}  // namespace kelvara
