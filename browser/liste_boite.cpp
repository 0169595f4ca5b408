#include "browser/liste_boite.h"

#include "browser/box_node.h"
#include "browser/safe_text_document.h"
#include "model/box.h"

#include <QAbstractTextDocumentLayout>
#include <QHelpEvent>
#include <QToolTip>
#include <QFontMetrics>
#include <QHeaderView>
#include <QIcon>
#include <QStandardItem>
#include <QStandardItemModel>
#include <QStringList>

namespace {

const QString session_key = QStringLiteral("fichier");

QString node_key(const QModelIndex& index)
{
    return index.data(Qt::AccessibleTextRole).toString();
}

// Whether showing the text as rich text would load a resource other than the program's own:
// the tool tip's label would read any file its markup names.
bool names_outside_resources(const QString& tip)
{
    if (!Qt::mightBeRichText(tip))
        return false;
    safe_text_document document;
    document.setHtml(tip);
    document.documentLayout()->documentSize();  // images are asked for while laying out
    return document.refused_a_resource();
}

// Whether the text shows as one line drawn in the font alone: every node showing such a text
// beside its icon is as high as any other, all icons being of one size.
bool is_one_plain_line(const QString& text, const QFontMetrics& metrics)
{
    for (const QChar c : text) {
        const ushort code = c.unicode();
        const bool printable_latin1 = (code >= 0x20 && code < 0x7f) || (code >= 0xa0 && code <= 0xff);
        if (!printable_latin1 || !metrics.inFont(c))
            return false;
    }
    return true;
}

}  // namespace

liste_boite::liste_boite(QWidget* parent)
    : QTreeView(parent), box_icon(QStringLiteral(":/liste/image/box.png"))
{
    unnamed_session_counter = 1;
    session_model = new QStandardItemModel();
    root_item = new QStandardItem(tr("Listes"));
    root_item->setEditable(false);
    root_item->setIcon(QIcon(QStringLiteral(":/liste/image/root.png")));
    setUniformRowHeights(true);
    follow_row_height({root_item->text()});
    session_model->appendRow(root_item);
    session_model->setHeaderData(0, Qt::Horizontal, tr("List :"), Qt::EditRole);
    setModel(session_model);
    header()->hide();
    // Box nodes sit two levels down: a narrow step leaves their ids room in a narrow tree.
    setIndentation(10);

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
    follow_row_height({text});
    root_item->appendRow(item);
    make_current(item);
    expand_to(item);
    return item;
}

QStandardItem* liste_boite::add_box_item(QStandardItem* session_item, const box* b)
{
    QStandardItem* item = make_box_node(*b);
    append_box_nodes(session_item, {item});
    return item;
}

void liste_boite::add_box_items(QStandardItem* session_item,
                                const std::vector<std::unique_ptr<box>>& boxes)
{
    QList<QStandardItem*> nodes;
    nodes.reserve(int(boxes.size()));
    for (const auto& b : boxes)
        nodes << make_box_node(*b);
    append_box_nodes(session_item, nodes);
}

QStandardItem* liste_boite::make_box_node(const box& b) const
{
    return new box_node(b.id, box_icon);
}

// Selecting each node as it comes would lay the whole tree out again for every node; only the
// last selection can be seen, so it is made once.
void liste_boite::append_box_nodes(QStandardItem* session_item,
                                   const QList<QStandardItem*>& nodes)
{
    if (nodes.isEmpty())
        return;
    QStandardItem* parent = root_item->child(session_item->row());
    QHash<QString, int>& first_rows = first_row_by_id[parent];
    int row = parent->rowCount();
    QStringList texts;
    texts.reserve(nodes.size());
    for (const QStandardItem* node : nodes) {
        texts << node->text();
        const QString id = node->data(Qt::AccessibleTextRole).toString();
        if (!first_rows.contains(id))
            first_rows.insert(id, row);
        ++row;
    }
    follow_row_height(texts);
    parent->appendRows(nodes);
    make_current(nodes.last());
    expand_to(session_item);
}

void liste_boite::mark_faulty(QStandardItem* session_item, const QString& fault_count)
{
    const QString text =
        session_item->text() + QLatin1String(" (") + fault_count + QLatin1Char(')');
    follow_row_height({text});
    session_item->setText(text);
}

void liste_boite::select_box_item(QStandardItem* session_item, const box* b)
{
    if (session_item->index().parent() != root_item->index())
        return;
    const auto first_rows = first_row_by_id.constFind(session_item);
    if (first_rows == first_row_by_id.cend())
        return;
    const auto row = first_rows->constFind(b->id);
    if (row == first_rows->cend())
        return;
    QStandardItem* item = session_item->child(*row);
    if (is_only_selection(item))
        return;  // a falling box names its node once for every unit it fell
    make_current(item);
    expand_to(session_item);
}

bool liste_boite::is_only_selection(const QStandardItem* item) const
{
    const QModelIndexList selected = selectionModel()->selectedIndexes();
    return currentIndex() == item->index() && selected.size() == 1
           && selected.front() == item->index() && isExpanded(item->parent()->index())
           && isExpanded(root_item->index());
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

// A tool tip whose markup names a file is shown as the plain text it is.
bool liste_boite::viewportEvent(QEvent* event)
{
    if (event->type() == QEvent::ToolTip) {
        const auto* help = static_cast<QHelpEvent*>(event);
        const QModelIndex index = indexAt(help->pos());
        const QString tip = index.data(Qt::ToolTipRole).toString();
        if (names_outside_resources(tip)) {
            const QRect area = visualRect(index);
            QToolTip::showText(help->globalPos(), Qt::convertFromPlainText(tip), this,
                               QRect(viewport()->mapToGlobal(area.topLeft()), area.size()));
            return true;
        }
    }
    return QTreeView::viewportEvent(event);
}

// The node becomes current before it is selected, so that a shown tree has scrolled to it by
// then: repainting a node as selected or not needs its place, which the tree finds by adding
// up the heights of the nodes between it and the top one shown, each height a text layout.
// A tree whose rows may differ in height finds the place of the rows it shows by adding up the
// heights of all the rows above them, each one laid out to be measured.
void liste_boite::follow_row_height(const QStringList& texts)
{
    if (!uniformRowHeights())
        return;
    const QFontMetrics metrics(font());
    for (const QString& text : texts) {
        if (!is_one_plain_line(text, metrics)) {
            setUniformRowHeights(false);
            return;
        }
    }
}

void liste_boite::make_current(QStandardItem* item)
{
    const QModelIndex index = item->index();
    selectionModel()->clearSelection();
    selectionModel()->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
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
