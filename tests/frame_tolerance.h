#pragma once

// How far a faster frame may stray from the plain face-by-face frame. OpenGL promises the same
// pixels only for the same commands, and the rasterizer rounds its interpolation differently
// once a draw call holds other primitives: so anywhere, by at most one colour level in each
// channel. By more only where two primitives meet at equal depth and the driver picks the
// winner: at pixels within one pixel of a box's silhouette edge (where its front and back
// faces meet) or of the emphasised box's outline, or on a box flat on an axis (its two faces
// on that axis in one plane, at equal depth all over), and at most 0.1% of the view.

#include "tests/plain_scene.h"

#include <QImage>
#include <QString>

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

namespace frame_tolerance {

using matrix = std::array<double, 16>;

struct clip_point {
    double x, y, z, w;
};

inline clip_point to_clip(const matrix& m, const double p[3])
{
    return {m[0] * p[0] + m[4] * p[1] + m[8] * p[2] + m[12],
            m[1] * p[0] + m[5] * p[1] + m[9] * p[2] + m[13],
            m[2] * p[0] + m[6] * p[1] + m[10] * p[2] + m[14],
            m[3] * p[0] + m[7] * p[1] + m[11] * p[2] + m[15]};
}

// Marks the image pixels whose centres lie within radius of the segment's part beyond the
// near plane.
class edge_mask {
public:
    edge_mask(int width, int height, const GLint viewport[4], const matrix& transform)
        : width_(width), height_(height), viewport_{viewport[0], viewport[1], viewport[2], viewport[3]},
          transform_(transform), marked_(std::size_t(width) * std::size_t(height), false)
    {
    }

    void mark(const double from[3], const double to[3], double radius)
    {
        clip_point a = to_clip(transform_, from), b = to_clip(transform_, to);
        const double da = a.z + a.w, db = b.z + b.w;
        if (da < 0 && db < 0)
            return;
        if (da < 0 || db < 0) {
            const double t = da / (da - db);
            const clip_point cut = {a.x + t * (b.x - a.x), a.y + t * (b.y - a.y), a.z + t * (b.z - a.z),
                                    a.w + t * (b.w - a.w)};
            (da < 0 ? a : b) = cut;
        }
        mark_window(window_x(a), window_y(a), window_x(b), window_y(b), radius);
    }

    // The rectangle from corner along the edges a and b, as segments along a no more than a
    // pixel apart across b.
    void mark_rectangle(const double corner[3], const double a[3], const double b[3], double radius)
    {
        const double far_corner[3] = {corner[0] + b[0], corner[1] + b[1], corner[2] + b[2]};
        const clip_point p = to_clip(transform_, corner), q = to_clip(transform_, far_corner);
        const int steps = p.w > 0 && q.w > 0
                              ? 1 + int(std::hypot(window_x(q) - window_x(p), window_y(q) - window_y(p)))
                              : 4096;
        for (int step = 0; step <= steps; ++step) {
            double from[3], to[3];
            for (int k = 0; k < 3; ++k) {
                from[k] = corner[k] + b[k] * step / steps;
                to[k] = from[k] + a[k];
            }
            mark(from, to, radius);
        }
    }

    bool marked(int column, int row) const { return marked_[std::size_t(row * width_ + column)]; }

private:
    double window_x(const clip_point& p) const { return viewport_[0] + (p.x / p.w + 1) * viewport_[2] / 2; }
    double window_y(const clip_point& p) const { return viewport_[1] + (p.y / p.w + 1) * viewport_[3] / 2; }

    void mark_window(double x0, double y0, double x1, double y1, double radius)
    {
        const double dx = x1 - x0, dy = y1 - y0, length2 = dx * dx + dy * dy;
        const int first_x = std::max(0, int(std::floor(std::min(x0, x1) - radius)));
        const int last_x = std::min(width_ - 1, int(std::ceil(std::max(x0, x1) + radius)));
        const int first_y = std::max(0, int(std::floor(std::min(y0, y1) - radius)));
        const int last_y = std::min(height_ - 1, int(std::ceil(std::max(y0, y1) + radius)));
        for (int y = first_y; y <= last_y; ++y)
            for (int x = first_x; x <= last_x; ++x) {
                const double px = x + 0.5 - x0, py = y + 0.5 - y0;
                const double t = length2 > 0 ? std::clamp((px * dx + py * dy) / length2, 0.0, 1.0) : 0.0;
                if (std::hypot(px - t * dx, py - t * dy) <= radius)
                    marked_[std::size_t((height_ - 1 - y) * width_ + x)] = true;
            }
    }

