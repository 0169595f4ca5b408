#pragma once

#include <cstdint>
#include <vector>

class dimension;
struct box;

// The part of a box that lies past its container: how far it reaches out below 0 and past the
// container's extent on each axis, in cells (axes in x, y, z order), and the blocks of cells
// that make it up. Computed in 64 bits, so a coordinate near the 32-bit limit cannot wrap.
struct outside_part {
    struct block {
        int64_t lower[3];
        int64_t upper[3];
    };

    int64_t below[3] = {0, 0, 0};
    int64_t above[3] = {0, 0, 0};
    int64_t box_lower[3] = {0, 0, 0};
    int64_t box_upper[3] = {0, 0, 0};
    int64_t container[3] = {0, 0, 0};

    static outside_part of(const box& b, const dimension& container);

    // The farthest the box reaches out, on any axis and side.
    int64_t distance() const;
    // The box's cells outside the container.
    int64_t volume() const;
    // Blocks that together cover the part outside, one per axis and side it reaches out on
    // (they overlap where it reaches out on two axes).
    std::vector<block> blocks() const;
};
