#include "view3d/frame_reach.h"

#include "view3d/cuboid_faces.h"
#include "view3d/matrix_product.h"

#include <QtGui/qopengl.h>

#include <algorithm>

namespace {

using matrix = std::array<double, 16>;

// Window pixels beyond the part whose boxes are still sent, and the share of the near
// distance within which a box counts as reaching the near plane: rounding must never drop a
// box that grazes either.
constexpr double part_margin = 2.0;
constexpr double near_slack = 1e-3;
// Scene units. The two faces of a box thinner than this on an axis lie too close for the depth
// test to tell them apart, and the first drawn shows: both are sent.
constexpr float thin = 1e-3f;

// The axis of each face of the face table, and whether it lies at the upper corner.
struct face_side {
    int axis;
    bool upper;
};

const std::array<face_side, faces_per_cuboid> face_sides = [] {
    std::array<face_side, faces_per_cuboid> sides;
    for (int face = 0; face < faces_per_cuboid; ++face) {
        // Two opposite corners of a face agree only on its axis.
        const face_vertex& a = cuboid_faces[face][0];
        const face_vertex& b = cuboid_faces[face][2];
        sides[std::size_t(face)] = a.high_x == b.high_x   ? face_side{0, a.high_x}
                                   : a.high_y == b.high_y ? face_side{1, a.high_y}
                                                          : face_side{2, a.high_z};
    }
    return sides;
}();

}  // namespace

frame_reach::frame_reach(const QRect& part)
{
    matrix model_view, projection;
    GLint viewport[4];
    glGetDoublev(GL_MODELVIEW_MATRIX, model_view.data());
    glGetDoublev(GL_PROJECTION_MATRIX, projection.data());
    glGetIntegerv(GL_VIEWPORT, viewport);

    // The eye undoes the view's rotation and translation (the views neither scale nor shear
    // the scene but for the main view's framing scale, which keeps the eye's side of every
    // face plane).
    const matrix& m = model_view;
    double length2 = 0;
    for (int axis = 0; axis < 3; ++axis)
        length2 += m[axis] * m[axis];
    for (int axis = 0; axis < 3; ++axis)
        eye_[axis] = -(m[axis * 4] * m[12] + m[axis * 4 + 1] * m[13] + m[axis * 4 + 2] * m[14]) /
                     length2;

    // Eye-space z of a point: the model-view matrix's third row; the scene lies below -near.
    const double near_distance = projection[14] / (projection[10] - 1.0);
    for (int axis = 0; axis < 3; ++axis)
        beyond_near_.a[axis] = m[axis * 4 + 2];
    beyond_near_.d = m[14] + near_distance * (1.0 + near_slack);

    // The four planes through the eye that bound what lands in the part (clip x - x0 clip w
    // >= 0 and so on), from the rows of the projection times the model-view matrix.
    const QRect drawn = part.isNull() ? QRect(viewport[0], viewport[1], viewport[2], viewport[3])
                                      : part;
    const auto ndc = [](double window, int origin, int extent) {
        return 2.0 * (window - origin) / extent - 1.0;
    };
    const double x0 = ndc(drawn.left() - part_margin, viewport[0], viewport[2]);
    const double x1 = ndc(drawn.right() + 1 + part_margin, viewport[0], viewport[2]);
    const double y0 = ndc(drawn.top() - part_margin, viewport[1], viewport[3]);
    const double y1 = ndc(drawn.bottom() + 1 + part_margin, viewport[1], viewport[3]);
    const matrix t = multiplied(projection, model_view);
    const auto row = [&t](int r, double scale_w, double sign) {
        plane p;
        for (int axis = 0; axis < 3; ++axis)
            p.a[axis] = sign * t[axis * 4 + r] - scale_w * t[axis * 4 + 3];
        p.d = sign * t[12 + r] - scale_w * t[15];
        return p;
    };
    sides_ = {row(0, x0, 1.0), row(0, -x1, -1.0), row(1, y0, 1.0), row(1, -y1, -1.0)};
}

bool frame_reach::plane::reached_by(const float lower[3], const float upper[3]) const
{
    double most = d;
    for (int axis = 0; axis < 3; ++axis)
        most += std::max(a[axis] * lower[axis], a[axis] * upper[axis]);
    return most >= 0.0;
}

// Each side plane must have some corner of the box inside: a box that reaches the part passes
// all four, and a few that do not pass as well.
bool frame_reach::may_reach(const float lower[3], const float upper[3]) const
{
    return std::all_of(sides_.begin(), sides_.end(),
                       [lower, upper](const plane& p) { return p.reached_by(lower, upper); });
}

// Eye-space z above -near (less the slack) at some corner.
bool frame_reach::crosses_near_plane(const float lower[3], const float upper[3]) const
{
    return beyond_near_.reached_by(lower, upper);
}

// A face is turned towards the eye when the eye lies beyond its plane, away from the box's
// other face on that axis. A box thin on an axis (or with its lower corner past its upper one)
// is left to the rasterizer on that axis: both faces are sent.
unsigned frame_reach::faces_to_draw(const float lower[3], const float upper[3]) const
{
    if (crosses_near_plane(lower, upper))
        return all_faces;
    unsigned faces = 0;
    for (int face = 0; face < faces_per_cuboid; ++face) {
        const face_side side = face_sides[std::size_t(face)];
        const float at = side.upper ? upper[side.axis] : lower[side.axis];
        const bool turned_out = side.upper ? eye_[side.axis] > at : eye_[side.axis] < at;
        if (!(upper[side.axis] - lower[side.axis] >= thin) || turned_out)
            faces |= 1u << face;
    }
    return faces;
}
