#include "browser/fault_model.h"
#include "browser/fault_sort_model.h"
#include "browser/liste_boite.h"
#include "browser/safe_text_document.h"
#include "model/box.h"
#include "model/session.h"

#include <QHeaderView>
#include <QIcon>
#include <QImage>
#include <QItemSelectionModel>
#include <QScrollBar>
#include <QStandardItem>
#include <QStandardItemModel>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextEdit>
#include <QTextLayout>
#include <QTextDocument>
#include <QToolTip>
#include <QtTest>

#include <sys/stat.h>

#include <memory>
#include <vector>

Q_DECLARE_METATYPE(QStandardItem*)

namespace {

QString node_key(const QStandardItem* item)
{
    return item->data(Qt::AccessibleTextRole).toString();
}

QImage icon_image(const QStandardItem* item)
{
    return item->icon().pixmap(16, 16).toImage().convertToFormat(QImage::Format_RGB32);
}

QImage resource_image(const QString& path)
{
    return QImage(path).convertToFormat(QImage::Format_RGB32);
}

// A shown tree and the box records its nodes were made from; the tree refers to no record,
// but the records outlive it all the same, as the sessions do in the program.
struct shown_tree {
    shown_tree()
    {
        tree.resize(320, 480);
        tree.show();
    }

    bool exposed() { return QTest::qWaitForWindowExposed(&tree); }

    const box* make_box(const QString& id)
    {
        boxes.push_back(std::make_unique<box>(position(0, 0, 0), dimension(1, 1, 1)));
        boxes.back()->id = id;
        return boxes.back().get();
    }

    QStandardItem* add_session_with(const QString& name, const QStringList& ids)
    {
        QStandardItem* session_item = tree.add_session_item(name);
        for (const QString& id : ids)
            tree.add_box_item(session_item, make_box(id));
        return session_item;
    }

    QStandardItemModel* model() const { return qobject_cast<QStandardItemModel*>(tree.model()); }

    QPoint centre_of(const QStandardItem* item) const
    {
        return tree.visualRect(item->index()).center();
    }

    std::vector<std::unique_ptr<box>> boxes;
    liste_boite tree;
};

// Where each line of each paragraph starts, once the edit has laid its text out.
QList<int> line_starts(const QTextEdit& edit)
{
    QList<int> starts;
    for (QTextBlock block = edit.document()->begin(); block.isValid(); block = block.next())
        for (int line = 0; line < block.layout()->lineCount(); ++line)
            starts << block.position() + block.layout()->lineAt(line).textStart();
    return starts;
}

}  // namespace

class tst_browser : public QObject {
    Q_OBJECT

private slots:
    void fault_table_sorts_every_column_data();
    void fault_table_sorts_every_column();
    void initTestCase();

    void root_node_alone();
    void unnamed_sessions_are_numbered_around_named_ones();
    void sessions_of_the_same_name_stay_distinct();
    void box_node_describes_its_box_data();
    void box_node_describes_its_box();

    void adding_a_session_selects_its_last_node_data();
    void adding_a_session_selects_its_last_node();
    void select_box_item_takes_the_first_node_of_an_id();
    void select_box_item_ignores_what_it_cannot_find_data();
    void select_box_item_ignores_what_it_cannot_find();

    void click_on_node_data();
    void click_on_node();
    void double_click_on_node_data();
    void double_click_on_node();

    void batch_of_box_nodes_matches_one_by_one();
    void rows_as_high_as_in_a_tree_that_measures_each_data();
    void rows_as_high_as_in_a_tree_that_measures_each();
    void select_box_item_matches_a_scan_of_the_nodes();
    void long_runs_break_where_the_toolkit_breaks_them_data();
    void long_runs_break_where_the_toolkit_breaks_them();
    void tool_tip_naming_a_file_shows_as_plain_text_data();
    void tool_tip_naming_a_file_shows_as_plain_text();

