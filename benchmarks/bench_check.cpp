// Times packview-check as a whole process beside a process that makes a bare XML pass over the
// same file: 100,000 boxes in a millimetre 40-ft high cube, and --all on 10,000 boxes of which
// 1,000 each share cells with an earlier box.
// Usage: cmake --build build --target bench_check && ./build/bench_check

#include "benchmarks/bench_files.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr int runs = 7;

// The median wall time of a few runs of the command, its output thrown away.
double median_ms(const QString& program, const QStringList& arguments, int& exit_code)
{
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        QProcess process;
        process.setStandardOutputFile(QProcess::nullDevice());
        QElapsedTimer timer;
        timer.start();
        process.start(program, arguments);
        process.waitForFinished(-1);
        times.push_back(double(timer.nsecsElapsed()) / 1e6);
        exit_code = process.exitCode();
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

double report(const char* what, const QString& program, const QStringList& arguments)
{
    int exit_code = 0;
    const double ms = median_ms(program, arguments, exit_code);
    std::printf("%-48s %8.1f ms  (median of %d, exit status %d)\n", what, ms, runs, exit_code);
    return ms;
}

}  // namespace

int main(int argc, char* argv[])
{
    // The bare pass as a process of its own, so that both sides pay for starting one.
    if (argc == 3 && qstrcmp(argv[1], "--bare") == 0) {
        std::printf("%s\n", qPrintable(bare_xml_pass(QString::fromLocal8Bit(argv[2]))));
        return 0;
    }
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    if (!dir.isValid())
        return 1;
    const QString load_100k = dir.filePath("100k.qrv"), collisions = dir.filePath("10k-1k.qrv");
    write_lattice(load_100k, high_cube_40ft_mm, 100, 20, 50, 0);
    write_lattice(collisions, high_cube_40ft_mm, 100, 20, 5, 0, 10);
    const QString self = QCoreApplication::applicationFilePath();
    const QString check = QStringLiteral(PACKVIEW_CHECK_PATH);

    const double bare = report("bare XML pass, 100,000 boxes", self, {"--bare", load_100k});
    const double plain = report("packview-check, 100,000 boxes", check, {load_100k});
    std::printf("  -> packview-check / bare pass = %.2f\n", plain / bare);
    const double json = report("packview-check --json, 100,000 boxes", check, {"--json", load_100k});
    std::printf("  -> with statistics / bare pass = %.2f\n", json / bare);
    report("packview-check --all, 10,000 boxes, 1,000 collisions", check, {"--all", collisions});
    report("  the same with --json", check, {"--all", "--json", collisions});
    return 0;
}
