#include "view3d/box_selection.h"

#include "view3d/box_geometry.h"
#include "view3d/window_bounds.h"

#include <algorithm>

namespace {

// A plane a.x + b.y + c.z + d >= 0 on the inside.
struct plane {
    double a[3];
    double d;

    // Whether some point of the box lies on the inside or on the plane.
    bool reached_by(const float lo[3], const float hi[3]) const
    {
        double most = d;
        for (int axis = 0; axis < 3; ++axis)
            most += std::max(a[axis] * lo[axis], a[axis] * hi[axis]);
        return most >= 0.0;
    }
};

// Where the near plane may cut boxes, drawn clipped, every box is drawn. The slack keeps
// rounding from missing a box that touches the plane.
constexpr double near_slack = 1e-3;

// The window pixels beyond its rectangle that a part may take, so that rounding never drops
// a box that grazes it.
constexpr double part_margin = 2.0;

// The four planes through the eye that bound what lands in [x0, x1] x [y0, y1] of normalized
// device coordinates (clip x - x0 clip w >= 0 and so on), from the rows of the transform.
// Together they take in nothing behind the eye.
std::array<plane, 4> side_planes(const std::array<double, 16>& m, double x0, double x1,
                                 double y0, double y1)
{
    const auto row = [&m](int r, double scale_w, double sign) {
        plane p;
        for (int axis = 0; axis < 3; ++axis)
            p.a[axis] = sign * m[axis * 4 + r] - scale_w * m[axis * 4 + 3];
        p.d = sign * m[12 + r] - scale_w * m[15];
        return p;
    };
    return {row(0, x0, 1.0), row(0, -x1, -1.0), row(1, y0, 1.0), row(1, -y1, -1.0)};
}

}  // namespace

void box_selection::select(const box_geometry& geometry, const std::array<double, 16>& model_view,
                           const std::array<double, 16>& projection, const int viewport[4],
                           const QRect& part)
{
    firsts_.clear();
    counts_.clear();
    if (reaches_near_plane(geometry, model_view, projection)) {
        for (int box = 0; box < geometry.box_count(); ++box)
            add_box(box);
        return;
    }
    const std::array<double, 16> transform = multiplied(projection, model_view);
    const auto ndc = [](double window, int origin, int extent) {
        return 2.0 * (window - origin) / extent - 1.0;
    };
    const std::array<plane, 4> sides =
        side_planes(transform, ndc(part.left() - part_margin, viewport[0], viewport[2]),
                    ndc(part.right() + 1 + part_margin, viewport[0], viewport[2]),
                    ndc(part.top() - part_margin, viewport[1], viewport[3]),
                    ndc(part.bottom() + 1 + part_margin, viewport[1], viewport[3]));
    for (int box = 0; box < geometry.box_count(); ++box) {
        const float* lo = geometry.lower(box);
        const float* hi = geometry.upper(box);
        if (std::all_of(sides.begin(), sides.end(),
                        [lo, hi](const plane& p) { return p.reached_by(lo, hi); }))
            add_box(box);
    }
}

// Whether the near plane, or the space between it and the eye, reaches the hull of the
// boxes: in eye coordinates the scene lies at z below -near.
bool box_selection::reaches_near_plane(const box_geometry& geometry,
                                       const std::array<double, 16>& model_view,
                                       const std::array<double, 16>& projection)
{
    if (geometry.box_count() == 0)
        return false;
    float lo[3], hi[3];
    for (int axis = 0; axis < 3; ++axis) {
        lo[axis] = std::min(geometry.lower(0)[axis], geometry.upper(0)[axis]);
        hi[axis] = std::max(geometry.lower(0)[axis], geometry.upper(0)[axis]);
    }
    for (int box = 1; box < geometry.box_count(); ++box)
        for (int axis = 0; axis < 3; ++axis) {
            lo[axis] = std::min({lo[axis], geometry.lower(box)[axis], geometry.upper(box)[axis]});
            hi[axis] = std::max({hi[axis], geometry.lower(box)[axis], geometry.upper(box)[axis]});
        }
    const double near_distance = projection[14] / (projection[10] - 1.0);
    plane beyond_near;
    for (int axis = 0; axis < 3; ++axis)
        beyond_near.a[axis] = model_view[axis * 4 + 2];
    beyond_near.d = model_view[14] + near_distance * (1.0 + near_slack);
    return beyond_near.reached_by(lo, hi);
}

// Boxes that follow each other in the list make one run.
void box_selection::add_box(int index)
{
    const GLint first = index * box_geometry::vertices_per_box;
    if (!firsts_.empty() && firsts_.back() + counts_.back() == first)
        counts_.back() += box_geometry::vertices_per_box;
    else {
        firsts_.push_back(first);
        counts_.push_back(box_geometry::vertices_per_box);
    }
}