    void resource_images_load_data();
    void resource_images_load();
    void tree_icons_differ_data();
    void tree_icons_differ();
};

void tst_browser::initTestCase()
{
    qRegisterMetaType<QStandardItem*>();
}

void tst_browser::root_node_alone()
{
    shown_tree t;
    QVERIFY(t.exposed());
    QStandardItemModel* model = t.model();
    QVERIFY(model);
    QCOMPARE(model->rowCount(), 1);
    QCOMPARE(model->columnCount(), 1);

    QStandardItem* root = model->item(0);
    QCOMPARE(root, t.tree.root());
    QCOMPARE(root->text(), QStringLiteral("Listes"));
    QVERIFY(node_key(root).isEmpty());
    QVERIFY(!root->isEditable());
    QCOMPARE(root->rowCount(), 0);
    QVERIFY(!root->icon().isNull());
    QCOMPARE(icon_image(root), resource_image(":/liste/image/root.png"));

    QCOMPARE(model->headerData(0, Qt::Horizontal, Qt::EditRole).toString(),
             QStringLiteral("List :"));
    QVERIFY(t.tree.header()->isHidden());
}

void tst_browser::unnamed_sessions_are_numbered_around_named_ones()
{
    shown_tree t;
    QStandardItem* first = t.tree.add_session_item(QString());
    QStandardItem* named = t.tree.add_session_item(QStringLiteral("essai"));
    QStandardItem* second = t.tree.add_session_item(QStringLiteral(""));

    QStandardItem* root = t.tree.root();
    QCOMPARE(root->rowCount(), 3);
    const QList<QStandardItem*> in_order = {first, named, second};
    const QStringList texts = {"Session_1", "essai", "Session_2"};
    for (int row = 0; row < 3; ++row) {
        QStandardItem* item = root->child(row);
        QCOMPARE(item, in_order[row]);
        QCOMPARE(item->text(), texts[row]);
        QCOMPARE(node_key(item), QStringLiteral("fichier"));
        QVERIFY(item->isEditable());
        QCOMPARE(icon_image(item), resource_image(":/liste/image/boxs.png"));
    }
}

void tst_browser::sessions_of_the_same_name_stay_distinct()
{
    shown_tree t;
    QStandardItem* first = t.add_session_with("pareil", {"a"});
    QStandardItem* again = t.add_session_with("pareil", {"b"});

    QVERIFY(first != again);
    QCOMPARE(t.tree.root()->rowCount(), 2);
    QCOMPARE(again->text(), first->text());
    QCOMPARE(node_key(first->child(0)), QStringLiteral("a"));
    QCOMPARE(node_key(again->child(0)), QStringLiteral("b"));
}

void tst_browser::box_node_describes_its_box_data()
{
    QTest::addColumn<QString>("id");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("tool_tip");

    QTest::newRow("number") << "12" << "box12" << "id : box12";
    QTest::newRow("empty id") << "" << "box" << "id : box";
    QTest::newRow("blanks kept") << " a b " << "box a b " << "id : box a b ";
    QTest::newRow("markup kept") << "<b>x</b>" << "box<b>x</b>" << "id : box<b>x</b>";
    QTest::newRow("the session key as id") << "fichier" << "boxfichier" << "id : boxfichier";
}

void tst_browser::box_node_describes_its_box()
{
    QFETCH(QString, id);
    QFETCH(QString, text);
    QFETCH(QString, tool_tip);

    shown_tree t;
    QStandardItem* session_item = t.tree.add_session_item("s");
    QStandardItem* item = t.tree.add_box_item(session_item, t.make_box(id));

    QCOMPARE(item->parent(), session_item);
    QCOMPARE(item->row(), 0);
    QCOMPARE(item->text(), text);
    QCOMPARE(item->toolTip(), tool_tip);
    QCOMPARE(node_key(item), id);
    QVERIFY(!(item->flags() & Qt::ItemIsEditable));
    QCOMPARE(icon_image(item), resource_image(":/liste/image/box.png"));
}

