#include "app/debug_stream.h"
#include "model/packing_check.h"
#include "model/session.h"
#include "model/session_reader.h"
#include "tests/frame_tolerance.h"
#include "tests/plain_scene.h"
#include "tests/screen_copy.h"
#include "view3d/gl_widget.h"

#include <GL/glu.h>
#include <QMouseEvent>
#include <QRandomGenerator>
#include <QSet>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTextEdit>
#include <QVector3D>
#include <QWheelEvent>
#include <QtTest>

#include <cmath>
#include <iostream>
#include <memory>

namespace {

struct box_row {
    int px, py, pz;
    int length, width, height;
    int color;
};

std::unique_ptr<session> make_session(const dimension& container, const QVector<box_row>& boxes)
{
    auto s = std::make_unique<session>();
    s->container = std::make_unique<dimension>(container);
    s->grid = std::make_unique<occupancy_grid>(container);
    for (const box_row& row : boxes) {
        auto b = std::make_unique<box>(position(row.px, row.py, row.pz),
                                       dimension(row.length, row.width, row.height));
        b->color = row.color;
        b->id = QString::number(s->boxes.size() + 1);
        mark_box(*s->grid, *b);
        s->boxes.push_back(std::move(b));
    }
    return s;
}

// Where a point of the container lands in the scene: the container always fills the cuboid
// (0, -0.8, -2) to (4, 0.8, 0).
QVector3D scene_point(const session& s, double x, double y, double z)
{
    const dimension& c = *s.container;
    return QVector3D(float(4.0 * x / c.length()), float(1.6 * y / c.height() - 0.8),
                     float(2.0 * z / c.width() - 2.0));
}

QVector3D box_centre(const session& s, int index)
{
    const box& b = *s.boxes[std::size_t(index)];
    const position& p = b.position;
    const dimension& d = b.dimension;
    return scene_point(s, p.px + d.length() / 2.0, p.py + d.height() / 2.0,
                       p.pz + d.width() / 2.0);
}

// The middle of a box's lid, away from every edge the outline runs along.
QVector3D lid_centre(const session& s, int index)
{
    const box& b = *s.boxes[std::size_t(index)];
    const position& p = b.position;
    const dimension& d = b.dimension;
    return scene_point(s, p.px + d.length() / 2.0, p.py + d.height(), p.pz + d.width() / 2.0);
}

// The model-view transform of each kind of view, as the view paints it.
void load_view_transform(const gl_widget& view)
{
    glTranslated(-2, 0, -9);
    switch (view.view_mode()) {
    case 0:
        glRotated(view.rot_x(), 1, 0, 0);
        glRotated(view.rot_y(), 0, 1, 0);
        break;
    case 1:
        glTranslated(0.65, 0.15, -4);
        glRotated(275, 0, 1, 0);
        break;
    case 2: glRotated(5, 1, 0, 0); break;
    case 3:
        glTranslated(0, -1, -2);
        glRotated(90, 1, 0, 0);
        break;
    }
}

// The frame pixel a scene point is drawn at, from the view's own projection and viewport:
// device pixels, as grabFrameBuffer gives them.
QPoint on_screen(gl_widget& view, const QVector3D& point)
{
    view.makeCurrent();
    GLdouble projection[16];
    GLdouble modelview[16];
    GLint viewport[4];
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    glGetIntegerv(GL_VIEWPORT, viewport);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    load_view_transform(view);
    glGetDoublev(GL_MODELVIEW_MATRIX, modelview);
    glPopMatrix();
    GLdouble x, y, z;
    gluProject(point.x(), point.y(), point.z(), modelview, projection, viewport, &x, &y, &z);
    return QPoint(int(std::floor(x)), viewport[3] - 1 - int(std::floor(y)));
}

// Where to click to hit a scene point: mouse events are in logical pixels.
QPoint click_point(gl_widget& view, const QVector3D& point)
{
    const QPoint device = on_screen(view, point);
    const qreal ratio = view.devicePixelRatioF();
    return QPoint(int(std::floor(device.x() / ratio)), int(std::floor(device.y() / ratio)));
}

QImage frame(gl_widget& view)
{
    view.updateGL();
    return view.grabFrameBuffer();
}

// The colour channels that are not zero, as "r", "g", "b" letters: the texture modulates the
// colour, so only a channel's being zero is exact.
QString lit_channels(QRgb pixel)
{
    QString channels;
    if (qRed(pixel) > 0)
        channels += 'r';
    if (qGreen(pixel) > 0)
        channels += 'g';
    if (qBlue(pixel) > 0)
        channels += 'b';
    return channels;
}

int count_pixels(const QImage& image, const QString& channels)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (lit_channels(image.pixel(x, y)) == channels)
                ++count;
    return count;
}

struct near_far {
    double near_plane;
    double far_plane;
};

struct frustum_extents {
    double half_width;
    double half_height;
    near_far planes;
};

frustum_extents read_frustum(gl_widget& view)
{
    view.makeCurrent();
    GLdouble m[16];
    glGetDoublev(GL_PROJECTION_MATRIX, m);
    const double near_plane = m[14] / (m[10] - 1.0);
    const double far_plane = m[14] / (m[10] + 1.0);
    return {near_plane / m[0], near_plane / m[5], {near_plane, far_plane}};
}

