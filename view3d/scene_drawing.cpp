#include "view3d/scene_drawing.h"

#include "view3d/cuboid_faces.h"
#include "view3d/frame_reach.h"
#include "view3d/view_eye.h"

#include <QColor>
#include <QImage>

#include <algorithm>
#include <array>

namespace {

void emit_face(int face, const float lower[3], const float upper[3])
{
    float xyz[vertices_per_face * 3];
    box_geometry::put_face(face, lower, upper, xyz);
    for (int vertex = 0; vertex < vertices_per_face; ++vertex) {
        glTexCoord2f(cuboid_faces[face][vertex].s, cuboid_faces[face][vertex].t);
        glVertex3fv(xyz + 3 * vertex);
    }
}

void emit_all_faces(const float lower[3], const float upper[3])
{
    for (int face = 0; face < faces_per_cuboid; ++face)
        emit_face(face, lower, upper);
}

struct demonstration_box {
    float lower[3];
    float upper[3];
    float color[3];
};

constexpr demonstration_box demonstration_boxes[] = {
    {{0.01f, -0.79f, -1.99f}, {0.6f, -0.3f, -1.0f}, {0.0f, 0.0f, 0.9f}},
    {{0.61f, -0.79f, -1.99f}, {1.6f, 0.4f, -0.4f}, {0.9f, 0.0f, 0.0f}},
    {{1.61f, -0.79f, -1.99f}, {3.0f, -0.4f, -1.2f}, {0.0f, 1.0f, 0.0f}},
    {{1.61f, -0.39f, -1.99f}, {2.8f, 0.4f, -1.6f}, {1.0f, 1.0f, 0.0f}},
};

// Rows bottom up and bytes in R, G, B, A order, as glTexImage2D reads them.
QImage texture_image()
{
    QImage image;
    if (!image.load(QStringLiteral(":/textures/image/t1.jpg"))) {
        image = QImage(128, 128, QImage::Format_RGB32);
        image.fill(QColor(128, 128, 128));
    }
    return image.convertToFormat(QImage::Format_RGBA8888).mirrored();
}

}  // namespace

void scene_drawing::set_up()
{
    load_texture();
    glShadeModel(GL_SMOOTH);
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glClearDepth(1.0);
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_TEXTURE_2D);
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
    // Outlines are the only lines, three pixels wide. The width is set once, before the first
    // frame, so that every frame sends the same commands: a width change within a frame splits
    // the driver's vertex batches, and that moves the outline's pixels where it lies on its
    // box's faces.
    glLineWidth(outline_width);
}

void scene_drawing::load_texture()
{
    const QImage image = texture_image();
    glGenTextures(1, &texture_);
    glBindTexture(GL_TEXTURE_2D, texture_);
    glTexImage2D(GL_TEXTURE_2D, 0, 3, image.width(), image.height(), 0, GL_RGBA,
                 GL_UNSIGNED_BYTE, image.constBits());
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
}

void scene_drawing::release()
{
    if (texture_ != 0)
        glDeleteTextures(1, &texture_);
    texture_ = 0;
}

// The near plane's vertical extent is fixed; the horizontal one grows only in whole
// multiples of the height, so most wide views are stretched rather than widened.
void scene_drawing::multiply_frustum(float zoom, int width, int height)
{
    height = std::max(height, 1);
    const float half_width = height > width ? 1.1547005f
                                            : float(0.5773502691896257 * 2 * (width / height));
    glFrustum(-half_width, half_width, -0.8660254, 0.8660254, zoom, far_plane);
}

void scene_drawing::multiply_view_transform(const view_eye& eye)
{
    if (eye.mode == 0 && eye.framed) {
        glTranslatef(0.0f, 0.0f, -9.0f);
        rotate_main_view(eye);
        glScalef(eye.scale, eye.scale, eye.scale);
        glTranslatef(-eye.centre[0], -eye.centre[1], -eye.centre[2]);
        return;
    }
    glTranslatef(-2.0f, 0.0f, -9.0f);
    switch (eye.mode) {
    case 0: rotate_main_view(eye); break;
    case 1:
        glTranslatef(0.65f, 0.15f, -4.0f);
        glRotatef(275.0f, 0.0f, 1.0f, 0.0f);
        break;
    case 2: glRotatef(5.0f, 1.0f, 0.0f, 0.0f); break;
    case 3:
        glTranslatef(0.0f, -1.0f, -2.0f);
        glRotatef(90.0f, 1.0f, 0.0f, 0.0f);
        break;
    default: break;
    }
}

void scene_drawing::rotate_main_view(const view_eye& eye)
{
    glRotatef(float(eye.rot_x), 1.0f, 0.0f, 0.0f);
    glRotatef(float(eye.rot_y), 0.0f, 1.0f, 0.0f);
    glRotatef(float(eye.rot_z), 0.0f, 0.0f, 1.0f);
}

float* scene_drawing::put_container_faces(float* xyz)
{
    xyz = box_geometry::put_face(left_face, container_lower, container_upper, xyz);
    xyz = box_geometry::put_face(back_face, container_lower, container_upper, xyz);
    return box_geometry::put_face(floor_face, container_lower, container_upper, xyz);
}

