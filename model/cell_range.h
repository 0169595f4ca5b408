#pragma once

struct box;

// A block of unit cells, half-open on every axis: x in [x0, x1), z in [z0, z1), y in [y0, y1).
struct cell_range {
    static cell_range of(const box& b);
    // The layer of cells right under the box's footprint.
    static cell_range beneath(const box& b);

    bool is_empty() const { return x0 >= x1 || z0 >= z1 || y0 >= y1; }

    int x0, x1;
    int z0, z1;
    int y0, y1;
};
