#pragma once

#include <array>

// The window rectangle (pixels, y up) that a cuboid's eight projected corners span.
struct window_bounds {
    double min_x, max_x, min_y, max_y;

    // False when a corner lies on or behind the eye plane, where no rectangle bounds the
    // cuboid. transform is the column-major projection times view transform.
    static bool of_cuboid(const float lower[3], const float upper[3],
                          const std::array<double, 16>& transform, const int viewport[4],
                          window_bounds& bounds);
};