void tst_browser::adding_a_session_selects_its_last_node_data()
{
    QTest::addColumn<QStringList>("ids");

    QTest::newRow("three boxes") << QStringList{"1", "2", "3"};
    QTest::newRow("one box") << QStringList{"seul"};
    QTest::newRow("no box") << QStringList{};
}

void tst_browser::adding_a_session_selects_its_last_node()
{
    QFETCH(QStringList, ids);

    shown_tree t;
    t.add_session_with("avant", {"x", "y"});
    t.tree.collapse(t.tree.root()->index());

    QSignalSpy shown(&t.tree, qOverload<QStandardItem*>(&liste_boite::item_selected));
    QSignalSpy described(&t.tree, &liste_boite::affiche_info_boite);
    QStandardItem* session_item = t.add_session_with(QString(), ids);

    QStandardItem* expected = ids.isEmpty() ? session_item : session_item->child(ids.size() - 1);
    QCOMPARE(t.tree.selectionModel()->selectedIndexes(), QModelIndexList{expected->index()});
    QCOMPARE(t.tree.currentIndex(), expected->index());
    QVERIFY(t.tree.isExpanded(t.tree.root()->index()));
    QVERIFY(t.tree.isExpanded(session_item->index()));
    QCOMPARE(shown.count(), 0);
    QCOMPARE(described.count(), 0);
}

void tst_browser::select_box_item_takes_the_first_node_of_an_id()
{
    shown_tree t;
    QStandardItem* session_item = t.tree.add_session_item("s");
    t.tree.add_box_item(session_item, t.make_box("autre"));
    t.tree.add_box_item(session_item, t.make_box("double"));
    const box* second_double = t.make_box("double");
    t.tree.add_box_item(session_item, second_double);
    t.tree.add_box_item(session_item, t.make_box("dernier"));
    t.add_session_with("ailleurs", {"double"});
    t.tree.collapse(session_item->index());
    t.tree.collapse(t.tree.root()->index());

    t.tree.select_box_item(session_item, second_double);

    const QModelIndex first_double = session_item->child(1)->index();
    QCOMPARE(t.tree.selectionModel()->selectedIndexes(), QModelIndexList{first_double});
    QCOMPARE(t.tree.currentIndex(), first_double);
    QVERIFY(t.tree.isExpanded(t.tree.root()->index()));
    QVERIFY(t.tree.isExpanded(session_item->index()));
}

void tst_browser::select_box_item_ignores_what_it_cannot_find_data()
{
    QTest::addColumn<QString>("given_node");
    QTest::addColumn<QString>("id");

    QTest::newRow("root node") << "root" << "a";
    QTest::newRow("box node") << "box" << "a";
    QTest::newRow("unknown id") << "session" << "z";
    QTest::newRow("id differing in case only") << "session" << "A";
    QTest::newRow("empty id") << "session" << "";
}

void tst_browser::select_box_item_ignores_what_it_cannot_find()
{
    QFETCH(QString, given_node);
    QFETCH(QString, id);

    shown_tree t;
    QStandardItem* session_item = t.add_session_with("s", {"a", "b"});
    QStandardItem* other = t.add_session_with("t", {"c"});
    t.tree.collapse(session_item->index());
    QStandardItem* node = given_node == "root"  ? t.tree.root()
                        : given_node == "box"   ? session_item->child(0)
                                                : session_item;
    const QModelIndex current_before = t.tree.currentIndex();
    QCOMPARE(current_before, other->child(0)->index());

    t.tree.select_box_item(node, t.make_box(id));

    QCOMPARE(t.tree.currentIndex(), current_before);
    QCOMPARE(t.tree.selectionModel()->selectedIndexes(), QModelIndexList{current_before});
    QVERIFY(!t.tree.isExpanded(session_item->index()));
}

