#pragma once

#include <QSortFilterProxyModel>

// The fault table's order: by any column, numbers as numbers, ties in file order; the row
// that counts the faults left out always last. On the depth column the overlaps come before
// the other kinds, so that the default order, deepest first, opens on the deepest overlap.
class fault_sort_model : public QSortFilterProxyModel {
    Q_OBJECT

public:
    explicit fault_sort_model(QObject* parent = nullptr);

protected:
    bool lessThan(const QModelIndex& left, const QModelIndex& right) const override;
};
