// Times the window around large sessions: start to the first frame of all four views, the
// session tree and the output pane on their own, one arrow key that drops the picked box,
// clicks that pick boxes, and faulty loads opened for inspection (100000 boxes in millimetres
// with 1000 overlaps, 10000 boxes with 10000 faults) with a row of their fault list chosen;
// "oneplace" opens BOX_COUNT boxes all in one place for inspection, alone in its process so
// that the peak memory printed is its own; "start BOX_COUNT" starts the program itself on the
// file, as a user does, and ends the process once its four views are on screen.
// Usage: bench_window [frames|start|tree|pane|key|click|longid|inspect|oneplace...] [BOX_COUNT...]
// (default: all parts but oneplace, 10000 and 100000 boxes); run under Xvfb, for example
//   xvfb-run -a -s "-screen 0 1600x1200x24" ./build/bench_window

#include "app/debug_stream.h"
#include "app/mainwindow.h"
#include "app/program.h"
#include "benchmarks/bench_files.h"
#include "browser/liste_boite.h"
#include "model/box.h"
#include "model/session.h"
#include "tests/screen_copy.h"
#include "view3d/gl_widget.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QWindow>
#include <QEvent>
#include <QFile>
#include <QHash>
#include <QAbstractItemView>
#include <QAbstractTextDocumentLayout>
#include <QRandomGenerator>
#include <QStandardItem>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>
#include <QTimer>

#include <QStringList>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <iostream>
#include <memory>

#include <sys/resource.h>
#include <unistd.h>
#include <vector>

namespace {

// A 40-foot high cube in centimetres.
constexpr int container_length = 1203;
constexpr int container_width = 235;
constexpr int container_height = 269;

// The last two boxes stand apart at the far end of the container: a support 100 high and, on
// its edge, a thin box that one step towards +x leaves hanging, so that it falls 100 units.
constexpr int tower_x = 1100;
constexpr int fall_height = 100;

// A frame that never reaches the screen is reported, not waited for.
constexpr double give_up_ms = 30000;

double ms_since(const QElapsedTimer& timer)
{
    return double(timer.nsecsElapsed()) / 1e6;
}

void write_box(QFile& file, int id, int l, int w, int h, int x, int y, int z, int color)
{
    file.write(QStringLiteral("<box id=\"%1\" length=\"%2\" width=\"%3\" height=\"%4\" px=\"%5\" "
                              "py=\"%6\" pz=\"%7\" color=\"%8\"/>\n")
                   .arg(id).arg(l).arg(w).arg(h).arg(x).arg(y).arg(z).arg(color)
                   .toLatin1());
}

// Boxes of 11 x 23 cells stacked in layers before the tower, as high as the count allows.
bool write_session(const QString& path, int box_count)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    const int columns_x = tower_x / 11;
    const int columns_z = container_width / 23;
    const int per_layer = columns_x * columns_z;
    const int stacked = box_count - 2;
    const int layers = (stacked + per_layer - 1) / per_layer;
    const int layer_height = container_height / layers;
    file.write(QStringLiteral("<?xml version=\"1.0\"?>\n<qarvel name=\"bench\">\n"
                              "<container length=\"%1\" width=\"%2\" height=\"%3\"/>\n<param/>\n"
                              "<boxs number=\"%4\">\n")
                   .arg(container_length).arg(container_width).arg(container_height)
                   .arg(box_count)
                   .toLatin1());
    QRandomGenerator random(7);
    for (int i = 0; i < stacked; ++i) {
        const int layer = i / per_layer;
        const int column = i % per_layer;
        write_box(file, i + 1, 11, 23, layer_height, (column / columns_z) * 11,
                  layer * layer_height, (column % columns_z) * 23, random.bounded(16));
    }
    write_box(file, box_count - 1, 10, 10, fall_height, tower_x, 0, 0, 3);
    write_box(file, box_count, 1, 10, 5, tower_x + 9, fall_height, 0, 5);
    file.write("</boxs>\n</qarvel>\n");
    return true;
}

