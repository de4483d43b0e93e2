#pragma once
// DocumentTableModel: one of the document's three tables as a Qt table model. The document
// is the data source (rows, shown values, edits); the model only turns its cell values into
// text and typed text back into cell values. Text that is not a value of its column is
// refused with a message (edit_refused) and the cell keeps its old value.
#include <QAbstractTableModel>
#include <vector>

#include "document/document.h"
#include "document/table_cells.h"

namespace kelvara {

// A partial's value typed into its table or pasted: a decimal number in full (inf and nan are
// numbers the document then refuses by its bounds); nothing for other text.
std::optional<double> parse_partial_text(const QString& text);

class DocumentTableModel final : public QAbstractTableModel {
    Q_OBJECT

public:
    struct Column {
        TableColumn column;
        QString title;
    };

    DocumentTableModel(Document& document, DocumentTable table, std::vector<Column> columns,
                       QObject* parent = nullptr);

    DocumentTable table() const { return table_; }

    // The document's rows changed: show them again. Rows that still exist keep their
    // selection; rows past the new end go.
    void reload();

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

signals:
    void edit_refused(const QString& message);

private:
    std::optional<CellValue> cell_from_text(TableColumn column, const QString& text);

    Document& document_;
    const DocumentTable table_;
    const std::vector<Column> columns_;
    int rows_ = 0;
};

}  // namespace kelvara
