// Times settling and the count of cells taken on the loads that once cost N x K or a square:
// a column on a pillar pulled out, a stack numbered top to bottom floating K units, each with
// and without a flat box; the statistics and --all of packview-check on such files; and chains
// of boxes that overlap their neighbours by one cell, along x beside the same along z.
// Usage: cmake --build build --target bench_settling && ./build/bench_settling [N [chains]]
// (N boxes falling K = N units, default 2000; "chains": the chains only).

#include "benchmarks/bench_session.h"
#include "model/box_moves.h"
#include "model/cell_range.h"
#include "model/cell_union.h"
#include "model/packing_statistics.h"
#include "model/session.h"
#include "model/session_reader.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>
#include <functional>
#include <memory>

namespace {

struct file_box {
    int length, width, height, px, py, pz;
};

bool write_session(const QString& path, int length, int width, int height,
                   const std::vector<file_box>& boxes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(QStringLiteral("<qarvel name=\"bench\"><container length=\"%1\" width=\"%2\" "
                              "height=\"%3\"/>\n<boxs number=\"%4\">\n")
                   .arg(length).arg(width).arg(height).arg(boxes.size()).toLatin1());
    int id = 0;
    for (const file_box& b : boxes)
        file.write(QStringLiteral("<box id=\"b%1\" length=\"%2\" width=\"%3\" height=\"%4\" "
                                  "px=\"%5\" py=\"%6\" pz=\"%7\"/>\n")
                       .arg(id++).arg(b.length).arg(b.width).arg(b.height).arg(b.px).arg(b.py)
                       .arg(b.pz).toLatin1());
    file.write("</boxs></qarvel>\n");
    return true;
}

// A flat sheet on a box of its own, away from everything else.
void add_sheet_elsewhere(std::vector<file_box>& boxes)
{
    boxes.push_back({1, 1, 1, 8, 0, 0});
    boxes.push_back({1, 1, 0, 8, 1, 0});
}

// Box 0 is a pillar of height k under a column of n unit boxes numbered top to bottom; Right
// pulls it out.
std::vector<file_box> column_on_a_pillar(int n, int k, bool sheet)
{
    std::vector<file_box> boxes{{1, 1, k, 0, 0, 0}};
    for (int i = 0; i < n; ++i)
        boxes.push_back({1, 1, 1, 0, k + n - 1 - i, 0});
    if (sheet)
        add_sheet_elsewhere(boxes);
    return boxes;
}

enum class flat_box { none, elsewhere, on_top, beneath, beneath_first };

// Box 0 stands on the floor apart, for Right; then n unit boxes numbered top to bottom whose
// lowest floats k units, and maybe a flat box.
std::vector<file_box> floating_stack(int n, int k, flat_box flat)
{
    std::vector<file_box> boxes{{1, 1, 1, 4, 0, 0}};
    for (int i = 0; i < n; ++i)
        boxes.push_back({1, 1, 1, 0, k + n - 1 - i, 0});
    if (flat == flat_box::elsewhere)
        add_sheet_elsewhere(boxes);
    else if (flat == flat_box::on_top)
        boxes.push_back({1, 1, 0, 0, k + n, 0});
    else if (flat == flat_box::beneath)
        boxes.push_back({1, 1, 0, 0, k / 2, 0});
    else if (flat == flat_box::beneath_first)
        boxes.insert(boxes.begin() + 1, {1, 1, 0, 0, k / 2, 0});
    return boxes;
}

// Boxes two cells long, each overlapping the one before by one cell along x or along z, in
// chains side by side joined at their start by one box across them all.
std::vector<file_box> chains(int boxes_in_all, int chain_count, bool along_x)
{
    std::vector<file_box> boxes;
    const int per_chain = boxes_in_all / chain_count;
    for (int c = 0; c < chain_count; ++c)
        for (int i = 0; i < per_chain; ++i)
            boxes.push_back(along_x ? file_box{2, 1, 1, i, 0, 2 * c}
                                    : file_box{1, 2, 1, 2 * c, 0, i});
    if (chain_count > 1)
        boxes.push_back(along_x ? file_box{1, 2 * chain_count, 2, 0, 0, 0}
                                : file_box{2 * chain_count, 1, 2, 0, 0, 0});
    return boxes;
}

void measure(const char* what, const std::function<QString()>& step)
{
    QElapsedTimer timer;
    timer.start();
    const QString outcome = step();
    std::printf("%-66s %9.1f ms   %s\n", what, double(timer.nsecsElapsed()) / 1e6,
                qPrintable(outcome));
}

// What the main view does for one Right key on box 0: the move, then settling.
void time_key(const char* what, const QString& path)
{
    const auto s = load(path);
    if (!s) {
        std::printf("%-66s NOT LOADED\n", what);
        return;
    }
    measure(what, [&] {
        if (!box_moves::can_move(*s, towards_plus_x, 0))
            return QStringLiteral("MOVE REFUSED");
        box_moves::shift(*s, towards_plus_x, 0);
        box_moves::settle(*s, 0);
        return QStringLiteral("box %1 at py %2, box 1 at py %3")
            .arg(s->boxes.size() - 1)
            .arg(s->boxes.back()->position.py)
            .arg(s->boxes[1]->position.py);
    });
}

void time_statistics(const char* what, const QString& path)
{
    const auto s = load(path);
    if (!s)
        return;
    measure(what, [&] {
        return QStringLiteral("%1 without support")
            .arg(packing_statistics::of(*s).unsupported.size());
    });
}

void time_count(const char* what, const std::vector<file_box>& boxes)
{
    std::vector<cell_range> blocks;
    for (const file_box& b : boxes)
        blocks.push_back({b.px, b.px + b.length, b.pz, b.pz + b.width, b.py, b.py + b.height});
    measure(what, [&] { return QStringLiteral("%1 cells").arg(count_cells(blocks).count); });
}

void time_check(const char* what, const QStringList& arguments)
{
    measure(what, [&] {
        QProcess process;
        process.start(QStringLiteral(PACKVIEW_CHECK_PATH), arguments);
        process.waitForFinished(-1);
        return QString::fromLatin1(process.readAllStandardOutput().split('\n').value(2));
    });
}

// Chains of boxes overlapping by one cell, along x beside the same along z.
using file_writer =
    std::function<QString(const char*, int, int, int, const std::vector<file_box>&)>;

int time_chains(const file_writer& file)
{
    const QString chain_x = file("chain-x.qrv", 64001, 2, 2, chains(64000, 1, true));
    const QString chain_z = file("chain-z.qrv", 2, 64001, 2, chains(64000, 1, false));
    const QString four_x = file("four-x.qrv", 15001, 8, 2, chains(60000, 4, true));
    const QString four_z = file("four-z.qrv", 8, 15001, 2, chains(60000, 4, false));
    time_count("cells counted in process: chain of 64,000 boxes along x", chains(64000, 1, true));
    time_count("cells counted in process: chain of 64,000 boxes along z", chains(64000, 1, false));
    time_count("cells counted in process: four joined chains of 60,000 along x",
               chains(60000, 4, true));
    time_count("cells counted in process: four joined chains of 60,000 along z",
               chains(60000, 4, false));
    time_check("packview-check --all: chain of 64,000 boxes along x", {"--all", chain_x});
    time_check("packview-check --all: chain of 64,000 boxes along z", {"--all", chain_z});
    time_check("packview-check --all: four joined chains of 60,000 along x", {"--all", four_x});
    time_check("packview-check --all: four joined chains of 60,000 along z", {"--all", four_z});
    return 0;
}

}  // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const int n = argc > 1 ? QByteArray(argv[1]).toInt() : 2000, k = n;
    QTemporaryDir dir;
    if (!dir.isValid() || n < 2)
        return 1;
    const file_writer file = [&](const char* name, int length, int width, int height,
                          const std::vector<file_box>& boxes) {
        const QString path = dir.filePath(QString::fromLatin1(name));
        write_session(path, length, width, height, boxes);
        return path;
    };
    const int high = n + k + 2;
    const QString pillar = file("pillar.qrv", 10, 10, high, column_on_a_pillar(n, k, false));
    const QString pillar_sheet =
        file("pillar-sheet.qrv", 10, 10, high, column_on_a_pillar(n, k, true));
    const QString stack = file("stack.qrv", 10, 10, high, floating_stack(n, k, flat_box::none));
    const QString stack_elsewhere =
        file("stack-sheet.qrv", 10, 10, high, floating_stack(n, k, flat_box::elsewhere));
    const QString stack_on_top =
        file("stack-top.qrv", 10, 10, high, floating_stack(n, k, flat_box::on_top));
    const QString stack_beneath =
        file("stack-beneath.qrv", 10, 10, high, floating_stack(n, k, flat_box::beneath));
    const QString stack_beneath_first =
        file("stack-beneath-first.qrv", 10, 10, high,
             floating_stack(n, k, flat_box::beneath_first));
    std::vector<file_box> overlapping = floating_stack(n, k, flat_box::none);
    overlapping.push_back({2, 2, 2, 6, 0, 6});
    overlapping.push_back({2, 2, 2, 7, 0, 7});
    const QString stack_overlap = file("stack-overlap.qrv", 10, 10, high, overlapping);

    std::printf("N = K = %d\n", n);
    if (argc > 2 && qstrcmp(argv[2], "chains") == 0)
        return time_chains(file);
    time_key("key: column on a pillar pulled out", pillar);
    time_key("key: the same, a flat sheet lying elsewhere", pillar_sheet);
    time_key("key: stack numbered top to bottom floating K", stack);
    time_key("key: the same, a flat sheet lying elsewhere", stack_elsewhere);
    time_key("key: the same, a flat box on top of the stack", stack_on_top);
    time_key("key: the same, a flat box beneath the stack (passed by it)", stack_beneath);
    time_key("key: the same, numbered before the stack", stack_beneath_first);
    time_statistics("statistics in process: stack, flat sheet elsewhere", stack_elsewhere);
    time_statistics("statistics in process: stack, flat box on top", stack_on_top);
    time_check("packview-check --stats: stack without a flat box", {"--stats", stack});
    time_check("packview-check --stats: stack, flat sheet elsewhere",
               {"--stats", stack_elsewhere});
    time_check("packview-check --stats: stack, flat box on top", {"--stats", stack_on_top});
    time_check("packview-check --all: stack, one overlap elsewhere", {"--all", stack_overlap});

    return 0;
}
