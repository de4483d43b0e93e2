#pragma once
// MinimaTableModel: the minima of a curve as a read-only Qt table: ratio, cents, roughness,
// prominence, cusp, just ratio, its distance in cents. The display role is text; the sort
// role (Qt::UserRole) holds each cell as a number (a just ratio by its value, none last), so
// a QSortFilterProxyModel sorts numerically.
#include <QAbstractTableModel>
#include <vector>

#include "engine/curve_minima.h"

namespace kelvara {

class MinimaTableModel final : public QAbstractTableModel {
    Q_OBJECT

public:
    enum Column { Ratio, Cents, Roughness, Prominence, Cusp, Just, JustCents, ColumnCount };
    static constexpr int kSortRole = Qt::UserRole;

    explicit MinimaTableModel(QObject* parent = nullptr) : QAbstractTableModel(parent) {}

    // Shows these minima instead of the ones before.
    void set_minima(std::vector<CurveMinimum> minima);
    const std::vector<CurveMinimum>& minima() const { return minima_; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    std::vector<CurveMinimum> minima_;
};

}  // namespace kelvara
