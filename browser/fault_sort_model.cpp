#include "browser/fault_sort_model.h"

#include "browser/fault_model.h"
#include "model/packing_fault.h"

namespace {

// Higher for the kinds that come first in descending order.
int kind_rank(const QModelIndex& index)
{
    const QModelIndex kind = index.sibling(index.row(), fault_model::kind);
    return kind.data(fault_model::sort_role).toInt() == int(packing_fault::kind::collision) ? 1 : 0;
}

}  // namespace

fault_sort_model::fault_sort_model(QObject* parent) : QSortFilterProxyModel(parent)
{
    setSortRole(fault_model::sort_role);
}

bool fault_sort_model::lessThan(const QModelIndex& left, const QModelIndex& right) const
{
    const bool left_last = left.data(fault_model::left_out_role).toBool();
    const bool right_last = right.data(fault_model::left_out_role).toBool();
    if (left_last || right_last) {
        // The sort turns the answer round in descending order; the last row stays last.
        const bool ascending = sortOrder() == Qt::AscendingOrder;
        return left_last == right_last ? false : (right_last == ascending);
    }
    if (left.column() == fault_model::depth && kind_rank(left) != kind_rank(right))
        return kind_rank(left) < kind_rank(right);
    const QVariant a = left.data(sortRole());
    const QVariant b = right.data(sortRole());
    if (a != b) {
        if (!a.isValid() || !b.isValid())
            return !a.isValid();
        if (a.type() == QVariant::String)
            return QString::localeAwareCompare(a.toString(), b.toString()) < 0;
        return a.toLongLong() < b.toLongLong();
    }
    // Ties in file order, whichever way the column sorts.
    const bool ascending = sortOrder() == Qt::AscendingOrder;
    return (left.row() < right.row()) == ascending;
}
