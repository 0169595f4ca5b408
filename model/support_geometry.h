#pragma once

#include "model/flat_rect.h"

#include <vector>

// Plane geometry of a box's base and its contacts (parts of the base, so inside it), exact in
// integers.

// The parts of the base no contact covers, as rectangles that do not overlap.
std::vector<flat_rect> uncovered_parts(const flat_rect& base, const std::vector<flat_rect>& contacts);

// The area of the union of the contacts: each part once, however many contacts hold it.
int64_t covered_area(const flat_rect& base, const std::vector<flat_rect>& contacts);

// True when the centre of the base lies strictly inside the convex hull of the contacts: on
// its edge the box is at its tipping point.
bool centre_inside_hull(const flat_rect& base, const std::vector<flat_rect>& contacts);
