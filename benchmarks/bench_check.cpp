// Times packview-check as a whole process beside a process that makes a bare XML pass over the
// same file: 100,000 boxes in a millimetre 40-ft high cube, alone and with the support checks
// (the lattice's boxes rest on random parts of the ones beneath), and --all on 10,000 boxes of which
// 1,000 each share cells with an earlier box; then --all on 10,000 boxes in one place (about
// 50 million pairs), with the peak memory of that process (goal: 10 s and 64 MiB at most).
// Usage: cmake --build build --target bench_check && ./build/bench_check

#include "benchmarks/bench_files.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr int runs = 9;

struct command {
    const char* label;
    QString program;
    QStringList arguments;
};

// Wall time of one run, its output thrown away.
double run_ms(const command& c)
{
    QProcess process;
    process.setStandardOutputFile(QProcess::nullDevice());
    QElapsedTimer timer;
    timer.start();
    process.start(c.program, c.arguments);
    process.waitForFinished(-1);
    return double(timer.nsecsElapsed()) / 1e6;
}

double median(std::vector<double> times)
{
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

// The commands take turns, so that a change in the machine's load falls on all of them alike.
std::vector<double> median_ms(const std::vector<command>& commands)
{
    std::vector<std::vector<double>> times(commands.size());
    for (int i = 0; i < runs; ++i)
        for (std::size_t c = 0; c < commands.size(); ++c)
            times[c].push_back(run_ms(commands[c]));
    std::vector<double> medians;
    for (std::size_t c = 0; c < commands.size(); ++c) {
        medians.push_back(median(times[c]));
        std::printf("%-56s %8.1f ms  (median of %d)\n", commands[c].label, medians.back(), runs);
    }
    return medians;
}

// Peak resident memory of the largest child process waited for so far.
double children_peak_mib()
{
    struct rusage usage {};
    getrusage(RUSAGE_CHILDREN, &usage);
    return double(usage.ru_maxrss) / 1024.0;
}

int collision_lines(const command& c)
{
    QProcess process;
    process.start(c.program, c.arguments);
    process.waitForFinished(-1);
    return int(process.readAllStandardOutput().count("Defaut: collision"));
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
    const QString one_place = dir.filePath("10k-one-place.qrv");
    write_lattice(load_100k, high_cube_40ft_mm, 100, 20, 50, 0);
    write_lattice(collisions, high_cube_40ft_mm, 100, 20, 5, 0, 10);
    write_one_place(one_place, 10000);
    const QString self = QCoreApplication::applicationFilePath();
    const QString check = QStringLiteral(PACKVIEW_CHECK_PATH);

    // First, while no other child has raised the peak.
    const double one_place_ms = run_ms({"", check, {"--all", one_place}});
    std::printf("%-56s %8.1f ms, peak %.1f MiB\n", "packview-check --all, 10,000 boxes in one place",
                one_place_ms, children_peak_mib());

    const std::vector<double> load = median_ms({
        {"bare XML pass, 100,000 boxes", self, {"--bare", load_100k}},
        {"packview-check, 100,000 boxes", check, {load_100k}},
        {"packview-check --json (statistics), 100,000 boxes", check, {"--json", load_100k}},
        {"packview-check --min-support 75 --centre, 100,000 boxes", check,
         {"--min-support", "75", "--centre", load_100k}},
    });
    std::printf("  -> packview-check / bare pass = %.2f, with statistics %.2f\n",
                load[1] / load[0], load[2] / load[0]);
    std::printf("  -> support checks / packview-check = %.2f (goal: 1.2 at most)\n",
                load[3] / load[1]);
    const command all{"packview-check --all, 10,000 boxes, 1,000 collisions", check,
                      {"--all", collisions}};
    median_ms({all, {"  the same with --json", check, {"--all", "--json", collisions}}});
    std::printf("  -> %d collision lines\n", collision_lines(all));
    return 0;
}
