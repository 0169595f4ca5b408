#include "model/outside_part.h"

#include "model/box.h"

#include <algorithm>

outside_part outside_part::of(const box& b, const dimension& container)
{
    outside_part part;
    const int64_t at[3] = {b.position.px, b.position.py, b.position.pz};
    const int64_t size[3] = {b.dimension.length(), b.dimension.height(), b.dimension.width()};
    const int64_t inside[3] = {container.length(), container.height(), container.width()};
    for (int axis = 0; axis < 3; ++axis) {
        part.box_lower[axis] = at[axis];
        part.box_upper[axis] = at[axis] + size[axis];
        part.container[axis] = inside[axis];
        part.below[axis] = std::max<int64_t>(0, -at[axis]);
        part.above[axis] = std::max<int64_t>(0, part.box_upper[axis] - inside[axis]);
    }
    return part;
}

int64_t outside_part::distance() const
{
    int64_t farthest = 0;
    for (int axis = 0; axis < 3; ++axis)
        farthest = std::max({farthest, below[axis], above[axis]});
    return farthest;
}

int64_t outside_part::volume() const
{
    int64_t whole = 1;
    int64_t within = 1;
    for (int axis = 0; axis < 3; ++axis) {
        whole *= box_upper[axis] - box_lower[axis];
        const int64_t from = std::max<int64_t>(box_lower[axis], 0);
        const int64_t to = std::min(box_upper[axis], container[axis]);
        within *= std::max<int64_t>(0, to - from);
    }
    return whole - within;
}

std::vector<outside_part::block> outside_part::blocks() const
{
    std::vector<block> found;
    for (int axis = 0; axis < 3; ++axis) {
        block slab;
        std::copy(box_lower, box_lower + 3, slab.lower);
        std::copy(box_upper, box_upper + 3, slab.upper);
        if (below[axis] > 0) {
            block low = slab;
            low.upper[axis] = std::min<int64_t>(box_upper[axis], 0);
            found.push_back(low);
        }
        if (above[axis] > 0) {
            block high = slab;
            high.lower[axis] = std::max(box_lower[axis], container[axis]);
            found.push_back(high);
        }
    }
    return found;
}
