#include "view3d/pick_candidates.h"

#include "view3d/box_geometry.h"
#include "view3d/window_bounds.h"

namespace {

// A pick window is one pixel wide; the margin keeps rounding from dropping a box that only
// grazes it.
constexpr double pick_half_width = 0.5;
constexpr double margin = 1.0;

}  // namespace

std::vector<int> pick_candidates(const box_geometry& geometry,
                                 const std::array<double, 16>& transform, const int viewport[4],
                                 double x, double y)
{
    const double reach = pick_half_width + margin;
    std::vector<int> candidates;
    for (int i = 0; i < geometry.box_count(); ++i) {
        window_bounds b;
        if (!window_bounds::of_cuboid(geometry.lower(i), geometry.upper(i), transform, viewport,
                                      b) ||
            (b.min_x <= x + reach && b.max_x >= x - reach && b.min_y <= y + reach &&
             b.max_y >= y - reach))
            candidates.push_back(i);
    }
    return candidates;
}
