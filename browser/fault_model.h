#pragma once

#include <QAbstractTableModel>

#include <cstdint>
#include <vector>

class dimension;
struct packing_fault;
struct session;

// The faults of one session as a table, one row per fault: its kind, the box at fault and its
// index, the other box and its index, then on x, y and z the shared block's extent in cells
// (an overlap) or how far the box reaches out (a box outside, "-" below 0, "+" past the
// container), the cells concerned and the depth, the extent an overlap is least deep along or
// the farthest a box reaches out. Each cell's tool tip is the whole fault line. A last row says
// how many faults the cap left out, if any. It reads the session's own list, so that thousands
// of rows cost nothing until they are shown.
class fault_model : public QAbstractTableModel {
    Q_OBJECT

public:
    enum column { kind, box, box_index, other, other_index, x, y, z, volume, depth, columns };
    // The value a column sorts by: numbers as numbers.
    static constexpr int sort_role = Qt::UserRole;
    // True on the last row, the one that counts the faults left out.
    static constexpr int left_out_role = Qt::UserRole + 1;
    // The fault's index in the session's list, -1 on the last row.
    static constexpr int fault_role = Qt::UserRole + 2;

    explicit fault_model(QObject* parent = nullptr);

    // The session's faults to show, null for none; the session keeps them for the life of the
    // program.
    void show_faults(const session* s, int64_t left_out);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    QVariant fault_data(const packing_fault& f, int column, int role) const;

    const session* session_ = nullptr;
    int64_t left_out_ = 0;
};
