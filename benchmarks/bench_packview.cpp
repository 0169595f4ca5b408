// Times the reader, the check, every box's support and settling on large millimetre loads,
// beside a bare XML pass over the same files, and reports the peak memory after each step.
// Usage: cmake --build build --target bench_packview && ./build/bench_packview

#include "benchmarks/bench_files.h"
#include "benchmarks/bench_session.h"
#include "model/box.h"
#include "model/box_moves.h"
#include "model/occupancy_grid.h"
#include "model/session.h"
#include "model/session_reader.h"
#include "model/support_map.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <functional>

namespace {

double peak_rss_mib()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) / 1024.0;  // kilobytes on Linux
}

// Runs the step once and prints its wall time and the process's peak memory so far; the steps
// run from the smallest to the largest so that each peak belongs to its own step.
double measure(const char* what, const std::function<QString()>& step)
{
    QElapsedTimer timer;
    timer.start();
    const QString outcome = step();
    const double ms = double(timer.nsecsElapsed()) / 1e6;
    std::printf("%-52s %9.1f ms   peak RSS %7.1f MiB   %s\n", what, ms, peak_rss_mib(),
                qPrintable(outcome));
    return ms;
}

bool write_single_box(const QString& path, container_size c, const QString& box_attributes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(QStringLiteral("<qarvel name=\"one\"><container length=\"%1\" width=\"%2\" "
                              "height=\"%3\"/><boxs number=\"1\"><box id=\"1\" %4/></boxs>"
                              "</qarvel>")
                   .arg(c.length).arg(c.width).arg(c.height).arg(box_attributes)
                   .toLatin1());
    return true;
}

QString read_outcome(const session_reader::result& read)
{
    if (!read.loaded)
        return QStringLiteral("NOT LOADED: ") + read.report.join(QStringLiteral(" | "));
    return QStringLiteral("%1 boxes, %2 cells taken")
        .arg(read.boxes.size())
        .arg(read.grid->taken_count());
}

// What the main view does for one arrow key on the first box: the move, then settling.
QString arrow_key(session& s, int direction)
{
    if (!box_moves::can_move(s, direction, 0))
        return QStringLiteral("MOVE REFUSED");
    box_moves::shift(s, direction, 0);
    return QStringLiteral("picked box fell %1 units").arg(box_moves::settle(s, 0));
}

QString boxes_at_rest(const session& s)
{
    int at_rest = 0;
    for (int i = 0; i < int(s.boxes.size()); ++i)
        at_rest += !box_moves::can_move(s, towards_minus_y, i);
    return QStringLiteral("%1 of %2 boxes at rest").arg(at_rest).arg(s.boxes.size());
}

// The two take turns, five times each, and the best of each is compared: on a shared machine
// the least disturbed run is the nearest to the real cost.
void compare_with_bare_pass(const char* what, const QString& path)
{
    double bare = 1e300, read = 1e300;
    for (int turn = 0; turn < 5; ++turn) {
        bare = std::min(bare, measure("  bare XML pass", [&] { return bare_xml_pass(path); }));
        read = std::min(read, measure(what, [&] {
            return read_outcome(session_reader::read(path));
        }));
    }
    std::printf("  -> reader / bare pass, best of 5 each = %.2f\n", read / bare);
}

// Every box's support beside the reading of the same load, best of 5 each (goal: a tenth).
void compare_support_with_reading(const QString& path)
{
    double read = 1e300, support = 1e300;
    for (int turn = 0; turn < 5; ++turn) {
        std::unique_ptr<session> s;
        read = std::min(read, measure("  read", [&] {
            s = load(path);
            return s ? QStringLiteral("loaded") : QStringLiteral("NOT LOADED");
        }));
        if (!s)
            return;
        support = std::min(support, measure("  support of every box", [&] {
            const support_map m(s->boxes, *s->grid);
            return QStringLiteral("%1 boxes").arg(m.size());
        }));
    }
    std::printf("  -> support / reading, best of 5 each = %.2f\n", support / read);
}

}  // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    if (!dir.isValid())
        return 1;
    const QString empty = dir.filePath("empty.qrv"), floor = dir.filePath("floor.qrv"),
                  high = dir.filePath("high.qrv"), load_10k = dir.filePath("10k.qrv"),
                  load_100k = dir.filePath("100k.qrv"), floating_10k = dir.filePath("f10k.qrv"),
                  floating_100k = dir.filePath("f100k.qrv"), column = dir.filePath("column.qrv");
    const container_size largest{65535, 65535, 65535};
    write_single_box(empty, largest, QStringLiteral("length=\"0\""));
    write_single_box(floor, {65535, 65535, 2},
                     QStringLiteral("length=\"65535\" width=\"65535\" height=\"1\" px=\"0\" "
                                    "py=\"1\" pz=\"0\""));
    write_single_box(high, {100, 100, 65535},
                     QStringLiteral("length=\"1\" width=\"1\" height=\"1\" px=\"0\" "
                                    "py=\"65000\" pz=\"0\""));
    // 10,000 and 100,000 boxes in a 40-ft high cube in millimetres; the floating loads are
    // one layer whose every box hangs 5 units above the floor.
    write_lattice(load_10k, high_cube_40ft_mm, 100, 20, 5, 0);
    write_lattice(load_100k, high_cube_40ft_mm, 100, 20, 50, 0);
    write_lattice(floating_10k, high_cube_40ft_mm, 125, 80, 1, 5);
    write_lattice(floating_100k, high_cube_40ft_mm, 400, 250, 1, 5);
    // One column as tall as the extents allow, every box one unit high and floating one unit.
    write_lattice(column, {2, 2, 65534}, 1, 1, 32767, 1);

    std::printf("%-52s %9.1f ms   peak RSS %7.1f MiB\n", "start", 0.0, peak_rss_mib());
    measure("empty 65535^3 container", [&] { return read_outcome(session_reader::read(empty)); });
    measure("one box over a 65535 x 65535 floor: load, one step down", [&] {
        const auto s = load(floor);
        return s ? arrow_key(*s, towards_minus_y) : QStringLiteral("NOT LOADED");
    });
    measure("one box at height 65000, Right, fall", [&] {
        const auto s = load(high);
        return s ? arrow_key(*s, towards_plus_x) : QStringLiteral("NOT LOADED");
    });
    compare_with_bare_pass("read 10,000 boxes, 40-ft HC in mm", load_10k);
    compare_with_bare_pass("read 100,000 boxes, 40-ft HC in mm", load_100k);
    compare_support_with_reading(load_100k);
    for (const auto& [what, path] :
         {std::pair{"arrow key, 10,000 boxes settle 5 units", floating_10k},
          std::pair{"arrow key, 100,000 boxes settle 5 units", floating_100k},
          std::pair{"arrow key, a column of 32,767 boxes settles", column}}) {
        const auto s = load(path);
        if (!s)
            return 1;
        const QString label = QString::fromLatin1(what);
        measure(qPrintable(label), [&] { return arrow_key(*s, towards_plus_x); });
        std::printf("  -> %s\n", qPrintable(boxes_at_rest(*s)));
    }
    return 0;
}
