#include "browser/fault_model.h"

#include "model/fault_line.h"
#include "model/outside_part.h"
#include "model/packing_fault.h"
#include "model/session.h"

#include <algorithm>

namespace {

QVariant number_or_nothing(int64_t value, int role)
{
    if (role == fault_model::sort_role)
        return qlonglong(value);
    return value < 0 ? QVariant() : QVariant(QString::number(value));
}

// How far out on one axis: "-2" below 0, "+3" past the container, both when it is longer.
QString reach_text(int64_t below, int64_t above)
{
    QStringList parts;
    if (below > 0)
        parts << QLatin1Char('-') + QString::number(below);
    if (above > 0)
        parts << QLatin1Char('+') + QString::number(above);
    return parts.join(QLatin1Char(' '));
}

}  // namespace

fault_model::fault_model(QObject* parent) : QAbstractTableModel(parent) {}

void fault_model::show_faults(const session* s, int64_t left_out)
{
    beginResetModel();
    session_ = s;
    left_out_ = left_out;
    endResetModel();
}

int fault_model::rowCount(const QModelIndex& parent) const
{
    if (parent.isValid() || !session_)
        return 0;
    return int(session_->faults.size()) + (left_out_ > 0 ? 1 : 0);
}

int fault_model::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : columns;
}

QVariant fault_model::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return QVariant();
    const std::size_t row = std::size_t(index.row());
    const bool last = row == session_->faults.size();
    if (role == left_out_role)
        return last;
    if (role == fault_role)
        return last ? -1 : int(row);
    if (last) {
        const QString text = more_faults_line(left_out_);
        if (role == Qt::ToolTipRole || (role == Qt::DisplayRole && index.column() == kind))
            return text;
        return QVariant();
    }
    const packing_fault& f = session_->faults[row];
    if (role == Qt::ToolTipRole)
        return fault_line(f);
    if (role == Qt::TextAlignmentRole)
        return index.column() == kind || index.column() == box || index.column() == other
                   ? QVariant(Qt::AlignLeft | Qt::AlignVCenter)
                   : QVariant(Qt::AlignRight | Qt::AlignVCenter);
    if (role != Qt::DisplayRole && role != sort_role)
        return QVariant();
    return fault_data(f, index.column(), role);
}

QVariant fault_model::fault_data(const packing_fault& f, int column, int role) const
{
    const bool collision = f.what == packing_fault::kind::collision;
    const bool outside = f.what == packing_fault::kind::outside && f.index >= 0
                         && std::size_t(f.index) < session_->boxes.size();
    const cell_range& c = f.shared;
    const int64_t extent[3] = {int64_t(c.x1) - c.x0, int64_t(c.y1) - c.y0, int64_t(c.z1) - c.z0};
    const outside_part part = outside ? outside_part::of(*session_->boxes[std::size_t(f.index)],
                                                         *session_->container)
                                      : outside_part();
    switch (column) {
    case kind:
        if (role == sort_role)
            return int(f.what);
        return fault_kind_name(int(f.what));
    case box: return f.id;
    case box_index: return number_or_nothing(f.index, role);
    case other: return f.other_id;
    case other_index: return number_or_nothing(f.other_index, role);
    case x:
    case y:
    case z: {
        const int axis = column - x;
        if (collision)
            return number_or_nothing(extent[axis], role);
        if (!outside)
            return QVariant();
        if (role == sort_role)
            return qlonglong(std::max(part.below[axis], part.above[axis]));
        return reach_text(part.below[axis], part.above[axis]);
    }
    case volume:
        if (collision)
            return number_or_nothing(extent[0] * extent[1] * extent[2], role);
        return outside ? number_or_nothing(part.volume(), role) : QVariant();
    case depth:
        if (collision)
            return number_or_nothing(*std::min_element(extent, extent + 3), role);
        return outside ? number_or_nothing(part.distance(), role) : QVariant();
    default: break;
    }
    return QVariant();
}

QVariant fault_model::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= columns)
        return QVariant();
    static const char* const titles[columns] = {"Défaut", "Boîte", "n°", "Avec", "n°",
                                                "x", "y", "z", "Cellules", "Prof."};
    static const char* const tips[columns] = {
        "Genre du défaut",
        "La boîte en défaut",
        "Son index dans le fichier, à partir de 0",
        "L'autre boîte d'une collision",
        "Son index dans le fichier",
        "Collision : étendue du bloc partagé sur x ; hors du conteneur : distance hors sur x "
        "(- avant 0, + après le conteneur)",
        "Collision : étendue du bloc partagé sur y ; hors du conteneur : distance hors sur y",
        "Collision : étendue du bloc partagé sur z ; hors du conteneur : distance hors sur z",
        "Collision : cellules du bloc partagé ; hors du conteneur : cellules de la boîte hors",
        "Collision : la plus petite étendue du bloc partagé ; hors du conteneur : la plus "
        "grande distance hors"};
    if (role == Qt::DisplayRole)
        return QString::fromUtf8(titles[section]);
    if (role == Qt::ToolTipRole)
        return QString::fromUtf8(tips[section]);
    return QVariant();
}
