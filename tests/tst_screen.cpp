#include "app/debug_stream.h"
#include "app/mainwindow.h"
#include "browser/fault_model.h"
#include "tests/screen_copy.h"
#include "view3d/gl_widget.h"

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QFileDialog>
#include <QTemporaryDir>
#include <QTimer>
#include <QHeaderView>
#include <QTableView>
#include <QTreeView>
#include <QtTest>

#include <functional>
#include <iostream>

namespace {

const char* const view_names[] = {"widget_opengl", "widget_gl_axe_x", "widget_gl_axe_y",
                                  "widget_gl_axe_z"};

// A blue pillar with a red block on top of it: a pick, a move along the pillar and a step off
// it that makes the block fall.
const char* const pillar_session =
    "<qarvel name=\"pillar\"><container length=\"20\" width=\"10\" height=\"20\"/><param/>"
    "<boxs number=\"2\">"
    "<box id=\"pied\" length=\"2\" width=\"2\" height=\"6\" px=\"0\" py=\"0\" pz=\"0\" color=\"3\"/>"
    "<box id=\"haut\" length=\"1\" width=\"2\" height=\"3\" px=\"1\" py=\"6\" pz=\"0\" color=\"2\"/>"
    "</boxs></qarvel>";

const char* const wide_session =
    "<qarvel name=\"wide\"><container length=\"10\" width=\"8\" height=\"6\"/><param/>"
    "<boxs number=\"2\">"
    "<box id=\"1\" length=\"4\" width=\"8\" height=\"3\" px=\"0\" py=\"0\" pz=\"0\" color=\"2\"/>"
    "<box id=\"2\" length=\"6\" width=\"8\" height=\"3\" px=\"4\" py=\"0\" pz=\"0\" color=\"5\"/>"
    "</boxs></qarvel>";

// Two boxes sharing a block of cells, opened for inspection.
const char* const overlap_session =
    "<qarvel name=\"one_a\"><container length=\"10\" width=\"10\" height=\"10\"/><boxs number=\"2\">"
    "<box id=\"a\" length=\"4\" width=\"4\" height=\"4\" px=\"0\" py=\"0\" pz=\"0\" color=\"4\"/>"
    "<box id=\"b\" length=\"4\" width=\"4\" height=\"4\" px=\"2\" py=\"0\" pz=\"2\" color=\"5\"/>"
    "</boxs></qarvel>";

// The second box sticks out of the container.
const char* const outside_session =
    "<qarvel name=\"one_b\"><container length=\"10\" width=\"10\" height=\"10\"/><boxs number=\"2\">"
    "<box id=\"a\" length=\"4\" width=\"4\" height=\"4\" px=\"0\" py=\"0\" pz=\"0\" color=\"4\"/>"
    "<box id=\"b\" length=\"4\" width=\"4\" height=\"4\" px=\"9\" py=\"0\" pz=\"4\" color=\"5\"/>"
    "</boxs></qarvel>";

bool write_file(const QString& path, const char* text)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(text) > 0;
}

// The frame pixel (logical) of the first pure red pixel: the top block of the pillar.
QPoint red_pixel(gl_widget& view)
{
    const QImage frame = screen_copy::fresh_frame(view);
    const qreal ratio = view.devicePixelRatioF();
    for (int y = 0; y < frame.height(); ++y)
        for (int x = 0; x < frame.width(); ++x) {
            const QRgb p = frame.pixel(x, y);
            if (qRed(p) > 60 && qGreen(p) == 0 && qBlue(p) == 0)
                return QPoint(int(x / ratio), int(y / ratio));
        }
    return QPoint(-1, -1);
}

struct window_under_test {
    QTemporaryDir dir;
    MainWindow window;
    debug_stream redirect{std::cout, window.output_pane()};

    window_under_test()
    {
        // Small enough for the screen at every scale, so that no view lies off it.
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        window.resize(screen.width() * 3 / 4, screen.height() * 3 / 4);
        window.move(screen.topLeft());
    }

