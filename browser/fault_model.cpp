#include "browser/fault_model.h"

#include "model/fault_line.h"
#include "model/packing_fault.h"

fault_model::fault_model(QObject* parent) : QAbstractListModel(parent) {}

void fault_model::show_faults(const std::vector<packing_fault>* faults, int64_t left_out)
{
    beginResetModel();
    faults_ = faults;
    left_out_ = left_out;
    endResetModel();
}

int fault_model::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() || !faults_ ? 0 : int(faults_->size()) + (left_out_ > 0);
}

QVariant fault_model::data(const QModelIndex& index, int role) const
{
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= rowCount())
        return QVariant();
    if (std::size_t(index.row()) == faults_->size())
        return more_faults_line(left_out_);
    return fault_line((*faults_)[std::size_t(index.row())]);
}
