#include "app/document_table_model.h"

#include <charconv>
#include <cmath>
#include <variant>

#include "app/number_fields.h"
#include "scales/chord_text.h"
#include "scales/decimal_text.h"
#include "scales/midi_key_name.h"
#include "scales/ratio_form.h"
#include "scales/ratio_text.h"

namespace kelvara {
namespace {

// A partial's value: the shortest text that reads back to the same double; a level in
// decibels to a tenth (it is shown beside the amplitude, which holds the value).
QString partial_text(TableColumn column, double value) {
    if (column == TableColumn::PartialDecibels) {
        if (std::isinf(value)) return value < 0 ? QStringLiteral("-inf") : QStringLiteral("inf");
        return QString::number(std::fabs(value) < 0.05 ? 0.0 : value, 'f', 1);
    }
    char buffer[32];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, value).ptr;
    return QString::fromLatin1(buffer, static_cast<int>(end - buffer));
}

QString cell_text(TableColumn column, const CellValue& value) {
    if (const auto* number = std::get_if<double>(&value)) return partial_text(column, *number);
    if (const auto* number = std::get_if<float>(&value))
        return QString::fromStdString(column == TableColumn::Cents ? cents_text(*number)
                                                                   : number_text(*number));
    if (const auto* key = std::get_if<int32_t>(&value)) return QString::number(*key);
    if (const auto* chord = std::get_if<Chord>(&value))
        return QString::fromStdString(chord_text(*chord));
    return {};
}

}  // namespace

std::optional<double> parse_partial_text(const QString& text) {
    const std::string trimmed = text.trimmed().toStdString();
    double value = 0.0;
    const char* end = trimmed.data() + trimmed.size();
    const auto [stop, error] = std::from_chars(trimmed.data(), end, value);
    if (trimmed.empty() || error != std::errc() || stop != end) return std::nullopt;
    return value;
}

DocumentTableModel::DocumentTableModel(Document& document, DocumentTable table,
                                       std::vector<Column> columns, QObject* parent)
    : QAbstractTableModel(parent),
      document_(document),
      table_(table),
      columns_(std::move(columns)),
      rows_(document.row_count(table)) {}

void DocumentTableModel::reload() {
    const int rows = document_.row_count(table_);
    if (rows > rows_) {
        beginInsertRows({}, rows_, rows - 1);
        rows_ = rows;
        endInsertRows();
    } else if (rows < rows_) {
        beginRemoveRows({}, rows, rows_ - 1);
        rows_ = rows;
        endRemoveRows();
    }
    if (rows_ > 0) emit dataChanged(index(0, 0), index(rows_ - 1, columnCount() - 1));
}

int DocumentTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : rows_;
}

int DocumentTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(columns_.size());
}

QVariant DocumentTableModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.column() >= columnCount()) return {};
    if (role == Qt::TextAlignmentRole) {
        const bool chord = columns_[index.column()].column == TableColumn::ChordString;
        return QVariant::fromValue(Qt::AlignVCenter | (chord ? Qt::AlignLeft : Qt::AlignRight));
    }
    if (role != Qt::DisplayRole && role != Qt::EditRole) return {};
    const auto value = document_.cell_value(table_, columns_[index.column()].column, index.row());
    if (!value) return {};
    // A chord typed in the root form shows (and edits) as typed.
    if (table_ == DocumentTable::MappedChords &&
        columns_[index.column()].column == TableColumn::ChordString) {
        const std::string root_form = document_.chords().root_form_at_row(index.row());
        if (!root_form.empty()) return QString::fromStdString(root_form);
    }
    // A scale ratio shows the form it was given in, or p/q when it is a simple fraction.
    if (table_ == DocumentTable::ScaleRatios &&
        columns_[index.column()].column == TableColumn::Ratios)
        return QString::fromStdString(document_.tables().scale_ratio_text(index.row()));
    // A key shows its note name beside it (60 C4); its editor takes the number alone.
    if (const auto* key = std::get_if<int32_t>(&*value); key && role == Qt::DisplayRole) {
        const std::string name = midi_key_name(*key);
        if (!name.empty())
            return QStringLiteral("%1  %2").arg(*key).arg(QString::fromStdString(name));
    }
    return cell_text(columns_[index.column()].column, *value);
}

std::optional<CellValue> DocumentTableModel::cell_from_text(TableColumn column,
                                                            const QString& text) {
    switch (column) {
        case TableColumn::ChordString: {
            Result<TypedChord> chord = parse_typed_chord(text.toStdString());
            if (chord) return CellValue(std::move(*chord));
            emit edit_refused(QString::fromStdString(chord.error().description));
            return std::nullopt;
        }
        case TableColumn::MidiNote:
            if (const auto key = parse_int_text(text)) return CellValue(*key);
            emit edit_refused(tr("A MIDI key is a whole number from 0 to 127, such as 60."));
            return std::nullopt;
        case TableColumn::PartialRatio:
        case TableColumn::PartialAmplitude:
        case TableColumn::PartialDecibels:
            if (const auto number = parse_partial_text(text)) return CellValue(*number);
            emit edit_refused(tr("\u2018%1\u2019 is not a number.").arg(text.trimmed()));
            return std::nullopt;
        case TableColumn::Cents:
            // Cents typed into the scale keep their text as the ratio's form.
            if (const auto cents = parse_float_text(text)) {
                const std::string form = text.trimmed().toStdString() + "c";
                if (const std::optional<float> ratio = ratio_of_form(form))
                    return CellValue(TypedRatio{*ratio, form});
                return CellValue(*cents);
            }
            emit edit_refused(tr("\u2018%1\u2019 is not a number of cents.").arg(text.trimmed()));
            return std::nullopt;
        default: {
            // Ratios: a decimal, a fraction (4/3) or cents with a trailing c (386.31c).
            const std::string typed = text.trimmed().toStdString();
            // A fraction or cents is kept as typed; a decimal is its float.
            if (const std::optional<float> named = ratio_of_form(typed))
                return CellValue(TypedRatio{*named, typed});
            const Result<float> ratio = parse_ratio_text(typed);
            if (ratio) return CellValue(*ratio);
            emit edit_refused(QString::fromStdString(ratio.error().description));
            return std::nullopt;
        }
    }
}

bool DocumentTableModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!index.isValid() || role != Qt::EditRole || index.column() >= columnCount()) return false;
    const TableColumn column = columns_[index.column()].column;
    // A cell left as it showed (the editor closed on its own text) is no edit.
    if (value.toString().trimmed() == data(index, Qt::EditRole).toString()) return true;
    const auto cell = cell_from_text(column, value.toString());
    if (!cell) return false;
    document_.table_actions().edit_cell(table_, column, index.row(), *cell);
    // An edited scale ratio has moved to its sorted row: every row is shown again.
    reload();
    return true;
}

QVariant DocumentTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
        section >= columnCount())
        return {};
    return columns_[section].title;
}

Qt::ItemFlags DocumentTableModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable;
}

}  // namespace kelvara
