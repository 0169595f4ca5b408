#include "browser/liste_boite.h"

#include "model/box.h"

#include <QHeaderView>
#include <QIcon>
#include <QStandardItem>
#include <QStandardItemModel>

namespace {

const QString session_key = QStringLiteral("fichier");

QString node_key(const QModelIndex& index)
{
    return index.data(Qt::AccessibleTextRole).toString();
}

}  // namespace

liste_boite::liste_boite(QWidget* parent) : QTreeView(parent)
{
    unnamed_session_counter = 1;
    session_model = new QStandardItemModel();
    root_item = new QStandardItem(tr("Listes"));
    root_item->setEditable(false);
    root_item->setIcon(QIcon(QStringLiteral(":/liste/image/root.png")));
    session_model->appendRow(root_item);
    session_model->setHeaderData(0, Qt::Horizontal, tr("List :"), Qt::EditRole);
    setModel(session_model);
    header()->hide();

    connect(this, &QTreeView::doubleClicked, this,
            qOverload<const QModelIndex&>(&liste_boite::item_selected));
    connect(this, &QTreeView::clicked, this, &liste_boite::box_selected);
}

liste_boite::~liste_boite()
{
    // The model has no parent object so that the tree alone decides when it goes.
    setModel(nullptr);
    delete session_model;
}

QStandardItem* liste_boite::add_session_item(const QString& name)
{
    const QString text =
        name.isEmpty() ? QStringLiteral("Session_%1").arg(unnamed_session_counter++) : name;
    auto* item = new QStandardItem(QIcon(QStringLiteral(":/liste/image/boxs.png")), text);
    item->setData(session_key, Qt::AccessibleTextRole);
    root_item->appendRow(item);
    make_current(item);
    expand_to(item);
    return item;
}

QStandardItem* liste_boite::add_box_item(QStandardItem* session_item, const box* b)
{
    const QString text = QStringLiteral("box") + b->id;
    auto* item = new QStandardItem(QIcon(QStringLiteral(":/liste/image/box.png")), text);
    item->setToolTip(tr("id : ") + text);
    item->setEditable(false);
    root_item->child(session_item->row())->appendRow(item);
    item->setData(b->id, Qt::AccessibleTextRole);
    make_current(item);
    expand_to(session_item);
    return item;
}

void liste_boite::select_box_item(QStandardItem* session_item, const box* b)
{
    if (session_item->index().parent() != root_item->index())
        return;
    for (int row = 0; row < session_item->rowCount(); ++row) {
        QStandardItem* child = session_item->child(row);
        if (child->data(Qt::AccessibleTextRole).toString() == b->id) {
            make_current(child);
            expand_to(session_item);
            return;
        }
    }
}

void liste_boite::item_selected(const QModelIndex& _idx)
{
    if (node_key(_idx).isEmpty())
        return;
    QModelIndex session_index = _idx;
    while (session_index.parent() != root_item->index())
        session_index = session_index.parent();
    emit item_selected(session_model->itemFromIndex(session_index));
}

void liste_boite::box_selected(const QModelIndex& _idx)
{
    if (node_key(_idx).isEmpty() || _idx.parent() == root_item->index())
        return;
    emit affiche_info_boite(session_model->itemFromIndex(_idx.parent()), node_key(_idx));
}

void liste_boite::make_current(QStandardItem* item)
{
    const QModelIndex index = item->index();
    selectionModel()->clearSelection();
    selectionModel()->select(QItemSelection(index, index), QItemSelectionModel::Select);
    setCurrentIndex(index);
}

void liste_boite::expand_to(QStandardItem* session_item)
{
    if (!isExpanded(root_item->index()))
        expand(root_item->index());
    if (!isExpanded(session_item->index()))
        expand(session_item->index());
}