void send_wheel(gl_widget& view, int delta, bool* accepted = nullptr)
{
    const QPointF centre(view.width() / 2.0, view.height() / 2.0);
    QWheelEvent event(centre, view.mapToGlobal(centre.toPoint()), QPoint(), QPoint(0, delta),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(&view, &event);
    if (accepted)
        *accepted = event.isAccepted();
}

// QTest::mouseMove carries no buttons, so a drag sends its move events itself.
void drag(gl_widget& view, Qt::MouseButton pressed, Qt::MouseButtons held,
          const QVector<QPoint>& path)
{
    QTest::mousePress(&view, pressed, Qt::NoModifier, path.first());
    for (int i = 1; i < path.size(); ++i) {
        QMouseEvent move(QEvent::MouseMove, path[i], Qt::NoButton, held, Qt::NoModifier);
        QApplication::sendEvent(&view, &move);
    }
    QTest::mouseRelease(&view, pressed, Qt::NoModifier, path.last());
}

// A 10 x 10 x 10 container with three boxes on the floor, apart from each other.
std::unique_ptr<session> three_boxes()
{
    return make_session(dimension(10, 10, 10), {{0, 0, 0, 3, 3, 3, 2},
                                                {6, 0, 0, 3, 3, 3, 3},
                                                {7, 0, 6, 3, 3, 3, 1}});
}

// Boxes on a lattice of cubic cells: each chosen cell holds one box of random extents smaller
// than the cell, so no two boxes overlap and any box can move one unit towards +x.
std::unique_ptr<session> lattice_scene(const dimension& container, int cell, int count,
                                       quint32 seed)
{
    QRandomGenerator random(seed);
    const int cells[3] = {container.length() / cell, std::max(container.height() / cell, 1),
                          std::max(container.width() / cell, 1)};
    QSet<QString> taken;
    QVector<box_row> rows;
    while (rows.size() < count) {
        const int x = random.bounded(cells[0]), y = random.bounded(cells[1]),
                  z = random.bounded(cells[2]);
        if (taken.contains(QStringLiteral("%1 %2 %3").arg(x).arg(y).arg(z)))
            continue;
        taken.insert(QStringLiteral("%1 %2 %3").arg(x).arg(y).arg(z));
        auto extent = [&](int container_extent) {
            return container_extent == 0 ? 0 : 1 + random.bounded(cell - 1);
        };
        const int length = extent(container.length());
        const int height = extent(container.height());
        const int width = extent(container.width());
        rows.append({x * cell, y * cell, z * cell, length, width, height, random.bounded(16)});
    }
    return make_session(container, rows);
}

enum class scene_kind { packing, tiny_boxes_in_big_container, flat_container, thin_plate, dense, piled, plates };

// Boxes of other colours piled on three places, four to a place, and a box apart.
std::unique_ptr<session> piled_scene()
{
    QVector<box_row> rows;
    for (int copy = 0; copy < 4; ++copy)
        for (int place = 0; place < 3; ++place)
            rows.push_back({place * 3, place, 2, 3, 4, 3 + place, copy * 3 + place});
    rows.push_back({6, 0, 7, 2, 2, 2, 15});
    return make_session(dimension(10, 10, 10), rows);
}

std::unique_ptr<session> make_scene(scene_kind kind)
{
    switch (kind) {
    case scene_kind::packing: return lattice_scene(dimension(40, 30, 20), 5, 150, 1);
    // Boxes under 10 units get a lower corner past the upper one on that axis, by 0.01.
    case scene_kind::tiny_boxes_in_big_container:
        return lattice_scene(dimension(4000, 2000, 1600), 20, 3000, 2);
    case scene_kind::flat_container: return lattice_scene(dimension(40, 0, 30), 5, 40, 3);
    case scene_kind::thin_plate:
        return make_session(dimension(4000, 4, 4), {{1000, 0, 0, 5, 4, 4, 2}, {2000, 0, 0, 900, 2, 2, 3}});
    // Ten thousand boxes in 62% of the cells: most of them hidden, a few pixels each.
    case scene_kind::dense: return lattice_scene(dimension(400, 200, 200), 10, 10000, 4);
    case scene_kind::piled: return piled_scene();
    // Ten thousand plates 2 cm thin stacked in a 40-foot container in centimetres: a hundred
    // layers, each seen almost edge on from the eye's height.
    case scene_kind::plates: {
        QVector<box_row> rows;
        for (int layer = 0; layer < 100; ++layer)
            for (int x = 0; x < 20; ++x)
                for (int z = 0; z < 5; ++z)
                    rows.append({x * 11, layer * 2, z * 23, 11, 23, 2, (layer * 7 + x * 3 + z) % 16});
        return make_session(dimension(1203, 235, 269), rows);
    }
    }
    return nullptr;
}

// Counts its paints and draws as its base does.
template <class base>
class counting : public base {
public:
    int paints = 0;

protected:
    void paintGL() override
    {
        ++paints;
        base::paintGL();
    }
};

// Shows a widget at 800 x 600 and lets the toolkit finish its start-up paints.
template <class widget>
bool show_and_settle(widget& w)
{
    w.resize(800, 600);
    w.show();
    const bool exposed = QTest::qWaitForWindowExposed(&w);
    QCoreApplication::processEvents();
    return exposed;
}

enum class user_action { start_up, drag, wheel, click_on_box, resize };

// What the X server shows of the view once it has drawn its scene again, in device pixels.
QImage seen_on_screen(gl_widget& view)
{
    view.update();
    screen_copy::let_paints_run();
    return screen_copy::of(view);
}

int brightness(QRgb pixel)
{
    return qRed(pixel) + qGreen(pixel) + qBlue(pixel);
}

// Box b overlaps a on a block of 4 x 6 x 4 cells, c stands apart and d sticks out of the
// container along x; a and b are yellow, c light blue and d blue.
const QByteArray faulty_packing =
    "<qarvel><container length=\"20\" width=\"20\" height=\"10\"/><boxs number=\"4\">"
    "<box id=\"a\" length=\"6\" width=\"6\" height=\"6\" px=\"0\" py=\"0\" pz=\"0\" color=\"1\"/>"
    "<box id=\"b\" length=\"6\" width=\"6\" height=\"6\" px=\"2\" py=\"0\" pz=\"2\" color=\"1\"/>"
    "<box id=\"c\" length=\"4\" width=\"4\" height=\"4\" px=\"12\" py=\"0\" pz=\"12\" color=\"4\"/>"
    "<box id=\"d\" length=\"6\" width=\"4\" height=\"4\" px=\"17\" py=\"0\" pz=\"0\" color=\"3\"/>"
    "</boxs></qarvel>";

// The session of a file read as an inspection reads it, every fault kept.
bool read_every_fault(const QByteArray& xml, session& s)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("faulty.qrv");
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(xml) != xml.size())
        return false;
    file.close();
    session_reader::result read = session_reader::read(path, session_reader::mode::every_fault);
    s.container = std::move(read.container);
    s.grid = std::move(read.grid);
    s.boxes = std::move(read.boxes);
    s.faults = std::move(read.faults);
    return s.container != nullptr;
}

}  // namespace

Q_DECLARE_METATYPE(user_action)
Q_DECLARE_METATYPE(scene_kind)
Q_DECLARE_METATYPE(Qt::MouseButton)
Q_DECLARE_METATYPE(Qt::MouseButtons)

