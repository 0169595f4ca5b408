#include "app/box_description.h"
#include "app/debug_stream.h"
#include "app/mainwindow.h"
#include "browser/liste_boite.h"
#include "model/session.h"
#include "model/support_checks.h"
#include "tests/screen_copy.h"
#include "view3d/gl_widget.h"

#include <QDockWidget>
#include <QFile>
#include <QTableView>
#include <QRandomGenerator>
#include <QStandardItem>
#include <QTemporaryDir>
#include <QTextEdit>
#include <QXmlStreamWriter>
#include <QtTest>

#include <iostream>
#include <vector>

namespace {

// One "box" element of a session file, attributes as written in the file.
struct file_box {
    QString id;
    int length, width, height;
    int px, py, pz;
    int color;
};

struct file_container {
    int length, width, height;
};

using box_list = QVector<file_box>;

}  // namespace

Q_DECLARE_METATYPE(file_box)
Q_DECLARE_METATYPE(file_container)

namespace {

QString where(const box& b)
{
    return QStringLiteral("%1,%2,%3").arg(b.position.px).arg(b.position.py).arg(b.position.pz);
}

QStringList positions_of(const session& s)
{
    QStringList out;
    for (const auto& b : s.boxes)
        out << where(*b);
    return out;
}

QStringList taken_cells(const session& s)
{
    const occupancy_grid& grid = *s.grid;
    QStringList out;
    for (int x = 0; x < grid.length(); ++x)
        for (int z = 0; z < grid.width(); ++z)
            for (int y = 0; y < grid.height(); ++y)
                if (grid.cell(x, z, y))
                    out << QStringLiteral("%1,%2,%3").arg(x).arg(z).arg(y);
    return out;
}

// Empty when every box lies in the container, no two boxes share a cell and the grid holds
// exactly the cells the boxes cover; otherwise the first fault found.
QString grid_fault(const session& s)
{
    const int length = s.container->length();
    const int width = s.container->width();
    const int height = s.container->height();
    std::vector<int> cover(std::size_t(length) * width * height, 0);
    const auto cell = [&](int x, int z, int y) -> int& {
        return cover[(std::size_t(x) * width + z) * height + y];
    };
    for (const auto& b : s.boxes) {
        const position& p = b->position;
        const dimension& d = b->dimension;
        if (p.px < 0 || p.py < 0 || p.pz < 0 || p.px + d.length() > length
            || p.pz + d.width() > width || p.py + d.height() > height)
            return QStringLiteral("box %1 at %2 leaves the container").arg(b->id, where(*b));
        for (int x = p.px; x < p.px + d.length(); ++x)
            for (int z = p.pz; z < p.pz + d.width(); ++z)
                for (int y = p.py; y < p.py + d.height(); ++y)
                    if (++cell(x, z, y) > 1)
                        return QStringLiteral("two boxes share cell %1,%2,%3 (box %4)")
                            .arg(x).arg(z).arg(y).arg(b->id);
    }
    for (int x = 0; x < length; ++x)
        for (int z = 0; z < width; ++z)
            for (int y = 0; y < height; ++y)
                if (s.grid->cell(x, z, y) != (cell(x, z, y) == 1))
                    return QStringLiteral("grid cell %1,%2,%3 is %4")
                        .arg(x).arg(z).arg(y)
                        .arg(s.grid->cell(x, z, y) ? "taken, no box" : "free under a box");
    return {};
}

// Empty when every box rests on the floor or on a taken cell right beneath it.
QString unsupported_box(const session& s)
{
    for (const auto& b : s.boxes) {
        const position& p = b->position;
        if (p.py == 0)
            continue;
        bool supported = false;
        for (int x = p.px; x < p.px + b->dimension.length(); ++x)
            for (int z = p.pz; z < p.pz + b->dimension.width(); ++z)
                supported = supported || s.grid->cell(x, z, p.py - 1);
        if (!supported)
            return QStringLiteral("box %1 floats at %2").arg(b->id, where(*b));
    }
    return {};
}

// The line under a heading of the pane ("Position :"), without its blanks.
QString pane_line_after(const QTextEdit* pane, const QString& heading)
{
    const QStringList lines = pane->toPlainText().split('\n');
    for (int at = 0; at + 1 < lines.size(); ++at)
        if (lines[at].trimmed() == heading)
            return lines[at + 1].trimmed();
    return {};
}

// The pane's last lines for a box on the floor.
const QStringList on_the_floor{"Appui :", "au sol, centre soutenu", ""};

// The pane's lines, without the blanks around them.
QStringList pane_lines(const QTextEdit* pane)
{
    QStringList lines = pane->toPlainText().split('\n');
    for (QString& line : lines)
        line = line.trimmed();
    return lines;
}

// A shown main window, its output kept in its own pane, and session files written on demand.
class packing_window {
public:
    packing_window() : redirect(std::cout, window.output_pane())
    {
        window.resize(900, 650);
        window.show();
    }

    bool exposed() { return QTest::qWaitForWindowExposed(&window); }
    MainWindow& main_window() { return window; }

