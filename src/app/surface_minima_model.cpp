#include "app/surface_minima_model.h"

#include <limits>

#include "engine/just_ratio.h"

namespace kelvara {
namespace {

QVariant display(const SurfaceMinimum& m, int column) {
    switch (column) {
        case SurfaceMinimaModel::R: return QString::number(m.r, 'g', 10);
        case SurfaceMinimaModel::RCents: return QString::number(ratio_to_cents(m.r), 'f', 2);
        case SurfaceMinimaModel::S: return QString::number(m.s, 'g', 10);
        case SurfaceMinimaModel::SCents: return QString::number(ratio_to_cents(m.s), 'f', 2);
        case SurfaceMinimaModel::Roughness: return QString::number(m.value, 'g', 6);
        case SurfaceMinimaModel::Prominence: return QString::number(m.prominence, 'g', 4);
        case SurfaceMinimaModel::Triad:
            return m.triad ? QString::fromStdString(triad_text(*m.triad)) : QString();
    }
    return {};
}

QVariant sort_key(const SurfaceMinimum& m, int column) {
    switch (column) {
        case SurfaceMinimaModel::R:
        case SurfaceMinimaModel::RCents: return m.r;
        case SurfaceMinimaModel::S:
        case SurfaceMinimaModel::SCents: return m.s;
        case SurfaceMinimaModel::Roughness: return m.value;
        case SurfaceMinimaModel::Prominence: return m.prominence;
        case SurfaceMinimaModel::Triad:
            return m.triad ? double(m.triad->low) * m.triad->middle * m.triad->high
                           : std::numeric_limits<double>::infinity();
    }
    return {};
}

}  // namespace

void SurfaceMinimaModel::set_minima(std::vector<SurfaceMinimum> minima) {
    beginResetModel();
    minima_ = std::move(minima);
    endResetModel();
}

int SurfaceMinimaModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(minima_.size());
}

int SurfaceMinimaModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant SurfaceMinimaModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) return {};
    const SurfaceMinimum& m = minima_[static_cast<size_t>(index.row())];
    if (role == Qt::DisplayRole) return display(m, index.column());
    if (role == kSortRole) return sort_key(m, index.column());
    if (role == Qt::TextAlignmentRole) return QVariant(Qt::AlignRight | Qt::AlignVCenter);
    return {};
}

QVariant SurfaceMinimaModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    switch (section) {
        case R: return tr("r");
        case RCents: return tr("r ¢");
        case S: return tr("s");
        case SCents: return tr("s ¢");
        case Roughness: return tr("Roughness");
        case Prominence: return tr("Prominence");
        case Triad: return tr("Triad");
    }
    return {};
}

}  // namespace kelvara