class tst_view3d : public QObject {
    Q_OBJECT

private:
    // A view shown at a fixed size, its context set up and painted once.
    bool show(gl_widget& view, int mode = 0, int width = 800, int height = 600)
    {
        view.set_view_mode(mode);
        view.resize(width, height);
        view.show();
        if (!QTest::qWaitForWindowExposed(&view))
            return false;
        view.updateGL();
        return view.width() == width && view.height() == height;
    }

private slots:
    void projection_half_extent_data();
    void projection_half_extent();
    void demonstration_scene_in_every_view_data();
    void demonstration_scene_in_every_view();
    void boxes_in_palette_hues_data();
    void boxes_in_palette_hues();
    void container_without_width_draws_boxes_flat();
    void box_near_the_coordinate_limit_data();
    void box_near_the_coordinate_limit();
    void highlighted_box_emphasis_data();
    void highlighted_box_emphasis();
    void drag_turns_main_view_data();
    void drag_turns_main_view();
    void wheel_zoom_data();
    void wheel_zoom();
    void wheel_without_session_does_nothing();
    void one_paint_per_action_data();
    void one_paint_per_action();
    void axis_views_ignore_drag_and_wheel_data();
    void axis_views_ignore_drag_and_wheel();
    void click_picks_box_data();
    void click_picks_box();
    void nearer_box_wins_data();
    void nearer_box_wins();
    void clicks_that_pick_nothing_data();
    void clicks_that_pick_nothing();
    void left_press_with_right_held_picks();
    void tall_stack_picks_nearest_box();
    void pick_under_cursor_matches_whole_scene_pass();
    void cached_drawing_matches_plain_drawing_data();
    void cached_drawing_matches_plain_drawing();
    void views_of_one_session_each_draw_every_change();
    void boxes_drawn_follow_moves_onto_and_off_piles();
    void fault_marks_reach_the_screen_data();
    void fault_marks_reach_the_screen();
    void small_marks_span_a_few_pixels_data();
    void small_marks_span_a_few_pixels();
    void chosen_fault_shows_among_piled_faults_data();
    void chosen_fault_shows_among_piled_faults();
};

void tst_view3d::projection_half_extent_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<double>("half_width");
    QTest::newRow("1000 x 600: quotient 1") << 1000 << 600 << 1.1547005;
    QTest::newRow("1300 x 600: quotient 2") << 1300 << 600 << 2.309401;
    QTest::newRow("1999 x 1000: quotient truncated to 1") << 1999 << 1000 << 1.1547005;
    QTest::newRow("600 x 1000: taller than wide") << 600 << 1000 << 1.1547005;
}

void tst_view3d::projection_half_extent()
{
    QFETCH(int, width);
    QFETCH(int, height);
    QFETCH(double, half_width);
    gl_widget view;
    QVERIFY(show(view, 0, width, height));
    const frustum_extents f = read_frustum(view);
    QVERIFY2(std::abs(f.half_width - half_width) < 1e-5, qPrintable(QString::number(f.half_width)));
    QVERIFY(std::abs(f.half_height - 0.8660254) < 1e-5);
    QVERIFY(std::abs(f.planes.near_plane - 2.6) < 1e-5);
    QVERIFY(std::abs(f.planes.far_plane - 100.0) < 1e-3);
}

void tst_view3d::demonstration_scene_in_every_view_data()
{
    QTest::addColumn<int>("mode");
    QTest::newRow("main view") << 0;
    QTest::newRow("x axis view") << 1;
    QTest::newRow("y axis view") << 2;
    QTest::newRow("z axis view") << 3;
}

void tst_view3d::demonstration_scene_in_every_view()
{
    QFETCH(int, mode);
    gl_widget view;
    QVERIFY(show(view, mode));
    const QImage image = frame(view);
    // The centres of the four demonstration boxes; each shows a box's colour, its own or
    // that of a box in front of it.
    const QVector<QVector3D> centres = {{0.3f, -0.55f, -1.5f}, {1.1f, -0.2f, -1.2f},
                                        {2.3f, -0.6f, -1.6f}, {2.2f, 0.0f, -1.8f}};
    for (const QVector3D& centre : centres) {
        const QPoint pixel = on_screen(view, centre);
        QVERIFY(image.rect().contains(pixel));
        const QString channels = lit_channels(image.pixel(pixel));
        QVERIFY2(!channels.isEmpty() && channels != "rgb",
                 qPrintable(QStringLiteral("(%1, %2): %3").arg(pixel.x()).arg(pixel.y()).arg(channels)));
    }
}

void tst_view3d::boxes_in_palette_hues_data()
{
    QTest::addColumn<int>("color");
    QTest::addColumn<QString>("channels");
    QTest::newRow("red, entry 2") << 2 << "r";
    QTest::newRow("blue, entry 3") << 3 << "b";
    QTest::newRow("yellow, entry 1") << 1 << "rg";
    QTest::newRow("number past 15 wraps: 19 is blue") << 19 << "b";
    QTest::newRow("negative number: -14 is red") << -14 << "r";
}

void tst_view3d::boxes_in_palette_hues()
{
    QFETCH(int, color);
    QFETCH(QString, channels);
    auto s = make_session(dimension(10, 10, 10),
                          {{0, 0, 0, 2, 2, 2, 0}, {4, 0, 3, 3, 3, 3, color}});
    gl_widget view;
    view.set_current_session(s.get());
    QVERIFY(show(view));
    const QImage image = frame(view);
    QCOMPARE(lit_channels(image.pixel(on_screen(view, box_centre(*s, 1)))), channels);
}

// A container of width 0 puts every box flat against the back wall instead of sending
// infinite or undefined coordinates to OpenGL.
void tst_view3d::container_without_width_draws_boxes_flat()
{
    auto s = make_session(dimension(10, 0, 10), {{2, 2, 0, 4, 0, 4, 3}});
    gl_widget view;
    view.set_current_session(s.get());
    QVERIFY(show(view));
    const QImage image = frame(view);
    const QPoint middle = on_screen(view, QVector3D(1.6f, -0.16f, -1.995f));
    QCOMPARE(lit_channels(image.pixel(middle)), QString("b"));
}

void tst_view3d::box_near_the_coordinate_limit_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("axis");  // 0 x, 1 y, 2 z: the coordinate near the limit
    for (int axis = 0; axis < 3; ++axis)
        for (int mode = 0; mode < 4; ++mode)
            QTest::addRow("%c near the limit, view %d", "xyz"[axis], mode) << mode << axis;
}

// A box whose far corner lies past the largest coordinate is drawn where it is, far outside
// every view: the frame is the frame without it, with no bar across the view from a sum that
// wrapped round. One more box in the draw call may move the rasterizer's rounding by one colour
// level, no more.
void tst_view3d::box_near_the_coordinate_limit()
{
    QFETCH(int, mode);
    QFETCH(int, axis);
    auto s = make_session(dimension(10, 10, 10), {{1, 0, 1, 3, 3, 3, 2}});
    gl_widget view;
    view.set_current_session(s.get());
    QVERIFY(show(view, mode, 400, 300));
    const QImage without = frame(view);
    int corner[3] = {1, 0, 1};
    corner[axis] = 2147483640;
    s->boxes.push_back(std::make_unique<box>(position(corner[0], corner[1], corner[2]),
                                             dimension(10, 10, 10)));
    const QImage with = frame(view);
    int strayed = 0;
    for (int y = 0; y < with.height(); ++y)
        for (int x = 0; x < with.width(); ++x) {
            const QRgb a = with.pixel(x, y), b = without.pixel(x, y);
            strayed += std::max({std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)),
                                 std::abs(qBlue(a) - qBlue(b))}) > 1;
        }
    QCOMPARE(strayed, 0);
}

