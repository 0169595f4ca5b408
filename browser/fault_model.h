#pragma once

#include <QAbstractListModel>

#include <cstdint>
#include <vector>

struct packing_fault;

// The faults of one session, one row per fault showing its fault line, and a last row that
// says how many the cap left out, if any. It reads the session's own list, so that thousands
// of rows cost nothing until they are shown.
class fault_model : public QAbstractListModel {
    Q_OBJECT

public:
    explicit fault_model(QObject* parent = nullptr);

    // The list to show, null for none; the session keeps it for the life of the program.
    void show_faults(const std::vector<packing_fault>* faults, int64_t left_out);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

private:
    const std::vector<packing_fault>* faults_ = nullptr;
    int64_t left_out_ = 0;
};
