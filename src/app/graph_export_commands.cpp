#include "app/graph_export_commands.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMenu>
#include <filesystem>

#include "app/document_dialogs.h"
#include "app/document_window.h"
#include "persistence/atomic_file.h"
#include "persistence/curve_csv.h"

namespace kelvara {
namespace {

// Pixels per view unit of an exported PNG: sharp in print and on a HiDPI screen.
constexpr int kPngPixelRatio = 2;

struct FormatText {
    GraphFileFormat format;
    const char* item;
    const char* filter;
    const char* suffix;
};
constexpr FormatText kFormats[] = {
    {GraphFileFormat::Png, QT_TRANSLATE_NOOP("GraphExportCommands", "Export Graph as &PNG…"),
     QT_TRANSLATE_NOOP("GraphExportCommands", "PNG images (*.png)"), "png"},
    {GraphFileFormat::Svg, QT_TRANSLATE_NOOP("GraphExportCommands", "Export Graph as &SVG…"),
     QT_TRANSLATE_NOOP("GraphExportCommands", "SVG drawings (*.svg)"), "svg"},
    {GraphFileFormat::Pdf, QT_TRANSLATE_NOOP("GraphExportCommands", "Export Graph as P&DF…"),
     QT_TRANSLATE_NOOP("GraphExportCommands", "PDF documents (*.pdf)"), "pdf"},
};

std::optional<QString> choose_with_dialog(QWidget* parent, const QString& title,
                                          const QString& filter, const QString& suffix,
                                          const QString& suggested) {
    QFileDialog dialog(parent, title, suggested, filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(suffix);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return dialog.selectedFiles().constFirst();
}

}  // namespace

GraphExportCommands::GraphExportCommands(DocumentWindow& window, DocumentDialogs& errors)
    : QObject(&window), window_(window), errors_(errors), choose_path_(choose_with_dialog) {}

void GraphExportCommands::install(QMenu& file_menu) {
    for (const FormatText& f : kFormats)
        file_menu.addAction(tr(f.item), this, [this, format = f.format] { export_graph(format); });
    file_menu.addAction(tr("Export &Curve as CSV…"), this, [this] { export_curve_csv(); });
}

void GraphExportCommands::export_graph(GraphFileFormat format) {
    const FormatText& f = kFormats[static_cast<int>(format)];
    const QString suffix = QString::fromLatin1(f.suffix);
    const std::optional<QString> path =
        choose_path_(&window_, tr("Export Graph"), tr(f.filter), suffix,
                     suggested_path(QStringLiteral(".") + suffix));
    if (!path) return;
    const Result<void> written =
        write_document_graph(window_.document(), *window_.graph(), format, *path, kPngPixelRatio);
    if (!written) show_error(written.error());
}

void GraphExportCommands::export_curve_csv() {
    const std::optional<QString> path =
        choose_path_(&window_, tr("Export Curve"), tr("CSV tables (*.csv)"), QStringLiteral("csv"),
                     suggested_path(QStringLiteral(".csv")));
    if (!path) return;
    const Curve& curve = window_.document().curve();
    const Result<void> written = write_file_atomically(
        std::filesystem::path(path->toStdString()),
        encode_curve_csv(curve.x_values(), curve.y_values(), curve.number_of_points()));
    if (!written) show_error(written.error());
}

QString GraphExportCommands::suggested_path(const QString& suffix) const {
    const QString& document = window_.file_path();
    if (document.isEmpty()) return window_.display_name() + suffix;
    const QFileInfo info(document);
    return info.dir().filePath(info.completeBaseName() + suffix);
}

void GraphExportCommands::show_error(const Error& error) {
    errors_.show_error(&window_, QString::fromStdString(error.description),
                       QString::fromStdString(error.explanation()));
}

}  // namespace kelvara
