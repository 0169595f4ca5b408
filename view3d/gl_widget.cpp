#include "view3d/gl_widget.h"

#include "model/box_moves.h"
#include "model/session.h"
#include "model/support_faults.h"
#include "view3d/cuboid_faces.h"
#include "view3d/matrix_product.h"
#include "view3d/pick_candidates.h"
#include "view3d/window_bounds.h"

#include <GL/glu.h>
#include <QImage>
#include <QTimer>
#include <QRegion>
#include <QWindow>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>
#include <iostream>
#include <vector>

namespace {

QGLFormat multisample_format()
{
    QGLFormat format = QGLFormat::defaultFormat();
    format.setSampleBuffers(true);
    return format;
}

constexpr GLuint no_name = 4294967295u;
constexpr GLuint container_name = 0;

// A fling of many notches at once must still leave a usable near plane: one notch away from
// the eye at least, and one notch short of the far plane.
float zoom_after_steps(float zoom, int steps)
{
    constexpr double notch = 0.2;
    const double zoomed = double(zoom) + notch * steps;
    return float(std::clamp(zoomed, notch, scene_drawing::far_plane - notch));
}

}  // namespace

gl_widget::gl_widget(QWidget* parent) : QGLWidget(multisample_format(), parent) {}

gl_widget::~gl_widget()
{
    if (isValid()) {
        makeCurrent();
        scene_.release();
        frame_.release();
    }
}

// The fixed zoom goes in at once as well: a view that is not yet shown does not paint, and
// its first projection is built before its first paint.
void gl_widget::set_view_mode(int mode)
{
    eye_.set_mode(mode);
}

// ---- Navigation -------------------------------------------------------------------------

void gl_widget::mousePressEvent(QMouseEvent* event)
{
    last_mouse_pos = event->pos();
    // The viewport is in device pixels, the event in logical ones.
    if (current_session_ && eye_.mode == 0 && event->button() == Qt::LeftButton)
        pick_at(QPointF(event->pos()) * devicePixelRatioF());
}

void gl_widget::mouseMoveEvent(QMouseEvent* event)
{
    const int dx = event->x() - last_mouse_pos.x();
    const int dy = event->y() - last_mouse_pos.y();
    if (eye_.mode == 0 && (event->buttons() & (Qt::LeftButton | Qt::RightButton))) {
        // Left turns one way, right the other; with both held the left button wins.
        const int sign = (event->buttons() & Qt::LeftButton) ? 1 : -1;
        eye_.rot_x += sign * dy;
        eye_.rot_y += sign * dx;
        update();
    }
    last_mouse_pos = event->pos();
}

void gl_widget::wheelEvent(QWheelEvent* event)
{
    // Accepted in every case, so that the wheel never scrolls a parent widget.
    event->accept();
    if (!current_session_ || eye_.mode != 0)
        return;
    std::cout << "zoom = " << double(eye_.zoom) << std::endl;
    const int steps = event->angleDelta().y() / 120;
    // The limits are tested before the change, so one step may go just past them.
    if ((eye_.zoom <= 1.0f && steps < 0) || (eye_.zoom > 6.0f && steps > 0))
        return;
    eye_.zoom = zoom_after_steps(eye_.zoom, steps);
    makeCurrent();
    const QSize size = viewport_size();
    set_projection(size.width(), size.height());
    update();
}

void gl_widget::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Escape: close(); break;
    case Qt::Key_F2:
        showFullScreen();
        update();
        break;
    case Qt::Key_Left: move_highlighted_box(towards_minus_x); break;
    case Qt::Key_Right: move_highlighted_box(towards_plus_x); break;
    case Qt::Key_Up: move_highlighted_box(towards_minus_z); break;
    case Qt::Key_Down: move_highlighted_box(towards_plus_z); break;
    default: break;
    }
}

// ---- OpenGL set-up and projection -------------------------------------------------------

void gl_widget::initializeGL()
{
    scene_.set_up();
    frame_.forget();
}

void gl_widget::set_projection(int width, int height)
{
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    scene_drawing::multiply_frustum(eye_.zoom, width, height);
}

QSize gl_widget::viewport_size() const
{
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    return QSize(viewport[2], viewport[3]);
}

void gl_widget::resizeGL(int width, int height)
{
    height = std::max(height, 1);
    glViewport(0, 0, width, height);
    set_projection(width, height);
    glMatrixMode(GL_MODELVIEW);
}