namespace {

// One session with a box "7" and a box whose id is empty, for clicks on every kind of node.
struct clickable_tree : shown_tree {
    clickable_tree() { session_item = add_session_with("s", {"7", ""}); }

    QStandardItem* node(const QString& kind) const
    {
        if (kind == "root")
            return tree.root();
        if (kind == "session")
            return session_item;
        return session_item->child(kind == "box" ? 0 : 1);
    }

    QStandardItem* session_item;
};

// The whole gesture as the window system delivers it; a lone double-click event would reach
// the view without the press that makes the node the pressed one.
void double_click(QWidget* widget, const QPoint& pos)
{
    QTest::mousePress(widget, Qt::LeftButton, Qt::NoModifier, pos);
    QTest::mouseRelease(widget, Qt::LeftButton, Qt::NoModifier, pos);
    QTest::mouseDClick(widget, Qt::LeftButton, Qt::NoModifier, pos);
    QTest::mouseRelease(widget, Qt::LeftButton, Qt::NoModifier, pos);
}

void add_node_kinds()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("emits");
}

}  // namespace

void tst_browser::click_on_node_data()
{
    add_node_kinds();
    QTest::newRow("root") << "root" << false;
    QTest::newRow("session") << "session" << false;
    QTest::newRow("box") << "box" << true;
    QTest::newRow("box with empty id") << "empty id" << false;
}

void tst_browser::click_on_node()
{
    QFETCH(QString, kind);
    QFETCH(bool, emits);

    clickable_tree t;
    QVERIFY(t.exposed());
    QSignalSpy described(&t.tree, &liste_boite::affiche_info_boite);
    QSignalSpy shown(&t.tree, qOverload<QStandardItem*>(&liste_boite::item_selected));

    QTest::mouseClick(t.tree.viewport(), Qt::LeftButton, Qt::NoModifier, t.centre_of(t.node(kind)));

    QCOMPARE(shown.count(), 0);
    QCOMPARE(described.count(), emits ? 1 : 0);
    if (emits) {
        QCOMPARE(qvariant_cast<QStandardItem*>(described.at(0).at(0)), t.session_item);
        QCOMPARE(described.at(0).at(1).toString(), QStringLiteral("7"));
    }
}

void tst_browser::double_click_on_node_data()
{
    add_node_kinds();
    QTest::newRow("root") << "root" << false;
    QTest::newRow("session") << "session" << true;
    QTest::newRow("box") << "box" << true;
    QTest::newRow("box with empty id") << "empty id" << false;
}

void tst_browser::double_click_on_node()
{
    QFETCH(QString, kind);
    QFETCH(bool, emits);

    clickable_tree t;
    QVERIFY(t.exposed());
    QSignalSpy described(&t.tree, &liste_boite::affiche_info_boite);
    QSignalSpy shown(&t.tree, qOverload<QStandardItem*>(&liste_boite::item_selected));

    double_click(t.tree.viewport(), t.centre_of(t.node(kind)));

    QCOMPARE(shown.count(), emits ? 1 : 0);
    if (emits)
        QCOMPARE(qvariant_cast<QStandardItem*>(shown.at(0).at(0)), t.session_item);
    // The clicks of the gesture describe the box; nothing else is described.
    if (kind != "box")
        QCOMPARE(described.count(), 0);
    else
        QVERIFY(described.count() >= 1);
}

namespace {

// Ids as files hold them: repeats, an empty one, blanks, markup, the session key.
QStringList random_ids(int count)
{
    const QStringList pool = {"1", "2", "", "<b>x</b>", "a b", "fichier", "7", "A"};
    QRandomGenerator random(12);
    QStringList ids;
    for (int i = 0; i < count; ++i)
        ids << pool[random.bounded(pool.size())]
                   + (random.bounded(3) == 0 ? QString::number(random.bounded(20)) : QString());
    return ids;
}

}  // namespace