// Counts the frames each watched widget draws.
class paint_counter : public QObject {
public:
    void watch(QWidget* widget)
    {
        counts.insert(widget, 0);
        widget->installEventFilter(this);
    }
    // Every view of every window, from the first paint on.
    void watch_every_view() { qApp->installEventFilter(this); }
    bool all_painted_since(const QHash<QWidget*, int>& before) const
    {
        for (auto it = counts.cbegin(); it != counts.cend(); ++it)
            if (it.value() <= before.value(it.key()))
                return false;
        return true;
    }
    QHash<QWidget*, int> counts;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        // A view draws a frame only for a paint that comes once its window is on screen.
        auto* widget = qobject_cast<gl_widget*>(watched);
        if (!widget)
            return false;
        const QWindow* top_level = widget->window()->windowHandle();
        if (event->type() == QEvent::Paint && top_level && top_level->isExposed())
            ++counts[widget];
        return false;
    }
};

// Runs the event loop until nothing is left to do: a zero timer fires only once the events
// queued before it have been handled, and a few rounds catch what those events queue.
void run_until_idle()
{
    for (int round = 0; round < 3; ++round)
        QTest::qWait(0);
    QCoreApplication::processEvents();
}

struct window_under_test {
    window_under_test() : redirect(std::cout, window.output_pane())
    {
        for (const char* name : {"widget_opengl", "widget_gl_axe_x", "widget_gl_axe_y",
                                 "widget_gl_axe_z"})
            painter.watch(window.findChild<gl_widget*>(name));
    }
    MainWindow window;
    debug_stream redirect;
    paint_counter painter;
};

QString paint_counts(const paint_counter& painter)
{
    QStringList counts;
    for (auto it = painter.counts.cbegin(); it != painter.counts.cend(); ++it)
        counts << QStringLiteral("%1 %2").arg(it.key()->objectName()).arg(it.value());
    counts.sort();
    return counts.join(QStringLiteral(", "));
}

// Milliseconds since this process started, as the kernel counts it (in its clock ticks).
double ms_since_process_start()
{
    QFile stat(QStringLiteral("/proc/self/stat"));
    QFile uptime(QStringLiteral("/proc/uptime"));
    if (!stat.open(QIODevice::ReadOnly) || !uptime.open(QIODevice::ReadOnly))
        return -1;
    // The command name, in parentheses, may hold blanks: fields are counted after it.
    const QByteArray fields = stat.readAll();
    const QList<QByteArray> after_name = fields.mid(fields.lastIndexOf(')') + 2).split(' ');
    const double start_s = after_name.value(19).toDouble() / double(sysconf(_SC_CLK_TCK));
    const double now_s = uptime.readAll().split(' ').value(0).toDouble();
    return (now_s - start_s) * 1000.0;
}

// The memory the process holds now, in MiB.
double resident_mib()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return -1;
    const double pages = statm.readAll().split(' ').value(1).toDouble();
    return pages * double(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

bool is_black(const QImage& image)
{
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) != qRgb(0, 0, 0))
                return false;
    return true;
}

// True once every view's window on the X server shows the view's last frame, and that frame
// is not the empty black of a window nothing reached.
bool all_views_on_screen(const paint_counter& painter)
{
    for (auto it = painter.counts.cbegin(); it != painter.counts.cend(); ++it) {
        auto* view = static_cast<gl_widget*>(it.key());
        const QImage drawn = screen_copy::last_frame(*view);
        if (is_black(drawn) || screen_copy::of(*view) != drawn)
            return false;
    }
    return true;
}

// Milliseconds on the timer once every view is on screen, or give_up_ms.
double wait_until_on_screen(const paint_counter& painter, const QElapsedTimer& timer)
{
    while (!all_views_on_screen(painter) && ms_since(timer) < give_up_ms)
        QTest::qWait(5);
    return ms_since(timer);
}

