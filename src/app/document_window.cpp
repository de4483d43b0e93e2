#include "app/document_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFileInfo>
#include <QShowEvent>
#include <QStatusBar>
#include <QTimer>

#include "app/minima_panel.h"
#include "document/audition.h"

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
      instruments_(instruments ? std::move(instruments) : std::make_unique<SilentInstruments>()),
      make_midi_output_(std::move(make_midi_output)) {
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
    widgets_ = build_window_layout(*central, graph_);
    setCentralWidget(central);
    // The status bar is there from the start, so a refusal appearing in it never moves the
    // controls.
    statusBar()->setObjectName(QStringLiteral("status_bar"));
    statusBar()->setSizeGripEnabled(false);
    setMinimumSize(kMinimumWidth, kMinimumHeight);
    resize(kDefaultWidth, kDefaultHeight);

    connect_curve_controls();
    connect_table_controls();
    connect_partial_controls();
    connect_sound_controls();
    connect_audition_controls();
    connect_midi_output_controls();
    connect_graph_controls();
    // Before the document shows its curve: the panel searches the first redraw's minima.
    minima_panel_ = new MinimaPanel(*document_, *graph_, this);
    addDockWidget(Qt::BottomDockWidgetArea, minima_panel_);

    document_->attach_synth_channel(instruments_->channel());
    document_->attach_views(*graph_, *this);
    document_->show_all();
    show_sound_strip();
    update_title();
    setWindowModified(document_->is_edited());
}

DocumentWindow::~DocumentWindow() {
    // The MIDI output stops sending. The instruments go next: MIDI delivery ends before the
    // synthesizer goes, and both before the document whose chord map they read. Then the
    // document, while its graph still exists: it takes the curve arrays back from the view
    // before freeing them.
    tuning_sender_.reset();
    midi_output_.reset();
    document_->detach_synth_channel();
    audition_.reset();
    instruments_.reset();
    document_->detach_views();
    document_.reset();
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

void DocumentWindow::show_refusal(const QString& message) {
    statusBar()->showMessage(message);
}

void DocumentWindow::show_refusal(const std::string& message) {
    show_refusal(QString::fromStdString(message));
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
    send_tuning();
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