    session* load(const file_container& container, const box_list& boxes,
                  const QString& name = QStringLiteral("essai"))
    {
        const QString path = dir.filePath(QStringLiteral("s%1.qrv").arg(files_written++));
        if (!write_session(path, name, container, boxes) || !window.load_session(path))
            return nullptr;
        return window.registered_sessions().back().get();
    }

    gl_widget* view(const char* name) const { return window.findChild<gl_widget*>(name); }
    gl_widget* main_view() const { return view("widget_opengl"); }
    QList<gl_widget*> axis_views() const
    {
        return {view("widget_gl_axe_x"), view("widget_gl_axe_y"), view("widget_gl_axe_z")};
    }
    liste_boite* tree() const { return window.findChild<liste_boite*>("treeView"); }
    QTextEdit* pane() const { return window.findChild<QTextEdit*>("zone_info_boite"); }
    QDockWidget* dock() const { return window.findChild<QDockWidget*>("frame_left_down"); }

    // What a pick of box index does: the view takes it as its highlight, then reports it.
    void pick(int index)
    {
        main_view()->set_highlighted_box(index);
        QMetaObject::invokeMethod(main_view(), "box_selected", Q_ARG(int, index + 1));
    }

    void highlight_for_keys(int index)
    {
        main_view()->set_highlighted_box(index);
        main_view()->setFocus();
    }

    void click_tree_node(QStandardItem* item)
    {
        liste_boite* t = tree();
        t->scrollTo(item->index());
        QTest::mouseClick(t->viewport(), Qt::LeftButton, Qt::NoModifier,
                          t->visualRect(item->index()).center());
    }

private:
    static bool write_session(const QString& path, const QString& name,
                              const file_container& container, const box_list& boxes)
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly))
            return false;
        QXmlStreamWriter xml(&file);
        xml.writeStartElement("qarvel");
        xml.writeAttribute("name", name);
        xml.writeEmptyElement("container");
        xml.writeAttribute("length", QString::number(container.length));
        xml.writeAttribute("width", QString::number(container.width));
        xml.writeAttribute("height", QString::number(container.height));
        xml.writeEmptyElement("param");
        xml.writeStartElement("boxs");
        xml.writeAttribute("number", QString::number(boxes.size()));
        for (const file_box& b : boxes) {
            xml.writeEmptyElement("box");
            xml.writeAttribute("id", b.id);
            xml.writeAttribute("length", QString::number(b.length));
            xml.writeAttribute("width", QString::number(b.width));
            xml.writeAttribute("height", QString::number(b.height));
            xml.writeAttribute("px", QString::number(b.px));
            xml.writeAttribute("py", QString::number(b.py));
            xml.writeAttribute("pz", QString::number(b.pz));
            xml.writeAttribute("color", QString::number(b.color));
        }
        xml.writeEndElement();
        xml.writeEndElement();
        return !xml.hasError();
    }

    QTemporaryDir dir;
    int files_written = 0;
    MainWindow window;
    debug_stream redirect;
};

const QString swatch_spaces = QStringLiteral(
    "&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;");

}  // namespace

class tst_moving : public QObject {
    Q_OBJECT

private slots:
    void arrow_moves_the_highlighted_box_data();
    void arrow_moves_the_highlighted_box();
    void refused_move_changes_nothing_data();
    void refused_move_changes_nothing();
    void box_falls_when_it_leaves_its_support_data();
    void box_falls_when_it_leaves_its_support();
    void floating_box_falls_at_the_first_move_data();
    void floating_box_falls_at_the_first_move();
    void arrows_ignored_data();
    void arrows_ignored();
    void extreme_sizes_move_in_one_key_data();
    void extreme_sizes_move_in_one_key();
    void random_moves_keep_the_grid_exact_data();
    void random_moves_keep_the_grid_exact();

    void description_of_box_data();
    void description_of_box();
    void pick_shows_the_box_data();
    void pick_shows_the_box();
    void tree_click_shows_the_first_box_of_its_id_data();
    void tree_click_shows_the_first_box_of_its_id();
    void tree_click_on_a_session_not_shown();
    void closed_dock_reopens_on_tree_click_only();
    void support_faults_follow_moves();
};

void tst_moving::arrow_moves_the_highlighted_box_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("moved_to");

    QTest::newRow("left lowers x") << int(Qt::Key_Left) << "0,0,2";
    QTest::newRow("right raises x") << int(Qt::Key_Right) << "2,0,2";
    QTest::newRow("up lowers z") << int(Qt::Key_Up) << "1,0,1";
    QTest::newRow("down raises z") << int(Qt::Key_Down) << "1,0,3";
}

void tst_moving::arrow_moves_the_highlighted_box()
{
    QFETCH(int, key);
    QFETCH(QString, moved_to);

    packing_window w;
    QVERIFY(w.exposed());
    session* s = w.load({5, 5, 5}, {{"autre", 1, 1, 1, 4, 0, 4, 1}, {"m", 2, 1, 3, 1, 0, 2, 2}});
    QVERIFY(s);
    w.highlight_for_keys(1);
    QSignalSpy reported(w.main_view(), &gl_widget::box_selected);

    QTest::keyClick(w.main_view(), Qt::Key(key));

    QCOMPARE(positions_of(*s), (QStringList{"4,0,4", moved_to}));
    QCOMPARE(grid_fault(*s), QString());
    QCOMPARE(reported.count(), 1);
    QCOMPARE(reported.at(0).at(0).toInt(), 2);
    QCOMPARE(pane_line_after(w.pane(), "Position :"), moved_to.split(',').join(", "));
    for (gl_widget* axis_view : w.axis_views())
        QCOMPARE(axis_view->highlighted_box(), 1);
}

