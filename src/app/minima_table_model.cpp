#include "app/minima_table_model.h"

#include <cmath>
#include <limits>

namespace kelvara {
namespace {

// Three decimals, and no minus sign on a value that rounds to 0.
QString cents_text(double cents) {
    return QString::number(std::fabs(cents) < 0.0005 ? 0.0 : cents, 'f', 3);
}

QVariant display(const CurveMinimum& m, int column) {
    switch (column) {
        case MinimaTableModel::Ratio: return QString::number(m.ratio, 'g', 10);
        case MinimaTableModel::Cents: return cents_text(m.cents);
        case MinimaTableModel::Roughness: return QString::number(m.value, 'g', 6);
        case MinimaTableModel::Prominence: return QString::number(m.prominence, 'g', 4);
        case MinimaTableModel::Cusp: return m.is_cusp ? QObject::tr("cusp") : QObject::tr("smooth");
        case MinimaTableModel::Just:
            return m.just ? QStringLiteral("%1/%2").arg(m.just->numerator).arg(m.just->denominator)
                          : QString();
        case MinimaTableModel::JustCents: return m.just ? cents_text(m.just->cents_off) : QString();
    }
    return {};
}

QVariant sort_key(const CurveMinimum& m, int column) {
    const double none = std::numeric_limits<double>::infinity();
    switch (column) {
        case MinimaTableModel::Ratio: return m.ratio;
        case MinimaTableModel::Cents: return m.cents;
        case MinimaTableModel::Roughness: return m.value;
        case MinimaTableModel::Prominence: return m.prominence;
        case MinimaTableModel::Cusp: return m.is_cusp ? 1 : 0;
        case MinimaTableModel::Just:
            return m.just ? static_cast<double>(m.just->numerator) / m.just->denominator : none;
        case MinimaTableModel::JustCents: return m.just ? std::fabs(m.just->cents_off) : none;
    }
    return {};
}

}  // namespace

void MinimaTableModel::set_minima(std::vector<CurveMinimum> minima) {
    beginResetModel();
    minima_ = std::move(minima);
    endResetModel();
}

int MinimaTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(minima_.size());
}

int MinimaTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant MinimaTableModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) return {};
    const CurveMinimum& m = minima_[static_cast<size_t>(index.row())];
    if (role == Qt::DisplayRole) return display(m, index.column());
    if (role == kSortRole) return sort_key(m, index.column());
    if (role == Qt::TextAlignmentRole)
        return index.column() == Cusp ? QVariant(Qt::AlignCenter)
                                      : QVariant(Qt::AlignRight | Qt::AlignVCenter);
    return {};
}

QVariant MinimaTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    switch (section) {
        case Ratio: return tr("Ratio");
        case Cents: return tr("Cents");
        case Roughness: return tr("Roughness");
        case Prominence: return tr("Prominence");
        case Cusp: return tr("Kind");
        case Just: return tr("Just");
        case JustCents: return tr("± Cents");
    }
    return {};
}

}  // namespace kelvara
