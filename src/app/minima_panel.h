#pragma once
// MinimaPanel: the Minima dock of a document window. It lists the local minima of the
// document's curve (document/document_minima.h) whose prominence is at least the threshold
// typed into its field (a percentage of the curve's range, "5%", or a value in its units),
// sortable by any column, each named as a just ratio within the tolerance and odd limit typed
// into the other fields, and marks the same minima on the graph. The three are the document's
// choices (Document::graph_choices), saved with it and undone as its other edits are. A
// click on a row moves the cursor line to that minimum and rings its marker. Replace Scale and
// Add to Scale run Minima → Scale with the threshold: one document action, one undo step.
//
// The minima are searched again whenever the graph is redrawn with a curve whose timbre,
// fixed tones or range changed (a change of step or of the dissonance range searches
// nothing). The search runs on a worker thread of Qt's pool with its own copy of the query:
// the worst default-sized document takes about 2 ms, but 128 overtones against ten fixed
// tones take a few hundred. Until it answers, the table shows the minima found before; an
// answer to a query that is no longer the document's is dropped and the latest one searched.
//
// Threads: user-interface thread, except the search itself.
#include <QDockWidget>
#include <QFutureWatcher>
#include <QString>
#include <optional>
#include <vector>

#include "document/actions.h"
#include "document/document_minima.h"
#include "persistence/graph_choices.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QSortFilterProxyModel;
class QTableView;

namespace kelvara {

class Document;
class GraphWidget;
class MinimaTableModel;

class MinimaPanel final : public QDockWidget {
    Q_OBJECT

public:
    // The panel follows `graph`'s redraws of `document`'s curve; both must outlive it.
    MinimaPanel(Document& document, GraphWidget& graph, QWidget* parent = nullptr);
    ~MinimaPanel() override;

    QLineEdit* threshold_field() const { return threshold_field_; }
    QLineEdit* just_tolerance_field() const { return just_tolerance_field_; }
    QLineEdit* odd_limit_field() const { return odd_limit_field_; }
    QTableView* table() const { return table_; }
    QPushButton* replace_button() const { return replace_button_; }
    QPushButton* add_button() const { return add_button_; }
    QLabel* status_label() const { return status_label_; }
    // Every minimum of the last answer shown, by ratio, whatever the threshold.
    const std::vector<CurveMinimum>& all_minima() const { return all_minima_; }

    // Waits for the searches under way and shows the last answer (tests, screenshots).
    void wait_for_search();

    // The fields show the document's choices; a new naming searches the curve again.
    void show_choices(const GraphChoices& choices);

private:
    struct Answer {
        MinimaQuery query;
        std::vector<CurveMinimum> minima;
        QString refusal;  // empty when the curve was searched
    };
    static Answer search(const MinimaQuery& query);

    void curve_redrawn();
    void start_search(const MinimaQuery& query);
    void search_finished();
    void threshold_entered();
    void just_tolerance_entered();
    void odd_limit_entered();
    // Beeps, says why and shows the document's choices again.
    void refuse_entry(const QString& why);
    // Fills the table and the graph's markers with the minima at or above the threshold.
    void show_minima();
    void row_selected();
    void to_scale(MinimaToScale mode);

    Document& document_;
    GraphWidget& graph_;
    MinimaTableModel* model_ = nullptr;
    QSortFilterProxyModel* sorted_ = nullptr;
    QLineEdit* threshold_field_ = nullptr;
    QLineEdit* just_tolerance_field_ = nullptr;
    QLineEdit* odd_limit_field_ = nullptr;
    QTableView* table_ = nullptr;
    QPushButton* replace_button_ = nullptr;
    QPushButton* add_button_ = nullptr;
    QLabel* status_label_ = nullptr;

    QFutureWatcher<Answer> watcher_;
    bool searching_ = false;
    std::optional<MinimaQuery> latest_query_;  // the document's, as of its last redraw
    std::vector<CurveMinimum> all_minima_;
    QString refusal_;
};

}  // namespace kelvara