    int width_, height_;
    GLint viewport_[4];
    matrix transform_;
    std::vector<bool> marked_;
};

// A pixel the edge passes through has its centre within half a diagonal of it; one pixel more.
constexpr double edge_reach = 0.71 + 1.0;
// The outline is three pixels wide.
constexpr double outline_reach = 1.5 + edge_reach;

// Whether the eye sees the face of the box at its upper (or lower) corner on an axis from
// outside; a face without extent across its axis counts as unknown (-1).
inline int facing(const double lo[3], const double hi[3], const double eye[3], int axis, bool upper)
{
    const double at = upper ? hi[axis] : lo[axis];
    const double opposite = upper ? lo[axis] : hi[axis];
    if (at == opposite)
        return -1;
    return at > opposite ? eye[axis] > at : eye[axis] < at;
}

// Marks the box's edges along which a face the eye sees meets one it does not, or all twelve.
inline void mark_box(edge_mask& mask, const double lo[3], const double hi[3], const double eye[3],
                     bool all_edges, double reach)
{
    for (int axis = 0; axis < 3; ++axis)
        for (int side = 0; side < 4; ++side) {
            const int a = (axis + 1) % 3, b = (axis + 2) % 3;
            const bool upper_a = side & 1, upper_b = side & 2;
            const int face_a = facing(lo, hi, eye, a, upper_a), face_b = facing(lo, hi, eye, b, upper_b);
            if (!all_edges && face_a >= 0 && face_b >= 0 && face_a == face_b)
                continue;
            double from[3], to[3];
            from[axis] = lo[axis];
            to[axis] = hi[axis];
            from[a] = to[a] = upper_a ? hi[a] : lo[a];
            from[b] = to[b] = upper_b ? hi[b] : lo[b];
            mask.mark(from, to, reach);
        }
}

// Scene units: closer than the depth buffer tells apart anywhere in the views.
constexpr double equal_depth = 1e-5;

// Marks the faces of a box flat on an axis.
inline void mark_flat_faces(edge_mask& mask, const double lo[3], const double hi[3])
{
    for (int axis = 0; axis < 3; ++axis) {
        if (std::abs(hi[axis] - lo[axis]) >= equal_depth)
            continue;
        double a[3] = {0, 0, 0}, b[3] = {0, 0, 0};
        a[(axis + 1) % 3] = hi[(axis + 1) % 3] - lo[(axis + 1) % 3];
        b[(axis + 2) % 3] = hi[(axis + 2) % 3] - lo[(axis + 2) % 3];
        mask.mark_rectangle(lo, a, b, edge_reach);
    }
}

inline bool crosses_near_plane(const matrix& m, const double lo[3], const double hi[3])
{
    for (int corner = 0; corner < 8; ++corner) {
        const double p[3] = {corner & 1 ? hi[0] : lo[0], corner & 2 ? hi[1] : lo[1], corner & 4 ? hi[2] : lo[2]};
        const clip_point c = to_clip(m, p);
        if (c.z + c.w <= 1e-6 * std::abs(c.w) || c.w <= 0)
            return true;
    }
    return false;
}

// Empty when drawn keeps within the bound of plain, both frames of view's scene; else why not.
inline QString check(const QImage& drawn, const QImage& plain, gl_widget& view)
{
    if (drawn.size() != plain.size())
        return QStringLiteral("frames of different sizes");
    view.makeCurrent();
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    matrix projection, model_view;
    glGetDoublev(GL_PROJECTION_MATRIX, projection.data());
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    plain_scene::view_transform(view);
    glGetDoublev(GL_MODELVIEW_MATRIX, model_view.data());
    glPopMatrix();
    matrix transform{};
    for (int column = 0; column < 4; ++column)
        for (int row = 0; row < 4; ++row)
            for (int k = 0; k < 4; ++k)
                transform[column * 4 + row] += projection[k * 4 + row] * model_view[column * 4 + k];
    // The eye: the point the model-view transform takes to the origin, found by undoing its
    // rotation (the views neither scale nor shear).
    double eye[3];
    for (int axis = 0; axis < 3; ++axis)
        eye[axis] = -(model_view[axis * 4] * model_view[12] + model_view[axis * 4 + 1] * model_view[13] +
                      model_view[axis * 4 + 2] * model_view[14]);

    edge_mask mask(drawn.width(), drawn.height(), viewport, transform);
    const session& s = *view.current_session();
    for (std::size_t i = 0; i < s.boxes.size(); ++i) {
        float lo_f[3], hi_f[3];
        plain_scene::box_corners(s, i, lo_f, hi_f);
        const double lo[3] = {lo_f[0], lo_f[1], lo_f[2]}, hi[3] = {hi_f[0], hi_f[1], hi_f[2]};
        const bool emphasised = int(i) == view.highlighted_box();
        mark_box(mask, lo, hi, eye, emphasised || crosses_near_plane(transform, lo, hi),
                 emphasised ? outline_reach : edge_reach);
        mark_flat_faces(mask, lo, hi);
    }

    int differing = 0, away = 0;
    QPoint first_away;
    for (int y = 0; y < drawn.height(); ++y)
        for (int x = 0; x < drawn.width(); ++x) {
            const QRgb a = drawn.pixel(x, y), b = plain.pixel(x, y);
            const int levels = std::max({std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)),
                                         std::abs(qBlue(a) - qBlue(b))});
            if (levels <= 1)
                continue;
            ++differing;
            if (!mask.marked(x, y) && away++ == 0)
                first_away = QPoint(x, y);
        }
    const int limit = drawn.width() * drawn.height() / 1000;
    if (away == 0 && differing <= limit)
        return QString();
    return QStringLiteral("%1 pixels differ by more than one level (at most %2 may), %3 of them "
                          "away from equal-depth edges, the first at (%4, %5)")
        .arg(differing).arg(limit).arg(away).arg(first_away.x()).arg(first_away.y());
}

}  // namespace frame_tolerance
