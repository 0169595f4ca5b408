#pragma once

struct box;

// A block of unit cells, half-open on every axis: x in [x0, x1), z in [z0, z1), y in [y0, y1).
// It is the one walk over cells that the packing check and the moves share.
struct cell_range {
    static cell_range of(const box& b);

    bool is_empty() const { return x0 >= x1 || z0 >= z1 || y0 >= y1; }

    // Visits the cells with x outermost and y innermost; stops at the first cell for which
    // visit(x, z, y) returns true and returns true, else returns false.
    template <typename Visit>
    bool find(Visit visit) const
    {
        for (int x = x0; x < x1; ++x)
            for (int z = z0; z < z1; ++z)
                for (int y = y0; y < y1; ++y)
                    if (visit(x, z, y))
                        return true;
        return false;
    }

    int x0, x1;
    int z0, z1;
    int y0, y1;
};