void tst_moving::refused_move_changes_nothing_data()
{
    QTest::addColumn<file_container>("container");
    QTest::addColumn<box_list>("boxes");
    QTest::addColumn<int>("key");

    const file_container c{4, 4, 4};
    const box_list alone_at_corner{{"m", 1, 1, 1, 0, 0, 0, 0}};
    const box_list alone_at_far_corner{{"m", 2, 3, 1, 2, 0, 1, 0}};
    QTest::newRow("left at the x = 0 wall") << c << alone_at_corner << int(Qt::Key_Left);
    QTest::newRow("up at the z = 0 wall") << c << alone_at_corner << int(Qt::Key_Up);
    QTest::newRow("right at the far x wall") << c << alone_at_far_corner << int(Qt::Key_Right);
    QTest::newRow("down at the far z wall") << c << alone_at_far_corner << int(Qt::Key_Down);
    QTest::newRow("right against a box")
        << c << box_list{{"m", 1, 2, 1, 0, 0, 0, 0}, {"voisin", 1, 2, 1, 1, 0, 0, 0}}
        << int(Qt::Key_Right);
    QTest::newRow("left with one cell of the layer taken")
        << c << box_list{{"m", 1, 2, 2, 1, 0, 0, 0}, {"coin", 1, 1, 1, 0, 0, 1, 0}}
        << int(Qt::Key_Left);
    QTest::newRow("down with the last cell of the layer taken")
        << c
        << box_list{{"m", 2, 1, 1, 0, 1, 0, 0}, {"base", 2, 1, 1, 0, 0, 0, 0},
                    {"socle", 1, 1, 1, 1, 0, 1, 0}, {"haut", 1, 1, 1, 1, 1, 1, 0}}
        << int(Qt::Key_Down);
}

void tst_moving::refused_move_changes_nothing()
{
    QFETCH(file_container, container);
    QFETCH(box_list, boxes);
    QFETCH(int, key);

    packing_window w;
    QVERIFY(w.exposed());
    session* s = w.load(container, boxes);
    QVERIFY(s);
    w.highlight_for_keys(0);
    const QStringList positions_before = positions_of(*s);
    const QStringList cells_before = taken_cells(*s);
    QSignalSpy reported(w.main_view(), &gl_widget::box_selected);

    QTest::keyClick(w.main_view(), Qt::Key(key));

    QCOMPARE(positions_of(*s), positions_before);
    QCOMPARE(taken_cells(*s), cells_before);
    QCOMPARE(reported.count(), 0);
}

void tst_moving::box_falls_when_it_leaves_its_support_data()
{
    QTest::addColumn<file_container>("container");
    QTest::addColumn<box_list>("boxes");
    QTest::addColumn<int>("highlighted");
    QTest::addColumn<int>("key");
    QTest::addColumn<QStringList>("positions_after");
    QTest::addColumn<int>("reports");

    QTest::newRow("to the floor")
        << file_container{4, 2, 4}
        << box_list{{"bas", 1, 1, 1, 0, 0, 0, 0}, {"haut", 1, 1, 1, 0, 1, 0, 0}} << 1
        << int(Qt::Key_Right) << QStringList{"0,0,0", "1,0,0"} << 2;
    QTest::newRow("onto the next box below")
        << file_container{3, 3, 5}
        << box_list{{"pilier", 1, 1, 3, 0, 0, 1, 0}, {"haut", 1, 1, 1, 0, 3, 1, 0},
                    {"socle", 1, 1, 1, 0, 0, 2, 0}}
        << 1 << int(Qt::Key_Down) << QStringList{"0,0,1", "0,1,2", "0,0,2"} << 3;
    QTest::newRow("from the top of the container")
        << file_container{2, 1, 6}
        << box_list{{"pilier", 1, 1, 5, 1, 0, 0, 0}, {"haut", 1, 1, 1, 1, 5, 0, 0}} << 1
        << int(Qt::Key_Left) << QStringList{"1,0,0", "0,0,0"} << 6;
    QTest::newRow("still resting on part of its support")
        << file_container{4, 1, 3}
        << box_list{{"bas", 1, 1, 1, 1, 0, 0, 0}, {"large", 2, 1, 1, 0, 1, 0, 0}} << 1
        << int(Qt::Key_Right) << QStringList{"1,0,0", "1,1,0"} << 1;
    QTest::newRow("the box above follows")
        << file_container{3, 1, 3}
        << box_list{{"a", 1, 1, 1, 0, 0, 0, 0}, {"b", 1, 1, 1, 0, 1, 0, 0},
                    {"c", 1, 1, 1, 0, 2, 0, 0}}
        << 1 << int(Qt::Key_Right) << QStringList{"0,0,0", "1,0,0", "0,1,0"} << 2;
    QTest::newRow("a stack of earlier boxes comes down")
        << file_container{3, 1, 4}
        << box_list{{"haut", 1, 1, 1, 0, 2, 0, 0}, {"milieu", 1, 1, 1, 0, 1, 0, 0},
                    {"bas", 1, 1, 1, 0, 0, 0, 0}}
        << 2 << int(Qt::Key_Right) << QStringList{"0,1,0", "0,0,0", "1,0,0"} << 1;
    // The earlier box falls first, through the flat one, which then rests inside it.
    QTest::newRow("a flat box caught by an earlier box falling through it")
        << file_container{2, 1, 5}
        << box_list{{"Y", 1, 1, 2, 1, 3, 0, 2}, {"X", 1, 1, 0, 0, 1, 0, 5}} << 1
        << int(Qt::Key_Right) << QStringList{"1,0,0", "1,1,0"} << 1;
}