namespace {

// A box's node as a plain item holds it: every role set, each stored.
std::unique_ptr<QStandardItem> plain_box_node(const QString& id)
{
    const QString text = "box" + id;
    auto item = std::make_unique<QStandardItem>(QIcon(":/liste/image/box.png"), text);
    item->setToolTip("id : " + text);
    item->setEditable(false);
    item->setData(id, Qt::AccessibleTextRole);
    return item;
}

}  // namespace

// Two batches into one session give the tree that adding the same boxes one by one gives,
// each node what a plain item holding its every role would be.
void tst_browser::batch_of_box_nodes_matches_one_by_one()
{
    const QStringList ids = random_ids(300);
    shown_tree one_by_one;
    shown_tree batch;
    for (shown_tree* t : {&one_by_one, &batch}) {
        t->add_session_with("avant", {"x"});
        t->tree.collapse(t->tree.root()->index());
    }
    QStandardItem* expected_session = one_by_one.add_session_with("s", ids);

    QSignalSpy shown(&batch.tree, qOverload<QStandardItem*>(&liste_boite::item_selected));
    QSignalSpy described(&batch.tree, &liste_boite::affiche_info_boite);
    QStandardItem* session_item = batch.tree.add_session_item("s");
    const int half = ids.size() / 2;
    for (const QList<QString>& part : {ids.mid(0, half), ids.mid(half)}) {
        std::vector<std::unique_ptr<box>> boxes;
        for (const QString& id : part) {
            boxes.push_back(std::make_unique<box>(position(0, 0, 0), dimension(1, 1, 1)));
            boxes.back()->id = id;
        }
        batch.tree.add_box_items(session_item, boxes);
    }

    QCOMPARE(session_item->rowCount(), ids.size());
    const QList<int> roles = {Qt::DisplayRole, Qt::EditRole, Qt::ToolTipRole,
                              Qt::AccessibleTextRole, Qt::UserRole - 1, Qt::StatusTipRole,
                              Qt::FontRole, Qt::CheckStateRole, Qt::UserRole};
    for (int row = 0; row < ids.size(); ++row) {
        const QStandardItem* got = session_item->child(row);
        const QStandardItem* one_by_one_node = expected_session->child(row);
        const std::unique_ptr<QStandardItem> expected = plain_box_node(ids[row]);
        for (const int role : roles) {
            QCOMPARE(got->data(role), expected->data(role));
            QCOMPARE(one_by_one_node->data(role), expected->data(role));
        }
        QCOMPARE(got->flags(), expected->flags());
        QCOMPARE(node_key(got), ids[row]);
    }
    const QImage box_icon = resource_image(":/liste/image/box.png");
    QCOMPARE(icon_image(session_item->child(0)), box_icon);
    QCOMPARE(icon_image(session_item->child(ids.size() - 1)), box_icon);
    const QModelIndex last = session_item->child(ids.size() - 1)->index();
    QCOMPARE(batch.tree.selectionModel()->selectedIndexes(), QModelIndexList{last});
    QCOMPARE(batch.tree.currentIndex(), last);
    QVERIFY(batch.tree.isExpanded(batch.tree.root()->index()));
    QVERIFY(batch.tree.isExpanded(session_item->index()));
    QCOMPARE(shown.count(), 0);
    QCOMPARE(described.count(), 0);

    // Scrolled where the toolkit scrolls a tree whose node is selected, then made current.
    const int scrolled = batch.tree.verticalScrollBar()->value();
    QVERIFY(scrolled > 0);
    batch.tree.setCurrentIndex(session_item->index());
    batch.tree.scrollToTop();
    batch.tree.selectionModel()->clearSelection();
    batch.tree.selectionModel()->select(last, QItemSelectionModel::Select);
    batch.tree.setCurrentIndex(last);
    QCOMPARE(batch.tree.verticalScrollBar()->value(), scrolled);
}

