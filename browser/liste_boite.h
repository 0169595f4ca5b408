#pragma once

#include <QModelIndex>
#include <QString>
#include <QTreeView>

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
    // Selects the first node of the session whose id is the box's; nothing when none matches.
    void select_box_item(QStandardItem* session_item, const box* b);

    QStandardItem* root() const { return root_item; }

signals:
    void item_selected(QStandardItem*);                 // double click: show this session
    void affiche_info_boite(QStandardItem*, QString);   // click on a box: its session and id

private slots:
    void item_selected(const QModelIndex& _idx);
    void box_selected(const QModelIndex& _idx);

private:
    void make_current(QStandardItem* item);
    void expand_to(QStandardItem* session_item);

    QStandardItemModel* session_model;
    QStandardItem* root_item;
    int unnamed_session_counter = 1;
};