// The texture is bound again at every frame: whatever else draws in the context (a
// framebuffer object's texture, the toolkit's own painting) may have bound another.
void scene_drawing::draw(const session* s, int highlighted, int view_mode, const QRect& part)
{
    glBindTexture(GL_TEXTURE_2D, texture_);
    if (s)
        draw_session(highlighted, view_mode, part);
    else
        draw_demonstration_scene(view_mode);
}

void scene_drawing::refresh(const session& s, int highlighted, int chosen_fault)
{
    marks_changed_ = marks_.refresh(s, chosen_fault) || marks_changed_;
    if (!geometry_->draws(s)) {
        geometry_ = box_geometry::shared_for(s);
        changes_taken_ = box_geometry::change_cursor();
    }
    geometry_->refresh(s, highlighted, marks_);
}

box_geometry::changes scene_drawing::take_changes()
{
    box_geometry::changes changes = geometry_->take_changes(changes_taken_);
    if (marks_changed_)
        changes = box_geometry::changes();
    marks_changed_ = false;
    return changes;
}

void scene_drawing::draw_session(int highlighted, int view_mode, const QRect& part)
{
    glColor3f(0.8f, 0.8f, 0.8f);
    draw_cuboid(container_lower, container_upper, cuboid_kind::container, view_mode);
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    draw_boxes(part);
    if (highlighted >= 0 && highlighted < geometry_->box_count())
        draw_outline(highlighted);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    glDisableClientState(GL_VERTEX_ARRAY);
    if (!marks_.empty())
        marks_.draw();
}

// The boxes in list order, each box's faces in face-table order, as the plain drawing sends
// them, but only the boxes that reach the part drawn and only their faces that can show: the
// driver spends time, and keeps memory, for every primitive it is given, even one the depth
// test or the scissor then leaves out.
void scene_drawing::draw_boxes(const QRect& part)
{
    const frame_reach reach(part);
    glEnableClientState(GL_COLOR_ARRAY);
    for (const auto& [first, count] : geometry_->drawn_runs())
        for (int box = first; box < first + count; ++box) {
            const float* lower = geometry_->lower(box);
            const float* upper = geometry_->upper(box);
            if (!reach.may_reach(lower, upper))
                continue;
            const unsigned faces = reach.faces_to_draw(lower, upper);
            for (int face = 0; face < faces_per_cuboid; ++face)
                if (faces & (1u << face))
                    batch_.add_face(face, lower, upper, geometry_->colour(box));
        }
    batch_.finish();
    glDisableClientState(GL_COLOR_ARRAY);
}

// The emphasised box's outline, a line strip over the 24 corners of its faces in face-table
// order, after every box: it lies on the box's own faces, where which of the two wins at equal
// depth is the driver's choice.
void scene_drawing::draw_outline(int index)
{
    static const std::array<short, box_geometry::vertices_per_box * 2> texture_coordinates = [] {
        std::array<short, box_geometry::vertices_per_box * 2> st{};
        std::size_t at = 0;
        for (const auto& face : cuboid_faces)
            for (const face_vertex& v : face) {
                st[at++] = v.s;
                st[at++] = v.t;
            }
        return st;
    }();
    float corners[box_geometry::vertices_per_box * 3];
    box_geometry::put_cuboid(geometry_->lower(index), geometry_->upper(index), corners);
    glColor3f(0.0f, 0.9f, 0.0f);
    glVertexPointer(3, GL_FLOAT, 0, corners);
    glTexCoordPointer(2, GL_SHORT, 0, texture_coordinates.data());
    glDrawArrays(GL_LINE_STRIP, 0, box_geometry::vertices_per_box);
}

void scene_drawing::draw_demonstration_scene(int view_mode)
{
    glColor3f(0.8f, 0.8f, 0.8f);
    draw_cuboid(container_lower, container_upper, cuboid_kind::container, view_mode);
    for (const demonstration_box& b : demonstration_boxes) {
        glColor3fv(b.color);
        draw_cuboid(b.lower, b.upper, cuboid_kind::box, view_mode);
    }
}

void scene_drawing::draw_cuboid(const float lower[3], const float upper[3], cuboid_kind kind,
                                int view_mode)
{
    switch (kind) {
    case cuboid_kind::box:
        glBegin(GL_QUADS);
        emit_all_faces(lower, upper);
        glEnd();
        break;
    case cuboid_kind::container:
        if (view_mode == 0)
            draw_container_walls(lower, upper);
        glBegin(GL_QUADS);
        emit_face(floor_face, lower, upper);
        glEnd();
        break;
    }
}

// The two back walls, translucent and leaving the depth buffer alone so that boxes behind
// them still show.
void scene_drawing::draw_container_walls(const float lower[3], const float upper[3])
{
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glDepthMask(GL_FALSE);
    glColor4f(0.8f, 0.8f, 0.8f, 0.35f);
    glBegin(GL_QUADS);
    emit_face(left_face, lower, upper);
    emit_face(back_face, lower, upper);
    glEnd();
    glDepthMask(GL_TRUE);
    glDisable(GL_BLEND);
    glColor3f(0.8f, 0.8f, 0.8f);
}
