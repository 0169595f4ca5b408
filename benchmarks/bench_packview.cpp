// Times the reader and the grid on large inputs and reports the peak memory after each step.
// Usage: bench_packview [WAREHOUSE.qrv]   (default: ../examples/warehouse.qrv beside the build)

#include "model/box.h"
#include "model/cell_range.h"
#include "model/dimension.h"
#include "model/occupancy_grid.h"
#include "model/session_reader.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <sys/resource.h>

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
void measure(const char* what, const std::function<QString()>& step)
{
    QElapsedTimer timer;
    timer.start();
    const QString outcome = step();
    const double ms = double(timer.nsecsElapsed()) / 1e6;
    std::printf("%-44s %10.1f ms   peak RSS %8.1f MiB   %s\n", what, ms, peak_rss_mib(),
                qPrintable(outcome));
}

QString read_outcome(const session_reader::result& read)
{
    if (!read.loaded)
        return QStringLiteral("NOT LOADED: ") + read.report.join(QStringLiteral(" | "));
    return QStringLiteral("%1 boxes, %2 cells taken")
        .arg(read.boxes.size())
        .arg(read.grid->taken_count());
}

// Boxes on a floor of square columns with random heights, one column per box, so that every
// box fits and none overlaps.
bool write_large_session(const QString& path, int columns_x, int columns_z, int side,
                         int height)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    QRandomGenerator random(42);
    file.write(QStringLiteral("<?xml version=\"1.0\"?>\n<qarvel name=\"large\">\n"
                              "<container length=\"%1\" width=\"%2\" height=\"%3\"/>\n<param/>\n"
                              "<boxs number=\"%4\">\n")
                   .arg(columns_x * side).arg(columns_z * side).arg(height)
                   .arg(columns_x * columns_z)
                   .toLatin1());
    for (int i = 0; i < columns_x; ++i)
        for (int k = 0; k < columns_z; ++k)
            file.write(QStringLiteral("<box id=\"%1\" length=\"%2\" width=\"%2\" height=\"%3\" "
                                      "px=\"%4\" py=\"0\" pz=\"%5\" color=\"%6\"/>\n")
                           .arg(i * columns_z + k + 1).arg(side)
                           .arg(random.bounded(1, height + 1))
                           .arg(i * side).arg(k * side).arg(random.bounded(16))
                           .toLatin1());
    file.write("</boxs>\n</qarvel>\n");
    return true;
}

QString fill_whole_grid(const dimension& container)
{
    occupancy_grid grid(container);
    const box everything(position(0, 0, 0), container);
    QElapsedTimer timer;
    timer.start();
    grid.set_cells(cell_range::of(everything), true);
    const double fill_ms = double(timer.nsecsElapsed()) / 1e6;
    timer.restart();
    const int64_t taken = grid.taken_count();
    return QStringLiteral("%1 MiB of cells; taking every cell %2 ms, counting %3 ms, %4 taken")
        .arg(double(occupancy_grid::bytes_needed(container)) / (1 << 20), 0, 'f', 1)
        .arg(fill_ms, 0, 'f', 1)
        .arg(double(timer.nsecsElapsed()) / 1e6, 0, 'f', 1)
        .arg(taken);
}

}  // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QString warehouse = argc > 1
        ? QString::fromLocal8Bit(argv[1])
        : QDir(QCoreApplication::applicationDirPath()).filePath("../examples/warehouse.qrv");
    QTemporaryDir dir;
    if (!dir.isValid())
        return 1;
    const QString large = dir.filePath("large.qrv");

    std::printf("%-44s %10.1f ms   peak RSS %8.1f MiB\n", "start", 0.0, peak_rss_mib());
    measure("read warehouse.qrv", [&] { return read_outcome(session_reader::read(warehouse)); });
    measure("write 20000 boxes in 4000 x 2000 x 100", [&] {
        return write_large_session(large, 200, 100, 20, 100) ? QStringLiteral("written")
                                                              : QStringLiteral("NOT WRITTEN");
    });
    measure("read 20000 boxes in 4000 x 2000 x 100", [&] {
        return read_outcome(session_reader::read(large));
    });
    measure("grid 4000 x 4000 x 60: build, fill, count",
            [&] { return fill_whole_grid(dimension(4000, 4000, 60)); });
    return 0;
}
