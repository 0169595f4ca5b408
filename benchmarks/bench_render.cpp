// Times packview-render as a whole process, with no display, on loads of 10^4 and 10^5 boxes,
// valid and with overlaps, and reads each run's peak resident memory.
// Usage: cmake --build build --target bench_render && ./build/bench_render

#include "benchmarks/bench_files.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <vector>

extern char** environ;

namespace {

constexpr int runs = 3;

struct run_figures {
    double ms = 0;
    double peak_mib = 0;
    int status = -1;
};

// One run, with DISPLAY unset, its lines sent to /dev/null; the peak is this child's own.
run_figures run_once(const QString& file, const QString& out_dir)
{
    const QByteArray program = QByteArrayLiteral(PACKVIEW_RENDER_PATH);
    const QByteArray path = QFile::encodeName(file);
    const QByteArray out = QFile::encodeName(out_dir);
    const char* argv[] = {program.constData(), path.constData(), "--out", out.constData(), nullptr};
    std::vector<char*> environment;
    for (char** e = environ; *e; ++e)
        if (qstrncmp(*e, "DISPLAY=", 8) != 0)
            environment.push_back(*e);
    environment.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    QElapsedTimer timer;
    timer.start();
    pid_t pid = 0;
    run_figures figures;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, const_cast<char**>(argv),
                    environment.data()) == 0) {
        int status = 0;
        struct rusage usage {};
        wait4(pid, &status, 0, &usage);
        figures.ms = double(timer.nsecsElapsed()) / 1e6;
        figures.peak_mib = double(usage.ru_maxrss) / 1024.0;
        figures.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    posix_spawn_file_actions_destroy(&actions);
    return figures;
}

void measure(const char* label, const QString& file, const QString& out_dir)
{
    std::vector<double> times;
    run_figures last;
    for (int i = 0; i < runs; ++i) {
        last = run_once(file, out_dir);
        times.push_back(last.ms);
    }
    std::sort(times.begin(), times.end());
    std::printf("%-44s %8.1f ms (median of %d), peak %6.1f MiB, status %d\n", label,
                times[times.size() / 2], runs, last.peak_mib, last.status);
}

}  // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    if (!dir.isValid())
        return 1;
    const QString load_10k = dir.filePath("10k.qrv"), load_100k = dir.filePath("100k.qrv");
    const QString faulty_10k = dir.filePath("10k-1k-overlaps.qrv");
    const QString faulty_100k = dir.filePath("100k-1k-overlaps.qrv");
    write_lattice(load_10k, high_cube_40ft_mm, 50, 20, 10, 0);
    write_lattice(load_100k, high_cube_40ft_mm, 100, 20, 50, 0);
    write_lattice(faulty_10k, high_cube_40ft_mm, 50, 20, 10, 0, 10);
    write_lattice(faulty_100k, high_cube_40ft_mm, 100, 20, 50, 0, 100);
    const QString out = dir.filePath("pictures");
    measure("10^4 boxes, valid, four views", load_10k, out);
    measure("10^4 boxes, 1,000 overlapping, four views", faulty_10k, out);
    measure("10^5 boxes, valid, four views", load_100k, out);
    measure("10^5 boxes, 1,000 overlapping, four views", faulty_100k, out);
    return 0;
}
