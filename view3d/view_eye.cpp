#include "view3d/view_eye.h"

#include <algorithm>
#include <cmath>

namespace {

// Where the framed part's centre stands from the eye, as the whole container's does.
constexpr double framed_distance = 9.0;
// The near plane's half height; the half width is never smaller.
constexpr double near_half_height = 0.8660254;
// Room left around the part.
constexpr double fill = 0.85;
// A part of no size still gets a scale the depth buffer can hold.
constexpr double least_radius = 1e-4;

}  // namespace

void view_eye::frame(const float lower[3], const float upper[3])
{
    double squares = 0.0;
    for (int k = 0; k < 3; ++k) {
        centre[k] = (lower[k] + upper[k]) / 2;
        squares += double(upper[k] - lower[k]) * double(upper[k] - lower[k]);
    }
    const double radius = std::max(std::sqrt(squares) / 2, least_radius);
    // The sphere around the part fits the narrower, vertical, angle of view.
    const double half_angle = std::atan(near_half_height / double(zoom));
    scale = float(framed_distance * std::sin(half_angle) * fill / radius);
    framed = true;
}
