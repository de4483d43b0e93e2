#pragma once
// SurfaceMinimaModel: the minima of the triad surface as a read-only Qt table: r, s, their
// cents, roughness, prominence and the just triad. The display role is text; the sort role
// (Qt::UserRole) holds each cell as a number (a triad by its Tenney height, none last).
#include <QAbstractTableModel>
#include <vector>

#include "engine/surface_minima.h"

namespace kelvara {

class SurfaceMinimaModel final : public QAbstractTableModel {
    Q_OBJECT

public:
    enum Column { R, RCents, S, SCents, Roughness, Prominence, Triad, ColumnCount };
    static constexpr int kSortRole = Qt::UserRole;

    explicit SurfaceMinimaModel(QObject* parent = nullptr) : QAbstractTableModel(parent) {}

    void set_minima(std::vector<SurfaceMinimum> minima);
    const std::vector<SurfaceMinimum>& minima() const { return minima_; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    std::vector<SurfaceMinimum> minima_;
};

}  // namespace kelvara