void tst_browser::rows_as_high_as_in_a_tree_that_measures_each_data()
{
    QTest::addColumn<QStringList>("ids");
    QTest::addColumn<bool>("alike");
    QTest::newRow("plain") << QStringList{"1", "a b", "<b>x</b>", QString::fromLatin1("\xe9~")}
                           << true;
    QTest::newRow("two lines") << QStringList{"1", "a\nb", "2"} << false;
    QTest::newRow("tab") << QStringList{"a\tb"} << false;
    QTest::newRow("outside latin-1") << QStringList{QString::fromUtf8("\xe7\xae\xb1"), "1"}
                                     << false;
}

// Every row is as high as in a tree that measures each row, whether or not the tree takes
// its rows as all alike.
void tst_browser::rows_as_high_as_in_a_tree_that_measures_each()
{
    QFETCH(QStringList, ids);
    QFETCH(bool, alike);
    shown_tree t;
    t.add_session_with("avant", {"x"});
    QStandardItem* session_item = t.add_session_with("s", ids);
    t.tree.mark_faulty(session_item, "2");
    QCOMPARE(t.tree.uniformRowHeights(), alike);

    QTreeView measured;
    measured.setModel(t.tree.model());
    measured.header()->hide();
    measured.setIndentation(t.tree.indentation());
    measured.resize(t.tree.size());
    measured.expandAll();
    measured.show();
    QVERIFY(t.exposed());
    QVERIFY(QTest::qWaitForWindowExposed(&measured));
    QModelIndexList rows = {t.tree.root()->index()};
    for (int i = 0; i < rows.size(); ++i)
        for (int row = 0; row < t.model()->rowCount(rows[i]); ++row)
            rows << t.model()->index(row, 0, rows[i]);
    QCOMPARE(rows.size(), 4 + ids.size());
    for (const QModelIndex& row : rows)
        QCOMPARE(t.tree.visualRect(row).height(), measured.visualRect(row).height());
}

// The node selected for an id is the first one a scan of the session's nodes finds.
void tst_browser::select_box_item_matches_a_scan_of_the_nodes()
{
    const QStringList ids = random_ids(200);
    shown_tree t;
    QStandardItem* session_item = t.add_session_with("s", ids);
    t.add_session_with("autre", {"absent", "1"});
    const QStringList asked = QStringList{"absent", "1 ", "a"} + random_ids(40);
    for (const QString& id : asked) {
        const QModelIndex before = t.tree.currentIndex();
        t.tree.select_box_item(session_item, t.make_box(id));
        QModelIndex expected = before;
        for (int row = 0; row < session_item->rowCount(); ++row) {
            if (node_key(session_item->child(row)) == id) {
                expected = session_item->child(row)->index();
                break;
            }
        }
        QCOMPARE(t.tree.currentIndex(), expected);
        QCOMPARE(t.tree.selectionModel()->selectedIndexes(), QModelIndexList{expected});
    }
}

void tst_browser::long_runs_break_where_the_toolkit_breaks_them_data()
{
    QTest::addColumn<QString>("html");
    QTest::addColumn<bool>("breaks_anywhere");

    const int over = safe_text_document::long_run + 1;
    QTest::newRow("one long run") << QString(over, 'x') << true;
    QTest::newRow("long bold run") << "<b>" + QString(over, 'y') + "</b>" << true;
    QTest::newRow("no-break spaces hold a run together")
        << QStringLiteral("ab&nbsp;").repeated(over / 3 + 1) << true;
    QTest::newRow("run just short enough") << QString(over - 1, 'z') << false;
    QTest::newRow("many short words") << QStringLiteral("mot ").repeated(over) << false;
}

