#pragma once

#include "view3d/box_geometry.h"
#include "view3d/face_batch.h"
#include "view3d/fault_marks.h"

#include <QRect>
#include <QtGui/qopengl.h>

#include <memory>

struct session;
struct view_eye;

// What a view shows, drawn on whichever OpenGL context is current: the container, the boxes
// with the emphasised one outlined, or the demonstration scene when there is no session. The
// window's views and the pictures drawn without a window share it, so both draw the same
// frame of the same scene.
class scene_drawing {
public:
    // The far plane of every view.
    static constexpr double far_plane = 100.0;
    // The emphasised box's outline, the one line width of a frame.
    static constexpr float outline_width = 3.0f;
    // Every container is drawn as this one cuboid, whatever its extents.
    static constexpr float container_lower[3] = {0.0f, -0.8f, -2.0f};
    static constexpr float container_upper[3] = {4.0f, 0.8f, 0.0f};

    scene_drawing() = default;
    scene_drawing(const scene_drawing&) = delete;
    scene_drawing& operator=(const scene_drawing&) = delete;

    // Once for each new context, before its first frame: the state every frame relies on and
    // the boxes' texture.
    void set_up();
    // Frees the texture; the context it was made in must be current.
    void release();

    // Multiply the current matrix: the projection of a view of this size in pixels, and the
    // eye's transform.
    static void multiply_frustum(float zoom, int width, int height);
    static void multiply_view_transform(const view_eye& eye);
    // The faces of the container a pick can hit (the two back walls and the floor), as
    // put_face writes them; returns the end of what it wrote.
    static float* put_container_faces(float* xyz);

    // Brings the boxes' vertex data and the fault marks up to date with the session, the box
    // at highlighted emphasised and the fault at chosen_fault chosen (-1 for none).
    void refresh(const session& s, int highlighted, int chosen_fault);
    // What the refreshes changed since this drawing's last call: the boxes rebuilt, or
    // everything when the marks, drawn over the whole scene, were built again.
    box_geometry::changes take_changes();
    const box_geometry& geometry() const { return *geometry_; }

    // Clears nothing: draws the session, or the demonstration scene when s is null, under
    // the current matrices. The session must have been refreshed with highlighted. Only the
    // part of the window (pixels, y up; null for the whole viewport) is drawn again: boxes
    // wholly outside it are not sent.
    void draw(const session* s, int highlighted, int view_mode, const QRect& part = QRect());

private:
    static void rotate_main_view(const view_eye& eye);

    enum class cuboid_kind { box, container };

    void load_texture();
    void draw_session(int highlighted, int view_mode, const QRect& part);
    void draw_boxes(const QRect& part);
    void draw_outline(int index);
    void draw_demonstration_scene(int view_mode);
    void draw_cuboid(const float lower[3], const float upper[3], cuboid_kind kind, int view_mode);
    void draw_container_walls(const float lower[3], const float upper[3]);

    GLuint texture_ = 0;
    fault_marks marks_;
    // Shared with every other drawing of the same session: the vertex arrays are the views'
    // largest memory.
    std::shared_ptr<box_geometry> geometry_ = std::make_shared<box_geometry>();
    box_geometry::change_cursor changes_taken_;
    bool marks_changed_ = false;
    face_batch batch_;
};
