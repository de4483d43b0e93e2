#include "app/document_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFileInfo>
#include <QScreen>
#include <QShowEvent>
#include <QStatusBar>
#include <QTimer>

#include "app/adaptive_panel.h"
#include "app/audition_controls.h"
#include "app/curve_controls.h"
#include "app/graph_controls.h"
#include "app/minima_panel.h"
#include "app/partial_controls.h"
#include "app/sound_controls.h"
#include "app/surface_panel.h"
#include "app/table_controls.h"
#include "app/window_layout.h"

namespace kelvara {
namespace {
constexpr int kDefaultWidth = 1100;
constexpr int kDefaultHeight = 700;
// Every control shows whole down to this size.
constexpr int kMinimumWidth = 1024;
constexpr int kMinimumHeight = 700;
}  // namespace

DocumentWindow::DocumentWindow(std::unique_ptr<Document> document,
                               std::unique_ptr<Instruments> instruments,
                               MidiOutputFactory make_midi_output, QWidget* parent)
    : QMainWindow(parent),
      document_(std::move(document)),
      instruments_(instruments ? std::move(instruments) : std::make_unique<SilentInstruments>()) {
    setObjectName(QStringLiteral("document_window"));
    setAttribute(Qt::WA_DeleteOnClose);
    auto* central = new QWidget(this);
    graph_ = new GraphWidget(central);
    graph_->setObjectName(QStringLiteral("graph"));
    graph_->setToolTip(
        tr("The dissonance curve: low is smooth, high is rough. Press to hear the interval "
           "under the pointer with the document's timbre (drag to glide it); the readout above "
           "follows the pointer. The wheel zooms the ratios (with Ctrl the dissonance), "
           "Shift+drag or a middle drag pans, a double click fits."));
    DocumentView& view = *this;
    partials_ = std::make_unique<PartialControls>(*document_, view, nullptr);
    curve_ = std::make_unique<CurveControls>(*document_, view, nullptr);
    tables_ = std::make_unique<TableControls>(*document_, view, *partials_, nullptr);
    sound_ = std::make_unique<SoundControls>(*document_, *instruments_, *this, view);
    // Before the document shows its curve: the panels follow the first redraw.
    surface_panel_ = new SurfacePanel(*document_, *graph_);
    lay_out_window(*central, *graph_, *surface_panel_, *curve_, *tables_, *sound_);
    setCentralWidget(central);
    // The status bar is there from the start, so a refusal appearing in it never moves the
    // controls.
    statusBar()->setObjectName(QStringLiteral("status_bar"));
    statusBar()->setSizeGripEnabled(false);
    fit_to_screen();

    graph_controls_ = std::make_unique<GraphControls>(*document_, *graph_, *curve_, *tables_);
    audition_ = std::make_unique<AuditionControls>(*document_, *instruments_, graph_->gestures(),
                                                   *tables_, *statusBar(), nullptr);
    connect(sound_.get(), &SoundControls::note_played, audition_.get(),
            &AuditionControls::report_lacking_voices_soon);
    connect(surface_panel_, &SurfacePanel::triad_pressed, audition_.get(),
            &AuditionControls::play_triad);
    connect(surface_panel_, &SurfacePanel::triad_released, audition_.get(),
            &AuditionControls::release);
    midi_output_ = std::make_unique<MidiOutputControls>(
        *document_, view, *instruments_, sound_->midi_output_widgets(), std::move(make_midi_output),
        [this] { return display_name(); }, nullptr);
    connect(curve_.get(), &CurveControls::custom_timbre_chosen, this,
            &DocumentWindow::show_partials);
    // Before the document shows its curve: the panel searches the first redraw's minima.
    minima_panel_ = new MinimaPanel(*document_, *graph_, this);
    addDockWidget(Qt::BottomDockWidgetArea, minima_panel_);
    // Beside the minima, shown when Adaptive is checked: the graph keeps its room.
    addDockWidget(Qt::BottomDockWidgetArea, sound_->adaptive_panel());
    tabifyDockWidget(minima_panel_, sound_->adaptive_panel());
    sound_->adaptive_panel()->hide();
    minima_panel_->raise();

    document_->attach_synth_channel(instruments_->channel());
    document_->attach_views(view, graph_);
    document_->show_all();
    sound_->show_strip();
    midi_output_->show_destinations();
    update_title();
    setWindowModified(document_->is_edited());
}

DocumentWindow::~DocumentWindow() {
    // The MIDI output stops sending and the audition ends. The instruments go next: MIDI
    // delivery ends before the synthesizer goes, and both before the document whose chord
    // map they read. Then the document, while its graph still exists: it takes the curve
    // arrays back from the view before freeing them.
    midi_output_.reset();
    sound_->adaptive_panel()->stop();
    document_->detach_synth_channel();
    audition_.reset();
    graph_controls_.reset();
    sound_.reset();
    instruments_.reset();
    document_->detach_views();
    tables_.reset();
    curve_.reset();
    partials_.reset();
    document_.reset();
}

// The default size, within the screen the window opens on (its frame counted), but never
// below the size at which every control still shows whole.
void DocumentWindow::fit_to_screen() {
    const QSize smallest(kMinimumWidth, kMinimumHeight);
    QSize room(kDefaultWidth, kDefaultHeight);
    if (const QScreen* opening = screen()) {
        constexpr int kFrame = 48;  // the title bar and borders of a typical window manager
        room = room.boundedTo(opening->availableGeometry().size() - QSize(kFrame / 4, kFrame));
    }
    setMinimumSize(smallest);
    resize(room.expandedTo(smallest));
}

void DocumentWindow::set_dialogs(DocumentDialogs& dialogs) {
    sound_->set_dialogs(dialogs);
}

QMenu* DocumentWindow::chord_map_menu() const {
    return tables_->chord_map_menu();
}

void DocumentWindow::show_partials() {
    tables_->show_partials();
}

// --- DocumentView ---------------------------------------------------------------------------

void DocumentWindow::show_float(FloatField field, float value) {
    curve_->show_float(field, value);
}

void DocumentWindow::show_number_of_overtones(int32_t count) {
    curve_->show_number_of_overtones(count);
}

void DocumentWindow::select_timbre(int32_t overtone_type) {
    curve_->select_timbre(overtone_type);
    partials_->enable_for(overtone_type);
}

void DocumentWindow::show_roughness_model(RoughnessModel model) {
    curve_->show_roughness_model(model);
}

void DocumentWindow::show_plot_flags(PlotFlags flags) {
    curve_->show_plot_flags(flags);
}

void DocumentWindow::show_volume(int32_t volume) {
    sound_->show_volume(volume);
}

void DocumentWindow::show_graph_choices(const GraphChoices& choices) {
    curve_->show_graph_choices(choices);
    graph_->set_ratio_axis(choices.axis);
    graph_->show_scale_lines(choices.scale_steps);
    graph_->set_just_naming(choices.just_naming());
    if (minima_panel_) minima_panel_->show_choices(choices);
}

void DocumentWindow::show_pitch_true(bool pitch_true) {
    sound_->show_pitch_true(pitch_true);
}

void DocumentWindow::reload_table(DocumentTable table) {
    tables_->reload_table(table);
}

std::optional<int32_t> DocumentWindow::selected_row(DocumentTable table) const {
    return tables_->selected_row(table);
}

void DocumentWindow::set_file_path(const QString& path) {
    file_path_ = path;
    setWindowFilePath(path);
    update_title();
}

QString DocumentWindow::display_name() const {
    if (file_path_.isEmpty()) return untitled_name_.isEmpty() ? tr("Untitled") : untitled_name_;
    return QFileInfo(file_path_).fileName();
}

void DocumentWindow::set_untitled_name(const QString& name) {
    untitled_name_ = name;
    update_title();
}

void DocumentWindow::set_close_guard(std::function<bool(DocumentWindow&)> guard) {
    close_guard_ = std::move(guard);
}

void DocumentWindow::update_title() {
    setWindowTitle(tr("%1[*] — Kelvara").arg(display_name()));
}

void DocumentWindow::show_refusal(const std::string& message) {
    statusBar()->showMessage(QString::fromStdString(message));
}

void DocumentWindow::clear_refusal() {
    statusBar()->clearMessage();
}

void DocumentWindow::beep() {
    ++beep_count_;
    QApplication::beep();
}

void DocumentWindow::show_edited(bool edited) {
    setWindowModified(edited);
}

void DocumentWindow::show_undo_steps() {
    emit undo_steps_changed();
    // Every change of the document, its undo and redo end here: a synthesizer that follows
    // the scale gets the keys that changed.
    midi_output_->send_tuning();
}

void DocumentWindow::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (shown_once_ || event->spontaneous()) return;
    shown_once_ = true;
    // Queued, so the window is painted first; the measurement itself runs on a thread of
    // its own and the sound never waits for it.
    QTimer::singleShot(0, this, [this] { instruments_->allow_bank_measuring(); });
}

void DocumentWindow::closeEvent(QCloseEvent* event) {
    if (close_guard_ && !close_guard_(*this)) {
        event->ignore();
        return;
    }
    event->accept();
}

}  // namespace kelvara
