#include "browser/box_node.h"

#include "browser/liste_boite.h"

box_node::box_node(const QString& id, const QIcon& icon) : id(id), icon(icon) {}

QVariant box_node::data(int role) const
{
    // The role under which QStandardItem keeps its flags.
    constexpr int flags_role = Qt::UserRole - 1;
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        return QString(QStringLiteral("box") + id);
    case Qt::ToolTipRole:
        return QString(liste_boite::tr("id : ") + QStringLiteral("box") + id);
    case Qt::DecorationRole:
        return icon;
    case Qt::AccessibleTextRole:
        return id;
    case flags_role:
        return int(Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemIsDragEnabled
                   | Qt::ItemIsDropEnabled);
    default:
        return QStandardItem::data(role);
    }
}