    QString file(const char* name, const char* text)
    {
        const QString path = dir.filePath(QString::fromLatin1(name));
        return write_file(path, text) ? path : QString();
    }

    gl_widget* view(const char* name) { return window.findChild<gl_widget*>(name); }

    void inspect(const char* name, const char* text)
    {
        QVERIFY(window.inspect_session(file(name, text)));
    }

    // A click on the fault list's row, as a person chooses a fault.
    void choose_fault_row(int row)
    {
        auto* list = window.findChild<QAbstractItemView*>("liste_defauts");
        QVERIFY(list);
        const QModelIndex index = list->model()->index(row, 0);
        list->scrollTo(index);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier,
                          list->visualRect(index).center());
    }

    void show()
    {
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
    }

    // Through the open command and its dialog, as a person would.
    void open_from_menu(const QString& path)
    {
        QTimer answer;
        QObject::connect(&answer, &QTimer::timeout, [&] {
            if (auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget())) {
                answer.stop();
                dialog->selectFile(path);
                static_cast<QDialog*>(dialog)->accept();
            }
        });
        answer.start(10);
        window.findChild<QAction*>("action_ouvrir_un_fichier")->trigger();
    }

    void pick_red_block()
    {
        gl_widget* main_view = view("widget_opengl");
        const QPoint at = red_pixel(*main_view);
        QVERIFY(at.x() >= 0);
        QTest::mouseClick(main_view, Qt::LeftButton, Qt::NoModifier, at);
    }

    void key(Qt::Key k) { QTest::keyClick(view("widget_opengl"), k); }

    void click_tree_node(const QString& text)
    {
        auto* tree = window.findChild<QTreeView*>("treeView");
        const QModelIndexList found = tree->model()->match(
            tree->model()->index(0, 0), Qt::DisplayRole, text, 1, Qt::MatchRecursive);
        QVERIFY(!found.isEmpty());
        tree->scrollTo(found.first());
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, Qt::NoModifier,
                          tree->visualRect(found.first()).center());
    }
};

using steps = std::function<void(window_under_test&)>;

}  // namespace

Q_DECLARE_METATYPE(steps)

// Each view's window on the X server must hold the whole frame the view draws of its scene, on
// the first frame that shows and after every change, whole frames and partly redrawn ones alike.
class tst_screen : public QObject {
    Q_OBJECT

private:
    void compare_view_with_screen(gl_widget& view, const char* after)
    {
        screen_copy::let_paints_run();
        const QImage seen = screen_copy::of(view);
        const QImage drawn = screen_copy::whole_frame(view);
        const int differing = screen_copy::differing_pixels(seen, drawn);
        QVERIFY2(differing == 0, qPrintable(QStringLiteral("%1 view %2: %3 pixels differ")
                                                .arg(after)
                                                .arg(view.view_mode())
                                                .arg(differing)));
    }

private slots:
    void views_show_their_frame_data();
    void views_show_their_frame();
    void about_window_shows_its_frame();
    void chosen_fault_is_framed_and_shown();
};