// As a user starts it: the program's own entry on the file (which reads the file while it
// builds the window), timed until the X server's copy of every view shows its first frame.
// Its window is the process's only one, so this runs alone in its process.
void time_program_start(const QString& path, int box_count)
{
    paint_counter painter;
    painter.watch_every_view();
    QElapsedTimer timer;
    double on_screen_ms = give_up_ms;
    double process_ms = -1;
    // Then how long the program keeps its event loop, and so a click, waiting, at most.
    constexpr double watched_after_ms = 3000;
    double last_tick_ms = 0;
    double longest_hold_ms = 0;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        const double now = ms_since(timer);
        if (on_screen_ms < give_up_ms) {
            longest_hold_ms = std::max(longest_hold_ms, now - last_tick_ms);
            last_tick_ms = now;
            if (now - on_screen_ms >= watched_after_ms) {
                poll.stop();
                for (QWidget* widget : QApplication::topLevelWidgets())
                    widget->close();
            }
            return;
        }
        const bool drawn = painter.counts.size() == 4 && painter.all_painted_since({});
        if (now < give_up_ms && !(drawn && all_views_on_screen(painter)))
            return;
        on_screen_ms = last_tick_ms = ms_since(timer);
        process_ms = ms_since_process_start();
    });
    poll.start(5);
    QByteArray program("packview");
    QByteArray file = QFile::encodeName(path);
    char* arguments[] = {program.data(), file.data(), nullptr};
    timer.start();
    run_program(2, arguments);
    std::printf("%6d boxes: program entry to all four views on screen %8.1f ms (%.0f ms since "
                "the process started)%s; then the event loop held for at most %.0f ms\n",
                box_count, on_screen_ms, process_ms,
                on_screen_ms < give_up_ms ? "" : "  (NOT ON SCREEN)", longest_hold_ms);
}

// As the entry point does it: window, redirection, show, load; then the first frames, timed
// until the X server's copy of every view shows them.
void time_first_frames(const QString& path, int box_count)
{
    QElapsedTimer timer;
    timer.start();
    window_under_test w;
    w.window.setVisible(true);
    const bool loaded = w.window.load_session(path);
    const double load_ms = ms_since(timer);
    while (!w.painter.all_painted_since({}))
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    const double painted_ms = ms_since(timer);
    const double on_screen_ms = wait_until_on_screen(w.painter, timer);
    const double process_ms = ms_since_process_start();
    run_until_idle();
    QTest::qWait(500);
    std::printf("%6d boxes: start to load_session done %8.1f ms, to first paints %8.1f ms, "
                "to all four views on screen %8.1f ms (%.0f ms since the process started)%s%s\n"
                "              paints from show to idle: %s\n",
                box_count, load_ms, painted_ms, on_screen_ms, process_ms,
                on_screen_ms < give_up_ms ? "" : "  (NOT ON SCREEN)", loaded ? "" : "  (NOT LOADED)", qPrintable(paint_counts(w.painter)));
}

void time_tree(int box_count)
{
    std::vector<std::unique_ptr<box>> boxes;
    for (int i = 0; i < box_count; ++i) {
        boxes.push_back(std::make_unique<box>(position(0, 0, 0), dimension(1, 1, 1)));
        boxes.back()->id = QString::number(i + 1);
    }
    liste_boite tree;
    tree.resize(200, 400);
    tree.show();
    if (!QTest::qWaitForWindowExposed(&tree))
        return;

    const double mib_before = resident_mib();
    QElapsedTimer timer;
    timer.start();
    QStandardItem* session_item = tree.add_session_item(QStringLiteral("bench"));
    tree.add_box_items(session_item, boxes);
    const double add_ms = ms_since(timer);
    run_until_idle();
    const double idle_ms = ms_since(timer);
    const double mib_added = resident_mib() - mib_before;

    timer.restart();
    constexpr int selections = 100;
    for (int i = 0; i < selections; ++i)
        tree.select_box_item(session_item, boxes[std::size_t(box_count - 1 - i)].get());
    const double select_ms = ms_since(timer) / selections;
    std::printf("%6d boxes: tree add %8.1f ms, to idle %8.1f ms, +%.1f MiB; select_box_item "
                "%.3f ms\n",
                box_count, add_ms, idle_ms, mib_added, select_ms);
}