void tst_view3d::highlighted_box_emphasis_data()
{
    QTest::addColumn<int>("color");
    QTest::addColumn<int>("highlighted");
    QTest::addColumn<bool>("emphasised");
    QTest::newRow("red box highlighted") << 2 << 0 << true;
    QTest::newRow("black box highlighted") << 0 << 0 << true;
    QTest::newRow("index past the list") << 2 << 1 << false;
}

void tst_view3d::highlighted_box_emphasis()
{
    QFETCH(int, color);
    QFETCH(int, highlighted);
    QFETCH(bool, emphasised);
    auto s = make_session(dimension(10, 10, 10), {{3, 0, 3, 4, 4, 4, color}});
    gl_widget view;
    view.set_current_session(s.get());
    QVERIFY(show(view));
    const QPoint lid = on_screen(view, lid_centre(*s, 0));
    const QImage plain = frame(view);
    QCOMPARE(count_pixels(plain, "g"), 0);

    view.set_highlighted_box(highlighted);
    const QImage image = frame(view);
    if (!emphasised) {
        QCOMPARE(image, plain);
        return;
    }
    QVERIFY(count_pixels(image, "g") > 0);  // the outline
    const QRgb before = plain.pixel(lid);
    const QRgb after = image.pixel(lid);
    QCOMPARE(lit_channels(after), lit_channels(before));
    if (qRed(before) > 0)
        QVERIFY2(qRed(after) > qRed(before) * 1.1, qPrintable(QStringLiteral("%1 -> %2")
                                                        .arg(qRed(before)).arg(qRed(after))));
}

void tst_view3d::drag_turns_main_view_data()
{
    QTest::addColumn<Qt::MouseButton>("pressed");
    QTest::addColumn<Qt::MouseButtons>("held");
    QTest::addColumn<int>("turn_x");
    QTest::addColumn<int>("turn_y");
    QTest::newRow("left button") << Qt::LeftButton << Qt::MouseButtons(Qt::LeftButton) << 15 << 20;
    QTest::newRow("right button") << Qt::RightButton << Qt::MouseButtons(Qt::RightButton) << -15
                                  << -20;
    QTest::newRow("both buttons: left wins")
        << Qt::RightButton << Qt::MouseButtons(Qt::LeftButton | Qt::RightButton) << 15 << 20;
    QTest::newRow("middle button") << Qt::MiddleButton << Qt::MouseButtons(Qt::MiddleButton) << 0
                                   << 0;
}

// No session: the demonstration scene turns too.
void tst_view3d::drag_turns_main_view()
{
    QFETCH(Qt::MouseButton, pressed);
    QFETCH(Qt::MouseButtons, held);
    QFETCH(int, turn_x);
    QFETCH(int, turn_y);
    gl_widget view;
    QVERIFY(show(view));
    const QImage before = frame(view);
    const int rot_x = view.rot_x();
    const int rot_y = view.rot_y();
    drag(view, pressed, held, {{200, 200}, {210, 205}, {220, 215}});
    QCOMPARE(view.rot_x(), rot_x + turn_x);
    QCOMPARE(view.rot_y(), rot_y + turn_y);
    QCOMPARE(frame(view) != before, turn_x != 0);
}

void tst_view3d::wheel_zoom_data()
{
    QTest::addColumn<QVector<int>>("earlier_notches");
    QTest::addColumn<int>("delta");
    QTest::addColumn<QString>("line");
    QTest::addColumn<bool>("changes");
    QTest::addColumn<float>("zoom_after");
    const QVector<int> up_to_limit(18, 120);
    const QVector<int> down_to_limit(8, -120);
    QTest::newRow("first notch forward") << QVector<int>() << 120 << "zoom = 2.6" << true << 2.8f;
    QTest::newRow("second notch forward") << QVector<int>{120} << 120 << "zoom = 2.8" << true
                                          << 3.0f;
    QTest::newRow("two notches back at once") << QVector<int>() << -240 << "zoom = 2.6" << true
                                              << 2.2f;
    QTest::newRow("forward past the upper limit")
        << up_to_limit << 120 << "zoom = 6.2" << false << 0.0f;
    QTest::newRow("back from the upper limit")
        << up_to_limit << -120 << "zoom = 6.2" << true << 5.9999981f;
    QTest::newRow("back past the lower limit")
        << down_to_limit << -120 << "zoom = 1" << false << 0.0f;
    QTest::newRow("half a notch") << QVector<int>() << 60 << "zoom = 2.6" << false << 0.0f;
    QTest::newRow("twenty notches back at once: one notch from the eye")
        << QVector<int>() << -2400 << "zoom = 2.6" << true << 0.2f;
    QTest::newRow("a thousand notches forward: one notch short of the far plane")
        << QVector<int>() << 120000 << "zoom = 2.6" << true << 99.8f;
}

void tst_view3d::wheel_zoom()
{
    QFETCH(QVector<int>, earlier_notches);
    QFETCH(int, delta);
    QFETCH(QString, line);
    QFETCH(bool, changes);
    QFETCH(float, zoom_after);
    auto s = three_boxes();
    gl_widget view;
    gl_widget other;
    view.set_current_session(s.get());
    QVERIFY(show(view));
    QVERIFY(show(other));
    QTextEdit scratch;
    {
        debug_stream redirect(std::cout, &scratch);
        for (int notch : earlier_notches)
            send_wheel(view, notch);
    }
    const float before = view.zoom();
    // The wheel rebuilds the projection outside painting, with another view's context current.
    other.makeCurrent();

    QTextEdit pane;
    bool accepted = false;
    {
        debug_stream redirect(std::cout, &pane);
        send_wheel(view, delta, &accepted);
    }
    QVERIFY(accepted);
    QCOMPARE(pane.toPlainText().split('\n'), QStringList{line});
    if (changes)
        QCOMPARE(view.zoom(), zoom_after);
    else
        QVERIFY(view.zoom() == before);
    QVERIFY(std::abs(read_frustum(view).planes.near_plane - view.zoom()) < 1e-5);
    QVERIFY(std::abs(read_frustum(other).planes.near_plane - 2.6) < 1e-5);
}

void tst_view3d::wheel_without_session_does_nothing()
{
    gl_widget view;
    QVERIFY(show(view));
    QTextEdit pane;
    bool accepted = false;
    {
        debug_stream redirect(std::cout, &pane);
        send_wheel(view, 120, &accepted);
    }
    QVERIFY(accepted);
    QCOMPARE(pane.toPlainText(), QString());
    QCOMPARE(view.zoom(), 2.6f);
}