void tst_moving::box_falls_when_it_leaves_its_support()
{
    QFETCH(file_container, container);
    QFETCH(box_list, boxes);
    QFETCH(int, highlighted);
    QFETCH(int, key);
    QFETCH(QStringList, positions_after);
    QFETCH(int, reports);

    packing_window w;
    QVERIFY(w.exposed());
    session* s = w.load(container, boxes);
    QVERIFY(s);
    w.highlight_for_keys(highlighted);
    QSignalSpy reported(w.main_view(), &gl_widget::box_selected);

    QTest::keyClick(w.main_view(), Qt::Key(key));

    QCOMPARE(positions_of(*s), positions_after);
    QCOMPARE(grid_fault(*s), QString());
    QCOMPARE(reported.count(), reports);
    for (const QList<QVariant>& report : reported)
        QCOMPARE(report.at(0).toInt(), highlighted + 1);
    QCOMPARE(pane_line_after(w.pane(), "Position :"),
             positions_after[highlighted].split(',').join(", "));
}

void tst_moving::floating_box_falls_at_the_first_move_data()
{
    QTest::addColumn<int>("highlighted");
    QTest::addColumn<int>("refused_key");
    QTest::addColumn<int>("carried_out_key");
    QTest::addColumn<QStringList>("positions_after");
    QTest::addColumn<int>("reports");

    QTest::newRow("another box floats")
        << 0 << int(Qt::Key_Up) << int(Qt::Key_Right) << QStringList{"1,0,0", "3,0,3", "2,0,2"}
        << 1;
    QTest::newRow("the highlighted box floats")
        << 1 << int(Qt::Key_Down) << int(Qt::Key_Left) << QStringList{"0,0,0", "2,0,3", "2,0,2"}
        << 3;
}

void tst_moving::floating_box_falls_at_the_first_move()
{
    QFETCH(int, highlighted);
    QFETCH(int, refused_key);
    QFETCH(int, carried_out_key);
    QFETCH(QStringList, positions_after);
    QFETCH(int, reports);

    packing_window w;
    QVERIFY(w.exposed());
    session* s = w.load({4, 4, 4}, {{"m", 1, 1, 1, 0, 0, 0, 0},
                                    {"flotte", 1, 1, 1, 3, 2, 3, 0},
                                    {"plat", 0, 1, 1, 2, 3, 2, 0}});
    QVERIFY(s);
    const QStringList as_read{"0,0,0", "3,2,3", "2,3,2"};
    QCOMPARE(positions_of(*s), as_read);
    w.highlight_for_keys(highlighted);
    QSignalSpy reported(w.main_view(), &gl_widget::box_selected);

    QTest::keyClick(w.main_view(), Qt::Key(refused_key));
    QCOMPARE(positions_of(*s), as_read);
    QTest::keyClick(w.main_view(), Qt::Key(carried_out_key));

    QCOMPARE(positions_of(*s), positions_after);
    QCOMPARE(grid_fault(*s), QString());
    QCOMPARE(unsupported_box(*s), QString());
    QCOMPARE(reported.count(), reports);
}

void tst_moving::arrows_ignored_data()
{
    QTest::addColumn<QString>("pressed_view");
    QTest::addColumn<int>("highlighted");

    QTest::newRow("in the x axis view") << "widget_gl_axe_x" << 0;
    QTest::newRow("in the z axis view") << "widget_gl_axe_z" << 0;
    QTest::newRow("no highlighted box") << "widget_opengl" << -1;
    QTest::newRow("highlight one past the boxes") << "widget_opengl" << 2;
    QTest::newRow("highlight left from a longer session") << "widget_opengl" << 40;
}

