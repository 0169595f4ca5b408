#pragma once

#include <array>
#include <vector>

class box_geometry;

// The boxes, in list order, that can lie under the pick pixel (window coordinates, y up):
// those whose projected corners span a rectangle that reaches the pixel's square, and those
// that reach behind the eye, which no rectangle bounds. transform is the column-major
// projection times view transform. Every box that a one-pixel selection pass would hit is
// among them.
std::vector<int> pick_candidates(const box_geometry& geometry,
                                 const std::array<double, 16>& transform, const int viewport[4],
                                 double x, double y);