// The window's own output pane, as the program sets it up.
void time_pane(int box_count)
{
    window_under_test w;
    w.window.setVisible(true);
    if (!QTest::qWaitForWindowExposed(&w.window))
        return;
    run_until_idle();

    const double mib_before = resident_mib();
    QElapsedTimer timer;
    timer.start();
    // Some thousands of lines at a time, as the window writes its box lines.
    std::string lines;
    for (int i = 0; i < box_count; ++i) {
        lines += "boite num:" + std::to_string(i + 1) + " - dim: 11,23,2  - pos: 0,0,0\n";
        if ((i + 1) % 4096 == 0 || i + 1 == box_count) {
            std::cout << lines << std::flush;
            lines.clear();
        }
    }
    const double write_ms = ms_since(timer);
    run_until_idle();
    const double idle_ms = ms_since(timer);
    // The pane may still lay its text out again in steps, on a timer.
    w.window.output_pane()->document()->documentLayout()->documentSize();
    const double laid_out_ms = ms_since(timer);
    std::printf("%6d boxes: pane lines %8.1f ms, to idle %8.1f ms, to laid out %8.1f ms (%.2f us "
                "a line), +%.1f MiB\n",
                box_count, write_ms, idle_ms, laid_out_ms, 1000.0 * laid_out_ms / box_count,
                resident_mib() - mib_before);
}

struct action_times {
    double on_screen_ms;  // until the X server's copy of every view shows its new frame
    double idle_ms;
    QString paints;
};