void tst_view3d::one_paint_per_action_data()
{
    QTest::addColumn<user_action>("action");
    QTest::newRow("start-up") << user_action::start_up;
    QTest::newRow("drag over three moves") << user_action::drag;
    QTest::newRow("wheel notch") << user_action::wheel;
    QTest::newRow("click on a box") << user_action::click_on_box;
    QTest::newRow("resize") << user_action::resize;
}

// The handlers ask for a repaint and the toolkit paints once, after the action. Showing and
// resizing paint as often as the toolkit's own GL widget does, and no more.
void tst_view3d::one_paint_per_action()
{
    QFETCH(user_action, action);
    auto s = three_boxes();
    counting<gl_widget> view;
    counting<QGLWidget> toolkit_widget;
    view.set_current_session(s.get());
    QVERIFY(show_and_settle(view));
    QVERIFY(show_and_settle(toolkit_widget));
    if (action == user_action::start_up) {
        QCOMPARE(view.paints, toolkit_widget.paints);
        return;
    }
    if (action == user_action::resize) {
        view.paints = toolkit_widget.paints = 0;
        view.resize(700, 500);
        toolkit_widget.resize(700, 500);
        QCoreApplication::processEvents();
        QCOMPARE(view.paints, toolkit_widget.paints);
        return;
    }
    view.paints = 0;
    QTextEdit pane;
    debug_stream redirect(std::cout, &pane);
    if (action == user_action::drag)
        drag(view, Qt::LeftButton, Qt::LeftButton, {{200, 200}, {210, 205}, {220, 215}, {225, 230}});
    else if (action == user_action::wheel)
        send_wheel(view, 120);
    else
        QTest::mouseClick(&view, Qt::LeftButton, Qt::NoModifier, click_point(view, box_centre(*s, 0)));
    QCOMPARE(view.paints, 0);
    QCoreApplication::processEvents();
    QCOMPARE(view.paints, 1);
}

void tst_view3d::axis_views_ignore_drag_and_wheel_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<float>("fixed_zoom");
    QTest::newRow("x axis view") << 1 << 7.5f;
    QTest::newRow("y axis view") << 2 << 4.5f;
    QTest::newRow("z axis view") << 3 << 5.5f;
}

void tst_view3d::axis_views_ignore_drag_and_wheel()
{
    QFETCH(int, mode);
    QFETCH(float, fixed_zoom);
    auto s = three_boxes();
    gl_widget view;
    view.set_current_session(s.get());
    QVERIFY(show(view, mode));
    const QImage before = frame(view);
    QCOMPARE(view.zoom(), fixed_zoom);
    QVERIFY(std::abs(read_frustum(view).planes.near_plane - fixed_zoom) < 1e-5);

    drag(view, Qt::LeftButton, Qt::LeftButton, {{200, 200}, {230, 240}});
    drag(view, Qt::RightButton, Qt::RightButton, {{200, 200}, {230, 240}});
    QTextEdit pane;
    bool accepted = false;
    {
        debug_stream redirect(std::cout, &pane);
        send_wheel(view, 120, &accepted);
    }
    QVERIFY(accepted);
    QCOMPARE(pane.toPlainText(), QString());
    QCOMPARE(view.rot_x(), 35);
    QCOMPARE(view.rot_y(), 345);
    QCOMPARE(view.zoom(), fixed_zoom);
    QCOMPARE(frame(view), before);
}

void tst_view3d::click_picks_box_data()
{
    QTest::addColumn<int>("index");
    QTest::newRow("first box") << 0;
    QTest::newRow("second box") << 1;
    QTest::newRow("third box") << 2;
}

void tst_view3d::click_picks_box()
{
    QFETCH(int, index);
    auto s = three_boxes();
    gl_widget view;
    view.set_current_session(s.get());
    QVERIFY(show(view));
    QSignalSpy selected(&view, &gl_widget::box_selected);
    const QPoint centre = click_point(view, box_centre(*s, index));

    QTest::mouseClick(&view, Qt::LeftButton, Qt::NoModifier, centre);
    QCOMPARE(selected.count(), 1);
    QCOMPARE(selected.takeFirst().at(0).toInt(), index + 1);
    QCOMPARE(view.highlighted_box(), index);

    // Picking the highlighted box again reports it again.
    QTest::mouseClick(&view, Qt::LeftButton, Qt::NoModifier, centre);
    QCOMPARE(selected.count(), 1);
    QCOMPARE(selected.takeFirst().at(0).toInt(), index + 1);
}

void tst_view3d::nearer_box_wins_data()
{
    QTest::addColumn<bool>("nearer_first");
    QTest::newRow("nearer box later in the list") << false;
    QTest::newRow("nearer box first in the list") << true;
}

// A small box standing on a wide one: the line of sight through the small box goes on into
// the wide one.
void tst_view3d::nearer_box_wins()
{
    QFETCH(bool, nearer_first);
    const box_row wide = {1, 0, 1, 8, 8, 3, 2};
    const box_row small = {4, 3, 4, 2, 2, 2, 3};
    auto s = make_session(dimension(10, 10, 10),
                          nearer_first ? QVector<box_row>{small, wide} : QVector<box_row>{wide, small});
    auto wide_alone = make_session(dimension(10, 10, 10), {wide});
    const int nearer = nearer_first ? 0 : 1;

    gl_widget view;
    view.set_current_session(wide_alone.get());
    QVERIFY(show(view));
    QSignalSpy selected(&view, &gl_widget::box_selected);
    const QPoint pixel = click_point(view, box_centre(*s, nearer));
    QTest::mouseClick(&view, Qt::LeftButton, Qt::NoModifier, pixel);
    QCOMPARE(selected.count(), 1);  // the wide box alone lies on that line of sight

    view.set_current_session(s.get());
    view.updateGL();
    QTest::mouseClick(&view, Qt::LeftButton, Qt::NoModifier, pixel);
    QCOMPARE(selected.count(), 2);
    QCOMPARE(selected.at(1).at(0).toInt(), nearer + 1);
    QCOMPARE(view.highlighted_box(), nearer);
}

namespace {
enum class click_target { box, empty_floor, empty_space };
}
Q_DECLARE_METATYPE(click_target)