void tst_moving::arrows_ignored()
{
    QFETCH(QString, pressed_view);
    QFETCH(int, highlighted);

    packing_window w;
    QVERIFY(w.exposed());
    // A longer session first, so that a large highlight was once a real box.
    box_list longer;
    for (int i = 0; i < 41; ++i)
        longer.append({QString::number(i), 1, 1, 1, i % 5, 0, i / 5, 0});
    QVERIFY(w.load({5, 9, 2}, longer, "long"));
    session* s = w.load({4, 4, 4}, {{"m", 1, 1, 1, 1, 0, 1, 0}, {"flotte", 1, 1, 1, 3, 2, 3, 0}});
    QVERIFY(s);
    QCOMPARE(w.main_view()->current_session(), s);
    gl_widget* pressed = w.view(pressed_view.toLatin1().constData());
    w.highlight_for_keys(highlighted);
    pressed->set_highlighted_box(highlighted);
    const QStringList positions_before = positions_of(*s);
    QSignalSpy main_reports(w.main_view(), &gl_widget::box_selected);
    QSignalSpy pressed_reports(pressed, &gl_widget::box_selected);

    for (Qt::Key key : {Qt::Key_Left, Qt::Key_Right, Qt::Key_Up, Qt::Key_Down})
        QTest::keyClick(pressed, key);

    // Had any move been carried out, the floating box would have fallen too.
    QCOMPARE(positions_of(*s), positions_before);
    QCOMPARE(grid_fault(*s), QString());
    QCOMPARE(main_reports.count(), 0);
    QCOMPARE(pressed_reports.count(), 0);
}

void tst_moving::extreme_sizes_move_in_one_key_data()
{
    QTest::addColumn<file_container>("container");
    QTest::addColumn<box_list>("boxes");
    QTest::addColumn<QStringList>("positions_after");
    QTest::addColumn<int>("reports");

    QTest::newRow("the moved box falls 65000 units")
        << file_container{2, 1, 65535} << box_list{{"haut", 1, 1, 1, 0, 65000, 0, 0}}
        << QStringList{"1,0,0"} << 65001;
    QTest::newRow("a floor of 65535 x 65535 cells falls under the moved box")
        << file_container{65535, 65535, 3}
        << box_list{{"haut", 1, 1, 1, 0, 2, 0, 0}, {"sol", 65535, 65535, 1, 0, 1, 0, 0}}
        << QStringList{"1,1,0", "0,0,0"} << 2;
}

// Sizes whose cells a walk one by one would take minutes to visit.
void tst_moving::extreme_sizes_move_in_one_key()
{
    QFETCH(file_container, container);
    QFETCH(box_list, boxes);
    QFETCH(QStringList, positions_after);
    QFETCH(int, reports);

    packing_window w;
    QVERIFY(w.exposed());
    session* s = w.load(container, boxes);
    QVERIFY(s);
    w.highlight_for_keys(0);
    QSignalSpy reported(w.main_view(), &gl_widget::box_selected);

    QTest::keyClick(w.main_view(), Qt::Key_Right);

    QCOMPARE(positions_of(*s), positions_after);
    QCOMPARE(reported.count(), reports);
    QCOMPARE(pane_line_after(w.pane(), "Position :"), positions_after.front().replace(',', ", "));
}

void tst_moving::random_moves_keep_the_grid_exact_data()
{
    QTest::addColumn<quint32>("seed");
    QTest::addColumn<file_container>("container");
    QTest::addColumn<box_list>("boxes");

    const box_list stacks{{"1", 2, 1, 1, 0, 0, 0, 1}, {"2", 1, 2, 2, 0, 1, 0, 2},
                          {"3", 1, 1, 3, 3, 0, 2, 3}, {"4", 2, 2, 1, 2, 3, 1, 4},
                          {"5", 1, 1, 1, 5, 0, 3, 5}, {"6", 3, 1, 1, 2, 0, 0, 6},
                          {"7", 1, 1, 1, 0, 0, 3, 7}, {"8", 1, 1, 2, 4, 0, 3, 8}};
    QTest::newRow("stacked boxes") << 7u << file_container{6, 4, 5} << stacks;

    const box_list flat{{"sans longueur", 0, 2, 1, 1, 2, 1, 1}, {"sans largeur", 2, 0, 1, 3, 0, 3, 2},
                        {"sans hauteur", 2, 2, 0, 0, 3, 0, 3}, {"vide", 0, 0, 0, 4, 4, 4, 4},
                        {"cube", 2, 2, 2, 2, 0, 2, 5}, {"petit", 1, 1, 1, 0, 0, 4, 6},
                        {"sur le cube", 1, 1, 1, 3, 2, 3, 7}};
    QTest::newRow("boxes with an extent of 0") << 11u << file_container{5, 5, 5} << flat;
    QTest::newRow("boxes with an extent of 0, other keys")
        << 12345u << file_container{5, 5, 5} << flat;

    const box_list floating{{"a", 1, 1, 1, 0, 3, 0, 1}, {"b", 2, 1, 1, 1, 2, 1, 2},
                            {"c", 1, 2, 1, 3, 1, 2, 3}, {"d", 1, 1, 2, 2, 0, 0, 4},
                            {"e", 2, 2, 1, 0, 4, 2, 5}};
    QTest::newRow("floating boxes") << 99u << file_container{4, 4, 5} << floating;
}

