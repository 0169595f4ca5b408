// Frame and pick costs of the 3D view on large scenes, against the plain drawing that walks
// every face of every box in immediate mode and the selection pass over every box: whole
// 1000 x 700 frames (the view turned before each) and frames after the emphasis moved.
// Usage (headless): xvfb-run -a -s "-screen 0 1600x1200x24" ./bench_frames [BOXES...]
// (default: 10000 100000)

#include "model/occupancy_grid.h"
#include "model/session.h"
#include "tests/plain_scene.h"
#include "view3d/gl_widget.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <QRandomGenerator>
#include <QWindow>

#include <sys/resource.h>

#include <cstdio>
#include <functional>
#include <memory>
#include <unordered_set>

namespace {

constexpr int frames_timed = 5;

double peak_rss_mib()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) / 1024.0;
}

// A 40-foot high cube in centimetres with boxes on a lattice of 8 cm cells, one box of
// random extents per chosen cell, so that no two overlap (at most 150 x 33 x 29 boxes).
std::unique_ptr<session> large_session(int count)
{
    auto s = std::make_unique<session>();
    s->container = std::make_unique<dimension>(1203, 235, 269);
    s->grid = std::make_unique<occupancy_grid>(*s->container);
    QRandomGenerator random(7);
    constexpr int cell = 8;
    const int cells_x = 150, cells_y = 33, cells_z = 29;
    std::unordered_set<int> taken;
    while (int(s->boxes.size()) < count) {
        const int x = random.bounded(cells_x), y = random.bounded(cells_y), z = random.bounded(cells_z);
        if (!taken.insert((x * cells_y + y) * cells_z + z).second)
            continue;
        auto b = std::make_unique<box>(position(x * cell, y * cell, z * cell),
                                       dimension(random.bounded(2, cell), random.bounded(2, cell),
                                                 random.bounded(2, cell)));
        b->color = random.bounded(16);
        s->boxes.push_back(std::move(b));
    }
    return s;
}

double frame_ms(gl_widget& view)
{
    QElapsedTimer timer;
    timer.start();
    view.updateGL();
    view.makeCurrent();
    glFinish();
    return double(timer.nsecsElapsed()) / 1e6;
}

// change(i) runs before frame i (0 is the first frame), so that the view has something new
// to draw.
void time_frames(const char* what, gl_widget& view, int count,
                 const std::function<void(int)>& change = [](int) {})
{
    change(0);
    const double first = frame_ms(view);
    double total = 0;
    for (int i = 1; i <= frames_timed; ++i) {
        change(i);
        total += frame_ms(view);
    }
    std::printf("%7d boxes  %-26s first frame %8.1f ms   next frames %8.1f ms   peak RSS %7.1f MiB\n",
                count, what, first, total / frames_timed, peak_rss_mib());
}

// Turns the view by one degree, as a one-pixel drag with the right button does.
void turn(gl_widget& view, int step)
{
    const QPoint from(100 + step, 100);
    QMouseEvent press(QEvent::MouseButtonPress, from, Qt::RightButton, Qt::RightButton, Qt::NoModifier);
    QApplication::sendEvent(&view, &press);
    QMouseEvent move(QEvent::MouseMove, from + QPoint(1, 0), Qt::NoButton, Qt::RightButton, Qt::NoModifier);
    QApplication::sendEvent(&view, &move);
    QMouseEvent release(QEvent::MouseButtonRelease, from + QPoint(1, 0), Qt::RightButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(&view, &release);
}

bool show(gl_widget& view, session* s)
{
    view.set_current_session(s);
    view.resize(1000, 700);
    view.show();
    for (int tries = 0; tries < 1000 && !(view.windowHandle() && view.windowHandle()->isExposed()); ++tries)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    QCoreApplication::processEvents();
    return view.windowHandle() && view.windowHandle()->isExposed();
}

void time_pick(gl_widget& view, int count)
{
    const QPoint centre(view.width() / 2, view.height() / 2);
    QElapsedTimer timer;
    timer.start();
    const long long plain = plain_scene::pick(view, centre.x() * view.devicePixelRatioF(),
                                              centre.y() * view.devicePixelRatioF());
    const double plain_ms = double(timer.nsecsElapsed()) / 1e6;
    const double rss_before = peak_rss_mib();
    timer.restart();
    QMouseEvent press(QEvent::MouseButtonPress, centre, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&view, &press);
    const double ms = double(timer.nsecsElapsed()) / 1e6;
    std::printf("%7d boxes  pick: whole scene %8.1f ms (box %lld), under the cursor %8.1f ms (box %d)   peak RSS %7.1f -> %7.1f MiB\n",
                count, plain_ms, plain, ms, view.highlighted_box() + 1, rss_before, peak_rss_mib());
}

}  // namespace

int main(int argc, char** argv)
{
    setvbuf(stdout, nullptr, _IOLBF, 0);
    QApplication app(argc, argv);
    QVector<int> counts = {10000, 100000};
    if (argc > 1) {
        counts.clear();
        for (int i = 1; i < argc; ++i)
            counts.append(QString::fromLocal8Bit(argv[i]).toInt());
    }
    for (int count : counts) {
        auto s = large_session(count);
        {
            plain_view reference;
            if (!show(reference, s.get()))
                return 1;
            time_frames("plain drawing", reference, count);
            reference.set_highlighted_box(3);
            time_frames("plain, one emphasised", reference, count);
        }
        gl_widget view;
        if (!show(view, s.get()))
            return 1;
        time_frames("view, turned each frame", view, count, [&view](int i) { turn(view, i); });
        view.set_highlighted_box(3);
        time_frames("view, emphasised, turned", view, count, [&view](int i) { turn(view, i); });
        // As after a pick: the emphasis passes to another box, the frame is drawn again
        // only around the two.
        time_frames("view, emphasis passes on", view, count,
                    [&view](int i) { view.set_highlighted_box(4 + i); });
        time_pick(view, count);
    }
    return 0;
}