void tst_view3d::clicks_that_pick_nothing_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<Qt::MouseButton>("button");
    QTest::addColumn<bool>("with_session");
    QTest::addColumn<click_target>("target");
    QTest::newRow("empty floor") << 0 << Qt::LeftButton << true << click_target::empty_floor;
    QTest::newRow("empty space") << 0 << Qt::LeftButton << true << click_target::empty_space;
    QTest::newRow("right click on a box") << 0 << Qt::RightButton << true << click_target::box;
    QTest::newRow("middle click on a box") << 0 << Qt::MiddleButton << true << click_target::box;
    QTest::newRow("x axis view") << 1 << Qt::LeftButton << true << click_target::box;
    QTest::newRow("y axis view") << 2 << Qt::LeftButton << true << click_target::box;
    QTest::newRow("z axis view") << 3 << Qt::LeftButton << true << click_target::box;
    QTest::newRow("no session: demonstration box")
        << 0 << Qt::LeftButton << false << click_target::box;
}

void tst_view3d::clicks_that_pick_nothing()
{
    QFETCH(int, mode);
    QFETCH(Qt::MouseButton, button);
    QFETCH(bool, with_session);
    QFETCH(click_target, target);
    auto s = three_boxes();
    gl_widget view;
    if (with_session)
        view.set_current_session(s.get());
    view.set_highlighted_box(1);
    QVERIFY(show(view, mode));
    QSignalSpy selected(&view, &gl_widget::box_selected);

    QPoint pixel(2, 2);
    if (target == click_target::box)
        pixel = click_point(view, box_centre(*s, 0));  // also where a demonstration box stands
    else if (target == click_target::empty_floor)
        pixel = click_point(view, scene_point(*s, 5, 0, 8));
    QTest::mouseClick(&view, button, Qt::NoModifier, pixel);
    QCOMPARE(selected.count(), 0);
    QCOMPARE(view.highlighted_box(), 1);
}

void tst_view3d::left_press_with_right_held_picks()
{
    auto s = three_boxes();
    gl_widget view;
    view.set_current_session(s.get());
    QVERIFY(show(view));
    QSignalSpy selected(&view, &gl_widget::box_selected);
    const QPoint centre = click_point(view, box_centre(*s, 2));
    QMouseEvent press(QEvent::MouseButtonPress, centre, Qt::LeftButton,
                      Qt::LeftButton | Qt::RightButton, Qt::NoModifier);
    QApplication::sendEvent(&view, &press);
    QCOMPARE(selected.count(), 1);
    QCOMPARE(selected.at(0).at(0).toInt(), 3);
}

// Seen from straight above, the line of sight through the top of a stack of 300 boxes
// crosses every one of them.
void tst_view3d::tall_stack_picks_nearest_box()
{
    QVector<box_row> stack;
    for (int level = 0; level < 300; ++level)
        stack.append({0, level, 0, 1, 1, 1, level % 16});
    auto s = make_session(dimension(1, 1, 300), stack);
    gl_widget view;
    view.set_current_session(s.get());
    QVERIFY(show(view));
    drag(view, Qt::LeftButton, Qt::LeftButton, {{100, 100}, {100, 155}});
    QCOMPARE(view.rot_x(), 90);
    QSignalSpy selected(&view, &gl_widget::box_selected);

    QTest::mouseClick(&view, Qt::LeftButton, Qt::NoModifier, click_point(view, box_centre(*s, 299)));
    QCOMPARE(selected.count(), 1);
    QCOMPARE(selected.at(0).at(0).toInt(), 300);
    QCOMPARE(view.highlighted_box(), 299);
}

// The view draws, in selection mode, only the boxes that can lie under the cursor; random
// clicks on random scenes and turns pick what the selection pass over every box picks.
void tst_view3d::pick_under_cursor_matches_whole_scene_pass()
{
    QRandomGenerator random(11);
    int boxes_picked = 0;
    for (int scene = 0; scene < 4; ++scene) {
        auto s = lattice_scene(dimension(40, 30, 20), 5, 120, quint32(scene + 20));
        gl_widget view;
        view.set_current_session(s.get());
        QVERIFY(show(view));
        drag(view, Qt::LeftButton, Qt::LeftButton,
             {{300, 300}, {300 + random.bounded(-90, 90), 300 + random.bounded(-60, 60)}});
        for (int click = 0; click < 40; ++click) {
            // Near a random box's centre, where boxes stand in front of each other.
            const QPoint pixel = click_point(view, box_centre(*s, random.bounded(120))) +
                                 QPoint(random.bounded(-3, 4), random.bounded(-3, 4));
            const qreal ratio = view.devicePixelRatioF();
            const long long expected = plain_scene::pick(view, pixel.x() * ratio, pixel.y() * ratio);
            const int before = view.highlighted_box();
            QTest::mouseClick(&view, Qt::LeftButton, Qt::NoModifier, pixel);
            const int picked = expected > 0 ? int(expected - 1) : before;
            QCOMPARE(view.highlighted_box(), picked);
            boxes_picked += expected > 0;
        }
    }
    QVERIFY(boxes_picked > 20);
}

void tst_view3d::cached_drawing_matches_plain_drawing_data()
{
    QTest::addColumn<scene_kind>("kind");
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("highlighted");
    QTest::addColumn<QPoint>("turn");
    QTest::addColumn<int>("wheel");
    QTest::newRow("packing, main view") << scene_kind::packing << 0 << -1 << QPoint() << 0;
    QTest::newRow("packing, x axis view") << scene_kind::packing << 1 << -1 << QPoint() << 0;
    QTest::newRow("packing, y axis view") << scene_kind::packing << 2 << 7 << QPoint() << 0;
    QTest::newRow("packing, z axis view") << scene_kind::packing << 3 << 7 << QPoint() << 0;
    QTest::newRow("packing, highlighted box") << scene_kind::packing << 0 << 7 << QPoint() << 0;
    QTest::newRow("packing, seen from below") << scene_kind::packing << 0 << 7 << QPoint(150, -90) << 0;
    QTest::newRow("packing, seen from behind") << scene_kind::packing << 0 << -1 << QPoint(180, 0) << 0;
    QTest::newRow("packing, near plane inside the scene")
        << scene_kind::packing << 0 << 7 << QPoint(0, 0) << 4800;
    QTest::newRow("tiny boxes in a big container") << scene_kind::tiny_boxes_in_big_container << 0
                                                   << 11 << QPoint() << 0;
    QTest::newRow("tiny boxes, from below") << scene_kind::tiny_boxes_in_big_container << 0 << 11
                                            << QPoint(-120, -80) << 0;
    QTest::newRow("tiny boxes, z axis view") << scene_kind::tiny_boxes_in_big_container << 3 << 11
                                             << QPoint() << 0;
    QTest::newRow("container without width") << scene_kind::flat_container << 0 << -1 << QPoint() << 0;
    QTest::newRow("thin plate and thin bar") << scene_kind::thin_plate << 0 << 0 << QPoint(40, 10) << 240;
    QTest::newRow("dense, main view") << scene_kind::dense << 0 << -1 << QPoint() << 0;
    QTest::newRow("piled, a hidden box highlighted")
        << scene_kind::piled << 0 << 7 << QPoint(30, 10) << 0;
    QTest::newRow("piled, y axis view") << scene_kind::piled << 2 << 4 << QPoint() << 0;
    QTest::newRow("dense, turned a little") << scene_kind::dense << 0 << 7 << QPoint(60, -20) << 0;
    QTest::newRow("dense, from behind and above") << scene_kind::dense << 0 << -1 << QPoint(170, 40) << 0;
    QTest::newRow("dense, from below") << scene_kind::dense << 0 << 7 << QPoint(-100, -95) << 0;
    QTest::newRow("dense, zoomed in") << scene_kind::dense << 0 << 7 << QPoint(30, 10) << 1200;
    QTest::newRow("dense, x axis view") << scene_kind::dense << 1 << 7 << QPoint() << 0;
    QTest::newRow("dense, zoomed in further, turned") << scene_kind::dense << 0 << 7 << QPoint(-40, 15) << 2400;
    QTest::newRow("dense, near plane inside the load") << scene_kind::dense << 0 << 7 << QPoint(0, 0) << 4800;
    QTest::newRow("plates, x axis view") << scene_kind::plates << 1 << 7 << QPoint() << 0;
    QTest::newRow("plates, z axis view") << scene_kind::plates << 3 << 7 << QPoint() << 0;
    QTest::newRow("plates, at eye height") << scene_kind::plates << 0 << 7 << QPoint(0, 5) << 1200;
}