void tst_screen::views_show_their_frame_data()
{
    QTest::addColumn<steps>("actions");
    QTest::newRow("start, no session") << steps([](window_under_test& w) { w.show(); });
    QTest::newRow("start, file named on the command line") << steps([](window_under_test& w) {
        // As at start-up: the load comes before the window is on screen.
        w.window.setVisible(true);
        QVERIFY(w.window.load_session(w.file("pillar.qrv", pillar_session)));
        QVERIFY(QTest::qWaitForWindowExposed(&w.window));
    });
    QTest::newRow("load from the menu") << steps([](window_under_test& w) {
        w.show();
        screen_copy::let_paints_run();
        w.open_from_menu(w.file("pillar.qrv", pillar_session));
    });
    QTest::newRow("second session") << steps([](window_under_test& w) {
        w.show();
        QVERIFY(w.window.load_session(w.file("pillar.qrv", pillar_session)));
        screen_copy::let_paints_run();
        QVERIFY(w.window.load_session(w.file("wide.qrv", wide_session)));
    });
    QTest::newRow("resize") << steps([](window_under_test& w) {
        w.show();
        QVERIFY(w.window.load_session(w.file("pillar.qrv", pillar_session)));
        screen_copy::let_paints_run();
        w.window.resize(w.window.width() - 90, w.window.height() - 70);
    });
    QTest::newRow("pick") << steps([](window_under_test& w) {
        w.show();
        QVERIFY(w.window.load_session(w.file("pillar.qrv", pillar_session)));
        screen_copy::let_paints_run();
        w.pick_red_block();
    });
    QTest::newRow("move") << steps([](window_under_test& w) {
        w.show();
        QVERIFY(w.window.load_session(w.file("pillar.qrv", pillar_session)));
        screen_copy::let_paints_run();
        w.pick_red_block();
        screen_copy::let_paints_run();
        w.key(Qt::Key_Down);
    });
    QTest::newRow("fall") << steps([](window_under_test& w) {
        w.show();
        QVERIFY(w.window.load_session(w.file("pillar.qrv", pillar_session)));
        screen_copy::let_paints_run();
        w.pick_red_block();
        screen_copy::let_paints_run();
        w.key(Qt::Key_Right);
    });
    QTest::newRow("tree click") << steps([](window_under_test& w) {
        w.show();
        QVERIFY(w.window.load_session(w.file("pillar.qrv", pillar_session)));
        screen_copy::let_paints_run();
        w.click_tree_node(QStringLiteral("boxpied"));
    });
    QTest::newRow("tree click in an inspection") << steps([](window_under_test& w) {
        w.show();
        w.inspect("one_a.qrv", overlap_session);
        screen_copy::let_paints_run();
        w.click_tree_node(QStringLiteral("boxa"));
    });
    QTest::newRow("fault row of the box picked in the tree") << steps([](window_under_test& w) {
        w.show();
        w.inspect("one_b.qrv", outside_session);
        screen_copy::let_paints_run();
        w.click_tree_node(QStringLiteral("boxb"));
        screen_copy::let_paints_run();
        w.choose_fault_row(0);
    });
}

void tst_screen::views_show_their_frame()
{
    QFETCH(steps, actions);
    window_under_test w;
    actions(w);
    if (QTest::currentTestFailed())
        return;
    for (const char* name : view_names)
        compare_view_with_screen(*w.view(name), QTest::currentDataTag());
}

// The about command's view is a window of its own, shown at once and then full screen.
void tst_screen::about_window_shows_its_frame()
{
    window_under_test w;
    w.show();
    w.window.findChild<QAction*>("action_propose")->trigger();
    gl_widget* about = nullptr;
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (auto* view = qobject_cast<gl_widget*>(widget))
            about = view;
    QVERIFY(about);
    QVERIFY(QTest::qWaitForWindowExposed(about));
    compare_view_with_screen(*about, "about window");
    QTest::keyClick(about, Qt::Key_F2);
    compare_view_with_screen(*about, "about window, full screen");
    about->close();
}

namespace {

// A row of cartons in a 40-ft container in millimetres, every other pair overlapping by 200 mm,
// and in the middle a pair that overlaps by 3 mm, behind the others from the start's eye.
QByteArray carton_row()
{
    QByteArray xml = "<qarvel name=\"row\"><container length=\"12032\" width=\"2352\" "
                     "height=\"2698\"/><boxs number=\"20\">";
    for (int i = 0; i < 20; ++i) {
        const int px = i * 600 - (i % 2 ? 200 : 0) - (i == 11 ? -197 : 0);
        xml += QStringLiteral("<box id=\"P1%1\" length=\"600\" width=\"400\" height=\"400\" "
                              "px=\"%2\" py=\"0\" pz=\"%3\" color=\"2\"/>")
                   .arg(i, 2, 10, QLatin1Char('0')).arg(px).arg(i == 10 || i == 11 ? 0 : 1200)
                   .toLatin1();
    }
    return xml + "</boxs></qarvel>";
}

}  // namespace

