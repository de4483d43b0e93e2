#pragma once
// File ▸ Export Graph as PNG…, SVG…, PDF… and Export Curve as CSV… of a document window: the
// graph as the window shows it (view/graph_export.h), and the sampled curve as numbers
// (persistence/curve_csv.h). A file that cannot be written is shown through the
// controller's DocumentDialogs.
#include <QObject>
#include <QString>
#include <functional>
#include <optional>

#include "view/graph_export.h"

class QMenu;

namespace kelvara {

class DocumentDialogs;
class DocumentWindow;

class GraphExportCommands final : public QObject {
    Q_OBJECT

public:
    // Where to write: from a title, a file-type filter, the suffix to add and a suggested
    // path; nothing when the user cancels.
    using PathChooser = std::function<std::optional<QString>(
        QWidget* parent, const QString& title, const QString& filter, const QString& suffix,
        const QString& suggested)>;

    // A child of the window; asks with a file dialog until set_path_chooser.
    GraphExportCommands(DocumentWindow& window, DocumentDialogs& errors);

    void install(QMenu& file_menu);
    void set_path_chooser(PathChooser chooser) { choose_path_ = std::move(chooser); }

    // The graph at its size on screen (a PNG at twice the pixels, as on a HiDPI screen).
    void export_graph(GraphFileFormat format);
    void export_curve_csv();

private:
    QString suggested_path(const QString& suffix) const;
    void show_error(const Error& error);

    DocumentWindow& window_;
    DocumentDialogs& errors_;
    PathChooser choose_path_;
};

}  // namespace kelvara