// The view keeps its vertex data and a copy of its frame between paints, and after a move or
// a new emphasis draws again only around the boxes that changed; at every step its frame keeps
// within the tolerance of a view drawing every face in immediate mode, whole.
void tst_view3d::cached_drawing_matches_plain_drawing()
{
    QFETCH(scene_kind, kind);
    QFETCH(int, mode);
    QFETCH(int, highlighted);
    QFETCH(QPoint, turn);
    QFETCH(int, wheel);
    auto s = make_scene(kind);
    gl_widget view;
    plain_view reference;
    QTextEdit pane;
    debug_stream redirect(std::cout, &pane);
    for (gl_widget* v : {static_cast<gl_widget*>(&view), static_cast<gl_widget*>(&reference)}) {
        v->set_current_session(s.get());
        v->set_highlighted_box(highlighted);
        QVERIFY(show(*v, mode));
        drag(*v, Qt::RightButton, Qt::RightButton, {{300, 300}, QPoint(300, 300) - turn});
        if (wheel != 0)
            send_wheel(*v, wheel);
    }
    const QImage expected = frame(reference);
    const QImage image = frame(view);
    const QString strayed = frame_tolerance::check(image, expected, view);
    QVERIFY2(strayed.isEmpty(), qPrintable(strayed));
    if (mode != 0)
        return;

    const auto emphasise = [&](int index) {
        for (gl_widget* v : {static_cast<gl_widget*>(&view), static_cast<gl_widget*>(&reference)})
            v->set_highlighted_box(index);
    };
    const auto same_frames = [&](const char* after) {
        const QString strayed = frame_tolerance::check(frame(view), frame(reference), view);
        QVERIFY2(strayed.isEmpty(), qPrintable(strayed + QStringLiteral(" ") + after));
    };
    // A first pick brings the emphasis to a box, a move makes the boxes settle, a later pick
    // passes the emphasis on.
    if (highlighted < 0) {
        emphasise(7);
        same_frames("after the first pick");
    }
    view.setFocus();
    QTest::keyClick(&view, Qt::Key_Right);
    QVERIFY(frame(view) != expected);
    same_frames("after the move");
    emphasise(view.highlighted_box() + 1);
    same_frames("after the emphasis moved");
}

// The views of a session share its vertex arrays: a move that one view's refresh brought into
// them must still be drawn again by every other view.
void tst_view3d::views_of_one_session_each_draw_every_change()
{
    auto s = make_scene(scene_kind::packing);
    gl_widget main_view, other_view;
    plain_view reference;
    QTextEdit pane;
    debug_stream redirect(std::cout, &pane);
    for (gl_widget* v : {&main_view, &other_view, static_cast<gl_widget*>(&reference)}) {
        v->set_current_session(s.get());
        v->set_highlighted_box(7);
        QVERIFY(show(*v));
    }
    const QImage before = frame(other_view);
    main_view.setFocus();
    QTest::keyClick(&main_view, Qt::Key_Right);
    frame(main_view);
    const QImage after = frame(other_view);
    QVERIFY(after != before);
    const QString strayed = frame_tolerance::check(after, frame(reference), other_view);
    QVERIFY2(strayed.isEmpty(), qPrintable(strayed));
}

// A box is drawn unless an earlier box lies in the same place, whether the places were found
// at the first refresh or followed through moves of a few boxes or of many at once.
void tst_view3d::boxes_drawn_follow_moves_onto_and_off_piles()
{
    QRandomGenerator random(11);
    const auto first_in_place = [](const session& s) {
        QVector<int> drawn;
        for (std::size_t i = 0; i < s.boxes.size(); ++i) {
            const auto same = [&](const std::unique_ptr<box>& earlier) {
                return earlier->position.px == s.boxes[i]->position.px &&
                       earlier->position.pz == s.boxes[i]->position.pz &&
                       earlier->dimension.length() == s.boxes[i]->dimension.length();
            };
            if (std::none_of(s.boxes.begin(), s.boxes.begin() + std::ptrdiff_t(i), same))
                drawn.append(int(i));
        }
        return drawn;
    };
    for (int round = 0; round < 300; ++round) {
        // From many boxes to a place to hardly any.
        const int places = 2 + round % 8;
        QVector<box_row> rows;
        for (int i = 0; i < 30; ++i)
            rows.append({random.bounded(places), 0, random.bounded(places), 1 + random.bounded(2), 1, 1, 0});
        auto s = make_session(dimension(10, 10, 10), rows);
        box_geometry geometry;
        const fault_marks marks;
        geometry.refresh(*s, -1, marks);
        for (int step = 0; step < 6; ++step) {
            for (int moved = random.bounded(step % 2 ? 3 : 25); moved >= 0; --moved)
                s->boxes[std::size_t(random.bounded(30))]->position =
                    position(random.bounded(places), 0, random.bounded(places));
            geometry.refresh(*s, -1, marks);
            QVector<int> drawn;
            for (const auto& [first, count] : geometry.drawn_runs())
                for (int i = first; i < first + count; ++i)
                    drawn.append(i);
            QCOMPARE(drawn, first_in_place(*s));
        }
    }
}

void tst_view3d::fault_marks_reach_the_screen_data()
{
    QTest::addColumn<int>("mode");
    QTest::newRow("main view") << 0;
    QTest::newRow("x axis view") << 1;
    QTest::newRow("y axis view") << 2;
    QTest::newRow("z axis view") << 3;
}