// ---- Drawing ----------------------------------------------------------------------------

// The toolkit asks for a first paint when the window is shown, before the windowing system
// has put it on screen; that frame would be thrown away, and the exposure that follows asks
// for another. Only a window on screen is drawn.
void gl_widget::paintEvent(QPaintEvent* event)
{
    const QWindow* top_level = window()->windowHandle();
    if (top_level && !top_level->isExposed())
        return;
    QGLWidget::paintEvent(event);
}

// A copy of each frame is kept. When only some boxes changed since the last one (a pick, a
// move), the window gets the copy back and the same scene is drawn again through a scissor
// around them: the rasteriser, most of a frame's cost, then skips everything else, and every
// pixel comes out as a whole frame would draw it.
void gl_widget::paintGL()
{
    const QSize size = viewport_size();
    present_at_new_size(size);
    const bool kept = frame_.prepare(size);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    scene_drawing::multiply_view_transform(eye_);
    if (current_session_)
        refresh_geometry();
    const QRect whole(QPoint(0, 0), size);
    const std::vector<QRect> parts = kept ? parts_to_redraw(whole) : std::vector<QRect>{whole};
    const bool partial = parts != std::vector<QRect>{whole};
    if (partial && !parts.empty())
        frame_.restore(whole);
    for (const QRect& part : parts) {
        if (partial) {
            glEnable(GL_SCISSOR_TEST);
            glScissor(part.x(), part.y(), part.width(), part.height());
        }
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        scene_.draw(current_session_, highlighted_box_, eye_.mode, part);
    }
    glDisable(GL_SCISSOR_TEST);
    // On a multisampled window the driver's scissor does not cut every primitive on the same
    // samples: a draw reaches samples of the pixels just outside it that a clear leaves alone
    // (the translucent walls were blended there over the kept frame's walls, a brighter line
    // along the redrawn part), and a line misses samples of its edge pixels. The ring of pixels
    // on both sides of each part's edge is taken back from the kept frame: the changed boxes lie
    // further in, so it holds them right, and the parts lie apart, so no ring reaches another.
    if (partial)
        for (const QRect& part : parts)
            restore_ring(part.adjusted(-1, -1, 1, 1) & whole, inside_ring(part, whole));
    glPopMatrix();
    if (kept)
        for (const QRect& part : parts)
            frame_.save(part.adjusted(-1, -1, 1, 1));
    if (kept && !frame_.copied_back())
        QTimer::singleShot(0, this, &gl_widget::prepare_partial_redraws);
}

