#pragma once

#include "model/cell_range.h"

#include <boost/geometry.hpp>

// A block of cells as the spatial indexes keep it. Cells are whole numbers, so a half-open
// range [a, b) is the closed one [a, b - 1], and two closed integer blocks meet exactly when
// the cell ranges share a cell.
namespace cell_block {

using corner = boost::geometry::model::point<int, 3, boost::geometry::cs::cartesian>;
using block = boost::geometry::model::box<corner>;

inline block closed(const cell_range& r)
{
    return block(corner(r.x0, r.z0, r.y0), corner(r.x1 - 1, r.z1 - 1, r.y1 - 1));
}

}  // namespace cell_block