// On the screen's copy of each kind of view: the shared block shows in magenta through the
// boxes around it and the part of a box outside the container in green, colours no box takes
// in a session with faults (every box is grey there); once the overlap is chosen the outside
// part is reduced to its outline; the box without fault is muted, and all of it goes once the
// session has no faults.
void tst_view3d::fault_marks_reach_the_screen()
{
    QFETCH(int, mode);
    QTemporaryDir dir;
    const QString path = dir.filePath("faulty.qrv");
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(faulty_packing) > 0);
    file.close();
    session_reader::result read = session_reader::read(path, session_reader::mode::every_fault);
    session s;
    s.container = std::move(read.container);
    s.grid = std::move(read.grid);
    s.boxes = std::move(read.boxes);
    s.faults = std::move(read.faults);
    QCOMPARE(s.faults.size(), std::size_t(2));

    gl_widget view;
    view.set_current_session(&s);
    QVERIFY(show(view, mode));
    const QPoint block = on_screen(view, scene_point(s, 4, 3, 4));
    const QPoint apart = on_screen(view, box_centre(s, 2));
    const QPoint outside = on_screen(view, scene_point(s, 22, 2, 2));

    const QImage marked = seen_on_screen(view);
    QCOMPARE(lit_channels(marked.pixel(block)), QString("rb"));
    QCOMPARE(lit_channels(marked.pixel(outside)), QString("g"));
    const QRgb box_apart = marked.pixel(apart);
    const int spread = std::max({qRed(box_apart), qGreen(box_apart), qBlue(box_apart)})
                       - std::min({qRed(box_apart), qGreen(box_apart), qBlue(box_apart)});
    QVERIFY2(spread < 16, qPrintable(QString::number(spread)));

    view.set_chosen_fault(0);
    const QImage chosen = seen_on_screen(view);
    QCOMPARE(lit_channels(chosen.pixel(block)), QString("rb"));
    QCOMPARE(lit_channels(chosen.pixel(outside)), QString("rgb"));

    s.faults.clear();
    const QImage plain = seen_on_screen(view);
    QCOMPARE(lit_channels(plain.pixel(block)), QString("rg"));
    const int muted = brightness(marked.pixel(apart));
    const int bright = brightness(plain.pixel(apart));
    QVERIFY2(bright > muted * 3 / 2, qPrintable(QStringLiteral("%1 -> %2").arg(muted).arg(bright)));
}

void tst_view3d::chosen_fault_shows_among_piled_faults_data()
{
    fault_marks_reach_the_screen_data();
}

// Three boxes in one place: three faults on one block. Whichever is chosen, the block shows
// filled in magenta, not as the outline the others are reduced to in the same place.
void tst_view3d::chosen_fault_shows_among_piled_faults()
{
    QFETCH(int, mode);
    QByteArray piled = "<qarvel><container length=\"10\" width=\"10\" height=\"10\"/>"
                       "<boxs number=\"3\">";
    for (const char* id : {"a", "b", "c"})
        piled += QByteArray("<box id=\"") + id + "\" length=\"4\" width=\"4\" height=\"4\" "
                 "px=\"3\" py=\"0\" pz=\"3\" color=\"1\"/>";
    piled += "</boxs></qarvel>";
    session s;
    QVERIFY(read_every_fault(piled, s));
    QCOMPARE(s.faults.size(), std::size_t(3));

    gl_widget view;
    view.set_current_session(&s);
    QVERIFY(show(view, mode));
    // Inside the block, off the line its front and top faces share in the main view, where
    // the chosen fault's edges run.
    const QPoint block = on_screen(view, scene_point(s, 5.0, 3.0, 5.0));
    QCOMPARE(lit_channels(seen_on_screen(view).pixel(block)), QString("rb"));
    for (int chosen = 0; chosen < 3; ++chosen) {
        view.set_chosen_fault(chosen);
        QCOMPARE(lit_channels(seen_on_screen(view).pixel(block)), QString("rb"));
    }
}

void tst_view3d::small_marks_span_a_few_pixels_data()
{
    fault_marks_reach_the_screen_data();
}

// In a 40-ft container in millimetres, an overlap of one cell and a box of one cell just past
// the far end are far less than a pixel; each mark still spans at least three pixels each way on the
// screen's copy of every kind of view.
void tst_view3d::small_marks_span_a_few_pixels()
{
    QFETCH(int, mode);
    QTemporaryDir dir;
    const QString path = dir.filePath("thin.qrv");
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("<qarvel><container length=\"12032\" width=\"2352\" height=\"2698\"/><boxs number=\"3\">"
               "<box id=\"a\" length=\"600\" width=\"400\" height=\"400\" px=\"0\" py=\"0\" pz=\"0\"/>"
               "<box id=\"b\" length=\"600\" width=\"400\" height=\"400\" px=\"599\" py=\"399\" pz=\"399\"/>"
               "<box id=\"c\" length=\"1\" width=\"1\" height=\"1\" px=\"12032\" py=\"0\" "
               "pz=\"1000\"/></boxs></qarvel>");
    file.close();
    session_reader::result read = session_reader::read(path, session_reader::mode::every_fault);
    auto s = std::make_unique<session>();
    s->container = std::move(read.container);
    s->grid = std::move(read.grid);
    s->boxes = std::move(read.boxes);
    s->faults = std::move(read.faults);
    QCOMPARE(s->faults.size(), std::size_t(2));
    gl_widget view;
    view.set_current_session(s.get());
    QVERIFY(show(view, mode, 400, 300));
    const QImage seen = seen_on_screen(view);
    const struct {
        QVector3D at;
        QRgb colour;
    } marks[] = {{scene_point(*s, 599.5, 399.5, 399.5), qRgb(255, 0, 255)},
                 {scene_point(*s, 12032.5, 0.5, 1000.5), qRgb(0, 255, 0)}};
    for (const auto& mark : marks) {
        const QPoint centre = on_screen(view, mark.at);
        QRect found;
        for (int y = centre.y() - 8; y <= centre.y() + 8; ++y)
            for (int x = centre.x() - 8; x <= centre.x() + 8; ++x)
                if (seen.valid(x, y) && (seen.pixel(x, y) & 0xffffff) == (mark.colour & 0xffffff))
                    found |= QRect(x, y, 1, 1);
        QVERIFY2(found.width() >= 3 && found.height() >= 3,
                 qPrintable(QStringLiteral("%1 x %2 at %3, %4").arg(found.width())
                                .arg(found.height()).arg(centre.x()).arg(centre.y())));
    }
}

QTEST_MAIN(tst_view3d)
#include "tst_view3d.moc"