// A context's first partial redraw would wait while the driver builds what it needs for the
// kept frame's copy back and for a clear through a scissor, and the main view's first pick
// for the selection pass: each is made once the first frame is on screen, where nothing waits.
void gl_widget::prepare_partial_redraws()
{
    if (!isValid() || !frame_.holds_frame() || frame_.copied_back())
        return;
    makeCurrent();
    // The copy back below gives the cleared pixel its colour again.
    glEnable(GL_SCISSOR_TEST);
    glScissor(0, 0, 1, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glDisable(GL_SCISSOR_TEST);
    frame_.copy_back_once();
    if (current_session_ && eye_.mode == 0) {
        std::vector<GLuint> records;
        select({}, 0.0, 0.0, records);
    }
}

// The part one pixel in from each side, but for the sides on the view's edge: a changed box
// may reach those.
QRect gl_widget::inside_ring(const QRect& region, const QRect& whole)
{
    return QRect(QPoint(region.left() == whole.left() ? region.left() : region.left() + 1,
                        region.top() == whole.top() ? region.top() : region.top() + 1),
                 QPoint(region.right() == whole.right() ? region.right() : region.right() - 1,
                        region.bottom() == whole.bottom() ? region.bottom() : region.bottom() - 1));
}

// The parts of outer not in inner, from the kept frame.
void gl_widget::restore_ring(const QRect& outer, const QRect& inner)
{
    for (const QRect& side : QRegion(outer).subtracted(QRegion(inner)))
        frame_.restore(side);
}

// The window system hands the driver a window's new size only at a buffer swap: the first
// frame after the window was made or resized would be drawn into buffers of the old size and
// never reach the screen whole. A swap before it, which draws nothing, costs no frame.
void gl_widget::present_at_new_size(QSize size)
{
    if (size == presented_size_)
        return;
    swapBuffers();
    presented_size_ = size;
}

// The parts of the kept frame (window pixels, y up) that no longer show the scene: all of it
// unless the frame holds the same session seen from the same eye, and then the rectangles
// around the changed boxes before and after the change (their outline included), or nothing.
// Rectangles that come near each other are one part; a pick that passes the emphasis across the
// view draws two small parts, not the rectangle that spans both.
std::vector<QRect> gl_widget::parts_to_redraw(const QRect& whole)
{
    const std::array<double, 16> transform = current_transform();
    const bool same_scene = frame_.holds_frame() && current_session_ &&
                            current_session_ == drawn_session_ && transform == drawn_transform_;
    drawn_session_ = current_session_;
    drawn_transform_ = transform;
    if (!current_session_)
        return {whole};
    const box_geometry::changes changes = scene_.take_changes();
    if (!same_scene || changes.everything)
        return {whole};

    constexpr int margin = 4;
    const int viewport[4] = {0, 0, whole.width(), whole.height()};
    const auto pixel = [](double v, int limit) {
        return int(std::clamp(v, -double(margin), double(limit + margin)));
    };
    std::vector<QRect> parts;
    for (const box_geometry::cuboid& c : changes.cuboids) {
        window_bounds b;
        if (!window_bounds::of_cuboid(c.lower, c.upper, transform, viewport, b))
            return {whole};
        const QRect around(QPoint(pixel(std::floor(b.min_x), whole.width()) - margin,
                                  pixel(std::floor(b.min_y), whole.height()) - margin),
                           QPoint(pixel(std::ceil(b.max_x), whole.width()) + margin,
                                  pixel(std::ceil(b.max_y), whole.height()) + margin));
        add_part(parts, around & whole);
    }
    if (parts.size() <= most_parts)
        return parts;
    QRect bounding;
    for (const QRect& part : parts)
        bounding |= part;
    return {bounding};
}

// Each part is drawn with its own pass over the boxes; parts closer than a few pixels would
// also take back each other's edges from the kept frame.
void gl_widget::add_part(std::vector<QRect>& parts, QRect part)
{
    if (part.isEmpty())
        return;
    constexpr int apart = 4;
    for (auto it = parts.begin(); it != parts.end();) {
        if (it->adjusted(-apart, -apart, apart, apart).intersects(part)) {
            part |= *it;
            parts.erase(it);
            it = parts.begin();
        } else {
            ++it;
        }
    }
    parts.push_back(part);
}

void gl_widget::refresh_geometry()
{
    scene_.refresh(*current_session_, highlighted_box_, chosen_fault_);
}

// ---- Picking ----------------------------------------------------------------------------

void gl_widget::pick_at(const QPointF& device_pos)
{
    // Picking runs outside paintGL: without this the viewport and the selection would
    // belong to whichever view painted last.
    makeCurrent();
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    const double pick_x = device_pos.x();
    const double pick_y = viewport[3] - device_pos.y();
    refresh_geometry();
    // Only the boxes that can lie under the cursor are drawn, in list order, so the hit
    // records are those of the whole scene; the selection mode's cost follows the names drawn.
    const std::vector<int> candidates =
        pick_candidates(scene_.geometry(), main_view_transform(), viewport, pick_x, pick_y);
    std::vector<GLuint> records;
    const GLint count = select(candidates, pick_x, pick_y, records);
    process_hits(count, records.data());
    update();
}

// The container and the candidates drawn in selection mode through a one-pixel pick matrix
// at (x, y), window pixels with y up: the number of hit records, and the records.
GLint gl_widget::select(const std::vector<int>& candidates, double x, double y,
                        std::vector<GLuint>& records)
{
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    // One record of 4 words for the container and for every candidate, so that a click on a
    // tall stack cannot overflow the buffer.
    records.assign(4 * (candidates.size() + 1), 0);
    glSelectBuffer(GLsizei(records.size()), records.data());
    glRenderMode(GL_SELECT);
    glInitNames();
    glPushName(no_name);

    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    gluPickMatrix(x, y, 1.0, 1.0, viewport);
    scene_drawing::multiply_frustum(eye_.zoom, viewport[2], viewport[3]);
    // The model-view matrix is the identity between paints, so the main view's transform
    // goes on the projection matrix.
    scene_drawing::multiply_view_transform(eye_);
    draw_scene_for_selection(candidates);
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glFlush();
    return glRenderMode(GL_RENDER);
}

// The main view's projection and transform without a pick matrix, as the frame draws them;
// the model-view matrix is the identity between paints.
std::array<double, 16> gl_widget::main_view_transform()
{
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    scene_drawing::multiply_view_transform(eye_);
    const std::array<double, 16> transform = current_transform();
    glPopMatrix();
    return transform;
}

// The projection times the model-view matrix, column-major: the window position of a scene
// point as the next draw call would place it.
std::array<double, 16> gl_widget::current_transform() const
{
    std::array<double, 16> model_view;
    std::array<double, 16> projection;
    glGetDoublev(GL_MODELVIEW_MATRIX, model_view.data());
    glGetDoublev(GL_PROJECTION_MATRIX, projection.data());
    return multiplied(projection, model_view);
}

// The selection pass draws from vertex arrays only: in selection mode Mesa never frees the
// buffers of vertices sent one by one, nor those of the frames the context draws after it,
// which cost memory at every pick. The same corners give the same hit records.
void gl_widget::draw_scene_for_selection(const std::vector<int>& candidates)
{
    float container[3 * vertices_per_face * 3];
    scene_drawing::put_container_faces(container);
    const box_geometry& geometry = scene_.geometry();

    glEnableClientState(GL_VERTEX_ARRAY);
    glVertexPointer(3, GL_FLOAT, 0, container);
    glLoadName(container_name);
    glDrawArrays(GL_QUADS, 0, 3 * vertices_per_face);
    float corners[box_geometry::vertices_per_box * 3];
    glVertexPointer(3, GL_FLOAT, 0, corners);
    for (int index : candidates) {
        glLoadName(GLuint(index + 1));
        box_geometry::put_cuboid(geometry.lower(index), geometry.upper(index), corners);
        glDrawArrays(GL_QUADS, 0, box_geometry::vertices_per_box);
        if (index == highlighted_box_)
            glDrawArrays(GL_LINE_STRIP, 0, box_geometry::vertices_per_box);
    }
    glDisableClientState(GL_VERTEX_ARRAY);
}

void gl_widget::process_hits(int count, const GLuint* buffer)
{
    if (count <= 0)
        return;
    double best_depth = 999999.0;
    long long best_name = -1;
    const GLuint* record = buffer;
    for (int i = 0; i < count; ++i) {
        const GLuint name_count = record[0];
        const double depth = record[1] * 4.656612873077393e-10;  // 2^-31: [0, 2)
        // Only a clearly nearer record wins, so on a tie the one drawn first stays.
        if (best_depth - depth > 0.000001) {
            best_depth = depth;
            best_name = record[3];
        }
        record += 3 + name_count;
    }
    if (best_name > 0) {
        highlighted_box_ = int(best_name - 1);
        emit box_selected(int(best_name));
    }
}

// ---- Keyboard moves ---------------------------------------------------------------------

bool gl_widget::is_valid_box(int index) const
{
    return index >= 0 && std::size_t(index) < current_session_->boxes.size();
}

void gl_widget::move_highlighted_box(int direction)
{
    if (!current_session_ || eye_.mode != 0)
        return;
    if (has_geometry_faults(*current_session_)) {
        refuse_moves();
        return;
    }
    if (!is_valid_box(highlighted_box_))
        return;
    if (can_move(direction, highlighted_box_))
        move_box(direction, highlighted_box_);
}

// The moves and the settling assume a valid packing: boxes at fault stay where the file put
// them. Said at the first key only; every further key would repeat it.
void gl_widget::refuse_moves()
{
    if (refused_session_ == current_session_)
        return;
    refused_session_ = current_session_;
    std::cout << "Deplacement impossible: la session a des defauts" << std::endl;
}

// The sideways moves always concern the highlighted box; only a fall names its box.
bool gl_widget::can_move(int direction, int index) const
{
    const int target = direction == towards_minus_y ? index : highlighted_box_;
    return box_moves::can_move(*current_session_, direction, target);
}

void gl_widget::move_box(int direction, int index)
{
    const int target = direction == towards_minus_y ? index : highlighted_box_;
    box_moves::shift(*current_session_, direction, target);
    if (direction != towards_minus_y)
        emit box_selected(highlighted_box_ + 1);
    update();
    settle_boxes();
}

// The highlighted box reports every unit it fell, so the window follows it down.
void gl_widget::settle_boxes()
{
    const int highlighted_fall = box_moves::settle(*current_session_, highlighted_box_);
    update();
    for (int unit = 0; unit < highlighted_fall; ++unit)
        emit box_selected(highlighted_box_ + 1);
    emit boxes_settled();
}
