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
    : QMainWindow(parent), document_(std::move(document)), instruments_(std::move(instruments)) {
    setObjectName(QString::fromLatin1(kWindowNibName));
    setAttribute(Qt::WA_DeleteOnClose);
    auto* central = new QWidget(this);
    graph_ = make_graph_area(central);
    widgets_ = build_window_layout(*central, graph_.widget);
    setCentralWidget(central);
    resize(kDefaultWidth, kDefaultHeight);

    connect_engine_controls();
    connect_table_controls();
    connect_sound_controls();

    if (instruments_ && instruments_->channel())
        document_->attach_synth_channel(*instruments_->channel());
    document_->attach_views(*graph_.view, *this);
    document_->show_all();
    finish_window_set_up();
    update_title();
    setWindowModified(document_->is_edited());
}

DocumentWindow::~DocumentWindow() {
    // The instruments go first: MIDI delivery ends before the synthesizer goes, and both
    // before the document whose chord map they read. Then the document, while its graph
    // still exists: it takes the curve arrays back from the view before freeing them.
    document_->detach_synth_channel();
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

void DocumentWindow::beep() {
    ++beep_count_;
    QApplication::beep();
}

void DocumentWindow::show_edited(bool edited) {
    setWindowModified(edited);
}

void DocumentWindow::closeEvent(QCloseEvent* event) {
    if (close_guard_ && !close_guard_(*this)) {
        event->ignore();
        return;
    }
    event->accept();
}

}  // namespace kelvara
