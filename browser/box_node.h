#pragma once

#include <QIcon>
#include <QStandardItem>
#include <QString>

// A box's node in the session tree: "box" and its box's id, not editable. It stores nothing
// per node but the id, shared with the box, and the icon all box nodes share: its text, tool
// tip, icon, flags and id (under Qt::AccessibleTextRole) are made when asked for, and cannot
// be set. A tree of a hundred thousand boxes then keeps no copy of them per node.
class box_node : public QStandardItem {
public:
    box_node(const QString& id, const QIcon& icon);

    QVariant data(int role = Qt::UserRole + 1) const override;

private:
    QString id;
    QIcon icon;
};