// Runs one user action and the event loop until every view has painted since and the X
// server's copy of every view shows the view's new frame (a view whose frame did not change,
// such as an axis view where the picked box lies hidden, counts once it shows it), then
// until idle.
action_times time_until_repainted(window_under_test& w, const std::function<void()>& action)
{
    const QHash<QWidget*, int> before = w.painter.counts;
    QElapsedTimer timer;
    timer.start();
    action();
    while (!w.painter.all_painted_since(before))
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    while (!all_views_on_screen(w.painter) && ms_since(timer) < give_up_ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
    action_times times;
    times.on_screen_ms = ms_since(timer);
    run_until_idle();
    times.idle_ms = ms_since(timer);
    paint_counter painted;
    for (auto it = before.cbegin(); it != before.cend(); ++it)
        painted.counts.insert(it.key(), w.painter.counts.value(it.key()) - it.value());
    times.paints = paint_counts(painted);
    return times;
}

bool show_loaded(window_under_test& w, const QString& path)
{
    w.window.setVisible(true);
    if (!QTest::qWaitForWindowExposed(&w.window))
        return false;
    w.window.load_session(path);
    run_until_idle();
    QTest::qWait(500);
    // The first read of each view's frame makes the driver build its resolving copy in that
    // context: made here, so that it is not timed as part of the first action.
    all_views_on_screen(w.painter);
    return true;
}

void time_falling_key(const QString& path, int box_count)
{
    window_under_test w;
    if (!show_loaded(w, path))
        return;
    auto* view = w.window.findChild<gl_widget*>("widget_opengl");
    const int picked = box_count - 1;
    // Picked as a click picks it, and drawn emphasised in every view, before the key.
    time_until_repainted(w, [view, picked] {
        view->set_highlighted_box(picked);
        emit view->box_selected(picked + 1);
        view->update();
    });
    view->setFocus();
    int signals_seen = 0;
    QObject::connect(view, &gl_widget::box_selected, [&] { ++signals_seen; });
    const int height_before = view->current_session()->boxes[std::size_t(picked)]->position.py;

    const action_times times =
        time_until_repainted(w, [view] { QTest::keyClick(view, Qt::Key_Right); });
    const int fell = height_before - view->current_session()->boxes[std::size_t(picked)]->position.py;
    std::printf("%6d boxes: arrow key, box fell %d units, %d box_selected: four views on "
                "screen %8.1f ms, to idle %8.1f ms\n              paints: %s\n",
                box_count, fell, signals_seen, times.on_screen_ms, times.idle_ms,
                qPrintable(times.paints));
}

// Twenty left clicks around the middle of the main view, each until all four views have repainted
// and show their new frames on screen.
void time_clicks(const QString& path, int box_count)
{
    window_under_test w;
    if (!show_loaded(w, path))
        return;
    auto* view = w.window.findChild<gl_widget*>("widget_opengl");
    const QPoint middle = view->rect().center();
    for (int click = 0; click < 20; ++click) {
        const QPoint at = middle + QPoint(7 * (click % 5), 5 * (click / 5));
        const action_times times = time_until_repainted(
            w, [view, at] { QTest::mouseClick(view, Qt::LeftButton, Qt::NoModifier, at); });
        std::printf("%6d boxes: click %d picks box %d: four views on screen %8.1f ms, "
                    "to idle %8.1f ms; paints: %s\n",
                    box_count, click + 1, view->highlighted_box(), times.on_screen_ms,
                    times.idle_ms, qPrintable(times.paints));
    }
}

// One box whose id is one word of the given length, in the pane, the tree and the info pane.
void time_long_id(const QString& dir, int length)
{
    const QString path = QStringLiteral("%1/long_%2.qrv").arg(dir).arg(length);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return;
    file.write("<qarvel><container length=\"10\" width=\"10\" height=\"10\"/><boxs number=\"1\">");
    write_box(file, 0, 1, 1, 1, 0, 0, 0, 1);
    file.write("</boxs></qarvel>");
    file.close();
    // The id goes in place of the 0 written above.
    QFile edit(path);
    edit.open(QIODevice::ReadOnly);
    QByteArray xml = edit.readAll();
    edit.close();
    xml.replace("id=\"0\"", "id=\"" + QByteArray(length, 'x') + "\"");
    edit.open(QIODevice::WriteOnly);
    edit.write(xml);
    edit.close();

    window_under_test w;
    w.window.setVisible(true);
    if (!QTest::qWaitForWindowExposed(&w.window))
        return;
    QElapsedTimer timer;
    timer.start();
    w.window.load_session(path);
    run_until_idle();
    const double load_ms = ms_since(timer);
    auto* view = w.window.findChild<gl_widget*>("widget_opengl");
    timer.restart();
    emit view->box_selected(1);
    run_until_idle();
    std::printf("id of %7d characters: load to idle %8.1f ms, described to idle %8.1f ms\n",
                length, load_ms, ms_since(timer));
}

// Boxes three to a place on a lattice, so that each place gives three overlapping pairs, and
// one box out of the container: as many faults as boxes.
bool write_triples(const QString& path, int box_count)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    const int places = box_count / 3;
    const int columns_x = 100, columns_z = 20;
    file.write(QStringLiteral("<qarvel name=\"triples\"><container length=\"12032\" "
                              "width=\"2352\" height=\"2698\"/><boxs number=\"%1\">\n")
                   .arg(box_count).toLatin1());
    int id = 0;
    for (int place = 0; place < places; ++place)
        for (int copy = 0; copy < 3; ++copy)
            write_box(file, ++id, 100, 100, 100, (place % columns_x) * 120,
                      (place / (columns_x * columns_z)) * 120,
                      (place / columns_x % columns_z) * 117, place % 16);
    while (id < box_count)
        write_box(file, ++id, 100, 100, 100, 12000, 0, 0, 2);
    file.write("</boxs></qarvel>\n");
    return true;
}