void tst_moving::random_moves_keep_the_grid_exact()
{
    QFETCH(quint32, seed);
    QFETCH(file_container, container);
    QFETCH(box_list, boxes);

    packing_window w;
    QVERIFY(w.exposed());
    session* s = w.load(container, boxes);
    QVERIFY(s);
    QCOMPARE(grid_fault(*s), QString());
    QSignalSpy reported(w.main_view(), &gl_widget::box_selected);
    QRandomGenerator random(seed);
    const Qt::Key keys[] = {Qt::Key_Left, Qt::Key_Right, Qt::Key_Up, Qt::Key_Down};
    const int box_count = boxes.size();

    for (int press = 0; press < 600; ++press) {
        if (press % 7 == 0)
            w.highlight_for_keys(random.bounded(-1, box_count + 1));
        const Qt::Key key = keys[random.bounded(4)];
        QTest::keyClick(w.main_view(), key);

        const QByteArray step = QByteArray::number(press);
        QVERIFY2(grid_fault(*s).isEmpty(), (step + ": " + grid_fault(*s).toUtf8()).constData());
        if (!reported.isEmpty())
            QVERIFY2(unsupported_box(*s).isEmpty(),
                     (step + ": " + unsupported_box(*s).toUtf8()).constData());
    }
    QVERIFY(reported.count() > 50);
}

void tst_moving::description_of_box_data()
{
    QTest::addColumn<QString>("id");
    QTest::addColumn<QVector<int>>("extents");
    QTest::addColumn<QVector<int>>("corner");
    QTest::addColumn<int>("color");
    QTest::addColumn<QString>("html");

    const auto expected = [](const QString& first, const QString& rest) {
        return first + rest + swatch_spaces + "</span>";
    };
    QTest::newRow("plain box")
        << "7" << QVector<int>{2, 3, 4} << QVector<int>{1, 0, 2} << 3
        << expected("<b>Boite id = 7 </b><br>",
                    "Dimention : <br>&nbsp;&nbsp; 2, 3, 4<br>Position : <br>&nbsp;&nbsp; 1, 0, 2"
                    "<br>Couleur : <br>&nbsp;&nbsp;<span style='background:rgb(0,0,221);'>");
    QTest::newRow("colour 18 takes entry 2")
        << "a" << QVector<int>{1, 1, 1} << QVector<int>{0, 0, 0} << 18
        << expected("<b>Boite id = a </b><br>",
                    "Dimention : <br>&nbsp;&nbsp; 1, 1, 1<br>Position : <br>&nbsp;&nbsp; 0, 0, 0"
                    "<br>Couleur : <br>&nbsp;&nbsp;<span style='background:rgb(221,0,0);'>");
    QTest::newRow("colour -1 takes entry 15")
        << "a" << QVector<int>{1, 1, 1} << QVector<int>{0, 0, 0} << -1
        << expected("<b>Boite id = a </b><br>",
                    "Dimention : <br>&nbsp;&nbsp; 1, 1, 1<br>Position : <br>&nbsp;&nbsp; 0, 0, 0"
                    "<br>Couleur : <br>&nbsp;&nbsp;<span style='background:rgb(204,204,204);'>");
    QTest::newRow("colour -18 takes entry 14")
        << "a" << QVector<int>{1, 1, 1} << QVector<int>{0, 0, 0} << -18
        << expected("<b>Boite id = a </b><br>",
                    "Dimention : <br>&nbsp;&nbsp; 1, 1, 1<br>Position : <br>&nbsp;&nbsp; 0, 0, 0"
                    "<br>Couleur : <br>&nbsp;&nbsp;<span style='background:rgb(255,102,51);'>");
    QTest::newRow("length -1 reads 65535")
        << "long" << QVector<int>{-1, 65535, 65536} << QVector<int>{0, 0, 0} << 16
        << expected("<b>Boite id = long </b><br>",
                    "Dimention : <br>&nbsp;&nbsp; 65535, 65535, 0<br>Position : <br>&nbsp;&nbsp; "
                    "0, 0, 0<br>Couleur : <br>&nbsp;&nbsp;<span style='background:rgb(0,0,0);'>");
    QTest::newRow("negative position keeps its sign")
        << "bas" << QVector<int>{1, 2, 3} << QVector<int>{-3, -1, -2147483647 - 1} << 4
        << expected("<b>Boite id = bas </b><br>",
                    "Dimention : <br>&nbsp;&nbsp; 1, 2, 3<br>Position : <br>&nbsp;&nbsp; -3, -1, "
                    "-2147483648<br>Couleur : <br>&nbsp;&nbsp;"
                    "<span style='background:rgb(68,153,221);'>");
    QTest::newRow("markup in the id stays markup")
        << "<i>%1</i>" << QVector<int>{1, 1, 1} << QVector<int>{5, 6, 7} << 9
        << expected("<b>Boite id = <i>%1</i> </b><br>",
                    "Dimention : <br>&nbsp;&nbsp; 1, 1, 1<br>Position : <br>&nbsp;&nbsp; 5, 6, 7"
                    "<br>Couleur : <br>&nbsp;&nbsp;<span style='background:rgb(153,51,51);'>");
    QTest::newRow("empty id")
        << "" << QVector<int>{1, 1, 1} << QVector<int>{0, 0, 0} << 1
        << expected("<b>Boite id =  </b><br>",
                    "Dimention : <br>&nbsp;&nbsp; 1, 1, 1<br>Position : <br>&nbsp;&nbsp; 0, 0, 0"
                    "<br>Couleur : <br>&nbsp;&nbsp;<span style='background:rgb(221,221,0);'>");
}

