#include "view3d/pick_candidates.h"

#include "view3d/box_geometry.h"

#include <algorithm>
#include <limits>

namespace {

// A pick window is one pixel wide; the margin keeps rounding from dropping a box that only
// grazes it.
constexpr double pick_half_width = 0.5;
constexpr double margin = 1.0;
constexpr double min_w = 1e-6;

struct window_bounds {
    double min_x = std::numeric_limits<double>::max();
    double max_x = std::numeric_limits<double>::lowest();
    double min_y = std::numeric_limits<double>::max();
    double max_y = std::numeric_limits<double>::lowest();
};

// False when a corner lies on or behind the eye plane.
bool project_corners(const float lower[3], const float upper[3], const std::array<double, 16>& m,
                     const int viewport[4], window_bounds& bounds)
{
    for (int corner = 0; corner < 8; ++corner) {
        const double px = (corner & 1) ? upper[0] : lower[0];
        const double py = (corner & 2) ? upper[1] : lower[1];
        const double pz = (corner & 4) ? upper[2] : lower[2];
        const double w = m[3] * px + m[7] * py + m[11] * pz + m[15];
        if (w < min_w)
            return false;
        const double ndc_x = (m[0] * px + m[4] * py + m[8] * pz + m[12]) / w;
        const double ndc_y = (m[1] * px + m[5] * py + m[9] * pz + m[13]) / w;
        const double wx = viewport[0] + (ndc_x + 1.0) * viewport[2] / 2.0;
        const double wy = viewport[1] + (ndc_y + 1.0) * viewport[3] / 2.0;
        bounds.min_x = std::min(bounds.min_x, wx);
        bounds.max_x = std::max(bounds.max_x, wx);
        bounds.min_y = std::min(bounds.min_y, wy);
        bounds.max_y = std::max(bounds.max_y, wy);
    }
    return true;
}

}  // namespace

std::vector<int> pick_candidates(const box_geometry& geometry,
                                 const std::array<double, 16>& transform, const int viewport[4],
                                 double x, double y)
{
    const double reach = pick_half_width + margin;
    std::vector<int> candidates;
    for (int i = 0; i < geometry.box_count(); ++i) {
        window_bounds b;
        if (!project_corners(geometry.lower(i), geometry.upper(i), transform, viewport, b) ||
            (b.min_x <= x + reach && b.max_x >= x - reach && b.min_y <= y + reach &&
             b.max_y >= y - reach))
            candidates.push_back(i);
    }
    return candidates;
}