// Breaking anywhere gives the lines the toolkit's own word-boundary-or-anywhere wrapping gives
// a paragraph made of one long run, and the same text; an emptied document wraps as before.
void tst_browser::long_runs_break_where_the_toolkit_breaks_them()
{
    QFETCH(QString, html);
    QFETCH(bool, breaks_anywhere);

    QTextEdit stock;
    QTextEdit safe;
    auto* document = new safe_text_document(&safe);
    safe.setDocument(document);
    for (QTextEdit* edit : {&stock, &safe}) {
        edit->resize(300, 200);
        edit->show();
        QVERIFY(QTest::qWaitForWindowExposed(edit));
        edit->setHtml(html);
        QCoreApplication::processEvents();
    }
    QCOMPARE(document->breaks_anywhere(), breaks_anywhere);
    QCOMPARE(safe.toPlainText(), stock.toPlainText());
    QCOMPARE(line_starts(safe), line_starts(stock));
    QVERIFY(line_starts(safe).size() > 1);

    safe.setHtml(QStringLiteral("Boite id = court"));
    QVERIFY(!document->breaks_anywhere());
    QCOMPARE(safe.wordWrapMode(), QTextOption::WrapAtWordBoundaryOrAnywhere);
}

void tst_browser::tool_tip_naming_a_file_shows_as_plain_text_data()
{
    QTest::addColumn<QString>("markup");
    QTest::addColumn<bool>("plain");

    // A FIFO with no writer blocks whoever opens it: the test hangs if the tip reads it.
    QTest::newRow("image from a FIFO") << "<img src=\"%1\">" << true;
    QTest::newRow("background from a FIFO") << "<table background=\"%1\"><tr><td>x</td></tr></table>"
                                            << true;
    QTest::newRow("bold only") << "<b>gras</b>" << false;
    QTest::newRow("own resource") << "<img src=\":/liste/image/box.png\">" << false;
}

void tst_browser::tool_tip_naming_a_file_shows_as_plain_text()
{
    QFETCH(QString, markup);
    QFETCH(bool, plain);

    QTemporaryDir dir;
    const QString fifo = dir.filePath("fifo");
    QCOMPARE(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString id = markup.contains("%1") ? markup.arg(fifo) : markup;

    shown_tree t;
    QVERIFY(t.exposed());
    QStandardItem* node = t.add_session_with("s", {id})->child(0);
    const QPoint at = t.centre_of(node);
    QHelpEvent hover(QEvent::ToolTip, at, t.tree.viewport()->mapToGlobal(at));
    QApplication::sendEvent(t.tree.viewport(), &hover);

    const QString tip = QStringLiteral("id : box") + id;
    QTRY_VERIFY(QToolTip::isVisible());
    QCOMPARE(QToolTip::text(), plain ? Qt::convertFromPlainText(tip) : tip);
    QToolTip::hideText();
}

void tst_browser::resource_images_load_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QSize>("size");

    QTest::newRow("texture") << ":/textures/image/t1.jpg" << QSize(114, 118);
    QTest::newRow("root icon") << ":/liste/image/root.png" << QSize(16, 16);
    QTest::newRow("session icon") << ":/liste/image/boxs.png" << QSize(16, 16);
    QTest::newRow("box icon") << ":/liste/image/box.png" << QSize(16, 16);
}

void tst_browser::resource_images_load()
{
    QFETCH(QString, path);
    QFETCH(QSize, size);

    QImage image;
    QVERIFY(image.load(path));
    QCOMPARE(image.size(), size);
    QVERIFY(!image.hasAlphaChannel());
    QVERIFY(!image.isGrayscale());
    QVERIFY(!QIcon(path).isNull());
}

void tst_browser::tree_icons_differ_data()
{
    QTest::addColumn<QString>("one");
    QTest::addColumn<QString>("other");

    QTest::newRow("root and session") << ":/liste/image/root.png" << ":/liste/image/boxs.png";
    QTest::newRow("root and box") << ":/liste/image/root.png" << ":/liste/image/box.png";
    QTest::newRow("session and box") << ":/liste/image/boxs.png" << ":/liste/image/box.png";
}