// As the entry point does it with --inspect: window, redirection, show, inspection; then the
// first frames until they are on screen, and a row of the fault list chosen until every view has drawn it.
void time_inspection(const QString& path)
{
    QElapsedTimer timer;
    timer.start();
    window_under_test w;
    w.window.setVisible(true);
    const bool opened = w.window.inspect_session(path);
    const double open_ms = ms_since(timer);
    while (!w.painter.all_painted_since({}))
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    const double painted_ms = ms_since(timer);
    const double on_screen_ms = wait_until_on_screen(w.painter, timer);
    run_until_idle();
    if (!opened) {
        std::printf("inspection: NOT OPENED\n");
        return;
    }
    const session& s = *w.window.registered_sessions().front();
    struct rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("%6zu boxes, %lld faults (%zu listed): start to inspect_session done %8.1f ms, "
                "to first paints %8.1f ms, to all four views on screen %8.1f ms%s, peak so far "
                "%.0f MiB\n",
                s.boxes.size(), (long long)s.faults_found, s.faults.size(), open_ms, painted_ms,
                on_screen_ms, on_screen_ms < give_up_ms ? "" : "  (NOT ON SCREEN)",
                double(usage.ru_maxrss) / 1024.0);
    QTest::qWait(500);
    // The first choice draws whole frames, as the kept frames are not whole yet; later ones
    // draw only around the boxes whose emphasis changed.
    auto* list = w.window.findChild<QAbstractItemView*>("liste_defauts");
    for (int choice = 1; choice <= 3; ++choice) {
        const QModelIndex row = list->model()->index(list->model()->rowCount() * choice / 4, 0);
        list->scrollTo(row);
        run_until_idle();
        const action_times chosen = time_until_repainted(w, [list, row] {
            QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier,
                              list->visualRect(row).center());
        });
        std::printf("              fault row %d chosen: four views on screen %8.1f ms, to idle "
                    "%8.1f ms; paints: %s\n",
                    row.row(), chosen.on_screen_ms, chosen.idle_ms, qPrintable(chosen.paints));
    }
}

}  // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QList<int> counts;
    QStringList parts;
    for (int i = 1; i < argc; ++i) {
        const QString arg = QString::fromLocal8Bit(argv[i]);
        bool is_count = false;
        const int n = arg.toInt(&is_count);
        if (is_count)
            counts << n;
        else
            parts << arg;
    }
    if (counts.isEmpty())
        counts = {10000, 100000};
    if (parts.isEmpty())
        parts = QStringList{"frames", "tree", "pane", "key", "click", "longid", "inspect"};
    QTemporaryDir dir;
    if (!dir.isValid())
        return 1;
    for (const int n : parts.contains("oneplace") ? QList<int>() : counts) {
        const QString path = dir.filePath(QStringLiteral("boxes_%1.qrv").arg(n));
        if (!write_session(path, n))
            return 1;
        if (parts.contains("frames"))
            time_first_frames(path, n);
        if (parts.contains("start")) {
            time_program_start(path, n);
            return 0;
        }
        if (parts.contains("tree"))
            time_tree(n);
        if (parts.contains("pane"))
            time_pane(n);
        if (parts.contains("key"))
            time_falling_key(path, n);
        if (parts.contains("click"))
            time_clicks(path, n);
    }
    // Long ids: 200000 and 1000000 characters, or the lengths given after "longid=".
    QList<int> longid_lengths = {200000, 1000000};
    for (const QString& part : parts)
        if (part.startsWith("longid="))
            longid_lengths = {part.mid(7).toInt()}, parts << "longid";
    if (parts.contains("longid"))
        for (const int length : longid_lengths)
            time_long_id(dir.path(), length);
    if (parts.contains("inspect")) {
        const QString overlaps = dir.filePath(QStringLiteral("overlaps.qrv"));
        const QString triples = dir.filePath(QStringLiteral("triples.qrv"));
        // 100 x 20 x 50 cells; every 100th box at the corner of the one before.
        if (!write_lattice(overlaps, high_cube_40ft_mm, 100, 20, 50, 0, 100)
            || !write_triples(triples, 10000))
            return 1;
        time_inspection(overlaps);
        time_inspection(triples);
    }
    if (parts.contains("oneplace"))
        for (const int n : counts) {
            const QString one_place = dir.filePath(QStringLiteral("one_place_%1.qrv").arg(n));
            if (!write_one_place(one_place, n))
                return 1;
            time_inspection(one_place);
        }
    return 0;
}
