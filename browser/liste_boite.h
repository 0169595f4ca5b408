#pragma once

#include <QHash>
#include <QIcon>
#include <QList>
#include <QModelIndex>
#include <QString>
#include <QStringList>
#include <QTreeView>

#include <memory>
#include <vector>

class QStandardItem;
class QStandardItemModel;
struct box;

// The tree of opened sessions and their boxes. It holds no pointer to any record: a session
// node is known to the main window, a box node carries its box's id under
// Qt::AccessibleTextRole ("fichier" marks a session node, an empty text the root).
class liste_boite : public QTreeView {
    Q_OBJECT

public:
    explicit liste_boite(QWidget* parent = nullptr);
    ~liste_boite() override;

    QStandardItem* add_session_item(const QString& name);
    QStandardItem* add_box_item(QStandardItem* session_item, const box* b);
    // One node per box, in order, appended at once; the tree ends as add_box_item for each box
    // would leave it (last box node selected and current, session expanded) in linear time.
    void add_box_items(QStandardItem* session_item,
                       const std::vector<std::unique_ptr<box>>& boxes);
    // Selects the first node of the session whose id is the box's; nothing when none matches.
    void select_box_item(QStandardItem* session_item, const box* b);

    // A session opened for inspection: its node's text ends with its count of faults.
    void mark_faulty(QStandardItem* session_item, const QString& fault_count);

    QStandardItem* root() const { return root_item; }

protected:
    bool viewportEvent(QEvent* event) override;

signals:
    void item_selected(QStandardItem*);                 // double click: show this session
    void affiche_info_boite(QStandardItem*, QString);   // click on a box: its session and id

private slots:
    void item_selected(const QModelIndex& _idx);
    void box_selected(const QModelIndex& _idx);

private:
    QStandardItem* make_box_node(const box& b) const;
    void append_box_nodes(QStandardItem* session_item, const QList<QStandardItem*>& nodes);
    // Rows are taken as all alike in height while every node's text would show as alike.
    void follow_row_height(const QStringList& texts);
    void make_current(QStandardItem* item);
    bool is_only_selection(const QStandardItem* item) const;
    void expand_to(QStandardItem* session_item);

    QStandardItemModel* session_model;
    QStandardItem* root_item;
    QIcon box_icon;  // one shared icon rather than one loaded per node
    // For each session node, the row of its first box node of each id. select_box_item runs
    // once per unit a picked box falls, and nodes are only ever appended, so it stays true.
    QHash<const QStandardItem*, QHash<QString, int>> first_row_by_id;
    int unnamed_session_counter = 1;
};