void tst_browser::tree_icons_differ()
{
    QFETCH(QString, one);
    QFETCH(QString, other);

    const QImage first = resource_image(one);
    const QImage second = resource_image(other);
    QVERIFY(!first.isNull() && !second.isNull());
    QVERIFY(first != second);
}

namespace {

// Overlaps of several depths (one of 12 cells, past 9 as a number, not as text), boxes outside
// by different distances, and a count of faults left out.
std::unique_ptr<session> faults_of_depths()
{
    auto s = std::make_unique<session>();
    s->container = std::make_unique<dimension>(100, 100, 100);
    for (int i = 0; i < 8; ++i) {
        auto b = std::make_unique<box>(position(i * 10, 0, 0), dimension(10 + i, 10, 10));
        b->id = QStringLiteral("b%1").arg(i);
        s->boxes.push_back(std::move(b));
    }
    s->boxes[7]->position.px = 95;
    const auto overlap = [&](int index, int other, cell_range c) {
        packing_fault f;
        f.what = packing_fault::kind::collision;
        f.index = index;
        f.id = s->boxes[std::size_t(index)]->id;
        f.other_index = other;
        f.other_id = s->boxes[std::size_t(other)]->id;
        f.shared = c;
        s->faults.push_back(f);
    };
    overlap(1, 0, {8, 10, 0, 10, 0, 10});
    overlap(2, 1, {0, 12, 0, 12, 0, 12});
    overlap(3, 2, {0, 9, 0, 9, 0, 9});
    packing_fault out;
    out.what = packing_fault::kind::outside;
    out.index = 7;
    out.id = QStringLiteral("b7");
    out.axes = 1;
    s->faults.push_back(out);
    return s;
}

}  // namespace

void tst_browser::fault_table_sorts_every_column_data()
{
    QTest::addColumn<int>("column");
    for (int column = 0; column < fault_model::columns; ++column)
        QTest::newRow(qPrintable(QStringLiteral("column %1").arg(column))) << column;
}

// Each column sorts both ways by its numbers as numbers (texts as texts), ties in file order;
// the row of faults left out stays last; the table opens on the deepest overlap.
void tst_browser::fault_table_sorts_every_column()
{
    QFETCH(int, column);
    const auto s = faults_of_depths();
    fault_model model;
    model.show_faults(s.get(), 5);
    fault_sort_model sorted;
    sorted.setSourceModel(&model);
    QCOMPARE(sorted.rowCount(), 5);
    sorted.sort(fault_model::depth, Qt::DescendingOrder);
    QCOMPARE(sorted.index(0, fault_model::box).data().toString(), QString("b2"));
    QCOMPARE(sorted.index(0, fault_model::depth).data().toString(), QString("12"));

    for (Qt::SortOrder order : {Qt::AscendingOrder, Qt::DescendingOrder}) {
        sorted.sort(column, order);
        QVERIFY(sorted.index(4, 0).data(fault_model::left_out_role).toBool());
        QCOMPARE(sorted.index(4, 0).data().toString(), QString("... et 5 autres defauts"));
        for (int row = 0; row + 1 < 4; ++row) {
            const QVariant a = sorted.index(row, column).data(fault_model::sort_role);
            const QVariant b = sorted.index(row + 1, column).data(fault_model::sort_role);
            if (column == fault_model::depth)
                continue;  // grouped by kind first, checked above
            const bool in_order =
                !a.isValid() || !b.isValid() || a == b
                || (a.type() == QVariant::String ? (a.toString() < b.toString())
                                                 : (a.toLongLong() < b.toLongLong()))
                       == (order == Qt::AscendingOrder);
            QVERIFY2(in_order, qPrintable(a.toString() + " then " + b.toString()));
        }
    }
}

QTEST_MAIN(tst_browser)
#include "tst_browser.moc"
