#include "app/document_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFileInfo>

namespace kelvara {
namespace {
constexpr int kDefaultWidth = 1100;
constexpr int kDefaultHeight = 700;
}  // namespace

DocumentWindow::DocumentWindow(std::unique_ptr<Document> document,
                               std::unique_ptr<DocumentInstruments> instruments, QWidget* parent)
    : QMainWindow(parent), _document(std::move(document)), _instruments(std::move(instruments)) {
    setObjectName(QString::fromLatin1(kWindowNibName));
    setAttribute(Qt::WA_DeleteOnClose);
    auto* central = new QWidget(this);
    _graph = make_graph_area(central);
    _widgets = build_window_layout(*central, _graph.widget);
    setCentralWidget(central);
    resize(kDefaultWidth, kDefaultHeight);

    connect_engine_controls();
    connect_table_controls();
    connect_sound_controls();

    if (_instruments && _instruments->channel())
        _document->attach_synth_channel(*_instruments->channel());
    _document->attach_views(*_graph.view, *this);
    _document->show_all();
    finish_window_set_up();
    update_title();
    setWindowModified(_document->is_edited());
}

DocumentWindow::~DocumentWindow() {
    // The instruments go first: MIDI delivery ends before the synthesizer goes, and both
    // before the document whose chord map they read. Then the document, while its graph
    // still exists: it takes the curve arrays back from the view before freeing them.
    _document->detach_synth_channel();
    _instruments.reset();
    _document->detach_views();
    _document.reset();
}

void DocumentWindow::set_file_path(const QString& path) {
    _file_path = path;
    setWindowFilePath(path);
    update_title();
}

QString DocumentWindow::display_name() const {
    if (_file_path.isEmpty()) return _untitled_name.isEmpty() ? tr("Untitled") : _untitled_name;
    return QFileInfo(_file_path).fileName();
}

void DocumentWindow::set_untitled_name(const QString& name) {
    _untitled_name = name;
    update_title();
}

void DocumentWindow::set_close_guard(std::function<bool(DocumentWindow&)> guard) {
    _close_guard = std::move(guard);
}

void DocumentWindow::update_title() {
    setWindowTitle(tr("%1[*] — Kelvara").arg(display_name()));
}

void DocumentWindow::beep() {
    ++_beep_count;
    QApplication::beep();
}

void DocumentWindow::show_edited(bool edited) {
    setWindowModified(edited);
}

void DocumentWindow::closeEvent(QCloseEvent* event) {
    if (_close_guard && !_close_guard(*this)) {
        event->ignore();
        return;
    }
    event->accept();
}

}  // namespace kelvara