void tst_moving::description_of_box()
{
    QFETCH(QString, id);
    QFETCH(QVector<int>, extents);
    QFETCH(QVector<int>, corner);
    QFETCH(int, color);
    QFETCH(QString, html);

    box b(position(corner[0], corner[1], corner[2]), dimension(extents[0], extents[1], extents[2]));
    b.id = id;
    b.color = color;

    QCOMPARE(box_description(b), html);
}

void tst_moving::pick_shows_the_box_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QString>("swatch");

    QTest::newRow("first box")
        << 0 << QStringList{"Boite id = 7", "Dimention :", "1, 1, 1", "Position :", "0, 0, 0",
                            "Couleur :", ""} + on_the_floor
        << "#0000dd";
    QTest::newRow("colour 18")
        << 1 << QStringList{"Boite id = rouge", "Dimention :", "1, 1, 1", "Position :",
                            "1, 0, 0", "Couleur :", ""} + on_the_floor
        << "#dd0000";
    QTest::newRow("length -1 in the file")
        << 2 << QStringList{"Boite id = long", "Dimention :", "65535, 1, 1", "Position :",
                            "0, 0, 1", "Couleur :", ""} + on_the_floor
        << "#000000";
    QTest::newRow("colour -1")
        << 3 << QStringList{"Boite id = gris", "Dimention :", "2, 1, 1", "Position :",
                            "2, 0, 0", "Couleur :", ""} + on_the_floor
        << "#cccccc";
    QTest::newRow("markup id")
        << 4 << QStringList{"Boite id = x", "Dimention :", "1, 1, 1", "Position :", "0, 0, 2",
                            "Couleur :", ""} + on_the_floor
        << "#33cccc";
}

void tst_moving::pick_shows_the_box()
{
    QFETCH(int, index);
    QFETCH(QStringList, lines);
    QFETCH(QString, swatch);

    packing_window w;
    QVERIFY(w.exposed());
    session* s = w.load({65535, 3, 2}, {{"7", 1, 1, 1, 0, 0, 0, 3},
                                        {"rouge", 1, 1, 1, 1, 0, 0, 18},
                                        {"long", -1, 1, 1, 0, 0, 1, 0},
                                        {"gris", 2, 1, 1, 2, 0, 0, -1},
                                        {"<b>x</b>", 1, 1, 1, 0, 0, 2, 7}});
    QVERIFY(s);

    w.pick(index);

    QCOMPARE(pane_lines(w.pane()), lines);
    QVERIFY(w.pane()->toHtml().contains("background-color:" + swatch));
    QCOMPARE(w.tree()->currentIndex(), s->tree_item->child(index)->index());
    QCOMPARE(w.main_view()->highlighted_box(), index);
    for (gl_widget* axis_view : w.axis_views())
        QCOMPARE(axis_view->highlighted_box(), index);
}

void tst_moving::tree_click_shows_the_first_box_of_its_id_data()
{
    QTest::addColumn<int>("clicked_row");
    QTest::addColumn<int>("shown_index");
    QTest::addColumn<QStringList>("lines");

    QTest::newRow("unique id")
        << 2 << 2
        << QStringList{"Boite id = b", "Dimention :", "1, 1, 1", "Position :", "2, 0, 0",
                       "Couleur :", ""} + on_the_floor;
    QTest::newRow("first node of a repeated id")
        << 1 << 1
        << QStringList{"Boite id = d", "Dimention :", "1, 1, 1", "Position :", "1, 0, 0",
                       "Couleur :", ""} + on_the_floor;
    QTest::newRow("second node of a repeated id")
        << 3 << 1
        << QStringList{"Boite id = d", "Dimention :", "1, 1, 1", "Position :", "1, 0, 0",
                       "Couleur :", ""} + on_the_floor;
}

void tst_moving::tree_click_shows_the_first_box_of_its_id()
{
    QFETCH(int, clicked_row);
    QFETCH(int, shown_index);
    QFETCH(QStringList, lines);

    packing_window w;
    QVERIFY(w.exposed());
    session* s = w.load({4, 4, 2}, {{"a", 1, 1, 1, 0, 0, 0, 1},
                                    {"d", 1, 1, 1, 1, 0, 0, 2},
                                    {"b", 1, 1, 1, 2, 0, 0, 3},
                                    {"d", 1, 1, 1, 3, 0, 0, 4}});
    QVERIFY(s);
    w.pick(0);

    w.click_tree_node(s->tree_item->child(clicked_row));

    QCOMPARE(pane_lines(w.pane()), lines);
    QCOMPARE(w.main_view()->highlighted_box(), shown_index);
    for (gl_widget* axis_view : w.axis_views())
        QCOMPARE(axis_view->highlighted_box(), shown_index);
}

