#pragma once
// PartialControls: a custom timbre's partials in a document window: their table (ratio,
// amplitude, dB), its segments (add, delete, paste a column, the starting points' menu) and
// the stiff string's inharmonicity. The document decides every action; the controls pass on
// the values and which cell is current. The box is on for the custom timbre only.
#include <QObject>
#include <vector>

class QEvent;
class QGroupBox;
class QLineEdit;
class QMenu;
class QTableView;
class QToolButton;
class QWidget;

namespace kelvara {

class Document;
class DocumentTableModel;
class DocumentView;

class PartialControls final : public QObject {
    Q_OBJECT

public:
    PartialControls(Document& document, DocumentView& view, QObject* parent);

    // The box of the table and its controls, for the window's layout.
    QGroupBox* box() const { return box_; }
    std::vector<QWidget*> tab_chain() const;
    DocumentTableModel& model() const { return *model_; }
    QTableView* table() const { return table_; }
    // On for the custom timbre only.
    void enable_for(int32_t overtone_type);

protected:
    // Ctrl+V in the table pastes a column, Delete deletes the selected partial.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void build();
    void fill_starting_points();
    // The clipboard's numbers down the table's current column.
    void paste_column();
    void refuse(const QString& reason);

    Document& document_;
    DocumentView& view_;
    QGroupBox* box_ = nullptr;
    QTableView* table_ = nullptr;
    DocumentTableModel* model_ = nullptr;
    QToolButton* add_ = nullptr;
    QToolButton* delete_ = nullptr;
    QToolButton* paste_ = nullptr;
    QToolButton* start_from_ = nullptr;
    QMenu* starting_point_menu_ = nullptr;
    // The inharmonicity coefficient B of the stiff-string starting point.
    QLineEdit* inharmonicity_field_ = nullptr;
};

}  // namespace kelvara
