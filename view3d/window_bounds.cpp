#include "view3d/window_bounds.h"

#include <algorithm>
#include <limits>

bool window_bounds::of_cuboid(const float lower[3], const float upper[3],
                              const std::array<double, 16>& m, const int viewport[4],
                              window_bounds& bounds)
{
    constexpr double min_w = 1e-6;
    bounds = {std::numeric_limits<double>::max(), std::numeric_limits<double>::lowest(),
              std::numeric_limits<double>::max(), std::numeric_limits<double>::lowest()};
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