void tst_moving::tree_click_on_a_session_not_shown()
{
    packing_window w;
    QVERIFY(w.exposed());
    session* hidden = w.load({3, 3, 3}, {{"p0", 1, 1, 1, 2, 0, 2, 5}, {"p1", 1, 1, 1, 0, 0, 0, 6}},
                             "premier");
    session* shown = w.load({3, 3, 3}, {{"s0", 1, 1, 1, 0, 0, 0, 1},
                                        {"s1", 1, 1, 1, 1, 0, 0, 2},
                                        {"s2", 1, 1, 1, 2, 0, 0, 3}},
                            "second");
    QVERIFY(hidden && shown);
    w.pick(2);

    w.click_tree_node(hidden->tree_item->child(0));

    QCOMPARE(w.main_view()->current_session(), shown);
    QCOMPARE(w.main_view()->highlighted_box(), 2);
    for (gl_widget* axis_view : w.axis_views()) {
        QCOMPARE(axis_view->current_session(), shown);
        QCOMPARE(axis_view->highlighted_box(), 2);
    }
    QCOMPARE(pane_lines(w.pane()), (QStringList{"Boite id = p0", "Dimention :", "1, 1, 1",
                                                "Position :", "2, 0, 2", "Couleur :", ""}
                                    + on_the_floor));
}

void tst_moving::closed_dock_reopens_on_tree_click_only()
{
    packing_window w;
    QVERIFY(w.exposed());
    session* s = w.load({4, 4, 2}, {{"a", 1, 1, 1, 0, 0, 0, 1}, {"b", 1, 1, 1, 2, 0, 2, 2}});
    QVERIFY(s);
    QVERIFY(w.dock()->isVisible());
    w.dock()->close();
    QVERIFY(w.dock()->isHidden());

    w.pick(1);
    QVERIFY(w.dock()->isHidden());
    QCOMPARE(pane_line_after(w.pane(), "Position :"), QStringLiteral("2, 0, 2"));

    w.highlight_for_keys(1);
    QTest::keyClick(w.main_view(), Qt::Key_Right);
    QVERIFY(w.dock()->isHidden());
    QCOMPARE(pane_line_after(w.pane(), "Position :"), QStringLiteral("3, 0, 2"));

    w.click_tree_node(s->tree_item->child(0));
    QVERIFY(w.dock()->isVisible());
    QCOMPARE(pane_line_after(w.pane(), "Position :"), QStringLiteral("0, 0, 0"));
}

bool holds_overhang_mark(const QImage& image)
{
    return !screen_copy::bounds_of_colour(image, image.rect(), qRgb(0, 255, 255)).isEmpty();
}

// With both checks set, a box resting on too little is listed as the checker words it and its
// overhang is marked on screen; it still moves, and after every move the list, the marks and
// the pane follow its new share.
void tst_moving::support_faults_follow_moves()
{
    packing_window w;
    QVERIFY(w.exposed());
    support_checks checks;
    checks.min_share = support_checks::parse_least_share("75");
    checks.centre = true;
    w.main_window().set_support_checks(checks);
    // w rests on half of c, its centre on the edge of c's top.
    session* s = w.load({20, 10, 10}, {{"c", 4, 4, 2, 0, 0, 0, 3}, {"w", 4, 4, 1, 2, 2, 0, 2}});
    QVERIFY(s);
    auto* list = w.main_window().findChild<QTableView*>("liste_defauts");
    auto* dock = w.main_window().findChild<QDockWidget*>("dock_defauts");
    const auto rows = [&] {
        QStringList shown;
        for (int row = 0; row < list->model()->rowCount(); ++row)
            shown << list->model()->index(row, 0).data(Qt::ToolTipRole).toString();
        return shown;
    };
    const auto faults_of_w = [](const QString& share, const QString& centre_x) {
        return QStringList{"Defaut: appui insuffisant [boite w] index 1, appui " + share,
                           "Defaut: centre sans appui [boite w] index 1, centre x " + centre_x
                               + ", y 2, z 2"};
    };
    QCOMPARE(rows(), faults_of_w("8/16 (50.00 %)", "4"));
    QVERIFY(dock->isVisible());
    QVERIFY(w.main_window().output_pane()->toPlainText().contains("Defauts d'appui : 2 defauts"));
    screen_copy::let_paints_run();
    for (gl_widget* view : QList<gl_widget*>{w.main_view()} + w.axis_views())
        QVERIFY(holds_overhang_mark(screen_copy::of(*view)));

    w.pick(1);
    w.highlight_for_keys(1);
    QTest::keyClick(w.main_view(), Qt::Key_Left);  // on three quarters, its centre inside
    QCOMPARE(s->boxes[1]->position.px, 1);
    QCOMPARE(rows(), QStringList());
    QVERIFY(!dock->isVisible());
    QCOMPARE(pane_line_after(w.pane(), "Appui :"), "12/16 (75.00 %), centre soutenu");
    QTest::keyClick(w.main_view(), Qt::Key_Right);
    QTest::keyClick(w.main_view(), Qt::Key_Right);  // on a quarter, its centre beyond
    QCOMPARE(rows(), faults_of_w("4/16 (25.00 %)", "5"));
    QCOMPARE(pane_line_after(w.pane(), "Appui :"), "4/16 (25.00 %), centre non soutenu");
    screen_copy::let_paints_run();
    QVERIFY(holds_overhang_mark(screen_copy::of(*w.main_view())));
}

QTEST_MAIN(tst_moving)
#include "tst_moving.moc"