// At the window's first size, choosing the row of a 3-mm overlap turns the main view to it: its
// two boxes' white edges fill a good part of the view around its middle, with the shared block
// in magenta, a few pixels across at least, among them; "Vue d'ensemble" shows the whole
// packing again.
void tst_screen::chosen_fault_is_framed_and_shown()
{
    window_under_test w;
    w.window.resize(843, 609);
    w.show();
    const QByteArray row = carton_row();
    w.inspect("row.qrv", row.constData());
    screen_copy::let_paints_run();
    auto* list = w.window.findChild<QAbstractItemView*>("liste_defauts");
    QVERIFY(list);
    int tiny = -1;
    for (int r = 0; r < list->model()->rowCount(); ++r)
        if (list->model()->index(r, 0).data(Qt::ToolTipRole).toString().contains("[boite P111]"))
            tiny = r;
    QVERIFY(tiny >= 0);
    // Readable at this size: every column of the table whole in its viewport, and every box
    // node of the tree wide enough for its icon and its text.
    auto* table = w.window.findChild<QTableView*>("liste_defauts");
    QHeaderView* header = table->horizontalHeader();
    for (int column = 0; column < header->count(); ++column) {
        QVERIFY(header->sectionSize(column)
                >= static_cast<QAbstractItemView*>(table)->sizeHintForColumn(column));
        QVERIFY(header->sectionViewportPosition(column) + header->sectionSize(column)
                <= table->viewport()->width());
    }
    auto* tree = w.window.findChild<QTreeView*>("treeView");
    const QModelIndex session_node = tree->model()->index(0, 0, tree->model()->index(0, 0));
    for (int r = 0; r < tree->model()->rowCount(session_node); ++r) {
        const QModelIndex node = tree->model()->index(r, 0, session_node);
        const int needed = tree->sizeHintForIndex(node).width();
        QVERIFY2(tree->visualRect(node).width() >= needed, qPrintable(node.data().toString()));
    }
    w.choose_fault_row(tiny);
    gl_widget* main_view = w.view("widget_opengl");
    QVERIFY(main_view->is_framed());
    compare_view_with_screen(*main_view, "fault chosen");
    const QImage seen = screen_copy::of(*main_view);
    const QRect view_area = seen.rect();
    const QRect edges = screen_copy::bounds_of_colour(seen, view_area, qRgb(255, 255, 255));
    QVERIFY(!edges.isEmpty());
    const QString where = QStringLiteral("edges %1,%2 %3x%4 in %5x%6")
                              .arg(edges.x()).arg(edges.y()).arg(edges.width())
                              .arg(edges.height()).arg(seen.width()).arg(seen.height());
    QVERIFY2(view_area.adjusted(1, 1, -1, -1).contains(edges), qPrintable(where));
    QVERIFY2(edges.height() >= seen.height() / 4, qPrintable(where));
    QVERIFY2(qAbs(edges.center().x() - seen.width() / 2) < seen.width() / 4, qPrintable(where));
    QVERIFY2(qAbs(edges.center().y() - seen.height() / 2) < seen.height() / 4, qPrintable(where));
    const QRect block = screen_copy::bounds_of_colour(seen, edges, qRgb(255, 0, 255));
    QVERIFY2(block.width() >= 3 && block.height() >= 3, qPrintable(where));

    // The arrow keys walk the table, each row chosen as it becomes current.
    const int chosen = main_view->chosen_fault();
    QTest::keyClick(list, tiny > 0 ? Qt::Key_Up : Qt::Key_Down);
    QVERIFY(main_view->chosen_fault() != chosen);
    QCOMPARE(main_view->chosen_fault(), list->currentIndex().data(fault_model::fault_role).toInt());

    w.window.findChild<QAction*>("action_vue_d_ensemble")->trigger();
    QVERIFY(!main_view->is_framed());
    compare_view_with_screen(*main_view, "whole packing again");
}

QTEST_MAIN(tst_screen)
#include "tst_screen.moc"
